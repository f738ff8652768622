#ifndef C_RUR_IVA_JOINT_FIXED_H
#define C_RUR_IVA_JOINT_FIXED_H

#include "CRurIvaJoint.h"

namespace irr {
namespace ode {

//! Keeps the two bodies (or body 1 and the static environment) in their pose at creation.
class CRurIvaJointFixed : public CRurIvaJoint {
 public:
  CRurIvaJointFixed(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                    const core::vector3df& position = core::vector3df(0, 0, 0),
                    const core::vector3df& rotation = core::vector3df(0, 0, 0),
                    const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaJointFixed() override;

  s32 getID() const override { return ID; }
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_JOINT_FIXED_ID; }
  const wchar_t* getTypeName() override { return RUR_IVA_JOINT_FIXED_NAME; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void OnRegisterSceneNode() override;
  void render() override {}
  void initPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  u16 numParamGroups() const override { return 0; }
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;
};

}  // namespace ode
}  // namespace irr

#endif
