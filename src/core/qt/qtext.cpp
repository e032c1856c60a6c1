#include "core/qt/qtext.h"

#include "core/codepage.h"

namespace tolvan {

QString ToQString(std::string_view cp932) {
  std::u16string u = cp932::ToUtf16(cp932);
  return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

std::optional<std::string> ToCp932(const QString& text, QString* failed) {
  std::u16string_view u(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
  cp932::EncodeResult r = cp932::FromUtf16(u);
  if (!r.ok) {
    if (failed) {
      char32_t c = r.failedChar;
      *failed = QString::fromUcs4(&c, 1);
    }
    return std::nullopt;
  }
  return std::move(r.bytes);
}

QString ToQString(TextEncoding e, std::string_view bytes) {
  std::u16string u = ToUtf16(e, bytes);
  return QString(reinterpret_cast<const QChar*>(u.data()), static_cast<qsizetype>(u.size()));
}

std::optional<std::string> Encode(TextEncoding e, const QString& text, QString* failed) {
  if (e == TextEncoding::Cp932) return ToCp932(text, failed);
  std::u16string_view u(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
  EncodeResult r = FromUtf16(e, u);
  if (!r.ok) {
    if (failed) *failed = QString(QChar(static_cast<char16_t>(r.failedChar)));
    return std::nullopt;
  }
  return std::move(r.bytes);
}

std::optional<std::string> KeepOrEncode(const QString& shown, std::string_view stored, QString* failed) {
  if (shown == ToQString(stored)) return std::string(stored);
  return ToCp932(shown, failed);
}

std::string ToCp932Lossy(const QString& text) {
  std::string out;
  for (char32_t c : text.toUcs4()) {
    int code = cp932::EncodeChar(c);
    if (code < 0) code = '?';
    if (code >= 0x100) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
  }
  return out;
}

}  // namespace tolvan
