#include "editor/model/wrap.h"

#include <climits>

#include <algorithm>

#include "core/codepage.h"

namespace tolvan {

namespace {

std::string Cp932(const char* utf8) { return cp932::FromUtf8(utf8).bytes; }

TDelimiters MakeDelimiters() {
  TDelimiters d;
  auto range = [&](int a, int b) {
    for (int i = a; i <= b; ++i) d.set(static_cast<std::size_t>(i));
  };
  range(0x00, 0x2F);
  range(0x3A, 0x40);
  range(0x5B, 0x5E);
  range(0x60, 0x60);
  range(0x7B, 0x80);
  range(0xA0, 0xA5);
  range(0xFD, 0xFF);
  return d;
}

const TDelimiters& Delims(const TColumnRules& r) {
  return r.Delimiters ? *r.Delimiters : DefaultDelimiters();
}

}  // namespace

const TDelimiters& DefaultDelimiters() {
  static const TDelimiters d = MakeDelimiters();
  return d;
}

TEditorWrapOption::TEditorWrapOption()
    : followStr_(Cp932("、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ")),
      leadStr_(Cp932("（［｛「『([{｢")),
      punctuationStr_(Cp932("、。，．,.｡､")) {}

void TEditorWrapOption::SetWrapByte(int v) {
  Set(wrapByte_, std::clamp(v, kMinWrapByte, kMaxWrapByte));
}

void TEditorWrapOption::Changed() {
  if (updateCount_ > 0) {
    pending_ = true;
    return;
  }
  if (OnChange) OnChange();
}

void TEditorWrapOption::EndUpdate() {
  if (updateCount_ > 0) --updateCount_;
  if (updateCount_ == 0 && pending_) {
    pending_ = false;
    Changed();
  }
}

void TEditorWrapOption::Assign(const TEditorWrapOption& o) {
  if (&o == this) return;
  bool same = followRetMark_ == o.followRetMark_ && followPunctuation_ == o.followPunctuation_ &&
              followStr_ == o.followStr_ && leading_ == o.leading_ && leadStr_ == o.leadStr_ &&
              punctuationStr_ == o.punctuationStr_ && wordBreak_ == o.wordBreak_ &&
              wrapByte_ == o.wrapByte_;
  followRetMark_ = o.followRetMark_;
  followPunctuation_ = o.followPunctuation_;
  followStr_ = o.followStr_;
  leading_ = o.leading_;
  leadStr_ = o.leadStr_;
  punctuationStr_ = o.punctuationStr_;
  wordBreak_ = o.wordBreak_;
  wrapByte_ = o.wrapByte_;
  if (!same) Changed();
}

int TabWidthAt(int c, const TColumnRules& r) {
  int t = std::max(1, r.TabSpaceCount);
  int w = t - c % t;
  if (r.WordWrap && r.WrapByte > 0) w = std::min(w, r.WrapByte - c % r.WrapByte);
  return std::max(1, w);
}

std::string StrToAttributes(std::string_view s, const TColumnRules& r) {
  const TDelimiters& d = Delims(r);
  const std::size_t limit = r.WordWrap ? static_cast<std::size_t>(r.WrapByte + 3) : 1000u;
  // A byte takes at most `widest` columns; the last one may pass the limit.
  const std::size_t widest = static_cast<std::size_t>(std::max(r.TabSpaceCount, 2));
  std::string a(std::min(limit, s.size() * widest) + widest, '\0');
  std::size_t c = 0;
  std::size_t i = 0;
  while (i < s.size() && c < limit) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (cp932::IsLeadByte(b) && i + 1 < s.size()) {
      a[c++] = '4';
      a[c++] = '5';
      i += 2;
      continue;
    }
    a[c++] = d.test(b) ? '2' : '1';
    if (b == '\t') {
      int w = TabWidthAt(static_cast<int>(c - 1), r);
      for (int k = 1; k < w; ++k) a[c++] = '3';
    }
    ++i;
  }
  a.resize(c);
  return a;
}

int ExpandTabLength(std::string_view s, const TColumnRules& r) {
  // Without tabs every byte is one column.
  if (s.find('\t') == std::string_view::npos) return static_cast<int>(s.size());
  return ColumnOfByte(s, static_cast<int>(std::min<std::size_t>(s.size(), INT_MAX)), r);
}

std::string ExpandTab(std::string_view s, const TColumnRules& r) {
  if (s.find('\t') == std::string_view::npos) return std::string(s);
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '\t') {
      out.append(static_cast<std::size_t>(TabWidthAt(static_cast<int>(out.size()), r)), ' ');
      ++i;
    } else {
      std::size_t n = cp932::CharLength(s, i);
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out;
}

int TabbedTopSpace(std::string_view s, const TColumnRules& r) {
  if (s.empty()) return -1;
  int c = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == ' ') {
      ++c;
      ++i;
    } else if (s[i] == '\t') {
      c += TabWidthAt(c, r);
      ++i;
    } else if (i + 1 < s.size() && static_cast<unsigned char>(s[i]) == 0x81 &&
               static_cast<unsigned char>(s[i + 1]) == 0x40) {
      c += 2;
      i += 2;
    } else {
      break;
    }
  }
  return c;
}

int ColumnOfByte(std::string_view s, int bytes, const TColumnRules& r) {
  int c = 0;
  std::size_t i = 0;
  std::size_t end = static_cast<std::size_t>(std::clamp(bytes, 0, static_cast<int>(s.size())));
  while (i < end) {
    if (s[i] == '\t') {
      c += TabWidthAt(c, r);
      ++i;
    } else {
      std::size_t n = cp932::CharLength(s, i);
      c += static_cast<int>(n);
      i += n;
    }
  }
  return c;
}

int ByteOfColumn(std::string_view s, int col, const TColumnRules& r) {
  int c = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    int w = s[i] == '\t' ? TabWidthAt(c, r) : static_cast<int>(cp932::CharLength(s, i));
    if (c + w > col) {
      // Inside a tab's fill the position is the tab; inside a double-byte
      // character it is the character's start.
      return static_cast<int>(i);
    }
    c += w;
    i += s[i] == '\t' ? 1 : cp932::CharLength(s, i);
  }
  return static_cast<int>(s.size());
}

// ---- cursor ----

void TEditorAttributeArray::NewData(std::string_view text, std::string attributes) {
  text_ = text;
  attrs_ = std::move(attributes);
  Position = 0;
  ByteIndex = 0;
  Ch = ' ';
  Next();
}

void TEditorAttributeArray::Next() {
  if (Ch == '0') return;
  ++Position;
  Ch = AttrAt(Position);
  if (Ch != '3') ++ByteIndex;
}

void TEditorAttributeArray::Prior() {
  if (Position <= 1) return;
  if (Ch != '3') --ByteIndex;
  --Position;
  Ch = AttrAt(Position);
}

void TEditorAttributeArray::SetPosition(int p) {
  while (Position < p && Ch != '0') Next();
  while (Position > p && Position > 1) Prior();
}

void TEditorAttributeArray::StepBack() {
  Prior();
  if (Ch == '4') Prior();
}

std::string_view TEditorAttributeArray::StringAt(int /*pos*/, char ch, int bi) const {
  auto sub = [&](int from, int n) -> std::string_view {
    if (from < 0 || static_cast<std::size_t>(from) >= text_.size()) return {};
    return text_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n));
  };
  switch (ch) {
    case '0': return {};
    case '5': return sub(bi - 2, 2);
    case '4': return sub(bi - 1, 2);
    default: return sub(bi - 1, 1);
  }
}

std::string_view TEditorAttributeArray::NextPositionString() const {
  if (Ch == '0') return {};
  char ch = AttrAt(Position + 1);
  return StringAt(Position + 1, ch, ByteIndex + (ch != '3' ? 1 : 0));
}

// ---- cutting ----

TWrapRules TWrapRules::From(const TEditorWrapOption& o, int tabSpaceCount, const TDelimiters* d) {
  TWrapRules r;
  r.Columns.TabSpaceCount = tabSpaceCount;
  r.Columns.WordWrap = true;
  r.Columns.WrapByte = o.WrapByte();
  r.Columns.Delimiters = d;
  r.FollowRetMark = o.FollowRetMark();
  r.FollowPunctuation = o.FollowPunctuation();
  r.Leading = o.Leading();
  r.WordBreak = o.WordBreak();
  r.FollowStr = o.FollowStr();
  r.LeadStr = o.LeadStr();
  r.PunctuationStr = o.PunctuationStr();
  return r;
}

bool InCharSet(std::string_view set, std::string_view ch) {
  if (ch.empty()) return false;
  std::size_t i = 0;
  while (i < set.size()) {
    std::size_t n = cp932::CharLength(set, i);
    if (set.substr(i, n) == ch) return true;
    i += n;
  }
  return false;
}

namespace {

// The byte length of the next row cut from rest, or -1 when rest fits.
int CutOne(std::string_view rest, const TWrapRules& r, TEditorAttributeArray& a) {
  const int W = r.Columns.WrapByte;
  a.NewData(rest, StrToAttributes(rest, r.Columns));
  a.SetPosition(W);
  if (a.Ch == '0') return -1;
  if (a.Ch == '4') {
    a.Prior();
  } else if (r.WordBreak && a.GetSize() > W) {
    while (!(a.Ch == '2' || a.Ch == '3' || a.Ch == '5') && a.Position > W / 3) a.StepBack();
  }
  if (r.FollowPunctuation) {
    while (a.Position < W + 2 && InCharSet(r.PunctuationStr, a.NextPositionString())) {
      a.Next();
      if (a.Ch == '4') a.Next();
    }
  }
  if (r.Leading && a.Position < a.GetSize()) {
    const int lim = (W / 5) * 4;
    while (a.Position > lim && InCharSet(r.LeadStr, a.PositionString())) a.StepBack();
    if (a.Position + 1 < a.GetSize()) {
      std::string next(a.NextPositionString());
      if (InCharSet(r.FollowStr, next)) {
        std::string cur(a.PositionString());
        while (a.Position > lim && (InCharSet(r.LeadStr, cur) || InCharSet(r.FollowStr, next))) {
          next = cur;
          a.StepBack();
          cur = std::string(a.PositionString());
        }
      }
    }
  }
  int n = a.ByteIndex;
  // Never split a character and always make progress.
  if (a.Ch == '4') ++n;
  if (n < 1) n = static_cast<int>(cp932::CharLength(rest, 0));
  return std::min(n, static_cast<int>(rest.size()));
}

template <class Emit>
void Cut(std::string_view line, const TWrapRules& r, Emit emit) {
  const int W = r.Columns.WrapByte;
  std::string first = StrToAttributes(line, r.Columns);
  if (static_cast<int>(first.size()) < W) {
    emit(static_cast<int>(line.size()));
    return;
  }
  TEditorAttributeArray a;
  std::string_view rest = line;
  for (;;) {
    int n = CutOne(rest, r, a);
    if (n < 0) {
      if (!rest.empty() || !r.FollowRetMark) emit(static_cast<int>(rest.size()));
      return;
    }
    emit(n);
    rest.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

void CutLine(std::string_view line, const TWrapRules& r, std::vector<int>& lengths) {
  Cut(line, r, [&](int n) { lengths.push_back(n); });
}

int CountLineRows(std::string_view line, const TWrapRules& r) {
  int count = 0;
  Cut(line, r, [&](int) { ++count; });
  return count;
}

}  // namespace tolvan
