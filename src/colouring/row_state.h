// What the row store and the tokenizer share: how a row ends, its marks, the
// tokenizer state at the start of a row, and the narrow view of the rows that
// the tokenizer reads while it advances that state. The row store implements
// TRowSource; each colouring scheme's tokenizer implements TRowStateParser.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/encoding.h"

namespace tolvan {

enum TRowAttribute : std::uint8_t { raCrlf = 0, raWrapped = 1, raEof = 2, raInvalid = 3 };

enum TRowMark : std::uint8_t {
  rm0, rm1, rm2, rm3, rm4, rm5, rm6, rm7, rm8, rm9, rm10, rm11, rm12, rm13, rm14, rm15
};
using TRowMarks = std::uint16_t;  // bit n set: mark rm n
constexpr TRowMarks RowMarkBit(TRowMark m) { return static_cast<TRowMarks>(1u << m); }

// Tokenizer state at the start of a row. The state before the first row is
// the default-constructed one.
struct TRowAttributeData {
  TRowAttribute RowAttribute = raCrlf;
  TRowAttribute PrevRowAttribute = raCrlf;
  std::int32_t Brackets = -1;
  std::int32_t Elements = 0;
  std::int32_t WrappedBytes = 0;
  std::int32_t Remains = 0;
  std::uint8_t Tokens = 0;
  std::uint8_t PrevTokens = 0;
  std::string DataStr;

  bool operator==(const TRowAttributeData&) const = default;
};

// The rows as the tokenizer sees them.
class TRowSource {
 public:
  virtual ~TRowSource() = default;
  virtual int GetListCount() const = 0;
  // Valid until the rows change.
  virtual std::string_view GetListString(int row) const = 0;
  // How row ends; raEof for an index out of range.
  virtual TRowAttribute GetListRow(int row) const = 0;
};

// Advances the state over one row: Data holds the state at the start of row
// Index (its RowAttribute already that row's) and leaves with the state at
// the start of row Index + 1.
class TRowStateParser {
 public:
  virtual ~TRowStateParser() = default;
  virtual void LastTokenBracket(int Index, const TRowSource& List, TRowAttributeData& Data) = 0;
  // The encoding of the rows read from now on (CP932 until told).
  virtual void SetEncoding(TextEncoding) {}
};

// A colouring scheme as the row store sees it: something that makes a
// tokenizer for one pass over the rows.
class TRowStateParserFactory {
 public:
  virtual ~TRowStateParserFactory() = default;
  virtual std::unique_ptr<TRowStateParser> CreateRowStateParser() = 0;
};

}  // namespace tolvan
