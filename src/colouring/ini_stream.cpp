#include "colouring/ini_stream.h"

#include "colouring/component_stream.h"
#include "settings/ini_file.h"

namespace tolvan {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DataKey(std::string_view ident, int n) {
  return std::string(ident) + "_d" + std::to_string(n);
}

}  // namespace

std::vector<std::string> StreamToStrings(std::string_view stream) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<std::string> lines;
  std::string line;
  for (char ch : stream) {
    const auto b = static_cast<unsigned char>(ch);
    line += kDigits[b >> 4];
    line += kDigits[b & 0x0F];
    if (line.size() == 2 * kIniStreamBytesPerLine) {
      lines.push_back(std::move(line));
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string StringsToStream(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const std::string& line = lines[n];
    for (std::size_t i = 0; i < line.size(); i += 2) {
      int value = HexDigit(line[i]);
      if (value >= 0 && i + 1 < line.size()) {
        const int low = HexDigit(line[i + 1]);
        value = low < 0 ? -1 : value * 16 + low;
      }
      if (value < 0) {
        throw EReadError("The stored value holds a character that is not a hexadecimal digit (data line " +
                         std::to_string(n) + ", position " + std::to_string(i) + ")");
      }
      out.push_back(static_cast<char>(value));
    }
  }
  return out;
}

bool IniWriteStream(std::string_view stream, IniFile& ini, std::string_view section,
                    std::string_view ident) {
  const std::vector<std::string> lines = StreamToStrings(stream);
  const int count = static_cast<int>(lines.size());
  const std::string countKey = std::string(ident) + "_c";
  const int old = ini.ReadInteger(section, countKey, 0);
  std::vector<IniChange> changes;
  if (count < old) {
    if (old <= kIniStreamMaxLines) {
      for (int n = old - 1; n >= count; --n) changes.push_back({DataKey(ident, n), std::nullopt});
    } else {
      // A damaged count: remove the keys that are really there.
      for (int n = count; n < old && ini.KeyExists(section, DataKey(ident, n)); ++n)
        changes.push_back({DataKey(ident, n), std::nullopt});
    }
    if (count == 0) changes.push_back({countKey, std::nullopt});
  }
  if (count > 0) {
    changes.push_back({countKey, std::to_string(count)});
    for (int n = 0; n < count; ++n) changes.push_back({DataKey(ident, n), lines[static_cast<std::size_t>(n)]});
  }
  // One write: the file never holds half a scheme.
  return ini.WriteBatch(section, changes);
}

std::string IniReadStream(const IniFile& ini, std::string_view section, std::string_view ident) {
  const int count = ini.ReadInteger(section, std::string(ident) + "_c", 0);
  if (count <= 0) return {};
  if (count > kIniStreamMaxLines) {
    throw EReadError("The stored value claims " + std::to_string(count) +
                     " data lines, more than a scheme can hold (" +
                     std::to_string(kIniStreamMaxLines) + ")");
  }
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(count));
  for (int n = 0; n < count; ++n) lines.push_back(ini.ReadString(section, DataKey(ident, n), ""));
  return StringsToStream(lines);
}

// --- TStoreComponent

void TStoreComponent::ReadIni(IniFile& Ini, std::string_view Section, std::string_view Ident) {
  const std::string stream = IniReadStream(Ini, Section, Ident);
  if (stream.empty()) return;
  ReadComponentStream(stream, *this);
}

void TStoreComponent::ReadIni(const std::filesystem::path& FileName, std::string_view Section,
                              std::string_view Ident) {
  IniFile ini(FileName);
  ReadIni(ini, Section, Ident);
}

bool TStoreComponent::WriteIni(IniFile& Ini, std::string_view Section, std::string_view Ident) const {
  // Writing only reads the properties; the property list wants a mutable object.
  const std::string stream = WriteComponentStream(const_cast<TStoreComponent&>(*this));
  return IniWriteStream(stream, Ini, Section, Ident);
}

bool TStoreComponent::WriteIni(const std::filesystem::path& FileName, std::string_view Section,
                               std::string_view Ident) const {
  IniFile ini(FileName);
  return WriteIni(ini, Section, Ident);
}

}  // namespace tolvan
