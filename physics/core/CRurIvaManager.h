#ifndef C_RUR_IVA_MANAGER_H
#define C_RUR_IVA_MANAGER_H

#include <irrlicht.h>

#include "RurIvaLists.h"

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
  /**
   * The node an event message names by iId in pSmgr's scene: the physics node with that id when
   * the scene holds exactly one, else the engine's search from the scene's root (the first node
   * of any kind with the id; null when there is none). The physics nodes are found through an
   * index by id, built again after nodes come, go or change their id, so that a frame of
   * messages, one per body, does not search the scene once per message.
   */
  scene::ISceneNode* findNodeById(scene::ISceneManager* pSmgr, s32 iId);

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
  /**
   * Steps the worlds' islands on a pool of iThreads threads of the dynamics library (0 or 1:
   * single-threaded, the default). The pool belongs to the manager's device: it is made at the
   * next step and released by closeODE (the number stays set). Islands are solved one after the
   * other, each on all threads. Collision, the callbacks into the layer and all events stay on
   * the thread that calls step(); the results are the same to the bit. At most 64 threads
   * (IRurIvaDevice::kMaxStepThreads): a larger number is cut to it, with one line.
   */
  void setStepThreads(u32 iThreads);
  u32 getStepThreads() const;

  /**
   * Interpolated motion, off by default. While it is on, every simulated body node is shown,
   * after the fixed steps of a frame, at the pose between its last two simulated poses that the
   * frame's time reaches: the simulation runs up to one step ahead of the elapsed time, and
   * the node shows where the body was at the frame's time, so motion stays smooth when the
   * frame rate and the step size disagree. A body's getPosition and getRotation return what is
   * shown; its getSimulatedPosition and getSimulatedRotation the simulated pose.
   */
  void setInterpolation(bool bOn);
  bool getInterpolation() const { return m_bInterpolation; }
  //! The fraction of a step between the last two simulated poses that the last frame showed
  //! (1 after a frame without interpolation).
  f32 getInterpolationFraction() const { return m_fAlpha; }

  /**
   * At most this many fixed steps per step() or quickStep() call, 0 (the default) for no limit.
   * The elapsed time beyond them is dropped, so a stalled program resumes at once instead of
   * catching up for seconds; getDroppedTime() counts it, in seconds.
   */
  void setMaxStepsPerFrame(u32 iMaxSteps);
  u32 getMaxStepsPerFrame() const { return m_iMaxSteps; }
  f64 getDroppedTime() const;

  //! Turns the debug view of collision shapes on or off for a subtree: the debug-data flag of
  //! every geometry and world in it (the node included). See CRurIvaDebugView.
  void setDebugView(scene::ISceneNode* pNode, bool bOn);

  // Scene operations
  //! A copy of pSource and its subtree below pNewParent (beside pSource without one); the copy of
  //! a physics node comes with its creation reference, that of an engine node without (as the
  //! engine's clone() gives it). None (after one line on standard output) when pNewParent lies in
  //! pSource's subtree.
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
  //! A fresh id, one above the highest seen (the counter is raised to it); -1, the engine's id of
  //! no id, once the largest id there is has been seen (a scene file may name it).
  s32 takeNodeId();
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
  //! One frame of step() or quickStep().
  void advance(const c8* sCaller, bool bQuick);
  //! Interpolated motion around the fixed steps of a frame, and after each step.
  void beginInterpolatedFrame();
  void recordSimulatedPoses();
  void showInterpolatedFrame();
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
  CListIndex<CRurIvaSceneNode, scene::ISceneNode> m_cNodeIndex;
  //! The physics nodes by id, for findNodeById; built when first asked after a change of the
  //! registry (a node's id changed without the registry knowing is found out there).
  std::unordered_map<s32, std::vector<CRurIvaSceneNode*>> m_mNodesById;
  bool m_bNodesByIdCurrent = false;
  core::list<IRurIvaStepMotor*> m_lStepMotors;
  core::list<CRurIvaWorld*> m_lWorlds;
  CRurIvaEventQueue* m_pQueue;
  ITimer* m_pTimer;
  scene::ISceneManager* m_pSmgr;
  IrrlichtDevice* m_pIrrDevice;
  core::list<CRurIvaSurfaceParameters*> m_lParams;
  CListIndex<CRurIvaSurfaceParameters> m_cParamIndex;
  IRurIvaDevice* m_pDevice;
  bool m_bInterpolation;
  f32 m_fAlpha;
  u32 m_iMaxSteps;
  //! The world whose fixed steps run in the current frame.
  CRurIvaWorld* m_pSteppingWorld;
};

}  // namespace ode
}  // namespace irr

#endif
