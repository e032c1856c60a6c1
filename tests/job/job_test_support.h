// Helpers shared by the job tests: the real gawk, CP932 literals, files,
// and a host that records what the job thread tells it.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/codepage.h"
#include "core/files.h"
#include "job/job_host.h"

namespace tolvan::test {

inline const std::string kGawk = "/usr/bin/gawk";

// CP932 bytes of a UTF-8 literal.
inline std::string Sj(const char* utf8) { return cp932::FromUtf8(utf8).bytes; }

inline void WriteBytes(const std::filesystem::path& p, const std::string& bytes) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << bytes;
}

inline std::string ReadBytes(const std::filesystem::path& p) {
  std::string s;
  if (!ReadWholeFile(p, s)) return "<missing>";
  return s;
}

// Dead, or a zombie waiting for its reaper.
inline bool ProcessGone(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) return true;
  std::string line;
  std::getline(stat, line);
  std::size_t close = line.rfind(')');
  return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

inline bool WaitUntil(const std::function<bool()>& cond, std::chrono::milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!cond()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

inline pid_t ReadPid(const std::filesystem::path& p) {
  std::string s = ReadBytes(p);
  try {
    return static_cast<pid_t>(std::stol(s));
  } catch (...) {
    return 0;
  }
}

// The file behind the mapping that holds addr ("" when none, or anonymous).
inline std::string MappedFile(const void* addr) {
  std::ifstream maps("/proc/self/maps");
  const auto a = reinterpret_cast<std::uintptr_t>(addr);
  for (std::string line; std::getline(maps, line);) {
    unsigned long from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx", &from, &to) != 2 || a < from || a >= to) continue;
    const std::size_t path = line.find('/');
    return path == std::string::npos ? std::string() : line.substr(path);
  }
  return {};
}

// How many of this process's mappings come from the job's memory files.
inline int MemoryFileMappings() {
  std::ifstream maps("/proc/self/maps");
  int n = 0;
  for (std::string line; std::getline(maps, line);) n += line.find("/memfd:tolvan-output") != std::string::npos;
  return n;
}

// What the process holds in memory: its resident set plus the pages of
// every memory file it has open (those count in no process's RSS).
inline std::size_t MemoryInUse() {
  std::size_t bytes = 0;
  {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
      if (line.rfind("VmRSS:", 0) == 0) bytes += std::stoul(line.substr(6)) * 1024;
  }
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
    std::error_code lec;
    const std::string target = std::filesystem::read_symlink(e.path(), lec).string();
    if (lec || target.rfind("/memfd:", 0) != 0) continue;
    struct stat st {};
    if (::stat(e.path().c_str(), &st) == 0) bytes += static_cast<std::size_t>(st.st_blocks) * 512;
  }
  return bytes;
}

class RecordingHost : public TJobHost {
 public:
  struct Step {
    std::string label, count;
  };
  void JobProgress(const std::string& label, const std::string& count) override {
    std::function<void(const std::string&)> hook;
    {
      std::lock_guard<std::mutex> lock(mu_);
      progress.push_back({label, count});
      hook = onProgress;
    }
    if (hook) hook(count);
  }
  void JobRunsDone(std::size_t done, std::size_t planned) override {
    std::function<void(std::size_t)> hook;
    {
      std::lock_guard<std::mutex> lock(mu_);
      runsDone.push_back({done, planned});
      hook = onRunsDone;
    }
    if (hook) hook(done);
  }
  void JobBusyCursor(bool busy) override {
    std::lock_guard<std::mutex> lock(mu_);
    cursor.push_back(busy);
  }
  void JobPutClipboard(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    clipboard.push_back(text);
  }
  void JobException(const std::string& message) override {
    std::lock_guard<std::mutex> lock(mu_);
    exceptions.push_back(message);
  }
  void JobEnded() override {
    std::lock_guard<std::mutex> lock(mu_);
    ++ended;
    cv_.notify_all();
  }
  bool WaitEnded(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mu_);
    return cv_.wait_for(lock, limit, [&] { return ended > 0; });
  }

  std::vector<Step> progress;
  std::vector<bool> cursor;
  std::vector<std::string> clipboard;
  std::vector<std::string> exceptions;
  int ended = 0;
  std::function<void(const std::string& count)> onProgress;
  std::vector<std::pair<std::size_t, std::size_t>> runsDone;
  std::function<void(std::size_t done)> onRunsDone;

 private:
  std::mutex mu_;
  std::condition_variable cv_;
};

}  // namespace tolvan::test
