// Dynamics objects a device test makes through the device itself: the device never destroys
// them, so a test hands their handles to a CHandles, which destroys them at its end.
#ifndef VARRIK_TESTS_PHYSICS_C_HANDLES_H
#define VARRIK_TESTS_PHYSICS_C_HANDLES_H

#include <vector>

#include "CRurIvaDevice.h"
#include "TestTypes.h"

namespace varrik {
namespace test {

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

}  // namespace test
}  // namespace varrik

#endif
