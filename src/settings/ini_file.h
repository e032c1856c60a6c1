// The settings file: an INI file of CP932 bytes, read and written key by key.
// Each call opens the file, acts and closes it, as the program never holds a
// file open. Sections and keys match without regard to ASCII letter case;
// everything the program does not understand (other sections and keys,
// comments, blank lines, garbage) keeps its place through every write.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvan {

// One key of a batch: a value writes the key, none deletes it.
struct IniChange {
  std::string key;
  std::optional<std::string> value;
};

class IniFile {
 public:
  explicit IniFile(std::filesystem::path path);

  const std::filesystem::path& Path() const { return path_; }
  bool Exists() const;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;
  // A value that is not a whole integer (decimal, or hex as $1F or 0x1F) reads
  // as the default.
  int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
  // Any non-zero integer is true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
  bool KeyExists(std::string_view section, std::string_view key) const;

  // Writes return false (errno set) when the file cannot be written, or when
  // it exists but cannot be read (only a missing file counts as empty); the
  // file is then as it was. CR and LF in a value would break the line layout
  // and are written as spaces. A value that the reader would change (one
  // wrapped in matching quotes, or with blanks at either end) is written
  // inside one more pair of quotes, so it reads back as written.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int value);
  bool WriteBool(std::string_view section, std::string_view key, bool value);
  bool DeleteKey(std::string_view section, std::string_view key);
  // The changes in order, as one read and one write of the file (a stored
  // scheme is dozens of keys). Nothing is written when only absent keys are
  // deleted. False (errno set, the file as it was) when it cannot be written.
  bool WriteBatch(std::string_view section, const std::vector<IniChange>& changes);

 private:
  std::filesystem::path path_;
};

// Parses an integer the way the settings file's readers do. False when the
// whole text is not one integer in range.
bool ParseIniInteger(std::string_view text, int& value);

}  // namespace tolvan
