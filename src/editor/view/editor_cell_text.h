// Draws text cell by cell at the columns its encoding gives (CP932: every
// byte one column, a double-byte character two; UTF-8: core/encoding.h),
// whatever the font's own advances are. Glyphs are looked up
// once per character code and drawn as glyph runs, one per font, so a row
// costs one or two draw calls however many characters it holds.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <QPointF>
#include <QRawFont>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "colouring/persistent.h"
#include "core/encoding.h"

class QPainter;

namespace tolvan {

class TCellText {
 public:
  TCellText();
  // The control's font; its styles are the default style of the text.
  void SetFont(const QFont& font);
  int Ascent() const { return ascent_; }
  // The encoding of the bytes Draw gets (glyphs are cached per code, so a
  // change starts the caches afresh).
  void SetEncoding(TextEncoding e);
  TextEncoding Encoding() const { return encoding_; }

  // Draws bytes [from, to) of s, the character at column c at
  // x + c * colWidth (in CP932 c is the byte index) with its top at y, in fg and the given style, skipping characters whose cells lie
  // outside [clipLeft, clipRight) (the painter's clip does the exact cut).
  // Underline is not drawn here (the control draws a dotted line instead).
  void Draw(QPainter& p, int x, int y, std::string_view s, std::size_t from, std::size_t to, int colWidth,
            TFontStyles style, const QColor& fg, int clipLeft, int clipRight);

 private:
  struct Face {
    bool loaded = false;
    QRawFont primary, fallback;
    bool fakeBold = false, fakeItalic = false;
    // Glyph per character: single bytes, and a block of 256 trails per lead
    // byte made when the first character of that lead is drawn (a text uses
    // few of them). kUnknown until looked up; bit 31: from the fallback
    // font; kNoInk: nothing to draw.
    std::array<std::uint32_t, 256> single;
    std::array<std::unique_ptr<std::array<std::uint32_t, 256>>, 256> pairs;
    std::uint32_t& Slot(unsigned code);
  };
  static constexpr std::uint32_t kUnknown = 0xFFFFFFFFu;
  static constexpr std::uint32_t kNoInk = 0xFFFFFFFEu;
  // Not valid CP932: a box drawn inside each of its cells instead of the
  // font's replacement glyph, which is wider than one column.
  static constexpr std::uint32_t kBadBytes = 0xFFFFFFFDu;
  // A CR or LF kept in a row (a line end the file does not use): a small
  // arrow inside its one column (← for CR, ↓ for LF), as no font's glyph
  // for it fits there.
  static constexpr std::uint32_t kCrMark = 0xFFFFFFFCu;
  static constexpr std::uint32_t kLfMark = 0xFFFFFFFBu;
  static constexpr std::uint32_t kFallbackBit = 0x80000000u;

  Face& FaceFor(TFontStyles style);
  std::uint32_t Lookup(Face& f, char32_t cp, std::uint32_t& slot);
  void CollectUtf8(Face& f, int x, qreal base, std::string_view s, std::size_t from, std::size_t to, int colWidth,
                   int lo, int hi, int& firstX, int& lastX);

  QFont font_;
  TextEncoding encoding_ = TextEncoding::Cp932;
  int ascent_ = 12;
  int strikeOut_ = 4;
  std::array<Face, 4> faces_;  // index: bold | italic << 1
  QList<quint32> glyphs_[2];
  QList<QPointF> points_[2];
  std::vector<int> badCells_;  // x of each cell that gets the box
  std::vector<std::pair<int, bool>> breakCells_;  // x of each kept CR (true) or LF
};

}  // namespace tolvan
