#ifndef C_RUR_IVA_DAMPABLE_H
#define C_RUR_IVA_DAMPABLE_H

#include "CRurIvaSceneNode.h"

namespace irr {
namespace ode {

/**
 * Damping and auto-disable settings shared by worlds (as defaults) and bodies. A node can name
 * its set ("paramName") and either define it or take it from the node that defines it
 * ("useDefined"), so that a scene file spells the values out once.
 */
class CRurIvaDampable : public CRurIvaSceneNode {
 public:
  CRurIvaDampable(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                  const core::vector3df& position = core::vector3df(0, 0, 0),
                  const core::vector3df& rotation = core::vector3df(0, 0, 0),
                  const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));

  virtual void setLinearDamping(f32 fScale) = 0;
  virtual f32 getLinearDamping() = 0;
  virtual void setAngularDamping(f32 fScale) = 0;
  virtual f32 getAngularDamping() = 0;
  virtual void setLinearDampingThreshold(f32 fThreshold) = 0;
  virtual f32 getLinearDampingThreshold() = 0;
  virtual void setAngularDampingThreshold(f32 fThreshold) = 0;
  virtual f32 getAngularDampingThreshold() = 0;
  virtual void setMaxAngularSpeed(f32 fMaxSpeed) = 0;
  virtual f32 getMaxAngularSpeed() = 0;
  virtual void setAutoDisableFlag(s32 iFlag) = 0;
  virtual s32 getAutoDisableFlag() = 0;
  virtual void setAutoDisableLinearThreshold(f32 fThreshold) = 0;
  virtual f32 getAutoDisableLinearThreshold() = 0;
  virtual void setAutoDisableAngularThreshold(f32 fThreshold) = 0;
  virtual f32 getAutoDisableAngularThreshold() = 0;
  virtual void setAutoDisableSteps(s32 iSteps) = 0;
  virtual s32 getAutoDisableSteps() = 0;
  virtual void setAutoDisableTime(f32 fTime) = 0;
  virtual f32 getAutoDisableTime() = 0;

  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  // The name of the set this node defines or uses, and whether it uses another node's values.
  const core::stringw& getParamName() const { return m_sParamName; }
  void setParamName(const wchar_t* sName) { m_sParamName = sName ? sName : L""; }
  bool doesUseDefined() const { return m_bUseDefined; }
  void setUseDefined(bool b) { m_bUseDefined = b; }

 protected:
  //! The node that defines this node's named set, if that is another node.
  CRurIvaDampable* getDefiningNode() const;

  core::stringw m_sParamName;
  f32 m_fLinearDampingThreshold;
  f32 m_fAngularDampingThreshold;
  f32 m_fAutoDisableLinearThreshold;
  f32 m_fAutoDisableAngularThreshold;
  f32 m_fAutoDisableTime;
  f32 m_fMaxAngularSpeed;
  s32 m_iAutoDisableSteps;
  s32 m_iAutoDisableFlag;
  bool m_bUseDefined;
  // The dampings come last: every step's report of a moved body reads them, and here they share
  // a cache line with the state of the body that the report reads next to them.
  f32 m_fLinearDamping;
  f32 m_fAngularDamping;
};

}  // namespace ode
}  // namespace irr

#endif
