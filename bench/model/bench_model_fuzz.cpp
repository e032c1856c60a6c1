// The randomized row-store test run long: random UpdateList edits with
// line breaks, double-byte characters and tabs, undo and redo, word wrap
// switched and re-columned, invariants checked after every step.
// Arguments: seeds, steps per seed. The test suite runs 64 seeds of 5,000
// steps; this run takes other seeds (multiples of 7919), 200 by default.
// Last line: "steps <n>"; the exit status is 1 when a seed failed.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "editor/model/fuzz_engine.h"

int main(int argc, char** argv) {
  const int seeds = argc > 1 ? std::atoi(argv[1]) : 200;
  const long steps = argc > 2 ? std::atol(argv[2]) : 5000;
  const std::clock_t start = std::clock();
  long total = 0;
  long checks = 0;
  int failures = 0;
  for (int seed = 1; seed <= seeds; ++seed) {
    tolvan::test::FuzzRun run(static_cast<std::uint32_t>(seed * 7919));
    tolvan::test::FuzzResult r = run.Run(steps);
    total += r.steps;
    checks += r.undoAllChecks;
    if (!r.failure.empty()) {
      ++failures;
      std::printf("seed %d: %s\n", seed * 7919, r.failure.c_str());
    }
  }
  const double cpu = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  std::printf("seeds %d, undo-all/redo-all checks %ld, failures %d\n", seeds, checks, failures);
  std::printf("CPU %.2f s, %.0f steps per CPU second\n", cpu, cpu > 0 ? static_cast<double>(total) / cpu : 0.0);
  std::printf("steps %ld\n", total);
  return failures == 0 ? 0 : 1;
}
