// The editor window with its find/replace and font and colour dialogs, as
// opened from the main window: the histories shared by every window, the
// window's own shortcuts, the settings dialog's set and cancel.
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "colouring/scheme_store.h"
#include "editorwin/editor_window.h"
#include "editorwin/editor_window_fixture.h"
#include "editorwin/find_replace.h"
#include "editorwin/font_dialog.h"
#include "mainwin/mainwin_fixture.h"
#include "settings/settings.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

TfrmEditor* EditorAt(TForm1& f, int slot) { return dynamic_cast<TfrmEditor*>(f.EditorWindows().At(slot)); }

QStringList Items(QComboBox* c) {
  QStringList l;
  for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
  return l;
}

}  // namespace

class EditorDialogsSessionTest : public QObject {
  Q_OBJECT
 private slots:
  void findHistoryIsSharedAndShortcutsStayInTheWindow() {
    MainWindowEnv env;
    env.WriteSettings();
    env.WriteScript("a.awk", "foo bar foo\r\n");
    env.WriteScript("b.awk", "x\r\n");
    auto w = env.Open();
    TEditorWindows& table = w->EditorWindows();
    QVERIFY(table.OpenEditor(env.Folder() + "/scripts/a.awk"));
    QVERIFY(table.OpenEditor(env.Folder() + "/scripts/b.awk"));
    TfrmEditor* a = EditorAt(*w, 0);
    TfrmEditor* b = EditorAt(*w, 1);
    QStringList seen;
    QString dialogClass;
    auto drive = [&](const char* text) {
      return [&, text](QDialog& d) {
        dialogClass = d.metaObject()->className();
        auto* box = d.findChild<QComboBox*>("ComboBox1");
        seen = Items(box);
        box->setEditText(QString::fromUtf8(text));
        d.findChild<QPushButton*>(d.findChild<QPushButton*>("btnFind") ? "btnFind" : "btnCancel")->click();
        return d.result();
      };
    };
    a->FindReplace().ExecDialog = drive("foo");
    a->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), a);
    QTest::keyClick(a, Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(dialogClass, QString("tolvan::TfrmFind"));
    TEditor& c = a->Editor1().Editor();
    QCOMPARE(c.GetSelText(), std::string("foo"));
    QCOMPARE(w->FindHistory(), QStringList{"foo"});
    // F3 finds the next one from behind the selection.
    QTest::keyClick(a, Qt::Key_F3);
    QCOMPARE(c.SelStart(), 8);
    // The other window's dialog offers what was searched in the first.
    b->FindReplace().ExecDialog = drive("x");
    b->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), b);
    b->btnFind->trigger();
    QCOMPARE(seen, QStringList{"foo"});
    QCOMPARE(w->FindHistory().size(), 2);
    // Ctrl+R in an editor window is its Replace, not the main window's Run.
    dialogClass.clear();
    b->FindReplace().ExecDialog = [&](QDialog& d) {
      dialogClass = d.metaObject()->className();
      return static_cast<int>(QDialog::Rejected);
    };
    QTest::keyClick(b, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(dialogClass, QString("tolvan::TfrmReplace"));
    QVERIFY(!w->JobRunning());
    for (int i = 1; i >= 0; --i) QVERIFY(EditorAt(*w, i)->close());
  }

  void settingsDialogSetAndCancel() {
    MainWindowEnv env;
    env.WriteSettings();
    auto w = env.Open();
    TfrmEditor* e = dynamic_cast<TfrmEditor*>(w->EditorWindows().OpenEditor(QString()));
    QVERIFY(e);
    // 設定: the keys are written and applied; the font name stays the stored one.
    e->ExecDialog = [](QDialog& d) {
      auto& f = static_cast<TfrmFont&>(d);
      f.UpDown1->setValue(4);
      f.UpDown2->setValue(6);
      f.btnSet->click();
      return d.result();
    };
    e->mnuSettingColor->trigger();
    IniFile ini(env.Paths().SettingsFile());
    const EditorSettings keys = LoadEditorSettings(ini);
    QCOMPARE(keys.LineSpace, 4);
    QCOMPARE(keys.TabSpace, 6);
    QCOMPARE(keys.FontName, std::string("FixedSys"));
    QCOMPARE(e->Editor1().Editor().Margin().Line(), 4);
    QCOMPARE(e->Editor1().Editor().Caret().TabSpaceCount(), 6);
    QCOMPARE(e->Editor1().FontName(), QString("FixedSys"));
    // キャンセル: a colour changed in the dialog goes back.
    const TColor before = e->SettingsScheme().Comment().Color();
    e->ExecDialog = [&](QDialog& d) {
      e->SettingsScheme().Comment().SetColor(clNavy);
      static_cast<TfrmFont&>(d).btnCancel->click();
      return d.result();
    };
    e->mnuSettingColor->trigger();
    QCOMPARE(e->SettingsScheme().Comment().Color(), before);
    QCOMPARE(LoadEditorSettings(IniFile(env.Paths().SettingsFile())).LineSpace, 4);
    QVERIFY(e->close());
  }
};

QTEST_MAIN(EditorDialogsSessionTest)
#include "editor_dialogs_session_test.moc"
