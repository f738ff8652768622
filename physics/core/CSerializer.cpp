#include "CSerializer.h"

#include <cstring>

#if defined(__has_include)
#if __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

#include "CRurIvaBody.h"
#include "CRurIvaGeom.h"
#include "CRurIvaGeomRay.h"
#include "CRurIvaManager.h"

namespace irr {
namespace ode {

CSerializer::CSerializer() : m_iCursor(0), m_iItemCount(0), m_iSize(0), m_bError(false) {
  memset(m_aBuffer, 0, sizeof(m_aBuffer));
  hideUnused();
}

CSerializer::CSerializer(const void* pData, u32 iSize) : CSerializer() {
  if (iSize > MAX_MESSAGE_SIZE || (!pData && iSize > 0)) {
    m_bError = true;
    return;
  }
  ASAN_UNPOISON_MEMORY_REGION(m_aBuffer, iSize);
  if (iSize > 0) memcpy(m_aBuffer, pData, iSize);
  m_iSize = static_cast<s32>(iSize);
  hideUnused();
}

CSerializer::~CSerializer() { ASAN_UNPOISON_MEMORY_REGION(m_aBuffer, sizeof(m_aBuffer)); }

void CSerializer::hideUnused() {
  ASAN_UNPOISON_MEMORY_REGION(m_aBuffer, sizeof(m_aBuffer));
  ASAN_POISON_MEMORY_REGION(m_aBuffer + m_iSize, sizeof(m_aBuffer) - static_cast<u32>(m_iSize));
}

bool CSerializer::canWrite(u32 iBytes) {
  // After a failed write the message is incomplete; later items must not follow the gap.
  if (m_bError || iBytes > MAX_MESSAGE_SIZE - m_iCursor) {
    m_bError = true;
    return false;
  }
  ASAN_UNPOISON_MEMORY_REGION(m_aBuffer + m_iCursor, iBytes);
  return true;
}

bool CSerializer::canRead(u32 iBytes) {
  // The cursor never passes the size, so the subtraction cannot wrap.
  if (m_bError || iBytes > static_cast<u32>(m_iSize) - m_iCursor) {
    m_bError = true;
    return false;
  }
  return true;
}

void CSerializer::putBytes(u32 iValue, u32 iBytes) {
  // Lowest byte first, whatever the host's own order is.
  for (u32 i = 0; i < iBytes; ++i) m_aBuffer[m_iCursor++] = static_cast<u8>(iValue >> (8 * i));
  if (static_cast<s32>(m_iCursor) > m_iSize) m_iSize = static_cast<s32>(m_iCursor);
  ++m_iItemCount;
}

u32 CSerializer::takeBytes(u32 iBytes) {
  u32 iValue = 0;
  for (u32 i = 0; i < iBytes; ++i) iValue |= static_cast<u32>(m_aBuffer[m_iCursor++]) << (8 * i);
  --m_iItemCount;
  return iValue;
}

bool CSerializer::addU8(u8 iValue) {
  if (!canWrite(1)) return false;
  putBytes(iValue, 1);
  return true;
}

bool CSerializer::addBool(bool bValue) { return addU8(bValue ? 1 : 0); }

bool CSerializer::addU16(u16 iValue) {
  if (!canWrite(2)) return false;
  putBytes(iValue, 2);
  return true;
}

bool CSerializer::addS32(s32 iValue) { return addU32(static_cast<u32>(iValue)); }

bool CSerializer::addU32(u32 iValue) {
  if (!canWrite(4)) return false;
  putBytes(iValue, 4);
  return true;
}

bool CSerializer::addF32(f32 fValue) {
  // The float's bit pattern as an integer, so that it is written in the same byte order.
  static_assert(sizeof(f32) == sizeof(u32), "f32 must be a 32-bit float");
  u32 iBits;
  memcpy(&iBits, &fValue, sizeof(iBits));
  return addU32(iBits);
}

bool CSerializer::addVector3df(const core::vector3df& cValue) {
  if (!canWrite(12)) return false;
  addF32(cValue.X);
  addF32(cValue.Y);
  addF32(cValue.Z);
  return true;
}

bool CSerializer::addString(const c8* sValue) {
  if (!sValue) sValue = "";
  const size_t iLength = strlen(sValue);
  if (iLength >= MAX_MESSAGE_SIZE || !canWrite(static_cast<u32>(iLength) + 1)) {
    m_bError = true;
    return false;
  }
  memcpy(m_aBuffer + m_iCursor, sValue, iLength + 1);
  m_iCursor += static_cast<u32>(iLength) + 1;
  if (static_cast<s32>(m_iCursor) > m_iSize) m_iSize = static_cast<s32>(m_iCursor);
  ++m_iItemCount;
  return true;
}

bool CSerializer::startReading(u16 iCode) {
  m_iCursor = 0;
  m_bError = false;
  if (!canRead(2)) return false;
  const u16 iRead = static_cast<u16>(takeBytes(2));
  if (iRead != iCode) m_bError = true;
  return !m_bError;
}

u8 CSerializer::getU8() { return canRead(1) ? static_cast<u8>(takeBytes(1)) : 0; }

bool CSerializer::getBool() {
  if (!canRead(1)) return false;
  const u8 iValue = static_cast<u8>(takeBytes(1));
  if (iValue > 1) {
    m_bError = true;
    return false;
  }
  return iValue == 1;
}

u16 CSerializer::getU16() { return canRead(2) ? static_cast<u16>(takeBytes(2)) : 0; }

s32 CSerializer::getS32() { return static_cast<s32>(getU32()); }

u32 CSerializer::getU32() { return canRead(4) ? takeBytes(4) : 0; }

f32 CSerializer::getF32() {
  if (!canRead(4)) return 0.0f;
  const u32 iBits = takeBytes(4);
  f32 fValue;
  memcpy(&fValue, &iBits, sizeof(fValue));
  return fValue;
}

core::vector3df CSerializer::getVector3df() {
  // All or nothing: a vector cut short is not partly read.
  if (!canRead(12)) return core::vector3df(0, 0, 0);
  const f32 fX = getF32();
  const f32 fY = getF32();
  const f32 fZ = getF32();
  return core::vector3df(fX, fY, fZ);
}

const c8* CSerializer::getString(u32* pLength) {
  if (pLength) *pLength = 0;
  if (!canRead(1)) return 0;
  const u32 iAvailable = static_cast<u32>(m_iSize) - m_iCursor;
  const void* pZero = memchr(m_aBuffer + m_iCursor, 0, iAvailable);
  if (!pZero) {
    m_bError = true;
    return 0;
  }
  const c8* sValue = reinterpret_cast<const c8*>(m_aBuffer + m_iCursor);
  const u32 iLength = static_cast<u32>(static_cast<const u8*>(pZero) - (m_aBuffer + m_iCursor));
  m_iCursor += iLength + 1;
  --m_iItemCount;
  if (pLength) *pLength = iLength;
  return sValue;
}

bool CSerializer::finishReading() {
  if (static_cast<s32>(m_iCursor) != m_iSize) m_bError = true;
  return !m_bError;
}

u16 CSerializer::getMessageCode() const {
  if (m_iSize < 2) return 0;
  return static_cast<u16>(m_aBuffer[0] | (m_aBuffer[1] << 8));
}

namespace {

scene::ISceneNode* findNode(scene::ISceneManager* pSmgr, s32 iId) {
  return CRurIvaManager::getSharedInstance()->findNodeById(pSmgr, iId);
}

}  // namespace

CRurIvaBody* CSerializer::findBody(scene::ISceneManager* pSmgr, s32 iId) {
  scene::ISceneNode* pNode = findNode(pSmgr, iId);
  return pNode && pNode->getType() == RUR_IVA_BODY_ID ? static_cast<CRurIvaBody*>(pNode) : 0;
}

CRurIvaGeom* CSerializer::findGeom(scene::ISceneManager* pSmgr, s32 iId) {
  scene::ISceneNode* pNode = findNode(pSmgr, iId);
  return pNode && CRurIvaGeom::isGeomType(pNode->getType()) ? static_cast<CRurIvaGeom*>(pNode) : 0;
}

CRurIvaGeomRay* CSerializer::findRay(scene::ISceneManager* pSmgr, s32 iId) {
  scene::ISceneNode* pNode = findNode(pSmgr, iId);
  return pNode && pNode->getType() == RUR_IVA_GEOM_RAY_ID ? static_cast<CRurIvaGeomRay*>(pNode) : 0;
}

}  // namespace ode
}  // namespace irr
