#include "job/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

namespace tolvan {

namespace {

int TerminalColumns(int fd) {
  winsize ws{};
  if (::ioctl(fd, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0) return ws.ws_col;
  return 80;
}

bool Wide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
         (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// One UTF-8 character at pos: its length in bytes and its columns. A byte
// that starts no well-formed sequence is one column of its own.
void Step(std::string_view s, std::size_t pos, std::size_t& len, int& cols) {
  const unsigned char b = static_cast<unsigned char>(s[pos]);
  std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
  if (n == 0 || pos + n > s.size()) {
    len = 1;
    cols = 1;
    return;
  }
  char32_t c = n == 1 ? b : b & (0x7F >> n);
  for (std::size_t i = 1; i < n; ++i) {
    const unsigned char t = static_cast<unsigned char>(s[pos + i]);
    if ((t & 0xC0) != 0x80) {
      len = 1;
      cols = 1;
      return;
    }
    c = (c << 6) | (t & 0x3F);
  }
  len = n;
  cols = c < 0x20 ? 0 : Wide(c) ? 2 : 1;
}

// The first characters of s that fit into cols columns.
std::string_view Head(std::string_view s, int cols) {
  std::size_t pos = 0;
  int used = 0;
  while (pos < s.size()) {
    std::size_t len;
    int w;
    Step(s, pos, len, w);
    if (used + w > cols) break;
    used += w;
    pos += len;
  }
  return s.substr(0, pos);
}

// The last characters of s that fit into cols columns.
std::string_view Tail(std::string_view s, int cols) {
  std::size_t start = s.size();
  std::size_t pos = 0;
  std::vector<std::pair<std::size_t, int>> chars;
  while (pos < s.size()) {
    std::size_t len;
    int w;
    Step(s, pos, len, w);
    chars.push_back({pos, w});
    pos += len;
  }
  int used = 0;
  for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
    if (used + it->second > cols) break;
    used += it->second;
    start = it->first;
  }
  return s.substr(start);
}

}  // namespace

int TProgressLine::Width(std::string_view utf8) {
  int cols = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    std::size_t len;
    int w;
    Step(utf8, pos, len, w);
    cols += w;
    pos += len;
  }
  return cols;
}

std::string TProgressLine::Render(std::string_view label, std::string_view count, std::size_t done,
                                  std::size_t planned, int columns) {
  const int room = columns - 1;
  std::string line;
  if (planned > 1) {
    if (done > planned) done = planned;
    const int bar = room >= 60 ? 20 : room >= 30 ? 10 : 0;
    if (bar > 0) {
      const int filled = static_cast<int>(done * static_cast<std::size_t>(bar) / planned);
      line += '[';
      line.append(static_cast<std::size_t>(filled), '#');
      line.append(static_cast<std::size_t>(bar - filled), '.');
      line += "] ";
    }
    std::string percent = std::to_string(done * 100 / planned) + "%";
    line.append(4 - std::min<std::size_t>(4, percent.size()), ' ');
    line += percent + " ";
  }
  if (!count.empty()) line += std::string(count) + " ";
  int left = room - Width(line);
  if (left <= 0) return std::string(Head(line, room));
  if (Width(label) <= left) return line + std::string(label);
  // Cut in the middle, as the window's label does: both ends of a long
  // path say more than either alone.
  const std::string_view dots = "...";
  if (left <= 3) return line + std::string(Head(label, left));
  const int tail = (left - 3) / 2, head = left - 3 - tail;
  return line + std::string(Head(label, head)) + std::string(dots) + std::string(Tail(label, tail));
}

TProgressLine::TProgressLine(int fd)
    : TProgressLine(fd, ::isatty(fd) == 1, [fd] { return TerminalColumns(fd); }) {}

TProgressLine::TProgressLine(int fd, bool enabled, std::function<int()> columns, std::chrono::milliseconds interval)
    : fd_(fd), enabled_(enabled), columns_(std::move(columns)), interval_(interval) {}

TProgressLine::~TProgressLine() { Clear(); }

void TProgressLine::Show(const std::string& label, const std::string& count) {
  std::lock_guard<std::mutex> lock(mu_);
  label_ = label;
  count_ = count;
  Draw(!drawn_);
}

void TProgressLine::Done(std::size_t done, std::size_t planned) {
  std::lock_guard<std::mutex> lock(mu_);
  done_ = done;
  planned_ = planned;
  Draw(false);
}

void TProgressLine::Clear() {
  std::lock_guard<std::mutex> lock(mu_);
  if (!drawn_) return;
  drawn_ = false;
  const char erase[] = "\r\x1b[K";
  while (::write(fd_, erase, sizeof erase - 1) < 0 && errno == EINTR) {}
}

void TProgressLine::Draw(bool force) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (!force && drawn_ && now - last_ < interval_) return;
  last_ = now;
  drawn_ = true;
  const std::string text = "\r" + Render(label_, count_, done_, planned_, columns_ ? columns_() : 80) + "\x1b[K";
  std::size_t off = 0;
  while (off < text.size()) {
    ssize_t n = ::write(fd_, text.data() + off, text.size() - off);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // a progress line is never worth failing a job
    off += static_cast<std::size_t>(n);
  }
}

}  // namespace tolvan
