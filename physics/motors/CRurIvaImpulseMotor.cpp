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
  CRurIvaImpulseMotor* pClone = createClone<CRurIvaImpulseMotor>(newParent, newManager);
  pClone->m_cForeward = m_cForeward;
  finishClone(pClone, newManager);
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
  readFinite(in, "foreward", m_cForeward);
}

}  // namespace ode
}  // namespace irr
