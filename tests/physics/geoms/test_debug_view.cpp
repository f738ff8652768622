// The debug view of collision shapes: a geometry whose debug-data flag is set draws its shape, as
// the dynamics library has it, as lines in world space, and draws nothing otherwise; the colour
// tells simulated, sleeping and static geometry apart; a world in the view marks its contacts.
// The engine's null driver counts the lines drawn in a frame.
#include <gtest/gtest.h>

#include <functional>

#include "CRurIvaBody.h"
#include "CRurIvaDebugView.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomCapsule.h"
#include "CRurIvaGeomCylinder.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "CTestScene.h"

namespace varrik {
namespace test {
namespace {

using irr::ode::CRurIvaDebugView;
using irr::ode::CRurIvaGeomRay;
namespace scene = irr::scene;

//! A scene without gravity, so shapes stay where they are put.
class CViewScene : public CTestScene {
 public:
  CViewScene() { world()->setGravity(vector3df(0, 0, 0)); }
  //! Draws one frame and returns the primitives (here: lines and mesh triangles) drawn in it.
  u32 drawnInFrame() {
    irr::video::IVideoDriver* pDriver = m_pIrr->getVideoDriver();
    pDriver->beginScene();
    m_pSmgr->drawAll();
    pDriver->endScene();
    return pDriver->getPrimitiveCountDrawn(0);
  }
  //! The lines the device gives for a geometry's first handle, and the box around them.
  aabbox3df linesBox(CRurIvaGeom* pGeom, u32* pCount = nullptr) {
    irr::core::array<irr::core::line3df> aLines;
    m_pDevice->geomGetDebugLines(pGeom->getGeomId(0), vector3df(0, 0, 0), aLines);
    if (pCount) *pCount = aLines.size();
    aabbox3df cBox(aLines.empty() ? vector3df(0, 0, 0) : aLines[0].start);
    for (u32 i = 0; i < aLines.size(); ++i) {
      cBox.addInternalPoint(aLines[i].start);
      cBox.addInternalPoint(aLines[i].end);
    }
    return cBox;
  }
  //! A geometry of class T below a fresh body at cPos, the body turned by cRot.
  template <class T>
  T* addOnBody(const vector3df& cPos, const vector3df& cRot = vector3df(0, 0, 0)) {
    CRurIvaBody* pBody = add<CRurIvaBody>(world(), cPos, cRot);
    return add<T>(addEmpty(pBody));
  }
};

struct SShape {
  const char* sName;
  std::function<CRurIvaGeom*(CViewScene&)> fBuild;
  u32 iLines;
  aabbox3df cBox;
};

void PrintTo(const SShape& c, std::ostream* pOut) { *pOut << c.sName; }

class GeomDebugView : public testing::TestWithParam<SShape> {};

TEST_P(GeomDebugView, TheShapeIsDrawnAsTheLibraryHasItOnlyWhileTheFlagIsSet) {
  const SShape& c = GetParam();
  CViewScene cScene;
  CRurIvaGeom* pGeom = c.fBuild(cScene);
  cScene.init();
  const u32 iWithout = cScene.drawnInFrame();

  // The shape's lines lie where the library has it: the box around them is the shape's.
  u32 iLines = 0;
  const aabbox3df cBox = cScene.linesBox(pGeom, &iLines);
  EXPECT_EQ(iLines, c.iLines);
  EXPECT_VEC_NEAR(cBox.MinEdge, c.cBox.MinEdge, 1e-4);
  EXPECT_VEC_NEAR(cBox.MaxEdge, c.cBox.MaxEdge, 1e-4);

  pGeom->setDebugDataVisible(scene::EDS_BBOX);
  EXPECT_EQ(cScene.drawnInFrame(), iWithout + c.iLines);
  EXPECT_EQ(cScene.drawnInFrame(), iWithout + c.iLines) << "every frame draws it again";
  pGeom->setDebugDataVisible(scene::EDS_OFF);
  EXPECT_EQ(cScene.drawnInFrame(), iWithout);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, GeomDebugView,
    testing::Values(
        // Twelve edges; the body's turn of 90 degrees about y swaps the box's x and z sizes.
        SShape{"Box",
               [](CViewScene& s) {
                 CRurIvaGeomBox* p = s.addOnBody<CRurIvaGeomBox>(vector3df(10, 5, 0), vector3df(0, 90, 0));
                 p->setWidth(2);
                 p->setHeight(4);
                 p->setDepht(6);
                 return p;
               },
               12, aabbox3df(7, 3, -1, 13, 7, 1)},
        // Three circles of 24 segments.
        SShape{"Sphere",
               [](CViewScene& s) {
                 CRurIvaGeomSphere* p = s.addOnBody<CRurIvaGeomSphere>(vector3df(0, 3, 4));
                 p->setRadius(1.5f);
                 return p;
               },
               72, aabbox3df(-1.5f, 1.5f, 2.5f, 1.5f, 4.5f, 5.5f)},
        // Two rings, four sides and four half circles over the ends, along z.
        SShape{"Capsule",
               [](CViewScene& s) {
                 CRurIvaGeomCapsule* p = s.addOnBody<CRurIvaGeomCapsule>(vector3df(0, 0, 0));
                 p->setRadius(1);
                 p->setLength(4);
                 return p;
               },
               100, aabbox3df(-1, -1, -3, 1, 1, 3)},
        SShape{"Cylinder",
               [](CViewScene& s) {
                 CRurIvaGeomCylinder* p = s.addOnBody<CRurIvaGeomCylinder>(vector3df(0, 0, 0));
                 p->setRadius(2);
                 p->setLength(3);
                 return p;
               },
               52, aabbox3df(-2, -2, -1.5f, 2, 2, 1.5f)},
        // A patch of ten by ten cells of 10 units around the point nearest to the viewer.
        SShape{"Plane", [](CViewScene& s) { return s.addGround(s.world(), 2.0f); }, 22,
               aabbox3df(-50, 2, -50, 50, 2, 50)},
        // One line from the start to the ray's length: the library's default start and direction
        // until the ray is first set after the world starts.
        SShape{"Ray",
               [](CViewScene& s) {
                 CRurIvaGeomRay* p = s.add<CRurIvaGeomRay>(s.world());
                 p->set(vector3df(0, 0, 0), vector3df(0, 0, 1), 5);
                 return p;
               },
               1, aabbox3df(0, 0, 0, 0, 0, 5)},
        // The edges of the mesh's four triangles, where the level node puts them.
        SShape{"Trimesh",
               [](CViewScene& s) {
                 scene::IMeshSceneNode* pLevel =
                     s.addMeshNode(s.world(), {aabbox3df(-1, -2, -3, 1, 2, 3)}, vector3df(100, 0, 0));
                 return s.add<irr::ode::CRurIvaGeomTrimesh>(pLevel);
               },
               12, aabbox3df(99, -2, -3, 101, 2, 3)}),
    [](const testing::TestParamInfo<SShape>& i) { return std::string(i.param.sName); });

TEST(GeomDebugViewColour, SimulatedSleepingAndStaticGeometryHaveColoursOfTheirOwn) {
  CViewScene cScene;
  CRurIvaGeomSphere* pMoving = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(cScene.world(), vector3df(0, 5, 0), 1.0f, 1.0f, &pMoving);
  CRurIvaGeom* pGround = cScene.addGround(cScene.world());
  cScene.init();
  pBody->setEnabled(true);
  EXPECT_EQ(pMoving->getDebugColor(), CRurIvaDebugView::kDynamic);
  pBody->setEnabled(false);
  EXPECT_EQ(pMoving->getDebugColor(), CRurIvaDebugView::kSleeping);
  EXPECT_EQ(pGround->getDebugColor(), CRurIvaDebugView::kStatic);
  EXPECT_NE(CRurIvaDebugView::kDynamic, CRurIvaDebugView::kSleeping);
  EXPECT_NE(CRurIvaDebugView::kDynamic, CRurIvaDebugView::kStatic);
  EXPECT_NE(CRurIvaDebugView::kSleeping, CRurIvaDebugView::kStatic);
}

TEST(GeomDebugViewCulling, AShapeAwayFromItsNodeIsDrawnWhenInViewAndNotOtherwise) {
  CViewScene cScene;
  // The level node sits at the origin, its only triangles 500 units away.
  scene::IMeshSceneNode* pLevel = cScene.addMeshNode(cScene.world(), {aabbox3df(500, -1, -1, 502, 1, 1)});
  CRurIvaGeom* pMesh = cScene.add<irr::ode::CRurIvaGeomTrimesh>(pLevel);
  cScene.init();
  pMesh->setDebugDataVisible(scene::EDS_FULL);
  scene::ICameraSceneNode* pCamera = cScene.m_pSmgr->addCameraSceneNode(0, vector3df(501, 0, -20));
  pCamera->setTarget(vector3df(501, 0, 0));
  // Mesh triangles and debug lines: the origin is out of view, the shape is not.
  EXPECT_EQ(cScene.drawnInFrame(), 4u + 12u);
  pCamera->setTarget(vector3df(501, 0, -40));  // looking away
  EXPECT_EQ(cScene.drawnInFrame(), 0u);
}

TEST(GeomDebugViewContacts, AWorldInTheViewMarksTheContactsOfItsLastStep) {
  CTestScene cScene;
  cScene.addGround(cScene.world(), 0.0f);
  CRurIvaBody* pBall = cScene.addSphereBody(cScene.world(), vector3df(3, 0.5f, 4), 0.5f);
  cScene.init();
  cScene.simulate(0.5f);
  EXPECT_TRUE(cScene.world()->getContactPoints().empty()) << "no marks while the flag is clear";

  cScene.world()->setDebugDataVisible(scene::EDS_FULL);
  cScene.steps(1);
  const irr::core::array<vector3df>& aPoints = cScene.world()->getContactPoints();
  ASSERT_FALSE(aPoints.empty());
  for (u32 i = 0; i < aPoints.size(); ++i) EXPECT_VEC_NEAR(aPoints[i], vector3df(3, 0, 4), 0.05) << i;
  irr::video::IVideoDriver* pDriver = cScene.m_pIrr->getVideoDriver();
  pDriver->beginScene();
  cScene.m_pSmgr->drawAll();
  pDriver->endScene();
  EXPECT_EQ(pDriver->getPrimitiveCountDrawn(0), 3 * aPoints.size()) << "a cross per contact";

  // Lifted off the ground, the ball makes no contact in the next step.
  pBall->setPosition(vector3df(3, 5, 4));
  cScene.steps(1);
  EXPECT_TRUE(cScene.world()->getContactPoints().empty());
}

TEST(GeomDebugViewSubtree, OneCallSetsTheFlagOfEveryGeometryAndWorldOfASubtree) {
  CViewScene cScene;
  CRurIvaGeomSphere* pSphere = nullptr;
  CRurIvaBody* pBody = cScene.addSphereBody(cScene.world(), vector3df(0, 5, 0), 1.0f, 1.0f, &pSphere);
  CRurIvaGeom* pGround = cScene.addGround(cScene.world());
  scene::ISceneNode* pVisible = pSphere->getParent();
  cScene.init();

  cScene.m_pManager->setDebugView(cScene.world(), true);
  EXPECT_NE(cScene.world()->isDebugDataVisible(), 0u);
  EXPECT_NE(pSphere->isDebugDataVisible(), 0u);
  EXPECT_NE(pGround->isDebugDataVisible(), 0u);
  // Nodes of other kinds keep their flag: the engine would draw their own debug data.
  EXPECT_EQ(pBody->isDebugDataVisible(), 0u);
  EXPECT_EQ(pVisible->isDebugDataVisible(), 0u);
  EXPECT_GT(cScene.drawnInFrame(), 0u);

  cScene.m_pManager->setDebugView(cScene.world(), false);
  EXPECT_EQ(cScene.world()->isDebugDataVisible(), 0u);
  EXPECT_EQ(pSphere->isDebugDataVisible(), 0u);
  EXPECT_EQ(pGround->isDebugDataVisible(), 0u);
  EXPECT_EQ(cScene.drawnInFrame(), 0u);
}

}  // namespace
}  // namespace test
}  // namespace varrik
