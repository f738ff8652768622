#include "IRurIvaEvent.h"

#include "CSerializer.h"

namespace irr {
namespace ode {

IRurIvaEvent::IRurIvaEvent() : m_pSerializer(0), m_pQueue(0) { m_sBuffer[0] = 0; }

IRurIvaEvent::~IRurIvaEvent() { delete m_pSerializer; }

}  // namespace ode
}  // namespace irr
