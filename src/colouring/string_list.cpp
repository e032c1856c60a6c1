#include "colouring/string_list.h"

#include <algorithm>
#include <stdexcept>

#include "core/codepage.h"

namespace tolvan {

int CompareText(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  const std::size_t n = std::min(a.size(), b.size());
  bool inDouble = false;  // the byte at i is a trail byte in both strings
  while (i < n) {
    auto ca = static_cast<unsigned char>(a[i]);
    auto cb = static_cast<unsigned char>(b[i]);
    if (!inDouble) {
      if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 32);
      if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 32);
    }
    if (ca != cb) return ca < cb ? -1 : 1;
    // Equal bytes so far: both strings have the same character boundaries.
    inDouble = !inDouble && cp932::IsLeadByte(ca);
    ++i;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

const std::string& TStringList::operator[](int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
  }
  return FItems[static_cast<std::size_t>(Index)];
}

bool TStringList::Find(std::string_view S, int& Index) const {
  int lo = 0;
  int hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int c = CompareText(FItems[static_cast<std::size_t>(mid)], S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  Index = lo;
  return found;
}

int TStringList::IndexOf(std::string_view S) const {
  int i = 0;
  return Find(S, i) ? i : -1;
}

int TStringList::Add(std::string_view S) {
  int i = 0;
  if (Find(S, i)) return i;
  FItems.insert(FItems.begin() + i, std::string(S));
  return i;
}

void TStringList::Delete(int Index) {
  (void)(*this)[Index];
  FItems.erase(FItems.begin() + Index);
}

void TStringList::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TStringList*>(&Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  FItems = src->FItems;
}

}  // namespace tolvan
