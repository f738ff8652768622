// Scene files as a careless or hostile hand writes them, read through the manager as the game
// reads a level, then started and stepped: nothing in them may abort the process or put a value
// that is no number into the simulation. The engine reads "1e39" as infinity and a missing
// "Scale" of its own nodes as (0, 0, 0); the layer refuses such values where it reads them (one
// line naming the node and the key) or where they would reach the dynamics library.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

std::string vec(const char* sName, const char* sValue) {
  return std::string("<vector3d name=\"") + sName + "\" value=\"" + sValue + "\"/>";
}
std::string num(const char* sName, const char* sValue) {
  return std::string("<float name=\"") + sName + "\" value=\"" + sValue + "\"/>";
}
std::string node(const char* sType, const char* sName, const std::string& sAttributes,
                 const std::string& sChildren = "") {
  return std::string("<node type=\"") + sType + "\"><attributes><string name=\"Name\" value=\"" + sName +
         "\"/>" + sAttributes + "</attributes>" + sChildren + "</node>";
}

/**
 * A ground, a box body above it, a static box, and a pendulum on a motor-driven hinge hanging
 * from the world. aExtra adds attributes to the node of a key: W world, P ground, B body,
 * E the engine node below the body, S its box, G the engine node of the static box, J the
 * hinge, M its motor; they come first, as the engine reads the first of two equal keys. The
 * engine nodes have a scale unless bNoScale.
 */
std::string sceneText(std::map<char, std::string> aExtra, bool bNoScale) {
  const std::string sScale = bNoScale ? "" : vec("Scale", "1, 1, 1");
  const std::string sCube = num("Width", "1") + num("Height", "1") + num("Depth", "1");
  const std::string sBall = node("empty", "", sScale, node("CRurIvaGeomSphere", "", num("Radius", "0.5")));
  return node(
      "CRurIvaWorld", "world", aExtra['W'],
      node("CRurIvaGeomPlane", "ground", aExtra['P'] + num("paramB", "1")) +
          node("CRurIvaBody", "box", aExtra['B'] + vec("Position", "0, 3, 0"),
               node("empty", "", aExtra['E'] + sScale,
                    node("CRurIvaGeomBox", "boxshape", aExtra['S'] + sCube))) +
          node("empty", "", aExtra['G'] + vec("Position", "4, 0.5, 0") + sScale,
               node("CRurIvaGeomBox", "block", sCube)) +
          node("CRurIvaJointHinge", "hinge",
               aExtra['J'] + vec("Position", "-4, 5, 0") + vec("Axis", "0, 0, 1"),
               node("CRurIvaBody", "bob", vec("Position", "0, -2, 0"), sBall) +
                   node("CRurIvaMotor", "drive", aExtra['M'] + num("Force", "1") + num("Velocity", "1"))));
}

TEST(HostileScenes, NodesWithoutScaleAndValuesThatAreNotFiniteNeitherAbortNorReachTheBodies) {
  struct SCase {
    char cWhere;
    std::string sAttribute;
    const char* sExpected;
  };
  const SCase aCases[] = {
      // '0': the engine nodes have no "Scale"; the rotations they give are refused.
      {'0', "", "CRurIvaDevice::geomSetRotation: the rotation is not a proper rotation"},
      // Values the layer reads are refused with a line naming the node and the key.
      {'W', vec("Gravity", "0, -1e39, 0"), "CRurIvaWorld \"world\": \"Gravity\" is not a finite number"},
      {'W', num("StepSize", "1e39"), "CRurIvaWorld \"world\": \"StepSize\""},
      {'W', num("LinearDamping", "-1e39"), "CRurIvaWorld \"world\": \"LinearDamping\""},
      {'P', num("paramD", "1e39"), "CRurIvaGeomPlane \"ground\": \"paramD\""},
      {'B', vec("Position", "1e39, 3, 0"),
       "CRurIvaBody \"box\": \"Position\" is not a finite number, the value is kept"},
      {'B', vec("Rotation", "0, 1e39, 0"), "CRurIvaBody \"box\": \"Rotation\""},
      {'B', vec("Scale", "1e39, 1, 1"), "CRurIvaBody \"box\": \"Scale\""},
      {'B', num("MaxAngularSpeed", "1e39"), "CRurIvaBody \"box\": \"MaxAngularSpeed\""},
      {'B', "<bool name=\"FiniteRotationMode\" value=\"true\"/>" + vec("FiniteRotationAxis", "1e39, 0, 0"),
       "CRurIvaBody \"box\": \"FiniteRotationAxis\""},
      {'S', num("Mass", "1e39"), "CRurIvaGeomBox \"boxshape\": \"Mass\""},
      {'S', vec("MassTranslation", "1e39, 0, 0"), "CRurIvaGeomBox \"boxshape\": \"MassTranslation\""},
      {'S', vec("Inertia_1", "1e39, 1, 1"), "CRurIvaGeomBox \"boxshape\": \"Inertia_1\""},
      {'S', num("mu", "1e39"), "surface parameters \"\": \"mu\" is not a finite number"},
      {'J', vec("Axis", "1e39, 0, 0"), "CRurIvaJointHinge \"hinge\": \"Axis\""},
      {'J', "<bool name=\"use_HiStop_group_0\" value=\"true\"/>" + num("HiStop_group_0", "1e39"),
       "CRurIvaJointHinge \"hinge\": \"HiStop_group_0\""},
      {'M', num("Velocity", "1e39"), "CRurIvaMotor \"drive\": \"Velocity\""},
      // The engine's own nodes take what they read; the device refuses it on the way in.
      {'E', vec("Rotation", "1e39, 0, 0"),
       "CRurIvaDevice::geomSetOffsetQuaternion: the rotation is not a proper"},
      {'E', vec("Position", "1e39, 0, 0"),
       "CRurIvaDevice::geomSetOffsetPosition: a value is not a finite number"},
      {'G', vec("Rotation", "0, 0, 1e39"), "CRurIvaDevice::geomSetRotation: the rotation is not a proper"},
  };
  const std::string sPath = "/tmp/varrik-hostile-" + std::to_string(getpid()) + ".irr";
  for (const SCase& c : aCases) {
    SCOPED_TRACE(c.sExpected);
    CTestScene cScene(nullptr, CTestScene::eFactory);
    cScene.m_pIrr->getLogger()->setLogLevel(irr::ELL_NONE);
    std::ofstream(sPath, std::ios::binary)
        << "<?xml version=\"1.0\"?>\n<irr_scene>" << sceneText({{c.cWhere, c.sAttribute}}, c.cWhere == '0')
        << "</irr_scene>";
    const std::string sOut = captured([&] {
      EXPECT_TRUE(cScene.m_pManager->loadScene(sPath.c_str(), cScene.m_pSmgr));
      cScene.m_pManager->initPhysics();
      cScene.simulate(*cScene.m_pManager->getWorlds().begin(), 2.0f);
    });
    EXPECT_NE(sOut.find(c.sExpected), std::string::npos) << sOut;
    // Every body is somewhere and moves at some speed; the box stands on the ground.
    u32 iBodies = 0;
    for (CRurIvaBody* pBody : (*cScene.m_pManager->getWorlds().begin())->getBodyList()) {
      ++iBodies;
      for (const vector3df& v : {pBody->getPosition(), pBody->getRotation(), pBody->getLinearVelocity(),
                                 cScene.m_pDevice->bodyGetPosition(pBody->getBodyId())})
        EXPECT_TRUE(std::isfinite(v.X + v.Y + v.Z)) << pBody->getName();
    }
    EXPECT_EQ(iBodies, 2u);
    EXPECT_NEAR(cScene.m_pSmgr->getSceneNodeFromName("box")->getPosition().Y, 0.5f, 0.05f);
  }
  std::remove(sPath.c_str());
}

/**
 * Loads a scene file of the given nodes into a fresh scene and checks that it loads, or is
 * refused with a line saying sRefusal, and that the node called sName is there only if it loads.
 */
void expectLoadedOrRefused(const std::string& sNodes, bool bLoads, const char* sRefusal, const char* sName) {
  SCOPED_TRACE(sNodes);
  const std::string sPath = "/tmp/varrik-refused-" + std::to_string(getpid()) + ".irr";
  CTestScene cScene(nullptr, CTestScene::eFactory);
  cScene.m_pIrr->getLogger()->setLogLevel(irr::ELL_NONE);
  std::ofstream(sPath, std::ios::binary)
      << "<?xml version=\"1.0\"?>\n<irr_scene>" << sNodes << "</irr_scene>";
  bool bLoaded = false;
  const std::string sOut =
      captured([&] { bLoaded = cScene.m_pManager->loadScene(sPath.c_str(), cScene.m_pSmgr); });
  std::remove(sPath.c_str());
  EXPECT_EQ(bLoaded, bLoads) << sOut;
  EXPECT_EQ(sOut.find(sRefusal) != std::string::npos, !bLoads) << sOut;
  EXPECT_EQ(cScene.m_pSmgr->getSceneNodeFromName(sName) != nullptr, bLoads);
}

TEST(HostileScenes, AFolderNamedAsAMeshOrTextureFileIsRefusedAndAMissingFileIsNot) {
  // The engine opened a folder as a file of the largest size there is and its mesh loader asked
  // for that much memory: the program ended on std::bad_alloc.
  struct SCase {
    std::string sNode;
    bool bLoads;
    const char* sName;  // of the node, found after loading or not
  };
  const std::string sMissing = "/tmp/varrik-no-such-mesh-" + std::to_string(getpid()) + ".obj";
  const SCase aCases[] = {
      {node("animatedMesh", "m", "<string name=\"Mesh\" value=\".\"/>"), false, "m"},
      {node("octree", "m", "<string name=\"Mesh\" value=\"/tmp\"/>"), false, "m"},
      {node("mesh", "m", "<texture name=\"Texture1\" value=\"/tmp/\"/>"), false, "m"},
      {node("animatedMesh", "m", "<string name=\"Mesh\" value=\"" + sMissing + "\"/>"), true, "m"},
      // Not a file name: a node may be called like a folder.
      {node("empty", ".", ""), true, "."},
  };
  for (const SCase& c : aCases)
    expectLoadedOrRefused(c.sNode, c.bLoads, "which is not one; nothing loaded", c.sName);
}

TEST(HostileScenes, ASphereOfPolygonCountsTheEngineCannotBuildIsRefused) {
  // The engine builds a sphere's mesh from its counts with 32-bit products and halves both until
  // the product is below 32768: a product that wrapped round below that (65536 x 65536, or a
  // negative count taken as a huge one) made it write outside the mesh it allocated (found by
  // fuzzing: the process ended on a segmentation fault).
  struct SCase {
    std::string sCounts;
    bool bLoads;
  };
  const auto counts = [](const char* sX, const char* sY) {
    return std::string("<int name=\"PolyCountX\" value=\"") + sX + "\"/><int name=\"PolyCountY\" value=\"" +
           sY + "\"/>";
  };
  const SCase aCases[] = {
      {counts("16", "16"), true},
      {counts("256", "16"), true},  // halved to 128 x 8
      {counts("0", "0"), true},     // raised to 2 x 2
      {counts("-2", "16"), false},  // 4294967294 x 16, halved on to 134217727 x 0
      {counts("2", "-1"), false},
      {counts("65536", "65536"), false},
      {counts("40000", "2"), true},        // halved to 20000 x 1, a flat sphere but a sound mesh
      {counts("100000", "100000"), true},  // wraps round above 32767: the halving goes on
      {"<int name=\"PolyCount\" value=\"-1\"/>", false},
      {"<float name=\"PolyCountX\" value=\"1e10\"/>", false},
      // An int count is read as the engine reads it, up to its first character of no digit.
      {counts("-1e-6", "8"), false},
      {counts("1e10", "16"), true},
  };
  for (const SCase& c : aCases)
    expectLoadedOrRefused(node("sphere", "ball", c.sCounts), c.bLoads,
                          "polygon counts the engine cannot build", "ball");
}

}  // namespace
}  // namespace test
}  // namespace varrik
