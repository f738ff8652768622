// The README's usage example run on the null driver: a ball dropped from 10 units onto a plane,
// stepped for about 3 simulated seconds by setting the engine clock by hand. Exits 0 only if the
// ball comes to rest on the plane at its radius and a listener saw it touch the plane. Every line
// of the README's two examples (the scene, the events) appears here unchanged and in the same
// order, so the examples stay a program that builds and works.
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "CRurIvaBody.h"
#include "CRurIvaGeomSphere.h"
#include "CRurIvaGeomPlane.h"

#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventQueue.h"
#include "IRurIvaEventListener.h"

#include <cmath>
#include <cstdio>

using namespace irr;
using namespace irr::ode;

// Counts the steps in which the ball touches the ground.
class CBallWatcher : public IRurIvaEventListener {
 public:
  CBallWatcher(CRurIvaBody* ball, CRurIvaGeom* ground) : m_ball(ball), m_ground(ground) {}
  bool handlesEvent(IRurIvaEvent* event) override { return event->getType() == eRurIvaEventBodyMoved; }
  bool onEvent(IRurIvaEvent* event) override {
    CRurIvaEventBodyMoved* moved = static_cast<CRurIvaEventBodyMoved*>(event);
    if (moved->getBody() != m_ball) return false;
    if ((moved->getFlags() & siRurIvaEventBodyTouching) && moved->getTouched() == m_ground) ++m_stepsOnGround;
    return true;
  }
  int m_stepsOnGround = 0;

 private:
  CRurIvaBody* m_ball;
  CRurIvaGeom* m_ground;
};

int main() {
  IrrlichtDevice* device = createDevice(video::EDT_NULL);
  if (!device) {
    printf("consumer: the engine made no null device\n");
    return 2;
  }
  video::IVideoDriver* driver = device->getVideoDriver();
  scene::ISceneManager* smgr = device->getSceneManager();

  CRurIvaSceneNodeFactory factory(smgr);  // physics nodes by type name, also for scene files
  smgr->registerSceneNodeFactory(&factory);
  CRurIvaManager* physics = CRurIvaManager::getSharedInstance();
  physics->install(device);  // scene manager and timer
  physics->initODE();

  CRurIvaWorld* world = new CRurIvaWorld(smgr->getRootSceneNode(), smgr);
  CRurIvaGeomPlane* ground = new CRurIvaGeomPlane(world, smgr);  // y = 0, facing up
  CRurIvaBody* ball = new CRurIvaBody(world, smgr, -1, core::vector3df(0, 10, 0));
  scene::ISceneNode* mesh = smgr->addSphereSceneNode(1.0f, 16, ball);
  CRurIvaGeomSphere* shape = new CRurIvaGeomSphere(mesh, smgr);  // radius taken from the mesh
  world->initPhysics();  // creates the dynamics objects of the subtree

  CBallWatcher watcher(ball, ground);
  physics->getQueue()->addEventListener(&watcher);
  // ... physics->step() in the game's loop ...

  // The engine clock stands still and moves on by one 16 ms frame per pass.
  ITimer* timer = device->getTimer();
  timer->stop();
  timer->setTime(0);
  while (device->run()) {
    driver->beginScene(true, true, video::SColor(255, 100, 100, 100));
    smgr->drawAll();
    driver->endScene();
    physics->step();  // elapsed time in fixed 0.016 s steps
    if (timer->getTime() >= 3000) break;
    timer->setTime(timer->getTime() + 16);
  }

  const core::vector3df where = ball->getPosition();
  const f32 speed = ball->getLinearVelocity().getLength();
  const f32 radius = shape->getRadius();
  const bool resting = std::fabs(radius - 1.0f) < 1e-3f && std::fabs(where.Y - radius) < 0.05f &&
                       std::fabs(where.X) < 1e-3f && std::fabs(where.Z) < 1e-3f && speed < 0.05f;
  printf("consumer: after %.3f s the ball (radius %.3f) is at (%.3f, %.3f, %.3f), speed %.4f: %s\n",
         timer->getTime() / 1000.0, radius, where.X, where.Y, where.Z, speed,
         resting ? "at rest on the plane" : "NOT at rest on the plane");
  // It falls for about 1.4 s (10 units less its radius) and lies on the plane from then on.
  const bool seen = watcher.m_stepsOnGround > 50;
  printf("consumer: the listener saw the ball on the ground in %d steps: %s\n", watcher.m_stepsOnGround,
         seen ? "seen touching" : "NOT seen touching");
  physics->getQueue()->removeEventListener(&watcher);  // before the watcher goes

  shape->drop();  // the scene holds the nodes from here on
  ball->drop();
  ground->drop();
  world->drop();
  device->drop();
  physics->closeODE();
  physics->uninstall();
  return resting && seen ? 0 : 1;
}
