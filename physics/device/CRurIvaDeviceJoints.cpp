#include "CRurIvaDevice.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <unordered_set>
#include <vector>

#include "CRurIvaBody.h"
#include "RurIvaDeviceInternal.h"

// Joints of all eight families and joint groups. The library aborts on many joint calls a
// caller can get wrong (a call for another joint type, a zero axis, a hinge-2 on one body,
// parallel axes); each is checked before the call.

namespace irr {
namespace ode {

namespace {

// The family part of a joint operation's name, for the line of a refused call.
const c8* familyOf(int iType) {
  switch (iType) {
    case dJointTypeBall:
      return "Ball";
    case dJointTypeHinge:
      return "Hinge";
    case dJointTypeHinge2:
      return "Hinge2";
    case dJointTypeSlider:
      return "Slider";
    case dJointTypePiston:
      return "Piston";
    case dJointTypeUniversal:
      return "Universal";
    case dJointTypePR:
      return "Pr";
    default:
      return "";
  }
}

// Axis numbers beyond the 16 bits of a parameter group are as invalid as 3 is.
u16 axisOf(u32 iAxis) { return static_cast<u16>(iAxis > 0xffffu ? 0xffffu : iAxis); }

// One axis of a hinge-2 through the library's current call, checked against the other axis: the
// library aborts on a hinge-2 with one body and on parallel axes.
void setOneHinge2Axis(dJointID j, int iWhich, const core::vector3df& cAxis, const c8* sCaller) {
  if (!dJointGetBody(j, 0) || !dJointGetBody(j, 1)) {
    printf("CRurIvaDevice::%s: the joint is not attached to two bodies, call skipped\n", sCaller);
    return;
  }
  if (isNullAxis(cAxis)) {
    printf("CRurIvaDevice::%s: the axis has no direction, call skipped\n", sCaller);
    return;
  }
  const dVector3 a = {cAxis.X, cAxis.Y, cAxis.Z, 0};
  dVector3 cOther;
  if (iWhich == 1)
    dJointGetHinge2Axis2(j, cOther);
  else
    dJointGetHinge2Axis1(j, cOther);
  if (areParallel(a, cOther)) {
    printf("CRurIvaDevice::%s: the axis is parallel to axis %d, call skipped\n", sCaller,
           iWhich == 1 ? 2 : 1);
    return;
  }
  dJointSetHinge2Axes(j, iWhich == 1 ? a : NULL, iWhich == 2 ? a : NULL);
}

// One axis of a universal joint; parallel axes abort the next step, so an attached joint's axis
// is checked against its other axis as it stands.
void setOneUniversalAxis(dJointID j, int iWhich, const core::vector3df& cAxis, const c8* sCaller) {
  if (isNullAxis(cAxis)) {
    printf("CRurIvaDevice::%s: the axis has no direction, call skipped\n", sCaller);
    return;
  }
  if (dJointGetBody(j, 0) || dJointGetBody(j, 1)) {
    const dVector3 a = {cAxis.X, cAxis.Y, cAxis.Z, 0};
    dVector3 cOther;
    if (iWhich == 1)
      dJointGetUniversalAxis2(j, cOther);
    else
      dJointGetUniversalAxis1(j, cOther);
    if (areParallel(a, cOther)) {
      printf("CRurIvaDevice::%s: the axis is parallel to axis %d, call skipped\n", sCaller,
             iWhich == 1 ? 2 : 1);
      return;
    }
  }
  if (iWhich == 1)
    dJointSetUniversalAxis1(j, cAxis.X, cAxis.Y, cAxis.Z);
  else
    dJointSetUniversalAxis2(j, cAxis.X, cAxis.Y, cAxis.Z);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Lookups and the shared helpers of the families

dJointID CRurIvaDevice::jointOfType(u32 iJoint, int iType) const {
  dJointID j = getJointId(iJoint);
  return (j && dJointGetType(j) == iType) ? j : 0;
}

dJointID CRurIvaDevice::attachedJointOfType(u32 iJoint, int iType) const {
  // Some of the library's readers dereference the first body without a check; a joint that is
  // attached to nothing has no pose to report anyway.
  dJointID j = jointOfType(iJoint, iType);
  return (j && (dJointGetBody(j, 0) || dJointGetBody(j, 1))) ? j : 0;
}

int CRurIvaDevice::convertToOdeJointParam(u16 iAxis, const int& iParameter) {
  if (iAxis > 2 || iParameter < 0 || iParameter > 10) return -1;
  // By name, not by number: this library's list has grown (low and high velocity limits sit
  // between the velocity and the maximum force), and the layer lists the high stop first.
  static const int kOdeParams[11] = {
      dParamHiStop, dParamLoStop,  dParamVel,     dParamFMax,          dParamFudgeFactor,  dParamBounce,
      dParamCFM,    dParamStopERP, dParamStopCFM, dParamSuspensionERP, dParamSuspensionCFM};
  return kOdeParams[iParameter] + iAxis * dParamGroup;
}

template <class TReal>
void CRurIvaDevice::jointSetVec(u32 iJoint, int iType, const core::vector3df& v,
                                void (*fSet)(dJointID, TReal, TReal, TReal)) {
  dJointID j = jointOfType(iJoint, iType);
  if (!j) return;
  // The library aborts on an anchor at infinity or not a number.
  if (!std::isfinite(v.X) || !std::isfinite(v.Y) || !std::isfinite(v.Z)) {
    printf("CRurIvaDevice::jointSet%sAnchor: the anchor is not a finite point, call skipped\n",
           familyOf(iType));
    return;
  }
  fSet(j, v.X, v.Y, v.Z);
  if (dJointIsEnabled(j) && jointSpanTooLong(j)) {
    printf(
        "CRurIvaDevice::jointSet%sAnchor: the anchor is too far for the joint's bodies, the joint is "
        "disabled\n",
        familyOf(iType));
    dJointDisable(j);
  }
}

// The library aborts when it cannot normalise an axis.
template <class TReal>
void CRurIvaDevice::jointSetAxis(u32 iJoint, int iType, const core::vector3df& v,
                                 void (*fSet)(dJointID, TReal, TReal, TReal), const c8* sName) {
  dJointID j = jointOfType(iJoint, iType);
  if (!j) return;
  if (isNullAxis(v)) {
    printf("CRurIvaDevice::%s: the axis has no direction, call skipped\n", sName);
    return;
  }
  fSet(j, v.X, v.Y, v.Z);
}

template <class TReal>
core::vector3df CRurIvaDevice::jointVec(u32 iJoint, int iType, void (*fGet)(dJointID, TReal*)) {
  dJointID j = attachedJointOfType(iJoint, iType);
  if (!j) return core::vector3df(0, 0, 0);
  dVector3 a;
  fGet(j, a);
  return toVector(a);
}

template <class TReal>
f32 CRurIvaDevice::jointReal(u32 iJoint, int iType, TReal (*fGet)(dJointID)) {
  dJointID j = attachedJointOfType(iJoint, iType);
  return j ? static_cast<f32>(fGet(j)) : 0.0f;
}

template <class TReal>
void CRurIvaDevice::jointSetParam(u32 iJoint, int iType, u16 iAxis, int iParam, f32 fValue,
                                  void (*fSet)(dJointID, int, TReal)) {
  dJointID j = jointOfType(iJoint, iType);
  if (!j) return;
  if (!std::isfinite(fValue)) {
    printf("CRurIvaDevice::jointSet%sParam: the value is not a finite number, call skipped\n",
           familyOf(iType));
    return;
  }
  fSet(j, convertToOdeJointParam(iAxis, iParam), fValue);
}

template <class TReal>
f32 CRurIvaDevice::jointGetParam(u32 iJoint, int iType, u16 iAxis, int iParam, TReal (*fGet)(dJointID, int)) {
  dJointID j = jointOfType(iJoint, iType);
  return j ? static_cast<f32>(fGet(j, convertToOdeJointParam(iAxis, iParam))) : 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Every joint

void CRurIvaDevice::jointAttach(u32 iJoint, CRurIvaBody* pBody1, CRurIvaBody* pBody2) {
  COdeDataWrapper* r = live(iJoint, eKindJoint);
  if (!r) return;
  dBodyID b1 = pBody1 ? getBodyId(pBody1->getBodyId()) : 0;
  dBodyID b2 = pBody2 ? getBodyId(pBody2->getBodyId()) : 0;
  if (b1 && b1 == b2) {
    printf("CRurIvaDevice::jointAttach: a joint cannot join a body to itself, call skipped\n");
    return;
  }
  dWorldID w = getWorldId(r->m_iWorld);
  if ((b1 && dBodyGetWorld(b1) != w) || (b2 && dBodyGetWorld(b2) != w)) {
    printf("CRurIvaDevice::jointAttach: joint and bodies belong to different worlds, call skipped\n");
    return;
  }
  if (dJointGetType(r->m_pJoint) == dJointTypeHinge2) {
    if ((b1 != 0) != (b2 != 0)) {
      // The library aborts on a hinge-2 with one body, here and at the next step.
      printf("CRurIvaDevice::jointAttach: a hinge-2 joint needs two bodies, joint left detached\n");
      b1 = b2 = 0;
    }
    // The library keeps a hinge-2's axes in its bodies' frames and aborts on attaching it to
    // bodies turned so that the axes lie parallel (their cross product has no direction).
    SHinge2Axes cAxes = {{{1, 0, 0}, {0, 1, 0}}};  // the library's own, until set on two bodies
    if (!hinge2AxesInBodies(r->m_pJoint, cAxes) && r->m_pDetachedAxes) cAxes = *r->m_pDetachedAxes;
    if (b1 && b2) {
      dVector3 a1, a2;
      dBodyVectorToWorld(b1, cAxes.a[0][0], cAxes.a[0][1], cAxes.a[0][2], a1);
      dBodyVectorToWorld(b2, cAxes.a[1][0], cAxes.a[1][1], cAxes.a[1][2], a2);
      if (areParallel(a1, a2)) {
        printf(
            "CRurIvaDevice::jointAttach: the hinge-2's axes would lie parallel on these bodies, call "
            "skipped\n");
        return;
      }
      r->m_pDetachedAxes.reset();
    } else {
      r->m_pDetachedAxes.reset(new SHinge2Axes(cAxes));
    }
  }
  dJointAttach(r->m_pJoint, b1, b2);
  // A body out of reach sits out of collision, and bodies too far apart swamp the solver's
  // numbers; a joint to it would pull both ends beyond any number. The joint is kept, disabled.
  if ((b1 && !usablePosition(dBodyGetPosition(b1))) || (b2 && !usablePosition(dBodyGetPosition(b2))) ||
      jointSpanTooLong(r->m_pJoint)) {
    printf(
        "CRurIvaDevice::jointAttach: a body is out of reach or too far from the other, the joint is "
        "disabled\n");
    dJointDisable(r->m_pJoint);
  }
  // A universal joint attached to bodies turned so that its axes lie parallel would abort the
  // next step as a turned body's does (a hinge-2's attach was refused above).
  if (dJointIsEnabled(r->m_pJoint) && jointAxesParallel(r->m_pJoint)) {
    printf(
        "CRurIvaDevice::jointAttach: the joint's two axes lie parallel on these bodies, the joint is "
        "disabled\n");
    dJointDisable(r->m_pJoint);
  }
  // A joint that closes a loop (a second joint on the same bodies, or a chain of joints back to
  // where it started) is looked at before each step (see kMinRedundantMixing).
  if (closesJointLoop(r->m_pJoint, false) &&
      std::find(m_aRedundantJoints.begin(), m_aRedundantJoints.end(), iJoint) == m_aRedundantJoints.end())
    m_aRedundantJoints.push_back(iJoint);
  // Through a body that holds like the world for another joint only, the new joint may close a
  // loop for that one (a speck hinged to the world and to a body that a hinge-2 joined to a
  // body turning 1e16 times less readily: the hinge-2 closed the speck's loop, not its own).
  if (b1 || b2) listJointsClosingLoops(b1 ? b1 : b2);
}

void CRurIvaDevice::listJointsClosingLoops(dBodyID b) {
  std::vector<dBodyID> aBodies;
  std::vector<dJointID> aJoints;
  islandOf(b, false, aBodies, aJoints);
  // A body holds like the world for a joint whose own bodies turn 1e14 times more readily (see
  // closesJointLoop); without such a spread of moments every loop runs through the world or
  // back to a joint's own bodies, and the joint that closed it was listed when it was attached.
  dReal fLargestSum = 0, fSmallest = dInfinity;
  for (dBodyID p : aBodies) {
    fLargestSum = std::max(fLargestSum, momentOf(p, true));
    fSmallest = std::min(fSmallest, momentOf(p, false));
  }
  if (aJoints.empty() || fLargestSum * kMinRedundantMixing <= fSmallest) return;
  // With the world and every body that holds like it for the most readily turning one taken as
  // one, a chain or a tree of joints closes no loop for any joint: each joint need not be walked
  // from (a graph has a loop when it has as many joints as bodies, a joint between two such
  // bodies being a loop of its own).
  const auto holdsLikeTheWorld = [&](dBodyID q) {
    return !q || 1 / momentOf(q, true) < kMinRedundantMixing / fSmallest;
  };
  size_t iNodes = 0;
  for (dBodyID q : aBodies) iNodes += holdsLikeTheWorld(q) ? 0 : 1;
  bool bWorldJoined = false, bLoop = false;
  for (dJointID k : aJoints) {
    const bool b0 = holdsLikeTheWorld(dJointGetBody(k, 0)), b1 = holdsLikeTheWorld(dJointGetBody(k, 1));
    bWorldJoined = bWorldJoined || b0 || b1;
    bLoop = bLoop || (b0 && b1);
  }
  if (!bLoop && aJoints.size() < iNodes + (bWorldJoined ? 1 : 0)) return;
  std::unordered_set<dJointID> aIsland(aJoints.begin(), aJoints.end());
  for (u32 iJoint : m_aRedundantJoints)
    if (COdeDataWrapper* r = live(iJoint, eKindJoint)) aIsland.erase(r->m_pJoint);
  for (auto it = aIsland.begin(); it != aIsland.end();)
    it = closesJointLoop(*it, false) ? std::next(it) : aIsland.erase(it);
  // The library's joints do not name their handles: the registry does. The newest first, as
  // attaching lists the joint that closed a loop, and the one looked at first is let go first.
  for (u32 i = m_aRecords.size(); i-- > 0 && !aIsland.empty();) {
    COdeDataWrapper* r = m_aRecords[i];
    if (r && r->m_iKind == eKindJoint && r->m_pJoint && aIsland.erase(r->m_pJoint))
      m_aRedundantJoints.push_back(handleAt(i));
  }
}

void CRurIvaDevice::jointSetData(u32 iJoint, void* pData) {
  if (dJointID j = getJointId(iJoint)) dJointSetData(j, pData);
}

void CRurIvaDevice::jointDestroy(u32 iJoint) {
  COdeDataWrapper* r = live(iJoint, eKindJoint);
  if (!r) return;
  dJointDestroy(r->m_pJoint);
  r->m_pJoint = 0;
}

u32 CRurIvaDevice::createJoint(u32 iWorld, dJointID (*fCreate)(dWorldID, dJointGroupID)) {
  dWorldID w = getWorldId(iWorld);
  if (!w) return 0;
  COdeDataWrapper* r = new COdeDataWrapper(eKindJoint);
  r->m_pJoint = fCreate(w, 0);
  r->m_iWorld = iWorld;
  const u32 iJoint = addRecord(r);
  // The levers the solver gives the other joints' rows are fixed in their bodies' frames; a
  // sliding joint's grow as its bodies slide apart (see letGoOfOverreachingJoints).
  switch (dJointGetType(r->m_pJoint)) {
    case dJointTypeSlider:
    case dJointTypePR:
    case dJointTypePU:
    case dJointTypePiston:
      m_aSlidingJoints.push_back(iJoint);
      break;
    default:
      break;
  }
  return iJoint;
}

u32 CRurIvaDevice::jointCreateBallSocket(u32 iWorld) { return createJoint(iWorld, dJointCreateBall); }
u32 CRurIvaDevice::jointCreateFixed(u32 iWorld) { return createJoint(iWorld, dJointCreateFixed); }
u32 CRurIvaDevice::jointCreateHinge(u32 iWorld) { return createJoint(iWorld, dJointCreateHinge); }
u32 CRurIvaDevice::jointCreateHinge2(u32 iWorld) { return createJoint(iWorld, dJointCreateHinge2); }
u32 CRurIvaDevice::jointCreatePiston(u32 iWorld) { return createJoint(iWorld, dJointCreatePiston); }
u32 CRurIvaDevice::jointCreateSlider(u32 iWorld) { return createJoint(iWorld, dJointCreateSlider); }
u32 CRurIvaDevice::jointCreateUniversal(u32 iWorld) { return createJoint(iWorld, dJointCreateUniversal); }
u32 CRurIvaDevice::jointCreatePR(u32 iWorld) { return createJoint(iWorld, dJointCreatePR); }

// ---------------------------------------------------------------------------------------------
// Ball-socket and fixed

void CRurIvaDevice::jointSetBallAnchor(u32 iJoint, core::vector3df v) {
  jointSetVec(iJoint, dJointTypeBall, v, dJointSetBallAnchor);
}
core::vector3df CRurIvaDevice::jointGetBallAnchor(u32 iJoint) {
  return jointVec(iJoint, dJointTypeBall, dJointGetBallAnchor);
}
core::vector3df CRurIvaDevice::jointGetBallAnchor2(u32 iJoint) {
  return jointVec(iJoint, dJointTypeBall, dJointGetBallAnchor2);
}

void CRurIvaDevice::jointSetFixed(u32 iJoint) {
  if (dJointID j = jointOfType(iJoint, dJointTypeFixed)) dJointSetFixed(j);
}

// ---------------------------------------------------------------------------------------------
// Hinge

void CRurIvaDevice::jointSetHingeAnchor(u32 iJoint, core::vector3df v) {
  jointSetVec(iJoint, dJointTypeHinge, v, dJointSetHingeAnchor);
}
void CRurIvaDevice::jointSetHingeAxis(u32 iJoint, core::vector3df v) {
  jointSetAxis(iJoint, dJointTypeHinge, v, dJointSetHingeAxis, "jointSetHingeAxis");
}
core::vector3df CRurIvaDevice::jointGetHingeAxis(u32 iJoint) {
  return jointVec(iJoint, dJointTypeHinge, dJointGetHingeAxis);
}
core::vector3df CRurIvaDevice::jointGetHingeAnchor1(u32 iJoint) {
  return jointVec(iJoint, dJointTypeHinge, dJointGetHingeAnchor);
}
core::vector3df CRurIvaDevice::jointGetHingeAnchor2(u32 iJoint) {
  return jointVec(iJoint, dJointTypeHinge, dJointGetHingeAnchor2);
}
f32 CRurIvaDevice::jointGetHingeAngle(u32 iJoint) {
  return jointReal(iJoint, dJointTypeHinge, dJointGetHingeAngle);
}
f32 CRurIvaDevice::jointGetHingeAngleRate(u32 iJoint) {
  return jointReal(iJoint, dJointTypeHinge, dJointGetHingeAngleRate);
}

void CRurIvaDevice::jointSetHingeParam(u32 iJoint, int iParam, f32 fValue) {
  jointSetParam(iJoint, dJointTypeHinge, 0, iParam, fValue, dJointSetHingeParam);
}

f32 CRurIvaDevice::jointGetHingeParam(u32 iJoint, int iParam) {
  return jointGetParam(iJoint, dJointTypeHinge, 0, iParam, dJointGetHingeParam);
}

// ---------------------------------------------------------------------------------------------
// Hinge-2

void CRurIvaDevice::jointSetHinge2Anchor(u32 iJoint, core::vector3df v) {
  // The library works the axes out from the bodies again and aborts where they lie parallel (a
  // body turned by hand: the joint was disabled for it).
  if (dJointID j = jointOfType(iJoint, dJointTypeHinge2); j && jointAxesParallel(j)) {
    printf(
        "CRurIvaDevice::jointSetHinge2Anchor: the joint's axes lie parallel on its bodies, call skipped\n");
    return;
  }
  jointSetVec(iJoint, dJointTypeHinge2, v, dJointSetHinge2Anchor);
}

void CRurIvaDevice::jointSetHinge2Axes(u32 iJoint, core::vector3df cAxis1, core::vector3df cAxis2) {
  dJointID j = jointOfType(iJoint, dJointTypeHinge2);
  if (!j) return;
  if (!dJointGetBody(j, 0) || !dJointGetBody(j, 1)) {
    printf("CRurIvaDevice::jointSetHinge2Axes: the joint is not attached to two bodies, call skipped\n");
    return;
  }
  if (isNullAxis(cAxis1) || isNullAxis(cAxis2)) {
    printf("CRurIvaDevice::jointSetHinge2Axes: an axis has no direction, call skipped\n");
    return;
  }
  const dVector3 a1 = {cAxis1.X, cAxis1.Y, cAxis1.Z, 0};
  const dVector3 a2 = {cAxis2.X, cAxis2.Y, cAxis2.Z, 0};
  if (areParallel(a1, a2)) {
    printf("CRurIvaDevice::jointSetHinge2Axes: the axes are parallel, call skipped\n");
    return;
  }
  dJointSetHinge2Axes(j, a1, a2);
}

void CRurIvaDevice::jointSetHinge2Axis1(u32 iJoint, core::vector3df cAxis) {
  if (dJointID j = jointOfType(iJoint, dJointTypeHinge2))
    setOneHinge2Axis(j, 1, cAxis, "jointSetHinge2Axis1");
}

void CRurIvaDevice::jointSetHinge2Axis2(u32 iJoint, core::vector3df cAxis) {
  if (dJointID j = jointOfType(iJoint, dJointTypeHinge2))
    setOneHinge2Axis(j, 2, cAxis, "jointSetHinge2Axis2");
}

core::vector3df CRurIvaDevice::jointGetHinge2Axis1(u32 iJoint) {
  return jointVec(iJoint, dJointTypeHinge2, dJointGetHinge2Axis1);
}
core::vector3df CRurIvaDevice::jointGetHinge2Axis2(u32 iJoint) {
  return jointVec(iJoint, dJointTypeHinge2, dJointGetHinge2Axis2);
}
core::vector3df CRurIvaDevice::jointGetHinge2Anchor(u32 iJoint) {
  return jointVec(iJoint, dJointTypeHinge2, dJointGetHinge2Anchor);
}
core::vector3df CRurIvaDevice::jointGetHinge2Anchor2(u32 iJoint) {
  return jointVec(iJoint, dJointTypeHinge2, dJointGetHinge2Anchor2);
}
f32 CRurIvaDevice::jointGetHinge2Angle1(u32 iJoint) {
  return jointReal(iJoint, dJointTypeHinge2, dJointGetHinge2Angle1);
}
f32 CRurIvaDevice::jointGetHinge2Angle1Rate(u32 iJoint) {
  return jointReal(iJoint, dJointTypeHinge2, dJointGetHinge2Angle1Rate);
}
f32 CRurIvaDevice::jointGetHinge2Angle2Rate(u32 iJoint) {
  return jointReal(iJoint, dJointTypeHinge2, dJointGetHinge2Angle2Rate);
}

void CRurIvaDevice::jointSetHinge2Param(u32 iJoint, u32 iAxis, int iParam, f32 fValue) {
  jointSetParam(iJoint, dJointTypeHinge2, axisOf(iAxis), iParam, fValue, dJointSetHinge2Param);
}

f32 CRurIvaDevice::jointGetHinge2Param(u32 iJoint, u32 iAxis, int iParam) {
  return jointGetParam(iJoint, dJointTypeHinge2, axisOf(iAxis), iParam, dJointGetHinge2Param);
}

// ---------------------------------------------------------------------------------------------
// Piston

void CRurIvaDevice::jointSetPistonAnchor(u32 iJoint, core::vector3df v) {
  jointSetVec(iJoint, dJointTypePiston, v, dJointSetPistonAnchor);
}
void CRurIvaDevice::jointSetPistonAxis(u32 iJoint, core::vector3df v) {
  jointSetAxis(iJoint, dJointTypePiston, v, dJointSetPistonAxis, "jointSetPistonAxis");
}
f32 CRurIvaDevice::jointGetPistonPosition(u32 iJoint) {
  return jointReal(iJoint, dJointTypePiston, dJointGetPistonPosition);
}
f32 CRurIvaDevice::jointGetPistonPositionRate(u32 iJoint) {
  return jointReal(iJoint, dJointTypePiston, dJointGetPistonPositionRate);
}
core::vector3df CRurIvaDevice::jointGetPistonAnchor(u32 iJoint) {
  return jointVec(iJoint, dJointTypePiston, dJointGetPistonAnchor);
}
core::vector3df CRurIvaDevice::jointGetPistonAxis(u32 iJoint) {
  return jointVec(iJoint, dJointTypePiston, dJointGetPistonAxis);
}

void CRurIvaDevice::jointSetPistonParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) {
  jointSetParam(iJoint, dJointTypePiston, axisOf(iAxis), iParam, fValue, dJointSetPistonParam);
}

f32 CRurIvaDevice::jointGetPistonParam(u32 iJoint, u32 iAxis, int iParam) {
  return jointGetParam(iJoint, dJointTypePiston, axisOf(iAxis), iParam, dJointGetPistonParam);
}

// ---------------------------------------------------------------------------------------------
// Slider

void CRurIvaDevice::jointSetSliderAxis(u32 iJoint, core::vector3df v) {
  jointSetAxis(iJoint, dJointTypeSlider, v, dJointSetSliderAxis, "jointSetSliderAxis");
}
core::vector3df CRurIvaDevice::jointGetSliderAxis(u32 iJoint) {
  return jointVec(iJoint, dJointTypeSlider, dJointGetSliderAxis);
}
f32 CRurIvaDevice::jointGetSliderPosition(u32 iJoint) {
  return jointReal(iJoint, dJointTypeSlider, dJointGetSliderPosition);
}
f32 CRurIvaDevice::jointGetSliderPositionRate(u32 iJoint) {
  return jointReal(iJoint, dJointTypeSlider, dJointGetSliderPositionRate);
}

void CRurIvaDevice::jointSetSliderParam(u32 iJoint, int iParam, f32 fValue) {
  jointSetParam(iJoint, dJointTypeSlider, 0, iParam, fValue, dJointSetSliderParam);
}

f32 CRurIvaDevice::jointGetSliderParam(u32 iJoint, int iParam) {
  return jointGetParam(iJoint, dJointTypeSlider, 0, iParam, dJointGetSliderParam);
}

// ---------------------------------------------------------------------------------------------
// Universal

void CRurIvaDevice::jointSetUniversalAnchor(u32 iJoint, core::vector3df v) {
  jointSetVec(iJoint, dJointTypeUniversal, v, dJointSetUniversalAnchor);
}

void CRurIvaDevice::jointSetUniversalAxis1(u32 iJoint, core::vector3df cAxis) {
  if (dJointID j = jointOfType(iJoint, dJointTypeUniversal))
    setOneUniversalAxis(j, 1, cAxis, "jointSetUniversalAxis1");
}

void CRurIvaDevice::jointSetUniversalAxis2(u32 iJoint, core::vector3df cAxis) {
  if (dJointID j = jointOfType(iJoint, dJointTypeUniversal))
    setOneUniversalAxis(j, 2, cAxis, "jointSetUniversalAxis2");
}

core::vector3df CRurIvaDevice::jointGetUniversalAnchor(u32 iJoint) {
  return jointVec(iJoint, dJointTypeUniversal, dJointGetUniversalAnchor);
}
core::vector3df CRurIvaDevice::jointGetUniversalAnchor2(u32 iJoint) {
  return jointVec(iJoint, dJointTypeUniversal, dJointGetUniversalAnchor2);
}
core::vector3df CRurIvaDevice::jointGetUniversalAxis1(u32 iJoint) {
  return jointVec(iJoint, dJointTypeUniversal, dJointGetUniversalAxis1);
}
core::vector3df CRurIvaDevice::jointGetUniversalAxis2(u32 iJoint) {
  return jointVec(iJoint, dJointTypeUniversal, dJointGetUniversalAxis2);
}
f32 CRurIvaDevice::jointGetUniversalAngle1(u32 iJoint) {
  return jointReal(iJoint, dJointTypeUniversal, dJointGetUniversalAngle1);
}
f32 CRurIvaDevice::jointGetUniversalAngle2(u32 iJoint) {
  return jointReal(iJoint, dJointTypeUniversal, dJointGetUniversalAngle2);
}
f32 CRurIvaDevice::jointGetUniversalAngle1Rate(u32 iJoint) {
  return jointReal(iJoint, dJointTypeUniversal, dJointGetUniversalAngle1Rate);
}
f32 CRurIvaDevice::jointGetUniversalAngle2Rate(u32 iJoint) {
  return jointReal(iJoint, dJointTypeUniversal, dJointGetUniversalAngle2Rate);
}

void CRurIvaDevice::jointSetUniversalParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) {
  jointSetParam(iJoint, dJointTypeUniversal, axisOf(iAxis), iParam, fValue, dJointSetUniversalParam);
}

f32 CRurIvaDevice::jointGetUniversalParam(u32 iJoint, u32 iAxis, int iParam) {
  return jointGetParam(iJoint, dJointTypeUniversal, axisOf(iAxis), iParam, dJointGetUniversalParam);
}

// ---------------------------------------------------------------------------------------------
// PR

void CRurIvaDevice::jointSetPrAxis1(u32 iJoint, core::vector3df v) {
  jointSetAxis(iJoint, dJointTypePR, v, dJointSetPRAxis1, "jointSetPrAxis1");
}
void CRurIvaDevice::jointSetPrAxis2(u32 iJoint, core::vector3df v) {
  jointSetAxis(iJoint, dJointTypePR, v, dJointSetPRAxis2, "jointSetPrAxis2");
}
void CRurIvaDevice::jointSetPrAnchor(u32 iJoint, core::vector3df v) {
  jointSetVec(iJoint, dJointTypePR, v, dJointSetPRAnchor);
}
core::vector3df CRurIvaDevice::jointGetPrAxis1(u32 iJoint) {
  return jointVec(iJoint, dJointTypePR, dJointGetPRAxis1);
}
core::vector3df CRurIvaDevice::jointGetPrAxis2(u32 iJoint) {
  return jointVec(iJoint, dJointTypePR, dJointGetPRAxis2);
}
core::vector3df CRurIvaDevice::jointGetPrAnchor(u32 iJoint) {
  return jointVec(iJoint, dJointTypePR, dJointGetPRAnchor);
}
f32 CRurIvaDevice::jointGetPrPosition(u32 iJoint) {
  return jointReal(iJoint, dJointTypePR, dJointGetPRPosition);
}
f32 CRurIvaDevice::jointGetPrAngle(u32 iJoint) { return jointReal(iJoint, dJointTypePR, dJointGetPRAngle); }
f32 CRurIvaDevice::jointGetPrAngleRate(u32 iJoint) {
  return jointReal(iJoint, dJointTypePR, dJointGetPRAngleRate);
}

// Mapped by meaning like every other joint's; the library keeps the sliding axis in group 0 and
// the turning axis in group 1, and has no third group.
void CRurIvaDevice::jointSetPrParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) {
  if (iAxis > 1) return;
  jointSetParam(iJoint, dJointTypePR, axisOf(iAxis), iParam, fValue, dJointSetPRParam);
}

f32 CRurIvaDevice::jointGetPrParam(u32 iJoint, u32 iAxis, int iParam) {
  if (iAxis > 1) return 0.0f;
  return jointGetParam(iJoint, dJointTypePR, axisOf(iAxis), iParam, dJointGetPRParam);
}

// ---------------------------------------------------------------------------------------------
// Joint groups

u32 CRurIvaDevice::jointGroupCreate(int iMaxSize) {
  ensureLibrary();
  COdeDataWrapper* r = new COdeDataWrapper(eKindJointGroup);
  r->m_pJointGroup = dJointGroupCreate(iMaxSize);
  return addRecord(r);
}

void CRurIvaDevice::jointGroupDestroy(u32 iGroup) {
  // The collision pass makes its contacts in the world's group: it goes when the pass is over.
  if (afterPass([=] { jointGroupDestroy(iGroup); })) return;
  COdeDataWrapper* r = live(iGroup, eKindJointGroup);
  if (!r) return;
  forgetFastContactGroup(r->m_pJointGroup);
  dJointGroupDestroy(r->m_pJointGroup);
  r->m_pJointGroup = 0;
}

void CRurIvaDevice::jointGroupEmtpy(u32 iGroup) {
  if (afterPass([=] { jointGroupEmtpy(iGroup); })) return;
  if (dJointGroupID g = getJGroupId(iGroup)) dJointGroupEmpty(g);
}

}  // namespace ode
}  // namespace irr
