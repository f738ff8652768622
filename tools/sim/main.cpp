// varrik-sim: runs the demo scene, or any scene file with physics nodes, without a window.
//
// The physics advances by a simulated clock (a fixed number of frames per second of simulated
// time, as fast as the machine allows), and the run is printed as CSV: the chassis of the demo
// car, or every body of a scene file, followed by a one-line summary.
//
// A run can be recorded (--record: its events, frame by frame, in the layer's byte messages) and
// replayed (--replay: the same scene is built, the physics is not stepped, and the recorded
// body-moved events move the bodies), which prints the same CSV as the recorded run.
//
// Exit codes: 0 the run ended with finite values, 1 the engine, the scene file, the saved scene,
// the recording's file or standard output failed, 2 the command line or the recording to replay
// was refused, 3 not-a-number values appeared.

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <irrlicht.h>
#include <unistd.h>

#include "CEventRecorder.h"
#include "CRecording.h"
#include "CRurIvaBody.h"
#include "CRurIvaEventBodyMoved.h"
#include "CRurIvaEventQueue.h"
#include "CRurIvaManager.h"
#include "CRurIvaSceneNodeFactory.h"
#include "CRurIvaWholeFile.h"
#include "CRurIvaWorld.h"
#include "CSerializer.h"
#include "DemoScene.h"
#include "StateHash.h"

using namespace irr;
using namespace irr::ode;
namespace demo = varrik::demo;
using varrik::sim::CEventRecorder;
using varrik::sim::CRecording;
using varrik::sim::kMaxFps;
using varrik::sim::kMaxSeconds;
using varrik::sim::SRecordingInfo;

namespace {

const int kExitFailed = 1;
const int kExitUsage = 2;
const int kExitNotFinite = 3;

struct SOptions {
  double fSeconds = 20.0;
  int iFps = 60;
  int iEvery = 6;
  std::string sScene;
  std::string sSave;
  std::string sFolder = ".";
  std::string sRecord;
  std::string sReplay;
  bool bHash = false;
};

//! Accepts a decimal whole number in [iMin, iMax] and hands it on in plain digits: the
//! parser's own conversion would read a leading 0 as octal ("010" as 8).
CLI::Validator wholeNumberIn(long long iMin, long long iMax) {
  return CLI::Validator(
      [iMin, iMax](std::string& sValue) -> std::string {
        errno = 0;
        char* pEnd = nullptr;
        const long long iValue = std::strtoll(sValue.c_str(), &pEnd, 10);
        if (sValue.empty() || *pEnd != '\0' || errno == ERANGE)
          return "\"" + sValue + "\" is not a whole number";
        if (iValue < iMin || iValue > iMax)
          return sValue + " is out of range (" + std::to_string(iMin) + " to " + std::to_string(iMax) + ")";
        sValue = std::to_string(iValue);
        return std::string();
      },
      std::string());
}

//! Accepts a finite decimal number in [fMin, fMax]; "nan", "inf" and hexadecimal are refused.
CLI::Validator finiteNumberIn(long long iMin, long long iMax) {
  return CLI::Validator(
      [iMin, iMax](std::string& sValue) -> std::string {
        char* pEnd = nullptr;
        const double fValue = std::strtod(sValue.c_str(), &pEnd);
        if (sValue.empty() || *pEnd != '\0' || !std::isfinite(fValue) ||
            sValue.find_first_of("xX") != std::string::npos)
          return "\"" + sValue + "\" is not a finite number";
        if (fValue < static_cast<double>(iMin) || fValue > static_cast<double>(iMax))
          return sValue + " is out of range (" + std::to_string(iMin) + " to " + std::to_string(iMax) + ")";
        return std::string();
      },
      std::string());
}

//! Reads the command line into o. False when the program is to end at once with iExit: after
//! the help text (0), or after a refused command line (2, with the reason on standard error and
//! nothing on standard output).
bool parseOptions(int argc, char** argv, SOptions& o, int& iExit) {
  CLI::App cApp(
      "Runs the demo scene, or a scene file with physics nodes, without a window and prints "
      "the run as CSV (time, position, rotation, speed) followed by a one-line summary.",
      "varrik-sim");
  CLI::Option* pSeconds =
      cApp.add_option("--seconds", o.fSeconds, "simulated time to run, 0 to " + std::to_string(kMaxSeconds))
          ->type_name("S")
          ->transform(finiteNumberIn(0, kMaxSeconds))
          ->capture_default_str();
  CLI::Option* pFps =
      cApp.add_option("--fps", o.iFps, "simulated frames per second, 1 to " + std::to_string(kMaxFps))
          ->type_name("N")
          ->transform(wholeNumberIn(1, kMaxFps))
          ->capture_default_str();
  CLI::Option* pEvery = cApp.add_option("--every", o.iEvery, "print every K-th frame and the last, K >= 1")
                            ->type_name("K")
                            ->transform(wholeNumberIn(1, std::numeric_limits<int>::max()))
                            ->capture_default_str();
  CLI::Option* pScene =
      cApp.add_option("--scene", o.sScene, "simulate this scene file instead of the demo scene")
          ->type_name("FILE");
  CLI::Option* pSave =
      cApp.add_option("--save", o.sSave, "save the demo scene to FILE before its physics starts")
          ->type_name("FILE")
          ->excludes(pScene);
  CLI::Option* pRecord =
      cApp.add_option("--record", o.sRecord, "write the run's events to FILE, frame by frame")
          ->type_name("FILE");
  CLI::Option* pReplay =
      cApp.add_option(
              "--replay", o.sReplay,
              "replay a recording (with the --scene it was made from) without stepping the physics; the "
              "settings of the run come from the recording")
          ->type_name("FILE")
          ->check(CLI::Validator(CLI::ExistingFile).description(""))
          ->excludes(pRecord)
          ->excludes(pSave)
          ->excludes(pSeconds)
          ->excludes(pFps)
          ->excludes(pEvery);
  cApp.add_option("--dir", o.sFolder, "folder that holds the data/ folder (default: the current folder)")
      ->type_name("DIR")
      ->check(CLI::Validator(CLI::ExistingDirectory).description(""));
  cApp.add_flag("--hash", o.bHash,
                "after the run, print \"state hash: \" and 16 hex digits: a hash of every body's state, "
                "equal for runs that ended bit for bit alike")
      // A replay moves the nodes, not the simulated bodies, whose state the hash reads.
      ->excludes(pReplay);
  cApp.footer(
      "Exit codes: 0 finished with finite values, 1 the engine, the scene file, the save, the\n"
      "recording's file or standard output failed, 2 the command line or the recording to replay\n"
      "was refused, 3 not-a-number values appeared.");

  try {
    cApp.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help goes to standard output with exit code 0; every refusal to standard error.
    const int iCode = cApp.exit(e);
    iExit = iCode == 0 ? 0 : kExitUsage;
    return false;
  }
  return true;
}

//! While it lives, standard output carries nothing but the CSV: what the engine and the physics
//! layer print goes to standard error, and the CSV is written to csv().
class CCsvOutput {
 public:
  CCsvOutput() : m_pCsv(nullptr), m_iSaved(-1) {
    // Nothing has been written to standard output yet. Line by line, the messages keep their
    // order with the runner's own lines on standard error.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    m_iSaved = dup(STDOUT_FILENO);
    const int iCsv = m_iSaved >= 0 ? dup(m_iSaved) : -1;
    m_pCsv = iCsv >= 0 ? fdopen(iCsv, "w") : nullptr;
    if (!m_pCsv) {
      // Without a second handle on standard output the CSV shares it with the messages.
      if (iCsv >= 0) close(iCsv);
      if (m_iSaved >= 0) close(m_iSaved);
      m_iSaved = -1;
      return;
    }
    dup2(STDERR_FILENO, STDOUT_FILENO);
  }
  ~CCsvOutput() {
    if (m_pCsv) fclose(m_pCsv);
    if (m_iSaved < 0) return;
    fflush(stdout);
    dup2(m_iSaved, STDOUT_FILENO);
    close(m_iSaved);
  }
  CCsvOutput(const CCsvOutput&) = delete;
  CCsvOutput& operator=(const CCsvOutput&) = delete;

  FILE* csv() const { return m_pCsv ? m_pCsv : stdout; }

 private:
  FILE* m_pCsv;
  int m_iSaved;
};

//! What a run holds from start to end.
struct SRun {
  IrrlichtDevice* pDevice = nullptr;
  CRurIvaSceneNodeFactory* pFactory = nullptr;
  demo::DemoScene cScene;
  bool bDemo = true;
  //! The bodies printed: the demo's chassis, or every body of the scene file.
  std::vector<CRurIvaBody*> aBodies;
};

//! What the summary line reports.
struct SResult {
  long long iFrames = 0;
  core::vector3df cStart;
  core::vector3df cEnd;
  f32 fMaxSpeed = 0.0f;
  bool bFinite = true;
};

bool isFinite(const core::vector3df& v) {
  return std::isfinite(v.X) && std::isfinite(v.Y) && std::isfinite(v.Z);
}

//! A body's speed as the simulation last reported it (its body-moved events), which a replay
//! reproduces without stepping.
f32 speedOf(CRurIvaBody* pBody) { return pBody->getNodeLinearVelocity().getLength(); }

/**
 * Messages name nodes by their ids, and the demo's nodes all have id -1: every physics node that
 * shares its id gets one of its own, in registration order from above the highest id seen, so
 * that a recording and its replay, building the same scene, name the same nodes alike.
 */
void giveNodesOwnIds() {
  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  std::map<s32, int> mUses;
  for (CRurIvaSceneNode* pNode : pManager->getRurIvaNodes()) ++mUses[pNode->getID()];
  for (CRurIvaSceneNode* pNode : pManager->getRurIvaNodes()) {
    if (pNode->getID() != -1 && mUses[pNode->getID()] == 1) continue;
    --mUses[pNode->getID()];
    const s32 iId = pManager->takeNodeId();
    pNode->setID(iId);
    ++mUses[iId];
  }
}

//! The bodies a scene file brought, in registration order.
std::vector<CRurIvaBody*> registeredBodies() {
  std::vector<CRurIvaBody*> aBodies;
  for (CRurIvaSceneNode* pNode : CRurIvaManager::getSharedInstance()->getRurIvaNodes())
    if (pNode->getType() == RUR_IVA_BODY_ID) aBodies.push_back(static_cast<CRurIvaBody*>(pNode));
  return aBodies;
}

//! The engine on its null driver, the physics layer on it, and the scene: the demo scene
//! (saved to a file before its physics starts when asked) or the scene file. False after a
//! line on standard error when any of it failed.
bool buildRun(const SOptions& o, SRun& r) {
  // The null driver opens no window; the simulated clock is the engine timer, set by hand.
  SIrrlichtCreationParameters cParams;
  cParams.DriverType = video::EDT_NULL;
  cParams.LoggingLevel = ELL_WARNING;
  r.pDevice = createDeviceEx(cParams);
  if (!r.pDevice) {
    fprintf(stderr, "varrik-sim: the engine could not create its null device\n");
    return false;
  }
  io::IFileSystem* pFiles = r.pDevice->getFileSystem();
  if (!pFiles->changeWorkingDirectoryTo(o.sFolder.c_str())) {
    fprintf(stderr, "varrik-sim: could not change to the folder \"%s\"\n", o.sFolder.c_str());
    return false;
  }
  pFiles->addFileArchive("data/", true, true, io::EFAT_FOLDER);
  scene::ISceneManager* smgr = r.pDevice->getSceneManager();

  r.pFactory = new CRurIvaSceneNodeFactory(smgr);
  demo::installPhysics(r.pDevice, *r.pFactory);

  r.bDemo = o.sScene.empty();
  if (r.bDemo) {
    bool bSaved = true;
    demo::buildDemoScene(smgr, r.cScene, [&] {
      if (o.sSave.empty()) return;
      // Saved whole or not at all: the engine's own file reports a full disk as a success.
      CRurIvaWholeFile* pFile = new CRurIvaWholeFile(o.sSave.c_str());
      bSaved = pFile->isOpen() && smgr->saveScene(pFile) && pFile->commit();
      pFile->drop();
    });
    if (!bSaved) {
      fprintf(stderr, "varrik-sim: could not save the scene to \"%s\"\n", o.sSave.c_str());
      return false;
    }
    if (r.cScene.MyCar.Car_OdeBody) r.aBodies.push_back(r.cScene.MyCar.Car_OdeBody);
  } else {
    if (!CRurIvaManager::getSharedInstance()->loadScene(o.sScene.c_str(), smgr)) {
      fprintf(stderr, "varrik-sim: could not load the scene file \"%s\"\n", o.sScene.c_str());
      return false;
    }
    demo::startLoadedScene();
    r.aBodies = registeredBodies();
  }
  if (r.aBodies.empty()) fprintf(stderr, "varrik-sim: the scene has no body to follow\n");
  return true;
}

void printRow(FILE* pOut, double fTime, const char* sName, CRurIvaBody* pBody) {
  const core::vector3df p = pBody->getPosition();
  const core::vector3df r = pBody->getRotation();
  const f32 fSpeed = speedOf(pBody);
  if (sName)
    fprintf(pOut, "%.3f,%s,%.3f,%.3f,%.3f,%.2f,%.2f,%.2f,%.3f\n", fTime, sName, p.X, p.Y, p.Z, r.X, r.Y, r.Z,
            fSpeed);
  else
    fprintf(pOut, "%.3f,%.3f,%.3f,%.3f,%.2f,%.2f,%.2f,%.3f\n", fTime, p.X, p.Y, p.Z, r.X, r.Y, r.Z, fSpeed);
}

//! Runs the frames and prints the CSV: a header, then the followed bodies at frame 0, every K-th
//! frame and the last frame. fAdvance brings the scene to frame iFrame (a step of the physics
//! on the simulated clock, or the recorded events of that frame).
SResult runFrames(const SOptions& o, const SRun& r, FILE* pOut,
                  const std::function<void(long long)>& fAdvance) {
  SResult res;
  fprintf(pOut,
          r.bDemo ? "time,x,y,z,rot_x,rot_y,rot_z,speed\n" : "time,body,x,y,z,rot_x,rot_y,rot_z,speed\n");
  if (!r.aBodies.empty()) res.cStart = r.aBodies[0]->getPosition();

  res.iFrames = std::llround(o.fSeconds * o.iFps);
  for (long long iFrame = 0; iFrame <= res.iFrames; ++iFrame) {
    const double fTime = static_cast<double>(iFrame) / o.iFps;
    fAdvance(iFrame);
    for (u32 i = 0; i < r.aBodies.size(); ++i) {
      CRurIvaBody* pBody = r.aBodies[i];
      res.bFinite = res.bFinite && isFinite(pBody->getPosition()) && isFinite(pBody->getNodeLinearVelocity());
      res.fMaxSpeed = core::max_(res.fMaxSpeed, speedOf(pBody));
      if (iFrame % o.iEvery != 0 && iFrame != res.iFrames) continue;
      if (r.bDemo) {
        printRow(pOut, fTime, 0, pBody);
      } else {
        c8 sName[64];
        snprintf(sName, sizeof(sName), "%s#%u", pBody->getName()[0] ? pBody->getName() : "body", i);
        printRow(pOut, fTime, sName, pBody);
      }
    }
  }
  if (!r.aBodies.empty()) res.cEnd = r.aBodies[0]->getPosition();
  return res;
}

void printSummary(const SOptions& o, const SRun& r, const SResult& res, FILE* pOut) {
  if (r.aBodies.empty()) return;
  fprintf(pOut,
          "summary: %.2f s simulated in %lld frames; %s moved %.1f units from (%.1f, %.1f, %.1f) to "
          "(%.1f, %.1f, %.1f); top speed %.2f; %s\n",
          o.fSeconds, res.iFrames, r.bDemo ? "chassis" : "first body", (res.cEnd - res.cStart).getLength(),
          res.cStart.X, res.cStart.Y, res.cStart.Z, res.cEnd.X, res.cEnd.Y, res.cEnd.Z, res.fMaxSpeed,
          res.bFinite ? "all values finite" : "NOT-A-NUMBER values appeared");
}

//! The scene goes first, so that every node destroys its dynamics objects while the dynamics
//! library is still open; then the engine, the factory and the library.
void closeRun(SRun& r) {
  if (!r.pDevice) return;
  demo::releaseDemoScene(r.cScene);
  r.pDevice->drop();
  r.pDevice = nullptr;
  if (r.pFactory) {
    r.pFactory->drop();
    r.pFactory = nullptr;
    demo::shutdownPhysics();
  }
}

/**
 * Reads the recording to replay and takes the run's settings from it. False after a line on
 * standard error when it cannot be replayed: cut off, of another version, damaged, or made from
 * another kind of scene than the command line names.
 */
bool readReplay(SOptions& o, CRecording& cRecording) {
  if (!cRecording.read(o.sReplay.c_str())) {
    fprintf(stderr, "varrik-sim: %s\n", cRecording.getError().c_str());
    return false;
  }
  const SRecordingInfo& c = cRecording.getInfo();
  if (c.iSource == varrik::sim::eSourceSceneFile && o.sScene.empty()) {
    fprintf(stderr, "varrik-sim: the recording \"%s\" was made from a scene file: name it with --scene\n",
            o.sReplay.c_str());
    return false;
  }
  if (c.iSource == varrik::sim::eSourceDemo && !o.sScene.empty()) {
    fprintf(stderr, "varrik-sim: the recording \"%s\" was made from the demo scene, not from a scene file\n",
            o.sReplay.c_str());
    return false;
  }
  o.fSeconds = c.fSeconds;
  o.iFps = static_cast<int>(c.iFps);
  o.iEvery = static_cast<int>(c.iEvery);
  return true;
}

/**
 * The recorded body-moved events of every frame, read back against the built scene. False after
 * a line on standard error when a message names no body of this scene: the recording was made
 * from another scene.
 */
bool bodyMovesOf(const CRecording& cRecording, const SRun& r, const char* sFile,
                 std::vector<std::vector<CRurIvaEventBodyMoved*>>& aFrames) {
  scene::ISceneManager* smgr = r.pDevice->getSceneManager();
  aFrames.resize(cRecording.getFrameCount());
  for (size_t i = 0; i < cRecording.getFrameCount(); ++i) {
    for (const CRecording::SMessage& m : cRecording.getFrame(i)) {
      if (m.iCode != eRurIvaEventBodyMoved) continue;
      CSerializer cMessage(cRecording.getBytes(m), m.iSize);
      CRurIvaEventBodyMoved* pEvent = new CRurIvaEventBodyMoved(&cMessage, smgr);
      aFrames[i].push_back(pEvent);
      if (!pEvent->getBody()) {
        fprintf(
            stderr,
            "varrik-sim: the recording \"%s\" moves body %d in frame %zu, which this scene does not have\n",
            sFile, pEvent->getBodyId(), i);
        return false;
      }
    }
  }
  return true;
}

void deleteBodyMoves(std::vector<std::vector<CRurIvaEventBodyMoved*>>& aFrames) {
  for (auto& aFrame : aFrames)
    for (CRurIvaEventBodyMoved* p : aFrame) delete p;
  aFrames.clear();
}

}  // namespace

int main(int argc, char** argv) {
  SOptions o;
  int iExit = 0;
  if (!parseOptions(argc, argv, o, iExit)) return iExit;
  CRecording cRecording;
  if (!o.sReplay.empty() && !readReplay(o, cRecording)) return kExitUsage;

  CCsvOutput cOutput;
  // The recording is opened before the run changes to --dir, like the file it replays.
  CEventRecorder cRecorder;
  if (!o.sRecord.empty()) {
    SRecordingInfo cInfo;
    cInfo.iSource = o.sScene.empty() ? varrik::sim::eSourceDemo : varrik::sim::eSourceSceneFile;
    cInfo.iFps = static_cast<u32>(o.iFps);
    cInfo.iEvery = static_cast<u32>(o.iEvery);
    cInfo.fSeconds = o.fSeconds;
    if (!cRecorder.open(o.sRecord.c_str(), cInfo)) {
      fprintf(stderr, "varrik-sim: could not write the recording \"%s\"\n", o.sRecord.c_str());
      return kExitFailed;
    }
    // Every event from the start: the layer's initialisation and the scene's building are frame 0.
    CRurIvaManager::getSharedInstance()->getQueue()->addEventListener(&cRecorder);
  }

  SRun r;
  if (!buildRun(o, r)) {
    CRurIvaManager::getSharedInstance()->getQueue()->removeEventListener(&cRecorder);
    closeRun(r);
    return kExitFailed;
  }
  if (!o.sRecord.empty() || !o.sReplay.empty()) giveNodesOwnIds();

  std::vector<std::vector<CRurIvaEventBodyMoved*>> aMoves;
  if (!o.sReplay.empty() && !bodyMovesOf(cRecording, r, o.sReplay.c_str(), aMoves)) {
    deleteBodyMoves(aMoves);
    closeRun(r);
    return kExitUsage;
  }

  CRurIvaManager* pManager = CRurIvaManager::getSharedInstance();
  ITimer* pTimer = r.pDevice->getTimer();
  const SResult res = runFrames(o, r, cOutput.csv(), [&](long long iFrame) {
    if (!o.sReplay.empty()) {
      // The bodies move as they did in the recorded frame: the manager applies the events.
      for (CRurIvaEventBodyMoved* pEvent : aMoves[static_cast<size_t>(iFrame)])
        pManager->getQueue()->postEvent(pEvent, false);
      return;
    }
    if (iFrame == 0) return;
    if (!o.sRecord.empty()) cRecorder.beginFrame(static_cast<u32>(iFrame));
    pTimer->setTime(static_cast<u32>(std::llround(static_cast<double>(iFrame) / o.iFps * 1000.0)));
    pManager->step();
  });
  printSummary(o, r, res, cOutput.csv());
  if (o.bHash)
    fprintf(cOutput.csv(), "state hash: %016llx\n",
            static_cast<unsigned long long>(varrik::sim::stateHash()));
  // The CSV is out before the scene and the library are taken down; a CSV that did not reach
  // standard output whole (a full disk, a closed file) fails the run.
  const bool bPrinted = fflush(cOutput.csv()) == 0 && !ferror(cOutput.csv());
  if (!bPrinted) fprintf(stderr, "varrik-sim: could not write the CSV to standard output\n");
  deleteBodyMoves(aMoves);

  bool bRecorded = true;
  if (!o.sRecord.empty()) {
    pManager->getQueue()->removeEventListener(&cRecorder);
    bRecorded = cRecorder.close();
    if (!bRecorded) fprintf(stderr, "varrik-sim: could not write the recording \"%s\"\n", o.sRecord.c_str());
  }
  closeRun(r);
  if (!bRecorded || !bPrinted) return kExitFailed;
  return res.bFinite ? 0 : kExitNotFinite;
}
