// Batch mode's progress: one line on standard error, redrawn in place, and
// only when standard error is a terminal (a log file gets nothing).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace tolvan {

class TProgressLine {
 public:
  // Draws on fd when it is a terminal, at most every 100 ms.
  explicit TProgressLine(int fd);
  // columns: the terminal's width when asked; interval: the least time
  // between two draws.
  TProgressLine(int fd, bool enabled, std::function<int()> columns,
                std::chrono::milliseconds interval = std::chrono::milliseconds(100));
  ~TProgressLine();

  // The run starting: label (UTF-8 file name, "実行中", ...) and count ("3/12").
  void Show(const std::string& label, const std::string& count);
  // Runs done of runs planned.
  void Done(std::size_t done, std::size_t planned);
  // Erases the line, so what follows starts at the left edge.
  void Clear();

  // The line for a terminal columns wide: a bar and a percentage when more
  // than one run is planned, then the count and the label, cut in the middle
  // to fit into columns - 1 (the last column would wrap on some terminals).
  static std::string Render(std::string_view label, std::string_view count, std::size_t done,
                            std::size_t planned, int columns);
  // Columns a UTF-8 text takes (East Asian wide characters two).
  static int Width(std::string_view utf8);

 private:
  void Draw(bool force);

  int fd_;
  bool enabled_;
  std::function<int()> columns_;
  std::chrono::milliseconds interval_;
  std::mutex mu_;
  std::string label_, count_;
  std::size_t done_ = 0, planned_ = 0;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace tolvan
