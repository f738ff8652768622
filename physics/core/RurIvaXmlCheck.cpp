#include "RurIvaXmlCheck.h"

#include <vector>

namespace irr {
namespace ode {

namespace {

bool isSpace(u32 c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

//! The text as the reader's characters: n units from the byte order mark on, each iWidth bytes.
class CUnits {
 public:
  CUnits(const u8* p, size_t iSize) : m_p(p), m_iSize(iSize), m_iStart(0), m_iWidth(1), m_bBig(false) {
    if (iSize >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF) {
      set(4, 4, true);
    } else if (iSize >= 4 && p[0] == 0xFF && p[1] == 0xFE && p[2] == 0 && p[3] == 0) {
      set(4, 4, false);
    } else if (iSize >= 2 && p[0] == 0xFE && p[1] == 0xFF) {
      set(2, 2, true);
    } else if (iSize >= 2 && p[0] == 0xFF && p[1] == 0xFE) {
      set(2, 2, false);
    } else if (iSize >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
      set(3, 1, false);
    }
    // A last unit cut short is filled up with the zeros the reader puts behind the text.
    m_iCount = (iSize - m_iStart + m_iWidth - 1) / m_iWidth;
  }
  size_t size() const { return m_iCount; }
  u32 operator[](size_t i) const {
    u32 c = 0;
    for (u32 k = 0; k < m_iWidth; ++k) {
      const size_t iByte = m_iStart + i * m_iWidth + (m_bBig ? k : m_iWidth - 1 - k);
      c = (c << 8) | (iByte < m_iSize ? m_p[iByte] : 0);
    }
    return c;
  }

 private:
  void set(size_t iStart, u32 iWidth, bool bBig) {
    m_iStart = iStart;
    m_iWidth = iWidth;
    m_bBig = bBig;
  }
  const u8* m_p;
  size_t m_iSize;
  size_t m_iStart;
  u32 m_iWidth;
  bool m_bBig;
  size_t m_iCount;
};

}  // namespace

bool xmlIsSafeToRead(const u8* pBytes, size_t iSize) {
  if (!pBytes) return iSize == 0;
  const CUnits c(pBytes, iSize);
  const size_t n = c.size();
  size_t i = 0;
  // Wherever the reader would look at index n (its terminating zero) and go on, the text is unsafe.
  while (true) {
    // Text up to the next node; the reader stops at a zero.
    while (i < n && c[i] != '<' && c[i] != 0) ++i;
    if (i >= n || c[i] == 0) return true;
    ++i;
    if (i >= n) return false;  // a '<' at the very end is read as a tag without end
    const u32 iKind = c[i];
    if (iKind == '/' || iKind == '?') {
      // A closing tag or a declaration: on to the next '>', wherever it is.
      while (i < n && c[i] != '>') ++i;
      if (i >= n) return false;
      ++i;
    } else if (iKind == '!' && i + 1 < n && c[i + 1] == '[') {
      // Character data, as the reader takes it: eight characters on, then to "]]>"; the
      // reader stops at its zero when either is missing, but "]]>" before the data begins
      // gives it a negative length.
      size_t b = i;
      for (int k = 0; k < 8 && b < n && c[b] != 0; ++k) ++b;
      if (b >= n || c[b] == 0) return true;
      size_t p = b;
      while (p < n && c[p] != 0 && !(c[p] == '>' && c[p - 1] == ']' && c[p - 2] == ']')) ++p;
      if (p >= n || c[p] == 0) return true;
      if (p - 2 < b) return false;
      i = p + 1;
    } else if (iKind == '!') {
      // A comment or definition: to the '>' that balances every '<' inside, at least four
      // characters after the '!' (the reader takes its name from them).
      size_t j = i + 1;
      int iDepth = 1;
      while (iDepth > 0) {
        if (j >= n) return false;
        if (c[j] == '>')
          --iDepth;
        else if (c[j] == '<')
          ++iDepth;
        ++j;
      }
      if (j - 1 < i + 5) return false;
      i = j;
    } else {
      // An element: its name up to a blank or '>', then attributes up to '>' or "/".
      while (i < n && c[i] != '>' && !isSpace(c[i])) ++i;
      while (true) {
        if (i >= n) return false;
        if (c[i] == '>') {
          ++i;
          break;
        }
        if (isSpace(c[i])) {
          ++i;
          continue;
        }
        if (c[i] == '/') {
          if (i + 1 >= n) return false;  // the reader steps over the character after '/'
          i += 2;
          break;
        }
        while (i < n && !isSpace(c[i]) && c[i] != '=') ++i;
        if (i >= n) return false;
        ++i;
        while (i < n && c[i] != '"' && c[i] != '\'' && c[i] != 0) ++i;
        if (i >= n || c[i] == 0) return true;  // a value without quotes: the reader stops
        const u32 iQuote = c[i++];
        while (i < n && c[i] != iQuote && c[i] != 0) ++i;
        if (i >= n || c[i] == 0) return true;
        ++i;
      }
    }
  }
}

bool xmlIsSafeToRead(io::IReadFile* pFile) {
  if (!pFile) return false;
  const long iSize = pFile->getSize();
  if (iSize < 0) return false;
  std::vector<u8> aBytes(static_cast<size_t>(iSize));
  pFile->seek(0);
  const s32 iRead = iSize > 0 ? pFile->read(aBytes.data(), static_cast<u32>(iSize)) : 0;
  pFile->seek(0);
  return iRead == iSize && xmlIsSafeToRead(aBytes.data(), aBytes.size());
}

}  // namespace ode
}  // namespace irr
