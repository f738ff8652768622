#include "CRurIvaDevice.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <list>
#include <memory>
#include <typeinfo>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "CRurIvaBody.h"
#include "CRurIvaContactParameters.h"
#include "CRurIvaEventBeforeStep.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaEventRayHit.h"
#include "CRurIvaEventStep.h"
#include "CRurIvaGeom.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaManager.h"
#include "CRurIvaSpace.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "IRurIvaContactParameters.h"
#include "RurIvaDeviceInternal.h"

// Stepping: the fixed-step loop (optionally on the library's thread pool), the near collision
// callback that turns touching geometries into contacts, ray hits and the fast collisions they
// leave for after the step, the moved callback that reports bodies to the scene, and the
// rotation conversions it uses.
//
// The step runs for every frame and the callbacks for every broad-phase pair and moved body, so
// none of them allocates: contacts live on the stack, events come from the queue's free list,
// and what the callbacks look up is looked up once per step.

namespace irr {
namespace ode {

namespace {

const f64 kDegPerRad = 57.29577951308232;
const f64 kRadPerDeg = 0.017453292519943295;
const int kMaxContacts = 16;

//! atan(t) for t in [0, 1], to about one unit in the last place of a double: the rational form
//! of the Cephes library's atan, after taking t above 0.66 to (t - 1) / (t + 1) about pi / 4.
f64 atanOfUnit(f64 t) {
  static const f64 kP[5] = {-8.750608600031904122785e-1, -1.615753718733365076637e1,
                            -7.500855792314704667340e1, -1.228866684490136173410e2,
                            -6.485021904942025371773e1};
  static const f64 kQ[5] = {2.485846490142306297962e1, 1.650270098316988542046e2, 4.328810604912902668951e2,
                            4.853903996359136964868e2, 1.945506571482613964425e2};
  f64 fBase = 0.0;
  if (t > 0.66) {
    fBase = 0.78539816339744830962 + 3.061616997868382943065e-17;
    t = (t - 1.0) / (t + 1.0);
  }
  const f64 z = t * t;
  const f64 fP = (((kP[0] * z + kP[1]) * z + kP[2]) * z + kP[3]) * z + kP[4];
  const f64 fQ = ((((z + kQ[0]) * z + kQ[1]) * z + kQ[2]) * z + kQ[3]) * z + kQ[4];
  return fBase + (t + t * z * fP / fQ);
}

//! atan2(y, x) as the C library gives it (to a unit or two in the last place of a double, far
//! below the float the angle is kept in) at about half its cost: every moved body needs two
//! each step. A zero y (a body not turned about that axis, or turned half round it) gives y
//! itself or pi with y's sign, as the C library does; other zeros, infinities and not-a-number
//! are left to the C library.
f64 atan2Fast(f64 y, f64 x) {
  const f64 ax = std::fabs(x), ay = std::fabs(y);
  if (ax > 0.0 && ay > 0.0 && ax < HUGE_VAL && ay < HUGE_VAL) {
    f64 a = ay > ax ? 1.5707963267948966192 - atanOfUnit(ax / ay) : atanOfUnit(ay / ax);
    if (x < 0.0) a = 3.1415926535897932385 - a;
    return std::copysign(a, y);
  }
  if (y == 0.0) {
    if (x > 0.0) return y;
    if (x < 0.0) return std::copysign(3.1415926535897932385, y);
  }
  return std::atan2(y, x);
}

struct CFastCollision {
  CRurIvaBody* m_pBody;
  CRurIvaGeom* m_pGeom;
  core::vector3df m_cPosition;
  //! The library geometry the ray hit: for a level, the part of the material that was hit.
  dGeomID m_pHit;
};

// Ray hits of fast bodies, handled after the step that found them; shared by all worlds.
std::list<CFastCollision*> g_lFastCollisions;

// The device whose step is running; the library's callbacks reach it through this pointer, so a
// device installed later in the manager (tests do so) never receives another device's bodies.
CRurIvaDevice* g_pSteppingDevice = 0;

CRurIvaDevice* callbackDevice() {
  if (g_pSteppingDevice) return g_pSteppingDevice;
  return dynamic_cast<CRurIvaDevice*>(CRurIvaManager::getSharedInstance()->getOdeDevice());
}

CRurIvaEventQueue* eventQueue() { return CRurIvaManager::getSharedInstance()->getQueue(); }

void postEvent(IRurIvaEvent* pEvent) { eventQueue()->postEvent(pEvent, true); }

/**
 * What the collision callback needs of the world being stepped, looked up once per step while
 * its collision runs instead of once per pair. Anything that can change these (a listener of a
 * ray-hit event) makes the next pair look them up again; outside the step's collision (fast
 * collisions, a direct call) every pair looks them up.
 */
struct SContactContext {
  bool bCaching = false;
  bool bFresh = false;
  CRurIvaWorld* pWorld = 0;
  CRurIvaDevice* pDevice = 0;
  dWorldID w = 0;
  dJointGroupID g = 0;
  IRurIvaContactParameters* pCalculator = 0;
  //! The calculator is the layer's own, whose combination is known and the same for every slot.
  bool bDefaultCalculator = false;
  //! Another world exists, whose bodies may have geometries in this world's spaces.
  bool bSeveralWorlds = true;
  //! The world's constraint force mixing (CFM), and whether it is below the library's default
  //! (see kDefaultWorldMixing): then every contact is given the mixing its rows need.
  dReal fWorldMixing = 0;
  bool bStiffWorld = false;
} g_cContacts;

// The library's own world CFM in this (double precision) build. Below it, and at 0 above all
// (constraints as hard as can be), contacts that constrain the same motions (bodies piled into
// each other, each touching several others) leave the big-matrix solver nothing to tell their
// rows apart by: it gave velocities that are not a number, and the library aborted on a body's
// rotation. A world that stiff gives each contact the mixing its rows need (as contacts far out
// on light bodies get it, see regulariseContacts); joints keep the world's CFM.
const dReal kDefaultWorldMixing = 1e-10;

bool isNan(const core::vector3df& v) { return std::isnan(v.X) || std::isnan(v.Y) || std::isnan(v.Z); }

CRurIvaBody* bodyOf(dBodyID b) { return b ? static_cast<CRurIvaBody*>(dBodyGetData(b)) : 0; }

//! Said once per geometry whose contact was left out for its body's sake.
void sayContactLeftOut(const CRurIvaDevice* pDevice, dGeomID o) {
  if (CRurIvaGeom* p = geomOf(o); p && p->firstContactLeftOut())
    printf(
        "CRurIvaDevice::step: geometry %u touches farther from its body than the body's mass can be turned "
        "from; such contacts are not made\n",
        pDevice->getHandleOfGeom(o));
}

dReal massOf(dBodyID b) {
  dMass cMass;
  dBodyGetMass(b, &cMass);
  return cMass.mass;
}

//! Keeps the first n contacts of geometries o1 and o2 whose levers both bodies can carry, in
//! order, and writes the inverse mass of each kept contact's rows to pInverseMass; their new
//! count. Rarely called: kept out of the collision of every pair.
__attribute__((noinline, cold)) int withoutFarContacts(const CRurIvaDevice* pDevice, dContact* pContacts,
                                                       int n, dGeomID o1, dGeomID o2, dReal* pInverseMass) {
  dBodyID b1 = dGeomGetBody(o1), b2 = dGeomGetBody(o2);
  const dReal fMass1 = b1 ? massOf(b1) : 0, fMass2 = b2 ? massOf(b2) : 0;
  int iKept = 0;
  for (int i = 0; i < n; ++i) {
    const dReal* p = pContacts[i].geom.pos;
    const dReal fTurn1 = b1 ? contactTurn(b1, p) : 0, fTurn2 = b2 ? contactTurn(b2, p) : 0;
    const bool bFar1 = !(fTurn1 <= kMaxContactTurn), bFar2 = !(fTurn2 <= kMaxContactTurn);
    if (bFar1) sayContactLeftOut(pDevice, o1);
    if (bFar2) sayContactLeftOut(pDevice, o2);
    if (bFar1 || bFar2) continue;
    pInverseMass[iKept] = (b1 ? (1 + fTurn1) / fMass1 : 0) + (b2 ? (1 + fTurn2) / fMass2 : 0);
    if (iKept != i) pContacts[iKept].geom = pContacts[i].geom;
    ++iKept;
  }
  return iKept;
}

//! Gives each of the n contacts at least the mixing force its rows need at this step (see
//! kRegularisedInverseMass), where neither its surface's soft CFM nor the world's CFM does.
__attribute__((noinline, cold)) void regulariseContacts(dContact* pContacts, int n, const dReal* pInverseMass,
                                                        dReal fWorldMixing, dReal fStep) {
  for (int i = 0; i < n; ++i) {
    dSurfaceParameters& s = pContacts[i].surface;
    const dReal fNeeded = kMinRedundantMixing * fStep * pInverseMass[i];
    if (((s.mode & dContactSoftCFM) ? s.soft_cfm : fWorldMixing) >= fNeeded) continue;
    s.mode |= dContactSoftCFM;
    s.soft_cfm = fNeeded;
  }
}

// Contact damping: a static geometry with a damping surface slows the bodies that touch it.
void dampBody(CRurIvaBody* pBody, CRurIvaSurfaceParameters* p) {
  core::vector3df v = pBody->getLinearVelocity() * (1.0f - p->m_fLinearDamping);
  core::vector3df w = pBody->getAngularVelocity() * (1.0f - p->m_fAngularDamping);

  if (p->m_fMaxLinearVelocity > 0 && v.getLength() > p->m_fMaxLinearVelocity) {
    const f32 f = 1.0f - p->m_fMaxLinearVelocityDamping;
    if (v.getLength() * f < p->m_fMaxLinearVelocity)
      v = core::vector3df(v).normalize() * p->m_fMaxLinearVelocity;
    else
      v *= f;
  }
  if (p->m_fMaxAngularVelocity > 0 && w.getLength() > p->m_fMaxAngularVelocity) {
    const f32 f = 1.0f - p->m_fMaxAngularVelocityDamping;
    if (w.getLength() * f < p->m_fMaxAngularVelocity)
      w = core::vector3df(w).normalize() * p->m_fMaxAngularVelocity;
    else
      w *= f;
  }
  pBody->setLinearVelocity(v);
  pBody->setAngularVelocity(w);
}

const SContactContext* contactContext(CRurIvaWorld* pWorld) {
  SContactContext& c = g_cContacts;
  if (c.bFresh && c.pWorld == pWorld) return &c;
  c.bFresh = false;
  c.pWorld = pWorld;
  c.pDevice = callbackDevice();
  if (!c.pDevice || !pWorld) return 0;
  c.w = c.pDevice->getWorldId(pWorld->getWorldId());
  c.g = c.pDevice->getJGroupId(pWorld->getJointGroupId());
  // The world's calculator is its device's.
  c.pCalculator = c.pDevice->getContactCalculator();
  if (!c.w || !c.g || !c.pCalculator) return 0;
  c.bDefaultCalculator = typeid(*c.pCalculator) == typeid(CRurIvaContactParameters);
  c.bSeveralWorlds = severalWorlds();
  c.fWorldMixing = dWorldGetCFM(c.w);
  c.bStiffWorld = c.fWorldMixing < kDefaultWorldMixing;
  c.bFresh = c.bCaching;
  return &c;
}

// The largest constraint force mixing a contact row is given (soft CFM, slips), the largest a
// world's CFM may be set to. Far beyond it the mixing swamps the row's own terms (a mixing some
// 1e16 times them leaves the library's reals unchanged by them), the exact solver gives velocities
// that are not a number and the library aborts on the bodies' rotations. Negative mixing makes the
// solvers diverge.
const dReal kMaxContactMixing = 1e6;

inline dReal boundedMixing(dReal v) { return v > 0 ? std::min(v, kMaxContactMixing) : 0; }

/**
 * Makes a contact's surface one the library's solvers can take. A set cannot name a first friction
 * direction, so the flag that says one is given is dropped and the library picks both directions
 * at right angles to the normal, as without it: given as nothing, the direction made both friction
 * rows zero (no friction at all), and with no slip or mixing force on them the exact solver divided
 * by zero. The mixing values are bounded (see kMaxContactMixing). Where bAny (only a replaced
 * calculator gives such values), a friction that is not a number or negative, and any other value
 * that is no finite number, count as 0; an infinite friction is the library's own way of saying a
 * contact never slips.
 */
void makeSolvable(dSurfaceParameters& s, bool bAny) {
  s.mode &= ~dContactFDir1;
  if (bAny) {
    for (dReal* v : {&s.mu, &s.mu2})
      if (!(*v >= 0)) *v = 0;
    for (dReal* v : {&s.bounce, &s.bounce_vel, &s.soft_erp, &s.motion1, &s.motion2, &s.motionN})
      if (!std::isfinite(*v)) *v = 0;
  }
  s.soft_cfm = boundedMixing(s.soft_cfm);
  s.slip1 = boundedMixing(s.slip1);
  s.slip2 = boundedMixing(s.slip2);
}

void toSurface(const SRurIvaContactSurface& c, dSurfaceParameters& s) {
  s.mode = c.iMode;
  s.mu = c.aValues[eRurIvaValueMu];
  s.mu2 = c.aValues[eRurIvaValueMu2];
  s.bounce = c.aValues[eRurIvaValueBounce];
  s.bounce_vel = c.aValues[eRurIvaValueBounceVel];
  s.soft_erp = c.aValues[eRurIvaValueSoftErp];
  s.soft_cfm = c.aValues[eRurIvaValueSoftCfm];
  s.motion1 = c.aValues[eRurIvaValueMotion1];
  s.motion2 = c.aValues[eRurIvaValueMotion2];
  s.motionN = c.aValues[eRurIvaValueMotionN];
  s.slip1 = c.aValues[eRurIvaValueSlip1];
  s.slip2 = c.aValues[eRurIvaValueSlip2];
  makeSolvable(s, false);
}

/**
 * The layer's own combination of the last pair of surfaces combined. Most pairs of a scene
 * combine the same few surfaces (a level's material and a kind of body), so the combination is
 * worked out again only when a surface value differs from the last pair's. Only the collision
 * callback uses it, on the stepping thread.
 */
struct SLastCombination {
  bool bValid = false;
  SRurIvaContactSurface a, b;
  dSurfaceParameters cSurface;
} g_cLastCombination;

//! The two records hold the same bits (a not-a-number value equals itself here).
bool sameBits(const SRurIvaContactSurface& a, const SRurIvaContactSurface& b) {
  static_assert(sizeof(SRurIvaContactSurface) == 6 * sizeof(uint64_t), "six words");
  uint64_t x[6], y[6];
  memcpy(x, &a, sizeof(x));
  memcpy(y, &b, sizeof(y));
  return ((x[0] ^ y[0]) | (x[1] ^ y[1]) | (x[2] ^ y[2]) | (x[3] ^ y[3]) | (x[4] ^ y[4]) | (x[5] ^ y[5])) == 0;
}

//! The mode and contact values of set p of geometry g: the geometry's copy for its first set,
//! else read from the set into cRead.
const SRurIvaContactSurface& contactValues(CRurIvaGeom* g, CRurIvaSurfaceParameters* p,
                                           SRurIvaContactSurface& cRead) {
  if (p == g->getFirstSurfaceParameters())
    if (const SRurIvaContactSurface* pCopy = g->firstContactValues()) return *pCopy;
  cRead = CRurIvaContactParameters::valuesOf(p);
  return cRead;
}

//! The position of library geometry o in the list of mesh node g (-1: not there): as the node
//! noted it, else found through its handle (a look-up in a table of every geometry) and noted.
s32 materialIndex(const CRurIvaDevice* pDevice, CRurIvaGeomTrimesh* g, dGeomID o) {
  s32 i = g->notedIndexOfLibraryGeom(o);
  if (i != -1) return i;
  i = g->getIndexOfGeom(pDevice->getHandleOfGeom(o));
  if (i != -1) g->noteLibraryGeom(static_cast<u32>(i), o);
  return i;
}

const dSurfaceParameters& combinedSurface(const SRurIvaContactSurface& a, const SRurIvaContactSurface& b) {
  SLastCombination& c = g_cLastCombination;
  if (!c.bValid || !sameBits(a, c.a) || !sameBits(b, c.b)) {
    SRurIvaContactSurface cCombined;
    CRurIvaContactParameters::combineValues(a, b, cCombined);
    c.cSurface = dSurfaceParameters();
    toSurface(cCombined, c.cSurface);
    c.a = a;
    c.b = b;
    c.bValid = true;
  }
  return c.cSurface;
}

//! The result set a replaced calculator writes into: made once, so that asking the calculator
//! allocates nothing (a set's name does). Only the collision callback uses it, on the stepping
//! thread.
CRurIvaSurfaceParameters& calculatorResult() {
  static CRurIvaSurfaceParameters cResult;
  return cResult;
}

/**
 * Reports one moved body to the scene: its node takes its new absolute transformation's basis,
 * the body's own per-step work runs (fast-moving ray, finite rotation axis), and a body-moved
 * event with position, rotation and the given velocities goes to the queue, whose first
 * listener, the manager, applies it to the node. p and q are the library body's position and
 * rotation; bFinite says the position is known to be a number (told by the caller's checks).
 */
__attribute__((always_inline)) inline void reportMove(CRurIvaEventQueue* pQueue, u64 iToken, const dReal* p,
                                                      const dReal* q, const COdeDataWrapper* r,
                                                      CRurIvaBody* pBody, bool bFinite,
                                                      const core::vector3df& cLinear,
                                                      const core::vector3df& cAngular) {
  if (!pBody) return;
  pBody->noteMovedByStep(iToken);
  if (!pBody->getUpdateGraphics()) return;

  const f32 aQuat[4] = {static_cast<f32>(q[0]), static_cast<f32>(q[1]), static_cast<f32>(q[2]),
                        static_cast<f32>(q[3])};
  core::vector3df cRotation;
  CRurIvaDevice::quaternionToEuler(aQuat, cRotation);

  // The node origin, not the centre of mass the library body sits at.
  core::vector3df cPosition = r && hasCentre(r) ? originFromCentre(r, p) : toVector(p);

  if (isNan(cRotation)) cRotation = pBody->getAbsoluteTransformation().getRotationDegrees();
  if (!bFinite && isNan(cPosition)) cPosition = pBody->getAbsolutePosition();

  pBody->updateMovedAbsolutePosition();
  pBody->bodyMoved(cPosition);

  pQueue->postEvent(pQueue->acquire<CRurIvaEventBodyMoved>(pBody, cPosition, cRotation, cLinear, cAngular),
                    true);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Stepping

void CRurIvaDevice::step(f32 fTime, CRurIvaWorld* pWorld) { stepWorld(fTime, pWorld, false); }

void CRurIvaDevice::quickStep(f32 fTime, CRurIvaWorld* pWorld) { stepWorld(fTime, pWorld, true); }

void CRurIvaDevice::stepWorld(f32 fTime, CRurIvaWorld* pWorld, bool bQuick) {
  if (!pWorld || !getWorldId(pWorld->getWorldId())) {
    if (!m_bStepReported) {
      printf("CRurIvaDevice::step: the world has no dynamics world, nothing stepped\n");
      m_bStepReported = true;
    }
    return;
  }
  if (!std::isfinite(fTime)) {
    printf("CRurIvaDevice::step: elapsed time %f is not a number of seconds, nothing stepped\n", fTime);
    return;
  }
  if (m_iCollisionPasses > 0) {
    // From a ray-hit listener or a contact calculator: the library's spaces are locked.
    printf("CRurIvaDevice::step: called during a collision pass, nothing stepped\n");
    return;
  }
  ensureLibrary();

  m_fTimeAccumulator += fTime;
  if (!(m_fTimeAccumulator > 0.0f)) return;

  CRurIvaDevice* pOuter = g_pSteppingDevice;
  g_pSteppingDevice = this;
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  CRurIvaEventQueue* pQueue = pManager->getQueue();
  // A listener may remove the world's node (a game changing its level from a step event): the
  // node lives on until this step is over, and the step ends once no one else holds it.
  pWorld->grab();

  u32 iSteps = 0;
  while (m_fTimeAccumulator > 0.0f) {
    if (pWorld->getReferenceCount() == 1) break;
    if (m_iMaxSteps != 0 && iSteps == m_iMaxSteps) {
      // A long stall (a dragged window, a debugger) does not turn into seconds of catching up.
      m_fDroppedTime += m_fTimeAccumulator;
      m_fTimeAccumulator = 0.0f;
      break;
    }
    ++iSteps;
    dWorldID w = getWorldId(pWorld->getWorldId());
    if (!w) break;  // a listener removed the world during the previous step

    pWorld->resetCollisionAttributes();
    pQueue->postEvent(pQueue->acquire<CRurIvaEventBeforeStep>(), true);

    parkPlacedBodies();
    if (!m_aNestedSpaces.empty()) parkFarSpaces();
    // The contacts a fast body was given where its ray hit are made again by this pass (the body
    // sits there still); twice over, their rows are ones the exact solver cannot tell apart, and
    // it aborts on a zero pivot.
    if (!m_aFastContactGroups.empty()) dropFastContacts(pWorld);
    CRurIvaSpace* pSpace = pWorld->getSpace();
    if (dSpaceID s = pSpace ? getSpaceId(pSpace->getSpaceId()) : 0) {
      g_cContacts.bCaching = true;
      g_cContacts.bFresh = false;
      ++m_iCollisionPasses;
      m_cBroadPhase.collide(s, pWorld, nearCollisionCallback);
      collideNestedSpaces(pWorld, s);
      endCollisionPass();
      g_cContacts.bCaching = false;
      g_cContacts.bFresh = false;
    }
    // A listener (of the before-step event, of a ray hit) may have removed the world.
    w = getWorldId(pWorld->getWorldId());
    if (!w || pWorld->getReferenceCount() == 1) break;

    // The library reports every body it moves from inside its step; the reports are collected
    // and handed to the scene right after it (see bodyMovedCallback).
    // (A step started by a listener of those reports reports its moves at once, on one thread.)
    const bool bCollect = !(m_pMoved && m_pMoved->bReporting);
    const bool bThreaded = bCollect && prepareStepThreads(record(pWorld->getWorldId()));
    // The bodies this step moves are marked with a token of its own (see m_iActivationToken).
    m_iMovesToken = ++m_iActivationToken;
    if (bCollect) beginMoves(bThreaded);
    // The iterative solver copes with joints that constrain the same motions; the exact one may not.
    if (!bQuick && !m_aRedundantJoints.empty()) letGoOfWeakRedundantJoints(w);
    if (!m_aSlidingJoints.empty()) letGoOfOverreachingJoints(w);
    const int iStepped = bQuick ? dWorldQuickStep(w, m_fStepSize) : dWorldStep(w, m_fStepSize);
    if (!iStepped && !m_bStepFailed) {
      // The library found no memory for the step's matrices (the exact solver's grow with the
      // square of an island's contact rows): nothing moved.
      printf("CRurIvaDevice::step: the dynamics library had no memory for this step, nothing moved\n");
    }
    m_bStepFailed = !iStepped;
    if (bCollect) reportMoves();

    if (dJointGroupID g = getJGroupId(pWorld->getJointGroupId())) dJointGroupEmpty(g);
    if (!bQuick) handleFastCollisions();

    const f32 fBefore = m_fTimeAccumulator;
    m_fTimeAccumulator -= m_fStepSize;
    if (!(m_fTimeAccumulator < fBefore)) {
      // So much time that one step no longer changes the float: it can never be used up.
      printf("CRurIvaDevice::step: %f seconds cannot be stepped away, the rest is dropped\n", fBefore);
      m_fTimeAccumulator = 0.0f;
    }

    pManager->stepStepMotors();

    CRurIvaEventStep* pStep = pQueue->acquire<CRurIvaEventStep>(static_cast<u32>(m_iStepCounter));
    ++m_iStepCounter;
    pStep->setFrameNo(pManager->getFrameNo());
    pQueue->postEvent(pStep, true);

    if (pWorld->getReferenceCount() == 1) break;
    pWorld->frameUpdate(m_iActivationToken);
  }
  g_pSteppingDevice = pOuter;
  pWorld->drop();
}

void CRurIvaDevice::collideNestedSpaces(CRurIvaWorld* pWorld, dSpaceID pTop) {
  for (u32 i = 0; i < m_aNestedSpaces.size(); ++i) {
    dSpaceID s = getSpaceId(m_aNestedSpaces[i]);
    if (!s) continue;
    // Only the spaces below this world's top space (a destroyed parent leaves a space alone).
    dSpaceID p = dGeomGetSpace(reinterpret_cast<dGeomID>(s));
    while (p && p != pTop) p = dGeomGetSpace(reinterpret_cast<dGeomID>(p));
    if (p) m_cBroadPhase.collide(s, pWorld, nearCollisionCallback);
  }
}

// A hash space numbers the cells of a small geometry in 32-bit integers, and a nested space is a
// geometry of its parent whose bounds are those of what it holds: a space holding only bodies out
// of reach (their own geometries sit out) is a small box far out, and a hash space parent aborts on
// it. Such a space sits out of its parent's collision until something in it is within reach again;
// nothing in it could touch anything within reach meanwhile. (A space also holding geometries
// within reach is as large as the distance between them, which no hash space numbers by cells.)
void CRurIvaDevice::parkFarSpaces() {
  for (u32 i = 0; i < m_aNestedSpaces.size(); ++i) {
    dSpaceID s = getSpaceId(m_aNestedSpaces[i]);
    if (!s || dSpaceGetNumGeoms(s) == 0) continue;
    dGeomID g = reinterpret_cast<dGeomID>(s);
    dReal a[6];
    dGeomGetAABB(g, a);
    bool bReached = true;
    for (int k = 0; k < 3; ++k)
      if (!(a[2 * k] < kMaxCoordinate && a[2 * k + 1] > -kMaxCoordinate)) bReached = false;
    if (bReached)
      dGeomEnable(g);
    else
      dGeomDisable(g);
  }
}

void CRurIvaDevice::endCollisionPass() {
  if (--m_iCollisionPasses > 0 || m_aAfterPass.empty()) return;
  // In the order asked for; every call checks its handles again.
  std::vector<std::function<void()>> aCalls;
  aCalls.swap(m_aAfterPass);
  m_bFinishingPass = true;
  for (const std::function<void()>& fCall : aCalls) fCall();
  m_bFinishingPass = false;
}

// A body that has lost its position (not a number, or blown far away) makes the collision of
// some shapes and spaces abort; its geometries sit out until the body has a position again. It
// is still simulated, and the moved callback keeps its node where it was.
void CRurIvaDevice::updateParking(COdeDataWrapper* r, u32 iBody) {
  if (!r || !r->m_pBody) return;
  const bool bLost = !usablePosition(dBodyGetPosition(r->m_pBody));
  if (bLost == r->m_bParked) return;
  r->m_bParked = bLost;
  for (dGeomID g = dBodyGetFirstGeom(r->m_pBody); g; g = dBodyGetNextGeom(g)) {
    if (bLost)
      dGeomDisable(g);
    else
      dGeomEnable(g);
  }
  if (bLost) {
    printf("CRurIvaDevice::step: body %u has no usable position, it leaves collision\n", iBody);
    letGoOfJoints(r->m_pBody);
  }
}

template <class TLook>
void CRurIvaDevice::lookAtJoints(std::vector<u32>& aJoints, dWorldID w, TLook fLook) {
  size_t iKept = 0;
  for (u32 iJoint : aJoints) {
    COdeDataWrapper* r = live(iJoint, eKindJoint);
    if (!r || !r->m_pJoint) continue;  // destroyed: forgotten
    aJoints[iKept++] = iJoint;
    if (getWorldId(r->m_iWorld) == w && dJointIsEnabled(r->m_pJoint)) fLook(iJoint, r->m_pJoint);
  }
  aJoints.resize(iKept);
}

void CRurIvaDevice::letGoOfWeakRedundantJoints(dWorldID w) {
  const dReal fWorldMixing = dWorldGetCFM(w);
  lookAtJoints(m_aRedundantJoints, w, [&](u32 iJoint, dJointID j) {
    const dReal fMixing = jointRowMixing(j, fWorldMixing);
    if (!closesJointLoop(j, true)) return;
    const dReal fInverseMass = islandInverseMass(j);
    if (fMixing >= kMinRedundantMixing * m_fStepSize * fInverseMass) return;
    printf(
        "CRurIvaDevice::step: joint %u holds what other joints of its bodies hold, and its rows' CFM %g "
        "is too small to tell them apart at this step; the joint is disabled\n",
        iJoint, fMixing);
    dJointDisable(j);
  });
}

namespace {

// The library's PR joint holds the turns about its slide and about the line square to both axes,
// and the moves along its turning axis and that line: rows that hold what they should only where
// the axes are square. Axes at a slant let the bodies turn and slide where the joint should hold
// them (a bar hung by a PR joint from a hinged arm, its axes 45 degrees apart, left the arm's
// plane and slid thousands of units past stops half a unit away), and parallel axes leave two
// rows without any direction. Axes are set one at a time, so they are looked at before the
// step: a slant beyond this cosine (about the rounding of a float axis) turns the turning axis
// square to the slide.
const dReal kMaxPrAxesCosine = 1e-5;

//! Turns PR joint j's turning axis square to its slide; false where they are parallel and the
//! joint was disabled.
bool squarePrAxes(u32 iJoint, dJointID j) {
  if (!dJointGetBody(j, 0)) return true;  // the library's axes need the joint's first body
  dVector3 a, b;
  dJointGetPRAxis1(j, a);
  dJointGetPRAxis2(j, b);
  const dReal fCos = dCalcVectorDot3(a, b);
  if (std::fabs(fCos) <= kMaxPrAxesCosine) return true;
  if (areParallel(a, b)) {
    printf("CRurIvaDevice::step: the axes of PR joint %u are parallel, the joint is disabled\n", iJoint);
    dJointDisable(j);
    return false;
  }
  dVector3 c = {b[0] - fCos * a[0], b[1] - fCos * a[1], b[2] - fCos * a[2], 0};
  dNormalize3(c);
  printf(
      "CRurIvaDevice::step: axis 2 of PR joint %u is not square to its axis 1; it is turned square to it\n",
      iJoint);
  dJointSetPRAxis2(j, c[0], c[1], c[2]);
  return true;
}

}  // namespace

// A joint's levers are checked where it is attached or anchored and where its bodies are placed
// or given a mass. The library keeps a ball's, hinge's, universal's or hinge-2's anchor (and a
// fixed joint's offset) in each body's frame, so the levers their rows carry stay as checked
// however the bodies move. A sliding joint's do not: the rows that keep its bodies from turning
// reach across the distance they slid apart, or from the anchor. A speck pushed along a PR joint's
// axis lent the exact solver rows it could not factor, and the library aborted on the speck's
// rotation a few steps later. Sliding joints are looked at again before each step.
void CRurIvaDevice::letGoOfOverreachingJoints(dWorldID w) {
  lookAtJoints(m_aSlidingJoints, w, [this](u32 iJoint, dJointID j) {
    if (dJointGetType(j) == dJointTypePR && !squarePrAxes(iJoint, j)) return;
    if (jointSpanTooLong(j)) {
      printf("CRurIvaDevice::step: joint %u reaches too far for the bodies it joins, the joint is disabled\n",
             iJoint);
      dJointDisable(j);
    } else if (slidBeyondItsIsland(j, m_fLightestMoment)) {
      printf(
          "CRurIvaDevice::step: joint %u slid too far for the most readily turning body joined to it, "
          "the joint is disabled\n",
          iJoint);
      dJointDisable(j);
    }
  });
}

void CRurIvaDevice::parkPlacedBodies() {
  for (u32 iBody : m_aPlacedBodies) {
    COdeDataWrapper* r = live(iBody, eKindBody);
    stopIfBlown(r, iBody);
    updateParking(r, iBody);
    // A body placed far from a body it is joined to lets go of that joint.
    if (!r || !r->m_pBody) continue;
    disableJointsBeyondTheSolver(r->m_pBody, "step", iBody);
  }
  m_aPlacedBodies.clear();
}

namespace {

// No simulation that has not blown up comes near these numbers. Values beyond them, stepped on,
// grow until the library's reals overflow, and a rotation of infinity or not-a-number makes the
// library abort in its quaternion normalisation (one step later, or at once).
const dReal kBlownUp = 1e18;
//! Where a stopped body that had gone further, or nowhere, is left: out of reach, inside kBlownUp.
const dReal kParkedAt = 1e17;

bool withinBlownUp(const dReal* v) {
  for (int i = 0; i < 3; ++i)
    if (!(v[i] > -kBlownUp && v[i] < kBlownUp)) return false;
  return true;
}

//! The quick look at every moved body: a rotation of about unit length, a position within reach
//! and velocities far inside a blow-up, told from sums of magnitudes (not-a-number and infinity
//! fail the comparisons). Stricter than the blow-up check and usablePosition() (the length's
//! bounds lie inside theirs, so no rounding of the sums lets a body through that they stop): a
//! body it fails is looked at closely. Two lanes at a time where the processor has them.
inline bool usual(const dReal* p, const dReal* q, const dReal* v, const dReal* w) {
#if defined(__SSE2__)
  static_assert(sizeof(dReal) == sizeof(double), "the library's reals are doubles");
  const __m128d kAbs = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d q01 = _mm_loadu_pd(q), q23 = _mm_loadu_pd(q + 2);
  const __m128d aLen = _mm_add_pd(_mm_mul_pd(q01, q01), _mm_mul_pd(q23, q23));
  const __m128d aPos = _mm_add_pd(_mm_and_pd(_mm_loadu_pd(p), kAbs), _mm_and_pd(_mm_load_sd(p + 2), kAbs));
  const __m128d aVel =
      _mm_add_pd(_mm_add_pd(_mm_and_pd(_mm_loadu_pd(v), kAbs), _mm_and_pd(_mm_loadu_pd(w), kAbs)),
                 _mm_and_pd(_mm_set_pd(w[2], v[2]), kAbs));
  const dReal fLenSq = _mm_cvtsd_f64(_mm_add_sd(aLen, _mm_unpackhi_pd(aLen, aLen)));
  const dReal fPos = _mm_cvtsd_f64(_mm_add_sd(aPos, _mm_unpackhi_pd(aPos, aPos)));
  const dReal fVel = _mm_cvtsd_f64(_mm_add_sd(aVel, _mm_unpackhi_pd(aVel, aVel)));
#else
  const dReal fLenSq = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
  const dReal fPos = std::fabs(p[0]) + std::fabs(p[1]) + std::fabs(p[2]);
  const dReal fVel = std::fabs(v[0]) + std::fabs(v[1]) + std::fabs(v[2]) + std::fabs(w[0]) + std::fabs(w[1]) +
                     std::fabs(w[2]);
#endif
  return (fLenSq > 0.5) & (fLenSq < 2.0) & (fPos < kMaxCoordinate) & (fVel < kBlownUp);
}

//! A position placed as not-a-number by hand is no blow-up: the body sits out of collision and
//! its node keeps where it was until it is given a position again.
bool positionWithinBlownUp(const dReal* v) {
  for (int i = 0; i < 3; ++i)
    if (!std::isnan(v[i]) && !(v[i] > -kBlownUp && v[i] < kBlownUp)) return false;
  return true;
}

}  // namespace

// A huge gravity or force, a huge step, or joints pulling at a body far out blow a body's
// simulation up; it would take every body joined to it along, and the library would end the
// process. Such a body is stopped: no velocity, no waiting force or torque, a rotation the library
// can normalise (the identity for one it cannot), and a position inside kBlownUp; where that is
// out of reach its geometries sit out of collision as for any body out of reach. Every body the
// library moves is looked at right after its step, and every body placed by hand before the
// next, so no step needs to look at all bodies.
bool CRurIvaDevice::stopIfBlown(COdeDataWrapper* r, u32 iBody) {
  if (!r || !r->m_pBody) return false;
  dBodyID b = r->m_pBody;
  const dReal* q = dBodyGetQuaternion(b);
  const dReal fLenSq = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
  const bool bRotation = fLenSq > 0.25 && fLenSq < 4.0;
  if (bRotation && positionWithinBlownUp(dBodyGetPosition(b)) && withinBlownUp(dBodyGetLinearVel(b)) &&
      withinBlownUp(dBodyGetAngularVel(b)))
    return false;

  if (!r->m_bStopped) {
    printf("CRurIvaDevice::step: the simulation of body %u blew up, it is stopped\n", iBody);
    r->m_bStopped = true;
  }
  const dReal* p = dBodyGetPosition(b);
  dReal aPos[3];
  for (int i = 0; i < 3; ++i)
    aPos[i] = std::isnan(p[i]) ? p[i] : std::max(-kParkedAt, std::min(kParkedAt, p[i]));
  dBodySetPosition(b, aPos[0], aPos[1], aPos[2]);
  if (!bRotation) {
    const dQuaternion cIdentity = {1, 0, 0, 0};
    dBodySetQuaternion(b, cIdentity);
  }
  dBodySetLinearVel(b, 0, 0, 0);
  dBodySetAngularVel(b, 0, 0, 0);
  dBodySetForce(b, 0, 0, 0);
  dBodySetTorque(b, 0, 0, 0);
  letGoOfJoints(b);
  return true;
}

// A joint to a body far out of reach pulls both ends beyond any number within one step, and the
// library then aborts on their rotations: the joints of a body that is stopped or out of reach
// are let go (the library keeps them, disabled).
void CRurIvaDevice::letGoOfJoints(dBodyID b) {
  for (int i = 0, n = dBodyGetNumJoints(b); i < n; ++i)
    if (dJointID j = dBodyGetJoint(b, i); dJointGetType(j) != dJointTypeContact) dJointDisable(j);
}

void forgetSteppingDevice(const CRurIvaDevice* pDevice) {
  if (g_pSteppingDevice == pDevice) g_pSteppingDevice = 0;
}

bool isSteppingDevice(const CRurIvaDevice* pDevice) { return g_pSteppingDevice == pDevice; }

// ---------------------------------------------------------------------------------------------
// Collision

void CRurIvaDevice::convertToSurfaceParameters(dSurfaceParameters* pOut, CRurIvaSurfaceParameters* pIn) {
  pOut->mode = pIn->getMode();
  pOut->mu = pIn->getMu();
  pOut->mu2 = pIn->getMu2();
  pOut->bounce = pIn->getBounce();
  pOut->bounce_vel = pIn->getBounceVel();
  pOut->soft_erp = pIn->getSoftErp();
  pOut->soft_cfm = pIn->getSoftCfm();
  pOut->motion1 = pIn->getMotion1();
  pOut->motion2 = pIn->getMotion2();
  pOut->motionN = pIn->getMotionN();
  pOut->slip1 = pIn->getSlip1();
  pOut->slip2 = pIn->getSlip2();
}

namespace {

//! A contact the step can use: a direction of about unit length, a finite depth and point
//! (not-a-number and infinity fail the comparisons).
inline bool usableContact(const dContactGeom& k) {
  const dReal fLenSq = k.normal[0] * k.normal[0] + k.normal[1] * k.normal[1] + k.normal[2] * k.normal[2];
  const dReal fSum = (k.pos[0] + k.pos[1]) + (k.pos[2] + k.depth);
  return (fLenSq > 0.5) & (fLenSq < 2.0) & (std::fabs(fSum) < kBlownUp);
}

//! The quick look at the n contacts a collider reported: not-a-number or infinity anywhere in
//! their points, directions or depths makes the sum one (a sum that merely overflows is looked
//! at closely too). Broken contacts always have one of them.
inline bool finiteContacts(const dContact* pContacts, int n) {
  dReal fSum = 0;
  for (int i = 0; i < n; ++i) {
    const dContactGeom& k = pContacts[i].geom;
    fSum += ((k.pos[0] + k.pos[1]) + (k.pos[2] + k.depth)) + ((k.normal[0] + k.normal[1]) + k.normal[2]);
  }
  return std::fabs(fSum) < std::numeric_limits<dReal>::infinity();
}

//! The body of library geometry g, whose node is p: as the node keeps it where it knows it (see
//! CRurIvaDevice::noteNodeBody), else as the library has it.
inline dBodyID bodyOfGeom(const CRurIvaGeom* p, dGeomID g) {
  return p->libraryBodyKnown() ? static_cast<dBodyID>(p->getLibraryBody()) : dGeomGetBody(g);
}

//! A box side or a cylinder's radius or length too thin for the library's cylinder colliders
//! (see CRurIvaDevice::geomSetData) meets a cylinder, or a thin cylinder meets a capsule.
__attribute__((noinline, cold)) bool beyondCylinderColliders(dGeomID o1, dGeomID o2) {
  const int c1 = dGeomGetClass(o1), c2 = dGeomGetClass(o2);
  if (c1 != dCylinderClass && c2 != dCylinderClass) return false;
  const int iOther = c1 == dCylinderClass ? c2 : c1;
  return iOther == dBoxClass || iOther == dCapsuleClass || iOther == dCylinderClass;
}

// Some colliders give contacts without a direction, or with a depth of not-a-number, where the
// shapes leave them none to find: a ball centred exactly on a mesh's corner, a cylinder and a ball
// sharing their centre, shapes below what a collider resolves. The step turns such a contact into
// a rotation of not-a-number and the library aborts. The n contacts are kept, in order, where
// they are usable; their new count. Said once per device (bReported).
__attribute__((noinline, cold)) int withoutBrokenContacts(const CRurIvaDevice* pDevice, bool& bReported,
                                                          dContact* pContacts, int n, dGeomID o1,
                                                          dGeomID o2) {
  int iKept = 0;
  for (int i = 0; i < n; ++i) {
    if (!usableContact(pContacts[i].geom)) continue;
    if (iKept != i) pContacts[iKept].geom = pContacts[i].geom;
    ++iKept;
  }
  if (iKept < n && !bReported) {
    printf(
        "CRurIvaDevice::step: geometries %u and %u touch where the library finds no direction (a shape "
        "centred on a corner or on the other's centre, or too small for it); such contacts are not made\n",
        pDevice->getHandleOfGeom(o1), pDevice->getHandleOfGeom(o2));
    bReported = true;
  }
  return iKept;
}

/**
 * The checks of a pair with a marked geometry (see CRurIvaGeom::getPairChecks): false when the
 * pair is not collided (a geometry that does not collide, one collision group, a ray, which is
 * handled here, a pair beyond the cylinder colliders). Out of line: most pairs have no mark.
 */
__attribute__((noinline)) bool passesPairChecks(dGeomID o1, dGeomID o2, CRurIvaGeom* g1, CRurIvaGeom* g2,
                                                u8 iChecks) {
  if (!g1->doesCollide() || !g2->doesCollide()) return false;
  if (g1->getCollisionGroup() != 0 && g1->getCollisionGroup() == g2->getCollisionGroup()) return false;
  if (iChecks & CRurIvaGeom::ePairRay) {
    // A ray meets every geometry but those of bodies joined to its own, static ones included.
    const dBodyID b1 = bodyOfGeom(g1, o1), b2 = bodyOfGeom(g2, o2);
    if (b1 && b2 && dAreConnectedExcluding(b1, b2, dJointTypeContact)) return false;
    // Which of the two is a ray is the library's to say: a game may hand any node to a library
    // ray, or a ray node to another shape, and the ray test's guards hold for rays only.
    if (dGeomGetClass(o1) == dRayClass) {
      CRurIvaDevice::handleRayEvent(o1, o2);
      return false;
    }
    if (dGeomGetClass(o2) == dRayClass) {
      CRurIvaDevice::handleRayEvent(o2, o1);
      return false;
    }
  }
  // Pairs the library's cylinder colliders cannot resolve are not collided (see geomSetData).
  return !((iChecks & CRurIvaGeom::ePairThin) && beyondCylinderColliders(o1, o2));
}

}  // namespace

void CRurIvaDevice::nearCollisionCallback(void* pData, dGeomID o1, dGeomID o2) {
  // The library pairs geometries, never a null one.
  CRurIvaGeom* g1 = static_cast<CRurIvaGeom*>(dGeomGetData(o1));
  CRurIvaGeom* g2 = static_cast<CRurIvaGeom*>(dGeomGetData(o2));
  if (!g1 || !g2) {
    // A space carries no geometry node. Only the pairs across the two are made here; the inside
    // of every nested space is collided once per step by the step itself (here it would be
    // collided once per neighbour, or never when the space has none).
    if (dGeomIsSpace(o1) || dGeomIsSpace(o2)) dSpaceCollide2(o1, o2, pData, nearCollisionCallback);
    return;
  }
  // Most pairs are of two colliding geometries without group that are no rays, whose nodes know
  // their bodies: one test, and no call into the library for a pair that does not touch.
  const u8 iChecks = g1->getPairChecks() | g2->getPairChecks();
  if (iChecks != 0 && !passesPairChecks(o1, o2, g1, g2, iChecks)) return;
  const bool bKnown = !(iChecks & CRurIvaGeom::ePairBodyUnknown);
  const dBodyID b1 = bKnown ? static_cast<dBodyID>(g1->getLibraryBody()) : bodyOfGeom(g1, o1);
  const dBodyID b2 = bKnown ? static_cast<dBodyID>(g2->getLibraryBody()) : bodyOfGeom(g2, o2);
  // Two static geometries, or two of one body (a joint would join a body to itself), never touch.
  if (b1 == b2) return;
  if (b1 && b2 && dAreConnectedExcluding(b1, b2, dJointTypeContact)) return;

  // The surface sets and the bodies' touching state are used only for a pair that touches, after
  // the collision; asked for now, they arrive while the library collides.
  g1->prefetchFirstContactValues();
  g2->prefetchFirstContactValues();
  if (const CRurIvaBody* pBody = g1->getBody()) pBody->prefetchStepState();
  if (const CRurIvaBody* pBody = g2->getBody()) pBody->prefetchStepState();
  // Most broad-phase pairs do not touch: collide first, and do the rest only for contacts that
  // exist. The library writes the geometry part of each contact it reports.
  dContact aContacts[kMaxContacts];
  int iFound = dCollide(o1, o2, kMaxContacts, &aContacts[0].geom, sizeof(dContact));
  if (iFound <= 0) return;

  const SContactContext* c = contactContext(static_cast<CRurIvaWorld*>(pData));
  if (!c) return;
  if (!finiteContacts(aContacts, iFound)) {
    iFound =
        withoutBrokenContacts(c->pDevice, c->pDevice->m_bBrokenContactsReported, aContacts, iFound, o1, o2);
    if (iFound == 0) return;
  }
  // Contacts farther from a body than its mass can be turned from are not made (see
  // reviewContactLevers); only pairs with a marked geometry look, and every pair of a stiff world,
  // whose contacts all need the inverse mass of their rows.
  dReal aInverseMass[kMaxContacts];
  const bool bLevers = (iChecks & CRurIvaGeom::ePairLever) || c->bStiffWorld;
  const int n = bLevers ? withoutFarContacts(c->pDevice, aContacts, iFound, o1, o2, aInverseMass) : iFound;
  if (n == 0) return;
  // Contacts join bodies of the stepped world only (the library aborts on a joint between worlds);
  // with one world there is no other.
  if (c->bSeveralWorlds && ((b1 && dBodyGetWorld(b1) != c->w) || (b2 && dBodyGetWorld(b2) != c->w))) return;

  CRurIvaSurfaceParameters* p1 = g1->getFirstSurfaceParameters();
  CRurIvaSurfaceParameters* p2 = g2->getFirstSurfaceParameters();
  s32 m1 = 0, m2 = 0;
  // A triangle mesh has one surface per material; the touched geometry names the material.
  if (g1->picksSetByGeom()) {
    m1 = materialIndex(c->pDevice, static_cast<CRurIvaGeomTrimesh*>(g1), o1);
    if (m1 != -1) p1 = g1->getSurfaceParameters(static_cast<u32>(m1));
  }
  if (g2->picksSetByGeom()) {
    m2 = materialIndex(c->pDevice, static_cast<CRurIvaGeomTrimesh*>(g2), o2);
    if (m2 != -1) p2 = g2->getSurfaceParameters(static_cast<u32>(m2));
  }
  if (!p1 || !p2) return;

  // The surface of every contact made: the layer's own combination is the same for every
  // contact of the pair and is worked out once; a calculator the application put in its place is
  // asked once for every contact, as it was asked once for every slot before.
  if (c->bDefaultCalculator) {
    SRurIvaContactSurface cRead1, cRead2;
    const dSurfaceParameters& cSurface =
        combinedSurface(contactValues(g1, p1, cRead1), contactValues(g2, p2, cRead2));
    for (int i = 0; i < n; ++i) aContacts[i].surface = cSurface;
  } else {
    CRurIvaSurfaceParameters& cResult = calculatorResult();
    for (int i = 0; i < n; ++i) {
      c->pCalculator->calculateContactParameters(p1, p2, &cResult);
      aContacts[i].surface = dSurfaceParameters();
      convertToSurfaceParameters(&aContacts[i].surface, &cResult);
      makeSolvable(aContacts[i].surface, true);
    }
  }
  if (bLevers) regulariseContacts(aContacts, n, aInverseMass, c->fWorldMixing, c->pDevice->m_fStepSize);

  if (CRurIvaBody* pBody1 = bodyOf(b1)) {
    pBody1->setCollision(true);
    pBody1->setIsTouching(g2);
    pBody1->setCollisionMaterial(m2);
    pBody1->setCollisionPoint(toVector(aContacts[0].geom.pos));
    if (!b2 && p2->m_bDamps) dampBody(pBody1, p2);
  }
  if (CRurIvaBody* pBody2 = bodyOf(b2)) {
    pBody2->setCollision(true);
    pBody2->setIsTouching(g1);
    pBody2->setCollisionMaterial(m1);
    pBody2->setCollisionPoint(toVector(aContacts[0].geom.pos));
    if (!b1 && p1->m_bDamps) dampBody(pBody2, p1);
  }

  for (int i = 0; i < n; ++i) {
    dJointID j = dJointCreateContact(c->w, c->g, &aContacts[i]);
    dJointAttach(j, b1, b2);
  }
  // A world in the debug view marks the contact points of its last step.
  if (c->pWorld->isDebugDataVisible())
    for (int i = 0; i < n; ++i) c->pWorld->addContactPoint(toVector(aContacts[i].geom.pos));
}

namespace {

/**
 * A round shape (sphere, capsule, cylinder) far smaller than its distance from a ray's start, or
 * than its own length, or smaller than a micrometre, is below what the ray can resolve: the
 * library's ray test loses the radius to rounding, finds the hit point exactly at the shape's
 * centre and aborts on a normal of length 0 (a fast body's guard ray ends at the centre of its own
 * shape, so a speck that moves far in one step does it). Such a shape is not hit.
 */
bool tooSmallForRay(dGeomID pRay, dGeomID pShape) {
  dReal fRadius = 0, fLength = 0;
  switch (dGeomGetClass(pShape)) {
    case dSphereClass:
      fRadius = dGeomSphereGetRadius(pShape);
      break;
    case dCapsuleClass:
      dGeomCapsuleGetParams(pShape, &fRadius, &fLength);
      break;
    case dCylinderClass:
      dGeomCylinderGetParams(pShape, &fRadius, &fLength);
      break;
    default:
      return false;
  }
  dVector3 cStart, cDirection;
  dGeomRayGet(pRay, cStart, cDirection);
  const dReal* c = dGeomGetPosition(pShape);
  const dReal fDistance =
      std::sqrt((c[0] - cStart[0]) * (c[0] - cStart[0]) + (c[1] - cStart[1]) * (c[1] - cStart[1]) +
                (c[2] - cStart[2]) * (c[2] - cStart[2]));
  // The hit's normal is worked out from coordinates of the size of the distance or of the shape's
  // length, whichever is larger: a needle's radius below their rounding leaves it no direction.
  // Below a micrometre no ray resolves a shape, even one at the ray's own start.
  return !(fRadius > 1e-6 * std::max({fDistance, fLength, dReal(1)}));
}

}  // namespace

void CRurIvaDevice::handleRayEvent(dGeomID pRay, dGeomID pOther) {
  if (tooSmallForRay(pRay, pOther)) return;
  dContactGeom cContact;
  if (dCollide(pRay, pOther, 1, &cContact, sizeof(dContactGeom)) == 0) return;

  CRurIvaBody* pBody = bodyOf(dGeomGetBody(pOther));
  CRurIvaGeom* pGeom = geomOf(pOther);
  CRurIvaGeom* pRayNode = geomOf(pRay);
  if (!pRayNode || pRayNode->getType() != RUR_IVA_GEOM_RAY_ID) return;
  CRurIvaGeomRay* r = static_cast<CRurIvaGeomRay*>(pRayNode);
  const core::vector3df cPosition = toVector(cContact.pos);
  const f32 fDistance = static_cast<f32>(cContact.depth);

  CRurIvaBody* pCarrier = r->getAttachedBody();
  if (pCarrier && pBody != pCarrier && pGeom && pGeom->getType() != RUR_IVA_GEOM_HEIGHTFIELD_ID) {
    CRurIvaGeom* pTouched = pBody ? pBody->getTouched() : 0;
    if (!pTouched || pTouched->getBody() != pCarrier) {
      // A body put with its centre exactly on a surface without thickness (a level's triangles)
      // gives the library no contact normal, and the not-a-number that follows ends the process
      // in the next step. The body goes a hair short of the hit, on the side it came from.
      dVector3 cStart, cDirection;
      dGeomRayGet(pRay, cStart, cDirection);
      const f32 fShort = 1e-5f * core::max_(1.0f, cPosition.getLength());
      addFastCollision(pCarrier, pGeom, cPosition - toVector(cDirection) * fShort, pOther);
    }
  }
  postEvent(eventQueue()->acquire<CRurIvaEventRayHit>(pBody, pGeom, r, cPosition, fDistance));
  // Its listeners may have changed what the contacts of this step are made with.
  g_cContacts.bFresh = false;
}

// ---------------------------------------------------------------------------------------------
// Fast collisions: ray hits of fast bodies, handled after the step

void CRurIvaDevice::addFastCollision(CRurIvaBody* pBody, CRurIvaGeom* pGeom, core::vector3df cPos,
                                     dGeomID pHit) {
  CFastCollision* p = new CFastCollision();
  p->m_pBody = pBody;
  p->m_pGeom = pGeom;
  p->m_cPosition = cPos;
  p->m_pHit = pHit;
  g_lFastCollisions.push_back(p);
}

u32 CRurIvaDevice::getFastCollisionCount() { return static_cast<u32>(g_lFastCollisions.size()); }

void CRurIvaDevice::handleFastCollisions() {
  CRurIvaDevice* pOuter = g_pSteppingDevice;
  g_pSteppingDevice = this;
  while (!g_lFastCollisions.empty()) {
    std::unique_ptr<CFastCollision> p(g_lFastCollisions.front());
    g_lFastCollisions.pop_front();
    CRurIvaBody* pBody = p->m_pBody;
    if (!pBody) continue;
    // Put the body where its ray hit (a world position; the node shows it there) and let it
    // collide there with what the ray hit.
    pBody->setNodePosition(p->m_cPosition);
    bodySetPosition(pBody->getBodyId(), p->m_cPosition);
    CRurIvaGeom* pFirst = pBody->getFirstGeom();
    if (!pFirst || !p->m_pGeom || !pBody->getWorld()) continue;
    dGeomID o1 = getGeomId(pFirst->getGeomId(0));
    // The very part that was hit, while it exists; else the geometry's first part.
    dGeomID o2 =
        (p->m_pHit && m_mGeomHandles.count(p->m_pHit)) ? p->m_pHit : getGeomId(p->m_pGeom->getGeomId(0));
    // What a space would never pair (see keepOutOfCollision) is not paired here either.
    if (o1 && o2 && o1 != o2 && dGeomIsEnabled(o1) && dGeomIsEnabled(o2) &&
        ((dGeomGetCategoryBits(o1) & dGeomGetCollideBits(o2)) ||
         (dGeomGetCategoryBits(o2) & dGeomGetCollideBits(o1)))) {
      // The contacts made here ask the contact calculator too: what it changes waits as in a pass.
      ++m_iCollisionPasses;
      nearCollisionCallback(pBody->getWorld(), o1, o2);
      endCollisionPass();
      const dJointGroupID g = getJGroupId(pBody->getWorld()->getJointGroupId());
      if (g && std::find(m_aFastContactGroups.begin(), m_aFastContactGroups.end(), g) ==
                   m_aFastContactGroups.end())
        m_aFastContactGroups.push_back(g);
    }
  }
  g_pSteppingDevice = pOuter;
}

void CRurIvaDevice::dropFastContacts(CRurIvaWorld* pWorld) {
  const dJointGroupID g = getJGroupId(pWorld->getJointGroupId());
  if (forgetFastContactGroup(g)) dJointGroupEmpty(g);
}

bool CRurIvaDevice::forgetFastContactGroup(dJointGroupID g) {
  const auto it = std::find(m_aFastContactGroups.begin(), m_aFastContactGroups.end(), g);
  if (it == m_aFastContactGroups.end()) return false;
  m_aFastContactGroups.erase(it);
  return true;
}

void removeFastCollisionsOf(u32 iBody) {
  for (auto it = g_lFastCollisions.begin(); it != g_lFastCollisions.end();) {
    if ((*it)->m_pBody && (*it)->m_pBody->getBodyId() == iBody) {
      delete *it;
      it = g_lFastCollisions.erase(it);
    } else {
      ++it;
    }
  }
}

void forgetFastCollisionsWith(dGeomID pGeom) {
  const CRurIvaGeom* pNode = geomOf(pGeom);
  for (CFastCollision* p : g_lFastCollisions) {
    if (p->m_pHit == pGeom) p->m_pHit = 0;
    if (pNode && p->m_pGeom == pNode) p->m_pGeom = 0;
  }
}

void clearFastCollisions() {
  for (CFastCollision* p : g_lFastCollisions) delete p;
  g_lFastCollisions.clear();
}

// ---------------------------------------------------------------------------------------------
// Moved callback and rotations

COdeDataWrapper* CRurIvaDevice::movedRecord(dBodyID pBody, CRurIvaBody* pNode, u32& iHandle) const {
  // The body node knows its handle; a body without a node (or another device's) is looked up.
  if (pNode) {
    iHandle = pNode->getBodyId();
    COdeDataWrapper* r = record(iHandle);
    if (r && r->m_pBody == pBody) return r;
  }
  auto it = m_mBodyHandles.find(pBody);
  iHandle = it == m_mBodyHandles.end() ? 0 : it->second;
  return record(iHandle);
}

/**
 * The library calls this for every body it moves, from inside its step: between the islands it
 * solves, or from its worker threads in a threaded step. During a step of this device the move is
 * only noted (body and velocities; the library damps the velocities right after this call), and
 * reportMoves() hands all of them to the scene when the library's step is done: the layer's work
 * for the moved bodies runs in one stretch instead of between the library's islands, where the
 * two keep pushing each other's code out of the processor's caches, and no code of the layer runs
 * on the library's threads. A move outside such a step is reported at once.
 */
void CRurIvaDevice::bodyMovedCallback(dBodyID b) {
  if (!b) return;
  CRurIvaBody* pBody = bodyOf(b);
  CRurIvaDevice* pDevice = callbackDevice();
  COdeDataWrapper* r = 0;
  u32 iHandle = 0;
  if (pDevice) {
    SMovedBodies* pMoved = pDevice->m_pMoved.get();
    if (pMoved && pMoved->bCollecting) {
      // Each body moves once a step, so every report has a place of its own. Only what the
      // library's body holds is read here (its memory is at hand in the step): the node and
      // the record are found after the step, all together (see reportMoves).
      const u32 i = pMoved->iCount.fetch_add(1, std::memory_order_relaxed);
      if (i < pMoved->aBodies.size()) {
        SMovedBody& m = pMoved->aBodies[i];
        m.iBody = 0;
        m.pBody = b;
        m.pNode = pBody;
        dCopyVector3(m.aLinear, dBodyGetLinearVel(b));
        dCopyVector3(m.aAngular, dBodyGetAngularVel(b));
        return;
      }
      if (pMoved->bThreaded) return;  // cannot happen: there is a place for every body
    }
    // The body node knows its handle (movedRecord looks up the others).
    iHandle = pBody ? pBody->getBodyId() : 0;
    r = pDevice->record(iHandle);
    if (!r || r->m_pBody != b) r = pDevice->movedRecord(b, pBody, iHandle);
    // Every moved body is checked for a lost position here, so no step needs to look at all.
    pDevice->stopIfBlown(r, iHandle);
    pDevice->updateParking(r, iHandle);
  }
  reportMove(eventQueue(), pDevice ? pDevice->m_iMovesToken : 0, dBodyGetPosition(b), dBodyGetQuaternion(b),
             r, pBody, false, toVector(dBodyGetLinearVel(b)), toVector(dBodyGetAngularVel(b)));
}

void CRurIvaDevice::beginMoves(bool bThreaded) {
  if (!m_pMoved) m_pMoved.reset(new SMovedBodies());
  // A place for every body there is; this grows with the scene and allocates nothing while the
  // scene keeps its size.
  if (m_pMoved->aBodies.size() < m_mBodyHandles.size()) m_pMoved->aBodies.resize(m_mBodyHandles.size());
  m_pMoved->iCount.store(0, std::memory_order_relaxed);
  m_pMoved->bThreaded = bThreaded;
  m_pMoved->bCollecting = true;
}

//! How many bodies ahead reportMoves asks for the memory of the reports to come.
const u32 kMovesAhead = 4;

void CRurIvaDevice::reportMoves() {
  SMovedBodies& m = *m_pMoved;
  m.bCollecting = false;
  const u32 n = std::min<u32>(m.iCount.load(std::memory_order_relaxed), static_cast<u32>(m.aBodies.size()));
  // Every move's handle, before any listener runs (one may destroy bodies and nodes). The nodes
  // and records of the moves a few places on are asked for ahead: found one by one inside the
  // library's step, each waited for its own cache misses.
  for (u32 i = 0; i < n; ++i) {
    if (i + 2 * kMovesAhead < n && m.aBodies[i + 2 * kMovesAhead].pNode)
      m.aBodies[i + 2 * kMovesAhead].pNode->prefetchStepState();
    if (i + kMovesAhead < n && m.aBodies[i + kMovesAhead].pNode)
      __builtin_prefetch(record(m.aBodies[i + kMovesAhead].pNode->getBodyId()));
    SMovedBody& e = m.aBodies[i];
    u32 iHandle = e.pNode ? e.pNode->getBodyId() : 0;
    COdeDataWrapper* r = record(iHandle);
    if (!r || r->m_pBody != e.pBody) r = movedRecord(e.pBody, e.pNode, iHandle);
    e.iBody = r ? iHandle : 0;
  }
  // One thread reports in the library's own order; threads in any order, which is made the
  // handles' order, the same in every run.
  if (m.bThreaded)
    std::sort(m.aBodies.begin(), m.aBodies.begin() + n,
              [](const SMovedBody& a, const SMovedBody& b) { return a.iBody < b.iBody; });
  m.bReporting = true;
  CRurIvaEventQueue* pQueue = eventQueue();
  for (u32 i = 0; i < n; ++i) {
    // What the report of a body a few places on will read is asked for now (see prefetchMove).
    if (i + kMovesAhead < n) {
      const SMovedBody& a = m.aBodies[i + kMovesAhead];
      if (a.pNode) a.pNode->prefetchMove();
      __builtin_prefetch(record(a.iBody));
      __builtin_prefetch(dBodyGetPosition(a.pBody));
      __builtin_prefetch(dBodyGetQuaternion(a.pBody));
    }
    const SMovedBody& e = m.aBodies[i];
    // Listeners of earlier reports may have destroyed a body: only live ones are reported.
    COdeDataWrapper* r = record(e.iBody);
    if (!r || r->m_iKind != eKindBody || r->m_pBody != e.pBody) continue;
    // Almost every body is in good health and within reach: that is told from the values at
    // hand, without a call; the others are looked at closely.
    const dReal* p = dBodyGetPosition(e.pBody);
    const dReal* q = dBodyGetQuaternion(e.pBody);
    const bool bUsual = !r->m_bParked && usual(p, q, e.aLinear, e.aAngular);
    bool bStopped = false;
    if (!bUsual) {
      bStopped = stopIfBlown(r, e.iBody);
      updateParking(r, e.iBody);
    }
    reportMove(pQueue, m_iMovesToken, p, q, r, e.pNode, bUsual,
               bStopped ? core::vector3df() : toVector(e.aLinear),
               bStopped ? core::vector3df() : toVector(e.aAngular));
  }
  m.bReporting = false;
}

// ---------------------------------------------------------------------------------------------
// Stepping on threads

void CRurIvaDevice::setStepThreads(u32 iThreads) {
  if (iThreads > kMaxStepThreads) {
    // The library starts the pool's threads one by one until the system refuses one: a count
    // from a negative number took minutes of the first step before it gave up.
    printf("CRurIvaDevice::setStepThreads: %u threads asked, a world steps on at most %u\n", iThreads,
           kMaxStepThreads);
    iThreads = kMaxStepThreads;
  }
  if (iThreads == m_iStepThreads) return;
  releaseStepThreads();
  m_iStepThreads = iThreads;
}

bool CRurIvaDevice::prepareStepThreads(COdeDataWrapper* pWorld) {
  if (m_iStepThreads < 2 || !pWorld || pWorld->m_iKind != eKindWorld || !pWorld->m_pWorld) return false;
  if (!m_pThreading) {
    m_pThreading = dThreadingAllocateMultiThreadedImplementation();
    // The pool's threads block every signal; the library asks that none reaches the thread that
    // starts them meanwhile.
    sigset_t cAll, cOld;
    sigfillset(&cAll);
    pthread_sigmask(SIG_BLOCK, &cAll, &cOld);
    m_pThreadPool =
        m_pThreading ? dThreadingAllocateThreadPool(m_iStepThreads, 0, dAllocateFlagBasicData, 0) : 0;
    pthread_sigmask(SIG_SETMASK, &cOld, 0);
    if (!m_pThreadPool) {
      printf("CRurIvaDevice::step: no pool of %u threads, the worlds step on one thread\n", m_iStepThreads);
      if (m_pThreading) dThreadingFreeImplementation(m_pThreading);
      m_pThreading = 0;
      m_iStepThreads = 0;
      return false;
    }
    dThreadingThreadPoolServeMultiThreadedImplementation(m_pThreadPool, m_pThreading);
  }
  if (!pWorld->m_bThreaded) {
    dWorldSetStepThreadingImplementation(pWorld->m_pWorld, dThreadingImplementationGetFunctions(m_pThreading),
                                         m_pThreading);
    pWorld->m_bThreaded = true;
  }
  // Islands solved side by side on the pool are no good in ODE 0.16.2: the iterative solver
  // never returns (the pool's threads spin for ever), and the exact solver's results then
  // depend on how the threads happen to run (on a busy machine a pile of boxes ends elsewhere
  // than on one thread). Both solve one island after the other, each on all threads, which
  // gives exactly the single-threaded results.
  dWorldSetStepIslandsProcessingMaxThreadCount(pWorld->m_pWorld, 1);
  return true;
}

void CRurIvaDevice::releaseStepThreads() {
  if (!m_pThreading) return;
  dThreadingImplementationShutdownProcessing(m_pThreading);
  dThreadingFreeThreadPool(m_pThreadPool);
  // The worlds go back to the library's own single-threaded stepping before the implementation
  // they were given is freed.
  for (u32 i = 0; i < m_aRecords.size(); ++i) {
    COdeDataWrapper* r = m_aRecords[i];
    if (r->m_iKind == eKindWorld && r->m_pWorld && r->m_bThreaded)
      dWorldSetStepThreadingImplementation(r->m_pWorld, 0, 0);
    r->m_bThreaded = false;
  }
  dThreadingFreeImplementation(m_pThreading);
  m_pThreading = 0;
  m_pThreadPool = 0;
}

void CRurIvaDevice::quaternionToEuler(const f32* q, core::vector3df& cEuler) {
  const f64 w = q[0], x = q[1], y = q[2], z = q[3];
  cEuler.Z = static_cast<f32>(atan2Fast(2.0 * (x * y + w * z), w * w + x * x - y * y - z * z) * kDegPerRad);
  cEuler.X = static_cast<f32>(atan2Fast(2.0 * (y * z + w * x), w * w - x * x - y * y + z * z) * kDegPerRad);
  cEuler.Y = static_cast<f32>(asin(-2.0 * (x * z - w * y)) * kDegPerRad);
}

void CRurIvaDevice::eulerToQuaternion(core::vector3df cEuler, f32* q) {
  const f32 hx = static_cast<f32>(cEuler.X * kRadPerDeg * 0.5);
  const f32 hy = static_cast<f32>(cEuler.Y * kRadPerDeg * 0.5);
  const f32 hz = static_cast<f32>(cEuler.Z * kRadPerDeg * 0.5);
  const f32 cx = cosf(hx), sx = sinf(hx);
  const f32 cy = cosf(hy), sy = sinf(hy);
  const f32 cz = cosf(hz), sz = sinf(hz);
  q[0] = cx * cy * cz + sx * sy * sz;
  q[1] = sx * cy * cz - cx * sy * sz;
  q[2] = cx * sy * cz + sx * cy * sz;
  q[3] = cx * cy * sz - sx * sy * cz;
}

}  // namespace ode
}  // namespace irr
