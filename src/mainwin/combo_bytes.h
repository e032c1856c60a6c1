// Combo box entries that came from a CP932 file keep the file's bytes
// beside their text, so that an entry the user did not touch is written
// back (and run) exactly as it was read.
#pragma once

#include <QString>

#include <optional>
#include <string>

class QComboBox;

namespace tolvan {

// Inserts an entry showing bytes at index (appends when index is -1).
void InsertStoredItem(QComboBox* combo, int index, const std::string& bytes);

// The bytes of entry index: its stored bytes, or its text encoded when it
// has none.
std::optional<std::string> ItemBytes(const QComboBox* combo, int index, QString* failed = nullptr);

// The bytes of the edit text: the current entry's while the text is that
// entry's, else the text encoded. Empty (failed set) when CP932 cannot hold
// the text.
std::optional<std::string> EditTextBytes(const QComboBox* combo, QString* failed = nullptr);

}  // namespace tolvan
