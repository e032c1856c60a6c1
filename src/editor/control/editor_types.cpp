#include "editor/control/editor_types.h"

namespace tolvan {
static_assert(LoWord(MakeLong(0x1234, 0x5678)) == 0x1234);
static_assert(HiWord(MakeLong(0x1234, 0xFFFF)) == 0xFFFF);
}  // namespace tolvan
