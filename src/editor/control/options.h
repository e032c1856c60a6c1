// The editor control's option objects: margins, marks, image bar, left bar,
// ruler, speed, caret behaviour with its mouse cursors, and the view (the
// built-in scheme). Each reports a change through its OnChange, which the
// control routes to ViewChanged; setters compare first, clamp integers to
// their range and report only a real change. TEditorSpeed alone reports
// nothing: its values are read when they are needed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "colouring/editor_fountain.h"
#include "colouring/notify.h"
#include "editor/control/editor_types.h"

namespace tolvan {

// Spacing in pixels.
class TEditorMargin : public TNotifyPersistent {
 public:
  std::string_view ClassName() const override { return "TEditorMargin"; }

  // Extra space added to the font's average character width.
  int Character() const { return FCharacter; }
  // Space between the left bars and the text.
  int Left() const { return FLeft; }
  // Extra space below each row.
  int Line() const { return FLine; }
  // Space between the ruler (or the top edge) and the first row.
  int Top() const { return FTop; }
  // 1 while the caret-row underline is shown, else 0. Kept by the control
  // from the underline mark; not published and not taken over by Assign,
  // since it belongs to the control that owns this object.
  int UnderlineMargin() const { return FUnderlineMargin; }

  void SetCharacter(int Value);
  void SetLeft(int Value);
  void SetLine(int Value);
  void SetTop(int Value);
  void SetUnderlineMargin(int Value);

  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  int FCharacter = 0;
  int FLeft = 19;
  int FLine = 0;
  int FTop = 2;
  int FUnderlineMargin = 0;
};

class TEditorMark : public TNotifyPersistent {
 public:
  std::string_view ClassName() const override { return "TEditorMark"; }
  TColor Color() const { return FColor; }
  bool Visible() const { return FVisible; }
  void SetColor(TColor Value);
  void SetVisible(bool Value);
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  TColor FColor = clGray;
  bool FVisible = false;
};

// The five marks; a change of any of them is a change of this object.
class TEditorMarks : public TNotifyPersistent {
 public:
  TEditorMarks();
  TEditorMarks(const TEditorMarks&) = delete;
  TEditorMarks& operator=(const TEditorMarks&) = delete;
  std::string_view ClassName() const override { return "TEditorMarks"; }

  // After the last row of the text.
  TEditorMark& EofMark() const { return *FEofMark; }
  // At the end of each row that ends a logical line.
  TEditorMark& RetMark() const { return *FRetMark; }
  // At the end of each wrapped row.
  TEditorMark& WrapMark() const { return *FWrapMark; }
  // After a row longer than the columns that are drawn.
  TEditorMark& HideMark() const { return *FHideMark; }
  // Underlines the caret row.
  TEditorMark& Underline() const { return *FUnderline; }
  void SetEofMark(const TEditorMark& Value) { FEofMark->Assign(Value); }
  void SetRetMark(const TEditorMark& Value) { FRetMark->Assign(Value); }
  void SetWrapMark(const TEditorMark& Value) { FWrapMark->Assign(Value); }
  void SetHideMark(const TEditorMark& Value) { FHideMark->Assign(Value); }
  void SetUnderline(const TEditorMark& Value) { FUnderline->Assign(Value); }

  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  std::unique_ptr<TEditorMark> NewMark();
  std::unique_ptr<TEditorMark> FEofMark, FRetMark, FWrapMark, FHideMark, FUnderline;
};

// The strip at the far left that shows row marks.
class TEditorImagebar : public TNotifyPersistent {
 public:
  std::string_view ClassName() const override { return "TEditorImagebar"; }
  int DigitWidth() const { return FDigitWidth; }
  int LeftMargin() const { return FLeftMargin; }
  int MarkWidth() const { return FMarkWidth; }
  int RightMargin() const { return FRightMargin; }
  bool Visible() const { return FVisible; }
  void SetDigitWidth(int Value);
  void SetLeftMargin(int Value);
  void SetMarkWidth(int Value);
  void SetRightMargin(int Value);
  void SetVisible(bool Value);
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  int FDigitWidth = 8;
  int FLeftMargin = 2;
  int FMarkWidth = 0;
  int FRightMargin = 2;
  bool FVisible = true;
};

// Row or line numbers.
class TEditorLeftbar : public TNotifyPersistent {
 public:
  static constexpr int kMinColumn = 1;
  static constexpr int kMaxColumn = 8;

  std::string_view ClassName() const override { return "TEditorLeftbar"; }
  TColor BkColor() const { return FBkColor; }
  TColor Color() const { return FColor; }
  // Minimum number of digits.
  int Column() const { return FColumn; }
  // A 3-D edge on the right side.
  bool Edge() const { return FEdge; }
  int LeftMargin() const { return FLeftMargin; }
  int RightMargin() const { return FRightMargin; }
  bool ShowNumber() const { return FShowNumber; }
  TEditorShowNumberMode ShowNumberMode() const { return FShowNumberMode; }
  bool Visible() const { return FVisible; }
  // The first number is 0 instead of 1.
  bool ZeroBase() const { return FZeroBase; }
  // Numbers padded with zeros instead of spaces.
  bool ZeroLead() const { return FZeroLead; }
  void SetBkColor(TColor Value);
  void SetColor(TColor Value);
  void SetColumn(int Value);
  void SetEdge(bool Value);
  void SetLeftMargin(int Value);
  void SetRightMargin(int Value);
  void SetShowNumber(bool Value);
  void SetShowNumberMode(TEditorShowNumberMode Value);
  void SetVisible(bool Value);
  void SetZeroBase(bool Value);
  void SetZeroLead(bool Value);
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  TColor FBkColor = clSilver;
  TColor FColor = clBlack;
  int FColumn = 4;
  bool FEdge = true;
  int FLeftMargin = 8;
  int FRightMargin = 4;
  bool FShowNumber = true;
  TEditorShowNumberMode FShowNumberMode = nmRow;
  bool FVisible = false;
  bool FZeroBase = false;
  bool FZeroLead = false;
};

// The column scale above the text.
class TEditorRuler : public TNotifyPersistent {
 public:
  std::string_view ClassName() const override { return "TEditorRuler"; }
  TColor BkColor() const { return FBkColor; }
  TColor Color() const { return FColor; }
  bool Edge() const { return FEdge; }
  // Columns per gauge period: 8 or 10.
  int GaugeRange() const { return FGaugeRange; }
  // Colour of the caret column marker.
  TColor MarkColor() const { return FMarkColor; }
  bool Visible() const { return FVisible; }
  void SetBkColor(TColor Value);
  void SetColor(TColor Value);
  void SetEdge(bool Value);
  // Clamped to 8-10; an odd value loses 1.
  void SetGaugeRange(int Value);
  void SetMarkColor(TColor Value);
  void SetVisible(bool Value);
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  TColor FBkColor = clSilver;
  TColor FColor = clBlack;
  bool FEdge = true;
  int FGaugeRange = 10;
  TColor FMarkColor = clBlack;
  bool FVisible = false;
};

// Scrolling speeds and the tokenizer-state policy. A plain value: copying
// it is assigning it, and nothing is told of a change.
class TEditorSpeed : public TPersistent {
 public:
  std::string_view ClassName() const override { return "TEditorSpeed"; }
  int CaretVerticalAc() const { return FCaretVerticalAc; }
  // Compute the tokenizer state for the whole text at once instead of for
  // the screen area.
  bool InitBracketsFull() const { return FInitBracketsFull; }
  int PageVerticalRange() const { return FPageVerticalRange; }
  int PageVerticalRangeAc() const { return FPageVerticalRangeAc; }
  void SetCaretVerticalAc(int Value);
  void SetInitBracketsFull(bool Value) { FInitBracketsFull = Value; }
  void SetPageVerticalRange(int Value);
  void SetPageVerticalRangeAc(int Value);
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  int FCaretVerticalAc = 2;
  bool FInitBracketsFull = false;
  int FPageVerticalRange = 2;
  int FPageVerticalRangeAc = 2;
};

// Mouse cursor shapes the widget knows how to show.
enum TEditorCursorShape { crIBeam = 0, crDrag = 1, crDragCopy = 2, crArrow = 3, crRightArrow = 4 };

// The mouse cursor shape of each role.
class TEditorCursors : public TNotifyPersistent {
 public:
  std::string_view ClassName() const override { return "TEditorCursors"; }
  TEditorCursorShape DefaultCursor() const { return FDefaultCursor; }
  TEditorCursorShape DragSelCursor() const { return FDragSelCursor; }
  TEditorCursorShape DragSelCopyCursor() const { return FDragSelCopyCursor; }
  TEditorCursorShape InSelCursor() const { return FInSelCursor; }
  TEditorCursorShape LeftMarginCursor() const { return FLeftMarginCursor; }
  TEditorCursorShape TopMarginCursor() const { return FTopMarginCursor; }
  void SetDefaultCursor(TEditorCursorShape Value);
  void SetDragSelCursor(TEditorCursorShape Value);
  void SetDragSelCopyCursor(TEditorCursorShape Value);
  void SetInSelCursor(TEditorCursorShape Value);
  void SetLeftMarginCursor(TEditorCursorShape Value);
  void SetTopMarginCursor(TEditorCursorShape Value);
  // The shape to show for a mouse cursor state.
  TEditorCursorShape Shape(TEditorMouseCursorState State) const;
  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  TEditorCursorShape FDefaultCursor = crIBeam;
  TEditorCursorShape FDragSelCursor = crDrag;
  TEditorCursorShape FDragSelCopyCursor = crDragCopy;
  TEditorCursorShape FInSelCursor = crArrow;
  TEditorCursorShape FLeftMarginCursor = crRightArrow;
  TEditorCursorShape FTopMarginCursor = crArrow;
};

// Editing behaviour; a change of Cursors is a change of this object.
class TEditorCaret : public TNotifyPersistent {
 public:
  static constexpr int kMinTabSpaceCount = 2;
  static constexpr int kMaxTabSpaceCount = 8;

  TEditorCaret();
  TEditorCaret(const TEditorCaret&) = delete;
  TEditorCaret& operator=(const TEditorCaret&) = delete;
  std::string_view ClassName() const override { return "TEditorCaret"; }

  bool AutoCursor() const { return FAutoCursor; }
  bool AutoIndent() const { return FAutoIndent; }
  bool BackSpaceUnIndent() const { return FBackSpaceUnIndent; }
  bool FreeCaret() const { return FFreeCaret; }
  bool FreeRow() const { return FFreeRow; }
  bool InTab() const { return FInTab; }
  bool KeepCaret() const { return FKeepCaret; }
  bool LockScroll() const { return FLockScroll; }
  bool NextLine() const { return FNextLine; }
  bool PrevSpaceIndent() const { return FPrevSpaceIndent; }
  bool RowSelect() const { return FRowSelect; }
  bool SelMove() const { return FSelMove; }
  bool SoftTab() const { return FSoftTab; }
  bool TabIndent() const { return FTabIndent; }
  bool TokenEndStop() const { return FTokenEndStop; }
  TEditorSelDragMode SelDragMode() const { return FSelDragMode; }
  TEditorCaretStyle Style() const { return FStyle; }
  // Tab width in columns: 2, 4, 6 or 8.
  int TabSpaceCount() const { return FTabSpaceCount; }
  TEditorCursors& Cursors() const { return *FCursors; }

  void SetAutoCursor(bool Value);
  void SetAutoIndent(bool Value);
  void SetBackSpaceUnIndent(bool Value);
  void SetFreeCaret(bool Value);
  void SetFreeRow(bool Value);
  void SetInTab(bool Value);
  void SetKeepCaret(bool Value);
  void SetLockScroll(bool Value);
  void SetNextLine(bool Value);
  void SetPrevSpaceIndent(bool Value);
  void SetRowSelect(bool Value);
  void SetSelMove(bool Value);
  void SetSoftTab(bool Value);
  void SetTabIndent(bool Value);
  void SetTokenEndStop(bool Value);
  void SetSelDragMode(TEditorSelDragMode Value);
  void SetStyle(TEditorCaretStyle Value);
  // Clamped to 2-8; an odd value loses 1.
  void SetTabSpaceCount(int Value);
  void SetCursors(const TEditorCursors& Value) { FCursors->Assign(Value); }

  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  void SetFlag(bool& Field, bool Value);

  bool FAutoCursor = true;
  bool FAutoIndent = true;
  bool FBackSpaceUnIndent = true;
  bool FFreeCaret = true;
  bool FFreeRow = false;
  bool FInTab = false;
  bool FKeepCaret = false;
  bool FLockScroll = false;
  bool FNextLine = false;
  bool FPrevSpaceIndent = false;
  bool FRowSelect = true;
  bool FSelMove = true;
  bool FSoftTab = false;
  bool FTabIndent = false;
  bool FTokenEndStop = false;
  TEditorSelDragMode FSelDragMode = dmAutomatic;
  TEditorCaretStyle FStyle = csDefault;
  int FTabSpaceCount = 8;
  std::unique_ptr<TEditorCursors> FCursors;
};

// The control's built-in colouring scheme, owned. Every change of the
// scheme (colours, brackets, texts, switches) is a change of this object.
class TEditorViewInfo : public TNotifyPersistent {
 public:
  TEditorViewInfo();
  ~TEditorViewInfo() override;
  TEditorViewInfo(const TEditorViewInfo&) = delete;
  TEditorViewInfo& operator=(const TEditorViewInfo&) = delete;
  std::string_view ClassName() const override { return "TEditorViewInfo"; }

  TEditorFountain& Fountain() const { return *FFountain; }
  TFountainBracketCollection& Brackets() const { return FFountain->Brackets(); }
  // Includes the selection and search-hit colours.
  TEditorColors& Colors() const { return FFountain->Colors(); }
  const std::string& Commenter() const { return FFountain->Commenter(); }
  bool ControlCode() const { return FFountain->ControlCode(); }
  const std::string& HexPrefix() const { return FFountain->HexPrefix(); }
  bool Mail() const { return FFountain->Mail(); }
  const std::string& Quotation() const { return FFountain->Quotation(); }
  bool Url() const { return FFountain->Url(); }

  void SetBrackets(const TFountainBracketCollection& Value) { FFountain->SetBrackets(Value); }
  void SetColors(const TEditorColors& Value) { FFountain->SetColors(Value); }
  void SetCommenter(const std::string& Value) { FFountain->SetCommenter(Value); }
  void SetControlCode(bool Value) { FFountain->SetControlCode(Value); }
  void SetHexPrefix(const std::string& Value) { FFountain->SetHexPrefix(Value); }
  void SetMail(bool Value) { FFountain->SetMail(Value); }
  // Keeps only the first character (two bytes for a double-byte one).
  void SetQuotation(const std::string& Value);
  void SetUrl(bool Value) { FFountain->SetUrl(Value); }

  void Assign(const TPersistent& Source) override;
  void GetProperties(TPropList& list) override;

 private:
  std::unique_ptr<TEditorFountain> FFountain;
};

}  // namespace tolvan
