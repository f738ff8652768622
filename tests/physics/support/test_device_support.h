// Helpers for the device tests: a device whose dynamics objects are destroyed at the end of a
// test (the device never destroys them itself), and a scene on the null driver whose world node
// lives in a device of the test's choosing, so that the device's step can run.
#ifndef TEST_DEVICE_SUPPORT_H
#define TEST_DEVICE_SUPPORT_H

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <string>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaManager.h"
#include "CRurIvaSpace.h"
#include "CRurIvaWorld.h"

namespace varrik_device_test {

using irr::f32;
using irr::s32;
using irr::u32;
using irr::core::vector3df;
using irr::ode::CRurIvaDevice;

//! Handles to destroy after a test, in an order the dynamics library accepts.
class CHandles {
 public:
  explicit CHandles(CRurIvaDevice* pDevice) : m_pDevice(pDevice) {}
  ~CHandles() { destroyAll(); }
  CHandles(const CHandles&) = delete;
  CHandles& operator=(const CHandles&) = delete;

  u32 world(u32 h) { return keep(m_aWorlds, h); }
  u32 body(u32 h) { return keep(m_aBodies, h); }
  u32 geom(u32 h) { return keep(m_aGeoms, h); }
  u32 joint(u32 h) { return keep(m_aJoints, h); }
  u32 space(u32 h) { return keep(m_aSpaces, h); }
  u32 group(u32 h) { return keep(m_aGroups, h); }

  //! Destroys everything kept (destroying a handle twice is a no-op for the device).
  void destroyAll() {
    for (u32 h : m_aJoints) m_pDevice->jointDestroy(h);
    for (u32 h : m_aGeoms) m_pDevice->geomDestroy(h);
    for (u32 h : m_aBodies) m_pDevice->bodyDestroy(h);
    for (u32 h : m_aSpaces) m_pDevice->spaceDestroy(h);
    for (u32 h : m_aGroups) m_pDevice->jointGroupDestroy(h);
    for (u32 h : m_aWorlds) m_pDevice->worldDestroy(h);
    m_aJoints.clear();
    m_aGeoms.clear();
    m_aBodies.clear();
    m_aSpaces.clear();
    m_aGroups.clear();
    m_aWorlds.clear();
  }

 private:
  u32 keep(std::vector<u32>& a, u32 h) {
    if (h) a.push_back(h);
    return h;
  }

  CRurIvaDevice* m_pDevice;
  std::vector<u32> m_aWorlds, m_aBodies, m_aGeoms, m_aJoints, m_aSpaces, m_aGroups;
};

/**
 * An engine device on the null driver and a physics world node whose dynamics world lives in
 * the given device. The manager takes the device over (it deletes the one it had), so the
 * device must be installed before any node caches it; each test runs in a process of its own.
 */
class CDeviceScene {
 public:
  explicit CDeviceScene(CRurIvaDevice* pDevice) : m_pDevice(pDevice), m_cHandles(pDevice) {
    m_pIrr = irr::createDevice(irr::video::EDT_NULL);
    m_pSmgr = m_pIrr->getSceneManager();
    m_pManager = irr::ode::CRurIvaManager::getSharedInstance();
    irr::ode::IRurIvaDevice* pOld = m_pManager->getOdeDevice();
    if (pOld != pDevice) {
      m_pManager->setOdeDevice(pDevice);
      delete pOld;
    }
    m_pManager->install(m_pIrr);
    m_pManager->initODE();
    m_pWorld = new irr::ode::CRurIvaWorld(m_pSmgr->getRootSceneNode(), m_pSmgr);
    m_pWorld->initPhysics();
  }

  ~CDeviceScene() {
    m_cHandles.destroyAll();
    m_pWorld->remove();
    m_pWorld->drop();
    m_pManager->uninstall();
    m_pIrr->drop();
  }

  CDeviceScene(const CDeviceScene&) = delete;
  CDeviceScene& operator=(const CDeviceScene&) = delete;

  u32 worldId() const { return m_pWorld->getWorldId(); }
  u32 spaceId() const { return m_pWorld->getSpace()->getSpaceId(); }

  //! A body at a position with a sphere mass of its own (no geometry).
  u32 addBody(const vector3df& cPos, f32 fMass = 1.0f, f32 fRadius = 0.5f) {
    const u32 b = m_cHandles.body(m_pDevice->bodyCreate(worldId()));
    m_pDevice->bodySetPosition(b, cPos);
    const u32 m = m_pDevice->massCreate();
    m_pDevice->massSetSphereTotal(m, fMass, fRadius);
    m_pDevice->bodySetMass(b, m);
    return b;
  }

  //! A body node below the world, initialised: its handle lives in the scene's device. It has
  //! no geometry, so it keeps the library's default mass.
  irr::ode::CRurIvaBody* addBodyNode(const vector3df& cPos) {
    irr::ode::CRurIvaBody* p = new irr::ode::CRurIvaBody(m_pWorld, m_pSmgr, -1, cPos);
    p->initPhysics();
    p->drop();  // the world node, its parent, keeps it
    return p;
  }

  //! Runs n fixed steps.
  void steps(int n) {
    for (int i = 0; i < n; ++i) m_pWorld->step(m_pDevice->getStepSize());
  }

  CRurIvaDevice* m_pDevice;
  CHandles m_cHandles;
  irr::IrrlichtDevice* m_pIrr;
  irr::scene::ISceneManager* m_pSmgr;
  irr::ode::CRurIvaManager* m_pManager;
  irr::ode::CRurIvaWorld* m_pWorld;
};

//! Runs a piece of code and returns what it printed on standard output.
template <class F>
std::string captured(F f) {
  testing::internal::CaptureStdout();
  f();
  return testing::internal::GetCapturedStdout();
}

inline int lineCount(const std::string& s) {
  int n = 0;
  for (char c : s) n += (c == '\n');
  return n;
}

#define EXPECT_VEC_NEAR(a, b, tol)        \
  do {                                    \
    const vector3df cA_ = (a), cB_ = (b); \
    EXPECT_NEAR(cA_.X, cB_.X, tol) << #a; \
    EXPECT_NEAR(cA_.Y, cB_.Y, tol) << #a; \
    EXPECT_NEAR(cA_.Z, cB_.Z, tol) << #a; \
  } while (0)

}  // namespace varrik_device_test

#endif
