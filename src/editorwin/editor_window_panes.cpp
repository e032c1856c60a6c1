// The editor window's panes beside and under the text: the preview, the
// syntax check's problems list and the outline, and what switches them.
#include <QFile>
#include <QLabel>
#include <QSplitter>

#include <algorithm>
#include <functional>

#include "core/qt/message_service.h"
#include "editorwin/code_assist.h"
#include "editorwin/editor_window.h"
#include "editorwin/outline_pane.h"
#include "editorwin/preview_pane.h"
#include "editorwin/problems_pane.h"
#include "settings/ini_file.h"
#include "settings/settings.h"

namespace tolvan {

// ---------------------------------------------------------------- preview

bool TfrmEditor::PreviewShown() const { return preview_ && preview_->Active(); }

void TfrmEditor::TogglePreview() {
  if (!preview_) {
    preview_ = new TPreviewPane(
        *editor_, [this] { return host_.PreviewContext(Encoding()); },
        [this] { return filePath_.isEmpty() ? windowTitle() : filePath_; }, split_);
    split_->addWidget(preview_);
    preview_->hide();
    preview_->Lint = problems_->Checking();
    preview_->OnRunMessages = [this](std::vector<GawkMessage> m) { problems_->SetRunMessages(std::move(m)); };
  }
  if (preview_->Active()) {
    preview_->Stop();
    preview_->hide();
    problems_->SetRunMessages({});
  } else {
    PlacePreview();
    preview_->show();
    const int whole = split_->orientation() == Qt::Horizontal ? split_->width() : split_->height();
    split_->setSizes({whole / 2, whole - whole / 2});
    preview_->Start();
  }
  mnuToolPreview->setChecked(preview_->Active());
}

void TfrmEditor::PlacePreview() {
  // Beside the text while both keep about 60 columns, below it otherwise.
  const int beside = 2 * 60 * std::max(1, editor_->Editor().ColWidth());
  split_->setOrientation(width() >= beside ? Qt::Horizontal : Qt::Vertical);
}

void TfrmEditor::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (PreviewShown()) PlacePreview();
}

// ---------------------------------------------------------------- code panes

void TfrmEditor::BuildCodePanes() {
  assist_ = new TCodeAssist(*editor_, this);
  problems_ = new TProblemsPane(
      *editor_, [this] { return host_.PreviewContext(Encoding()); },
      [this] { return filePath_.isEmpty() ? windowTitle() : filePath_; }, column_);
  column_->addWidget(problems_);
  column_->setStretchFactor(0, 1);
  connect(problems_, &TProblemsPane::SummaryChanged, lblProblems, &QLabel::setText);
  outline_ = new TOutlinePane(*editor_, *assist_, body_);
  body_->insertWidget(0, outline_);
  body_->setStretchFactor(1, 1);
  outline_->hide();
}

namespace {

// Stores one of the Editor section's switches; a failure is said.
void StorePanes(QWidget* window, const std::filesystem::path& file, const std::function<void(EditorSettings&)>& change) {
  IniFile ini(file);
  EditorSettings keys = LoadEditorSettings(ini);
  change(keys);
  if (!SaveEditorPanes(ini, keys))
    Messages().Error(window, QString::fromUtf8("設定ファイルを書き込めませんでした：") + QFile::decodeName(file.c_str()));
}

}  // namespace

void TfrmEditor::SetSyntaxCheck(bool on, bool remember) {
  mnuToolSyntaxCheck->setChecked(on);
  if (on == problems_->Checking()) return;
  problems_->SetChecking(on);
  if (preview_) preview_->Lint = on;
  if (remember) StorePanes(this, host_.SettingsFile(), [on](EditorSettings& k) { k.SyntaxCheck = on; });
}

void TfrmEditor::SetOutlineShown(bool on, bool remember) {
  mnuToolOutline->setChecked(on);
  if (on == !outline_->isHidden()) return;
  outline_->setVisible(on);
  if (on) {
    const int whole = body_->width();
    const int list = std::min(whole / 3, 16 * std::max(1, editor_->Editor().ColWidth()) + 40);
    body_->setSizes({list, whole - list});
  }
  if (remember) StorePanes(this, host_.SettingsFile(), [on](EditorSettings& k) { k.Outline = on; });
}

void TfrmEditor::HelpKey() {
  if (!assist_->ShowHelpAtCaret()) host_.OpenHelp();
}

}  // namespace tolvan
