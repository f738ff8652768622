// The benchmark program: Google Benchmark runs every scene of BenchScenes.cpp on both sides (and
// the layer side on two threads where the scene says so), then one table sums the runs up.
//
// Options besides Google Benchmark's own:
//   --rss_steps=N        after the timings, step the layer side of every scene N times more and
//                        report the growth of the process's resident memory over those steps
//   --rss_filter=NAME    only the scene of that name, or else the scenes whose names contain it
//   --list_scenes        print the scene names, one a line, and nothing else
//   --profile=SCENE/SIDE[:STEPS]
//                        build one side of one scene (SIDE: layer, plain or layer_2threads) and
//                        run STEPS steps (default 100) in profiledSteps() and nothing else; for
//                        valgrind --tool=callgrind --toggle-collect='*profiledSteps*'
//   --compare=STEPS      build both sides of every scene (or of the --rss_filter ones), step each
//                        STEPS times and compare what the two show (IBenchScene::check): exits 1
//                        if a scene's sides simulate different things
//   --paired=ROUNDS      instead of Google Benchmark: build both sides of every scene (or of the
//                        --rss_filter ones) side by side and time them in turns, ROUNDS rounds of
//                        a stretch of steps on each side (about 25 ms of the layer's), the order
//                        swapped every round; the ratio of every round's two stretches is taken
//                        and their median reported, by wall time and by the thread's own CPU time
//   --paired_threads=N   with --paired: the layer side steps on a pool of N threads (the scenes
//                        made for it, see SSceneDef::bThreaded), against the plain side on one;
//                        only the wall time then counts (the CPU column is the stepping thread's)
//
// Every measured value is the median over the repetitions (--benchmark_repetitions); the noise
// column gives the spread of the two sides' repetitions, (max - min) / median.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "BenchMemory.h"
#include "BenchScenes.h"

namespace varrik {
namespace bench {
namespace {

const char* sideName(ESide eSide, unsigned iThreads) {
  if (eSide == ESide::ePlain) return "plain";
  return iThreads > 1 ? "layer_2threads" : "layer";
}

// Google Benchmark calls a benchmark function more than once while it settles the number of
// iterations, and once per repetition; the scene built by the first call is kept (and goes on
// stepping) while the same benchmark runs, and is taken down before another benchmark's scene is
// built (both sides share the dynamics library's global state).
struct SCurrent {
  const SSceneDef* pDef = nullptr;
  ESide eSide = ESide::eLayer;
  unsigned iThreads = 0;
  std::unique_ptr<IBenchScene> pScene;
  //! The scene's check() once built: the sides of a scene have then run the same steps.
  double fCheck = 0;
} g_cCurrent;

IBenchScene* sceneFor(const SSceneDef* pDef, ESide eSide, unsigned iThreads) {
  SCurrent& c = g_cCurrent;
  if (c.pScene && c.pDef == pDef && c.eSide == eSide && c.iThreads == iThreads) return c.pScene.get();
  c.pScene.reset();
  c.pScene = pDef->fBuild(eSide, iThreads);
  c.fCheck = c.pScene ? c.pScene->check() : 0.0;
  c.pDef = pDef;
  c.eSide = eSide;
  c.iThreads = iThreads;
  return c.pScene.get();
}

void runScene(benchmark::State& state, const SSceneDef* pDef, ESide eSide, unsigned iThreads) {
  IBenchScene* pScene = sceneFor(pDef, eSide, iThreads);
  if (!pScene) {
    state.SkipWithError("the scene could not be built (build the varrik-data target first)");
    return;
  }
  const uint64_t iBefore = allocationCount(), iLibraryBefore = libraryAllocationCount();
  for (auto _ : state) pScene->step();
  const uint64_t iAfter = allocationCount(), iLibraryAfter = libraryAllocationCount();
  const double fSteps = static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations());
  state.counters["allocs_per_step"] =
      allocationsCounted() ? static_cast<double>(iAfter - iBefore) / fSteps : -1.0;
  state.counters["ode_allocs_per_step"] = static_cast<double>(iLibraryAfter - iLibraryBefore) / fSteps;
  state.counters["check"] = g_cCurrent.fCheck;
}

//! Building a scene, its warm-up steps and taking it down again, as a game loads and leaves a
//! level: the cost of a scene's start must grow with its bodies as the steps do, not faster.
void runStart(benchmark::State& state, const SSceneDef* pDef, ESide eSide) {
  g_cCurrent.pScene.reset();
  for (auto _ : state) {
    std::unique_ptr<IBenchScene> pScene = pDef->fBuild(eSide, 0);
    if (!pScene) {
      state.SkipWithError("the scene could not be built (build the varrik-data target first)");
      return;
    }
  }
}

bool measuresStart(const SSceneDef& d) { return d.sName.compare(0, 6, "boxes/") == 0; }

// ---------------------------------------------------------------------------------------------
// The table

struct SRuns {
  std::vector<double> aMicroseconds;
  std::vector<double> aAllocations;
  std::vector<double> aLibraryAllocations;
  std::vector<double> aChecks;
};

double median(std::vector<double> a) {
  if (a.empty()) return 0.0;
  std::sort(a.begin(), a.end());
  const size_t n = a.size();
  return n % 2 ? a[n / 2] : 0.5 * (a[n / 2 - 1] + a[n / 2]);
}

double spread(const std::vector<double>& a) {
  if (a.size() < 2) return 0.0;
  const double m = median(a);
  return m > 0 ? (*std::max_element(a.begin(), a.end()) - *std::min_element(a.begin(), a.end())) / m : 0.0;
}

class CCollectingReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only on a terminal (the table is read from logs as well).
  CCollectingReporter() : ConsoleReporter(isatty(1) ? OO_Defaults : OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& aRuns) override {
    for (const Run& r : aRuns) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      SRuns& s = m_mRuns[r.run_name.function_name];
      double fMicroseconds = r.GetAdjustedRealTime();
      switch (r.time_unit) {
        case benchmark::kNanosecond:
          fMicroseconds /= 1000.0;
          break;
        case benchmark::kMillisecond:
          fMicroseconds *= 1000.0;
          break;
        case benchmark::kSecond:
          fMicroseconds *= 1e6;
          break;
        default:
          break;
      }
      s.aMicroseconds.push_back(fMicroseconds);
      auto it = r.counters.find("allocs_per_step");
      if (it != r.counters.end()) s.aAllocations.push_back(it->second.value);
      it = r.counters.find("ode_allocs_per_step");
      if (it != r.counters.end()) s.aLibraryAllocations.push_back(it->second.value);
      it = r.counters.find("check");
      if (it != r.counters.end()) s.aChecks.push_back(it->second.value);
    }
    ConsoleReporter::ReportRuns(aRuns);
  }

  const SRuns* find(const std::string& sName) const {
    auto it = m_mRuns.find(sName);
    return it == m_mRuns.end() || it->second.aMicroseconds.empty() ? nullptr : &it->second;
  }

 private:
  std::map<std::string, SRuns> m_mRuns;
};

struct SRss {
  bool bMeasured = false;
  long long iGrowthKiB = 0;
};

void printTable(const CCollectingReporter& cReporter, const std::map<std::string, SRss>& mRss,
                int iRssSteps) {
  printf("\n%-20s %11s %11s %6s %8s %13s %7s %12s %6s %11s %s\n", "scene", "layer st/s", "plain st/s",
         "ratio", "noise", "allocs/st l/p", "added", "2 thr. st/s", "ratio", "RSS growth",
         "check layer/plain");
  for (const SSceneDef& d : scenes()) {
    const SRuns* pLayer = cReporter.find(d.sName + "/layer");
    const SRuns* pPlain = cReporter.find(d.sName + "/plain");
    const SRuns* pThreads = cReporter.find(d.sName + "/layer_2threads");
    if (!pLayer && !pPlain) continue;
    const double fLayer = pLayer ? median(pLayer->aMicroseconds) : 0.0;
    const double fPlain = pPlain ? median(pPlain->aMicroseconds) : 0.0;
    const double fThreads = pThreads ? median(pThreads->aMicroseconds) : 0.0;
    char sLayer[32] = "-", sPlain[32] = "-", sRatio[32] = "-", sNoise[32] = "-", sAllocs[48] = "-",
         sAdded[32] = "-";
    char sThreads[32] = "-", sThreadRatio[32] = "-", sRss[32] = "-", sCheck[64] = "-";
    if (fLayer > 0) snprintf(sLayer, sizeof(sLayer), "%.1f", 1e6 / fLayer);
    if (fPlain > 0) snprintf(sPlain, sizeof(sPlain), "%.1f", 1e6 / fPlain);
    if (fLayer > 0 && fPlain > 0) snprintf(sRatio, sizeof(sRatio), "%.3f", fLayer / fPlain);
    if (pLayer && pPlain)
      snprintf(sNoise, sizeof(sNoise), "%.0f/%.0f%%", 100.0 * spread(pLayer->aMicroseconds),
               100.0 * spread(pPlain->aMicroseconds));
    if (pLayer && pPlain && !pLayer->aAllocations.empty() && !pPlain->aAllocations.empty()) {
      const double fLayerAllocs = median(pLayer->aAllocations), fPlainAllocs = median(pPlain->aAllocations);
      if (fLayerAllocs >= 0 && fPlainAllocs >= 0) {
        snprintf(sAllocs, sizeof(sAllocs), "%.0f/%.0f", fLayerAllocs, fPlainAllocs);
        snprintf(sAdded, sizeof(sAdded), "%.2f", fLayerAllocs - fPlainAllocs);
      }
    }
    if (fThreads > 0) snprintf(sThreads, sizeof(sThreads), "%.1f", 1e6 / fThreads);
    if (fThreads > 0 && fPlain > 0) snprintf(sThreadRatio, sizeof(sThreadRatio), "%.3f", fThreads / fPlain);
    auto it = mRss.find(d.sName);
    if (it != mRss.end() && it->second.bMeasured)
      snprintf(sRss, sizeof(sRss), "%lld KiB", it->second.iGrowthKiB);
    if (pLayer && pPlain && !pLayer->aChecks.empty() && !pPlain->aChecks.empty())
      snprintf(sCheck, sizeof(sCheck), "%.3f/%.3f", median(pLayer->aChecks), median(pPlain->aChecks));
    printf("%-20s %11s %11s %6s %8s %13s %7s %12s %6s %11s %s\n", d.sName.c_str(), sLayer, sPlain, sRatio,
           sNoise, sAllocs, sAdded, sThreads, sThreadRatio, sRss, sCheck);
  }
  bool bStartHeader = false;
  for (const SSceneDef& d : scenes()) {
    const SRuns* pLayer = cReporter.find("start/" + d.sName + "/layer");
    const SRuns* pPlain = cReporter.find("start/" + d.sName + "/plain");
    if (!pLayer || !pPlain) continue;
    if (!bStartHeader) printf("\n%-20s %11s %11s %6s\n", "start", "layer ms", "plain ms", "ratio");
    bStartHeader = true;
    const double fLayer = median(pLayer->aMicroseconds), fPlain = median(pPlain->aMicroseconds);
    printf("%-20s %11.1f %11.1f %6.3f\n", d.sName.c_str(), fLayer / 1000.0, fPlain / 1000.0,
           fPlain > 0 ? fLayer / fPlain : 0.0);
  }
  printf(
      "\nratio: layer time per step / plain time per step (medians); noise: (max - min) / median of the\n"
      "layer's and the plain side's repetitions; allocs/st l/p: heap allocations per step outside the "
      "dynamics\n"
      "library's allocation hooks on the layer and the plain side (the plain side's are the library's "
      "hash space,\n"
      "which allocates with operator new in every collision pass); added: layer minus plain;\n"
      "2 thr.: the layer stepping on a pool of two threads, its ratio against the single-threaded plain "
      "side;\n");
  printf("start: building the scene, its warm-up steps and taking it down (medians).\n");
  if (iRssSteps > 0)
    printf("RSS growth: resident memory after %d more layer steps minus before them.\n", iRssSteps);
  else
    printf("RSS growth: not measured (--rss_steps=N).\n");
}

// ---------------------------------------------------------------------------------------------
// Profiling and resident memory

__attribute__((noinline)) void profiledSteps(IBenchScene* pScene, int iSteps) {
  for (int i = 0; i < iSteps; ++i) pScene->step();
}

int profile(const std::string& sSpec) {
  std::string sWhat = sSpec;
  int iSteps = 100;
  const size_t iColon = sWhat.rfind(':');
  if (iColon != std::string::npos) {
    iSteps = atoi(sWhat.c_str() + iColon + 1);
    sWhat.resize(iColon);
  }
  for (const SSceneDef& d : scenes())
    for (ESide eSide : {ESide::eLayer, ESide::ePlain})
      for (unsigned iThreads : {0u, 2u}) {
        if (eSide == ESide::ePlain && iThreads) continue;
        if (sWhat != d.sName + "/" + sideName(eSide, iThreads)) continue;
        std::unique_ptr<IBenchScene> pScene = d.fBuild(eSide, iThreads);
        if (!pScene) {
          printf("%s could not be built\n", sWhat.c_str());
          return 1;
        }
        const uint64_t iBefore = allocationCount(), iLibraryBefore = libraryAllocationCount();
        profiledSteps(pScene.get(), iSteps);
        printf("%s: %d steps, %.2f allocations per step (and %.2f of the dynamics library), check %.4f\n",
               sWhat.c_str(), iSteps, static_cast<double>(allocationCount() - iBefore) / iSteps,
               static_cast<double>(libraryAllocationCount() - iLibraryBefore) / iSteps, pScene->check());
        return 0;
      }
  printf("no scene side called %s\n", sWhat.c_str());
  return 2;
}

// ---------------------------------------------------------------------------------------------
// Paired rounds: both sides alive at once, timed in turns

// A busy shared machine slows a whole stretch of time, whichever side runs in it: a ratio taken
// from two stretches run one right after the other, in both orders, keeps most of that out, and
// the thread's CPU time leaves out the time the thread waited for a core.
struct STimes {
  double fWall = 0;
  double fCpu = 0;
};

double threadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

STimes timeSteps(IBenchScene* pScene, int iSteps) {
  const auto cWall = std::chrono::steady_clock::now();
  const double fCpu = threadCpuSeconds();
  for (int i = 0; i < iSteps; ++i) pScene->step();
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - cWall).count(),
          threadCpuSeconds() - fCpu};
}

//! The value below which the fraction f of a's values lie (nearest rank).
double quantile(std::vector<double> a, double f) {
  if (a.empty()) return 0.0;
  std::sort(a.begin(), a.end());
  return a[std::min(a.size() - 1, static_cast<size_t>(f * static_cast<double>(a.size() - 1) + 0.5))];
}

bool matchesFilter(const std::string& sName, const std::string& sFilter);

//! How far the checks of a scene's two sides may lie apart, relative to their size. Most scenes
//! agree to the last digit printed; in the pile the sides part slowly (0.1 % after 300 steps), as
//! the layer's contacts reach the library in another order and the pile's many sums with them.
const double kCheckTolerance = 1e-2;

//! Whether the checks of a scene's two sides agree.
bool sameCheck(double a, double b) {
  return std::fabs(a - b) <= kCheckTolerance * std::max(1.0, std::fabs(b));
}

//! Both sides of one scene, alive at once (the plain side built first); false, said, if either
//! cannot be built.
bool buildBoth(const SSceneDef& d, std::unique_ptr<IBenchScene>& pPlain, std::unique_ptr<IBenchScene>& pLayer,
               unsigned iThreads = 0) {
  pPlain = d.fBuild(ESide::ePlain, 0);
  pLayer = d.fBuild(ESide::eLayer, iThreads);
  if (pPlain && pLayer) return true;
  printf("%-20s could not be built (build the varrik-data target first)\n", d.sName.c_str());
  return false;
}

int paired(int iRounds, const std::string& sFilter, unsigned iThreads) {
  if (iThreads > 1) printf("the layer side on %u threads, the plain side on one\n", iThreads);
  printf("%-20s %9s %9s %7s %13s %7s %13s %6s %s\n", "scene", "layer us", "plain us", "wall", "wall p25-p75",
         "cpu", "cpu p25-p75", "steps", "sides");
  for (const SSceneDef& d : scenes()) {
    if (!matchesFilter(d.sName, sFilter) || (iThreads > 1 && !d.bThreaded)) continue;
    std::unique_ptr<IBenchScene> pPlain, pLayer;
    if (!buildBoth(d, pPlain, pLayer, iThreads)) continue;
    // A stretch of about 25 ms of the layer's steps, at least one step.
    const double fOne = std::max(1e-7, timeSteps(pLayer.get(), 3).fWall / 3.0);
    const int iSteps = std::max(1, static_cast<int>(0.025 / fOne));
    timeSteps(pPlain.get(), 3);
    std::vector<double> aLayer, aPlain, aWall, aCpu;
    for (int r = 0; r < iRounds; ++r) {
      STimes cLayer, cPlain;
      if (r % 2) {
        cPlain = timeSteps(pPlain.get(), iSteps);
        cLayer = timeSteps(pLayer.get(), iSteps);
      } else {
        cLayer = timeSteps(pLayer.get(), iSteps);
        cPlain = timeSteps(pPlain.get(), iSteps);
      }
      aLayer.push_back(1e6 * cLayer.fWall / iSteps);
      aPlain.push_back(1e6 * cPlain.fWall / iSteps);
      aWall.push_back(cLayer.fWall / cPlain.fWall);
      aCpu.push_back(cLayer.fCpu / cPlain.fCpu);
    }
    char sWallRange[32], sCpuRange[32];
    snprintf(sWallRange, sizeof(sWallRange), "%.3f-%.3f", quantile(aWall, 0.25), quantile(aWall, 0.75));
    snprintf(sCpuRange, sizeof(sCpuRange), "%.3f-%.3f", quantile(aCpu, 0.25), quantile(aCpu, 0.75));
    printf("%-20s %9.1f %9.1f %7.3f %13s %7.3f %13s %6d %s\n", d.sName.c_str(), median(aLayer),
           median(aPlain), median(aWall), sWallRange, median(aCpu), sCpuRange, iSteps,
           sameCheck(pLayer->check(), pPlain->check()) ? "alike" : "differ");
    fflush(stdout);
  }
  printf(
      "\nlayer us, plain us: wall time per step (medians of the rounds); wall, cpu: median over the rounds "
      "of\n"
      "the ratio layer / plain of one round's two stretches, by wall time and by the thread's CPU time;\n"
      "p25-p75: the middle half of the rounds' ratios; steps: steps per stretch; sides: whether both\n"
      "sides' bodies ended alike (see --compare).\n");
  return 0;
}

//! The scene named sFilter if there is one (boxes/100 is not boxes/1000), else every scene whose
//! name contains it; every scene for an empty filter.
bool matchesFilter(const std::string& sName, const std::string& sFilter) {
  if (sFilter.empty() || sName == sFilter) return true;
  for (const SSceneDef& d : scenes())
    if (d.sName == sFilter) return false;
  return sName.find(sFilter) != std::string::npos;
}

//! Both sides of every scene stepped alike: a side that simulates something else than the other
//! (a car that stands while the other drives, bodies that sink) is no measure of the layer's cost.
int compare(int iSteps, const std::string& sFilter) {
  printf("%-20s %14s %14s %14s %14s\n", "scene", "layer built", "plain built", "layer stepped",
         "plain stepped");
  int iDifferent = 0;
  for (const SSceneDef& d : scenes()) {
    if (!matchesFilter(d.sName, sFilter)) continue;
    std::unique_ptr<IBenchScene> pPlain, pLayer;
    if (!buildBoth(d, pPlain, pLayer)) {
      ++iDifferent;
      continue;
    }
    const double fLayerBuilt = pLayer->check(), fPlainBuilt = pPlain->check();
    for (int i = 0; i < iSteps; ++i) {
      pLayer->step();
      pPlain->step();
    }
    const double fLayer = pLayer->check(), fPlain = pPlain->check();
    const bool bSame = sameCheck(fLayerBuilt, fPlainBuilt) && sameCheck(fLayer, fPlain);
    printf("%-20s %14.6f %14.6f %14.6f %14.6f%s\n", d.sName.c_str(), fLayerBuilt, fPlainBuilt, fLayer, fPlain,
           bSame ? "" : "  the sides differ");
    fflush(stdout);
    if (!bSame) ++iDifferent;
  }
  return iDifferent ? 1 : 0;
}

std::map<std::string, SRss> measureResidentMemory(int iSteps, const std::string& sFilter) {
  std::map<std::string, SRss> m;
  for (const SSceneDef& d : scenes()) {
    if (!matchesFilter(d.sName, sFilter)) continue;
    std::unique_ptr<IBenchScene> pScene = d.fBuild(ESide::eLayer, 0);
    if (!pScene) continue;
    // A first stretch lets every buffer that grows with use reach its size.
    for (int i = 0; i < 1000; ++i) pScene->step();
    const uint64_t iBefore = residentBytes();
    for (int i = 0; i < iSteps; ++i) pScene->step();
    const uint64_t iAfter = residentBytes();
    m[d.sName] = {true, (static_cast<long long>(iAfter) - static_cast<long long>(iBefore)) / 1024};
    printf("%s: resident %llu KiB before, %llu KiB after %d steps\n", d.sName.c_str(),
           static_cast<unsigned long long>(iBefore / 1024), static_cast<unsigned long long>(iAfter / 1024),
           iSteps);
    fflush(stdout);
  }
  return m;
}

}  // namespace
}  // namespace bench
}  // namespace varrik

int main(int argc, char** argv) {
  using namespace varrik::bench;
  // The demo's assets are read by relative paths from the build folder.
  if (chdir(VARRIK_DATA_DIR "/..") != 0) printf("cannot enter the build folder of %s\n", VARRIK_DATA_DIR);

  countLibraryAllocationsApart();
  int iRssSteps = 0;
  int iPairedRounds = 0, iCompareSteps = 0;
  unsigned iPairedThreads = 0;
  std::string sRssFilter, sProfile;
  std::vector<char*> aArgs;
  for (int i = 0; i < argc; ++i) {
    if (strncmp(argv[i], "--rss_steps=", 12) == 0)
      iRssSteps = atoi(argv[i] + 12);
    else if (strncmp(argv[i], "--rss_filter=", 13) == 0)
      sRssFilter = argv[i] + 13;
    else if (strncmp(argv[i], "--compare=", 10) == 0)
      iCompareSteps = atoi(argv[i] + 10);
    else if (strncmp(argv[i], "--paired=", 9) == 0)
      iPairedRounds = atoi(argv[i] + 9);
    else if (strncmp(argv[i], "--paired_threads=", 17) == 0)
      iPairedThreads = static_cast<unsigned>(std::max(0, atoi(argv[i] + 17)));
    else if (strncmp(argv[i], "--profile=", 10) == 0)
      sProfile = argv[i] + 10;
    else if (strcmp(argv[i], "--list_scenes") == 0) {
      for (const SSceneDef& d : scenes()) printf("%s\n", d.sName.c_str());
      return 0;
    } else
      aArgs.push_back(argv[i]);
  }
  if (!sProfile.empty()) return profile(sProfile);
  if (iCompareSteps > 0) return compare(iCompareSteps, sRssFilter);
  if (iPairedRounds > 0) return paired(iPairedRounds, sRssFilter, iPairedThreads);

  int iArgs = static_cast<int>(aArgs.size());
  benchmark::Initialize(&iArgs, aArgs.data());
  if (benchmark::ReportUnrecognizedArguments(iArgs, aArgs.data())) return 1;

  for (const SSceneDef& d : scenes())
    for (ESide eSide : {ESide::eLayer, ESide::ePlain})
      for (unsigned iThreads : {0u, 2u}) {
        if (iThreads && (eSide == ESide::ePlain || !d.bThreaded)) continue;
        const std::string sName = d.sName + "/" + sideName(eSide, iThreads);
        benchmark::RegisterBenchmark(sName.c_str(), runScene, &d, eSide, iThreads)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
      }
  for (const SSceneDef& d : scenes())
    if (measuresStart(d))
      for (ESide eSide : {ESide::eLayer, ESide::ePlain})
        benchmark::RegisterBenchmark(("start/" + d.sName + "/" + sideName(eSide, 0)).c_str(), runStart, &d,
                                     eSide)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();

  CCollectingReporter cReporter;
  benchmark::RunSpecifiedBenchmarks(&cReporter);
  g_cCurrent.pScene.reset();
  std::map<std::string, SRss> mRss;
  if (iRssSteps > 0) mRss = measureResidentMemory(iRssSteps, sRssFilter);
  printTable(cReporter, mRss, iRssSteps);
  benchmark::Shutdown();
  return 0;
}
