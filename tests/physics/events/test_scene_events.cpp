// Events against a real physics scene on the null driver: node ids in messages are resolved to
// nodes of the right kind only, a body-moved event is built from a body's state, and a
// body-removed message takes its body out of the simulation.
#include <gtest/gtest.h>

#include <irrlicht.h>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaEventActivationChanged.h"
#include "CRurIvaEventBodyCreated.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventBodyRemoved.h"
#include "CRurIvaEventNodeRemoved.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaEventRayHit.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CSerializer.h"
#include "CTestScene.h"
#include "IRurIvaDevice.h"
#include "TestMessages.h"

using namespace irr;
using namespace irr::ode;
using varrik::test::messageOf;

namespace {

std::vector<u8> idMessage(u16 iType, s32 iId) {
  std::vector<u8> a{static_cast<u8>(iType), static_cast<u8>(iType >> 8)};
  for (int k = 0; k < 4; ++k) a.push_back(static_cast<u8>(static_cast<u32>(iId) >> (8 * k)));
  return a;
}

std::vector<u8> rayHitMessage(s32 iRay, s32 iBody, s32 iGeom) {
  CSerializer cData;
  cData.addU16(eRurIvaEventRayHit);
  cData.addS32(iRay);
  cData.addS32(iBody);
  cData.addS32(iGeom);
  cData.addVector3df(core::vector3df(1, 2, 3));
  cData.addF32(0.5f);
  return std::vector<u8>(cData.getBuffer(), cData.getBuffer() + cData.getSize());
}

/**
 * A world (id 1) with two bodies (ids 3 and 4, each with a sphere of its own: ids 30 and 40), a
 * static ray (id 50) and a plain scene node (id 60).
 */
class CEventScene : public varrik::test::CTestScene {
 public:
  CEventScene() {
    addWorld(nullptr, 1);
    m_pBody = addBody(3, core::vector3df(1, 2, 3));
    m_pOther = addBody(4, core::vector3df(-5, 0, 0));
    m_pSphere = static_cast<CRurIvaGeomSphere*>(m_pSmgr->getSceneNodeFromId(30));
    m_pRay = new CRurIvaGeomRay(world(), m_pSmgr, 50);
    m_pRay->drop();
    m_pPlain = m_pSmgr->addEmptySceneNode(0, 60);
  }

  CRurIvaBody* addBody(s32 iId, const core::vector3df& cPos) {
    CRurIvaBody* pBody = new CRurIvaBody(world(), m_pSmgr, iId, cPos);
    pBody->drop();
    CRurIvaGeomSphere* pSphere = new CRurIvaGeomSphere(m_pSmgr->addEmptySceneNode(pBody), m_pSmgr, iId * 10);
    pSphere->drop();
    pSphere->setRadius(0.5f);
    pSphere->setMassTotal(1.0f);
    pSphere->setCollide(false);
    pBody->updateAbsolutePosition();
    return pBody;
  }

  CRurIvaBody* m_pBody;
  CRurIvaBody* m_pOther;
  CRurIvaGeomSphere* m_pSphere;
  CRurIvaGeomRay* m_pRay;
  scene::ISceneNode* m_pPlain;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Resolving node ids

TEST(EventNodeLookup, BodyIdResolvesToTheBody) {
  CEventScene cScene;
  CSerializer cData(idMessage(eRurIvaEventBodyCreated, 3).data(), 6);
  CRurIvaEventBodyCreated cEvent(&cData, cScene.m_pSmgr);
  EXPECT_EQ(cEvent.getBody(), cScene.m_pBody);
  EXPECT_EQ(cEvent.getBodyId(), 3);
  EXPECT_STREQ(cEvent.toString(), "CRurIvaEventBodyCreated: body=3\n");
}

TEST(EventNodeLookup, IdOfANodeOfAnotherKindGivesNoBody) {
  CEventScene cScene;
  for (s32 iId : {30, 50, 60, 1}) {  // sphere, ray, plain node, world
    CSerializer cCreated(idMessage(eRurIvaEventBodyCreated, iId).data(), 6);
    EXPECT_EQ(CRurIvaEventBodyCreated(&cCreated, cScene.m_pSmgr).getBody(), nullptr) << iId;
    std::vector<u8> aMoved = idMessage(eRurIvaEventBodyMoved, iId);
    aMoved.push_back(0);
    CSerializer cMovedData(aMoved.data(), static_cast<u32>(aMoved.size()));
    CRurIvaEventBodyMoved cMovedEvent(&cMovedData, cScene.m_pSmgr);
    EXPECT_EQ(cMovedEvent.getBody(), nullptr) << iId;
    EXPECT_EQ(cMovedEvent.getBodyId(), iId);
  }
}

TEST(EventNodeLookup, UnknownIdOrMissingSceneManagerResolvesNothing) {
  CEventScene cScene;
  CSerializer cUnknown(idMessage(eRurIvaEventBodyCreated, 999).data(), 6);
  EXPECT_EQ(CRurIvaEventBodyCreated(&cUnknown, cScene.m_pSmgr).getBody(), nullptr);
  CSerializer cNoScene(idMessage(eRurIvaEventBodyCreated, 3).data(), 6);
  EXPECT_EQ(CRurIvaEventBodyCreated(&cNoScene, nullptr).getBody(), nullptr);
  EXPECT_FALSE(cNoScene.hasError());
}

TEST(EventNodeLookup, AMessageNamingNoBodyHereIsWrittenBackUnchanged) {
  // A scene relaying messages it has no body for (an unknown id, a node of another kind, no
  // scene at all) passes on the id it was given, as the message said it.
  CEventScene cScene;
  std::vector<u8> aActive = idMessage(eRurIvaEventActivationChanged, 999);
  aActive.push_back(1);
  const std::vector<std::vector<u8>> aMessages = {idMessage(eRurIvaEventBodyCreated, 999),
                                                  idMessage(eRurIvaEventBodyCreated, 30), aActive,
                                                  idMessage(eRurIvaEventBodyRemoved, 999)};
  for (const std::vector<u8>& aMessage : aMessages) {
    for (scene::ISceneManager* pSmgr : {cScene.m_pSmgr, static_cast<scene::ISceneManager*>(nullptr)}) {
      CSerializer cData(aMessage.data(), static_cast<u32>(aMessage.size()));
      std::unique_ptr<IRurIvaEvent> pEvent;
      if (aMessage[0] == eRurIvaEventBodyCreated) pEvent.reset(new CRurIvaEventBodyCreated(&cData, pSmgr));
      if (aMessage[0] == eRurIvaEventActivationChanged)
        pEvent.reset(new CRurIvaEventActivationChanged(&cData, pSmgr));
      if (aMessage[0] == eRurIvaEventBodyRemoved) pEvent.reset(new CRurIvaEventBodyRemoved(&cData, pSmgr));
      ASSERT_TRUE(pEvent);
      EXPECT_EQ(messageOf(*pEvent), aMessage) << "type " << int(aMessage[0]);
      std::unique_ptr<IRurIvaEvent> pCopy(pEvent->clone());
      EXPECT_EQ(messageOf(*pCopy), aMessage) << "copy of type " << int(aMessage[0]);
    }
  }
  CSerializer cData(aActive.data(), static_cast<u32>(aActive.size()));
  EXPECT_STREQ(CRurIvaEventActivationChanged(&cData, cScene.m_pSmgr).toString(),
               "CRurIvaEventActivationChanged: body=999, active?YES");
}

TEST(EventNodeLookup, RayHitResolvesEachIdToItsOwnKind) {
  CEventScene cScene;
  const std::vector<u8> aGood = rayHitMessage(50, 3, 30);
  CSerializer cGood(aGood.data(), static_cast<u32>(aGood.size()));
  CRurIvaEventRayHit cHit(&cGood, cScene.m_pSmgr);
  EXPECT_EQ(cHit.getRay(), cScene.m_pRay);
  EXPECT_EQ(cHit.getBody(), cScene.m_pBody);
  EXPECT_EQ(cHit.getGeom(), cScene.m_pSphere);
  EXPECT_STREQ(cHit.toString(),
               "CRurIvaEventRayHit: ray=50, body=3, geom=30, pos=(1.00, 2.00, 3.00), distance=0.50");

  // A ray is a geometry too, but a sphere is no ray and a body no geometry.
  const std::vector<u8> aSwapped = rayHitMessage(30, 30, 3);
  CSerializer cSwapped(aSwapped.data(), static_cast<u32>(aSwapped.size()));
  CRurIvaEventRayHit cWrong(&cSwapped, cScene.m_pSmgr);
  EXPECT_EQ(cWrong.getRay(), nullptr);
  EXPECT_EQ(cWrong.getBody(), nullptr);
  EXPECT_EQ(cWrong.getGeom(), nullptr);
  EXPECT_STREQ(cWrong.toString(),
               "CRurIvaEventRayHit: ray=-2, body=-2, geom=-2, pos=(1.00, 2.00, 3.00), distance=0.50");

  const std::vector<u8> aRayAsGeom = rayHitMessage(60, 4, 50);
  CSerializer cRayAsGeom(aRayAsGeom.data(), static_cast<u32>(aRayAsGeom.size()));
  CRurIvaEventRayHit cRayGeom(&cRayAsGeom, cScene.m_pSmgr);
  EXPECT_EQ(cRayGeom.getRay(), nullptr);
  EXPECT_EQ(cRayGeom.getBody(), cScene.m_pOther);
  EXPECT_EQ(cRayGeom.getGeom(), cScene.m_pRay);
}

// What a body-created message with an id resolves to after a change of the scene: ids are found
// through the manager's index of the physics nodes, which must follow every change of a node's id
// or place, however it was made.
TEST(EventNodeLookup, IdsFollowTheSceneAsItChanges) {
  struct SCase {
    const char* sWhat;
    std::function<void(CEventScene&)> fChange;
    // id, and the body it names: 0 none, 1 body, 2 other, 3 the one the engine's search finds
    std::vector<std::pair<s32, int>> aExpected;
  };
  const std::vector<SCase> aCases = {
      {"a plain node of the same id comes first in the scene",
       [](CEventScene& c) {
         c.m_pPlain->setID(3);
         c.m_pSmgr->getRootSceneNode()->addChild(c.world());  // the world moves behind it
         ASSERT_EQ(c.m_pSmgr->getSceneNodeFromId(3), c.m_pPlain);
       },
       {{3, 1}, {4, 2}}},
      {"a body changes its id", [](CEventScene& c) { c.m_pBody->setID(7); }, {{7, 1}, {3, 0}, {4, 2}}},
      {"a body reads its id from attributes",
       [](CEventScene& c) {
         io::IAttributes* pAttributes = c.m_pSmgr->getFileSystem()->createEmptyAttributes();
         c.m_pOther->serializeAttributes(pAttributes);
         pAttributes->setAttribute("Id", 8);
         c.m_pOther->deserializeAttributes(pAttributes);
         pAttributes->drop();
       },
       {{8, 2}, {4, 0}, {3, 1}}},
      {"two bodies share an id: the first in the scene, as the engine finds it",
       [](CEventScene& c) { c.m_pOther->setID(3); },
       {{3, 1}, {4, 0}}},
      {"a body is taken out of the scene",
       [](CEventScene& c) {
         c.m_pBody->grab();
         c.m_pBody->remove();
         c.keep(c.m_pBody);
       },
       {{3, 0}, {4, 2}}},
      {"a body is destroyed", [](CEventScene& c) { c.m_pOther->remove(); }, {{4, 0}, {3, 1}}},
      {"a body changes its id and is destroyed",
       [](CEventScene& c) {
         c.m_pBody->setID(7);
         c.m_pBody->remove();
       },
       {{3, 0}, {7, 0}, {4, 2}}},
      {"a body is added", [](CEventScene& c) { c.addBody(9, core::vector3df(0, 5, 0)); }, {{9, 3}, {3, 1}}},
      {"many bodies share an id and one of them goes",
       [](CEventScene& c) {
         for (int i = 0; i < 20; ++i) c.addBody(5, core::vector3df(static_cast<f32>(i), 9, 0));
         c.m_pSmgr->getSceneNodeFromId(5)->remove();
       },
       {{5, 3}, {3, 1}, {4, 2}}},
  };
  for (const SCase& c : aCases) {
    CEventScene cScene;
    const CRurIvaBody* aBodies[3] = {nullptr, cScene.m_pBody, cScene.m_pOther};
    // Looked up once before the change, so that the index is built and must follow the change.
    CSerializer cBefore(idMessage(eRurIvaEventBodyCreated, 3).data(), 6);
    EXPECT_EQ(CRurIvaEventBodyCreated(&cBefore, cScene.m_pSmgr).getBody(), cScene.m_pBody) << c.sWhat;
    c.fChange(cScene);
    for (const std::pair<s32, int>& e : c.aExpected) {
      CSerializer cData(idMessage(eRurIvaEventBodyCreated, e.first).data(), 6);
      const scene::ISceneNode* pExpected =
          e.second < 3 ? aBodies[e.second] : cScene.m_pSmgr->getSceneNodeFromId(e.first);
      ASSERT_TRUE(e.second < 3 || pExpected) << c.sWhat;
      EXPECT_EQ(CRurIvaEventBodyCreated(&cData, cScene.m_pSmgr).getBody(), pExpected)
          << c.sWhat << ", id " << e.first;
    }
  }

  // A scene manager finds the bodies of its own scene only, also of an id that bodies of two
  // scenes share.
  CEventScene cScene;
  scene::ISceneManager* pOtherScene = cScene.m_pSmgr->createNewSceneManager(false);
  CRurIvaWorld* pOtherWorld = new CRurIvaWorld(pOtherScene->getRootSceneNode(), pOtherScene, 2);
  pOtherWorld->drop();
  CRurIvaBody* pOtherBody = new CRurIvaBody(pOtherWorld, pOtherScene, 77, core::vector3df(0, 0, 0));
  pOtherBody->drop();
  CRurIvaBody* pOtherThree = new CRurIvaBody(pOtherWorld, pOtherScene, 3, core::vector3df(0, 0, 0));
  pOtherThree->drop();
  const std::vector<std::tuple<scene::ISceneManager*, s32, CRurIvaBody*>> aLookups = {
      {pOtherScene, 77, pOtherBody},
      {cScene.m_pSmgr, 77, nullptr},
      {pOtherScene, 4, nullptr},
      {cScene.m_pSmgr, 3, cScene.m_pBody},
      {pOtherScene, 3, pOtherThree}};
  for (const auto& l : aLookups)
    EXPECT_EQ(CSerializer::findBody(std::get<0>(l), std::get<1>(l)), std::get<2>(l))
        << "id " << std::get<1>(l);
  pOtherScene->drop();
}

TEST(EventNodeLookup, ActivationChangedNamesItsBody) {
  CEventScene cScene;
  CRurIvaEventActivationChanged cEvent(cScene.m_pBody, false);
  EXPECT_STREQ(cEvent.toString(), "CRurIvaEventActivationChanged: body=3, active?NO");
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x08, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00}));
  CSerializer* pData = cEvent.serialize();
  CRurIvaEventActivationChanged cRead(pData, cScene.m_pSmgr);
  EXPECT_EQ(cRead.getBody(), cScene.m_pBody);
  EXPECT_FALSE(cRead.isActive());
}

TEST(EventNodeLookup, ValueConstructorsTakeTheNodeIds) {
  CEventScene cScene;
  CRurIvaEventBodyCreated cCreated(cScene.m_pBody);
  EXPECT_EQ(messageOf(cCreated), idMessage(eRurIvaEventBodyCreated, 3));
  CRurIvaEventBodyRemoved cRemoved(cScene.m_pOther);
  EXPECT_EQ(cRemoved.getBodyId(), 4);
  EXPECT_EQ(cRemoved.getBody(), cScene.m_pOther);
  CRurIvaEventNodeRemoved cNode(cScene.m_pPlain);
  EXPECT_EQ(cNode.getRemovedNodeId(), 60);
  EXPECT_EQ(cNode.getRemovedNode(), cScene.m_pPlain);
  CRurIvaEventRayHit cHit(nullptr, cScene.m_pSphere, cScene.m_pRay, core::vector3df(0, 0, 0), 1.0f);
  EXPECT_STREQ(cHit.toString(),
               "CRurIvaEventRayHit: ray=50, body=-2, geom=30, pos=(0.00, 0.00, 0.00), distance=1.00");
}

// ---------------------------------------------------------------------------------------------
// A body-moved event made from a body

TEST(EventBodyMovedFromBody, UnchangedStateRaisesNoFlag) {
  CEventScene cScene;
  CRurIvaBody* pBody = cScene.m_pBody;
  core::vector3df cPos = pBody->getAbsolutePosition();
  core::vector3df cRot = pBody->getRotation();
  core::vector3df cLin = pBody->getNodeLinearVelocity();
  core::vector3df cAng = pBody->getNodeAngularVelocity();
  CRurIvaEventBodyMoved cEvent(pBody, cPos, cRot, cLin, cAng);
  EXPECT_EQ(cEvent.getBody(), pBody);
  EXPECT_EQ(cEvent.getBodyId(), 3);
  EXPECT_EQ(cEvent.getFlags(), 0);
  EXPECT_EQ(cEvent.getTouched(), nullptr);
  EXPECT_EQ(cEvent.getTouchedId(), 0);
  EXPECT_EQ(messageOf(cEvent), (std::vector<u8>{0x07, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00}));
}

TEST(EventBodyMovedFromBody, EachChangedValueRaisesItsFlag) {
  CEventScene cScene;
  CRurIvaBody* pBody = cScene.m_pBody;
  const core::vector3df cPos = pBody->getAbsolutePosition();
  const core::vector3df cRot = pBody->getRotation();
  const core::vector3df cZero(0, 0, 0);
  const core::vector3df cMoved = cPos + core::vector3df(0, 0, 0.5f);
  const core::vector3df cTurned(0, 90, 0);
  const core::vector3df cVel(0, -1, 0);

  EXPECT_EQ(CRurIvaEventBodyMoved(pBody, cMoved, cRot, cZero, cZero).getFlags(), siRurIvaEventPosition);
  EXPECT_EQ(CRurIvaEventBodyMoved(pBody, cPos, cTurned, cZero, cZero).getFlags(), siRurIvaEventRotation);
  EXPECT_EQ(CRurIvaEventBodyMoved(pBody, cPos, cRot, cVel, cZero).getFlags(), siRurIvaEventLinearVel);
  EXPECT_EQ(CRurIvaEventBodyMoved(pBody, cPos, cRot, cZero, cVel).getFlags(), siRurIvaEventAngularVel);

  CRurIvaEventBodyMoved cAll(pBody, cMoved, cTurned, cVel, cVel);
  EXPECT_EQ(cAll.getFlags(), 0x0F);
  EXPECT_EQ(cAll.getPosition(), cMoved);
  EXPECT_EQ(cAll.getRotation(), cTurned);
  EXPECT_EQ(cAll.getLinearVelocity(), cVel);
  EXPECT_EQ(cAll.getAngularVelocity(), cVel);
}

TEST(EventBodyMovedFromBody, DifferencesWithinTheToleranceAreNoMovement) {
  CEventScene cScene;
  CRurIvaBody* pBody = cScene.m_pBody;
  const core::vector3df cPos = pBody->getAbsolutePosition();
  const core::vector3df cRot = pBody->getRotation();
  const core::vector3df cZero(0, 0, 0);
  EXPECT_EQ(CRurIvaEventBodyMoved(pBody, cPos, cRot, core::vector3df(0.0000005f, 0, 0), cZero).getFlags(), 0);
  EXPECT_EQ(CRurIvaEventBodyMoved(pBody, cPos, cRot, core::vector3df(0.000002f, 0, 0), cZero).getFlags(),
            siRurIvaEventLinearVel);
  EXPECT_EQ(CRurIvaEventBodyMoved(pBody, cPos, cRot, cZero, core::vector3df(0, 0, -0.000002f)).getFlags(),
            siRurIvaEventAngularVel);
}

TEST(EventBodyMovedFromBody, VelocitiesAreComparedWithTheNodeValues) {
  CEventScene cScene;
  CRurIvaBody* pBody = cScene.m_pBody;
  const core::vector3df cVel(1, 2, 3);
  pBody->setNodeLinearVelocity(cVel);
  pBody->setNodeAngularVelocity(cVel);
  CRurIvaEventBodyMoved cEvent(pBody, pBody->getAbsolutePosition(), pBody->getRotation(), cVel, cVel);
  EXPECT_EQ(cEvent.getFlags(), 0);
}

TEST(EventBodyMovedFromBody, ChangedDampingIsFlaggedAndCarried) {
  CEventScene cScene;
  CRurIvaBody* pBody = cScene.m_pBody;
  pBody->setLinearDamping(0.5f);
  pBody->setAngularDamping(0.25f);
  ASSERT_TRUE(pBody->dampingChanged());
  CRurIvaEventBodyMoved cEvent(pBody, pBody->getAbsolutePosition(), pBody->getRotation(),
                               pBody->getNodeLinearVelocity(), pBody->getNodeAngularVelocity());
  EXPECT_EQ(cEvent.getFlags(), siRurIvaEventDamping);
  EXPECT_EQ(cEvent.getLinearDampingInt(), 32500);
  EXPECT_EQ(cEvent.getAngularDampingInt(), 16250);
  EXPECT_EQ(cEvent.getLinearDamping(), 0.5f);
  EXPECT_EQ(cEvent.getAngularDamping(), 0.25f);
  EXPECT_EQ(messageOf(cEvent),
            (std::vector<u8>{0x07, 0x00, 0x03, 0x00, 0x00, 0x00, 0x20, 0x7A, 0x3F, 0xF4, 0x7E}));
}

TEST(EventBodyMovedFromBody, DampingAsReadFromTheSceneIsCarriedUnflagged) {
  // Damping read with the scene is the body's own from the start: it is not a change.
  CEventScene cScene;
  CRurIvaBody* pBody = cScene.addBody(5, core::vector3df(0, 9, 0));
  io::IAttributes* pIn = cScene.newAttributes();
  pIn->addFloat("LinearDamping", 0.25f);
  pIn->addFloat("AngularDamping", 0.5f);
  pBody->deserializeAttributes(pIn);
  pIn->drop();
  cScene.world()->initPhysics();
  ASSERT_NE(pBody->getBodyId(), 0u);
  ASSERT_FALSE(pBody->dampingChanged());
  CRurIvaEventBodyMoved cEvent(pBody, pBody->getAbsolutePosition(), pBody->getRotation(),
                               pBody->getNodeLinearVelocity(), pBody->getNodeAngularVelocity());
  EXPECT_EQ(cEvent.getFlags(), 0);
  EXPECT_EQ(cEvent.getLinearDampingInt(), 16250);
  EXPECT_EQ(cEvent.getAngularDampingInt(), 32500);
  EXPECT_EQ(cEvent.getLinearDamping(), pBody->getLinearDamping());  // what the library has
  EXPECT_EQ(cEvent.getAngularDamping(), pBody->getAngularDamping());
}

TEST(EventBodyMovedFromBody, TouchedGeometryIsFlaggedWithItsContact) {
  CEventScene cScene;
  CRurIvaBody* pBody = cScene.m_pBody;
  CRurIvaGeom* pTouched = static_cast<CRurIvaGeom*>(cScene.m_pSmgr->getSceneNodeFromId(40));
  pBody->setIsTouching(pTouched);
  pBody->setCollisionMaterial(2);
  pBody->setCollisionPoint(core::vector3df(4, 5, 6));
  CRurIvaEventBodyMoved cEvent(pBody, pBody->getAbsolutePosition(), pBody->getRotation(),
                               pBody->getNodeLinearVelocity(), pBody->getNodeAngularVelocity());
  EXPECT_EQ(cEvent.getFlags(), siRurIvaEventBodyTouching);
  EXPECT_EQ(cEvent.getTouched(), pTouched);
  EXPECT_EQ(cEvent.getTouchedId(), 40);
  EXPECT_EQ(cEvent.getCollisionMaterial(), 2);
  EXPECT_EQ(cEvent.getCollisionPoint(), core::vector3df(4, 5, 6));
  EXPECT_STREQ(cEvent.toString(),
               "CRurIvaEventBodyMoved: body=3, flags=16, touching body: 40, mat: 2, pos: (4.00, 5.00, 6.00)");

  // Read back in the same scene: the body is found again, the touched geometry goes by its id.
  CRurIvaEventBodyMoved cRead(cEvent.serialize(), cScene.m_pSmgr);
  EXPECT_EQ(cRead.getBody(), pBody);
  EXPECT_EQ(cRead.getTouched(), nullptr);
  EXPECT_EQ(cRead.getTouchedId(), 40);
}

TEST(EventBodyMovedFromBody, ReadMessageMovesTheBodyNodeThroughTheManager) {
  CEventScene cScene;
  CRurIvaEventBodyMoved cSent;
  cSent.setBodyId(4);
  cSent.setFlags(siRurIvaEventPosition | siRurIvaEventLinearVel);
  cSent.setPosition(core::vector3df(7, 8, 9));
  cSent.setLinearVelocity(core::vector3df(0, 0, -2));
  std::vector<u8> aMessage = messageOf(cSent);

  CSerializer cReceived(aMessage.data(), static_cast<u32>(aMessage.size()));
  cScene.m_pManager->getQueue()->postEvent(new CRurIvaEventBodyMoved(&cReceived, cScene.m_pSmgr), true);
  EXPECT_EQ(cScene.m_pOther->getPosition(), core::vector3df(7, 8, 9));
  EXPECT_EQ(cScene.m_pOther->getNodeLinearVelocity(), core::vector3df(0, 0, -2));
  EXPECT_EQ(cScene.m_pBody->getPosition(), core::vector3df(1, 2, 3));
}

// ---------------------------------------------------------------------------------------------
// A body-removed message

TEST(EventBodyRemovedMessage, ResolvedBodyLeavesTheSimulationAtOnce) {
  CEventScene cScene;
  cScene.world()->initPhysics();
  CRurIvaBody* pBody = cScene.m_pOther;
  const u32 iHandle = pBody->getBodyId();
  ASSERT_NE(iHandle, 0u);
  IRurIvaDevice* pDevice = cScene.m_pManager->getOdeDevice();
  ASSERT_TRUE(pDevice->bodyIsEnabled(iHandle));
  ASSERT_EQ(cScene.world()->getBodyCount(), 2u);

  CSerializer cData(idMessage(eRurIvaEventBodyRemoved, 4).data(), 6);
  CRurIvaEventBodyRemoved cEvent(&cData, cScene.m_pSmgr);
  EXPECT_EQ(cEvent.getBody(), pBody);
  EXPECT_EQ(cEvent.getBodyId(), 4);
  EXPECT_FALSE(pDevice->bodyIsEnabled(iHandle));
  EXPECT_EQ(cScene.world()->getBodyCount(), 1u);
  EXPECT_EQ(cScene.world()->getBodyList().getSize(), 1u);
  EXPECT_EQ(*cScene.world()->getBodyList().begin(), cScene.m_pBody);
  EXPECT_TRUE(pDevice->bodyIsEnabled(cScene.m_pBody->getBodyId()));
}

TEST(EventBodyRemovedMessage, UnresolvedOrWrongKindTouchesNothing) {
  CEventScene cScene;
  cScene.world()->initPhysics();
  IRurIvaDevice* pDevice = cScene.m_pManager->getOdeDevice();
  for (s32 iId : {999, 30, 60}) {
    CSerializer cData(idMessage(eRurIvaEventBodyRemoved, iId).data(), 6);
    CRurIvaEventBodyRemoved cEvent(&cData, cScene.m_pSmgr);
    EXPECT_EQ(cEvent.getBody(), nullptr);
    EXPECT_EQ(cEvent.getBodyId(), iId);
  }
  CSerializer cNoScene(idMessage(eRurIvaEventBodyRemoved, 3).data(), 6);
  CRurIvaEventBodyRemoved cEvent(&cNoScene, nullptr);
  EXPECT_EQ(cEvent.getBody(), nullptr);

  EXPECT_EQ(cScene.world()->getBodyCount(), 2u);
  EXPECT_TRUE(pDevice->bodyIsEnabled(cScene.m_pBody->getBodyId()));
  EXPECT_TRUE(pDevice->bodyIsEnabled(cScene.m_pOther->getBodyId()));
}

TEST(EventBodyRemovedMessage, TruncatedMessageRemovesNothing) {
  CEventScene cScene;
  cScene.world()->initPhysics();
  const std::vector<u8> aMessage = idMessage(eRurIvaEventBodyRemoved, 4);
  for (u32 iLength = 0; iLength < aMessage.size(); ++iLength) {
    CSerializer cData(aMessage.data(), iLength);
    CRurIvaEventBodyRemoved cEvent(&cData, cScene.m_pSmgr);
    EXPECT_EQ(cEvent.getBody(), nullptr);
  }
  EXPECT_EQ(cScene.world()->getBodyCount(), 2u);
  EXPECT_TRUE(cScene.m_pManager->getOdeDevice()->bodyIsEnabled(cScene.m_pOther->getBodyId()));
}
