// The scene of the level geometry tests: a test scene (with the physics node factory registered,
// when asked) whose world holds static triangle-mesh levels and balls.
#ifndef VARRIK_TESTS_PHYSICS_C_LEVEL_SCENE_H
#define VARRIK_TESTS_PHYSICS_C_LEVEL_SCENE_H

#include "CTestScene.h"

namespace varrik {
namespace test {

class CLevelScene : public CTestScene {
 public:
  explicit CLevelScene(u32 iOptions = eNone) : CTestScene(nullptr, iOptions) { world(); }

  //! A static level: a mesh node below the world showing pMesh (whose creation reference it
  //! takes), with a triangle-mesh geometry below it.
  CRurIvaGeomTrimesh* addLevel(irr::scene::IMesh* pMesh, const vector3df& cPos = vector3df(0, 0, 0),
                               const vector3df& cScale = vector3df(1, 1, 1)) {
    return add<CRurIvaGeomTrimesh>(addMeshNode(world(), pMesh, cPos, vector3df(0, 0, 0), cScale));
  }
  //! A ball of mass 1 in the world: a body with a sphere geometry below an empty visible node.
  CRurIvaBody* addBall(const vector3df& cPos, f32 fRadius, CRurIvaGeomSphere** ppSphere = nullptr) {
    return addSphereBody(world(), cPos, fRadius, 1.0f, ppSphere);
  }
};

}  // namespace test
}  // namespace varrik

#endif
