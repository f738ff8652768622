#ifndef RUR_IVA_DEVICE_INTERNAL_H
#define RUR_IVA_DEVICE_INTERNAL_H

// What the device's sources share and nothing else sees: the registry record, the library's
// headers and the few helpers and module-wide state that more than one source needs. Not
// installed; users of the layer include CRurIvaDevice.h only.

#include <ode/ode.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <unordered_set>
#include <vector>

#include "CRurIvaDevice.h"

namespace irr {
namespace ode {

// What a record holds. Every record holds exactly one kind of object.
enum ERecordKind : u32 {
  eKindWorld = 1,
  eKindJoint,
  eKindBody,
  eKindGeom,
  eKindMass,
  eKindSpace,
  eKindTriMeshData,
  eKindJointGroup,
  eKindHeightfieldData
};

// The layer's height callback; the library's own type returns dReal, so the two are never cast
// into each other: the library calls a trampoline, which calls the layer's callback.
typedef f32 (*THeightCallback)(void* pUserData, int x, int z);

struct SHeightSource {
  THeightCallback pCallback;
  void* pUserData;
  //! The grid the data was built with, so that it can be drawn the way the library sees it.
  f32 fWidth, fDepth, fScale, fOffset;
  int iWidthSamples, iDepthSamples;
};

//! A hinge-2's two axes in its bodies' frames, as the library keeps them while the joint is
//! detached (they count again on the next two bodies it is attached to).
struct SHinge2Axes {
  dReal a[2][3];
};

/**
 * One registry entry: the library object of one create operation, plus what the device keeps
 * about it (a body's centre of mass, a triangle mesh's arrays, a heightfield's height source).
 */
class alignas(64) COdeDataWrapper {
 public:
  COdeDataWrapper(u32 iKind)
      : m_iKind(iKind),
        m_bBuilt(false),
        m_bParked(false),
        m_bThreaded(false),
        m_bStopped(false),
        m_pWorld(0),
        m_pJoint(0),
        m_pBody(0),
        m_pGeom(0),
        m_pSpace(0),
        m_pTriMeshData(0),
        m_pJointGroup(0),
        m_pHeightfieldData(0),
        m_iIndexCount(0),
        m_iVertexCount(0),
        m_iWorld(0) {
    m_aCentre[0] = m_aCentre[1] = m_aCentre[2] = 0;
    dMassSetZero(&m_cMass);
  }

  // What every step reads of a body's record (kind, flags, object, centre) comes first, in one
  // cache line.
  u32 m_iKind;
  //! Triangle or heightfield data has been built (an unbuilt heightfield aborts collisions).
  bool m_bBuilt;
  //! A body without a usable position whose geometries were taken out of collision.
  bool m_bParked;
  //! A world whose islands step on the device's thread pool.
  bool m_bThreaded;
  //! A body whose simulation blew up was stopped (said once).
  bool m_bStopped;
  dWorldID m_pWorld;
  dJointID m_pJoint;
  dBodyID m_pBody;
  dGeomID m_pGeom;
  //! A body's centre of mass in its node's frame; the library body sits at that point.
  dReal m_aCentre[3];
  dMass m_cMass;
  dSpaceID m_pSpace;
  dTriMeshDataID m_pTriMeshData;
  dJointGroupID m_pJointGroup;
  dHeightfieldDataID m_pHeightfieldData;
  //! Four floats per vertex; the library keeps pointing at them while the record lives.
  std::vector<f32> m_aVertices;
  std::vector<s32> m_aIndices;
  u32 m_iIndexCount;
  u32 m_iVertexCount;
  //! The world handle a body or joint was created in (the library destroys them with it).
  u32 m_iWorld;
  std::unique_ptr<SHeightSource> m_pHeightSource;
  //! A detached hinge-2's axes in the frames of the bodies it last joined (see jointAttach).
  std::unique_ptr<SHinge2Axes> m_pDetachedAxes;
};

//! A body the library moved during its step, with the velocities it had when it moved (the
//! library damps them right after reporting the move).
struct SMovedBody {
  u32 iBody;
  dBodyID pBody;
  //! Its node (the library body's user data).
  CRurIvaBody* pNode;
  dReal aLinear[3];
  dReal aAngular[3];
};

//! The bodies moved during the library's step. Each report only takes a place of the list (in a
//! threaded step the library reports from its worker threads); the stepping thread hands them
//! to the scene afterwards.
struct SMovedBodies {
  std::vector<SMovedBody> aBodies;
  std::atomic<u32> iCount{0};
  bool bCollecting = false;
  bool bThreaded = false;
  //! The collected moves are being handed to the scene.
  bool bReporting = false;
};

// A hash space numbers the cells of its smallest level (1/8 unit, where every geometry smaller
// than that goes) in 32-bit integers: beyond 2^31 / 8 (about 2.7e8) a small geometry's cell number
// overflows and the library aborts. Positions this far out only come from a simulation that has
// blown up; an offset up to the same distance from a body within reach stays inside that.
const dReal kMaxCoordinate = 1e8;

inline bool usablePosition(const dReal* p) {
  for (int i = 0; i < 3; ++i)
    if (!(p[i] > -kMaxCoordinate && p[i] < kMaxCoordinate)) return false;
  return true;
}

//! Bodies joined this far apart give the solver lever arms whose squares swamp its numbers (its
//! factorisation then makes not-a-number and the library aborts on the bodies' rotations).
const dReal kMaxJointSpan = 1e6;
//! The same holds for a lever that is long for the body it turns: squared lever times mass over
//! the body's smallest moment of inertia (the lever in radii of gyration, squared) beyond this
//! leaves the body's other rows below the factorisation's rounding (beyond 1e8 they keep less
//! than half of a double's digits). A ball of 1 cm may hang 60 units from its anchor, one of
//! 20 cm 1.3 km; a speck joined a few hundred thousand units away (1e17) may not, nor a hinge and
//! a hinge-2 on one pair of bodies 8e5 or 2e5 apart (2e10, 1e9: not-a-number within a step).
const dReal kMaxLeverSq = 1e8;

//! The joint's anchor in the world, for the joint types that have one.
inline bool jointAnchor(dJointID j, dVector3 cOut) {
  switch (dJointGetType(j)) {
    case dJointTypeBall:
      dJointGetBallAnchor(j, cOut);
      return true;
    case dJointTypeHinge:
      dJointGetHingeAnchor(j, cOut);
      return true;
    case dJointTypeHinge2:
      dJointGetHinge2Anchor(j, cOut);
      return true;
    case dJointTypeUniversal:
      dJointGetUniversalAnchor(j, cOut);
      return true;
    case dJointTypePR:
      dJointGetPRAnchor(j, cOut);
      return true;
    case dJointTypePU:
      dJointGetPUAnchor(j, cOut);
      return true;
    case dJointTypePiston:
      dJointGetPistonAnchor(j, cOut);
      return true;
    default:
      return false;
  }
}

// Two joints on one pair of bodies (or on one body and the world) constrain some of the same
// motions, and the big-matrix solver then has only the world's mixing force (CFM) to tell their
// rows apart. Where that force, over the step, falls below the rounding of the rows' inverse mass
// (1/m + squared lever / smallest moment, summed over the pair) its factorisation fails and the
// library aborts: measured at a ratio of about 6e-17 (a CFM of 0 always; the library's default of
// 1e-10 with a 1 g body, or with a speck on a lever of two units and a step of 0.5). Such a joint
// is let go below this ratio, a margin of about 150.
const dReal kMinRedundantMixing = 1e-14;

//! The smallest principal moment of an inertia I (the library's 3 x 4 layout, symmetric): the
//! smallest eigenvalue, by the closed form for symmetric 3 x 3 matrices. Below the smallest
//! diagonal element wherever the inertia is turned against the body's axes (two point masses
//! side by side have none about the line through them, whatever the diagonal says).
inline dReal smallestMoment(const dReal* I) {
  const dReal a = I[0], b = I[5], c = I[10], d = I[1], e = I[2], f = I[6];
  const dReal fOff = d * d + e * e + f * f;
  const dReal q = (a + b + c) / 3;
  if (fOff == 0) return std::min(a, std::min(b, c));
  const dReal fSpread = std::sqrt(((a - q) * (a - q) + (b - q) * (b - q) + (c - q) * (c - q) + 2 * fOff) / 6);
  if (!(fSpread > 0)) return q;
  // B = (I - qE) / spread; half its determinant is the cosine of three times an angle.
  const dReal ba = (a - q) / fSpread, bb = (b - q) / fSpread, bc = (c - q) / fSpread;
  const dReal bd = d / fSpread, be = e / fSpread, bf = f / fSpread;
  const dReal fHalfDet = (ba * (bb * bc - bf * bf) - bd * (bd * bc - bf * be) + be * (bd * bf - bb * be)) / 2;
  const dReal fAngle = std::acos(std::max(dReal(-1), std::min(dReal(1), fHalfDet))) / 3;
  return q + 2 * fSpread * std::cos(fAngle + 2.0943951023931954923);
}

//! A lever from p to the body b that b's inertia cannot carry (or that is not a number).
inline bool leverTooLong(dBodyID b, const dReal* p) {
  const dReal* q = dBodyGetPosition(b);
  dMass cMass;
  dBodyGetMass(b, &cMass);
  const dReal fMoment = smallestMoment(cMass.I);
  const dReal fLeverSq =
      (p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]);
  return !(fLeverSq * cMass.mass <= kMaxLeverSq * fMoment);
}

//! How much more a push at p, in the worst direction, turns body b than it moves it: mass times
//! lever squared times the largest inverse moment about the axes square to the lever (infinity
//! for not-a-number). Sharper than the measure of leverTooLong, which bounds it from above, so a
//! long plank's contacts along its length count as short.
inline dReal contactTurn(dBodyID b, const dReal* p) {
  const dReal* q = dBodyGetPosition(b);
  const dReal* R = dBodyGetRotation(b);
  const dReal aWorld[3] = {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
  dReal r[3];  // the lever in the body's frame, where its inertia is given
  for (int i = 0; i < 3; ++i) r[i] = R[i] * aWorld[0] + R[4 + i] * aWorld[1] + R[8 + i] * aWorld[2];
  const dReal fLeverSq = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
  if (!(fLeverSq > 0)) return fLeverSq == 0 ? 0 : HUGE_VAL;
  dMass cMass;
  dBodyGetMass(b, &cMass);
  const dReal* I = cMass.I;
  // The inverse inertia (the body's inertia is symmetric and positive definite).
  const dReal a = I[0], d = I[1], e = I[2], bb = I[5], f = I[6], c = I[10];
  const dReal aCof[6] = {bb * c - f * f, a * c - e * e,  a * bb - d * d,
                         e * f - d * c,  d * f - e * bb, d * e - a * f};
  const dReal fDet = a * aCof[0] + d * aCof[3] + e * aCof[4];
  if (!(fDet > 0)) return HUGE_VAL;
  const dReal aInv[3][3] = {{aCof[0] / fDet, aCof[3] / fDet, aCof[4] / fDet},
                            {aCof[3] / fDet, aCof[1] / fDet, aCof[5] / fDet},
                            {aCof[4] / fDet, aCof[5] / fDet, aCof[2] / fDet}};
  // On the plane square to the lever the inverse inertia has two eigenvalues: their sum is its
  // trace less its part along the lever, their product the inertia's part along the lever over
  // the inertia's determinant.
  dReal fInvAlong = 0, fAlong = 0;
  const dReal aI[3][3] = {{a, d, e}, {d, bb, f}, {e, f, c}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      fInvAlong += r[i] * aInv[i][j] * r[j];
      fAlong += r[i] * aI[i][j] * r[j];
    }
  const dReal fSum = aInv[0][0] + aInv[1][1] + aInv[2][2] - fInvAlong / fLeverSq;
  const dReal fProduct = fAlong / fLeverSq / fDet;
  const dReal fLargest = fSum / 2 + std::sqrt(std::max(dReal(0), fSum * fSum / 4 - fProduct));
  const dReal fTurn = cMass.mass * fLeverSq * fLargest;
  return fTurn >= 0 ? fTurn : HUGE_VAL;
}

//! A contact is not made where its turn (contactTurn) is above this. Stricter than the joints'
//! kMaxLeverSq: a body of a speck's mass under a shape ten units wide (a turn of 1e8) spun up to
//! 1e10 radians per second on its contacts and the solver met a zero pivot; at 1e7 it did not.
//! A solid body's own contacts turn it a few times as much as they move it; only a mass packed
//! a thousand times closer than its shape comes near this.
const dReal kMaxContactTurn = 1e6;

// A contact row's inverse mass, (1 + turn) / m for each body, is what the exact solver has to
// tell from the row's mixing force (the world's CFM, or the surface's soft CFM) over the step;
// where the force falls below that row's rounding (a light body, or a speck's mass under a large
// shape, at a big step) its factorisation fails and the library aborts, as for joints that hold
// the same motions (see kMinRedundantMixing). The geometries of a body whose rows could come near
// that (an inverse mass above this, where the library's default CFM of 1e-10 over a step of 1
// is below kMinRedundantMixing of it) have their contacts given the mixing force they need: a
// softness of a part in 1e14 of the row, far below anything that shows.
const dReal kRegularisedInverseMass = 1e4;

//! The joint's bodies too far apart, or a lever (from its anchor, or else from the other body)
//! too long for a body it joins.
inline bool jointSpanTooLong(dJointID j) {
  dBodyID a = dJointGetBody(j, 0), b = dJointGetBody(j, 1);
  if (a && b) {
    const dReal* p = dBodyGetPosition(a);
    const dReal* q = dBodyGetPosition(b);
    for (int i = 0; i < 3; ++i)
      if (!(std::fabs(p[i] - q[i]) < kMaxJointSpan)) return true;
  }
  dVector3 cAnchor;
  const bool bAnchor = jointAnchor(j, cAnchor);
  if (a && (bAnchor || b) && leverTooLong(a, bAnchor ? cAnchor : dBodyGetPosition(b))) return true;
  if (b && (bAnchor || a) && leverTooLong(b, bAnchor ? cAnchor : dBodyGetPosition(a))) return true;
  // A piston keeps its anchor on each side; the rows reach the body that slides from the other
  // side's (the world's, for a piston on one body), which the anchor above may not be.
  if (dJointGetType(j) == dJointTypePiston) {
    dJointGetPistonAnchor2(j, cAnchor);
    if ((a && leverTooLong(a, cAnchor)) || (b && leverTooLong(b, cAnchor))) return true;
  }
  return false;
}

//! Lets go of the contacts made with a body in this step's collision pass: after the body is put
//! somewhere else, or given a mass centred elsewhere, they would push it from where it was (and
//! from far enough, with a lever that swamps the solver). The next pass makes the contacts of
//! where it is.
inline void dropContacts(dBodyID b) {
  for (int i = dBodyGetNumJoints(b); i-- > 0;) {
    dJointID j = dBodyGetJoint(b, i);
    if (dJointGetType(j) == dJointTypeContact) dJointAttach(j, 0, 0);
  }
}

//! The smallest moment of inertia of body b, or (bLargest) the sum of its three moments, which
//! is within three times its largest.
inline dReal momentOf(dBodyID b, bool bLargest) {
  dMass cMass;
  dBodyGetMass(b, &cMass);
  return bLargest ? cMass.I[0] + cMass.I[5] + cMass.I[10] : smallestMoment(cMass.I);
}

/**
 * Joint j closes a loop: other joints (no contacts; enabled ones, if bEnabled) join its two ends
 * already, directly (a second joint on the same pair) or through other bodies (three bodies
 * hinged in a triangle, a bar held to the world at both ends; the world is the end of a joint on
 * one body). Its rows then hold some motions the others hold.
 *
 * A body that turns about some axis less readily than j's own bodies by more than the solver
 * can tell (its smallest inverse moment below kMinRedundantMixing of their largest) holds j's
 * turning rows about that axis as the world would: a joint between such a body and a light one,
 * and a joint of the light one to the world, held the same turns (a speck of 5e-7 hung from the
 * world by a piston and joined by a PR joint to a sphere of 1 kg and 1e6 units, or to a plate
 * with moments 8e10, 8e10 and 0.02, aborted the exact solver at a step of 1). A joint to the
 * world, or to such a body, closes a loop when the other joints reach either from its light end.
 */
inline bool closesJointLoop(dJointID j, bool bEnabled) {
  dBodyID a = dJointGetBody(j, 0), b = dJointGetBody(j, 1);
  if (!a) std::swap(a, b);
  if (!a) return false;
  dReal fInverseMoment = 1 / momentOf(a, false);
  if (b) fInverseMoment = std::max(fInverseMoment, 1 / momentOf(b, false));
  const auto holdsLikeTheWorld = [&](dBodyID q) {
    return !q || 1 / momentOf(q, true) < kMinRedundantMixing * fInverseMoment;
  };
  if (b && holdsLikeTheWorld(a) && !holdsLikeTheWorld(b)) std::swap(a, b);
  // A walk over the bodies the other joints reach from pFrom until one of them is what bTarget
  // asks of it.
  const auto walk = [&](dBodyID pFrom, const auto& bTarget) {
    std::unordered_set<dBodyID> aReached{pFrom};
    std::vector<dBodyID> aTodo{pFrom};
    while (!aTodo.empty()) {
      dBodyID p = aTodo.back();
      aTodo.pop_back();
      for (int i = 0, n = dBodyGetNumJoints(p); i < n; ++i) {
        dJointID k = dBodyGetJoint(p, i);
        if (k == j || dJointGetType(k) == dJointTypeContact || (bEnabled && !dJointIsEnabled(k))) continue;
        for (int iEnd = 0; iEnd < 2; ++iEnd) {
          dBodyID q = dJointGetBody(k, iEnd);
          if (q != pFrom && bTarget(q)) return true;
          if (q && aReached.insert(q).second) aTodo.push_back(q);
        }
      }
    }
    return false;
  };
  // Towards the world (or a body that holds like it): any joint to either closes the loop.
  if (holdsLikeTheWorld(b) && !holdsLikeTheWorld(a)) return walk(a, holdsLikeTheWorld);
  const auto isB = [&](dBodyID q) { return q == b; };
  if (walk(a, isB)) return true;
  // Between two bodies that each reach the world by other joints, the loop runs through it (two
  // bodies each hinged to the world and joined to one another).
  return b && walk(a, holdsLikeTheWorld) && walk(b, holdsLikeTheWorld);
}

/**
 * The mixing force (CFM) of joint j's rows in a world of CFM fWorld. A ball's rows carry the
 * ball's own, a fixed joint's and a hinge-2's suspension row their own besides the world's: the
 * library sets them from the world's when the joint is made and keeps them when the world's
 * changes. Two hinge-2 joints made at the default CFM on one pair (a speck on a lever of two
 * units) aborted the exact solver after the world's CFM was raised to 1.
 *
 * An axis with stops is held at a stop by a row with the stop's CFM, both ways where the low and
 * high stop are one value: two hinges, sliders, universals or pistons locked so with a stop CFM
 * of 0 aborted it, and so did a locked axis of one joint with a stop of the other (a hinge locked
 * and a piston's turn stopped, a universal locked and a hinge-2 stopped, on one body). A powered
 * axis is held by a row with the motor's CFM while the motor's force suffices: three hinges from
 * one ball to the world driving one axis at one speed with a motor CFM of 0 (and a fourth with
 * stops) aborted it too. Every motor counts, whatever its force; two opposed ones at a CFM of 0
 * ran (each pushed at its force's bound), so this lets go of some joints the solver would have
 * carried.
 */
inline dReal jointRowMixing(dJointID j, dReal fWorld) {
  // The library answers 0 for the stops of an axis a joint does not have: only its own are read.
  // Stops of minus and plus infinity (the default) are never reached.
  const auto withStopsAndMotors = [j](dReal fRows, dReal (*fGet)(dJointID, int), int iAxes) {
    for (int i = 0; i < iAxes; ++i) {
      const int iGroup = i * dParamGroup;
      const dReal fLow = fGet(j, dParamLoStop + iGroup), fHigh = fGet(j, dParamHiStop + iGroup);
      if (fLow <= fHigh && (std::isfinite(fLow) || std::isfinite(fHigh)))
        fRows = std::min(fRows, fGet(j, dParamStopCFM + iGroup));
      if (fGet(j, dParamFMax + iGroup) > 0) fRows = std::min(fRows, fGet(j, dParamCFM + iGroup));
    }
    return fRows;
  };
  switch (dJointGetType(j)) {
    case dJointTypeBall:
      return dJointGetBallParam(j, dParamCFM);
    case dJointTypeFixed:
      return std::min(fWorld, dJointGetFixedParam(j, dParamCFM));
    case dJointTypeHinge:
      return withStopsAndMotors(fWorld, dJointGetHingeParam, 1);
    case dJointTypeSlider:
      return withStopsAndMotors(fWorld, dJointGetSliderParam, 1);
    case dJointTypeUniversal:
      return withStopsAndMotors(fWorld, dJointGetUniversalParam, 2);
    case dJointTypeHinge2:
      return withStopsAndMotors(std::min(fWorld, dJointGetHinge2Param(j, dParamSuspensionCFM)),
                                dJointGetHinge2Param, 2);
    case dJointTypePiston:
      return withStopsAndMotors(fWorld, dJointGetPistonParam, 2);
    case dJointTypePR:
      return withStopsAndMotors(fWorld, dJointGetPRParam, 2);
    default:
      return fWorld;
  }
}

//! The largest inverse mass the enabled joints joining j's bodies give their rows: for each body
//! 1/m + squared lever / smallest moment, the lever from the joint's anchor (or else from the
//! other body), and 1 / smallest moment for the rows that hold its turning, summed over the two
//! bodies.
inline dReal pairInverseMass(dJointID j) {
  dBodyID aBodies[2] = {dJointGetBody(j, 0), dJointGetBody(j, 1)};
  dReal fSum = 0;
  for (int iSide = 0; iSide < 2; ++iSide) {
    dBodyID b = aBodies[iSide], pOther = aBodies[1 - iSide];
    if (!b) continue;
    dMass cMass;
    dBodyGetMass(b, &cMass);
    const dReal* q = dBodyGetPosition(b);
    dReal fLeverSq = 0;
    for (int i = 0, n = dBodyGetNumJoints(b); i < n; ++i) {
      dJointID k = dBodyGetJoint(b, i);
      if (dJointGetType(k) == dJointTypeContact || !dJointIsEnabled(k)) continue;
      dBodyID c = dJointGetBody(k, 0), d = dJointGetBody(k, 1);
      if (!((c == aBodies[0] && d == aBodies[1]) || (c == aBodies[1] && d == aBodies[0]))) continue;
      const auto reach = [&](const dReal* pPoint) {
        const dReal f = (pPoint[0] - q[0]) * (pPoint[0] - q[0]) + (pPoint[1] - q[1]) * (pPoint[1] - q[1]) +
                        (pPoint[2] - q[2]) * (pPoint[2] - q[2]);
        if (!(f <= fLeverSq)) fLeverSq = f;  // not-a-number counts as the longest
      };
      dVector3 p;
      reach(jointAnchor(k, p) ? p : (pOther ? dBodyGetPosition(pOther) : q));
      // A piston's rows reach each body from the other side's anchor too, across the distance
      // slid (two pistons on one pair, slid some thousand units apart by a deep contact, aborted
      // the exact solver at the default CFM).
      if (dJointGetType(k) == dJointTypePiston) {
        dJointGetPistonAnchor2(k, p);
        reach(p);
      }
    }
    // A row that holds a turn (a hinge's, a hinge-2's) weighs 1 / moment, whatever the lever.
    const dReal fMoment = smallestMoment(cMass.I);
    fSum += 1 / cMass.mass + fLeverSq / fMoment + 1 / fMoment;
  }
  return fSum;
}

//! The bodies and the joints (no contacts; enabled ones, if bEnabled) that joints join to body b,
//! b first.
inline void islandOf(dBodyID b, bool bEnabled, std::vector<dBodyID>& aBodies,
                     std::vector<dJointID>& aJoints) {
  aBodies.assign(1, b);
  aJoints.clear();
  std::unordered_set<dBodyID> aReached{b};
  std::unordered_set<dJointID> aSeen;
  for (size_t iBody = 0; iBody < aBodies.size(); ++iBody)  // grows as bodies are reached
    for (int i = 0, n = dBodyGetNumJoints(aBodies[iBody]); i < n; ++i) {
      dJointID k = dBodyGetJoint(aBodies[iBody], i);
      if (dJointGetType(k) == dJointTypeContact || (bEnabled && !dJointIsEnabled(k)) ||
          !aSeen.insert(k).second)
        continue;
      aJoints.push_back(k);
      for (int iEnd = 0; iEnd < 2; ++iEnd)
        if (dBodyID q = dJointGetBody(k, iEnd); q && aReached.insert(q).second) aBodies.push_back(q);
    }
}

/**
 * The largest inverse mass (see pairInverseMass) the enabled joints of enabled joint j's island
 * give their rows, j's own among them. The rows of an island are factored together, and the
 * rounding they meet is that of its heaviest rows wherever they sit: two joints on one pair of
 * bodies, weighed apart by their CFM, aborted the exact solver beside a speck locked to the world
 * a joint away (found by fuzzing), though their own pair was light.
 */
inline dReal islandInverseMass(dJointID j) {
  std::vector<dBodyID> aBodies;
  std::vector<dJointID> aJoints;
  islandOf(dJointGetBody(j, 0) ? dJointGetBody(j, 0) : dJointGetBody(j, 1), true, aBodies, aJoints);
  dReal fLargest = 0;
  for (dJointID k : aJoints) {
    const dReal f = pairInverseMass(k);
    if (std::isnan(f)) return f;  // counts as the heaviest
    fLargest = std::max(fLargest, f);
  }
  return fLargest;
}

/**
 * A sliding joint's body slid so far that the solver cannot tell the rows of a light body of the
 * joint's island apart. The joint's rows hold the slid body's turns to the other side's across
 * the distance slid, so the two turn as one body with the slid body's mass times the squared
 * distance as moment: for a body whose own moment is below kMinRedundantMixing of that, the
 * pair holds like the world (see closesJointLoop), and a light body held by it and by the world,
 * or twice by it, holds the same turns twice over. A speck held to the world by a slider at its
 * stops and by a locked hinge to a box, from which a ball slid away on a PR joint, aborted the
 * exact solver once the ball's moment so reckoned outweighed the speck's some 3e15 times (the
 * distance went as one over the square root of the ball's mass and as the speck's radius of
 * gyration, whatever the ball's own moments); so did a plate hinged to the world and joined to
 * such a ball by the PR joint itself. A joint to the world is left to jointSpanTooLong: the
 * world outweighs any reach already. No body of the island turns more readily than
 * fLightestMoment allows, so the island is walked (an allocation) only where the reach could
 * outweigh such a body.
 */
inline bool slidBeyondItsIsland(dJointID j, dReal fLightestMoment) {
  dBodyID aEnds[2] = {dJointGetBody(j, 0), dJointGetBody(j, 1)};
  if (!aEnds[0] || !aEnds[1]) return false;
  dVector3 cAnchor;
  const bool bAnchor = jointAnchor(j, cAnchor);
  dReal fReach = 0;  // the largest mass times squared distance slid
  dBodyID pFar = aEnds[0];
  for (int iSide = 0; iSide < 2; ++iSide) {
    dBodyID b = aEnds[iSide];
    const dReal* q = dBodyGetPosition(b);
    dMass cMass;
    dBodyGetMass(b, &cMass);
    const auto reach = [&](const dReal* p) {
      const dReal f = cMass.mass * ((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) +
                                    (p[2] - q[2]) * (p[2] - q[2]));
      if (!(f <= fReach) && !std::isnan(fReach)) {  // not-a-number counts as the farthest
        fReach = f;
        pFar = b;
      }
    };
    reach(bAnchor ? cAnchor : dBodyGetPosition(aEnds[1 - iSide]));
    if (dJointGetType(j) == dJointTypePiston) {
      dVector3 cAnchor2;
      dJointGetPistonAnchor2(j, cAnchor2);
      reach(cAnchor2);
    }
  }
  if (kMinRedundantMixing * fReach <= fLightestMoment) return false;
  const auto isLight = [&](dBodyID b) { return !(momentOf(b, false) >= kMinRedundantMixing * fReach); };
  std::vector<dBodyID> aIsland;
  std::vector<dJointID> aJoints;
  islandOf(pFar, true, aIsland, aJoints);
  if (std::none_of(aIsland.begin(), aIsland.end(), isLight)) return false;
  // The world, the slid body and (unless it is light itself) the joint's other body are one node.
  // The island is connected, so it holds a loop, through that node or among the other bodies,
  // where its joints (those within the node aside) are as many as its nodes.
  dBodyID pNear = aEnds[0] == pFar ? aEnds[1] : aEnds[0];
  const bool bNearLight = isLight(pNear);
  const auto inWorldNode = [&](dBodyID b) { return !b || b == pFar || (b == pNear && !bNearLight); };
  const size_t iNodes = 1 + static_cast<size_t>(std::count_if(aIsland.begin(), aIsland.end(),
                                                              [&](dBodyID b) { return !inWorldNode(b); }));
  const size_t iJoints = static_cast<size_t>(std::count_if(aJoints.begin(), aJoints.end(), [&](dJointID k) {
    return !inWorldNode(dJointGetBody(k, 0)) || !inWorldNode(dJointGetBody(k, 1));
  }));
  return iJoints >= iNodes;
}

//! Two directions at an angle below about 1e-5 radians, or one of them without length.
inline bool areParallel(const dReal* a, const dReal* b) {
  const f64 cx = a[1] * b[2] - a[2] * b[1];
  const f64 cy = a[2] * b[0] - a[0] * b[2];
  const f64 cz = a[0] * b[1] - a[1] * b[0];
  const f64 fCrossSq = cx * cx + cy * cy + cz * cz;
  const f64 fLenSq = (a[0] * a[0] + a[1] * a[1] + a[2] * a[2]) * (b[0] * b[0] + b[1] * b[1] + b[2] * b[2]);
  return fCrossSq <= 1e-10 * fLenSq;
}

//! A hinge-2 or universal joint whose two axes, each turning with its own body, now lie parallel
//! (a body turned by hand): the library's step normalises their cross product and aborts.
inline bool jointAxesParallel(dJointID j) {
  // The library's axis getters abort on a hinge-2 without its bodies and leave the result unset
  // for a joint without any.
  dBodyID b1 = dJointGetBody(j, 0), b2 = dJointGetBody(j, 1);
  if (!b1 && !b2) return false;
  dVector3 a, b;
  switch (dJointGetType(j)) {
    case dJointTypeHinge2:
      if (!b1 || !b2) return false;
      dJointGetHinge2Axis1(j, a);
      dJointGetHinge2Axis2(j, b);
      break;
    case dJointTypeUniversal:
      dJointGetUniversalAxis1(j, a);
      dJointGetUniversalAxis2(j, b);
      break;
    default:
      return false;
  }
  return areParallel(a, b);
}

//! The axes of hinge-2 j in the frames of the two bodies it joins; false (cAxes untouched) unless
//! it joins two.
inline bool hinge2AxesInBodies(dJointID j, SHinge2Axes& cAxes) {
  dBodyID b1 = dJointGetBody(j, 0), b2 = dJointGetBody(j, 1);
  if (!b1 || !b2) return false;
  dVector3 a1, a2;
  dJointGetHinge2Axis1(j, a1);
  dJointGetHinge2Axis2(j, a2);
  dVector3 r1, r2;
  dBodyVectorFromWorld(b1, a1[0], a1[1], a1[2], r1);
  dBodyVectorFromWorld(b2, a2[0], a2[1], a2[2], r2);
  for (int i = 0; i < 3; ++i) {
    cAxes.a[0][i] = r1[i];
    cAxes.a[1][i] = r2[i];
  }
  return true;
}

//! Disables the enabled joints of body b whose span or lever is too long, or whose axes a turn
//! of the body laid parallel, one line each (sCall names the device call, iBody the body's
//! handle).
inline void disableJointsBeyondTheSolver(dBodyID b, const c8* sCall, u32 iBody) {
  for (int i = 0, n = dBodyGetNumJoints(b); i < n; ++i) {
    dJointID j = dBodyGetJoint(b, i);
    if (dJointGetType(j) == dJointTypeContact || !dJointIsEnabled(j)) continue;
    if (jointAxesParallel(j)) {
      printf("CRurIvaDevice::%s: the two axes of a joint of body %u lie parallel, the joint is disabled\n",
             sCall, iBody);
      dJointDisable(j);
      continue;
    }
    if (!jointSpanTooLong(j)) continue;
    printf(
        "CRurIvaDevice::%s: a joint of body %u reaches too far for the bodies it joins, the joint is "
        "disabled\n",
        sCall, iBody);
    dJointDisable(j);
  }
}

inline core::vector3df toVector(const dReal* p) {
  return core::vector3df(static_cast<f32>(p[0]), static_cast<f32>(p[1]), static_cast<f32>(p[2]));
}

// An axis the library cannot normalise (it aborts on a zero vector); not-a-number counts too.
inline bool isNullAxis(const core::vector3df& v) {
  const f64 fLenSq = static_cast<f64>(v.X) * v.X + static_cast<f64>(v.Y) * v.Y + static_cast<f64>(v.Z) * v.Z;
  return !(fLenSq > 1e-12) || !std::isfinite(fLenSq);
}

// The library aborts on many values that are no finite numbers (a body, a geometry offset or a
// joint anchor at infinity, a gravity, velocity, force or mass of not-a-number), and where it
// does not at once, the value spreads into every body it touches. None is passed on: the call
// is skipped with one line that names it.
inline bool finiteValues(const c8* sCall, std::initializer_list<f64> aValues) {
  for (f64 f : aValues)
    if (!std::isfinite(f)) {
      printf("CRurIvaDevice::%s: a value is not a finite number, call skipped\n", sCall);
      return false;
    }
  return true;
}

inline bool finiteVector(const c8* sCall, const core::vector3df& v) {
  return finiteValues(sCall, {v.X, v.Y, v.Z});
}

// A rotation the library can take: finite and of some length (it normalises the quaternion and
// aborts on one of length 0 or not a number, as a node of zero scale or at infinity gives).
// Anything else is refused in one line and the object keeps the rotation it has (the identity
// for a new one).
inline bool properRotation(const c8* sCall, const dReal* q) {
  const f64 fLenSq = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
  if (fLenSq > 1e-12 && std::isfinite(fLenSq)) return true;
  printf("CRurIvaDevice::%s: the rotation is not a proper rotation, call skipped\n", sCall);
  return false;
}

inline bool hasCentre(const COdeDataWrapper* r) {
  return r->m_aCentre[0] != 0 || r->m_aCentre[1] != 0 || r->m_aCentre[2] != 0;
}

//! The node origin of a body: the library body sits at the centre of mass, R c away from it.
core::vector3df bodyOrigin(const COdeDataWrapper* r);

/**
 * The node origin of a body with a centre of mass away from it, whose library position p is at
 * hand: p - R c, with R c worked out as the library's dBodyVectorToWorld does it (the same
 * products summed in the same order, so the same bits), without two calls into the library.
 */
inline core::vector3df originFromCentre(const COdeDataWrapper* r, const dReal* p) {
  const dReal* R = dBodyGetRotation(r->m_pBody);
  const dReal* c = r->m_aCentre;
  const dReal x = R[0] * c[0] + R[1] * c[1] + R[2] * c[2];
  const dReal y = R[4] * c[0] + R[5] * c[1] + R[6] * c[2];
  const dReal z = R[8] * c[0] + R[9] * c[1] + R[10] * c[2];
  return core::vector3df(static_cast<f32>(p[0] - x), static_cast<f32>(p[1] - y), static_cast<f32>(p[2] - z));
}

//! The geometry node a library geometry carries as its user data, or null.
inline CRurIvaGeom* geomOf(dGeomID g) { return g ? static_cast<CRurIvaGeom*>(dGeomGetData(g)) : 0; }

// Module-wide state, each kept by the one source that defines these functions.

//! Initialises the library unless this module has done so already (stepping and collision
//! crash in an uninitialised library); CRurIvaDevice.cpp.
void ensureLibrary();
//! Drops the waiting ray hits of fast bodies: all of them, or those of one body handle;
//! CRurIvaDeviceStep.cpp.
void clearFastCollisions();
void removeFastCollisionsOf(u32 iBody);
//! Waiting ray hits of a geometry that goes: they no longer lead to it.
void forgetFastCollisionsWith(dGeomID pGeom);
//! A new library world, or the destruction of one, counted across devices: while there is one
//! world, every body is of the world being stepped; CRurIvaDeviceBodies.cpp.
dWorldID createCountedWorld();
void destroyCountedWorld(dWorldID w);
//! More than one library world exists (or may: a world the library closed under a step counts).
bool severalWorlds();
//! Forgets a device that is going away as the one whose step is running; CRurIvaDeviceStep.cpp.
void forgetSteppingDevice(const CRurIvaDevice* pDevice);
//! Whether a step of this device is running (its library objects are in use); CRurIvaDeviceStep.cpp.
bool isSteppingDevice(const CRurIvaDevice* pDevice);

}  // namespace ode
}  // namespace irr

#endif
