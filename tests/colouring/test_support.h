// Helpers shared by the colouring tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "colouring/fountain_parser.h"
#include "colouring/notify.h"
#include "colouring/row_state.h"

namespace tolvan::test {

// Rows as a row store would hand them to the tokenizer.
class RowList : public TRowSource {
 public:
  RowList() = default;
  RowList(std::initializer_list<std::pair<std::string, TRowAttribute>> rows) : rows_(rows) {}
  void Add(std::string text, TRowAttribute attr = raCrlf) { rows_.emplace_back(std::move(text), attr); }
  int GetListCount() const override { return static_cast<int>(rows_.size()); }
  std::string_view GetListString(int row) const override { return rows_.at(static_cast<std::size_t>(row)).first; }
  // The stored text itself, for calls that want a std::string.
  const std::string& Text(int row) const { return rows_.at(static_cast<std::size_t>(row)).first; }
  TRowAttribute GetListRow(int row) const override {
    if (row < 0 || row >= GetListCount()) return raEof;
    return rows_[static_cast<std::size_t>(row)].second;
  }

 private:
  std::vector<std::pair<std::string, TRowAttribute>> rows_;
};

// Start state of every row, computed the way the row store does.
inline std::vector<TRowAttributeData> RowStates(TFountainParser& parser, const RowList& rows) {
  std::vector<TRowAttributeData> states;
  TRowAttributeData data;
  for (int i = 0; i < rows.GetListCount(); ++i) {
    data.RowAttribute = rows.GetListRow(i);
    states.push_back(data);
    parser.LastTokenBracket(i, rows, data);
    data.PrevRowAttribute = rows.GetListRow(i);
  }
  return states;
}

struct Tok {
  int kind;
  std::string text;
  bool operator==(const Tok&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Tok& t) {
  return os << "{" << t.kind << ", \"" << t.text << "\"}";
}

// Every token of one row, started from data.
inline std::vector<Tok> Tokens(TFountainParser& parser, const std::string& row,
                               const TRowAttributeData& data = {}) {
  std::vector<Tok> out;
  parser.NewData(row, data);
  for (int guard = 0; guard < 10000; ++guard) {
    const int k = parser.NextToken();
    if (k == 0) break;
    out.push_back({k, parser.TokenString()});
  }
  return out;
}

// Counts the reports a handler receives.
struct ChangeCounter {
  int count = 0;
  TObject* lastSender = nullptr;
  void Handler(TObject* sender) {
    ++count;
    lastSender = sender;
  }
  TNotifyEvent Event() { return MakeNotifyEvent<ChangeCounter, &ChangeCounter::Handler>(this); }
};

}  // namespace tolvan::test
