#include "CRurIvaSpace.h"

#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaSpace::CRurIvaSpace(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                           const core::vector3df& position, const core::vector3df& rotation,
                           const core::vector3df& scale)
    : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale),
      m_iSpaceId(0),
      m_iType(eRurIvaSpaceSimple),
      m_pParentSpace(static_cast<CRurIvaSpace*>(getAncestorOfType(RUR_IVA_SPACE_ID))),
      m_pWorld(static_cast<CRurIvaWorld*>(getAncestorOfType(RUR_IVA_WORLD_ID))),
      m_iDepth(0) {
  if (m_pWorld) {
    m_pWorld->addSpace(this);
    if (!m_pParentSpace && m_pWorld->getSpace() && m_pWorld->getSpace() != this)
      m_pParentSpace = m_pWorld->getSpace();
  }
}

CRurIvaSpace::~CRurIvaSpace() {
  if (m_iSpaceId) m_pOdeDevice->spaceDestroy(m_iSpaceId);
  if (m_pWorld) m_pWorld->removeSpace(this);
}

scene::ISceneNode* CRurIvaSpace::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  if (!newParent) newParent = Parent;
  if (!newManager) newManager = m_pSceneManager;
  CRurIvaSpace* pClone = new CRurIvaSpace(newParent, newManager, -1);
  copyParams(pClone, true);
  cloneChildren(pClone, newManager);
  return pClone;
}

void CRurIvaSpace::initPhysics() {
  if (m_bPhysicsInitialized) return;
  CRurIvaSceneNode::initPhysics();

  const u32 iParent = m_pParentSpace ? m_pParentSpace->getSpaceId() : 0;
  switch (m_iType) {
    case eRurIvaSpaceSimple:
      m_iSpaceId = m_pOdeDevice->spaceCreateSimple(iParent);
      break;
    case eRurIvaSpaceHash:
      m_iSpaceId = m_pOdeDevice->spaceCreateHash(iParent);
      break;
    case eRurIvaSpaceQuadTree:
      m_iSpaceId = m_pOdeDevice->spaceCreateQuadTree(iParent, m_cCenter, m_cExtents, m_iDepth);
      break;
    default:
      m_iSpaceId = 0;
      break;
  }
}

void CRurIvaSpace::removeFromPhysics() {
  CRurIvaSceneNode::removeFromPhysics();
  if (m_iSpaceId) {
    m_pOdeDevice->spaceDestroy(m_iSpaceId);
    m_iSpaceId = 0;
  }
}

void CRurIvaSpace::forgetPhysics() {
  CRurIvaSceneNode::forgetPhysics();
  m_iSpaceId = 0;
}

void CRurIvaSpace::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaSceneNode::copyParams(pDest, true);
  CRurIvaSpace* pDst = static_cast<CRurIvaSpace*>(pDest);
  pDst->setSpaceType(m_iType);
  pDst->setQuadTreeParams(m_cCenter, m_cExtents, m_iDepth);
}

void CRurIvaSpace::OnRegisterSceneNode() {
  if (IsVisible) m_pSceneManager->registerNodeForRendering(this);
  scene::ISceneNode::OnRegisterSceneNode();
}

void CRurIvaSpace::setQuadTreeParams(core::vector3df cCenter, core::vector3df cExtents, s32 iDepth) {
  m_cCenter = cCenter;
  m_cExtents = cExtents;
  m_iDepth = iDepth;
}

void CRurIvaSpace::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaSceneNode::serializeAttributes(out, options);
  out->addInt("SpaceType", m_iType);
  out->addInt("Depth", m_iDepth);
  out->addVector3d("Center", m_cCenter);
  out->addVector3d("Extents", m_cExtents);
}

void CRurIvaSpace::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaSceneNode::deserializeAttributes(in, options);
  m_iType = in->getAttributeAsInt("SpaceType");
  m_iDepth = in->getAttributeAsInt("Depth");
  m_cCenter = in->getAttributeAsVector3d("Center");
  m_cExtents = in->getAttributeAsVector3d("Extents");
}

}  // namespace ode
}  // namespace irr
