#ifndef C_RUR_IVA_MANAGER_H
#define C_RUR_IVA_MANAGER_H

#include <irrlicht.h>

#include "IRurIvaEventListener.h"

namespace irr {
namespace ode {

class CRurIvaSceneNode;
class CRurIvaWorld;
class CRurIvaSurfaceParameters;
class CRurIvaDampable;
class CRurIvaEventQueue;
class IRurIvaDevice;
class IRurIvaStepMotor;
class IRurIvaEvent;

/**
 * The process-wide hub of the physics layer: owns the device bridge and the event queue,
 * keeps the registries of worlds, physics nodes, surface parameter sets and step motors,
 * turns the engine timer's elapsed time into simulation steps, and applies body-moved,
 * body-removed and node-removed events to the scene graph.
 */
class CRurIvaManager : public IRurIvaEventListener {
 public:
  static CRurIvaManager* getSharedInstance();

  bool onEvent(IRurIvaEvent* pEvent) override;
  bool handlesEvent(IRurIvaEvent* pEvent) override;

  // Life cycle and set-up
  void install(IrrlichtDevice* pDevice);
  void initODE();
  void initPhysics();
  void closeODE();
  void clearODE();

  // Registries
  void addWorld(CRurIvaWorld* pWorld);
  void removeWorld(CRurIvaWorld* pWorld);
  const core::list<CRurIvaWorld*>& getWorlds() const { return m_lWorlds; }

  void addOdeSceneNode(CRurIvaSceneNode* pNode);
  void removeOdeSceneNode(CRurIvaSceneNode* pNode);
  bool isRegisteredOdeSceneNode(scene::ISceneNode* pNode) const;
  const core::list<CRurIvaSceneNode*>& getRurIvaNodes() const { return m_lNodes; }

  void addSurfaceParameter(CRurIvaSurfaceParameters* pParam);
  void removeSurfaceParameter(CRurIvaSurfaceParameters* pParam);
  CRurIvaSurfaceParameters* getSurfaceParameter(core::stringw sName) const;
  const core::list<CRurIvaSurfaceParameters*>& getSurfaceParameters() const { return m_lParams; }

  CRurIvaDampable* getDampableWithParamName(const wchar_t* sName) const;

  void addStepMotor(IRurIvaStepMotor* pMotor);
  void removeStepMotor(IRurIvaStepMotor* pMotor);
  void stepStepMotors();
  const core::list<IRurIvaStepMotor*>& getStepMotors() const { return m_lStepMotors; }

  // Stepping
  void step();
  void quickStep();

  // Scene operations
  scene::ISceneNode* cloneOdeNode(scene::ISceneNode* pSource, scene::ISceneNode* pNewParent,
                                  scene::ISceneManager* pNewManager, s32 iNewId = -1);
  scene::ISceneNode* cloneTree(scene::ISceneNode* pSource, scene::ISceneNode* pNewParent,
                               scene::ISceneManager* pNewManager);
  void removeTreeFromPhysics(scene::ISceneNode* pNode);
  void removeSceneNode(scene::ISceneNode* pNode);
  bool loadScene(const c8* sFileName, scene::ISceneManager* pSceneManager);
  void sceneNodeInitialized(CRurIvaSceneNode* pNode);

  // Accessors
  IRurIvaDevice* getOdeDevice() const { return m_pDevice; }
  void setOdeDevice(IRurIvaDevice* pDevice) { m_pDevice = pDevice; }
  CRurIvaEventQueue* getQueue() const { return m_pQueue; }
  IrrlichtDevice* getIrrlichtDevice() const { return m_pIrrDevice; }
  scene::ISceneManager* getSceneManager() const { return m_pSmgr; }
  ITimer* getTimer() const { return m_pTimer; }
  u32 getFrameNo() const { return m_iFrameNo; }
  s32 getNodeIdCounter() const { return m_iNodeId; }
  //! Raises the node id counter to iId if that is larger (ids of loaded nodes stay unique).
  void updateNodeIdCounter(s32 iId);
  bool physicsInitialized() const { return m_bPhysicsInitialized; }
  s32 getInitializedNodeCount() const { return m_iInitializedNodes; }

  /**
   * Forgets the engine device (scene manager and timer), e.g. before that device is dropped,
   * so that no later call reaches a destroyed engine. The registries are not touched.
   */
  void uninstall();

 private:
  CRurIvaManager();
  ~CRurIvaManager();
  CRurIvaManager(const CRurIvaManager&) = delete;
  CRurIvaManager& operator=(const CRurIvaManager&) = delete;

  //! Elapsed engine time since the last step in seconds, or a negative value without a timer.
  f32 elapsedSeconds(const c8* sCaller);
  //! Every known node lets go of its discarded dynamics objects (see closeODE).
  void forgetPhysics();
  void applyBodyMoved(IRurIvaEvent* pEvent);
  void applyBodyRemoved(IRurIvaEvent* pEvent);
  void applyNodeRemoved(IRurIvaEvent* pEvent);

  u32 m_iLastStep;
  u32 m_iFrameNo;
  s32 m_iInitializedNodes;
  s32 m_iNodeId;
  bool m_bPhysicsInitialized;
  core::list<CRurIvaSceneNode*> m_lNodes;
  core::list<IRurIvaStepMotor*> m_lStepMotors;
  core::list<CRurIvaWorld*> m_lWorlds;
  CRurIvaEventQueue* m_pQueue;
  ITimer* m_pTimer;
  scene::ISceneManager* m_pSmgr;
  IrrlichtDevice* m_pIrrDevice;
  core::list<CRurIvaSurfaceParameters*> m_lParams;
  IRurIvaDevice* m_pDevice;
};

}  // namespace ode
}  // namespace irr

#endif
