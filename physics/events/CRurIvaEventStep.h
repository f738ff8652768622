#ifndef C_RUR_IVA_EVENT_STEP_H
#define C_RUR_IVA_EVENT_STEP_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Posted after every fixed simulation step. The message carries the step number only.
class CRurIvaEventStep : public IRurIvaEvent {
 public:
  //! The frame number starts at 0; the device sets it after construction.
  explicit CRurIvaEventStep(u32 iStepNo);
  //! Copies the values of a step event; any other event gives an empty one.
  explicit CRurIvaEventStep(IRurIvaEvent* pEvent);
  explicit CRurIvaEventStep(CSerializer* pData);

  u16 getType() override { return eRurIvaEventStep; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;

  u32 getStepNo() const { return m_iStepNo; }
  u32 getFrameNo() const { return m_iFrameNo; }
  void setFrameNo(u32 iFrameNo) { m_iFrameNo = iFrameNo; }

 private:
  u32 m_iStepNo;
  u32 m_iFrameNo;
};

}  // namespace ode
}  // namespace irr

#endif
