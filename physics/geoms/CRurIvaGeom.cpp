#include "CRurIvaGeom.h"

#include <cstdio>
#include <typeinfo>

#include "CRurIvaBody.h"
#include "CRurIvaDebugView.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaManager.h"
#include "CRurIvaSpace.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

namespace {

bool isOffset(const core::vector3df& v) {
  const f32 fTolerance = 0.000001f;
  return !core::equals(v.X, 0.0f, fTolerance) || !core::equals(v.Y, 0.0f, fTolerance) ||
         !core::equals(v.Z, 0.0f, fTolerance);
}

}  // namespace

CRurIvaGeom::CRurIvaGeom(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                         const core::vector3df& position, const core::vector3df& rotation,
                         const core::vector3df& scale)
    : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale),
      m_iPairChecks(ePairBodyUnknown),
      m_bSetPerGeom(false),
      m_bLibraryBodyKnown(false),
      m_pLibraryBody(0),
      m_pFirstParams(0),
      m_pBody(static_cast<CRurIvaBody*>(getAncestorOfType(RUR_IVA_BODY_ID))),
      m_iFirstValuesGeneration(0),
      m_bFirstValuesCopied(false),
      m_cFirstValues(),
      m_iGeomId(0),
      m_iMass(m_pOdeDevice->massCreate()),
      m_iCollisionGroup(0),
      m_fMass(1.0f),
      m_bCollide(true),
      m_bMassPending(false),
      m_bChecksLevers(false),
      m_bContactLeftOut(false),
      m_bThin(false),
      m_bCarriesRay(false),
      m_pWorld(0),
      m_pSpace(0) {
  m_pOdeDevice->massSetZero(m_iMass);
  m_aParams.push_back(createSurfaceParameters(m_pBody == 0));
  m_pFirstParams = m_aParams[0];

  if (m_pBody) {
    m_pBody->addGeom(this);
  } else {
    m_pWorld = static_cast<CRurIvaWorld*>(getAncestorOfType(RUR_IVA_WORLD_ID));
    if (m_pWorld) m_pWorld->addGeom(this);
  }
}

CRurIvaGeom::~CRurIvaGeom() {
  m_pOdeDevice->geomNodeGone(this);
  if (m_pBody) m_pOdeDevice->geomSetBody(m_iGeomId, 0);
  detachFromOwner();
  for (u32 i = 0; i < m_aParams.size(); ++i) destroySurfaceParameters(m_aParams[i]);
  m_aParams.clear();
  m_pFirstParams = 0;
  if (m_iGeomId) m_pOdeDevice->geomDestroy(m_iGeomId);
}

bool CRurIvaGeom::isGeomType(scene::ESCENE_NODE_TYPE iType) {
  return iType == RUR_IVA_GEOM_BOX_ID || iType == RUR_IVA_GEOM_CAPSULE_ID ||
         iType == RUR_IVA_GEOM_CYLINDER_ID || iType == RUR_IVA_GEOM_HEIGHTFIELD_ID ||
         iType == RUR_IVA_GEOM_PLANE_ID || iType == RUR_IVA_GEOM_RAY_ID || iType == RUR_IVA_GEOM_SPHERE_ID ||
         iType == RUR_IVA_GEOM_TRIMESH_ID;
}

CRurIvaSurfaceParameters* CRurIvaGeom::createSurfaceParameters(bool bStatic) {
  CRurIvaSurfaceParameters* pParams = new CRurIvaSurfaceParameters();
  pParams->hold();
  m_pOdeManager->addSurfaceParameter(pParams);
  pParams->m_bStatic = bStatic;
  return pParams;
}

void CRurIvaGeom::destroySurfaceParameters(CRurIvaSurfaceParameters* pParams) {
  if (!pParams->letGo()) return;  // another geometry or a world still holds it
  m_pOdeManager->removeSurfaceParameter(pParams);
  delete pParams;
}

void CRurIvaGeom::setPosition(const core::vector3df&) {
  scene::ISceneNode::setPosition(core::vector3df(0, 0, 0));
}

void CRurIvaGeom::OnRegisterSceneNode() {
  m_aDebugLines.set_used(0);
  if (IsVisible && DebugDataVisible) {
    // Unbounded shapes (a plane) are drawn around the point of view.
    scene::ICameraSceneNode* pCamera = m_pSceneManager->getActiveCamera();
    const core::vector3df cNear = pCamera ? pCamera->getAbsolutePosition() : core::vector3df(0, 0, 0);
    if (getType() == RUR_IVA_GEOM_TRIMESH_ID) {
      CRurIvaGeomTrimesh* pMesh = static_cast<CRurIvaGeomTrimesh*>(this);
      for (u32 i = 0; i < pMesh->getGeomCount(); ++i)
        m_pOdeDevice->geomGetDebugLines(pMesh->getGeomId(i), cNear, m_aDebugLines);
    } else {
      m_pOdeDevice->geomGetDebugLines(m_iGeomId, cNear, m_aDebugLines);
    }
    if (!m_aDebugLines.empty()) {
      m_cDebugBox = CRurIvaDebugView::localBox(m_aDebugLines, getAbsoluteTransformation());
      // After the solid and transparent nodes, so that a shape drawn on top stays on top.
      m_pSceneManager->registerNodeForRendering(this, scene::ESNRP_TRANSPARENT_EFFECT);
    }
  } else if (m_aDebugLines.allocated_size() > 0) {
    m_aDebugLines.clear();  // the view is off: the memory goes
  }
  scene::ISceneNode::OnRegisterSceneNode();
}

const core::aabbox3df& CRurIvaGeom::getBoundingBox() const {
  return m_aDebugLines.empty() ? m_cBoundingBox : m_cDebugBox;
}

namespace {

//! The body a geometry moves with: its own, or for a ray the fast body it guards.
CRurIvaBody* movingBody(const CRurIvaGeom* pGeom) {
  if (pGeom->getBody()) return pGeom->getBody();
  if (pGeom->getType() == RUR_IVA_GEOM_RAY_ID)
    return static_cast<const CRurIvaGeomRay*>(pGeom)->getAttachedBody();
  return 0;
}

}  // namespace

video::SColor CRurIvaGeom::getDebugColor() const {
  CRurIvaBody* pBody = movingBody(this);
  if (!pBody) return CRurIvaDebugView::kStatic;
  return m_pOdeDevice->bodyIsEnabled(pBody->getBodyId()) ? CRurIvaDebugView::kDynamic
                                                         : CRurIvaDebugView::kSleeping;
}

void CRurIvaGeom::render() {
  if (m_aDebugLines.empty()) return;
  // The shape of a body shows through its model; static shapes lie on the surfaces they stand for
  // and are hidden where something is in front of them.
  CRurIvaDebugView::drawLines(m_pSceneManager->getVideoDriver(), m_aDebugLines, getDebugColor(),
                              movingBody(this) != 0);
}

u32 CRurIvaGeom::getGeomId(u32) { return m_iGeomId; }

CRurIvaSurfaceParameters* CRurIvaGeom::getSurfaceParameters(u32) { return m_aParams[0]; }

void CRurIvaGeom::setSurfaceParameters(CRurIvaSurfaceParameters* pParams, u32) {
  if (!pParams) return;
  // The replaced set is let go of but not destroyed: the caller may still use it. (Held first,
  // so that handing the geometry the set it holds changes nothing.)
  pParams->hold();
  m_aParams[0]->letGo();
  m_aParams[0] = m_pFirstParams = pParams;
  m_iFirstValuesGeneration = 0;
}

void CRurIvaGeom::copyFirstContactValues() {
  m_iFirstValuesGeneration = CRurIvaSurfaceParameters::contactValuesGeneration();
  // Only a set of the layer's own class answers with what it holds.
  m_bFirstValuesCopied = m_pFirstParams && typeid(*m_pFirstParams) == typeid(CRurIvaSurfaceParameters);
  if (m_bFirstValuesCopied) m_cFirstValues = m_pFirstParams->getContactValues();
}

void CRurIvaGeom::setBody(CRurIvaBody* pBody) {
  m_pBody = pBody;
  if (m_iGeomId) m_pOdeDevice->geomSetBody(m_iGeomId, pBody);
}

CRurIvaWorld* CRurIvaGeom::getWorld() const { return m_pBody ? m_pBody->getWorld() : m_pWorld; }

void CRurIvaGeom::setMassParameters(f32 fMass, core::vector3df cCenter, core::vector3df cInertia1,
                                    core::vector3df cInertia2) {
  m_fMass = fMass;
  m_cCenterOfGravity = cCenter;
  m_cInertia1 = cInertia1;
  m_cInertia2 = cInertia2;
  m_pOdeDevice->massSetParameters(m_iMass, fMass, cCenter, cInertia1, cInertia2);
}

void CRurIvaGeom::setMassTranslation(core::vector3df cTranslation) {
  m_cMassTranslate = cTranslation;
  if (m_iGeomId) m_pOdeDevice->massTranslate(m_iMass, cTranslation);
}

void CRurIvaGeom::setOffsetPosition(core::vector3df cPos) {
  m_cOffsetPos = cPos;
  if (m_iGeomId) m_pOdeDevice->geomSetOffsetPosition(m_iGeomId, cPos);
}

void CRurIvaGeom::setOffsetQuaternion(core::vector3df cRot) {
  m_cOffsetRot = cRot;
  if (m_iGeomId) m_pOdeDevice->geomSetOffsetQuaternion(m_iGeomId, cRot);
}

CRurIvaSpace* CRurIvaGeom::findSpace() const {
  CRurIvaSpace* pSpace = static_cast<CRurIvaSpace*>(getAncestorOfType(RUR_IVA_SPACE_ID));
  CRurIvaWorld* pWorld = getWorld();
  if (!pSpace && pWorld) pSpace = pWorld->getSpace();
  return pSpace;
}

u32 CRurIvaGeom::spaceId() const { return m_pSpace ? m_pSpace->getSpaceId() : 0; }

bool CRurIvaGeom::getParentMeshBox(core::aabbox3df& cBox, core::vector3df& cScale) const {
  scene::IMesh* pMesh = 0;
  if (Parent && Parent->getType() == scene::ESNT_ANIMATED_MESH) {
    scene::IAnimatedMesh* pAnimated = static_cast<scene::IAnimatedMeshSceneNode*>(Parent)->getMesh();
    if (pAnimated) pMesh = pAnimated->getMesh(0, 255, -1, -1);
  } else if (Parent && (Parent->getType() == scene::ESNT_MESH || Parent->getType() == scene::ESNT_OCTREE ||
                        Parent->getType() == scene::ESNT_SPHERE || Parent->getType() == scene::ESNT_CUBE)) {
    // The engine's sphere and cube nodes are mesh nodes too.
    pMesh = static_cast<scene::IMeshSceneNode*>(Parent)->getMesh();
  } else {
    printf("Non supported scene node type detected!\n");
    return false;
  }
  if (!pMesh) {
    printf("Mesh==NULL!\n");
    return false;
  }
  cBox = pMesh->getBoundingBox();
  cScale = Parent->getScale();
  return true;
}

void CRurIvaGeom::initPhysics() {
  scene::ISceneNode* pParent = Parent;
  if (m_pBody) {
    if (m_cCenterOfGravity.getLength() != 0.0f || m_cInertia1.getLength() != 0.0f ||
        m_cInertia2.getLength() != 0.0f)
      m_pOdeDevice->massSetParameters(m_iMass, m_fMass, m_cCenterOfGravity, m_cInertia1, m_cInertia2);
    if (m_cMassTranslate.getLength() != 0.0f) m_pOdeDevice->massTranslate(m_iMass, m_cMassTranslate);

    // The offset from the body is the pose of the visible parent relative to the body: the
    // parent's own transformation when it hangs directly below the body, none when the
    // geometry itself does, and the chain of transformations in between otherwise.
    core::matrix4 cOffset;
    for (scene::ISceneNode* p = pParent; p && p != m_pBody; p = p->getParent())
      cOffset = p->getRelativeTransformation() * cOffset;
    m_cOffsetPos = cOffset.getTranslation();
    if (isOffset(m_cOffsetPos)) {
      m_pOdeDevice->geomSetOffsetPosition(m_iGeomId, m_cOffsetPos);
      m_pOdeDevice->massTranslate(m_iMass, m_cOffsetPos);
    }
    m_cOffsetRot = cOffset.getRotationDegrees();
    if (isOffset(m_cOffsetRot)) m_pOdeDevice->geomSetOffsetQuaternion(m_iGeomId, m_cOffsetRot);

    // Only now is the geometry's mass complete (explicit parameters, translation, offset):
    // the body must turn about the true centre of all its geometries.
    if (m_bMassPending) {
      m_pBody->addMass(m_iMass);
      m_bMassPending = false;
    }
  } else if (getType() != RUR_IVA_GEOM_PLANE_ID) {
    // A plane is not placeable; every other static geometry takes its visual parent's rotation.
    m_pOdeDevice->geomSetRotation(m_iGeomId, pParent ? pParent->getRotation() : core::vector3df(0, 0, 0));
  }

  for (u32 i = 0; i < m_aParams.size(); ++i) m_aParams[i]->initPhysics();
  CRurIvaSceneNode::initPhysics();
}

void CRurIvaGeom::detachFromOwner() {
  if (m_pBody)
    m_pBody->removeGeom(this);
  else if (m_pWorld)
    m_pWorld->removeGeom(this);
  m_pBody = 0;
  m_pWorld = 0;
}

void CRurIvaGeom::removeFromPhysics() {
  CRurIvaSceneNode::removeFromPhysics();
  if (m_iGeomId) {
    m_pOdeDevice->geomDestroy(m_iGeomId);
    m_iGeomId = 0;
    detachFromOwner();
  } else if (!m_bPhysicsInitialized) {
    detachFromOwner();
  }
}

void CRurIvaGeom::forgetPhysics() {
  CRurIvaSceneNode::forgetPhysics();
  m_iGeomId = 0;
  // The mass record went with the others; a new one takes the mass at the next initPhysics.
  m_iMass = m_pOdeDevice->massCreate();
  m_bMassPending = false;
}

void CRurIvaGeom::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaSceneNode::copyParams(pDest, true);
  CRurIvaGeom* pDst = static_cast<CRurIvaGeom*>(pDest);
  pDst->setName(getName());
  pDst->setCollide(m_bCollide);

  const u32 iOwn = m_aParams.size();
  const u32 iTheirs = pDst->getSurfaceParametersCount();
  for (u32 i = 0; i < iTheirs; ++i) m_aParams[i < iOwn ? i : 0]->copy(pDst->getSurfaceParameters(i));

  if (m_cInertia1.getLength() > 0.0f)
    pDst->setMassParameters(m_fMass, m_cCenterOfGravity, m_cInertia1, m_cInertia2);
  else
    pDst->setMassTotal(m_fMass);
  pDst->setMassTranslation(m_cMassTranslate);
}

void CRurIvaGeom::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaSceneNode::serializeAttributes(out, options);
  // A geometry under a body has one surface; a static one (a level) one per material.
  const u32 iSets = m_pBody ? 1 : m_aParams.size();
  for (u32 i = 0; i < iSets; ++i) m_aParams[i]->serializeAttributes(out, options, i);

  out->addFloat("Mass", m_fMass);
  out->addVector3d("CenterOfGravity", m_cCenterOfGravity);
  out->addVector3d("Inertia_1", m_cInertia1);
  out->addVector3d("Inertia_2", m_cInertia2);
  out->addVector3d("MassTranslation", m_cMassTranslate);
  out->addBool("collides", m_bCollide);
  out->addInt("collisionGroup", m_iCollisionGroup);
}

void CRurIvaGeom::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaSceneNode::deserializeAttributes(in, options);
  for (u32 i = 0; i < m_aParams.size(); ++i) m_aParams[i]->deserializeAttributes(in, options, i);

  // Keys missing from a hand-written file keep the node's defaults.
  readFinite(in, "Mass", m_fMass);
  readFinite(in, "CenterOfGravity", m_cCenterOfGravity);
  readFinite(in, "Inertia_1", m_cInertia1);
  readFinite(in, "Inertia_2", m_cInertia2);
  readFinite(in, "MassTranslation", m_cMassTranslate);
  m_bCollide = in->existsAttribute("collides") ? in->getAttributeAsBool("collides") : true;
  m_iCollisionGroup = in->getAttributeAsInt("collisionGroup");
  updatePairChecks();
}

}  // namespace ode
}  // namespace irr
