#ifndef C_RUR_IVA_JOINT_HINGE_H
#define C_RUR_IVA_JOINT_HINGE_H

#include "CRurIvaJoint.h"

namespace irr {
namespace ode {

/**
 * Lets body 2 turn against body 1 about one axis. The joint node sits where the hinge should
 * be: its absolute position is the anchor, and its absolute rotation turns the axis, given in
 * the node's own frame, into world space.
 */
class CRurIvaJointHinge : public CRurIvaJoint {
 public:
  CRurIvaJointHinge(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                    const core::vector3df& position = core::vector3df(0, 0, 0),
                    const core::vector3df& rotation = core::vector3df(0, 0, 0),
                    const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaJointHinge() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_JOINT_HINGE_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_JOINT_HINGE_NAME; }
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

  //! Stores the axis normalised (a zero axis as it is); it takes effect at initialisation.
  void setHingeAxis(core::vector3df cAxis);
  //! The world-space axis of the joint once it exists (and stores it), else the stored axis.
  core::vector3df getHingeAxis();
  core::vector3df getAnchor1();
  core::vector3df getAnchor2();
  f32 getHingeAngle();
  f32 getHingeAngleRate();

 private:
  core::vector3df m_cAxis;
  core::vector3df m_cAnchor1;
  core::vector3df m_cAnchor2;
};

}  // namespace ode
}  // namespace irr

#endif
