#include "IRurIvaEvent.h"

#include "CSerializer.h"

namespace irr {
namespace ode {

void IRurIvaEvent::dropSerializer() {
  delete m_pSerializer;
  m_pSerializer = 0;
}

c8* IRurIvaEvent::textBuffer() {
  if (!m_pText) {
    m_pText = new c8[kTextSize];
    m_pText[0] = 0;
  }
  return m_pText;
}

}  // namespace ode
}  // namespace irr
