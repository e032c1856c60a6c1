#include "editor/model/editor_strings.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>

#include "core/file_errors.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tolvan {

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void ThrowOpen(const std::filesystem::path& name, int err) {
  throw EFOpenError("ファイル " + name.string() + " を開けません。" + FileErrorReason(err));
}

// Reads up to n bytes, retrying short reads; returns bytes read.
std::size_t ReadBlock(int fd, char* buf, std::size_t n, const std::filesystem::path& name) {
  std::size_t got = 0;
  while (got < n) {
    ssize_t k = ::read(fd, buf + got, n - got);
    if (k < 0) {
      if (errno == EINTR) continue;
      ThrowOpen(name, errno);
    }
    if (k == 0) break;
    got += static_cast<std::size_t>(k);
  }
  return got;
}

// Which bytes end a row while text is cut: every CR, LF and CR LF, or only
// a file's own line end (the other CR and LF bytes stay in the rows).
enum class Cut { Any, CrLf, Lf, Cr };

Cut CutFor(std::optional<LineEnd> e) {
  if (!e) return Cut::Any;
  return *e == LineEnd::CrLf ? Cut::CrLf : *e == LineEnd::Lf ? Cut::Lf : Cut::Cr;
}

// Cuts s[from, n) into lines: each line ended in it goes into spans[count]
// (offset from blockStart) until count reaches kBlockRows. lineStart is
// where the current line starts. Returns where it stopped: n, or where the
// line after the one that filled spans starts. s[from - 1] must not be a
// CR that ended a line; s[n] must be readable and not an LF. Sixty-four
// bytes are tested at once, the LF of each CR LF is masked out, and the work
// per line has no branch that depends on the text: line lengths are random.
// Outside Cut::Any, others counts the CR and LF bytes kept in rows.
template <Cut kCut>
std::size_t CutLines(const char* s, std::size_t from, std::size_t n, std::size_t blockStart,
                     std::size_t& lineStartRef, TRowSpan* spans, int& countRef, std::size_t& others) {
  std::size_t lineStart = lineStartRef;
  int count = countRef;
  std::size_t i = from;
  bool prevCr = false;  // s[i - 1] is a CR
  const auto endAt = [&](std::size_t pos) {
    const bool crLf = (s[pos] == '\r') & (s[pos + 1] == '\n');
    std::size_t end = pos;
    if constexpr (kCut == Cut::CrLf) {
      if (s[pos] == '\n' && pos > lineStart && s[pos - 1] == '\r') {
        // A CR LF whose CR ended the previous read, counted then as kept.
        --others;
        end = pos - 1;
      } else if (!crLf) {
        ++others;
        return true;
      }
    } else if constexpr (kCut == Cut::Lf) {
      if (s[pos] == '\r') {
        ++others;
        if (!crLf) return true;
        ++pos;  // the line ends at the LF and keeps the CR
        end = pos;
      }
    } else if constexpr (kCut == Cut::Cr) {
      if (s[pos] == '\n') {
        ++others;
        return true;
      }
      if (crLf) ++others;  // the LF starts the next row
    }
    const std::size_t next =
        kCut == Cut::Any ? pos + 1 + static_cast<std::size_t>(crLf) : kCut == Cut::CrLf && end == pos ? pos + 2 : pos + 1;
    spans[count++] = {static_cast<std::uint32_t>(lineStart - blockStart), static_cast<std::uint32_t>(end - lineStart)};
    lineStart = next;
    return count < TRowBlocks::kBlockRows;
  };
#if defined(__SSE2__)
  const __m128i crs = _mm_set1_epi8('\r');
  const __m128i lfs = _mm_set1_epi8('\n');
  for (; i + 64 <= n; i += 64) {
    std::uint64_t cr = 0;
    std::uint64_t lf = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16 * k));
      cr |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, crs))))
            << (16 * k);
      lf |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lfs))))
            << (16 * k);
    }
    std::uint64_t ends = cr | (lf & ~((cr << 1) | static_cast<std::uint64_t>(prevCr)));
    prevCr = (cr >> 63) != 0;
    while (ends != 0) {
      if (!endAt(i + static_cast<std::size_t>(__builtin_ctzll(ends)))) {
        lineStartRef = lineStart;
        countRef = count;
        return lineStart;
      }
      ends &= ends - 1;
    }
  }
#endif
  for (; i < n; ++i) {
    const char c = s[i];
    const bool skip = c == '\n' && prevCr;
    prevCr = c == '\r';
    if (!skip && (c == '\r' || c == '\n') && !endAt(i)) {
      lineStartRef = lineStart;
      countRef = count;
      return lineStart;
    }
  }
  lineStartRef = lineStart;
  countRef = count;
  return n;
}

using Cutter = std::size_t (*)(const char*, std::size_t, std::size_t, std::size_t, std::size_t&, TRowSpan*, int&,
                               std::size_t&);

Cutter CutterFor(Cut c) {
  switch (c) {
    case Cut::CrLf: return &CutLines<Cut::CrLf>;
    case Cut::Lf: return &CutLines<Cut::Lf>;
    case Cut::Cr: return &CutLines<Cut::Cr>;
    default: return &CutLines<Cut::Any>;
  }
}

// Load buffers are large and asked to be backed by huge pages: faulting in
// the memory for a large text a small page at a time costs more than
// reading it.
constexpr std::size_t kLoadBuffer = 16u << 20;

std::shared_ptr<char> NewLoadBuffer(std::size_t size) {
  void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
  ::madvise(p, size, MADV_HUGEPAGE);
#endif
  return std::shared_ptr<char>(static_cast<char*>(p), [size](char* q) { ::munmap(q, size); });
}

// One update of the lines, ended however the block is left.
class UpdateScope {
 public:
  explicit UpdateScope(TEditorStrings& t) : t_(t) { t_.SetUpdateState(true); }
  ~UpdateScope() { t_.SetUpdateState(false); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TEditorStrings& t_;
};

}  // namespace

int TEditorStrings::GetCount() const {
  TEditorScreenStrings& s = Store();
  const int n = s.Count();
  if (!s.WordWrap()) return n;
  int lines = 0;
  for (int r = 0; r < n; ++r)
    if (s.Rows(r) != raWrapped || r == n - 1) ++lines;
  return lines;
}

std::string TEditorStrings::Get(int Line) const {
  TEditorScreenStrings& s = Store();
  if (!s.WordWrap()) return std::string(s.Get(Line));
  int row = s.LinesToRow(Line);
  if (Line < 0 || row >= s.Count()) throw EListError(Line);
  std::string str;
  int rows = 0;
  TRowAttribute a;
  s.ListInfo(row, -1, str, rows, a);
  while (str.size() >= 2 && str.compare(str.size() - 2, 2, "\r\n") == 0) str.resize(str.size() - 2);
  return str;
}

void TEditorStrings::Put(int Line, std::string_view S) {
  TEditorScreenStrings& s = Store();
  owner_.CleanSelection();
  int r = s.LinesToRow(Line);
  if (Line < 0 || r >= s.Count()) throw EListError(Line);
  int e = s.RowEnd(r);
  std::string text(S);
  s.CheckCrlf(e, text);
  owner_.CaretBeginUpdate();
  s.UpdateList(r, e - r + 1, text);
  s.SetSelIndex(&owner_, r, static_cast<int>(text.size()));
  owner_.CaretEndUpdate();
}

void TEditorStrings::Insert(int Line, std::string_view S) {
  TEditorScreenStrings& s = Store();
  int r = s.LinesToRow(Line);
  if (r == s.Count()) {
    Add(S);
    return;
  }
  if (Line < 0 || r > s.Count()) throw EListError(Line);
  owner_.CleanSelection();
  std::string text(S);
  text += "\r\n";
  s.UpdateList(r, 0, text);
  s.SetSelIndex(&owner_, r, static_cast<int>(text.size()));
}

void TEditorStrings::Add(std::string_view S) {
  TEditorScreenStrings& s = Store();
  owner_.CleanSelection();
  const int n = s.Count();
  if (n > 0 && s.Rows(n - 1) != raCrlf) {
    std::string text(s.Get(n - 1));
    text += "\r\n";
    text += S;
    s.UpdateList(n - 1, 1, text);
    s.SetSelIndex(&owner_, n - 1, static_cast<int>(text.size()));
  } else {
    std::string text(S);
    text += "\r\n";
    s.UpdateList(n, 0, text);
    s.SetSelIndex(&owner_, n, static_cast<int>(text.size()));
  }
}

void TEditorStrings::Delete(int Line) {
  TEditorScreenStrings& s = Store();
  owner_.CleanSelection();
  int r = s.LinesToRow(Line);
  if (Line < 0 || r >= s.Count()) throw EListError(Line);
  s.UpdateList(r, s.RowEnd(r) - s.RowStart(r) + 1, {});
  s.SetSelIndex(&owner_, r, 0);
}

void TEditorStrings::Clear() { Store().Clear(); }

void TEditorStrings::SetTextStr(std::string_view S) {
  TEditorScreenStrings& s = Store();
  UpdateScope scope(*this);
  s.Clear();
  TEditorStringList rows;
  bool wrap = s.WordWrap();
  // Split without wrapping; the whole store is wrapped once afterwards.
  const bool onlyCrLf = s.OwnLineEnd().has_value();
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < S.size()) {
    char ch = S[i];
    if (onlyCrLf ? ch == '\r' && i + 1 < S.size() && S[i + 1] == '\n' : ch == '\r' || ch == '\n') {
      rows.AddRow(S.substr(start, i - start), raCrlf);
      i += (ch == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < S.size()) rows.AddRow(S.substr(start), raEof);
  s.InsertList(0, rows);
  if (wrap) s.WrapLines();
  s.InitBrackets();
}

void TEditorStrings::Assign(const TEditorStrings& Source) {
  if (&Source == this) return;
  SetTextStr(Source.GetTextStr());
  TEditorScreenStrings& s = Store();
  int n = s.Count();
  owner_.SetRowCol((n > 0 && s.Rows(n - 1) == raEof) ? n - 1 : n, 0);
}

void TEditorStrings::Assign(const std::vector<std::string>& Source) {
  std::string text;
  for (const std::string& line : Source) {
    text += line;
    text += "\r\n";
  }
  SetTextStr(text);
  owner_.SetRowCol(Store().Count(), 0);
}

void TEditorStrings::LoadFromFile(const std::filesystem::path& Name, std::size_t BlockSize) {
  TEditorScreenStrings& s = Store();
  UpdateScope scope(*this);
  s.Clear();

  // A Ctrl-Z as the very last byte is the old end-of-file mark and is not
  // text. A Ctrl-Z with text after it is kept as an ordinary byte: cutting
  // the text there would lose the rest of the file at the next save.
  // Without O_NONBLOCK, opening a named pipe waits for a writer for ever.
  Fd fd(::open(Name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) ThrowOpen(Name, errno);
  std::size_t length = 0;
  {
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) ThrowOpen(Name, errno);
    if (!S_ISREG(st.st_mode))
      throw EFOpenError("Cannot open file \"" + Name.string() + "\". Not a regular file");
    length = static_cast<std::size_t>(st.st_size);
    if (length > 0) {
      char last = 0;
      if (::pread(fd.get(), &last, 1, static_cast<off_t>(length - 1)) == 1 && last == 26) --length;
    }
  }
  // One pass, and the text is copied once: the file is read into large
  // buffers, and the row blocks point into them until they are edited. A
  // line unfinished at a buffer's end starts the next buffer.
  const std::size_t maxRead = std::max<std::size_t>(BlockSize, 1);
  TEditorStringList scratch;
  TRowBlocks& rows = scratch.Blocks();
  std::vector<TRowSpan> spans(TRowBlocks::kBlockRows);
  std::shared_ptr<char> buf;     // the buffer being filled
  std::shared_ptr<char> prev;    // the one before, for its unfinished line
  const char* rest = nullptr;    // that line, and its length
  std::size_t carry = 0;
  std::size_t left = length;  // bytes not read yet
  bool crAtEnd = false;  // the last read ended with a CR that ended a line
  const Cut cut = CutFor(s.OwnLineEnd());
  const Cutter cutLines = CutterFor(cut);
  std::size_t others = 0;
  while (left > 0) {
    // No larger than what is left: a small file takes no huge page.
    const std::size_t bufSize = std::max(std::min(kLoadBuffer, carry + left), 2 * carry);
    buf = NewLoadBuffer(bufSize + 1);  // the byte after the text stays 0
    const std::size_t cap = bufSize;
    char* text = buf.get();
    if (carry > 0) std::memcpy(text, rest, carry);
    prev.reset();
    std::size_t used = carry;     // bytes in the buffer
    std::size_t lineStart = 0;    // where the current line starts
    std::size_t blockStart = 0;   // where the current row block's text starts
    std::size_t scanned = carry;  // bytes known to hold no line end
    int count = 0;
    const auto flush = [&](std::size_t end) {
      if (count == 0) return;
      if (static_cast<long long>(rows.Count()) + count > 0x7FFFFFF0LL)
        throw EFOpenError("File \"" + Name.string() + "\" has too many lines");
      rows.AppendShared(buf, text + blockStart, end - blockStart, spans.data(), count);
      count = 0;
      blockStart = end;
    };
    while (left > 0 && used < cap) {
      const std::size_t got = ReadBlock(fd.get(), text + used, std::min({maxRead, cap - used, left}), Name);
      if (got == 0) {
        left = 0;  // the file got shorter
        break;
      }
      left -= got;
      std::size_t from = scanned;
      if (crAtEnd && text[used] == '\n') {
        // The LF of a CR LF split between two reads.
        ++from;
        lineStart = from;
        if (count == 0) blockStart = from;
      }
      used += got;
      while (from < used) {
        from = cutLines(text, from, used, blockStart, lineStart, spans.data(), count, others);
        if (count == TRowBlocks::kBlockRows) flush(lineStart);
      }
      // Only where any CR ends a line is the LF after it part of that end.
      crAtEnd = cut == Cut::Any && lineStart == used && text[used - 1] == '\r';
      scanned = used;
    }
    flush(lineStart);
    carry = used - lineStart;
    if (carry > 0 && left == 0) {
      // The text after the last line end.
      spans[0] = {static_cast<std::uint32_t>(lineStart - blockStart), static_cast<std::uint32_t>(carry)};
      count = 1;
      flush(used);
      rows.At(rows.Count() - 1).Item = raEof;
      carry = 0;
    }
    prev = buf;
    rest = text + lineStart;
  }
  s.TakeFreshList(scratch);
  s.SetMixedLineEnds(others > 0);
  if (s.WordWrap()) s.WrapLines();
  s.InitBrackets();
  s.ClientsInitView();
}

void TEditorStrings::LoadFromText(std::shared_ptr<const std::string> Text) {
  LoadFromText(TSharedBytes::FromString(std::move(Text)));
}

void TEditorStrings::LoadFromText(const TSharedBytes& Text) {
  TEditorScreenStrings& s = Store();
  UpdateScope scope(*this);
  s.Clear();
  TEditorStringList scratch;
  bool mixed = false;
  if (Text.Data && Text.Size > 0) {
    // The zero byte after the text is the readable byte that the line
    // cutter needs.
    const char* text = Text.Data.get();
    const std::size_t n = Text.Size;
    const std::shared_ptr<const char>& owner = Text.Data;
    TRowBlocks& rows = scratch.Blocks();
    std::vector<TRowSpan> spans(TRowBlocks::kBlockRows);
    std::size_t lineStart = 0, blockStart = 0, from = 0, others = 0;
    const Cutter cutLines = CutterFor(CutFor(s.OwnLineEnd()));
    int count = 0;
    const auto flush = [&](std::size_t end) {
      if (count == 0) return;
      if (static_cast<long long>(rows.Count()) + count > 0x7FFFFFF0LL) throw EFOpenError("The text has too many lines");
      rows.AppendShared(owner, text + blockStart, end - blockStart, spans.data(), count);
      count = 0;
      blockStart = end;
    };
    while (from < n) {
      from = cutLines(text, from, n, blockStart, lineStart, spans.data(), count, others);
      if (count == TRowBlocks::kBlockRows) flush(lineStart);
    }
    flush(lineStart);
    if (lineStart < n) {  // the text after the last line end
      spans[0] = {0, static_cast<std::uint32_t>(n - lineStart)};
      count = 1;
      flush(n);
      rows.At(rows.Count() - 1).Item = raEof;
    }
    mixed = others > 0;
  }
  s.TakeFreshList(scratch);
  s.SetMixedLineEnds(mixed);
  if (s.WordWrap()) s.WrapLines();
  s.InitBrackets();
  s.ClientsInitView();
}

void TEditorStrings::SaveToFile(const std::filesystem::path& Name) const {
  if (!Store().ListToFile(Name)) ThrowOpen(Name, errno);
}

void TEditorStrings::SetUpdateState(bool Updating) {
  TEditorScreenStrings& s = Store();
  if (Updating) {
    ++updateCount_;
    s.SetUpdateState(true);
    owner_.CaretBeginUpdate();
  } else {
    if (updateCount_ > 0) --updateCount_;
    s.SetUpdateState(false);
    owner_.CaretEndUpdate();
    if (updateCount_ == 0) s.ClientsInitView();
  }
}

TEditorScreenStrings& ExchangeList(TEditorClient& Client, TEditorScreenStrings& Own,
                                   TEditorScreenStrings& Other) {
  if (&Own == &Other) return Own;
  Other.Reference(&Client);
  Own.Release(&Client);
  Client.InitView();
  return Other;
}

}  // namespace tolvan
