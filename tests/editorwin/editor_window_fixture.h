// An editor window's surroundings for the tests: a host standing in for the
// main window (settings file in a temporary folder, its own table of
// windows), file choosers that answer from a script, recorded messages.
#pragma once

#include <QPainter>
#include <QtTest>

#include <deque>
#include <memory>
#include <vector>

#include "core/files.h"
#include "editorwin/editor_window.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

namespace tolvan::test {

// The editor's text area as its renderer paints it, on grey.
inline QImage Rendered(TEditorWidget& e) {
  QImage img(e.viewport()->size(), QImage::Format_RGB32);
  img.fill(Qt::gray);
  QPainter p(&img);
  e.Renderer().Paint(p, img.rect());
  return img;
}

class FakeChoosers : public TEditorFileChoosers {
 public:
  FakeChoosers() { SetEditorFileChoosers(this); }
  ~FakeChoosers() override { SetEditorFileChoosers(nullptr); }
  QString ChooseSaveFile(QWidget*, const QStringList& f, const QString& suffix, const QString& initial) override {
    filters = f;
    defaultSuffix = suffix;
    initialPath = initial;
    ++saveAsked;
    if (saveAnswers.empty()) return QString();
    QString a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
  QString ChooseOpenFile(QWidget*, const QString& f, const QString& suffix) override {
    openFolder = f;
    defaultSuffix = suffix;
    return openAnswer;
  }
  std::deque<QString> saveAnswers;
  QString openAnswer, openFolder, defaultSuffix, initialPath;
  QStringList filters;
  int saveAsked = 0;
};

class FakeHost : public TEditorWindowHost {
 public:
  explicit FakeHost(const std::filesystem::path& folder) : folder_(folder) {}
  ~FakeHost() override {
    const std::vector<TfrmEditor*> open = std::move(made);
    made.clear();
    for (TfrmEditor* w : open) delete w;
  }
  std::filesystem::path SettingsFile() const override { return folder_ / "tolvan.INI"; }
  QString ScriptsFolder() const override { return QString::fromStdString((folder_ / "scripts").string()); }
  QString ScriptExt() const override { return ext; }
  void OpenEditor(const QString& path) override { opened << path; }
  void UnregisterEditor(TEditorWindowRef* w) override { unregistered.push_back(w); }
  QStringList& FindHistory() override { return find; }
  QStringList& ReplaceHistory() override { return replace; }
  void OpenHelp() override { ++helpOpened; }
  TPreviewContext PreviewContext(TextEncoding e) const override {
    ++previewAsked;
    previewEncoding = e;
    TPreviewContext c = preview;
    c.Encoding = e;
    return c;
  }

  // A window for path, owned here unless it closes (it then deletes itself).
  TfrmEditor* Open(const QString& path = QString()) {
    TfrmEditor* w = TfrmEditor::Create(*this, path, nullptr);
    if (w) {
      made.push_back(w);
      QObject::connect(w, &QObject::destroyed, [this, w] { std::erase(made, w); });
    }
    return w;
  }

  QString ext = ".awk";
  TPreviewContext preview;
  mutable int previewAsked = 0;
  int helpOpened = 0;
  mutable TextEncoding previewEncoding = TextEncoding::Cp932;
  QStringList opened, find, replace;
  std::vector<TEditorWindowRef*> unregistered;
  std::vector<TfrmEditor*> made;

 private:
  std::filesystem::path folder_;
};

struct EditorEnv {
  TempDir dir;
  RecordingMessages messages;
  FakeChoosers choosers;
  FakeHost host{dir.path()};

  QString Path(const std::string& name) const { return QString::fromStdString((dir.path() / name).string()); }
  QString Write(const std::string& name, const std::string& bytes) const {
    WriteFileAtomically(dir.path() / name, bytes);
    return Path(name);
  }
  void WriteSettings(const std::string& bytes) const { WriteFileAtomically(host.SettingsFile(), bytes); }
};

inline std::string FileBytes(const QString& path) {
  std::string s;
  ReadWholeFile(path.toStdString(), s);
  return s;
}

}  // namespace tolvan::test
