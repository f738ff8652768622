#include "CRurIvaXmlCheck.h"

#include <cstring>
#include <vector>

namespace irr {
namespace ode {

namespace {

// The reader's text: the file's bytes and four zero bytes after them. A byte order mark
// (compared as the reader does, by reading the first bytes as a number of the machine) selects
// the width of the code units; without one the bytes are the units.
struct SSource {
  size_t iUnit;
  size_t iOffset;
  size_t iCount;
  bool bSwap;
};

u32 unitAt(const std::vector<u8>& a, size_t iOffset, size_t iUnit) {
  if (iUnit == 1) return a[iOffset];
  if (iUnit == 2) {
    u16 v;
    std::memcpy(&v, &a[iOffset], 2);
    return v;
  }
  u32 v;
  std::memcpy(&v, &a[iOffset], 4);
  return v;
}

u32 swapped(u32 v, size_t iUnit) {
  if (iUnit == 2) return ((v & 0xFFu) << 8) | ((v >> 8) & 0xFFu);
  return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
}

SSource sourceOf(const std::vector<u8>& a) {
  const size_t iSize = a.size();
  const u32 i32 = unitAt(a, 0, 4);
  const u32 i16 = unitAt(a, 0, 2);
  if (i32 == 0xFFFE0000u) return {4, 4, iSize / 4 - 1, true};
  if (i32 == 0x0000FEFFu) return {4, 4, iSize / 4 - 1, false};
  if (i16 == 0xFFFEu) return {2, 2, iSize / 2 - 1, true};
  if (i16 == 0xFEFFu) return {2, 2, iSize / 2 - 1, false};
  if (a[0] == 0xEF && a[1] == 0xBB && a[2] == 0xBF) return {1, 3, iSize - 3, false};
  return {1, 0, iSize, false};
}

/**
 * The code units the reader parses, each cut to the reader's width as its conversion does.
 * False when the conversion itself would read past the text: the reader turns big-endian units
 * around up to the first zero unit, without a bound, and a UTF-32 file whose size is no
 * multiple of four may have none.
 */
bool readerUnits(const u8* pBytes, size_t iBytes, size_t iWidth, std::vector<u32>& aUnits) {
  std::vector<u8> a(pBytes, pBytes + iBytes);
  a.resize(iBytes + 4, 0);
  const SSource s = sourceOf(a);

  size_t iSwapped = 0;
  if (s.bSwap) {
    for (;; ++iSwapped) {
      const size_t iAt = s.iOffset + iSwapped * s.iUnit;
      if (iAt + s.iUnit > a.size()) return false;
      if (unitAt(a, iAt, s.iUnit) == 0) break;
    }
  }

  const u32 iMask = iWidth == 1 ? 0xFFu : (iWidth == 2 ? 0xFFFFu : 0xFFFFFFFFu);
  aUnits.resize(s.iCount);
  for (size_t i = 0; i < s.iCount; ++i) {
    u32 v = unitAt(a, s.iOffset + i * s.iUnit, s.iUnit);
    if (i < iSwapped) v = swapped(v, s.iUnit);
    aUnits[i] = s.iUnit == iWidth ? v : (v & iMask);
  }
  return true;
}

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
bool walk(const std::vector<u32>& a) {
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
        bool bEnd = false;
        for (; p < n && a[p] != 0 && !bEnd; ++p) bEnd = a[p] == '>' && a[p - 1] == ']' && a[p - 2] == ']';
        if (!bEnd) return false;
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
  const size_t iWidth = eReader == eNarrowReader ? sizeof(c8) : sizeof(wchar_t);
  std::vector<u32> aUnits;
  return readerUnits(static_cast<const u8*>(pBytes), iSize, iWidth, aUnits) && walk(aUnits);
}

bool CRurIvaXmlCheck::isComplete(io::IReadFile* pFile, EReader eReader) {
  if (!pFile || pFile->getSize() < 0 || !pFile->seek(0)) return false;
  std::vector<u8> aBytes(static_cast<size_t>(pFile->getSize()));
  const bool bRead = aBytes.empty() || pFile->read(aBytes.data(), static_cast<u32>(aBytes.size())) ==
                                           static_cast<s32>(aBytes.size());
  pFile->seek(0);
  return bRead && isComplete(aBytes.data(), static_cast<u32>(aBytes.size()), eReader);
}

}  // namespace ode
}  // namespace irr
