// Update brackets the control's own code uses: the caret and the caret-row
// underline are hidden inside and put back once the outermost one ends.
#pragma once

#include "editor/control/editor.h"

namespace tolvan {

struct TEditor::CaretScope {
  explicit CaretScope(TEditor& e) : editor(e) { editor.CaretBeginUpdate(); }
  ~CaretScope() { editor.CaretEndUpdate(); }
  CaretScope(const CaretScope&) = delete;
  CaretScope& operator=(const CaretScope&) = delete;
  TEditor& editor;
};

struct TEditor::UnderlineScope {
  explicit UnderlineScope(TEditor& e) : editor(e) { editor.UnderlineBeginUpdate(); }
  ~UnderlineScope() { editor.UnderlineEndUpdate(); }
  UnderlineScope(const UnderlineScope&) = delete;
  UnderlineScope& operator=(const UnderlineScope&) = delete;
  TEditor& editor;
};

}  // namespace tolvan
