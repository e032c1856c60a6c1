// What an editor window asks of the main window, for the benchmarks: a
// folder of their own, gawk at its usual place, and an optional sample as
// the main window's first selected input. An empty awk path leaves the
// window's own runs (preview, syntax check) refused, as with no gawk set.
#pragma once

#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "editorwin/editor_window.h"

namespace tolvan {

inline double NowMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

class BenchHost : public TEditorWindowHost {
 public:
  explicit BenchHost(std::filesystem::path folder, QString sample = QString(), std::string awk = "/usr/bin/gawk")
      : folder_(std::move(folder)), sample_(std::move(sample)), awk_(std::move(awk)) {}
  std::filesystem::path SettingsFile() const override { return folder_ / "bench.INI"; }
  QString ScriptsFolder() const override { return QString::fromStdString(folder_.string()); }
  QString ScriptExt() const override { return ".awk"; }
  void OpenEditor(const QString&) override {}
  void UnregisterEditor(TEditorWindowRef*) override {}
  QStringList& FindHistory() override { return find_; }
  QStringList& ReplaceHistory() override { return replace_; }
  TPreviewContext PreviewContext(TextEncoding e) const override {
    TPreviewContext c;
    c.Encoding = e;
    c.AwkPath = awk_;
    c.FirstSelectedInput = sample_;
    return c;
  }

 private:
  std::filesystem::path folder_;
  QString sample_;
  std::string awk_;
  QStringList find_, replace_;
};

}  // namespace tolvan
