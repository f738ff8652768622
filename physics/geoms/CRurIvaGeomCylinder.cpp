#include "CRurIvaGeomCylinder.h"

#include "CRurIvaBody.h"

namespace irr {
namespace ode {

namespace {
//! The long axis, along which the length is measured, is Z.
const int kLongAxisZ = 3;
}  // namespace

CRurIvaGeomCylinder::CRurIvaGeomCylinder(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                         const core::vector3df& position, const core::vector3df& rotation,
                                         const core::vector3df& scale)
    : CRurIvaGeom(parent, mgr, id, position, rotation, scale), m_fRadius(0.0f), m_fLength(0.0f) {
  m_fMass = 1.0f;
}

CRurIvaGeomCylinder::~CRurIvaGeomCylinder() {}

scene::ISceneNode* CRurIvaGeomCylinder::clone(scene::ISceneNode* newParent,
                                              scene::ISceneManager* newManager) {
  return cloneGeom(this, newParent, newManager);
}

void CRurIvaGeomCylinder::OnRegisterSceneNode() { CRurIvaGeom::OnRegisterSceneNode(); }

void CRurIvaGeomCylinder::initPhysics() {
  if (m_bPhysicsInitialized) return;
  // The whole chain: a stale parent transformation would misplace a static geometry.
  updateAbsoluteChain();
  m_pSpace = findSpace();

  if (m_fRadius == 0.0f && m_fLength == 0.0f) {
    core::aabbox3df cBox(0, 0, 0, 0, 0, 0);
    core::vector3df cScale(1.0f, 1.0f, 1.0f);
    if (getParentMeshBox(cBox, cScale)) {
      m_fRadius = cBox.getExtent().X * cScale.X;
      m_fLength = cBox.getExtent().Z * cScale.Z;
    }
  }

  finishPrimitive(
      [this](u32 iSpace) { return m_pOdeDevice->geomCreateCylinder(iSpace, m_fRadius, m_fLength); },
      [this]() { m_pOdeDevice->massSetCylinderTotal(m_iMass, m_fMass, kLongAxisZ, m_fRadius, m_fLength); },
      false);
}

void CRurIvaGeomCylinder::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaGeom::copyParams(pDest, true);
  CRurIvaGeomCylinder* pDst = static_cast<CRurIvaGeomCylinder*>(pDest);
  pDst->setRadius(m_fRadius);
  pDst->setLength(m_fLength);
}

void CRurIvaGeomCylinder::serializeAttributes(io::IAttributes* out,
                                              io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaGeom::serializeAttributes(out, options);
  out->addFloat("Radius", m_fRadius);
  out->addFloat("Length", m_fLength);
}

void CRurIvaGeomCylinder::deserializeAttributes(io::IAttributes* in,
                                                io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaGeom::deserializeAttributes(in, options);
  readFinite(in, "Radius", m_fRadius);
  readFinite(in, "Length", m_fLength);
}

}  // namespace ode
}  // namespace irr
