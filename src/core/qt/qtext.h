// QString at the boundary between Qt and the CP932 byte strings. Only the
// Qt-facing layers link this.
#pragma once

#include <QList>
#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include "core/encoding.h"

namespace tolvan {

// The same in a chosen encoding: decoding never fails; encoding into UTF-8
// fails only for a lone surrogate, into CP932 as ToCp932 does.
QString ToQString(TextEncoding e, std::string_view bytes);
std::optional<std::string> Encode(TextEncoding e, const QString& text, QString* failed = nullptr);

// For showing: never fails, invalid bytes show as U+FFFD.
QString ToQString(std::string_view cp932);

// For storing text that came from a widget. Empty when some character has no
// CP932 code; *failed then holds that character's text.
std::optional<std::string> ToCp932(const QString& text, QString* failed = nullptr);

// The bytes to store for a text that was shown from stored bytes: those
// bytes as long as the text is still the one they show (CP932 does not
// survive decoding and encoding: a byte 0xFF, the NEC-selected IBM codes),
// else the text encoded as ToCp932 does.
std::optional<std::string> KeepOrEncode(const QString& shown, std::string_view stored, QString* failed = nullptr);

// Lossy form for places where a refusal is not possible (unencodable
// characters become '?'); never used for text that is stored.
std::string ToCp932Lossy(const QString& text);

}  // namespace tolvan
