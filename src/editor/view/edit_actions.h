// Edit commands (copy, cut, delete, paste, redo, select all, undo) that are
// not bound to one control. At run time an action looks at the focused
// control and lets the registered target functions decide whether they know
// that control, whether the command is enabled there and how to carry it out.
// Plain edit boxes register one function; the editor control registers its own.
//
// Qt has no idle-time action update, so the enabled states are refreshed when
// the focus moves, when a menu holding an action is about to show, before a
// key press is matched against the shortcuts, when the clipboard changes and
// when the focused control reports a change of its text or selection.
// Execute always checks again before it acts.
#pragma once

#include <QAction>

#include <functional>

class QWidget;

namespace tolvan {

enum TMeTargetCode { mcHandles = 0, mcUpdate = 1, mcExecute = 2 };

enum TMeTargetKind {
  mkNone = 0,
  mkCopy = 1,
  mkCut = 2,
  mkDelete = 3,
  mkPaste = 4,
  mkRedo = 5,
  mkSelAll = 6,
  mkUndo = 7,
};

class TMeAction;

// Answers mcHandles with whether it knows the target's kind of control; on
// mcUpdate it sets the action's enabled state, on mcExecute it performs the
// command. A plain function so that it can be compared when unregistered.
using TMeTargetProc = bool (*)(TMeAction* action, QObject* target, TMeTargetCode code,
                               TMeTargetKind kind);

// The function registered last is asked first.
void RegisterMeTargetFunc(TMeTargetProc func);
// Removes the newest entry equal to func; unknown functions are ignored.
void UnregisterMeTargetFunc(TMeTargetProc func);

// The form that counts as the main one for the two lookups below (the
// application's first window). Held weakly: a destroyed form reads as none.
void SetDefMainForm(QWidget* form);
QWidget* DefMainForm();

// The focused control: the active window's focus widget; when the active
// window has none and is not the main form, the main form's focus widget.
QWidget* GetDefTargetControl();
// The active window, else the main form.
QWidget* GetDefTargetForm();

// Refreshes the enabled state of every live TLtAction now.
void UpdateLtActions();

// An action with an update/execute chain and DisableIfNoHandler. Triggering
// it (menu, shortcut, toolbar) runs Execute.
class TLtAction : public QAction {
  Q_OBJECT
 public:
  explicit TLtAction(QObject* parent = nullptr);
  ~TLtAction() override;

  bool DisableIfNoHandler() const { return disableIfNoHandler_; }
  void SetDisableIfNoHandler(bool value) { disableIfNoHandler_ = value; }

  // The action's own handlers. When OnUpdate is set it decides the enabled
  // state; when OnExecute is set it carries the command out.
  std::function<void(TLtAction*)> OnExecute;
  std::function<void(TLtAction*)> OnUpdate;

  // Update first; a disabled action does nothing and answers false. Then the
  // own handler, then the target control. Answers whether someone took it.
  virtual bool Execute();
  // The same chain with the update calls.
  virtual bool Update();

  virtual QObject* GetTargetControl() { return nullptr; }
  virtual bool HandlesTarget(QObject*) { return false; }
  virtual void UpdateTarget(QObject*) {}
  virtual void ExecuteTarget(QObject*) {}

 protected:
  // Nothing took the action: with DisableIfNoHandler it stays enabled only
  // when it has an execute handler of its own.
  void AutoDisable();

 private:
  bool disableIfNoHandler_ = true;
};

// An edit action of one kind, served by the registered target functions.
class TMeAction : public TLtAction {
  Q_OBJECT
 public:
  explicit TMeAction(TMeTargetKind kind, QObject* parent = nullptr);

  TMeTargetKind Kind() const { return kind_; }

  QObject* GetTargetControl() override;
  // Asks the registry, newest first; remembers the first function that
  // knows the target until the next UpdateTarget or ExecuteTarget.
  bool HandlesTarget(QObject* target) override;
  void UpdateTarget(QObject* target) override;
  void ExecuteTarget(QObject* target) override;

 private:
  TMeTargetKind kind_;
  TMeTargetProc func_ = nullptr;
};

class TMeEditCopy : public TMeAction {
  Q_OBJECT
 public:
  explicit TMeEditCopy(QObject* parent = nullptr) : TMeAction(mkCopy, parent) {}
};

class TMeEditCut : public TMeAction {
  Q_OBJECT
 public:
  explicit TMeEditCut(QObject* parent = nullptr) : TMeAction(mkCut, parent) {}
};

class TMeEditDelete : public TMeAction {
  Q_OBJECT
 public:
  explicit TMeEditDelete(QObject* parent = nullptr) : TMeAction(mkDelete, parent) {}
};

class TMeEditPaste : public TMeAction {
  Q_OBJECT
 public:
  explicit TMeEditPaste(QObject* parent = nullptr) : TMeAction(mkPaste, parent) {}
};

class TMeEditRedo : public TMeAction {
  Q_OBJECT
 public:
  explicit TMeEditRedo(QObject* parent = nullptr) : TMeAction(mkRedo, parent) {}
};

class TMeEditSelAll : public TMeAction {
  Q_OBJECT
 public:
  explicit TMeEditSelAll(QObject* parent = nullptr) : TMeAction(mkSelAll, parent) {}
};

class TMeEditUndo : public TMeAction {
  Q_OBJECT
 public:
  explicit TMeEditUndo(QObject* parent = nullptr) : TMeAction(mkUndo, parent) {}
};

}  // namespace tolvan
