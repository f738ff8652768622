// The scene of the physics tests: the shared scene (see CPhysicsScene.h) that, when it closes at
// the end of a test, checks that every node, world and surface set left the manager. Every node
// unregisters itself when it is destroyed; anything left would be a dangling pointer there.
#ifndef VARRIK_TESTS_PHYSICS_C_TEST_SCENE_H
#define VARRIK_TESTS_PHYSICS_C_TEST_SCENE_H

#include <gtest/gtest.h>

#include "CPhysicsScene.h"
#include "TestChecks.h"

namespace varrik {
namespace test {

class CTestScene : public CPhysicsScene {
 public:
  explicit CTestScene(CRurIvaDevice* pDevice = nullptr, u32 iOptions = eNone)
      : CPhysicsScene(pDevice, iOptions) {}

  ~CTestScene() override {
    close();
    EXPECT_EQ(m_iNodesLeft, 0u) << "nodes left registered";
    EXPECT_EQ(m_iWorldsLeft, 0u) << "worlds left registered";
    EXPECT_EQ(m_iSurfacesLeft, 0u) << "surface sets left registered";
  }
};

}  // namespace test
}  // namespace varrik

#endif
