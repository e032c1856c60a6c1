#include "editor/model/editor_strings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
  throw EFOpenError("Cannot open file \"" + name.string() + "\". " + std::strerror(err));
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

// Feeds the text bytes of the file (the final Ctrl-Z excluded) block by
// block to fn(data, length).
template <class Fn>
void ForEachBlock(const std::filesystem::path& name, std::size_t textLength,
                  std::vector<char>& buf, Fn fn) {
  Fd fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) ThrowOpen(name, errno);
  std::size_t left = textLength;
  while (left > 0) {
    std::size_t got = ReadBlock(fd.get(), buf.data(), std::min(buf.size(), left), name);
    if (got == 0) break;
    fn(buf.data(), got);
    left -= got;
  }
}

// Finds the next CR or LF; each byte value is searched for once per hit.
class LineEndFinder {
 public:
  LineEndFinder(const char* p, const char* end) : end_(end), cr_(p), lf_(p) {}
  const char* Next(const char* p) {
    if (cr_ < p || (cr_ == p && cr_ != end_ && *cr_ != '\r')) cr_ = Find(p, '\r');
    if (lf_ < p || (lf_ == p && lf_ != end_ && *lf_ != '\n')) lf_ = Find(p, '\n');
    return cr_ < lf_ ? cr_ : lf_;
  }

 private:
  const char* Find(const char* p, char ch) const {
    const void* hit = std::memchr(p, ch, static_cast<std::size_t>(end_ - p));
    return hit ? static_cast<const char*>(hit) : end_;
  }
  const char* end_;
  const char* cr_;
  const char* lf_;
};

// Walks the lines of the file's text block by block: onLine(p, n) for every
// line end found (p, n: the line's bytes within this block), onRest(p, n) for
// the bytes after a block's last line end, which the next line goes on from.
// A CR LF split over two blocks counts once.
template <class OnLine, class OnRest>
void ForEachLine(const std::filesystem::path& name, std::size_t textLength, std::vector<char>& buf,
                 OnLine onLine, OnRest onRest) {
  bool crPending = false;  // a CR ended the previous block
  ForEachBlock(name, textLength, buf, [&](const char* p, std::size_t n) {
    const char* end = p + n;
    if (crPending && p < end && *p == '\n') ++p;
    crPending = false;
    LineEndFinder find(p, end);
    while (p < end) {
      const char* q = find.Next(p);
      if (q == end) {
        onRest(p, static_cast<std::size_t>(end - p));
        break;
      }
      onLine(p, static_cast<std::size_t>(q - p));
      if (*q == '\r') {
        if (q + 1 < end) {
          if (q[1] == '\n') ++q;
        } else {
          crPending = true;
        }
      }
      p = q + 1;
    }
  });
}

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
  if (!s.WordWrap()) return s.Get(Line);
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
    std::string text = s.Get(n - 1);
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
  SetUpdateState(true);
  struct End {
    TEditorStrings& t;
    ~End() { t.SetUpdateState(false); }
  } end{*this};
  s.Clear();
  TEditorStringList rows;
  bool wrap = s.WordWrap();
  // Split without wrapping; the whole store is wrapped once afterwards.
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < S.size()) {
    char ch = S[i];
    if (ch == '\r' || ch == '\n') {
      rows.AddRow(std::string(S.substr(start, i - start)), raCrlf);
      i += (ch == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < S.size()) rows.AddRow(std::string(S.substr(start)), raEof);
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
  SetUpdateState(true);
  struct End {
    TEditorStrings& t;
    ~End() { t.SetUpdateState(false); }
  } end{*this};
  s.Clear();

  // A Ctrl-Z as the very last byte is the old end-of-file mark and is not
  // text. A Ctrl-Z with text after it is kept as an ordinary byte: cutting
  // the text there would lose the rest of the file at the next save.
  std::size_t length = 0;
  {
    Fd fd(::open(Name.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) ThrowOpen(Name, errno);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) ThrowOpen(Name, errno);
    length = static_cast<std::size_t>(st.st_size);
    if (length > 0) {
      char last = 0;
      if (::pread(fd.get(), &last, 1, static_cast<off_t>(length - 1)) == 1 && last == 26) --length;
    }
  }
  std::vector<char> buf(std::max<std::size_t>(BlockSize, 1));

  // Pass 1: count the lines.
  long long lines = 0;
  bool textAfter = false;  // bytes after the last line end
  ForEachLine(
      Name, length, buf,
      [&](const char*, std::size_t) {
        ++lines;
        textAfter = false;
      },
      [&](const char*, std::size_t) { textAfter = true; });
  if (textAfter) ++lines;
  if (lines > 0x7FFFFFF0LL) throw EFOpenError("File \"" + Name.string() + "\" has too many lines");

  // The rows are made once, then filled.
  TEditorStringList scratch;
  TRowBlocks& rows = scratch.Blocks();
  rows.Resize(static_cast<int>(lines));

  // Pass 2: fill them. The file may have changed in between; the rows
  // follow what this pass reads.
  int row = 0;
  std::string carry;
  bool haveCarry = false;
  auto put = [&](const char* p, std::size_t n) {
    if (row >= rows.Count()) rows.Resize(row + 1);
    std::string& dst = rows.At(row).String;
    if (haveCarry) {
      carry.append(p, n);
      dst = carry;
      carry.clear();
      haveCarry = false;
    } else {
      dst.assign(p, n);
    }
    ++row;
  };
  ForEachLine(Name, length, buf, put, [&](const char* p, std::size_t n) {
    carry.append(p, n);
    haveCarry = true;
  });
  if (haveCarry) {
    put("", 0);
    rows.At(row - 1).Item = raEof;
  }
  if (row < rows.Count()) rows.Resize(row);
  s.InsertList(0, scratch);
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
