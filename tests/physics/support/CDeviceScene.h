// The scene of the device tests: a test scene on a fresh device whose world is initialised at
// once, so that the device's step can run, and the handles of the dynamics objects a test makes
// through the device itself, destroyed before the scene closes.
#ifndef VARRIK_TESTS_PHYSICS_C_DEVICE_SCENE_H
#define VARRIK_TESTS_PHYSICS_C_DEVICE_SCENE_H

#include "CHandles.h"
#include "CRurIvaSpace.h"
#include "CTestScene.h"

namespace varrik {
namespace test {

class CDeviceScene : public CTestScene {
 public:
  CDeviceScene() : CTestScene(new CRurIvaDevice()), m_cHandles(m_pDevice) { init(); }

  u32 worldId() { return world()->getWorldId(); }
  u32 spaceId() { return world()->getSpace()->getSpaceId(); }

  //! A dynamics body at a position with a sphere mass of its own, made through the device alone.
  u32 addBody(const vector3df& cPos, f32 fMass = 1.0f, f32 fRadius = 0.5f) {
    const u32 b = m_cHandles.body(m_pDevice->bodyCreate(worldId()));
    m_pDevice->bodySetPosition(b, cPos);
    const u32 m = m_pDevice->massCreate();
    m_pDevice->massSetSphereTotal(m, fMass, fRadius);
    m_pDevice->bodySetMass(b, m);
    return b;
  }

  //! An initialised body node below the world, without a geometry: it keeps the library's
  //! default mass.
  CRurIvaBody* addBodyNode(const vector3df& cPos) {
    CRurIvaBody* p = add<CRurIvaBody>(world(), cPos);
    p->initPhysics();
    return p;
  }

  CHandles m_cHandles;
};

}  // namespace test
}  // namespace varrik

#endif
