#ifndef C_RUR_IVA_JOINT_HINGE2_H
#define C_RUR_IVA_JOINT_HINGE2_H

#include "CRurIvaJoint.h"

namespace irr {
namespace ode {

/**
 * The wheel joint: body 2 spins about axis 2, which is steered about axis 1; the suspension
 * works along axis 1. Parameters are kept for axis 1 (group 0) and axis 2 (group 1). Needs two
 * bodies and two axes that are not parallel; otherwise it is not created.
 */
class CRurIvaJointHinge2 : public CRurIvaJoint {
 public:
  CRurIvaJointHinge2(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                     const core::vector3df& position = core::vector3df(0, 0, 0),
                     const core::vector3df& rotation = core::vector3df(0, 0, 0),
                     const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaJointHinge2() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_JOINT_HINGE2_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_JOINT_HINGE2_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  void render() override {}
  void initPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  u16 numParamGroups() const override { return 2; }
  f32 getParameter(u16 iAxis, eJointParameter iParam) override;
  void setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  void setHingeAxis1(core::vector3df cAxis);
  void setHingeAxis2(core::vector3df cAxis);
  core::vector3df getHingeAxis1();
  core::vector3df getHingeAxis2();
  core::vector3df getAnchor1();
  core::vector3df getAnchor2();
  f32 getHingeAngle1();
  f32 getHingeAngle1Rate();
  f32 getHingeAngle2Rate();

 private:
  core::vector3df m_cAxis1;
  core::vector3df m_cAxis2;
  core::vector3df m_cAnchor1;
  core::vector3df m_cAnchor2;
};

}  // namespace ode
}  // namespace irr

#endif
