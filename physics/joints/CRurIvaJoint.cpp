#include "CRurIvaJoint.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"
#include "CRurIvaMotor.h"
#include "CRurIvaServo.h"
#include "CRurIvaWorld.h"
#include "IRurIvaDevice.h"
#include "RurIvaLists.h"

namespace irr {
namespace ode {

const wchar_t* const RUR_IVA_PARAM_NAMES[CRurIvaJoint::eParamCount] = {
    L"HiStop", L"LoStop",   L"Velocity", L"Max. Force",     L"Fudge Factor",  L"Bounce",
    L"CFM",    L"Stop ERP", L"Stop CFM", L"Suspension ERP", L"Suspension CFM"};

CRurIvaJoint::CRurIvaJoint(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id,
                           const core::vector3df& position, const core::vector3df& rotation,
                           const core::vector3df& scale)
    : CRurIvaSceneNode(parent, mgr, id, position, rotation, scale),
      m_iJointId(0),
      m_pBody1(0),
      m_pBody2(0),
      m_pWorld(static_cast<CRurIvaWorld*>(getAncestorOfType(RUR_IVA_WORLD_ID))),
      m_sNotCreated(0) {
  for (u32 i = 0; i < eParamCount * eAxisCount; ++i) {
    m_aParamValues[i] = 0.0f;
    m_aParamSet[i] = false;
  }
  if (parent && parent->getType() == RUR_IVA_BODY_ID) setBody1(static_cast<CRurIvaBody*>(parent));
}

CRurIvaJoint::~CRurIvaJoint() {
  if (m_iJointId && worldAlive()) m_pOdeDevice->jointDestroy(m_iJointId);
  m_iJointId = 0;
  // A body that dies first tells the joint (forgetBody); a body that lives on must not keep
  // a pointer to this joint in its list.
  if (m_pBody1) m_pBody1->removeJoint(this);
  if (m_pBody2 && m_pBody2 != m_pBody1) m_pBody2->removeJoint(this);
  // A motor held elsewhere (below the body, or kept by the game) outlives its joint.
  for (IRurIvaMotor* pMotor : snapshot(m_lDrivingMotors)) pMotor->setJoint(0);
}

void CRurIvaJoint::addDrivingMotor(IRurIvaMotor* pMotor) { appendOnce(m_lDrivingMotors, pMotor); }

void CRurIvaJoint::removeDrivingMotor(IRurIvaMotor* pMotor) { removeFirst(m_lDrivingMotors, pMotor); }

void CRurIvaJoint::setPosition(const core::vector3df& newpos) {
  RelativeTranslation = newpos;
  updateAbsolutePosition();
}

void CRurIvaJoint::setBody1(CRurIvaBody* pBody) {
  // A body that is replaced must not keep this joint in its list (unless it stays body 2).
  if (m_pBody1 && m_pBody1 != pBody && m_pBody1 != m_pBody2) m_pBody1->removeJoint(this);
  m_pBody1 = pBody;
  if (pBody) pBody->addJoint(this);
}

void CRurIvaJoint::setBody2(CRurIvaBody* pBody) {
  if (m_pBody2 && m_pBody2 != pBody && m_pBody2 != m_pBody1) m_pBody2->removeJoint(this);
  m_pBody2 = pBody;
  if (pBody) pBody->addJoint(this);
}

f32 CRurIvaJoint::getParameter(u16, eJointParameter) { return 0.0f; }

void CRurIvaJoint::setParameter(u16 iAxis, eJointParameter iParam, f32 fValue) {
  // Axes and parameters outside the table (an "Axis" of 7 in a scene file) are not stored:
  // the table has three axes of eleven values and nothing beyond.
  if (!inTable(iAxis, iParam)) return;
  m_aParamSet[paramIndex(iAxis, iParam)] = true;
  m_aParamValues[paramIndex(iAxis, iParam)] = fValue;
}

f32 CRurIvaJoint::getStoredParameter(u16 iAxis, eJointParameter iParam) const {
  if (!inTable(iAxis, iParam)) return 0.0f;
  return m_aParamValues[paramIndex(iAxis, iParam)];
}

bool CRurIvaJoint::isParameterSet(u16 iAxis, eJointParameter iParam) const {
  if (!inTable(iAxis, iParam)) return false;
  return m_aParamSet[paramIndex(iAxis, iParam)];
}

void CRurIvaJoint::replayParameters(u16 iAxis) {
  for (s32 p = 0; p < eParamCount; ++p) {
    const eJointParameter iParam = static_cast<eJointParameter>(p);
    if (m_aParamSet[paramIndex(iAxis, iParam)])
      setParameter(iAxis, iParam, m_aParamValues[paramIndex(iAxis, iParam)]);
  }
}

void CRurIvaJoint::activateBodies() {
  if (m_pBody1 && !m_pBody1->isEnabled()) m_pBody1->setEnabled(true);
  if (m_pBody2 && !m_pBody2->isEnabled()) m_pBody2->setEnabled(true);
}

void CRurIvaJoint::initLinkedObjects() {
  if (m_pBody2) return;

  // Binding a motor initialises it, which may change the scene graph below us: walk a copy.
  const core::list<scene::ISceneNode*> lChildren = getChildren();
  for (scene::ISceneNode* pChild : lChildren) {
    const scene::ESCENE_NODE_TYPE iType = pChild->getType();
    if (iType == RUR_IVA_BODY_ID) {
      setBody2(static_cast<CRurIvaBody*>(pChild));
    } else if (iType == RUR_IVA_MOTOR_ID) {
      CRurIvaMotor* pMotor = static_cast<CRurIvaMotor*>(pChild);
      pMotor->setJoint(this);
      pMotor->initPhysics();
    } else if (iType == RUR_IVA_SERVO_ID) {
      CRurIvaServo* pServo = static_cast<CRurIvaServo*>(pChild);
      pServo->setJoint(this);
      pServo->initPhysics();
    }
  }
}

void CRurIvaJoint::initPhysics() {
  if (m_bPhysicsInitialized) return;
  m_sNotCreated = 0;
  CRurIvaSceneNode::initPhysics();
}

void CRurIvaJoint::removeFromPhysics() {
  CRurIvaSceneNode::removeFromPhysics();
  // Destroying the dynamics world destroys its joints with it; only a joint of a living world
  // is still ours to destroy.
  if (m_iJointId && worldAlive()) m_pOdeDevice->jointDestroy(m_iJointId);
  m_iJointId = 0;
}

void CRurIvaJoint::forgetPhysics() {
  CRurIvaSceneNode::forgetPhysics();
  m_iJointId = 0;
}

void CRurIvaJoint::registerWithChildren() {
  if (!IsVisible) return;
  if (SceneManager) SceneManager->registerNodeForRendering(this);
  ISceneNode::OnRegisterSceneNode();
}

core::matrix4 CRurIvaJoint::worldRotation() const {
  core::matrix4 cRotation;
  cRotation.setRotationDegrees(getAbsoluteTransformation().getRotationDegrees());
  return cRotation;
}

core::vector3df CRurIvaJoint::derivedAxis() const {
  const core::vector3df cP1 = m_pBody1 ? m_pBody1->getAbsolutePosition() : getAbsolutePosition();
  const core::vector3df cP2 = m_pBody2 ? m_pBody2->getAbsolutePosition() : getAbsolutePosition();
  return cP1 - cP2;
}

bool CRurIvaJoint::worldAlive() const {
  if (!m_pWorld) return false;
  // A world that is being destroyed has left the manager's list before its children go.
  for (CRurIvaWorld* pWorld : m_pOdeManager->getWorlds())
    if (pWorld == m_pWorld) return m_pWorld->getWorldId() != 0;
  return false;
}

void CRurIvaJoint::reportNotCreated(const c8* sReason) const {
  if (m_sNotCreated && strcmp(m_sNotCreated, sReason) == 0) return;
  m_sNotCreated = sReason;
  const core::stringc sType(const_cast<CRurIvaJoint*>(this)->getTypeName());
  printf("%s \"%s\" not created: %s\n", sType.c_str(), getName(), sReason);
}

bool CRurIvaJoint::prepareCreation() {
  updateAbsolutePosition();
  // A joint built before it was placed below a world finds its world now.
  if (!m_pWorld) m_pWorld = static_cast<CRurIvaWorld*>(getAncestorOfType(RUR_IVA_WORLD_ID));
  if (Parent && Parent->getType() == RUR_IVA_BODY_ID) setBody1(static_cast<CRurIvaBody*>(Parent));
  return canCreate() && bodiesReady();
}

bool CRurIvaJoint::canCreate() const {
  if (!worldAlive()) {
    reportNotCreated("no dynamics world yet");
    return false;
  }
  return true;
}

bool CRurIvaJoint::bodiesReady() const {
  if (m_pBody1 && !m_pBody1->getBodyId()) {
    reportNotCreated("body 1 has no dynamics body yet");
    return false;
  }
  if (m_pBody2 && !m_pBody2->getBodyId()) {
    reportNotCreated("body 2 has no dynamics body yet");
    return false;
  }
  return true;
}

void CRurIvaJoint::copyParams(CRurIvaSceneNode* pDest, bool bRecurse) {
  if (!pDest) return;
  if (bRecurse) CRurIvaSceneNode::copyParams(pDest, true);
  CRurIvaJoint* pDst = static_cast<CRurIvaJoint*>(pDest);
  pDst->setName(getName());
  for (s32 p = 0; p < eParamCount; ++p) {
    for (u16 a = 0; a < numParamGroups() && a < eAxisCount; ++a) {
      const u32 i = paramIndex(a, static_cast<eJointParameter>(p));
      pDst->m_aParamSet[i] = m_aParamSet[i];
      pDst->m_aParamValues[i] = m_aParamValues[i];
    }
  }
}

void CRurIvaJoint::serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options) const {
  CRurIvaSceneNode::serializeAttributes(out, options);
  c8 sKey[512];
  for (u16 a = 0; a < numParamGroups() && a < eAxisCount; ++a) {
    for (s32 p = 0; p < eParamCount; ++p) {
      const u32 i = paramIndex(a, static_cast<eJointParameter>(p));
      snprintf(sKey, sizeof(sKey), "use_%s_group_%i", nodeNameToC8(RUR_IVA_PARAM_NAMES[p]), a);
      out->addBool(sKey, m_aParamSet[i]);
      if (m_aParamSet[i]) {
        snprintf(sKey, sizeof(sKey), "%s_group_%i", nodeNameToC8(RUR_IVA_PARAM_NAMES[p]), a);
        out->addFloat(sKey, m_aParamValues[i]);
      }
    }
  }
}

void CRurIvaJoint::deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options) {
  CRurIvaSceneNode::deserializeAttributes(in, options);
  c8 sKey[512];
  for (u16 a = 0; a < numParamGroups() && a < eAxisCount; ++a) {
    for (s32 p = 0; p < eParamCount; ++p) {
      const u32 i = paramIndex(a, static_cast<eJointParameter>(p));
      snprintf(sKey, sizeof(sKey), "use_%s_group_%i", nodeNameToC8(RUR_IVA_PARAM_NAMES[p]), a);
      const bool bSet = in->getAttributeAsBool(sKey);
      snprintf(sKey, sizeof(sKey), "%s_group_%i", nodeNameToC8(RUR_IVA_PARAM_NAMES[p]), a);
      const f32 fValue = in->getAttributeAsFloat(sKey);
      // A parameter whose value is no finite number stays as it was, set or not.
      if (!std::isfinite(fValue)) {
        reportNotFinite(sKey);
        continue;
      }
      m_aParamSet[i] = bSet;
      m_aParamValues[i] = fValue;
    }
  }
}

}  // namespace ode
}  // namespace irr
