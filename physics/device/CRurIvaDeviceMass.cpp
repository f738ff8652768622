#include "CRurIvaDevice.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "RurIvaDeviceInternal.h"

// Mass records and a body's mass. The library takes masses centred on the body only, so a body
// whose mass lies off its node origin is moved to its centre of mass, with everything attached
// to it re-expressed about that point.

namespace irr {
namespace ode {

namespace {

// A joint keeps its anchors relative to its bodies; when a body's reference point moves, the
// anchors are read in world space before and written back afterwards, so the joint still holds
// the same world points.
struct SJointAnchor {
  dJointID pJoint;
  dVector3 aAnchor;
};

void saveAnchors(dBodyID b, std::vector<SJointAnchor>& aSaved) {
  const int iCount = dBodyGetNumJoints(b);
  for (int i = 0; i < iCount; ++i) {
    SJointAnchor s;
    s.pJoint = dBodyGetJoint(b, i);
    switch (dJointGetType(s.pJoint)) {
      case dJointTypeBall:
        dJointGetBallAnchor(s.pJoint, s.aAnchor);
        break;
      case dJointTypeHinge:
        dJointGetHingeAnchor(s.pJoint, s.aAnchor);
        break;
      case dJointTypeHinge2:
        dJointGetHinge2Anchor(s.pJoint, s.aAnchor);
        break;
      case dJointTypeUniversal:
        dJointGetUniversalAnchor(s.pJoint, s.aAnchor);
        break;
      case dJointTypePiston:
        dJointGetPistonAnchor(s.pJoint, s.aAnchor);
        break;
      case dJointTypePR:
        dJointGetPRAnchor(s.pJoint, s.aAnchor);
        break;
      case dJointTypeSlider:
        dJointGetSliderAxis(s.pJoint, s.aAnchor);
        break;
      case dJointTypeFixed:
        break;
      default:
        continue;  // contact joints live for one step only
    }
    aSaved.push_back(s);
  }
}

void restoreAnchors(const std::vector<SJointAnchor>& aSaved) {
  for (const SJointAnchor& s : aSaved) {
    const dReal* a = s.aAnchor;
    switch (dJointGetType(s.pJoint)) {
      case dJointTypeBall:
        dJointSetBallAnchor(s.pJoint, a[0], a[1], a[2]);
        break;
      case dJointTypeHinge:
        dJointSetHingeAnchor(s.pJoint, a[0], a[1], a[2]);
        break;
      case dJointTypeHinge2:
        dJointSetHinge2Anchor(s.pJoint, a[0], a[1], a[2]);
        break;
      case dJointTypeUniversal:
        dJointSetUniversalAnchor(s.pJoint, a[0], a[1], a[2]);
        break;
      case dJointTypePiston:
        dJointSetPistonAnchor(s.pJoint, a[0], a[1], a[2]);
        break;
      case dJointTypePR:
        dJointSetPRAnchor(s.pJoint, a[0], a[1], a[2]);
        break;
      case dJointTypeSlider:
        // Setting the axis again measures the slider's offset between the bodies anew.
        dJointSetSliderAxis(s.pJoint, a[0], a[1], a[2]);
        break;
      case dJointTypeFixed:
        dJointSetFixed(s.pJoint);
        break;
      default:
        break;
    }
  }
}

/**
 * Moves a body's reference point from its old centre of mass to a new one, both given in the
 * node's frame, without moving anything in the world: the body, its velocity, its pending
 * torque, the offsets of its geometries and the anchors of its joints are all re-expressed.
 */
void rebaseBody(COdeDataWrapper* r, const dReal* aNewCentre) {
  const dReal d[3] = {aNewCentre[0] - r->m_aCentre[0], aNewCentre[1] - r->m_aCentre[1],
                      aNewCentre[2] - r->m_aCentre[2]};
  if (d[0] == 0 && d[1] == 0 && d[2] == 0) return;
  dBodyID b = r->m_pBody;

  std::vector<SJointAnchor> aJoints;
  saveAnchors(b, aJoints);

  dVector3 rd;
  dBodyVectorToWorld(b, d[0], d[1], d[2], rd);
  const dReal* p = dBodyGetPosition(b);
  dBodySetPosition(b, p[0] + rd[0], p[1] + rd[1], p[2] + rd[2]);

  // The new reference point moves with v + w x (R d); a pending force now acts at a point
  // R d closer, which changes its torque about the reference point by -(R d) x F.
  const dReal* v = dBodyGetLinearVel(b);
  const dReal* w = dBodyGetAngularVel(b);
  dBodySetLinearVel(b, v[0] + (w[1] * rd[2] - w[2] * rd[1]), v[1] + (w[2] * rd[0] - w[0] * rd[2]),
                    v[2] + (w[0] * rd[1] - w[1] * rd[0]));
  const dReal* f = dBodyGetForce(b);
  const dReal* t = dBodyGetTorque(b);
  dBodySetTorque(b, t[0] - (rd[1] * f[2] - rd[2] * f[1]), t[1] - (rd[2] * f[0] - rd[0] * f[2]),
                 t[2] - (rd[0] * f[1] - rd[1] * f[0]));

  for (dGeomID g = dBodyGetFirstGeom(b); g; g = dBodyGetNextGeom(g)) {
    dReal o[3] = {0, 0, 0};
    if (dGeomIsOffset(g)) {
      const dReal* q = dGeomGetOffsetPosition(g);
      o[0] = q[0];
      o[1] = q[1];
      o[2] = q[2];
    }
    dGeomSetOffsetPosition(g, o[0] - d[0], o[1] - d[1], o[2] - d[2]);
  }

  r->m_aCentre[0] = aNewCentre[0];
  r->m_aCentre[1] = aNewCentre[1];
  r->m_aCentre[2] = aNewCentre[2];
  restoreAnchors(aJoints);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Mass records

u32 CRurIvaDevice::massCreate() { return addRecord(new COdeDataWrapper(eKindMass)); }

void CRurIvaDevice::massAdd(u32 iMassA, u32 iMassB) {
  COdeDataWrapper* a = live(iMassA, eKindMass);
  COdeDataWrapper* b = live(iMassB, eKindMass);
  if (a && b) dMassAdd(&a->m_cMass, &b->m_cMass);
}

void CRurIvaDevice::massSetZero(u32 iMass) {
  if (COdeDataWrapper* m = live(iMass, eKindMass)) dMassSetZero(&m->m_cMass);
}

void CRurIvaDevice::massSetParameters(u32 iMass, f32 fMass, core::vector3df cCenter,
                                      core::vector3df cInertia1, core::vector3df cInertia2) {
  if (COdeDataWrapper* m = live(iMass, eKindMass))
    dMassSetParameters(&m->m_cMass, fMass, cCenter.X, cCenter.Y, cCenter.Z, cInertia1.X, cInertia1.Y,
                       cInertia1.Z, cInertia2.X, cInertia2.Y, cInertia2.Z);
}

void CRurIvaDevice::massTranslate(u32 iMass, core::vector3df cPos) {
  if (COdeDataWrapper* m = live(iMass, eKindMass)) dMassTranslate(&m->m_cMass, cPos.X, cPos.Y, cPos.Z);
}

void CRurIvaDevice::massSetBoxTotal(u32 iMass, f32 fMass, f32 fLx, f32 fLy, f32 fLz) {
  if (COdeDataWrapper* m = live(iMass, eKindMass)) dMassSetBoxTotal(&m->m_cMass, fMass, fLx, fLy, fLz);
}

void CRurIvaDevice::massSetCapsuleTotal(u32 iMass, f32 fMass, int iDirection, f32 fRadius, f32 fLength) {
  COdeDataWrapper* m = live(iMass, eKindMass);
  if (!m) return;
  if (iDirection < 1 || iDirection > 3) {
    printf("CRurIvaDevice::massSetCapsuleTotal: direction %d is not 1, 2 or 3, call skipped\n", iDirection);
    return;
  }
  dMassSetCapsuleTotal(&m->m_cMass, fMass, iDirection, fRadius, fLength);
}

void CRurIvaDevice::massSetCylinderTotal(u32 iMass, f32 fMass, int iDirection, f32 fRadius, f32 fLength) {
  COdeDataWrapper* m = live(iMass, eKindMass);
  if (!m) return;
  if (iDirection < 1 || iDirection > 3) {
    printf("CRurIvaDevice::massSetCylinderTotal: direction %d is not 1, 2 or 3, call skipped\n", iDirection);
    return;
  }
  dMassSetCylinderTotal(&m->m_cMass, fMass, iDirection, fRadius, fLength);
}

void CRurIvaDevice::massSetSphereTotal(u32 iMass, f32 fMass, f32 fRadius) {
  if (COdeDataWrapper* m = live(iMass, eKindMass)) dMassSetSphereTotal(&m->m_cMass, fMass, fRadius);
}

// ---------------------------------------------------------------------------------------------
// A body's mass

namespace {

// Masses far from each other, or far from the solver's own constants (its mixing force), make
// its factorisation fail: three balls on a box of 1e-30, or a body of 1e-10 on one of 1e10, abort
// the step, and so does a speck of 1e-33 whose inertia's inverse overflows. Bodies of the masses
// between these bounds step together (measured at the corners).
const dReal kMinMass = 1e-6;
const dReal kMaxMass = 1e6;
// A speck of mass carrying a large collision shape (a tiny ball's mass under a long box) turns
// under any contact far faster than the big-matrix solver can reckon, and its factorisation then
// aborts the process ("d[i] != 0" in dxLDLTRemove). Every principal moment of inertia is kept at
// least that of the mass at this distance from its centre.
const dReal kMinGyration = 1e-3;

}  // namespace

core::vector3df CRurIvaDevice::getBodyCenterOfMass(u32 iBody) const {
  COdeDataWrapper* r = live(iBody, eKindBody);
  return r ? toVector(r->m_aCentre) : core::vector3df(0, 0, 0);
}

void CRurIvaDevice::bodySetMass(u32 iBody, u32 iMass) {
  // A new centre of mass moves the body's geometries on it, which waits for a collision pass.
  if (lockedBody(iBody) && afterPass([=] { bodySetMass(iBody, iMass); })) return;
  COdeDataWrapper* r = live(iBody, eKindBody);
  COdeDataWrapper* m = live(iMass, eKindMass);
  if (!r || !m) return;

  dMass cMass = m->m_cMass;
  if (!(cMass.mass > 0) || !std::isfinite(cMass.mass)) {
    // A body without any geometry of mass is a normal set-up; the library's default mass of a
    // unit sphere keeps it simulated.
    if (!m_bMasslessReported) {
      printf("CRurIvaDevice::bodySetMass: a body without mass keeps the default mass\n");
      m_bMasslessReported = true;
    }
    return;
  }
  if (cMass.mass < kMinMass || cMass.mass > kMaxMass) {
    printf("CRurIvaDevice::bodySetMass: mass %g is outside %g to %g, call skipped\n", cMass.mass, kMinMass,
           kMaxMass);
    return;
  }
  const dReal aCentre[3] = {cMass.c[0], cMass.c[1], cMass.c[2]};
  if (!std::isfinite(aCentre[0]) || !std::isfinite(aCentre[1]) || !std::isfinite(aCentre[2])) {
    printf("CRurIvaDevice::bodySetMass: the centre of mass is not a number, call skipped\n");
    return;
  }
  // An inertia of infinity or not-a-number (a shape of infinite size) passes the library's own
  // check and aborts the step.
  for (int i = 0; i < 12; ++i)
    if (i % 4 != 3 && !std::isfinite(cMass.I[i])) {
      printf("CRurIvaDevice::bodySetMass: the inertia is not a finite number, call skipped\n");
      return;
    }
  // The library takes masses centred on the body only: the body moves to the centre of mass
  // instead, and the mass is given about that point.
  dMassTranslate(&cMass, -aCentre[0], -aCentre[1], -aCentre[2]);
  cMass.c[0] = cMass.c[1] = cMass.c[2] = 0;
  if (!dMassCheck(&cMass)) {
    printf("CRurIvaDevice::bodySetMass: the inertia is not positive definite, call skipped\n");
    return;
  }
  const dReal fMinMoment = cMass.mass * kMinGyration * kMinGyration;
  if (!(smallestMoment(cMass.I) >= fMinMoment)) {
    printf(
        "CRurIvaDevice::bodySetMass: the inertia of a body of mass %g is that of a speck; it is raised to "
        "that of the mass %g from its centre\n",
        cMass.mass, kMinGyration);
    for (int i : {0, 5, 10}) cMass.I[i] += fMinMoment;
  }
  // Put off until the pass was over, the mass comes after the pass's contacts were made, whose
  // levers were checked against the old mass and centre: a centre moved far, or a lighter turn,
  // gave contact rows the exact solver could not factor (the library aborted on a zero pivot).
  if (m_bFinishingPass) dropContacts(r->m_pBody);
  rebaseBody(r, aCentre);
  dBodySetMass(r->m_pBody, &cMass);
  m_fLightestMoment = std::min(m_fLightestMoment, smallestMoment(cMass.I));
  // A lighter turn makes the levers of the body's joints and contacts longer for it.
  disableJointsBeyondTheSolver(r->m_pBody, __func__, iBody);
  reviewContactLevers(r->m_pBody);
  // A body that turns far less readily than its neighbours holds their turns as the world does:
  // a speck hinged to the world and to such a body held the same turns twice over, and when the
  // masses came after the joints, no joint had been listed and the exact solver aborted.
  listJointsClosingLoops(r->m_pBody);
}

}  // namespace ode
}  // namespace irr
