#ifndef RUR_IVA_LISTS_H
#define RUR_IVA_LISTS_H

#include <vector>

#include <irrlicht.h>

namespace irr {
namespace ode {

// The plain-pointer lists of the layer (registries, a body's geometries, a world's bodies) are
// engine lists; these are the few operations they all need.

//! Removes the first entry that holds pItem; does nothing when there is none.
template <class T>
void removeFirst(core::list<T*>& lList, const T* pItem) {
  for (auto it = lList.begin(); it != lList.end(); ++it)
    if (*it == pItem) {
      lList.erase(it);
      return;
    }
}

template <class T>
bool contains(const core::list<T*>& lList, const T* pItem) {
  for (const T* p : lList)
    if (p == pItem) return true;
  return false;
}

//! Appends pItem unless it is null or listed already; true if it was appended.
template <class T>
bool appendOnce(core::list<T*>& lList, T* pItem) {
  if (!pItem || contains(lList, pItem)) return false;
  lList.push_back(pItem);
  return true;
}

//! A copy to walk while the walk itself may change the list.
template <class T>
std::vector<T*> snapshot(const core::list<T*>& lList) {
  std::vector<T*> aItems;
  for (T* p : lList) aItems.push_back(p);
  return aItems;
}

/**
 * Starts the nodes of the list as it is now with fStart, each while fStill says it still belongs
 * there. Starting a node posts events (body created, progress) whose listeners may take nodes out
 * of the scene: every node of the walk is held until the walk is over, so none goes under its feet.
 */
template <class T, class FStill, class FStart>
void startEach(const core::list<T*>& lList, FStill fStill, FStart fStart) {
  const std::vector<T*> aItems = snapshot(lList);
  for (T* p : aItems) p->grab();
  for (T* p : aItems)
    if (fStill(p)) fStart(p);
  for (T* p : aItems) p->drop();
}

}  // namespace ode
}  // namespace irr

#endif
