// The joint parameter table on the node: what is stored before a joint exists, the scene file
// keys it is written to and read from, copying and cloning.
#include <gtest/gtest.h>

#include <string>

#include "CRurIvaJointBallSocket.h"
#include "CRurIvaJointFixed.h"
#include "CRurIvaJointHinge.h"
#include "CRurIvaJointHinge2.h"
#include "CRurIvaJointPR.h"
#include "CRurIvaJointSlider.h"
#include "CRurIvaMotor.h"
#include "CJointScene.h"

using namespace irr;
using namespace irr::ode;
using namespace varrik::test;

namespace {

//! The names of all attributes from the first one whose name starts with "use_".
std::string parameterKeys(io::IAttributes* pAttributes) {
  std::string sKeys;
  bool bStarted = false;
  for (u32 i = 0; i < pAttributes->getAttributeCount(); ++i) {
    const std::string sName = pAttributes->getAttributeName(i);
    bStarted = bStarted || sName.compare(0, 4, "use_") == 0;
    if (bStarted) sKeys += sName + ";";
  }
  return sKeys;
}

}  // namespace

TEST(JointAttributes, OneAxisHingeWritesElevenFlagsAndOnlyTheSetValues) {
  CJointScene cScene;
  CRurIvaJointHinge* pHinge = cScene.add<CRurIvaJointHinge>(cScene.world());
  pHinge->setParameter(0, CRurIvaJoint::eLoStop, -0.5f);
  pHinge->setParameter(0, CRurIvaJoint::eMaxForce, 12.0f);

  io::IAttributes* pOut = cScene.newAttributes();
  pHinge->serializeAttributes(pOut);
  EXPECT_EQ(parameterKeys(pOut),
            "use_HiStop_group_0;use_LoStop_group_0;LoStop_group_0;use_Velocity_group_0;"
            "use_Max. Force_group_0;Max. Force_group_0;use_Fudge Factor_group_0;use_Bounce_group_0;"
            "use_CFM_group_0;use_Stop ERP_group_0;use_Stop CFM_group_0;use_Suspension ERP_group_0;"
            "use_Suspension CFM_group_0;Axis;");
  EXPECT_TRUE(pOut->getAttributeAsBool("use_LoStop_group_0"));
  EXPECT_FLOAT_EQ(pOut->getAttributeAsFloat("LoStop_group_0"), -0.5f);
  EXPECT_FALSE(pOut->getAttributeAsBool("use_HiStop_group_0"));
  EXPECT_FLOAT_EQ(pOut->getAttributeAsFloat("Max. Force_group_0"), 12.0f);
  // The parameter keys follow the keys every physics node writes.
  EXPECT_GT(pOut->findAttribute("use_HiStop_group_0"), pOut->findAttribute("Ident"));
  pOut->drop();
}

TEST(JointAttributes, HingeTwoRoundTripsBothGroupsAndItsAxes) {
  CJointScene cScene;
  CRurIvaJointHinge2* pSource = cScene.add<CRurIvaJointHinge2>(cScene.world());
  pSource->setParameter(1, CRurIvaJoint::eMaxForce, 7.0f);
  pSource->setParameter(0, CRurIvaJoint::eSuspensionERP, 0.4f);
  pSource->setParameter(1, CRurIvaJoint::eFudge, 0.0f);
  pSource->setHingeAxis1(vector3df(0, 1, 0));
  pSource->setHingeAxis2(vector3df(0, 0, -1));

  io::IAttributes* pOut = cScene.newAttributes();
  pSource->serializeAttributes(pOut);
  EXPECT_TRUE(pOut->existsAttribute("use_Suspension CFM_group_1"));
  EXPECT_FALSE(pOut->existsAttribute("use_HiStop_group_2"));
  CRurIvaJointHinge2* pRead = cScene.add<CRurIvaJointHinge2>(cScene.world());
  pRead->deserializeAttributes(pOut);
  pOut->drop();

  for (u16 a = 0; a < 2; ++a)
    for (int p = 0; p < CRurIvaJoint::eParamCount; ++p) {
      const CRurIvaJoint::eJointParameter iParam = static_cast<CRurIvaJoint::eJointParameter>(p);
      EXPECT_EQ(pRead->isParameterSet(a, iParam), pSource->isParameterSet(a, iParam)) << a << " " << p;
      EXPECT_FLOAT_EQ(pRead->getStoredParameter(a, iParam), pSource->getStoredParameter(a, iParam))
          << a << " " << p;
    }
  EXPECT_TRUE(pRead->isParameterSet(1, CRurIvaJoint::eFudge));
  EXPECT_EQ(pRead->getHingeAxis1(), vector3df(0, 1, 0));
  EXPECT_EQ(pRead->getHingeAxis2(), vector3df(0, 0, -1));
}

TEST(JointAttributes, FlagWithoutItsValueReadsAsZeroAndSet) {
  CJointScene cScene;
  io::IAttributes* pIn = cScene.newAttributes();
  pIn->addBool("use_Velocity_group_0", true);
  pIn->addVector3d("Axis", vector3df(0, 0, 2));
  CRurIvaJointHinge* pHinge = cScene.add<CRurIvaJointHinge>(cScene.world());
  pHinge->setParameter(0, CRurIvaJoint::eVelocity, 3.0f);
  pHinge->setParameter(0, CRurIvaJoint::eBounce, 0.5f);
  pHinge->deserializeAttributes(pIn);
  pIn->drop();

  EXPECT_TRUE(pHinge->isParameterSet(0, CRurIvaJoint::eVelocity));
  EXPECT_FLOAT_EQ(pHinge->getStoredParameter(0, CRurIvaJoint::eVelocity), 0.0f);
  EXPECT_FALSE(pHinge->isParameterSet(0, CRurIvaJoint::eBounce));
  // Read axes are taken as they are; the setter normalises.
  EXPECT_EQ(pHinge->getHingeAxis(), vector3df(0, 0, 2));
  pHinge->setHingeAxis(vector3df(0, 0, 2));
  EXPECT_EQ(pHinge->getHingeAxis(), vector3df(0, 0, 1));
}

TEST(JointAttributes, JointsWithoutAxesWriteNoParameterKeys) {
  CJointScene cScene;
  CRurIvaJointFixed* pFixed = cScene.add<CRurIvaJointFixed>(cScene.world());
  CRurIvaJointBallSocket* pBall = cScene.add<CRurIvaJointBallSocket>(cScene.world());
  pFixed->setParameter(0, CRurIvaJoint::eCFM, 0.1f);
  for (CRurIvaJoint* pJoint : {static_cast<CRurIvaJoint*>(pFixed), static_cast<CRurIvaJoint*>(pBall)}) {
    io::IAttributes* pOut = cScene.newAttributes();
    pJoint->serializeAttributes(pOut);
    EXPECT_EQ(parameterKeys(pOut), "");
    EXPECT_EQ(pOut->getAttributeName(pOut->getAttributeCount() - 1), std::string("Ident"));
    pOut->drop();
  }
  // Stored all the same, but never answered by a joint that does not exist.
  EXPECT_TRUE(pFixed->isParameterSet(0, CRurIvaJoint::eCFM));
  EXPECT_EQ(pFixed->getParameter(0, CRurIvaJoint::eCFM), 0.0f);
}

TEST(JointAttributes, PRWritesBothGroupsAndItsAxes) {
  CJointScene cScene;
  CRurIvaJointPR* pPR = cScene.add<CRurIvaJointPR>(cScene.world());
  pPR->setParameter(1, CRurIvaJoint::eHiStop, 0.3f);
  io::IAttributes* pOut = cScene.newAttributes();
  pPR->serializeAttributes(pOut);
  EXPECT_FLOAT_EQ(pOut->getAttributeAsFloat("HiStop_group_1"), 0.3f);
  EXPECT_EQ(pOut->getAttributeAsVector3d("Axis1"), vector3df(0, 0, 1));
  EXPECT_EQ(pOut->getAttributeAsVector3d("Axis2"), vector3df(0, 1, 0));
  pOut->drop();
}

TEST(JointAttributes, AxesOutsideTheTableAreNotStored) {
  CJointScene cScene;
  CRurIvaJointHinge2* pJoint = cScene.add<CRurIvaJointHinge2>(cScene.world());
  pJoint->setParameter(3, CRurIvaJoint::eVelocity, 1.0f);
  pJoint->setParameter(0, static_cast<CRurIvaJoint::eJointParameter>(11), 1.0f);
  for (u16 a = 0; a < CRurIvaJoint::eAxisCount; ++a)
    for (int p = 0; p < CRurIvaJoint::eParamCount; ++p)
      EXPECT_FALSE(pJoint->isParameterSet(a, static_cast<CRurIvaJoint::eJointParameter>(p)));
  // A third axis is kept but goes nowhere.
  pJoint->setParameter(2, CRurIvaJoint::eVelocity, 1.0f);
  EXPECT_TRUE(pJoint->isParameterSet(2, CRurIvaJoint::eVelocity));
  io::IAttributes* pOut = cScene.newAttributes();
  pJoint->serializeAttributes(pOut);
  EXPECT_FALSE(pOut->existsAttribute("use_Velocity_group_2"));
  pOut->drop();
}

TEST(JointAttributes, CloneCopiesParametersAxesNameAndSubtree) {
  CJointScene cScene;
  CRurIvaBody* pBody = cScene.addBody(cScene.world(), vector3df(0, 2, 0), 1.0f);
  CRurIvaJointSlider* pSlider = cScene.add<CRurIvaJointSlider>(pBody, vector3df(0, 1, 0));
  pSlider->setName("rail");
  pSlider->setAxis(vector3df(0, 2, 0));
  pSlider->setParameter(0, CRurIvaJoint::eHiStop, 1.0f);
  pSlider->setParameter(1, CRurIvaJoint::eHiStop, 5.0f);
  CRurIvaMotor* pMotor = cScene.add<CRurIvaMotor>(pSlider);
  pMotor->setName("push");

  CRurIvaJointSlider* pClone = static_cast<CRurIvaJointSlider*>(pSlider->clone());
  cScene.keep(pClone);
  EXPECT_EQ(pClone->getType(), RUR_IVA_JOINT_SLIDER_ID);
  EXPECT_EQ(pClone->getParent(), pBody);
  EXPECT_EQ(pClone->getBody1(), pBody);
  EXPECT_EQ(pClone->getID(), -1);
  EXPECT_STREQ(pClone->getName(), "rail");
  EXPECT_EQ(pClone->getAxis(), vector3df(0, 2, 0));
  EXPECT_EQ(pClone->getPosition(), vector3df(0, 1, 0));
  EXPECT_TRUE(pClone->isParameterSet(0, CRurIvaJoint::eHiStop));
  EXPECT_FLOAT_EQ(pClone->getStoredParameter(0, CRurIvaJoint::eHiStop), 1.0f);
  // Only the groups the slider has are copied.
  EXPECT_FALSE(pClone->isParameterSet(1, CRurIvaJoint::eHiStop));
  ASSERT_EQ(pClone->getChildren().size(), 1u);
  const scene::ISceneNode* pChild = *pClone->getChildren().begin();
  EXPECT_EQ(pChild->getType(), RUR_IVA_MOTOR_ID);
  EXPECT_STREQ(pChild->getName(), "push");

  // Both joints are made, each with its own parameters.
  cScene.init();
  EXPECT_NE(pClone->getJointId(), 0u);
  EXPECT_NE(pClone->getJointId(), pSlider->getJointId());
  EXPECT_FLOAT_EQ(pClone->getParameter(0, CRurIvaJoint::eHiStop), 1.0f);
}
