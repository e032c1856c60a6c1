// The long run of the control's randomized test: many seeds, many steps,
// with and without word wrap, in CP932 and in UTF-8. Arguments: seeds,
// steps per seed, "cp932" or "utf8" to run one encoding only ("both" for
// both), and the first seed (1). Prints each fault, then "failures <n>".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_driver.h"

int main(int argc, char** argv) {
  using tolvan::TextEncoding;
  const unsigned seeds = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 200;
  const int steps = argc > 2 ? std::atoi(argv[2]) : 5000;
  const char* only = argc > 3 ? argv[3] : "";
  const unsigned first = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 1;
  int failures = 0;
  for (TextEncoding enc : {TextEncoding::Cp932, TextEncoding::Utf8}) {
    if ((std::strcmp(only, "cp932") == 0 && enc != TextEncoding::Cp932) ||
        (std::strcmp(only, "utf8") == 0 && enc != TextEncoding::Utf8))
      continue;
    int here = 0;
    for (unsigned seed = first; seed < first + seeds; ++seed) {
      for (bool wrap : {false, true}) {
        const std::string err = tolvan::test::RunControlFuzz(seed * 7919u + (wrap ? 1u : 0u), steps, wrap, enc);
        if (!err.empty()) {
          std::printf("%s %s\n", tolvan::EncodingName(enc), err.c_str());
          ++here;
        }
      }
    }
    std::printf("%s failures %d\n", tolvan::EncodingName(enc), here);
    failures += here;
  }
  std::printf("failures %d\n", failures);
}
