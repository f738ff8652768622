#ifndef VARRIK_DEMOSCENE_H
#define VARRIK_DEMOSCENE_H

#include <functional>

#include <irrlicht.h>

namespace irr {
namespace ode {
class CRurIvaBody;
class CRurIvaGeomBox;
class CRurIvaGeomSphere;
class CRurIvaJointHinge;
class CRurIvaJointHinge2;
class CRurIvaMotor;
class CRurIvaSceneNodeFactory;
class CRurIvaWorld;
}  // namespace ode
}  // namespace irr

// The demo: its scene of level and car, and the steps that hook the physics layer up to the
// engine device. Programs and tests reach it as varrik::demo.
namespace varrik::demo {

//! The car of the demo: a chassis body with an intact and a damaged model, and four wheels on
//! joints (hinge-2 at the front, hinges at the back).
struct Varrik_Car {
  irr::core::vector3df Car_Position;
  irr::core::vector3df Car_Rotation;
  irr::core::vector3df Car_Scale;
  bool Damage = false;

  irr::ode::CRurIvaBody* Car_OdeBody = nullptr;
  irr::scene::IAnimatedMesh* Car_AnimatedMesh = nullptr;
  irr::scene::IAnimatedMeshSceneNode* Car_AnimatedMeshSceneNode = nullptr;
  irr::ode::CRurIvaGeomBox* Car_OdeGeom = nullptr;

  irr::ode::CRurIvaBody* Car_d_OdeBody = nullptr;
  irr::scene::IAnimatedMesh* Car_d_AnimatedMesh = nullptr;
  irr::scene::IAnimatedMeshSceneNode* Car_d_AnimatedMeshSceneNode = nullptr;
  irr::ode::CRurIvaGeomBox* Car_d_OdeGeom = nullptr;

  irr::ode::CRurIvaBody* Car_whell_1_OdeBody = nullptr;
  irr::scene::IAnimatedMesh* Car_whell_1_AnimatedMesh = nullptr;
  irr::scene::IAnimatedMeshSceneNode* Car_whell_1_AnimatedMeshSceneNode = nullptr;
  irr::ode::CRurIvaGeomSphere* Car_whell_1_OdeGeom = nullptr;
  irr::ode::CRurIvaJointHinge2* test_1_JointHinge = nullptr;

  irr::ode::CRurIvaBody* Car_whell_2_OdeBody = nullptr;
  irr::scene::IAnimatedMesh* Car_whell_2_AnimatedMesh = nullptr;
  irr::scene::IAnimatedMeshSceneNode* Car_whell_2_AnimatedMeshSceneNode = nullptr;
  irr::ode::CRurIvaGeomSphere* Car_whell_2_OdeGeom = nullptr;
  irr::ode::CRurIvaJointHinge2* test_2_JointHinge = nullptr;

  irr::ode::CRurIvaBody* Car_whell_3_OdeBody = nullptr;
  irr::scene::IAnimatedMesh* Car_whell_3_AnimatedMesh = nullptr;
  irr::scene::IAnimatedMeshSceneNode* Car_whell_3_AnimatedMeshSceneNode = nullptr;
  irr::ode::CRurIvaGeomSphere* Car_whell_3_OdeGeom = nullptr;
  irr::ode::CRurIvaJointHinge* test_3_JointHinge = nullptr;

  irr::ode::CRurIvaBody* Car_whell_4_OdeBody = nullptr;
  irr::scene::IAnimatedMesh* Car_whell_4_AnimatedMesh = nullptr;
  irr::scene::IAnimatedMeshSceneNode* Car_whell_4_AnimatedMeshSceneNode = nullptr;
  irr::ode::CRurIvaGeomSphere* Car_whell_4_OdeGeom = nullptr;
  irr::ode::CRurIvaJointHinge* test_4_JointHinge = nullptr;

  Varrik_Car()
      : Car_Position(0.0f, 0.0f, 0.0f), Car_Rotation(0.0f, 0.0f, 0.0f), Car_Scale(0.0f, 0.0f, 0.0f) {}
};

//! Everything the demo builds and keeps until shutdown.
struct DemoScene {
  irr::ode::CRurIvaWorld* worldNode = nullptr;
  Varrik_Car MyCar;
  irr::ode::CRurIvaMotor* test_1_OdeMotor = nullptr;
  irr::ode::CRurIvaMotor* test_2_OdeMotor = nullptr;
  irr::ode::CRurIvaMotor* test_3_OdeMotor = nullptr;
  irr::ode::CRurIvaMotor* test_4_OdeMotor = nullptr;

  irr::ode::CRurIvaMotor* motor(int k) const;
};

//! Registers the physics node factory with the device's scene manager, installs the physics
//! manager on the device and initialises the dynamics library.
void installPhysics(irr::IrrlichtDevice* device, irr::ode::CRurIvaSceneNodeFactory& factory);

//! The world node below the scene root, with the demo's gravity and angular speed limit.
irr::ode::CRurIvaWorld* createWorld(irr::scene::ISceneManager* smgr);

//! The level "map.bsp" with a triangle-mesh geometry of one surface per material. Without the
//! level file there is no ground: the car falls.
void createLevel(irr::scene::ISceneManager* smgr, irr::ode::CRurIvaWorld* worldNode);

//! The chassis body with its models and box, then the four wheels with their joints and motors.
void createCar(irr::scene::ISceneManager* smgr, DemoScene& scene);

//! Creates the dynamics objects of the whole set-up, then hands each motor's settings to its
//! joint, so that the rear wheels drive.
void startPhysics(DemoScene& scene);

//! Starts the physics of a scene read from a file: every world, then every joint motor and
//! servo of the set-up, which the worlds do not start.
void startLoadedScene();

//! The whole demo scene, in the order main builds it: world, level, car, then its physics starts.
//! beforePhysics, when given, runs once the scene is complete and before any dynamics object
//! exists, which is when the set-up can be saved to a scene file as it was built.
void buildDemoScene(irr::scene::ISceneManager* smgr, DemoScene& scene,
                    const std::function<void()>& beforePhysics = {});

//! Gives up the references the demo holds, so that the scene's nodes die with the scene.
void releaseDemoScene(DemoScene& scene);

//! Closes the physics layer: the dynamics library is shut down and the manager lets go of the
//! engine device. Call it after the scene is gone.
void shutdownPhysics();

}  // namespace varrik::demo

#endif
