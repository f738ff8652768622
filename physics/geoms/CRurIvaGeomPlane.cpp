#include "CRurIvaGeomPlane.h"

namespace irr {
namespace ode {

// Without parameters a plane is the ground y = 0, facing up.
CRurIvaGeomPlane::CRurIvaGeomPlane(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                   const core::vector3df& position, const core::vector3df& rotation,
                                   const core::vector3df& scale)
    : CRurIvaGeom(parent, mgr, id, position, rotation, scale),
      m_fA(0.0f),
      m_fB(1.0f),
      m_fC(0.0f),
      m_fD(0.0f) {
  m_fMass = 0.0f;
}

CRurIvaGeomPlane::~CRurIvaGeomPlane() {}

scene::ISceneNode* CRurIvaGeomPlane::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  return cloneGeom(this, newParent, newManager);
}

void CRurIvaGeomPlane::OnRegisterSceneNode() { CRurIvaGeom::OnRegisterSceneNode(); }

void CRurIvaGeomPlane::setParams(f32 a, f32 b, f32 c, f32 d) {
  m_fA = a;
  m_fB = b;
  m_fC = c;
  m_fD = d;
}

void CRurIvaGeomPlane::initPhysics() {
  // A second initialisation would leave the first plane behind in the space.
  if (m_bPhysicsInitialized) return;
  m_pSpace = findSpace();
  m_iGeomId = m_pOdeDevice->geomCreatePlane(spaceId(), m_fA, m_fB, m_fC, m_fD);
  m_pOdeDevice->geomSetData(m_iGeomId, this);
  updateAbsolutePosition();
  CRurIvaGeom::initPhysics();
}

void CRurIvaGeomPlane::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaGeom::copyParams(pDest, true);
  static_cast<CRurIvaGeomPlane*>(pDest)->setParams(m_fA, m_fB, m_fC, m_fD);
}

void CRurIvaGeomPlane::serializeAttributes(io::IAttributes* out,
                                           io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaGeom::serializeAttributes(out, options);
  out->addFloat("paramA", m_fA);
  out->addFloat("paramB", m_fB);
  out->addFloat("paramC", m_fC);
  out->addFloat("paramD", m_fD);
}

void CRurIvaGeomPlane::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaGeom::deserializeAttributes(in, options);
  readFinite(in, "paramA", m_fA);
  readFinite(in, "paramB", m_fB);
  readFinite(in, "paramC", m_fC);
  readFinite(in, "paramD", m_fD);
}

}  // namespace ode
}  // namespace irr
