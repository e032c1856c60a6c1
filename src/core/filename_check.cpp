#include "core/filename_check.h"

#include "core/codepage.h"

namespace tolvan {

FileNameCheck CheckFileName(std::string_view s) {
  if (s.empty()) return FileNameCheck::Empty;
  for (std::size_t i = 0; i < s.size(); i = cp932::NextChar(s, i)) {
    if (cp932::CharLength(s, i) == 2) continue;
    switch (s[i]) {
      case '\\': case '/': case ':': case ';': case ',': case '*':
      case '?': case '"': case '<': case '>': case '|':
        return FileNameCheck::BadCharacter;
      default:
        break;
    }
  }
  return FileNameCheck::Ok;
}

}  // namespace tolvan
