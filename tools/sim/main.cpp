// varrik-sim: runs the demo scene, or any scene file with physics nodes, without a window.
//
// The physics advances by a simulated clock (a fixed number of frames per second of simulated
// time, as fast as the machine allows), and the run is printed as CSV: the chassis of the demo
// car, or every body of a scene file, followed by a one-line summary.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <irrlicht.h>
#include <unistd.h>

#include "CRurIvaBody.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWorld.h"
#include "DemoScene.h"

using namespace irr;
using namespace irr::ode;

namespace {

struct SOptions {
  double fSeconds = 20.0;
  int iFps = 60;
  int iEvery = 6;
  std::string sScene;
  std::string sSave;
  std::string sFolder = ".";
};

void printUsage() {
  printf(
      "usage: varrik-sim [options]\n"
      "  --seconds S   simulated time to run (default 20)\n"
      "  --fps N       simulated frames per second (default 60)\n"
      "  --every K     print every K-th frame (default 6)\n"
      "  --scene FILE  load this scene file instead of building the demo scene\n"
      "  --save FILE   save the demo scene to FILE before its physics starts\n"
      "  --dir DIR     folder that holds the data/ folder (default: the current folder)\n");
}

bool parseOptions(int argc, char** argv, SOptions& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string sArg = argv[i];
    const bool bHasValue = i + 1 < argc;
    if (sArg == "--help" || sArg == "-h") {
      printUsage();
      std::exit(0);
    } else if (sArg == "--seconds" && bHasValue) {
      o.fSeconds = std::atof(argv[++i]);
    } else if (sArg == "--fps" && bHasValue) {
      o.iFps = std::atoi(argv[++i]);
    } else if (sArg == "--every" && bHasValue) {
      o.iEvery = std::atoi(argv[++i]);
    } else if (sArg == "--scene" && bHasValue) {
      o.sScene = argv[++i];
    } else if (sArg == "--save" && bHasValue) {
      o.sSave = argv[++i];
    } else if (sArg == "--dir" && bHasValue) {
      o.sFolder = argv[++i];
    } else {
      fprintf(stderr, "varrik-sim: unknown or incomplete option \"%s\"\n", argv[i]);
      printUsage();
      return false;
    }
  }
  if (!(o.fSeconds >= 0.0) || o.iFps <= 0 || o.iEvery <= 0) {
    fprintf(stderr, "varrik-sim: --seconds must be >= 0, --fps and --every > 0\n");
    return false;
  }
  return true;
}

//! While it lives, what the engine and the physics layer print goes to standard error, so that
//! standard output carries nothing but the CSV.
class CMessagesToStderr {
 public:
  CMessagesToStderr() : m_iSaved(-1) {
    fflush(stdout);
    m_iSaved = dup(STDOUT_FILENO);
    if (m_iSaved >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
  }
  ~CMessagesToStderr() { restore(); }
  void restore() {
    if (m_iSaved < 0) return;
    fflush(stdout);
    dup2(m_iSaved, STDOUT_FILENO);
    close(m_iSaved);
    m_iSaved = -1;
  }

 private:
  int m_iSaved;
};

bool isFinite(const core::vector3df& v) {
  return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

//! The bodies a scene file brought, in registration order.
std::vector<CRurIvaBody*> registeredBodies() {
  std::vector<CRurIvaBody*> aBodies;
  for (CRurIvaSceneNode* pNode : CRurIvaManager::getSharedInstance()->getRurIvaNodes())
    if (pNode->getType() == RUR_IVA_BODY_ID) aBodies.push_back(static_cast<CRurIvaBody*>(pNode));
  return aBodies;
}

void printRow(double fTime, const char* sName, CRurIvaBody* pBody) {
  const core::vector3df p = pBody->getPosition();
  const core::vector3df r = pBody->getRotation();
  const f32 fSpeed = pBody->getLinearVelocity().getLength();
  if (sName)
    printf("%.3f,%s,%.3f,%.3f,%.3f,%.2f,%.2f,%.2f,%.3f\n", fTime, sName, p.X, p.Y, p.Z, r.X, r.Y, r.Z,
           fSpeed);
  else
    printf("%.3f,%.3f,%.3f,%.3f,%.2f,%.2f,%.2f,%.3f\n", fTime, p.X, p.Y, p.Z, r.X, r.Y, r.Z, fSpeed);
}

}  // namespace

int main(int argc, char** argv) {
  SOptions o;
  if (!parseOptions(argc, argv, o)) return 2;

  CMessagesToStderr cMessages;
  // The null driver opens no window; the simulated clock is the engine timer, set by hand.
  SIrrlichtCreationParameters cParams;
  cParams.DriverType = video::EDT_NULL;
  cParams.LoggingLevel = ELL_WARNING;
  IrrlichtDevice* device = createDeviceEx(cParams);
  if (!device) {
    fprintf(stderr, "varrik-sim: the engine could not create its null device\n");
    return 1;
  }
  device->getFileSystem()->changeWorkingDirectoryTo(o.sFolder.c_str());
  device->getFileSystem()->addFileArchive("data/", true, true, io::EFAT_FOLDER);
  scene::ISceneManager* smgr = device->getSceneManager();

  CRurIvaSceneNodeFactory cFactory(smgr);
  installPhysics(device, cFactory);
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();

  DemoScene scene;
  const bool bDemo = o.sScene.empty();
  if (bDemo) {
    scene.worldNode = createWorld(smgr);
    createLevel(smgr, scene.worldNode);
    createCar(smgr, scene);
    if (!o.sSave.empty() && !smgr->saveScene(o.sSave.c_str())) {
      fprintf(stderr, "varrik-sim: could not save the scene to \"%s\"\n", o.sSave.c_str());
    }
    startPhysics(scene);
  } else {
    if (!pManager->loadScene(o.sScene.c_str(), smgr)) {
      fprintf(stderr, "varrik-sim: could not load the scene file \"%s\"\n", o.sScene.c_str());
      device->drop();
      shutdownPhysics();
      return 1;
    }
    startLoadedScene();
  }

  std::vector<CRurIvaBody*> aBodies;
  if (bDemo) {
    if (scene.MyCar.Car_OdeBody) aBodies.push_back(scene.MyCar.Car_OdeBody);
  } else {
    aBodies = registeredBodies();
  }
  if (aBodies.empty()) fprintf(stderr, "varrik-sim: the scene has no body to follow\n");

  cMessages.restore();
  printf(bDemo ? "time,x,y,z,rot_x,rot_y,rot_z,speed\n" : "time,body,x,y,z,rot_x,rot_y,rot_z,speed\n");
  const core::vector3df cStart = aBodies.empty() ? core::vector3df() : aBodies[0]->getPosition();
  f32 fMaxSpeed = 0.0f;
  bool bFinite = true;

  ITimer* pTimer = device->getTimer();
  const long iFrames = std::lround(o.fSeconds * o.iFps);
  for (long iFrame = 0; iFrame <= iFrames; ++iFrame) {
    const double fTime = static_cast<double>(iFrame) / o.iFps;
    if (iFrame > 0) {
      pTimer->setTime(static_cast<u32>(std::lround(fTime * 1000.0)));
      pManager->step();
    }
    for (u32 i = 0; i < aBodies.size(); ++i) {
      CRurIvaBody* pBody = aBodies[i];
      bFinite = bFinite && isFinite(pBody->getPosition()) && isFinite(pBody->getLinearVelocity());
      fMaxSpeed = core::max_(fMaxSpeed, pBody->getLinearVelocity().getLength());
      if (iFrame % o.iEvery != 0 && iFrame != iFrames) continue;
      if (bDemo) {
        printRow(fTime, 0, pBody);
      } else {
        c8 sName[64];
        snprintf(sName, sizeof(sName), "%s#%u", pBody->getName()[0] ? pBody->getName() : "body", i);
        printRow(fTime, sName, pBody);
      }
    }
  }

  if (!aBodies.empty()) {
    const core::vector3df cEnd = aBodies[0]->getPosition();
    printf(
        "summary: %.2f s simulated in %ld frames; %s moved %.1f units from (%.1f, %.1f, %.1f) to "
        "(%.1f, %.1f, %.1f); top speed %.2f; %s\n",
        o.fSeconds, iFrames, bDemo ? "chassis" : "first body", (cEnd - cStart).getLength(), cStart.X,
        cStart.Y, cStart.Z, cEnd.X, cEnd.Y, cEnd.Z, fMaxSpeed,
        bFinite ? "all values finite" : "NOT-A-NUMBER values appeared");
  }

  releaseDemoScene(scene);
  device->drop();
  shutdownPhysics();
  return bFinite ? 0 : 3;
}
