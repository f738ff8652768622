#include "IRurIvaEvent.h"

#include "CSerializer.h"

namespace irr {
namespace ode {

void IRurIvaEvent::dropSerializer() {
  delete m_pSerializer;
  m_pSerializer = 0;
}

}  // namespace ode
}  // namespace irr
