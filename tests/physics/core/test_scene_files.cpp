// Physics set-ups written to an engine scene file and read back through the manager: the same
// nodes come back with their settings, each held by its parent alone, and nothing leaks.

#include <gtest/gtest.h>

#include <irrlicht.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "CRurIvaBody.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaSpace.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

using namespace irr;
using namespace irr::ode;
using varrik::test::captured;

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

TEST(SceneFiles, AStartedSetUpRoundTripsWithoutGainingRaysOrSpacesAndStillCollides) {
  // A started world (it made its own space), a second space holding a fast body above the
  // ground, written as an older version wrote it: with the body's guard ray as a plain ray.
  const std::string sFile = tempFile();
  {
    CSceneFileScene d;
    scene::ISceneManager* smgr = d.smgr();
    CRurIvaWorld* pWorld = static_cast<CRurIvaWorld*>(smgr->addSceneNode("CRurIvaWorld"));
    scene::ISceneNode* pGround = smgr->addSceneNode("CRurIvaGeomPlane", pWorld);
    static_cast<CRurIvaGeomPlane*>(pGround)->setParams(0, 1, 0, 0);
    pWorld->initPhysics();
    scene::ISceneNode* pSpace = smgr->addSceneNode("CRurIvaSpace", pWorld);
    CRurIvaBody* pBody = static_cast<CRurIvaBody*>(smgr->addSceneNode("CRurIvaBody", pSpace));
    pBody->setPosition(core::vector3df(0, 3, 0));
    pBody->setIsFastMoving(true);
    pBody->getFastMovingRay()->setIsDebugObject(false);
    scene::ISceneNode* pSphere =
        smgr->addSceneNode("CRurIvaGeomSphere", smgr->addSphereSceneNode(1.0f, 8, pBody));
    ASSERT_TRUE(smgr->saveScene(sFile.c_str()));
    for (scene::ISceneNode* p :
         std::initializer_list<scene::ISceneNode*>{pSphere, pBody, pSpace, pGround, pWorld})
      p->drop();
  }
  for (int iTrip = 0; iTrip < 3; ++iTrip) {
    SCOPED_TRACE(iTrip);
    CSceneFileScene d;
    const std::string sOut = captured(
        [&] { ASSERT_TRUE(CRurIvaManager::getSharedInstance()->loadScene(sFile.c_str(), d.smgr())); });
    EXPECT_EQ(sOut.find("1 stray guard ray(s) of an older scene file dropped") != std::string::npos,
              iTrip == 0);
    CRurIvaWorld* pWorld = findFirst<CRurIvaWorld>(d.smgr()->getRootSceneNode(), RUR_IVA_WORLD_ID);
    ASSERT_NE(pWorld, nullptr);
    CRurIvaBody* pBody = findFirst<CRurIvaBody>(pWorld, RUR_IVA_BODY_ID);
    ASSERT_NE(pBody, nullptr);
    u32 iRays = 0;
    for (scene::ISceneNode* pChild : pWorld->getChildren()) iRays += pChild->getType() == RUR_IVA_GEOM_RAY_ID;
    EXPECT_EQ(iRays, 1u);
    ASSERT_NE(pBody->getFastMovingRay(), nullptr);
    EXPECT_EQ(pBody->getFastMovingRay()->getParent(), pWorld);

    // The space the world made is its space again, the other is nested in it: the body lands.
    pWorld->initPhysics();
    ASSERT_EQ(pWorld->getSpaceList().size(), 2u);
    EXPECT_EQ(pBody->getParent()->getType(), RUR_IVA_SPACE_ID);
    EXPECT_EQ(static_cast<CRurIvaSpace*>(pBody->getParent())->getParentSpace(), pWorld->getSpace());
    pBody->setPosition(core::vector3df(0, 3, 0));
    d.simulate(pWorld, 2.0f);
    EXPECT_NEAR(pBody->getPosition().Y, 1.0f, 0.02f);
    ASSERT_TRUE(d.smgr()->saveScene(sFile.c_str()));
  }
  std::remove(sFile.c_str());
}

// The engine writes a missing texture as "0" and would read it back as the file of that name:
// nodes without textures come back without, whatever lies in the working folder, and the
// texture the layer stands in for "0" meanwhile is gone after the load.
TEST(SceneFiles, NodesWithoutTexturesComeBackWithoutEvenBesideAFileNamed0) {
  char sDir[] = "/tmp/varrik-textures-XXXXXX";
  ASSERT_NE(mkdtemp(sDir), nullptr);
  const std::string sFile = std::string(sDir) + "/scene.irr";
  const std::string sWorking = std::filesystem::current_path().string();
  std::filesystem::current_path(sDir);
  for (bool bFile0 : {false, true}) {
    SCOPED_TRACE(bFile0 ? "a picture named 0 in the working folder" : "no file named 0");
    {
      CSceneFileScene d;
      scene::ISceneManager* smgr = d.smgr();
      scene::ISceneNode* pWorld = smgr->addSceneNode("CRurIvaWorld");
      scene::ISceneNode* pBody = smgr->addSceneNode("CRurIvaBody", pWorld);
      scene::ISceneNode* pCube = smgr->addCubeSceneNode(1.0f, pBody);
      pCube->setName("cube");
      ASSERT_TRUE(smgr->saveScene(sFile.c_str()));
      if (bFile0) {
        video::IVideoDriver* pDriver = smgr->getVideoDriver();
        video::IImage* pImage = pDriver->createImage(video::ECF_A8R8G8B8, core::dimension2du(2, 2));
        ASSERT_TRUE(pDriver->writeImageToFile(pImage, "0.bmp"));
        pImage->drop();
        std::filesystem::rename("0.bmp", "0");
      }
      pBody->drop();
      pWorld->drop();
    }
    CSceneFileScene d;
    video::IVideoDriver* pDriver = d.smgr()->getVideoDriver();
    const u32 iTextures = pDriver->getTextureCount();
    ASSERT_TRUE(CRurIvaManager::getSharedInstance()->loadScene(sFile.c_str(), d.smgr()));
    scene::ISceneNode* pCube = d.smgr()->getSceneNodeFromName("cube");
    ASSERT_NE(pCube, nullptr);
    CRurIvaBody* pBody = findFirst<CRurIvaBody>(d.smgr()->getRootSceneNode(), RUR_IVA_BODY_ID);
    ASSERT_NE(pBody, nullptr);
    for (scene::ISceneNode* pNode : {pCube, static_cast<scene::ISceneNode*>(pBody)})
      for (u32 k = 0; k < video::MATERIAL_MAX_TEXTURES; ++k) EXPECT_EQ(pNode->getMaterial(0).getTexture(k), nullptr);
    EXPECT_EQ(pDriver->getTextureCount(), iTextures);
    // A texture named "0" that the program made itself is the program's: the file names it.
    video::IImage* pImage = pDriver->createImage(video::ECF_A8R8G8B8, core::dimension2du(1, 1));
    video::ITexture* pOwn = pDriver->addTexture("0", pImage);
    pImage->drop();
    ASSERT_TRUE(CRurIvaManager::getSharedInstance()->loadScene(sFile.c_str(), d.smgr()));
    u32 iWearing = 0;
    for (scene::ISceneNode* pChild : d.smgr()->getRootSceneNode()->getChildren())
      if (CRurIvaBody* pLoaded = findFirst<CRurIvaBody>(pChild, RUR_IVA_BODY_ID))
        iWearing += pLoaded->getMaterial(0).getTexture(0) == pOwn;
    EXPECT_EQ(iWearing, 1u);
    EXPECT_EQ(pDriver->findTexture("0"), pOwn);
  }
  std::filesystem::current_path(sWorking);
  std::filesystem::remove_all(sDir);
}

TEST(SceneFiles, AMissingFileLoadsNothing) {
  CSceneFileScene d;
  const u32 iChildren = d.smgr()->getRootSceneNode()->getChildren().size();
  EXPECT_FALSE(CRurIvaManager::getSharedInstance()->loadScene("/tmp/varrik-no-such-scene.irr", d.smgr()));
  EXPECT_EQ(d.smgr()->getRootSceneNode()->getChildren().size(), iChildren);
}

}  // namespace
