#include "editor/model/screen_strings.h"

#include <algorithm>

#include "core/files.h"

namespace tolvan {

namespace {

// Begin/end an update of a list even when an exception passes.
class UpdateScope {
 public:
  explicit UpdateScope(TheStringList& l) : l_(l) { l_.SetUpdateState(true); }
  ~UpdateScope() { l_.SetUpdateState(false); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TheStringList& l_;
};

}  // namespace

TEditorScreenStrings::TEditorScreenStrings() {
  OnChange = [this] { NotifyClients(); };
}

TEditorScreenStrings::~TEditorScreenStrings() = default;

std::unique_ptr<TEditorUndoObj> TEditorScreenStrings::CreateUndoObj() {
  return std::make_unique<TEditorUndoObj>(*this);
}

std::unique_ptr<TEditorWrapOption> TEditorScreenStrings::CreateWrapOption() {
  return std::make_unique<TEditorWrapOption>();
}

TEditorUndoObj& TEditorScreenStrings::UndoObj() {
  if (!undo_) undo_ = CreateUndoObj();
  return *undo_;
}

TEditorWrapOption& TEditorScreenStrings::WrapOption() {
  if (!wrapOption_) {
    wrapOption_ = CreateWrapOption();
    wrapOption_->OnChange = [this] { WrapOptionChanged(); };
  }
  return *wrapOption_;
}

TColumnRules TEditorScreenStrings::ColumnRules() const {
  TColumnRules r;
  TEditorClient* c = GetClient();
  r.TabSpaceCount = c ? c->TabSpaceCount() : 8;
  r.Delimiters = c ? &c->Delimiters() : &DefaultDelimiters();
  r.WordWrap = wordWrap_;
  r.WrapByte = const_cast<TEditorScreenStrings*>(this)->WrapOption().WrapByte();
  r.Encoding = encoding_;
  return r;
}

// ---------------------------------------------------------------- rows

TRowAttribute TEditorScreenStrings::ListRows(int Row) const {
  return Row >= 0 && Row < Count() ? Rows(Row) : raEof;
}

std::string_view TEditorScreenStrings::ListStr(int Row) const {
  return Row >= 0 && Row < Count() ? Get(Row) : std::string_view();
}

int TEditorScreenStrings::RowStart(int Row) const {
  if (Row <= 0 || Row > Count()) return Row;
  while (Row > 0 && Rows(Row - 1) == raWrapped) --Row;
  return Row;
}

int TEditorScreenStrings::RowEnd(int Row) const {
  int n = Count();
  if (Row < 0 || Row >= n) return Row;
  while (Row < n - 1 && Rows(Row) == raWrapped) ++Row;
  return Row;
}

void TEditorScreenStrings::CheckCrlf(int Row, std::string& Str) const {
  if (Row >= 0 && Row < Count() && Rows(Row) == raCrlf) Str += "\r\n";
}

void TEditorScreenStrings::ListInfo(int Index, int Cnt, std::string& Str, int& RowCount,
                                    TRowAttribute& Attribute) const {
  Str.clear();
  RowCount = 0;
  Attribute = raInvalid;
  int n = Count();
  if (Index < 0 || Index >= n || Cnt == 0 || Cnt < -1) return;
  int last = Cnt < 0 ? RowEnd(Index) : Index + std::min(Cnt, n - Index) - 1;
  for (int r = Index; r <= last; ++r) {
    Str += Get(r);
    CheckCrlf(r, Str);
  }
  RowCount = last - Index + 1;
  Attribute = Rows(last);
}

void TEditorScreenStrings::SaveRows(int Index, int Cnt, TUndoData& Record, int& RowCount) const {
  ListInfo(Index, Cnt, Record.Str, RowCount, Record.RowAttribute);
  Record.SavedRows.clear();
  Record.SavedRows.reserve(static_cast<std::size_t>(RowCount));
  for (int r = Index; r < Index + RowCount; ++r)
    Record.SavedRows.push_back({static_cast<std::int32_t>(Get(r).size()), Rows(r)});
}

void TEditorScreenStrings::RecordToRows(const TUndoData& Record, TEditorStringList& List) {
  const std::string& s = Record.Str;
  std::size_t total = 0;
  for (const TUndoData::TSavedRow& row : Record.SavedRows)
    total += static_cast<std::size_t>(row.Length) + (row.Rows == raCrlf ? 2 : 0);
  if (Record.SavedRows.empty() || total != s.size()) {
    StrToWrapList(s, List);
    int last = List.Count() - 1;
    if (Record.RowAttribute == raWrapped && last > 0 && List.Get(last).empty()) {
      List.Blocks().Erase(last, 1);
      --last;
    }
    List.SetRows(last, Record.RowAttribute);
    return;
  }
  List.Clear();
  std::size_t pos = 0;
  for (const TUndoData::TSavedRow& row : Record.SavedRows) {
    std::size_t n = static_cast<std::size_t>(row.Length);
    List.AddRow(std::string_view(s).substr(pos, n), row.Rows);
    pos += n + (row.Rows == raCrlf ? 2 : 0);
  }
  List.SetRows(List.Count() - 1, Record.RowAttribute);
}

void TEditorScreenStrings::ResetStates(int Index, int Cnt) {
  // A block walk: a freshly loaded text resets millions of rows.
  rows_.ForEach(Index, std::min(Cnt, Count() - Index), [](TRowEntry& e) {
    e.Item &= 3u;
    e.Item2 &= 0xFFFF0000u;
    if (e.Extra) {
      e.Extra->DataStr.clear();
      if (!e.Extra->Data) e.Extra.reset();
    }
  });
}

void TEditorScreenStrings::AfterRowsReplaced(int Index, int Removed, int Inserted) {
  if (Index >= uncomputedFrom_) {
    ResetStates(Index, Inserted);
  } else if (Index + Removed > uncomputedFrom_) {
    ResetStates(Index, Inserted);
    uncomputedFrom_ = Index;
  } else {
    uncomputedFrom_ += Inserted - Removed;
  }
  uncomputedFrom_ = std::clamp(uncomputedFrom_, 0, Count());
}

TRowMarks TEditorScreenStrings::DeleteList(int Index, int Cnt) {
  int n = Count();
  if (Index < 0 || Index >= n || Cnt <= 0) return 0;
  Cnt = std::min(Cnt, n - Index);
  TRowMarks marks = 0;
  for (int r = Index; r < Index + Cnt; ++r) marks |= RowMarks(r);
  Changing();
  rows_.Erase(Index, Cnt);
  AfterRowsReplaced(Index, Cnt, 0);
  Changed();
  return marks;
}

void TEditorScreenStrings::InsertList(int Index, TEditorStringList& List) {
  int n = List.Count();
  if (Index < 0 || Index > Count() || n == 0) return;
  Changing();
  if (Count() == 0) {
    // Loading: take the rows whole instead of moving them one by one.
    rows_.Swap(List.Blocks());
    List.Blocks().Clear();
    AfterRowsReplaced(0, 0, n);
    Changed();
    return;
  }
  rows_.Insert(Index, n);
  for (int i = 0; i < n; ++i) rows_.MoveRowFrom(Index + i, List.Blocks(), i);
  AfterRowsReplaced(Index, 0, n);
  Changed();
}

void TEditorScreenStrings::TakeFreshList(TEditorStringList& List) {
  if (Count() != 0) throw std::logic_error("TakeFreshList: the store is not empty");
  if (List.Count() == 0) return;
  Changing();
  rows_.Swap(List.Blocks());
  List.Blocks().Clear();
  uncomputedFrom_ = 0;
  Changed();
}

void TEditorScreenStrings::ChangeList(int Index, int Cnt, TEditorStringList& List) {
  const int n = Count();
  const int N = List.Count();
  if (Index < 0 || Cnt < 0 || Index > n || Cnt > n - Index) return;
  Changing();
  if (N < Cnt) {
    TRowMarks aside = 0;
    for (int r = Index; r < Index + Cnt - N; ++r) aside |= RowMarks(r);
    rows_.Erase(Index, Cnt - N);
    for (int i = 0; i < N; ++i) List.SetRowMarks(i, RowMarks(Index + i));
    if (N > 0) {
      List.SetRowMarks(0, List.RowMarks(0) | aside);
    } else {
      ExcludeRowMarks(aside);
    }
  } else if (N > Cnt) {
    std::vector<TRowMarks> old(static_cast<std::size_t>(Cnt));
    for (int k = 0; k < Cnt; ++k) old[static_cast<std::size_t>(k)] = RowMarks(Index + k);
    rows_.Insert(Index + Cnt, N - Cnt);
    for (int i = 0; i < N; ++i) List.SetRowMarks(i, 0);
    for (int k = 1; k < Cnt; ++k) List.SetRowMarks(N - Cnt + k, old[static_cast<std::size_t>(k)]);
    if (Cnt > 0) {
      // A line break typed at column 0 pushes the marked line down.
      TEditorClient* c = GetActiveClient();
      int target = (c && c->CaretCol() == 0) ? N - Cnt : 0;
      List.SetRowMarks(target, static_cast<TRowMarks>(List.RowMarks(target) | old[0]));
    }
  } else {
    for (int i = 0; i < N; ++i) List.SetRowMarks(i, RowMarks(Index + i));
  }
  for (int i = 0; i < N; ++i) rows_.MoveRowFrom(Index + i, List.Blocks(), i);
  AfterRowsReplaced(Index, Cnt, N);
  Changed();
}

void TEditorScreenStrings::StrToWrapList(std::string_view Str, TEditorStringList& List) {
  List.SetUpdateState(true);
  List.Clear();
  std::vector<int> cuts;
  TWrapRules rules;
  if (wordWrap_) rules = WrapRules();
  auto addLine = [&](std::string_view line) {
    if (!wordWrap_) {
      List.AddRow(line, raCrlf);
      return;
    }
    cuts.clear();
    CutLine(line, rules, cuts);
    std::size_t pos = 0;
    for (std::size_t i = 0; i < cuts.size(); ++i) {
      std::size_t len = static_cast<std::size_t>(cuts[i]);
      List.AddRow(line.substr(pos, len), i + 1 < cuts.size() ? raWrapped : raCrlf);
      pos += len;
    }
  };
  if (Str.empty()) {
    List.AddRow(std::string_view(), raCrlf);
  } else {
    // CR LF, a lone CR and a lone LF each end a line (only CR LF in a store
    // with its own line end); a final line break opens no empty line.
    const bool onlyCrLf = ownLineEnd_.has_value();
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < Str.size()) {
      char ch = Str[i];
      if (onlyCrLf ? ch == '\r' && i + 1 < Str.size() && Str[i + 1] == '\n' : ch == '\r' || ch == '\n') {
        addLine(Str.substr(start, i - start));
        i += (ch == '\r' && i + 1 < Str.size() && Str[i + 1] == '\n') ? 2 : 1;
        start = i;
      } else {
        ++i;
      }
    }
    if (start < Str.size()) addLine(Str.substr(start));
  }
  List.SetUpdateState(false);
}

int TEditorScreenStrings::WrapCount(std::string_view Line) {
  if (!wordWrap_) return 1;
  return CountLineRows(Line, WrapRules());
}

void TEditorScreenStrings::UpdateList(int Index, int Cnt, std::string_view Str) {
  const int n = Count();
  if (Index < 0 || Cnt < 0 || Index > n || Cnt > n - Index || (Cnt == 0 && Str.empty())) return;
  if (Cnt == 0 && Index == n && n > 0 && Rows(n - 1) == raEof) {
    // Text added after the end of a text without a final line break joins
    // its last line; a new row after an raEof row would leave the end mark
    // inside the text.
    std::string joined(Get(n - 1));
    joined += Str;
    UpdateList(n - 1, 1, joined);
    return;
  }
  UpdateScope scope(*this);
  const int First = std::max(RowStart(Index), Index - 1);
  const int Last0 = Index + Cnt - 1;
  int Last = Last0 >= 0 ? RowEnd(Last0) : Last0;

  if (First == Index && Last == Last0 && Str.empty() && Cnt > 0) {
    TUndoData& u = UndoObj().Add();
    u.FirstRow = Index;
    int oldCount = 0;
    SaveRows(Index, Cnt, u, oldCount);
    u.RowCount = 0;
    TRowMarks marks = DeleteList(Index, Cnt);
    if (Count() > 0) {
      int r = std::min(Index, Count() - 1);
      SetRowMarks(r, static_cast<TRowMarks>(RowMarks(r) | marks));
    } else {
      ExcludeRowMarks(marks);
    }
    int b = UpdateBrackets(Index, true);
    UpdateDrawInfo(Index, oldCount, b, 0);
    return;
  }

  TRowAttribute E;
  if (Last0 < Last && Last >= 0 && Last < n) {
    E = Rows(Last);
  } else if (Last + 1 < n) {
    Last = RowEnd(Last + 1);
    E = Rows(Last);
  } else {
    char tail = Str.empty() ? '\0' : Str.back();
    const bool lineBreak = ownLineEnd_ ? Str.ends_with("\r\n") : tail == '\n' || tail == '\r';
    E = lineBreak ? raCrlf : raEof;
  }

  TUndoData& u = UndoObj().Add();
  u.FirstRow = First;
  int oldCount = 0;
  SaveRows(First, Last - First + 1, u, oldCount);

  std::string text;
  for (int r = First; r < Index; ++r) {
    text += Get(r);
    CheckCrlf(r, text);
  }
  text += Str;
  for (int r = Last0 + 1; r <= Last; ++r) {
    text += Get(r);
    CheckCrlf(r, text);
  }
  TEditorStringList scratch;
  StrToWrapList(text, scratch);
  scratch.SetRows(scratch.Count() - 1, E);
  const int newCount = scratch.Count();
  u.RowCount = newCount;
  ChangeList(First, std::max(0, Last - First + 1), scratch);
  int b = UpdateBrackets(First, true);
  UpdateDrawInfo(First, oldCount, b, newCount);
}

// ---------------------------------------------------------------- state

TRowAttributeData TEditorScreenStrings::GetListData(int Row) const {
  TRowAttributeData d;
  if (Row < 0 || Row >= Count()) return d;
  d.RowAttribute = Rows(Row);
  d.PrevRowAttribute = PrevRows(Row);
  d.Brackets = Brackets(Row);
  d.Elements = Elements(Row);
  d.WrappedBytes = WrappedBytes(Row);
  d.Remains = Remains(Row);
  d.Tokens = static_cast<std::uint8_t>(Tokens(Row));
  d.PrevTokens = static_cast<std::uint8_t>(PrevTokens(Row));
  d.DataStr = DataStr(Row);
  return d;
}

bool TEditorScreenStrings::StateEquals(int Row, const TRowAttributeData& d) const {
  if (Row >= uncomputedFrom_) return false;
  const TRowEntry& e = rows_.At(Row);
  if ((e.Item & kState1Mask) != PackState1(d)) return false;
  if ((e.Item2 & kState2Mask) != PackState2(d)) return false;
  const std::string& ds = e.Extra ? e.Extra->DataStr : std::string();
  return ds == d.DataStr;
}

void TEditorScreenStrings::WriteState(int Row, const TRowAttributeData& d) {
  TRowEntry& e = rows_.At(Row);
  e.Item = (e.Item & 3u) | PackState1(d);
  e.Item2 = (e.Item2 & 0xFFFF0000u) | PackState2(d);
  if (!d.DataStr.empty() || e.Extra) SetDataStr(Row, d.DataStr);
}

void TEditorScreenStrings::Advance(TRowStateParser* parser, int Row, TRowAttributeData& d) const {
  // Without a scheme the state passes through every row unchanged.
  if (parser) parser->LastTokenBracket(Row, *this, d);
}

int TEditorScreenStrings::ScreenRows() const {
  TEditorClient* c = GetClient();
  if (!c) return 0;
  return std::max(0, c->ScreenHeight()) / std::max(c->RowHeight(), 1);
}

bool TEditorScreenStrings::OwnerLoading() const {
  TEditorClient* c = GetClient();
  return c && c->Loading();
}

int TEditorScreenStrings::Walk(TRowStateParser* parser, int Start, TRowAttributeData d, int Limit,
                               bool Invalidate) {
  int written = 0;
  int r = Start;
  for (; r <= Limit; ++r) {
    d.PrevRowAttribute = r == 0 ? raCrlf : Rows(r - 1);
    d.RowAttribute = Rows(r);
    if (StateEquals(r, d)) return written;
    WriteState(r, d);
    ++written;
    if (Invalidate)
      for (TEditorClient* c : clients_) c->InvalidateRow(r, r);
    Advance(parser, r, d);
  }
  // Reached the limit: everything after it is not computed.
  const int from = Limit + 1;
  ResetStates(from, std::min(uncomputedFrom_, Count()) - from);
  uncomputedFrom_ = std::min(from, Count());
  return written;
}

int TEditorScreenStrings::UpdateBrackets(int Row, bool Invalidate) {
  const int n = Count();
  if (n == 0) {
    uncomputedFrom_ = 0;
    return 0;
  }
  if (Row < 0) Row = 0;
  if (Row >= n) return 0;
  TEditorClient* owner = GetClient();
  TRowStateParserFactory* scheme = owner ? owner->ActiveScheme() : nullptr;
  std::unique_ptr<TRowStateParser> parser = scheme ? scheme->CreateRowStateParser() : nullptr;
  if (parser) parser->SetEncoding(encoding_);
  int k = std::min(Row - 1, uncomputedFrom_ - 1);
  while (k >= 0 && Brackets(k) == -2) --k;
  TRowAttributeData d;
  int start = 0;
  if (k >= 0) {
    d = GetListData(k);
    Advance(parser.get(), k, d);
    start = k + 1;
  }
  int limit = std::min(Row + 2 * ScreenRows(), n - 1);
  return Walk(parser.get(), start, std::move(d), limit, Invalidate);
}

void TEditorScreenStrings::InitBrackets() {
  TEditorClient* owner = GetClient();
  if (owner && (owner->Loading() || owner->Destroying())) return;
  const int n = Count();
  ResetStates(0, std::min(uncomputedFrom_, n));
  uncomputedFrom_ = 0;
  if (n == 0) return;
  TRowStateParserFactory* scheme = owner ? owner->ActiveScheme() : nullptr;
  std::unique_ptr<TRowStateParser> parser = scheme ? scheme->CreateRowStateParser() : nullptr;
  if (parser) parser->SetEncoding(encoding_);
  int limit = (owner && owner->InitBracketsFull())
                  ? n - 1
                  : std::min(n - 1, 2 * ScreenRows() + (owner ? std::max(owner->TopRow(), 0) : 0));
  Walk(parser.get(), 0, TRowAttributeData{}, limit, false);
}

// ---------------------------------------------------------------- draw info, marks

void TEditorScreenStrings::UpdateDrawInfo(int Row, int OldCount, int StateRows, int NewCount) {
  drawInfo_.Start = Row;
  drawInfo_.OldCount = OldCount;
  drawInfo_.StateRows = StateRows;
  drawInfo_.NewCount = NewCount;
  drawInfo_.Valid = true;
}

void TEditorScreenStrings::SetListRowMarks(int Row, TRowMarks Marks) {
  if (Row < 0 || Row >= Count()) return;
  TRowMarks old = RowMarks(Row);
  if (old == Marks) return;
  IncludeRowMarks(static_cast<TRowMarks>(Marks & ~old));
  ExcludeRowMarks(static_cast<TRowMarks>(old & ~Marks));
  SetRowMarks(Row, Marks);
}

// ---------------------------------------------------------------- clients

void TEditorScreenStrings::Reference(TEditorClient* Editor) {
  if (Editor && std::find(clients_.begin(), clients_.end(), Editor) == clients_.end())
    clients_.push_back(Editor);
}

void TEditorScreenStrings::Release(TEditorClient* Editor) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), Editor), clients_.end());
  if (clients_.empty()) delete this;
}

TEditorClient* TEditorScreenStrings::GetActiveClient() const {
  for (TEditorClient* c : clients_)
    if (c->Focused()) return c;
  return GetClient();
}

void TEditorScreenStrings::NotifyClients() {
  for (TEditorClient* c : clients_) c->DoChange();
}

void TEditorScreenStrings::ClientsAdjustRow() {
  const int n = Count();
  const int maxRow = (n > 0 && Rows(n - 1) == raEof) ? n - 1 : n;
  for (TEditorClient* c : clients_) {
    if (c->CaretRow() > maxRow) c->SetRowCol(maxRow, c->CaretCol());
    if (c->TopRow() > maxRow) c->SetTopRow(maxRow);
  }
}

void TEditorScreenStrings::ClientsCleanSelection() {
  for (TEditorClient* c : clients_) c->CleanSelection();
}

void TEditorScreenStrings::ClientsInitCol() {
  for (TEditorClient* c : clients_) c->InitCol();
}

void TEditorScreenStrings::ClientsInitView() {
  for (TEditorClient* c : clients_) c->InitView();
}

// ---------------------------------------------------------------- whole store

void TEditorScreenStrings::Clear() {
  ClientsCleanSelection();
  UndoObj().Clear();
  UpdateDrawInfo(0, Count(), 0, 0);
  TheStringList::Clear();
  drawInfo_ = TDrawInfo{};
  for (TEditorClient* c : clients_) c->SetRowCol(0, 0);
  validRowMarks_ = 0;
  uncomputedFrom_ = 0;
}

void TEditorScreenStrings::SetUpdateState(bool Updating) {
  TheStringList::SetUpdateState(Updating);
  if (!Updating && updateCount_ == 0) {
    drawInfo_ = TDrawInfo{};
    ClientsAdjustRow();
  }
}

int TEditorScreenStrings::LinesToRow(int Line) const {
  if (!wordWrap_) return Line;
  const int n = Count();
  int line = 0;
  for (int r = 0; r < n; ++r) {
    if (line == Line) return r;
    if (Rows(r) != raWrapped || r == n - 1) ++line;
  }
  return n;
}

int TEditorScreenStrings::RowToLines(int Row) const {
  if (!wordWrap_) return Row;
  // raCrlf is 0: the rows whose attribute bits are clear.
  static_assert(raCrlf == 0);
  return rows_.CountLineEndsBefore(Row);
}

std::string TEditorScreenStrings::ListToStr() const {
  const int n = Count();
  std::size_t total = 0;
  for (int r = 0; r < n; ++r) total += rows_.Text(r).size() + 2;
  std::string s;
  s.reserve(total);
  for (int r = 0; r < n; ++r) {
    const TRowEntry& e = rows_.At(r);
    s += rows_.Text(r);
    if ((e.Item & 3u) == raCrlf) s += "\r\n";
  }
  return s;
}

bool TEditorScreenStrings::ListToFile(const std::filesystem::path& Name) const {
  return SaveFile(Name, ListToStr());
}

std::int64_t TEditorScreenStrings::GetSelIndex(int FromRow, int Row, int Col) const {
  std::int64_t index = 0;
  for (int r = std::max(FromRow, 0); r < std::min(Row, Count()); ++r) {
    index += static_cast<std::int64_t>(Get(r).size());
    TRowAttribute a = Rows(r);
    index += a == raCrlf ? 2 : a == raEof ? 1 : 0;
  }
  return index + ByteOfColumn(ListStr(Row), Col, ColumnRules());
}

void TEditorScreenStrings::SelIndexToRowCol(int FromRow, std::int64_t Index, int& Row, int& Col) const {
  const int n = Count();
  TColumnRules rules = ColumnRules();
  int r = std::max(FromRow, 0);
  Index = std::max<std::int64_t>(Index, 0);
  for (; r < n; ++r) {
    std::string_view s = Get(r);
    const std::int64_t len = static_cast<std::int64_t>(s.size());
    TRowAttribute a = Rows(r);
    bool inside = a == raWrapped ? Index < len : Index <= len;
    if (inside || a == raEof || (r == n - 1 && a != raCrlf)) {
      Row = r;
      Col = ColumnOfByte(s, static_cast<int>(std::min(Index, len)), rules);
      return;
    }
    Index -= len + (a == raCrlf ? 2 : 0);
    if (Index < 0) {
      Row = r;
      Col = ColumnOfByte(s, static_cast<int>(len), rules);
      return;
    }
  }
  Row = n;
  Col = 0;
}

void TEditorScreenStrings::SetSelIndex(TEditorClient* Client, int FromRow, std::int64_t Index) const {
  if (!Client) return;
  int row = 0;
  int col = 0;
  SelIndexToRowCol(FromRow, Index, row, col);
  Client->SetRowCol(row, col);
}

std::int64_t StoredIndexLength(std::string_view S, bool onlyCrLf) {
  std::int64_t n = static_cast<std::int64_t>(S.size());
  if (onlyCrLf) return n;
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '\r' && i + 1 < S.size() && S[i + 1] == '\n')
      ++i;
    else if (S[i] == '\r' || S[i] == '\n')
      ++n;
  }
  return n;
}

std::string CrLfBreaks(std::string_view S) {
  std::string out;
  out.reserve(S.size() + S.size() / 16);
  for (std::size_t i = 0; i < S.size(); ++i) {
    if (S[i] == '\r' || S[i] == '\n') {
      out += "\r\n";
      if (S[i] == '\r' && i + 1 < S.size() && S[i + 1] == '\n') ++i;
    } else {
      out += S[i];
    }
  }
  return out;
}

}  // namespace tolvan
