// The row store of the editor control: the rows, the single edit primitive
// UpdateList, the tokenizer state per row, word wrap, undo, and the controls
// (clients) that show the store.
#pragma once

#include <cstdint>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "colouring/row_state.h"
#include "core/encoding.h"
#include "editor/model/editor_client.h"
#include "editor/model/string_list.h"
#include "editor/model/undo.h"
#include "editor/model/wrap.h"

namespace tolvan {

struct TDrawInfo {
  int Start = 0;
  int OldCount = 0;
  int NewCount = 0;
  int StateRows = 0;
  bool Valid = false;
};

class TEditorScreenStrings : public TEditorStringList, public TRowSource {
 public:
  TEditorScreenStrings();
  ~TEditorScreenStrings() override;

  // How the document's bytes make characters; every client of the store
  // shows the same document.
  TextEncoding Encoding() const { return encoding_; }
  // The bytes stay as they are; rows are rewrapped and clients told, as
  // characters and columns change.
  void SetEncoding(TextEncoding e);

  // Which line ends make rows. None (the default): CR LF, a lone CR and a
  // lone LF alike. A file's own line end: a load cuts rows only there, and an
  // edit only at CR LF (the rows' separator), so every other CR or LF byte
  // stays in its row as a character of one column and a file's bytes are
  // written back as they were read.
  void SetOwnLineEnd(std::optional<LineEnd> e) { ownLineEnd_ = e; }
  std::optional<LineEnd> OwnLineEnd() const { return ownLineEnd_; }
  // The last load kept other CR or LF bytes in rows.
  bool MixedLineEnds() const { return mixedLineEnds_; }
  void SetMixedLineEnds(bool Mixed) { mixedLineEnds_ = Mixed; }

  // ---- editing ----
  // Replaces rows Index..Index+Count-1 by Str (which may hold line breaks);
  // Count = 0 inserts. One undo record per call.
  void UpdateList(int Index, int Count, std::string_view Str);
  void ListInfo(int Index, int Count, std::string& Str, int& RowCount,
                TRowAttribute& Attribute) const;
  int RowStart(int Row) const;
  int RowEnd(int Row) const;
  void CheckCrlf(int Row, std::string& Str) const;
  // ListInfo into an undo record, with the saved rows' lengths.
  void SaveRows(int Index, int Count, TUndoData& Record, int& RowCount) const;
  // The rows a record saved, cut as they were (or by StrToWrapList when the
  // record holds no row lengths).
  void RecordToRows(const TUndoData& Record, TEditorStringList& List);
  TRowMarks DeleteList(int Index, int Count);
  void InsertList(int Index, TEditorStringList& List);
  // Loading: an empty store takes List's rows whole. They must carry no
  // tokenizer state (AddRow makes none), so none is reset: a large file
  // would pay for a walk over all its rows.
  void TakeFreshList(TEditorStringList& List);
  void ChangeList(int Index, int Count, TEditorStringList& List);

  // ---- tokenizer state ----
  int UpdateBrackets(int Row, bool Invalidate);
  void InitBrackets();
  // The state of Row; the initial state for a row out of range.
  TRowAttributeData GetListData(int Row) const;
  TRowAttribute GetListPrevRow(int Row) const { return GetListData(Row).PrevRowAttribute; }
  int GetListBracket(int Row) const { return InRange(Row) ? Brackets(Row) : -1; }
  int GetListElement(int Row) const { return InRange(Row) ? Elements(Row) : 0; }
  int GetListWrappedByte(int Row) const { return InRange(Row) ? WrappedBytes(Row) : 0; }
  int GetListRemain(int Row) const { return InRange(Row) ? Remains(Row) : 0; }
  int GetListToken(int Row) const { return InRange(Row) ? Tokens(Row) : 0; }
  int GetListPrevToken(int Row) const { return InRange(Row) ? PrevTokens(Row) : 0; }
  std::string GetListDataString(int Row) const { return InRange(Row) ? DataStr(Row) : std::string(); }
  TRowMarks GetListRowMarks(int Row) const { return InRange(Row) ? RowMarks(Row) : 0; }
  bool InRange(int Row) const { return Row >= 0 && Row < Count(); }
  // First row from which every row is known to be not computed.
  int UncomputedFrom() const { return uncomputedFrom_; }

  // ---- draw info and marks ----
  void UpdateDrawInfo(int Row, int OldCount, int StateRows, int NewCount);
  const TDrawInfo& DrawInfo() const { return drawInfo_; }
  void IncludeRowMarks(TRowMarks Marks) { validRowMarks_ |= Marks; }
  virtual void ExcludeRowMarks(TRowMarks Marks) {
    validRowMarks_ = static_cast<TRowMarks>(validRowMarks_ & ~Marks);
  }
  TRowMarks ValidRowMarks() const { return validRowMarks_; }
  void SetListRowMarks(int Row, TRowMarks Marks);

  // ---- clients ----
  void Reference(TEditorClient* Editor);
  // Removes a client; the store deletes itself when none is left, so it
  // must have been made with new.
  void Release(TEditorClient* Editor);
  TEditorClient* GetClient() const { return clients_.empty() ? nullptr : clients_.front(); }
  TEditorClient* GetActiveClient() const;
  const std::vector<TEditorClient*>& Clients() const { return clients_; }
  void ClientsAdjustRow();
  void ClientsCleanSelection();
  void ClientsInitCol();
  void ClientsInitView();

  // ---- word wrap ----
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool Value);
  // Wraps again when the owner's tab width changed what fits in a row.
  void TabWidthChanged() { WrapOptionChanged(); }
  TEditorWrapOption& WrapOption();
  void WrapLines();
  void StretchLines();
  virtual void StrToWrapList(std::string_view Str, TEditorStringList& List);
  virtual int WrapCount(std::string_view Line);
  // Column rules of the owner for this store.
  TColumnRules ColumnRules() const;

  // ---- undo ----
  TEditorUndoObj& UndoObj();
  void Undo() { UndoObj().Undo(); }
  void Redo() { UndoObj().Redo(); }

  void Clear() override;
  void SetUpdateState(bool Updating) override;

  // ---- the control's view of the rows ----
  TRowAttribute ListRows(int Row) const;
  std::string_view ListStr(int Row) const;
  int LinesToRow(int Line) const;
  int RowToLines(int Row) const;
  std::string ListToStr() const;
  bool ListToFile(const std::filesystem::path& Name) const;
  // Character index of (Row, Col) counted from FromRow: a line break counts
  // 2, a wrap 0, the end of the text 1.
  std::int64_t GetSelIndex(int FromRow, int Row, int Col) const;
  void SelIndexToRowCol(int FromRow, std::int64_t Index, int& Row, int& Col) const;
  // Puts the client's caret at character Index counted from FromRow.
  void SetSelIndex(TEditorClient* Client, int FromRow, std::int64_t Index) const;

  // ---- TRowSource ----
  int GetListCount() const override { return Count(); }
  std::string_view GetListString(int Row) const override { return ListStr(Row); }
  TRowAttribute GetListRow(int Row) const override { return ListRows(Row); }

 protected:
  virtual std::unique_ptr<TEditorUndoObj> CreateUndoObj();
  virtual std::unique_ptr<TEditorWrapOption> CreateWrapOption();
  void WrapOptionChanged();

 private:
  TextEncoding encoding_ = TextEncoding::Cp932;
  friend class TEditorUndoObj;
  void NotifyClients();
  int ScreenRows() const;
  bool OwnerLoading() const;
  void ResetState(int Row) { ResetStates(Row, 1); }
  void ResetStates(int Index, int Cnt);
  void WriteState(int Row, const TRowAttributeData& d);
  bool StateEquals(int Row, const TRowAttributeData& d) const;
  // Advances d from the start of Row to the start of Row + 1.
  void Advance(TRowStateParser* parser, int Row, TRowAttributeData& d) const;
  // Writes states from Start (d is its incoming state) through Limit,
  // stopping at a row whose stored state matches.
  int Walk(TRowStateParser* parser, int Start, TRowAttributeData d, int Limit, bool Invalidate);
  void Rewrap(bool On);
  TWrapRules WrapRules();
  void AfterRowsReplaced(int Index, int Removed, int Inserted);

  std::vector<TEditorClient*> clients_;
  TDrawInfo drawInfo_;
  TRowMarks validRowMarks_ = 0;
  std::unique_ptr<TEditorUndoObj> undo_;
  bool wordWrap_ = false;
  std::unique_ptr<TEditorWrapOption> wrapOption_;
  int uncomputedFrom_ = 0;
  std::optional<LineEnd> ownLineEnd_;
  bool mixedLineEnds_ = false;
};

// Characters that S takes once stored: every line break (CR LF, or a CR
// or LF alone, each of which the store turns into CR LF) counts 2. In a
// store with its own line end only CR LF breaks a line: onlyCrLf.
std::int64_t StoredIndexLength(std::string_view S, bool onlyCrLf = false);

// S with every CR LF, lone CR and lone LF made CR LF: text from elsewhere
// breaks its lines where it did in a store with its own line end.
std::string CrLfBreaks(std::string_view S);

}  // namespace tolvan
