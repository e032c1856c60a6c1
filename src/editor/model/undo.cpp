#include "editor/model/undo.h"

#include <algorithm>

#include "editor/model/screen_strings.h"

namespace tolvan {

namespace {

class CaretScope {
 public:
  explicit CaretScope(TEditorClient* c) : c_(c) {
    if (c_) c_->CaretBeginUpdate();
  }
  ~CaretScope() {
    if (c_) c_->CaretEndUpdate();
  }
  CaretScope(const CaretScope&) = delete;
  CaretScope& operator=(const CaretScope&) = delete;

 private:
  TEditorClient* c_;
};

class StoreScope {
 public:
  explicit StoreScope(TEditorScreenStrings& s) : s_(s) { s_.SetUpdateState(true); }
  ~StoreScope() { End(); }
  void End() {
    if (open_) {
      open_ = false;
      s_.SetUpdateState(false);
    }
  }
  StoreScope(const StoreScope&) = delete;
  StoreScope& operator=(const StoreScope&) = delete;

 private:
  TEditorScreenStrings& s_;
  bool open_ = true;
};

}  // namespace

void TEditorUndoObj::SetListMax(int v) {
  listMax_ = std::max(v, kMinListMax);
  TrimUndo();
}

TUndoData& TEditorUndoObj::Add() {
  auto rec = std::make_unique<TUndoData>();
  if (TEditorClient* c = list_.GetActiveClient()) {
    rec->CaretRow = c->CaretRow();
    rec->CaretCol = c->CaretCol();
  }
  undo_.push_back(std::move(rec));
  TrimUndo();
  if (!redoing_) redo_.clear();
  return *undo_.back();
}

void TEditorUndoObj::TrimUndo() {
  while (static_cast<int>(undo_.size()) > listMax_) {
    undo_.pop_front();
    // Never half a step: the rest of a joined step goes with its start.
    while (!undo_.empty() && undo_.front()->Joined) undo_.pop_front();
  }
}

void TEditorUndoObj::JoinLast() {
  if (undo_.size() >= 2) undo_.back()->Joined = true;
}

void TEditorUndoObj::UndoToRedo(const TUndoData& record) {
  auto rec = std::make_unique<TUndoData>();
  rec->FirstRow = record.FirstRow;
  rec->RowCount = record.RowCount;
  rec->RowAttribute = record.RowAttribute;
  rec->Str = record.Str;
  rec->SavedRows = record.SavedRows;
  if (TEditorClient* c = list_.GetActiveClient()) {
    rec->CaretRow = c->CaretRow();
    rec->CaretCol = c->CaretCol();
  }
  redo_.push_back(std::move(rec));
}

void TEditorUndoObj::Clear() {
  undo_.clear();
  redo_.clear();
}

TUndoData TEditorUndoObj::Restore(const TUndoData& rec) {
  TEditorScreenStrings& s = list_;
  TUndoData now;
  now.FirstRow = rec.FirstRow;
  int c = 0;
  if (rec.RowCount > 0) s.SaveRows(rec.FirstRow, rec.RowCount, now, c);
  int newCount = 0;
  if (rec.RowAttribute == raInvalid) {
    TRowMarks marks = s.DeleteList(rec.FirstRow, c);
    if (s.Count() > 0) {
      int r = std::min(rec.FirstRow, s.Count() - 1);
      s.SetRowMarks(r, static_cast<TRowMarks>(s.RowMarks(r) | marks));
    } else {
      s.ExcludeRowMarks(marks);
    }
  } else {
    TEditorStringList rows;
    s.RecordToRows(rec, rows);
    newCount = rows.Count();
    s.ChangeList(rec.FirstRow, c, rows);
  }
  int b = s.UpdateBrackets(rec.FirstRow, true);
  s.UpdateDrawInfo(rec.FirstRow, c, b, newCount);
  now.RowCount = newCount;
  return now;
}

void TEditorUndoObj::Undo() {
  if (undo_.empty()) return;
  TEditorClient* client = list_.GetActiveClient();
  CaretScope caret(client);
  StoreScope store(list_);
  // A joined step goes back newest first; on the redo list its records
  // stand the other way round, joined to the one undone before them.
  bool first = true, more = true;
  std::unique_ptr<TUndoData> u;
  while (more && !undo_.empty()) {
    u = std::move(undo_.back());
    undo_.pop_back();
    UndoToRedo(Restore(*u));
    redo_.back()->Joined = !first;
    first = false;
    more = u->Joined;
  }
  store.End();
  if (client) client->SetRowCol(u->CaretRow, u->CaretCol);
}

void TEditorUndoObj::Redo() {
  if (redo_.empty()) return;
  TEditorClient* client = list_.GetActiveClient();
  CaretScope caret(client);
  StoreScope store(list_);
  bool first = true, more = true;
  std::unique_ptr<TUndoData> r;
  while (more && !redo_.empty()) {
    r = std::move(redo_.back());
    redo_.pop_back();
    TUndoData inverse = Restore(*r);
    redoing_ = true;
    TUndoData& u = Add();
    redoing_ = false;
    u.FirstRow = inverse.FirstRow;
    u.RowCount = inverse.RowCount;
    u.RowAttribute = inverse.RowAttribute;
    u.Str = std::move(inverse.Str);
    u.SavedRows = std::move(inverse.SavedRows);
    u.Joined = !first;
    first = false;
    more = r->Joined;
  }
  store.End();
  if (client) client->SetRowCol(r->CaretRow, r->CaretCol);
}

}  // namespace tolvan
