#include "CRurIvaDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <list>
#include <memory>

#include "CRurIvaBody.h"
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

// Stepping: the fixed-step loop, the near collision callback that turns touching geometries into
// contacts, ray hits and the fast collisions they leave for after the step, the moved callback
// that reports bodies to the scene, and the rotation conversions it uses.

namespace irr {
namespace ode {

namespace {

const f64 kDegPerRad = 57.29577951308232;
const f64 kRadPerDeg = 0.017453292519943295;
const int kMaxContacts = 16;

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

void postEvent(IRurIvaEvent* pEvent) {
  CRurIvaManager::getSharedInstance()->getQueue()->postEvent(pEvent, true);
}

bool isNan(const core::vector3df& v) { return std::isnan(v.X) || std::isnan(v.Y) || std::isnan(v.Z); }

CRurIvaBody* bodyOf(dBodyID b) { return b ? static_cast<CRurIvaBody*>(dBodyGetData(b)) : 0; }

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
  ensureLibrary();

  m_fTimeAccumulator += fTime;
  if (!(m_fTimeAccumulator > 0.0f)) return;

  CRurIvaDevice* pOuter = g_pSteppingDevice;
  g_pSteppingDevice = this;
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();

  while (m_fTimeAccumulator > 0.0f) {
    dWorldID w = getWorldId(pWorld->getWorldId());
    if (!w) break;  // a listener removed the world during the previous step

    pWorld->resetCollisionAttributes();
    postEvent(new CRurIvaEventBeforeStep());

    stopBlownBodies(w);
    parkPlacedBodies();
    CRurIvaSpace* pSpace = pWorld->getSpace();
    if (dSpaceID s = pSpace ? getSpaceId(pSpace->getSpaceId()) : 0) {
      dSpaceCollide(s, pWorld, nearCollisionCallback);
      collideNestedSpaces(pWorld, s);
    }

    if (bQuick)
      dWorldQuickStep(w, m_fStepSize);
    else
      dWorldStep(w, m_fStepSize);

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

    CRurIvaEventStep* pStep = new CRurIvaEventStep(static_cast<u32>(m_iStepCounter));
    ++m_iStepCounter;
    pStep->setFrameNo(pManager->getFrameNo());
    postEvent(pStep);

    pWorld->frameUpdate();
  }
  g_pSteppingDevice = pOuter;
}

void CRurIvaDevice::collideNestedSpaces(CRurIvaWorld* pWorld, dSpaceID pTop) {
  for (u32 i = 0; i < m_aNestedSpaces.size(); ++i) {
    dSpaceID s = getSpaceId(m_aNestedSpaces[i]);
    if (!s) continue;
    // Only the spaces below this world's top space (a destroyed parent leaves a space alone).
    dSpaceID p = dGeomGetSpace(reinterpret_cast<dGeomID>(s));
    while (p && p != pTop) p = dGeomGetSpace(reinterpret_cast<dGeomID>(p));
    if (p) dSpaceCollide(s, pWorld, nearCollisionCallback);
  }
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
  if (bLost) printf("CRurIvaDevice::step: body %u has no usable position, it leaves collision\n", iBody);
}

void CRurIvaDevice::parkPlacedBodies() {
  for (u32 iBody : m_aPlacedBodies) updateParking(live(iBody, eKindBody), iBody);
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
// out of reach its geometries sit out of collision as for any body out of reach. This costs one
// look at each body per step.
void CRurIvaDevice::stopBlownBodies(dWorldID w) {
  for (const auto& e : m_mBodyHandles) {
    dBodyID b = e.first;
    if (dBodyGetWorld(b) != w) continue;
    const dReal* q = dBodyGetQuaternion(b);
    const dReal fLenSq = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    const bool bRotation = fLenSq > 0.25 && fLenSq < 4.0;
    if (bRotation && positionWithinBlownUp(dBodyGetPosition(b)) && withinBlownUp(dBodyGetLinearVel(b)) &&
        withinBlownUp(dBodyGetAngularVel(b)))
      continue;

    COdeDataWrapper* r = record(e.second);
    if (r && !r->m_bStopped) {
      printf("CRurIvaDevice::step: the simulation of body %u blew up, it is stopped\n", e.second);
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
    updateParking(r, e.second);
  }
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

void CRurIvaDevice::nearCollisionCallback(void* pData, dGeomID o1, dGeomID o2) {
  // Spaces first: a space carries no geometry node. Only the pairs across the two are made
  // here; the inside of every nested space is collided once per step by the step itself (here it
  // would be collided once per neighbour, or never when the space has none).
  if (dGeomIsSpace(o1) || dGeomIsSpace(o2)) {
    dSpaceCollide2(o1, o2, pData, nearCollisionCallback);
    return;
  }

  CRurIvaGeom* g1 = geomOf(o1);
  CRurIvaGeom* g2 = geomOf(o2);
  if (!g1 || !g2 || !g1->doesCollide() || !g2->doesCollide()) return;
  if (g1->getCollisionGroup() != 0 && g1->getCollisionGroup() == g2->getCollisionGroup()) return;

  dBodyID b1 = dGeomGetBody(o1);
  dBodyID b2 = dGeomGetBody(o2);
  if (b1 && b2 && dAreConnectedExcluding(b1, b2, dJointTypeContact)) return;

  if (g1->getType() == RUR_IVA_GEOM_RAY_ID) {
    handleRayEvent(o1, o2);
    return;
  }
  if (g2->getType() == RUR_IVA_GEOM_RAY_ID) {
    handleRayEvent(o2, o1);
    return;
  }
  if (!b1 && !b2) return;
  // Two geometries of one body never touch each other (a joint would join a body to itself).
  if (b1 == b2) return;

  CRurIvaDevice* pDevice = callbackDevice();
  CRurIvaWorld* pWorld = static_cast<CRurIvaWorld*>(pData);
  if (!pDevice || !pWorld) return;
  dWorldID w = pDevice->getWorldId(pWorld->getWorldId());
  dJointGroupID jg = pDevice->getJGroupId(pWorld->getJointGroupId());
  // Contacts join bodies of the stepped world only (the library aborts on a joint between worlds).
  if (!w || !jg || (b1 && dBodyGetWorld(b1) != w) || (b2 && dBodyGetWorld(b2) != w)) return;

  CRurIvaSurfaceParameters* p1 = g1->getSurfaceParameters(0);
  CRurIvaSurfaceParameters* p2 = g2->getSurfaceParameters(0);
  s32 m1 = 0, m2 = 0;
  // A triangle mesh has one surface per material; the touched geometry names the material.
  if (g1->getType() == RUR_IVA_GEOM_TRIMESH_ID) {
    m1 = static_cast<CRurIvaGeomTrimesh*>(g1)->getIndexOfGeom(pDevice->getHandleOfGeom(o1));
    if (m1 != -1) p1 = g1->getSurfaceParameters(static_cast<u32>(m1));
  }
  if (g2->getType() == RUR_IVA_GEOM_TRIMESH_ID) {
    m2 = static_cast<CRurIvaGeomTrimesh*>(g2)->getIndexOfGeom(pDevice->getHandleOfGeom(o2));
    if (m2 != -1) p2 = g2->getSurfaceParameters(static_cast<u32>(m2));
  }
  if (!p1 || !p2) return;

  IRurIvaContactParameters* pCalculator = g1->getWorld() ? g1->getWorld()->getContactCalculator() : 0;
  if (!pCalculator) pCalculator = pDevice->getContactCalculator();
  if (!pCalculator) return;

  // Every contact slot gets the combined surface from the calculator, which an application may
  // replace and which is therefore asked once per slot.
  dContact aContacts[kMaxContacts] = {};
  CRurIvaSurfaceParameters cSurface;
  for (int i = 0; i < kMaxContacts; ++i) {
    pCalculator->calculateContactParameters(p1, p2, &cSurface);
    convertToSurfaceParameters(&aContacts[i].surface, &cSurface);
  }

  const int n = dCollide(o1, o2, kMaxContacts, &aContacts[0].geom, sizeof(dContact));
  if (n == 0) return;

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
    dJointID j = dJointCreateContact(w, jg, &aContacts[i]);
    dJointAttach(j, b1, b2);
  }
}

void CRurIvaDevice::handleRayEvent(dGeomID pRay, dGeomID pOther) {
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
  postEvent(new CRurIvaEventRayHit(pBody, pGeom, r, cPosition, fDistance));
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
    if (o1 && o2 && o1 != o2 && dGeomIsEnabled(o1) && dGeomIsEnabled(o2))
      nearCollisionCallback(pBody->getWorld(), o1, o2);
  }
  g_pSteppingDevice = pOuter;
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

void clearFastCollisions() {
  for (CFastCollision* p : g_lFastCollisions) delete p;
  g_lFastCollisions.clear();
}

// ---------------------------------------------------------------------------------------------
// Moved callback and rotations

void CRurIvaDevice::bodyMovedCallback(dBodyID b) {
  if (!b) return;
  // Every moved body is checked for a lost position here, so no step needs to look at all.
  COdeDataWrapper* r = 0;
  if (CRurIvaDevice* pDevice = callbackDevice()) {
    auto it = pDevice->m_mBodyHandles.find(b);
    if (it != pDevice->m_mBodyHandles.end()) {
      r = pDevice->record(it->second);
      pDevice->updateParking(r, it->second);
    }
  }

  CRurIvaBody* pBody = bodyOf(b);
  if (!pBody || !pBody->getUpdateGraphics()) return;

  const dReal* q = dBodyGetQuaternion(b);
  const f32 aQuat[4] = {static_cast<f32>(q[0]), static_cast<f32>(q[1]), static_cast<f32>(q[2]),
                        static_cast<f32>(q[3])};
  core::vector3df cRotation;
  quaternionToEuler(aQuat, cRotation);

  // The node origin, not the centre of mass the library body sits at.
  core::vector3df cPosition = r ? bodyOrigin(r) : toVector(dBodyGetPosition(b));

  if (isNan(cRotation)) cRotation = pBody->getAbsoluteTransformation().getRotationDegrees();
  if (isNan(cPosition)) cPosition = pBody->getAbsolutePosition();

  pBody->updateAbsolutePosition();
  pBody->bodyMoved(cPosition);

  core::vector3df cLinear = toVector(dBodyGetLinearVel(b));
  core::vector3df cAngular = toVector(dBodyGetAngularVel(b));
  postEvent(new CRurIvaEventBodyMoved(pBody, cPosition, cRotation, cLinear, cAngular));
}

void CRurIvaDevice::quaternionToEuler(const f32* q, core::vector3df& cEuler) {
  const f64 w = q[0], x = q[1], y = q[2], z = q[3];
  cEuler.Z = static_cast<f32>(atan2(2.0 * (x * y + w * z), w * w + x * x - y * y - z * z) * kDegPerRad);
  cEuler.X = static_cast<f32>(atan2(2.0 * (y * z + w * x), w * w - x * x - y * y + z * z) * kDegPerRad);
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
