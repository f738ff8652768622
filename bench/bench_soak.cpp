// Soak: the demo scene (level and car) simulated for one hour of simulated time, frame by frame at
// 60 frames per simulated second as the program's loop runs it. It reports the steps per second
// over the hour, the resident memory after the first simulated minute and at the end, their
// difference (memory must stay flat once the scene runs: under 1 MB of growth), and whether every
// body's values stayed finite throughout.
//
//   cd build/release && ./bin/physics_bench --benchmark_filter=Soak
//
// (in the build folder, whose data/ holds the generated level and car).
#include <benchmark/benchmark.h>
#include <irrlicht.h>

#include <chrono>
#include <cmath>
#include <cstdio>

#include <unistd.h>

#include "CRurIvaBody.h"
#include "CRurIvaDevice.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "DemoScene.h"

namespace {

using irr::f32;
using irr::u32;
using irr::ode::CRurIvaBody;
using irr::ode::CRurIvaManager;
using irr::ode::CRurIvaSceneNode;

//! Resident memory of this process in MB (from /proc/self/statm), or -1 where it cannot be read.
double residentMegabytes() {
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1.0;
  long iTotal = 0, iResident = 0;
  const int iRead = std::fscanf(f, "%ld %ld", &iTotal, &iResident);
  std::fclose(f);
  if (iRead != 2) return -1.0;
  return static_cast<double>(iResident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

bool finite(const irr::core::vector3df& v) {
  return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

//! Every registered body has a finite position, rotation and velocity.
bool bodiesFinite() {
  for (CRurIvaSceneNode* pNode : CRurIvaManager::getSharedInstance()->getRurIvaNodes()) {
    if (pNode->getType() != irr::ode::RUR_IVA_BODY_ID) continue;
    CRurIvaBody* p = static_cast<CRurIvaBody*>(pNode);
    if (!finite(p->getPosition()) || !finite(p->getRotation()) || !finite(p->getLinearVelocity()) ||
        !finite(p->getAngularVelocity()))
      return false;
  }
  return true;
}

}  // namespace

static void BM_SoakDemoOneHour(benchmark::State& state) {
  const u32 kFps = 60;
  const u32 kFrames = 3600 * kFps;
  for (auto _ : state) {
    irr::SIrrlichtCreationParameters cParams;
    cParams.DriverType = irr::video::EDT_NULL;
    cParams.LoggingLevel = irr::ELL_NONE;
    irr::IrrlichtDevice* pEngine = irr::createDeviceEx(cParams);
    pEngine->getFileSystem()->changeWorkingDirectoryTo(VARRIK_BUILD_DIR);
    pEngine->getFileSystem()->addFileArchive("data/", true, true, irr::io::EFAT_FOLDER);
    irr::ode::CRurIvaSceneNodeFactory* pFactory =
        new irr::ode::CRurIvaSceneNodeFactory(pEngine->getSceneManager());
    varrik::demo::installPhysics(pEngine, *pFactory);
    varrik::demo::DemoScene cScene;
    varrik::demo::buildDemoScene(pEngine->getSceneManager(), cScene);
    if (!cScene.MyCar.Car_OdeBody) {
      state.SkipWithError("the demo has no car: build the varrik-data target");
      break;
    }
    irr::ode::CRurIvaDevice* pDevice =
        dynamic_cast<irr::ode::CRurIvaDevice*>(CRurIvaManager::getSharedInstance()->getOdeDevice());
    const irr::s32 iStepsBefore = pDevice ? pDevice->getStepCounter() : 0;

    double fRssMinute = 0.0;
    bool bFinite = true;
    const auto tStart = std::chrono::steady_clock::now();
    for (u32 iFrame = 1; iFrame <= kFrames; ++iFrame) {
      pEngine->getTimer()->setTime(static_cast<u32>(std::llround(iFrame * 1000.0 / kFps)));
      CRurIvaManager::getSharedInstance()->step();
      if (iFrame % kFps == 0) bFinite = bFinite && bodiesFinite();
      if (iFrame == 60 * kFps) fRssMinute = residentMegabytes();
    }
    const double fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    const double fRssEnd = residentMegabytes();
    const irr::s32 iSteps = (pDevice ? pDevice->getStepCounter() : 0) - iStepsBefore;

    state.counters["steps"] = iSteps;
    state.counters["steps_per_s"] = fSeconds > 0 ? iSteps / fSeconds : 0.0;
    state.counters["rss_1min_MB"] = fRssMinute;
    state.counters["rss_end_MB"] = fRssEnd;
    state.counters["rss_growth_MB"] = fRssEnd - fRssMinute;
    state.counters["finite"] = bFinite ? 1 : 0;

    varrik::demo::releaseDemoScene(cScene);
    pEngine->drop();
    pFactory->drop();
    varrik::demo::shutdownPhysics();
  }
}
BENCHMARK(BM_SoakDemoOneHour)->Iterations(1)->Unit(benchmark::kSecond);
