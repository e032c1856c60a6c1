// QString at the boundary between Qt and the CP932 byte strings. Only the
// Qt-facing layers link this.
#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace tolvan {

// For showing: never fails, invalid bytes show as U+FFFD.
QString ToQString(std::string_view cp932);

// For storing text that came from a widget. Empty when some character has no
// CP932 code; *failed then holds that character's text.
std::optional<std::string> ToCp932(const QString& text, QString* failed = nullptr);

// Lossy form for places where a refusal is not possible (unencodable
// characters become '?'); never used for text that is stored.
std::string ToCp932Lossy(const QString& text);

}  // namespace tolvan
