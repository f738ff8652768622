#include "IRurIvaEvent.h"

#include <cstring>

#include "CSerializer.h"

namespace irr {
namespace ode {

IRurIvaEvent::IRurIvaEvent() : m_pSerializer(0) { memset(m_sBuffer, 0, sizeof(m_sBuffer)); }

IRurIvaEvent::~IRurIvaEvent() { delete m_pSerializer; }

}  // namespace ode
}  // namespace irr
