// The target function that lets the edit actions work on plain edit boxes
// (line edits, plain and rich text boxes) and combo boxes.
#pragma once

#include "editor/view/edit_actions.h"

namespace tolvan {

// Knows QLineEdit, QPlainTextEdit, QTextEdit and QComboBox. A combo box that
// is not editable has no text field: every action is disabled there.
bool StandardEditTarget(TMeAction* action, QObject* target, TMeTargetCode code, TMeTargetKind kind);

// Registered once at start, removed at the end.
void RegisterStandardEditTarget();
void UnregisterStandardEditTarget();

}  // namespace tolvan
