// The long run of the control's randomized test: many seeds, many steps,
// with and without word wrap. Prints "failures <n>".
#include <cstdio>
#include <cstdlib>

#include "fuzz_driver.h"

int main(int argc, char** argv) {
  const unsigned seeds = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 200;
  const int steps = argc > 2 ? std::atoi(argv[2]) : 5000;
  int failures = 0;
  for (unsigned seed = 1; seed <= seeds; ++seed) {
    for (bool wrap : {false, true}) {
      const std::string err = tolvan::test::RunControlFuzz(seed * 7919u + (wrap ? 1u : 0u), steps, wrap);
      if (!err.empty()) {
        std::printf("%s\n", err.c_str());
        ++failures;
      }
    }
  }
  std::printf("failures %d\n", failures);
}
