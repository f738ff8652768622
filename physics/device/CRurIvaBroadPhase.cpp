#include "CRurIvaBroadPhase.h"

#include <ode/ode.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <type_traits>

static_assert(std::is_same<dReal, double>::value, "the broad phase keeps the library's bounds as doubles");

namespace irr {
namespace ode {

namespace {

// The library leaves a geometry of no size out of every space's pairs; these four kinds are the
// ones whose size can be zero (a capsule of no length is still a sphere).
bool zeroSized(dGeomID g) {
  switch (dGeomGetClass(g)) {
    case dBoxClass: {
      dVector3 l;
      dGeomBoxGetLengths(g, l);
      return l[0] == 0 || l[1] == 0 || l[2] == 0;
    }
    case dSphereClass:
      return dGeomSphereGetRadius(g) == 0;
    case dCapsuleClass: {
      dReal r, l;
      dGeomCapsuleGetParams(g, &r, &l);
      return r == 0;
    }
    case dCylinderClass: {
      dReal r, l;
      dGeomCylinderGetParams(g, &r, &l);
      return r == 0 || l == 0;
    }
    default:
      return false;
  }
}

// The level whose cells are just larger than the box's largest side (INT_MAX for an unbounded
// box), worked out as the library does.
int levelOf(const double* b) {
  if (b[0] <= -dInfinity || b[1] >= dInfinity || b[2] <= -dInfinity || b[3] >= dInfinity ||
      b[4] <= -dInfinity || b[5] >= dInfinity)
    return INT_MAX;
  double q = b[1] - b[0];
  if (b[3] - b[2] > q) q = b[3] - b[2];
  if (b[5] - b[4] > q) q = b[5] - b[4];
  int iLevel = 0;
  std::frexp(q, &iLevel);
  return iLevel;
}

// The box's cells at a level; false where a cell number is no int (the library aborts there).
bool cellsAt(const double* b, int iLevel, int* aCells) {
  const double fRecip = 1.0 / std::ldexp(1.0, iLevel);
  for (int i = 0; i < 6; ++i) {
    const double f = b[i] * fRecip;
    if (!(f >= static_cast<double>(INT_MIN) && f < static_cast<double>(INT_MAX))) return false;
    aCells[i] = static_cast<int>(std::floor(f));
  }
  return true;
}

// A cell of a coarser level by shifting, as the library does (a floor division by a power of two).
int coarser(int iCell, int iSteps) { return iCell >> std::min(iSteps, 31); }

uint64_t hashOf(int iLevel, int x, int y, int z) {
  uint64_t h = static_cast<uint32_t>(x) * 0x9E3779B97F4A7C15ull;
  h ^= static_cast<uint32_t>(y) * 0xC2B2AE3D27D4EB4Full;
  h ^= static_cast<uint32_t>(z) * 0x165667B19E3779F9ull;
  h ^= static_cast<uint32_t>(iLevel) * 0x27D4EB2F165667C5ull;
  return h ^ (h >> 31);
}

// The library files a cell under the bucket of the cell's number, an unsigned long,
// (level * 1000 + x * 100 + y * 10 + z), walking up z from the first cell of a box's range. Where
// that number wraps to 0 within the walk (at the cell whose number is 0, walked from the cell
// below), the cell is filed under another bucket: a box whose walk wraps there and one whose walk
// starts there do not find each other in that cell.
bool wrapsInWalk(int iLevel, int x, int y, int z, int iFirstZ) {
  if (iFirstZ != z - 1) return false;
  const unsigned long iNumber = static_cast<unsigned int>(iLevel) * 1000ul +
                                static_cast<unsigned int>(x) * 100ul + static_cast<unsigned int>(y) * 10ul +
                                static_cast<unsigned long>(static_cast<long>(z));
  return iNumber == 0;
}

}  // namespace

CRurIvaBroadPhase::SSlot* CRurIvaBroadPhase::slotOf(int iLevel, int x, int y, int z, bool bCreate) {
  const size_t iMask = m_aSlots.size() - 1;
  for (size_t i = hashOf(iLevel, x, y, z) & iMask;; i = (i + 1) & iMask) {
    SSlot& s = m_aSlots[i];
    if (s.iStamp != m_iStamp) {
      if (!bCreate) return nullptr;
      s = SSlot{m_iStamp, iLevel, x, y, z, -1};
      return &s;
    }
    if (s.x == x && s.y == y && s.z == z && s.iLevel == iLevel) return &s;
  }
}

void CRurIvaBroadPhase::fillCells() {
  size_t iNodes = 0;
  for (const SBox& b : m_aHashed)
    iNodes += static_cast<size_t>(b.aCells[1] - b.aCells[0] + 1) * (b.aCells[3] - b.aCells[2] + 1) *
              (b.aCells[5] - b.aCells[4] + 1);
  // At most half the slots in use keeps the probes short.
  size_t iSlots = 16;
  while (iSlots < 2 * iNodes) iSlots *= 2;
  if (m_aSlots.size() < iSlots) {
    m_aSlots.assign(iSlots, SSlot{0, 0, 0, 0, 0, -1});
    m_iStamp = 0;
  }
  if (++m_iStamp == 0) {
    for (SSlot& s : m_aSlots) s.iStamp = 0;
    m_iStamp = 1;
  }
  m_aNodes.clear();
  // Boxes go in in their order, each cell's nodes are met last one first: the order in which the
  // library's hash table lists a cell.
  for (size_t i = 0; i < m_aHashed.size(); ++i) {
    const SBox& b = m_aHashed[i];
    for (int x = b.aCells[0]; x <= b.aCells[1]; ++x)
      for (int y = b.aCells[2]; y <= b.aCells[3]; ++y)
        for (int z = b.aCells[4]; z <= b.aCells[5]; ++z) {
          SSlot* s = slotOf(b.iLevel, x, y, z, true);
          m_aNodes.push_back(SNode{static_cast<int>(i), s->iHead});
          s->iHead = static_cast<int>(m_aNodes.size() - 1);
        }
  }
}

inline void CRurIvaBroadPhase::pairBoxes(const SBox& a, const SBox& b, void* pData,
                                         dNearCallback* fCallback) {
  if (a.pBody == b.pBody && a.pBody) return;
  if (((a.iCategory & b.iCollide) || (b.iCategory & a.iCollide)) == 0) return;
  const double* b1 = a.aBounds;
  const double* b2 = b.aBounds;
  if (b1[0] > b2[1] || b1[1] < b2[0] || b1[2] > b2[3] || b1[3] < b2[2] || b1[4] > b2[5] || b1[5] < b2[4])
    return;
  fCallback(pData, a.pGeom, b.pGeom);
}

void CRurIvaBroadPhase::meetingCell(const int* c, const SBox& b, int iLevel, int* m) {
  m[0] = std::max(c[0], b.aCells[0]);
  m[1] = std::max(c[2], b.aCells[2]);
  m[2] = std::max(c[4], b.aCells[4]);
  // Only a cell numbered 0 (level, x and y from 0 up, z at most 0) hides one from the other.
  const int iLastX = std::min(c[1], b.aCells[1]), iLastY = std::min(c[3], b.aCells[3]),
            iLastZ = std::min(c[5], b.aCells[5]);
  if (iLevel < 0 || iLastX < 0 || iLastY < 0 || m[2] > 0) return;
  for (int x = m[0]; x <= iLastX; ++x)
    for (int y = m[1]; y <= iLastY; ++y)
      for (int z = m[2]; z <= iLastZ; ++z)
        if (wrapsInWalk(iLevel, x, y, z, c[4]) == wrapsInWalk(iLevel, x, y, z, b.aCells[4])) {
          m[0] = x;
          m[1] = y;
          m[2] = z;
          return;
        }
  // Hidden in every cell both cover: the library loses the pair; it is handed on in the first.
}

// The library walks every box's cells at its own level and every coarser one, and hands on a pair
// the first time it meets it. A pair is met first by the box at the finer level (of two at one
// level, by the one that comes first), in the first cell the two share where the library's bucket
// numbers do not hide one from the other (see meetingCell); that is where it is handed on here,
// so no table of the pairs met is needed.
void CRurIvaBroadPhase::pairInCells(size_t iBox, void* pData, dNearCallback* fCallback) {
  const SBox& a = m_aHashed[iBox];
  const int iBoxIndex = static_cast<int>(iBox);
  for (auto it = std::lower_bound(m_aLevels.begin(), m_aLevels.end(), a.iLevel); it != m_aLevels.end();
       ++it) {
    const int iLevel = *it, iSteps = iLevel - a.iLevel;
    int c[6];
    for (int i = 0; i < 6; ++i) c[i] = coarser(a.aCells[i], iSteps);
    for (int x = c[0]; x <= c[1]; ++x)
      for (int y = c[2]; y <= c[3]; ++y)
        for (int z = c[4]; z <= c[5]; ++z) {
          const SSlot* s = slotOf(iLevel, x, y, z, false);
          if (!s) continue;
          for (int n = s->iHead; n != -1; n = m_aNodes[n].iNext) {
            const int iOther = m_aNodes[n].iBox;
            // A box at the same level that comes first has met this one already.
            if (iSteps == 0 && iOther <= iBoxIndex) continue;
            const SBox& b = m_aHashed[iOther];
            // Only walks that start one cell apart, at a cell numbered 0 or below, can hide the
            // boxes from each other (see meetingCell); otherwise they meet in the first cell both cover.
            const int iFirstZ = b.aCells[4];
            if (iLevel >= 0 && (c[4] - iFirstZ == 1 || iFirstZ - c[4] == 1) && std::max(c[4], iFirstZ) <= 0) {
              int m[3];
              meetingCell(c, b, iLevel, m);
              if (x != m[0] || y != m[1] || z != m[2]) continue;
            } else if (x != std::max(c[0], b.aCells[0]) || y != std::max(c[2], b.aCells[2]) ||
                       z != std::max(c[4], iFirstZ)) {
              continue;
            }
            pairBoxes(a, b, pData, fCallback);
          }
        }
  }
}

void CRurIvaBroadPhase::collide(dSpaceID pSpace, void* pData, dNearCallback* fCallback) {
  if (m_bBusy || dSpaceGetClass(pSpace) != dHashSpaceClass) {
    dSpaceCollide(pSpace, pData, fCallback);
    return;
  }
  const int n = dSpaceGetNumGeoms(pSpace);
  if (n < 2) return;
  m_bBusy = true;
  dSpaceClean(pSpace);
  int iMinLevel = 0, iMaxLevel = 0;
  dHashSpaceGetLevels(pSpace, &iMinLevel, &iMaxLevel);

  m_aHashed.clear();
  m_aBig.clear();
  m_aLevels.clear();
  for (int i = 0; i < n; ++i) {
    dGeomID g = dSpaceGetGeom(pSpace, i);
    if (!g || !dGeomIsEnabled(g) || zeroSized(g)) continue;
    SBox b;
    b.pGeom = g;
    b.pBody = dGeomGetBody(g);
    b.iCategory = dGeomGetCategoryBits(g);
    b.iCollide = dGeomGetCollideBits(g);
    dGeomGetAABB(g, b.aBounds);
    b.iLevel = std::max(levelOf(b.aBounds), iMinLevel);
    if (b.iLevel <= iMaxLevel && cellsAt(b.aBounds, b.iLevel, b.aCells)) {
      m_aHashed.push_back(b);
      if (std::find(m_aLevels.begin(), m_aLevels.end(), b.iLevel) == m_aLevels.end())
        m_aLevels.push_back(b.iLevel);
    } else {
      m_aBig.push_back(b);
    }
  }
  std::sort(m_aLevels.begin(), m_aLevels.end());

  fillCells();
  for (size_t i = 0; i < m_aHashed.size(); ++i) pairInCells(i, pData, fCallback);
  for (const SBox& a : m_aHashed)
    for (const SBox& b : m_aBig) pairBoxes(a, b, pData, fCallback);
  for (size_t i = 0; i < m_aBig.size(); ++i)
    for (size_t j = i + 1; j < m_aBig.size(); ++j) pairBoxes(m_aBig[i], m_aBig[j], pData, fCallback);
  m_bBusy = false;
}

}  // namespace ode
}  // namespace irr
