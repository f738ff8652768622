#include "CRurIvaDampable.h"

#include "CRurIvaManager.h"

namespace irr {
namespace ode {

CRurIvaDampable::CRurIvaDampable(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                 const core::vector3df& position, const core::vector3df& rotation,
                                 const core::vector3df& scale)
    : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale),
      m_fLinearDampingThreshold(0.01f),
      m_fAngularDampingThreshold(0.01f),
      m_fAutoDisableLinearThreshold(0.01f),
      m_fAutoDisableAngularThreshold(0.01f),
      m_fAutoDisableTime(0.0f),
      m_fMaxAngularSpeed(0.0f),
      m_iAutoDisableSteps(10),
      m_iAutoDisableFlag(0),
      m_bUseDefined(false),
      m_fLinearDamping(0.0f),
      m_fAngularDamping(0.0f) {}

CRurIvaDampable* CRurIvaDampable::getDefiningNode() const {
  CRurIvaDampable* pDefiner = m_pOdeManager->getDampableWithParamName(m_sParamName.c_str());
  return pDefiner == this ? 0 : pDefiner;
}

void CRurIvaDampable::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaSceneNode::copyParams(pDest, true);
  CRurIvaDampable* pDst = static_cast<CRurIvaDampable*>(pDest);
  pDst->setLinearDamping(getLinearDamping());
  pDst->setAngularDamping(getAngularDamping());
  pDst->setLinearDampingThreshold(getLinearDampingThreshold());
  pDst->setAngularDampingThreshold(getAngularDampingThreshold());
  pDst->setAutoDisableLinearThreshold(getAutoDisableLinearThreshold());
  pDst->setAutoDisableAngularThreshold(getAutoDisableAngularThreshold());
  pDst->setAutoDisableTime(getAutoDisableTime());
  pDst->setAutoDisableSteps(getAutoDisableSteps());
  pDst->setAutoDisableFlag(getAutoDisableFlag());
  pDst->setMaxAngularSpeed(getMaxAngularSpeed());
}

void CRurIvaDampable::serializeAttributes(io::IAttributes* out,
                                          io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaSceneNode::serializeAttributes(out, options);
  out->addString("paramName", nodeNameToC8(m_sParamName.c_str()));
  out->addBool("useDefined", m_bUseDefined);

  // A user of a named set writes only the name: the values belong to the defining node.
  if (m_bUseDefined && getDefiningNode()) return;

  out->addInt("AutoDisableSteps", m_iAutoDisableSteps);
  out->addInt("AutoDisableFlag", m_iAutoDisableFlag);
  out->addFloat("LinearDamping", m_fLinearDamping);
  out->addFloat("AngularDamping", m_fAngularDamping);
  out->addFloat("LinearDampingThreshold", m_fLinearDampingThreshold);
  out->addFloat("AngularDampingThreshold", m_fAngularDampingThreshold);
  out->addFloat("AutoDisableLinearThreshold", m_fAutoDisableLinearThreshold);
  out->addFloat("AutoDisableAngularThreshold", m_fAutoDisableAngularThreshold);
  out->addFloat("AutoDisableTime", m_fAutoDisableTime);
  out->addFloat("MaxAngularSpeed", m_fMaxAngularSpeed);
}

void CRurIvaDampable::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaSceneNode::deserializeAttributes(in, options);
  m_sParamName = core::stringw(in->getAttributeAsString("paramName").c_str());
  m_bUseDefined = in->getAttributeAsBool("useDefined");

  if (m_bUseDefined) {
    if (CRurIvaDampable* pDefiner = getDefiningNode()) {
      m_iAutoDisableSteps = pDefiner->getAutoDisableSteps();
      m_iAutoDisableFlag = pDefiner->getAutoDisableFlag();
      m_fLinearDamping = pDefiner->getLinearDamping();
      m_fAngularDamping = pDefiner->getAngularDamping();
      m_fLinearDampingThreshold = pDefiner->getLinearDampingThreshold();
      m_fAngularDampingThreshold = pDefiner->getAngularDampingThreshold();
      m_fAutoDisableLinearThreshold = pDefiner->getAutoDisableLinearThreshold();
      m_fAutoDisableAngularThreshold = pDefiner->getAutoDisableAngularThreshold();
      m_fAutoDisableTime = pDefiner->getAutoDisableTime();
      m_fMaxAngularSpeed = pDefiner->getMaxAngularSpeed();
      return;
    }
  }

  // A key the file does not hold keeps the node's value (a hand-written file that names only
  // the damping must not switch auto-disable to 0 steps and 0 thresholds).
  if (in->existsAttribute("AutoDisableSteps"))
    m_iAutoDisableSteps = in->getAttributeAsInt("AutoDisableSteps");
  if (in->existsAttribute("AutoDisableFlag")) m_iAutoDisableFlag = in->getAttributeAsInt("AutoDisableFlag");
  readFinite(in, "LinearDamping", m_fLinearDamping);
  readFinite(in, "AngularDamping", m_fAngularDamping);
  readFinite(in, "LinearDampingThreshold", m_fLinearDampingThreshold);
  readFinite(in, "AngularDampingThreshold", m_fAngularDampingThreshold);
  readFinite(in, "AutoDisableLinearThreshold", m_fAutoDisableLinearThreshold);
  readFinite(in, "AutoDisableAngularThreshold", m_fAutoDisableAngularThreshold);
  readFinite(in, "AutoDisableTime", m_fAutoDisableTime);
  readFinite(in, "MaxAngularSpeed", m_fMaxAngularSpeed);
}

}  // namespace ode
}  // namespace irr
