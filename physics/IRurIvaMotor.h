#ifndef I_RUR_IVA_MOTOR_H
#define I_RUR_IVA_MOTOR_H

#include "CRurIvaSceneNode.h"

namespace irr {
namespace ode {

class CRurIvaBody;

//! Marks a node as a joint motor (a motor or a servo) for bodies and joints.
class IRurIvaMotor : public CRurIvaSceneNode {
 public:
  IRurIvaMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
               const core::vector3df& position = core::vector3df(0, 0, 0),
               const core::vector3df& rotation = core::vector3df(0, 0, 0),
               const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f))
      : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale) {}

  //! Called by the body that lists this motor when that body is destroyed.
  virtual void detachBody(CRurIvaBody* pBody) = 0;
};

}  // namespace ode
}  // namespace irr

#endif
