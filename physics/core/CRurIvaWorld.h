#ifndef C_RUR_IVA_WORLD_H
#define C_RUR_IVA_WORLD_H

#include <vector>

#include "CRurIvaDampable.h"
#include "RurIvaLists.h"

namespace irr {
namespace ode {

class CRurIvaBody;
class CRurIvaGeom;
class CRurIvaSpace;
class CRurIvaSurfaceParameters;
class IRurIvaContactParameters;

/**
 * The root of a physics set-up: one dynamics world with its gravity, solver settings, default
 * damping, its top collision space and the contact group of one step. Its initPhysics brings
 * the whole subtree to life in a fixed order: world and contact group, top space, damping,
 * gravity, spaces, static geometries, then every body with its geometries and joints.
 */
class CRurIvaWorld : public CRurIvaDampable {
 public:
  CRurIvaWorld(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
               const core::vector3df& position = core::vector3df(0, 0, 0),
               const core::vector3df& rotation = core::vector3df(0, 0, 0),
               const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~CRurIvaWorld() override;

  scene::ESCENE_NODE_TYPE getType() const override { return RUR_IVA_WORLD_ID; }
  scene::ISceneNode* clone(scene::ISceneNode* newParent = 0, scene::ISceneManager* newManager = 0) override;
  void initPhysics() override;
  const wchar_t* getTypeName() override { return RUR_IVA_WORLD_NAME; }
  void removeFromPhysics() override;
  void forgetPhysics() override;
  void copyParams(CRurIvaSceneNode* pDest, bool bRecurse = true) override;

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

  //! Registers for rendering only while the debug-data flag is set and the last step made
  //! contacts: the node then marks them with small crosses (CRurIvaDebugView).
  void OnRegisterSceneNode() override;
  void render() override;
  //! While contacts are marked, the box around the marks; otherwise the node's own box.
  const core::aabbox3df& getBoundingBox() const override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  u32 getWorldId() const { return m_iWorldId; }
  u32 getJointGroupId() const { return m_iJointGroupId; }

  void step(f32 fTime);
  void quickStep(f32 fTime);
  void setStepSize(f32 fStepSize);
  f32 getStepSize() const { return m_fStepSize; }

  void setGravity(core::vector3df cGravity);
  const core::vector3df& getGravity() const { return m_cGravity; }

  //! Solver settings without a stored copy: without a dynamics world they do nothing.
  void setERP(f32 fErp);
  f32 getERP();
  void setCFM(f32 fCfm);
  f32 getCFM();
  void setQuickStepNumIterations(s32 iNum);
  s32 getQuickStepNumIterations();
  void setQuickStepSOR(f32 fSor);
  f32 getQuickStepSOR();

  void setContactCalculator(IRurIvaContactParameters* pCalculator);
  IRurIvaContactParameters* getContactCalculator();

  CRurIvaSpace* getSpace() const { return m_pSpace; }
  void setSpace(CRurIvaSpace* pSpace) { m_pSpace = pSpace; }

  void addBody(CRurIvaBody* pBody);
  void removeBody(CRurIvaBody* pBody);
  const core::list<CRurIvaBody*>& getBodyList() const { return m_lBodies; }
  u32 getBodyCount() const { return m_lBodies.size(); }

  void addGeom(CRurIvaGeom* pGeom);
  void removeGeom(CRurIvaGeom* pGeom);
  u32 getGeomCount() const { return m_lGeoms.size(); }
  const core::list<CRurIvaGeom*>& getGeomList() const { return m_lGeoms; }

  void addSpace(CRurIvaSpace* pSpace);
  void removeSpace(CRurIvaSpace* pSpace);
  const core::list<CRurIvaSpace*>& getSpaceList() const { return m_lSpaces; }

  //! Per-step bookkeeping, called by the device around every fixed step. Resetting also
  //! forgets the contact points of the previous step.
  void resetCollisionAttributes();
  //! Looks at every body's activation after a step (CRurIvaBody::frameUpdate).
  void frameUpdate(u64 iToken = 0);

  //! Contact points of the last step (world space), kept only while the debug-data flag is set:
  //! the device adds them as it makes contacts.
  void addContactPoint(const core::vector3df& cPoint) { m_aContactPoints.push_back(cPoint); }
  const core::array<core::vector3df>& getContactPoints() const { return m_aContactPoints; }

  //! Stores the name of a surface definitions file and loads it; returns the sets loaded.
  s32 setSurfaceXml(const wchar_t* sFileName);
  s32 loadFromFile(const wchar_t* sFileName);
  const core::stringw& getSurfaceXml() const { return m_sSurfaceDefinitions; }

  void setDrawEditorMesh(bool b) { m_bDrawEditorMesh = b; }
  bool getDrawEditorMesh() const { return m_bDrawEditorMesh; }

 private:
  void loadParameter(io::IXMLReader* pReader);
  //! Calls fVisit for every body, bodies added meanwhile included, removed ones left out.
  template <class TVisit>
  void walkBodies(TVisit fVisit);

  u32 m_iJointGroupId;
  u32 m_iWorldId;
  f32 m_fStepSize;
  bool m_bDrawEditorMesh;
  CRurIvaSpace* m_pSpace;
  core::vector3df m_cGravity;
  core::list<CRurIvaBody*> m_lBodies;
  CListIndex<CRurIvaBody> m_cBodyIndex;
  //! The same bodies side by side, for the walks of every step (see walkBodies). A body removed
  //! while a walk runs (a listener may remove nodes) leaves a null place, which the walks skip
  //! and the outermost walk closes when it ends.
  std::vector<CRurIvaBody*> m_aBodies;
  u32 m_iWalks = 0;
  bool m_bHoles = false;
  core::list<CRurIvaGeom*> m_lGeoms;
  CListIndex<CRurIvaGeom> m_cGeomIndex;
  core::list<CRurIvaSpace*> m_lSpaces;
  core::stringw m_sSurfaceDefinitions;
  //! The sets read from surface definitions files: registered with the manager, whose list
  //! only points at them, and owned here (no one else would ever delete them).
  core::array<CRurIvaSurfaceParameters*> m_aLoadedParams;
  core::array<core::vector3df> m_aContactPoints;
  //! The marks of the frame being drawn and the box around them in this node's frame.
  core::array<core::line3df> m_aDebugLines;
  core::aabbox3df m_cDebugBox;
};

}  // namespace ode
}  // namespace irr

#endif
