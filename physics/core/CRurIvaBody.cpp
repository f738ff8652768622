#include "CRurIvaBody.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "CRurIvaEventActivationChanged.h"
#include "CRurIvaEventBodyCreated.h"
#include "CRurIvaEventBodyRemoved.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaGeom.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaJoint.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"
#include "IRurIvaMotor.h"
#include "IRurIvaStepMotor.h"
#include "RurIvaLists.h"

namespace irr {
namespace ode {

namespace {

//! Every component a number and not infinite; one test for the three (twice per moved body).
bool finite(const core::vector3df& v) {
  // A product with zero is zero for every finite value and not-a-number for the others.
  return (v.X * 0.0f + v.Y * 0.0f + v.Z * 0.0f) == 0.0f;
}

bool sameName(const c8* a, const c8* b) { return a && b && strcmp(a, b) == 0; }

//! The matrix is the identity to the bit (no sign of zero differs). Asked twice for every moved
//! body: four loads compared at once where the processor has four-float registers.
bool exactIdentity(const core::matrix4& m) {
#if defined(__SSE2__)
  const __m128i* p = reinterpret_cast<const __m128i*>(m.pointer());
  const int kOne = 0x3f800000;  // the bits of 1.0f
  __m128i e = _mm_cmpeq_epi32(_mm_loadu_si128(p), _mm_setr_epi32(kOne, 0, 0, 0));
  e = _mm_and_si128(e, _mm_cmpeq_epi32(_mm_loadu_si128(p + 1), _mm_setr_epi32(0, kOne, 0, 0)));
  e = _mm_and_si128(e, _mm_cmpeq_epi32(_mm_loadu_si128(p + 2), _mm_setr_epi32(0, 0, kOne, 0)));
  e = _mm_and_si128(e, _mm_cmpeq_epi32(_mm_loadu_si128(p + 3), _mm_setr_epi32(0, 0, 0, kOne)));
  return _mm_movemask_epi8(e) == 0xffff;
#else
  static const core::matrix4 kIdentity;
  return memcmp(m.pointer(), kIdentity.pointer(), sizeof(f32) * 16) == 0;
#endif
}

}  // namespace

CRurIvaBody::CRurIvaBody(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                         const core::vector3df& position, const core::vector3df& rotation,
                         const core::vector3df& scale)
    : CRurIvaDampable(parent, mgr, id, position, rotation, scale),
      m_iBodyId(0),
      m_iMass(m_pOdeDevice->massCreate()),
      m_bEnabled(false),
      m_bCollision(false),
      m_bUpdateGraphics(true),
      m_bDampingChanged(false),
      m_bFastMoving(false),
      m_bFiniteRotationMode(false),
      m_bRotationMatrix(false),
      m_bRotationPending(false),
      m_iCollisionMaterial(0),
      m_pTouching(0),
      m_pWorld(static_cast<CRurIvaWorld*>(getAncestorOfType(RUR_IVA_WORLD_ID))),
      m_pParentBody(static_cast<CRurIvaBody*>(getAncestorOfType(RUR_IVA_BODY_ID))),
      m_bParamMaster(false),
      m_iGravityMode(1),
      m_pRay(0),
      m_pQueue(m_pOdeManager->getQueue()) {
  m_pOdeDevice->massSetZero(m_iMass);
  if (m_pWorld) m_pWorld->addBody(this);
  if (m_pParentBody) m_pParentBody->addChildBody(this);
  updateAbsolutePosition();
}

CRurIvaBody::~CRurIvaBody() {
  // Everything that points at this body through a plain pointer lets go of it first.
  for (CRurIvaGeom* pGeom : snapshot(m_lGeoms)) pGeom->setBody(0);
  for (CRurIvaJoint* pJoint : m_lJoints) pJoint->forgetBody(this);
  for (IRurIvaStepMotor* pMotor : m_lStepMotors) pMotor->detachBody(this);
  for (IRurIvaMotor* pMotor : m_lMotors) pMotor->detachBody(this);
  for (CRurIvaBody* pChild : m_lChildBodies) pChild->m_pParentBody = 0;
  if (m_pParentBody) m_pParentBody->removeChildBody(this);
  releaseFastMovingRay();
  for (CRurIvaGeomRay* pRay : snapshot(m_lAttachedRays)) pRay->setAttachedBody(0);

  if (m_iBodyId) m_pOdeDevice->bodyDestroy(m_iBodyId);
  if (m_pWorld) m_pWorld->removeBody(this);
}

void CRurIvaBody::OnRegisterSceneNode() {
  if (IsVisible) m_pSceneManager->registerNodeForRendering(this);
  scene::ISceneNode::OnRegisterSceneNode();
}

void CRurIvaBody::addChild(scene::ISceneNode* child) { scene::ISceneNode::addChild(child); }

void CRurIvaBody::updateAbsolutePosition() {
  updateMovedAbsolutePosition();
  resolvePendingRotation();
}

void CRurIvaBody::updateMovedAbsolutePosition() {
  m_bRotationPending = false;
  // Every moved body takes its transformation in every step; the product with an identity is
  // left out (bit for bit it would give the relative transformation again).
  if (Parent && !exactIdentity(Parent->getAbsoluteTransformation())) {
    scene::ISceneNode::updateAbsolutePosition();
    return;
  }
  // The engine builds the relative transformation from the rotation's sines and cosines, then
  // sets the translation; with scale exactly 1 (the usual case) nothing else enters, any other
  // scale goes the engine's way.
  if (RelativeScale.X != 1.0f || RelativeScale.Y != 1.0f || RelativeScale.Z != 1.0f) {
    AbsoluteTransformation = getRelativeTransformation();
    return;
  }
  m_cPendingRotation = RelativeRotation;
  m_bRotationPending = true;
  AbsoluteTransformation.setTranslation(RelativeTranslation);
}

void CRurIvaBody::resolvePendingRotation() const {
  // The rotation part is kept and used again while the rotation is the same to the bit.
  if (!m_bRotationPending) return;
  CRurIvaBody* pThis = const_cast<CRurIvaBody*>(this);
  pThis->m_bRotationPending = false;
  if (!m_bRotationMatrix || memcmp(&m_cMatrixRotation, &m_cPendingRotation, sizeof(core::vector3df)) != 0) {
    pThis->m_cRotationMatrix.makeIdentity();
    pThis->m_cRotationMatrix.setRotationDegrees(m_cPendingRotation);
    pThis->m_cMatrixRotation = m_cPendingRotation;
    pThis->m_bRotationMatrix = true;
  }
  const core::vector3df cTranslation = AbsoluteTransformation.getTranslation();
  pThis->AbsoluteTransformation = m_cRotationMatrix;
  pThis->AbsoluteTransformation.setTranslation(cTranslation);
}

const core::matrix4& CRurIvaBody::getAbsoluteTransformation() const {
  resolvePendingRotation();
  return AbsoluteTransformation;
}

const core::aabbox3d<f32> CRurIvaBody::getTransformedBoundingBox() const {
  resolvePendingRotation();
  return scene::ISceneNode::getTransformedBoundingBox();
}

bool CRurIvaBody::parentIsPlaced() const {
  if (!Parent) return false;
  // Exactly the identity (a world at the origin, the usual parent) is told apart without the
  // engine's test, which compares every element within a tolerance.
  const core::matrix4& m = Parent->getAbsoluteTransformation();
  if (exactIdentity(m)) return false;
  return !m.isIdentity();
}

void CRurIvaBody::setPosition(const core::vector3df& newpos) {
  scene::ISceneNode::setPosition(newpos);
  if (!m_bPhysicsInitialized) {
    updateAbsolutePosition();
    return;
  }
  m_cPoses.m_bPlaced = true;
  // The node's position is relative to its parent; the body's is in the world.
  core::vector3df cWorld = newpos;
  if (parentIsPlaced()) Parent->getAbsoluteTransformation().transformVect(cWorld);
  m_pOdeDevice->bodySetPosition(m_iBodyId, cWorld);
}

void CRurIvaBody::setRotation(const core::vector3df& rotation) {
  scene::ISceneNode::setRotation(rotation);
  if (!m_bPhysicsInitialized) {
    updateAbsolutePosition();
    return;
  }
  m_cPoses.m_bPlaced = true;
  core::vector3df cWorld = rotation;
  if (parentIsPlaced()) {
    core::matrix4 cRotation;
    cRotation.setRotationDegrees(rotation);
    cWorld = (Parent->getAbsoluteTransformation() * cRotation).getRotationDegrees();
  }
  m_pOdeDevice->bodySetRotation(m_iBodyId, cWorld);
}

scene::ISceneNode* CRurIvaBody::clone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
  if (!newParent) newParent = Parent;
  if (!newManager) newManager = m_pSceneManager;
  CRurIvaBody* pClone = new CRurIvaBody(newParent, newManager, -1);
  cloneChildren(pClone, newManager);
  copyParams(pClone, true);
  return pClone;
}

void CRurIvaBody::initPhysics() {
  if (m_bPhysicsInitialized) return;
  CRurIvaSceneNode::initPhysics();

  // A world moved below its own body would become the body's parent (see below) and child at
  // once: a cycle the scene can neither walk nor free.
  if (isWithin(m_pWorld, this)) {
    printf("CRurIvaBody::initPhysics: the body's world lies below the body, no dynamics body created\n");
    return;
  }
  if (m_pWorld) {
    m_iBodyId = m_pOdeDevice->bodyCreate(m_pWorld->getWorldId());
    if (m_iBodyId) {
      // Linked while the body is still the joint's child: the node moves below the world next.
      CRurIvaJoint* pParentJoint = linkParentJoint();
      // The node's absolute pose places the body: make sure it is not that of a stale parent.
      updateAbsoluteChain();
      core::matrix4 cPose = getAbsoluteTransformation();

      // A body below another body moves on its own, not with its parent: it starts in its
      // parent body's frame and hangs from the world from now on, keeping that place. (Once
      // below the world, as when it is built again after a restart, its pose is its own.)
      CRurIvaBody* pParentBody = static_cast<CRurIvaBody*>(getAncestorOfType(RUR_IVA_BODY_ID));
      if (pParentBody && m_bUpdateGraphics) {
        cPose = poseBelow(pParentBody);
        setParent(m_pWorld);
        m_pWorld->updateAbsolutePosition();
        core::matrix4 cWorldInverse;
        m_pWorld->getAbsoluteTransformation().getInverse(cWorldInverse);
        const core::matrix4 cRelative = cWorldInverse * cPose;
        // Below a parent of no scale there is no such place: the node keeps its own values.
        if (finite(cRelative.getTranslation())) scene::ISceneNode::setPosition(cRelative.getTranslation());
        if (finite(cRelative.getRotationDegrees()))
          scene::ISceneNode::setRotation(cRelative.getRotationDegrees());
        pParentBody->updateAbsolutePosition();
        setScale(pParentBody->getScale());
        updateAbsolutePosition();
      }

      m_pOdeDevice->bodySetPosition(m_iBodyId, cPose.getTranslation());
      m_pOdeDevice->bodySetRotation(m_iBodyId, cPose.getRotationDegrees());
      m_pOdeDevice->bodySetData(m_iBodyId, this);

      setLinearDamping(m_fLinearDamping);
      setAngularDamping(m_fAngularDamping);
      setLinearDampingThreshold(m_fLinearDampingThreshold);
      setAngularDampingThreshold(m_fAngularDampingThreshold);
      if (m_iAutoDisableFlag) {
        setAutoDisableFlag(m_iAutoDisableFlag);
        setAutoDisableLinearThreshold(m_fAutoDisableLinearThreshold);
        setAutoDisableAngularThreshold(m_fAutoDisableAngularThreshold);
        setAutoDisableSteps(m_iAutoDisableSteps);
        setAutoDisableTime(m_fAutoDisableTime);
      }
      if (m_fMaxAngularSpeed != 0.0f) setMaxAngularSpeed(m_fMaxAngularSpeed);

      startEach(
          m_lGeoms, [this](CRurIvaGeom* p) { return p->getBody() == this; },
          [](CRurIvaGeom* p) { p->initPhysics(); });

      // The mass goes in before the joints are made: a body whose mass centre is off its
      // origin is placed at that centre, which must not move anchors already set.
      m_pOdeDevice->bodySetMass(m_iBodyId, m_iMass);

      startEach(
          m_lJoints, [this](CRurIvaJoint* p) { return contains(m_lJoints, p); },
          [this](CRurIvaJoint* pJoint) {
            pJoint->initLinkedObjects();
            // Asked of the joint each time: a body that goes while the other starts tells it.
            for (int i = 0; i < 2; ++i) {
              CRurIvaBody* pOther = i == 0 ? pJoint->getBody1() : pJoint->getBody2();
              if (!pOther || pOther == this || pOther->physicsInitialized()) continue;
              pOther->grab();
              pOther->initPhysics();
              pOther->drop();
            }
            pJoint->initPhysics();
          });

      m_bEnabled = false;
      setFiniteRotationMode(m_bFiniteRotationMode);
      setFiniteRotationAxis(m_cFiniteRotationAxis);
      setGravityMode(m_iGravityMode);
      if (m_pRay) startFastRay();
      setLinearVelocity(m_cLinearVelocity);
      setAngularVelocity(m_cAngularVelocity);
      m_pQueue->postEvent(new CRurIvaEventBodyCreated(this), true);

      if (pParentJoint) initParentJoint(pParentJoint);
    }
  }

  startEach(
      m_lStepMotors, [this](IRurIvaStepMotor* p) { return contains(m_lStepMotors, p); },
      [](IRurIvaStepMotor* p) { p->initPhysics(); });
}

core::matrix4 CRurIvaBody::poseBelow(const CRurIvaBody* pHolder) const {
  core::matrix4 cInHolder = getRelativeTransformation();
  for (const scene::ISceneNode* p = Parent; p && p != pHolder; p = p->getParent())
    if (!isRurIvaJointType(p->getType())) cInHolder = p->getRelativeTransformation() * cInHolder;
  return pHolder->getAbsoluteTransformation() * cInHolder;
}

CRurIvaJoint* CRurIvaBody::linkParentJoint() {
  // A joint that hangs from the static environment (its parent is no body) is in no body's
  // joint list, so the body below it brings it to life.
  if (!Parent || !isRurIvaJointType(Parent->getType())) return 0;
  CRurIvaJoint* pJoint = static_cast<CRurIvaJoint*>(Parent);
  if (pJoint->getBody2()) return 0;
  pJoint->initLinkedObjects();
  return pJoint;
}

void CRurIvaBody::initParentJoint(CRurIvaJoint* pJoint) {
  CRurIvaBody* pBody1 = pJoint->getBody1();
  if (pBody1 && pBody1 != this && !pBody1->physicsInitialized()) pBody1->initPhysics();
  pJoint->initPhysics();
}

void CRurIvaBody::removeFromPhysics() {
  m_pQueue->postEvent(new CRurIvaEventBodyRemoved(this), true);
  // Without the manager listening nobody has removed the body: do it here.
  if (m_iBodyId || !m_bPhysicsInitialized) doRemoveFromPhysics();
}

void CRurIvaBody::doRemoveFromPhysics() {
  CRurIvaSceneNode::removeFromPhysics();
  if (m_iBodyId) {
    leaveWorld();
    m_pOdeManager->removeTreeFromPhysics(this);
    m_pOdeManager->removeOdeSceneNode(this);
    m_pOdeDevice->bodyDestroy(m_iBodyId);
    m_iBodyId = 0;
  } else if (!m_bPhysicsInitialized) {
    leaveWorld();
  }
}

void CRurIvaBody::leaveWorld() {
  if (m_pWorld) m_pWorld->removeBody(this);
  m_pWorld = 0;
}

void CRurIvaBody::forgetPhysics() {
  CRurIvaDampable::forgetPhysics();
  m_iBodyId = 0;
  // The geometries add their masses again at the next initPhysics, into a new record.
  m_iMass = m_pOdeDevice->massCreate();
  // A new body starts from the node's pose: interpolation forgets the old body's poses.
  m_cPoses = SPoses();
}

void CRurIvaBody::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  CRurIvaBody* pDst = static_cast<CRurIvaBody*>(pDest);
  pDst->setName(getName());
  if (bRecurse) CRurIvaDampable::copyParams(pDest, true);
  if (!pDst->physicsInitialized()) pDst->m_bUpdateGraphics = m_bUpdateGraphics;
  pDst->setFiniteRotationAxis(getFiniteRotationAxis());
  pDst->setFiniteRotationMode(getFiniteRotationMode());
  pDst->setGravityMode(getGravityMode());
  m_bParamMaster = false;
}

// Damping and auto-disable: stored, and passed on once the dynamics body exists.
void CRurIvaBody::setLinearDamping(f32 fScale) {
  if (fScale != m_fLinearDamping) m_bDampingChanged = true;
  m_fLinearDamping = fScale;
  if (m_iBodyId) m_pOdeDevice->bodySetLinearDamping(m_iBodyId, fScale);
}
f32 CRurIvaBody::getLinearDamping() {
  return m_iBodyId ? m_pOdeDevice->bodyGetLinearDamping(m_iBodyId) : m_fLinearDamping;
}
void CRurIvaBody::setAngularDamping(f32 fScale) {
  if (fScale != m_fAngularDamping) m_bDampingChanged = true;
  m_fAngularDamping = fScale;
  if (m_iBodyId) m_pOdeDevice->bodySetAngularDamping(m_iBodyId, fScale);
}
f32 CRurIvaBody::getAngularDamping() {
  return m_iBodyId ? m_pOdeDevice->bodyGetAngularDamping(m_iBodyId) : m_fAngularDamping;
}
void CRurIvaBody::setLinearDampingThreshold(f32 fThreshold) {
  m_fLinearDampingThreshold = fThreshold;
  if (m_iBodyId) m_pOdeDevice->bodySetLinearDampingThreshold(m_iBodyId, fThreshold);
}
f32 CRurIvaBody::getLinearDampingThreshold() {
  return m_iBodyId ? m_pOdeDevice->bodyGetLinearDampingThreshold(m_iBodyId) : m_fLinearDampingThreshold;
}
void CRurIvaBody::setAngularDampingThreshold(f32 fThreshold) {
  m_fAngularDampingThreshold = fThreshold;
  if (m_iBodyId) m_pOdeDevice->bodySetAngularDampingThreshold(m_iBodyId, fThreshold);
}
f32 CRurIvaBody::getAngularDampingThreshold() {
  return m_iBodyId ? m_pOdeDevice->bodyGetAngularDampingThreshold(m_iBodyId) : m_fAngularDampingThreshold;
}
void CRurIvaBody::setMaxAngularSpeed(f32 fMaxSpeed) {
  m_fMaxAngularSpeed = fMaxSpeed;
  if (m_iBodyId) m_pOdeDevice->bodySetMaxAngularSpeed(m_iBodyId, fMaxSpeed);
}
f32 CRurIvaBody::getMaxAngularSpeed() {
  return m_iBodyId ? m_pOdeDevice->bodyGetMaxAngularSpeed(m_iBodyId) : m_fMaxAngularSpeed;
}
void CRurIvaBody::setAutoDisableFlag(s32 iFlag) {
  m_iAutoDisableFlag = iFlag;
  if (m_iBodyId) m_pOdeDevice->bodySetAutoDisableFlag(m_iBodyId, iFlag);
}
s32 CRurIvaBody::getAutoDisableFlag() {
  return m_iBodyId ? m_pOdeDevice->bodyGetAutoDisableFlag(m_iBodyId) : m_iAutoDisableFlag;
}
void CRurIvaBody::setAutoDisableLinearThreshold(f32 fThreshold) {
  m_fAutoDisableLinearThreshold = fThreshold;
  if (m_iBodyId) m_pOdeDevice->bodySetLinearAutoDisableThreshold(m_iBodyId, fThreshold);
}
f32 CRurIvaBody::getAutoDisableLinearThreshold() {
  return m_iBodyId ? m_pOdeDevice->bodyGetLinearAutoDisableThreshold(m_iBodyId)
                   : m_fAutoDisableLinearThreshold;
}
void CRurIvaBody::setAutoDisableAngularThreshold(f32 fThreshold) {
  m_fAutoDisableAngularThreshold = fThreshold;
  if (m_iBodyId) m_pOdeDevice->bodySetAngularAutoDisableThreshold(m_iBodyId, fThreshold);
}
f32 CRurIvaBody::getAutoDisableAngularThreshold() {
  return m_iBodyId ? m_pOdeDevice->bodyGetAngularAutoDisableThreshold(m_iBodyId)
                   : m_fAutoDisableAngularThreshold;
}
void CRurIvaBody::setAutoDisableSteps(s32 iSteps) {
  m_iAutoDisableSteps = iSteps;
  if (m_iBodyId) m_pOdeDevice->bodySetAutoDisableSteps(m_iBodyId, iSteps);
}
s32 CRurIvaBody::getAutoDisableSteps() {
  return m_iBodyId ? m_pOdeDevice->bodyGetAutoDisableSteps(m_iBodyId) : m_iAutoDisableSteps;
}
void CRurIvaBody::setAutoDisableTime(f32 fTime) {
  m_fAutoDisableTime = fTime;
  if (m_iBodyId) m_pOdeDevice->bodySetAutoDisableTime(m_iBodyId, fTime);
}
f32 CRurIvaBody::getAutoDisableTime() {
  return m_iBodyId ? m_pOdeDevice->bodyGetAutoDisableTime(m_iBodyId) : m_fAutoDisableTime;
}

void CRurIvaBody::addGeom(CRurIvaGeom* pGeom) {
  if (pGeom) m_lGeoms.push_back(pGeom);
}
void CRurIvaBody::removeGeom(CRurIvaGeom* pGeom) { removeFirst(m_lGeoms, pGeom); }
void CRurIvaBody::addJoint(CRurIvaJoint* pJoint) { appendOnce(m_lJoints, pJoint); }
void CRurIvaBody::removeJoint(CRurIvaJoint* pJoint) { removeFirst(m_lJoints, pJoint); }
s32 CRurIvaBody::getJointIndex(const CRurIvaJoint* pJoint) const {
  s32 i = 0;
  for (CRurIvaJoint* p : m_lJoints) {
    if (p == pJoint) return i;
    ++i;
  }
  return -1;
}

CRurIvaJoint* CRurIvaBody::getJointAt(s32 iIndex) const {
  s32 i = 0;
  for (CRurIvaJoint* p : m_lJoints)
    if (i++ == iIndex) return p;
  return 0;
}

void CRurIvaBody::addChildBody(CRurIvaBody* pBody) { appendOnce(m_lChildBodies, pBody); }
void CRurIvaBody::removeChildBody(CRurIvaBody* pBody) { removeFirst(m_lChildBodies, pBody); }
void CRurIvaBody::addStepMotor(IRurIvaStepMotor* pMotor) { appendOnce(m_lStepMotors, pMotor); }
void CRurIvaBody::removeStepMotor(IRurIvaStepMotor* pMotor) { removeFirst(m_lStepMotors, pMotor); }
void CRurIvaBody::removeMotor(IRurIvaMotor* pMotor) { removeFirst(m_lMotors, pMotor); }

void CRurIvaBody::addMotor(IRurIvaMotor* pMotor) {
  if (!pMotor || contains(m_lMotors, pMotor)) return;
  printf("motor added (\"%s\" / %i)\n", pMotor->getName(), pMotor->getID());
  m_lMotors.push_back(pMotor);
}

// The simulation reports world poses; a node below a placed parent (a joint hanging from the
// world, a group or space node away from the origin) takes them relative to that parent.
void CRurIvaBody::setNodePosition(const core::vector3df& cPos) { setNodePose(&cPos, 0); }

void CRurIvaBody::setNodeRotation(const core::vector3df& cRot) { setNodePose(0, &cRot); }

void CRurIvaBody::setNodePose(const core::vector3df* pPos, const core::vector3df* pRot) {
  // Below a parent at the origin (a world, usually) the world values are the node's own.
  if (parentIsPlaced()) {
    setNodePoseInParent(pPos, pRot);
    return;
  }
  placeNode(pPos, pRot);
}

void CRurIvaBody::placeNode(const core::vector3df* pPos, const core::vector3df* pRot) {
  // A pose that is no number (from a parent of (nearly) no scale) leaves the node where it is.
  if (pPos && finite(*pPos)) scene::ISceneNode::setPosition(*pPos);
  if (pRot && finite(*pRot)) scene::ISceneNode::setRotation(*pRot);
}

// Out of line: the matrices it needs would otherwise be set up for every moved body.
__attribute__((noinline)) void CRurIvaBody::setNodePoseInParent(const core::vector3df* pPos,
                                                                const core::vector3df* pRot) {
  core::matrix4 cInverse(core::matrix4::EM4CONST_NOTHING);
  // A parent without an inverse (no scale) gives the world values as they are.
  if (!Parent->getAbsoluteTransformation().getInverse(cInverse)) {
    placeNode(pPos, pRot);
    return;
  }
  core::vector3df cPosition, cRotation;
  if (pPos) {
    cPosition = *pPos;
    cInverse.transformVect(cPosition);
  }
  if (pRot) {
    core::matrix4 cWorld;
    cWorld.setRotationDegrees(*pRot);
    cRotation = (cInverse * cWorld).getRotationDegrees();
  }
  placeNode(pPos ? &cPosition : 0, pRot ? &cRotation : 0);
}

void CRurIvaBody::setNodeLinearDamping(f32 fScale) {
  if (fScale != m_fLinearDamping) m_bDampingChanged = true;
  m_fLinearDamping = fScale;
}

void CRurIvaBody::setNodeAngularDamping(f32 fScale) {
  if (fScale != m_fAngularDamping) m_bDampingChanged = true;
  m_fAngularDamping = fScale;
}

void CRurIvaBody::setLinearVelocity(core::vector3df cVel) {
  m_cLinearVelocity = cVel;
  if (m_bPhysicsInitialized) m_pOdeDevice->bodySetLinearVelocity(m_iBodyId, cVel);
}

core::vector3df CRurIvaBody::getLinearVelocity() {
  if (m_bPhysicsInitialized) m_cLinearVelocity = m_pOdeDevice->bodyGetLinearVelocity(m_iBodyId);
  return m_cLinearVelocity;
}

void CRurIvaBody::setAngularVelocity(core::vector3df cVel) {
  m_cAngularVelocity = cVel;
  if (m_bPhysicsInitialized) m_pOdeDevice->bodySetAngularVelocity(m_iBodyId, cVel);
}

core::vector3df CRurIvaBody::getAngularVelocity() {
  if (m_bPhysicsInitialized) m_cAngularVelocity = m_pOdeDevice->bodyGetAngularVelocity(m_iBodyId);
  return m_cAngularVelocity;
}

void CRurIvaBody::addForce(core::vector3df cForce) {
  m_pOdeDevice->bodyEnable(m_iBodyId);
  m_pOdeDevice->bodyAddForce(m_iBodyId, cForce);
}

void CRurIvaBody::addForceAtPosition(core::vector3df cPosition, core::vector3df cForce) {
  m_pOdeDevice->bodyEnable(m_iBodyId);
  m_pOdeDevice->bodyAddForceAtPosition(m_iBodyId, cForce, cPosition);
}

void CRurIvaBody::addTorque(core::vector3df cTorque) {
  m_pOdeDevice->bodyEnable(m_iBodyId);
  m_pOdeDevice->bodyAddTorque(m_iBodyId, cTorque);
}

void CRurIvaBody::setTorque(core::vector3df cTorque) {
  m_pOdeDevice->bodyEnable(m_iBodyId);
  m_pOdeDevice->bodySetTorque(m_iBodyId, cTorque);
}

void CRurIvaBody::setEnabled(bool bEnabled) {
  if (bEnabled)
    m_pOdeDevice->bodyEnable(m_iBodyId);
  else
    m_pOdeDevice->bodyDisable(m_iBodyId);
}

core::vector3df CRurIvaBody::getPointVel(core::vector3df cPoint) {
  return m_pOdeDevice->bodyGetPointVel(m_iBodyId, cPoint);
}
core::vector3df CRurIvaBody::getRelPointVel(core::vector3df cPoint) {
  return m_pOdeDevice->bodyGetRelPointVel(m_iBodyId, cPoint);
}
core::vector3df CRurIvaBody::getRelPointPos(core::vector3df cPoint) {
  return m_pOdeDevice->bodyGetRelPointPos(m_iBodyId, cPoint);
}
core::vector3df CRurIvaBody::getPosRelPoint(core::vector3df cPoint) {
  return m_pOdeDevice->bodyGetPosRelPoint(m_iBodyId, cPoint);
}
core::vector3df CRurIvaBody::getVectorFromWorld(core::vector3df cVec) {
  return m_pOdeDevice->bodyVectorFromWorld(m_iBodyId, cVec);
}
void CRurIvaBody::getOdeRotation(core::vector3df& cRot) { cRot = m_pOdeDevice->bodyGetRotation(m_iBodyId); }
CRurIvaGeom* CRurIvaBody::getFirstGeom() { return m_pOdeDevice->bodyGetFirstGeom(m_iBodyId); }
CRurIvaGeom* CRurIvaBody::getNextGeom(CRurIvaGeom* pPrev) { return m_pOdeDevice->bodyGetNextGeom(pPrev); }
void CRurIvaBody::addMass(u32 iMass) { m_pOdeDevice->massAdd(m_iMass, iMass); }

void CRurIvaBody::setGravityMode(s32 iMode) {
  m_iGravityMode = iMode;
  if (m_iBodyId) m_pOdeDevice->bodySetGravityMode(m_iBodyId, iMode);
}
s32 CRurIvaBody::getGravityMode() {
  return m_iBodyId ? m_pOdeDevice->bodyGetGravityMode(m_iBodyId) : m_iGravityMode;
}

void CRurIvaBody::setFiniteRotationMode(bool bFlag) {
  m_bFiniteRotationMode = bFlag;
  if (m_iBodyId) m_pOdeDevice->bodySetFiniteRotationMode(m_iBodyId, bFlag);
}
bool CRurIvaBody::getFiniteRotationMode() {
  return m_iBodyId ? m_pOdeDevice->bodyGetFiniteRotationMode(m_iBodyId) : m_bFiniteRotationMode;
}

void CRurIvaBody::setFiniteRotationAxis(const core::vector3df& cAxis) {
  m_cFiniteRotationAxis = cAxis;
  if (m_iBodyId) m_pOdeDevice->bodySetFiniteRotationAxis(m_iBodyId, cAxis);
}
core::vector3df CRurIvaBody::getFiniteRotationAxis() {
  if (m_iBodyId && m_bPhysicsInitialized) return m_pOdeDevice->bodyGetFiniteRotationAxis(m_iBodyId);
  return m_cFiniteRotationAxis;
}

void CRurIvaBody::releaseFastMovingRay() {
  if (!m_pRay) return;
  CRurIvaGeomRay* pRay = m_pRay;
  m_pRay = 0;
  pRay->setAttachedBody(0);
  // The ray served only this body: take it out of the scene instead of leaving it behind.
  pRay->remove();
  pRay->drop();
}

void CRurIvaBody::addAttachedRay(CRurIvaGeomRay* pRay) { appendOnce(m_lAttachedRays, pRay); }

void CRurIvaBody::removeAttachedRay(CRurIvaGeomRay* pRay) { removeFirst(m_lAttachedRays, pRay); }

void CRurIvaBody::setIsFastMoving(bool bFlag) {
  m_bFastMoving = bFlag;
  releaseFastMovingRay();
  if (!bFlag || !m_pWorld || !m_pSceneManager) return;

  scene::ISceneNode* pNode = m_pSceneManager->addSceneNode(nodeNameToC8(RUR_IVA_GEOM_RAY_NAME), m_pWorld);
  if (pNode && pNode->getType() == RUR_IVA_GEOM_RAY_ID) {
    m_pRay = static_cast<CRurIvaGeomRay*>(pNode);
  } else {
    // No physics factory is registered with this scene manager: build the ray directly.
    if (pNode) pNode->remove();
    m_pRay = new CRurIvaGeomRay(m_pWorld, m_pSceneManager, -1);
  }
  m_pRay->setAttachedBody(this);
  // The ray belongs to the body's "FastMoving" key: a saved scene must not hold it, or reading
  // it back would add a stray ray beside the one the body makes again (the engine writes no
  // debug object).
  m_pRay->setIsDebugObject(true);
  if (m_bPhysicsInitialized) startFastRay();
}

// The name lookups walk the bodies reachable from this one depth first, in list order: the child
// bodies, and for the body lookup also the bodies the joints link. Once physics has started a
// wheel lists the joint whose body 1 is the chassis that lists the wheel, so the bodies form
// cycles: each body is searched once.
template <class T, class TOwn>
T* CRurIvaBody::searchBodies(std::vector<const CRurIvaBody*>& aSeen, bool bAcrossJoints, TOwn fOwn) {
  for (const CRurIvaBody* p : aSeen)
    if (p == this) return 0;
  aSeen.push_back(this);
  if (T* pFound = fOwn(this)) return pFound;
  for (CRurIvaBody* pChild : m_lChildBodies)
    if (T* pFound = pChild->searchBodies<T>(aSeen, bAcrossJoints, fOwn)) return pFound;
  if (!bAcrossJoints) return 0;
  for (CRurIvaJoint* pJoint : m_lJoints) {
    CRurIvaBody* aBodies[2] = {pJoint->getBody1(), pJoint->getBody2()};
    for (CRurIvaBody* pBody : aBodies)
      if (pBody)
        if (T* pFound = pBody->searchBodies<T>(aSeen, bAcrossJoints, fOwn)) return pFound;
  }
  return 0;
}

// The candidates of one body's own list, each printed as it is compared.
template <class T, class TList>
T* CRurIvaBody::findInList(const TList& lList, const c8* sWhat, const c8* sName) {
  for (T* p : lList) {
    printf("find %s: \"%s\" -- \"%s\"\n", sWhat, p->getName(), sName ? sName : "");
    if (sameName(p->getName(), sName)) return p;
  }
  return 0;
}

IRurIvaMotor* CRurIvaBody::getMotorFromName(const c8* sName) {
  std::vector<const CRurIvaBody*> aSeen;
  return searchBodies<IRurIvaMotor>(aSeen, false, [sName](CRurIvaBody* p) {
    return findInList<IRurIvaMotor>(p->m_lMotors, "motor", sName);
  });
}

IRurIvaStepMotor* CRurIvaBody::getStepMotorFromName(const c8* sName) {
  std::vector<const CRurIvaBody*> aSeen;
  return searchBodies<IRurIvaStepMotor>(aSeen, false, [sName](CRurIvaBody* p) {
    return findInList<IRurIvaStepMotor>(p->m_lStepMotors, "step motor", sName);
  });
}

CRurIvaJoint* CRurIvaBody::getJointFromName(const c8* sName) {
  std::vector<const CRurIvaBody*> aSeen;
  return searchBodies<CRurIvaJoint>(aSeen, false, [sName](CRurIvaBody* p) {
    return findInList<CRurIvaJoint>(p->m_lJoints, "joint", sName);
  });
}

CRurIvaGeom* CRurIvaBody::getGeomFromName(const c8* sName) {
  std::vector<const CRurIvaBody*> aSeen;
  return searchBodies<CRurIvaGeom>(
      aSeen, false, [sName](CRurIvaBody* p) { return findInList<CRurIvaGeom>(p->m_lGeoms, "geom", sName); });
}

CRurIvaBody* CRurIvaBody::getChildBodyFromName(const c8* sName) {
  std::vector<const CRurIvaBody*> aSeen;
  return searchBodies<CRurIvaBody>(aSeen, true, [sName](CRurIvaBody* p) {
    return sameName(p->getName(), sName) ? p : static_cast<CRurIvaBody*>(0);
  });
}

// frameUpdate is asked of every body after every step. The library disables bodies before it
// steps them and enables every body it steps, so a body the step moved is enabled: while nothing
// that could disable or destroy a body has been called since (the token would differ), its device
// is not asked. The rare change is posted out of line.
void CRurIvaBody::lookAtActivation() {
  if (m_iBodyId && m_pOdeDevice->bodyIsEnabled(m_iBodyId) != m_bEnabled) activationChanged();
}

__attribute__((noinline)) void CRurIvaBody::activationChanged() {
  m_bEnabled = !m_bEnabled;
  m_pQueue->postEvent(new CRurIvaEventActivationChanged(this, m_bEnabled), true);
}

void CRurIvaBody::startFastRay() {
  m_pRay->initPhysics();
  // The library's new ray runs from the world's origin along +z: until the body first moves it
  // spans no path, not that one (a hit on it would put the body where it never went).
  updateAbsolutePosition();
  moveFastRay(getAbsolutePosition());
}

void CRurIvaBody::moveFastRay(const core::vector3df& cNewPos) {
  updateAbsolutePosition();
  const core::vector3df cStart = getAbsolutePosition();
  core::vector3df cDir = cNewPos - cStart;
  const f32 fLength = cDir.getLength();
  if (!core::iszero(cDir.getLengthSQ(), 1e-8f)) cDir.normalize();
  m_pRay->set(cStart, cDir, fLength);
}

void CRurIvaBody::turnFiniteRotationAxis() {
  if (m_cFiniteRotationAxis.getLength() == 0.0f) return;
  core::matrix4 cRotation;
  cRotation.setRotationDegrees(getAbsoluteTransformation().getRotationDegrees());
  core::vector3df cAxis = m_cFiniteRotationAxis;
  cRotation.rotateVect(cAxis);
  m_pOdeDevice->bodySetFiniteRotationAxis(m_iBodyId, cAxis);
}

namespace {

bool samePose(const core::vector3df& a, const core::vector3df& b) {
  return a.X == b.X && a.Y == b.Y && a.Z == b.Z;
}

}  // namespace

core::vector3df CRurIvaBody::getSimulatedPosition() const {
  return m_cPoses.m_bShown ? m_cPoses.m_cPos : getPosition();
}

core::vector3df CRurIvaBody::getSimulatedRotation() const {
  return m_cPoses.m_bShown ? m_cPoses.m_cRot : getRotation();
}

void CRurIvaBody::beginInterpolatedFrame() {
  SPoses& p = m_cPoses;
  const bool bShown = p.m_bShown;
  p.m_bShown = false;
  if (!m_iBodyId || !m_bUpdateGraphics) {
    p.m_bValid = false;
    return;
  }
  // A node that shows something else than what was shown was placed since: that pose counts.
  if (!p.m_bValid || p.m_bPlaced || !bShown || !samePose(getPosition(), p.m_cShownPos) ||
      !samePose(getRotation(), p.m_cShownRot)) {
    p.m_cPrevPos = p.m_cPos = getPosition();
    p.m_cPrevRot = p.m_cRot = getRotation();
    p.m_bValid = true;
    p.m_bPlaced = false;
    return;
  }
  // The steps continue from the simulated pose, exactly as without interpolation.
  scene::ISceneNode::setPosition(p.m_cPos);
  scene::ISceneNode::setRotation(p.m_cRot);
  updateAbsolutePosition();
}

void CRurIvaBody::recordSimulatedPose() {
  SPoses& p = m_cPoses;
  if (!m_iBodyId || !m_bUpdateGraphics) return;
  if (!p.m_bValid || p.m_bPlaced) {
    // Created or moved by hand during the frame: the motion starts at the new pose.
    p.m_cPrevPos = p.m_cPos = getPosition();
    p.m_cPrevRot = p.m_cRot = getRotation();
    p.m_bValid = true;
    p.m_bPlaced = false;
    return;
  }
  p.m_cPrevPos = p.m_cPos;
  p.m_cPrevRot = p.m_cRot;
  p.m_cPos = getPosition();
  p.m_cRot = getRotation();
}

void CRurIvaBody::showInterpolatedPose(f32 fAlpha) {
  SPoses& p = m_cPoses;
  if (!p.m_bValid || !m_iBodyId || !m_bUpdateGraphics) return;
  fAlpha = core::clamp(fAlpha, 0.0f, 1.0f);
  core::vector3df cPos = p.m_cPos, cRot = p.m_cRot;
  if (fAlpha < 1.0f) {
    cPos = p.m_cPrevPos + (p.m_cPos - p.m_cPrevPos) * fAlpha;
    if (!samePose(p.m_cPrevRot, p.m_cRot)) {
      core::quaternion qFrom(p.m_cPrevRot * core::DEGTORAD), qTo(p.m_cRot * core::DEGTORAD), q;
      q.slerp(qFrom, qTo, fAlpha);
      q.normalize();
      q.toEuler(cRot);
      cRot *= core::RADTODEG;
    }
  }
  scene::ISceneNode::setPosition(cPos);
  scene::ISceneNode::setRotation(cRot);
  p.m_cShownPos = getPosition();
  p.m_cShownRot = getRotation();
  p.m_bShown = true;
}

void CRurIvaBody::endInterpolation() {
  SPoses& p = m_cPoses;
  if (p.m_bShown && m_iBodyId) {
    scene::ISceneNode::setPosition(p.m_cPos);
    scene::ISceneNode::setRotation(p.m_cRot);
  }
  p = SPoses();
}

void CRurIvaBody::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options) const {
  if (!out) return;
  CRurIvaDampable::serializeAttributes(out, options);
  out->addBool("Enabled", m_bEnabled);
  out->addBool("ParamMaster", m_bParamMaster);
  out->addInt("GravityMode", m_iGravityMode);
  out->addBool("FastMoving", m_bFastMoving);
  out->addBool("updateGraphics", m_bUpdateGraphics);
  out->addBool("FiniteRotationMode", m_bFiniteRotationMode);
  if (m_bFiniteRotationMode) out->addVector3d("FiniteRotationAxis", m_cFiniteRotationAxis);
}

void CRurIvaBody::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  if (!in) return;
  CRurIvaDampable::deserializeAttributes(in, options);
  m_bEnabled = in->getAttributeAsBool("Enabled");
  m_bParamMaster = in->getAttributeAsBool("ParamMaster");
  // Gravity on is the default; a file without the key must not switch it off.
  if (in->existsAttribute("GravityMode")) m_iGravityMode = in->getAttributeAsInt("GravityMode");
  const bool bFastMoving = in->getAttributeAsBool("FastMoving");
  // A fast body needs its guard ray, which only the setter makes.
  if (bFastMoving != m_bFastMoving) setIsFastMoving(bFastMoving);
  m_bUpdateGraphics = in->existsAttribute("updateGraphics") ? in->getAttributeAsBool("updateGraphics") : true;
  m_bFiniteRotationMode = in->getAttributeAsBool("FiniteRotationMode");
  if (m_bFiniteRotationMode) readFinite(in, "FiniteRotationAxis", m_cFiniteRotationAxis);
}

}  // namespace ode
}  // namespace irr
