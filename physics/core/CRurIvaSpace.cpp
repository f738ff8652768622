#include "CRurIvaSpace.h"

#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "RurIvaLists.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

CRurIvaSpace::CRurIvaSpace(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                           const core::vector3df& position, const core::vector3df& rotation,
                           const core::vector3df& scale)
    : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale),
      m_iSpaceId(0),
      m_iType(eRurIvaSpaceSimple),
      m_pParentSpace(0),
      m_pWorld(static_cast<CRurIvaWorld*>(getAncestorOfType(RUR_IVA_WORLD_ID))),
      m_iDepth(0) {
  CRurIvaSpace* pParent = static_cast<CRurIvaSpace*>(getAncestorOfType(RUR_IVA_SPACE_ID));
  if (m_pWorld) {
    m_pWorld->addSpace(this);
    if (!pParent && m_pWorld->getSpace() && m_pWorld->getSpace() != this) pParent = m_pWorld->getSpace();
  }
  nestIn(pParent);
}

CRurIvaSpace::~CRurIvaSpace() {
  if (m_iSpaceId) m_pOdeDevice->spaceDestroy(m_iSpaceId);
  if (m_pWorld) m_pWorld->removeSpace(this);
  for (CRurIvaSpace* pNested : m_lNestedSpaces) pNested->m_pParentSpace = 0;
  if (m_pParentSpace) removeFirst(m_pParentSpace->m_lNestedSpaces, this);
}

void CRurIvaSpace::nestIn(CRurIvaSpace* pParent) {
  m_pParentSpace = pParent;
  if (pParent) pParent->m_lNestedSpaces.push_back(this);
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

  // A space that sits in no other space and is not its world's collision space is nested in
  // that space; alone it would hold geometries that collide with nothing else (the world steps
  // its own space only). A space made before its world chose one finds it here.
  if (!m_pParentSpace && m_pWorld && m_pWorld->getSpace() && m_pWorld->getSpace() != this) {
    nestIn(m_pWorld->getSpace());
    m_pParentSpace->initPhysics();
  }
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
  readFinite(in, "Center", m_cCenter);
  readFinite(in, "Extents", m_cExtents);
}

}  // namespace ode
}  // namespace irr
