// The editor control on screen: a thin Qt view over TEditor. It implements
// the core's platform interface (metrics, invalidation, scrolling, scroll
// bars, the caret, cursors, the input method, the clipboard) and turns Qt
// events into core calls; painting goes through TEditorRenderer. It decides
// nothing the core decides.
#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QPoint>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "editor/control/editor.h"
#include "editor/view/editor_accessible.h"
#include "editor/view/edit_actions.h"
#include "editor/view/editor_renderer.h"

class QMenu;
class QMimeData;

namespace tolvan {

class TEditorPopupMenu;

// The bytes [first, second) of row around byte caret that the input method
// is given: whole characters, about `around` bytes on either side.
std::pair<std::size_t, std::size_t> SurroundingSlice(std::string_view row, std::size_t caret, std::size_t around);
// The same in a document's encoding.
std::pair<std::size_t, std::size_t> SurroundingSlice(TextEncoding e, std::string_view row, std::size_t caret,
                                                     std::size_t around);

// Shows an exception that left an event of the control.
void ShowEditorException(QWidget* parent, const char* what);

// MIME names of the clipboard formats: the box marker of this program, the
// empty marker other Linux editors set for rectangular copies, and the bytes
// of a copy made here, named by their encoding (so a paste back into a
// document of that encoding keeps bytes Unicode cannot; a paste into the
// other encoding takes the text).
inline constexpr char kBoxMime[] = "application/x-teditor-box-type";
inline constexpr char kRectangularMime[] = "text/x-rectangular-marker";
inline constexpr char kCp932Mime[] = "application/x-tolvan-cp932";
inline constexpr char kUtf8Mime[] = "application/x-tolvan-utf8";
// The plain text other programs are given for CP932 bytes: line ends are LF.
QString ClipboardPlainText(std::string_view bytes);
QString ClipboardPlainText(TextEncoding encoding, std::string_view bytes);

// Where the X primary selection lives; tests put their own in its place
// (the offscreen platform has none).
class TPrimarySelection {
 public:
  virtual ~TPrimarySelection() = default;
  virtual bool Supported() = 0;
  virtual void Set(QMimeData* data) = 0;  // takes it
  virtual const QMimeData* Get() = 0;
};
TPrimarySelection& PrimarySelection();
void SetPrimarySelection(TPrimarySelection* primary);  // null: the system's

class TEditorWidget : public QAbstractScrollArea, public TEditorPlatform {
  Q_OBJECT
 public:
  explicit TEditorWidget(QWidget* parent = nullptr);
  ~TEditorWidget() override;

  TEditor& Editor() { return *core_; }
  const TEditor& Editor() const { return *core_; }
  TEditorRenderer& Renderer() { return *renderer_; }

  // The font as stored (the name is kept even when another family serves).
  void SetEditorFont(const QString& family, int height, TFontStyles styles);
  const QString& FontName() const { return fontName_; }
  int FontHeightSetting() const { return fontHeight_; }
  TFontStyles FontStyles() const { return fontStyles_; }
  const QFont& EditorFont() const { return renderer_->Font(); }

  // The context menu: the control's own, or a host's replacement (not owned).
  TEditorPopupMenu* PopupMenu() const { return popup_.get(); }
  void SetContextMenu(QMenu* menu) { hostMenu_ = menu; }

  // The host may take the wheel; returning false leaves it to the control.
  std::function<bool(QWheelEvent*)> OnMouseWheel;
  // A double click; the default selects the word under the pointer.
  std::function<void(QPoint)> OnDoubleClick;

  // Runs f, showing an exception that leaves it through the message service.
  template <class F>
  void Guard(F&& f) noexcept;

  // ---- TEditorPlatform ----
  bool HandleAllocated() const override { return true; }
  bool Focused() const override { return hasFocus(); }
  TFontMetrics FontMetrics() const override { return metrics_; }
  int ClientWidth() const override;
  int ClientHeight() const override;
  int ScrollBarSize(TScrollBarKind) const override { return 0; }  // bars lie outside the viewport
  void Invalidate(const TRect& rect) override;
  void ScrollRect(int dx, int dy, const TRect& clip) override;
  void SetScrollBar(TScrollBarKind kind, int min, int max, int page, int pos) override;
  void SetScrollPos(TScrollBarKind kind, int pos) override;
  void ShowScrollBar(TScrollBarKind kind, bool show) override;
  void CreateCaret(int width, int height) override;
  void DestroyCaret() override;
  void SetCaretPos(int x, int y) override;
  void ShowCaret() override;
  void HideCaret() override;
  void SetCursor(TEditorMouseCursorState state) override;
  void SetCompositionWindow(int x, int y) override;
  void UnderlineChanged() override;
  void Beep() override;
  void Refuse(TEditorRefusal what) override;
  bool ReadClipboard(std::string& text, bool& box) override;
  bool ClipboardHasText() override;
  void WriteClipboard(std::string text, bool box) override;

  // The caret as drawn now (for tests): its rectangle and whether it shows.
  QRect CaretRect() const { return QRect(caretPos_, caretSize_); }
  bool CaretVisible() const { return caretShown_ && caretOn_ && hasFocus(); }
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  // How far the text handed to the input method reaches on either side of
  // the caret: a row of hundreds of megabytes is not turned into a QString.
  static constexpr std::size_t kSurroundingBytes = 1024;
  // Character offsets of the text for assistive technology.
  const TEditorTextOffsets& TextOffsets() const { return offsets_; }
  // The preedit text of a composition in progress.
  const QString& Preedit() const { return preedit_; }
  // The preedit in the document's encoding, as it is drawn.
  std::string PreeditBytes() const;

 signals:
  void textChanged();
  void selectionChanged();
  void caretMoved();

 protected:
  bool event(QEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  bool focusNextPrevChild(bool next) override;
  void scrollContentsBy(int, int) override {}

 private:
  // The control's own shortcuts (those of its context menu); true when taken.
  bool ControlShortcut(QKeyEvent* e, bool perform);
  void BarValueChanged(TScrollBarKind kind, int value);
  void InvalidateCaret();
  void AfterCaretMoved();
  // What a copy offers: LF plain text, the exact bytes, the box markers.
  QMimeData* ClipboardData(std::string_view text, bool box) const;
  // The selection becomes the X primary selection (where the platform has one).
  void OfferPrimary();
  // A middle click: the primary selection is pasted at the pointer.
  void PastePrimaryAt(QPoint at);
  // The caret's row around the caret, for the input method.
  struct TSurrounding {
    std::string_view text;
    std::size_t caret = 0;  // byte of the caret in text
  };
  TSurrounding Surrounding() const;

  std::unique_ptr<TEditor> core_;
  std::unique_ptr<TEditorRenderer> renderer_;
  std::unique_ptr<TEditorPopupMenu> popup_;
  QMenu* hostMenu_ = nullptr;
  QString fontName_;
  int fontHeight_ = -12;
  TFontStyles fontStyles_ = 0;
  TFontMetrics metrics_;
  bool settingBars_ = false;
  // caret
  QPoint caretPos_;
  QSize caretSize_{2, 16};
  bool caretCreated_ = false;
  bool caretShown_ = false;
  bool caretOn_ = true;
  QBasicTimer blink_;
  QString preedit_;
  int lastCaretRow_ = -1;
  int lastCaretCol_ = -1;
  bool readPrimary_ = false;
  TEditorTextOffsets offsets_;  // a paste reads the primary selection
  bool primaryPending_ = false;
};

template <class F>
void TEditorWidget::Guard(F&& f) noexcept {
  try {
    f();
  } catch (const std::exception& ex) {
    ShowEditorException(this, ex.what());
  } catch (...) {
    ShowEditorException(this, "unknown error");
  }
}

// The edit actions' target function for the editor control; registered at
// start like the one for plain edit boxes.
bool EditorEditTarget(TMeAction* action, QObject* target, TMeTargetCode code, TMeTargetKind kind);
void RegisterEditorEditTarget();
void UnregisterEditorEditTarget();

}  // namespace tolvan
