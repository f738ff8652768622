#ifndef C_RUR_IVA_JOINT_H
#define C_RUR_IVA_JOINT_H

#include "CRurIvaSceneNode.h"

namespace irr {
namespace ode {

class CRurIvaBody;
class CRurIvaWorld;
class IRurIvaMotor;

/**
 * Base of every joint node. Body 1 is the joint's parent (when that is a body), body 2 a body
 * among the joint's children; without a body child the joint holds body 1 to the static
 * environment. Motors and servos among the children are bound to the joint.
 *
 * The joint parameters (stops, motor velocity and force, softness) are kept per axis on the
 * node, so they can be set before the joint exists, written to scene files, and replayed to
 * the dynamics library when the joint is created.
 */
class CRurIvaJoint : public CRurIvaSceneNode {
 public:
  enum eJointParameter {
    eHiStop = 0,
    eLoStop,
    eVelocity,
    eMaxForce,
    eFudge,
    eBounce,
    eCFM,
    eStopERP,
    eStopCFM,
    eSuspensionERP,
    eSuspensionCFM,
    eParamCount
  };
  static const u16 eAxisCount = 3;

  CRurIvaJoint(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
               const core::vector3df& position = core::vector3df(0, 0, 0),
               const core::vector3df& rotation = core::vector3df(0, 0, 0),
               const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaJoint() override;

  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;
  //! Moves the node and updates its absolute transform at once, so the anchor read at
  //! initialisation is current.
  void setPosition(const core::vector3df& newpos) override;
  void initPhysics() override;
  void removeFromPhysics() override;
  void forgetPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;

  //! Number of axes that carry parameters (0, 1 or 2).
  virtual u16 numParamGroups() const = 0;
  //! The dynamics library's current value; 0 without a joint.
  virtual f32 getParameter(u16 iAxis, eJointParameter iParam);
  //! Stores the value (and, in concrete joints, passes it on once the joint exists).
  virtual void setParameter(u16 iAxis, eJointParameter iParam, f32 fValue);

  u32 getJointId() const { return m_iJointId; }
  CRurIvaBody* getBody1() const { return m_pBody1; }
  CRurIvaBody* getBody2() const { return m_pBody2; }
  void setBody1(CRurIvaBody* pBody);
  void setBody2(CRurIvaBody* pBody);
  //! Called by a body that is being destroyed, so that the joint never links it again.
  void forgetBody(CRurIvaBody* pBody) {
    if (m_pBody1 == pBody) m_pBody1 = 0;
    if (m_pBody2 == pBody) m_pBody2 = 0;
  }
  CRurIvaWorld* getWorld() const { return m_pWorld; }
  //! The motors and servos that drive this joint (see IRurIvaMotor::setJoint): they are told when
  //! the joint goes.
  void addDrivingMotor(IRurIvaMotor* pMotor);
  void removeDrivingMotor(IRurIvaMotor* pMotor);

  //! The stored value and whether it was ever set.
  f32 getStoredParameter(u16 iAxis, eJointParameter iParam) const;
  bool isParameterSet(u16 iAxis, eJointParameter iParam) const;

  //! Wakes both bodies, so that resting bodies react to changed motor settings.
  void activateBodies();
  //! Finds body 2 and binds motors and servos among the children (only while body 2 is unset).
  void initLinkedObjects();

 protected:
  //! Replays every stored parameter of one axis in enumeration order.
  void replayParameters(u16 iAxis);
  //! The node's absolute rotation as a matrix that turns node-frame axes into world space.
  core::matrix4 worldRotation() const;
  //! An axis in the node's frame turned into world space (not normalised again).
  core::vector3df toWorldAxis(const core::vector3df& cAxis) const {
    core::vector3df cOut;
    worldRotation().rotateVect(cOut, cAxis);
    return cOut;
  }
  //! Whether the dynamics world exists; prints one line naming the joint when it does not.
  bool canCreate() const;
  //! Whether every body the joint knows has its dynamics body; a body without one would
  //! silently be taken for the static environment. Prints one line when not.
  bool bodiesReady() const;
  /**
   * The common part of every joint's creation, before anything reaches the device: brings the
   * absolute transform up to date, finds a world the constructor could not see yet, takes the
   * parent as body 1 when it is a body, and checks world and bodies. False means: do not create.
   */
  bool prepareCreation();
  //! Prints the one line that says why the joint was not created.
  void reportNotCreated(const c8* sReason) const;
  //! Whether the joint's dynamics world still exists (and with it the joint's dynamics object).
  bool worldAlive() const;
  //! The axis scaled to length 1; an axis of (nearly) no length is returned as it is.
  static core::vector3df normalisedAxis(core::vector3df cAxis) {
    const f32 fLengthSQ = cAxis.getLengthSQ();
    if (fLengthSQ > -1e-8f && fLengthSQ < 1e-8f) return cAxis;
    return cAxis / core::squareroot(fLengthSQ);
  }
  //! A slider or piston axis left at zero: every component within 0.000001 of 0.
  static bool isAbsentAxis(const core::vector3df& cAxis) {
    return core::equals(cAxis.X, 0.0f, 0.000001f) && core::equals(cAxis.Y, 0.0f, 0.000001f) &&
           core::equals(cAxis.Z, 0.0f, 0.000001f);
  }
  //! Body 1's position minus body 2's; the joint node stands in for a missing body.
  core::vector3df derivedAxis() const;
  //! Registers for the automatic pass (drawing nothing) and lets the children register.
  void registerWithChildren();
  //! An axis this short has no direction the dynamics library could normalise.
  static bool isZeroAxis(const core::vector3df& cAxis) { return cAxis.getLengthSQ() <= 1e-12f; }
  static u32 paramIndex(u16 iAxis, eJointParameter iParam) { return iParam * eAxisCount + iAxis; }
  static bool inTable(u16 iAxis, eJointParameter iParam) {
    return iAxis < eAxisCount && static_cast<u32>(iParam) < static_cast<u32>(eParamCount);
  }

  u32 m_iJointId;
  CRurIvaBody* m_pBody1;
  CRurIvaBody* m_pBody2;
  CRurIvaWorld* m_pWorld;
  f32 m_aParamValues[eParamCount * eAxisCount];
  bool m_aParamSet[eParamCount * eAxisCount];
  //! Why the last attempt did not create the joint (null once it was created): every body of
  //! the joint tries, and the same cause is told only once.
  mutable const c8* m_sNotCreated;
  core::list<IRurIvaMotor*> m_lDrivingMotors;
};

//! Display names of the joint parameters, in enumeration order; also the scene file keys.
extern const wchar_t* const RUR_IVA_PARAM_NAMES[CRurIvaJoint::eParamCount];

}  // namespace ode
}  // namespace irr

#endif
