// The main window's side of the script editor windows: the factory of its
// table and what the windows ask of it.
#include <QFile>

#include "core/qt/qtext.h"
#include "editorwin/editor_window.h"
#include "mainwin/form1.h"

namespace tolvan {

namespace {

class TForm1EditorHost : public TEditorWindowHost {
 public:
  TForm1EditorHost(const ProgramPaths& paths, const MainSettings& settings, TEditorWindows& table,
                   QStringList& findHistory, QStringList& replaceHistory)
      : paths_(paths), settings_(settings), table_(table), find_(findHistory), replace_(replaceHistory) {}
  std::filesystem::path SettingsFile() const override { return paths_.SettingsFile(); }
  QString ScriptsFolder() const override { return QFile::decodeName(paths_.ScriptsFolder().c_str()); }
  QString ScriptExt() const override { return ToQString(settings_.Ext); }
  void OpenEditor(const QString& path) override { table_.OpenEditor(path); }
  void UnregisterEditor(TEditorWindowRef* window) override { table_.UnregisterEditor(window); }
  QStringList& FindHistory() override { return find_; }
  QStringList& ReplaceHistory() override { return replace_; }

 private:
  const ProgramPaths& paths_;
  const MainSettings& settings_;
  TEditorWindows& table_;
  QStringList& find_;
  QStringList& replace_;
};

}  // namespace

void TForm1::SetUpEditorWindows() {
  editorHost_ = std::make_unique<TForm1EditorHost>(paths_, settings_, editorWindows_, findHistory_, replaceHistory_);
  editorWindows_.SetFactory(
      [this](const QString& path) -> TEditorWindowRef* { return TfrmEditor::Create(*editorHost_, path, this); });
}

}  // namespace tolvan
