// The benchmark scenes. Every scene exists twice: once through the physics layer (nodes of the
// scene graph, the manager's frame, body-moved events applied to the nodes) and once as plain
// dynamics-library calls doing the work a game does with the library alone. See BenchScenes.cpp
// for what each side does exactly.
#ifndef VARRIK_BENCH_BENCH_SCENES_H
#define VARRIK_BENCH_BENCH_SCENES_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace varrik {
namespace bench {

//! One side of one scene, built, landed and ready to step.
class IBenchScene {
 public:
  virtual ~IBenchScene() = default;
  //! One fixed step of the simulation, as one frame of a game runs it.
  virtual void step() = 0;
  //! The mean over the moving bodies of their coordinates' sum (x + y + z), now: both sides of a
  //! scene simulate the same thing, so after the same number of steps the two agree closely, and
  //! a body that drifts, sinks or stays behind on one side shows.
  virtual double check() = 0;
};

enum class ESide { eLayer, ePlain };

struct SSceneDef {
  //! Name in the table and in the benchmark names ("boxes/1000").
  std::string sName;
  //! Builds one side; the layer side steps its worlds on iThreads threads (0: single-threaded).
  std::function<std::unique_ptr<IBenchScene>(ESide eSide, unsigned iThreads)> fBuild;
  //! Also measured with the layer stepping on two threads.
  bool bThreaded;
};

//! Every scene, in the order of the table.
const std::vector<SSceneDef>& scenes();

}  // namespace bench
}  // namespace varrik

#endif
