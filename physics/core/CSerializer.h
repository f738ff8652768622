#ifndef C_SERIALIZER_H
#define C_SERIALIZER_H

#include <irrlicht.h>

namespace irr {
namespace scene {
class ISceneManager;
}
namespace ode {

class CRurIvaBody;
class CRurIvaGeom;
class CRurIvaGeomRay;

/**
 * The byte form of an event: a message of at most 4096 bytes whose first two bytes hold the
 * message code (the event type), followed by the payload items packed without gaps.
 *
 * Every item is stored little-endian whatever the host's byte order: 32-bit integers and
 * floats take 4 bytes, 16-bit integers 2, bytes and bools 1 (0 or 1), a vector three floats
 * (x, y, z) and a string its characters followed by one zero byte.
 *
 * Messages that are read may come from anywhere, so every reader checks that the item lies
 * inside the message before touching it. A failed read or write leaves the message in an
 * error state that stays until the next startReading(); the failed reader returns a zero
 * value (null for a string) and moves nothing.
 */
class CSerializer {
 public:
  //! Capacity of a message in bytes, code included.
  static const u32 MAX_MESSAGE_SIZE = 4096;

  //! An empty message to write; the first item written is the message code (addU16).
  CSerializer();
  //! A received message of iSize bytes to read. The bytes are copied. A message larger than
  //! MAX_MESSAGE_SIZE (or with null data and a non-zero size) is rejected: the serializer is
  //! empty and in the error state.
  CSerializer(const void* pData, u32 iSize);
  ~CSerializer();
  CSerializer(const CSerializer&) = delete;
  CSerializer& operator=(const CSerializer&) = delete;

  // Writing: each item is written at the cursor. An item that does not fit is not written,
  // the error state is set and false is returned.
  bool addU8(u8 iValue);
  bool addBool(bool bValue);
  bool addU16(u16 iValue);
  bool addS32(s32 iValue);
  bool addU32(u32 iValue);
  bool addF32(f32 fValue);
  bool addVector3df(const core::vector3df& cValue);
  //! Writes the characters and the terminating zero; a null string is written as "".
  bool addString(const c8* sValue);

  // Reading.
  //! Moves the cursor to the start, clears the error state and reads the message code,
  //! which counts as one item read. Returns true when the message has a code equal to iCode;
  //! otherwise the error state is set and false is returned.
  bool startReading(u16 iCode);
  u8 getU8();
  //! A byte other than 0 or 1 is a malformed message.
  bool getBool();
  u16 getU16();
  s32 getS32();
  u32 getU32();
  f32 getF32();
  core::vector3df getVector3df();
  /**
   * The string at the cursor, which points into this message and stays valid as long as the
   * message is not changed. The terminating zero must lie inside the message. iLength (if
   * given) receives the length without the zero. Null on failure.
   */
  const c8* getString(u32* pLength = 0);
  //! True when no read or write failed since startReading() and the whole message was read
  //! (a message longer than its items is malformed).
  bool finishReading();

  // Messages name nodes by their ids. These resolve an id in a scene (the manager's
  // findNodeById) and return the node only when it is of the expected kind, so a message naming
  // some other node never leads to a wrong cast. A null scene manager resolves nothing.
  static CRurIvaBody* findBody(scene::ISceneManager* pSmgr, s32 iId);
  //! Any kind of geometry (CRurIvaGeom::isGeomType), rays included.
  static CRurIvaGeom* findGeom(scene::ISceneManager* pSmgr, s32 iId);
  static CRurIvaGeomRay* findRay(scene::ISceneManager* pSmgr, s32 iId);

  //! The code in bytes 0 and 1, or 0 for a message shorter than two bytes.
  u16 getMessageCode() const;
  const u8* getBuffer() const { return m_aBuffer; }
  //! Bytes in use, code included.
  s32 getSize() const { return m_iSize; }
  s32 getItemCount() const { return m_iItemCount; }
  u32 getCursor() const { return m_iCursor; }
  bool hasError() const { return m_bError; }

 private:
  //! Whether iBytes more bytes can be written at the cursor; sets the error state if not.
  bool canWrite(u32 iBytes);
  //! Whether iBytes more bytes can be read at the cursor; sets the error state if not.
  bool canRead(u32 iBytes);
  void putBytes(u32 iValue, u32 iBytes);
  u32 takeBytes(u32 iBytes);

  //! Under AddressSanitizer the unused end of the buffer is poisoned, so that a read past the
  //! message's size is reported even though the bytes belong to this object.
  void hideUnused();

  alignas(8) u8 m_aBuffer[MAX_MESSAGE_SIZE];
  u32 m_iCursor;
  s32 m_iItemCount;
  s32 m_iSize;
  bool m_bError;
};

}  // namespace ode
}  // namespace irr

#endif
