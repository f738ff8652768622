#include "CRurIvaSceneNodeFactory.h"

#include "CRurIvaAeroDrag.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomCapsule.h"
#include "CRurIvaGeomCylinder.h"
#include "CRurIvaGeomHeightfield.h"
#include "CRurIvaGeomPlane.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomTrimesh.h"
#include "CRurIvaImpulseMotor.h"
#include "CRurIvaJointBallSocket.h"
#include "CRurIvaJointFixed.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaJointHinge2.h"
#include "CRurIvaJointPR.h"
#include "CRurIvaJointPiston.h"
#include "CRurIvaJointSlider.h"
#include "CRurIvaMotor.h"
#include "CRurIvaServo.h"
#include "CRurIvaSpace.h"
#include "CRurIvaTorqueMotor.h"
#include "CRurIvaWorld.h"

namespace irr {
namespace ode {

CRurIvaSceneNodeFactory::CRurIvaSceneNodeFactory(scene::ISceneManager* pManager) : m_pManager(pManager) {
  add(RUR_IVA_BODY_ID, RUR_IVA_BODY_NAME);
  add(RUR_IVA_GEOM_BOX_ID, RUR_IVA_GEOM_BOX_NAME);
  add(RUR_IVA_GEOM_CAPSULE_ID, RUR_IVA_GEOM_CAPSULE_NAME);
  add(RUR_IVA_GEOM_CYLINDER_ID, RUR_IVA_GEOM_CYLINDER_NAME);
  add(RUR_IVA_GEOM_HEIGHTFIELD_ID, RUR_IVA_GEOM_HEIGHTFIELD_NAME);
  add(RUR_IVA_GEOM_PLANE_ID, RUR_IVA_GEOM_PLANE_NAME);
  add(RUR_IVA_GEOM_RAY_ID, RUR_IVA_GEOM_RAY_NAME);
  add(RUR_IVA_GEOM_SPHERE_ID, RUR_IVA_GEOM_SPHERE_NAME);
  add(RUR_IVA_GEOM_TRIMESH_ID, RUR_IVA_GEOM_TRIMESH_NAME);
  add(RUR_IVA_JOINT_BALL_SOCKET_ID, RUR_IVA_JOINT_BALL_SOCKET_NAME);
  add(RUR_IVA_JOINT_FIXED_ID, RUR_IVA_JOINT_FIXED_NAME);
  add(RUR_IVA_JOINT_HINGE_ID, RUR_IVA_JOINT_HINGE_NAME);
  add(RUR_IVA_JOINT_HINGE2_ID, RUR_IVA_JOINT_HINGE2_NAME);
  add(RUR_IVA_JOINT_PISTON_ID, RUR_IVA_JOINT_PISTON_NAME);
  add(RUR_IVA_JOINT_SLIDER_ID, RUR_IVA_JOINT_SLIDER_NAME);
  add(RUR_IVA_SPACE_ID, RUR_IVA_SPACE_NAME);
  add(RUR_IVA_WORLD_ID, RUR_IVA_WORLD_NAME);
  add(RUR_IVA_MOTOR_ID, RUR_IVA_MOTOR_NAME);
  add(RUR_IVA_SERVO_ID, RUR_IVA_SERVO_NAME);
  add(RUR_IVA_IMPULSE_MOTOR_ID, RUR_IVA_IMPULSE_MOTOR_NAME);
  add(RUR_IVA_TORQUE_MOTOR_ID, RUR_IVA_TORQUE_MOTOR_NAME);
  add(RUR_IVA_AERO_DRAG_ID, RUR_IVA_AERO_DRAG_NAME);
  add(RUR_IVA_JOINT_PR_TYPE, RUR_IVA_JOINT_PR_NAME);
}

void CRurIvaSceneNodeFactory::add(scene::ESCENE_NODE_TYPE iType, const wchar_t* sName) {
  m_aTypes.push_back(iType);
  // The type names are plain ASCII: the low byte of each character is the character.
  core::stringc sNarrow;
  for (const wchar_t* p = sName; *p; ++p) sNarrow.append(static_cast<c8>(*p & 0xFF));
  m_aNames.push_back(sNarrow);
}

scene::ISceneNode* CRurIvaSceneNodeFactory::addSceneNode(scene::ESCENE_NODE_TYPE iType,
                                                         scene::ISceneNode* pParent) {
  if (!pParent) pParent = m_pManager->getRootSceneNode();
  scene::ISceneManager* m = m_pManager;
  switch (static_cast<u32>(iType)) {
    case RUR_IVA_BODY_ID:
      return new CRurIvaBody(pParent, m);
    case RUR_IVA_GEOM_BOX_ID:
      return new CRurIvaGeomBox(pParent, m);
    case RUR_IVA_GEOM_CAPSULE_ID:
      return new CRurIvaGeomCapsule(pParent, m);
    case RUR_IVA_GEOM_CYLINDER_ID:
      return new CRurIvaGeomCylinder(pParent, m);
    case RUR_IVA_GEOM_HEIGHTFIELD_ID:
      return new CRurIvaGeomHeightfield(pParent, m);
    case RUR_IVA_GEOM_PLANE_ID:
      return new CRurIvaGeomPlane(pParent, m);
    case RUR_IVA_GEOM_RAY_ID:
      return new CRurIvaGeomRay(pParent, m);
    case RUR_IVA_GEOM_SPHERE_ID:
      return new CRurIvaGeomSphere(pParent, m);
    case RUR_IVA_GEOM_TRIMESH_ID:
      return new CRurIvaGeomTrimesh(pParent, m);
    case RUR_IVA_JOINT_BALL_SOCKET_ID:
      return new CRurIvaJointBallSocket(pParent, m);
    case RUR_IVA_JOINT_FIXED_ID:
      return new CRurIvaJointFixed(pParent, m);
    case RUR_IVA_JOINT_HINGE_ID:
      return new CRurIvaJointHinge(pParent, m);
    case RUR_IVA_JOINT_HINGE2_ID:
      return new CRurIvaJointHinge2(pParent, m);
    case RUR_IVA_JOINT_PISTON_ID:
      return new CRurIvaJointPiston(pParent, m);
    case RUR_IVA_JOINT_SLIDER_ID:
      return new CRurIvaJointSlider(pParent, m);
    case RUR_IVA_SPACE_ID:
      return new CRurIvaSpace(pParent, m);
    case RUR_IVA_WORLD_ID:
      return new CRurIvaWorld(pParent, m);
    case RUR_IVA_MOTOR_ID:
      return new CRurIvaMotor(pParent, m);
    case RUR_IVA_SERVO_ID:
      return new CRurIvaServo(pParent, m);
    case RUR_IVA_IMPULSE_MOTOR_ID:
      return new CRurIvaImpulseMotor(pParent, m);
    case RUR_IVA_TORQUE_MOTOR_ID:
      return new CRurIvaTorqueMotor(pParent, m);
    case RUR_IVA_AERO_DRAG_ID:
      return new CRurIvaAeroDrag(pParent, m);
    case RUR_IVA_JOINT_PR_TYPE:
      return new CRurIvaJointPR(pParent, m);
    default:
      return 0;
  }
}

scene::ISceneNode* CRurIvaSceneNodeFactory::addSceneNode(const c8* sTypeName, scene::ISceneNode* pParent) {
  if (!sTypeName) return 0;
  for (u32 i = 0; i < m_aNames.size(); ++i)
    if (m_aNames[i] == sTypeName) return addSceneNode(m_aTypes[i], pParent);
  return 0;
}

u32 CRurIvaSceneNodeFactory::getCreatableSceneNodeTypeCount() const { return m_aNames.size(); }

scene::ESCENE_NODE_TYPE CRurIvaSceneNodeFactory::getCreateableSceneNodeType(u32 iIndex) const {
  return iIndex < m_aTypes.size() ? m_aTypes[iIndex] : scene::ESNT_UNKNOWN;
}

const c8* CRurIvaSceneNodeFactory::getCreateableSceneNodeTypeName(u32 iIndex) const {
  return iIndex < m_aNames.size() ? m_aNames[iIndex].c_str() : 0;
}

const c8* CRurIvaSceneNodeFactory::getCreateableSceneNodeTypeName(scene::ESCENE_NODE_TYPE iType) const {
  for (u32 i = 0; i < m_aTypes.size(); ++i)
    if (m_aTypes[i] == iType) return m_aNames[i].c_str();
  return 0;
}

}  // namespace ode
}  // namespace irr
