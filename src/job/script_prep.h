// gawk's lexer reads the second byte of ソ, 表, 能, 十, 予 ... (0x5C) as a
// backslash, which breaks strings and regular expressions. The program text
// handed to gawk has each such trail byte doubled: gawk reads the pair as an
// escaped backslash and so sees the original two bytes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "core/encoding.h"
#include "job/command_line.h"

namespace tolvan {

// True when some double-byte character's second byte is 0x5C.
bool HasTrailBackslash(std::string_view cp932);
// Doubles every 0x5C that is the second byte of a double-byte character.
std::string DoubleTrailBackslashes(std::string_view cp932);

// The encoding a script file runs in: what its bytes say (core/encoding.h);
// preferred when they are pure ASCII (the same in both) or cannot be read
// (gawk reports that).
TextEncoding ScriptFileEncoding(const std::string& path, TextEncoding preferred = TextEncoding::Cp932);

// The base command line as gawk should get it. In a CP932 job whose locale
// reads CP932 as bytes (C, not the CP932 locale) a one-line
// script is doubled in its argument; a script file that needs it is
// replaced by a private temporary copy, removed again when this object goes
// away. In a UTF-8 job nothing is doubled; only a script file that opens
// with a byte-order mark (which gawk reads as a stray character) runs from
// a copy without it, so line numbers stay. The text of the command line is
// left as composed.
class TPreparedScript {
 public:
  // Throws std::runtime_error when the temporary copy cannot be written. A
  // script file that cannot be read is passed on as it is (gawk reports it).
  // locale: gawk's; one that reads CP932 whole needs no doubling.
  explicit TPreparedScript(const BaseCommandLine& base, TextEncoding encoding = TextEncoding::Cp932,
                           const std::string& locale = "C");
  // A script that exists only as text (an editor's unsaved buffer): always
  // written, doubled, to a private temporary copy that takes the script
  // argument's place; shownPath is what gawk's messages name instead of it.
  // A UTF-8 text is written as it is.
  TPreparedScript(const BaseCommandLine& base, std::string_view text, const std::string& shownPath,
                  TextEncoding encoding = TextEncoding::Cp932, const std::string& locale = "C");
  ~TPreparedScript();
  TPreparedScript(const TPreparedScript&) = delete;
  TPreparedScript& operator=(const TPreparedScript&) = delete;

  const BaseCommandLine& Line() const { return line_; }
  // Writes a private file into the copy's folder (removed with it) and
  // answers its path; only when UsesCopy(). Throws like the constructor.
  std::string WriteBeside(const std::string& fileName, std::string_view bytes) const;
  // Makes an empty private folder in the copy's folder (removed with it),
  // a working folder where nothing of the user's lies; only when UsesCopy().
  std::string MakeFolderBeside(const std::string& folderName) const;
  bool UsesCopy() const { return !copyPath_.empty(); }
  // gawk names the script in its messages; put the real path in place of
  // the copy's in text[from, end).
  void RestoreScriptPath(std::string& text, std::size_t from) const;

 private:
  void WriteCopy(const std::filesystem::path& fileName, std::string_view doubled);

  BaseCommandLine line_;
  std::string realPath_;
  std::string copyPath_;
  std::filesystem::path copyDir_;
};

}  // namespace tolvan
