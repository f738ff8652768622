#ifndef RUR_IVA_DEVICE_INTERNAL_H
#define RUR_IVA_DEVICE_INTERNAL_H

// What the device's sources share and nothing else sees: the registry record, the library's
// headers and the few helpers and module-wide state that more than one source needs. Not
// installed; users of the layer include CRurIvaDevice.h only.

#include <ode/ode.h>

#include <cmath>
#include <memory>
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
};

/**
 * One registry entry: the library object of one create operation, plus what the device keeps
 * about it (a body's centre of mass, a triangle mesh's arrays, a heightfield's height source).
 */
class COdeDataWrapper {
 public:
  COdeDataWrapper(u32 iKind)
      : m_iKind(iKind),
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
        m_iWorld(0),
        m_bBuilt(false),
        m_bParked(false),
        m_bStopped(false) {
    dMassSetZero(&m_cMass);
    m_aCentre[0] = m_aCentre[1] = m_aCentre[2] = 0;
  }

  u32 m_iKind;
  dWorldID m_pWorld;
  dJointID m_pJoint;
  dBodyID m_pBody;
  dGeomID m_pGeom;
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
  //! A body's centre of mass in its node's frame; the library body sits at that point.
  dReal m_aCentre[3];
  //! Triangle or heightfield data has been built (an unbuilt heightfield aborts collisions).
  bool m_bBuilt;
  //! A body without a usable position whose geometries were taken out of collision.
  bool m_bParked;
  //! A body whose simulation blew up was stopped before a step (said once).
  bool m_bStopped;
  std::unique_ptr<SHeightSource> m_pHeightSource;
};

// Beyond about 4e9 a hash space's cell numbers overflow and the library aborts; positions this
// far out only come from a simulation that has blown up.
const dReal kMaxCoordinate = 1e9;

inline bool usablePosition(const dReal* p) {
  for (int i = 0; i < 3; ++i)
    if (!(p[i] > -kMaxCoordinate && p[i] < kMaxCoordinate)) return false;
  return true;
}

inline core::vector3df toVector(const dReal* p) {
  return core::vector3df(static_cast<f32>(p[0]), static_cast<f32>(p[1]), static_cast<f32>(p[2]));
}

// An axis the library cannot normalise (it aborts on a zero vector); not-a-number counts too.
inline bool isNullAxis(const core::vector3df& v) {
  const f64 fLenSq = static_cast<f64>(v.X) * v.X + static_cast<f64>(v.Y) * v.Y + static_cast<f64>(v.Z) * v.Z;
  return !(fLenSq > 1e-12) || !std::isfinite(fLenSq);
}

inline bool hasCentre(const COdeDataWrapper* r) {
  return r->m_aCentre[0] != 0 || r->m_aCentre[1] != 0 || r->m_aCentre[2] != 0;
}

//! The node origin of a body: the library body sits at the centre of mass, R c away from it.
core::vector3df bodyOrigin(const COdeDataWrapper* r);

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
//! Forgets a device that is going away as the one whose step is running; CRurIvaDeviceStep.cpp.
void forgetSteppingDevice(const CRurIvaDevice* pDevice);
//! Whether a step of this device is running (its library objects are in use); CRurIvaDeviceStep.cpp.
bool isSteppingDevice(const CRurIvaDevice* pDevice);

}  // namespace ode
}  // namespace irr

#endif
