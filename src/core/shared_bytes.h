// Read-only bytes handed from whoever made them to whoever shows them,
// without a copy: a string, or a mapping of the file they were written to.
// The pointer's owner keeps them alive; one readable zero byte follows them,
// so a scanner may look one byte past the end.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tolvan {

struct TSharedBytes {
  std::shared_ptr<const char> Data;  // null when there are none
  std::size_t Size = 0;

  std::string_view View() const { return Data ? std::string_view(Data.get(), Size) : std::string_view(); }
  bool Empty() const { return Size == 0; }

  // The string's own terminating zero is the byte after the text.
  static TSharedBytes FromString(std::shared_ptr<const std::string> s) {
    if (!s) return {};
    const char* p = s->data();
    const std::size_t n = s->size();
    return {std::shared_ptr<const char>(std::move(s), p), n};
  }
  static TSharedBytes FromString(std::string s) {
    return FromString(std::make_shared<const std::string>(std::move(s)));
  }
};

}  // namespace tolvan
