// Physics set-ups written to an engine scene file and read back through the manager: the same
// nodes come back with their settings, each held by its parent alone, and nothing leaks.

#include <gtest/gtest.h>

#include <irrlicht.h>

#include <cstdio>
#include <string>

#include <unistd.h>

#include "CRurIvaBody.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

using namespace irr;
using namespace irr::ode;

namespace {

//! A test scene with the physics node factory registered and the engine's log silenced.
class CSceneFileScene : public varrik::test::CTestScene {
 public:
  CSceneFileScene() : CTestScene(nullptr, eFactory) { m_pIrr->getLogger()->setLogLevel(ELL_NONE); }
  scene::ISceneManager* smgr() const { return m_pSmgr; }
};

template <class T>
T* findFirst(scene::ISceneNode* pNode, scene::ESCENE_NODE_TYPE iType) {
  if (pNode->getType() == iType) return static_cast<T*>(pNode);
  for (scene::ISceneNode* pChild : pNode->getChildren())
    if (T* pFound = findFirst<T>(pChild, iType)) return pFound;
  return nullptr;
}

std::string tempFile() { return "/tmp/varrik-scene-" + std::to_string(getpid()) + ".irr"; }

TEST(SceneFiles, ASetUpReadBackHoldsItsNodesThroughTheSceneAlone) {
  const std::string sFile = tempFile();
  {
    CSceneFileScene d;
    scene::ISceneManager* smgr = d.smgr();
    scene::ISceneNode* pWorld = smgr->addSceneNode("CRurIvaWorld");
    scene::ISceneNode* pBody = smgr->addSceneNode("CRurIvaBody", pWorld);
    pBody->setPosition(core::vector3df(1, 2, 3));
    static_cast<CRurIvaBody*>(pBody)->setIsFastMoving(true);
    scene::ISceneNode* pMesh = smgr->addSphereSceneNode(1.5f, 8, pBody);
    scene::ISceneNode* pSphere = smgr->addSceneNode("CRurIvaGeomSphere", pMesh);
    static_cast<CRurIvaGeomSphere*>(pSphere)->setMassTotal(4.0f);
    ASSERT_TRUE(smgr->saveScene(sFile.c_str()));
    pSphere->drop();
    pBody->drop();
    pWorld->drop();
  }

  CSceneFileScene d;
  ASSERT_TRUE(CRurIvaManager::getSharedInstance()->loadScene(sFile.c_str(), d.smgr()));
  std::remove(sFile.c_str());

  CRurIvaWorld* pWorld = findFirst<CRurIvaWorld>(d.smgr()->getRootSceneNode(), RUR_IVA_WORLD_ID);
  ASSERT_NE(pWorld, nullptr);
  CRurIvaBody* pBody = findFirst<CRurIvaBody>(pWorld, RUR_IVA_BODY_ID);
  ASSERT_NE(pBody, nullptr);
  CRurIvaGeomSphere* pSphere = findFirst<CRurIvaGeomSphere>(pBody, RUR_IVA_GEOM_SPHERE_ID);
  ASSERT_NE(pSphere, nullptr);

  // The settings came back.
  EXPECT_EQ(pBody->getPosition(), core::vector3df(1, 2, 3));
  EXPECT_TRUE(pBody->isFastMoving());
  EXPECT_FLOAT_EQ(pSphere->getMass(), 4.0f);
  EXPECT_EQ(pSphere->getBody(), pBody);

  // Each loaded node is held by its parent only, so it dies with the scene; the guard ray is
  // the fast body's own and also held by it.
  EXPECT_EQ(pWorld->getReferenceCount(), 1);
  EXPECT_EQ(pBody->getReferenceCount(), 1);
  EXPECT_EQ(pSphere->getReferenceCount(), 1);
  ASSERT_NE(pBody->getFastMovingRay(), nullptr);
  EXPECT_EQ(pBody->getFastMovingRay()->getAttachedBody(), pBody);
  EXPECT_EQ(pBody->getFastMovingRay()->getReferenceCount(), 2);

  // And it simulates: the sphere (radius from the sphere node) falls.
  pWorld->initPhysics();
  EXPECT_FLOAT_EQ(pSphere->getRadius(), 1.5f);
  d.steps(pWorld, 30);
  EXPECT_LT(pBody->getPosition().Y, 1.0f);
}

TEST(SceneFiles, AMissingFileLoadsNothing) {
  CSceneFileScene d;
  const u32 iChildren = d.smgr()->getRootSceneNode()->getChildren().size();
  EXPECT_FALSE(CRurIvaManager::getSharedInstance()->loadScene("/tmp/varrik-no-such-scene.irr", d.smgr()));
  EXPECT_EQ(d.smgr()->getRootSceneNode()->getChildren().size(), iChildren);
}

}  // namespace
