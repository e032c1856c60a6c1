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

namespace {

// The attribute of a one-column character: what a delimiter set says of its
// byte; UTF-8 half-width katakana by the CP932 byte of the same character.
char OneColumnAttribute(std::string_view s, std::size_t i, int n, const TColumnRules& r) {
  const unsigned char b = static_cast<unsigned char>(s[i]);
  if (r.Encoding == TextEncoding::Cp932 || n == 1) return Delims(r).test(b) ? '2' : '1';
  const char32_t cp = utf8::DecodeSequence(s, i, utf8::SequenceLength(s, i));
  if (cp >= 0xFF61 && cp <= 0xFF9F) return Delims(r).test(cp - 0xFF61 + 0xA1) ? '2' : '1';
  return '1';
}

// Room for the attribute string of s, and the column where building stops.
std::string AttributeRoom(std::string_view s, const TColumnRules& r, std::size_t& limit) {
  limit = r.WordWrap ? static_cast<std::size_t>(r.WrapByte + 3) : 1000u;
  // A character takes at most `widest` columns; the last one may pass the limit.
  const std::size_t widest = static_cast<std::size_t>(std::max(r.TabSpaceCount, 2));
  return std::string(std::min(limit, s.size() * widest) + widest, '\0');
}

// Any encoding, with the start byte of each column: kept out of line so the
// CP932 loop below stays as tight as it was.
[[gnu::noinline]] std::string AttributesWithStarts(std::string_view s, const TColumnRules& r,
                                                    std::vector<int>* starts) {
  const TDelimiters& d = Delims(r);
  std::size_t limit = 0;
  std::string a = AttributeRoom(s, r, limit);
  std::size_t c = 0;
  std::size_t i = 0;
  if (starts) starts->clear();
  auto mark = [&](char ch) {
    a[c++] = ch;
    if (starts) starts->push_back(static_cast<int>(i));
  };
  while (i < s.size() && c < limit) {
    if (s[i] == '\t') {
      const int w = TabWidthAt(static_cast<int>(c), r);
      mark(d.test('\t') ? '2' : '1');
      for (int k = 1; k < w; ++k) mark('3');
      ++i;
      continue;
    }
    const TCharStep step = CharStepAt(s, i, r);
    if (step.Cols == 2) {
      mark('4');
      mark('5');
    } else {
      mark(OneColumnAttribute(s, i, step.Bytes, r));
    }
    i += static_cast<std::size_t>(step.Bytes);
  }
  a.resize(c);
  if (starts) starts->push_back(static_cast<int>(i));
  return a;
}

}  // namespace

std::string StrToAttributes(std::string_view s, const TColumnRules& r, std::vector<int>* starts) {
  if (r.Encoding != TextEncoding::Cp932 || starts) return AttributesWithStarts(s, r, starts);
  const TDelimiters& d = Delims(r);
  std::size_t limit = 0;
  std::string a = AttributeRoom(s, r, limit);
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
  if (s.find('\t') == std::string_view::npos) {
    // Without tabs every CP932 byte is one column.
    if (r.Encoding == TextEncoding::Cp932) return static_cast<int>(s.size());
    return static_cast<int>(std::min<std::size_t>(DisplayWidth(r.Encoding, s), INT_MAX));
  }
  return ColumnOfByte(s, static_cast<int>(std::min<std::size_t>(s.size(), INT_MAX)), r);
}

std::string ExpandTab(std::string_view s, const TColumnRules& r) {
  if (s.find('\t') == std::string_view::npos) return std::string(s);
  std::string out;
  int c = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] == '\t') {
      const int w = TabWidthAt(c, r);
      out.append(static_cast<std::size_t>(w), ' ');
      c += w;
      ++i;
    } else {
      const TCharStep step = CharStepAt(s, i, r);
      out.append(s.substr(i, static_cast<std::size_t>(step.Bytes)));
      c += step.Cols;
      i += static_cast<std::size_t>(step.Bytes);
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
    } else if (r.Encoding == TextEncoding::Cp932 && i + 1 < s.size() &&
               static_cast<unsigned char>(s[i]) == 0x81 && static_cast<unsigned char>(s[i + 1]) == 0x40) {
      c += 2;
      i += 2;
    } else if (r.Encoding == TextEncoding::Utf8 && s.substr(i, 3) == "\xE3\x80\x80" &&
               CharStepAt(s, i, r).Bytes == 3) {
      // The ideographic space, unless a combining mark rides on it.
      c += 2;
      i += 3;
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
      const TCharStep step = CharStepAt(s, i, r);
      c += step.Cols;
      i += static_cast<std::size_t>(step.Bytes);
    }
  }
  return c;
}

int ByteOfColumn(std::string_view s, int col, const TColumnRules& r) {
  int c = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    const TCharStep step = s[i] == '\t' ? TCharStep{1, TabWidthAt(c, r)} : CharStepAt(s, i, r);
    if (c + step.Cols > col) {
      // Inside a tab's fill the position is the tab; inside a two-column
      // character it is the character's start.
      return static_cast<int>(i);
    }
    c += step.Cols;
    i += static_cast<std::size_t>(step.Bytes);
  }
  return static_cast<int>(s.size());
}

// ---- cursor ----

void TEditorAttributeArray::NewData(std::string_view text, std::string attributes, std::vector<int> starts) {
  text_ = text;
  attrs_ = std::move(attributes);
  starts_ = std::move(starts);
  Position = 0;
  ByteIndex = 0;
  Ch = ' ';
  Next();
}

// With starts, ByteIndex keeps the meaning the one-byte count gives it:
// the end of the character, one less on a two-column character's first
// column.
[[gnu::noinline]] void TEditorAttributeArray::SyncByteIndex() {
  if (Position < 1 || Position > GetSize()) return;
  ByteIndex = EndAt(Position) - (Ch == '4' ? 1 : 0);
}

int TEditorAttributeArray::EndAt(int pos) const {
  const int start = StartAt(pos);
  for (std::size_t q = static_cast<std::size_t>(pos); q < starts_.size(); ++q)
    if (starts_[q] != start) return starts_[q];
  return start + 1;
}

int TEditorAttributeArray::BytesThrough() const {
  if (!starts_.empty() && Position >= 1 && Position <= GetSize()) return EndAt(Position);
  return ByteIndex + (Ch == '4' ? 1 : 0);
}

void TEditorAttributeArray::SetPosition(int p) {
  while (Position < p && Ch != '0') Next();
  while (Position > p && Position > 1) Prior();
}

void TEditorAttributeArray::StepBack() {
  Prior();
  if (Ch == '4') Prior();
}

std::string_view TEditorAttributeArray::StringAt(int pos, char ch, int bi) const {
  auto sub = [&](int from, int n) -> std::string_view {
    if (from < 0 || static_cast<std::size_t>(from) >= text_.size()) return {};
    return text_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n));
  };
  if (!starts_.empty()) {
    if (ch == '0' || pos < 1 || pos > GetSize()) return {};
    return sub(StartAt(pos), EndAt(pos) - StartAt(pos));
  }
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

TWrapRules TWrapRules::From(const TEditorWrapOption& o, int tabSpaceCount, const TDelimiters* d,
                            TextEncoding encoding) {
  TWrapRules r;
  r.Columns.Encoding = encoding;
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
  if (encoding != TextEncoding::Cp932) {
    for (std::string* set : {&r.FollowStr, &r.LeadStr, &r.PunctuationStr})
      *set = Convert(TextEncoding::Cp932, encoding, *set).bytes;
  }
  return r;
}

bool InCharSet(std::string_view set, std::string_view ch, TextEncoding encoding) {
  if (ch.empty()) return false;
  std::size_t i = 0;
  while (i < set.size()) {
    std::size_t n = CharLength(encoding, set, i);
    if (set.substr(i, n) == ch) return true;
    i += n;
  }
  return false;
}

namespace {

// The byte length of the next row cut from rest, or -1 when rest fits.
int CutOne(std::string_view rest, const TWrapRules& r, TEditorAttributeArray& a) {
  const int W = r.Columns.WrapByte;
  if (r.Columns.Encoding == TextEncoding::Cp932) {
    a.NewData(rest, StrToAttributes(rest, r.Columns));
  } else {
    std::vector<int> starts;
    std::string attrs = StrToAttributes(rest, r.Columns, &starts);
    a.NewData(rest, std::move(attrs), std::move(starts));
  }
  const TextEncoding e = r.Columns.Encoding;
  a.SetPosition(W);
  if (a.Ch == '0') return -1;
  if (a.Ch == '4') {
    a.Prior();
  } else if (r.WordBreak && a.GetSize() > W) {
    while (!(a.Ch == '2' || a.Ch == '3' || a.Ch == '5') && a.Position > W / 3) a.StepBack();
  }
  if (r.FollowPunctuation) {
    while (a.Position < W + 2 && InCharSet(r.PunctuationStr, a.NextPositionString(), e)) {
      a.Next();
      if (a.Ch == '4') a.Next();
    }
  }
  if (r.Leading && a.Position < a.GetSize()) {
    const int lim = (W / 5) * 4;
    while (a.Position > lim && InCharSet(r.LeadStr, a.PositionString(), e)) a.StepBack();
    if (a.Position + 1 < a.GetSize()) {
      std::string next(a.NextPositionString());
      if (InCharSet(r.FollowStr, next, e)) {
        std::string cur(a.PositionString());
        while (a.Position > lim && (InCharSet(r.LeadStr, cur, e) || InCharSet(r.FollowStr, next, e))) {
          next = cur;
          a.StepBack();
          cur = std::string(a.PositionString());
        }
      }
    }
  }
  // Never split a character and always make progress.
  int n = a.BytesThrough();
  if (n < 1) n = static_cast<int>(CharLength(e, rest, 0));
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
