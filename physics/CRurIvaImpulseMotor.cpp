#include "CRurIvaImpulseMotor.h"

#include "CRurIvaBody.h"

namespace irr {
namespace ode {

CRurIvaImpulseMotor::CRurIvaImpulseMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                         const core::vector3df& position, const core::vector3df& rotation,
                                         const core::vector3df& scale)
    : IRurIvaStepMotor(parent, mgr, id, position, rotation, scale), m_cForeward(1.0f, 0.0f, 0.0f) {}

CRurIvaImpulseMotor::~CRurIvaImpulseMotor() {}

scene::ISceneNode* CRurIvaImpulseMotor::clone(scene::ISceneNode* newParent,
                                              scene::ISceneManager* newManager) {
  scene::ISceneNode* pParent = newParent ? newParent : Parent;
  scene::ISceneManager* pManager = newManager ? newManager : m_pSceneManager;
  CRurIvaImpulseMotor* pClone = new CRurIvaImpulseMotor(pParent, pManager, -1);
  pClone->setName(getName());
  if (pClone->m_pBody) {
    pClone->m_pBody->removeStepMotor(pClone);
    // Until initPhysics finds the body again, only a body given as the new parent counts.
    pClone->m_pBody =
        (newParent && newParent->getType() == RUR_IVA_BODY_ID) ? static_cast<CRurIvaBody*>(newParent) : 0;
  }
  pClone->m_cForeward = m_cForeward;
  pClone->setPower(m_fPower);
  pClone->setMaxPower(m_fMaxPower);
  pClone->setIsActive(m_bActive);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaImpulseMotor::step() {
  if (!m_pBody || !m_pBody->physicsInitialized() || !m_bActive) return;
  m_pBody->addForce(m_pBody->getRotation().rotationToDirection(m_cForeward * m_fMaxPower * m_fPower));
}

void CRurIvaImpulseMotor::serializeAttributes(io::IAttributes* out,
                                              io::SAttributeReadWriteOptions* options) const {
  IRurIvaStepMotor::serializeAttributes(out, options);
  out->addVector3d("foreward", m_cForeward);
}

void CRurIvaImpulseMotor::deserializeAttributes(io::IAttributes* in,
                                                io::SAttributeReadWriteOptions* options) {
  IRurIvaStepMotor::deserializeAttributes(in, options);
  m_cForeward = in->getAttributeAsVector3d("foreward");
}

}  // namespace ode
}  // namespace irr
