#include "IRurIvaMotor.h"

#include "CRurIvaBody.h"
#include "CRurIvaJoint.h"

namespace irr {
namespace ode {

IRurIvaMotor::IRurIvaMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                           const core::vector3df& position, const core::vector3df& rotation,
                           const core::vector3df& scale)
    : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale),
      m_pBody(static_cast<CRurIvaBody*>(getAncestorOfType(RUR_IVA_BODY_ID))),
      m_pJoint(0),
      m_iAxis(0),
      m_iJointIndex(-1) {
  // A motor outside any body is only a holder of settings until it gets a joint.
  if (m_pBody) m_pBody->addMotor(this);
}

IRurIvaMotor::~IRurIvaMotor() {
  // A body that died first has told this node (detachBody); a living one must forget it.
  if (m_pBody) m_pBody->removeMotor(this);
  setJoint(0);
}

void IRurIvaMotor::setJoint(CRurIvaJoint* pJoint) {
  if (m_pJoint == pJoint) return;
  if (m_pJoint) m_pJoint->removeDrivingMotor(this);
  m_pJoint = pJoint;
  if (pJoint) pJoint->addDrivingMotor(this);
}

void IRurIvaMotor::OnRegisterSceneNode() {
  if (!IsVisible) return;
  if (SceneManager) SceneManager->registerNodeForRendering(this);
  ISceneNode::OnRegisterSceneNode();
}

void IRurIvaMotor::setPosition(const core::vector3df&) { RelativeTranslation.set(0.0f, 0.0f, 0.0f); }

void IRurIvaMotor::writeJointIndex(io::IAttributes* out) const {
  out->addInt("JointIndex", m_pBody && m_pJoint ? m_pBody->getJointIndex(m_pJoint) : m_iJointIndex);
}

void IRurIvaMotor::readJointIndex(io::IAttributes* in) {
  m_iJointIndex = in->existsAttribute("JointIndex") ? in->getAttributeAsInt("JointIndex") : -1;
}

void IRurIvaMotor::resolveJoint() {
  if (!m_pJoint && m_pBody && m_iJointIndex >= 0) setJoint(m_pBody->getJointAt(m_iJointIndex));
}

}  // namespace ode
}  // namespace irr
