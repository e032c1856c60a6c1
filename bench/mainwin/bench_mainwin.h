// What the main-window benchmarks share: messages printed rather than shown
// (nothing may wait for a person), a program folder of their own whose
// settings name gawk, and the clock and median they measure with.
#pragma once

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "core/qt/message_service.h"

namespace tolvan {

class PrintedMessages : public MessageService {
 public:
  void Beep() override {}
  void Show(QWidget*, Icon, const QString&, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  }
  Button Ask(QWidget*, Icon, const QString&, const QString& text, Buttons, Button) override {
    std::fprintf(stderr, "question: %s\n", text.toUtf8().constData());
    return QMessageBox::Cancel;
  }
};

// A fresh folder under the temporary one, its settings naming gawk; gone
// with the object.
class BenchProgramFolder {
 public:
  explicit BenchProgramFolder(const std::string& name)
      : dir_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    std::ofstream ini(dir_ / "tolvan.INI", std::ios::binary);
    ini << "[AWKEXE]\r\nPath=/usr/bin/gawk\r\n";
  }
  ~BenchProgramFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  BenchProgramFolder(const BenchProgramFolder&) = delete;
  BenchProgramFolder& operator=(const BenchProgramFolder&) = delete;
  const std::filesystem::path& Path() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

template <class F>
double Seconds(F&& f) {
  auto t0 = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace tolvan
