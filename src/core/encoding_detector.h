// DetectEncoding for a text read a piece at a time: whatever the pieces, the
// answer is the one for their concatenation, so an editor reading a file in
// pieces decides as a run that reads it whole.
#pragma once

#include <string>
#include <string_view>

#include "core/encoding.h"

namespace tolvan {

class EncodingDetector {
 public:
  void Feed(std::string_view piece);
  // More bytes cannot change the answer (a byte-order mark, or bytes that
  // are not UTF-8).
  bool Decided() const { return bom_ || invalid_; }
  // The answer for everything fed, as if the text ended there.
  DetectedText Result() const;

 private:
  void Scan(std::string_view s);

  std::string head_;     // the first bytes while they may still be a byte-order mark
  std::string pending_;  // a UTF-8 sequence cut at the end of the last piece
  bool started_ = false;
  bool bom_ = false;
  bool invalid_ = false;
  bool multiByte_ = false;
};

}  // namespace tolvan
