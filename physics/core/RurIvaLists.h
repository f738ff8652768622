#ifndef RUR_IVA_LISTS_H
#define RUR_IVA_LISTS_H

#include <unordered_map>
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

/**
 * Where each item of a long list first stands and how often it is listed: appending, finding and
 * removing one item then take no walk of the list, whose nodes lie all over the heap (clearing a
 * level of ten thousand bodies newest first walked the lists for seconds). The list keeps its
 * order and its duplicates, and a removal still takes an item's first entry. Items are found by
 * their TKey pointer (a registry of nodes is asked about any engine node). Every change of the
 * list must go through the index.
 */
template <class T, class TKey = T>
class CListIndex {
 public:
  void append(core::list<T*>& lList, T* pItem) {
    lList.push_back(pItem);
    SEntry& cEntry = m_mEntries[key(pItem)];
    if (cEntry.iCount++ == 0) cEntry.itFirst = lList.getLast();
  }

  //! Removes pItem's first entry; false when it is not listed.
  bool remove(core::list<T*>& lList, const T* pItem) {
    const auto it = m_mEntries.find(key(pItem));
    if (it == m_mEntries.end()) return false;
    SEntry& cEntry = it->second;
    typename core::list<T*>::Iterator itFirst = cEntry.itFirst;
    if (--cEntry.iCount == 0) {
      m_mEntries.erase(it);
    } else {
      // Listed again further on: that entry comes first now.
      typename core::list<T*>::Iterator itNext = itFirst;
      do ++itNext;
      while (*itNext != pItem);
      cEntry.itFirst = itNext;
    }
    lList.erase(itFirst);
    return true;
  }

  bool contains(const TKey* pItem) const { return pItem && m_mEntries.count(pItem) != 0; }

  void clear(core::list<T*>& lList) {
    lList.clear();
    m_mEntries.clear();
  }

 private:
  static const TKey* key(const T* pItem) { return pItem; }

  struct SEntry {
    typename core::list<T*>::Iterator itFirst;
    u32 iCount = 0;
  };
  std::unordered_map<const TKey*, SEntry> m_mEntries;
};

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
