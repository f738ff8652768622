// The bytes as a sequence of calls into the physics device: creating, setting, reading, attaching,
// destroying and stepping worlds, bodies, joints, geometries, masses, spaces and joint groups,
// with arbitrary handles (valid, of another kind, destroyed, 0, past the end), arbitrary kinds and
// values (not-a-number, infinite, huge, negative, zero). Besides the bare dynamics objects the
// calls may build world and body nodes, whose own handles the other calls then meddle with.
//
// Each call takes one byte to choose it and then the bytes of its arguments; an input that ends
// early ends the sequence. A byte picks a handle among 0 .. number of records + 1, a value from a
// table of awkward numbers (or the next four bytes as a float), a node from those built (or none).
//
// What is promised: the device never crashes and never lets the dynamics library abort, whatever
// it is asked; after the sequence everything made is destroyed through the device, and nothing
// leaks.
#include <irrlicht.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaContactParameters.h"
#include "CRurIvaDevice.h"
#include "CRurIvaGeomBox.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "FuzzPhysics.h"

using namespace irr;
using namespace irr::ode;
using core::vector3df;

namespace {

//! What a create call made, so that it can be destroyed at the end.
enum EKind { eWorld, eBody, eJoint, eGeom, eSpace, eGroup, eOther };

const f32 kNan = std::numeric_limits<f32>::quiet_NaN();
const f32 kInf = std::numeric_limits<f32>::infinity();
const f32 kAwkward[] = {0.0f,   1.0f, -1.0f, 0.5f,  2.0f,  10.0f,  0.016f,  -0.016f,  90.0f,   180.0f, 1e-6f,
                        -1e-6f, 1e6f, 1e9f,  -1e9f, 1e20f, -1e20f, FLT_MAX, -FLT_MAX, FLT_MIN, 1e-45f, kNan,
                        -kNan,  kInf, -kInf, -0.0f, 3.0f,  0.25f,  100.0f,  5e9f,     -5e9f,   1e30f};
const s32 kInts[] = {0,
                     1,
                     2,
                     3,
                     -1,
                     -2,
                     4,
                     5,
                     10,
                     16,
                     255,
                     256,
                     257,
                     513,
                     100000,
                     std::numeric_limits<s32>::max(),
                     std::numeric_limits<s32>::min()};

//! Heights the height field callback answers, set by the calls.
f32 g_aHeights[16];
f32 heightAt(void*, int x, int z) { return g_aHeights[static_cast<u32>(x * 7 + z * 3) % 16]; }

class CCalls {
 public:
  CCalls(const std::uint8_t* pData, size_t iSize) : m_pData(pData), m_iSize(iSize), m_iPos(0) {
    m_pSmgr = varrik::fuzz::physicsScene();
    m_pManager = CRurIvaManager::getSharedInstance();
    m_pDevice = static_cast<CRurIvaDevice*>(m_pManager->getOdeDevice());
    for (f32& f : g_aHeights) f = 0.0f;
  }

  bool more() const { return m_iPos < m_iSize; }

  u8 byte() { return m_iPos < m_iSize ? m_pData[m_iPos++] : 0; }
  f32 value() {
    const u8 b = byte();
    if (b < sizeof(kAwkward) / sizeof(kAwkward[0])) return kAwkward[b];
    if (b < 128) return static_cast<f32>(b) / 8.0f - 8.0f;
    u32 iBits = 0;
    for (int i = 0; i < 4; ++i) iBits |= static_cast<u32>(byte()) << (8 * i);
    f32 f;
    std::memcpy(&f, &iBits, sizeof(f));
    return f;
  }
  s32 integer() {
    const u8 b = byte();
    const size_t n = sizeof(kInts) / sizeof(kInts[0]);
    return b < n ? kInts[b] : static_cast<s32>(b) - 128;
  }
  u32 handle() { return byte() % (m_pDevice->getRecordCount() + 2); }
  vector3df vec() {
    const f32 x = value(), y = value(), z = value();
    return vector3df(x, y, z);
  }
  u32 made(u32 iHandle, EKind iKind) {
    if (iHandle) m_aMade.push_back({iHandle, iKind});
    return iHandle;
  }

  CRurIvaWorld* worldNode() { return m_aWorlds.empty() ? nullptr : m_aWorlds[byte() % m_aWorlds.size()]; }
  //! A body node or none.
  CRurIvaBody* bodyNode() {
    const u8 b = byte();
    return b == 0 || m_aBodies.empty() ? nullptr : m_aBodies[b % m_aBodies.size()];
  }
  CRurIvaGeom* geomNode() {
    const u8 b = byte();
    return b == 0 || m_aGeoms.empty() ? nullptr : m_aGeoms[b % m_aGeoms.size()];
  }
  scene::ISceneNode* meshNode() {
    static scene::ISceneNode* aNodes[3] = {nullptr, nullptr, nullptr};
    if (!aNodes[0]) {
      // Outside the scene's root: clearing the scene leaves them alone.
      aNodes[0] = m_pSmgr->addCubeSceneNode(2.0f, nullptr);
      aNodes[0]->grab();
      aNodes[0]->remove();
      aNodes[1] = m_pSmgr->addSphereSceneNode(1.0f, 6, nullptr);
      aNodes[1]->grab();
      aNodes[1]->remove();
      aNodes[2] = m_pSmgr->addEmptySceneNode(nullptr);
      aNodes[2]->grab();
      aNodes[2]->remove();
    }
    const u8 b = byte() % 4;
    return b == 3 ? nullptr : aNodes[b];
  }

  //! Stepping asks for at most this many steps at once: the device runs as many as it is asked.
  void step(bool bQuick) {
    CRurIvaWorld* pWorld = worldNode();
    const u8 b = byte();
    f32 fTime = static_cast<f32>(b % 16) * 0.004f;
    if (b >= 240) fTime = kAwkward[b % (sizeof(kAwkward) / sizeof(kAwkward[0]))];
    if (std::isfinite(fTime) && fTime / m_pDevice->getStepSize() > 64.0f) return;
    if (tracing()) traceBodies();
    if (bQuick)
      m_pDevice->quickStep(fTime, pWorld);
    else
      m_pDevice->step(fTime, pWorld);
  }

  //! VARRIK_FUZZ_TRACE=1 lists the calls an input makes (their place in the table below) and
  //! the state of every body before each step.
  static bool tracing() {
    static const bool bTrace = std::getenv("VARRIK_FUZZ_TRACE") != nullptr;
    return bTrace;
  }

  void traceBodies() {
    for (u32 h = 1; h <= m_pDevice->getRecordCount(); ++h) {
      CRurIvaDevice::SBodyState s;
      if (!m_pDevice->bodyGetState(h, s)) continue;
      std::fprintf(stderr, "  body %u: p (%g, %g, %g) q (%g, %g, %g, %g) v (%g, %g, %g) w (%g, %g, %g)\n", h,
                   s.aPosition[0], s.aPosition[1], s.aPosition[2], s.aQuaternion[0], s.aQuaternion[1],
                   s.aQuaternion[2], s.aQuaternion[3], s.aLinearVelocity[0], s.aLinearVelocity[1],
                   s.aLinearVelocity[2], s.aAngularVelocity[0], s.aAngularVelocity[1], s.aAngularVelocity[2]);
    }
  }

  void addWorldNode() {
    if (m_aWorlds.size() >= 4) return;
    CRurIvaWorld* p = new CRurIvaWorld(m_pSmgr->getRootSceneNode(), m_pSmgr);
    m_aWorlds.push_back(p);
    p->initPhysics();
  }

  void addBodyNode() {
    CRurIvaWorld* pWorld = worldNode();
    if (!pWorld || m_aBodies.size() >= 8) return;
    CRurIvaBody* pBody = new CRurIvaBody(pWorld, m_pSmgr, -1, vec());
    scene::ISceneNode* pShape = m_pSmgr->addEmptySceneNode(pBody);
    CRurIvaGeom* pGeom;
    if (byte() & 1) {
      CRurIvaGeomSphere* p = new CRurIvaGeomSphere(pShape, m_pSmgr);
      p->setRadius(value());
      pGeom = p;
    } else {
      CRurIvaGeomBox* p = new CRurIvaGeomBox(pShape, m_pSmgr);
      p->setWidth(value());
      p->setHeight(value());
      p->setDepht(value());
      pGeom = p;
    }
    pGeom->setMassTotal(value());
    m_aBodies.push_back(pBody);
    m_aGeoms.push_back(pGeom);
    pBody->initPhysics();
  }

  //! Destroys what the calls made and the nodes they built; the device forgets its records.
  void finish() {
    for (CRurIvaGeom* p : m_aGeoms) p->drop();
    for (CRurIvaBody* p : m_aBodies) p->drop();
    for (CRurIvaWorld* p : m_aWorlds) {
      p->remove();
      p->drop();
    }
    // Joints and geometries before the bodies and spaces they belong to; spaces from the inside
    // out; worlds last, with whatever they still hold.
    for (EKind iKind : {eJoint, eGeom, eBody})
      for (const SMade& m : m_aMade)
        if (m.iKind == iKind) destroy(m);
    for (EKind iKind : {eSpace, eGroup, eWorld})
      for (auto it = m_aMade.rbegin(); it != m_aMade.rend(); ++it)
        if (it->iKind == iKind) destroy(*it);
    varrik::fuzz::clearPhysicsScene();
  }

  CRurIvaDevice* m_pDevice;
  scene::ISceneManager* m_pSmgr;

 private:
  struct SMade {
    u32 iHandle;
    EKind iKind;
  };

  void destroy(const SMade& m) {
    switch (m.iKind) {
      case eWorld:
        m_pDevice->worldDestroy(m.iHandle);
        break;
      case eBody:
        m_pDevice->bodyDestroy(m.iHandle);
        break;
      case eJoint:
        m_pDevice->jointDestroy(m.iHandle);
        break;
      case eGeom:
        m_pDevice->geomDestroy(m.iHandle);
        break;
      case eSpace:
        m_pDevice->spaceDestroy(m.iHandle);
        break;
      case eGroup:
        m_pDevice->jointGroupDestroy(m.iHandle);
        break;
      case eOther:
        break;
    }
  }

  const std::uint8_t* m_pData;
  size_t m_iSize;
  size_t m_iPos;
  CRurIvaManager* m_pManager;
  std::vector<SMade> m_aMade;
  std::vector<CRurIvaWorld*> m_aWorlds;
  std::vector<CRurIvaBody*> m_aBodies;
  std::vector<CRurIvaGeom*> m_aGeoms;
};

using TCall = std::function<void(CCalls&, CRurIvaDevice*)>;

// Results are read and dropped: what is tested is that the device answers at all.
template <class T>
void use(const T& v) {
  volatile const void* p = &v;
  (void)p;
}

const std::vector<TCall>& calls() {
  static const std::vector<TCall> aCalls = {
      // Life cycle, settings, stepping, nodes
      [](CCalls& c, CRurIvaDevice* d) { d->setStepSize(c.value()); },
      [](CCalls&, CRurIvaDevice* d) { use(d->getStepSize()); },
      [](CCalls& c, CRurIvaDevice*) { c.step(false); },
      [](CCalls& c, CRurIvaDevice*) { c.step(true); },
      [](CCalls& c, CRurIvaDevice*) { c.addWorldNode(); },
      [](CCalls& c, CRurIvaDevice*) { c.addBodyNode(); },
      // Worlds
      [](CCalls& c, CRurIvaDevice* d) { c.made(d->worldCreate(), eWorld); },
      [](CCalls& c, CRurIvaDevice* d) { d->worldDestroy(c.handle()); },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        switch (c.byte() % 8) {
          case 0:
            d->worldSetLinearDamping(h, c.value());
            break;
          case 1:
            d->worldSetAngularDamping(h, c.value());
            break;
          case 2:
            d->worldSetLinearDampingThreshold(h, c.value());
            break;
          case 3:
            d->worldSetAngularDampingThreshold(h, c.value());
            break;
          case 4:
            d->worldSetMaxAngularSpeed(h, c.value());
            break;
          case 5:
            d->worldSetAutoDisableLinearThreshold(h, c.value());
            break;
          case 6:
            d->worldSetAutoDisableAngularThreshold(h, c.value());
            break;
          default:
            d->worldSetAutoDisableTime(h, c.value());
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        switch (c.byte() % 3) {
          case 0:
            d->worldSetAutoDisableFlag(h, c.integer());
            break;
          case 1:
            d->worldSetAutoDisableSteps(h, c.integer());
            break;
          default:
            d->worldSetQuickStepNumIterations(h, c.integer());
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        switch (c.byte() % 4) {
          case 0:
            d->worldSetQuickStepW(h, c.value());
            break;
          case 1:
            d->worldSetERP(h, c.value());
            break;
          case 2:
            d->worldSetCFM(h, c.value());
            break;
          default:
            d->worldSetGravity(h, c.vec());
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        use(d->worldGetLinearDamping(h) + d->worldGetAngularDamping(h) +
            d->worldGetLinearDampingThreshold(h) + d->worldGetAngularDampingThreshold(h) +
            d->worldGetMaxAngularSpeed(h) + d->worldGetAutoDisableFlag(h) +
            d->worldGetAutoDisableLinearThreshold(h) + d->worldGetAutoDisableAngularThreshold(h) +
            d->worldGetAutoDisableSteps(h) + d->worldGetAutoDisableTime(h) +
            d->worldGetQuickStepNumIterations(h) + d->worldGetQuickStepW(h) + d->worldGetERP(h) +
            d->worldGetCFM(h));
      },
      // Joints
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 w = c.handle();
        switch (c.byte() % 8) {
          case 0:
            c.made(d->jointCreateBallSocket(w), eJoint);
            break;
          case 1:
            c.made(d->jointCreateFixed(w), eJoint);
            break;
          case 2:
            c.made(d->jointCreateHinge(w), eJoint);
            break;
          case 3:
            c.made(d->jointCreateHinge2(w), eJoint);
            break;
          case 4:
            c.made(d->jointCreatePiston(w), eJoint);
            break;
          case 5:
            c.made(d->jointCreateSlider(w), eJoint);
            break;
          case 6:
            c.made(d->jointCreateUniversal(w), eJoint);
            break;
          default:
            c.made(d->jointCreatePR(w), eJoint);
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        CRurIvaBody* b1 = c.bodyNode();
        d->jointAttach(h, b1, c.bodyNode());
      },
      [](CCalls& c, CRurIvaDevice* d) { d->jointSetData(c.handle(), nullptr); },
      [](CCalls& c, CRurIvaDevice* d) { d->jointDestroy(c.handle()); },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const vector3df v = c.vec();
        switch (c.byte() % 16) {
          case 0:
            d->jointSetBallAnchor(h, v);
            break;
          case 1:
            d->jointSetFixed(h);
            break;
          case 2:
            d->jointSetHingeAnchor(h, v);
            break;
          case 3:
            d->jointSetHingeAxis(h, v);
            break;
          case 4:
            d->jointSetHinge2Anchor(h, v);
            break;
          case 5:
            d->jointSetHinge2Axis1(h, v);
            break;
          case 6:
            d->jointSetHinge2Axis2(h, v);
            break;
          case 7:
            d->jointSetPistonAnchor(h, v);
            break;
          case 8:
            d->jointSetPistonAxis(h, v);
            break;
          case 9:
            d->jointSetSliderAxis(h, v);
            break;
          case 10:
            d->jointSetUniversalAnchor(h, v);
            break;
          case 11:
            d->jointSetUniversalAxis1(h, v);
            break;
          case 12:
            d->jointSetUniversalAxis2(h, v);
            break;
          case 13:
            d->jointSetPrAxis1(h, v);
            break;
          case 14:
            d->jointSetPrAxis2(h, v);
            break;
          default:
            d->jointSetPrAnchor(h, v);
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const vector3df a = c.vec();
        d->jointSetHinge2Axes(h, a, c.vec());
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        use(d->jointGetBallAnchor(h) + d->jointGetBallAnchor2(h) + d->jointGetHingeAxis(h) +
            d->jointGetHingeAnchor1(h) + d->jointGetHingeAnchor2(h) + d->jointGetHinge2Axis1(h) +
            d->jointGetHinge2Axis2(h) + d->jointGetHinge2Anchor(h) + d->jointGetHinge2Anchor2(h) +
            d->jointGetPistonAnchor(h) + d->jointGetPistonAxis(h) + d->jointGetSliderAxis(h) +
            d->jointGetUniversalAnchor(h) + d->jointGetUniversalAnchor2(h) + d->jointGetUniversalAxis1(h) +
            d->jointGetUniversalAxis2(h) + d->jointGetPrAxis1(h) + d->jointGetPrAxis2(h) +
            d->jointGetPrAnchor(h));
        use(d->jointGetHingeAngle(h) + d->jointGetHingeAngleRate(h) + d->jointGetHinge2Angle1(h) +
            d->jointGetHinge2Angle1Rate(h) + d->jointGetHinge2Angle2Rate(h) + d->jointGetPistonPosition(h) +
            d->jointGetPistonPositionRate(h) + d->jointGetSliderPosition(h) +
            d->jointGetSliderPositionRate(h) + d->jointGetUniversalAngle1(h) + d->jointGetUniversalAngle2(h) +
            d->jointGetUniversalAngle1Rate(h) + d->jointGetUniversalAngle2Rate(h) + d->jointGetPrPosition(h) +
            d->jointGetPrAngle(h) + d->jointGetPrAngleRate(h));
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const u32 iAxis = static_cast<u32>(c.integer());
        const int iParam = c.integer();
        const f32 f = c.value();
        switch (c.byte() % 6) {
          case 0:
            d->jointSetHingeParam(h, iParam, f);
            break;
          case 1:
            d->jointSetHinge2Param(h, iAxis, iParam, f);
            break;
          case 2:
            d->jointSetPistonParam(h, iAxis, iParam, f);
            break;
          case 3:
            d->jointSetSliderParam(h, iParam, f);
            break;
          case 4:
            d->jointSetUniversalParam(h, iAxis, iParam, f);
            break;
          default:
            d->jointSetPrParam(h, iAxis, iParam, f);
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const u32 iAxis = static_cast<u32>(c.integer());
        const int iParam = c.integer();
        use(d->jointGetHingeParam(h, iParam) + d->jointGetHinge2Param(h, iAxis, iParam) +
            d->jointGetPistonParam(h, iAxis, iParam) + d->jointGetSliderParam(h, iParam) +
            d->jointGetUniversalParam(h, iAxis, iParam) + d->jointGetPrParam(h, iAxis, iParam));
      },
      // Bodies
      [](CCalls& c, CRurIvaDevice* d) { c.made(d->bodyCreate(c.handle()), eBody); },
      [](CCalls& c, CRurIvaDevice* d) { d->bodyDestroy(c.handle()); },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const vector3df v = c.vec();
        switch (c.byte() % 10) {
          case 0:
            d->bodySetPosition(h, v);
            break;
          case 1:
            d->bodySetRotation(h, v);
            break;
          case 2:
            d->bodySetFiniteRotationAxis(h, v);
            break;
          case 3:
            d->bodyAddForce(h, v);
            break;
          case 4:
            d->bodyAddForceAtPosition(h, v, c.vec());
            break;
          case 5:
            d->bodyAddTorque(h, v);
            break;
          case 6:
            d->bodySetTorque(h, v);
            break;
          case 7:
            d->bodySetLinearVelocity(h, v);
            break;
          case 8:
            d->bodySetAngularVelocity(h, v);
            break;
          default:
            d->bodySetQuaternion(h, core::quaternion(v.X, v.Y, v.Z, c.value()));
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        switch (c.byte() % 8) {
          case 0:
            d->bodySetLinearDamping(h, c.value());
            break;
          case 1:
            d->bodySetAngularDamping(h, c.value());
            break;
          case 2:
            d->bodySetLinearDampingThreshold(h, c.value());
            break;
          case 3:
            d->bodySetAngularDampingThreshold(h, c.value());
            break;
          case 4:
            d->bodySetMaxAngularSpeed(h, c.value());
            break;
          case 5:
            d->bodySetLinearAutoDisableThreshold(h, c.value());
            break;
          case 6:
            d->bodySetAngularAutoDisableThreshold(h, c.value());
            break;
          default:
            d->bodySetAutoDisableTime(h, c.value());
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        switch (c.byte() % 8) {
          case 0:
            d->bodySetAutoDisableFlag(h, c.integer());
            break;
          case 1:
            d->bodySetAutoDisableSteps(h, c.integer());
            break;
          case 2:
            d->bodySetGravityMode(h, c.integer());
            break;
          case 3:
            d->bodySetFiniteRotationMode(h, c.byte() & 1);
            break;
          case 4:
            d->bodyEnable(h);
            break;
          case 5:
            d->bodyDisable(h);
            break;
          case 6:
            d->bodySetData(h, c.bodyNode());
            break;
          default:
            d->bodySetMass(h, c.handle());
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const vector3df p = c.vec();
        use(d->bodyGetPosition(h) + d->bodyGetRotation(h) + d->bodyGetFiniteRotationAxis(h) +
            d->bodyGetLinearVelocity(h) + d->bodyGetAngularVelocity(h) + d->bodyGetPointVel(h, p) +
            d->bodyGetRelPointVel(h, p) + d->bodyGetRelPointPos(h, p) + d->bodyGetPosRelPoint(h, p) +
            d->bodyVectorFromWorld(h, p) + d->getBodyCenterOfMass(h));
        use(d->bodyGetLinearDamping(h) + d->bodyGetAngularDamping(h) + d->bodyGetLinearDampingThreshold(h) +
            d->bodyGetAngularDampingThreshold(h) + d->bodyGetMaxAngularSpeed(h) +
            d->bodyGetAutoDisableFlag(h) + d->bodyGetLinearAutoDisableThreshold(h) +
            d->bodyGetAngularAutoDisableThreshold(h) + d->bodyGetAutoDisableSteps(h) +
            d->bodyGetAutoDisableTime(h) + d->bodyGetFiniteRotationMode(h) + d->bodyGetGravityMode(h) +
            d->bodyIsEnabled(h));
      },
      [](CCalls& c, CRurIvaDevice* d) {
        CRurIvaGeom* g = d->bodyGetFirstGeom(c.handle());
        for (int i = 0; g && i < 16; ++i) g = d->bodyGetNextGeom(g);
        use(d->bodyGetNextGeom(c.geomNode()));
      },
      // Geometries
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 s = c.handle();
        switch (c.byte() % 6) {
          case 0: {
            const f32 x = c.value(), y = c.value();
            c.made(d->geomCreateBox(s, x, y, c.value()), eGeom);
            break;
          }
          case 1: {
            const f32 r = c.value();
            c.made(d->geomCreateCapsule(s, r, c.value()), eGeom);
            break;
          }
          case 2: {
            const f32 r = c.value();
            c.made(d->geomCreateCylinder(s, r, c.value()), eGeom);
            break;
          }
          case 3: {
            const f32 a = c.value(), b = c.value(), cc = c.value();
            c.made(d->geomCreatePlane(s, a, b, cc, c.value()), eGeom);
            break;
          }
          case 4:
            c.made(d->geomCreateRay(s, c.value()), eGeom);
            break;
          default:
            c.made(d->geomCreateSphere(s, c.value()), eGeom);
        }
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 s = c.handle();
        const u32 iData = c.handle();
        if (c.byte() & 1)
          c.made(d->geomCreateTrimesh(s, iData), eGeom);
        else
          c.made(d->geomCreateHeightfield(s, iData), eGeom);
      },
      [](CCalls& c, CRurIvaDevice* d) { c.made(d->geomTrimeshDataCreate(), eOther); },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        scene::ISceneNode* pNode = c.meshNode();
        if (c.byte() & 1)
          d->geomTrimeshDataBuildSimple(h, pNode);
        else
          d->geomTrimeshDataBuildFromMeshBuffer(h, pNode, static_cast<u32>(c.integer()));
      },
      [](CCalls& c, CRurIvaDevice* d) { c.made(d->geomHeightfieldDataCreate(), eOther); },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const f32 a = c.value();
        d->geomHeightfieldSetBounds(h, a, c.value());
      },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        for (int i = 0; i < 4; ++i) g_aHeights[c.byte() % 16] = c.value();
        const f32 fWidth = c.value(), fDepth = c.value();
        const int iWide = c.integer(), iDeep = c.integer();
        const f32 fScale = c.value(), fOffset = c.value(), fThick = c.value();
        d->geomHeightfieldDataCallback(h, nullptr, reinterpret_cast<void*>(&heightAt), fWidth, fDepth, iWide,
                                       iDeep, fScale, fOffset, fThick, c.integer());
      },
      [](CCalls& c, CRurIvaDevice* d) { d->geomSetBody(c.handle(), c.bodyNode()); },
      [](CCalls& c, CRurIvaDevice* d) { d->geomDestroy(c.handle()); },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        const vector3df v = c.vec();
        switch (c.byte() % 6) {
          case 0:
            d->geomSetOffsetPosition(h, v);
            break;
          case 1:
            d->geomSetOffsetQuaternion(h, v);
            break;
          case 2:
            d->geomSetPosition(h, v);
            break;
          case 3:
            d->geomSetRotation(h, v);
            break;
          case 4:
            d->geomRaySetData(h, v, c.vec(), c.value());
            break;
          default:
            d->geomSetBackfaceCull(h, c.byte() & 1);
        }
      },
      [](CCalls& c, CRurIvaDevice* d) { d->geomSetData(c.handle(), c.geomNode()); },
      // Masses
      [](CCalls& c, CRurIvaDevice* d) { c.made(d->massCreate(), eOther); },
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 h = c.handle();
        switch (c.byte() % 8) {
          case 0:
            d->massAdd(h, c.handle());
            break;
          case 1:
            d->massSetZero(h);
            break;
          case 2: {
            const f32 m = c.value();
            const vector3df a = c.vec(), b = c.vec();
            d->massSetParameters(h, m, a, b, c.vec());
            break;
          }
          case 3:
            d->massTranslate(h, c.vec());
            break;
          case 4: {
            const f32 m = c.value(), x = c.value(), y = c.value();
            d->massSetBoxTotal(h, m, x, y, c.value());
            break;
          }
          case 5: {
            const f32 m = c.value();
            const int iDir = c.integer();
            const f32 r = c.value();
            d->massSetCapsuleTotal(h, m, iDir, r, c.value());
            break;
          }
          case 6: {
            const f32 m = c.value();
            const int iDir = c.integer();
            const f32 r = c.value();
            d->massSetCylinderTotal(h, m, iDir, r, c.value());
            break;
          }
          default: {
            const f32 m = c.value();
            d->massSetSphereTotal(h, m, c.value());
          }
        }
      },
      // Spaces and joint groups
      [](CCalls& c, CRurIvaDevice* d) {
        const u32 p = c.handle();
        switch (c.byte() % 3) {
          case 0:
            c.made(d->spaceCreateSimple(p), eSpace);
            break;
          case 1:
            c.made(d->spaceCreateHash(p), eSpace);
            break;
          default: {
            const vector3df a = c.vec(), b = c.vec();
            c.made(d->spaceCreateQuadTree(p, a, b, c.integer()), eSpace);
          }
        }
      },
      [](CCalls& c, CRurIvaDevice* d) { d->spaceDestroy(c.handle()); },
      [](CCalls& c, CRurIvaDevice* d) { c.made(d->jointGroupCreate(c.integer()), eGroup); },
      [](CCalls& c, CRurIvaDevice* d) { d->jointGroupDestroy(c.handle()); },
      [](CCalls& c, CRurIvaDevice* d) { d->jointGroupEmtpy(c.handle()); },
      [](CCalls& c, CRurIvaDevice* d) {
        d->trimeshDrawDebug(c.handle(), c.m_pSmgr->getVideoDriver());
        use(d->getTrimeshVertexCount(c.handle()) + d->getTrimeshIndexCount(c.handle()));
      },
  };
  return aCalls;
}

}  // namespace

namespace {

//! Makes the next call of the input. Inside a step a new step size is not set: the step's time
//! left would run in as many steps as the new size asks (the step calls keep that number small).
void callNext(CCalls& c, bool bInStep = false) {
  const std::vector<TCall>& aCalls = calls();
  const size_t i = c.byte() % aCalls.size();
  if (CCalls::tracing()) std::fprintf(stderr, "call %zu%s\n", i, bInStep ? " (in the pass)" : "");
  if (bInStep && i == 0) {
    c.value();
    return;
  }
  aCalls[i](c, c.m_pDevice);
}

#if defined(VARRIK_FUZZ_CALLS_IN_PASS)
/**
 * A contact calculator that makes the next one to three calls of the input whenever it is asked,
 * inside the collision pass (or the fast bodies' collisions after the step): what a game's
 * calculator or ray-hit listener may do while the library's spaces are locked and the pass holds
 * the bodies, the world and the contact group it works with.
 */
class CCallingCalculator : public CRurIvaContactParameters {
 public:
  explicit CCallingCalculator(CCalls& c) : m_c(c) {}
  void calculateContactParameters(CRurIvaSurfaceParameters* p1, CRurIvaSurfaceParameters* p2,
                                  CRurIvaSurfaceParameters* pResult) override {
    static bool bInside = false;
    if (!bInside) {
      bInside = true;
      for (u8 n = 1 + m_c.byte() % 3; n > 0 && m_c.more(); --n) callNext(m_c, true);
      bInside = false;
    }
    CRurIvaContactParameters::calculateContactParameters(p1, p2, pResult);
  }

 private:
  CCalls& m_c;
};
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  CCalls c(pData, iSize);
  varrik::fuzz::sameRandomNumbers();
#if defined(VARRIK_FUZZ_CALLS_IN_PASS)
  c.m_pDevice->setContactCalculator(new CCallingCalculator(c));
#endif
  while (c.more()) callNext(c);
#if defined(VARRIK_FUZZ_CALLS_IN_PASS)
  c.m_pDevice->setContactCalculator(new CRurIvaContactParameters());
#endif
  c.finish();
  return 0;
}
