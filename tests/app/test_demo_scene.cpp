// The demo scene on the engine's null driver with the generated data folder: the car lands on
// its wheels and drives, and the same scene read back from a scene file drives the same way.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include <irrlicht.h>

#include "CRurIvaBody.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaJointHinge2.h"
#include "CRurIvaManager.h"
#include "CRurIvaMotor.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "DemoScene.h"

using namespace irr;
using namespace irr::ode;
using varrik::demo::buildDemoScene;
using varrik::demo::createCar;
using varrik::demo::createLevel;
using varrik::demo::createWorld;
using varrik::demo::DemoScene;
using varrik::demo::installPhysics;
using varrik::demo::releaseDemoScene;
using varrik::demo::shutdownPhysics;
using varrik::demo::startLoadedScene;
using varrik::demo::startPhysics;
using varrik::demo::Varrik_Car;

namespace {

const f32 kWheelRadius = 9.0f;
const f32 kFloorY = -130.0f;
//! The chassis box hangs 100 units below the chassis body, 24 units high.
const f32 kChassisBoxBelowBody = 100.0f;
const f32 kChassisBoxHalfHeight = 12.0f;

//! A fresh engine device on the null driver, working in a folder that holds data/ (the build
//! folder unless told otherwise), with the physics layer installed.
class CDemoRun {
 public:
  explicit CDemoRun(const std::string& sFolder = VARRIK_BUILD_DIR)
      : m_pDevice(createDevice(video::EDT_NULL)) {
    m_pDevice->getLogger()->setLogLevel(ELL_NONE);
    // The engine's clock is one for the whole process: a run starts it at 0, as a fresh program.
    m_pDevice->getTimer()->setTime(0);
    m_pDevice->getFileSystem()->changeWorkingDirectoryTo(sFolder.c_str());
    m_pDevice->getFileSystem()->addFileArchive("data/", true, true, io::EFAT_FOLDER);
    m_pFactory = new CRurIvaSceneNodeFactory(smgr());
    installPhysics(m_pDevice, *m_pFactory);
  }
  ~CDemoRun() {
    releaseDemoScene(scene);
    m_pDevice->drop();
    m_pFactory->drop();
    shutdownPhysics();
  }
  scene::ISceneManager* smgr() const { return m_pDevice->getSceneManager(); }

  //! Advances the simulated clock by whole frames of 1/60 s, as the program's loop would.
  void run(f32 fSeconds) {
    const u32 iFrames = static_cast<u32>(std::lround(fSeconds * 60.0f));
    for (u32 i = 0; i < iFrames; ++i) {
      ++m_iFrame;
      m_pDevice->getTimer()->setTime(static_cast<u32>(std::lround(m_iFrame * 1000.0 / 60.0)));
      CRurIvaManager::getSharedInstance()->step();
    }
  }

  DemoScene scene;

 private:
  IrrlichtDevice* m_pDevice;
  CRurIvaSceneNodeFactory* m_pFactory;
  u32 m_iFrame = 0;
};

bool isFinite(const core::vector3df& v) {
  return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

//! Where a wheel's centre is now: its model node sits at the wheel centre below its body.
core::vector3df wheelCentre(scene::ISceneNode* pWheelNode) {
  pWheelNode->getParent()->updateAbsolutePosition();
  pWheelNode->updateAbsolutePosition();
  return pWheelNode->getAbsolutePosition();
}

//! Joint k (0 to 3) of the car, and where its anchor is now.
CRurIvaJoint* wheelJoint(const Varrik_Car& c, int k) {
  CRurIvaJoint* aJoints[4] = {c.test_1_JointHinge, c.test_2_JointHinge, c.test_3_JointHinge,
                              c.test_4_JointHinge};
  return aJoints[k];
}
core::vector3df wheelJointAnchor(const Varrik_Car& c, int k) {
  if (k < 2) return static_cast<CRurIvaJointHinge2*>(wheelJoint(c, k))->getAnchor1();
  return static_cast<CRurIvaJointHinge*>(wheelJoint(c, k))->getAnchor1();
}

//! Angles in degrees folded into (-180, 180].
f32 folded(f32 fDegrees) {
  while (fDegrees > 180.0f) fDegrees -= 360.0f;
  while (fDegrees <= -180.0f) fDegrees += 360.0f;
  return fDegrees;
}

//! The demo built as described, its chassis body moved by a given offset before physics starts.
class DemoCar : public testing::TestWithParam<core::vector3df> {};

TEST_P(DemoCar, LandsOnItsFourWheelsAndDrivesDownTheTrack) {
  CDemoRun demo;
  testing::internal::CaptureStdout();
  buildDemoScene(demo.smgr(), demo.scene, [&] { demo.scene.MyCar.Car_OdeBody->setPosition(GetParam()); });
  const std::string sOutput = testing::internal::GetCapturedStdout();

  // Each motor announces itself to the chassis body; the demo names none of them.
  size_t iLines = 0;
  for (size_t i = sOutput.find("motor added (\"\" / -1)\n"); i != std::string::npos;
       i = sOutput.find("motor added (\"\" / -1)\n", i + 1))
    ++iLines;
  EXPECT_EQ(iLines, 4u) << sOutput;

  Varrik_Car& car = demo.scene.MyCar;
  ASSERT_NE(car.Car_OdeBody, nullptr);
  scene::IAnimatedMeshSceneNode* aWheels[4] = {
      car.Car_whell_1_AnimatedMeshSceneNode, car.Car_whell_2_AnimatedMeshSceneNode,
      car.Car_whell_3_AnimatedMeshSceneNode, car.Car_whell_4_AnimatedMeshSceneNode};
  CRurIvaBody* aWheelBodies[4] = {car.Car_whell_1_OdeBody, car.Car_whell_2_OdeBody, car.Car_whell_3_OdeBody,
                                  car.Car_whell_4_OdeBody};
  for (int k = 0; k < 4; ++k) ASSERT_NE(aWheels[k], nullptr) << "wheel " << k + 1;

  const core::vector3df cStart = car.Car_OdeBody->getPosition();
  EXPECT_EQ(cStart, GetParam());
  // Each wheel starts at its place on the chassis: at its joint's anchor.
  for (int k = 0; k < 4; ++k)
    EXPECT_LT((wheelCentre(aWheels[k]) - wheelJointAnchor(car, k)).getLength(), 0.01f) << "wheel " << k + 1;

  for (int iSecond = 0; iSecond < 20; ++iSecond) {
    demo.run(1.0f);
    ASSERT_TRUE(isFinite(car.Car_OdeBody->getPosition())) << "second " << iSecond;
    ASSERT_TRUE(isFinite(car.Car_OdeBody->getLinearVelocity())) << "second " << iSecond;
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(isFinite(aWheelBodies[k]->getPosition()));
  }

  const core::vector3df cEnd = car.Car_OdeBody->getPosition();
  const core::vector3df cRotation = car.Car_OdeBody->getRotation();
  // Settled upright on the track, the box clear of the floor.
  EXPECT_LT(std::fabs(folded(cRotation.X)), 10.0f);
  EXPECT_LT(std::fabs(folded(cRotation.Z)), 10.0f);
  EXPECT_GT(cEnd.Y - kChassisBoxBelowBody - kChassisBoxHalfHeight, kFloorY);
  // It rests on its wheels, not on its box: the wheels carry it a wheel's height above the floor.
  EXPECT_NEAR(cEnd.Y, -9.0f, 1.0f);
  // The track runs toward -Z; the car drives along it, roughly straight.
  EXPECT_LT(cEnd.Z - cStart.Z, -100.0f);
  EXPECT_LT(std::fabs(cEnd.X - cStart.X), 5.0f);

  // Every wheel stays on its axle: its centre is within a wheel radius of its joint's anchor.
  for (int k = 0; k < 4; ++k) {
    const core::vector3df cCentre = wheelCentre(aWheels[k]);
    EXPECT_LT((cCentre - wheelJointAnchor(car, k)).getLength(), kWheelRadius) << "wheel " << k + 1;
    // and touches the floor.
    EXPECT_NEAR(cCentre.Y, kFloorY + kWheelRadius, 1.0f) << "wheel " << k + 1;
  }
}

// At the origin, and raised, to the side and back along the track: the wheels hang in the
// chassis' frame wherever the chassis starts.
INSTANTIATE_TEST_SUITE_P(ChassisStart, DemoCar,
                         testing::Values(core::vector3df(0, 0, 0), core::vector3df(30, 25, 60)),
                         [](const testing::TestParamInfo<core::vector3df>& i) {
                           return i.param == core::vector3df(0, 0, 0) ? std::string("AtTheOrigin")
                                                                      : std::string("AwayFromIt");
                         });

TEST(DemoScene, TheHookSeesTheCompleteSceneBeforeAnyDynamicsObjectExists) {
  CDemoRun demo;
  CRurIvaManager* m = CRurIvaManager::getSharedInstance();
  std::map<scene::ESCENE_NODE_TYPE, int> aSeen;
  int iInitialised = 0;
  testing::internal::CaptureStdout();
  buildDemoScene(demo.smgr(), demo.scene, [&] {
    for (CRurIvaSceneNode* pNode : m->getRurIvaNodes()) {
      ++aSeen[pNode->getType()];
      iInitialised += pNode->physicsInitialized();
    }
    for (CRurIvaWorld* pWorld : m->getWorlds()) iInitialised += pWorld->physicsInitialized();
  });
  testing::internal::GetCapturedStdout();
  // Level, chassis and four wheels with their geometries, the wheels' joints and motors; no
  // space yet, nothing initialised. The dynamics objects come right after the hook.
  const std::map<scene::ESCENE_NODE_TYPE, int> aExpected = {
      {RUR_IVA_BODY_ID, 5},        {RUR_IVA_GEOM_TRIMESH_ID, 1}, {RUR_IVA_GEOM_BOX_ID, 1},
      {RUR_IVA_GEOM_SPHERE_ID, 4}, {RUR_IVA_JOINT_HINGE2_ID, 2}, {RUR_IVA_JOINT_HINGE_ID, 2},
      {RUR_IVA_MOTOR_ID, 4}};
  EXPECT_EQ(aSeen, aExpected);
  EXPECT_EQ(iInitialised, 0);
  EXPECT_NE(demo.scene.worldNode->getWorldId(), 0u);
  for (int k = 0; k < 4; ++k) EXPECT_NE(wheelJoint(demo.scene.MyCar, k)->getJointId(), 0u);
}

TEST(DemoScene, FrontWheelsHangOnSteeringJointsHeldStraight) {
  CDemoRun demo;
  buildDemoScene(demo.smgr(), demo.scene);
  Varrik_Car& car = demo.scene.MyCar;
  demo.run(10.0f);
  // The steering axes stay vertical and unturned while the wheels roll.
  for (CRurIvaJointHinge2* pJoint : {car.test_1_JointHinge, car.test_2_JointHinge}) {
    EXPECT_NEAR(pJoint->getHingeAngle1(), 0.0f, 0.05f);
    const core::vector3df cAxis1 = pJoint->getHingeAxis1();
    EXPECT_NEAR(cAxis1.Y, 1.0f, 0.05f);
  }
  // The rear wheels turn at the motors' velocity (the motor drives the chassis against the wheel).
  for (CRurIvaJointHinge* pJoint : {car.test_3_JointHinge, car.test_4_JointHinge})
    EXPECT_NEAR(pJoint->getHingeAngleRate(), 1.0f, 0.05f);
}

//! Every physics node below a node, in tree order, with its attributes as a scene file has them.
void collectPhysicsNodes(scene::ISceneNode* pNode, io::IFileSystem* pFiles, std::vector<std::string>& aOut) {
  for (scene::ISceneNode* pChild : pNode->getChildren()) {
    if (CRurIvaManager::getSharedInstance()->isRegisteredOdeSceneNode(pChild)) {
      io::IAttributes* pAttributes = pFiles->createEmptyAttributes();
      pChild->serializeAttributes(pAttributes);
      std::string sText =
          CRurIvaSceneNode::nodeNameToC8(static_cast<CRurIvaSceneNode*>(pChild)->getTypeName());
      for (u32 i = 0; i < pAttributes->getAttributeCount(); ++i)
        sText += std::string(" ") + pAttributes->getAttributeName(i) + "=" +
                 pAttributes->getAttributeAsString(i).c_str();
      pAttributes->drop();
      aOut.push_back(sText);
    }
    collectPhysicsNodes(pChild, pFiles, aOut);
  }
}

//! Where every body of the set-up is, in the order the bodies were registered.
std::vector<core::vector3df> bodyPositions() {
  std::vector<core::vector3df> a;
  for (CRurIvaSceneNode* pNode : CRurIvaManager::getSharedInstance()->getRurIvaNodes())
    if (pNode->getType() == RUR_IVA_BODY_ID) a.push_back(static_cast<CRurIvaBody*>(pNode)->getPosition());
  return a;
}

TEST(DemoScene, ASavedSceneReadBackHasTheSameNodesAndDrivesTheSame) {
  const std::string sFile =
      std::string(VARRIK_BUILD_DIR) + "/demo-scene-test-" + std::to_string(getpid()) + ".irr";
  std::vector<std::string> aBuilt;
  std::vector<core::vector3df> aBuiltEnd;
  {
    CDemoRun demo;
    demo.scene.worldNode = createWorld(demo.smgr());
    createLevel(demo.smgr(), demo.scene.worldNode);
    createCar(demo.smgr(), demo.scene);
    ASSERT_TRUE(demo.smgr()->saveScene(sFile.c_str()));
    collectPhysicsNodes(demo.smgr()->getRootSceneNode(), demo.smgr()->getFileSystem(), aBuilt);
    startPhysics(demo.scene);
    demo.run(5.0f);
    aBuiltEnd = bodyPositions();
  }

  std::vector<std::string> aLoaded;
  std::vector<core::vector3df> aLoadedEnd;
  {
    CDemoRun demo;
    ASSERT_TRUE(CRurIvaManager::getSharedInstance()->loadScene(sFile.c_str(), demo.smgr()));
    collectPhysicsNodes(demo.smgr()->getRootSceneNode(), demo.smgr()->getFileSystem(), aLoaded);
    startLoadedScene();
    demo.run(5.0f);
    aLoadedEnd = bodyPositions();
  }
  std::remove(sFile.c_str());

  ASSERT_EQ(aLoaded.size(), aBuilt.size());
  for (size_t i = 0; i < aBuilt.size(); ++i) EXPECT_EQ(aLoaded[i], aBuilt[i]) << "node " << i;
  // The built car (the chassis is the first body) has driven some 30 units by now; every body
  // of the loaded one ends where the built one's did: the file's text only rounds the values
  // in their sixth decimal.
  ASSERT_EQ(aBuiltEnd.size(), 5u);
  ASSERT_EQ(aLoadedEnd.size(), aBuiltEnd.size());
  EXPECT_LT(aBuiltEnd[0].Z, -20.0f);
  for (size_t i = 0; i < aBuiltEnd.size(); ++i)
    EXPECT_LT((aLoadedEnd[i] - aBuiltEnd[i]).getLength(), 1e-3f)
        << "body " << i << ": built (" << aBuiltEnd[i].X << ", " << aBuiltEnd[i].Y << ", " << aBuiltEnd[i].Z
        << ") loaded (" << aLoadedEnd[i].X << ", " << aLoadedEnd[i].Y << ", " << aLoadedEnd[i].Z << ")";
}

TEST(DemoSoak, TenSimulatedMinutesStayFiniteAndLeakNothing) {
  // The car drives the whole track (some seven minutes) and rests at its end. In the sanitizer
  // build, leak detection checks this process when it ends.
  CDemoRun demo;
  buildDemoScene(demo.smgr(), demo.scene);
  for (int iSecond = 1; iSecond <= 600; ++iSecond) {
    demo.run(1.0f);
    for (CRurIvaSceneNode* pNode : CRurIvaManager::getSharedInstance()->getRurIvaNodes()) {
      if (pNode->getType() != RUR_IVA_BODY_ID) continue;
      CRurIvaBody* p = static_cast<CRurIvaBody*>(pNode);
      ASSERT_TRUE(isFinite(p->getPosition()) && isFinite(p->getRotation()) &&
                  isFinite(p->getLinearVelocity()) && isFinite(p->getAngularVelocity()))
          << "body " << p->getID() << " at second " << iSecond;
    }
  }
  EXPECT_LT(demo.scene.MyCar.Car_OdeBody->getPosition().Z, -3000.0f);
}

//! A working folder whose data/ holds every generated asset but the one named (links to the
//! build's files), removed again when it goes.
class CDataFolderWithout {
 public:
  explicit CDataFolderWithout(const std::string& sMissing) {
    char sTemplate[] = "/tmp/varrik-demo-XXXXXX";
    const char* sFolder = mkdtemp(sTemplate);
    if (!sFolder) throw std::runtime_error("no temporary folder could be made");
    m_sFolder = sFolder;
    const std::filesystem::path cData = std::filesystem::path(m_sFolder) / "data";
    std::filesystem::create_directory(cData);
    for (const auto& cEntry : std::filesystem::directory_iterator(std::string(VARRIK_BUILD_DIR) + "/data"))
      if (cEntry.path().filename() != sMissing && cEntry.path().filename() != "Settings.xml")
        std::filesystem::create_symlink(cEntry.path(), cData / cEntry.path().filename());
  }
  ~CDataFolderWithout() {
    std::error_code cError;
    std::filesystem::remove_all(m_sFolder, cError);
  }
  const std::string& folder() const { return m_sFolder; }

 private:
  std::string m_sFolder;
};

TEST(DemoScene, WithoutTheLevelItSaysSoAndTheCarFalls) {
  CDataFolderWithout cFolder("map.bsp");
  CDemoRun demo(cFolder.folder());
  testing::internal::CaptureStdout();
  buildDemoScene(demo.smgr(), demo.scene);
  const std::string sOutput = testing::internal::GetCapturedStdout();
  EXPECT_NE(sOutput.find("map.bsp is missing"), std::string::npos) << sOutput;

  // The car is complete, but nothing holds it up.
  ASSERT_NE(demo.scene.MyCar.Car_whell_4_OdeBody, nullptr);
  demo.run(3.0f);
  EXPECT_LT(demo.scene.MyCar.Car_OdeBody->getPosition().Y, -30.0f);
}

TEST(DemoScene, WithoutTheChassisModelItSaysSoAndBuildsNoWheels) {
  CDataFolderWithout cFolder("car_c.x");
  CDemoRun demo(cFolder.folder());
  testing::internal::CaptureStdout();
  buildDemoScene(demo.smgr(), demo.scene);
  const std::string sOutput = testing::internal::GetCapturedStdout();
  EXPECT_NE(sOutput.find("data/car_c.x is missing"), std::string::npos) << sOutput;

  // The wheels sit at the chassis model's bones: without the model there are none, and no motors.
  EXPECT_EQ(demo.scene.MyCar.Car_AnimatedMeshSceneNode, nullptr);
  EXPECT_EQ(demo.scene.MyCar.Car_whell_1_OdeBody, nullptr);
  EXPECT_EQ(demo.scene.motor(1), nullptr);
  ASSERT_NE(demo.scene.MyCar.Car_OdeBody, nullptr);
  demo.run(1.0f);
  EXPECT_TRUE(std::isfinite(demo.scene.MyCar.Car_OdeBody->getPosition().Y));
}

}  // namespace
