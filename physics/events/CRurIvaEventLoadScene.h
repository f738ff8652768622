#ifndef C_RUR_IVA_EVENT_LOAD_SCENE_H
#define C_RUR_IVA_EVENT_LOAD_SCENE_H

#include "IRurIvaEvent.h"

namespace irr {
namespace ode {

//! Posted after a scene file has been loaded.
class CRurIvaEventLoadScene : public IRurIvaEvent {
 public:
  //! Longest scene name the byte form carries: the message (code, name, zero) fills 4096 bytes.
  static const u32 MAX_WRITTEN_NAME = 4093;
  //! Longest scene name kept when a message is read.
  static const u32 MAX_READ_NAME = 1023;

  //! A null name gives the empty name.
  explicit CRurIvaEventLoadScene(const c8* sScene);
  //! Copies the values of a load-scene event; any other event gives an empty one.
  explicit CRurIvaEventLoadScene(IRurIvaEvent* pEvent);
  //! A name longer than 1022 characters prints "max bytes exceeded!" and only its first 1023
  //! characters are kept.
  explicit CRurIvaEventLoadScene(CSerializer* pData);

  u16 getType() override { return eRurIvaEventLoadScene; }
  //! A name longer than MAX_WRITTEN_NAME is cut to that length in the message.
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
  bool isObservable() override { return true; }

  const c8* getScene() const { return m_sScene.c_str(); }

 private:
  core::stringc m_sScene;
};

}  // namespace ode
}  // namespace irr

#endif
