// Undo and redo by replaced row ranges: a record keeps the rows an edit took
// out; undoing puts them back and keeps what it took out for redo.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "colouring/row_state.h"

namespace tolvan {

class TEditorScreenStrings;

struct TUndoData {
  std::int32_t CaretRow = 0;
  std::int32_t CaretCol = 0;
  std::int32_t FirstRow = -1;
  std::int32_t RowCount = 0;
  TRowAttribute RowAttribute = raInvalid;
  std::string Str;
  // Each saved row's byte length and end. Undo puts back exactly these
  // rows: a cut made by WordBreak or Leading depends on text that later
  // edits change, so cutting Str anew could give another number of rows,
  // and every older record would then act on the wrong rows.
  struct TSavedRow {
    std::int32_t Length;
    TRowAttribute Rows;
  };
  std::vector<TSavedRow> SavedRows;
  // Undone and redone together with the record before it in its list: one
  // step of the user's made of edits of rows far apart.
  bool Joined = false;
};

using TUndoDataList = std::deque<std::unique_ptr<TUndoData>>;

class TEditorUndoObj {
 public:
  static constexpr int kMinListMax = 64;

  explicit TEditorUndoObj(TEditorScreenStrings& list) : list_(list) {}
  virtual ~TEditorUndoObj() = default;

  int ListMax() const { return listMax_; }
  void SetListMax(int v);

  // A new record from the active client's caret; the caller fills the rest.
  virtual TUndoData& Add();
  virtual bool CanRedo() const { return !redo_.empty(); }
  virtual bool CanUndo() const { return !undo_.empty(); }
  virtual void Redo();
  virtual void Undo();
  virtual void UndoToRedo(const TUndoData& record);
  virtual void Clear();
  // Makes the newest record one step with the record before it.
  void JoinLast();

  const TUndoDataList& UndoList() const { return undo_; }
  const TUndoDataList& RedoList() const { return redo_; }

 private:
  // Drops the oldest records beyond the limit, whole steps at a time.
  void TrimUndo();
  // Puts rec's rows back; returns what was there (as an inverse record
  // without caret) and the new row count.
  TUndoData Restore(const TUndoData& rec);

  TEditorScreenStrings& list_;
  int listMax_ = kMinListMax;
  bool redoing_ = false;
  TUndoDataList redo_;
  TUndoDataList undo_;
};

}  // namespace tolvan
