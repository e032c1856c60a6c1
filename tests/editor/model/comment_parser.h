// A tokenizer double: tracks one bracket region, "/*" to "*/", across rows,
// as the real tokenizer does for its bracket items. Counts the rows it was
// asked to advance over.
#pragma once

#include <memory>
#include <string>

#include "colouring/row_state.h"

namespace tolvan::test {

class CommentParser : public TRowStateParser {
 public:
  explicit CommentParser(int* calls) : calls_(calls) {}
  void LastTokenBracket(int Index, const TRowSource& List, TRowAttributeData& Data) override {
    if (calls_) ++*calls_;
    const std::string s(List.GetListString(Index));
    for (std::size_t i = 0; i + 1 < s.size(); ++i) {
      if (Data.Brackets < 0 && s[i] == '/' && s[i + 1] == '*') {
        Data.Brackets = 0;
        ++i;
      } else if (Data.Brackets >= 0 && s[i] == '*' && s[i + 1] == '/') {
        Data.Brackets = -1;
        ++i;
      }
    }
  }

 private:
  int* calls_;
};

class CommentScheme : public TRowStateParserFactory {
 public:
  std::unique_ptr<TRowStateParser> CreateRowStateParser() override {
    ++parsersMade;
    return std::make_unique<CommentParser>(&rowsAdvanced);
  }
  int parsersMade = 0;
  int rowsAdvanced = 0;
};

}  // namespace tolvan::test
