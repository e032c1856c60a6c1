#include "editor/view/editor_cell_text.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>

#include "core/codepage.h"
#include "editor/view/editor_font.h"

namespace tolvan {

TCellText::TCellText() { SetFont(QFont(QString::fromLatin1(kEditorFallbackFamily))); }

void TCellText::SetFont(const QFont& font) {
  font_ = font;
  const QFontMetrics fm(font);
  ascent_ = fm.ascent();
  strikeOut_ = fm.strikeOutPos();
  for (Face& f : faces_) f = Face{};
}

void TCellText::SetEncoding(TextEncoding e) {
  if (e == encoding_) return;
  encoding_ = e;
  for (Face& f : faces_) f = Face{};
}

TCellText::Face& TCellText::FaceFor(TFontStyles style) {
  const bool bold = style & FontStyleBit(fsBold);
  const bool italic = style & FontStyleBit(fsItalic);
  Face& f = faces_[(bold ? 1 : 0) | (italic ? 2 : 0)];
  if (f.loaded) return f;
  QFont font = font_;
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(false);
  font.setStrikeOut(false);
  f.primary = QRawFont::fromFont(font);
  QFont fb(QString::fromLatin1(kEditorFallbackFamily));
  fb.setPixelSize(std::max(1, static_cast<int>(f.primary.pixelSize() + 0.5)));
  fb.setBold(bold);
  fb.setItalic(italic);
  f.fallback = QRawFont::fromFont(fb);
  // Families without a bold or italic face get them made up, as the
  // system's text drawing would.
  f.fakeBold = bold && f.primary.weight() < QFont::DemiBold;
  f.fakeItalic = italic && f.primary.style() == QFont::StyleNormal;
  f.single.fill(kUnknown);
  for (auto& block : f.pairs) block.reset();
  f.loaded = true;
  return f;
}

std::uint32_t& TCellText::Face::Slot(unsigned code) {
  if (code < 0x100) return single[code];
  auto& block = pairs[code >> 8];
  if (!block) {
    block = std::make_unique<std::array<std::uint32_t, 256>>();
    block->fill(kUnknown);
  }
  return (*block)[code & 0xFF];
}

std::uint32_t TCellText::Lookup(Face& f, char32_t cp, std::uint32_t& slot) {
  // One glyph for the character (a surrogate pair is one), 0 for none.
  const auto glyphIn = [](const QRawFont& font, const QString& ch) -> quint32 {
    quint32 idx[2] = {0, 0};
    int n = 2;
    if (!font.isValid() || !font.glyphIndexesForChars(ch.constData(), static_cast<int>(ch.size()), idx, &n) || n != 1)
      return 0;
    return idx[0];
  };
  std::uint32_t g = kNoInk;
  if (cp == '\r' || cp == '\n') {
    slot = cp == '\r' ? kCrMark : kLfMark;
    return slot;
  }
  if (cp == cp932::kReplacement) {
    slot = kBadBytes;
    return slot;
  }
  if (cp > 0x20 && cp != 0x7F && cp != 0x3000 && cp <= 0x10FFFF) {
    const QString ch = QString::fromUcs4(&cp, 1);
    if (const quint32 idx = glyphIn(f.primary, ch)) {
      g = idx;
    } else if (const quint32 fb = glyphIn(f.fallback, ch)) {
      g = fb | kFallbackBit;
    } else {
      g = 0;  // the font's box for a missing character
    }
  }
  slot = g;
  return g;
}

void TCellText::Draw(QPainter& p, int x, int y, std::string_view s, std::size_t from, std::size_t to,
                     int colWidth, TFontStyles style, const QColor& fg, int clipLeft, int clipRight) {
  to = std::min(to, s.size());
  if (from >= to || clipLeft >= clipRight || colWidth <= 0) return;
  Face& f = FaceFor(style);
  for (auto& v : glyphs_) v.clear();
  for (auto& v : points_) v.clear();
  badCells_.clear();
  breakCells_.clear();
  const qreal base = y + ascent_;
  // One column of slack on each side for glyphs that reach over their cell.
  const int lo = clipLeft - colWidth, hi = clipRight + colWidth;
  int firstX = -1, lastX = -1;
  if (encoding_ == TextEncoding::Utf8) {
    CollectUtf8(f, x, base, s, from, to, colWidth, lo, hi, firstX, lastX);
  } else {
    std::size_t i = from;
    if (x + static_cast<long long>(i) * colWidth < lo - 2 * colWidth) {
      // Walk quickly to the first visible character, keeping character starts.
      while (i < to && x + static_cast<long long>(i + 2) * colWidth <= lo)
        i += (cp932::IsLeadByte(s[i]) && i + 1 < s.size()) ? 2 : 1;
    }
    for (; i < to;) {
      const unsigned char b = static_cast<unsigned char>(s[i]);
      const bool dbl = cp932::IsLeadByte(b) && i + 1 < s.size();
      const int cx = x + static_cast<int>(i) * colWidth;
      if (cx >= hi) break;
      const std::size_t n = dbl ? 2 : 1;
      if (cx + static_cast<int>(n) * colWidth > lo) {
        const unsigned code = dbl ? (b << 8) | static_cast<unsigned char>(s[i + 1]) : b;
        std::uint32_t& slot = f.Slot(code);
        const std::uint32_t g = slot == kUnknown ? Lookup(f, cp932::DecodeChar(s, i), slot) : slot;
        if (g == kBadBytes) {
          for (std::size_t k = 0; k < n; ++k) badCells_.push_back(cx + static_cast<int>(k) * colWidth);
        } else if (g == kCrMark || g == kLfMark) {
          breakCells_.emplace_back(cx, g == kCrMark);
        } else if (g != kNoInk) {
          const int k = (g & kFallbackBit) ? 1 : 0;
          glyphs_[k].push_back(g & ~kFallbackBit);
          points_[k].push_back(QPointF(cx, base));
        }
        if (firstX < 0) firstX = cx;
        lastX = cx + static_cast<int>(n) * colWidth;
      }
      i += n;
    }
  }
  p.setPen(fg);
  for (int k = 0; k < 2; ++k) {
    if (glyphs_[k].empty()) continue;
    QGlyphRun run;
    run.setRawFont(k ? f.fallback : f.primary);
    run.setGlyphIndexes(glyphs_[k]);
    run.setPositions(points_[k]);
    const bool transformed = f.fakeItalic || f.fakeBold;
    if (transformed) p.save();
    if (f.fakeItalic) p.setTransform(QTransform(1, 0, -0.2, 1, 0.2 * base, 0), true);  // slant about the baseline
    p.drawGlyphRun(QPointF(0, 0), run);
    if (f.fakeBold) {
      p.translate(1, 0);
      p.drawGlyphRun(QPointF(0, 0), run);
    }
    if (transformed) p.restore();
  }
  if (!badCells_.empty()) {
    // A hollow box one pixel in from each side of the cell, from the
    // height of a capital to the baseline: side by side they stay apart.
    const int top = y + std::max(1, ascent_ / 4);
    const int bottom = static_cast<int>(base) - 1;
    const int w = std::max(1, colWidth - 2);
    for (int bx : badCells_) {
      const int left = bx + (colWidth > 2 ? 1 : 0);
      if (w <= 2 || bottom - top < 2) {
        p.fillRect(QRect(left, top, w, bottom - top + 1), fg);
        continue;
      }
      p.fillRect(QRect(left, top, w, 1), fg);
      p.fillRect(QRect(left, bottom, w, 1), fg);
      p.fillRect(QRect(left, top, 1, bottom - top + 1), fg);
      p.fillRect(QRect(left + w - 1, top, 1, bottom - top + 1), fg);
    }
  }
  if (!breakCells_.empty()) {
    // An arrow inside the cell, from the height of a capital to the
    // baseline: ← for a CR, ↓ for an LF.
    const int top = y + std::max(1, ascent_ / 4);
    const int bottom = static_cast<int>(base) - 1;
    const int mid = (top + bottom) / 2;
    const int head = std::max(1, std::min(colWidth, bottom - top) / 3);
    for (const auto& [bx, cr] : breakCells_) {
      const int left = bx + (colWidth > 2 ? 1 : 0), right = bx + std::max(1, colWidth - 2);
      if (cr) {
        p.drawLine(left, mid, right, mid);
        p.drawLine(left, mid, left + head, mid - head);
        p.drawLine(left, mid, left + head, mid + head);
      } else {
        const int cx = (left + right) / 2;
        p.drawLine(cx, top, cx, bottom);
        p.drawLine(cx, bottom, cx - head, bottom - head);
        p.drawLine(cx, bottom, cx + head, bottom - head);
      }
    }
  }
  if ((style & FontStyleBit(fsStrikeOut)) && firstX >= 0)
    p.fillRect(QRect(firstX, static_cast<int>(base) - strikeOut_, lastX - firstX, 1), fg);
}

// Every code point of a character sits in its first cell, so a combining
// mark is drawn over the character it belongs to.
void TCellText::CollectUtf8(Face& f, int x, qreal base, std::string_view s, std::size_t from, std::size_t to,
                            int colWidth, int lo, int hi, int& firstX, int& lastX) {
  long long col = static_cast<long long>(DisplayWidth(TextEncoding::Utf8, s.substr(0, from)));
  std::size_t i = from;
  while (i < to) {
    const std::size_t ascii = std::min(Utf8Rules::AsciiRunEnd(s, i), to);
    const bool single = ascii > i;
    const std::size_t n = single ? 1 : Utf8Rules::CharLength(s, i);
    const std::size_t w = single ? 1 : Utf8Rules::CharWidth(s, i);
    const long long cx = x + col * colWidth;
    if (cx >= hi) break;
    if (cx + static_cast<long long>(w) * colWidth > lo) {
      for (std::size_t k = i; k < i + n;) {
        const std::size_t m = std::max<std::size_t>(1, utf8::SequenceLength(s, k));
        const char32_t cp = DecodeChar(TextEncoding::Utf8, s, k);
        std::uint32_t scratch = kUnknown;
        std::uint32_t& slot = cp <= 0xFFFF ? f.Slot(static_cast<unsigned>(cp)) : scratch;
        const std::uint32_t g = slot == kUnknown ? Lookup(f, cp, slot) : slot;
        if (g == kBadBytes) {
          badCells_.push_back(static_cast<int>(cx));
        } else if (g == kCrMark || g == kLfMark) {
          breakCells_.emplace_back(static_cast<int>(cx), g == kCrMark);
        } else if (g != kNoInk) {
          const int kk = (g & kFallbackBit) ? 1 : 0;
          glyphs_[kk].push_back(g & ~kFallbackBit);
          points_[kk].push_back(QPointF(static_cast<qreal>(cx), base));
        }
        k += m;
      }
      if (firstX < 0) firstX = static_cast<int>(cx);
      lastX = static_cast<int>(cx + static_cast<long long>(w) * colWidth);
    }
    col += static_cast<long long>(w);
    i += n;
  }
}

}  // namespace tolvan
