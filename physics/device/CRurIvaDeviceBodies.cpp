#include "CRurIvaDevice.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "CRurIvaGeom.h"
#include "RurIvaDeviceInternal.h"

// Worlds and bodies. A body's node origin and the point the library integrates (its centre of
// mass) differ when the mass is off centre; these operations speak in node-origin terms.

namespace irr {
namespace ode {

namespace {

void placeOrigin(const COdeDataWrapper* r, dReal x, dReal y, dReal z) {
  dVector3 rc = {0, 0, 0, 0};
  if (hasCentre(r)) dBodyVectorToWorld(r->m_pBody, r->m_aCentre[0], r->m_aCentre[1], r->m_aCentre[2], rc);
  dBodySetPosition(r->m_pBody, x + rc[0], y + rc[1], z + rc[2]);
}

}  // namespace

// The node origin of a body: the library body sits at the centre of mass, R c away from it.
core::vector3df bodyOrigin(const COdeDataWrapper* r) {
  const dReal* p = dBodyGetPosition(r->m_pBody);
  return hasCentre(r) ? originFromCentre(r, p) : toVector(p);
}

// ---------------------------------------------------------------------------------------------
// Worlds

namespace {
u32 g_iWorlds = 0;
}  // namespace

dWorldID createCountedWorld() {
  ++g_iWorlds;
  return dWorldCreate();
}

void destroyCountedWorld(dWorldID w) {
  dWorldDestroy(w);
  if (g_iWorlds > 0) --g_iWorlds;
}

bool severalWorlds() { return g_iWorlds > 1; }

void CRurIvaDevice::worldDestroy(u32 iWorld) {
  // The world's bodies leave the geometries of a space that may be being collided.
  if (afterPass([=] { worldDestroy(iWorld); })) return;
  dWorldID w = getWorldId(iWorld);
  if (!w) return;
  ++m_iActivationToken;
  // The library destroys the world's bodies and joints with it and takes the bodies' geometries
  // off them: their nodes learn it once the bodies are gone, or a collision would join a contact
  // to a destroyed body.
  std::vector<CRurIvaGeom*> aNodes;
  forgetObjectsOfWorld(iWorld, aNodes);
  destroyCountedWorld(w);
  for (CRurIvaGeom* p : aNodes) noteNodeBody(p);
  record(iWorld)->m_pWorld = 0;
}

u32 CRurIvaDevice::worldCreate() {
  ensureLibrary();
  COdeDataWrapper* r = new COdeDataWrapper(eKindWorld);
  r->m_pWorld = createCountedWorld();
  return addRecord(r);
}

void CRurIvaDevice::forgetObjectsOfWorld(u32 iWorld, std::vector<CRurIvaGeom*>& aNodes) {
  for (u32 i = 0; i < m_aRecords.size(); ++i) {
    COdeDataWrapper* r = m_aRecords[i];
    if (r->m_iWorld != iWorld) continue;
    if (r->m_pBody) {
      for (dGeomID g = dBodyGetFirstGeom(r->m_pBody); g; g = dBodyGetNextGeom(g)) aNodes.push_back(geomOf(g));
      removeFastCollisionsOf(handleAt(i));
      m_mBodyHandles.erase(r->m_pBody);
      r->m_pBody = 0;
    }
    r->m_pJoint = 0;
  }
}

template <class TArg, class TValue>
void CRurIvaDevice::worldSet(u32 iWorld, TValue v, void (*fSet)(dWorldID, TArg)) {
  if (dWorldID w = getWorldId(iWorld)) fSet(w, v);
}

template <class TResult>
TResult CRurIvaDevice::worldGet(u32 iWorld, TResult (*fGet)(dWorldID)) {
  dWorldID w = getWorldId(iWorld);
  return w ? fGet(w) : TResult(0);
}

namespace {

// The solvers diverge, and the library then aborts on the bodies' rotations, for an error
// reduction outside 0 to 1, a negative constraint force mixing or an over-relaxation outside
// (0, 2]: such values are no setting of a working simulation. The same holds for a damping
// scale outside 0 to 1: it is the share of a body's velocity the library takes away after each
// step (after the layer has checked the step's velocities for a blow-up), and outside that range
// it adds to the velocity instead, by up to the scale every step.
bool withinRange(const char* sCall, f32 v, f32 fLow, bool bLowIncluded, f32 fHigh) {
  if ((bLowIncluded ? v >= fLow : v > fLow) && v <= fHigh) return true;
  printf("CRurIvaDevice::%s: %g is outside %s%g to %g], call skipped\n", sCall, v, bLowIncluded ? "[" : "(",
         fLow, fHigh);
  return false;
}

}  // namespace

void CRurIvaDevice::worldSetLinearDamping(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v}) && withinRange(__func__, v, 0.0f, true, 1.0f))
    worldSet(iWorld, v, dWorldSetLinearDamping);
}
f32 CRurIvaDevice::worldGetLinearDamping(u32 iWorld) { return worldGet(iWorld, dWorldGetLinearDamping); }
void CRurIvaDevice::worldSetAngularDamping(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v}) && withinRange(__func__, v, 0.0f, true, 1.0f))
    worldSet(iWorld, v, dWorldSetAngularDamping);
}
f32 CRurIvaDevice::worldGetAngularDamping(u32 iWorld) { return worldGet(iWorld, dWorldGetAngularDamping); }
void CRurIvaDevice::worldSetLinearDampingThreshold(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v})) worldSet(iWorld, v, dWorldSetLinearDampingThreshold);
}
f32 CRurIvaDevice::worldGetLinearDampingThreshold(u32 iWorld) {
  return worldGet(iWorld, dWorldGetLinearDampingThreshold);
}
void CRurIvaDevice::worldSetAngularDampingThreshold(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v})) worldSet(iWorld, v, dWorldSetAngularDampingThreshold);
}
f32 CRurIvaDevice::worldGetAngularDampingThreshold(u32 iWorld) {
  return worldGet(iWorld, dWorldGetAngularDampingThreshold);
}
void CRurIvaDevice::worldSetMaxAngularSpeed(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v})) worldSet(iWorld, v, dWorldSetMaxAngularSpeed);
}
f32 CRurIvaDevice::worldGetMaxAngularSpeed(u32 iWorld) { return worldGet(iWorld, dWorldGetMaxAngularSpeed); }
void CRurIvaDevice::worldSetAutoDisableFlag(u32 iWorld, int v) {
  worldSet(iWorld, v, dWorldSetAutoDisableFlag);
}
void CRurIvaDevice::worldSetAutoDisableLinearThreshold(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v})) worldSet(iWorld, v, dWorldSetAutoDisableLinearThreshold);
}
f32 CRurIvaDevice::worldGetAutoDisableLinearThreshold(u32 iWorld) {
  return worldGet(iWorld, dWorldGetAutoDisableLinearThreshold);
}
void CRurIvaDevice::worldSetAutoDisableAngularThreshold(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v})) worldSet(iWorld, v, dWorldSetAutoDisableAngularThreshold);
}
f32 CRurIvaDevice::worldGetAutoDisableAngularThreshold(u32 iWorld) {
  return worldGet(iWorld, dWorldGetAutoDisableAngularThreshold);
}
void CRurIvaDevice::worldSetAutoDisableSteps(u32 iWorld, int v) {
  worldSet(iWorld, v, dWorldSetAutoDisableSteps);
}
int CRurIvaDevice::worldGetAutoDisableSteps(u32 iWorld) {
  return worldGet(iWorld, dWorldGetAutoDisableSteps);
}
void CRurIvaDevice::worldSetAutoDisableTime(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v})) worldSet(iWorld, v, dWorldSetAutoDisableTime);
}
f32 CRurIvaDevice::worldGetAutoDisableTime(u32 iWorld) { return worldGet(iWorld, dWorldGetAutoDisableTime); }
void CRurIvaDevice::worldSetQuickStepNumIterations(u32 iWorld, int v) {
  // Every quick step runs that many passes over every constraint: two billion of them (a wrong
  // number from a file) would keep one step running for hours. The library's default is 20.
  const int kMaxIterations = 10000;
  if (v < 0 || v > kMaxIterations) {
    printf("CRurIvaDevice::worldSetQuickStepNumIterations: %d iterations are outside 0 to %d, call skipped\n",
           v, kMaxIterations);
    return;
  }
  worldSet(iWorld, v, dWorldSetQuickStepNumIterations);
}
int CRurIvaDevice::worldGetQuickStepNumIterations(u32 iWorld) {
  return worldGet(iWorld, dWorldGetQuickStepNumIterations);
}
void CRurIvaDevice::worldSetQuickStepW(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v}) && withinRange(__func__, v, 0.0f, false, 2.0f))
    worldSet(iWorld, v, dWorldSetQuickStepW);
}
f32 CRurIvaDevice::worldGetQuickStepW(u32 iWorld) { return worldGet(iWorld, dWorldGetQuickStepW); }
void CRurIvaDevice::worldSetERP(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v}) && withinRange(__func__, v, 0.0f, true, 1.0f))
    worldSet(iWorld, v, dWorldSetERP);
}
f32 CRurIvaDevice::worldGetERP(u32 iWorld) { return worldGet(iWorld, dWorldGetERP); }
void CRurIvaDevice::worldSetCFM(u32 iWorld, f32 v) {
  if (finiteValues(__func__, {v}) && withinRange(__func__, v, 0.0f, true, 1e6f))
    worldSet(iWorld, v, dWorldSetCFM);
}
f32 CRurIvaDevice::worldGetCFM(u32 iWorld) { return worldGet(iWorld, dWorldGetCFM); }

int CRurIvaDevice::worldGetAutoDisableFlag(u32 iWorld) {
  // This library answers the flag's bit in its flag word (16), not 1.
  dWorldID w = getWorldId(iWorld);
  return (w && dWorldGetAutoDisableFlag(w) != 0) ? 1 : 0;
}

void CRurIvaDevice::worldSetGravity(u32 iWorld, core::vector3df cGravity) {
  dWorldID w = getWorldId(iWorld);
  if (w && finiteVector(__func__, cGravity)) dWorldSetGravity(w, cGravity.X, cGravity.Y, cGravity.Z);
}

// ---------------------------------------------------------------------------------------------
// Bodies

u32 CRurIvaDevice::bodyCreate(u32 iWorld) {
  dWorldID w = getWorldId(iWorld);
  if (!w) return 0;
  COdeDataWrapper* r = new COdeDataWrapper(eKindBody);
  r->m_pBody = dBodyCreate(w);
  r->m_iWorld = iWorld;
  dBodySetMovedCallback(r->m_pBody, bodyMovedCallback);
  const u32 iHandle = addRecord(r);
  m_mBodyHandles[r->m_pBody] = iHandle;
  return iHandle;
}

// A hinge-2 detached from its bodies keeps its axes in their frames (see jointAttach); a rare
// event, so its record is searched for.
void CRurIvaDevice::rememberHinge2Axes(dJointID j) {
  SHinge2Axes cAxes;
  if (!hinge2AxesInBodies(j, cAxes)) return;
  for (u32 i = 0; i < m_aRecords.size(); ++i)
    if (COdeDataWrapper* r = m_aRecords[i]; r->m_iKind == eKindJoint && r->m_pJoint == j)
      r->m_pDetachedAxes.reset(new SHinge2Axes(cAxes));
}

void CRurIvaDevice::bodyDestroy(u32 iBody) {
  COdeDataWrapper* r = live(iBody, eKindBody);
  if (!r) return;
  ++m_iActivationToken;
  removeFastCollisionsOf(iBody);
  // Its geometries cannot leave it while their space is being collided, and the pass may be
  // making a contact with it; its node may go before the pass is over, so the library body no
  // longer leads to it.
  if (afterPass([=] { bodyDestroy(iBody); })) {
    dBodySetData(r->m_pBody, 0);
    return;
  }
  // The library would leave a hinge-2 on one body, which aborts the next step: such a joint is
  // detached from both bodies first.
  std::vector<dJointID> aHinges2;
  const int iCount = dBodyGetNumJoints(r->m_pBody);
  for (int i = 0; i < iCount; ++i) {
    dJointID j = dBodyGetJoint(r->m_pBody, i);
    if (dJointGetType(j) == dJointTypeHinge2) aHinges2.push_back(j);
  }
  for (dJointID j : aHinges2) {
    rememberHinge2Axes(j);
    dJointAttach(j, 0, 0);
  }
  // The library takes its geometries off it: their nodes learn it.
  std::vector<CRurIvaGeom*> aNodes;
  for (dGeomID g = dBodyGetFirstGeom(r->m_pBody); g; g = dBodyGetNextGeom(g)) aNodes.push_back(geomOf(g));
  m_mBodyHandles.erase(r->m_pBody);
  dBodyDestroy(r->m_pBody);
  for (CRurIvaGeom* p : aNodes) noteNodeBody(p);
  r->m_pBody = 0;
}

void CRurIvaDevice::bodySetPosition(u32 iBody, core::vector3df cPos) {
  // Moving a body moves its geometries, which waits for a collision pass.
  if (lockedBody(iBody) && afterPass([=] { bodySetPosition(iBody, cPos); })) return;
  COdeDataWrapper* r = live(iBody, eKindBody);
  if (!r || !finiteVector(__func__, cPos)) return;
  if (m_bFinishingPass) dropContacts(r->m_pBody);
  placeOrigin(r, cPos.X, cPos.Y, cPos.Z);
  m_aPlacedBodies.push_back(iBody);
}

core::vector3df CRurIvaDevice::bodyGetPosition(u32 iBody) {
  if (COdeDataWrapper* r = live(iBody, eKindBody)) m_aLastPosition[0] = bodyOrigin(r);
  return m_aLastPosition[0];
}

core::vector3df CRurIvaDevice::bodyGetRotation(u32 iBody) {
  if (dBodyID b = getBodyId(iBody)) {
    const dReal* R = dBodyGetRotation(b);
    core::matrix4 m;
    for (int iRow = 0; iRow < 3; ++iRow)
      for (int iCol = 0; iCol < 3; ++iCol) m[iRow * 4 + iCol] = static_cast<f32>(R[iCol * 4 + iRow]);
    core::vector3df r = m.getRotationDegrees();
    // A tiny negative angle raised by 360 rounds to 360 itself in float; it is 0.
    if (r.X >= 360.0f) r.X -= 360.0f;
    if (r.Y >= 360.0f) r.Y -= 360.0f;
    if (r.Z >= 360.0f) r.Z -= 360.0f;
    m_aLastPosition[1] = r;
  }
  return m_aLastPosition[1];
}

void CRurIvaDevice::bodySetQuaternion(u32 iBody, core::quaternion cQuat) {
  if (lockedBody(iBody) && afterPass([=] { bodySetQuaternion(iBody, cQuat); })) return;
  COdeDataWrapper* r = live(iBody, eKindBody);
  if (!r) return;
  const dQuaternion q = {cQuat.W, cQuat.X, cQuat.Y, cQuat.Z};
  if (!properRotation(__func__, q)) return;
  // Turning the body keeps its node origin where it is.
  const core::vector3df cOrigin = bodyOrigin(r);
  if (m_bFinishingPass) dropContacts(r->m_pBody);
  dBodySetQuaternion(r->m_pBody, q);
  if (hasCentre(r)) placeOrigin(r, cOrigin.X, cOrigin.Y, cOrigin.Z);
  // A turned body may lay the axes of its joints parallel: looked at before the next step.
  m_aPlacedBodies.push_back(iBody);
}

void CRurIvaDevice::bodySetRotation(u32 iBody, core::vector3df cRot) {
  if (lockedBody(iBody) && afterPass([=] { bodySetRotation(iBody, cRot); })) return;
  f32 aQuat[4];
  eulerToQuaternion(cRot, aQuat);
  COdeDataWrapper* r = live(iBody, eKindBody);
  if (!r) return;
  const dQuaternion q = {aQuat[0], aQuat[1], aQuat[2], aQuat[3]};
  if (!properRotation(__func__, q)) return;
  const core::vector3df cOrigin = bodyOrigin(r);
  if (m_bFinishingPass) dropContacts(r->m_pBody);
  dBodySetQuaternion(r->m_pBody, q);
  if (hasCentre(r)) placeOrigin(r, cOrigin.X, cOrigin.Y, cOrigin.Z);
  // A turned body may lay the axes of its joints parallel: looked at before the next step.
  m_aPlacedBodies.push_back(iBody);
}

void CRurIvaDevice::bodySetData(u32 iBody, void* pData) {
  ++m_iActivationToken;
  if (dBodyID b = getBodyId(iBody)) dBodySetData(b, pData);
}

// Scalar readers answer 0 for a missing body and while the device is not initialised.
template <class TArg, class TValue>
void CRurIvaDevice::bodySet(u32 iBody, TValue v, void (*fSet)(dBodyID, TArg)) {
  if (dBodyID b = getBodyId(iBody)) fSet(b, v);
}

template <class TResult>
TResult CRurIvaDevice::bodyGet(u32 iBody, TResult (*fGet)(dBodyID)) {
  dBodyID b = m_bInitialized ? getBodyId(iBody) : 0;
  return b ? fGet(b) : TResult(0);
}

void CRurIvaDevice::bodySetLinearDamping(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v}) && withinRange(__func__, v, 0.0f, true, 1.0f))
    bodySet(iBody, v, dBodySetLinearDamping);
}
f32 CRurIvaDevice::bodyGetLinearDamping(u32 iBody) { return bodyGet(iBody, dBodyGetLinearDamping); }
void CRurIvaDevice::bodySetAngularDamping(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v}) && withinRange(__func__, v, 0.0f, true, 1.0f))
    bodySet(iBody, v, dBodySetAngularDamping);
}
f32 CRurIvaDevice::bodyGetAngularDamping(u32 iBody) { return bodyGet(iBody, dBodyGetAngularDamping); }
void CRurIvaDevice::bodySetLinearDampingThreshold(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v})) bodySet(iBody, v, dBodySetLinearDampingThreshold);
}
f32 CRurIvaDevice::bodyGetLinearDampingThreshold(u32 iBody) {
  return bodyGet(iBody, dBodyGetLinearDampingThreshold);
}
void CRurIvaDevice::bodySetAngularDampingThreshold(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v})) bodySet(iBody, v, dBodySetAngularDampingThreshold);
}
f32 CRurIvaDevice::bodyGetAngularDampingThreshold(u32 iBody) {
  return bodyGet(iBody, dBodyGetAngularDampingThreshold);
}
void CRurIvaDevice::bodySetMaxAngularSpeed(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v})) bodySet(iBody, v, dBodySetMaxAngularSpeed);
}
f32 CRurIvaDevice::bodyGetMaxAngularSpeed(u32 iBody) { return bodyGet(iBody, dBodyGetMaxAngularSpeed); }
void CRurIvaDevice::bodySetAutoDisableFlag(u32 iBody, int v) { bodySet(iBody, v, dBodySetAutoDisableFlag); }
int CRurIvaDevice::bodyGetAutoDisableFlag(u32 iBody) { return bodyGet(iBody, dBodyGetAutoDisableFlag); }
void CRurIvaDevice::bodySetLinearAutoDisableThreshold(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v})) bodySet(iBody, v, dBodySetAutoDisableLinearThreshold);
}
f32 CRurIvaDevice::bodyGetLinearAutoDisableThreshold(u32 iBody) {
  return bodyGet(iBody, dBodyGetAutoDisableLinearThreshold);
}
void CRurIvaDevice::bodySetAngularAutoDisableThreshold(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v})) bodySet(iBody, v, dBodySetAutoDisableAngularThreshold);
}
f32 CRurIvaDevice::bodyGetAngularAutoDisableThreshold(u32 iBody) {
  return bodyGet(iBody, dBodyGetAutoDisableAngularThreshold);
}
void CRurIvaDevice::bodySetAutoDisableSteps(u32 iBody, int v) { bodySet(iBody, v, dBodySetAutoDisableSteps); }
int CRurIvaDevice::bodyGetAutoDisableSteps(u32 iBody) { return bodyGet(iBody, dBodyGetAutoDisableSteps); }
void CRurIvaDevice::bodySetAutoDisableTime(u32 iBody, f32 v) {
  if (finiteValues(__func__, {v})) bodySet(iBody, v, dBodySetAutoDisableTime);
}
f32 CRurIvaDevice::bodyGetAutoDisableTime(u32 iBody) { return bodyGet(iBody, dBodyGetAutoDisableTime); }
void CRurIvaDevice::bodySetGravityMode(u32 iBody, int v) { bodySet(iBody, v, dBodySetGravityMode); }
int CRurIvaDevice::bodyGetGravityMode(u32 iBody) { return bodyGet(iBody, dBodyGetGravityMode); }

void CRurIvaDevice::bodySetFiniteRotationMode(u32 iBody, bool bFlag) {
  if (dBodyID b = getBodyId(iBody)) dBodySetFiniteRotationMode(b, bFlag ? 1 : 0);
}

bool CRurIvaDevice::bodyGetFiniteRotationMode(u32 iBody) {
  dBodyID b = m_bInitialized ? getBodyId(iBody) : 0;
  return b ? dBodyGetFiniteRotationMode(b) != 0 : false;
}

void CRurIvaDevice::bodySetFiniteRotationAxis(u32 iBody, core::vector3df cAxis) {
  dBodyID b = getBodyId(iBody);
  if (b && finiteVector(__func__, cAxis)) dBodySetFiniteRotationAxis(b, cAxis.X, cAxis.Y, cAxis.Z);
}

core::vector3df CRurIvaDevice::bodyGetFiniteRotationAxis(u32 iBody) {
  dBodyID b = m_bInitialized ? getBodyId(iBody) : 0;
  if (!b) return core::vector3df(0, 0, 0);
  dVector3 a;
  dBodyGetFiniteRotationAxis(b, a);
  return toVector(a);
}

CRurIvaGeom* CRurIvaDevice::bodyGetFirstGeom(u32 iBody) {
  dBodyID b = getBodyId(iBody);
  return b ? geomOf(dBodyGetFirstGeom(b)) : 0;
}

CRurIvaGeom* CRurIvaDevice::bodyGetNextGeom(CRurIvaGeom* pGeom) {
  if (!pGeom) return 0;
  dGeomID g = getGeomId(pGeom->getGeomId(0));
  // The next geometry of a body is only defined for a geometry that is attached to one.
  if (!g || !dGeomGetBody(g)) return 0;
  return geomOf(dBodyGetNextGeom(g));
}

bool CRurIvaDevice::bodyIsEnabled(u32 iBody) {
  // Asked for every body after every step: the record is read here, without a further call.
  const COdeDataWrapper* r = record(iBody);
  return r && r->m_iKind == eKindBody && r->m_pBody && dBodyIsEnabled(r->m_pBody) != 0;
}

void CRurIvaDevice::bodyAddForce(u32 iBody, core::vector3df cForce) {
  dBodyID b = getBodyId(iBody);
  if (b && finiteVector(__func__, cForce)) dBodyAddForce(b, cForce.X, cForce.Y, cForce.Z);
}

void CRurIvaDevice::bodyAddForceAtPosition(u32 iBody, core::vector3df cForce, core::vector3df cPosition) {
  dBodyID b = getBodyId(iBody);
  if (b && finiteValues(__func__, {cForce.X, cForce.Y, cForce.Z, cPosition.X, cPosition.Y, cPosition.Z}))
    dBodyAddForceAtPos(b, cForce.X, cForce.Y, cForce.Z, cPosition.X, cPosition.Y, cPosition.Z);
}

void CRurIvaDevice::bodyAddTorque(u32 iBody, core::vector3df cTorque) {
  dBodyID b = getBodyId(iBody);
  if (b && finiteVector(__func__, cTorque)) dBodyAddTorque(b, cTorque.X, cTorque.Y, cTorque.Z);
}

void CRurIvaDevice::bodySetTorque(u32 iBody, core::vector3df cTorque) {
  dBodyID b = getBodyId(iBody);
  if (b && finiteVector(__func__, cTorque)) dBodySetTorque(b, cTorque.X, cTorque.Y, cTorque.Z);
}

void CRurIvaDevice::bodyEnable(u32 iBody) {
  if (dBodyID b = getBodyId(iBody)) dBodyEnable(b);
}

void CRurIvaDevice::bodyDisable(u32 iBody) {
  ++m_iActivationToken;
  if (dBodyID b = getBodyId(iBody)) dBodyDisable(b);
}

// Velocities are those of the centre of mass, the point the library integrates.
void CRurIvaDevice::bodySetLinearVelocity(u32 iBody, core::vector3df cVel) {
  dBodyID b = getBodyId(iBody);
  if (b && finiteVector(__func__, cVel)) dBodySetLinearVel(b, cVel.X, cVel.Y, cVel.Z);
}

core::vector3df CRurIvaDevice::bodyGetLinearVelocity(u32 iBody) {
  dBodyID b = m_bInitialized ? getBodyId(iBody) : 0;
  return b ? toVector(dBodyGetLinearVel(b)) : core::vector3df(0, 0, 0);
}

void CRurIvaDevice::bodySetAngularVelocity(u32 iBody, core::vector3df cVel) {
  dBodyID b = getBodyId(iBody);
  if (b && finiteVector(__func__, cVel)) dBodySetAngularVel(b, cVel.X, cVel.Y, cVel.Z);
}

core::vector3df CRurIvaDevice::bodyGetAngularVelocity(u32 iBody) {
  dBodyID b = m_bInitialized ? getBodyId(iBody) : 0;
  return b ? toVector(dBodyGetAngularVel(b)) : core::vector3df(0, 0, 0);
}

// Body-relative points are given in the node's frame; the library measures them from the
// centre of mass.
// The two point velocity readers are one query: the point is taken in body coordinates.
core::vector3df CRurIvaDevice::bodyGetPointVel(u32 iBody, core::vector3df cPoint) {
  return relPointVel(iBody, cPoint, m_aLastPosition[2]);
}

core::vector3df CRurIvaDevice::bodyGetRelPointVel(u32 iBody, core::vector3df cPoint) {
  return relPointVel(iBody, cPoint, m_aLastPosition[3]);
}

core::vector3df CRurIvaDevice::relPointVel(u32 iBody, const core::vector3df& cPoint, core::vector3df& cLast) {
  if (COdeDataWrapper* r = live(iBody, eKindBody)) {
    dVector3 v;
    dBodyGetRelPointVel(r->m_pBody, cPoint.X - r->m_aCentre[0], cPoint.Y - r->m_aCentre[1],
                        cPoint.Z - r->m_aCentre[2], v);
    cLast = toVector(v);
  }
  return cLast;
}

core::vector3df CRurIvaDevice::bodyGetRelPointPos(u32 iBody, core::vector3df cPoint) {
  if (COdeDataWrapper* r = live(iBody, eKindBody)) {
    dVector3 p;
    dBodyGetRelPointPos(r->m_pBody, cPoint.X - r->m_aCentre[0], cPoint.Y - r->m_aCentre[1],
                        cPoint.Z - r->m_aCentre[2], p);
    m_aLastPosition[4] = toVector(p);
  }
  return m_aLastPosition[4];
}

core::vector3df CRurIvaDevice::bodyGetPosRelPoint(u32 iBody, core::vector3df cPoint) {
  if (COdeDataWrapper* r = live(iBody, eKindBody)) {
    dVector3 p;
    dBodyGetPosRelPoint(r->m_pBody, cPoint.X, cPoint.Y, cPoint.Z, p);
    m_aLastPosition[5] =
        core::vector3df(static_cast<f32>(p[0] + r->m_aCentre[0]), static_cast<f32>(p[1] + r->m_aCentre[1]),
                        static_cast<f32>(p[2] + r->m_aCentre[2]));
  }
  return m_aLastPosition[5];
}

core::vector3df CRurIvaDevice::bodyVectorFromWorld(u32 iBody, core::vector3df cVec) {
  if (dBodyID b = getBodyId(iBody)) {
    dVector3 v;
    dBodyVectorFromWorld(b, cVec.X, cVec.Y, cVec.Z, v);
    m_aLastPosition[6] = toVector(v);
  }
  return m_aLastPosition[6];
}

}  // namespace ode
}  // namespace irr
