// Whole-file reads and writes. Files are opened, used and closed within one
// call; a write never leaves a half-written file behind.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace tolvan {

// Reads the whole file. False (errno set) when it cannot be read; errno is
// ENOENT only when nothing is there. Anything but a regular file (a folder,
// a named pipe, a device) is refused without waiting for it.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out);

enum class FileAccess {
  Shared,   // a new file gets the usual permissions, a replaced one keeps its own
  Private,  // readable by the user alone, whatever the file was before
};

// Writes bytes to a temporary file beside path and renames it over path,
// then flushes the folder. A symbolic link is followed: the file it names is
// replaced and the link stays. A replaced file keeps its mode, ACL and user
// attributes; the temporary file is never readable by anyone the result
// would not let in. False (errno set) on failure; the file is then unchanged.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         FileAccess access = FileAccess::Shared);

// How a save went, for the message when it failed.
struct SaveReport {
  bool inPlace = false;  // the file itself was written, not replaced
  bool partial = false;  // an in-place write failed after it had begun
};

// Saves a user's file. The whole text is in memory before anything is
// touched. A symbolic link is followed. An existing target that the user may
// not write (or that has no write permission for anyone), or that is not a
// regular file, is refused and left alone. A
// target with more than one link or another owner, or whose folder cannot
// take the temporary file, or whose group, ACL or user attributes cannot be
// given to a new file, is written in place (so the links, the owner and the
// permissions stay); otherwise a temporary file is renamed over it, as
// WriteFileAtomically does. False (errno set) on failure; report says when
// an in-place write failed part way.
bool SaveFile(const std::filesystem::path& path, std::string_view bytes, SaveReport* report = nullptr);

// For tests: called with the temporary file's name as soon as it exists,
// before anything is written to it. nullptr for none.
void SetTemporaryFileHook(void (*hook)(const std::string& name));

// What tells two paths of one file apart from two files: the device and
// inode of a file that exists, else the path with its folder's links, "."
// and ".." resolved (so an output that does not exist yet can still be
// recognised).
struct FileIdentity {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  std::string resolved;
  auto operator<=>(const FileIdentity&) const = default;
};
FileIdentity IdentifyFile(const std::filesystem::path& path);

// True when both paths name the same file (links, "..", relative names).
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace tolvan
