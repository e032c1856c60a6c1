// libFuzzer entry (clang builds only): stored scheme bytes, both as a
// component stream and as hexadecimal settings lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "colouring/component_stream.h"
#include "colouring/ini_stream.h"
#include "colouring/gawk_fountain.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tolvan;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  TGawkFountain scheme;
  const std::string before = WriteComponentStream(scheme);
  try {
    ReadComponentStream(bytes, scheme);
  } catch (const EReadError&) {
    if (WriteComponentStream(scheme) != before) std::abort();
  }
  try {
    std::vector<std::string> lines{bytes};
    ReadComponentStream(StringsToStream(lines), scheme);
  } catch (const EReadError&) {
  }
  return 0;
}
