// A fingerprint of a simulation's state, to tell whether two runs ended bit for bit alike.
#ifndef VARRIK_TOOLS_SIM_STATE_HASH_H
#define VARRIK_TOOLS_SIM_STATE_HASH_H

#include <cstddef>
#include <cstdint>

namespace varrik {
namespace sim {

//! Where a 64-bit FNV-1a hash starts.
const std::uint64_t kFnvOffsetBasis = 14695981039346656037ull;

//! Continues the 64-bit FNV-1a hash iHash over iSize bytes.
std::uint64_t fnv1a(std::uint64_t iHash, const void* pData, std::size_t iSize);

/**
 * The 64-bit FNV-1a hash of every body registered with the physics manager, in the order the
 * bodies were registered: for each, the bit patterns (least significant byte first) of the
 * dynamics library's position, rotation quaternion (w, x, y, z), linear and angular velocity, 13
 * doubles. A body without a dynamics object counts as 13 zeros. The same set-up stepped the same
 * way gives the same hash; any change of any bit gives another.
 */
std::uint64_t stateHash();

}  // namespace sim
}  // namespace varrik

#endif
