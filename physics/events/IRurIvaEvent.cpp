#include "IRurIvaEvent.h"

#include "CSerializer.h"

namespace irr {
namespace ode {

IRurIvaEvent::~IRurIvaEvent() { delete m_pSerializer; }

}  // namespace ode
}  // namespace irr
