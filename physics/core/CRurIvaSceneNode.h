#ifndef C_RUR_IVA_SCENE_NODE_H
#define C_RUR_IVA_SCENE_NODE_H

#include <irrlicht.h>

namespace irr {
namespace ode {

class CRurIvaManager;
class IRurIvaDevice;

//! Builds a scene node type the way the engine builds its own: first letter in the lowest byte.
constexpr u32 rurIvaMakeId(char c0, char c1, char c2, char c3) {
  return static_cast<u32>(static_cast<u8>(c0)) | (static_cast<u32>(static_cast<u8>(c1)) << 8) |
         (static_cast<u32>(static_cast<u8>(c2)) << 16) | (static_cast<u32>(static_cast<u8>(c3)) << 24);
}

// Node kinds of the physics layer. Node kinds are always compared by these values.
const scene::ESCENE_NODE_TYPE RUR_IVA_WORLD_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'w', 'd');
const scene::ESCENE_NODE_TYPE RUR_IVA_SPACE_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 's', 'p');
const scene::ESCENE_NODE_TYPE RUR_IVA_BODY_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'b', 'd');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 'm');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_BOX_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 'b');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_CAPSULE_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 'u');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_CYLINDER_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 'c');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_HEIGHTFIELD_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 'h');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_PLANE_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 'p');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_RAY_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 'r');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_SPHERE_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 's');
const scene::ESCENE_NODE_TYPE RUR_IVA_GEOM_TRIMESH_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'g', 't');
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_BALL_SOCKET_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'j', 'b');
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_FIXED_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'j', 'f');
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_HINGE_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'j', 'h');
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_HINGE2_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'j', '2');
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_PISTON_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'j', 'p');
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_SLIDER_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'j', 's');
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_UNIVERSAL_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'j', 'u');
//! The PR joint has no named type constant; its letters differ from the other kinds.
const scene::ESCENE_NODE_TYPE RUR_IVA_JOINT_PR_TYPE =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'j', 'p', 'r');
const scene::ESCENE_NODE_TYPE RUR_IVA_MOTOR_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'm', 'o');
const scene::ESCENE_NODE_TYPE RUR_IVA_SERVO_ID = (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 's', 'v');
const scene::ESCENE_NODE_TYPE RUR_IVA_IMPULSE_MOTOR_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'm', 'i');
const scene::ESCENE_NODE_TYPE RUR_IVA_TORQUE_MOTOR_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 't', 'q');
const scene::ESCENE_NODE_TYPE RUR_IVA_AERO_DRAG_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 'a', 'd');
//! Surface parameter sets are no scene nodes; their type shares the space's value.
const scene::ESCENE_NODE_TYPE RUR_IVA_SURFACE_PARAMETERS_ID =
    (scene::ESCENE_NODE_TYPE)rurIvaMakeId('i', 'o', 's', 'p');

const wchar_t* const RUR_IVA_WORLD_NAME = L"CRurIvaWorld";
const wchar_t* const RUR_IVA_SPACE_NAME = L"CRurIvaSpace";
const wchar_t* const RUR_IVA_BODY_NAME = L"CRurIvaBody";
const wchar_t* const RUR_IVA_GEOM_NAME = L"CRurIvaGeom";
const wchar_t* const RUR_IVA_GEOM_BOX_NAME = L"CRurIvaGeomBox";
const wchar_t* const RUR_IVA_GEOM_CAPSULE_NAME = L"CRurIvaGeomCapsule";
const wchar_t* const RUR_IVA_GEOM_CYLINDER_NAME = L"CRurIvaGeomCylinder";
const wchar_t* const RUR_IVA_GEOM_HEIGHTFIELD_NAME = L"CRurIvaGeomHeightfield";
const wchar_t* const RUR_IVA_GEOM_PLANE_NAME = L"CRurIvaGeomPlane";
const wchar_t* const RUR_IVA_GEOM_RAY_NAME = L"CRurIvaGeomRay";
const wchar_t* const RUR_IVA_GEOM_SPHERE_NAME = L"CRurIvaGeomSphere";
const wchar_t* const RUR_IVA_GEOM_TRIMESH_NAME = L"CRurIvaGeomTrimesh";
const wchar_t* const RUR_IVA_JOINT_BALL_SOCKET_NAME = L"CRurIvaJointBallSocket";
const wchar_t* const RUR_IVA_JOINT_FIXED_NAME = L"CRurIvaJointFixed";
const wchar_t* const RUR_IVA_JOINT_HINGE_NAME = L"CRurIvaJointHinge";
const wchar_t* const RUR_IVA_JOINT_HINGE2_NAME = L"CRurIvaJointHinge2";
const wchar_t* const RUR_IVA_JOINT_PISTON_NAME = L"CRurIvaJointPiston";
const wchar_t* const RUR_IVA_JOINT_SLIDER_NAME = L"CRurIvaJointSlider";
const wchar_t* const RUR_IVA_JOINT_UNIVERSAL_NAME = L"CRurIvaJointUniversal";
const wchar_t* const RUR_IVA_JOINT_PR_NAME = L"CRurIvaJointPR";
const wchar_t* const RUR_IVA_MOTOR_NAME = L"CRurIvaMotor";
const wchar_t* const RUR_IVA_SERVO_NAME = L"CRurIvaServo";
const wchar_t* const RUR_IVA_IMPULSE_MOTOR_NAME = L"CRurIvaImpulseMotor";
const wchar_t* const RUR_IVA_TORQUE_MOTOR_NAME = L"CRurIvaTorqueMotor";
const wchar_t* const RUR_IVA_AERO_DRAG_NAME = L"CRurIvaAeroDrag";
const c8* const RUR_IVA_SURFACE_PARAMETER_NAME = "CRurIvaSurfaceParameter";

/**
 * Common base of every physics node. A physics set-up is a subtree of the scene: a world on
 * top, bodies below it, each body's visible nodes below the body and each geometry below the
 * visible node whose shape it takes.
 *
 * Every node has two phases: construction registers it and stores settings; initPhysics
 * creates its dynamics objects through the device. A node is registered with the manager
 * exactly while it sits below a world (a world always is).
 */
class CRurIvaSceneNode : public scene::ISceneNode {
 public:
  CRurIvaSceneNode(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                   const core::vector3df& position = core::vector3df(0, 0, 0),
                   const core::vector3df& rotation = core::vector3df(0, 0, 0),
                   const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));

  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;
  ~CRurIvaSceneNode() override;
  void render() override {}
  const core::aabbox3df& getBoundingBox() const override { return m_cBoundingBox; }
  void addChild(scene::ISceneNode* child) override;
  void remove() override;
  video::SMaterial& getMaterial(u32 num) override;
  u32 getMaterialCount() const override { return 1; }
  void setParent(scene::ISceneNode* newParent) override;

  //! Creates the dynamics objects of the node; returns at once when already done.
  virtual void initPhysics();
  //! The class name as a wide string; also the name the factory creates the node by.
  virtual const wchar_t* getTypeName() = 0;
  //! Destroys the dynamics objects of the node and unregisters it.
  virtual void removeFromPhysics();
  //! Copies this node's parameters into a node of the same class.
  virtual void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true);

  bool physicsInitialized() const { return m_bPhysicsInitialized; }
  //! getID() without the call through the engine's table: asked of every moved body each step.
  s32 nodeId() const { return ID; }
  scene::ISceneNode* getAncestorOfType(scene::ESCENE_NODE_TYPE iType) const;
  void cloneChildren(scene::ISceneNode* pNewParent, scene::ISceneManager* pNewManager);

  scene::ISceneManager* getSceneManager() const override { return m_pSceneManager; }
  scene::ITriangleSelector* getTriangleSelector() const override { return m_pSelector; }

  void setOdeClassname(const core::stringc& sName) { m_sOdeClassName = sName; }
  core::stringc getOdeClassname() const { return m_sOdeClassName; }
  s32 getIdent() const { return m_iIdent; }
  void setIdent(s32 iIdent) { m_iIdent = iIdent; }
  void setUserData(void* pData) { m_pUserData = pData; }
  void* getUserData() const { return m_pUserData; }

  //! Low byte of every character, in one shared buffer that the next call overwrites.
  static const c8* nodeNameToC8(const wchar_t* sName);
  //! Whether a node type is one of the physics layer's node kinds.
  static bool isRurIvaType(scene::ESCENE_NODE_TYPE iType);
  //! Whether pNode is pTop or lies below it.
  static bool isWithin(const scene::ISceneNode* pNode, const scene::ISceneNode* pTop) {
    for (const scene::ISceneNode* p = pNode; p; p = p->getParent())
      if (p == pTop) return true;
    return false;
  }
  //! Releases the creation references of the nearest physics nodes in a freshly cloned subtree
  //! (the engine's nodes let go of theirs when they clone their children; physics nodes do not).
  static void releaseCloneReferences(scene::ISceneNode* pNode);
  //! Whether a node type is one of the joint kinds.
  static bool isRurIvaJointType(scene::ESCENE_NODE_TYPE iType);

  //! Clears the initialised flag; used by the manager when the dynamics library is shut down.
  void resetPhysicsInitialized() { m_bPhysicsInitialized = false; }
  /**
   * The device has discarded every dynamics object (the library was closed or cleared): the
   * node lets go of its handles, which name nothing any more, and counts as not initialised,
   * so that initPhysics builds it anew. Classes that hold handles add theirs.
   */
  virtual void forgetPhysics() { m_bPhysicsInitialized = false; }

 protected:
  /**
   * Brings the absolute transformations of every ancestor and then of this node up to date.
   * The engine refreshes them only when it draws, so a set-up built and started in code
   * before the first frame would otherwise be placed with stale parent transformations.
   */
  void updateAbsoluteChain();
  //! Re-sets the flag without the progress report (used by nodes that tear down and rebuild).
  void setPhysicsInitialized(bool b) { m_bPhysicsInitialized = b; }
  //! The device's handle checks make stale handles harmless; this keeps readers short.
  IRurIvaDevice* device() const { return m_pOdeDevice; }
  /**
   * Reads a number or a vector of a scene file into the value when the file holds the key. A
   * value that is not finite (the engine reads "1e39" as infinity) would abort the dynamics
   * library or spread into every body it touches: it is refused with one line naming the node
   * and the key, and the value stays as it was. True when the value was taken.
   */
  bool readFinite(io::IAttributes* in, const c8* sKey, f32& fValue);
  bool readFinite(io::IAttributes* in, const c8* sKey, core::vector3df& cValue);
  //! The one line of a refused value.
  void reportNotFinite(const c8* sKey);

  core::aabbox3df m_cBoundingBox;
  scene::ISceneManager* m_pSceneManager;
  video::IVideoDriver* m_pDriver;
  bool m_bPhysicsInitialized;
  core::stringc m_sOdeClassName;
  s32 m_iIdent;
  CRurIvaManager* m_pOdeManager;
  IRurIvaDevice* m_pOdeDevice;
  video::SMaterial m_cMat;
  scene::ITriangleSelector* m_pSelector;
  void* m_pUserData;
};

}  // namespace ode
}  // namespace irr

#endif
