// The framework's component stream ("TPF0"): a component's published
// properties as typed values, the format the Windows program stored its
// schemes in. Written and read byte for byte the same way.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "colouring/fountain.h"

namespace tolvan {

// A stream that cannot be read into the component.
class EReadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TValueType : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
};

// Colour names of the framework; false when the value has none.
bool ColorToIdent(TColor color, std::string& ident);
bool IdentToColor(std::string_view ident, TColor& color);

std::string WriteComponentStream(TComponent& component);
// Reads into a fresh object of the same class first; only a stream that
// reads without error is then read into component. Raises EReadError.
void ReadComponentStream(std::string_view bytes, TStoreComponent& component);
// Reads straight into component; on error it may be partly changed.
void ReadComponentStreamInPlace(std::string_view bytes, TComponent& component);

}  // namespace tolvan
