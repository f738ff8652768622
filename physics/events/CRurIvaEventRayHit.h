#ifndef C_RUR_IVA_EVENT_RAY_HIT_H
#define C_RUR_IVA_EVENT_RAY_HIT_H

#include "IRurIvaEvent.h"

namespace irr {
namespace scene {
class ISceneManager;
}
namespace ode {

class CRurIvaBody;
class CRurIvaGeom;
class CRurIvaGeomRay;

//! Posted when a ray geometry hits another geometry during collision detection.
class CRurIvaEventRayHit : public IRurIvaEvent {
 public:
  //! pBody is the body of the hit geometry, null when that geometry has none.
  CRurIvaEventRayHit(CRurIvaBody* pBody, CRurIvaGeom* pGeom, CRurIvaGeomRay* pRay, core::vector3df cPosition,
                     f32 fDistance);
  //! Copies the values of a ray-hit event; any other event gives an empty one.
  explicit CRurIvaEventRayHit(IRurIvaEvent* pEvent);
  //! Ray, body and geometry are looked up by their node ids in pSmgr; each is null when there
  //! is no manager or its id names no node of that kind.
  CRurIvaEventRayHit(CSerializer* pData, scene::ISceneManager* pSmgr);

  u16 getType() override { return eRurIvaEventRayHit; }
  //! Ray hits are read from messages but never written: always null.
  CSerializer* serialize() override;
  const c8* toString() override;
  IRurIvaEvent* clone() override;

  CRurIvaBody* getBody() const { return m_pBody; }
  CRurIvaGeom* getGeom() const { return m_pGeom; }
  CRurIvaGeomRay* getRay() const { return m_pRay; }
  const core::vector3df& getPosition() const { return m_cPosition; }
  f32 getDistance() const { return m_fDistance; }

 private:
  CRurIvaBody* m_pBody;
  CRurIvaGeom* m_pGeom;
  CRurIvaGeomRay* m_pRay;
  core::vector3df m_cPosition;
  f32 m_fDistance;
};

}  // namespace ode
}  // namespace irr

#endif
