// The main window's side of the script editor windows: the factory of its
// table and what the windows ask of it.
#include <QFile>
#include <QListWidget>

#include "app/help.h"
#include "core/qt/qtext.h"
#include "editorwin/editor_window.h"
#include "mainwin/form1.h"
#include "mainwin/input_list_widgets.h"
#include "settings/settings.h"

namespace tolvan {

namespace {

class TForm1EditorHost : public TEditorWindowHost {
 public:
  TForm1EditorHost(const TForm1& form, const ProgramPaths& paths, const MainSettings& settings, TEditorWindows& table,
                   QStringList& findHistory, QStringList& replaceHistory)
      : form_(form), paths_(paths), settings_(settings), table_(table), find_(findHistory), replace_(replaceHistory) {}
  std::filesystem::path SettingsFile() const override { return paths_.SettingsFile(); }
  QString ScriptsFolder() const override { return QFile::decodeName(paths_.ScriptsFolder().c_str()); }
  QString ScriptExt() const override { return ToQString(settings_.Ext); }
  void OpenEditor(const QString& path) override { table_.OpenEditor(path); }
  void UnregisterEditor(TEditorWindowRef* window) override { table_.UnregisterEditor(window); }
  QStringList& FindHistory() override { return find_; }
  QStringList& ReplaceHistory() override { return replace_; }
  TPreviewContext PreviewContext(TextEncoding e) const override { return form_.EditorPreviewContext(e); }
  void OpenHelp() override { tolvan::OpenHelp(paths_); }

 private:
  const TForm1& form_;
  const ProgramPaths& paths_;
  const MainSettings& settings_;
  TEditorWindows& table_;
  QStringList& find_;
  QStringList& replace_;
};

}  // namespace

void TForm1::SetUpEditorWindows() {
  editorHost_ = std::make_unique<TForm1EditorHost>(*this, paths_, settings_, editorWindows_, findHistory_, replaceHistory_);
  editorWindows_.SetFactory(
      [this](const QString& path) -> TEditorWindowRef* { return TfrmEditor::Create(*editorHost_, path, this); });
}

TPreviewContext TForm1::EditorPreviewContext(TextEncoding e) const {
  TPreviewContext c;
  c.Encoding = e;
  if (!settings_.Path.empty()) c.AwkPath = QFile::encodeName(ToQString(settings_.Path)).toStdString();
  c.Options = OptionBytes(e, &c.Refusal);
  if (!c.Options) c.Refusal = QString::fromUtf8("「%1」はShift-JISで表せない文字なので、gawkに渡せません").arg(c.Refusal);
  c.Locale = JobLocaleFor(e);
  c.CrLf = settings_.CrLf;
  // The first selected entry in list order, not in the order of selecting.
  const int first = lstInputFiles->FirstSelectedRow();
  if (first >= 0) c.FirstSelectedInput = lstInputFiles->item(first)->text();
  return c;
}

}  // namespace tolvan
