#ifndef C_RUR_IVA_EVENT_BODY_MOVED_H
#define C_RUR_IVA_EVENT_BODY_MOVED_H

#include "IRurIvaEvent.h"

namespace irr {
namespace scene {
class ISceneManager;
}
namespace ode {

class CRurIvaBody;
class CRurIvaGeom;

// Change flags of a body-moved event: which of its value groups are new.
const u8 siRurIvaEventPosition = 1;
const u8 siRurIvaEventRotation = 2;
const u8 siRurIvaEventLinearVel = 4;
const u8 siRurIvaEventAngularVel = 8;
//! Touched id, collision material and collision point are valid.
const u8 siRurIvaEventBodyTouching = 16;
const u8 siRurIvaEventDamping = 32;

/**
 * Posted for every body that moved in a simulation step; the manager applies the groups whose
 * change flag is set to the body node. Damping values travel as 16-bit fixed point numbers
 * (value * 65000), which is why they come back with a resolution of 1/65000.
 */
class CRurIvaEventBodyMoved : public IRurIvaEvent {
 public:
  //! An empty event (no body, id 0, no flags, all values 0), to be filled with the setters.
  CRurIvaEventBodyMoved();
  /**
   * The new state of pBody. Each flag is set when its value differs from what the body node
   * shows now (tolerance 0.000001 per component); the touching flag when the body touches a
   * geometry and the damping flag when the body's damping changed. A null body gives an event
   * with the given vectors and no flags.
   */
  CRurIvaEventBodyMoved(CRurIvaBody* pBody, const core::vector3df& cPosition,
                        const core::vector3df& cRotation, const core::vector3df& cLinearVelocity,
                        const core::vector3df& cAngularVelocity);
  //! Copies every value of a body-moved event; any other event gives an empty one.
  explicit CRurIvaEventBodyMoved(IRurIvaEvent* pEvent);
  //! Reads the groups the message's flags announce; the body is looked up by its id in pSmgr
  //! (null when there is no manager or the id names no body). The touched geometry is left to
  //! be looked up by its id.
  CRurIvaEventBodyMoved(CSerializer* pData, scene::ISceneManager* pSmgr);

  u16 getType() override { return eRurIvaEventBodyMoved; }
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;
  bool isObservable() override { return true; }

  /**
   * Combines a later event of the same body into this one: each group flagged in pOther is
   * taken from it, then its flags are added to these. The damping values stay. The message
   * built so far is discarded so that serialize() describes the combined event.
   */
  void merge(CRurIvaEventBodyMoved* pOther);

  CRurIvaBody* getBody() const { return m_pBody; }
  //! Also sets the body id (0 for null).
  void setBody(CRurIvaBody* pBody);
  CRurIvaGeom* getTouched() const { return m_pTouched; }
  //! Also sets the touched id (0 for null).
  void setTouched(CRurIvaGeom* pTouched);

  s32 getBodyId() const { return m_iBodyId; }
  void setBodyId(s32 iId) { m_iBodyId = iId; }
  s32 getTouchedId() const { return m_iTouchedId; }
  void setTouchedId(s32 iId) { m_iTouchedId = iId; }
  s32 getCollisionMaterial() const { return m_iCollisionMaterial; }
  void setCollisionMaterial(s32 iMaterial) { m_iCollisionMaterial = iMaterial; }
  u8 getFlags() const { return m_iFlags; }
  void setFlags(u8 iFlags) { m_iFlags = iFlags; }

  //! The fixed point value / 65000.
  f32 getLinearDamping() const;
  f32 getAngularDamping() const;
  //! The fixed point value: the damping given * 65000 truncated toward zero, limited to
  //! 0 .. 65535 (worked out when asked: most events never are).
  u16 getLinearDampingInt() const { return dampingToInt(m_fLinearDamping); }
  u16 getAngularDampingInt() const { return dampingToInt(m_fAngularDamping); }
  void setLinearDamping(f32 fDamping) { m_fLinearDamping = fDamping; }
  void setAngularDamping(f32 fDamping) { m_fAngularDamping = fDamping; }

  const core::vector3df& getPosition() const { return m_cPosition; }
  void setPosition(const core::vector3df& cPos) { m_cPosition = cPos; }
  const core::vector3df& getRotation() const { return m_cRotation; }
  void setRotation(const core::vector3df& cRot) { m_cRotation = cRot; }
  const core::vector3df& getLinearVelocity() const { return m_cLinearVelocity; }
  void setLinearVelocity(const core::vector3df& cVel) { m_cLinearVelocity = cVel; }
  const core::vector3df& getAngularVelocity() const { return m_cAngularVelocity; }
  void setAngularVelocity(const core::vector3df& cVel) { m_cAngularVelocity = cVel; }
  const core::vector3df& getCollisionPoint() const { return m_cCollisionPoint; }
  void setCollisionPoint(const core::vector3df& cPoint) { m_cCollisionPoint = cPoint; }

  //! The fixed point form of a damping value: fDamping * 65000 truncated toward zero and
  //! limited to 0 .. 65535 (NaN gives 0).
  static u16 dampingToInt(f32 fDamping);
  //! A damping value whose fixed point form is iDamping.
  static f32 dampingOfInt(u16 iDamping);

 private:
  void clear();

  CRurIvaBody* m_pBody;
  CRurIvaGeom* m_pTouched;
  s32 m_iBodyId;
  s32 m_iTouchedId;
  s32 m_iCollisionMaterial;
  //! As given; the fixed point form is worked out from them (see getLinearDampingInt).
  f32 m_fAngularDamping;
  f32 m_fLinearDamping;
  u8 m_iFlags;
  core::vector3df m_cPosition;
  core::vector3df m_cRotation;
  core::vector3df m_cLinearVelocity;
  core::vector3df m_cAngularVelocity;
  core::vector3df m_cCollisionPoint;
};

}  // namespace ode
}  // namespace irr

#endif
