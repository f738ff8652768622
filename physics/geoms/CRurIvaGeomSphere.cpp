#include "CRurIvaGeomSphere.h"

#include "CRurIvaBody.h"

namespace irr {
namespace ode {

CRurIvaGeomSphere::CRurIvaGeomSphere(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                     const core::vector3df& position, const core::vector3df& rotation,
                                     const core::vector3df& scale)
    : CRurIvaGeom(parent, mgr, id, position, rotation, scale), m_fRadius(0.0f) {
  m_fMass = 1.0f;
}

CRurIvaGeomSphere::~CRurIvaGeomSphere() {}

scene::ISceneNode* CRurIvaGeomSphere::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  return cloneGeom(this, newParent, newManager);
}

void CRurIvaGeomSphere::OnRegisterSceneNode() { CRurIvaGeom::OnRegisterSceneNode(); }

void CRurIvaGeomSphere::initPhysics() {
  if (m_bPhysicsInitialized) return;
  // The whole chain: a stale parent transformation would misplace a static geometry.
  updateAbsoluteChain();
  m_pSpace = findSpace();

  if (m_fRadius == 0.0f) {
    core::aabbox3df cBox(0, 0, 0, 0, 0, 0);
    core::vector3df cScale(1.0f, 1.0f, 1.0f);
    if (getParentMeshBox(cBox, cScale)) m_fRadius = cBox.getExtent().X * cScale.X * 0.5f;
  }

  finishPrimitive([this](u32 iSpace) { return m_pOdeDevice->geomCreateSphere(iSpace, m_fRadius); },
                  [this]() { m_pOdeDevice->massSetSphereTotal(m_iMass, m_fMass, m_fRadius); }, false);
}

void CRurIvaGeomSphere::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaGeom::copyParams(pDest, true);
  static_cast<CRurIvaGeomSphere*>(pDest)->setRadius(m_fRadius);
}

void CRurIvaGeomSphere::serializeAttributes(io::IAttributes* out,
                                            io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaGeom::serializeAttributes(out, options);
  out->addFloat("Radius", m_fRadius);
}

void CRurIvaGeomSphere::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaGeom::deserializeAttributes(in, options);
  readFinite(in, "Radius", m_fRadius);
}

}  // namespace ode
}  // namespace irr
