#include "IRurIvaStepMotor.h"

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"

namespace irr {
namespace ode {

IRurIvaStepMotor::IRurIvaStepMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                   const core::vector3df& position, const core::vector3df& rotation,
                                   const core::vector3df& scale)
    : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale),
      m_pBody(static_cast<CRurIvaBody*>(getAncestorOfType(RUR_IVA_BODY_ID))),
      m_fPower(0.0f),
      m_fMaxPower(0.0f),
      m_bActive(false),
      m_pListedBy(0) {
  listWith(m_pBody);
  // Only motors inside a world are stepped.
  if (getAncestorOfType(RUR_IVA_WORLD_ID)) CRurIvaManager::getSharedInstance()->addStepMotor(this);
}

IRurIvaStepMotor::~IRurIvaStepMotor() {
  // A body that died first has told this motor (detachBody); a living one must forget it.
  listWith(0);
  CRurIvaManager::getSharedInstance()->removeStepMotor(this);
}

void IRurIvaStepMotor::listWith(CRurIvaBody* pBody) {
  if (m_pListedBy == pBody) return;
  if (m_pListedBy) m_pListedBy->removeStepMotor(this);
  m_pListedBy = pBody;
  if (pBody) pBody->addStepMotor(this);
}

void IRurIvaStepMotor::initPhysics() {
  if (m_bPhysicsInitialized) return;
  CRurIvaSceneNode::initPhysics();
  // A step motor acts only on the body it hangs from directly; that body lists it.
  m_pBody = (Parent && Parent->getType() == RUR_IVA_BODY_ID) ? static_cast<CRurIvaBody*>(Parent) : 0;
  if (m_pBody) listWith(m_pBody);
}

void IRurIvaStepMotor::removeFromPhysics() {
  m_pBody = 0;
  CRurIvaManager::getSharedInstance()->removeStepMotor(this);
  CRurIvaSceneNode::removeFromPhysics();
}

void IRurIvaStepMotor::serializeAttributes(io::IAttributes* out,
                                           io::SAttributeReadWriteOptions* options) const {
  CRurIvaSceneNode::serializeAttributes(out, options);
  out->addBool("active", m_bActive);
  out->addFloat("max_power", m_fMaxPower);
  out->addFloat("power", m_fPower);
}

void IRurIvaStepMotor::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaSceneNode::deserializeAttributes(in, options);
  m_bActive = in->getAttributeAsBool("active");
  readFinite(in, "max_power", m_fMaxPower);
  readFinite(in, "power", m_fPower);
}

void IRurIvaStepMotor::prepareClone(IRurIvaStepMotor* pClone, scene::ISceneNode* newParent) const {
  pClone->setName(getName());
  if (!pClone->m_pBody) return;
  pClone->m_pBody =
      (newParent && newParent->getType() == RUR_IVA_BODY_ID) ? static_cast<CRurIvaBody*>(newParent) : 0;
  pClone->listWith(pClone->m_pBody);
}

void IRurIvaStepMotor::finishClone(IRurIvaStepMotor* pClone, scene::ISceneManager* newManager) {
  pClone->setPower(m_fPower);
  pClone->setMaxPower(m_fMaxPower);
  pClone->setIsActive(m_bActive);
  cloneChildren(pClone, newManager);
}

}  // namespace ode
}  // namespace irr
