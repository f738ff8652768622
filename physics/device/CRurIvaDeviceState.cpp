#include "CRurIvaDevice.h"

#include <algorithm>

#include "RurIvaDeviceInternal.h"

// The full-precision state of a body, for whoever needs more than the layer's single-precision
// view: comparing two runs bit for bit, for one.

namespace irr {
namespace ode {

bool CRurIvaDevice::bodyGetState(u32 iBody, SBodyState& cState) const {
  cState = SBodyState();
  const COdeDataWrapper* r = live(iBody, eKindBody);
  if (!r) return false;
  const dReal* p = dBodyGetPosition(r->m_pBody);
  const dReal* q = dBodyGetQuaternion(r->m_pBody);
  const dReal* v = dBodyGetLinearVel(r->m_pBody);
  const dReal* w = dBodyGetAngularVel(r->m_pBody);
  std::copy(p, p + 3, cState.aPosition);
  std::copy(q, q + 4, cState.aQuaternion);
  std::copy(v, v + 3, cState.aLinearVelocity);
  std::copy(w, w + 3, cState.aAngularVelocity);
  return true;
}

}  // namespace ode
}  // namespace irr
