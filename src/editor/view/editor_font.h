// The editor control's font: the stored family when it is installed, else
// IPAGothic (the generic monospace family has full-width glyphs that are not
// twice the half-width ones). Every character is drawn at its column, so
// only the half-width advance, the height and the leading are taken from it.
#pragma once

#include <QFont>
#include <QString>

#include "colouring/persistent.h"
#include "editor/control/platform.h"

namespace tolvan {

inline constexpr char kEditorFallbackFamily[] = "IPAGothic";

// Height as the settings store it: negative is the character height in
// pixels, positive a point size. Styles: TFontStyles bits.
QFont ResolveEditorFont(const QString& family, int height, TFontStyles styles);
// Whether the family is installed (otherwise the fallback serves).
bool EditorFontInstalled(const QString& family);
// Height + leading, the half-width advance (rounded to whole pixels, at
// least 1) and the italic flag.
TFontMetrics EditorFontMetrics(const QFont& font);
// Qt colour of a TColor (0x00BBGGRR; system colours map to the palette).
QColor ToQColor(TColor c);

}  // namespace tolvan
