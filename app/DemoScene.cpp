#include "DemoScene.h"

#include <cstdio>

#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaJointHinge2.h"
#include "CRurIvaManager.h"
#include "CRurIvaMotor.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "RurIvaLists.h"

using namespace irr;
using namespace irr::ode;

namespace varrik::demo {

namespace {

//! One column of the demo's surface table: bounce on, everything else off; the slip values
//! are given to the wheels while their slip modes stay off.
struct SSurface {
  f32 fMu, fMu2, fBounce, fSlip1, fSlip2;
};
const SSurface kLevelSurface = {100.0f, 0.0f, 0.2f, 0.0f, 0.0f};
const SSurface kChassisSurface = {300.0f, 200.0f, 0.2f, 0.0f, 0.0f};
const SSurface kWheelSurface = {200.0f, 125.0f, 0.25f, 0.25f, 0.25f};

const f32 kChassisMass = 1.0f;
const f32 kWheelMass = 0.01f;
const s32 kMotorAxis = 0;
const f32 kMotorForce = 500.0f;
const f32 kMotorVelocity = 1.0f;

//! Sets surface iIndex of a geometry, asking the geometry for the set before every setter.
void applySurface(CRurIvaGeom* pGeom, u32 iIndex, const SSurface& s) {
  pGeom->getSurfaceParameters(iIndex)->setUseDefined(false);
  pGeom->getSurfaceParameters(iIndex)->setModeMu2(false);
  pGeom->getSurfaceParameters(iIndex)->setModeFDir1(false);
  pGeom->getSurfaceParameters(iIndex)->setModeBounce(true);
  pGeom->getSurfaceParameters(iIndex)->setModeSoftERP(false);
  pGeom->getSurfaceParameters(iIndex)->setModeSoftCFM(false);
  pGeom->getSurfaceParameters(iIndex)->setModeMotion1(false);
  pGeom->getSurfaceParameters(iIndex)->setModeMotion2(false);
  pGeom->getSurfaceParameters(iIndex)->setModeMotionN(false);
  pGeom->getSurfaceParameters(iIndex)->setModeSlip1(false);
  pGeom->getSurfaceParameters(iIndex)->setModeSlip2(false);
  pGeom->getSurfaceParameters(iIndex)->setModeApprox1_1(false);
  pGeom->getSurfaceParameters(iIndex)->setModeApprox1_2(false);
  pGeom->getSurfaceParameters(iIndex)->setMu(s.fMu);
  pGeom->getSurfaceParameters(iIndex)->setMu2(s.fMu2);
  pGeom->getSurfaceParameters(iIndex)->setBounce(s.fBounce);
  pGeom->getSurfaceParameters(iIndex)->setBounceVel(0.0f);
  pGeom->getSurfaceParameters(iIndex)->setSoftErp(0.0f);
  pGeom->getSurfaceParameters(iIndex)->setSoftCfm(0.0f);
  pGeom->getSurfaceParameters(iIndex)->setMotion1(0.0f);
  pGeom->getSurfaceParameters(iIndex)->setMotion2(0.0f);
  pGeom->getSurfaceParameters(iIndex)->setMotionN(0.0f);
  pGeom->getSurfaceParameters(iIndex)->setSlip1(s.fSlip1);
  pGeom->getSurfaceParameters(iIndex)->setSlip2(s.fSlip2);
}

//! A physics node created by its type name through the registered factory.
template <class T>
T* addPhysicsNode(scene::ISceneManager* smgr, const wchar_t* sTypeName, scene::ISceneNode* pParent) {
  return static_cast<T*>(smgr->addSceneNode(CRurIvaSceneNode::nodeNameToC8(sTypeName), pParent));
}

//! A car or wheel model below pParent, textured and unlit; null (after a line saying so) when
//! its mesh file is missing.
scene::IAnimatedMeshSceneNode* addModel(scene::ISceneManager* smgr, scene::IAnimatedMesh* pMesh,
                                        const c8* sMeshFile, const c8* sTexture, scene::ISceneNode* pParent,
                                        const core::vector3df& cScale) {
  scene::IAnimatedMeshSceneNode* pNode =
      smgr->addAnimatedMeshSceneNode(pMesh, pParent, -1, core::vector3df(0, 0, 0), core::vector3df(0, 0, 0),
                                     core::vector3df(1.0f, 1.0f, 1.0f));
  if (!pNode) {
    printf("%s is missing: its part of the car is left out\n", sMeshFile);
    return 0;
  }
  pNode->setMaterialTexture(0, smgr->getVideoDriver()->getTexture(sTexture));
  pNode->setMaterialFlag(video::EMF_LIGHTING, false);
  pNode->setScale(cScale);
  return pNode;
}

struct SWheelSlots {
  CRurIvaBody** ppBody;
  scene::IAnimatedMesh** ppMesh;
  scene::IAnimatedMeshSceneNode** ppNode;
  CRurIvaGeomSphere** ppGeom;
  CRurIvaMotor** ppMotor;
};

SWheelSlots wheelSlots(DemoScene& scene, int k) {
  Varrik_Car& c = scene.MyCar;
  switch (k) {
    case 1:
      return {&c.Car_whell_1_OdeBody, &c.Car_whell_1_AnimatedMesh, &c.Car_whell_1_AnimatedMeshSceneNode,
              &c.Car_whell_1_OdeGeom, &scene.test_1_OdeMotor};
    case 2:
      return {&c.Car_whell_2_OdeBody, &c.Car_whell_2_AnimatedMesh, &c.Car_whell_2_AnimatedMeshSceneNode,
              &c.Car_whell_2_OdeGeom, &scene.test_2_OdeMotor};
    case 3:
      return {&c.Car_whell_3_OdeBody, &c.Car_whell_3_AnimatedMesh, &c.Car_whell_3_AnimatedMeshSceneNode,
              &c.Car_whell_3_OdeGeom, &scene.test_3_OdeMotor};
    default:
      return {&c.Car_whell_4_OdeBody, &c.Car_whell_4_AnimatedMesh, &c.Car_whell_4_AnimatedMeshSceneNode,
              &c.Car_whell_4_OdeGeom, &scene.test_4_OdeMotor};
  }
}

CRurIvaJoint* wheelJoint(const Varrik_Car& c, int k) {
  switch (k) {
    case 1:
      return c.test_1_JointHinge;
    case 2:
      return c.test_2_JointHinge;
    case 3:
      return c.test_3_JointHinge;
    default:
      return c.test_4_JointHinge;
  }
}

//! Where wheel k goes: the chassis model's bone k, scaled like the model, from the model's origin.
bool wheelPosition(const Varrik_Car& c, int k, core::vector3df& cPos) {
  c8 sBone[32];
  snprintf(sBone, sizeof(sBone), "b_whee%d", k);
  scene::IBoneSceneNode* pBone = c.Car_AnimatedMeshSceneNode->getJointNode(sBone);
  if (!pBone) {
    printf("bone \"%s\" is missing in data/car_c.x: wheel %d is left out\n", sBone, k);
    return false;
  }
  cPos = c.Car_AnimatedMeshSceneNode->getPosition() + c.Car_Scale * pBone->getPosition();
  return true;
}

void createWheel(scene::ISceneManager* smgr, DemoScene& scene, int k) {
  Varrik_Car& c = scene.MyCar;
  SWheelSlots slots = wheelSlots(scene, k);
  core::vector3df cPos;
  if (!wheelPosition(c, k, cPos)) return;

  CRurIvaJoint* pJoint = 0;
  if (k <= 2) {
    CRurIvaJointHinge2* pHinge2 =
        addPhysicsNode<CRurIvaJointHinge2>(smgr, RUR_IVA_JOINT_HINGE2_NAME, c.Car_OdeBody);
    (k == 1 ? c.test_1_JointHinge : c.test_2_JointHinge) = pHinge2;
    pJoint = pHinge2;
  } else {
    CRurIvaJointHinge* pHinge =
        addPhysicsNode<CRurIvaJointHinge>(smgr, RUR_IVA_JOINT_HINGE_NAME, c.Car_OdeBody);
    (k == 3 ? c.test_3_JointHinge : c.test_4_JointHinge) = pHinge;
    pJoint = pHinge;
  }

  CRurIvaBody* pBody = addPhysicsNode<CRurIvaBody>(smgr, RUR_IVA_BODY_NAME, pJoint);
  *slots.ppBody = pBody;
  *slots.ppMesh = smgr->getMesh("data/whell.x");
  *slots.ppNode = addModel(smgr, *slots.ppMesh, "data/whell.x", "data/whell.tga", pBody, c.Car_Scale);
  if (*slots.ppNode) {
    (*slots.ppNode)->setPosition(cPos);
    CRurIvaGeomSphere* pGeom =
        addPhysicsNode<CRurIvaGeomSphere>(smgr, RUR_IVA_GEOM_SPHERE_NAME, *slots.ppNode);
    *slots.ppGeom = pGeom;
    applySurface(pGeom, 0, kWheelSurface);
    pGeom->setMassTotal(kWheelMass);
    pGeom->drop();
  }

  pJoint->setBody2(pBody);
  if (k <= 2) {
    CRurIvaJointHinge2* pHinge2 = static_cast<CRurIvaJointHinge2*>(pJoint);
    pHinge2->setHingeAxis1(core::vector3df(0.0f, 1.0f, 0.0f));
    pHinge2->setHingeAxis2(core::vector3df(1.0f, 0.0f, 0.0f));
    // Without steering input the front wheels stay straight: the steering axis is held at 0
    // by its stops, so the wheels roll and do not spin about the vertical.
    pHinge2->setParameter(0, CRurIvaJoint::eLoStop, 0.0f);
    pHinge2->setParameter(0, CRurIvaJoint::eHiStop, 0.0f);
  } else {
    static_cast<CRurIvaJointHinge*>(pJoint)->setHingeAxis(core::vector3df(1.0f, 0.0f, 0.0f));
  }
  wheelPosition(c, k, cPos);
  pJoint->setPosition(cPos);

  CRurIvaMotor* pMotor = addPhysicsNode<CRurIvaMotor>(smgr, RUR_IVA_MOTOR_NAME, c.Car_OdeBody);
  *slots.ppMotor = pMotor;
  pMotor->setJoint(pJoint);
  pMotor->setAutomaticCulling(scene::EAC_BOX);
  pMotor->setAxis(kMotorAxis);
  pMotor->setForce(kMotorForce);
  pMotor->setVelocity(kMotorVelocity);
  pMotor->setEnabled(true);
}

}  // namespace

CRurIvaMotor* DemoScene::motor(int k) const {
  switch (k) {
    case 1:
      return test_1_OdeMotor;
    case 2:
      return test_2_OdeMotor;
    case 3:
      return test_3_OdeMotor;
    default:
      return test_4_OdeMotor;
  }
}

void installPhysics(IrrlichtDevice* device, CRurIvaSceneNodeFactory& factory) {
  device->getSceneManager()->registerSceneNodeFactory(&factory);
  CRurIvaManager::getSharedInstance()->install(device);
  CRurIvaManager::getSharedInstance()->initODE();
}

CRurIvaWorld* createWorld(scene::ISceneManager* smgr) {
  CRurIvaWorld* worldNode = addPhysicsNode<CRurIvaWorld>(smgr, RUR_IVA_WORLD_NAME, smgr->getRootSceneNode());
  worldNode->setGravity(core::vector3df(0.0f, -10.0f, 0.0f));
  worldNode->setMaxAngularSpeed(1.0f);
  return worldNode;
}

void createLevel(scene::ISceneManager* smgr, CRurIvaWorld* worldNode) {
  scene::IAnimatedMesh* pLevel = smgr->getMesh("map.bsp");
  if (!pLevel) {
    printf("map.bsp is missing: there is no ground below the car\n");
    return;
  }
  scene::ISceneNode* pLevelNode = smgr->addOctreeSceneNode(pLevel->getMesh(0), worldNode, -1, 512);
  if (!pLevelNode) return;
  pLevelNode->setPosition(core::vector3df(0.0f, -50.0f, 0.0f));

  CRurIvaGeomTrimesh* pTri = addPhysicsNode<CRurIvaGeomTrimesh>(smgr, RUR_IVA_GEOM_TRIMESH_NAME, pLevelNode);
  for (u32 j = 0; j < pTri->getSurfaceParametersCount(); ++j) {
    pTri->setCollide(true);
    applySurface(pTri, j, kLevelSurface);
  }
  pTri->drop();
}

void createCar(scene::ISceneManager* smgr, DemoScene& scene) {
  Varrik_Car& c = scene.MyCar;
  c.Car_Position = core::vector3df(0.0f, -100.0f, 0.0f);
  c.Car_Scale = core::vector3df(30.0f, 30.0f, 30.0f);
  c.Damage = false;

  c.Car_OdeBody = addPhysicsNode<CRurIvaBody>(smgr, RUR_IVA_BODY_NAME, scene.worldNode);
  c.Car_AnimatedMesh = smgr->getMesh("data/car_c.x");
  c.Car_AnimatedMeshSceneNode =
      addModel(smgr, c.Car_AnimatedMesh, "data/car_c.x", "data/car_c_c1.tga", c.Car_OdeBody, c.Car_Scale);
  if (c.Car_AnimatedMeshSceneNode) {
    c.Car_AnimatedMeshSceneNode->setVisible(!c.Damage);
    c.Car_AnimatedMeshSceneNode->setPosition(c.Car_Position);
    c.Car_OdeGeom = addPhysicsNode<CRurIvaGeomBox>(smgr, RUR_IVA_GEOM_BOX_NAME, c.Car_AnimatedMeshSceneNode);
    applySurface(c.Car_OdeGeom, 0, kChassisSurface);
    c.Car_OdeGeom->setMassTotal(kChassisMass);
    c.Car_OdeGeom->drop();
  }

  c.Car_d_AnimatedMesh = smgr->getMesh("data/car_d.x");
  c.Car_d_AnimatedMeshSceneNode =
      addModel(smgr, c.Car_d_AnimatedMesh, "data/car_d.x", "data/car_d_c1.tga", c.Car_OdeBody, c.Car_Scale);
  if (c.Car_d_AnimatedMeshSceneNode) c.Car_d_AnimatedMeshSceneNode->setVisible(c.Damage);

  // The wheels sit where the chassis model's bones are; without the model there is no car to
  // put them on.
  if (!c.Car_AnimatedMeshSceneNode) return;
  for (int k = 1; k <= 4; ++k) createWheel(smgr, scene, k);
}

void startPhysics(DemoScene& scene) {
  scene.worldNode->initPhysics();
  // A motor hands its velocity and force to its joint when it initialises; the world does not
  // initialise motors, so the demo does it once the joints exist.
  for (int k = 1; k <= 4; ++k)
    if (scene.motor(k)) scene.motor(k)->initPhysics();
}

void startLoadedScene() {
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  for (CRurIvaWorld* pWorld : snapshot(pManager->getWorlds())) pWorld->initPhysics();
  for (CRurIvaSceneNode* pNode : snapshot(pManager->getRurIvaNodes()))
    if (pNode->getType() == RUR_IVA_MOTOR_ID || pNode->getType() == RUR_IVA_SERVO_ID) pNode->initPhysics();
}

void buildDemoScene(scene::ISceneManager* smgr, DemoScene& scene,
                    const std::function<void()>& beforePhysics) {
  scene.worldNode = createWorld(smgr);
  createLevel(smgr, scene.worldNode);
  createCar(smgr, scene);
  if (beforePhysics) beforePhysics();
  startPhysics(scene);
}

void releaseDemoScene(DemoScene& scene) {
  Varrik_Car& c = scene.MyCar;
  for (int k = 1; k <= 4; ++k) {
    SWheelSlots slots = wheelSlots(scene, k);
    if (*slots.ppMotor) (*slots.ppMotor)->drop();
    if (*slots.ppBody) (*slots.ppBody)->drop();
    if (CRurIvaJoint* pJoint = wheelJoint(c, k)) pJoint->drop();
    *slots.ppMotor = 0;
    *slots.ppBody = 0;
  }
  c.test_1_JointHinge = 0;
  c.test_2_JointHinge = 0;
  c.test_3_JointHinge = 0;
  c.test_4_JointHinge = 0;
  if (c.Car_OdeBody) c.Car_OdeBody->drop();
  c.Car_OdeBody = 0;
  if (scene.worldNode) scene.worldNode->drop();
  scene.worldNode = 0;
}

void shutdownPhysics() {
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  pManager->closeODE();
  pManager->uninstall();
}

}  // namespace varrik::demo
