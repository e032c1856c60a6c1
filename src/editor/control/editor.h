// The editor control without a window. It owns the caret, the selection,
// the view options, the layout and the scroll state, edits its row store
// through UpdateList only, and reaches the window system through
// TEditorPlatform. The Qt widget is a thin view over it: every decision the
// control makes is made here, so it is tested without a display.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "colouring/editor_fountain.h"
#include "colouring/fountain.h"
#include "editor/control/editor_types.h"
#include "editor/control/options.h"
#include "editor/control/platform.h"
#include "editor/model/editor_strings.h"
#include "editor/model/screen_strings.h"
#include "editor/model/search.h"

namespace tolvan {

// A fault inside the control, raised with a message.
class EEditorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Rows and bytes of a selection: start row, end row, start and end column
// (bytes: the end is the last selected byte; columns: the end is exclusive).
struct TSelectedPosition {
  std::int32_t Sr = 0;
  std::int32_t Er = 0;
  std::int32_t Sc = 0;
  std::int32_t Ec = 0;
  bool operator==(const TSelectedPosition&) const = default;
};

// A row (or logical line) and a byte in it; -1 when there is none.
struct TEditorStrInfo {
  int Line = -1;
  int CharIndex = -1;
};

class TEditor : public TEditorClient {
 public:
  static constexpr int kMaxCol = 1000;
  static constexpr int kSearchChunk = 8191;
  // The most bytes a copy puts on the clipboard: what a 32-bit count names.
  static constexpr std::int64_t kMaxClipboardBytes = 0x7fffffff;

  explicit TEditor(TEditorPlatform& platform);
  ~TEditor() override;
  TEditor(const TEditor&) = delete;
  TEditor& operator=(const TEditor&) = delete;

  // ---- text ----
  TEditorScreenStrings& List() const { return *list_; }
  TEditorStrings& Lines() { return *lines_; }
  // Shows Other's store instead of the own one (they then share it).
  void ExchangeList(TEditor& Other);
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }
  bool WordWrap() const { return list_->WordWrap(); }
  void SetWordWrap(bool v);
  TEditorWrapOption& WrapOption() { return list_->WrapOption(); }
  void Undo();
  void Redo();
  bool CanUndo() const { return list_->UndoObj().CanUndo(); }
  bool CanRedo() const { return list_->UndoObj().CanRedo(); }
  int UndoListMax() const { return list_->UndoObj().ListMax(); }
  void SetUndoListMax(int v) { list_->UndoObj().SetListMax(v); }

  // ---- options ----
  TEditorCaret& Caret() { return *caret_; }
  TEditorMarks& Marks() { return *marks_; }
  TEditorMargin& Margin() { return *margin_; }
  TEditorImagebar& Imagebar() { return *imagebar_; }
  TEditorLeftbar& Leftbar() { return *leftbar_; }
  TEditorRuler& Ruler() { return *ruler_; }
  TEditorSpeed& Speed() { return *speed_; }
  TEditorViewInfo& View() { return *view_; }
  const TEditorCaret& Caret() const { return *caret_; }
  const TEditorMarks& Marks() const { return *marks_; }
  const TEditorMargin& Margin() const { return *margin_; }
  const TEditorImagebar& Imagebar() const { return *imagebar_; }
  const TEditorLeftbar& Leftbar() const { return *leftbar_; }
  const TEditorRuler& Ruler() const { return *ruler_; }
  const TEditorSpeed& Speed() const { return *speed_; }
  const TEditorViewInfo& View() const { return *view_; }
  TFountain* Fountain() const { return fountain_; }
  // The scheme in use (not owned); null: the built-in one.
  void SetFountain(TFountain* f);
  // The scheme that colours the text now.
  TFountain& ActiveFountain() const;
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle v);
  TEditorHitStyle HitStyle() const { return hitStyle_; }
  void SetHitStyle(TEditorHitStyle v);
  bool OverWrite() const { return overWrite_; }
  void SetOverWrite(bool v) { overWrite_ = v; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  // The change handler of every option object and of the scheme.
  void ViewChanged(TObject* Sender);

  // ---- events ----
  std::function<void()> OnCaretMoved;
  std::function<void()> OnChange;
  std::function<void(TEditorSelectionState)> OnSelectionChange;
  std::function<void()> OnSelectionModeChange;
  std::function<void()> OnTopRowChange;
  std::function<void()> OnTopColChange;

  // ---- layout (pixels unless said) ----
  void InitDrawInfo();
  int ColWidth() const { return colWidth_; }
  int FontHeight() const { return fontHeight_; }
  int GetRowHeight() const;
  int TopMargin() const;
  int LeftMargin() const;
  int RowCount() const { return rowCount_; }   // visible rows
  int ColCount() const { return colCount_; }   // visible columns
  int ImagebarWidth() const { return imagebarWidth_; }
  int LeftbarWidth() const { return leftbarWidth_; }
  int LeftbarColumn() const { return leftbarColumn_; }
  int RulerHeight() const { return rulerHeight_; }
  int ScrollOffset() const { return scrollOffset_; }
  bool ItalicFlag() const { return italic_; }
  // Whether the digit count of the left bar changed.
  bool AdjustLeftbarColumn();
  // Number of the left bar for a screen position (row index); empty: blank.
  std::string LeftbarNumber(int Row) const;

  // ---- scrolling ----
  int TopCol() const { return topCol_; }
  void SetTopCol(int Value);
  void InitScroll();
  int VScrollMax() const;
  void VScroll(int Code, int TrackPos = 0);
  void HScroll(int Code, int TrackPos = 0);
  void LineScroll(int Row, int Count);
  void ImagebarScroll(int Row, int Count);
  void DoScroll(int dx, int dy, const TRect& clip);

  // ---- caret ----
  int Row() const { return row_; }
  int Col() const { return col_; }
  void SetRow(int R);
  void SetCol(int C);
  void ScrollCaret();
  void UpdateCaret();
  // Character indexes are 64-bit: a text may hold more than 2 GiB.
  std::int64_t GetSelIndex(int FromRow, int Row, int Col) const;
  void SetSelIndex(int FromRow, std::int64_t Index);
  int CaretUpdateCount() const { return caretUpdate_; }
  // Byte position of a column on a row.
  int ColToByte(int Row, int Col) const;
  int ExpandListLength(int Row) const;
  std::string ExpandListStr(int Row) const;
  int PrevTopSpace(int Row) const;
  bool FindNextWordStart(int& Row, int& Col, bool Forward);
  void PutStringToLine(std::string_view S);
  int ImeSwallowCount() const { return imeCount_; }

  // ---- input ----
  void KeyDown(TEditorKey Key, TShiftState Shift, bool Repeat = false);
  void KeyUp(TEditorKey Key, TShiftState Shift);
  // One character: a single byte, or a lead byte and its trail. A lead byte
  // given alone is dropped.
  void CharInput(std::string_view Ch, TShiftState Shift = 0);
  // Character bytes as the system would queue them: pairs are formed here.
  void CharBytes(std::string_view Bytes, TShiftState Shift = 0);
  // Echoed: the system also sends the string's bytes as characters, which
  // are then swallowed.
  void ImeResult(std::string_view S, bool Echoed = true);
  void ImeCandidateOpen() { CaretBeginUpdate(); }
  void ImeCandidateClose() { CaretEndUpdate(); }
  void MouseDown(TMouseButton Button, TShiftState Shift, TPoint P);
  void MouseMove(TShiftState Shift, TPoint P, bool ButtonDown);
  void MouseUp(TMouseButton Button, TShiftState Shift, TPoint P);
  void FocusIn();
  void FocusOut();
  void Resized();

  // ---- selection ----
  TEditorSelectionState SelectionState() const { return selState_; }
  TEditorSelectionMode SelectionMode() const { return selMode_; }
  void SetSelectionMode(TEditorSelectionMode Mode);
  bool Selected() const { return selState_ == sstSelected; }
  bool HasSelectionData() const { return selState_ == sstSelected || selState_ == sstHitSelected; }
  const TSelectedPosition& SelStr() const { return selStr_; }   // bytes
  const TSelectedPosition& SelDraw() const { return selDraw_; } // columns
  TEditorSelDragState SelDragState() const { return dragState_; }
  bool RowSelecting() const { return rowSelecting_; }
  int HitSelLength() const { return hitLength_; }
  void InitSelection();
  void StartSelection();
  void UpdateSelection();
  void SetSelection();
  void ClearSelection() { DeleteSelection(); }
  void DeleteSelection();
  void SelDeletedList(TEditorStringList& List) const;
  std::string GetSelText() const;
  void SetSelText(std::string_view S) { SetSelTextBuf(S); }
  int GetSelTextBuf(char* Buffer, int Size) const;
  void SetSelTextBuf(std::string_view S);
  void SetSelTextBox(std::string_view S);
  std::int64_t SelStart() const;
  void SetSelStart(std::int64_t Value);
  std::int64_t SelLength() const;
  // SelLength() > 0 without counting: what menus and tool buttons ask on
  // every selection change.
  bool HasSelectedText() const;
  void SetSelLength(std::int64_t Value);
  void SelectAll();
  // False when nothing was copied (no selection, or refused as too large).
  bool CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void PasteBoxFromClipboard();
  bool IsSelectedArea(int Row, int Col) const;
  bool CanSelDrag() const;
  void CancelSelDrag();
  void StartRowSelection(int Row);
  void UpdateRowSelection(int Row);
  void SetHitSelLength(int Length);
  void HitToSelected();
  // The pixel width the caret has now (widened over an hsCaret hit).
  int CaretWidth() const { return caretWidth_; }
  TEditorMouseCursorState CursorState() const { return cursorState_; }

  std::int64_t TextLength() const;

  // ---- search ----
  bool Search(std::string_view Pattern, TSearchOptions Options);

  // ---- block commands, marks, positions ----
  void SelIndent();
  void SelUnIndent();
  void SelTabIndent();
  void SelTabUnIndent();
  void PutRowMark(int Row, TRowMark Mark);
  void DeleteRowMark(int Row, TRowMark Mark);
  void GotoRowMark(TRowMark Mark);
  void DeleteRow(int Row);
  void PosToRowCol(int X, int Y, int& Col, int& Row, bool Nearest) const;
  int CharFromPos(TPoint P) const;
  int ColToChar(int Row, int Col) const;
  bool ListInfoFromPos(TPoint P, TEditorStrInfo& Info) const;
  bool StrInfoFromPos(TPoint P, TEditorStrInfo& Info) const;
  std::intptr_t Perform(unsigned Msg, std::intptr_t WParam = 0, std::intptr_t LParam = 0);

  // ---- tokens ----
  // The token at a point: its text and kind (0 when none).
  bool PosTokenString(TPoint P, bool UseScheme, std::string& Token, bool Bracket,
                      std::uint8_t& Kind) const;
  bool SelectPosToken(TPoint P, bool UseScheme, bool Bracket);
  TPoint CaretPoint() const;
  std::uint8_t TokenFromPos(TPoint P) const;
  std::uint8_t TokenFromCaret() const { return TokenFromPos(CaretPoint()); }
  std::uint8_t TokenBracketFromPos(TPoint P) const;
  std::uint8_t TokenBracketFromCaret() const { return TokenBracketFromPos(CaretPoint()); }
  std::string TokenStringFromPos(TPoint P) const;
  std::string TokenStringFromCaret() const { return TokenStringFromPos(CaretPoint()); }
  std::string TokenStringBracketFromPos(TPoint P) const;
  std::string TokenStringBracketFromCaret() const { return TokenStringBracketFromPos(CaretPoint()); }
  std::string WordFromPos(TPoint P) const;
  std::string WordFromCaret() const { return WordFromPos(CaretPoint()); }
  bool SelectTokenFromPos(TPoint P) { return SelectPosToken(P, true, false); }
  bool SelectTokenFromCaret() { return SelectTokenFromPos(CaretPoint()); }
  bool SelectTokenBracketFromPos(TPoint P) { return SelectPosToken(P, true, true); }
  bool SelectTokenBracketFromCaret() { return SelectTokenBracketFromPos(CaretPoint()); }
  bool SelectWordFromPos(TPoint P) { return SelectPosToken(P, false, false); }
  bool SelectWordFromCaret() { return SelectWordFromPos(CaretPoint()); }

  // ---- underline ----
  void UnderlineBeginUpdate();
  void UnderlineEndUpdate();
  int UnderlineUpdateCount() const { return underlineUpdate_; }
  // The y of the caret row's underline, or -1 when it is not on screen.
  int UnderlinePos(int Row) const;
  bool UnderlineShown() const { return underlineShown_; }

  // ---- TEditorClient ----
  int CaretRow() const override { return row_; }
  int CaretCol() const override { return col_; }
  void SetRowCol(int R, int C) override;
  void CaretBeginUpdate() override;
  void CaretEndUpdate() override;
  int TopRow() const override { return topRow_; }
  void SetTopRow(int Value) override;
  void CleanSelection() override;
  bool Focused() const override { return platform_.Focused(); }
  void InvalidateRow(int first, int last) override;
  void InitView() override;
  void InitCol() override;
  void DoChange() override;
  int ScreenHeight() const override;
  int RowHeight() const override { return GetRowHeight(); }
  int TabSpaceCount() const override;
  bool InitBracketsFull() const override;
  TRowStateParserFactory* ActiveScheme() const override { return &ActiveFountain(); }

  TEditorPlatform& Platform() const { return platform_; }
  TColumnRules ColumnRules() const { return list_->ColumnRules(); }

 private:
  enum class Move { Horizontal, Vertical };
  struct CaretScope;
  struct UnderlineScope;

  void AdjustCol(Move move, int dir);
  void KeyNavigate(TEditorKey Key, TShiftState Shift, bool Repeat);
  void DeleteKey();
  void BackSpace();
  void TabKey();
  void EnterKey(TShiftState Shift);
  void InsertChar(std::string_view S);
  void MoveCompositionWindow();
  void KeepCaretOnCharacter();
  int RowByteLength(int Row) const;
  int RowIndex(int Row) const;  // first row counted for SetSelIndex after an edit
  void ClearHit();
  void DropOutsideSelection();
  void ReplaceSelection(std::string_view S);
  void RecomputeSelection();
  void InvalidateSelection();
  void SelectionText(std::string& out) const;
  void BoxEdges(int Row, int& Left, int& Right) const;
  void EndSelDrag(TShiftState Shift, TPoint P);
  void MoveSelection(int Row, int Col);
  void MoveSelectionApart(int Row, int Col);
  void CopySelection(int Row, int Col);
  void SetCursorState(TEditorMouseCursorState s);
  void BlockCommand(int Kind);
  int LineFromChar(int Index, int* RestBytes) const;
  bool TokenAt(TPoint P, bool UseScheme, bool Bracket, std::string& Token, std::uint8_t& Kind, int& First,
               int& Start) const;

  TEditorPlatform& platform_;
  TEditorScreenStrings* list_ = nullptr;
  std::unique_ptr<TEditorStrings> lines_;
  std::unique_ptr<TEditorViewInfo> view_;
  std::unique_ptr<TEditorCaret> caret_;
  std::unique_ptr<TEditorMarks> marks_;
  std::unique_ptr<TEditorMargin> margin_;
  std::unique_ptr<TEditorImagebar> imagebar_;
  std::unique_ptr<TEditorLeftbar> leftbar_;
  std::unique_ptr<TEditorRuler> ruler_;
  std::unique_ptr<TEditorSpeed> speed_;
  TFountain* fountain_ = nullptr;

  // caret
  int row_ = 0;
  int col_ = 0;
  int keepCol_ = 0;
  bool keepColSet_ = false;
  int caretUpdate_ = 0;
  int wrappedTabs_ = 8;  // the tab width the rows were wrapped at
  bool caretMoved_ = false;
  int caretWidth_ = 2;
  bool overWrite_ = false;
  bool readOnly_ = false;
  bool wantTabs_ = true;
  bool wantReturns_ = true;
  int imeCount_ = 0;
  bool repeat_ = false;
  bool compositionPending_ = false;
  bool modified_ = false;

  // selection
  TEditorSelectionState selState_ = sstNone;
  TEditorSelectionMode selMode_ = smLine;
  int anchorRow_ = 0;
  int anchorByte_ = 0;
  int anchorCol_ = 0;
  TSelectedPosition selStr_;
  TSelectedPosition selDraw_;
  TEditorSelDragState dragState_ = sdNone;
  bool buttonDown_ = false;
  bool altBox_ = false;  // box mode taken by an Alt press, for that one selection
  TPoint pressPoint_;
  bool pressSelecting_ = false;
  bool rowSelecting_ = false;
  int rowSelFirst_ = 0;
  int rowSelCur_ = 0;
  bool rowSelEof_ = false;
  TEditorHitStyle hitStyle_ = hsSelect;
  bool hitShowing_ = false;
  int hitLength_ = 0;
  TEditorMouseCursorState cursorState_ = mcClient;

  // view
  TScrollStyle scrollBars_ = ssNone;
  int topRow_ = 0;
  int topCol_ = 0;
  int colWidth_ = 8;
  int fontHeight_ = 16;
  int rowCount_ = 1;
  int colCount_ = 0;
  int imagebarWidth_ = 0;
  int leftbarWidth_ = 0;
  int leftbarColumn_ = 4;
  int rulerHeight_ = 0;
  int scrollOffset_ = 0;
  bool italic_ = false;
  int underlineUpdate_ = 0;
  bool underlineShown_ = false;
};

}  // namespace tolvan
