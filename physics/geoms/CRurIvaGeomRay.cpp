#include "CRurIvaGeomRay.h"

#include <cmath>

#include "CRurIvaBody.h"

namespace irr {
namespace ode {

CRurIvaGeomRay::CRurIvaGeomRay(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                               const core::vector3df& position, const core::vector3df& rotation,
                               const core::vector3df& scale)
    : CRurIvaGeom(parent, mgr, id, position, rotation, scale),
      m_fLength(10.0f),
      m_bBackfaceCull(false),
      m_pAttachedBody(0) {
  m_fMass = 0.0f;
}

CRurIvaGeomRay::~CRurIvaGeomRay() { setAttachedBody(0); }

void CRurIvaGeomRay::setAttachedBody(CRurIvaBody* pBody) {
  if (pBody == m_pAttachedBody) return;
  if (m_pAttachedBody) m_pAttachedBody->removeAttachedRay(this);
  m_pAttachedBody = pBody;
  if (pBody) pBody->addAttachedRay(this);
}

scene::ISceneNode* CRurIvaGeomRay::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  return cloneGeom(this, newParent, newManager);
}

void CRurIvaGeomRay::OnRegisterSceneNode() { CRurIvaGeom::OnRegisterSceneNode(); }

void CRurIvaGeomRay::set(core::vector3df cPos, core::vector3df cDir, f32 fLength) {
  m_cPos = cPos;
  m_cDir = cDir;
  m_fLength = fLength;
  if (m_iGeomId) m_pOdeDevice->geomRaySetData(m_iGeomId, cPos, cDir, fLength);
}

void CRurIvaGeomRay::setBackfaceCull(bool b) {
  m_bBackfaceCull = b;
  if (m_iGeomId) m_pOdeDevice->geomSetBackfaceCull(m_iGeomId, b);
}

void CRurIvaGeomRay::initPhysics() {
  if (m_bPhysicsInitialized) return;
  updateAbsolutePosition();
  m_pSpace = findSpace();
  m_iGeomId = m_pOdeDevice->geomCreateRay(spaceId(), m_fLength);
  m_pOdeDevice->geomSetData(m_iGeomId, this);
  m_pOdeDevice->geomSetBackfaceCull(m_iGeomId, m_bBackfaceCull);
  // A ray has no mass, offset or surface: only the node itself is marked initialised.
  CRurIvaSceneNode::initPhysics();
}

void CRurIvaGeomRay::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaGeom::copyParams(pDest, true);
  static_cast<CRurIvaGeomRay*>(pDest)->set(m_cPos, m_cDir, m_fLength);
}

void CRurIvaGeomRay::serializeAttributes(io::IAttributes* out,
                                         io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaGeom::serializeAttributes(out, options);
  out->addFloat("Length", m_fLength);
  out->addVector3d("Position", m_cPos);
  out->addVector3d("Direction", m_cDir);
}

void CRurIvaGeomRay::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaGeom::deserializeAttributes(in, options);
  readFinite(in, "Length", m_fLength);
  // The ray's start point shares its key with the node position written before it: the ray's
  // value is the last "Position" of the block.
  for (s32 i = static_cast<s32>(in->getAttributeCount()) - 1; i >= 0; --i)
    if (core::stringc("Position") == in->getAttributeName(i)) {
      const core::vector3df cPos = in->getAttributeAsVector3d(i);
      if (std::isfinite(cPos.X) && std::isfinite(cPos.Y) && std::isfinite(cPos.Z))
        m_cPos = cPos;
      else
        reportNotFinite("Position");
      break;
    }
  readFinite(in, "Direction", m_cDir);
}

}  // namespace ode
}  // namespace irr
