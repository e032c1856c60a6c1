#include "editor/view/edit_actions.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest>

#include <vector>

using namespace tolvan;

namespace {

// What the fake target functions saw, in order.
struct Call {
  int proc;
  QObject* target;
  TMeTargetCode code;
  TMeTargetKind kind;
};
std::vector<Call> g_calls;
QObject* g_knownByA = nullptr;  // the control proc A answers for (nullptr: any)
bool g_enableTo = true;

bool Serve(int id, TMeAction* action, QObject* target, TMeTargetCode code, TMeTargetKind kind,
           bool knows) {
  g_calls.push_back({id, target, code, kind});
  if (code == mcHandles) return knows;
  if (code == mcUpdate) action->setEnabled(g_enableTo);
  return true;
}
bool ProcA(TMeAction* a, QObject* t, TMeTargetCode c, TMeTargetKind k) {
  return Serve(1, a, t, c, k, !g_knownByA || t == g_knownByA);
}
bool ProcB(TMeAction* a, QObject* t, TMeTargetCode c, TMeTargetKind k) {
  return Serve(2, a, t, c, k, qobject_cast<QLineEdit*>(t) != nullptr);
}
bool ProcNever(TMeAction* a, QObject* t, TMeTargetCode c, TMeTargetKind k) {
  return Serve(3, a, t, c, k, false);
}

QList<int> ProcsWith(TMeTargetCode code) {
  QList<int> ids;
  for (const Call& c : g_calls)
    if (c.code == code) ids << c.proc;
  return ids;
}

}  // namespace

class EditActionsTest : public QObject {
  Q_OBJECT

  // A window with a line edit and a button, active, the edit focused.
  struct Window {
    QWidget w;
    QLineEdit* edit;
    QPushButton* button;
    Window() {
      auto* l = new QVBoxLayout(&w);
      edit = new QLineEdit(&w);
      button = new QPushButton("b", &w);
      l->addWidget(edit);
      l->addWidget(button);
      w.show();
      w.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&w));
      edit->setFocus();
      QTRY_COMPARE(QApplication::focusWidget(), edit);
    }
  };

 private slots:
  void init() {
    g_calls.clear();
    g_knownByA = nullptr;
    g_enableTo = true;
  }
  void cleanup() {
    UnregisterMeTargetFunc(&ProcA);
    UnregisterMeTargetFunc(&ProcA);
    UnregisterMeTargetFunc(&ProcB);
    UnregisterMeTargetFunc(&ProcNever);
    SetDefMainForm(nullptr);
  }

  void theFunctionRegisteredLastWins() {
    Window win;
    RegisterMeTargetFunc(&ProcA);
    RegisterMeTargetFunc(&ProcB);
    TMeEditCopy copy;
    g_calls.clear();
    QVERIFY(copy.Update());
    // B was asked first and took it; A was never asked.
    QCOMPARE(ProcsWith(mcHandles), QList<int>{2});
    QCOMPARE(ProcsWith(mcUpdate), QList<int>{2});
    QCOMPARE(g_calls.back().target, win.edit);
    QCOMPARE(g_calls.back().kind, mkCopy);

    // On a control B does not know, the older A is asked next.
    win.button->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), win.button);
    g_calls.clear();
    QVERIFY(copy.Update());
    QCOMPARE(ProcsWith(mcHandles), (QList<int>{2, 1}));
    QCOMPARE(ProcsWith(mcUpdate), QList<int>{1});
  }

  void unregisteringRemovesOnlyTheNewestEqualEntry() {
    Window win;
    RegisterMeTargetFunc(&ProcA);
    RegisterMeTargetFunc(&ProcB);
    RegisterMeTargetFunc(&ProcA);
    UnregisterMeTargetFunc(&ProcA);
    UnregisterMeTargetFunc(&ProcNever);  // unknown: ignored
    TMeEditCut cut;
    g_calls.clear();
    cut.Update();
    QCOMPARE(ProcsWith(mcHandles), QList<int>{2});  // B is the head again
    UnregisterMeTargetFunc(&ProcB);
    g_calls.clear();
    cut.Update();
    QCOMPARE(ProcsWith(mcHandles), QList<int>{1});  // the older A is still there
  }

  void executeChecksAgainAndCallsTheSameFunction() {
    Window win;
    RegisterMeTargetFunc(&ProcB);
    TMeEditPaste paste;
    g_calls.clear();
    QVERIFY(paste.Execute());
    QCOMPARE(ProcsWith(mcUpdate), QList<int>{2});
    QCOMPARE(ProcsWith(mcExecute), QList<int>{2});
    QCOMPARE(g_calls.back().kind, mkPaste);

    // Disabled by the update inside Execute: nothing is carried out.
    g_enableTo = false;
    g_calls.clear();
    QVERIFY(!paste.Execute());
    QVERIFY(ProcsWith(mcExecute).isEmpty());
    QVERIFY(!paste.isEnabled());
  }

  void triggeringRunsExecute() {
    Window win;
    RegisterMeTargetFunc(&ProcB);
    TMeEditUndo undo;
    undo.setEnabled(true);
    g_calls.clear();
    undo.trigger();
    QCOMPARE(ProcsWith(mcExecute), QList<int>{2});
  }

  void noTakerDisablesWhenAsked() {
    Window win;
    RegisterMeTargetFunc(&ProcNever);
    TMeEditCopy copy;
    copy.setEnabled(true);
    QVERIFY(copy.DisableIfNoHandler());
    QVERIFY(!copy.Update());
    QVERIFY(!copy.isEnabled());

    // Without DisableIfNoHandler the state stays as it was.
    TMeEditCut cut;
    cut.SetDisableIfNoHandler(false);
    cut.setEnabled(true);
    QVERIFY(!cut.Execute());
    QVERIFY(cut.isEnabled());

    // An execute handler of its own keeps it enabled and takes Execute.
    TMeEditDelete del;
    int ran = 0;
    del.OnExecute = [&](TLtAction*) { ++ran; };
    del.setEnabled(true);
    del.Update();
    QVERIFY(del.isEnabled());
    QVERIFY(del.Execute());
    QCOMPARE(ran, 1);
    QVERIFY(ProcsWith(mcExecute).isEmpty());
  }

  void ownUpdateHandlerComesFirst() {
    Window win;
    RegisterMeTargetFunc(&ProcB);
    TLtAction plain;
    plain.setEnabled(true);
    QVERIFY(!plain.Update());  // no target of its own: disabled
    QVERIFY(!plain.isEnabled());
    plain.OnUpdate = [](TLtAction* a) { a->setEnabled(true); };
    g_calls.clear();
    TMeEditCopy copy;
    copy.OnUpdate = [](TLtAction* a) { a->setEnabled(false); };
    QVERIFY(copy.Update());
    QVERIFY(!copy.isEnabled());
    QVERIFY(g_calls.empty());
  }

  void defaultTargetFollowsTheActiveWindow() {
    Window main;
    SetDefMainForm(&main.w);
    QCOMPARE(GetDefTargetControl(), main.edit);
    QCOMPARE(GetDefTargetForm(), &main.w);

    // Another window without a focus widget: the main form's control.
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(GetDefTargetForm(), &other);
    QCOMPARE(GetDefTargetControl(), main.edit);

    // Its own focused control when it has one.
    auto* edit2 = new QLineEdit(&other);
    edit2->show();
    edit2->setFocus();
    QTRY_COMPARE(GetDefTargetControl(), edit2);

    // The main form itself without a focus widget gives none.
    SetDefMainForm(&other);
    delete edit2;
    QCOMPARE(GetDefTargetControl(), nullptr);
  }

  void focusMenusAndTextChangesRefreshTheState() {
    Window win;
    RegisterMeTargetFunc(&ProcB);
    TMeEditCopy copy;
    QMenu menu;
    menu.addAction(&copy);

    // Focus to a control nobody serves: disabled at once.
    win.button->setFocus();
    QTRY_VERIFY(!copy.isEnabled());
    win.edit->setFocus();
    QTRY_VERIFY(copy.isEnabled());

    // A text change in the focused edit asks again.
    g_enableTo = false;
    g_calls.clear();
    win.edit->setText("abc");
    QVERIFY(!ProcsWith(mcUpdate).isEmpty());
    QVERIFY(!copy.isEnabled());

    // So does a menu holding the action when it opens.
    g_enableTo = true;
    g_calls.clear();
    emit menu.aboutToShow();
    QVERIFY(!ProcsWith(mcUpdate).isEmpty());
    QVERIFY(copy.isEnabled());
  }
};

QTEST_MAIN(EditActionsTest)
#include "edit_actions_test.moc"
