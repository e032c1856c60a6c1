#include "editor/view/editor_widget.h"

#include <QAccessible>
#include <QApplication>
#include <QBitmap>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimer>

#include <climits>

#include "core/codepage.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "editor/view/editor_font.h"
#include "editor/view/editor_popup_menu.h"

namespace tolvan {

void ShowEditorException(QWidget* parent, const char* what) {
  Messages().Exception(parent, QString::fromLocal8Bit(what));
}

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers m) {
  TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= kShift;
  if (m & Qt::ControlModifier) s |= kCtrl;
  if (m & Qt::AltModifier) s |= kAlt;
  return s;
}

TEditorKey KeyOf(int key) {
  switch (key) {
    case Qt::Key_PageUp: return ekPageUp;
    case Qt::Key_PageDown: return ekPageDown;
    case Qt::Key_End: return ekEnd;
    case Qt::Key_Home: return ekHome;
    case Qt::Key_Left: return ekLeft;
    case Qt::Key_Up: return ekUp;
    case Qt::Key_Right: return ekRight;
    case Qt::Key_Down: return ekDown;
    case Qt::Key_Delete: return ekDelete;
    case Qt::Key_Insert: return ekInsert;
    case Qt::Key_Escape: return ekEscape;
    case Qt::Key_Control: return ekControl;
    default: return ekOther;
  }
}

TPoint PointOf(const QPointF& p) { return TPoint{static_cast<int>(p.x()), static_cast<int>(p.y())}; }

// The left margin's cursor: an arrow pointing right, as the Windows control has.
QCursor RightArrowCursor() {
  static const QCursor cursor = [] {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPoint tip(12, 1);
    QPolygon arrow;
    arrow << tip << QPoint(12, 13) << QPoint(9, 10) << QPoint(7, 15) << QPoint(5, 14) << QPoint(7, 9)
          << QPoint(3, 9);
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.end();
    return QCursor(pm, 12, 1);
  }();
  return cursor;
}

QCursor CursorOf(TEditorCursorShape shape) {
  switch (shape) {
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crDrag: return QCursor(Qt::DragMoveCursor);
    case crDragCopy: return QCursor(Qt::DragCopyCursor);
    case crRightArrow: return RightArrowCursor();
    case crArrow:
    default: return QCursor(Qt::ArrowCursor);
  }
}

// The X primary selection through Qt's clipboard.
class TSystemPrimary : public TPrimarySelection {
 public:
  bool Supported() override { return QGuiApplication::clipboard()->supportsSelection(); }
  void Set(QMimeData* data) override { QGuiApplication::clipboard()->setMimeData(data, QClipboard::Selection); }
  const QMimeData* Get() override { return QGuiApplication::clipboard()->mimeData(QClipboard::Selection); }
};

TPrimarySelection* g_primary = nullptr;

}  // namespace

TPrimarySelection& PrimarySelection() {
  static TSystemPrimary system;
  return g_primary ? *g_primary : system;
}

void SetPrimarySelection(TPrimarySelection* primary) { g_primary = primary; }

std::pair<std::size_t, std::size_t> SurroundingSlice(std::string_view row, std::size_t caret, std::size_t around) {
  caret = std::min(caret, row.size());
  std::size_t from = 0;
  if (caret > around) {
    // Only a forward walk tells a trail byte from a lead byte, but the byte
    // after one that cannot lead always begins a character: start there.
    std::size_t q = caret - around;
    while (q > 0 && cp932::IsLeadByte(row[q - 1])) --q;
    from = q;
    while (from < caret - around) from = cp932::NextChar(row, from);
  }
  std::size_t to = caret;
  while (to < row.size() && to - caret < around) to = cp932::NextChar(row, to);
  return {from, to};
}

std::pair<std::size_t, std::size_t> SurroundingSlice(TextEncoding e, std::string_view row, std::size_t caret,
                                                     std::size_t around) {
  if (e == TextEncoding::Cp932) return SurroundingSlice(row, caret, around);
  caret = std::min(caret, row.size());
  std::size_t from = 0;
  if (caret > around) {
    // UTF-8 finds a character's start from any byte.
    from = caret - around;
    if (InsideChar(e, row, from)) from = NextChar(e, row, CharStart(e, row, from));
  }
  std::size_t to = caret;
  while (to < row.size() && to - caret < around) to = NextChar(e, row, to);
  return {from, to};
}

TEditorWidget::TEditorWidget(QWidget* parent) : QAbstractScrollArea(parent) {
  core_ = std::make_unique<TEditor>(*this);
  renderer_ = std::make_unique<TEditorRenderer>(*core_);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent, true);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setMouseTracking(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int v) { BarValueChanged(sbVertical, v); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int v) { BarValueChanged(sbHorizontal, v); });
  core_->OnChange = [this] {
    offsets_.Invalidate();
    if (AccessibleListening()) {
      // What changed is not known here: readers ask for the text again.
      QAccessibleTextUpdateEvent ev(this, 0, QString(), QString());
      NotifyAccessible(ev);
    }
    emit textChanged();
  };
  core_->OnSelectionChange = [this](TEditorSelectionState) {
    OfferPrimary();
    if (AccessibleListening()) {
      int start = 0, end = 0;
      if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(this); a && a->textInterface())
        a->textInterface()->selection(0, &start, &end);
      QAccessibleTextSelectionEvent ev(this, start, end);
      ev.setCursorPosition(static_cast<int>(offsets_.OffsetOf(*this, core_->Row(), core_->Col())));
      NotifyAccessible(ev);
    }
    emit selectionChanged();
  };
  core_->OnCaretMoved = [this] { AfterCaretMoved(); };
  popup_ = std::make_unique<TEditorPopupMenu>(this);
  InstallEditorAccessibleFactory();
  SetEditorFont(QStringLiteral("FixedSys"), -12, 0);
  resize(185, 89);
}

TEditorWidget::~TEditorWidget() {
  core_->OnChange = nullptr;
  core_->OnSelectionChange = nullptr;
  core_->OnCaretMoved = nullptr;
  popup_.reset();
  renderer_.reset();
  core_.reset();
}

void TEditorWidget::SetEditorFont(const QString& family, int height, TFontStyles styles) {
  fontName_ = family;
  fontHeight_ = height;
  fontStyles_ = styles;
  const QFont font = ResolveEditorFont(family, height, styles);
  renderer_->SetFont(font);
  metrics_ = EditorFontMetrics(font);
  Guard([&] {
    core_->SetTopCol(0);
    core_->ViewChanged(nullptr);
  });
}

// ---------------------------------------------------------------- platform

int TEditorWidget::ClientWidth() const { return viewport()->width(); }
int TEditorWidget::ClientHeight() const { return viewport()->height(); }

void TEditorWidget::Invalidate(const TRect& r) {
  viewport()->update(QRect(r.Left, r.Top, r.Width(), r.Height()));
}

void TEditorWidget::ScrollRect(int dx, int dy, const TRect& clip) {
  const QRect area(clip.Left, clip.Top, clip.Width(), clip.Height());
  if (std::abs(dx) >= area.width() || std::abs(dy) >= area.height())
    viewport()->update(area);  // nothing on screen survives the move
  else
    viewport()->scroll(dx, dy, area);
  UnderlineChanged();
}

void TEditorWidget::SetScrollBar(TScrollBarKind kind, int min, int max, int page, int pos) {
  QScrollBar* bar = kind == sbVertical ? verticalScrollBar() : horizontalScrollBar();
  settingBars_ = true;
  bar->setRange(min, std::max(min, max - page + 1));
  bar->setPageStep(std::max(1, page));
  bar->setSingleStep(1);
  bar->setValue(pos);
  settingBars_ = false;
}

void TEditorWidget::SetScrollPos(TScrollBarKind kind, int pos) {
  settingBars_ = true;
  (kind == sbVertical ? verticalScrollBar() : horizontalScrollBar())->setValue(pos);
  settingBars_ = false;
}

void TEditorWidget::ShowScrollBar(TScrollBarKind kind, bool show) {
  const Qt::ScrollBarPolicy p = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
  if (kind == sbVertical)
    setVerticalScrollBarPolicy(p);
  else
    setHorizontalScrollBarPolicy(p);
}

void TEditorWidget::BarValueChanged(TScrollBarKind kind, int value) {
  if (settingBars_) return;
  Guard([&] {
    if (kind == sbVertical)
      core_->VScroll(SB_THUMBTRACK, value);
    else
      core_->HScroll(SB_THUMBTRACK, value);
  });
}

void TEditorWidget::InvalidateCaret() {
  if (caretCreated_) viewport()->update(QRect(caretPos_, caretSize_).adjusted(-1, -1, 1, 1));
}

void TEditorWidget::CreateCaret(int width, int height) {
  InvalidateCaret();
  caretSize_ = QSize(width, height);
  caretCreated_ = true;
  caretOn_ = true;
  const int flash = QGuiApplication::styleHints()->cursorFlashTime();
  if (flash > 0)
    blink_.start(flash / 2, this);
  else
    blink_.stop();
}

void TEditorWidget::DestroyCaret() {
  InvalidateCaret();
  caretCreated_ = false;
  caretShown_ = false;
  blink_.stop();
}

void TEditorWidget::SetCaretPos(int x, int y) {
  InvalidateCaret();
  caretPos_ = QPoint(x, y);
  caretOn_ = true;
  InvalidateCaret();
}

void TEditorWidget::ShowCaret() {
  caretShown_ = true;
  InvalidateCaret();
}

void TEditorWidget::HideCaret() {
  caretShown_ = false;
  InvalidateCaret();
}

void TEditorWidget::SetCursor(TEditorMouseCursorState state) {
  viewport()->setCursor(CursorOf(core_->Caret().Cursors().Shape(state)));
}

void TEditorWidget::SetCompositionWindow(int, int) {
  if (QInputMethod* im = QGuiApplication::inputMethod()) im->update(Qt::ImCursorRectangle);
}

void TEditorWidget::UnderlineChanged() {
  // The caret-row underline and the ruler's caret marker follow the caret.
  const int w = viewport()->width();
  if (core_->Ruler().Visible()) viewport()->update(QRect(0, 0, w, core_->TopMargin()));
  if (core_->Marks().Underline().Visible()) viewport()->update(QRect(0, core_->TopMargin(), w, viewport()->height()));
}

void TEditorWidget::AfterCaretMoved() {
  if (core_->Row() != lastCaretRow_ || core_->Col() != lastCaretCol_) {
    const int w = viewport()->width();
    if (core_->Ruler().Visible()) viewport()->update(QRect(0, 0, w, core_->TopMargin()));
    if (core_->Marks().Underline().Visible()) {
      const int rh = core_->GetRowHeight();
      for (int row : {lastCaretRow_, core_->Row()})
        viewport()->update(QRect(0, core_->TopMargin() + (row - core_->TopRow()) * rh, w, rh + 1));
    }
    lastCaretRow_ = core_->Row();
    lastCaretCol_ = core_->Col();
  }
  if (QInputMethod* im = QGuiApplication::inputMethod(); im && hasFocus()) im->update(Qt::ImCursorRectangle);
  if (AccessibleListening()) {
    QAccessibleTextCursorEvent ev(this, static_cast<int>(std::min<long long>(
                                            offsets_.OffsetOf(*this, core_->Row(), core_->Col()), INT_MAX)));
    NotifyAccessible(ev);
  }
  emit caretMoved();
}

void TEditorWidget::Beep() { Messages().Beep(); }

namespace {
// Text from outside that the document cannot hold: the whole of it is refused.
void RefuseUnencodable(QWidget* parent, const QString& failed) {
  Messages().BeepError(parent, QString::fromUtf8("「%1」はShift-JISで表せない文字なので、貼り付けできません").arg(failed));
}
}  // namespace

QString ClipboardPlainText(std::string_view bytes) { return ClipboardPlainText(TextEncoding::Cp932, bytes); }

QString ClipboardPlainText(TextEncoding encoding, std::string_view bytes) {
  QString text = ToQString(encoding, bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

void TEditorWidget::Refuse(TEditorRefusal what) {
  switch (what) {
    case erCopyTooLarge:
      Messages().BeepError(this, QString::fromUtf8("選択範囲が2GBを超えているため、クリップボードにコピーできません"));
      break;
  }
}

bool TEditorWidget::ReadClipboard(std::string& text, bool& box) {
  const QMimeData* data = readPrimary_ ? PrimarySelection().Get() : QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText()) return false;
  const QString shown = data->text();
  box = data->hasFormat(kBoxMime) || data->hasFormat(kRectangularMime);
  const TextEncoding encoding = core_->Lines().Encoding();
  // A copy made here carries its bytes and their encoding: they are the
  // text while they still show as it (a CP932 byte 0xFF or an IBM code
  // does not survive a trip through Unicode), carried over when the
  // encodings differ.
  for (const TextEncoding from : {encoding, encoding == TextEncoding::Utf8 ? TextEncoding::Cp932 : TextEncoding::Utf8}) {
    const QByteArray mine = data->data(from == TextEncoding::Utf8 ? kUtf8Mime : kCp932Mime);
    const std::string_view own(mine.constData(), static_cast<std::size_t>(mine.size()));
    if (mine.isEmpty() || (ClipboardPlainText(from, own) != shown && ToQString(from, own) != shown)) continue;
    if (from == encoding) {
      text.assign(own);
      return true;
    }
    EncodeResult carried = Convert(from, encoding, own);
    if (carried.ok) {
      text = std::move(carried.bytes);
      return true;
    }
    break;  // an invalid byte or a character CP932 lacks: as plain text below
  }
  // Text from elsewhere goes in whole or not at all, as typing does. UTF-8
  // holds every character.
  QString failed;
  std::optional<std::string> encoded = Encode(encoding, shown, &failed);
  if (!encoded) {
    RefuseUnencodable(this, failed);
    return false;
  }
  // A document that keeps lone CR and LF bytes in its rows breaks pasted
  // lines at CR LF only: text from elsewhere has its line ends made so.
  text = core_->List().OwnLineEnd() ? CrLfBreaks(*encoded) : std::move(*encoded);
  return true;
}

bool TEditorWidget::ClipboardHasText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText();
}

void TEditorWidget::WriteClipboard(std::string text, bool box) {
  QGuiApplication::clipboard()->setMimeData(ClipboardData(text, box));
}

QMimeData* TEditorWidget::ClipboardData(std::string_view text, bool box) const {
  auto* data = new QMimeData;
  const TextEncoding encoding = core_->Lines().Encoding();
  data->setText(ClipboardPlainText(encoding, text));
  const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
  data->setData(encoding == TextEncoding::Utf8 ? kUtf8Mime : kCp932Mime, bytes);
  if (box) {
    data->setData(kBoxMime, bytes);
    data->setData(kRectangularMime, QByteArray());
  }
  return data;
}

void TEditorWidget::OfferPrimary() {
  if (primaryPending_) return;
  primaryPending_ = true;
  // Once the gesture or key that changed the selection is over, not at
  // every step of a drag.
  QTimer::singleShot(0, this, [this] {
    primaryPending_ = false;
    if (QGuiApplication::mouseButtons() & Qt::LeftButton) return;  // the release offers it
    Guard([&] {
      if (!PrimarySelection().Supported()) return;
      if (!core_->Selected() || !core_->HasSelectedText()) return;
      PrimarySelection().Set(ClipboardData(core_->GetSelText(), core_->SelectionMode() == smBox));
    });
  });
}

void TEditorWidget::PastePrimaryAt(QPoint at) {
  if (core_->ReadOnly() || !PrimarySelection().Supported()) return;
  int col = 0, row = 0;
  core_->PosToRowCol(at.x(), at.y(), col, row, true);
  core_->CleanSelection();
  core_->SetRowCol(row, col);
  readPrimary_ = true;
  try {
    core_->PasteFromClipboard();
  } catch (...) {
    readPrimary_ = false;
    throw;
  }
  readPrimary_ = false;
}

// ---------------------------------------------------------------- events

bool TEditorWidget::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    // The control's own shortcuts win over a window's menu while it has the focus.
    auto* k = static_cast<QKeyEvent*>(e);
    if (ControlShortcut(k, false)) {
      e->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(e);
}

bool TEditorWidget::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::Paint) {
    paintEvent(static_cast<QPaintEvent*>(e));
    return true;
  }
  return QAbstractScrollArea::viewportEvent(e);
}

void TEditorWidget::paintEvent(QPaintEvent* e) {
  Guard([&] {
    QPainter p(viewport());
    renderer_->Paint(p, e->rect());
    if (!preedit_.isEmpty()) {
      // The composition is shown at the caret, underlined, until committed.
      const QPoint at = caretPos_;
      const std::string shown = PreeditBytes();
      const int w = static_cast<int>(DisplayWidth(core_->Lines().Encoding(), shown)) * core_->ColWidth();
      const QRect r(at.x(), at.y(), w, core_->FontHeight());
      p.fillRect(r, ToQColor(renderer_->Color()));
      p.setFont(renderer_->Font());
      p.setPen(ToQColor(renderer_->FontColor()));
      renderer_->DrawTextRect(p, r, at.x(), at.y(), shown, false);
      p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    }
    if (CaretVisible() && caretCreated_ && core_->CaretUpdateCount() == 0) {
      p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      p.fillRect(QRect(caretPos_, caretSize_), Qt::white);
    }
  });
}

void TEditorWidget::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  Guard([&] { core_->Resized(); });
}

namespace {

// The digit printed on the key pressed, whatever the layout makes of it with
// Shift held (a symbol on most layouts, the digit itself on AZERTY): the
// number row's xkb keycodes are 10..19 for 1..9, 0 under both X and Wayland.
int DigitKey(const QKeyEvent* e) {
  const int key = e->key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return key - Qt::Key_0;
  const quint32 code = e->nativeScanCode();
  if (code >= 10 && code <= 19) return static_cast<int>((code - 9) % 10);
  return -1;
}

}  // namespace

bool TEditorWidget::ControlShortcut(QKeyEvent* e, bool perform) {
  const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  const int key = e->key();
  TEditor& c = *core_;
  if (mods == Qt::ControlModifier) {
    switch (key) {
      case Qt::Key_Z: if (perform) c.Perform(EM_UNDO); return true;
      case Qt::Key_A:
      case Qt::Key_Y:  // where other Linux editors redo
        if (perform && !c.ReadOnly()) c.Redo();
        return true;
      case Qt::Key_X: if (perform) c.CutToClipboard(); return true;
      case Qt::Key_C: if (perform) c.CopyToClipboard(); return true;
      case Qt::Key_V: if (perform) c.PasteFromClipboard(); return true;
      case Qt::Key_B: if (perform) c.PasteBoxFromClipboard(); return true;
      case Qt::Key_K:
        if (perform) c.SetSelectionMode(c.SelectionMode() == smBox ? smLine : smBox);
        return true;
      default: break;
    }
    if (const int digit = DigitKey(e); digit >= 0) {
      if (perform) c.GotoRowMark(static_cast<TRowMark>(digit));
      return true;
    }
  }
  if (mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
    if (key == Qt::Key_Z) {
      if (perform && !c.ReadOnly()) c.Redo();
      return true;
    }
    if (const int digit = DigitKey(e); digit >= 0) {
      if (perform) {
        const TRowMark m = static_cast<TRowMark>(digit);
        if (c.List().GetListRowMarks(c.Row()) & RowMarkBit(m))
          c.DeleteRowMark(c.Row(), m);
        else
          c.PutRowMark(c.Row(), m);
      }
      return true;
    }
  }
  return false;
}

void TEditorWidget::keyPressEvent(QKeyEvent* e) {
  Guard([&] {
    if (ControlShortcut(e, true)) return;
    const TShiftState shift = ShiftOf(e->modifiers());
    const TEditorKey key = KeyOf(e->key());
    core_->KeyDown(key, shift, e->isAutoRepeat());
    if (key != ekOther) return;
    QString text = e->text();
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) text = QStringLiteral("\r");
    if (e->key() == Qt::Key_Backspace) text = QStringLiteral("\b");
    if (e->key() == Qt::Key_Tab) text = QStringLiteral("\t");
    if (text.isEmpty() || (shift & (kCtrl | kAlt) && text != QStringLiteral("\t"))) return;
    const std::optional<std::string> bytes = Encode(core_->Lines().Encoding(), text);
    if (!bytes) {
      Beep();
      return;
    }
    core_->CharBytes(*bytes, shift);
  });
}

void TEditorWidget::keyReleaseEvent(QKeyEvent* e) {
  Guard([&] { core_->KeyUp(KeyOf(e->key()), ShiftOf(e->modifiers())); });
}

void TEditorWidget::inputMethodEvent(QInputMethodEvent* e) {
  Guard([&] {
    preedit_ = e->preeditString();
    if (!e->commitString().isEmpty()) {
      // A commit goes in whole or not at all, and the user is told which
      // character stopped it, as a paste does: once the input method is
      // done with the commit. The box takes the focus, and an input method
      // commits what it still holds when the focus leaves (ibus does), which
      // would bring the same commit back here, box after box.
      QString failed;
      const std::optional<std::string> bytes = Encode(core_->Lines().Encoding(), e->commitString(), &failed);
      if (!bytes)
        QTimer::singleShot(0, this, [this, failed] { RefuseUnencodable(this, failed); });
      else
        core_->ImeResult(*bytes, false);  // Qt sends no characters after a commit
    }
    viewport()->update();
    e->accept();
  });
}

QVariant TEditorWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImCursorRectangle: {
      const TPoint p = core_->CaretPoint();
      const QPoint offset = viewport()->geometry().topLeft();
      return QRect(p.X + offset.x(), p.Y + offset.y(), std::max(1, core_->ColWidth()), core_->FontHeight());
    }
    case Qt::ImFont:
      return renderer_->Font();
    case Qt::ImEnabled:
      return !core_->ReadOnly();
    case Qt::ImSurroundingText: {
      const TSurrounding s = Surrounding();
      return ToQString(core_->Lines().Encoding(), s.text);
    }
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition: {
      const TSurrounding s = Surrounding();
      return ToQString(core_->Lines().Encoding(), s.text.substr(0, s.caret)).size();
    }
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

std::string TEditorWidget::PreeditBytes() const {
  const TextEncoding e = core_->Lines().Encoding();
  // Only drawn: a character CP932 lacks shows as "?".
  return e == TextEncoding::Cp932 ? ToCp932Lossy(preedit_) : Encode(e, preedit_).value_or(std::string());
}

TEditorWidget::TSurrounding TEditorWidget::Surrounding() const {
  const std::string_view row = core_->List().ListStr(core_->Row());
  const std::size_t caret =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(0, core_->ColToByte(core_->Row(), core_->Col()))), row.size());
  const auto [from, to] = SurroundingSlice(core_->Lines().Encoding(), row, caret, kSurroundingBytes);
  return TSurrounding{row.substr(from, to - from), caret - from};
}

void TEditorWidget::mousePressEvent(QMouseEvent* e) {
  setFocus(Qt::MouseFocusReason);
  Guard([&] {
    if (e->button() == Qt::MiddleButton) {
      // As in every X text area: the primary selection goes in at the pointer.
      PastePrimaryAt(e->position().toPoint());
      return;
    }
    const TMouseButton b = e->button() == Qt::LeftButton ? mbLeft : e->button() == Qt::RightButton ? mbRight : mbMiddle;
    core_->MouseDown(b, ShiftOf(e->modifiers()), PointOf(e->position()));
  });
}

void TEditorWidget::mouseMoveEvent(QMouseEvent* e) {
  Guard([&] {
    core_->MouseMove(ShiftOf(e->modifiers()), PointOf(e->position()), e->buttons() & Qt::LeftButton);
  });
}

void TEditorWidget::mouseReleaseEvent(QMouseEvent* e) {
  Guard([&] {
    const TMouseButton b = e->button() == Qt::LeftButton ? mbLeft : e->button() == Qt::RightButton ? mbRight : mbMiddle;
    if (e->button() == Qt::MiddleButton) return;
    core_->MouseUp(b, ShiftOf(e->modifiers()), PointOf(e->position()));
    if (e->button() == Qt::LeftButton) OfferPrimary();
  });
}

void TEditorWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  Guard([&] {
    if (e->button() != Qt::LeftButton) return;
    const QPoint p = e->position().toPoint();
    if (OnDoubleClick)
      OnDoubleClick(p);
    else
      core_->SelectWordFromPos(TPoint{p.x(), p.y()});
  });
}

void TEditorWidget::wheelEvent(QWheelEvent* e) {
  Guard([&] {
    if (OnMouseWheel && OnMouseWheel(e)) return;
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0) return;
    for (int i = 0; i < std::abs(steps) * 3; ++i) core_->VScroll(steps > 0 ? SB_LINEUP : SB_LINEDOWN);
    e->accept();
  });
}

void TEditorWidget::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  Guard([&] { core_->FocusIn(); });
}

void TEditorWidget::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  Guard([&] { core_->FocusOut(); });
}

void TEditorWidget::contextMenuEvent(QContextMenuEvent* e) {
  Guard([&] {
    if (hostMenu_) {
      hostMenu_->exec(e->globalPos());
      return;
    }
    popup_->SetMenu();
    popup_->exec(e->globalPos());
  });
}

void TEditorWidget::timerEvent(QTimerEvent* e) {
  if (e->timerId() != blink_.timerId()) {
    QAbstractScrollArea::timerEvent(e);
    return;
  }
  caretOn_ = !caretOn_;
  InvalidateCaret();
}

bool TEditorWidget::focusNextPrevChild(bool next) {
  // Tab is a character here when the control wants it.
  if (core_->WantTabs()) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

// ---------------------------------------------------------------- edit actions

bool EditorEditTarget(TMeAction* action, QObject* target, TMeTargetCode code, TMeTargetKind kind) {
  auto* w = qobject_cast<TEditorWidget*>(target);
  if (code == mcHandles) return w != nullptr;
  if (!w) return false;
  TEditor& c = w->Editor();
  const bool writable = !c.ReadOnly();
  if (code == mcUpdate) {
    switch (kind) {
      case mkCopy: action->setEnabled(c.HasSelectedText()); break;
      case mkCut:
      case mkDelete: action->setEnabled(c.Selected() && c.HasSelectedText() && writable); break;
      case mkPaste: action->setEnabled(w->ClipboardHasText() && writable); break;
      case mkSelAll: action->setEnabled(c.List().Count() > 0); break;
      case mkUndo: action->setEnabled(c.CanUndo() && writable); break;
      case mkRedo: action->setEnabled(c.CanRedo() && writable); break;
      case mkNone: break;
    }
    return true;
  }
  w->Guard([&] {
    switch (kind) {
      case mkCopy: c.Perform(WM_COPY); break;
      case mkCut: if (writable && c.Selected()) c.Perform(WM_CUT); break;
      case mkDelete: c.Perform(WM_CLEAR); break;
      case mkPaste: c.Perform(WM_PASTE); break;
      case mkSelAll: c.Perform(EM_SETSEL, 0, -1); break;
      case mkUndo: c.Perform(EM_UNDO); break;
      case mkRedo: if (writable) c.Redo(); break;
      case mkNone: break;
    }
  });
  return true;
}

void RegisterEditorEditTarget() { RegisterMeTargetFunc(&EditorEditTarget); }
void UnregisterEditorEditTarget() { UnregisterMeTargetFunc(&EditorEditTarget); }

}  // namespace tolvan
