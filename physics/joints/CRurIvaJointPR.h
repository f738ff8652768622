#ifndef C_RUR_IVA_JOINT_PR_H
#define C_RUR_IVA_JOINT_PR_H

#include "CRurIvaJoint.h"

namespace irr {
namespace ode {

/**
 * Prismatic-rotoide joint: body 2 slides along axis 1 and turns about axis 2. Parameters (and
 * so motors and servos) of group 0 act on the sliding axis, those of group 1 on the turning one.
 */
class CRurIvaJointPR : public CRurIvaJoint {
 public:
  CRurIvaJointPR(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                 const core::vector3df& position = core::vector3df(0, 0, 0),
                 const core::vector3df& rotation = core::vector3df(0, 0, 0),
                 const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaJointPR() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_JOINT_PR_TYPE; }
  const wchar_t* getTypeName() override { return RUR_IVA_JOINT_PR_NAME; }
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

  void setPrAxis1(core::vector3df cAxis);
  void setPrAxis2(core::vector3df cAxis);
  core::vector3df getPrAxis1();
  core::vector3df getPrAxis2();
  f32 getPrPosition();
  f32 getPrAngle();
  f32 getPrAngleRate();

 private:
  core::vector3df m_cAxis1;
  core::vector3df m_cAxis2;
};

}  // namespace ode
}  // namespace irr

#endif
