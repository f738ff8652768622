// What the broad-phase test and its fuzz target judge pairs by: the pairs a near callback is
// handed, and every pair the dynamics library's rules let meet, tried one by one.
#ifndef VARRIK_TESTS_PHYSICS_BROAD_PHASE_PAIRS_H
#define VARRIK_TESTS_PHYSICS_BROAD_PHASE_PAIRS_H

#include <ode/ode.h>

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

namespace varrik {
namespace test {

using TPair = std::pair<dGeomID, dGeomID>;

//! A near callback that lists its pairs in a std::vector<TPair>.
inline void recordPair(void* p, dGeomID a, dGeomID b) {
  static_cast<std::vector<TPair>*>(p)->push_back({a, b});
}

//! The pairs without their order (each with its geometries in address order).
inline std::set<TPair> asSet(const std::vector<TPair>& a) {
  std::set<TPair> c;
  for (const TPair& p : a) c.insert(std::minmax(p.first, p.second));
  return c;
}

//! The pairs of the library's rules by trying every two of the geometries that take part: not of
//! one body, category and collide bits that meet, bounds that meet.
inline std::set<TPair> everyPair(const std::vector<dGeomID>& a) {
  std::set<TPair> c;
  for (size_t i = 0; i < a.size(); ++i)
    for (size_t j = i + 1; j < a.size(); ++j) {
      dGeomID g1 = a[i], g2 = a[j];
      if (dGeomGetBody(g1) && dGeomGetBody(g1) == dGeomGetBody(g2)) continue;
      if (!((dGeomGetCategoryBits(g1) & dGeomGetCollideBits(g2)) ||
            (dGeomGetCategoryBits(g2) & dGeomGetCollideBits(g1))))
        continue;
      dReal b1[6], b2[6];
      dGeomGetAABB(g1, b1);
      dGeomGetAABB(g2, b2);
      if (b1[0] > b2[1] || b1[1] < b2[0] || b1[2] > b2[3] || b1[3] < b2[2] || b1[4] > b2[5] || b1[5] < b2[4])
        continue;
      c.insert(std::minmax(g1, g2));
    }
  return c;
}

//! The pairs of aOurs that are in aLibrary too, in the order of aOurs: the library's own list
//! where the two agree on order and aOurs only adds pairs.
inline std::vector<TPair> foundByBoth(const std::vector<TPair>& aOurs, const std::vector<TPair>& aLibrary) {
  const std::set<TPair> cLibrary = asSet(aLibrary);
  std::vector<TPair> a;
  for (const TPair& p : aOurs)
    if (cLibrary.count(std::minmax(p.first, p.second))) a.push_back(p);
  return a;
}

}  // namespace test
}  // namespace varrik

#endif
