// The table of open script editor windows: at most 32, a file that is open
// already is brought forward instead of opened twice. The table does not own
// the windows; a window unregisters itself when it closes.
#pragma once

#include <QString>

#include <array>
#include <functional>

class QWidget;

namespace tolvan {

// What the table needs of an editor window.
class TEditorWindowRef {
 public:
  virtual ~TEditorWindowRef() = default;
  virtual QString FilePath() const = 0;  // empty for an untitled window
  virtual QString Caption() const = 0;
  virtual void ShowAndRaise() = 0;       // show it and bring it forward
  virtual void ActivateAndRestore() = 0; // make it active, restore when minimised
  virtual void RefreshCommands() = 0;    // update the enabled state of its commands
  virtual QWidget* Window() = 0;
};

// Makes a new editor window for a path (empty: untitled, with the template).
using TEditorWindowFactory = std::function<TEditorWindowRef*(const QString& path)>;

class TEditorWindows {
 public:
  static constexpr int kSlots = 32;

  explicit TEditorWindows(QWidget* owner) : owner_(owner) {}

  void SetFactory(TEditorWindowFactory factory) { factory_ = std::move(factory); }
  bool HasFactory() const { return static_cast<bool>(factory_); }

  // Brings forward the window of path, or opens a new one when a slot is
  // free. Answers the window, or nullptr when none could be opened.
  TEditorWindowRef* OpenEditor(const QString& path);
  // True when a slot is free; otherwise says so and answers false.
  bool HasFreeEditorSlot();
  int RegisterEditor(TEditorWindowRef* window);
  void UnregisterEditor(TEditorWindowRef* window);
  bool ActivateEditorByCaption(const QString& path);

  int OccupiedCount() const;
  TEditorWindowRef* At(int slot) const { return slots_[static_cast<std::size_t>(slot)]; }
  // The window among the slots whose top-level widget is w, or nullptr.
  TEditorWindowRef* FindByWidget(const QWidget* w) const;

 private:
  QWidget* owner_;
  TEditorWindowFactory factory_;
  std::array<TEditorWindowRef*, kSlots> slots_{};
};

}  // namespace tolvan
