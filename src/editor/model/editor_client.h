// What the text model needs of an editor control that shows it. The Qt view
// implements this; tests use a recording stand-in.
#pragma once

#include "colouring/row_state.h"
#include "editor/model/wrap.h"

namespace tolvan {

class TEditorScreenStrings;

class TEditorClient {
 public:
  virtual ~TEditorClient() = default;

  // Caret: row index and display column.
  virtual int CaretRow() const = 0;
  virtual int CaretCol() const = 0;
  virtual void SetRowCol(int row, int col) = 0;
  // Nested; the caret is hidden while inside.
  virtual void CaretBeginUpdate() {}
  virtual void CaretEndUpdate() {}

  virtual int TopRow() const = 0;
  virtual void SetTopRow(int row) = 0;

  virtual void CleanSelection() = 0;
  virtual bool Focused() const = 0;

  // Repaint rows first..last (inclusive).
  virtual void InvalidateRow(int first, int last) = 0;
  // Drawing info, scroll bars, origin and a full repaint.
  virtual void InitView() = 0;
  // Re-set the caret column after the rows changed under it.
  virtual void InitCol() = 0;
  // The store sent a change; its draw info says what changed.
  virtual void DoChange() = 0;

  // Height of the whole display and of one row, in pixels.
  virtual int ScreenHeight() const = 0;
  virtual int RowHeight() const = 0;

  // Options the model reads from its owner.
  virtual int TabSpaceCount() const { return 8; }
  virtual bool InitBracketsFull() const { return false; }
  virtual const TDelimiters& Delimiters() const { return DefaultDelimiters(); }
  // The colouring scheme in use; null when the text is not coloured.
  virtual TRowStateParserFactory* ActiveScheme() const { return nullptr; }
  // True while the control is being read from its stream or destroyed.
  virtual bool Loading() const { return false; }
  virtual bool Destroying() const { return false; }
};

}  // namespace tolvan
