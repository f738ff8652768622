// The scene of the joint, motor and step motor tests: a test scene whose world has the given
// gravity, and bodies that carry their mass in a sphere that collides with nothing.
#ifndef VARRIK_TESTS_PHYSICS_C_JOINT_SCENE_H
#define VARRIK_TESTS_PHYSICS_C_JOINT_SCENE_H

#include "CTestScene.h"

namespace varrik {
namespace test {

class CJointScene : public CTestScene {
 public:
  explicit CJointScene(CRurIvaDevice* pDevice = nullptr,
                       const vector3df& cGravity = vector3df(0, -kGravity, 0))
      : CTestScene(pDevice) {
    world()->setGravity(cGravity);
  }

  /**
   * A body whose mass is a sphere at its origin; the sphere takes part in no collision. The
   * sphere hangs from a visible node at the body's origin, as a geometry does: its parent's
   * place relative to the body is its offset.
   */
  CRurIvaBody* addBody(ISceneNode* pParent, const vector3df& cPos, f32 fMass, f32 fRadius = 0.1f,
                       const vector3df& cRot = vector3df(0, 0, 0)) {
    CRurIvaBody* pBody = add<CRurIvaBody>(pParent, cPos, cRot);
    CRurIvaGeomSphere* pSphere = add<CRurIvaGeomSphere>(addEmpty(pBody));
    pSphere->setRadius(fRadius);
    pSphere->setMassTotal(fMass);
    pSphere->setCollide(false);
    return pBody;
  }
};

}  // namespace test
}  // namespace varrik

#endif
