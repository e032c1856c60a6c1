// Word wrap: the wrap options, the column attribute string on which every
// cut is decided, its cursor, and cutting one logical line into rows.
#pragma once

#include <bitset>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/encoding.h"

namespace tolvan {

using TDelimiters = std::bitset<256>;

// The editor's delimiter set for word moves and wrapping (the underscore is
// a word character here).
const TDelimiters& DefaultDelimiters();

class TEditorWrapOption {
 public:
  static constexpr int kMinWrapByte = 20;
  static constexpr int kMaxWrapByte = 250;

  TEditorWrapOption();

  bool FollowRetMark() const { return followRetMark_; }
  bool FollowPunctuation() const { return followPunctuation_; }
  const std::string& FollowStr() const { return followStr_; }
  bool Leading() const { return leading_; }
  const std::string& LeadStr() const { return leadStr_; }
  const std::string& PunctuationStr() const { return punctuationStr_; }
  bool WordBreak() const { return wordBreak_; }
  int WrapByte() const { return wrapByte_; }

  void SetFollowRetMark(bool v) { Set(followRetMark_, v); }
  void SetFollowPunctuation(bool v) { Set(followPunctuation_, v); }
  void SetFollowStr(std::string v) { Set(followStr_, std::move(v)); }
  void SetLeading(bool v) { Set(leading_, v); }
  void SetLeadStr(std::string v) { Set(leadStr_, std::move(v)); }
  void SetPunctuationStr(std::string v) { Set(punctuationStr_, std::move(v)); }
  void SetWordBreak(bool v) { Set(wordBreak_, v); }
  void SetWrapByte(int v);

  void Assign(const TEditorWrapOption& other);
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  std::function<void()> OnChange;

 private:
  template <class T, class U>
  void Set(T& field, U&& v) {
    if (field == v) return;
    field = std::forward<U>(v);
    Changed();
  }
  void Changed();

  bool followRetMark_ = false;
  bool followPunctuation_ = false;
  std::string followStr_;
  bool leading_ = false;
  std::string leadStr_;
  std::string punctuationStr_;
  bool wordBreak_ = false;
  int wrapByte_ = 80;
  int updateCount_ = 0;
  bool pending_ = false;
};

// How columns are counted for one control.
struct TColumnRules {
  int TabSpaceCount = 8;
  bool WordWrap = false;
  int WrapByte = 80;
  const TDelimiters* Delimiters = nullptr;  // null: DefaultDelimiters()
  TextEncoding Encoding = TextEncoding::Cp932;
};

// Bytes and columns of the character at i (not a tab).
struct TCharStep {
  int Bytes = 1;
  int Cols = 1;
};
inline TCharStep CharStepAt(std::string_view s, std::size_t i, const TColumnRules& r) {
  if (r.Encoding == TextEncoding::Cp932) {
    const int n = static_cast<int>(cp932::CharLength(s, i));
    return {n, n};
  }
  // An ASCII byte is one character unless a combining mark follows it.
  if (static_cast<unsigned char>(s[i]) < 0x80 && (i + 1 >= s.size() || static_cast<unsigned char>(s[i + 1]) < 0x80))
    return {1, 1};
  return {static_cast<int>(Utf8Rules::CharLength(s, i)), static_cast<int>(Utf8Rules::CharWidth(s, i))};
}

// One character per display column: "4""5" a two-column character, "2" a
// delimiter, "1" any other one-column character, "3" the rest of a tab.
// Stops at WrapByte + 3 columns with word wrap on, 1000 with it off. starts,
// when given, receives the byte where each column's character starts, and
// one more entry: the byte where the attributes stop.
std::string StrToAttributes(std::string_view text, const TColumnRules& rules,
                            std::vector<int>* starts = nullptr);
// Columns a tab at column c covers.
int TabWidthAt(int c, const TColumnRules& rules);
// Display width of the whole text, tabs expanded.
int ExpandTabLength(std::string_view text, const TColumnRules& rules);
// The text with each tab replaced by the spaces it covers.
std::string ExpandTab(std::string_view text, const TColumnRules& rules);
// Width of the leading white space; -1 for an empty text.
int TabbedTopSpace(std::string_view text, const TColumnRules& rules);
// Display column reached after the first `bytes` bytes of text.
int ColumnOfByte(std::string_view text, int bytes, const TColumnRules& rules);
// Byte position of a display column (tab fill columns belong to the tab).
int ByteOfColumn(std::string_view text, int col, const TColumnRules& rules);

// A cursor over a text and its attribute string.
class TEditorAttributeArray {
 public:
  // starts as StrToAttributes gives them; without them every column but a
  // tab's fill and a double-byte character's second half is one byte.
  void NewData(std::string_view text, std::string attributes, std::vector<int> starts = {});
  int GetSize() const { return static_cast<int>(attrs_.size()); }
  void Next() {
    if (Ch == '0') return;
    ++Position;
    Ch = AttrAt(Position);
    if (!starts_.empty())
      SyncByteIndex();
    else if (Ch != '3')
      ++ByteIndex;
  }
  void Prior() {
    if (Position <= 1) return;
    if (starts_.empty() && Ch != '3') --ByteIndex;
    --Position;
    Ch = AttrAt(Position);
    if (!starts_.empty()) SyncByteIndex();
  }
  void SetPosition(int p);
  // Prior, and once more when that lands on a lead column.
  void StepBack();
  std::string_view PositionString() const { return StringAt(Position, Ch, ByteIndex); }
  std::string_view NextPositionString() const;
  // Bytes up to the end of the character that covers Position.
  int BytesThrough() const;

  int Position = 0;
  int ByteIndex = 0;
  char Ch = '0';

 private:
  char AttrAt(int pos) const {
    return pos >= 1 && pos <= GetSize() ? attrs_[static_cast<std::size_t>(pos - 1)] : '0';
  }
  std::string_view StringAt(int pos, char ch, int byteIndex) const;
  int StartAt(int pos) const { return starts_[static_cast<std::size_t>(pos - 1)]; }
  int EndAt(int pos) const;
  void SyncByteIndex();

  std::string_view text_;
  std::string attrs_;
  std::vector<int> starts_;
};

// Everything a cut depends on.
struct TWrapRules {
  TColumnRules Columns;
  bool FollowRetMark = false;
  bool FollowPunctuation = false;
  bool Leading = false;
  bool WordBreak = false;
  std::string FollowStr, LeadStr, PunctuationStr;

  // The option's character lists are CP932; a UTF-8 document gets them in
  // UTF-8.
  static TWrapRules From(const TEditorWrapOption& o, int tabSpaceCount, const TDelimiters* d,
                         TextEncoding encoding = TextEncoding::Cp932);
};

// True when ch (one whole character) is a member of set.
bool InCharSet(std::string_view set, std::string_view ch, TextEncoding encoding = TextEncoding::Cp932);

// Cuts one logical line (no line breaks) into rows: appends each row's byte
// length to lengths. All rows but the last continue the line.
void CutLine(std::string_view line, const TWrapRules& rules, std::vector<int>& lengths);
int CountLineRows(std::string_view line, const TWrapRules& rules);

}  // namespace tolvan
