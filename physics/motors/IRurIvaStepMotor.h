#ifndef I_RUR_IVA_STEP_MOTOR_H
#define I_RUR_IVA_STEP_MOTOR_H

#include "CRurIvaSceneNode.h"

namespace irr {
namespace ode {

class CRurIvaBody;

/**
 * A motor that acts on its body directly after every fixed physics step (thrust, control
 * torque, aerodynamics). It acts only while active and only as a direct child of its body.
 */
class IRurIvaStepMotor : public CRurIvaSceneNode {
 public:
  IRurIvaStepMotor(scene::ISceneNode* parent, scene::ISceneManager* mgr, s32 id = -1,
                   const core::vector3df& position = core::vector3df(0, 0, 0),
                   const core::vector3df& rotation = core::vector3df(0, 0, 0),
                   const core::vector3df& scale = core::vector3df(1.0f, 1.0f, 1.0f));
  ~IRurIvaStepMotor() override;

  void initPhysics() override;
  void removeFromPhysics() override;
  void serializeAttributes(io::IAttributes* out, io::SAttributeReadWriteOptions* options = 0) const override;
  void deserializeAttributes(io::IAttributes* in, io::SAttributeReadWriteOptions* options = 0) override;

  virtual void step() = 0;
  virtual void setPower(f32 fPower) { m_fPower = fPower; }
  virtual f32 getPower() { return m_fPower; }
  virtual void setMaxPower(f32 fMaxPower) { m_fMaxPower = fMaxPower; }
  virtual f32 getMaxPower() { return m_fMaxPower; }
  virtual void setIsActive(bool bActive) { m_bActive = bActive; }
  virtual bool isActive() { return m_bActive; }

  CRurIvaBody* getBody() const { return m_pBody; }
  //! Called by a body that is being destroyed, so that the motor never acts on it again.
  void detachBody(CRurIvaBody* pBody) {
    if (m_pBody == pBody) m_pBody = 0;
    if (m_pListedBy == pBody) m_pListedBy = 0;
  }

 protected:
  //! A new step motor of class T to become a clone of this one (see prepareClone).
  template <class T>
  T* createClone(scene::ISceneNode* newParent, scene::ISceneManager* newManager) {
    T* pClone = new T(newParent ? newParent : Parent, newManager ? newManager : m_pSceneManager, -1);
    prepareClone(pClone, newParent);
    return pClone;
  }
  //! A clone takes this motor's name and leaves the body its constructor found: until its
  //! initPhysics finds its body again, only a body given as the new parent counts.
  void prepareClone(IRurIvaStepMotor* pClone, scene::ISceneNode* newParent) const;
  //! The common end of a clone, after the class's own fields: power settings, then the subtree.
  void finishClone(IRurIvaStepMotor* pClone, scene::ISceneManager* newManager);

  //! Moves this motor to the step motor list of pBody (none: to no list).
  void listWith(CRurIvaBody* pBody);

  CRurIvaBody* m_pBody;
  f32 m_fPower;
  f32 m_fMaxPower;
  bool m_bActive;

 private:
  //! The body whose step motor list holds this motor: the body acted on, when there is one (a
  //! motor that does not hang from its body directly, or is out of the simulation, acts on none
  //! but stays listed). It tells the motor when it goes (detachBody); the motor tells it.
  CRurIvaBody* m_pListedBy;
};

}  // namespace ode
}  // namespace irr

#endif
