// The script editor window on its own: creation from the settings file,
// saving, the close query, the comment toggle, the commands' enabling, the
// wheel, the double click, the row hook's colours and the steps after the
// font and colour dialog.
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

#include "colouring/scheme_store.h"
#include "editor/view/editor_font.h"
#include "editorwin/editor_window_fixture.h"
#include "editorwin/find_replace.h"
#include "editorwin/font_dialog.h"
#include "settings/settings.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

std::string Text(TfrmEditor* w) { return w->Editor1().Editor().Lines().GetTextStr(); }

void Type(TfrmEditor* w, const std::string& bytes) { w->Editor1().Editor().CharBytes(bytes); }

// Runs f as the user "nobody" when this process is root (root reads any file).
template <class F>
bool AsUnprivileged(F&& f) {
  if (::geteuid() != 0) {
    f();
    return true;
  }
  passwd* nobody = ::getpwnam("nobody");
  if (!nobody || ::seteuid(nobody->pw_uid) != 0) return false;
  f();
  return ::seteuid(0) == 0;
}

QColor Pixel(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

// Whether some pixel of r is near c.
bool Has(const QImage& img, const QRect& r, const QColor& c) {
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) {
      const QColor p = img.pixelColor(x, y);
      if (std::abs(p.red() - c.red()) + std::abs(p.green() - c.green()) + std::abs(p.blue() - c.blue()) < 90) return true;
    }
  return false;
}

}  // namespace

class EditorWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void untitledWindowShowsTheTemplateAndDefaults() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open();
    QVERIFY(w);
    QCOMPARE(Text(w), std::string("BEGIN{\r\n\r\n}\r\n{\r\n}\r\nEND{\r\n}\r\n"));
    QCOMPARE(w->windowTitle(), QString::fromUtf8("新規ファイル"));
    QVERIFY(!w->Modified());
    QCOMPARE(w->FilePath(), QString());
    const TEditor& c = w->Editor1().Editor();
    QCOMPARE(c.Caret().TabSpaceCount(), 4);
    QCOMPARE(c.Margin().Line(), 2);
    QCOMPARE(w->size(), QSize(700, 480));
    // The stored name stays although another family draws it.
    QCOMPARE(w->Editor1().FontName(), QString("FixedSys"));
    QCOMPARE(w->Editor1().FontHeightSetting(), 12);
    QVERIFY(!EditorFontInstalled("FixedSys"));
    QCOMPARE(w->Editor1().EditorFont().family(), QString(kEditorFallbackFamily));
    // Factory scheme with the gawk words; the display scheme leaves comments
    // and strings black for the row hook.
    QCOMPARE(w->SettingsScheme().Comment().Color(), clRed);
    QVERIFY(w->SettingsScheme().ReserveWordList().IndexOf("gensub") >= 0);
    QVERIFY(w->SettingsScheme().ReserveWordList().IndexOf("int") >= 0);
    QVERIFY(w->DisplayScheme().ReserveWordList().IndexOf("strftime") >= 0);
    QCOMPARE(w->DisplayScheme().Comment().Color(), clBlack);
    QCOMPARE(w->DisplayScheme().Str().Color(), clBlack);
    QCOMPARE(w->DisplayScheme().Reserve().Color(), clBlue);
    QCOMPARE(w->DisplayScheme().Field().Style(), FontStyleBit(fsBold));
    QCOMPARE(c.Fountain(), &w->DisplayScheme());
  }

  void storedKeysAndSchemeAreAppliedAtCreation() {
    EditorEnv env;
    {
      IniFile ini(env.host.SettingsFile());
      auto scheme = CreateEditorSettingsGawkScheme();
      scheme->Comment().SetColor(clNavy);
      scheme->Reserve().SetColor(clGreen);
      QVERIFY(StoreGawkScheme(ini, *scheme));
      ini.WriteString("Editor", "FontName", "IPAGothic");
      ini.WriteInteger("Editor", "FontSize", 14);
      ini.WriteInteger("Editor", "LineSpace", 5);
      ini.WriteInteger("Editor", "TabSpace", 6);
      ini.WriteInteger("Editor", "Width", 640);
      ini.WriteInteger("Editor", "Height", 400);
    }
    TfrmEditor* w = env.host.Open();
    const TEditor& c = w->Editor1().Editor();
    QCOMPARE(c.Caret().TabSpaceCount(), 6);
    QCOMPARE(c.Margin().Line(), 5);
    QCOMPARE(w->Editor1().FontHeightSetting(), 14);
    QCOMPARE(w->size(), QSize(640, 400));
    QCOMPARE(w->SettingsScheme().Comment().Color(), clNavy);
    QCOMPARE(w->DisplayScheme().Reserve().Color(), clGreen);
    QVERIFY(w->SettingsScheme().ReserveWordList().IndexOf("gensub") >= 0);
    // The row height follows the line spacing: one more pixel of spacing, one more pixel per row.
    const int rowHeight = c.GetRowHeight();
    IniFile(env.host.SettingsFile()).WriteInteger("Editor", "LineSpace", 6);
    TfrmEditor* w2 = env.host.Open();
    QCOMPARE(w2->Editor1().Editor().GetRowHeight(), rowHeight + 1);
    // Tab width: the control keeps even widths from 2 to 8.
    IniFile(env.host.SettingsFile()).WriteInteger("Editor", "TabSpace", 2);
    TfrmEditor* w3 = env.host.Open();
    Type(w3, "\t");
    QCOMPARE(w3->Editor1().Editor().Col(), 2);
  }

  void unreadableFileOpensNoWindow() {
    EditorEnv env;
    const QString path = env.Write("locked.awk", "BEGIN { print 1 }\r\n");
    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0) == 0);
    TfrmEditor* w = nullptr;
    if (!AsUnprivileged([&] { w = env.host.Open(path); })) QSKIP("cannot run as a user who is refused the file");
    ::chmod(path.toLocal8Bit().constData(), 0644);
    QVERIFY(w == nullptr);
    QCOMPARE(env.messages.Texts().size(), 1);
    QVERIFY(env.messages.Texts().first().contains(path));
    QVERIFY(env.messages.Texts().first().contains(QString::fromUtf8("を開けません。アクセスする権限がありません")));
    QCOMPARE(FileBytes(path), std::string("BEGIN { print 1 }\r\n"));
    // A folder is no script either.
    std::filesystem::create_directory(env.dir.path() / "folder.awk");
    QVERIFY(env.host.Open(env.Path("folder.awk")) == nullptr);
    QCOMPARE(env.messages.Texts().size(), 2);
  }

  void loadedFileKeepsItsBytes() {
    EditorEnv env;
    // No final line break, a NEC code, a lone 0xFF.
    const std::string bytes = "BEGIN{\r\n  s = \"\xED\x40\xFF\"\r\n}";
    const QString path = env.Write("k.awk", bytes);
    TfrmEditor* w = env.host.Open(path);
    QCOMPARE(w->windowTitle(), path);
    QCOMPARE(w->FilePath(), path);
    QVERIFY(!w->Modified());
    QVERIFY(!w->btnSave->isEnabled());
    Type(w, "x");
    QVERIFY(w->Modified());
    QVERIFY(w->btnSave->isEnabled());
    QVERIFY(w->Save());
    QCOMPARE(FileBytes(path), "x" + bytes);
    QVERIFY(!w->Modified());
    QVERIFY(!w->btnSave->isEnabled());
  }

  void closeQueryPaths() {
    EditorEnv env;
    const QString path = env.Write("c.awk", "a\r\n");
    // Unmodified: no question.
    {
      QPointer<TfrmEditor> w = env.host.Open(path);
      QVERIFY(w->close());
      QCOMPARE(env.messages.entries.size(), std::size_t(0));
      QCOMPARE(env.host.unregistered.size(), std::size_t(1));
    }
    const QString question = QString::fromUtf8("このファイルの変更を保存しますか");
    // Cancel keeps it; No closes without writing.
    {
      QPointer<TfrmEditor> w = env.host.Open(path);
      Type(w, "b");
      env.messages.answers = {QMessageBox::Cancel};
      QVERIFY(!w->close());
      QCOMPARE(env.messages.Texts().last(), question);
      QVERIFY(w->Modified());
      env.messages.answers = {QMessageBox::No};
      QVERIFY(w->close());
      QCOMPARE(FileBytes(path), std::string("a\r\n"));
    }
    // Yes on an untitled window whose Save As is cancelled: it stays, text and Modified kept.
    {
      QPointer<TfrmEditor> w = env.host.Open();
      Type(w, "z");
      const std::string text = Text(w);
      env.messages.answers = {QMessageBox::Yes};
      QVERIFY(!w->close());
      QCOMPARE(env.choosers.saveAsked, 1);
      QVERIFY(w->Modified());
      QCOMPARE(Text(w), text);
      // So closing asks again; this time a name is given.
      env.messages.answers = {QMessageBox::Yes};
      env.choosers.saveAnswers = {env.Path("new.awk")};
      const int before = static_cast<int>(env.host.unregistered.size());
      QVERIFY(w->close());
      QCOMPARE(FileBytes(env.Path("new.awk")), text);
      QCOMPARE(static_cast<int>(env.host.unregistered.size()), before + 1);
    }
    // Yes and a save that fails: the error is shown, the window stays modified.
    {
      std::filesystem::create_directory(env.dir.path() / "gone");
      const QString gone = env.Write("gone/g.awk", "old\r\n");
      QPointer<TfrmEditor> w = env.host.Open(gone);
      Type(w, "n");
      std::filesystem::remove_all(env.dir.path() / "gone");
      env.messages.Clear();
      env.messages.answers = {QMessageBox::Yes};
      QVERIFY(!w->close());
      QCOMPARE(env.messages.Texts().size(), 2);
      QVERIFY(env.messages.Texts().last().contains(gone));
      QVERIFY(w->Modified());
      QVERIFY(w->btnSave->isEnabled());
      env.messages.answers = {QMessageBox::No};
      QVERIFY(w->close());
    }
  }

  void saveWritesThroughALinkAndKeepsPermissions() {
    EditorEnv env;
    const QString real = env.Write("real.awk", "old\r\n");
    QVERIFY(::chmod(real.toLocal8Bit().constData(), 0640) == 0);
    std::filesystem::create_symlink("real.awk", env.dir.path() / "link.awk");
    TfrmEditor* w = env.host.Open(env.Path("link.awk"));
    Type(w, "new");
    QVERIFY(w->Save());
    QVERIFY(std::filesystem::is_symlink(env.dir.path() / "link.awk"));
    QCOMPARE(FileBytes(real), std::string("newold\r\n"));
    struct stat st {};
    QVERIFY(::stat(real.toLocal8Bit().constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, 0640u);
    // No temporary file is left beside it.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(env.dir.path())) entries += e.path().filename() != "tolvan.INI";
    QCOMPARE(entries, 2);
  }

  // A file with LF (or CR) line ends is saved with them: only the edit
  // changes its bytes.
  void saveKeepsTheFilesLineEnd() {
    EditorEnv env;
    for (auto [name, text, saved] : {std::tuple{"lf.awk", "# 日本\nBEGIN {\n}\n", "new# 日本\nBEGIN {\n}\n"},
                                     std::tuple{"cr.awk", "a\rb\r", "newa\rb\r"},
                                     // The LF of a line nobody touched stays.
                                     std::tuple{"crlf.awk", "a\r\nb\n", "newa\r\nb\n"}}) {
      const QString path = env.Write(name, text);
      TfrmEditor* w = env.host.Open(path);
      Type(w, "new");
      QVERIFY(w->Save());
      QCOMPARE(FileBytes(path), std::string(saved));
      QVERIFY(w->close());
    }
  }

  void aReadOnlyScriptIsNotReplaced() {
    EditorEnv env;
    const QString path = env.Write("ro.awk", "old\r\n");
    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0444) == 0);
    TfrmEditor* w = env.host.Open(path);
    Type(w, "new");
    env.messages.Clear();
    QVERIFY(!w->Save());
    QCOMPARE(env.messages.Texts().size(), 1);
    QCOMPARE(env.messages.Texts().first(),
             QString::fromUtf8("ファイル %1 を保存できません。アクセスする権限がありません").arg(path));
    QCOMPARE(FileBytes(path), std::string("old\r\n"));
    struct stat st {};
    QVERIFY(::stat(path.toLocal8Bit().constData(), &st) == 0);
    QCOMPARE(st.st_mode & 07777, 0444u);
    QVERIFY(w->Modified());
    // Made writable again, the same window saves.
    QVERIFY(::chmod(path.toLocal8Bit().constData(), 0644) == 0);
    QVERIFY(w->Save());
    QCOMPARE(FileBytes(path), std::string("newold\r\n"));
  }

  void saveAsAsksWithTheCurrentExtension() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open();
    Type(w, "q");
    // Save on an untitled window whose dialog is cancelled leaves Modified set.
    QVERIFY(!w->Save());
    QVERIFY(w->Modified());
    QCOMPARE(w->windowTitle(), QString::fromUtf8("新規ファイル"));
    auto accessibleName = [&] { return QAccessible::queryAccessibleInterface(&w->Editor1())->text(QAccessible::Name); };
    QCOMPARE(accessibleName(), QString::fromUtf8("新規ファイル"));
    env.host.ext = ".gwk";
    env.choosers.saveAnswers = {env.Path("s.gwk")};
    w->mnuFileSaveAs->trigger();
    QCOMPARE(env.choosers.filters.first(), QString::fromUtf8("awk スクリプト(*.gwk) (*.GWK)"));
    QCOMPARE(env.choosers.defaultSuffix, QString("gwk"));
    QCOMPARE(env.choosers.initialPath, QString());
    QCOMPARE(w->FilePath(), env.Path("s.gwk"));
    QCOMPARE(w->windowTitle(), env.Path("s.gwk"));
    QCOMPARE(accessibleName(), env.Path("s.gwk"));  // screen readers follow the file
    QVERIFY(!w->Modified());
    QCOMPARE(FileBytes(env.Path("s.gwk")), Text(w));
    // The next Save As starts from the file's name.
    w->SaveAs();
    QCOMPARE(env.choosers.initialPath, env.Path("s.gwk"));
  }

  void openAndNewGoThroughTheMainWindow() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open();
    env.choosers.openAnswer = env.Path("o.awk");
    w->btnOpen->trigger();
    QCOMPARE(env.choosers.openFolder, env.host.ScriptsFolder());
    QCOMPARE(env.choosers.defaultSuffix, QString("awk"));
    env.choosers.openAnswer.clear();
    w->mnuFileOpen->trigger();  // cancelled: nothing opens
    w->mnuFileNew->trigger();
    QCOMPARE(env.host.opened, QStringList({env.Path("o.awk"), QString()}));
  }

  void commentToggleReplacesTheSelection() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open(env.Write("t.awk", "a\r\n#b\r\n\r\nc\r\n"));
    TEditor& c = w->Editor1().Editor();
    // Nothing selected: nothing changes, and the button is off.
    QVERIFY(!w->btnComment->isEnabled());
    w->mnuToolToUnk1->trigger();
    QVERIFY(!w->Modified());
    c.Perform(EM_SETSEL, 0, 9);  // a, #b and the empty line with their breaks
    QVERIFY(w->btnComment->isEnabled());
    w->btnComment->trigger();
    QCOMPARE(Text(w), std::string("#a\r\nb\r\n#\r\nc\r\n"));
    QVERIFY(w->Modified());
    // The whole text without its last break: a break is added.
    c.Perform(EM_SETSEL, 0, 12);
    w->mnuToolToUnk1->trigger();
    QCOMPARE(Text(w), std::string("a\r\n#b\r\n\r\n#c\r\n\r\n"));
    // One undo step takes it back.
    c.Undo();
    QCOMPARE(Text(w), std::string("#a\r\nb\r\n#\r\nc\r\n"));
  }

  void commandsFollowSelectionClipboardAndModified() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open(env.Write("e.awk", "abc\r\n"));
    QClipboard* clip = QGuiApplication::clipboard();
    clip->clear();
    QCoreApplication::processEvents();
    QVERIFY(!w->btnCut->isEnabled() && !w->btnCopy->isEnabled() && !w->btnComment->isEnabled());
    QVERIFY(!w->btnPaste->isEnabled());
    QVERIFY(!w->btnSave->isEnabled());
    w->mnuEditSelectAll->trigger();
    QVERIFY(w->btnCut->isEnabled() && w->btnCopy->isEnabled() && w->btnComment->isEnabled());
    emit w->mnuEdit->aboutToShow();
    QVERIFY(w->mnuEditCut->isEnabled() && w->mnuEditCopy->isEnabled() && w->mnuEditDel->isEnabled());
    QVERIFY(w->mnuEditUndo->isEnabled() && w->mnuEditSelectAll->isEnabled());
    w->btnCopy->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(clip->text(), QString("abc\n"));
    QVERIFY(w->btnPaste->isEnabled());
    emit w->mnuEdit->aboutToShow();
    QVERIFY(w->mnuEditPaste->isEnabled());
    w->mnuEditDel->trigger();
    QCOMPARE(Text(w), std::string());
    QVERIFY(!w->btnCut->isEnabled());
    QVERIFY(w->btnSave->isEnabled());
    emit w->mnuFile->aboutToShow();
    QVERIFY(w->mnuFileSave->isEnabled());
    w->mnuEditUndo->trigger();
    QCOMPARE(Text(w), std::string("abc\r\n"));
    clip->clear();
    QCoreApplication::processEvents();
    QVERIFY(!w->btnPaste->isEnabled());
  }

  void shortcutsOfTheMenus() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open();
    QCOMPARE(w->mnuFileSave->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(w->mnuFindFind->shortcut(), QKeySequence("Ctrl+F"));
    QCOMPARE(w->mnuFindNext->shortcut(), QKeySequence("F3"));
    QCOMPARE(w->mnuFindReplace->shortcut(), QKeySequence("Ctrl+R"));
    QCOMPARE(w->mnuFindReplaceNext->shortcut(), QKeySequence("Ctrl+Alt+R"));
    QVERIFY(w->mnuEditCut->shortcut().isEmpty());
    QCOMPARE(w->btnComment->toolTip(), QString::fromUtf8("コメント化/コード化"));
  }

  void redoAndTheBoxCommandsInTheEditMenu() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open(env.Write("e.awk", "abc\r\ndef\r\n"));
    const QList<QAction*> items = w->mnuEdit->actions();
    QCOMPARE(items.indexOf(w->mnuEditRedo), items.indexOf(w->mnuEditUndo) + 1);
    QCOMPARE(w->mnuEditRedo->shortcut(), QKeySequence("Ctrl+Shift+Z"));
    TEditor& c = w->Editor1().Editor();
    c.CharBytes("x");
    w->mnuEditUndo->trigger();
    w->mnuEditRedo->trigger();
    QCOMPARE(Text(w), std::string("xabc\r\ndef\r\n"));
    c.SetSelectionMode(smBox);  // the check mark shows the mode however it was set
    emit w->mnuEdit->aboutToShow();
    QVERIFY(w->mnuEditBoxMode->isChecked());
    w->mnuEditBoxMode->trigger();
    QCOMPARE(c.SelectionMode(), smLine);
    QCOMPARE(w->mnuEditBoxPaste->shortcut(), QKeySequence("Ctrl+B"));
  }

  void wheelScrollsOneLineUnlessShift() {
    EditorEnv env;
    std::string text;
    for (int i = 0; i < 200; ++i) text += "line\r\n";
    TfrmEditor* w = env.host.Open(env.Write("w.awk", text));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    TEditor& c = w->Editor1().Editor();
    QWidget* vp = w->Editor1().viewport();
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods) {
      QWheelEvent e(QPointF(20, 20), vp->mapToGlobal(QPointF(20, 20)), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                    Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(vp, &e);
    };
    QCOMPARE(c.TopRow(), 0);
    wheel(-120, Qt::NoModifier);
    QCOMPARE(c.TopRow(), 1);
    wheel(-360, Qt::NoModifier);  // one line per event, whatever the delta
    QCOMPARE(c.TopRow(), 2);
    wheel(-120, Qt::ShiftModifier);
    QCOMPARE(c.TopRow(), 2);
    wheel(120, Qt::NoModifier);
    QCOMPARE(c.TopRow(), 1);
    QCOMPARE(c.Row(), 0);  // the caret stays where it was
  }

  void doubleClickSelectsTheToken() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open(env.Write("d.awk", "print foo\r\n"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    TEditor& c = w->Editor1().Editor();
    const QPoint at(c.LeftMargin() + 7 * c.ColWidth() + c.ColWidth() / 2, c.TopMargin() + c.FontHeight() / 2);
    // A double click is a click and then the double click.
    QTest::mouseClick(w->Editor1().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(w->Editor1().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(c.GetSelText(), std::string("foo"));
  }

  void rowHookColoursTheRenderedRows() {
    EditorEnv env;
    // Rows: a string holding "if" and a comment "# if"; a regular
    // expression; stray and field "$"; a full-width space in code, then a
    // string and a comment on the same row; a full-width space in a string.
    const std::string text =
        "x = \"if\" # if\r\n"
        "a / if /\r\n"
        "$ $1\r\n"
        "\x81\x40\"if\" # c\r\n"
        "\"\x81\x40\"\r\n";
    TfrmEditor* w = env.host.Open(env.Write("h.awk", text));
    w->SettingsScheme().Str().SetColor(0xFF00FF);  // fuchsia, far from blue, red and black
    w->resize(700, 300);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    TEditorWidget& e = w->Editor1();
    const TEditor& c = e.Editor();
    const QImage img = Rendered(e);
    const int cw = c.ColWidth();
    auto cell = [&](int row, int col, int len = 1) {
      return QRect(c.LeftMargin() + col * cw, c.TopMargin() + row * c.GetRowHeight(), len * cw, c.FontHeight());
    };
    const QColor blue(0, 0, 255), red(255, 0, 0), fuchsia(255, 0, 255), green(0, 128, 0), white(255, 255, 255);
    // Row 0: the string body and the comment, neither "if" in blue.
    QVERIFY(Has(img, cell(0, 5, 2), fuchsia));
    QVERIFY(!Has(img, cell(0, 5, 2), blue));
    QVERIFY(!Has(img, cell(0, 4), fuchsia));  // the quotes are black
    QVERIFY(Has(img, cell(0, 11, 2), red));
    QVERIFY(!Has(img, cell(0, 11, 2), blue));
    QCOMPARE(Pixel(img, cell(0, 5).left(), cell(0, 5).top()), white);
    // Row 1: the text between the slashes is black.
    QVERIFY(!Has(img, cell(1, 4, 2), blue));
    // Row 2: a stray "$" is black, $1 keeps the field colour.
    QVERIFY(!Has(img, cell(2, 0), green));
    QVERIFY(Has(img, cell(2, 2, 2), green));
    // Row 3: the full-width space on red; the string and comment after it
    // are on the row's background again.
    QCOMPARE(Pixel(img, cell(3, 0).left() + 1, cell(3, 0).top() + 1), red);
    QVERIFY(Has(img, cell(3, 3, 2), fuchsia));
    QCOMPARE(Pixel(img, cell(3, 3).left(), cell(3, 3).top()), white);
    QCOMPARE(Pixel(img, cell(3, 7).left(), cell(3, 7).top()), white);
    QVERIFY(Has(img, cell(3, 9), red));
    if (qEnvironmentVariableIsSet("TOLVAN_SAVE_HOOK_IMAGE")) img.save(qEnvironmentVariable("TOLVAN_SAVE_HOOK_IMAGE"));
    // Row 4: a full-width space inside a string is not flagged.
    QCOMPARE(Pixel(img, cell(4, 1).left() + 1, cell(4, 1).top() + 1), white);
    // A selected row is left as the control painted it: white on navy.
    e.Editor().Perform(EM_SETSEL, 0, 16);
    QImage sel(e.viewport()->size(), QImage::Format_RGB32);
    {
      QPainter p(&sel);
      e.Renderer().Paint(p, sel.rect());
    }
    QVERIFY(!Has(sel, cell(0, 5, 2), fuchsia));
    QCOMPARE(Pixel(sel, cell(0, 5).left(), cell(0, 5).top()), QColor(0, 0, 128));
  }

  // Bold, italic and underline chosen for comments and strings are drawn
  // by the row hook, and a change from the settings dialog shows at once.
  void commentAndStringStylesAreDrawn() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open(env.Write("s.awk", "x = \"note\" # note\r\n"));
    w->resize(600, 200);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    TEditorWidget& e = w->Editor1();
    const TEditor& c = e.Editor();
    auto render = [&] { return Rendered(e); };
    const int cw = c.ColWidth();
    auto cell = [&](int col, int len) {
      return QRect(c.LeftMargin() + col * cw, c.TopMargin(), len * cw, c.FontHeight());
    };
    auto ink = [](const QImage& img, const QRect& r) {
      int n = 0;
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
          if (img.pixelColor(x, y) != QColor(Qt::white)) ++n;
      return n;
    };
    auto sameIn = [](const QImage& a, const QImage& b, const QRect& r) {
      return a.copy(r) == b.copy(r);
    };
    const QRect str = cell(5, 4), cmt = cell(11, 6), code = cell(0, 4);
    TGawkFountain& scheme = w->SettingsScheme();
    scheme.Comment().SetStyle(0);
    scheme.Str().SetStyle(0);
    const QImage plain = render();
    QVERIFY(ink(plain, cmt) > 0);

    struct Case {
      const char* name;
      TFontStyle style;
    };
    for (const Case& k : {Case{"bold", fsBold}, Case{"italic", fsItalic}, Case{"underline", fsUnderline}}) {
      scheme.Comment().SetStyle(FontStyleBit(k.style));
      scheme.Str().SetStyle(FontStyleBit(k.style));
      const QImage img = render();
      QVERIFY2(!sameIn(img, plain, cmt), k.name);
      QVERIFY2(!sameIn(img, plain, str), k.name);
      QVERIFY2(sameIn(img, plain, code), k.name);
      if (k.style == fsBold) QVERIFY2(ink(img, cmt) > ink(plain, cmt), k.name);
      if (k.style == fsUnderline) {
        // The dotted line one pixel above the cell's bottom, under the text only.
        const int ly = cmt.top() + c.FontHeight() - 1;
        QVERIFY(ink(img, QRect(cmt.left(), ly, cmt.width(), 1)) >= cmt.width() / 2 - 1);
        QCOMPARE(ink(plain, QRect(cmt.left(), ly, cmt.width(), 1)), 0);
        QCOMPARE(ink(img, QRect(code.left(), ly, code.width(), 1)), 0);
      }
    }

    // From the dialog: Bold for comments, 設定, and the next paint shows it.
    scheme.Comment().SetStyle(0);
    scheme.Str().SetStyle(0);
    w->ExecDialog = [](QDialog& d) {
      auto& f = static_cast<TfrmFont&>(d);
      f.Cmt.bold->click();
      f.btnSet->click();
      return d.result();
    };
    w->mnuSettingColor->trigger();
    QCOMPARE(scheme.Comment().Style(), FontStyleBit(fsBold));
    const QImage after = render();
    QVERIFY(ink(after, cmt) > ink(plain, cmt));
    QVERIFY(sameIn(after, plain, str));
  }

  void fontDialogConfirmedStoresAndApplies() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open();
    w->SettingsScheme().Comment().SetColor(clNavy);
    w->AfterFontDialog(true, "IPAGothic", 10, 3, 2);
    IniFile ini(env.host.SettingsFile());
    const EditorSettings keys = LoadEditorSettings(ini);
    QCOMPARE(keys.FontName, std::string("IPAGothic"));
    QCOMPARE(keys.FontSize, 10);
    QCOMPARE(keys.LineSpace, 3);
    QCOMPARE(keys.TabSpace, 2);
    QCOMPARE(w->Editor1().FontName(), QString("IPAGothic"));
    QCOMPARE(w->Editor1().Editor().Margin().Line(), 3);
    QCOMPARE(w->Editor1().Editor().Caret().TabSpaceCount(), 2);
    // The next window reads what was stored.
    TfrmEditor* next = env.host.Open();
    QCOMPARE(next->SettingsScheme().Comment().Color(), clNavy);
    QCOMPARE(next->Editor1().Editor().Margin().Line(), 3);
  }

  void fontDialogCancelledRevertsTheScheme() {
    EditorEnv env;
    // Nothing stored yet: the factory values come back.
    TfrmEditor* w = env.host.Open();
    w->SettingsScheme().Comment().SetColor(clNavy);
    w->SettingsScheme().Str().SetStyle(FontStyleBit(fsItalic));
    w->AfterFontDialog(false, "X", 30, 7, 8);
    QCOMPARE(w->SettingsScheme().Comment().Color(), clRed);
    QCOMPARE(w->SettingsScheme().Str().Style(), TFontStyles(0));
    QVERIFY(w->SettingsScheme().ReserveWordList().IndexOf("gensub") >= 0);
    QCOMPARE(w->Editor1().FontName(), QString("FixedSys"));
    QCOMPARE(w->Editor1().Editor().Margin().Line(), 2);
    QVERIFY(!IniFile(env.host.SettingsFile()).Exists());
    // A stored scheme comes back as stored.
    {
      IniFile ini(env.host.SettingsFile());
      auto scheme = CreateEditorSettingsGawkScheme();
      scheme->Comment().SetColor(clGreen);
      QVERIFY(StoreGawkScheme(ini, *scheme));
    }
    w->SettingsScheme().Comment().SetColor(clNavy);
    w->AfterFontDialog(false, "X", 30, 7, 8);
    QCOMPARE(w->SettingsScheme().Comment().Color(), clGreen);
  }

  // The window's settings command with the real dialog: 設定 stores and
  // applies tab width and spacing; キャンセル leaves the colours as they were.
  void settingsDialogThroughTheWindow() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open();
    w->ExecDialog = [](QDialog& d) {
      auto& f = static_cast<TfrmFont&>(d);
      f.UpDown2->setValue(8);
      f.UpDown1->setValue(5);
      f.btnSet->click();
      return d.result();
    };
    w->mnuSettingColor->trigger();
    const EditorSettings keys = LoadEditorSettings(IniFile(env.host.SettingsFile()));
    QCOMPARE(keys.TabSpace, 8);
    QCOMPARE(keys.LineSpace, 5);
    QCOMPARE(w->Editor1().Editor().Caret().TabSpaceCount(), 8);
    QCOMPARE(w->Editor1().Editor().Margin().Line(), 5);
    const TColor comment = w->SettingsScheme().Comment().Color();
    w->ExecDialog = [](QDialog& d) {
      auto& f = static_cast<TfrmFont&>(d);
      f.ChooseColor = [](const QColor&) { return std::optional<QColor>(QColor(1, 2, 3)); };
      f.Cmt.colour->click();
      f.btnCancel->click();
      return d.result();
    };
    w->mnuSettingColor->trigger();
    QCOMPARE(w->SettingsScheme().Comment().Color(), comment);
  }

  // Replace all from the window's menu, the question answered All.
  void replaceAllThroughTheWindow() {
    EditorEnv env;
    TfrmEditor* w = env.host.Open();
    w->Editor1().Editor().Lines().SetTextStr("x = 1; x = 2\r\n");
    w->Editor1().Editor().SetRowCol(0, 0);
    w->FindReplace().ExecDialog = [](QDialog& d) {
      auto& r = static_cast<TfrmReplace&>(d);
      r.ComboBox1->setEditText("x");
      r.ComboBox2->setEditText("y");
      r.btnReplaceAll->click();
      return d.result();
    };
    env.messages.answers = {QMessageBox::YesToAll};
    w->mnuFindReplace->trigger();
    QCOMPARE(w->Editor1().Editor().Lines().GetTextStr(), std::string("y = 1; y = 2\r\n"));
    QCOMPARE(env.host.find, QStringList{"x"});
    QCOMPARE(env.host.replace, QStringList{"y"});
  }
};

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
