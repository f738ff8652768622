#ifndef C_RUR_IVA_BROAD_PHASE_H
#define C_RUR_IVA_BROAD_PHASE_H

#include <cstddef>
#include <cstdint>
#include <vector>

// The dynamics library's types, declared as the library declares them (see CRurIvaDevice.h).
typedef struct dxSpace* dSpaceID;
typedef struct dxBody* dBodyID;
typedef struct dxGeom* dGeomID;
typedef void dNearCallback(void* data, dGeomID o1, dGeomID o2);

namespace irr {
namespace ode {

/**
 * The broad phase of a hash space: hands every pair of the space's geometries whose bounding
 * boxes meet to a near callback, the pairs the library's own hash space hands it in the same
 * order (so a scene simulates to the same bit either way), but without allocating once its
 * buffers have grown to the scene. The library's hash space allocates one node per cell of every
 * geometry and a bit for every pair of geometries in every pass (10,000 boxes: about 45,000
 * allocations and a table of 12 MB per step). It also hands on the pairs the library's loses: it
 * files a cell under a bucket number that wraps where a geometry's cells cross from -1 to 0, so
 * near the origin some geometries never met (a ball fell through a box there).
 *
 * It follows the library's rules: geometries that are disabled or have no size take no part; a
 * geometry goes into the cells of the level whose cell size (a power of two within the space's
 * levels) is just above its largest side, or, larger than the top level or unbounded, into a list
 * of big ones tested against all others; a pair of one body, or whose category and collide bits
 * do not meet, is not handed on. Where the library would abort (a geometry so far out that its
 * cell number is no int), the geometry counts as a big one instead.
 *
 * Spaces of other kinds, and a pass started from inside the callback, are left to the library.
 */
class CRurIvaBroadPhase {
 public:
  //! Collides the space's geometries pairwise (the library's dSpaceCollide).
  void collide(dSpaceID pSpace, void* pData, dNearCallback* fCallback);

 private:
  struct SBox {
    dGeomID pGeom;
    dBodyID pBody;
    unsigned long iCategory;
    unsigned long iCollide;
    double aBounds[6];
    int iLevel;
    //! The cells the box covers at its level: first and last in x, y and z.
    int aCells[6];
  };
  struct SSlot {
    uint32_t iStamp;
    int iLevel, x, y, z;
    //! The last node put into the cell; each node leads to the one put before it.
    int iHead;
  };
  struct SNode {
    int iBox;
    int iNext;
  };

  //! The slot of a cell, a free one where the cell is new to this pass (bCreate), else null.
  SSlot* slotOf(int iLevel, int x, int y, int z, bool bCreate);
  void fillCells();
  void pairInCells(size_t iBox, void* pData, dNearCallback* fCallback);
  //! The cell (x, y, z) of level iLevel where the library's walk of the cells c (first and last
  //! in x, y, z) first finds box b: the first cell both cover where the library's bucket numbers
  //! hide neither from the other; the first both cover where they hide them everywhere.
  static void meetingCell(const int* c, const SBox& b, int iLevel, int* m);
  //! The library's test of a pair before its callback: not of one body, category and collide
  //! bits that meet, bounds that meet.
  static void pairBoxes(const SBox& a, const SBox& b, void* pData, dNearCallback* fCallback);

  std::vector<SBox> m_aHashed;
  std::vector<SBox> m_aBig;
  //! The levels some box of the pass is at, smallest first.
  std::vector<int> m_aLevels;
  std::vector<SSlot> m_aSlots;
  std::vector<SNode> m_aNodes;
  //! Marks the slots used by this pass (the others are free without clearing the table).
  uint32_t m_iStamp = 0;
  bool m_bBusy = false;
};

}  // namespace ode
}  // namespace irr

#endif
