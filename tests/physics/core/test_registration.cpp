// The manager's registries: which physics nodes are registered while they sit below a world,
// how re-parenting, removal and destruction keep the registry right, the duplicate rules of the
// registries, the node id counter and cloning, and what the node base class gives every node.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "CEventLog.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeom.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNode.h"
#include "CRurIvaSpace.h"
#include "CRurIvaSurfaceParameters.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"
#include "IRurIvaEvent.h"

namespace varrik {
namespace test {
namespace {

using irr::ode::RUR_IVA_BODY_ID;
using irr::ode::RUR_IVA_WORLD_ID;

std::vector<irr::ode::CRurIvaSceneNode*> registry() {
  std::vector<irr::ode::CRurIvaSceneNode*> a;
  for (irr::ode::CRurIvaSceneNode* p : CRurIvaManager::getSharedInstance()->getRurIvaNodes()) a.push_back(p);
  return a;
}

TEST(CoreRegistration, NodesBelowAWorldAreRegisteredAtConstruction) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  ISceneNode* pVisual = cScene.addEmpty(pWorld);
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pVisual);  // a world two levels up is still above
  CRurIvaBody* pLoose = cScene.add<CRurIvaBody>(cScene.m_pRoot);

  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pBody));
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(pLoose));
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(pVisual));
  // A world with no world above it registers as a world, not as a node of the registry.
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(pWorld));
  EXPECT_EQ(m->getWorlds().size(), 1u);
  EXPECT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pBody}));
}

TEST(CoreRegistration, SetParentRegistersBelowAWorldAndUnregistersOutsideOne) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  ISceneNode* pOutside = cScene.addEmpty(cScene.m_pRoot);
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pOutside);
  ASSERT_FALSE(m->isRegisteredOdeSceneNode(pBody));

  pBody->setParent(pWorld);
  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pBody));
  EXPECT_EQ(pBody->getParent(), pWorld);
  EXPECT_EQ(pBody->getReferenceCount(), 1);  // only the new parent holds it

  pBody->setParent(pOutside);
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(pBody));
  EXPECT_EQ(pBody->getParent(), pOutside);
  EXPECT_EQ(pBody->getReferenceCount(), 1);
}

TEST(CoreRegistration, ReparentingWithinTheWorldKeepsTheNodeAliveAndRegisteredOnce) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 1.0f);
  ISceneNode* pOther = cScene.addEmpty(pWorld);
  pWorld->initPhysics();
  const u32 iBodyId = pBody->getBodyId();
  ASSERT_NE(iBodyId, 0u);

  // Re-parenting is not removal: the dynamics body survives it.
  pBody->setParent(pOther);
  EXPECT_EQ(pBody->getBodyId(), iBodyId);
  EXPECT_EQ(pWorld->getBodyCount(), 1u);
  int n = 0;
  for (irr::ode::CRurIvaSceneNode* p : m->getRurIvaNodes()) n += p == pBody;
  EXPECT_EQ(n, 1);
  cScene.steps(pWorld, 5);
  EXPECT_LT(pBody->getPosition().Y, 5.0f);
}

TEST(CoreRegistration, AWorldReparentedAnywhereIsRegistered) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  ISceneNode* pHolder = cScene.addEmpty(cScene.m_pRoot);
  pWorld->setParent(pHolder);
  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pWorld));
  EXPECT_EQ(pWorld->getParent(), pHolder);
  EXPECT_EQ(m->getWorlds().size(), 1u);
  pWorld->setParent(cScene.m_pRoot);
  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pWorld));
}

TEST(CoreRegistration, RemoveTakesTheNodeOutOfTheRegistry) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pKept = cScene.add<CRurIvaBody>(pWorld);
  CRurIvaBody* pGone = cScene.add<CRurIvaBody>(pWorld);

  // A caller that keeps a reference keeps the node; it is out of the scene and the registry.
  pKept->grab();
  pKept->remove();
  EXPECT_EQ(pKept->getParent(), nullptr);
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(pKept));
  pKept->drop();

  // A caller without a reference of its own: the node goes, and takes its registration along.
  pGone->remove();
  EXPECT_TRUE(registry().empty());
  EXPECT_EQ(pWorld->getChildren().size(), 0u);
}

TEST(CoreRegistration, RemovingAnInitialisedBodyDestroysItsDynamicsBody) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 1.0f);
  pWorld->initPhysics();
  const u32 iBodyId = pBody->getBodyId();
  ASSERT_NE(cScene.m_pDevice->getBodyId(iBodyId), nullptr);

  pBody->grab();  // the caller's reference, as the scene manager's deletion queue holds one
  pBody->remove();
  EXPECT_EQ(cScene.m_pDevice->getBodyId(iBodyId), nullptr);
  EXPECT_EQ(pBody->getBodyId(), 0u);
  EXPECT_EQ(pWorld->getBodyCount(), 0u);
  pBody->drop();
  cScene.steps(pWorld, 3);  // the world steps on without it
}

TEST(CoreRegistration, DestroyedNodesLeaveTheRegistry) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 0, 0), 1.0f);
  ASSERT_EQ(registry().size(), 2u);  // body, geometry
  pWorld->removeChild(pBody);        // drops the last reference: the body and its geometry die
  EXPECT_TRUE(registry().empty());
  EXPECT_EQ(pWorld->getBodyCount(), 0u);
}

TEST(CoreRegistration, AddWorldTwiceKeepsOneEntry) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  ASSERT_EQ(m->getWorlds().size(), 1u);
  m->addWorld(pWorld);
  m->addWorld(pWorld);
  EXPECT_EQ(m->getWorlds().size(), 1u);
  m->removeWorld(pWorld);
  EXPECT_TRUE(m->getWorlds().empty());
  m->addWorld(pWorld);  // the world's destructor takes it out again
}

TEST(CoreRegistration, AddNodeTwiceKeepsTwoEntriesAndOneRemoveTakesTheFirst) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  CRurIvaBody* pOther = cScene.add<CRurIvaBody>(pWorld);
  ASSERT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pBody, pOther}));

  m->addOdeSceneNode(pBody);
  EXPECT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pBody, pOther, pBody}));
  m->removeOdeSceneNode(pBody);
  EXPECT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pOther, pBody}));
  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pBody));
  m->removeOdeSceneNode(pOther);
  m->removeOdeSceneNode(pOther);  // not listed any more: nothing happens
  EXPECT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pBody}));

  // Each removal takes the earliest entry that is left, and the node stays registered until its
  // last entry goes.
  m->addOdeSceneNode(pOther);
  m->addOdeSceneNode(pBody);
  m->addOdeSceneNode(pBody);
  EXPECT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pBody, pOther, pBody, pBody}));
  m->removeOdeSceneNode(pBody);
  m->removeOdeSceneNode(pBody);
  EXPECT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pOther, pBody}));
  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pBody));
  m->removeOdeSceneNode(pBody);
  EXPECT_EQ(registry(), (std::vector<irr::ode::CRurIvaSceneNode*>{pOther}));
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(pBody));
  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pOther));
  m->addOdeSceneNode(pBody);  // as it was, for the nodes' own destructors
}

// The long lists of plain pointers (the manager's nodes and surface sets, a world's bodies and
// static geometries) keep their order and duplicates through any mix of appends and removals of
// first entries, however they find their entries.
TEST(CoreRegistration, TheListsFollowAnyMixOfAddsAndRemovesInOrder) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  std::vector<void*> aBodies, aGeoms, aSets;
  for (int i = 0; i < 4; ++i) {
    irr::ode::CRurIvaGeomSphere* pGeom = cScene.add<irr::ode::CRurIvaGeomSphere>(pWorld);  // static
    aGeoms.push_back(pGeom);
    aSets.push_back(pGeom->getSurfaceParameters(0));
    aBodies.push_back(cScene.add<CRurIvaBody>(pWorld));
  }
  auto listed = [](const auto& lList) {
    std::vector<void*> a;
    for (void* p : lList) a.push_back(p);
    return a;
  };
  auto body = [](void* p) { return static_cast<CRurIvaBody*>(p); };
  auto geom = [](void* p) { return static_cast<irr::ode::CRurIvaGeom*>(p); };
  auto set = [](void* p) { return static_cast<irr::ode::CRurIvaSurfaceParameters*>(p); };
  struct SList {
    const char* sName;
    std::vector<void*> aItems;
    std::function<void(void*)> fAdd, fRemove;
    std::function<std::vector<void*>()> fListed;
  };
  const SList aLists[] = {
      {"nodes", aBodies, [&](void* p) { m->addOdeSceneNode(body(p)); },
       [&](void* p) { m->removeOdeSceneNode(body(p)); }, [&] { return listed(m->getRurIvaNodes()); }},
      {"surface sets", aSets, [&](void* p) { m->addSurfaceParameter(set(p)); },
       [&](void* p) { m->removeSurfaceParameter(set(p)); },
       [&] { return listed(m->getSurfaceParameters()); }},
      {"bodies", aBodies, [&](void* p) { pWorld->addBody(body(p)); },
       [&](void* p) { pWorld->removeBody(body(p)); }, [&] { return listed(pWorld->getBodyList()); }},
      {"static geometries", aGeoms, [&](void* p) { pWorld->addGeom(geom(p)); },
       [&](void* p) { pWorld->removeGeom(geom(p)); }, [&] { return listed(pWorld->getGeomList()); }},
  };
  std::mt19937 cRandom(7);
  for (const SList& c : aLists) {
    SCOPED_TRACE(c.sName);
    // Only the test's items, appended at the back, the first entry of an item removed.
    for (void* p : c.fListed())
      if (std::find(c.aItems.begin(), c.aItems.end(), p) == c.aItems.end()) c.fRemove(p);
    std::vector<void*> aModel = c.fListed();
    ASSERT_EQ(aModel, c.aItems);
    for (int i = 0; i < 1000; ++i) {
      void* p = c.aItems[cRandom() % c.aItems.size()];
      if (cRandom() % 2) {
        c.fAdd(p);
        aModel.push_back(p);
      } else {
        c.fRemove(p);
        const auto it = std::find(aModel.begin(), aModel.end(), p);
        if (it != aModel.end()) aModel.erase(it);
      }
      ASSERT_EQ(c.fListed(), aModel) << "after operation " << i;
    }
    // Once each, as the items' own destructors expect.
    for (void* p : c.aItems) {
      while (std::find(aModel.begin(), aModel.end(), p) != aModel.end()) {
        c.fRemove(p);
        aModel.erase(std::find(aModel.begin(), aModel.end(), p));
      }
      c.fAdd(p);
    }
  }
  for (void* p : aBodies) EXPECT_TRUE(m->isRegisteredOdeSceneNode(body(p)));
  m->removeOdeSceneNode(body(aBodies[0]));
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(body(aBodies[0])));
  m->addOdeSceneNode(body(aBodies[0]));
  EXPECT_FALSE(m->isRegisteredOdeSceneNode(nullptr));
}

TEST(CoreRegistration, RegisteringRaisesTheIdCounterAndCloneTreeGivesTheNextId) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  EXPECT_EQ(m->getNodeIdCounter(), 20000);
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = new CRurIvaBody(pWorld, cScene.m_pSmgr, 25000, vector3df(1, 2, 3));
  pBody->drop();
  CRurIvaGeomSphere* pChildGeom = cScene.add<CRurIvaGeomSphere>(cScene.addEmpty(pBody));
  pChildGeom->setRadius(0.5f);
  EXPECT_EQ(m->getNodeIdCounter(), 25000);
  // A lower id leaves the counter where it is.
  CRurIvaBody* pLow = new CRurIvaBody(pWorld, cScene.m_pSmgr, 21000);
  pLow->drop();
  EXPECT_EQ(m->getNodeIdCounter(), 25000);

  ISceneNode* pClone = nullptr;
  std::vector<CEventLog::SEntry> aCloned;
  {
    CEventLog cLog;
    pClone = m->cloneTree(pBody, pWorld, nullptr);
    aCloned = cLog.of(irr::ode::eRurIvaEventNodeCloned);
  }

  ASSERT_NE(pClone, nullptr);
  EXPECT_EQ(pClone->getID(), 25001);
  EXPECT_EQ(m->getNodeIdCounter(), 25001);
  EXPECT_EQ(pClone->getType(), RUR_IVA_BODY_ID);
  EXPECT_EQ(pClone->getParent(), pWorld);
  EXPECT_TRUE(m->isRegisteredOdeSceneNode(pClone));
  EXPECT_VEC_NEAR(pClone->getPosition(), vector3df(1, 2, 3), 0.0f);
  ASSERT_EQ(aCloned.size(), 1u);
  EXPECT_EQ(aCloned[0].iSourceId, 25000);
  EXPECT_EQ(aCloned[0].iNewId, 25001);

  // Only the top clone gets a fresh id; the cloned subtree keeps -1.
  ASSERT_EQ(pClone->getChildren().size(), 1u);
  ISceneNode* pClonedVisual = *pClone->getChildren().begin();
  ASSERT_EQ(pClonedVisual->getChildren().size(), 1u);
  ISceneNode* pClonedGeom = *pClonedVisual->getChildren().begin();
  EXPECT_EQ(pClonedGeom->getID(), -1);
  EXPECT_EQ(static_cast<CRurIvaGeom*>(pClonedGeom)->getBody(), pClone);
  EXPECT_FLOAT_EQ(static_cast<CRurIvaGeomSphere*>(pClonedGeom)->getRadius(), 0.5f);
  pClone->drop();  // the clone's creation reference comes back to the caller

  // A second clone of the clone's source gets the next id again.
  ISceneNode* pSecond = m->cloneTree(pBody, pWorld, nullptr);
  EXPECT_EQ(pSecond->getID(), 25002);
  pSecond->drop();
  EXPECT_EQ(pWorld->getBodyCount(), 4u);

  // Nothing is cloned into its own subtree (below itself, its visual child or its geometry): the
  // copy would be copied again while it is made, without end.
  for (ISceneNode* pInside :
       {static_cast<ISceneNode*>(pBody), pChildGeom->getParent(), static_cast<ISceneNode*>(pChildGeom)}) {
    const std::string sOut = captured([&] { EXPECT_EQ(m->cloneTree(pBody, pInside, nullptr), nullptr); });
    EXPECT_NE(sOut.find("cannot be cloned into its own subtree, nothing cloned"), std::string::npos) << sOut;
  }
  EXPECT_EQ(pWorld->getBodyCount(), 4u);
  EXPECT_EQ(m->getNodeIdCounter(), 25002);

  // An engine node's copy comes without a reference for the caller, as the engine's clone()
  // gives it, and so do the physics nodes below it: their new parents alone hold them (an extra
  // reference would keep them, and their registration, after the scene is cleared).
  ISceneNode* pVisualCopy = m->cloneTree(pChildGeom->getParent(), pBody, nullptr);
  ASSERT_NE(pVisualCopy, nullptr);
  EXPECT_EQ(pVisualCopy->getReferenceCount(), 1);
  ASSERT_EQ(pVisualCopy->getChildren().size(), 1u);
  EXPECT_EQ((*pVisualCopy->getChildren().begin())->getReferenceCount(), 1);

  // A scene file may name the largest id there is: no id is left above it, and a clone gets the
  // engine's id of none instead of one past the end of the numbers.
  const s32 kLargest = std::numeric_limits<s32>::max();
  cScene.add<CRurIvaBody>(pWorld)->setID(kLargest);
  m->updateNodeIdCounter(kLargest);
  ISceneNode* pLast = nullptr;
  const std::string sOut = captured([&] { pLast = m->cloneTree(pBody, pWorld, nullptr); });
  ASSERT_NE(pLast, nullptr);
  EXPECT_EQ(pLast->getID(), -1);
  EXPECT_EQ(m->getNodeIdCounter(), kLargest);
  EXPECT_NE(sOut.find("no node id is left above 2147483647, the node gets id -1"), std::string::npos) << sOut;
  pLast->drop();
}

TEST(CoreRegistration, ReadingANodeWithAHigherIdRaisesTheCounter) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  // The counter only rises in a process; an earlier test may have raised it far.
  const s32 iCounter = m->getNodeIdCounter();
  if (iCounter > std::numeric_limits<s32>::max() - 5000) GTEST_SKIP() << "no ids left above " << iCounter;
  const s32 iHigher = iCounter + 5000, iLower = iCounter + 2000;
  irr::io::IAttributes* pAttr = cScene.newAttributes();
  pBody->serializeAttributes(pAttr);
  pAttr->setAttribute("Id", iHigher);
  CRurIvaBody* pRead = cScene.add<CRurIvaBody>(pWorld);
  pRead->deserializeAttributes(pAttr);
  EXPECT_EQ(pRead->getID(), iHigher);
  EXPECT_EQ(m->getNodeIdCounter(), iHigher);
  pAttr->setAttribute("Id", iLower);
  pRead->deserializeAttributes(pAttr);
  EXPECT_EQ(m->getNodeIdCounter(), iHigher);
  pAttr->drop();
}

TEST(CoreRegistration, RemoveTreeFromPhysicsRemovesEveryRegisteredNodeBelowButNotTheNodeItself) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaBody* pBody = cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 1.0f);
  pWorld->initPhysics();
  ASSERT_EQ(registry().size(), 3u);  // body, geometry, the world's default space

  m->removeTreeFromPhysics(pBody);
  EXPECT_EQ(registry().size(), 2u);  // the geometry left
  EXPECT_NE(pBody->getBodyId(), 0u);
  EXPECT_TRUE(pBody->getGeoms().empty());
}

TEST(CoreRegistration, NodeBaseGivesBoundingBoxMaterialsAncestorsAndNames) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* pSpace = cScene.add<CRurIvaSpace>(pWorld);
  // Children that come with their relative position, as nodes built below a parent do.
  cScene.m_pSmgr->addCubeSceneNode(1.0f, pSpace, -1, vector3df(5, 0, 0));
  cScene.m_pSmgr->addCubeSceneNode(1.0f, pSpace, -1, vector3df(0, -3, 2));
  const aabbox3df& cBox = pSpace->getBoundingBox();
  EXPECT_VEC_NEAR(cBox.MinEdge, vector3df(-1, -3, -1), 0.0f);
  EXPECT_VEC_NEAR(cBox.MaxEdge, vector3df(5, 1, 2), 0.0f);

  // A body's box does not grow with its children.
  CRurIvaBody* pBody = cScene.add<CRurIvaBody>(pWorld);
  cScene.m_pSmgr->addCubeSceneNode(1.0f, pBody, -1, vector3df(5, 0, 0));
  EXPECT_VEC_NEAR(pBody->getBoundingBox().MaxEdge, vector3df(1, 1, 1), 0.0f);

  EXPECT_EQ(pSpace->getMaterialCount(), 1u);
  EXPECT_EQ(&pSpace->getMaterial(7), &pSpace->getMaterial(0));

  // Ancestors are searched from the parent on, never the node itself.
  CRurIvaWorld* pInner = cScene.add<CRurIvaWorld>(pWorld);
  EXPECT_EQ(pInner->getAncestorOfType(RUR_IVA_WORLD_ID), pWorld);
  EXPECT_EQ(pWorld->getAncestorOfType(RUR_IVA_WORLD_ID), nullptr);

  const irr::c8* sFirst = irr::ode::CRurIvaSceneNode::nodeNameToC8(L"CRurIvaWorld");
  EXPECT_STREQ(sFirst, "CRurIvaWorld");
  irr::ode::CRurIvaSceneNode::nodeNameToC8(L"box");
  EXPECT_STREQ(sFirst, "box");  // one shared buffer
  EXPECT_STREQ(irr::ode::CRurIvaSceneNode::nodeNameToC8(nullptr), "");
}

TEST(CoreRegistration, BaseAttributesComeAfterTheStandardKeysAndReadBack) {
  CTestScene cScene;
  CRurIvaWorld* pWorld = cScene.addWorld();
  CRurIvaSpace* pSpace = cScene.add<CRurIvaSpace>(pWorld, vector3df(1, 2, 3), vector3df(0, 90, 0));
  pSpace->setName("space one");
  pSpace->setOdeClassname("level");
  pSpace->setIdent(42);
  irr::io::IAttributes* pAttr = cScene.newAttributes();
  pSpace->serializeAttributes(pAttr);

  const std::vector<std::string> aKeys = keysOf(pAttr);
  const std::vector<std::string> aExpected = {"Name",
                                              "Id",
                                              "Position",
                                              "Rotation",
                                              "Scale",
                                              "Visible",
                                              "AutomaticCulling",
                                              "DebugDataVisible",
                                              "IsDebugObject",
                                              "OdeClassName",
                                              "Ident"};
  ASSERT_GE(aKeys.size(), aExpected.size());
  EXPECT_EQ(std::vector<std::string>(aKeys.begin(), aKeys.begin() + aExpected.size()), aExpected);

  CRurIvaSpace* pRead = cScene.add<CRurIvaSpace>(pWorld);
  pRead->deserializeAttributes(pAttr);
  EXPECT_STREQ(pRead->getName(), "space one");
  EXPECT_EQ(pRead->getOdeClassname(), "level");
  EXPECT_EQ(pRead->getIdent(), 42);
  EXPECT_VEC_NEAR(pRead->getPosition(), vector3df(1, 2, 3), 1e-6f);
  EXPECT_VEC_NEAR(pRead->getRotation(), vector3df(0, 90, 0), 1e-4f);
  pRead->updateAbsolutePosition();
  EXPECT_VEC_NEAR(pRead->getAbsolutePosition(), vector3df(1, 2, 3), 1e-6f);
  pAttr->drop();
}

TEST(CoreRegistration, InitialisationReportsProgressForRegisteredNodesOnly) {
  CTestScene cScene;
  CRurIvaManager* m = cScene.m_pManager;
  CRurIvaWorld* pWorld = cScene.addWorld();
  cScene.addSphereBody(pWorld, vector3df(0, 5, 0), 1.0f);

  std::vector<CEventLog::SEntry> aProgress;
  {
    CEventLog cLog;
    m->initPhysics();  // the world's default space, the body, its geometry
    // An unregistered node reports nothing.
    CRurIvaBody* pLoose = cScene.add<CRurIvaBody>(cScene.m_pRoot);
    m->sceneNodeInitialized(pLoose);
    aProgress = cLog.of(irr::ode::eRurIvaEventProgress);
  }

  ASSERT_EQ(aProgress.size(), 3u);
  for (u32 i = 0; i < 3; ++i) EXPECT_EQ(aProgress[i].iCurrent, i + 1);
  EXPECT_EQ(aProgress.back().iCount, 3u);
  EXPECT_TRUE(m->physicsInitialized());
  EXPECT_EQ(m->getInitializedNodeCount(), 3);
  // Once the manager's initialisation is complete, nodes report no more progress.
  CEventLog cLate;
  CRurIvaBody* pLate = cScene.addSphereBody(pWorld, vector3df(0, 9, 0), 1.0f);
  pLate->initPhysics();
  EXPECT_TRUE(cLate.of(irr::ode::eRurIvaEventProgress).empty());
}

}  // namespace
}  // namespace test
}  // namespace varrik
