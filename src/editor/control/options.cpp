#include "editor/control/options.h"

#include <algorithm>

#include "core/codepage.h"

namespace tolvan {

namespace {

// Stores value into field; true when that is a change.
template <class T>
bool Store(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

int Clamp(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

// Clamped to lo-hi, then rounded down to an even number (lo and hi even).
int ClampEven(int v, int lo, int hi) { return Clamp(v, lo, hi) & ~1; }

constexpr int kMaxPixels = 100;

TPropInfo IntProp(std::string name, std::function<std::int32_t()> get,
                  std::function<void(std::int32_t)> set, std::int32_t def) {
  return OrdProp(std::move(name), TPropKind::Integer, std::move(get), std::move(set), def);
}

TPropInfo ColorProp(std::string name, std::function<TColor()> get, std::function<void(TColor)> set,
                    TColor def) {
  return OrdProp(std::move(name), TPropKind::Color, std::move(get), std::move(set), def);
}

TPropInfo BoolProp(std::string name, std::function<bool()> get, std::function<void(bool)> set,
                   bool def) {
  return OrdProp(
      std::move(name), TPropKind::Boolean, [get = std::move(get)] { return get() ? 1 : 0; },
      [set = std::move(set)](std::int32_t v) { set(v != 0); }, def ? 1 : 0);
}

// An enumeration published as its ordinal; a value outside first-last (a
// damaged stream) leaves the property as it is.
template <class E>
TPropInfo EnumProp(std::string name, std::function<E()> get, std::function<void(E)> set, E def,
                   E last) {
  return OrdProp(
      std::move(name), TPropKind::Integer, [get = std::move(get)] { return static_cast<std::int32_t>(get()); },
      [set = std::move(set), last](std::int32_t v) {
        if (v >= 0 && v <= static_cast<std::int32_t>(last)) set(static_cast<E>(v));
      },
      static_cast<std::int32_t>(def));
}

}  // namespace

// --- TEditorMargin

void TEditorMargin::SetCharacter(int Value) {
  if (Store(FCharacter, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorMargin::SetLeft(int Value) {
  if (Store(FLeft, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorMargin::SetLine(int Value) {
  if (Store(FLine, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorMargin::SetTop(int Value) {
  if (Store(FTop, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorMargin::SetUnderlineMargin(int Value) {
  if (Store(FUnderlineMargin, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorMargin::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorMargin*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  FCharacter = src->FCharacter;
  FLeft = src->FLeft;
  FLine = src->FLine;
  FTop = src->FTop;
  EndUpdate();
}

void TEditorMargin::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(IntProp("Character", [this] { return FCharacter; }, [this](int v) { SetCharacter(v); }, 0));
  list.push_back(IntProp("Left", [this] { return FLeft; }, [this](int v) { SetLeft(v); }, 19));
  list.push_back(IntProp("Line", [this] { return FLine; }, [this](int v) { SetLine(v); }, 0));
  list.push_back(IntProp("Top", [this] { return FTop; }, [this](int v) { SetTop(v); }, 2));
}

// --- TEditorMark, TEditorMarks

void TEditorMark::SetColor(TColor Value) {
  if (Store(FColor, Value)) Changed();
}

void TEditorMark::SetVisible(bool Value) {
  if (Store(FVisible, Value)) Changed();
}

void TEditorMark::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorMark*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  FColor = src->FColor;
  FVisible = src->FVisible;
  Changed();
}

void TEditorMark::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(ColorProp("Color", [this] { return FColor; }, [this](TColor v) { SetColor(v); }, clGray));
  list.push_back(BoolProp("Visible", [this] { return FVisible; }, [this](bool v) { SetVisible(v); }, false));
}

TEditorMarks::TEditorMarks()
    : FEofMark(NewMark()), FRetMark(NewMark()), FWrapMark(NewMark()), FHideMark(NewMark()),
      FUnderline(NewMark()) {}

std::unique_ptr<TEditorMark> TEditorMarks::NewMark() {
  auto mark = std::make_unique<TEditorMark>();
  mark->OnChange = MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(this);
  return mark;
}

void TEditorMarks::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorMarks*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  FEofMark->Assign(src->EofMark());
  FRetMark->Assign(src->RetMark());
  FWrapMark->Assign(src->WrapMark());
  FHideMark->Assign(src->HideMark());
  FUnderline->Assign(src->Underline());
  EndUpdate();
}

void TEditorMarks::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(ClassProp("EofMark", FEofMark.get()));
  list.push_back(ClassProp("RetMark", FRetMark.get()));
  list.push_back(ClassProp("WrapMark", FWrapMark.get()));
  list.push_back(ClassProp("HideMark", FHideMark.get()));
  list.push_back(ClassProp("Underline", FUnderline.get()));
}

// --- TEditorImagebar

void TEditorImagebar::SetDigitWidth(int Value) {
  if (Store(FDigitWidth, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorImagebar::SetLeftMargin(int Value) {
  if (Store(FLeftMargin, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorImagebar::SetMarkWidth(int Value) {
  if (Store(FMarkWidth, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorImagebar::SetRightMargin(int Value) {
  if (Store(FRightMargin, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorImagebar::SetVisible(bool Value) {
  if (Store(FVisible, Value)) Changed();
}

void TEditorImagebar::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorImagebar*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  FDigitWidth = src->FDigitWidth;
  FLeftMargin = src->FLeftMargin;
  FMarkWidth = src->FMarkWidth;
  FRightMargin = src->FRightMargin;
  FVisible = src->FVisible;
  Changed();
}

void TEditorImagebar::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(IntProp("DigitWidth", [this] { return FDigitWidth; }, [this](int v) { SetDigitWidth(v); }, 8));
  list.push_back(IntProp("LeftMargin", [this] { return FLeftMargin; }, [this](int v) { SetLeftMargin(v); }, 2));
  list.push_back(IntProp("MarkWidth", [this] { return FMarkWidth; }, [this](int v) { SetMarkWidth(v); }, 0));
  list.push_back(IntProp("RightMargin", [this] { return FRightMargin; }, [this](int v) { SetRightMargin(v); }, 2));
  list.push_back(BoolProp("Visible", [this] { return FVisible; }, [this](bool v) { SetVisible(v); }, true));
}

// --- TEditorLeftbar

void TEditorLeftbar::SetBkColor(TColor Value) {
  if (Store(FBkColor, Value)) Changed();
}

void TEditorLeftbar::SetColor(TColor Value) {
  if (Store(FColor, Value)) Changed();
}

void TEditorLeftbar::SetColumn(int Value) {
  if (Store(FColumn, Clamp(Value, kMinColumn, kMaxColumn))) Changed();
}

void TEditorLeftbar::SetEdge(bool Value) {
  if (Store(FEdge, Value)) Changed();
}

void TEditorLeftbar::SetLeftMargin(int Value) {
  if (Store(FLeftMargin, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorLeftbar::SetRightMargin(int Value) {
  if (Store(FRightMargin, Clamp(Value, 0, kMaxPixels))) Changed();
}

void TEditorLeftbar::SetShowNumber(bool Value) {
  if (Store(FShowNumber, Value)) Changed();
}

void TEditorLeftbar::SetShowNumberMode(TEditorShowNumberMode Value) {
  if (Store(FShowNumberMode, Value)) Changed();
}

void TEditorLeftbar::SetVisible(bool Value) {
  if (Store(FVisible, Value)) Changed();
}

void TEditorLeftbar::SetZeroBase(bool Value) {
  if (Store(FZeroBase, Value)) Changed();
}

void TEditorLeftbar::SetZeroLead(bool Value) {
  if (Store(FZeroLead, Value)) Changed();
}

void TEditorLeftbar::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorLeftbar*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  FBkColor = src->FBkColor;
  FColor = src->FColor;
  FColumn = src->FColumn;
  FEdge = src->FEdge;
  FLeftMargin = src->FLeftMargin;
  FRightMargin = src->FRightMargin;
  FShowNumber = src->FShowNumber;
  FShowNumberMode = src->FShowNumberMode;
  FVisible = src->FVisible;
  FZeroBase = src->FZeroBase;
  FZeroLead = src->FZeroLead;
  Changed();
}

void TEditorLeftbar::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(ColorProp("BkColor", [this] { return FBkColor; }, [this](TColor v) { SetBkColor(v); }, clSilver));
  list.push_back(ColorProp("Color", [this] { return FColor; }, [this](TColor v) { SetColor(v); }, clBlack));
  list.push_back(IntProp("Column", [this] { return FColumn; }, [this](int v) { SetColumn(v); }, 4));
  list.push_back(BoolProp("Edge", [this] { return FEdge; }, [this](bool v) { SetEdge(v); }, true));
  list.push_back(IntProp("LeftMargin", [this] { return FLeftMargin; }, [this](int v) { SetLeftMargin(v); }, 8));
  list.push_back(IntProp("RightMargin", [this] { return FRightMargin; }, [this](int v) { SetRightMargin(v); }, 4));
  list.push_back(BoolProp("ShowNumber", [this] { return FShowNumber; }, [this](bool v) { SetShowNumber(v); }, true));
  list.push_back(EnumProp<TEditorShowNumberMode>(
      "ShowNumberMode", [this] { return FShowNumberMode; },
      [this](TEditorShowNumberMode v) { SetShowNumberMode(v); }, nmRow, nmLine));
  list.push_back(BoolProp("Visible", [this] { return FVisible; }, [this](bool v) { SetVisible(v); }, false));
  list.push_back(BoolProp("ZeroBase", [this] { return FZeroBase; }, [this](bool v) { SetZeroBase(v); }, false));
  list.push_back(BoolProp("ZeroLead", [this] { return FZeroLead; }, [this](bool v) { SetZeroLead(v); }, false));
}

// --- TEditorRuler

void TEditorRuler::SetBkColor(TColor Value) {
  if (Store(FBkColor, Value)) Changed();
}

void TEditorRuler::SetColor(TColor Value) {
  if (Store(FColor, Value)) Changed();
}

void TEditorRuler::SetEdge(bool Value) {
  if (Store(FEdge, Value)) Changed();
}

void TEditorRuler::SetGaugeRange(int Value) {
  if (Store(FGaugeRange, ClampEven(Value, 8, 10))) Changed();
}

void TEditorRuler::SetMarkColor(TColor Value) {
  if (Store(FMarkColor, Value)) Changed();
}

void TEditorRuler::SetVisible(bool Value) {
  if (Store(FVisible, Value)) Changed();
}

void TEditorRuler::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorRuler*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  FBkColor = src->FBkColor;
  FColor = src->FColor;
  FEdge = src->FEdge;
  FGaugeRange = src->FGaugeRange;
  FMarkColor = src->FMarkColor;
  FVisible = src->FVisible;
  Changed();
}

void TEditorRuler::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(ColorProp("BkColor", [this] { return FBkColor; }, [this](TColor v) { SetBkColor(v); }, clSilver));
  list.push_back(ColorProp("Color", [this] { return FColor; }, [this](TColor v) { SetColor(v); }, clBlack));
  list.push_back(BoolProp("Edge", [this] { return FEdge; }, [this](bool v) { SetEdge(v); }, true));
  list.push_back(IntProp("GaugeRange", [this] { return FGaugeRange; }, [this](int v) { SetGaugeRange(v); }, 10));
  list.push_back(ColorProp("MarkColor", [this] { return FMarkColor; }, [this](TColor v) { SetMarkColor(v); }, clBlack));
  list.push_back(BoolProp("Visible", [this] { return FVisible; }, [this](bool v) { SetVisible(v); }, false));
}

// --- TEditorSpeed

void TEditorSpeed::SetCaretVerticalAc(int Value) { FCaretVerticalAc = Clamp(Value, 1, 4); }

void TEditorSpeed::SetPageVerticalRange(int Value) { FPageVerticalRange = Clamp(Value, 1, 4); }

void TEditorSpeed::SetPageVerticalRangeAc(int Value) { FPageVerticalRangeAc = Clamp(Value, 1, 4); }

void TEditorSpeed::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorSpeed*>(&Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  FCaretVerticalAc = src->FCaretVerticalAc;
  FInitBracketsFull = src->FInitBracketsFull;
  FPageVerticalRange = src->FPageVerticalRange;
  FPageVerticalRangeAc = src->FPageVerticalRangeAc;
}

void TEditorSpeed::GetProperties(TPropList& list) {
  TPersistent::GetProperties(list);
  list.push_back(IntProp("CaretVerticalAc", [this] { return FCaretVerticalAc; },
                         [this](int v) { SetCaretVerticalAc(v); }, 2));
  list.push_back(BoolProp("InitBracketsFull", [this] { return FInitBracketsFull; },
                          [this](bool v) { SetInitBracketsFull(v); }, false));
  list.push_back(IntProp("PageVerticalRange", [this] { return FPageVerticalRange; },
                         [this](int v) { SetPageVerticalRange(v); }, 2));
  list.push_back(IntProp("PageVerticalRangeAc", [this] { return FPageVerticalRangeAc; },
                         [this](int v) { SetPageVerticalRangeAc(v); }, 2));
}

// --- TEditorCursors

void TEditorCursors::SetDefaultCursor(TEditorCursorShape Value) {
  if (Store(FDefaultCursor, Value)) Changed();
}

void TEditorCursors::SetDragSelCursor(TEditorCursorShape Value) {
  if (Store(FDragSelCursor, Value)) Changed();
}

void TEditorCursors::SetDragSelCopyCursor(TEditorCursorShape Value) {
  if (Store(FDragSelCopyCursor, Value)) Changed();
}

void TEditorCursors::SetInSelCursor(TEditorCursorShape Value) {
  if (Store(FInSelCursor, Value)) Changed();
}

void TEditorCursors::SetLeftMarginCursor(TEditorCursorShape Value) {
  if (Store(FLeftMarginCursor, Value)) Changed();
}

void TEditorCursors::SetTopMarginCursor(TEditorCursorShape Value) {
  if (Store(FTopMarginCursor, Value)) Changed();
}

TEditorCursorShape TEditorCursors::Shape(TEditorMouseCursorState State) const {
  switch (State) {
    case mcLeftMargin: return FLeftMarginCursor;
    case mcTopMargin: return FTopMarginCursor;
    case mcInSel: return FInSelCursor;
    case mcDragging: return FDragSelCursor;
    case mcDraggingCopy: return FDragSelCopyCursor;
    case mcClient: break;
  }
  return FDefaultCursor;
}

void TEditorCursors::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorCursors*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  FDefaultCursor = src->FDefaultCursor;
  FDragSelCursor = src->FDragSelCursor;
  FDragSelCopyCursor = src->FDragSelCopyCursor;
  FInSelCursor = src->FInSelCursor;
  FLeftMarginCursor = src->FLeftMarginCursor;
  FTopMarginCursor = src->FTopMarginCursor;
  Changed();
}

void TEditorCursors::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  auto add = [&list](std::string name, TEditorCursorShape TEditorCursors::*field,
                     void (TEditorCursors::*set)(TEditorCursorShape), TEditorCursorShape def,
                     TEditorCursors* self) {
    list.push_back(EnumProp<TEditorCursorShape>(
        std::move(name), [self, field] { return self->*field; },
        [self, set](TEditorCursorShape v) { (self->*set)(v); }, def, crRightArrow));
  };
  add("DefaultCursor", &TEditorCursors::FDefaultCursor, &TEditorCursors::SetDefaultCursor, crIBeam, this);
  add("DragSelCursor", &TEditorCursors::FDragSelCursor, &TEditorCursors::SetDragSelCursor, crDrag, this);
  add("DragSelCopyCursor", &TEditorCursors::FDragSelCopyCursor, &TEditorCursors::SetDragSelCopyCursor,
      crDragCopy, this);
  add("InSelCursor", &TEditorCursors::FInSelCursor, &TEditorCursors::SetInSelCursor, crArrow, this);
  add("LeftMarginCursor", &TEditorCursors::FLeftMarginCursor, &TEditorCursors::SetLeftMarginCursor,
      crRightArrow, this);
  add("TopMarginCursor", &TEditorCursors::FTopMarginCursor, &TEditorCursors::SetTopMarginCursor, crArrow,
      this);
}

// --- TEditorCaret

TEditorCaret::TEditorCaret() : FCursors(std::make_unique<TEditorCursors>()) {
  FCursors->OnChange = MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(this);
}

void TEditorCaret::SetFlag(bool& Field, bool Value) {
  if (Store(Field, Value)) Changed();
}

void TEditorCaret::SetAutoCursor(bool Value) { SetFlag(FAutoCursor, Value); }
void TEditorCaret::SetAutoIndent(bool Value) { SetFlag(FAutoIndent, Value); }
void TEditorCaret::SetBackSpaceUnIndent(bool Value) { SetFlag(FBackSpaceUnIndent, Value); }
void TEditorCaret::SetFreeCaret(bool Value) { SetFlag(FFreeCaret, Value); }
void TEditorCaret::SetFreeRow(bool Value) { SetFlag(FFreeRow, Value); }
void TEditorCaret::SetInTab(bool Value) { SetFlag(FInTab, Value); }
void TEditorCaret::SetKeepCaret(bool Value) { SetFlag(FKeepCaret, Value); }
void TEditorCaret::SetLockScroll(bool Value) { SetFlag(FLockScroll, Value); }
void TEditorCaret::SetNextLine(bool Value) { SetFlag(FNextLine, Value); }
void TEditorCaret::SetPrevSpaceIndent(bool Value) { SetFlag(FPrevSpaceIndent, Value); }
void TEditorCaret::SetRowSelect(bool Value) { SetFlag(FRowSelect, Value); }
void TEditorCaret::SetSelMove(bool Value) { SetFlag(FSelMove, Value); }
void TEditorCaret::SetSoftTab(bool Value) { SetFlag(FSoftTab, Value); }
void TEditorCaret::SetTabIndent(bool Value) { SetFlag(FTabIndent, Value); }
void TEditorCaret::SetTokenEndStop(bool Value) { SetFlag(FTokenEndStop, Value); }

void TEditorCaret::SetSelDragMode(TEditorSelDragMode Value) {
  if (Store(FSelDragMode, Value)) Changed();
}

void TEditorCaret::SetStyle(TEditorCaretStyle Value) {
  if (Store(FStyle, Value)) Changed();
}

void TEditorCaret::SetTabSpaceCount(int Value) {
  if (Store(FTabSpaceCount, ClampEven(Value, kMinTabSpaceCount, kMaxTabSpaceCount))) Changed();
}

void TEditorCaret::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorCaret*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  FAutoCursor = src->FAutoCursor;
  FAutoIndent = src->FAutoIndent;
  FBackSpaceUnIndent = src->FBackSpaceUnIndent;
  FFreeCaret = src->FFreeCaret;
  FFreeRow = src->FFreeRow;
  FInTab = src->FInTab;
  FKeepCaret = src->FKeepCaret;
  FLockScroll = src->FLockScroll;
  FNextLine = src->FNextLine;
  FPrevSpaceIndent = src->FPrevSpaceIndent;
  FRowSelect = src->FRowSelect;
  FSelMove = src->FSelMove;
  FSoftTab = src->FSoftTab;
  FTabIndent = src->FTabIndent;
  FTokenEndStop = src->FTokenEndStop;
  FSelDragMode = src->FSelDragMode;
  FStyle = src->FStyle;
  FTabSpaceCount = src->FTabSpaceCount;
  FCursors->Assign(src->Cursors());
  EndUpdate();
}

void TEditorCaret::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  auto flag = [&list, this](std::string name, bool TEditorCaret::*field, bool def) {
    list.push_back(BoolProp(
        std::move(name), [this, field] { return this->*field; },
        [this, field](bool v) { SetFlag(this->*field, v); }, def));
  };
  flag("AutoCursor", &TEditorCaret::FAutoCursor, true);
  flag("AutoIndent", &TEditorCaret::FAutoIndent, true);
  flag("BackSpaceUnIndent", &TEditorCaret::FBackSpaceUnIndent, true);
  flag("FreeCaret", &TEditorCaret::FFreeCaret, true);
  flag("FreeRow", &TEditorCaret::FFreeRow, false);
  flag("InTab", &TEditorCaret::FInTab, false);
  flag("KeepCaret", &TEditorCaret::FKeepCaret, false);
  flag("LockScroll", &TEditorCaret::FLockScroll, false);
  flag("NextLine", &TEditorCaret::FNextLine, false);
  flag("PrevSpaceIndent", &TEditorCaret::FPrevSpaceIndent, false);
  flag("RowSelect", &TEditorCaret::FRowSelect, true);
  flag("SelMove", &TEditorCaret::FSelMove, true);
  flag("SoftTab", &TEditorCaret::FSoftTab, false);
  flag("TabIndent", &TEditorCaret::FTabIndent, false);
  flag("TokenEndStop", &TEditorCaret::FTokenEndStop, false);
  list.push_back(EnumProp<TEditorSelDragMode>(
      "SelDragMode", [this] { return FSelDragMode; }, [this](TEditorSelDragMode v) { SetSelDragMode(v); },
      dmAutomatic, dmManual));
  list.push_back(EnumProp<TEditorCaretStyle>(
      "Style", [this] { return FStyle; }, [this](TEditorCaretStyle v) { SetStyle(v); }, csDefault, csBrief));
  list.push_back(IntProp("TabSpaceCount", [this] { return FTabSpaceCount; },
                         [this](int v) { SetTabSpaceCount(v); }, 8));
  list.push_back(ClassProp("Cursors", FCursors.get()));
}

// --- TEditorViewInfo

TEditorViewInfo::TEditorViewInfo() : FFountain(std::make_unique<TEditorFountain>()) {
  FFountain->NotifyEventList().Add(
      MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(this));
}

TEditorViewInfo::~TEditorViewInfo() {
  FFountain->NotifyEventList().Remove(
      MakeNotifyEvent<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(this));
}

void TEditorViewInfo::SetQuotation(const std::string& Value) {
  std::string first;
  if (!Value.empty()) first = Value.substr(0, cp932::CharLength(Value, 0));
  FFountain->SetQuotation(first);
}

void TEditorViewInfo::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TEditorViewInfo*>(&Source);
  if (src == nullptr) {
    TNotifyPersistent::Assign(Source);
    return;
  }
  if (src == this) {
    Changed();
    return;
  }
  BeginUpdate();
  try {
    // Others showing the scheme hear one change too.
    FFountain->BatchUpdate([&] {
      SetBrackets(src->Brackets());
      SetColors(src->Colors());
      SetCommenter(src->Commenter());
      SetControlCode(src->ControlCode());
      SetHexPrefix(src->HexPrefix());
      SetMail(src->Mail());
      SetQuotation(src->Quotation());
      SetUrl(src->Url());
    });
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TEditorViewInfo::GetProperties(TPropList& list) {
  TNotifyPersistent::GetProperties(list);
  list.push_back(ClassProp("Brackets", &Brackets()));
  list.push_back(ClassProp("Colors", &Colors()));
  list.push_back(StrProp("Commenter", [this] { return Commenter(); },
                         [this](const std::string& v) { SetCommenter(v); }));
  list.push_back(BoolProp("ControlCode", [this] { return ControlCode(); },
                          [this](bool v) { SetControlCode(v); }, false));
  list.push_back(StrProp("HexPrefix", [this] { return HexPrefix(); },
                         [this](const std::string& v) { SetHexPrefix(v); }));
  list.push_back(BoolProp("Mail", [this] { return Mail(); }, [this](bool v) { SetMail(v); }, false));
  list.push_back(StrProp("Quotation", [this] { return Quotation(); },
                         [this](const std::string& v) { SetQuotation(v); }));
  list.push_back(BoolProp("Url", [this] { return Url(); }, [this](bool v) { SetUrl(v); }, false));
}

}  // namespace tolvan
