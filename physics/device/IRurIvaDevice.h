#ifndef I_RUR_IVA_DEVICE_H
#define I_RUR_IVA_DEVICE_H

#include <irrlicht.h>

namespace irr {
namespace ode {

class CRurIvaWorld;
class CRurIvaBody;
class CRurIvaGeom;
class IRurIvaContactParameters;

/**
 * The one door into the dynamics library. Scene nodes never hold dynamics objects: every
 * create operation returns a handle (position in the device's registry plus one; 0 means "no
 * object"; all kinds share one numbering) and every other operation takes it back.
 *
 * A handle that is 0, out of range, of another kind or already destroyed makes an operation do
 * nothing and answer 0 (the body position readers answer the value they returned last).
 * Rotations are Euler angles in degrees, the scene graph's convention.
 */
class IRurIvaDevice {
 public:
  virtual ~IRurIvaDevice() = default;

  // Life cycle and settings
  virtual void initODE() = 0;
  //! Both discard every dynamics object (closeODE also shuts the library down) and the time the
  //! simulation ran ahead of the clock: a simulation started again steps as the first one did.
  virtual void closeODE() = 0;
  virtual void clearODE() = 0;
  virtual void setContactCalculator(IRurIvaContactParameters* pCalculator) = 0;
  virtual IRurIvaContactParameters* getContactCalculator() = 0;
  virtual void setStepSize(f32 fStepSize) = 0;
  virtual f32 getStepSize() = 0;
  virtual void step(f32 fTime, CRurIvaWorld* pWorld) = 0;
  virtual void quickStep(f32 fTime, CRurIvaWorld* pWorld) = 0;
  //! The most threads a world steps on.
  static constexpr u32 kMaxStepThreads = 64;
  /**
   * Steps the islands of every world on a pool of iThreads threads (0 or 1: on the calling
   * thread alone, the default). The pool is made at the next step and released by closeODE,
   * clearODE or another number; the number itself is kept. Collision, the layer's callbacks and
   * every event stay on the calling thread, and the simulation gives the same results. A number
   * above kMaxStepThreads is cut to it, with one line.
   */
  virtual void setStepThreads(u32 iThreads) = 0;
  virtual u32 getStepThreads() = 0;
  //! Elapsed time not yet simulated, in seconds. After a step call it is zero or below: the
  //! simulation runs ahead of the elapsed time by up to one step.
  virtual f32 getTimeAccumulator() const = 0;
  //! At most this many fixed steps per step or quickStep call; the elapsed time beyond them is
  //! dropped (counted in getDroppedTime). 0, the default, sets no limit.
  virtual void setMaxSteps(u32 iMaxSteps) = 0;
  virtual u32 getMaxSteps() const = 0;
  //! Seconds of elapsed time the step limit has dropped since the device was made.
  virtual f64 getDroppedTime() const = 0;

  // World
  virtual void worldDestroy(u32 iWorld) = 0;
  virtual u32 worldCreate() = 0;
  virtual void worldSetLinearDamping(u32 iWorld, f32 fScale) = 0;
  virtual f32 worldGetLinearDamping(u32 iWorld) = 0;
  virtual void worldSetAngularDamping(u32 iWorld, f32 fScale) = 0;
  virtual f32 worldGetAngularDamping(u32 iWorld) = 0;
  virtual void worldSetLinearDampingThreshold(u32 iWorld, f32 fThreshold) = 0;
  virtual f32 worldGetLinearDampingThreshold(u32 iWorld) = 0;
  virtual void worldSetAngularDampingThreshold(u32 iWorld, f32 fThreshold) = 0;
  virtual f32 worldGetAngularDampingThreshold(u32 iWorld) = 0;
  virtual void worldSetMaxAngularSpeed(u32 iWorld, f32 fMaxSpeed) = 0;
  virtual f32 worldGetMaxAngularSpeed(u32 iWorld) = 0;
  virtual void worldSetAutoDisableFlag(u32 iWorld, int iFlag) = 0;
  virtual int worldGetAutoDisableFlag(u32 iWorld) = 0;
  virtual void worldSetAutoDisableLinearThreshold(u32 iWorld, f32 fThreshold) = 0;
  virtual f32 worldGetAutoDisableLinearThreshold(u32 iWorld) = 0;
  virtual void worldSetAutoDisableAngularThreshold(u32 iWorld, f32 fThreshold) = 0;
  virtual f32 worldGetAutoDisableAngularThreshold(u32 iWorld) = 0;
  virtual void worldSetAutoDisableSteps(u32 iWorld, int iSteps) = 0;
  virtual int worldGetAutoDisableSteps(u32 iWorld) = 0;
  virtual void worldSetAutoDisableTime(u32 iWorld, f32 fTime) = 0;
  virtual f32 worldGetAutoDisableTime(u32 iWorld) = 0;
  virtual void worldSetQuickStepNumIterations(u32 iWorld, int iNum) = 0;
  virtual int worldGetQuickStepNumIterations(u32 iWorld) = 0;
  virtual void worldSetQuickStepW(u32 iWorld, f32 fW) = 0;
  virtual f32 worldGetQuickStepW(u32 iWorld) = 0;
  virtual void worldSetGravity(u32 iWorld, core::vector3df cGravity) = 0;
  virtual void worldSetERP(u32 iWorld, f32 fErp) = 0;
  virtual f32 worldGetERP(u32 iWorld) = 0;
  virtual void worldSetCFM(u32 iWorld, f32 fCfm) = 0;
  virtual f32 worldGetCFM(u32 iWorld) = 0;

  // Joints
  virtual void jointAttach(u32 iJoint, CRurIvaBody* pBody1, CRurIvaBody* pBody2) = 0;
  virtual void jointSetData(u32 iJoint, void* pData) = 0;
  virtual void jointDestroy(u32 iJoint) = 0;
  virtual u32 jointCreateBallSocket(u32 iWorld) = 0;
  virtual u32 jointCreateFixed(u32 iWorld) = 0;
  virtual u32 jointCreateHinge(u32 iWorld) = 0;
  virtual u32 jointCreateHinge2(u32 iWorld) = 0;
  virtual u32 jointCreatePiston(u32 iWorld) = 0;
  virtual u32 jointCreateSlider(u32 iWorld) = 0;
  virtual u32 jointCreateUniversal(u32 iWorld) = 0;
  virtual u32 jointCreatePR(u32 iWorld) = 0;

  virtual void jointSetBallAnchor(u32 iJoint, core::vector3df cAnchor) = 0;
  virtual core::vector3df jointGetBallAnchor(u32 iJoint) = 0;
  virtual core::vector3df jointGetBallAnchor2(u32 iJoint) = 0;

  virtual void jointSetFixed(u32 iJoint) = 0;

  virtual void jointSetHingeAnchor(u32 iJoint, core::vector3df cAnchor) = 0;
  virtual void jointSetHingeAxis(u32 iJoint, core::vector3df cAxis) = 0;
  virtual core::vector3df jointGetHingeAxis(u32 iJoint) = 0;
  virtual core::vector3df jointGetHingeAnchor1(u32 iJoint) = 0;
  virtual core::vector3df jointGetHingeAnchor2(u32 iJoint) = 0;
  virtual f32 jointGetHingeAngle(u32 iJoint) = 0;
  virtual f32 jointGetHingeAngleRate(u32 iJoint) = 0;
  virtual void jointSetHingeParam(u32 iJoint, int iParam, f32 fValue) = 0;
  virtual f32 jointGetHingeParam(u32 iJoint, int iParam) = 0;

  virtual void jointSetHinge2Anchor(u32 iJoint, core::vector3df cAnchor) = 0;
  virtual void jointSetHinge2Axis1(u32 iJoint, core::vector3df cAxis) = 0;
  virtual void jointSetHinge2Axis2(u32 iJoint, core::vector3df cAxis) = 0;
  virtual core::vector3df jointGetHinge2Axis1(u32 iJoint) = 0;
  virtual core::vector3df jointGetHinge2Axis2(u32 iJoint) = 0;
  virtual core::vector3df jointGetHinge2Anchor(u32 iJoint) = 0;
  virtual core::vector3df jointGetHinge2Anchor2(u32 iJoint) = 0;
  virtual f32 jointGetHinge2Angle1(u32 iJoint) = 0;
  virtual f32 jointGetHinge2Angle1Rate(u32 iJoint) = 0;
  virtual f32 jointGetHinge2Angle2Rate(u32 iJoint) = 0;
  virtual void jointSetHinge2Param(u32 iJoint, u32 iAxis, int iParam, f32 fValue) = 0;
  virtual f32 jointGetHinge2Param(u32 iJoint, u32 iAxis, int iParam) = 0;

  virtual void jointSetPistonAnchor(u32 iJoint, core::vector3df cAnchor) = 0;
  virtual void jointSetPistonAxis(u32 iJoint, core::vector3df cAxis) = 0;
  virtual f32 jointGetPistonPosition(u32 iJoint) = 0;
  virtual f32 jointGetPistonPositionRate(u32 iJoint) = 0;
  virtual core::vector3df jointGetPistonAnchor(u32 iJoint) = 0;
  virtual core::vector3df jointGetPistonAxis(u32 iJoint) = 0;
  virtual void jointSetPistonParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) = 0;
  virtual f32 jointGetPistonParam(u32 iJoint, u32 iAxis, int iParam) = 0;

  virtual void jointSetSliderAxis(u32 iJoint, core::vector3df cAxis) = 0;
  virtual core::vector3df jointGetSliderAxis(u32 iJoint) = 0;
  virtual f32 jointGetSliderPosition(u32 iJoint) = 0;
  virtual f32 jointGetSliderPositionRate(u32 iJoint) = 0;
  virtual void jointSetSliderParam(u32 iJoint, int iParam, f32 fValue) = 0;
  virtual f32 jointGetSliderParam(u32 iJoint, int iParam) = 0;

  virtual void jointSetUniversalAnchor(u32 iJoint, core::vector3df cAnchor) = 0;
  virtual void jointSetUniversalAxis1(u32 iJoint, core::vector3df cAxis) = 0;
  virtual void jointSetUniversalAxis2(u32 iJoint, core::vector3df cAxis) = 0;
  virtual core::vector3df jointGetUniversalAnchor(u32 iJoint) = 0;
  virtual core::vector3df jointGetUniversalAnchor2(u32 iJoint) = 0;
  virtual core::vector3df jointGetUniversalAxis1(u32 iJoint) = 0;
  virtual core::vector3df jointGetUniversalAxis2(u32 iJoint) = 0;
  virtual f32 jointGetUniversalAngle1(u32 iJoint) = 0;
  virtual f32 jointGetUniversalAngle2(u32 iJoint) = 0;
  virtual f32 jointGetUniversalAngle1Rate(u32 iJoint) = 0;
  virtual f32 jointGetUniversalAngle2Rate(u32 iJoint) = 0;
  virtual void jointSetUniversalParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) = 0;
  virtual f32 jointGetUniversalParam(u32 iJoint, u32 iAxis, int iParam) = 0;

  virtual void jointSetPrAxis1(u32 iJoint, core::vector3df cAxis) = 0;
  virtual void jointSetPrAxis2(u32 iJoint, core::vector3df cAxis) = 0;
  virtual void jointSetPrAnchor(u32 iJoint, core::vector3df cAnchor) = 0;
  virtual core::vector3df jointGetPrAxis1(u32 iJoint) = 0;
  virtual core::vector3df jointGetPrAxis2(u32 iJoint) = 0;
  virtual core::vector3df jointGetPrAnchor(u32 iJoint) = 0;
  virtual f32 jointGetPrPosition(u32 iJoint) = 0;
  virtual f32 jointGetPrAngle(u32 iJoint) = 0;
  virtual f32 jointGetPrAngleRate(u32 iJoint) = 0;
  //! Axis 0 is the prismatic (sliding) axis, axis 1 the rotoide (turning) one.
  virtual void jointSetPrParam(u32 iJoint, u32 iAxis, int iParam, f32 fValue) = 0;
  virtual f32 jointGetPrParam(u32 iJoint, u32 iAxis, int iParam) = 0;

  // Bodies
  virtual u32 bodyCreate(u32 iWorld) = 0;
  virtual void bodyDestroy(u32 iBody) = 0;
  virtual void bodySetPosition(u32 iBody, core::vector3df cPos) = 0;
  virtual core::vector3df bodyGetPosition(u32 iBody) = 0;
  virtual core::vector3df bodyGetRotation(u32 iBody) = 0;
  virtual void bodySetQuaternion(u32 iBody, core::quaternion cQuat) = 0;
  virtual void bodySetRotation(u32 iBody, core::vector3df cRot) = 0;
  virtual void bodySetData(u32 iBody, void* pData) = 0;
  virtual void bodySetLinearDamping(u32 iBody, f32 fScale) = 0;
  virtual f32 bodyGetLinearDamping(u32 iBody) = 0;
  virtual void bodySetAngularDamping(u32 iBody, f32 fScale) = 0;
  virtual f32 bodyGetAngularDamping(u32 iBody) = 0;
  virtual void bodySetLinearDampingThreshold(u32 iBody, f32 fThreshold) = 0;
  virtual f32 bodyGetLinearDampingThreshold(u32 iBody) = 0;
  virtual void bodySetAngularDampingThreshold(u32 iBody, f32 fThreshold) = 0;
  virtual f32 bodyGetAngularDampingThreshold(u32 iBody) = 0;
  virtual void bodySetMaxAngularSpeed(u32 iBody, f32 fMaxSpeed) = 0;
  virtual f32 bodyGetMaxAngularSpeed(u32 iBody) = 0;
  virtual void bodySetAutoDisableFlag(u32 iBody, int iFlag) = 0;
  virtual int bodyGetAutoDisableFlag(u32 iBody) = 0;
  virtual void bodySetLinearAutoDisableThreshold(u32 iBody, f32 fThreshold) = 0;
  virtual f32 bodyGetLinearAutoDisableThreshold(u32 iBody) = 0;
  virtual void bodySetAngularAutoDisableThreshold(u32 iBody, f32 fThreshold) = 0;
  virtual f32 bodyGetAngularAutoDisableThreshold(u32 iBody) = 0;
  virtual void bodySetAutoDisableSteps(u32 iBody, int iSteps) = 0;
  virtual int bodyGetAutoDisableSteps(u32 iBody) = 0;
  virtual void bodySetAutoDisableTime(u32 iBody, f32 fTime) = 0;
  virtual f32 bodyGetAutoDisableTime(u32 iBody) = 0;
  virtual void bodySetFiniteRotationMode(u32 iBody, bool bFlag) = 0;
  virtual bool bodyGetFiniteRotationMode(u32 iBody) = 0;
  virtual void bodySetFiniteRotationAxis(u32 iBody, core::vector3df cAxis) = 0;
  virtual core::vector3df bodyGetFiniteRotationAxis(u32 iBody) = 0;
  virtual void bodySetGravityMode(u32 iBody, int iMode) = 0;
  virtual int bodyGetGravityMode(u32 iBody) = 0;
  virtual CRurIvaGeom* bodyGetFirstGeom(u32 iBody) = 0;
  virtual CRurIvaGeom* bodyGetNextGeom(CRurIvaGeom* pGeom) = 0;
  virtual bool bodyIsEnabled(u32 iBody) = 0;
  virtual void bodyAddForce(u32 iBody, core::vector3df cForce) = 0;
  virtual void bodyAddForceAtPosition(u32 iBody, core::vector3df cForce, core::vector3df cPosition) = 0;
  virtual void bodyAddTorque(u32 iBody, core::vector3df cTorque) = 0;
  virtual void bodySetTorque(u32 iBody, core::vector3df cTorque) = 0;
  virtual void bodyEnable(u32 iBody) = 0;
  virtual void bodyDisable(u32 iBody) = 0;
  virtual void bodySetLinearVelocity(u32 iBody, core::vector3df cVel) = 0;
  virtual core::vector3df bodyGetLinearVelocity(u32 iBody) = 0;
  virtual void bodySetAngularVelocity(u32 iBody, core::vector3df cVel) = 0;
  virtual core::vector3df bodyGetAngularVelocity(u32 iBody) = 0;
  virtual core::vector3df bodyGetPointVel(u32 iBody, core::vector3df cPoint) = 0;
  virtual core::vector3df bodyGetRelPointVel(u32 iBody, core::vector3df cPoint) = 0;
  virtual core::vector3df bodyGetRelPointPos(u32 iBody, core::vector3df cPoint) = 0;
  virtual core::vector3df bodyGetPosRelPoint(u32 iBody, core::vector3df cPoint) = 0;
  virtual core::vector3df bodyVectorFromWorld(u32 iBody, core::vector3df cVec) = 0;
  virtual void bodySetMass(u32 iBody, u32 iMass) = 0;

  // Geometries
  virtual void geomSetBody(u32 iGeom, CRurIvaBody* pBody) = 0;
  virtual void geomDestroy(u32 iGeom) = 0;
  virtual void geomSetOffsetPosition(u32 iGeom, core::vector3df cPos) = 0;
  virtual void geomSetOffsetQuaternion(u32 iGeom, core::vector3df cRot) = 0;
  virtual void geomSetPosition(u32 iGeom, core::vector3df cPos) = 0;
  virtual void geomSetRotation(u32 iGeom, core::vector3df cRot) = 0;
  virtual void geomSetData(u32 iGeom, void* pData) = 0;
  //! A geometry node going away says so first: the geometries still carrying it as their data
  //! carry nothing from then on (and collide with nothing) instead of leading to a node that is gone.
  virtual void geomNodeGone(void* pNode) = 0;
  virtual void geomRaySetData(u32 iGeom, core::vector3df cPos, core::vector3df cDir, f32 fLength) = 0;
  virtual void geomSetBackfaceCull(u32 iGeom, bool bCull) = 0;
  virtual u32 geomCreateBox(u32 iSpace, f32 fLx, f32 fLy, f32 fLz) = 0;
  virtual u32 geomCreateCapsule(u32 iSpace, f32 fRadius, f32 fLength) = 0;
  virtual u32 geomCreateCylinder(u32 iSpace, f32 fRadius, f32 fLength) = 0;
  virtual u32 geomCreateHeightfield(u32 iSpace, u32 iData) = 0;
  virtual u32 geomCreatePlane(u32 iSpace, f32 fA, f32 fB, f32 fC, f32 fD) = 0;
  virtual u32 geomCreateRay(u32 iSpace, f32 fLength) = 0;
  virtual u32 geomCreateSphere(u32 iSpace, f32 fRadius) = 0;
  virtual u32 geomCreateTrimesh(u32 iSpace, u32 iData) = 0;
  virtual u32 geomHeightfieldDataCreate() = 0;
  virtual void geomHeightfieldSetBounds(u32 iData, f32 fMin, f32 fMax) = 0;
  //! The callback has the signature f32 (*)(void* pUserData, int x, int z).
  virtual void geomHeightfieldDataCallback(u32 iData, void* pUserData, void* pCallback, f32 fWidth,
                                           f32 fDepth, int iWidthSamples, int iDepthSamples, f32 fScale,
                                           f32 fOffset, f32 fThickness, int iWrap) = 0;
  virtual u32 geomTrimeshDataCreate() = 0;
  virtual void geomTrimeshDataBuildSimple(u32 iData, scene::ISceneNode* pNode) = 0;
  virtual void geomTrimeshDataBuildFromMeshBuffer(u32 iData, scene::ISceneNode* pNode, u32 iBuffer) = 0;

  // Masses
  virtual u32 massCreate() = 0;
  virtual void massAdd(u32 iMassA, u32 iMassB) = 0;
  virtual void massSetZero(u32 iMass) = 0;
  virtual void massSetParameters(u32 iMass, f32 fMass, core::vector3df cCenter, core::vector3df cInertia1,
                                 core::vector3df cInertia2) = 0;
  virtual void massTranslate(u32 iMass, core::vector3df cPos) = 0;
  virtual void massSetBoxTotal(u32 iMass, f32 fMass, f32 fLx, f32 fLy, f32 fLz) = 0;
  virtual void massSetCapsuleTotal(u32 iMass, f32 fMass, int iDirection, f32 fRadius, f32 fLength) = 0;
  virtual void massSetCylinderTotal(u32 iMass, f32 fMass, int iDirection, f32 fRadius, f32 fLength) = 0;
  virtual void massSetSphereTotal(u32 iMass, f32 fMass, f32 fRadius) = 0;

  // Spaces and joint groups
  virtual u32 spaceCreateSimple(u32 iParent) = 0;
  virtual u32 spaceCreateHash(u32 iParent) = 0;
  virtual u32 spaceCreateQuadTree(u32 iParent, core::vector3df cCenter, core::vector3df cExtents,
                                  int iDepth) = 0;
  virtual void spaceDestroy(u32 iSpace) = 0;
  virtual u32 jointGroupCreate(int iMaxSize) = 0;
  virtual void jointGroupDestroy(u32 iGroup) = 0;
  virtual void jointGroupEmtpy(u32 iGroup) = 0;
  virtual void trimeshDrawDebug(u32 iData, video::IVideoDriver* pDriver) = 0;
  /**
   * The collision shape of a geometry as the dynamics library has it, as line segments in world
   * space appended to aLines: the edges of a box and of a triangle mesh's triangles, three
   * circles of a sphere, the outline of a capsule or a cylinder, a ray from its start to its
   * length, a heightfield's sample grid, and a square patch of a plane around the point of the
   * plane nearest to cNear. Nothing for an invalid handle.
   */
  virtual void geomGetDebugLines(u32 iGeom, const core::vector3df& cNear,
                                 core::array<core::line3df>& aLines) = 0;

  //! Sets both hinge-2 axes in one call, the only safe way with this dynamics library.
  virtual void jointSetHinge2Axes(u32 iJoint, core::vector3df cAxis1, core::vector3df cAxis2) = 0;
};

}  // namespace ode
}  // namespace irr

#endif
