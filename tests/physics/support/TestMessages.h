// The bytes of event messages, for comparing them with the bytes a test expects.
#ifndef VARRIK_TESTS_PHYSICS_TEST_MESSAGES_H
#define VARRIK_TESTS_PHYSICS_TEST_MESSAGES_H

#include <irrlicht.h>

#include <vector>

#include "CSerializer.h"
#include "IRurIvaEvent.h"

namespace varrik {
namespace test {

//! The bytes a message buffer holds.
inline std::vector<irr::u8> bytesOf(const irr::ode::CSerializer& cData) {
  return std::vector<irr::u8>(cData.getBuffer(), cData.getBuffer() + cData.getSize());
}

//! The message an event writes of itself (none for an event that is never written).
inline std::vector<irr::u8> messageOf(irr::ode::IRurIvaEvent& cEvent) {
  irr::ode::CSerializer* pData = cEvent.serialize();
  return pData ? bytesOf(*pData) : std::vector<irr::u8>();
}

}  // namespace test
}  // namespace varrik

#endif
