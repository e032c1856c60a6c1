// A sorted list of byte strings that keeps one copy of each string, compared
// without regard to the case of ASCII letters (double-byte characters are
// compared whole, so a trail byte is never folded).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "colouring/persistent.h"

namespace tolvan {

// <0, 0, >0 like strcmp; ASCII a-z fold to A-Z outside double-byte characters.
int CompareText(std::string_view a, std::string_view b);

class TStringList : public TPersistent {
 public:
  std::string_view ClassName() const override { return "TStringList"; }

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& operator[](int Index) const;
  const std::vector<std::string>& Strings() const { return FItems; }

  // Inserts S at its sorted place; a string already present (in any letter
  // case) is not added again. Returns the index of S or of its twin.
  int Add(std::string_view S);
  // Binary search; Index is where S is or would be.
  bool Find(std::string_view S, int& Index) const;
  int IndexOf(std::string_view S) const;
  void Delete(int Index);
  void Clear() { FItems.clear(); }
  // Copies the strings of another list.
  void Assign(const TPersistent& Source) override;
  bool operator==(const TStringList& other) const { return FItems == other.FItems; }

 private:
  std::vector<std::string> FItems;
};

}  // namespace tolvan
