#include "CRurIvaEventBodyMoved.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "CRurIvaBody.h"
#include "CRurIvaGeom.h"
#include "CSerializer.h"

namespace irr {
namespace ode {

namespace {

//! Differences below this are noise of the float conversions, not movement.
const f32 fMoveTolerance = 0.000001f;

//! Fixed point scale of the damping values in a message.
const f64 fDampingScale = 65000.0;

#if defined(__SSE__)
//! X and Y as one 8-byte load and Z as another, with nothing read beyond the three floats.
inline __m128 load3(const f32* v) {
  const __m128 xy = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(v));
  return _mm_movelh_ps(xy, _mm_load_ss(v + 2));
}
#endif

//! Each component of a within the tolerance of the matching one of the three floats at b
//! (core::equals), without a branch per test; the three components at once where the processor
//! has four-float registers (the sums and differences round as they do one at a time).
bool sameVector(const core::vector3df& a, const f32* b) {
  static_assert(sizeof(core::vector3df) == 3 * sizeof(f32), "three packed floats");
#if defined(__SSE__)
  const __m128 va = load3(&a.X), vb = load3(b);
  const __m128 vt = _mm_set1_ps(fMoveTolerance);
  const __m128 ok = _mm_and_ps(_mm_cmpge_ps(_mm_add_ps(va, vt), vb), _mm_cmple_ps(_mm_sub_ps(va, vt), vb));
  return (_mm_movemask_ps(ok) & 7) == 7;
#else
  return (a.X + fMoveTolerance >= b[0]) & (a.X - fMoveTolerance <= b[0]) & (a.Y + fMoveTolerance >= b[1]) &
         (a.Y - fMoveTolerance <= b[1]) & (a.Z + fMoveTolerance >= b[2]) & (a.Z - fMoveTolerance <= b[2]);
#endif
}

bool sameVector(const core::vector3df& a, const core::vector3df& b) { return sameVector(a, &b.X); }

//! Formats at the end of the text already in sBuffer; the text stays cut at the buffer's end.
__attribute__((format(printf, 3, 4))) void appendText(c8* sBuffer, size_t iSize, const c8* sFormat, ...) {
  const size_t iUsed = strlen(sBuffer);
  if (iUsed + 1 >= iSize) return;
  va_list args;
  va_start(args, sFormat);
  vsnprintf(sBuffer + iUsed, iSize - iUsed, sFormat, args);
  va_end(args);
}

}  // namespace

CRurIvaEventBodyMoved::CRurIvaEventBodyMoved() { clear(); }

CRurIvaEventBodyMoved::CRurIvaEventBodyMoved(CRurIvaBody* pBody, const core::vector3df& cPosition,
                                             const core::vector3df& cRotation,
                                             const core::vector3df& cLinearVelocity,
                                             const core::vector3df& cAngularVelocity)
    : m_pBody(pBody),
      m_cPosition(cPosition),
      m_cRotation(cRotation),
      m_cLinearVelocity(cLinearVelocity),
      m_cAngularVelocity(cAngularVelocity) {
  // Every member is written once: an event is made for every moved body in every step.
  if (!pBody) {
    m_pTouched = 0;
    m_iBodyId = m_iTouchedId = m_iCollisionMaterial = 0;
    m_fAngularDamping = m_fLinearDamping = 0;
    m_iFlags = 0;
    m_cCollisionPoint.set(0, 0, 0);
    return;
  }

  CRurIvaGeom* pTouched = pBody->getTouched();
  m_pTouched = pTouched;
  m_iBodyId = pBody->nodeId();
  m_iTouchedId = pTouched ? pTouched->nodeId() : 0;

  // Only what differs from the node's current state is flagged, so the manager touches no more
  // of the node than moved.
  u8 iFlags = 0;
  if (!sameVector(cPosition, pBody->getNodeAbsolutePosition())) iFlags |= siRurIvaEventPosition;
  if (!sameVector(cRotation, pBody->getNodeRotation())) iFlags |= siRurIvaEventRotation;
  if (!sameVector(cLinearVelocity, pBody->getNodeLinearVelocity())) iFlags |= siRurIvaEventLinearVel;
  if (!sameVector(cAngularVelocity, pBody->getNodeAngularVelocity())) iFlags |= siRurIvaEventAngularVel;
  if (pTouched) iFlags |= siRurIvaEventBodyTouching;

  // A body whose damping was never changed still has the values it gave the dynamics library at
  // its start; only a changed one is asked for the library's values.
  if (pBody->dampingChanged()) {
    iFlags |= siRurIvaEventDamping;
    m_fAngularDamping = pBody->getAngularDamping();
    m_fLinearDamping = pBody->getLinearDamping();
  } else {
    m_fAngularDamping = pBody->getNodeAngularDamping();
    m_fLinearDamping = pBody->getNodeLinearDamping();
  }
  m_iFlags = iFlags;
  m_iCollisionMaterial = pBody->getCollisionMaterial();
  m_cCollisionPoint = pBody->getCollisionPoint();
}

CRurIvaEventBodyMoved::CRurIvaEventBodyMoved(IRurIvaEvent* pEvent) {
  clear();
  if (!pEvent || pEvent->getType() != eRurIvaEventBodyMoved) return;
  CRurIvaEventBodyMoved* pOther = dynamic_cast<CRurIvaEventBodyMoved*>(pEvent);
  if (!pOther) return;
  m_pBody = pOther->m_pBody;
  m_pTouched = pOther->m_pTouched;
  m_iBodyId = pOther->m_iBodyId;
  m_iTouchedId = pOther->m_iTouchedId;
  m_iCollisionMaterial = pOther->m_iCollisionMaterial;
  m_fAngularDamping = pOther->m_fAngularDamping;
  m_fLinearDamping = pOther->m_fLinearDamping;
  m_iFlags = pOther->m_iFlags;
  m_cPosition = pOther->m_cPosition;
  m_cRotation = pOther->m_cRotation;
  m_cLinearVelocity = pOther->m_cLinearVelocity;
  m_cAngularVelocity = pOther->m_cAngularVelocity;
  m_cCollisionPoint = pOther->m_cCollisionPoint;
}

CRurIvaEventBodyMoved::CRurIvaEventBodyMoved(CSerializer* pData, scene::ISceneManager* pSmgr) {
  clear();
  if (!pData || !pData->startReading(eRurIvaEventBodyMoved)) return;

  m_iBodyId = pData->getS32();
  m_iFlags = pData->getU8();
  if (m_iFlags & siRurIvaEventPosition) m_cPosition = pData->getVector3df();
  if (m_iFlags & siRurIvaEventRotation) m_cRotation = pData->getVector3df();
  if (m_iFlags & siRurIvaEventLinearVel) m_cLinearVelocity = pData->getVector3df();
  if (m_iFlags & siRurIvaEventAngularVel) m_cAngularVelocity = pData->getVector3df();
  if (m_iFlags & siRurIvaEventBodyTouching) {
    m_iTouchedId = pData->getS32();
    m_iCollisionMaterial = pData->getS32();
    m_cCollisionPoint = pData->getVector3df();
  }
  if (m_iFlags & siRurIvaEventDamping) {
    m_fAngularDamping = dampingOfInt(pData->getU16());
    m_fLinearDamping = dampingOfInt(pData->getU16());
  }

  if (!pData->finishReading()) {
    clear();
    return;
  }
  m_pBody = CSerializer::findBody(pSmgr, m_iBodyId);
}

void CRurIvaEventBodyMoved::clear() {
  m_pBody = 0;
  m_pTouched = 0;
  m_iBodyId = 0;
  m_iTouchedId = 0;
  m_iCollisionMaterial = 0;
  m_fAngularDamping = 0;
  m_fLinearDamping = 0;
  m_iFlags = 0;
  m_cPosition.set(0, 0, 0);
  m_cRotation.set(0, 0, 0);
  m_cLinearVelocity.set(0, 0, 0);
  m_cAngularVelocity.set(0, 0, 0);
  m_cCollisionPoint.set(0, 0, 0);
}

u16 CRurIvaEventBodyMoved::dampingToInt(f32 fDamping) {
  const f64 fScaled = static_cast<f64>(fDamping) * fDampingScale;
  // Written this way round so that NaN also ends up as 0.
  if (!(fScaled > 0.0)) return 0;
  if (fScaled >= 65535.0) return 65535;
  return static_cast<u16>(fScaled);
}

f32 CRurIvaEventBodyMoved::dampingOfInt(u16 iDamping) {
  // Half a step above the fixed point value: well inside the float values that truncate to it,
  // up to 65535, whose value is above the limit.
  return static_cast<f32>((iDamping + 0.5) / fDampingScale);
}

f32 CRurIvaEventBodyMoved::getLinearDamping() const {
  return static_cast<f32>(getLinearDampingInt() / fDampingScale);
}

f32 CRurIvaEventBodyMoved::getAngularDamping() const {
  return static_cast<f32>(getAngularDampingInt() / fDampingScale);
}

void CRurIvaEventBodyMoved::setBody(CRurIvaBody* pBody) {
  m_pBody = pBody;
  m_iBodyId = pBody ? pBody->getID() : 0;
}

void CRurIvaEventBodyMoved::setTouched(CRurIvaGeom* pTouched) {
  m_pTouched = pTouched;
  m_iTouchedId = pTouched ? pTouched->getID() : 0;
}

void CRurIvaEventBodyMoved::merge(CRurIvaEventBodyMoved* pOther) {
  if (!pOther) return;
  const u8 iOther = pOther->m_iFlags;
  if (iOther & siRurIvaEventPosition) m_cPosition = pOther->m_cPosition;
  if (iOther & siRurIvaEventRotation) m_cRotation = pOther->m_cRotation;
  if (iOther & siRurIvaEventLinearVel) m_cLinearVelocity = pOther->m_cLinearVelocity;
  if (iOther & siRurIvaEventAngularVel) m_cAngularVelocity = pOther->m_cAngularVelocity;
  if (iOther & siRurIvaEventBodyTouching) {
    m_pTouched = pOther->m_pTouched;
    m_iTouchedId = pOther->m_iTouchedId;
    m_cCollisionPoint = pOther->m_cCollisionPoint;
    m_iCollisionMaterial = pOther->m_iCollisionMaterial;
  }
  m_iFlags |= iOther;

  delete m_pSerializer;
  m_pSerializer = 0;
}

CSerializer* CRurIvaEventBodyMoved::serialize() {
  if (!m_pSerializer) {
    m_pSerializer = new CSerializer();
    m_pSerializer->addU16(eRurIvaEventBodyMoved);
    m_pSerializer->addS32(m_iBodyId);
    m_pSerializer->addU8(m_iFlags);
    if (m_iFlags & siRurIvaEventPosition) m_pSerializer->addVector3df(m_cPosition);
    if (m_iFlags & siRurIvaEventRotation) m_pSerializer->addVector3df(m_cRotation);
    if (m_iFlags & siRurIvaEventLinearVel) m_pSerializer->addVector3df(m_cLinearVelocity);
    if (m_iFlags & siRurIvaEventAngularVel) m_pSerializer->addVector3df(m_cAngularVelocity);
    if (m_iFlags & siRurIvaEventBodyTouching) {
      m_pSerializer->addS32(m_iTouchedId);
      m_pSerializer->addS32(m_iCollisionMaterial);
      m_pSerializer->addVector3df(m_cCollisionPoint);
    }
    if (m_iFlags & siRurIvaEventDamping) {
      m_pSerializer->addU16(getAngularDampingInt());
      m_pSerializer->addU16(getLinearDampingInt());
    }
  }
  return m_pSerializer;
}

const c8* CRurIvaEventBodyMoved::toString() {
  c8* s = textBuffer();
  snprintf(s, kTextSize, "CRurIvaEventBodyMoved: body=%i, flags=%i", m_iBodyId, m_iFlags);
  if (m_iFlags & siRurIvaEventPosition)
    appendText(s, kTextSize, ", new position=(%.2f, %.2f, %.2f)", m_cPosition.X, m_cPosition.Y,
               m_cPosition.Z);
  if (m_iFlags & siRurIvaEventRotation)
    appendText(s, kTextSize, ", new rotation=(%.2f, %.2f, %.2f)", m_cRotation.X, m_cRotation.Y,
               m_cRotation.Z);
  if (m_iFlags & siRurIvaEventLinearVel)
    appendText(s, kTextSize, ", new linear velocity=(%.2f, %.2f, %.2f)", m_cLinearVelocity.X,
               m_cLinearVelocity.Y, m_cLinearVelocity.Z);
  if (m_iFlags & siRurIvaEventAngularVel)
    appendText(s, kTextSize, ", new angular velocity=(%.2f, %.2f, %.2f)", m_cAngularVelocity.X,
               m_cAngularVelocity.Y, m_cAngularVelocity.Z);
  if (m_iFlags & siRurIvaEventBodyTouching)
    appendText(s, kTextSize, ", touching body: %i, mat: %i, pos: (%.2f, %.2f, %.2f)", m_iTouchedId,
               m_iCollisionMaterial, m_cCollisionPoint.X, m_cCollisionPoint.Y, m_cCollisionPoint.Z);
  return s;
}

IRurIvaEvent* CRurIvaEventBodyMoved::clone() {
  return new CRurIvaEventBodyMoved(static_cast<IRurIvaEvent*>(this));
}

}  // namespace ode
}  // namespace irr
