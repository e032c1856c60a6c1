#include "editorwin/new_script_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "support/recording_messages.h"

using namespace tolvan;
using tolvan::test::RecordingMessages;

class NewScriptDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void nameGetsTheScriptExtension() {
    auto name = [](const QString& typed) {
      QString out;
      NewScriptNameCheck r = CheckNewScriptName(typed, ".awk", {}, &out);
      return r == NewScriptNameCheck::Ok ? out : QString("<refused>");
    };
    QCOMPARE(name("test"), QString("test.awk"));
    QCOMPARE(name("test.txt"), QString("test.awk"));  // a typed three-letter extension goes
    QCOMPARE(name("test.awk"), QString("test.awk"));
    QCOMPARE(name("a.b"), QString("a.b.awk"));
    QCOMPARE(name(QString::fromUtf8("ソ表")), QString::fromUtf8("ソ表.awk"));  // trail byte 0x5C is no backslash
    QCOMPARE(name(".awk"), QString("<refused>"));
    QCOMPARE(name("a/b"), QString("<refused>"));
    QCOMPARE(name(QString::fromUtf8("\xF0\x9F\x98\x80")), QString("<refused>"));
  }

  void listedNamesAreRefusedWithoutRegardToCase() {
    QString out;
    QCOMPARE(CheckNewScriptName("TEST", ".awk", {"test.awk"}, &out), NewScriptNameCheck::Exists);
    QCOMPARE(CheckNewScriptName("a:b", ".awk", {}, &out), NewScriptNameCheck::BadCharacter);
  }

  void dialogKeepsOpenOnARefusalAndSelectsTheName() {
    RecordingMessages messages;
    QString name;
    TfrmNewScript dlg(".awk", {"test.awk"});
    QVERIFY(!dlg.btnMake->isEnabled());
    dlg.Edit1->setText("test");
    QVERIFY(dlg.btnMake->isEnabled());
    dlg.btnMakeClick();
    QCOMPARE(dlg.result(), 0);
    QCOMPARE(dlg.Result(), QString());
    QCOMPARE(messages.Texts(), QStringList{QString::fromUtf8("そのスクリプト名は既に存在します")});
    QCOMPARE(messages.Beeps(), 1);
    QCOMPARE(dlg.Edit1->selectedText(), QString("test"));
    dlg.Edit1->setText("a;b");
    dlg.btnMakeClick();
    QCOMPARE(messages.Texts().last(), QString::fromUtf8("ファイル名には、\\/:,;*?<>| などは使えません"));
    // A leading dot would make a hidden file that the list never shows.
    dlg.Edit1->setText(".hidden");
    dlg.btnMakeClick();
    QCOMPARE(dlg.result(), 0);
    QCOMPARE(messages.Texts().last(), QString::fromUtf8("「.」で始まる名前は隠しファイルになるので使えません"));
    QCOMPARE(messages.Beeps(), 3);
    QCOMPARE(CheckNewScriptName(".x.awk", ".awk", {}, &name), NewScriptNameCheck::Hidden);
    QCOMPARE(CheckNewScriptName(QString::fromUtf8("表.x"), ".awk", {}, &name), NewScriptNameCheck::Ok);
    dlg.Edit1->setText("fresh.txt");
    dlg.btnMakeClick();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.Result(), QString("fresh.awk"));
  }
};

QTEST_MAIN(NewScriptDialogTest)
#include "new_script_dialog_test.moc"
