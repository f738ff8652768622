// The real device, recording the calls of a set-up as text.
#ifndef VARRIK_TESTS_PHYSICS_C_RECORDING_DEVICE_H
#define VARRIK_TESTS_PHYSICS_C_RECORDING_DEVICE_H

#include <irrlicht.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CRurIvaDevice.h"
#include "CRurIvaWorld.h"
#include "TestTypes.h"

namespace varrik {
namespace test {

/**
 * The real device, recording the calls the layer makes through it before passing them on, so
 * that a test can see the order of a set-up and the values it hands to the dynamics library.
 */
class CRecordingDevice : public CRurIvaDevice {
 public:
  std::vector<std::string> m_aCalls;
  std::vector<f32> m_aStepTimes;

  //! Index of the first call whose text starts with sPrefix, or -1.
  int indexOf(const std::string& sPrefix) const {
    for (size_t i = 0; i < m_aCalls.size(); ++i)
      if (m_aCalls[i].compare(0, sPrefix.size(), sPrefix) == 0) return static_cast<int>(i);
    return -1;
  }
  int count(const std::string& sPrefix) const {
    int n = 0;
    for (const std::string& s : m_aCalls) n += s.compare(0, sPrefix.size(), sPrefix) == 0;
    return n;
  }
  std::string first(const std::string& sPrefix) const {
    const int i = indexOf(sPrefix);
    return i < 0 ? std::string() : m_aCalls[i];
  }

  u32 worldCreate() override { return rec("worldCreate", CRurIvaDevice::worldCreate()); }
  u32 jointGroupCreate(int iMax) override {
    return rec("jointGroupCreate", CRurIvaDevice::jointGroupCreate(iMax));
  }
  u32 spaceCreateSimple(u32 iParent) override {
    return rec("spaceCreateSimple(" + num(iParent) + ")", CRurIvaDevice::spaceCreateSimple(iParent));
  }
  u32 spaceCreateHash(u32 iParent) override {
    return rec("spaceCreateHash(" + num(iParent) + ")", CRurIvaDevice::spaceCreateHash(iParent));
  }
  u32 spaceCreateQuadTree(u32 iParent, vector3df cCenter, vector3df cExtents, int iDepth) override {
    return rec("spaceCreateQuadTree(" + num(iParent) + "," + vec(cCenter) + "," + vec(cExtents) + "," +
                   num(iDepth) + ")",
               CRurIvaDevice::spaceCreateQuadTree(iParent, cCenter, cExtents, iDepth));
  }
  void worldSetLinearDamping(u32 w, f32 f) override {
    add("worldSetLinearDamping(" + num(f) + ")");
    CRurIvaDevice::worldSetLinearDamping(w, f);
  }
  void worldSetAngularDamping(u32 w, f32 f) override {
    add("worldSetAngularDamping(" + num(f) + ")");
    CRurIvaDevice::worldSetAngularDamping(w, f);
  }
  void worldSetLinearDampingThreshold(u32 w, f32 f) override {
    add("worldSetLinearDampingThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetLinearDampingThreshold(w, f);
  }
  void worldSetAngularDampingThreshold(u32 w, f32 f) override {
    add("worldSetAngularDampingThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetAngularDampingThreshold(w, f);
  }
  void worldSetMaxAngularSpeed(u32 w, f32 f) override {
    add("worldSetMaxAngularSpeed(" + num(f) + ")");
    CRurIvaDevice::worldSetMaxAngularSpeed(w, f);
  }
  void worldSetAutoDisableFlag(u32 w, int i) override {
    add("worldSetAutoDisableFlag(" + num(i) + ")");
    CRurIvaDevice::worldSetAutoDisableFlag(w, i);
  }
  void worldSetAutoDisableLinearThreshold(u32 w, f32 f) override {
    add("worldSetAutoDisableLinearThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetAutoDisableLinearThreshold(w, f);
  }
  void worldSetAutoDisableAngularThreshold(u32 w, f32 f) override {
    add("worldSetAutoDisableAngularThreshold(" + num(f) + ")");
    CRurIvaDevice::worldSetAutoDisableAngularThreshold(w, f);
  }
  void worldSetAutoDisableSteps(u32 w, int i) override {
    add("worldSetAutoDisableSteps(" + num(i) + ")");
    CRurIvaDevice::worldSetAutoDisableSteps(w, i);
  }
  void worldSetAutoDisableTime(u32 w, f32 f) override {
    add("worldSetAutoDisableTime(" + num(f) + ")");
    CRurIvaDevice::worldSetAutoDisableTime(w, f);
  }
  void worldSetGravity(u32 w, vector3df g) override {
    add("worldSetGravity(" + vec(g) + ")");
    CRurIvaDevice::worldSetGravity(w, g);
  }
  void worldSetERP(u32 w, f32 f) override {
    add("worldSetERP(" + num(f) + ")");
    CRurIvaDevice::worldSetERP(w, f);
  }
  void worldSetCFM(u32 w, f32 f) override {
    add("worldSetCFM(" + num(f) + ")");
    CRurIvaDevice::worldSetCFM(w, f);
  }
  u32 geomCreateBox(u32 s, f32 x, f32 y, f32 z) override {
    return rec("geomCreateBox(" + num(x) + "," + num(y) + "," + num(z) + ")",
               CRurIvaDevice::geomCreateBox(s, x, y, z));
  }
  u32 geomCreateSphere(u32 s, f32 r) override {
    return rec("geomCreateSphere(" + num(r) + ")", CRurIvaDevice::geomCreateSphere(s, r));
  }
  u32 geomCreateCapsule(u32 s, f32 r, f32 l) override {
    return rec("geomCreateCapsule(" + num(r) + "," + num(l) + ")", CRurIvaDevice::geomCreateCapsule(s, r, l));
  }
  u32 geomCreateCylinder(u32 s, f32 r, f32 l) override {
    return rec("geomCreateCylinder(" + num(r) + "," + num(l) + ")",
               CRurIvaDevice::geomCreateCylinder(s, r, l));
  }
  u32 geomCreatePlane(u32 s, f32 a, f32 b, f32 c, f32 d) override {
    return rec("geomCreatePlane", CRurIvaDevice::geomCreatePlane(s, a, b, c, d));
  }
  u32 bodyCreate(u32 w) override { return rec("bodyCreate", CRurIvaDevice::bodyCreate(w)); }
  void bodySetMass(u32 b, u32 m) override {
    add("bodySetMass");
    CRurIvaDevice::bodySetMass(b, m);
  }
  void massAdd(u32 a, u32 b) override {
    add("massAdd");
    CRurIvaDevice::massAdd(a, b);
  }
  void massSetParameters(u32 m, f32 f, vector3df c, vector3df i1, vector3df i2) override {
    add("massSetParameters(" + num(f) + ")");
    CRurIvaDevice::massSetParameters(m, f, c, i1, i2);
  }
  void massSetSphereTotal(u32 m, f32 f, f32 r) override {
    add("massSetSphereTotal(" + num(f) + "," + num(r) + ")");
    CRurIvaDevice::massSetSphereTotal(m, f, r);
  }
  void geomSetOffsetPosition(u32 g, vector3df p) override {
    add("geomSetOffsetPosition(" + vec(p) + ")");
    CRurIvaDevice::geomSetOffsetPosition(g, p);
  }
  void geomSetRotation(u32 g, vector3df r) override {
    add("geomSetRotation(" + vec(r) + ")");
    CRurIvaDevice::geomSetRotation(g, r);
  }
  void geomSetPosition(u32 g, vector3df p) override {
    add("geomSetPosition(" + vec(p) + ")");
    CRurIvaDevice::geomSetPosition(g, p);
  }
  void step(f32 fTime, CRurIvaWorld* pWorld) override {
    m_aStepTimes.push_back(fTime);
    CRurIvaDevice::step(fTime, pWorld);
  }

  static std::string num(double f) {
    char s[64];
    snprintf(s, sizeof(s), "%g", f);
    return s;
  }
  static std::string vec(const vector3df& v) { return num(v.X) + "," + num(v.Y) + "," + num(v.Z); }

 private:
  void add(const std::string& s) { m_aCalls.push_back(s); }
  u32 rec(const std::string& s, u32 iHandle) {
    m_aCalls.push_back(s);
    return iHandle;
  }
};

}  // namespace test
}  // namespace varrik

#endif
