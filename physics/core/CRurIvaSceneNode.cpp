#include "CRurIvaSceneNode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "CRurIvaGeom.h"
#include "CRurIvaManager.h"
#include "RurIvaLists.h"

namespace irr {
namespace ode {

namespace {

// The engine keeps the culling state as bit flags while scene files name it; map between them.
const u32 kCullingFlags[] = {scene::EAC_OFF, scene::EAC_BOX, scene::EAC_FRUSTUM_BOX,
                             scene::EAC_FRUSTUM_SPHERE, scene::EAC_OCC_QUERY};
const s32 kCullingNameCount = sizeof(kCullingFlags) / sizeof(kCullingFlags[0]);

s32 cullingNameIndex(u32 iState) {
  for (s32 i = 0; i < kCullingNameCount; ++i)
    if (kCullingFlags[i] == iState) return i;
  return 1;  // an unknown combination is written as the engine's default, "box"
}

}  // namespace

CRurIvaSceneNode::CRurIvaSceneNode(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                                   const core::vector3df& position, const core::vector3df& rotation,
                                   const core::vector3df& scale)
    : scene::ISceneNode(parent, mgr, id, position, rotation, scale),
      m_cBoundingBox(-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f),
      m_pSceneManager(mgr),
      m_pDriver(mgr ? mgr->getVideoDriver() : 0),
      m_bPhysicsInitialized(false),
      m_iIdent(-1),
      m_pOdeManager(CRurIvaManager::getSharedInstance()),
      m_pOdeDevice(m_pOdeManager->getOdeDevice()),
      m_pSelector(0),
      m_pUserData(0) {
  if (getAncestorOfType(RUR_IVA_WORLD_ID)) m_pOdeManager->addOdeSceneNode(this);
}

CRurIvaSceneNode::~CRurIvaSceneNode() { m_pOdeManager->removeOdeSceneNode(this); }

void CRurIvaSceneNode::addChild(scene::ISceneNode* child) {
  if (!child || child == this) return;
  scene::ISceneNode::addChild(child);
  m_cBoundingBox.addInternalPoint(child->getPosition());
}

void CRurIvaSceneNode::remove() {
  // Hold the node while it leaves its parent, so that a caller without a reference of its
  // own does not see it deleted under its feet.
  grab();
  if (Parent) Parent->removeChild(this);
  // Only our own reference and (by contract) the caller's are left: the node is about to go.
  if (getReferenceCount() <= 2) removeFromPhysics();
  m_pOdeManager->removeOdeSceneNode(this);
  drop();
}

void CRurIvaSceneNode::setParent(scene::ISceneNode* newParent) {
  m_pOdeManager->removeOdeSceneNode(this);

  // Re-parenting is not removal: leave the old parent without tearing the physics down.
  grab();
  if (Parent) Parent->removeChild(this);
  Parent = newParent;
  if (Parent) Parent->addChild(this);
  drop();

  if (getAncestorOfType(RUR_IVA_WORLD_ID) || getType() == RUR_IVA_WORLD_ID)
    m_pOdeManager->addOdeSceneNode(this);
}

video::SMaterial& CRurIvaSceneNode::getMaterial(u32) { return m_cMat; }

scene::ISceneNode* CRurIvaSceneNode::getAncestorOfType(scene::ESCENE_NODE_TYPE iType) const {
  for (scene::ISceneNode* p = Parent; p; p = p->getParent())
    if (p->getType() == iType) return p;
  return 0;
}

void CRurIvaSceneNode::initPhysics() {
  m_bPhysicsInitialized = true;
  m_pOdeManager->sceneNodeInitialized(this);
}

void CRurIvaSceneNode::removeFromPhysics() { m_pOdeManager->removeOdeSceneNode(this); }

void CRurIvaSceneNode::copyParams(CRurIvaSceneNode* pDest, bool) {
  if (!pDest) return;
  pDest->setOdeClassname(m_sOdeClassName);
  pDest->setPosition(getPosition());
  pDest->setScale(getScale());
  pDest->setRotation(getRotation());
}

void CRurIvaSceneNode::cloneChildren(scene::ISceneNode* pNewParent, scene::ISceneManager* pNewManager) {
  const std::vector<scene::ISceneNode*> aBefore =
      pNewParent ? snapshot(pNewParent->getChildren()) : std::vector<scene::ISceneNode*>();
  for (scene::ISceneNode* pChild : snapshot(Children)) pChild->clone(pNewParent, pNewManager);

  // A physics node's clone comes back holding its creation reference, while the engine's own
  // nodes let go of theirs once they have a parent. Whoever cloned the physics nodes of this
  // subtree (this loop, or an engine node cloning its own children) dropped the result, so
  // those references are released here; the new parents hold the clones. Below a physics
  // clone its own cloneChildren has already done the same, so the walk stops there.
  if (!pNewParent) return;
  for (scene::ISceneNode* pChild : pNewParent->getChildren())
    if (std::find(aBefore.begin(), aBefore.end(), pChild) == aBefore.end()) releaseCloneReferences(pChild);
}

void CRurIvaSceneNode::updateAbsoluteChain() {
  core::array<scene::ISceneNode*> aChain;
  for (scene::ISceneNode* p = this; p; p = p->getParent()) aChain.push_back(p);
  for (s32 i = static_cast<s32>(aChain.size()) - 1; i >= 0; --i) aChain[i]->updateAbsolutePosition();
}

void CRurIvaSceneNode::releaseCloneReferences(scene::ISceneNode* pNode) {
  if (isRurIvaType(pNode->getType())) {
    pNode->drop();
    return;
  }
  for (scene::ISceneNode* pChild : pNode->getChildren()) releaseCloneReferences(pChild);
}

bool CRurIvaSceneNode::isRurIvaJointType(scene::ESCENE_NODE_TYPE iType) {
  return iType == RUR_IVA_JOINT_BALL_SOCKET_ID || iType == RUR_IVA_JOINT_FIXED_ID ||
         iType == RUR_IVA_JOINT_HINGE_ID || iType == RUR_IVA_JOINT_HINGE2_ID ||
         iType == RUR_IVA_JOINT_PISTON_ID || iType == RUR_IVA_JOINT_SLIDER_ID ||
         iType == RUR_IVA_JOINT_PR_TYPE;
}

bool CRurIvaSceneNode::isRurIvaType(scene::ESCENE_NODE_TYPE iType) {
  return CRurIvaGeom::isGeomType(iType) || isRurIvaJointType(iType) || iType == RUR_IVA_WORLD_ID ||
         iType == RUR_IVA_SPACE_ID || iType == RUR_IVA_BODY_ID || iType == RUR_IVA_MOTOR_ID ||
         iType == RUR_IVA_SERVO_ID || iType == RUR_IVA_IMPULSE_MOTOR_ID || iType == RUR_IVA_TORQUE_MOTOR_ID ||
         iType == RUR_IVA_AERO_DRAG_ID;
}

void CRurIvaSceneNode::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions*) const {
  if (!out) return;
  out->addString("Name", Name.c_str());
  out->addInt("Id", ID);
  out->addVector3d("Position", getPosition());
  out->addVector3d("Rotation", getRotation());
  out->addVector3d("Scale", getScale());
  out->addBool("Visible", IsVisible);
  out->addEnum("AutomaticCulling", cullingNameIndex(AutomaticCullingState), scene::AutomaticCullingNames);
  out->addInt("DebugDataVisible", DebugDataVisible);
  out->addBool("IsDebugObject", IsDebugObject);
  out->addString("OdeClassName", m_sOdeClassName.c_str());
  out->addInt("Ident", m_iIdent);
}

void CRurIvaSceneNode::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions*) {
  if (!in) return;
  Name = in->getAttributeAsString("Name");
  ID = in->getAttributeAsInt("Id");
  core::vector3df cValue = getPosition();
  if (readFinite(in, "Position", cValue)) setPosition(cValue);
  cValue = getRotation();
  if (readFinite(in, "Rotation", cValue)) setRotation(cValue);
  cValue = getScale();
  if (readFinite(in, "Scale", cValue)) setScale(cValue);
  if (in->existsAttribute("Visible")) IsVisible = in->getAttributeAsBool("Visible");

  if (in->existsAttribute("AutomaticCulling")) {
    s32 iIndex = in->getAttributeAsEnumeration("AutomaticCulling", scene::AutomaticCullingNames);
    if (iIndex >= 0 && iIndex < kCullingNameCount)
      AutomaticCullingState = kCullingFlags[iIndex];
    else
      AutomaticCullingState = static_cast<u32>(in->getAttributeAsInt("AutomaticCulling"));
  }
  DebugDataVisible = in->getAttributeAsInt("DebugDataVisible");
  IsDebugObject = in->getAttributeAsBool("IsDebugObject");
  updateAbsolutePosition();

  m_sOdeClassName = in->getAttributeAsString("OdeClassName");
  m_iIdent = in->existsAttribute("Ident") ? in->getAttributeAsInt("Ident") : -1;
  m_pOdeManager->updateNodeIdCounter(ID);
}

bool CRurIvaSceneNode::readFinite(io::IAttributes* in, const c8* sKey, f32& fValue) {
  if (!in || !in->existsAttribute(sKey)) return false;
  const f32 fRead = in->getAttributeAsFloat(sKey);
  if (!std::isfinite(fRead)) {
    reportNotFinite(sKey);
    return false;
  }
  fValue = fRead;
  return true;
}

bool CRurIvaSceneNode::readFinite(io::IAttributes* in, const c8* sKey, core::vector3df& cValue) {
  if (!in || !in->existsAttribute(sKey)) return false;
  const core::vector3df cRead = in->getAttributeAsVector3d(sKey);
  if (!std::isfinite(cRead.X) || !std::isfinite(cRead.Y) || !std::isfinite(cRead.Z)) {
    reportNotFinite(sKey);
    return false;
  }
  cValue = cRead;
  return true;
}

void CRurIvaSceneNode::reportNotFinite(const c8* sKey) {
  const core::stringc sType(getTypeName());
  printf("%s \"%s\": \"%s\" is not a finite number, the value is kept\n", sType.c_str(), getName(), sKey);
}

const c8* CRurIvaSceneNode::nodeNameToC8(const wchar_t* sName) {
  static core::stringc sBuffer;
  sBuffer = "";
  if (sName)
    for (const wchar_t* p = sName; *p; ++p) sBuffer.append(static_cast<c8>(*p & 0xFF));
  return sBuffer.c_str();
}

}  // namespace ode
}  // namespace irr
