// Joints among bodies of very different masses (loops, chains, sliding joints), stepped by the
// exact solver.
// The bytes choose two to four bodies (mass, shape, size, velocities), two to six joints between
// them and the world (kind, anchor, axes, stops, stop and motor CFMs, motors, a hinge-2's
// suspension), whether the masses come before the joints or after, the step and the world's CFM.
// The device calls fuzz_device_calls makes one byte at a time rarely meet so: the joint kinds,
// stops and masses that abort the exact solver together were found by a search like this one.
//
// What is promised: the world steps without the dynamics library aborting and without a body
// that is not a number; what was made is destroyed, and nothing leaks.
#include <irrlicht.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaManager.h"
#include "CRurIvaWorld.h"
#include "FuzzPhysics.h"

using namespace irr;
using namespace irr::ode;
using core::vector3df;

namespace {

class CBytes {
 public:
  CBytes(const std::uint8_t* pData, size_t iSize) : m_pData(pData), m_iSize(iSize) {}
  u8 byte() { return m_iPos < m_iSize ? m_pData[m_iPos++] : 0; }
  u32 pick(u32 n) { return byte() % n; }
  //! 10 to a power from fLow to fHigh.
  f32 scale(f32 fLow, f32 fHigh) { return std::pow(10.0f, fLow + (fHigh - fLow) * byte() / 255.0f); }
  //! From -fMax to fMax.
  f32 signedValue(f32 fMax) { return fMax * (byte() / 127.5f - 1.0f); }
  vector3df vec(f32 fMax) {
    const f32 x = signedValue(fMax), y = signedValue(fMax), z = signedValue(fMax);
    return vector3df(x, y, z);
  }

 private:
  const std::uint8_t* m_pData;
  size_t m_iSize;
  size_t m_iPos = 0;
};

//! VARRIK_FUZZ_TRACE=1 lists the set-up an input makes.
template <class... TArgs>
void trace(const char* sFormat, TArgs... aArgs) {
  static const bool bTrace = std::getenv("VARRIK_FUZZ_TRACE") != nullptr;
  if (bTrace) std::fprintf(stderr, sFormat, aArgs...);
}

const f32 kCfms[] = {0.0f, 1e-12f, 1e-10f, 1e-5f};
const f32 kSteps[] = {0.016f, 0.1f, 1.0f};
const vector3df kAxes[] = {vector3df(1, 0, 0), vector3df(0, 1, 0), vector3df(0, 0, 1), vector3df(1, 1, 0),
                           vector3df(0.3f, -1, 0.2f)};

void giveMass(CBytes& c, CRurIvaDevice* d, CRurIvaBody* pBody) {
  const u32 m = d->massCreate();
  const f32 fMass = c.scale(-3, 3), fSize = c.scale(-3, 3);
  switch (c.pick(4)) {
    case 0:
      trace("body %u: sphere of %g kg, radius %g\n", pBody->getBodyId(), fMass, fSize);
      d->massSetSphereTotal(m, fMass, fSize);
      break;
    case 1: {
      const f32 fDepth = fSize * c.scale(-3, 3), fHeight = fSize * c.scale(-3, 3);
      trace("body %u: box of %g kg, %g x %g x %g\n", pBody->getBodyId(), fMass, fSize, fDepth, fHeight);
      d->massSetBoxTotal(m, fMass, fSize, fDepth, fHeight);
      break;
    }
    case 2: {
      const f32 fLength = fSize * c.scale(-2, 2);
      trace("body %u: capsule of %g kg, radius %g, length %g\n", pBody->getBodyId(), fMass, fSize, fLength);
      d->massSetCapsuleTotal(m, fMass, 3, fSize, fLength);
      break;
    }
    default:
      return;  // the default mass
  }
  d->bodySetMass(pBody->getBodyId(), m);
}

//! One joint of a kind the bytes choose between two bodies, or a body and the world.
u32 addJoint(CBytes& c, CRurIvaDevice* d, u32 iWorld, const std::vector<CRurIvaBody*>& aBodies) {
  const u32 iKind = c.pick(8);
  const u32 i1 = c.pick(aBodies.size());
  u32 i2 = c.pick(aBodies.size() + 1);
  if (i2 == i1) i2 = aBodies.size();
  CRurIvaBody* p1 = aBodies[i1];
  CRurIvaBody* p2 = i2 < aBodies.size() ? aBodies[i2] : nullptr;
  const vector3df cAnchor = vector3df(0, 2, 0) + c.vec(2.0f);
  const vector3df a1 = kAxes[c.pick(5)], a2 = kAxes[c.pick(5)];
  const u32 iAxis = c.pick(2);
  u32 h = 0;
  std::function<void(int, f32)> fSet = [](int, f32) {};
  switch (iKind) {
    case 0:
      h = d->jointCreateHinge(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetHingeAnchor(h, cAnchor);
      d->jointSetHingeAxis(h, a1);
      fSet = [=](int i, f32 f) { d->jointSetHingeParam(h, i, f); };
      break;
    case 1:
      h = d->jointCreateSlider(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetSliderAxis(h, a1);
      fSet = [=](int i, f32 f) { d->jointSetSliderParam(h, i, f); };
      break;
    case 2:
      h = d->jointCreateUniversal(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetUniversalAnchor(h, cAnchor);
      d->jointSetUniversalAxis1(h, a1);
      d->jointSetUniversalAxis2(h, a2);
      fSet = [=](int i, f32 f) { d->jointSetUniversalParam(h, iAxis, i, f); };
      break;
    case 3:
      h = d->jointCreateHinge2(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetHinge2Anchor(h, cAnchor);
      d->jointSetHinge2Axes(h, a1, a2);
      fSet = [=](int i, f32 f) { d->jointSetHinge2Param(h, iAxis, i, f); };
      break;
    case 4:
      h = d->jointCreatePiston(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetPistonAnchor(h, cAnchor);
      d->jointSetPistonAxis(h, a1);
      fSet = [=](int i, f32 f) { d->jointSetPistonParam(h, iAxis, i, f); };
      break;
    case 5:
      h = d->jointCreateBallSocket(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetBallAnchor(h, cAnchor);
      break;
    case 6:
      h = d->jointCreateFixed(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetFixed(h);
      break;
    default:
      h = d->jointCreatePR(iWorld);
      d->jointAttach(h, p1, p2);
      d->jointSetPrAnchor(h, cAnchor);
      d->jointSetPrAxis1(h, a1);
      d->jointSetPrAxis2(h, a2);
      fSet = [=](int i, f32 f) { d->jointSetPrParam(h, iAxis, i, f); };
  }
  trace("joint %u: kind %u, bodies %d and %d, anchor (%g, %g, %g), axes (%g, %g, %g) (%g, %g, %g), axis %u\n",
        h, iKind, p1 ? static_cast<int>(p1->getBodyId()) : 0, p2 ? static_cast<int>(p2->getBodyId()) : 0,
        cAnchor.X, cAnchor.Y, cAnchor.Z, a1.X, a1.Y, a1.Z, a2.X, a2.Y, a2.Z, iAxis);
  const auto fSetTraced = fSet;
  fSet = [=](int i, f32 f) {
    trace("  parameter %d: %g\n", i, f);
    fSetTraced(i, f);
  };
  // The layer's parameter numbers: 0 high stop, 1 low stop, 2 velocity, 3 maximum force, 6 CFM,
  // 8 stop CFM, 10 suspension CFM.
  const u32 iStops = c.pick(3);  // none, locked, apart
  if (iStops != 0) {
    const f32 fLow = c.signedValue(0.3f);
    fSet(1, fLow);
    fSet(0, iStops == 1 ? fLow : fLow + c.scale(-3, 0));
    fSet(8, kCfms[c.pick(4)]);
  }
  if (c.pick(3) == 0) {
    fSet(3, c.scale(0, 9));
    fSet(2, c.signedValue(5.0f));
    fSet(6, kCfms[c.pick(4)]);
  }
  if (iKind == 3 && c.pick(2) == 0) fSet(10, kCfms[c.pick(4)]);
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t iSize) {
  CBytes c(pData, iSize);
  scene::ISceneManager* pSmgr = varrik::fuzz::physicsScene();
  varrik::fuzz::sameRandomNumbers();
  CRurIvaDevice* d = static_cast<CRurIvaDevice*>(CRurIvaManager::getSharedInstance()->getOdeDevice());
  CRurIvaWorld* pWorld = new CRurIvaWorld(pSmgr->getRootSceneNode(), pSmgr);
  pWorld->initPhysics();
  std::vector<CRurIvaBody*> aBodies(2 + c.pick(3));
  for (CRurIvaBody*& p : aBodies) {
    p = new CRurIvaBody(pWorld, pSmgr, -1, vector3df(0, 2, 0) + c.vec(2.0f));
    p->initPhysics();
  }
  d->setStepSize(kSteps[c.pick(3)]);
  if (const u32 i = c.pick(5); i < 4) d->worldSetCFM(pWorld->getWorldId(), kCfms[i]);
  const bool bMassesFirst = c.pick(2) == 0;
  if (bMassesFirst)
    for (CRurIvaBody* p : aBodies) giveMass(c, d, p);
  for (CRurIvaBody* p : aBodies) {
    const vector3df w = c.vec(3.0f), v = c.vec(3.0f);
    trace("body %u at (%g, %g, %g): turning (%g, %g, %g), moving (%g, %g, %g)\n", p->getBodyId(),
          p->getPosition().X, p->getPosition().Y, p->getPosition().Z, w.X, w.Y, w.Z, v.X, v.Y, v.Z);
    d->bodySetAngularVelocity(p->getBodyId(), w);
    d->bodySetLinearVelocity(p->getBodyId(), v);
  }
  std::vector<u32> aJoints(2 + c.pick(5));
  for (u32& h : aJoints) h = addJoint(c, d, pWorld->getWorldId(), aBodies);
  if (!bMassesFirst)
    for (CRurIvaBody* p : aBodies) giveMass(c, d, p);
  const int iSteps = 50 + c.pick(4) * 50;
  trace("%s; %d steps of %g, world CFM %g\n", bMassesFirst ? "masses first" : "masses last", iSteps,
        d->getStepSize(), d->worldGetCFM(pWorld->getWorldId()));
  for (int i = 0; i < iSteps; ++i) {
    pWorld->step(d->getStepSize());
    for (CRurIvaBody* p : aBodies)
      trace("step %d: body %u at (%g, %g, %g) moving %g, turning %g\n", i, p->getBodyId(), p->getPosition().X,
            p->getPosition().Y, p->getPosition().Z, p->getLinearVelocity().getLength(),
            p->getAngularVelocity().getLength());
  }
  varrik::fuzz::checkBodiesHaveNumbers("after the steps");
  for (u32 h : aJoints) d->jointDestroy(h);
  for (CRurIvaBody* p : aBodies) p->drop();
  pWorld->remove();
  pWorld->drop();
  varrik::fuzz::clearPhysicsScene();
  return 0;
}
