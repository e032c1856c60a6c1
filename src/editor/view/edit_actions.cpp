#include "editor/view/edit_actions.h"

#include <QActionEvent>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMetaMethod>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace tolvan {
namespace {

// Newest last; walked from the back.
std::vector<TMeTargetProc>& Registry() {
  static std::vector<TMeTargetProc> registry;
  return registry;
}

std::vector<TLtAction*>& LiveActions() {
  static std::vector<TLtAction*> actions;
  return actions;
}

QPointer<QWidget>& MainForm() {
  static QPointer<QWidget> form;
  return form;
}

}  // namespace

// Stands in for the idle-time update: watches focus, menus, key presses, the
// clipboard and the focused control's change signals, and refreshes every
// action.
class LtActionUpdater : public QObject {
  Q_OBJECT
 public:
  explicit LtActionUpdater(QApplication* app) : QObject(app) {
    app->installEventFilter(this);
    connect(app, &QApplication::focusChanged, this, &LtActionUpdater::FocusChanged);
    if (QClipboard* cb = QGuiApplication::clipboard())
      connect(cb, &QClipboard::dataChanged, this, &LtActionUpdater::Refresh);
  }

  static void Ensure() {
    static QPointer<LtActionUpdater> instance;
    if (instance) return;
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
      instance = new LtActionUpdater(app);
  }

 public slots:
  void Refresh() { UpdateLtActions(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // A key press is offered to the focus widget as ShortcutOverride before
    // shortcuts are matched: bring the states up to date first, so that a
    // change nobody announced (entries added to a focused list) cannot leave
    // a shortcut disabled. Only the first delivery counts, not its
    // propagation to the parents.
    if (event->type() == QEvent::ShortcutOverride && watched == QApplication::focusWidget()) {
      Refresh();
      return false;
    }
    if (event->type() == QEvent::ActionAdded) {
      auto* menu = qobject_cast<QMenu*>(watched);
      auto* action = qobject_cast<TLtAction*>(static_cast<QActionEvent*>(event)->action());
      if (menu && action)
        connect(menu, &QMenu::aboutToShow, this, &LtActionUpdater::Refresh, Qt::UniqueConnection);
    }
    return false;
  }

 private:
  void FocusChanged(QWidget*, QWidget* now) {
    for (const QMetaObject::Connection& c : watched_) disconnect(c);
    watched_.clear();
    if (now) {
      Watch(now);
      // An editable combo box edits through its own line edit.
      if (auto* combo = qobject_cast<QComboBox*>(now); combo && combo->lineEdit())
        Watch(combo->lineEdit());
    }
    Refresh();
  }

  // Any control, the editor control included, that reports a change of its
  // text, selection or undo state through one of these signals is followed.
  void Watch(QObject* object) {
    static const char* const kSignals[] = {
        "selectionChanged()", "textChanged()",      "textChanged(QString)",
        "undoAvailable(bool)", "redoAvailable(bool)", "copyAvailable(bool)",
        "editTextChanged(QString)",
    };
    const QMetaObject* meta = object->metaObject();
    const QMetaMethod slot = metaObject()->method(metaObject()->indexOfSlot("Refresh()"));
    for (const char* signature : kSignals) {
      int index = meta->indexOfSignal(signature);
      if (index >= 0) watched_.push_back(connect(object, meta->method(index), this, slot));
    }
  }

  std::vector<QMetaObject::Connection> watched_;
};

void RegisterMeTargetFunc(TMeTargetProc func) {
  if (func) Registry().push_back(func);
}

void UnregisterMeTargetFunc(TMeTargetProc func) {
  auto& r = Registry();
  auto it = std::find(r.rbegin(), r.rend(), func);
  if (it != r.rend()) r.erase(std::next(it).base());
}

void SetDefMainForm(QWidget* form) { MainForm() = form; }
QWidget* DefMainForm() { return MainForm().data(); }

QWidget* GetDefTargetControl() {
  QWidget* form = QApplication::activeWindow();
  if (form)
    if (QWidget* control = form->focusWidget()) return control;
  QWidget* main = DefMainForm();
  if (main && form != main) return main->focusWidget();
  return nullptr;
}

QWidget* GetDefTargetForm() {
  if (QWidget* form = QApplication::activeWindow()) return form;
  return DefMainForm();
}

void UpdateLtActions() {
  // A copy: an update may create or destroy actions.
  std::vector<TLtAction*> actions = LiveActions();
  for (TLtAction* a : actions)
    if (std::find(LiveActions().begin(), LiveActions().end(), a) != LiveActions().end()) a->Update();
}

// ---------------------------------------------------------------------------

TLtAction::TLtAction(QObject* parent) : QAction(parent) {
  LiveActions().push_back(this);
  LtActionUpdater::Ensure();
  connect(this, &QAction::triggered, this, [this] { Execute(); });
}

TLtAction::~TLtAction() {
  auto& v = LiveActions();
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

bool TLtAction::Update() {
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  if (QObject* target = GetTargetControl(); target && HandlesTarget(target)) {
    UpdateTarget(target);
    return true;
  }
  AutoDisable();
  return false;
}

bool TLtAction::Execute() {
  Update();
  if (!isEnabled()) return false;
  if (OnExecute) {
    OnExecute(this);
    return true;
  }
  if (QObject* target = GetTargetControl(); target && HandlesTarget(target)) {
    ExecuteTarget(target);
    return true;
  }
  AutoDisable();
  return false;
}

void TLtAction::AutoDisable() {
  if (isEnabled() && disableIfNoHandler_) setEnabled(static_cast<bool>(OnExecute));
}

// ---------------------------------------------------------------------------

TMeAction::TMeAction(TMeTargetKind kind, QObject* parent) : TLtAction(parent), kind_(kind) {}

QObject* TMeAction::GetTargetControl() { return GetDefTargetControl(); }

bool TMeAction::HandlesTarget(QObject* target) {
  func_ = nullptr;
  // A copy, so that a function may (un)register others while it is asked.
  std::vector<TMeTargetProc> registry = Registry();
  for (auto it = registry.rbegin(); it != registry.rend(); ++it) {
    if ((*it)(this, target, mcHandles, kind_)) {
      func_ = *it;
      return true;
    }
  }
  return false;
}

void TMeAction::UpdateTarget(QObject* target) {
  // Forget first: the call may re-enter Update through a change signal.
  TMeTargetProc f = func_;
  func_ = nullptr;
  if (f) f(this, target, mcUpdate, kind_);
}

void TMeAction::ExecuteTarget(QObject* target) {
  TMeTargetProc f = func_;
  func_ = nullptr;
  if (f) f(this, target, mcExecute, kind_);
}

}  // namespace tolvan

#include "edit_actions.moc"
