#ifndef C_RUR_IVA_SURFACE_PARAMETERS_H
#define C_RUR_IVA_SURFACE_PARAMETERS_H

#include <irrlicht.h>

namespace irr {
namespace ode {

//! Contact mode bits; the values equal the dynamics library's contact flags.
enum ERurIvaContactMode : s32 {
  eRurIvaContactMu2 = 0x0001,
  eRurIvaContactFDir1 = 0x0002,
  eRurIvaContactBounce = 0x0004,
  eRurIvaContactSoftERP = 0x0008,
  eRurIvaContactSoftCFM = 0x0010,
  eRurIvaContactMotion1 = 0x0020,
  eRurIvaContactMotion2 = 0x0040,
  eRurIvaContactMotionN = 0x0080,
  eRurIvaContactSlip1 = 0x0100,
  eRurIvaContactSlip2 = 0x0200,
  eRurIvaContactApprox1_1 = 0x1000,
  eRurIvaContactApprox1_2 = 0x2000,
  eRurIvaContactApprox1 = 0x3000
};

//! The eleven contact values of a surface set, in the order of the set's fields.
enum ERurIvaContactValue : u32 {
  eRurIvaValueMu,
  eRurIvaValueMu2,
  eRurIvaValueBounce,
  eRurIvaValueBounceVel,
  eRurIvaValueSoftErp,
  eRurIvaValueSoftCfm,
  eRurIvaValueMotion1,
  eRurIvaValueMotion2,
  eRurIvaValueMotionN,
  eRurIvaValueSlip1,
  eRurIvaValueSlip2,
  eRurIvaValueCount
};

/**
 * The contact part of a surface set as a plain record: the mode bits and the eleven contact
 * values (indexed by ERurIvaContactValue). Contacts are made from it without building a set
 * (a set's name allocates).
 */
struct SRurIvaContactSurface {
  s32 iMode;
  f32 aValues[eRurIvaValueCount];
};

/**
 * How a geometry behaves in contact: mode flags and the contact values of the dynamics
 * library's contact joints, plus an optional damping that a static geometry applies to
 * bodies touching it. A named set registered with the manager can be used by other sets
 * of the same name (the use-defined flag).
 */
class CRurIvaSurfaceParameters {
  // The mode and the contact values come first, beside the class's table: the collision of a
  // touching pair reads these of both sets.
  s32 m_iMode;
  f32 m_fMu;
  f32 m_fMu2;
  f32 m_fBounce;
  f32 m_fBounceVel;
  f32 m_fSoftErp;
  f32 m_fSoftCfm;
  f32 m_fMotion1;
  f32 m_fMotion2;
  f32 m_fMotionN;
  f32 m_fSlip1;
  f32 m_fSlip2;

 public:
  CRurIvaSurfaceParameters();
  virtual ~CRurIvaSurfaceParameters();

  virtual s32 getMode() { return m_iMode; }
  virtual f32 getMu() { return m_fMu; }
  virtual f32 getMu2() { return m_fMu2; }
  virtual f32 getBounce() { return m_fBounce; }
  virtual f32 getBounceVel() { return m_fBounceVel; }
  virtual f32 getSoftErp() { return m_fSoftErp; }
  virtual f32 getSoftCfm() { return m_fSoftCfm; }
  virtual f32 getMotion1() { return m_fMotion1; }
  virtual f32 getMotion2() { return m_fMotion2; }
  virtual f32 getMotionN() { return m_fMotionN; }
  virtual f32 getSlip1() { return m_fSlip1; }
  virtual f32 getSlip2() { return m_fSlip2; }

  virtual void setMode(s32 iMode) {
    m_iMode = iMode;
    contactValuesChanged();
  }
  virtual void setMu(f32 f) {
    m_fMu = f;
    contactValuesChanged();
  }
  virtual void setMu2(f32 f) {
    m_fMu2 = f;
    contactValuesChanged();
  }
  virtual void setBounce(f32 f) {
    m_fBounce = f;
    contactValuesChanged();
  }
  virtual void setBounceVel(f32 f) {
    m_fBounceVel = f;
    contactValuesChanged();
  }
  virtual void setSoftErp(f32 f) {
    m_fSoftErp = f;
    contactValuesChanged();
  }
  virtual void setSoftCfm(f32 f) {
    m_fSoftCfm = f;
    contactValuesChanged();
  }
  virtual void setMotion1(f32 f) {
    m_fMotion1 = f;
    contactValuesChanged();
  }
  virtual void setMotion2(f32 f) {
    m_fMotion2 = f;
    contactValuesChanged();
  }
  virtual void setMotionN(f32 f) {
    m_fMotionN = f;
    contactValuesChanged();
  }
  virtual void setSlip1(f32 f) {
    m_fSlip1 = f;
    contactValuesChanged();
  }
  virtual void setSlip2(f32 f) {
    m_fSlip2 = f;
    contactValuesChanged();
  }

  //! iIndex is the set's index within its geometry; it selects the key suffix ("" or "_mat%i").
  virtual void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options,
                                   u32 iIndex) const;
  virtual void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options,
                                     u32 iIndex);

  void setModeMu2(bool b) { setModeBits(eRurIvaContactMu2, b); }
  bool getModeMu2() const { return hasModeBits(eRurIvaContactMu2); }
  void setModeFDir1(bool b) { setModeBits(eRurIvaContactFDir1, b); }
  bool getModeFDir1() const { return hasModeBits(eRurIvaContactFDir1); }
  void setModeBounce(bool b) { setModeBits(eRurIvaContactBounce, b); }
  bool getModeBounce() const { return hasModeBits(eRurIvaContactBounce); }
  void setModeSoftERP(bool b) { setModeBits(eRurIvaContactSoftERP, b); }
  bool getModeSoftERP() const { return hasModeBits(eRurIvaContactSoftERP); }
  void setModeSoftCFM(bool b) { setModeBits(eRurIvaContactSoftCFM, b); }
  bool getModeSoftCFM() const { return hasModeBits(eRurIvaContactSoftCFM); }
  void setModeMotion1(bool b) { setModeBits(eRurIvaContactMotion1, b); }
  bool getModeMotion1() const { return hasModeBits(eRurIvaContactMotion1); }
  void setModeMotion2(bool b) { setModeBits(eRurIvaContactMotion2, b); }
  bool getModeMotion2() const { return hasModeBits(eRurIvaContactMotion2); }
  void setModeMotionN(bool b) { setModeBits(eRurIvaContactMotionN, b); }
  bool getModeMotionN() const { return hasModeBits(eRurIvaContactMotionN); }
  void setModeSlip1(bool b) { setModeBits(eRurIvaContactSlip1, b); }
  bool getModeSlip1() const { return hasModeBits(eRurIvaContactSlip1); }
  void setModeSlip2(bool b) { setModeBits(eRurIvaContactSlip2, b); }
  bool getModeSlip2() const { return hasModeBits(eRurIvaContactSlip2); }
  void setModeApprox1_1(bool b) { setModeBits(eRurIvaContactApprox1_1, b); }
  bool getModeApprox1_1() const { return hasModeBits(eRurIvaContactApprox1_1); }
  void setModeApprox1_2(bool b) { setModeBits(eRurIvaContactApprox1_2, b); }
  bool getModeApprox1_2() const { return hasModeBits(eRurIvaContactApprox1_2); }
  void setModeApprox1(bool b) { setModeBits(eRurIvaContactApprox1, b); }
  //! True when either friction-pyramid bit is set.
  bool getModeApprox1() const { return (m_iMode & eRurIvaContactApprox1) != 0; }

  const wchar_t* getName() const { return m_sName.c_str(); }
  void setName(const wchar_t* sName) { m_sName = sName ? sName : L""; }
  bool doesUseDefined() const { return m_bUseDefined; }
  void setUseDefined(bool b) { m_bUseDefined = b; }

  //! The mode and the eleven contact values as this class stores them (a derived set's getters
  //! may answer otherwise).
  SRurIvaContactSurface getContactValues() const {
    return {m_iMode,
            {m_fMu, m_fMu2, m_fBounce, m_fBounceVel, m_fSoftErp, m_fSoftCfm, m_fMotion1, m_fMotion2,
             m_fMotionN, m_fSlip1, m_fSlip2}};
  }

  /**
   * A number that changes whenever the mode or a contact value of any set changes, and whenever
   * a set is made or destroyed: values copied from a set stay that set's values while the number
   * stays the same (a geometry keeps such a copy of its first set next to what the collision of
   * every pair reads, see CRurIvaGeom::firstContactValues).
   */
  static u64 contactValuesGeneration() { return s_iContactValuesGeneration; }
  //! Asks for the memory of the mode and the contact values (they may end on a second cache
  //! line), for a collision that reads them shortly after.
  void prefetchContactValues() const {
    __builtin_prefetch(&m_iMode);
    __builtin_prefetch(&m_fSlip2);
  }

  //! Writes this set's values into pDest (all but the static flag).
  void copy(CRurIvaSurfaceParameters* pDest) const;
  //! Takes the values of the defined set of the same name, if one is registered.
  void initPhysics();

  // Contact damping: applied to bodies touching a static geometry while m_bDamps is on.
  f32 m_fLinearDamping;
  f32 m_fAngularDamping;
  f32 m_fMaxLinearVelocity;
  f32 m_fMaxAngularVelocity;
  f32 m_fMaxLinearVelocityDamping;
  f32 m_fMaxAngularVelocityDamping;
  bool m_bDamps;
  //! The set belongs to a geometry without a body (or a definitions file); only then are
  //! the damping keys written and read.
  bool m_bStatic;

 private:
  void setModeBits(s32 iBits, bool b) {
    if (b)
      m_iMode |= iBits;
    else
      m_iMode &= ~iBits;
    contactValuesChanged();
  }
  static void contactValuesChanged() { ++s_iContactValuesGeneration; }
  static inline u64 s_iContactValuesGeneration = 1;
  bool hasModeBits(s32 iBits) const { return (m_iMode & iBits) == iBits; }

  core::stringw m_sName;
  bool m_bUseDefined;

  // How many geometries and worlds hold the set; the last to let go of it destroys it. A set
  // handed to a second geometry, or a world's loaded set handed to a geometry, was otherwise
  // destroyed twice (and used after the first).
  friend class CRurIvaGeom;
  friend class CRurIvaWorld;
  u32 m_iHolders = 0;
  void hold() { ++m_iHolders; }
  //! True when no one holds the set any longer.
  bool letGo() { return m_iHolders == 0 || --m_iHolders == 0; }
};

}  // namespace ode
}  // namespace irr

#endif
