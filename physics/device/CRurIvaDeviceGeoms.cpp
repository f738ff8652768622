#include "CRurIvaDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaGeom.h"
#include "RurIvaDeviceInternal.h"

// Geometries, heightfield data and collision spaces.

namespace irr {
namespace ode {

namespace {

// What the library calls for a height: the layer's callback of the record's height source.
dReal heightTrampoline(void* pSource, int x, int z) {
  const SHeightSource* p = static_cast<const SHeightSource*>(pSource);
  const dReal h = (p && p->pCallback) ? static_cast<dReal>(p->pCallback(p->pUserData, x, z)) : 0;
  // A height that is no finite number would spread into every body that touches the field.
  return std::isfinite(h) ? h : 0;
}

// A quad-tree space allocates 4^depth blocks; deeper trees exhaust the memory.
const int kMaxQuadTreeDepth = 10;

bool isZeroRotation(const core::vector3df& v) {
  return core::iszero(v.X, 0.000001f) && core::iszero(v.Y, 0.000001f) && core::iszero(v.Z, 0.000001f);
}

// A shape larger than this reaches so far from its body's centre that a contact on it can turn
// the body faster than the solver can reckon (measured: boxes of 3e8 on a body of the library's
// default mass abort the step in the quaternion normalisation; 1e8 still pass).
const f32 kMaxSize = 1e6f;

// Shapes with a negative or not-a-number size make the library abort, and so can huge ones.
bool validSize(f32 f) { return f >= 0.0f && f <= kMaxSize; }

// Destroying a space leaves its geometries alive: every geometry is destroyed by its own node,
// in whatever order the nodes go.
dSpaceID keepContents(dSpaceID s) {
  dSpaceSetCleanup(s, 0);
  return s;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Geometries

bool CRurIvaDevice::lockedGeom(u32 iGeom) const {
  if (m_iCollisionPasses == 0) return false;
  dGeomID g = getGeomId(iGeom);
  return g && dGeomGetSpace(g);
}

bool CRurIvaDevice::lockedBody(u32 iBody) const {
  if (m_iCollisionPasses == 0) return false;
  dBodyID b = getBodyId(iBody);
  for (dGeomID g = b ? dBodyGetFirstGeom(b) : 0; g; g = dBodyGetNextGeom(g))
    if (dGeomGetSpace(g)) return true;
  return false;
}

bool CRurIvaDevice::lockedPlacement(u32 iGeom) const {
  if (lockedGeom(iGeom)) return true;
  if (m_iCollisionPasses == 0) return false;
  dGeomID g = getGeomId(iGeom);
  dBodyID b = g ? dGeomGetBody(g) : 0;
  for (dGeomID k = b ? dBodyGetFirstGeom(b) : 0; k; k = dBodyGetNextGeom(k))
    if (dGeomGetSpace(k)) return true;
  return false;
}

namespace {

//! A box side, or a cylinder's radius or length, below a micrometre or a millionth of the shape's
//! largest size.
bool thinShape(dReal fSmallest, dReal fLargest) {
  return !(fSmallest >= 1e-6 && fSmallest > 1e-6 * fLargest);
}

//! "box" or "cylinder" for a shape too thin for the library's cylinder colliders, else null.
const c8* tooThinForCylinders(dGeomID g) {
  if (dGeomGetClass(g) == dBoxClass) {
    dVector3 l;
    dGeomBoxGetLengths(g, l);
    return thinShape(std::min({l[0], l[1], l[2]}), std::max({l[0], l[1], l[2]})) ? "box" : 0;
  }
  if (dGeomGetClass(g) == dCylinderClass) {
    dReal r, h;
    dGeomCylinderGetParams(g, &r, &h);
    return thinShape(std::min(r, h), std::max(r, h)) ? "cylinder" : 0;
  }
  return 0;
}

}  // namespace

// The collision of a broad-phase pair reads the geometries' bodies from their nodes. A node knows
// its body while every live geometry carrying it is on that one body (a mesh's geometries, one per
// material, are); every change of a geometry's body or node passes here. So does the node's mark
// of a shape too thin for the cylinder colliders (see geomSetData), which holds for the node while
// any geometry it carries is that thin, and its mark of carrying a ray.
void CRurIvaDevice::noteNodeBody(CRurIvaGeom* p) {
  if (!p) return;
  auto it = m_mNodeGeoms.find(p);
  if (it == m_mNodeGeoms.end() || it->second.empty()) {
    if (it != m_mNodeGeoms.end()) m_mNodeGeoms.erase(it);
    p->setLibraryBody(false, 0);
    p->setThinForCylinders(false);
    p->setCarriesRay(false);
    return;
  }
  const dBodyID b = dGeomGetBody(it->second.front());
  const bool bOne =
      std::all_of(it->second.begin(), it->second.end(), [b](dGeomID g) { return dGeomGetBody(g) == b; });
  p->setLibraryBody(bOne, bOne ? b : 0);
  p->setThinForCylinders(std::any_of(it->second.begin(), it->second.end(),
                                     [](dGeomID g) { return tooThinForCylinders(g) != 0; }));
  p->setCarriesRay(std::any_of(it->second.begin(), it->second.end(),
                               [](dGeomID g) { return dGeomGetClass(g) == dRayClass; }));
}

void CRurIvaDevice::geomNodeGone(void* pNode) {
  auto it = m_mNodeGeoms.find(static_cast<CRurIvaGeom*>(pNode));
  if (it == m_mNodeGeoms.end()) return;
  for (dGeomID g : it->second) dGeomSetData(g, 0);
  m_mNodeGeoms.erase(it);
}

void CRurIvaDevice::forgetNodeGeom(CRurIvaGeom* p, dGeomID g) {
  auto it = m_mNodeGeoms.find(p);
  if (it == m_mNodeGeoms.end()) return;
  std::vector<dGeomID>& v = it->second;
  v.erase(std::remove(v.begin(), v.end(), g), v.end());
  noteNodeBody(p);
}

void CRurIvaDevice::geomSetBody(u32 iGeom, CRurIvaBody* pBody) {
  attachGeom(iGeom, !pBody, pBody ? pBody->getBodyId() : 0);
}

void CRurIvaDevice::attachGeom(u32 iGeom, bool bDetach, u32 iBody) {
  if (lockedGeom(iGeom) && afterPass([=] { attachGeom(iGeom, bDetach, iBody); })) return;
  dGeomID g = getGeomId(iGeom);
  if (!g) return;
  if (bDetach) {
    dGeomSetBody(g, 0);
    noteNodeBody(geomOf(g));
    return;
  }
  COdeDataWrapper* r = live(iBody, eKindBody);
  if (!r) return;
  if (dGeomGetClass(g) == dPlaneClass) {
    printf("CRurIvaDevice::geomSetBody: a plane cannot be attached to a body, call skipped\n");
    return;
  }
  // The library moves a geometry with an offset straight to another body by forgetting the pose
  // it kept of its own, which then leaks: taken off its body first, the geometry hands it back.
  if (dBodyID pOld = dGeomGetBody(g); pOld && pOld != r->m_pBody) dGeomSetBody(g, 0);
  dGeomSetBody(g, r->m_pBody);
  noteNodeBody(geomOf(g));
  // A geometry without an offset sits at its body's node origin, not at the centre of mass.
  if (hasCentre(r)) dGeomSetOffsetPosition(g, -r->m_aCentre[0], -r->m_aCentre[1], -r->m_aCentre[2]);
  // It collides as its body does (a geometry that could not be placed before it had a body was
  // taken out of collision; the body places it now).
  if (r->m_bParked)
    dGeomDisable(g);
  else
    dGeomEnable(g);
  reviewContactLevers(r->m_pBody);
}

namespace {

//! A point of the geometry's bounds (a corner of its box) where a contact could turn body b more
//! than kMaxContactTurn, or where a contact row's inverse mass may need more mixing force than the
//! world gives (both bounded from above by the smallest moment). The distance to the farthest corner does not
//! change as the body turns, so the answer holds until the geometry's offset, shape or body, or the body's
//! mass, changes.
bool reachesTooFar(dBodyID b, dGeomID g) {
  dMass cMass;
  dBodyGetMass(b, &cMass);
  const dReal fMoment = smallestMoment(cMass.I);
  const dReal* q = dBodyGetPosition(b);
  dReal aBox[6];
  dGeomGetAABB(g, aBox);
  for (int i = 0; i < 8; ++i) {
    const dReal aCorner[3] = {aBox[i & 1], aBox[2 + ((i >> 1) & 1)], aBox[4 + ((i >> 2) & 1)]};
    const dReal fLeverSq = (aCorner[0] - q[0]) * (aCorner[0] - q[0]) +
                           (aCorner[1] - q[1]) * (aCorner[1] - q[1]) +
                           (aCorner[2] - q[2]) * (aCorner[2] - q[2]);
    // The turn bounded from above (the smallest moment in every direction), and the inverse mass.
    if (!(fLeverSq * cMass.mass <= kMaxContactTurn * fMoment)) return true;
    if (!(1 / cMass.mass + fLeverSq / fMoment <= kRegularisedInverseMass)) return true;
  }
  return false;
}

}  // namespace

// A contact far from a body whose mass is small or packed close (a long box on a body of the
// default mass) is a lever the body cannot carry, as for a joint: the solver's factorisation
// meets a pivot of zero or makes not-a-number, and the library aborts. Such contacts are not
// made, and the kept contacts of a very light body get the mixing force their rows need. Only the
// geometries that could need either are marked, so the collision of every other pair costs
// nothing more.
void CRurIvaDevice::reviewContactLevers(dBodyID b) {
  if (!b) return;
  // A node may carry several geometries (a mesh of several materials), and they may be on other
  // bodies than b: it is marked if any of them is, on whichever body it is.
  for (dGeomID g = dBodyGetFirstGeom(b); g; g = dBodyGetNextGeom(g)) {
    CRurIvaGeom* p = geomOf(g);
    if (!p) continue;
    auto it = m_mNodeGeoms.find(p);
    const bool bMarked =
        it != m_mNodeGeoms.end() && std::any_of(it->second.begin(), it->second.end(), [](dGeomID k) {
          dBodyID pOn = dGeomGetBody(k);
          return pOn && reachesTooFar(pOn, k);
        });
    p->setChecksContactLevers(bMarked);
  }
}

void CRurIvaDevice::geomDestroy(u32 iGeom) {
  COdeDataWrapper* r = live(iGeom, eKindGeom);
  if (!r) return;
  dGeomID g = r->m_pGeom;
  m_mGeomHandles.erase(g);
  forgetNodeGeom(geomOf(g), g);
  r->m_pGeom = 0;
  // A ray hit waiting for the end of the step must not lead to it (nor to its node, which may go
  // with it).
  forgetFastCollisionsWith(g);
  // During a collision pass it stays (in its space), without node and out of collision.
  if (afterPass([g] { dGeomDestroy(g); })) {
    dGeomSetData(g, 0);
    dGeomDisable(g);
    return;
  }
  dGeomDestroy(g);
}

void CRurIvaDevice::geomSetOffsetPosition(u32 iGeom, core::vector3df cPos) {
  if (lockedGeom(iGeom) && afterPass([=] { geomSetOffsetPosition(iGeom, cPos); })) return;
  dGeomID g = getGeomId(iGeom);
  if (!g) return;
  dBodyID b = dGeomGetBody(g);
  if (!b) {
    printf("CRurIvaDevice::geomSetOffsetPosition: the geometry has no body, call skipped\n");
    return;
  }
  if (!finiteVector(__func__, cPos)) return;
  const dReal o[3] = {cPos.X, cPos.Y, cPos.Z};
  if (!usablePosition(o)) {
    printf("CRurIvaDevice::geomSetOffsetPosition: offset (%f, %f, %f) is out of reach, call skipped\n",
           cPos.X, cPos.Y, cPos.Z);
    return;
  }
  // Offsets are given from the node origin; the library body sits at the centre of mass.
  auto it = m_mBodyHandles.find(b);
  const COdeDataWrapper* r = it == m_mBodyHandles.end() ? 0 : record(it->second);
  const dReal c[3] = {r ? r->m_aCentre[0] : 0, r ? r->m_aCentre[1] : 0, r ? r->m_aCentre[2] : 0};
  dGeomSetOffsetPosition(g, cPos.X - c[0], cPos.Y - c[1], cPos.Z - c[2]);
  reviewContactLevers(b);
}

void CRurIvaDevice::geomSetOffsetQuaternion(u32 iGeom, core::vector3df cRot) {
  if (lockedGeom(iGeom) && afterPass([=] { geomSetOffsetQuaternion(iGeom, cRot); })) return;
  f32 aQuat[4];
  eulerToQuaternion(cRot, aQuat);
  dGeomID g = getGeomId(iGeom);
  if (!g) return;
  if (!dGeomGetBody(g)) {
    printf("CRurIvaDevice::geomSetOffsetQuaternion: the geometry has no body, call skipped\n");
    return;
  }
  const dQuaternion q = {aQuat[0], aQuat[1], aQuat[2], aQuat[3]};
  if (!properRotation(__func__, q)) return;
  dGeomSetOffsetQuaternion(g, q);
  reviewContactLevers(dGeomGetBody(g));
}

void CRurIvaDevice::geomSetPosition(u32 iGeom, core::vector3df cPos) {
  if (lockedPlacement(iGeom) && afterPass([=] { geomSetPosition(iGeom, cPos); })) return;
  dGeomID g = getGeomId(iGeom);
  if (!g) return;
  if (dGeomGetClass(g) == dPlaneClass) {
    // A plane has no position; only a call that asks for a real move is worth a line.
    if (!cPos.equals(core::vector3df(0, 0, 0)))
      printf("CRurIvaDevice::geomSetPosition: a plane cannot be placed, call skipped\n");
    return;
  }
  const dReal p[3] = {cPos.X, cPos.Y, cPos.Z};
  // A geometry without a body that cannot be placed (a new one would sit at the origin, where
  // nothing is) takes part in no collision until it is placed.
  const bool bStatic = !dGeomGetBody(g);
  if (!usablePosition(p)) {
    printf("CRurIvaDevice::geomSetPosition: position (%f, %f, %f) is out of reach, call skipped\n", cPos.X,
           cPos.Y, cPos.Z);
    if (bStatic) dGeomDisable(g);
    return;
  }
  // A geometry on a body moves the body (see dropContacts).
  if (m_bFinishingPass && !bStatic) dropContacts(dGeomGetBody(g));
  dGeomSetPosition(g, cPos.X, cPos.Y, cPos.Z);
  if (bStatic) dGeomEnable(g);
}

void CRurIvaDevice::geomSetRotation(u32 iGeom, core::vector3df cRot) {
  if (lockedPlacement(iGeom) && afterPass([=] { geomSetRotation(iGeom, cRot); })) return;
  f32 aQuat[4];
  eulerToQuaternion(cRot, aQuat);
  dGeomID g = getGeomId(iGeom);
  if (!g) return;
  if (dGeomGetClass(g) == dPlaneClass) {
    if (!isZeroRotation(cRot))
      printf("CRurIvaDevice::geomSetRotation: a plane cannot be turned, call skipped\n");
    return;
  }
  const dQuaternion q = {aQuat[0], aQuat[1], aQuat[2], aQuat[3]};
  if (!properRotation(__func__, q)) return;
  dGeomSetQuaternion(g, q);
}

// The library's box-cylinder collider normalises an edge or axis of length zero when a box is
// flat or a cylinder thin, and its convex collider refuses a cylinder that thin as "invalid"
// when it meets a capsule or another cylinder; both abort. The node of such a shape is marked:
// those pairs are not collided (its other pairs are).
void CRurIvaDevice::geomSetData(u32 iGeom, void* pData) {
  dGeomID g = getGeomId(iGeom);
  if (!g) return;
  if (CRurIvaGeom* pOld = geomOf(g); pOld != pData) {
    forgetNodeGeom(pOld, g);
    if (pData) m_mNodeGeoms[static_cast<CRurIvaGeom*>(pData)].push_back(g);
  }
  dGeomSetData(g, pData);
  noteNodeBody(geomOf(g));
  if (geomOf(g)) {
    const c8* sThin = tooThinForCylinders(g);
    if (sThin && dGeomGetCategoryBits(g) != 0)
      printf(
          "CRurIvaDevice::geomSetData: %s %u is too thin for the library's cylinder colliders; it does not "
          "touch %s\n",
          sThin, iGeom, sThin[0] == 'b' ? "cylinders" : "boxes, capsules or cylinders");
  }
  // The mark of a far-reaching geometry is kept on its node.
  reviewContactLevers(dGeomGetBody(g));
}

void CRurIvaDevice::geomRaySetData(u32 iGeom, core::vector3df cPos, core::vector3df cDir, f32 fLength) {
  if (lockedGeom(iGeom) && afterPass([=] { geomRaySetData(iGeom, cPos, cDir, fLength); })) return;
  dGeomID g = getGeomId(iGeom);
  if (!g || dGeomGetClass(g) != dRayClass) return;
  if (!finiteValues(__func__, {cPos.X, cPos.Y, cPos.Z, fLength})) return;
  // A short ray far out overflows a hash space's cell numbers as a small shape does: one without
  // a body (a body's geometries sit out with it) sits out of collision until it starts within
  // reach again (said when it leaves).
  const dReal p[3] = {cPos.X, cPos.Y, cPos.Z};
  if (!dGeomGetBody(g)) {
    if (!usablePosition(p)) {
      if (dGeomIsEnabled(g))
        printf(
            "CRurIvaDevice::geomRaySetData: start (%f, %f, %f) is out of reach, the ray sits out of "
            "collision\n",
            cPos.X, cPos.Y, cPos.Z);
      dGeomDisable(g);
      return;
    }
    dGeomEnable(g);
  }
  if (isNullAxis(cDir)) {
    // A body that did not move hands its guard ray a zero direction: the ray keeps pointing the
    // way it did (the library aborts on a direction it cannot normalise).
    dVector3 cStart, cOld;
    dGeomRayGet(g, cStart, cOld);
    dGeomRaySet(g, cPos.X, cPos.Y, cPos.Z, cOld[0], cOld[1], cOld[2]);
  } else {
    dGeomRaySet(g, cPos.X, cPos.Y, cPos.Z, cDir.X, cDir.Y, cDir.Z);
  }
  dGeomRaySetLength(g, fLength);
}

void CRurIvaDevice::geomSetBackfaceCull(u32 iGeom, bool bCull) {
  dGeomID g = getGeomId(iGeom);
  if (!g || dGeomGetClass(g) != dRayClass) return;
  // The two current calls that replace the deprecated dGeomRaySetParams(g, 0, cull).
  dGeomRaySetFirstContact(g, 0);
  dGeomRaySetBackfaceCull(g, bCull ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// Creation

bool CRurIvaDevice::isSpaceOrNone(u32 iSpace) const { return iSpace == 0 || getSpaceId(iSpace) != 0; }

// The library comes up before the geometry is made; every check of the operation comes first.
template <class TCreate>
u32 CRurIvaDevice::createGeom(u32 iSpace, TCreate fCreate) {
  ensureLibrary();
  COdeDataWrapper* r = new COdeDataWrapper(eKindGeom);
  // During a collision pass the geometry joins its space when the pass is over.
  const dSpaceID s = getSpaceId(iSpace);
  const bool bLate = s && m_iCollisionPasses > 0;
  r->m_pGeom = fCreate(bLate ? 0 : s);
  const u32 iHandle = addRecord(r);
  m_mGeomHandles[r->m_pGeom] = iHandle;
  if (bLate) afterPass([=] { joinSpace(iHandle, iSpace); });
  return iHandle;
}

// A box of no size at all, or a cylinder without radius or length, is a valid shape that can
// touch nothing, but the library's colliders abort on it (a box of no size against a cylinder
// normalises a vector of length zero; a cylinder without size is refused by its convex collider
// as "invalid"). Its category and collide bits are cleared, so that no space pairs it with
// anything; the layer sets no other bits.
void CRurIvaDevice::keepOutOfCollision(u32 iGeom) {
  if (dGeomID g = getGeomId(iGeom)) {
    dGeomSetCategoryBits(g, 0);
    dGeomSetCollideBits(g, 0);
  }
}

u32 CRurIvaDevice::geomCreateBox(u32 iSpace, f32 fLx, f32 fLy, f32 fLz) {
  if (!isSpaceOrNone(iSpace)) return 0;
  if (!validSize(fLx) || !validSize(fLy) || !validSize(fLz)) {
    printf("CRurIvaDevice::geomCreateBox: invalid size (%f, %f, %f), no box created\n", fLx, fLy, fLz);
    return 0;
  }
  const u32 iGeom = createGeom(iSpace, [&](dSpaceID s) { return dCreateBox(s, fLx, fLy, fLz); });
  if (fLx == 0 && fLy == 0 && fLz == 0) keepOutOfCollision(iGeom);
  return iGeom;
}

u32 CRurIvaDevice::geomCreateCapsule(u32 iSpace, f32 fRadius, f32 fLength) {
  if (!isSpaceOrNone(iSpace)) return 0;
  if (!validSize(fRadius) || !validSize(fLength)) {
    printf("CRurIvaDevice::geomCreateCapsule: invalid size (%f, %f), no capsule created\n", fRadius, fLength);
    return 0;
  }
  return createGeom(iSpace, [&](dSpaceID s) { return dCreateCapsule(s, fRadius, fLength); });
}

u32 CRurIvaDevice::geomCreateCylinder(u32 iSpace, f32 fRadius, f32 fLength) {
  if (!isSpaceOrNone(iSpace)) return 0;
  if (!validSize(fRadius) || !validSize(fLength)) {
    printf("CRurIvaDevice::geomCreateCylinder: invalid size (%f, %f), no cylinder created\n", fRadius,
           fLength);
    return 0;
  }
  const u32 iGeom = createGeom(iSpace, [&](dSpaceID s) { return dCreateCylinder(s, fRadius, fLength); });
  if (fRadius == 0 || fLength == 0) keepOutOfCollision(iGeom);
  return iGeom;
}

u32 CRurIvaDevice::geomCreateHeightfield(u32 iSpace, u32 iData) {
  if (!isSpaceOrNone(iSpace)) return 0;
  COdeDataWrapper* d = live(iData, eKindHeightfieldData);
  if (!d) return 0;
  if (!d->m_bBuilt) {
    // The library aborts when it collides a heightfield whose data was never built.
    printf(
        "CRurIvaDevice::geomCreateHeightfield: the heightfield data is not built, no heightfield created\n");
    return 0;
  }
  return createGeom(iSpace, [&](dSpaceID s) { return dCreateHeightfield(s, d->m_pHeightfieldData, 1); });
}

u32 CRurIvaDevice::geomCreatePlane(u32 iSpace, f32 fA, f32 fB, f32 fC, f32 fD) {
  if (!isSpaceOrNone(iSpace)) return 0;
  if (!finiteValues(__func__, {fA, fB, fC, fD})) return 0;
  return createGeom(iSpace, [&](dSpaceID s) { return dCreatePlane(s, fA, fB, fC, fD); });
}

u32 CRurIvaDevice::geomCreateRay(u32 iSpace, f32 fLength) {
  if (!isSpaceOrNone(iSpace)) return 0;
  if (!finiteValues(__func__, {fLength})) return 0;
  return createGeom(iSpace, [&](dSpaceID s) { return dCreateRay(s, fLength); });
}

u32 CRurIvaDevice::geomCreateSphere(u32 iSpace, f32 fRadius) {
  if (!isSpaceOrNone(iSpace)) return 0;
  if (!validSize(fRadius)) {
    printf("CRurIvaDevice::geomCreateSphere: invalid radius %f, no sphere created\n", fRadius);
    return 0;
  }
  return createGeom(iSpace, [&](dSpaceID s) { return dCreateSphere(s, fRadius); });
}

u32 CRurIvaDevice::geomCreateTrimesh(u32 iSpace, u32 iData) {
  if (!isSpaceOrNone(iSpace)) return 0;
  COdeDataWrapper* d = live(iData, eKindTriMeshData);
  if (!d) return 0;
  if (!d->m_bBuilt) {
    // The library computes the bounds of a mesh without triangles from memory it never set: in
    // a hash space such bounds (not a number, or far out) abort the collision.
    printf("CRurIvaDevice::geomCreateTrimesh: the triangle data is not built, no triangle mesh created\n");
    return 0;
  }
  return createGeom(iSpace, [&](dSpaceID s) { return dCreateTriMesh(s, d->m_pTriMeshData, 0, 0, 0); });
}

// ---------------------------------------------------------------------------------------------
// Heightfield data

u32 CRurIvaDevice::geomHeightfieldDataCreate() {
  ensureLibrary();
  COdeDataWrapper* r = new COdeDataWrapper(eKindHeightfieldData);
  r->m_pHeightfieldData = dGeomHeightfieldDataCreate();
  return addRecord(r);
}

void CRurIvaDevice::geomHeightfieldSetBounds(u32 iData, f32 fMin, f32 fMax) {
  COdeDataWrapper* r = live(iData, eKindHeightfieldData);
  if (r && finiteValues(__func__, {fMin, fMax}))
    dGeomHeightfieldDataSetBounds(r->m_pHeightfieldData, fMin, fMax);
}

void CRurIvaDevice::geomHeightfieldDataCallback(u32 iData, void* pUserData, void* pCallback, f32 fWidth,
                                                f32 fDepth, int iWidthSamples, int iDepthSamples, f32 fScale,
                                                f32 fOffset, f32 fThickness, int iWrap) {
  COdeDataWrapper* r = live(iData, eKindHeightfieldData);
  if (!r) return;
  if (!pCallback || iWidthSamples < 2 || iDepthSamples < 2 || !(fWidth > 0.0f) || !(fDepth > 0.0f) ||
      !std::isfinite(fWidth) || !std::isfinite(fDepth)) {
    printf(
        "CRurIvaDevice::geomHeightfieldDataCallback: a heightfield needs a callback, 2 x 2 samples and an "
        "area, call skipped\n");
    return;
  }
  if (!finiteValues(__func__, {fScale, fOffset, fThickness})) return;
  std::unique_ptr<SHeightSource> pSource(new SHeightSource());
  pSource->pCallback = reinterpret_cast<THeightCallback>(pCallback);
  pSource->pUserData = pUserData;
  pSource->fWidth = fWidth;
  pSource->fDepth = fDepth;
  pSource->fScale = fScale;
  pSource->fOffset = fOffset;
  pSource->iWidthSamples = iWidthSamples;
  pSource->iDepthSamples = iDepthSamples;
  dGeomHeightfieldDataBuildCallback(r->m_pHeightfieldData, pSource.get(), heightTrampoline, fWidth, fDepth,
                                    iWidthSamples, iDepthSamples, fScale, fOffset, fThickness, iWrap);
  // The library points at the new source from now on; the previous one can go.
  r->m_pHeightSource = std::move(pSource);
  r->m_bBuilt = true;
}

// ---------------------------------------------------------------------------------------------
// Spaces

void CRurIvaDevice::joinSpace(u32 iObject, u32 iSpace) {
  const COdeDataWrapper* r = record(iObject);
  const dGeomID g = !r                         ? 0
                    : r->m_iKind == eKindGeom  ? r->m_pGeom
                    : r->m_iKind == eKindSpace ? reinterpret_cast<dGeomID>(r->m_pSpace)
                                               : 0;
  const dSpaceID s = getSpaceId(iSpace);
  if (g && s && !dGeomGetSpace(g)) dSpaceAdd(s, g);
}

template <class TCreate>
u32 CRurIvaDevice::createSpace(u32 iParent, TCreate fCreate) {
  ensureLibrary();
  COdeDataWrapper* r = new COdeDataWrapper(eKindSpace);
  // During a collision pass the space joins its parent when the pass is over.
  const dSpaceID p = getSpaceId(iParent);
  const bool bLate = p && m_iCollisionPasses > 0;
  r->m_pSpace = keepContents(fCreate(bLate ? 0 : p));
  const u32 iHandle = addRecord(r);
  if (iParent) m_aNestedSpaces.push_back(iHandle);
  if (bLate) afterPass([=] { joinSpace(iHandle, iParent); });
  return iHandle;
}

u32 CRurIvaDevice::spaceCreateSimple(u32 iParent) {
  if (!isSpaceOrNone(iParent)) return 0;
  return createSpace(iParent, [](dSpaceID p) { return dSimpleSpaceCreate(p); });
}

u32 CRurIvaDevice::spaceCreateHash(u32 iParent) {
  if (!isSpaceOrNone(iParent)) return 0;
  return createSpace(iParent, [](dSpaceID p) { return dHashSpaceCreate(p); });
}

u32 CRurIvaDevice::spaceCreateQuadTree(u32 iParent, core::vector3df cCenter, core::vector3df cExtents,
                                       int iDepth) {
  if (!isSpaceOrNone(iParent)) return 0;
  if (iDepth < 0 || iDepth > kMaxQuadTreeDepth) {
    printf("CRurIvaDevice::spaceCreateQuadTree: depth %d is outside 0 to %d, no space created\n", iDepth,
           kMaxQuadTreeDepth);
    return 0;
  }
  if (!finiteVector(__func__, cCenter) || !finiteVector(__func__, cExtents)) return 0;
  // The library cuts the box centre +- extents into blocks and aborts when a block's lower
  // bound is not below its upper one, as on a negative extent.
  if (cExtents.X < 0 || cExtents.Y < 0 || cExtents.Z < 0) {
    printf(
        "CRurIvaDevice::spaceCreateQuadTree: centre (%g, %g, %g) and extents (%g, %g, %g) are no box, no "
        "space created\n",
        cCenter.X, cCenter.Y, cCenter.Z, cExtents.X, cExtents.Y, cExtents.Z);
    return 0;
  }
  const dVector3 c = {cCenter.X, cCenter.Y, cCenter.Z, 0};
  const dVector3 e = {cExtents.X, cExtents.Y, cExtents.Z, 0};
  return createSpace(iParent, [&](dSpaceID p) { return dQuadTreeSpaceCreate(p, c, e, iDepth); });
}

void CRurIvaDevice::spaceDestroy(u32 iSpace) {
  COdeDataWrapper* r = live(iSpace, eKindSpace);
  if (!r) return;
  dSpaceID s = r->m_pSpace;
  r->m_pSpace = 0;
  // It or its parent may be the space being collided: its contents go on colliding as they are
  // until the pass is over.
  if (!afterPass([s] { dSpaceDestroy(s); })) dSpaceDestroy(s);
}

}  // namespace ode
}  // namespace irr
