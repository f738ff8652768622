// A small physics scene on the null driver for the joint, motor and step motor tests: one
// world, bodies with sphere geometries, and a fixed-step clock.
#ifndef TEST_JOINT_SCENE_H
#define TEST_JOINT_SCENE_H

#include <irrlicht.h>

#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"

namespace varrik_joint_test {

using irr::f32;
using irr::core::vector3df;

//! The device's fixed step; world->step with exactly this time runs one step.
const f32 kStep = 0.016f;

/**
 * Owns the engine device and the creation references of the nodes it makes; the scene graph
 * owns the nodes themselves. A device given to the constructor replaces the manager's device
 * before any node caches it (the manager takes it over).
 */
class CJointScene {
 public:
  explicit CJointScene(irr::ode::IRurIvaDevice* pDevice = nullptr,
                       const vector3df& cGravity = vector3df(0, -10, 0)) {
    m_pIrr = irr::createDevice(irr::video::EDT_NULL);
    m_pSmgr = m_pIrr->getSceneManager();
    m_pManager = irr::ode::CRurIvaManager::getSharedInstance();
    if (pDevice) {
      irr::ode::IRurIvaDevice* pOld = m_pManager->getOdeDevice();
      m_pManager->setOdeDevice(pDevice);
      delete pOld;
    }
    m_pManager->install(m_pIrr);
    m_pManager->initODE();
    m_pWorld = new irr::ode::CRurIvaWorld(m_pSmgr->getRootSceneNode(), m_pSmgr);
    keep(m_pWorld);
    m_pWorld->setGravity(cGravity);
  }

  ~CJointScene() {
    for (irr::scene::ISceneNode* pNode : m_aNodes) pNode->drop();
    m_pManager->uninstall();
    m_pIrr->drop();
  }

  CJointScene(const CJointScene&) = delete;
  CJointScene& operator=(const CJointScene&) = delete;

  /**
   * A body whose mass is a sphere at its origin; the sphere takes part in no collision. The
   * sphere hangs from a visible node at the body's origin, as a geometry does: its parent's
   * place relative to the body is its offset.
   */
  irr::ode::CRurIvaBody* addBody(irr::scene::ISceneNode* pParent, const vector3df& cPos, f32 fMass,
                                 f32 fRadius = 0.1f, const vector3df& cRot = vector3df(0, 0, 0)) {
    irr::ode::CRurIvaBody* pBody = new irr::ode::CRurIvaBody(pParent, m_pSmgr, -1, cPos, cRot);
    keep(pBody);
    irr::scene::ISceneNode* pVisual = m_pSmgr->addEmptySceneNode(pBody);
    irr::ode::CRurIvaGeomSphere* pSphere = new irr::ode::CRurIvaGeomSphere(pVisual, m_pSmgr);
    keep(pSphere);
    pSphere->setRadius(fRadius);
    pSphere->setMassTotal(fMass);
    pSphere->setCollide(false);
    return pBody;
  }

  //! Any physics node with the usual constructor, placed relative to its parent.
  template <class T>
  T* add(irr::scene::ISceneNode* pParent, const vector3df& cPos = vector3df(0, 0, 0),
         const vector3df& cRot = vector3df(0, 0, 0)) {
    T* pNode = new T(pParent, m_pSmgr, -1, cPos, cRot);
    keep(pNode);
    return pNode;
  }

  void keep(irr::scene::ISceneNode* pNode) { m_aNodes.push_back(pNode); }

  void init() { m_pWorld->initPhysics(); }

  void steps(int iCount) {
    for (int i = 0; i < iCount; ++i) m_pWorld->step(kStep);
  }

  irr::IrrlichtDevice* m_pIrr;
  irr::scene::ISceneManager* m_pSmgr;
  irr::ode::CRurIvaManager* m_pManager;
  irr::ode::CRurIvaWorld* m_pWorld;
  std::vector<irr::scene::ISceneNode*> m_aNodes;
};

}  // namespace varrik_joint_test

#endif
