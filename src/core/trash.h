// The user's freedesktop home trash, where a deleted script goes so a file
// browser can put it back.
#pragma once

#include <filesystem>

namespace tolvan {

// $XDG_DATA_HOME/Trash when that names an absolute folder, else
// $HOME/.local/share/Trash (HOME from the password database when unset).
// Empty when neither can be found.
std::filesystem::path HomeTrashFolder();

// Moves path into the home trash: creates the trash's "files" and "info"
// folders (and missing parents) with mode 0700, writes the .trashinfo
// record, moves the entry under a name not yet used there (copying a
// regular file that lies on another file system), and checks that it
// arrived and left. Answers 0 on success, else an errno value; on failure
// the entry is where it was and no record is left behind.
int MoveToHomeTrash(const std::filesystem::path& path);

}  // namespace tolvan
