#include "editor/view/editor_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <cmath>

namespace tolvan {

bool EditorFontInstalled(const QString& family) {
  return !family.isEmpty() && QFontDatabase::hasFamily(family);
}

QFont ResolveEditorFont(const QString& family, int height, TFontStyles styles) {
  QFont f(EditorFontInstalled(family) ? family : QString::fromLatin1(kEditorFallbackFamily));
  f.setStyleHint(QFont::TypeWriter);
  if (height < 0)
    f.setPixelSize(-height);
  else if (height > 0)
    f.setPointSize(height);
  else
    f.setPixelSize(12);  // what a font of height 0 comes out as
  f.setBold(styles & FontStyleBit(fsBold));
  f.setItalic(styles & FontStyleBit(fsItalic));
  f.setUnderline(styles & FontStyleBit(fsUnderline));
  f.setStrikeOut(styles & FontStyleBit(fsStrikeOut));
  f.setKerning(false);
  return f;
}

TFontMetrics EditorFontMetrics(const QFont& font) {
  const QFontMetrics fm(font);
  const QFontMetricsF fmf(font);
  TFontMetrics m;
  m.Height = std::max(1, fm.ascent() + fm.descent());
  m.ExternalLeading = std::max(0, fm.leading());
  m.AveCharWidth = std::max(1, static_cast<int>(std::lround(fmf.horizontalAdvance(QLatin1Char('0')))));
  m.Italic = font.italic();
  return m;
}

QColor ToQColor(TColor c) {
  Q_ASSERT(c != clNone);
  const auto u = static_cast<std::uint32_t>(c);
  if ((u & 0xFF000000u) == 0x80000000u) {
    // A system colour: the index of the Windows colour table, taken from
    // the application's palette.
    const QPalette pal = QGuiApplication::palette();
    switch (u & 0xFFu) {
      case 5: return pal.color(QPalette::Base);              // window
      case 8: return pal.color(QPalette::Text);              // window text
      case 13: return pal.color(QPalette::Highlight);
      case 14: return pal.color(QPalette::HighlightedText);
      case 15: return pal.color(QPalette::Button);           // button face
      case 16: return pal.color(QPalette::Mid);              // button shadow
      case 17: return pal.color(QPalette::Disabled, QPalette::Text);  // gray text
      case 18: return pal.color(QPalette::ButtonText);
      case 20: return pal.color(QPalette::Light);            // button highlight
      case 21: return pal.color(QPalette::Shadow);
      case 23: return pal.color(QPalette::ToolTipText);
      case 24: return pal.color(QPalette::ToolTipBase);
      default: return pal.color(QPalette::Window);
    }
  }
  return QColor(static_cast<int>(u & 0xFF), static_cast<int>((u >> 8) & 0xFF), static_cast<int>((u >> 16) & 0xFF));
}

}  // namespace tolvan
