// A whole run of the executable on the 1k-row sample, against a bare process that opens the
// file with libmdb and reads its catalog.
#include <algorithm>
#include <stdexcept>

#include "bench.h"

namespace bench {

namespace {

void BM_JetProcess(benchmark::State& state) {
  JetInterleaved(state, static_cast<int>(state.range(0)),
                 {{"bare", JetSource, false,
                   [](const fs::path& path, int) {
                     if (Spawn({UPGRADE405_BARE_OPEN_JET_EXE, path.string()}, "") != 0) {
                       throw std::runtime_error("the bare process failed");
                     }
                   },
                   nullptr},
                  {"run", JetSource, true,
                   [](const fs::path& path, int) {
                     if (Spawn({UPGRADE405_EXE, "/db=" + path.string()}, "enter\n\n") != 0) {
                       throw std::runtime_error("the program failed");
                     }
                   },
                   JetUpgraded}});
}

}  // namespace

void RegisterJetProcess() {
  if (std::find(sizes.begin(), sizes.end(), 1000) != sizes.end()) {
    benchmark::RegisterBenchmark("JetProcess", BM_JetProcess)
        ->Arg(1000)
        ->UseManualTime()
        ->Iterations(40)
        ->Unit(benchmark::kMillisecond);
  }
}

void ReportJetProcess(std::ostringstream& o, const Collector& c) {
  const std::string key = "JetProcess/1000";
  const double bare = c.Get(key, "bare"), run = c.Get(key, "run");
  o << "### A whole run of the executable on the sample\n\n"
    << "`printf 'enter\\n\\n' | DISPLAY= upgrade405 /db=FILE` (start, press, confirm, end of "
    << "input) on the 1,000-row sample, against a bare process that opens the same file with "
    << "libmdb and reads its catalog (`bench/bare_open_jet.cpp`).\n\n"
    << "| rounds | bare (ms) | whole run (ms) | run / bare |\n"
    << "|---:|---:|---:|---:|\n"
    << "| 40 | " << Fixed(bare * 1e3, 2) << " | " << Fixed(run * 1e3, 2) << " | "
    << Ratio(run, bare, 2) << " |\n\n"
    << "Target, the whole run at most 2 times the bare process: "
    << Verdict(run <= 2 * bare && bare > 0) << " (" << Ratio(run, bare, 2) << ").\n\n";
}

}  // namespace bench
