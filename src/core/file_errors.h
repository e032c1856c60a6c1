// The reason a file operation failed, as the user reads it. Every message
// about a file error takes its reason from here, so the user meets one
// wording in Japanese whatever the system's locale.
#pragma once

#include <filesystem>
#include <string>

namespace tolvan {

// The reason for an errno value (UTF-8). Reasons a user can meet with files
// (permission, read-only file system, disk full, quota, missing folder, not a
// regular file, name too long, I/O error, ...) are named in Japanese; any
// other value gives its number and the system's own description.
std::string FileErrorReason(int err);

// "<path>: <reason>" (UTF-8; the path as the file system spells it).
std::string FileErrorText(const std::filesystem::path& path, int err);

}  // namespace tolvan
