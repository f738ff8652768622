#ifndef C_RUR_IVA_GEOM_H
#define C_RUR_IVA_GEOM_H

#include "CRurIvaSceneNode.h"
#include "CRurIvaSurfaceParameters.h"
#include "IRurIvaDevice.h"

namespace irr {
namespace ode {

class CRurIvaBody;
class CRurIvaWorld;
class CRurIvaSpace;
class CRurIvaSurfaceParameters;

/**
 * Base of every collision geometry. A geometry sits at the origin of the visible node whose
 * shape it stands for. With a body among its ancestors it is dynamic: it moves with the
 * nearest body and adds its mass to it. Without one it is static and belongs to its world.
 * The visible parent's transform relative to the body is the geometry's offset.
 */
class CRurIvaGeom : public CRurIvaSceneNode {
 public:
  CRurIvaGeom(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
              const core::vector3df& position = core::vector3df(0, 0, 0),
              const core::vector3df& rotation = core::vector3df(0, 0, 0),
              const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaGeom() override;

  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;
  //! A geometry cannot leave its parent's origin: the argument is ignored.
  void setPosition(const core::vector3df& newpos) override;
  //! Registers for rendering only while the debug-data flag is set: the node then draws its
  //! collision shape (CRurIvaDebugView); otherwise it draws nothing.
  void OnRegisterSceneNode() override;
  void render() override;
  //! While the shape is drawn, the box around it, so that the engine culls the node by what it
  //! draws; otherwise the node's own box.
  const core::aabbox3df& getBoundingBox() const override;
  //! The colour the debug view draws this geometry in: that of a simulated or a sleeping body's
  //! geometry (a ray: of the body it guards), or of a static one (CRurIvaDebugView).
  video::SColor getDebugColor() const;
  //! Finishes the set-up after a concrete class has created its geometry.
  void initPhysics() override;
  void removeFromPhysics() override;
  void forgetPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;

  virtual void setMassTotal(f32 fMass) = 0;
  virtual u32 getGeomId(u32 iIndex = 0);
  virtual CRurIvaSurfaceParameters* getSurfaceParameters(u32 iIndex);

  u32 getSurfaceParametersCount() const { return m_aParams.size(); }
  //! Replaces set 0; the replaced set stays with its owner.
  void setSurfaceParameters(CRurIvaSurfaceParameters* pParams, u32 iIndex);

  CRurIvaBody* getBody() const { return m_pBody; }
  void setBody(CRurIvaBody* pBody);
  //! The world: its body's for a geometry of a body (which may leave or lose it), its own for a
  //! static one.
  CRurIvaWorld* getWorld() const;
  //! Called by a world that is being destroyed while this geometry lives on.
  void forgetWorld() { m_pWorld = 0; }
  //! Whether a node type is one of the geometry kinds.
  static bool isGeomType(scene::ESCENE_NODE_TYPE iType);
  CRurIvaSpace* getSpace() const { return m_pSpace; }
  u32 getMassId() const { return m_iMass; }
  f32 getMass() const { return m_fMass; }

  void setMassParameters(f32 fMass, core::vector3df cCenter, core::vector3df cInertia1,
                         core::vector3df cInertia2);
  void setMassTranslation(core::vector3df cTranslation);
  const core::vector3df& getMassTranslation() const { return m_cMassTranslate; }
  const core::vector3df& getCenterOfGravity() const { return m_cCenterOfGravity; }
  const core::vector3df& getInertia1() const { return m_cInertia1; }
  const core::vector3df& getInertia2() const { return m_cInertia2; }
  void setOffsetPosition(core::vector3df cPos);
  void setOffsetQuaternion(core::vector3df cRot);
  const core::vector3df& getOffsetPosition() const { return m_cOffsetPos; }
  const core::vector3df& getOffsetRotation() const { return m_cOffsetRot; }

  void setCollide(bool b) {
    m_bCollide = b;
    updatePairChecks();
  }
  bool doesCollide() const { return m_bCollide; }
  //! Two geometries of the same non-zero group never collide with each other.
  s32 getCollisionGroup() const { return m_iCollisionGroup; }
  void setCollisionGroup(s32 iGroup) {
    m_iCollisionGroup = iGroup;
    updatePairChecks();
  }
  //! What the collision of a broad-phase pair has to look at besides the bodies; 0 for the
  //! usual geometry (colliding, no group, not a ray, its body known), so that one test passes
  //! most pairs.
  enum EPairCheck : u8 {
    ePairNoCollide = 1,
    ePairGroup = 2,
    ePairRay = 4,
    ePairLever = 8,
    ePairThin = 16,
    ePairBodyUnknown = 32
  };
  u8 getPairChecks() const { return m_iPairChecks; }
  //! Set by the device while a library geometry carrying this node (on whichever body) may reach
  //! farther from its body than the body's mass can be turned from: each contact of the node's
  //! geometries is then looked at before it is made.
  void setChecksContactLevers(bool b) {
    m_bChecksLevers = b;
    updatePairChecks();
  }
  //! Set by the device while a library geometry carrying this node is a box or cylinder too thin
  //! for the library's cylinder colliders: the node's pairs with cylinders are then not collided
  //! (see CRurIvaDevice::geomSetData).
  void setThinForCylinders(bool b) {
    m_bThin = b;
    updatePairChecks();
  }
  //! Set by the device while a library ray carries this node (a ray node's own, or one a game
  //! handed to another node): a ray's pairs are ray hits, never contacts (see
  //! CRurIvaDevice::handleRayEvent).
  void setCarriesRay(bool b) {
    m_bCarriesRay = b;
    updatePairChecks();
  }
  //! The library body every library geometry carrying this node is on, kept by the device (opaque
  //! to everyone else; not known while they are on different bodies): the collision of a
  //! broad-phase pair reads the body here instead of asking the library.
  void setLibraryBody(bool bKnown, void* pBody) {
    m_bLibraryBodyKnown = bKnown;
    m_pLibraryBody = bKnown ? pBody : 0;
    updatePairChecks();
  }
  bool libraryBodyKnown() const { return m_bLibraryBodyKnown; }
  void* getLibraryBody() const { return m_pLibraryBody; }
  //! The first surface set, and whether the touched library geometry picks the set instead (a
  //! triangle mesh's one per material): the collision of every touching pair reads both beside
  //! the pair checks, without a call through the node's table.
  CRurIvaSurfaceParameters* getFirstSurfaceParameters() const { return m_pFirstParams; }
  bool picksSetByGeom() const { return m_bSetPerGeom; }
  /**
   * The first set's mode and contact values, from a copy kept beside the pair checks: the
   * collision of a touching pair reads them without touching the set (in a scene of thousands of
   * bodies, a cache miss that had to wait for the geometry's own). The copy is taken again after
   * any set changed; 0 for a set of a game's own class, whose getters may answer otherwise at
   * every call.
   */
  const SRurIvaContactSurface* firstContactValues() {
    if (m_iFirstValuesGeneration != CRurIvaSurfaceParameters::contactValuesGeneration())
      copyFirstContactValues();
    return m_bFirstValuesCopied ? &m_cFirstValues : 0;
  }
  //! Asks the processor for what firstContactValues() will read: the end of the copy (its start
  //! shares the line of the pair checks), or the set when the copy is out of date.
  void prefetchFirstContactValues() const {
    __builtin_prefetch(&m_cFirstValues.aValues[eRurIvaValueCount - 1]);
    if (m_iFirstValuesGeneration != CRurIvaSurfaceParameters::contactValuesGeneration() && m_pFirstParams)
      m_pFirstParams->prefetchContactValues();
  }
  //! True the first time only: the device says once per geometry that it left out a contact.
  bool firstContactLeftOut() {
    const bool bFirst = !m_bContactLeftOut;
    m_bContactLeftOut = true;
    return bFirst;
  }

 protected:
  //! The nearest space ancestor, or else the world's top space.
  CRurIvaSpace* findSpace() const;
  u32 spaceId() const;
  //! A new surface parameter set, registered with the manager and owned by this geometry.
  CRurIvaSurfaceParameters* createSurfaceParameters(bool bStatic);
  //! Takes the copy of the first set's values anew (see firstContactValues).
  void copyFirstContactValues();
  void destroySurfaceParameters(CRurIvaSurfaceParameters* pParams);
  //! Leaves its body's or world's list and forgets both: the geometry is out of the simulation.
  void detachFromOwner();
  /**
   * The bounding box of the visible parent's mesh (frame 0 of an animated mesh) and the
   * parent's scale; false (after one line on standard output) for a parent without a mesh.
   */
  bool getParentMeshBox(core::aabbox3df& cBox, core::vector3df& cScale) const;
  //! Concrete classes call this where their mass is ready for the body; the base adds it once
  //! the mass parameters and the offset from the body have been applied to it.
  void addMassToBodyLater() { m_bMassPending = true; }

  /**
   * The common end of a primitive's initialisation: creates the geometry (fCreate gets the
   * space handle and returns the new handle), places it at the node, gives a body the mass
   * that fSetMass writes into the geometry's mass record, attaches it, and finishes the set-up.
   */
  template <class FCreate, class FSetMass>
  void finishPrimitive(FCreate fCreate, FSetMass fSetMass, bool bRotate) {
    m_iGeomId = fCreate(spaceId());
    if (m_iGeomId) {
      m_pOdeDevice->geomSetPosition(m_iGeomId, getAbsolutePosition());
      if (bRotate) m_pOdeDevice->geomSetRotation(m_iGeomId, getAbsoluteTransformation().getRotationDegrees());
      if (m_pBody) {
        if (m_fMass != 0.0f) {
          m_pOdeDevice->massSetZero(m_iMass);
          fSetMass();
          addMassToBodyLater();
        }
        setBody(m_pBody);
      }
    }
    m_pOdeDevice->geomSetData(m_iGeomId, this);
    CRurIvaGeom::initPhysics();
  }

  //! A clone of a concrete geometry: a fresh node of class T, parameters copied, subtree cloned.
  template <class T>
  scene::ISceneNode* cloneGeom(T* pSource, scene::ISceneNode* pNewParent, scene::ISceneManager* pNewManager) {
    if (!pNewParent) pNewParent = Parent;
    if (!pNewManager) pNewManager = m_pSceneManager;
    T* pClone = new T(pNewParent, pNewManager, -1);
    pSource->copyParams(pClone, true);
    cloneChildren(pClone, pNewManager);
    return pClone;
  }

  // What the collision of every pair reads comes first, together in 32 bytes (one cache line for
  // most nodes): the pair checks, whether a mesh's touched geometry picks the set, the library
  // body, the first surface set and the body node whose touching state a touching pair marks.
  // The copy of the first set's values that a touching pair reads follows right after them.
  u8 m_iPairChecks;
  bool m_bSetPerGeom;
  bool m_bLibraryBodyKnown;
  void* m_pLibraryBody;
  //! m_aParams[0].
  CRurIvaSurfaceParameters* m_pFirstParams;
  //! The owner whose list holds this geometry: the body, or else the world of a static geometry.
  //! A geometry that leaves its owner's list forgets it: owners tell only what they list that
  //! they go (a geometry taken out of the simulation and held by a game may outlive them).
  CRurIvaBody* m_pBody;
  //! The first set's values as of set generation m_iFirstValuesGeneration (0: none taken), and
  //! whether the set could be copied (see firstContactValues).
  u64 m_iFirstValuesGeneration;
  bool m_bFirstValuesCopied;
  SRurIvaContactSurface m_cFirstValues;
  u32 m_iGeomId;
  u32 m_iMass;
  s32 m_iCollisionGroup;
  f32 m_fMass;
  bool m_bCollide;
  bool m_bMassPending;
  bool m_bChecksLevers;
  bool m_bContactLeftOut;
  bool m_bThin;
  bool m_bCarriesRay;
  core::array<CRurIvaSurfaceParameters*> m_aParams;
  //! Brings m_iPairChecks up to collide flag, group, ray flag, lever check, thinness and whether
  //! the body is known.
  void updatePairChecks() {
    m_iPairChecks =
        static_cast<u8>((m_bCollide ? 0 : ePairNoCollide) | (m_iCollisionGroup != 0 ? ePairGroup : 0) |
                        (m_bCarriesRay ? ePairRay : 0) | (m_bChecksLevers ? ePairLever : 0) |
                        (m_bThin ? ePairThin : 0) | (m_bLibraryBodyKnown ? 0 : ePairBodyUnknown));
  }
  CRurIvaWorld* m_pWorld;
  CRurIvaSpace* m_pSpace;
  core::vector3df m_cMassTranslate;
  core::vector3df m_cCenterOfGravity;
  core::vector3df m_cInertia1;
  core::vector3df m_cInertia2;
  core::vector3df m_cOffsetPos;
  core::vector3df m_cOffsetRot;

 private:
  //! The shape's lines of the frame being drawn (empty while the debug view is off) and the
  //! box around them in this node's frame.
  core::array<core::line3df> m_aDebugLines;
  core::aabbox3df m_cDebugBox;
};

}  // namespace ode
}  // namespace irr

#endif
