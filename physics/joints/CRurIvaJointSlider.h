#ifndef C_RUR_IVA_JOINT_SLIDER_H
#define C_RUR_IVA_JOINT_SLIDER_H

#include "CRurIvaJoint.h"

namespace irr {
namespace ode {

/**
 * Lets body 2 slide against body 1 along one axis without turning. A zero axis is derived at
 * initialisation from the positions of the two bodies (the joint node stands in for a missing
 * body).
 */
class CRurIvaJointSlider : public CRurIvaJoint {
 public:
  CRurIvaJointSlider(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                     const core::vector3df& position = core::vector3df(0, 0, 0),
                     const core::vector3df& rotation = core::vector3df(0, 0, 0),
                     const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaJointSlider() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_JOINT_SLIDER_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_JOINT_SLIDER_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  void render() override {}
  void initPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  u16 numParamGroups() const override { return 1; }
  f32 getParameter(u16 iAxis, eJointParameter iParam) override;
  void setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  //! Stores the axis as it is; an existing joint gets it at once, in world space as given.
  void setAxis(core::vector3df cAxis);
  core::vector3df getAxis();
  f32 getSliderPosition();
  f32 getSliderPositionRate();

 private:
  core::vector3df m_cAxis;
};

}  // namespace ode
}  // namespace irr

#endif
