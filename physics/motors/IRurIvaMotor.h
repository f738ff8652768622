#ifndef I_RUR_IVA_MOTOR_H
#define I_RUR_IVA_MOTOR_H

#include "CRurIvaSceneNode.h"

namespace irr {
namespace ode {

class CRurIvaBody;
class CRurIvaJoint;

/**
 * A joint motor (a motor or a servo): a node that drives one axis of a joint through the
 * joint's parameters. It registers with the nearest body above it, learns its joint by
 * setJoint (or from a joint it is a child of), and always sits at its parent's origin.
 */
class IRurIvaMotor : public CRurIvaSceneNode {
 public:
  IRurIvaMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
               const core::vector3df& position = core::vector3df(0, 0, 0),
               const core::vector3df& rotation = core::vector3df(0, 0, 0),
               const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~IRurIvaMotor() override;

  void OnRegisterSceneNode() override;
  void render() override {}
  s32 getID() const override { return ID; }
  //! The argument is ignored: a motor stays at its parent's origin.
  void setPosition(const core::vector3df& newpos) override;

  //! The joint driven; the joint tells the motor when it goes.
  void setJoint(CRurIvaJoint* pJoint);
  CRurIvaJoint* getJoint() const { return m_pJoint; }
  //! The joint's parameter group (axis) that is driven.
  void setAxis(s32 iAxis) { m_iAxis = iAxis; }
  s32 getAxis() const { return m_iAxis; }

  //! Called by the body that lists this motor when that body is destroyed.
  void detachBody(CRurIvaBody* pBody) {
    if (m_pBody == pBody) m_pBody = 0;
  }

 protected:
  //! A motor beside its joint (not its child) is named in scene files by the joint's place in
  //! the body's joint list: written and read as "JointIndex", found again at initialisation.
  void writeJointIndex(io::IAttributes* out) const;
  void readJointIndex(io::IAttributes* in);
  void resolveJoint();

  //! The body whose motor list holds this node (the nearest body above it at construction).
  CRurIvaBody* m_pBody;
  CRurIvaJoint* m_pJoint;
  s32 m_iAxis;
  //! The joint's place in the body's joint list, as read from a scene file, until resolved.
  s32 m_iJointIndex;
};

}  // namespace ode
}  // namespace irr

#endif
