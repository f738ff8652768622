#ifndef C_RUR_IVA_DEVICE_H
#define C_RUR_IVA_DEVICE_H

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "CRurIvaBroadPhase.h"
#include "IRurIvaDevice.h"

// The dynamics library's object types, declared here so that this header does not pull the
// library's headers into every user of the device (the declarations match the library's own).
typedef struct dxWorld* dWorldID;
typedef struct dxSpace* dSpaceID;
typedef struct dxBody* dBodyID;
typedef struct dxGeom* dGeomID;
typedef struct dxJoint* dJointID;
typedef struct dxJointGroup* dJointGroupID;
typedef struct dxThreadingImplementation* dThreadingImplementationID;
typedef struct dxThreadingThreadPool* dThreadingThreadPoolID;
struct dSurfaceParameters;

namespace irr {
namespace ode {

class CRurIvaSurfaceParameters;
//! One record of the handle registry; defined in the device's private header.
class COdeDataWrapper;
//! The bodies a threaded step moved; defined in the device's private header.
struct SMovedBodies;

/**
 * The bridge to ODE. It is the only code that talks to the dynamics library: it keeps the
 * handle registry, converts between the layer's single-precision values and the library's
 * reals, steps worlds, turns touching geometries into contacts, and reports moved bodies.
 *
 * It never lets a caller error reach the library where the library would abort the process:
 * invalid handles are ignored, and calls the library rejects (placing a plane, a zero mass,
 * an offset on a geometry without a body, a hinge-2 on fewer than two bodies or with parallel
 * axes) are skipped with one line on standard output.
 *
 * A body whose mass centre lies away from its node's origin is placed in the dynamics library
 * at its centre of mass; every position exchanged with the device stays in node-origin terms.
 */
class CRurIvaDevice : public IRurIvaDevice {
 public:
  CRurIvaDevice();
  ~CRurIvaDevice() override;

  void initODE() override;
  void closeODE() override;
  void clearODE() override;
  void setContactCalculator(IRurIvaContactParameters* pCalculator) override;
  IRurIvaContactParameters* getContactCalculator() override;
  void setStepSize(f32 fStepSize) override;
  f32 getStepSize() override;
  void step(f32 fTime, CRurIvaWorld* pWorld) override;
  void quickStep(f32 fTime, CRurIvaWorld* pWorld) override;
  void setStepThreads(u32 iThreads) override;
  u32 getStepThreads() override { return m_iStepThreads; }
  f32 getTimeAccumulator() const override { return m_fTimeAccumulator; }
  void setMaxSteps(u32 iMaxSteps) override { m_iMaxSteps = iMaxSteps; }
  u32 getMaxSteps() const override { return m_iMaxSteps; }
  f64 getDroppedTime() const override { return m_fDroppedTime; }

  void worldDestroy(u32 iWorld) override;
  u32 worldCreate() override;
  void worldSetLinearDamping(u32 iWorld, f32 fScale) override;
  f32 worldGetLinearDamping(u32 iWorld) override;
  void worldSetAngularDamping(u32 iWorld, f32 fScale) override;
  f32 worldGetAngularDamping(u32 iWorld) override;
  void worldSetLinearDampingThreshold(u32 iWorld, f32 fThreshold) override;
  f32 worldGetLinearDampingThreshold(u32 iWorld) override;
  void worldSetAngularDampingThreshold(u32 iWorld, f32 fThreshold) override;
  f32 worldGetAngularDampingThreshold(u32 iWorld) override;
  void worldSetMaxAngularSpeed(u32 iWorld, f32 fMaxSpeed) override;
  f32 worldGetMaxAngularSpeed(u32 iWorld) override;
  void worldSetAutoDisableFlag(u32 iWorld, int iFlag) override;
  int worldGetAutoDisableFlag(u32 iWorld) override;
  void worldSetAutoDisableLinearThreshold(u32 iWorld, f32 fThreshold) override;
  f32 worldGetAutoDisableLinearThreshold(u32 iWorld) override;
  void worldSetAutoDisableAngularThreshold(u32 iWorld, f32 fThreshold) override;
  f32 worldGetAutoDisableAngularThreshold(u32 iWorld) override;
  void worldSetAutoDisableSteps(u32 iWorld, int iSteps) override;
  int worldGetAutoDisableSteps(u32 iWorld) override;
  void worldSetAutoDisableTime(u32 iWorld, f32 fTime) override;
  f32 worldGetAutoDisableTime(u32 iWorld) override;
  void worldSetQuickStepNumIterations(u32 iWorld, int iNum) override;
  int worldGetQuickStepNumIterations(u32 iWorld) override;
  void worldSetQuickStepW(u32 iWorld, f32 fW) override;
  f32 worldGetQuickStepW(u32 iWorld) override;
  void worldSetGravity(u32 iWorld, core::vector3df cGravity) override;
  void worldSetERP(u32 iWorld, f32 fErp) override;
  f32 worldGetERP(u32 iWorld) override;
  void worldSetCFM(u32 iWorld, f32 fCfm) override;
  f32 worldGetCFM(u32 iWorld) override;

  void jointAttach(u32 iJoint, CRurIvaBody* pBody1, CRurIvaBody* pBody2) override;
  void jointSetData(u32 iJoint, void* pData) override;
  void jointDestroy(u32 iJoint) override;
  u32 jointCreateBallSocket(u32 iWorld) override;
  u32 jointCreateFixed(u32 iWorld) override;
  u32 jointCreateHinge(u32 iWorld) override;
  u32 jointCreateHinge2(u32 iWorld) override;
  u32 jointCreatePiston(u32 iWorld) override;
  u32 jointCreateSlider(u32 iWorld) override;
  u32 jointCreateUniversal(u32 iWorld) override;
  u32 jointCreatePR(u32 iWorld) override;
  void jointSetBallAnchor(u32 iJoint, core::vector3df cAnchor) override;
  core::vector3df jointGetBallAnchor(u32 iJoint) override;
  core::vector3df jointGetBallAnchor2(u32 iJoint) override;
  void jointSetFixed(u32 iJoint) override;
  void jointSetHingeAnchor(u32 iJoint, core::vector3df cAnchor) override;
  void jointSetHingeAxis(u32 iJoint, core::vector3df cAxis) override;
  core::vector3df jointGetHingeAxis(u32 iJoint) override;
  core::vector3df jointGetHingeAnchor1(u32 iJoint) override;
  core::vector3df jointGetHingeAnchor2(u32 iJoint) override;
  f32 jointGetHingeAngle(u32 iJoint) override;
  f32 jointGetHingeAngleRate(u32 iJoint) override;
  void jointSetHingeParam(u32 iJoint, int iParam, f32 fValue) override;
  f32 jointGetHingeParam(u32 iJoint, int iParam) override;
  void jointSetHinge2Anchor(u32 iJoint, core::vector3df cAnchor) override;
  void jointSetHinge2Axis1(u32 iJoint, core::vector3df cAxis) override;
  void jointSetHinge2Axis2(u32 iJoint, core::vector3df cAxis) override;
  core::vector3df jointGetHinge2Axis1(u32 iJoint) override;
  core::vector3df jointGetHinge2Axis2(u32 iJoint) override;
  core::vector3df jointGetHinge2Anchor(u32 iJoint) override;
  core::vector3df jointGetHinge2Anchor2(u32 iJoint) override;
  f32 jointGetHinge2Angle1(u32 iJoint) override;
  f32 jointGetHinge2Angle1Rate(u32 iJoint) override;
  f32 jointGetHinge2Angle2Rate(u32 iJoint) override;
  void jointSetHinge2Param(u32 iJoint, u32 iAxis, int iParam, f32 fValue) override;
  f32 jointGetHinge2Param(u32 iJoint, u32 iAxis, int iParam) override;
  void jointSetPistonAnchor(u32 iJoint, core::vector3df cAnchor) override;
  void jointSetPistonAxis(u32 iJoint, core::vector3df cAxis) override;
  f32 jointGetPistonPosition(u32 iJoint) override;
  f32 jointGetPistonPositionRate(u32 iJoint) override;
  core::vector3df jointGetPistonAnchor(u32 iJoint) override;
  core::vector3df jointGetPistonAxis(u32 iJoint) override;
  void jointSetPistonParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) override;
  f32 jointGetPistonParam(u32 iJoint, u32 iAxis, int iParam) override;
  void jointSetSliderAxis(u32 iJoint, core::vector3df cAxis) override;
  core::vector3df jointGetSliderAxis(u32 iJoint) override;
  f32 jointGetSliderPosition(u32 iJoint) override;
  f32 jointGetSliderPositionRate(u32 iJoint) override;
  void jointSetSliderParam(u32 iJoint, int iParam, f32 fValue) override;
  f32 jointGetSliderParam(u32 iJoint, int iParam) override;
  void jointSetUniversalAnchor(u32 iJoint, core::vector3df cAnchor) override;
  void jointSetUniversalAxis1(u32 iJoint, core::vector3df cAxis) override;
  void jointSetUniversalAxis2(u32 iJoint, core::vector3df cAxis) override;
  core::vector3df jointGetUniversalAnchor(u32 iJoint) override;
  core::vector3df jointGetUniversalAnchor2(u32 iJoint) override;
  core::vector3df jointGetUniversalAxis1(u32 iJoint) override;
  core::vector3df jointGetUniversalAxis2(u32 iJoint) override;
  f32 jointGetUniversalAngle1(u32 iJoint) override;
  f32 jointGetUniversalAngle2(u32 iJoint) override;
  f32 jointGetUniversalAngle1Rate(u32 iJoint) override;
  f32 jointGetUniversalAngle2Rate(u32 iJoint) override;
  void jointSetUniversalParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) override;
  f32 jointGetUniversalParam(u32 iJoint, u32 iAxis, int iParam) override;
  void jointSetPrAxis1(u32 iJoint, core::vector3df cAxis) override;
  void jointSetPrAxis2(u32 iJoint, core::vector3df cAxis) override;
  void jointSetPrAnchor(u32 iJoint, core::vector3df cAnchor) override;
  core::vector3df jointGetPrAxis1(u32 iJoint) override;
  core::vector3df jointGetPrAxis2(u32 iJoint) override;
  core::vector3df jointGetPrAnchor(u32 iJoint) override;
  f32 jointGetPrPosition(u32 iJoint) override;
  f32 jointGetPrAngle(u32 iJoint) override;
  f32 jointGetPrAngleRate(u32 iJoint) override;
  void jointSetPrParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) override;
  f32 jointGetPrParam(u32 iJoint, u32 iAxis, int iParam) override;

  u32 bodyCreate(u32 iWorld) override;
  void bodyDestroy(u32 iBody) override;
  void bodySetPosition(u32 iBody, core::vector3df cPos) override;
  core::vector3df bodyGetPosition(u32 iBody) override;
  core::vector3df bodyGetRotation(u32 iBody) override;
  void bodySetQuaternion(u32 iBody, core::quaternion cQuat) override;
  void bodySetRotation(u32 iBody, core::vector3df cRot) override;
  void bodySetData(u32 iBody, void* pData) override;
  void bodySetLinearDamping(u32 iBody, f32 fScale) override;
  f32 bodyGetLinearDamping(u32 iBody) override;
  void bodySetAngularDamping(u32 iBody, f32 fScale) override;
  f32 bodyGetAngularDamping(u32 iBody) override;
  void bodySetLinearDampingThreshold(u32 iBody, f32 fThreshold) override;
  f32 bodyGetLinearDampingThreshold(u32 iBody) override;
  void bodySetAngularDampingThreshold(u32 iBody, f32 fThreshold) override;
  f32 bodyGetAngularDampingThreshold(u32 iBody) override;
  void bodySetMaxAngularSpeed(u32 iBody, f32 fMaxSpeed) override;
  f32 bodyGetMaxAngularSpeed(u32 iBody) override;
  void bodySetAutoDisableFlag(u32 iBody, int iFlag) override;
  int bodyGetAutoDisableFlag(u32 iBody) override;
  void bodySetLinearAutoDisableThreshold(u32 iBody, f32 fThreshold) override;
  f32 bodyGetLinearAutoDisableThreshold(u32 iBody) override;
  void bodySetAngularAutoDisableThreshold(u32 iBody, f32 fThreshold) override;
  f32 bodyGetAngularAutoDisableThreshold(u32 iBody) override;
  void bodySetAutoDisableSteps(u32 iBody, int iSteps) override;
  int bodyGetAutoDisableSteps(u32 iBody) override;
  void bodySetAutoDisableTime(u32 iBody, f32 fTime) override;
  f32 bodyGetAutoDisableTime(u32 iBody) override;
  void bodySetFiniteRotationMode(u32 iBody, bool bFlag) override;
  bool bodyGetFiniteRotationMode(u32 iBody) override;
  void bodySetFiniteRotationAxis(u32 iBody, core::vector3df cAxis) override;
  core::vector3df bodyGetFiniteRotationAxis(u32 iBody) override;
  void bodySetGravityMode(u32 iBody, int iMode) override;
  int bodyGetGravityMode(u32 iBody) override;
  CRurIvaGeom* bodyGetFirstGeom(u32 iBody) override;
  CRurIvaGeom* bodyGetNextGeom(CRurIvaGeom* pGeom) override;
  bool bodyIsEnabled(u32 iBody) override;
  void bodyAddForce(u32 iBody, core::vector3df cForce) override;
  void bodyAddForceAtPosition(u32 iBody, core::vector3df cForce, core::vector3df cPosition) override;
  void bodyAddTorque(u32 iBody, core::vector3df cTorque) override;
  void bodySetTorque(u32 iBody, core::vector3df cTorque) override;
  void bodyEnable(u32 iBody) override;
  void bodyDisable(u32 iBody) override;
  void bodySetLinearVelocity(u32 iBody, core::vector3df cVel) override;
  core::vector3df bodyGetLinearVelocity(u32 iBody) override;
  void bodySetAngularVelocity(u32 iBody, core::vector3df cVel) override;
  core::vector3df bodyGetAngularVelocity(u32 iBody) override;
  core::vector3df bodyGetPointVel(u32 iBody, core::vector3df cPoint) override;
  core::vector3df bodyGetRelPointVel(u32 iBody, core::vector3df cPoint) override;
  core::vector3df bodyGetRelPointPos(u32 iBody, core::vector3df cPoint) override;
  core::vector3df bodyGetPosRelPoint(u32 iBody, core::vector3df cPoint) override;
  core::vector3df bodyVectorFromWorld(u32 iBody, core::vector3df cVec) override;
  void bodySetMass(u32 iBody, u32 iMass) override;

  void geomSetBody(u32 iGeom, CRurIvaBody* pBody) override;
  void geomDestroy(u32 iGeom) override;
  void geomSetOffsetPosition(u32 iGeom, core::vector3df cPos) override;
  void geomSetOffsetQuaternion(u32 iGeom, core::vector3df cRot) override;
  void geomSetPosition(u32 iGeom, core::vector3df cPos) override;
  void geomSetRotation(u32 iGeom, core::vector3df cRot) override;
  void geomSetData(u32 iGeom, void* pData) override;
  void geomNodeGone(void* pNode) override;
  void geomRaySetData(u32 iGeom, core::vector3df cPos, core::vector3df cDir, f32 fLength) override;
  void geomSetBackfaceCull(u32 iGeom, bool bCull) override;
  u32 geomCreateBox(u32 iSpace, f32 fLx, f32 fLy, f32 fLz) override;
  u32 geomCreateCapsule(u32 iSpace, f32 fRadius, f32 fLength) override;
  u32 geomCreateCylinder(u32 iSpace, f32 fRadius, f32 fLength) override;
  u32 geomCreateHeightfield(u32 iSpace, u32 iData) override;
  u32 geomCreatePlane(u32 iSpace, f32 fA, f32 fB, f32 fC, f32 fD) override;
  u32 geomCreateRay(u32 iSpace, f32 fLength) override;
  u32 geomCreateSphere(u32 iSpace, f32 fRadius) override;
  u32 geomCreateTrimesh(u32 iSpace, u32 iData) override;
  u32 geomHeightfieldDataCreate() override;
  void geomHeightfieldSetBounds(u32 iData, f32 fMin, f32 fMax) override;
  void geomHeightfieldDataCallback(u32 iData, void* pUserData, void* pCallback, f32 fWidth, f32 fDepth,
                                   int iWidthSamples, int iDepthSamples, f32 fScale, f32 fOffset,
                                   f32 fThickness, int iWrap) override;
  u32 geomTrimeshDataCreate() override;
  void geomTrimeshDataBuildSimple(u32 iData, scene::ISceneNode* pNode) override;
  void geomTrimeshDataBuildFromMeshBuffer(u32 iData, scene::ISceneNode* pNode, u32 iBuffer) override;

  u32 massCreate() override;
  void massAdd(u32 iMassA, u32 iMassB) override;
  void massSetZero(u32 iMass) override;
  void massSetParameters(u32 iMass, f32 fMass, core::vector3df cCenter, core::vector3df cInertia1,
                         core::vector3df cInertia2) override;
  void massTranslate(u32 iMass, core::vector3df cPos) override;
  void massSetBoxTotal(u32 iMass, f32 fMass, f32 fLx, f32 fLy, f32 fLz) override;
  void massSetCapsuleTotal(u32 iMass, f32 fMass, int iDirection, f32 fRadius, f32 fLength) override;
  void massSetCylinderTotal(u32 iMass, f32 fMass, int iDirection, f32 fRadius, f32 fLength) override;
  void massSetSphereTotal(u32 iMass, f32 fMass, f32 fRadius) override;

  u32 spaceCreateSimple(u32 iParent) override;
  u32 spaceCreateHash(u32 iParent) override;
  u32 spaceCreateQuadTree(u32 iParent, core::vector3df cCenter, core::vector3df cExtents,
                          int iDepth) override;
  void spaceDestroy(u32 iSpace) override;
  u32 jointGroupCreate(int iMaxSize) override;
  void jointGroupDestroy(u32 iGroup) override;
  void jointGroupEmtpy(u32 iGroup) override;
  void trimeshDrawDebug(u32 iData, video::IVideoDriver* pDriver) override;
  void geomGetDebugLines(u32 iGeom, const core::vector3df& cNear,
                         core::array<core::line3df>& aLines) override;
  void jointSetHinge2Axes(u32 iJoint, core::vector3df cAxis1, core::vector3df cAxis2) override;

  // Registry lookups: the object of a record, or null for an invalid handle.
  dWorldID getWorldId(u32 iHandle) const;
  dBodyID getBodyId(u32 iHandle) const;
  dGeomID getGeomId(u32 iHandle) const;
  dJointGroupID getJGroupId(u32 iHandle) const;
  dSpaceID getSpaceId(u32 iHandle) const;
  dJointID getJointId(u32 iHandle) const;
  //! The record at position n of the registry (handle n + 1 before the first restart), or null.
  COdeDataWrapper* getData(u32 n) const;
  u32 getRecordCount() const;
  //! The handle of a live geometry, or 0.
  u32 getHandleOfGeom(dGeomID pGeom) const;

  //! The library's joint parameter number for a layer parameter on an axis, or -1.
  static int convertToOdeJointParam(u16 iAxis, const int& iParameter);
  void handleFastCollisions();
  //! Empties the world's contact group of the contacts handleFastCollisions made in it.
  void dropFastContacts(CRurIvaWorld* pWorld);
  void rayCollide(CRurIvaWorld*) {}

  static void convertToSurfaceParameters(dSurfaceParameters* pOut, CRurIvaSurfaceParameters* pIn);
  static void nearCollisionCallback(void* pData, dGeomID o1, dGeomID o2);
  static void handleRayEvent(dGeomID pRay, dGeomID pOther);
  static void bodyMovedCallback(dBodyID pBody);
  static void quaternionToEuler(const f32* q, core::vector3df& cEuler);
  static void eulerToQuaternion(core::vector3df cEuler, f32* q);

  bool isInitialized() const { return m_bInitialized; }
  s32 getStepCounter() const { return m_iStepCounter; }

  //! The triangle data of a record as the library sees it (4 floats per vertex, 3 indices per
  //! triangle); 0 and null for anything but built triangle data.
  u32 getTrimeshVertexCount(u32 iData) const;
  u32 getTrimeshIndexCount(u32 iData) const;
  const f32* getTrimeshVertices(u32 iData) const;
  const s32* getTrimeshIndices(u32 iData) const;
  //! A body's centre of mass in its node's frame, where the library body sits; 0 if invalid.
  core::vector3df getBodyCenterOfMass(u32 iBody) const;

  //! A body's state as the dynamics library holds it, in full precision.
  struct SBodyState {
    f64 aPosition[3];    //!< of the centre of mass, where the library body sits
    f64 aQuaternion[4];  //!< w, x, y, z
    f64 aLinearVelocity[3];
    f64 aAngularVelocity[3];
  };
  //! Fills cState for a live body; false, and all zeros, for an invalid handle.
  bool bodyGetState(u32 iBody, SBodyState& cState) const;

  //! Records a hit of a fast body's ray, handled after the step; and the number waiting.
  static void addFastCollision(CRurIvaBody* pBody, CRurIvaGeom* pGeom, core::vector3df cPos,
                               dGeomID pHit = 0);
  static u32 getFastCollisionCount();

 private:
  CRurIvaDevice(const CRurIvaDevice&) = delete;
  CRurIvaDevice& operator=(const CRurIvaDevice&) = delete;

  void stepWorld(f32 fTime, CRurIvaWorld* pWorld, bool bQuick);
  u32 addRecord(COdeDataWrapper* pRecord);
  //! Destroys what the records still hold and discards them; their handles name nothing again.
  //! The time the simulation ran ahead of the clock goes with them.
  void discardRecords();
  void destroyLibraryObjects();
  //! The record of a handle; null for 0 and the handles from before the last restart.
  COdeDataWrapper* record(u32 iHandle) const {
    if (iHandle <= m_iRetiredHandles) return 0;
    const u32 i = iHandle - m_iRetiredHandles - 1;
    return i < m_aRecords.size() ? m_aRecords[i] : 0;
  }
  //! The handle of the record at position i of the registry.
  u32 handleAt(u32 i) const { return m_iRetiredHandles + i + 1; }
  //! The record of a handle when it holds a live object of the given kind, or null.
  COdeDataWrapper* live(u32 iHandle, u32 iKind) const;
  //! A live joint of one joint type (the library aborts on a call for another type), or null.
  dJointID jointOfType(u32 iJoint, int iType) const;
  //! A live joint of one type that is attached to at least one body, or null.
  dJointID attachedJointOfType(u32 iJoint, int iType) const;
  //! Builds the triangle data of a record from all buffers of a node's mesh, or from one.
  void buildTrimeshData(u32 iData, scene::ISceneNode* pNode, bool bOneBuffer, u32 iBuffer);
  //! Makes the bodies and joints of a world that the library destroys with it invalid; the
  //! nodes of their bodies' geometries are added to aNodes.
  void forgetObjectsOfWorld(u32 iWorld, std::vector<CRurIvaGeom*>& aNodes);
  //! Takes the geometries of a body without a usable position out of collision, and back.
  void updateParking(COdeDataWrapper* pRecord, u32 iBody);
  //! A body point's velocity; cLast keeps the answer for an invalid handle.
  core::vector3df relPointVel(u32 iBody, const core::vector3df& cPoint, core::vector3df& cLast);
  //! Checks the bodies placed by hand since the last step (moved bodies are checked as they move).
  void parkPlacedBodies();
  //! Disables the joints of m_aRedundantJoints in world w whose rows' mixing force (see
  //! jointRowMixing) cannot tell them from the other joint of their bodies at this step size, one
  //! line each.
  void letGoOfWeakRedundantJoints(dWorldID w);
  //! Disables the sliding joints of world w whose bodies slid too far apart, or too far from the
  //! anchor, for the solver (see jointSpanTooLong), one line each.
  void letGoOfOverreachingJoints(dWorldID w);
  //! Adds to m_aRedundantJoints the joints of body b's island that close a loop and are not on
  //! it yet (after b was given a mass or a joint, which can close loops for other joints).
  void listJointsClosingLoops(dBodyID b);
  //! Calls fLook(handle, joint) for each enabled joint of aJoints in world w; the handles of
  //! destroyed joints are dropped from the list.
  template <class TLook>
  void lookAtJoints(std::vector<u32>& aJoints, dWorldID w, TLook fLook);
  //! Takes g off m_aFastContactGroups; true if it was there.
  bool forgetFastContactGroup(dJointGroupID g);
  //! Stops a body whose simulation has blown up before it is stepped again; true if it did.
  bool stopIfBlown(COdeDataWrapper* r, u32 iBody);
  //! Disables every joint but contacts of a body that is stopped or out of reach.
  static void letGoOfJoints(dBodyID b);
  //! Collides the inside of every space nested below a world's top space, once per step.
  void collideNestedSpaces(CRurIvaWorld* pWorld, dSpaceID pTop);
  //! Takes nested spaces with nothing within reach out of their parents' collision (see there).
  void parkFarSpaces();
  //! Ends a collision pass; after the outermost one what waited for it is done.
  void endCollisionPass();
  //! During a collision pass keeps fCall for its end and answers true; otherwise false.
  template <class TCall>
  bool afterPass(TCall&& fCall) {
    if (m_iCollisionPasses == 0) return false;
    m_aAfterPass.emplace_back(std::forward<TCall>(fCall));
    return true;
  }
  //! During a collision pass: the geometry, or one of the body's geometries, is in a space.
  bool lockedGeom(u32 iGeom) const;
  bool lockedBody(u32 iBody) const;
  //! Keeps the axes of a hinge-2 about to be detached from its bodies in its record.
  void rememberHinge2Axes(dJointID j);
  //! lockedGeom, or a geometry of a body any of whose geometries is in a space: placing or
  //! turning the one places or turns the body with all of them.
  bool lockedPlacement(u32 iGeom) const;
  //! Puts a geometry or space made during a collision pass into its space (if both still exist).
  void joinSpace(u32 iObject, u32 iSpace);
  //! geomSetBody by handle: a body node may go before a collision pass is over.
  void attachGeom(u32 iGeom, bool bDetach, u32 iBody);
  //! Makes the library take the new bounds of the triangle meshes built from a data record.
  void reseatTrimeshes(u32 iData);
  //! Marks the nodes of body b's geometries that may reach farther from it than its mass can be
  //! turned from (their contacts are looked at one by one), and unmarks the others.
  void reviewContactLevers(dBodyID b);
  //! Tells geometry node p the body its geometries are on, if they are on one (the collision of a
  //! pair reads it there); forgetNodeGeom first takes library geometry g off p's list.
  void noteNodeBody(CRurIvaGeom* p);
  void forgetNodeGeom(CRurIvaGeom* p, dGeomID g);
  //! Takes a geometry of no size out of every pair a space makes.
  void keepOutOfCollision(u32 iGeom);
  //! The record of a body the library reports moved (found through its node's handle), or null.
  COdeDataWrapper* movedRecord(dBodyID pBody, CRurIvaBody* pNode, u32& iHandle) const;
  // Stepping on threads (CRurIvaDeviceStep.cpp): the pool is made when a world first steps with
  // more than one thread, and released when the number changes and before the records go.
  bool prepareStepThreads(COdeDataWrapper* pWorld);
  void releaseStepThreads();
  //! Collects the bodies the library moves during its step, and then reports them to the scene.
  void beginMoves(bool bThreaded);
  void reportMoves();

  // The operations that pass one value to or from one library call share these: each looks
  // the handle up and does nothing, or answers 0, for an invalid one. The library's own
  // setters and getters are passed in; each helper is defined in the source that uses it.
  template <class TArg, class TValue>
  void worldSet(u32 iWorld, TValue v, void (*fSet)(dWorldID, TArg));
  template <class TResult>
  TResult worldGet(u32 iWorld, TResult (*fGet)(dWorldID));
  template <class TArg, class TValue>
  void bodySet(u32 iBody, TValue v, void (*fSet)(dBodyID, TArg));
  //! Also answers 0 while the device is not initialised.
  template <class TResult>
  TResult bodyGet(u32 iBody, TResult (*fGet)(dBodyID));

  u32 createJoint(u32 iWorld, dJointID (*fCreate)(dWorldID, dJointGroupID));
  // Joint families: a setter needs a live joint of its type; a reader of pose or motion also
  // needs the joint attached to a body; parameter readers need a live joint of the type.
  template <class TReal>
  void jointSetVec(u32 iJoint, int iType, const core::vector3df& v,
                   void (*fSet)(dJointID, TReal, TReal, TReal));
  //! An axis setter; sName names the operation in the line about an axis without direction.
  template <class TReal>
  void jointSetAxis(u32 iJoint, int iType, const core::vector3df& v,
                    void (*fSet)(dJointID, TReal, TReal, TReal), const c8* sName);
  template <class TReal>
  core::vector3df jointVec(u32 iJoint, int iType, void (*fGet)(dJointID, TReal*));
  template <class TReal>
  f32 jointReal(u32 iJoint, int iType, TReal (*fGet)(dJointID));
  template <class TReal>
  void jointSetParam(u32 iJoint, int iType, u16 iAxis, int iParam, f32 fValue,
                     void (*fSet)(dJointID, int, TReal));
  template <class TReal>
  f32 jointGetParam(u32 iJoint, int iType, u16 iAxis, int iParam, TReal (*fGet)(dJointID, int));

  //! A geometry or space goes into a live space, or into none for handle 0.
  bool isSpaceOrNone(u32 iSpace) const;
  //! Registers the geometry that fCreate(space) makes once the library is up.
  template <class TCreate>
  u32 createGeom(u32 iSpace, TCreate fCreate);
  //! Registers the space that fCreate(parent space) makes once the library is up.
  template <class TCreate>
  u32 createSpace(u32 iParent, TCreate fCreate);

  core::array<COdeDataWrapper*> m_aRecords;
  /**
   * Handles given out before the registry was last discarded. Numbering goes on after them:
   * a handle a node kept from before a restart names nothing, never an object made after it.
   */
  u32 m_iRetiredHandles;
  IRurIvaContactParameters* m_pContactCalculator;
  bool m_bInitialized;
  f32 m_fStepSize;
  f32 m_fTimeAccumulator;
  s32 m_iStepCounter;
  //! The step limit per call (0: none) and the time it has dropped.
  u32 m_iMaxSteps;
  f64 m_fDroppedTime;
  //! Live geometries by their library object, so contacts find their handle directly.
  std::unordered_map<dGeomID, u32> m_mGeomHandles;
  //! Live bodies by their library object (offsets and the moved callback need the record).
  std::unordered_map<dBodyID, u32> m_mBodyHandles;
  //! The live geometries carrying each geometry node (see noteNodeBody).
  std::unordered_map<CRurIvaGeom*, std::vector<dGeomID>> m_mNodeGeoms;
  /**
   * The activation token changes with every step and with every call that may disable or destroy
   * a body (disabling it, destroying it or its world, giving it another node, discarding the
   * records). The bodies a step moves are marked with that step's token (m_iMovesToken): while
   * the token is still the same after the step, they are enabled, and their worlds need not ask.
   */
  u64 m_iActivationToken = 1;
  u64 m_iMovesToken = 0;
  //! Conditions that may recur every frame are reported once per device.
  bool m_bMasslessReported;
  bool m_bStepReported;
  //! Contacts without a direction were left out (said once).
  bool m_bBrokenContactsReported = false;
  //! The library's last step failed for want of memory (said when the steps start failing).
  bool m_bStepFailed = false;
  //! Bodies placed by hand since the last step, to be checked before the next collision.
  std::vector<u32> m_aPlacedBodies;
  //! Joints attached to bodies another joint already joined, looked at before every step of the
  //! big-matrix solver (see letGoOfWeakRedundantJoints).
  std::vector<u32> m_aRedundantJoints;
  //! The joints with a sliding axis (slider, PR, PU, piston), looked at before every step (see
  //! letGoOfOverreachingJoints).
  std::vector<u32> m_aSlidingJoints;
  //! The smallest moment of inertia any body was given since the library started (the library's
  //! default mass has moments of 1): a sliding joint's reach is weighed against its island only
  //! where it could outweigh this (see slidBeyondItsIsland).
  f64 m_fLightestMoment = 1;
  //! Spaces created inside another space; their insides are collided one by one.
  core::array<u32> m_aNestedSpaces;
  //! Contact groups holding the contacts of fast bodies collided where their rays hit, after a
  //! step (see handleFastCollisions).
  std::vector<dJointGroupID> m_aFastContactGroups;
  //! Collision passes running. The library locks a space while it collides it and aborts when a
  //! geometry joins, leaves, moves into or is taken off a body in it; what a ray-hit listener or a
  //! contact calculator asks for meanwhile is done when the pass is over, in the order asked.
  u32 m_iCollisionPasses = 0;
  std::vector<std::function<void()>> m_aAfterPass;
  //! Pairs the geometries of hash spaces without allocating in every pass.
  CRurIvaBroadPhase m_cBroadPhase;
  //! The calls that waited for a pass are being made (the pass's contacts exist).
  bool m_bFinishingPass = false;
  // The position readers answer their last value for handle 0.
  core::vector3df m_aLastPosition[7];
  //! Threads the worlds' islands are stepped on (0 or 1: the stepping thread alone).
  u32 m_iStepThreads = 0;
  dThreadingImplementationID m_pThreading = 0;
  dThreadingThreadPoolID m_pThreadPool = 0;
  std::unique_ptr<SMovedBodies> m_pMoved;
};

}  // namespace ode
}  // namespace irr

#endif
