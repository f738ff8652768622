// The world: the order in which its initialisation brings a set-up to life, its space, gravity
// and solver settings, and the surface definitions files it loads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "CActingListener.h"
#include "CRecordingDevice.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaManager.h"
#include "CRurIvaSpace.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

TEST(CoreWorld, InitialisationCreatesTheSetUpInItsFixedOrder) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setLinearDamping(0.1f);
  pWorld->setGravity(vector3df(0, -3, 0));
  cScene.addGround(pWorld);
  CRurIvaGeomBox* pStaticBox = cScene.add<CRurIvaGeomBox>(cScene.addEmpty(pWorld, vector3df(0, 1, 0)));
  pStaticBox->setWidth(1);
  pStaticBox->setHeight(2);
  pStaticBox->setDepht(3);
  cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 0.5f);
  pRec->m_aCalls.clear();
  pWorld->initPhysics();

  const std::vector<std::string> aOrder = {"worldCreate",
                                           "jointGroupCreate",
                                           "spaceCreateSimple(0)",
                                           "worldSetLinearDamping(0.1)",
                                           "worldSetAngularDamping(0)",
                                           "worldSetLinearDampingThreshold(0.01)",
                                           "worldSetAngularDampingThreshold(0.01)",
                                           "worldSetAutoDisableFlag(0)",
                                           "worldSetAutoDisableLinearThreshold(0.01)",
                                           "worldSetAutoDisableAngularThreshold(0.01)",
                                           "worldSetAutoDisableSteps(10)",
                                           "worldSetAutoDisableTime(0)",
                                           "worldSetGravity(0,-3,0)",
                                           "geomCreatePlane",
                                           "geomCreateBox(1,2,3)",
                                           "bodyCreate",
                                           "geomCreateSphere(0.5)",
                                           "massSetSphereTotal(1,0.5)",
                                           "massAdd",
                                           "bodySetMass"};
  int iLast = -1;
  for (const std::string& s : aOrder) {
    const int i = pRec->indexOf(s);
    EXPECT_GT(i, iLast) << s << " is out of order or missing";
    if (i > iLast) iLast = i;
  }
  EXPECT_EQ(pRec->count("worldSetMaxAngularSpeed"), 0);  // 0 means not set: never passed on
  EXPECT_EQ(pRec->count("worldCreate"), 1);
  EXPECT_EQ(pRec->count("spaceCreate"), 1);
  EXPECT_TRUE(pWorld->physicsInitialized());
}

TEST(CoreWorld, AMaximumAngularSpeedIsAppliedAtInitialisation) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setMaxAngularSpeed(3.0f);
  pWorld->initPhysics();
  EXPECT_EQ(pRec->count("worldSetMaxAngularSpeed(3)"), 1);
  EXPECT_GT(pRec->indexOf("worldSetMaxAngularSpeed"), pRec->indexOf("worldSetGravity"));
  EXPECT_FLOAT_EQ(pWorld->getMaxAngularSpeed(), 3.0f);
}

TEST(CoreWorld, AWorldWithoutASpaceGetsOneAndASecondInitialisationChangesNothing) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  EXPECT_EQ(pWorld->getSpace(), nullptr);
  pWorld->initPhysics();

  CRurIvaSpace* pSpace = pWorld->getSpace();
  ASSERT_NE(pSpace, nullptr);
  EXPECT_EQ(pSpace->getParent(), pWorld);
  EXPECT_EQ(pSpace->getSpaceType(), 0);
  EXPECT_NE(pSpace->getSpaceId(), 0u);
  EXPECT_EQ(pWorld->getSpaceList().size(), 1u);
  EXPECT_EQ(pSpace->getReferenceCount(), 1);  // held by the world, its parent, alone
  EXPECT_TRUE(cScene.m_pManager->isRegisteredOdeSceneNode(pSpace));

  const u32 iWorldId = pWorld->getWorldId(), iGroup = pWorld->getJointGroupId();
  const size_t iCalls = pRec->m_aCalls.size();
  pWorld->initPhysics();
  EXPECT_EQ(pRec->m_aCalls.size(), iCalls);
  EXPECT_EQ(pWorld->getWorldId(), iWorldId);
  EXPECT_EQ(pWorld->getJointGroupId(), iGroup);
  EXPECT_EQ(pWorld->getSpace(), pSpace);
  EXPECT_EQ(pWorld->getChildren().size(), 1u);
}

TEST(CoreWorld, GravitySetBeforeInitialisationIsAppliedThenAndLaterChangesApplyAtOnce) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(0, -2, 0));
  EXPECT_EQ(pWorld->getGravity(), vector3df(0, -2, 0));
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 0.5f);
  pWorld->initPhysics();
  cScene.simulate(pWorld, 1.0f);
  EXPECT_NEAR(pBody->getLinearVelocity().Y, -2.0f, 0.05f);

  pWorld->setGravity(vector3df(3, 0, 0));
  cScene.simulate(pWorld, 1.0f);
  EXPECT_NEAR(pBody->getLinearVelocity().Y, -2.0f, 0.05f);
  EXPECT_NEAR(pBody->getLinearVelocity().X, 3.0f, 0.05f);
}

TEST(CoreWorld, SolverSettingsDoNothingBeforeInitialisation) {
  CRecordingDevice* pRec = new CRecordingDevice();
  CTestScene cScene(pRec);
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setERP(0.5f);
  pWorld->setCFM(0.001f);
  pWorld->setQuickStepNumIterations(30);
  pWorld->setQuickStepSOR(1.2f);
  EXPECT_EQ(pRec->count("worldSetERP"), 0);
  EXPECT_EQ(pRec->count("worldSetCFM"), 0);
  EXPECT_EQ(pWorld->getERP(), 0.0f);
  EXPECT_EQ(pWorld->getCFM(), 0.0f);
  EXPECT_EQ(pWorld->getQuickStepNumIterations(), -1);
  EXPECT_EQ(pWorld->getQuickStepSOR(), 0.0f);

  pWorld->initPhysics();
  // Nothing was stored: the dynamics world has the library's defaults.
  EXPECT_FLOAT_EQ(pWorld->getERP(), 0.2f);
  EXPECT_NE(pWorld->getQuickStepNumIterations(), 30);
  pWorld->setERP(0.5f);
  pWorld->setCFM(0.001f);
  pWorld->setQuickStepNumIterations(30);
  pWorld->setQuickStepSOR(1.2f);
  EXPECT_FLOAT_EQ(pWorld->getERP(), 0.5f);
  EXPECT_FLOAT_EQ(pWorld->getCFM(), 0.001f);
  EXPECT_EQ(pWorld->getQuickStepNumIterations(), 30);
  EXPECT_FLOAT_EQ(pWorld->getQuickStepSOR(), 1.2f);
}

TEST(CoreWorld, RemovedFromPhysicsTheWorldNoLongerSteps) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->initPhysics();
  const u32 iWorldId = pWorld->getWorldId();
  pWorld->removeFromPhysics();
  EXPECT_EQ(pWorld->getWorldId(), 0u);
  EXPECT_EQ(cScene.m_pDevice->getWorldId(iWorldId), nullptr);
  EXPECT_FALSE(cScene.m_pManager->isRegisteredOdeSceneNode(pWorld));
  captured([&] { pWorld->step(0.1f); });
  EXPECT_EQ(cScene.m_pDevice->getStepCounter(), 0);
}

TEST(CoreWorld, CloneCopiesGravityAndDampingButCreatesNoDynamicsObjects) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  pWorld->setGravity(vector3df(1, 2, 3));
  pWorld->setAngularDamping(0.25f);
  ISceneNode* pClone = pWorld->clone(cScene.m_pRoot, nullptr);
  ASSERT_EQ(pClone->getType(), irr::ode::RUR_IVA_WORLD_ID);
  CRurIvaWorld* pWorldClone = static_cast<CRurIvaWorld*>(pClone);
  EXPECT_EQ(pWorldClone->getGravity(), vector3df(1, 2, 3));
  EXPECT_FLOAT_EQ(pWorldClone->getAngularDamping(), 0.25f);
  EXPECT_EQ(pWorldClone->getWorldId(), 0u);
  EXPECT_EQ(cScene.m_pManager->getWorlds().size(), 2u);
  pClone->drop();
}

TEST(CoreWorld, ACloneOfAnInitialisedWorldStepsInASpaceOfItsOwn) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addGround(pWorld);
  cScene.addSphereBody(pWorld, vector3df(0, 3, 0), 1.0f);
  pWorld->initPhysics();
  CRurIvaWorld* pClone =
      static_cast<CRurIvaWorld*>(cScene.m_pManager->cloneTree(pWorld, cScene.m_pRoot, nullptr));
  cScene.keep(pClone);
  pClone->initPhysics();
  ASSERT_NE(pClone->getSpace(), nullptr);
  EXPECT_NE(pClone->getSpace(), pWorld->getSpace());
  EXPECT_EQ(pClone->getSpace()->getParent(), pClone);
  EXPECT_EQ(pClone->getSpaceList().size(), 1u);

  // Without its source the clone still steps, and its ball still rests on its ground.
  pWorld->grab();
  pWorld->remove();
  pWorld->drop();
  cScene.simulate(pClone, 2.0f);
  ASSERT_EQ(pClone->getBodyCount(), 1u);
  EXPECT_NEAR((*pClone->getBodyList().begin())->getPosition().Y, 1.0f, 0.02f);
}

// A game that pools its nodes holds one, takes it out of the scene (which takes it out of the
// simulation), and then clears the level or removes the node's body: the node outlives what owned
// it and must not reach it when it finally goes (the sanitizer build reports any read of freed
// memory).
TEST(CoreWorld, NodesTakenOutAndHeldOutliveTheWorldAndBodyThatOwnedThem) {
  enum EHeld { eBody, eGround, eBodysGeometry, eJoint };
  enum EGone { eWorld, eBodyAlone };
  const struct {
    const char* sName;
    EHeld iHeld;
    EGone iGone;
  } aCases[] = {
      {"a body, its world cleared", eBody, eWorld},
      {"a static geometry, its world cleared", eGround, eWorld},
      {"a body's geometry, the world cleared", eBodysGeometry, eWorld},
      {"a body's geometry, the body removed", eBodysGeometry, eBodyAlone},
      {"a joint, its world cleared", eJoint, eWorld},
      {"a joint, its body removed", eJoint, eBodyAlone},
  };
  for (const auto& c : aCases) {
    SCOPED_TRACE(c.sName);
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    CRurIvaGeomPlane* pGround = cScene.addGround(pWorld);
    CRurIvaGeomSphere* pSphere = nullptr;
    // A wheel on an axle fixed in the world (the axle hangs below the wheel, its first body).
    CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 2, 0), 0.5f, 1.0f, &pSphere);
    auto* pAxle = cScene.add<irr::ode::CRurIvaJointHinge>(pBody);
    pWorld->initPhysics();
    ASSERT_EQ(pAxle->getBody1(), pBody);
    cScene.steps(pWorld, 3);

    ISceneNode* const aHeld[] = {pBody, pGround, pSphere, pAxle};
    ISceneNode* pHeld = aHeld[c.iHeld];
    pHeld->grab();
    pHeld->remove();
    EXPECT_EQ(pHeld->getParent(), nullptr);
    if (c.iGone == eBodyAlone) {
      pBody->remove();
      cScene.steps(pWorld, 3);
      EXPECT_EQ(pWorld->getBodyCount(), 0u);
    }
    pWorld->remove();
    pHeld->drop();
  }
}

// A body taken out before its start keeps its geometries below it, and they know no world from
// then on: started after the world has gone, they reach nothing of it.
TEST(CoreWorld, TheGeometriesOfABodyTakenOutBeforeItsStartKnowNoWorld) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 2, 0), 0.5f, 1.0f, &pSphere);
  ASSERT_EQ(pSphere->getWorld(), pWorld);
  pBody->grab();
  pBody->remove();
  EXPECT_EQ(pSphere->getBody(), pBody);
  EXPECT_EQ(pSphere->getWorld(), nullptr);
  pWorld->remove();
  captured([&] { pBody->initPhysics(); });
  pSphere->initPhysics();
  EXPECT_EQ(pBody->getBodyId(), 0u);
  pBody->drop();
}

// A game's listener of body creation may take bodies, or the whole world, out of the scene while
// the world starts them one after the other: the start goes on with the bodies that are left.
TEST(CoreWorld, BodiesAndTheWorldTakenOutFromTheBodiesCreationEventsAreNotStarted) {
  enum EGone { eTheNextBody, eTheBodyJustMade, eTheWorld };
  for (EGone eGone : {eTheNextBody, eTheBodyJustMade, eTheWorld}) {
    SCOPED_TRACE(eGone);
    CTestScene cScene;
    CRurIvaWorld* pWorld = cScene.addWorld();
    std::vector<CRurIvaBody*> aBodies;
    for (int i = 0; i < 3; ++i)
      aBodies.push_back(cScene.addSphereBody(pWorld, vector3df(2.0f * i, 2, 0), 0.5f, 1.0f));
    CActingListener cRemover(irr::ode::eRurIvaEventBodyCreated, [&] {
      if (eGone == eTheWorld) {
        pWorld->remove();
      } else {
        aBodies[eGone == eTheNextBody ? 1 : 0]->remove();
      }
    });
    cRemover.m_bOn = true;
    pWorld->initPhysics();
    if (eGone == eTheWorld) continue;  // the world went with its bodies, once started
    EXPECT_EQ(pWorld->getBodyCount(), 2u);
    EXPECT_NE(aBodies[2]->getBodyId(), 0u);
    if (eGone == eTheNextBody) {
      EXPECT_NE(aBodies[0]->getBodyId(), 0u);
    }
    cScene.steps(pWorld, 3);
  }
}

// The same from the progress events of the manager's start of every world (a loading screen's
// listener): the world being started is taken out, the others are started.
TEST(CoreWorld, AWorldTakenOutFromTheProgressOfTheManagersStartIsNotStarted) {
  CTestScene cScene;
  CRurIvaWorld* aWorlds[3];
  for (int i = 0; i < 3; ++i) {
    aWorlds[i] = cScene.addWorld();
    cScene.addSphereBody(aWorlds[i], vector3df(0, 2, 0), 0.5f, 1.0f);
  }
  CActingListener cRemover(irr::ode::eRurIvaEventProgress, [&] { aWorlds[0]->remove(); });
  cRemover.m_bOn = true;
  cScene.m_pManager->initPhysics();
  EXPECT_EQ(cScene.m_pManager->getWorlds().getSize(), 2u);
  for (int i : {1, 2}) {
    EXPECT_NE(aWorlds[i]->getWorldId(), 0u);
    cScene.steps(aWorlds[i], 3);
  }
}

// The same from the progress of the world's own start, which a game began itself: the space the
// world makes (its first member to report progress) or the world's parent is taken out of the
// scene. What is left is started and steps.
TEST(CoreWorld, AWorldOrItsSpaceTakenOutFromTheProgressOfItsOwnStartIsNoHarm) {
  enum EGone { eTheWorldsParent, eTheWorldsSpace };
  for (EGone eGone : {eTheWorldsParent, eTheWorldsSpace}) {
    SCOPED_TRACE(eGone);
    CTestScene cScene;
    irr::scene::ISceneNode* pHolder = cScene.addEmpty(cScene.m_pSmgr->getRootSceneNode());
    CRurIvaWorld* pWorld = cScene.addWorld(pHolder);
    CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 2, 0), 0.5f, 1.0f);
    CActingListener cRemover(irr::ode::eRurIvaEventProgress, [&] {
      if (eGone == eTheWorldsParent) {
        pHolder->remove();
      } else if (pWorld->getSpace()) {
        pWorld->getSpace()->remove();
      }
    });
    cRemover.m_bOn = true;
    if (eGone == eTheWorldsParent) {
      // Nothing else holds the world: it goes once its start is over.
      pWorld->initPhysics();
      EXPECT_FALSE(cRemover.m_bOn);  // it acted
      EXPECT_EQ(cScene.m_pManager->getWorlds().size(), 0u);
      continue;
    }
    pWorld->initPhysics();
    EXPECT_FALSE(cRemover.m_bOn);
    EXPECT_NE(pWorld->getWorldId(), 0u);
    EXPECT_NE(pBody->getBodyId(), 0u);
    EXPECT_EQ(pWorld->getSpace(), nullptr);
    cScene.steps(pWorld, 3);
    EXPECT_LT(pBody->getPosition().Y, 2.0f);
  }
}

// The same while a body starts what hangs from it: its first joint starts the body it joins, whose
// creation event takes the body's second joint (and the body that one joins) out of the scene.
TEST(CoreWorld, AJointTakenOutWhileItsBodyStartsItsJointsIsNotStarted) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 2, 0), 0.5f, 1.0f);
  auto* pFirst = cScene.add<irr::ode::CRurIvaJointHinge>(pBody);
  CRurIvaBody* pJoined = cScene.addSphereBody(pFirst, vector3df(1, 2, 0), 0.5f, 1.0f);
  auto* pSecond = cScene.add<irr::ode::CRurIvaJointHinge>(pBody);
  cScene.addSphereBody(pSecond, vector3df(-1, 2, 0), 0.5f, 1.0f);
  CActingListener cRemover(irr::ode::eRurIvaEventBodyCreated, [&] { pSecond->remove(); });
  cRemover.m_bOn = true;
  pWorld->initPhysics();
  EXPECT_EQ(pFirst->getBody2(), pJoined);
  EXPECT_NE(pFirst->getJointId(), 0u);
  EXPECT_EQ(pWorld->getBodyCount(), 2u);
  cScene.steps(pWorld, 3);
}

// ---------------------------------------------------------------------------------------------
// Surface definitions files

class CoreSurfaceFile : public testing::Test {
 protected:
  void SetUp() override {
    char sTemplate[] = "/tmp/varrik-core-XXXXXX";
    ASSERT_NE(mkdtemp(sTemplate), nullptr);
    m_sDir = sTemplate;
    m_pWorld = m_cScene.addWorld();
  }
  void TearDown() override {
    for (const std::string& s : m_aFiles) std::remove(s.c_str());
    rmdir(m_sDir.c_str());
  }

  std::string writeText(const std::string& sName, const std::string& sText) {
    const std::string sPath = m_sDir + "/" + sName;
    std::ofstream(sPath, std::ios::binary) << sText;
    m_aFiles.push_back(sPath);
    return sPath;
  }

  //! A definitions file written by the engine: one "parameters" element per set, each holding
  //! the attribute block that the engine's attribute container writes for the set.
  std::string writeSets(const std::string& sName, const std::vector<CRurIvaSurfaceParameters*>& aSets) {
    const std::string sPath = m_sDir + "/" + sName;
    irr::io::IFileSystem* pFs = m_cScene.m_pIrr->getFileSystem();
    irr::io::IXMLWriter* pWriter = pFs->createXMLWriter(sPath.c_str());
    EXPECT_NE(pWriter, nullptr);
    pWriter->writeXMLHeader();
    pWriter->writeElement(L"surfaces");
    pWriter->writeLineBreak();
    for (CRurIvaSurfaceParameters* p : aSets) {
      irr::io::IAttributes* pAttr = pFs->createEmptyAttributes();
      p->serializeAttributes(pAttr, nullptr, 0);
      pWriter->writeElement(L"parameters");
      pWriter->writeLineBreak();
      pAttr->write(pWriter);
      pWriter->writeClosingTag(L"parameters");
      pWriter->writeLineBreak();
      pAttr->drop();
    }
    pWriter->writeClosingTag(L"surfaces");
    pWriter->drop();
    m_aFiles.push_back(sPath);
    return sPath;
  }

  s32 load(const std::string& sPath, std::string* pOutput) {
    s32 iCount = -1;
    const irr::core::stringw sWide(sPath.c_str());
    *pOutput = captured([&] { iCount = m_pWorld->loadFromFile(sWide.c_str()); });
    return iCount;
  }

  //! The loaded sets: the manager's sets other than those of geometries.
  std::vector<CRurIvaSurfaceParameters*> loadedSets() {
    std::vector<CRurIvaSurfaceParameters*> a;
    for (CRurIvaSurfaceParameters* p : m_cScene.m_pManager->getSurfaceParameters()) a.push_back(p);
    return a;
  }

  CTestScene m_cScene;
  CRurIvaWorld* m_pWorld = nullptr;
  std::string m_sDir;
  std::vector<std::string> m_aFiles;
};

TEST_F(CoreSurfaceFile, ThreeSetsAreLoadedRegisteredAndNamed) {
  CRurIvaSurfaceParameters a, b, c;
  a.setName(L"ice");
  a.setMu(0.05f);
  b.setName(L"asphalt");
  b.setMu(1.2f);
  b.setModeBounce(true);
  b.setBounce(0.1f);
  c.setName(L"grass");
  c.m_bStatic = true;
  c.m_bDamps = true;
  c.m_fLinearDamping = 0.3f;
  c.m_fMaxLinearVelocity = 8.0f;
  c.m_fMaxLinearVelocityDamping = 0.25f;
  const std::string sPath = writeSets("surfaces.xml", {&a, &b, &c});

  std::string sOut;
  EXPECT_EQ(load(sPath, &sOut), 3);
  EXPECT_EQ(countOf(sOut, "parameter!\n"), 3);
  EXPECT_EQ(sOut.find("load from file!\n"), 0u);
  EXPECT_NE(sOut.find("3 surface parameter sets loaded from \"" + sPath + "\"\n"), std::string::npos);

  CRurIvaManager* m = m_cScene.m_pManager;
  CRurIvaSurfaceParameters* pIce = m->getSurfaceParameter(L"ice");
  CRurIvaSurfaceParameters* pAsphalt = m->getSurfaceParameter(L"asphalt");
  CRurIvaSurfaceParameters* pGrass = m->getSurfaceParameter(L"grass");
  ASSERT_TRUE(pIce && pAsphalt && pGrass);
  EXPECT_FLOAT_EQ(pIce->getMu(), 0.05f);
  EXPECT_FLOAT_EQ(pAsphalt->getMu(), 1.2f);
  EXPECT_TRUE(pAsphalt->getModeBounce());
  EXPECT_FLOAT_EQ(pAsphalt->getBounce(), 0.1f);
  // Loaded sets are static, so their damping keys are read.
  EXPECT_TRUE(pGrass->m_bStatic);
  EXPECT_TRUE(pGrass->m_bDamps);
  EXPECT_FLOAT_EQ(pGrass->m_fLinearDamping, 0.3f);
  EXPECT_FLOAT_EQ(pGrass->m_fMaxLinearVelocityDamping, 0.25f);
}

TEST_F(CoreSurfaceFile, AGeometryNamingALoadedSetTakesItsValues) {
  CRurIvaSurfaceParameters a;
  a.setName(L"ice");
  a.setMu(0.05f);
  a.setModeSlip1(true);
  std::string sOut;
  const irr::core::stringw sPath(writeSets("ice.xml", {&a}).c_str());
  sOut = captured([&] { EXPECT_EQ(m_pWorld->setSurfaceXml(sPath.c_str()), 1); });
  EXPECT_EQ(m_pWorld->getSurfaceXml(), sPath);

  CRurIvaGeomPlane* pGround = m_cScene.addGround(m_pWorld);
  pGround->getSurfaceParameters(0)->setName(L"ice");
  m_pWorld->initPhysics();
  EXPECT_FLOAT_EQ(pGround->getSurfaceParameters(0)->getMu(), 0.05f);
  EXPECT_TRUE(pGround->getSurfaceParameters(0)->getModeSlip1());
}

TEST_F(CoreSurfaceFile, ASetHandedToSeveralHoldersIsDestroyedOnceByTheLastToGo) {
  // A game hands one loaded set to several geometries, of this world and of another: each
  // geometry destroyed the set it held when it went, and so did the world, so the second to go
  // destroyed it again and the others used it after the first.
  CRurIvaSurfaceParameters a;
  a.setName(L"ice");
  a.setMu(0.05f);
  const irr::core::stringw sPath(writeSets("ice.xml", {&a}).c_str());
  captured([&] { EXPECT_EQ(m_pWorld->setSurfaceXml(sPath.c_str()), 1); });
  irr::ode::CRurIvaManager* pManager = m_cScene.m_pManager;
  CRurIvaSurfaceParameters* pIce = pManager->getSurfaceParameter(L"ice");
  ASSERT_NE(pIce, nullptr);

  CRurIvaWorld* pOtherWorld = m_cScene.addWorld();
  CRurIvaGeomPlane* aGrounds[3] = {m_cScene.addGround(m_pWorld), m_cScene.addGround(m_pWorld, -5.0f),
                                   m_cScene.addGround(pOtherWorld)};
  // The sets they are built with are replaced, and so are the caller's (see the end).
  std::vector<CRurIvaSurfaceParameters*> aReplaced;
  for (CRurIvaGeomPlane* p : aGrounds) {
    aReplaced.push_back(p->getSurfaceParameters(0));
    p->setSurfaceParameters(pIce, 0);
  }
  // Handing a geometry the set it holds changes nothing.
  aGrounds[2]->setSurfaceParameters(pIce, 0);

  const auto stillThere = [&](const char* sAfter) {
    EXPECT_EQ(pManager->getSurfaceParameter(L"ice"), pIce) << sAfter;
    EXPECT_FLOAT_EQ(aGrounds[2]->getSurfaceParameters(0)->getMu(), 0.05f) << sAfter;
  };
  aGrounds[0]->remove();
  stillThere("the first geometry went");
  m_pWorld->remove();  // with the second geometry
  m_pWorld = nullptr;
  stillThere("the world that loaded it went");
  pOtherWorld->remove();
  EXPECT_EQ(pManager->getSurfaceParameter(L"ice"), nullptr);
  for (CRurIvaSurfaceParameters* p : aReplaced) {
    pManager->removeSurfaceParameter(p);
    delete p;
  }
}

TEST_F(CoreSurfaceFile, TheSurfaceDefinitionsAttributeLoadsTheFileWhileReading) {
  CRurIvaSurfaceParameters a;
  a.setName(L"gravel");
  const std::string sPath = writeSets("gravel.xml", {&a});
  irr::io::IAttributes* pAttr = m_cScene.newAttributes();
  m_pWorld->serializeAttributes(pAttr);
  EXPECT_STREQ(pAttr->getAttributeAsString("surfaceDefinitions").c_str(), "");
  pAttr->setAttribute("surfaceDefinitions", sPath.c_str());
  CRurIvaWorld* pRead = m_cScene.addWorld();
  const std::string sOut = captured([&] { pRead->deserializeAttributes(pAttr); });
  EXPECT_EQ(countOf(sOut, "parameter!\n"), 1);
  EXPECT_NE(m_cScene.m_pManager->getSurfaceParameter(L"gravel"), nullptr);

  // An empty name loads nothing and prints nothing.
  pAttr->setAttribute("surfaceDefinitions", "");
  EXPECT_EQ(captured([&] { pRead->deserializeAttributes(pAttr); }), "");
  pAttr->drop();
}

TEST_F(CoreSurfaceFile, AMissingFileSaysSoAndLoadsNothing) {
  const std::string sPath = m_sDir + "/missing.xml";
  std::string sOut;
  EXPECT_EQ(load(sPath, &sOut), 0);
  EXPECT_EQ(sOut, "load from file!\nunable to open \"" + sPath + "\"\n");
  EXPECT_TRUE(loadedSets().empty());
}

TEST_F(CoreSurfaceFile, AHandWrittenFileLoadsAndItsUnknownPartsAreSkipped) {
  const std::string sPath = writeText("hand.xml",
                                      "<?xml version=\"1.0\"?>\n"
                                      "<surfaces>\n"
                                      "  <comment>not a set</comment>\n"
                                      "  <parameters>\n"
                                      "    <attributes>\n"
                                      "      <string name=\"name\" value=\"rock\" />\n"
                                      "      <float name=\"mu\" value=\"0.8\" />\n"
                                      "      <bool name=\"mode_bounce\" value=\"true\" />\n"
                                      "      <widget name=\"unknown\" value=\"1\" />\n"
                                      "    </attributes>\n"
                                      "  </parameters>\n"
                                      "  <parameters/>\n"
                                      "  <parameters><attributes/></parameters>\n"
                                      "</surfaces>\n");
  std::string sOut;
  EXPECT_EQ(load(sPath, &sOut), 3);
  CRurIvaSurfaceParameters* pRock = m_cScene.m_pManager->getSurfaceParameter(L"rock");
  ASSERT_NE(pRock, nullptr);
  EXPECT_FLOAT_EQ(pRock->getMu(), 0.8f);
  EXPECT_EQ(pRock->getMode(), 0x0004);
}

TEST_F(CoreSurfaceFile, FilesThatAreNotXmlOrAreBrokenLoadWhatTheyCanAndNeverCrash) {
  const std::vector<std::pair<std::string, std::string>> aFiles = {
      {"binary.xml", std::string("\x00\x01\x02\xff\xfe garbage \x80\x81", 17)},
      {"plain.xml", "just some text, no markup at all"},
      {"empty.xml", ""},
      {"unclosed.xml", "<surfaces><parameters><attributes><float name=\"mu\" value=\"0.4\""},
      {"no-end.xml", "<surfaces><parameters><attributes><string name=\"name\" value=\"mud\"/>"},
      {"nested.xml",
       "<parameters><parameters><attributes><string name=\"name\" value=\"a\"/></attributes></parameters>"},
      {"stray-ends.xml", "</attributes></parameters><parameters></attributes></parameters>"},
      {"odd-values.xml",
       "<parameters><attributes><float value=\"1\"/><float name=\"mu\"/><string name=\"name\" value=\"odd\"/>"
       "<int name=\"mode\" value=\"x\"/><vector3d name=\"v\" value=\"1,2\"/></attributes></parameters>"},
  };
  for (const auto& f : aFiles) {
    SCOPED_TRACE(f.first);
    std::string sOut;
    const size_t iBefore = loadedSets().size();
    const s32 iCount = load(writeText(f.first, f.second), &sOut);
    EXPECT_GE(iCount, 0);
    EXPECT_EQ(countOf(sOut, "parameter!\n"), iCount);
    // Every set counted is registered; a set element without an attribute block adds none.
    EXPECT_LE(loadedSets().size() - iBefore, static_cast<size_t>(iCount));
  }
  EXPECT_NE(m_cScene.m_pManager->getSurfaceParameter(L"mud"), nullptr);
  CRurIvaSurfaceParameters* pOdd = m_cScene.m_pManager->getSurfaceParameter(L"odd");
  ASSERT_NE(pOdd, nullptr);
  EXPECT_EQ(pOdd->getMu(), 0.0f);
}

}  // namespace
}  // namespace test
}  // namespace varrik
