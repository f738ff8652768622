#include "CRurIvaXmlCheck.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

namespace irr {
namespace ode {

namespace {

/**
 * The code units the reader parses. The reader takes the file's bytes and four zero bytes after
 * them; a byte order mark (compared as the reader does, reading the first bytes as a number of
 * the machine) selects the width of the units, without one the bytes are the units. Units of
 * another width than the reader's are cut to it (a narrow reader keeps the low byte), and
 * big-endian units are turned around up to the first zero unit.
 */
class CReaderText {
 public:
  CReaderText(const u8* pBytes, size_t iBytes, size_t iWidth)
      : m_pBytes(pBytes),
        m_iBytes(iBytes),
        m_iMask(iWidth == 1 ? 0xFFu : (iWidth == 2 ? 0xFFFFu : ~0u)),
        m_iWidth(iWidth) {
    const size_t iSize = iBytes + 4;
    const u32 i32 = unit(0, 4), i16 = unit(0, 2);
    bool bSwap = false;
    if (i32 == 0xFFFE0000u || i32 == 0x0000FEFFu) {
      setUnits(4, 4, iSize / 4 - 1);
      bSwap = i32 == 0xFFFE0000u;
    } else if (i16 == 0xFFFEu || i16 == 0xFEFFu) {
      setUnits(2, 2, iSize / 2 - 1);
      bSwap = i16 == 0xFFFEu;
    } else if (byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) {
      setUnits(1, 3, iSize - 3);
    } else {
      setUnits(1, 0, iSize);
    }
    // The reader turns units around without a bound: a UTF-32 file whose size is no multiple of
    // four may have no zero unit before the end of the reader's buffer.
    m_iSwapped = 0;
    m_bValid = true;
    for (; bSwap; ++m_iSwapped) {
      const size_t iAt = m_iOffset + m_iSwapped * m_iUnit;
      if (iAt + m_iUnit > iSize) m_bValid = false;
      if (!m_bValid || unit(iAt, m_iUnit) == 0) break;
    }
  }

  //! False when the reader's own conversion would read past its buffer.
  bool valid() const { return m_bValid; }
  size_t size() const { return m_iCount; }
  u32 operator[](size_t i) const {
    u32 v = unit(m_iOffset + i * m_iUnit, m_iUnit);
    if (i < m_iSwapped)
      v = m_iUnit == 2 ? ((v & 0xFFu) << 8) | (v >> 8)
                       : ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
    return m_iUnit == m_iWidth ? v : (v & m_iMask);
  }

 private:
  void setUnits(size_t iUnit, size_t iOffset, size_t iCount) {
    m_iUnit = iUnit;
    m_iOffset = iOffset;
    m_iCount = iCount;
  }
  u8 byteAt(size_t i) const { return i < m_iBytes ? m_pBytes[i] : 0; }
  u32 unit(size_t iOffset, size_t iUnit) const {
    const u8 a[4] = {byteAt(iOffset), byteAt(iOffset + 1), byteAt(iOffset + 2), byteAt(iOffset + 3)};
    if (iUnit == 1) return a[0];
    u16 i16;
    u32 i32;
    std::memcpy(&i16, a, 2);
    std::memcpy(&i32, a, 4);
    return iUnit == 2 ? i16 : i32;
  }

  const u8* m_pBytes;
  size_t m_iBytes;
  u32 m_iMask;
  size_t m_iWidth;
  size_t m_iUnit;
  size_t m_iOffset;
  size_t m_iCount;
  size_t m_iSwapped;
  bool m_bValid;
};

bool isSpace(u32 c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool isOneOf(u32 c, const c8* sChars) {
  for (const c8* p = sChars; *p; ++p)
    if (c == static_cast<u32>(*p)) return true;
  return false;
}

/**
 * Walks the units as the reader parses them (the reader of Irrlicht 1.8) and answers whether
 * every construct it meets is complete. Where the reader has no bound of its own the walk
 * stops at the end of the units instead; wherever it would have run on, or would have copied a
 * construct of negative length (a comment shorter than "<!---->"), the text does not pass.
 */
bool walk(const CReaderText& a) {
  const size_t n = a.size();
  size_t p = 0;
  for (;;) {
    // The reader stops at its last unit, and at a zero between two nodes.
    if (p + 1 >= n || a[p] == 0) return true;
    while (p < n && a[p] != '<' && a[p] != 0) ++p;
    if (p >= n) return false;
    if (a[p] == 0) return true;
    if (++p >= n) return false;

    if (a[p] == '/' || a[p] == '?') {
      // A closing tag or a declaration: up to the next '>'.
      while (p < n && a[p] != '>') ++p;
      if (p >= n) return false;
      ++p;
    } else if (a[p] == '!') {
      if (p + 1 >= n) return false;
      if (a[p + 1] == '[') {
        // A CDATA section: eight units of its start, then up to "]]>".
        for (size_t k = 0; k < 8 && p < n && a[p] != 0; ++k) ++p;
        if (p >= n || a[p] == 0) return false;
        const size_t iData = p;
        bool bEnd = false;
        for (; p < n && a[p] != 0 && !bEnd; ++p) bEnd = a[p] == '>' && a[p - 1] == ']' && a[p - 2] == ']';
        if (!bEnd) return false;
        // A "]]>" that overlaps those eight units ("<![CDATA]]>") gives the reader's text a
        // negative length: it copies on until it crashes.
        if (p - 3 < iData) return false;
      } else {
        // A comment or a DOCTYPE: it ends where its '<' and '>' balance.
        const size_t iBegin = ++p;
        for (int iDepth = 1; iDepth > 0; ++p) {
          if (p >= n) return false;
          if (a[p] == '>')
            --iDepth;
          else if (a[p] == '<')
            ++iDepth;
        }
        if (p < iBegin + 5) return false;
      }
    } else {
      // An element: its name, then name="value" attributes, then '>' or "/>".
      while (p < n && a[p] != '>' && !isSpace(a[p])) ++p;
      for (;;) {
        while (p < n && isSpace(a[p])) ++p;
        if (p >= n) return false;
        if (a[p] == '>') {
          ++p;
          break;
        }
        if (a[p] == '/') {
          if (p + 1 >= n || a[p + 1] != '>') return false;
          p += 2;
          break;
        }
        const size_t iName = p;
        while (p < n && !isSpace(a[p]) && a[p] != '=') {
          if (isOneOf(a[p], "<>/\"'")) return false;
          ++p;
        }
        if (p == iName) return false;
        while (p < n && isSpace(a[p])) ++p;
        if (p >= n || a[p] != '=') return false;
        ++p;
        while (p < n && isSpace(a[p])) ++p;
        if (p >= n || (a[p] != '"' && a[p] != '\'')) return false;
        const u32 iQuote = a[p++];
        while (p < n && a[p] != iQuote) ++p;
        if (p >= n) return false;
        ++p;
      }
    }
  }
}

}  // namespace

bool CRurIvaXmlCheck::isComplete(const void* pBytes, u32 iSize, EReader eReader) {
  if (!pBytes && iSize) return false;
  const CReaderText cText(static_cast<const u8*>(pBytes), iSize,
                          eReader == eNarrowReader ? sizeof(c8) : sizeof(wchar_t));
  return cText.valid() && walk(cText);
}

bool CRurIvaXmlCheck::isComplete(io::IReadFile* pFile, EReader eReader) {
  if (!pFile || !pFile->seek(0)) return false;
  // The size is not trusted with memory: the engine opens a folder as a file of the largest size
  // there is, of which nothing can be read. The bytes are read in pieces, so such a file fails on
  // its first piece; one the engine's read (a 32-bit count) cannot read whole fails as before.
  const long iSize = pFile->getSize();
  if (iSize < 0 || iSize > 0x7FFFFFFF) return false;
  constexpr size_t kPiece = 1 << 16;
  std::vector<u8> aBytes;
  bool bRead = true;
  while (bRead && aBytes.size() < static_cast<size_t>(iSize)) {
    const size_t iAt = aBytes.size(), iWant = std::min(kPiece, static_cast<size_t>(iSize) - iAt);
    aBytes.resize(iAt + iWant);
    bRead = pFile->read(aBytes.data() + iAt, static_cast<u32>(iWant)) == static_cast<s32>(iWant);
  }
  pFile->seek(0);
  return bRead && isComplete(aBytes.data(), static_cast<u32>(aBytes.size()), eReader);
}

bool CRurIvaXmlCheck::namesSomethingButAFile(io::IFileSystem* pFileSystem, const io::path& sName) {
  if (!pFileSystem || sName.empty()) return false;
  std::error_code e;
  const std::filesystem::file_status s =
      std::filesystem::status(pFileSystem->getAbsolutePath(sName).c_str(), e);
  return std::filesystem::exists(s) && !std::filesystem::is_regular_file(s);
}

}  // namespace ode
}  // namespace irr
