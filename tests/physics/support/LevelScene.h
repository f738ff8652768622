// The scene the level-geometry tests and benchmarks build on: an engine on the null driver with
// the physics manager installed (and the physics node factory, when asked), one world, and the
// nodes a test makes. The scene graph owns the nodes; this keeps their creation references and
// gives them up, then closes the dynamics library, when it goes.
#ifndef VARRIK_TESTS_PHYSICS_LEVEL_SCENE_H
#define VARRIK_TESTS_PHYSICS_LEVEL_SCENE_H

#include <irrlicht.h>

#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"

namespace varrik_level_test {

//! The device's fixed step: world->step with exactly this time runs one step.
const irr::f32 kLevelStep = 0.016f;
//! The world's gravity (its default).
const irr::f32 kLevelGravity = 10.0f;

class LevelScene {
 public:
  explicit LevelScene(bool bFactory = false) {
    m_pIrr = irr::createDevice(irr::video::EDT_NULL);
    m_pSmgr = m_pIrr->getSceneManager();
    if (bFactory) {
      irr::ode::CRurIvaSceneNodeFactory* pFactory = new irr::ode::CRurIvaSceneNodeFactory(m_pSmgr);
      m_pSmgr->registerSceneNodeFactory(pFactory);
      pFactory->drop();
    }
    m_pManager = irr::ode::CRurIvaManager::getSharedInstance();
    m_pManager->install(m_pIrr);
    m_pManager->initODE();
    m_pDevice = static_cast<irr::ode::CRurIvaDevice*>(m_pManager->getOdeDevice());
    m_pWorld = keep(new irr::ode::CRurIvaWorld(m_pSmgr->getRootSceneNode(), m_pSmgr));
  }
  virtual ~LevelScene() {
    for (irr::scene::ISceneNode* p : m_aKept) p->drop();
    m_pManager->uninstall();
    m_pIrr->drop();
    m_pManager->closeODE();
  }
  LevelScene(const LevelScene&) = delete;
  LevelScene& operator=(const LevelScene&) = delete;

  template <class T>
  T* keep(T* p) {
    m_aKept.push_back(p);
    return p;
  }

  //! A mesh node below pParent showing pMesh (whose creation reference is released).
  irr::scene::IMeshSceneNode* addMeshNode(irr::scene::IMesh* pMesh, irr::scene::ISceneNode* pParent,
                                          const irr::core::vector3df& cPos = irr::core::vector3df(0, 0, 0)) {
    irr::scene::IMeshSceneNode* p = m_pSmgr->addMeshSceneNode(pMesh, pParent, -1, cPos);
    pMesh->drop();
    return p;
  }
  //! A static level: a mesh node below the world with a triangle-mesh geometry below it.
  irr::ode::CRurIvaGeomTrimesh* addLevel(irr::scene::IMesh* pMesh,
                                         const irr::core::vector3df& cPos = irr::core::vector3df(0, 0, 0)) {
    return keep(new irr::ode::CRurIvaGeomTrimesh(addMeshNode(pMesh, m_pWorld, cPos), m_pSmgr));
  }
  //! A ball of mass 1: a body with a sphere geometry below an empty visible node.
  irr::ode::CRurIvaBody* addBall(const irr::core::vector3df& cPos, irr::f32 fRadius,
                                 irr::ode::CRurIvaGeomSphere** ppSphere = nullptr) {
    irr::ode::CRurIvaBody* pBody = keep(new irr::ode::CRurIvaBody(m_pWorld, m_pSmgr, -1, cPos));
    irr::ode::CRurIvaGeomSphere* pSphere =
        keep(new irr::ode::CRurIvaGeomSphere(m_pSmgr->addEmptySceneNode(pBody), m_pSmgr));
    pSphere->setRadius(fRadius);
    if (ppSphere) *ppSphere = pSphere;
    return pBody;
  }

  void init() { m_pWorld->initPhysics(); }
  void steps(int n) {
    for (int i = 0; i < n; ++i) m_pWorld->step(kLevelStep);
  }

  irr::IrrlichtDevice* m_pIrr;
  irr::scene::ISceneManager* m_pSmgr;
  irr::ode::CRurIvaManager* m_pManager;
  irr::ode::CRurIvaDevice* m_pDevice;
  irr::ode::CRurIvaWorld* m_pWorld;
  std::vector<irr::scene::ISceneNode*> m_aKept;
};

}  // namespace varrik_level_test

#endif
