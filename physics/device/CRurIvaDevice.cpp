#include "CRurIvaDevice.h"

#include <cmath>
#include <cstdio>

#include "CRurIvaContactParameters.h"
#include "RurIvaDeviceInternal.h"

// The device's life cycle, its handle registry and its settings. The operations live by concern
// in the other CRurIvaDevice*.cpp files: bodies and worlds, masses, joints, geometries and
// spaces, triangle data, and stepping with collision.

namespace irr {
namespace ode {

namespace {

// Whether this module has initialised the library. Stepping and collision crash in an
// uninitialised library, and closing it twice aborts, so both directions are tracked here.
bool g_bLibraryUp = false;

}  // namespace

void ensureLibrary() {
  if (g_bLibraryUp) return;
  dInitODE2(0);
  dAllocateODEDataForThread(dAllocateMaskAll);
  g_bLibraryUp = true;
}

CRurIvaDevice::CRurIvaDevice()
    : m_iRetiredHandles(0),
      m_pContactCalculator(new CRurIvaContactParameters()),
      m_bInitialized(false),
      m_fStepSize(0.016f),
      m_fTimeAccumulator(0.0f),
      m_iStepCounter(0),
      m_iMaxSteps(0),
      m_fDroppedTime(0.0),
      m_bMasslessReported(false),
      m_bStepReported(false) {}

CRurIvaDevice::~CRurIvaDevice() {
  delete m_pContactCalculator;
  m_pContactCalculator = 0;
  discardRecords();
  forgetSteppingDevice(this);
}

void CRurIvaDevice::initODE() {
  ensureLibrary();
  m_bInitialized = true;
  m_iStepCounter = 0;
}

void CRurIvaDevice::closeODE() {
  discardRecords();
  if (g_bLibraryUp) {
    // The library was initialised without manual thread clean-up, for which the library
    // forbids dCleanupODEAllDataForThread; closing releases the thread data as well.
    dCloseODE();
    g_bLibraryUp = false;
  }
  m_bInitialized = false;
}

void CRurIvaDevice::clearODE() { discardRecords(); }

void CRurIvaDevice::setContactCalculator(IRurIvaContactParameters* pCalculator) {
  if (pCalculator == m_pContactCalculator) return;
  // A calculator may replace itself while the collision pass asks it: it goes after the pass.
  IRurIvaContactParameters* pOld = m_pContactCalculator;
  m_pContactCalculator = pCalculator;
  if (!afterPass([pOld] { delete pOld; })) delete pOld;
}

IRurIvaContactParameters* CRurIvaDevice::getContactCalculator() { return m_pContactCalculator; }

namespace {
const f32 kMaxStepSize = 1.0f;
}  // namespace

void CRurIvaDevice::setStepSize(f32 fStepSize) {
  // The library aborts on a step of zero or less, and the accumulator loop would never end.
  if (!(fStepSize > 0.0f) || !std::isfinite(fStepSize)) {
    printf("CRurIvaDevice::setStepSize: the step size must be above 0, %f ignored\n", fStepSize);
    return;
  }
  // A step of many seconds turns any contact or joint into impulses beyond the library's numbers
  // (it aborts on the bodies' rotations); no simulation of a scene takes steps of a second.
  if (fStepSize > kMaxStepSize) {
    printf("CRurIvaDevice::setStepSize: a step of %g seconds is above %g, ignored\n", fStepSize,
           kMaxStepSize);
    return;
  }
  m_fStepSize = fStepSize;
}

f32 CRurIvaDevice::getStepSize() { return m_fStepSize; }

u32 CRurIvaDevice::addRecord(COdeDataWrapper* pRecord) {
  m_aRecords.push_back(pRecord);
  return handleAt(m_aRecords.size() - 1);
}

void CRurIvaDevice::discardRecords() {
  ++m_iActivationToken;
  // The time the discarded simulation ran ahead of the clock is not the next one's.
  m_fTimeAccumulator = 0.0f;
  // The pool serves the worlds of these records: it goes first.
  releaseStepThreads();
  // No node can reach these objects any more. Inside a step the library is still working on
  // them, so there they are left alone, as the library's own shutdown would.
  if (g_bLibraryUp && !isSteppingDevice(this)) destroyLibraryObjects();
  for (u32 i = 0; i < m_aRecords.size(); ++i) {
    COdeDataWrapper* r = m_aRecords[i];
    // Triangle and height data belong to their record: nothing else can release them, and the
    // library must not keep pointing at the arrays and height source freed with the record.
    if (r->m_pTriMeshData) dGeomTriMeshDataDestroy(r->m_pTriMeshData);
    if (r->m_pHeightfieldData) dGeomHeightfieldDataDestroy(r->m_pHeightfieldData);
    delete r;
  }
  m_iRetiredHandles += m_aRecords.size();
  m_aRecords.clear();
  m_mGeomHandles.clear();
  m_mBodyHandles.clear();
  // The nodes are not told: each learns its body again when a geometry of a later library takes it.
  m_mNodeGeoms.clear();
  m_aNestedSpaces.clear();
  m_aPlacedBodies.clear();
  m_aRedundantJoints.clear();
  m_aSlidingJoints.clear();
  m_fLightestMoment = 1;
  m_aFastContactGroups.clear();
  // The waiting ray hits name bodies whose handles are gone with the records.
  clearFastCollisions();
  // Inside a collision pass what waited for its end is left alone with the rest.
  m_aAfterPass.clear();
}

void CRurIvaDevice::destroyLibraryObjects() {
  // Geometries leave their spaces (which keep no contents of their own) before the spaces go,
  // joints go before the bodies they join, and each world last.
  const u32 n = m_aRecords.size();
  for (u32 i = 0; i < n; ++i)
    if (dGeomID g = m_aRecords[i]->m_pGeom) dGeomDestroy(g);
  for (u32 i = 0; i < n; ++i)
    if (dSpaceID s = m_aRecords[i]->m_pSpace) dSpaceDestroy(s);
  for (u32 i = 0; i < n; ++i)
    if (dJointGroupID g = m_aRecords[i]->m_pJointGroup) dJointGroupDestroy(g);
  for (u32 i = 0; i < n; ++i)
    if (dJointID j = m_aRecords[i]->m_pJoint) dJointDestroy(j);
  for (u32 i = 0; i < n; ++i)
    if (dBodyID b = m_aRecords[i]->m_pBody) dBodyDestroy(b);
  for (u32 i = 0; i < n; ++i)
    if (dWorldID w = m_aRecords[i]->m_pWorld) destroyCountedWorld(w);
}

COdeDataWrapper* CRurIvaDevice::live(u32 iHandle, u32 iKind) const {
  COdeDataWrapper* r = record(iHandle);
  if (!r || r->m_iKind != iKind) return 0;
  switch (iKind) {
    case eKindWorld:
      return r->m_pWorld ? r : 0;
    case eKindJoint:
      return r->m_pJoint ? r : 0;
    case eKindBody:
      return r->m_pBody ? r : 0;
    case eKindGeom:
      return r->m_pGeom ? r : 0;
    case eKindSpace:
      return r->m_pSpace ? r : 0;
    case eKindTriMeshData:
      return r->m_pTriMeshData ? r : 0;
    case eKindJointGroup:
      return r->m_pJointGroup ? r : 0;
    case eKindHeightfieldData:
      return r->m_pHeightfieldData ? r : 0;
    case eKindMass:
      return r;
    default:
      return 0;
  }
}

dWorldID CRurIvaDevice::getWorldId(u32 iHandle) const {
  COdeDataWrapper* r = live(iHandle, eKindWorld);
  return r ? r->m_pWorld : 0;
}

dBodyID CRurIvaDevice::getBodyId(u32 iHandle) const {
  COdeDataWrapper* r = live(iHandle, eKindBody);
  return r ? r->m_pBody : 0;
}

dGeomID CRurIvaDevice::getGeomId(u32 iHandle) const {
  COdeDataWrapper* r = live(iHandle, eKindGeom);
  return r ? r->m_pGeom : 0;
}

dJointGroupID CRurIvaDevice::getJGroupId(u32 iHandle) const {
  COdeDataWrapper* r = live(iHandle, eKindJointGroup);
  return r ? r->m_pJointGroup : 0;
}

dSpaceID CRurIvaDevice::getSpaceId(u32 iHandle) const {
  COdeDataWrapper* r = live(iHandle, eKindSpace);
  return r ? r->m_pSpace : 0;
}

dJointID CRurIvaDevice::getJointId(u32 iHandle) const {
  COdeDataWrapper* r = live(iHandle, eKindJoint);
  return r ? r->m_pJoint : 0;
}

COdeDataWrapper* CRurIvaDevice::getData(u32 n) const { return n < m_aRecords.size() ? m_aRecords[n] : 0; }

u32 CRurIvaDevice::getRecordCount() const { return m_aRecords.size(); }

u32 CRurIvaDevice::getHandleOfGeom(dGeomID pGeom) const {
  auto it = m_mGeomHandles.find(pGeom);
  return it == m_mGeomHandles.end() ? 0 : it->second;
}

}  // namespace ode
}  // namespace irr
