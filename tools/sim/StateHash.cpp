#include "StateHash.h"

#include <cstring>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaManager.h"

using namespace irr;
using namespace irr::ode;

namespace varrik {
namespace sim {

namespace {

const std::uint64_t kFnvPrime = 1099511628211ull;

std::uint64_t hashDoubles(std::uint64_t iHash, const f64* pValues, int iCount) {
  for (int i = 0; i < iCount; ++i) {
    std::uint64_t iBits;
    std::memcpy(&iBits, &pValues[i], sizeof(iBits));
    unsigned char aBytes[8];
    for (int k = 0; k < 8; ++k) aBytes[k] = static_cast<unsigned char>(iBits >> (8 * k));
    iHash = fnv1a(iHash, aBytes, sizeof(aBytes));
  }
  return iHash;
}

}  // namespace

std::uint64_t fnv1a(std::uint64_t iHash, const void* pData, std::size_t iSize) {
  const unsigned char* p = static_cast<const unsigned char*>(pData);
  for (std::size_t i = 0; i < iSize; ++i) {
    iHash ^= p[i];
    iHash *= kFnvPrime;
  }
  return iHash;
}

std::uint64_t stateHash() {
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  CRurIvaDevice* pDevice = dynamic_cast<CRurIvaDevice*>(pManager->getOdeDevice());
  std::uint64_t iHash = kFnvOffsetBasis;
  for (CRurIvaSceneNode* pNode : pManager->getRurIvaNodes()) {
    if (pNode->getType() != RUR_IVA_BODY_ID) continue;
    CRurIvaDevice::SBodyState s = CRurIvaDevice::SBodyState();
    if (pDevice) pDevice->bodyGetState(static_cast<CRurIvaBody*>(pNode)->getBodyId(), s);
    iHash = hashDoubles(iHash, s.aPosition, 3);
    iHash = hashDoubles(iHash, s.aQuaternion, 4);
    iHash = hashDoubles(iHash, s.aLinearVelocity, 3);
    iHash = hashDoubles(iHash, s.aAngularVelocity, 3);
  }
  return iHash;
}

}  // namespace sim
}  // namespace varrik
