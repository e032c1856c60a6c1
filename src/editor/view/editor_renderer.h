// Paints the editor control into any QPainter: the corner, the ruler, the
// image bar, the left bar and the text rows with their colours, selection,
// end-of-row marks and the caret-row underline. The widget calls Paint from
// its paint event; tests and benchmarks paint into a QImage.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/control/editor.h"

class QPainter;

namespace tolvan {

// What the host's row hook is given: the painted row part, after its text
// and token colours and before its end mark.
struct TDrawLineInfo {
  std::string_view LineStr;  // tab-expanded row text (+ the next row's raw text when wrapped)
  int X = 0;                 // x of the row's first byte
  int Y = 0;                 // the row's top
  int Index = 0;             // the row
  QRect Rect;                // the row part
  bool Selected = false;
};

class TEditorRenderer {
 public:
  explicit TEditorRenderer(const TEditor& editor);
  ~TEditorRenderer();

  // The control's font and colours (Color: background, FontColor: text).
  void SetFont(const QFont& font);
  const QFont& Font() const { return font_; }
  void SetColor(TColor background) { color_ = background; }
  TColor Color() const { return color_; }
  void SetFontColor(TColor c) { fontColor_ = c; }
  TColor FontColor() const { return fontColor_; }
  // Optional image lists for the image bar (index = mark digit / mark - 10).
  void SetImageDigits(std::vector<QImage> images) { imageDigits_ = std::move(images); }
  void SetImageMarks(std::vector<QImage> images) { imageMarks_ = std::move(images); }

  // Paints every part of the control that rect touches; the caret is the
  // widget's.
  void Paint(QPainter& painter, const QRect& rect);

  // Draws s at (x, y), one column width per byte (two for a double-byte
  // character), clipped to rect, in the painter's pen colour, on the
  // painter's brush when opaque, in the bold, italic, underline and strike
  // out of the painter's font. At most 1,000 columns. For row hooks.
  void DrawTextRect(QPainter& painter, const QRect& rect, int x, int y, std::string_view s, bool opaque) const;

  std::function<void(QPainter&, const TDrawLineInfo&)> OnDrawLine;

 private:
  friend class TEditorPaint;
  struct Impl;
  const TEditor& editor_;
  QFont font_;
  TColor color_ = clWhite;
  TColor fontColor_ = clBlack;
  std::vector<QImage> imageDigits_, imageMarks_;
  Impl* impl_ = nullptr;
};

}  // namespace tolvan
