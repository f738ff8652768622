#ifndef C_RUR_IVA_BODY_H
#define C_RUR_IVA_BODY_H

#include <vector>

#include "CRurIvaDampable.h"

namespace irr {
namespace ode {

class CRurIvaWorld;
class CRurIvaGeom;
class CRurIvaGeomRay;
class CRurIvaJoint;
class CRurIvaEventQueue;
class IRurIvaMotor;
class IRurIvaStepMotor;

/**
 * A rigid body as a scene node. Before the simulation starts, the node's absolute transform
 * places the body; while it runs, the body's motion is written back into the node through
 * body-moved events. Geometries, joints, motors and step motors below the body attach
 * themselves to it.
 */
class CRurIvaBody : public CRurIvaDampable {
 public:
  CRurIvaBody(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
              const core::vector3df& position = core::vector3df(0, 0, 0),
              const core::vector3df& rotation = core::vector3df(0, 0, 0),
              const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaBody() override;

  // Scene graph
  void OnRegisterSceneNode() override;
  void render() override {}
  //! The plain attach of the scene graph: a body's bounding box does not grow with its children.
  void addChild(scene::ISceneNode* child) override;
  void setPosition(const core::vector3df& newpos) override;
  void setRotation(const core::vector3df& rotation) override;
  //! The engine's own, without the product with a parent transformation that is the identity
  //! (a world at the origin), and with the rotation matrix of the last call while the rotation
  //! stays the same: the result is the same.
  void updateAbsolutePosition() override;
  /**
   * What the moved-body pass of every step asks for: the same transformation as
   * updateAbsolutePosition(), except that below an identity parent and at scale 1 only the
   * translation is written at once; the rotation part is built from the rotation the node has
   * now when the transformation is first asked for. Most steps nobody asks before the engine
   * builds it again when it draws, so a moving body needs no sines and cosines in the step.
   */
  void updateMovedAbsolutePosition();
  const core::matrix4& getAbsoluteTransformation() const override;
  const core::aabbox3d<f32> getTransformedBoundingBox() const override;

  // Physics node
  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_BODY_ID; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void initPhysics() override;
  const wchar_t* getTypeName() override { return RUR_IVA_BODY_NAME; }
  //! Posts a body-removed event; the manager (a listener) then calls doRemoveFromPhysics.
  void removeFromPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;
  void doRemoveFromPhysics();
  void forgetPhysics() override;

  void setLinearDamping(f32 fScale) override;
  f32 getLinearDamping() override;
  void setAngularDamping(f32 fScale) override;
  f32 getAngularDamping() override;
  void setLinearDampingThreshold(f32 fThreshold) override;
  f32 getLinearDampingThreshold() override;
  void setAngularDampingThreshold(f32 fThreshold) override;
  f32 getAngularDampingThreshold() override;
  void setMaxAngularSpeed(f32 fMaxSpeed) override;
  f32 getMaxAngularSpeed() override;
  void setAutoDisableFlag(s32 iFlag) override;
  s32 getAutoDisableFlag() override;
  void setAutoDisableLinearThreshold(f32 fThreshold) override;
  f32 getAutoDisableLinearThreshold() override;
  void setAutoDisableAngularThreshold(f32 fThreshold) override;
  f32 getAutoDisableAngularThreshold() override;
  void setAutoDisableSteps(s32 iSteps) override;
  s32 getAutoDisableSteps() override;
  void setAutoDisableTime(f32 fTime) override;
  f32 getAutoDisableTime() override;

  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  // Structure
  u32 getBodyId() const { return m_iBodyId; }
  u32 getMassId() const { return m_iMass; }
  CRurIvaWorld* getWorld() const { return m_pWorld; }
  CRurIvaBody* getParentBody() const { return m_pParentBody; }

  void addGeom(CRurIvaGeom* pGeom);
  void removeGeom(CRurIvaGeom* pGeom);
  const core::list<CRurIvaGeom*>& getGeoms() const { return m_lGeoms; }
  void addJoint(CRurIvaJoint* pJoint);
  void removeJoint(CRurIvaJoint* pJoint);
  core::list<CRurIvaJoint*> getJoints() const { return m_lJoints; }
  //! Position of a joint in this body's joint list (-1 if it is not there), and the reverse;
  //! scene files name a motor's joint this way.
  s32 getJointIndex(const CRurIvaJoint* pJoint) const;
  CRurIvaJoint* getJointAt(s32 iIndex) const;
  void addChildBody(CRurIvaBody* pBody);
  void removeChildBody(CRurIvaBody* pBody);
  const core::list<CRurIvaBody*>& getChildBodies() const { return m_lChildBodies; }
  void addStepMotor(IRurIvaStepMotor* pMotor);
  void removeStepMotor(IRurIvaStepMotor* pMotor);
  const core::list<IRurIvaStepMotor*>& getStepMotors() const { return m_lStepMotors; }
  void addMotor(IRurIvaMotor* pMotor);
  void removeMotor(IRurIvaMotor* pMotor);
  const core::list<IRurIvaMotor*>& getMotors() const { return m_lMotors; }
  //! Rays attached to this body (CRurIvaGeomRay::setAttachedBody keeps this list): they let go
  //! of the body when it goes.
  void addAttachedRay(CRurIvaGeomRay* pRay);
  void removeAttachedRay(CRurIvaGeomRay* pRay);

  //! Called by a world that is being destroyed while this body lives on.
  void forgetWorld() { m_pWorld = 0; }
  //! Leaves the world's body list and forgets the world: the body is out of the simulation.
  void leaveWorld();

  // Transform and motion
  void setNodePosition(const core::vector3df& cPos);
  void setNodeRotation(const core::vector3df& cRot);
  //! setNodePosition and setNodeRotation in one, for the values given (null: left as it is);
  //! the parent's transformation is looked at, and inverted, once for both.
  void setNodePose(const core::vector3df* pPos, const core::vector3df* pRot);
  //! What getAbsolutePosition() and getRotation() give, read without the calls through the
  //! engine's table: every moved body's event compares them each step.
  const f32* getNodeAbsolutePosition() const { return &AbsoluteTransformation[12]; }
  const core::vector3df& getNodeRotation() const { return RelativeRotation; }
  void setNodeLinearVelocity(const core::vector3df& cVel) { m_cLinearVelocity = cVel; }
  const core::vector3df& getNodeLinearVelocity() const { return m_cLinearVelocity; }
  void setNodeAngularVelocity(const core::vector3df& cVel) { m_cAngularVelocity = cVel; }
  const core::vector3df& getNodeAngularVelocity() const { return m_cAngularVelocity; }
  void setNodeLinearDamping(f32 fScale);
  f32 getNodeLinearDamping() const { return m_fLinearDamping; }
  void setNodeAngularDamping(f32 fScale);
  f32 getNodeAngularDamping() const { return m_fAngularDamping; }

  void setLinearVelocity(core::vector3df cVel);
  core::vector3df getLinearVelocity();
  void setAngularVelocity(core::vector3df cVel);
  core::vector3df getAngularVelocity();

  void addForce(core::vector3df cForce);
  void addForceAtPosition(core::vector3df cPosition, core::vector3df cForce);
  void addTorque(core::vector3df cTorque);
  void setTorque(core::vector3df cTorque);
  void setEnabled(bool bEnabled);
  bool isEnabled() const { return m_bEnabled; }

  core::vector3df getPointVel(core::vector3df cPoint);
  core::vector3df getRelPointVel(core::vector3df cPoint);
  core::vector3df getRelPointPos(core::vector3df cPoint);
  core::vector3df getPosRelPoint(core::vector3df cPoint);
  core::vector3df getVectorFromWorld(core::vector3df cVec);
  void getOdeRotation(core::vector3df& cRot);
  CRurIvaGeom* getFirstGeom();
  CRurIvaGeom* getNextGeom(CRurIvaGeom* pPrev);
  void addMass(u32 iMass);

  // Options
  void setGravityMode(s32 iMode);
  s32 getGravityMode();
  void setFiniteRotationMode(bool bFlag);
  bool getFiniteRotationMode();
  void setFiniteRotationAxis(const core::vector3df& cAxis);
  core::vector3df getFiniteRotationAxis();
  void setIsFastMoving(bool bFlag);
  bool isFastMoving() const { return m_bFastMoving; }
  CRurIvaGeomRay* getFastMovingRay() const { return m_pRay; }
  void setUpdateGraphics(bool b) { m_bUpdateGraphics = b; }
  bool getUpdateGraphics() const { return m_bUpdateGraphics; }
  void setParamMaster(bool b) { m_bParamMaster = b; }
  bool isParamMaster() const { return m_bParamMaster; }
  bool dampingChanged() const { return m_bDampingChanged; }

  // Lookup by scene node name (each candidate is printed)
  IRurIvaMotor* getMotorFromName(const c8* sName);
  IRurIvaStepMotor* getStepMotorFromName(const c8* sName);
  CRurIvaJoint* getJointFromName(const c8* sName);
  CRurIvaGeom* getGeomFromName(const c8* sName);
  CRurIvaBody* getChildBodyFromName(const c8* sName);

  // Per-step interface (world and device)
  //! Posts an activation change when the library enabled or disabled the body since the last
  //! look. iToken is the stepping device's activation token now (it changes with every step and
  //! every call that may disable or destroy a body): a body the device marked with it
  //! (noteMovedByStep) was moved by the step, is enabled and is not asked; 0 asks every body.
  void frameUpdate(u64 iToken = 0) {
    if (iToken == 0 || m_iMovedToken != iToken || !m_bEnabled) lookAtActivation();
  }
  //! The device moved the body in a step whose activation token is iToken.
  void noteMovedByStep(u64 iToken) { m_iMovedToken = iToken; }
  //! Asks the processor for the cache lines that reporting a move reads and writes of this node,
  //! a few bodies ahead of its report: in a scene of thousands of bodies each report would
  //! otherwise wait for its own cache misses, one after the other.
  void prefetchMove() const {
    // The report writes only the translation of the absolute transformation (its rotation waits
    // until asked for) and reads the relative one up to the scale's end.
    __builtin_prefetch(&AbsoluteTransformation[12], 1);
    __builtin_prefetch(&RelativeScale.Z);
    __builtin_prefetch(&ID);
    __builtin_prefetch(&m_fLinearDamping);
    __builtin_prefetch(&m_iBodyId, 1);
    __builtin_prefetch(&m_cLinearVelocity);
  }
  //! The same for the state the world's walks after and before every step look at.
  void prefetchStepState() const {
    __builtin_prefetch(&m_iBodyId, 1);
    __builtin_prefetch(&m_cCollisionPoint, 1);
  }
  void setCollision(bool b) { m_bCollision = b; }
  bool getCollision() const { return m_bCollision; }
  void setIsTouching(CRurIvaGeom* pGeom) { m_pTouching = pGeom; }
  CRurIvaGeom* getTouched() const { return m_pTouching; }
  void setCollisionPoint(const core::vector3df& cPoint) { m_cCollisionPoint = cPoint; }
  const core::vector3df& getCollisionPoint() const { return m_cCollisionPoint; }
  void setCollisionMaterial(s32 iMaterial) { m_iCollisionMaterial = iMaterial; }
  s32 getCollisionMaterial() const { return m_iCollisionMaterial; }
  //! Called by the device's moved callback with the body's new position.
  //! Most bodies have neither a fast-moving ray nor a finite rotation axis: two tests.
  void bodyMoved(const core::vector3df& cNewPos) {
    if (m_bFastMoving && m_pRay) moveFastRay(cNewPos);
    if (m_bFiniteRotationMode) turnFiniteRotationAxis();
  }

  // Interpolated motion (CRurIvaManager::setInterpolation). While it is on, the node shows a pose
  // between the last two simulated ones after every frame; these give the simulated pose, in
  // the node's frame like getPosition and getRotation. While it is off they equal those.
  core::vector3df getSimulatedPosition() const;
  core::vector3df getSimulatedRotation() const;
  //! The manager's steps of a frame: before the fixed steps the node takes its simulated pose
  //! back (or keeps a pose someone gave it since, which becomes the simulated one); after each
  //! step the pose is recorded; after the frame the node shows the pose a fraction fAlpha
  //! (0 to 1) of the way from the second-to-last to the last simulated pose.
  void beginInterpolatedFrame();
  void recordSimulatedPose();
  void showInterpolatedPose(f32 fAlpha);
  //! Interpolation is switched off: the node shows its simulated pose again.
  void endInterpolation();

 private:
  //! Asks the device whether the body is enabled and posts a change (frameUpdate).
  void lookAtActivation();
  //! The body was enabled or disabled since the last look: flips the flag and posts the event.
  void activationChanged();
  //! Creates the fast-moving ray's geometry, spanning no path yet.
  void startFastRay();
  //! The fast-moving ray runs from the node's position to the body's new one.
  void moveFastRay(const core::vector3df& cNewPos);
  //! The finite rotation axis, kept in the node's frame, is given to the library in the world's.
  void turnFiniteRotationAxis();
  //! A joint that hangs from the static environment and has this body as its child is in no
  //! body's joint list: the body links it (before leaving it) and creates it (once created).
  CRurIvaJoint* linkParentJoint();
  void initParentJoint(CRurIvaJoint* pJoint);
  void releaseFastMovingRay();
  //! Whether the parent's absolute transformation is anything but the identity.
  bool parentIsPlaced() const;
  //! setNodePose below a placed parent: the world values in the parent's frame.
  void setNodePoseInParent(const core::vector3df* pPos, const core::vector3df* pRot);
  //! Sets the node's own position and rotation to the values given that are numbers.
  void placeNode(const core::vector3df* pPos, const core::vector3df* pRot);
  //! Depth-first search over this body, its child bodies and (bAcrossJoints) the bodies its
  //! joints link, visiting each body once; fOwn searches one body's own lists.
  template <class T, class TOwn>
  T* searchBodies(std::vector<const CRurIvaBody*>& aSeen, bool bAcrossJoints, TOwn fOwn);
  template <class T, class TList>
  static T* findInList(const TList& lList, const c8* sWhat, const c8* sName);
  /**
   * Where a body below pHolder (another body) starts: in pHolder's frame, as its relative
   * pose says; nodes in between count, joints (which place only their anchor) do not.
   */
  core::matrix4 poseBelow(const CRurIvaBody* pHolder) const;

  // What every step reads or writes of a moved body comes first, side by side, so that it
  // shares as few cache lines as can be (a scene of thousands of bodies misses most of them in
  // every step); the rest follows.
  u32 m_iBodyId;
  u32 m_iMass;
  //! The activation token of the last step that moved the body (0: none).
  u64 m_iMovedToken = 0;
  bool m_bEnabled;
  bool m_bCollision;
  bool m_bUpdateGraphics;
  bool m_bDampingChanged;
  bool m_bFastMoving;
  bool m_bFiniteRotationMode;
  bool m_bRotationMatrix;
  //! The rotation part of the absolute transformation is still to be built from
  //! m_cPendingRotation (see updateMovedAbsolutePosition).
  bool m_bRotationPending;
  s32 m_iCollisionMaterial;
  CRurIvaGeom* m_pTouching;
  core::vector3df m_cLinearVelocity;
  core::vector3df m_cAngularVelocity;
  core::vector3df m_cCollisionPoint;
  core::vector3df m_cPendingRotation;
  //! The rotation (in degrees) whose matrix m_cRotationMatrix holds, for a body of scale 1;
  //! a body at rest keeps its rotation and needs no new sines and cosines in every step.
  core::vector3df m_cMatrixRotation;
  core::matrix4 m_cRotationMatrix;
  //! The world whose body list holds this body, or none: a body that leaves the list forgets the
  //! world, which tells only the bodies it lists that it goes (a body taken out of the
  //! simulation and held by a game may outlive it).
  CRurIvaWorld* m_pWorld;
  CRurIvaBody* m_pParentBody;
  core::list<CRurIvaGeom*> m_lGeoms;
  core::list<CRurIvaJoint*> m_lJoints;
  core::list<CRurIvaBody*> m_lChildBodies;
  core::list<IRurIvaStepMotor*> m_lStepMotors;
  core::list<IRurIvaMotor*> m_lMotors;
  bool m_bParamMaster;
  s32 m_iGravityMode;
  CRurIvaGeomRay* m_pRay;
  CRurIvaEventQueue* m_pQueue;
  core::vector3df m_cFiniteRotationAxis;
  //! Builds the rotation part left pending; the node is never a const object, only seen as one.
  void resolvePendingRotation() const;

  //! The poses of interpolated motion, in the node's frame; valid while the manager
  //! interpolates and the body is simulated.
  struct SPoses {
    bool m_bValid = false;
    //! The node shows an interpolated pose (between frames).
    bool m_bShown = false;
    //! Moved by hand (setPosition, setRotation) since the last step: no sliding from the old pose.
    bool m_bPlaced = false;
    core::vector3df m_cPrevPos, m_cPrevRot, m_cPos, m_cRot, m_cShownPos, m_cShownRot;
  } m_cPoses;
  core::list<CRurIvaGeomRay*> m_lAttachedRays;
};

}  // namespace ode
}  // namespace irr

#endif
