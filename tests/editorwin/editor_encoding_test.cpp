// The editor window's encodings and line ends: what a file opens as, what
// is written back, the status bar, reopening and converting, and text that
// crosses from Qt (keys, the input method, the clipboard, the find box)
// into a UTF-8 or CP932 document.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QtTest>

#include "editorwin/editor_window_fixture.h"
#include "editorwin/editor_window_logic.h"
#include "editorwin/find_replace.h"

using namespace tolvan;
using namespace tolvan::test;

namespace {

std::string Text(TfrmEditor* w) { return w->Editor1().Editor().Lines().GetTextStr(); }

// UTF-8 bytes of a literal, and the same text in CP932.
std::string U8(const char* s) { return s; }
std::string Sj(const char* s) { return cp932::FromUtf8(s).bytes; }

const char* kNewEncodingUtf8 = "[Editor]\r\nNewEncoding=UTF-8\r\n";

// Puts bytes at the start of a row, as an edit would.
void InsertAtRowStart(TfrmEditor* w, int row, const std::string& bytes) {
  TEditor& c = w->Editor1().Editor();
  c.SetRowCol(row, 0);
  c.SetSelTextBuf(bytes);
}

QString StatusText(TfrmEditor* w) { return w->lblEncoding->text() + " " + w->lblLineEnd->text(); }

}  // namespace

class EditorEncodingTest : public QObject {
  Q_OBJECT
 private slots:
  // Each file opens in its encoding with its line end, the model never
  // sees a byte-order mark, and a save writes every byte outside the edit
  // as it was read.
  void filesOpenAndSaveByteForByte() {
    struct Case {
      const char* name;
      std::string bytes;
      const char* settings;
      TextEncoding encoding;
      const char* status;
      std::string text;  // as the model holds it (CR LF rows)
    };
    const std::string comment = U8("# 日本語のコメント");
    const Case cases[] = {
        {"utf8 LF", comment + "\nBEGIN { print \"\xE3\x81\x82\\n\" }\n", "", TextEncoding::Utf8, "UTF-8 LF",
         comment + "\r\nBEGIN { print \"\xE3\x81\x82\\n\" }\r\n"},
        {"utf8 BOM CR LF", std::string(kUtf8Bom) + comment + "\r\n{ print }\r\n", "", TextEncoding::Utf8,
         "UTF-8 (BOM) CR LF", comment + "\r\n{ print }\r\n"},
        {"utf8 CR, no last break", comment + "\rx", "", TextEncoding::Utf8, "UTF-8 CR", comment + "\r\nx"},
        {"cp932 CRLF, NEC code and 0xFF", "BEGIN{\r\n  s = \"" + Sj("表") + "\xED\x40\xFF\"\r\n}\r\n", "",
         TextEncoding::Cp932, "CP932 CR LF", "BEGIN{\r\n  s = \"" + Sj("表") + "\xED\x40\xFF\"\r\n}\r\n"},
        {"ascii, no setting", "{ print $1 }\n", "", TextEncoding::Cp932, "CP932 LF", "{ print $1 }\r\n"},
        {"ascii, setting UTF-8", "{ print $1 }\n", kNewEncodingUtf8, TextEncoding::Utf8, "UTF-8 LF",
         "{ print $1 }\r\n"},
        {"cp932 beats the setting", Sj("# 表") + "\r\n", kNewEncodingUtf8, TextEncoding::Cp932, "CP932 CR LF",
         Sj("# 表") + "\r\n"},
    };
    for (const Case& c : cases) {
      EditorEnv env;
      env.WriteSettings(c.settings);
      const QString path = env.Write("s.awk", c.bytes);
      TfrmEditor* w = env.host.Open(path);
      QVERIFY2(w, c.name);
      QCOMPARE(w->Encoding(), c.encoding);
      QCOMPARE(w->Editor1().Editor().Lines().Encoding(), c.encoding);
      QCOMPARE(StatusText(w), QString::fromLatin1(c.status));
      QCOMPARE(Text(w), c.text);
      QVERIFY(!w->Modified());
      // Unchanged, it is written back exactly.
      QVERIFY(w->Save());
      QCOMPARE(FileBytes(path), c.bytes);
      // An edit changes only its own bytes.
      InsertAtRowStart(w, 1, "z");
      QVERIFY(w->Save());
      std::string expected = c.bytes;
      const std::size_t bom = c.bytes.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
      const std::size_t firstEnd = expected.find_first_of("\r\n", bom);
      const std::size_t second = expected[firstEnd] == '\r' && expected[firstEnd + 1] == '\n' ? firstEnd + 2 : firstEnd + 1;
      if (second <= expected.size()) expected.insert(second, "z");
      QCOMPARE(FileBytes(path), expected);
    }
  }

  // The line-breaking rules hold in a UTF-8 script as in a CP932 one: 。
  // hangs past the wrap column, a row never starts with 」.
  void wrapRulesMatchUtf8Characters() {
    EditorEnv env;
    const std::string row = std::string(80, 'a') + U8("。b") + "\n" + std::string(80, 'a') + U8("」b") + "\n";
    TfrmEditor* w = env.host.Open(env.Write("w.awk", row));
    QVERIFY(w);
    TEditor& c = w->Editor1().Editor();
    QCOMPARE(c.Lines().Encoding(), TextEncoding::Utf8);
    c.WrapOption().SetFollowPunctuation(true);
    c.WrapOption().SetLeading(true);
    c.SetWordWrap(true);
    QCOMPARE(c.List().ListStr(0).size(), std::size_t{83});
    QCOMPARE(c.List().ListStr(2).size(), std::size_t{79});
  }

  void untitledWindowTakesTheNewScriptSetting() {
    for (auto [settings, encoding] : {std::pair{"", TextEncoding::Cp932}, {kNewEncodingUtf8, TextEncoding::Utf8}}) {
      EditorEnv env;
      env.WriteSettings(settings);
      TfrmEditor* w = env.host.Open();
      QCOMPARE(w->Encoding(), encoding);
      QCOMPARE(w->LineEnding(), LineEnd::CrLf);
      QVERIFY(!w->mnuEncodingReopen->isEnabled());  // no file to read again
      env.choosers.saveAnswers.push_back(env.Path("new.awk"));
      InsertAtRowStart(w, 0, encoding == TextEncoding::Utf8 ? U8("# 日本") : Sj("# 日本"));
      QVERIFY(w->SaveAs());
      const std::string body = encoding == TextEncoding::Utf8 ? U8("# 日本") : Sj("# 日本");
      QVERIFY(FileBytes(env.Path("new.awk")).starts_with(body + "BEGIN{\r\n"));
      QVERIFY(w->mnuEncodingReopen->isEnabled());
    }
  }

  // Converting refuses what the other encoding cannot hold, naming the
  // character (or byte) and its line; the text stays as it was.
  void conversionRefusesWhatWouldBeLost() {
    struct Case {
      const char* name;
      std::string bytes;
      QString named;
      QString line;
    };
    const Case cases[] = {
        {"snowman", U8("# 日本\nx = 1\ny = \"☃\"\n"), QString::fromUtf8("「☃」"), QString::fromUtf8("3 行目")},
        {"emoji first", U8("😀\n"), QString::fromUtf8("「😀」"), QString::fromUtf8("1 行目")},
        {"accent joined", U8("é\n"), QString::fromUtf8("「é」"), QString::fromUtf8("1 行目")},
        {"invalid UTF-8 byte", U8("# 日本\n\xFF\n"), QStringLiteral("0xff"), QString::fromUtf8("2 行目")},
        {"invalid CP932 byte", Sj("# 表\r\nx\r\n") + "\xFF\r\n", QStringLiteral("0xff"), QString::fromUtf8("3 行目")},
    };
    for (const Case& c : cases) {
      EditorEnv env;
      TfrmEditor* w = env.host.Open(env.Write("s.awk", c.bytes));
      const TextEncoding before = w->Encoding();
      const std::string text = Text(w);
      w->mnuEncodingConvert->trigger();
      QCOMPARE(env.messages.Texts().size(), 1);
      QVERIFY2(env.messages.Texts().first().contains(c.named), qPrintable(env.messages.Texts().first()));
      QVERIFY2(env.messages.Texts().first().contains(c.line), qPrintable(env.messages.Texts().first()));
      QCOMPARE(w->Encoding(), before);
      QCOMPARE(Text(w), text);
      QVERIFY(!w->Modified());
    }
  }

  // A conversion is a new text in the other encoding: the status bar and
  // the menus follow, the undo list is gone (its bytes would be of the old
  // encoding), and a save writes the new bytes with the file's line end.
  void conversionBothWays() {
    EditorEnv env;
    const QString path = env.Write("s.awk", U8("# 日本語\n{ print \"表\" }\n"));
    TfrmEditor* w = env.host.Open(path);
    InsertAtRowStart(w, 1, "#");
    QVERIFY(w->Editor1().Editor().CanUndo());
    QVERIFY(w->ConvertToOtherEncoding());
    QCOMPARE(w->Encoding(), TextEncoding::Cp932);
    QCOMPARE(StatusText(w), QStringLiteral("CP932 LF"));
    QCOMPARE(w->mnuEncodingConvert->text(), QString::fromUtf8("UTF-8 に変換(&C)"));
    QCOMPARE(Text(w), Sj("# 日本語\r\n#{ print \"表\" }\r\n"));
    QVERIFY(w->Modified());
    QVERIFY(!w->Editor1().Editor().CanUndo());
    QVERIFY(w->Save());
    QCOMPARE(FileBytes(path), Sj("# 日本語\n#{ print \"表\" }\n"));
    // And back, through the menu.
    w->mnuEncodingConvert->trigger();
    QCOMPARE(w->Encoding(), TextEncoding::Utf8);
    QVERIFY(w->Save());
    QCOMPARE(FileBytes(path), U8("# 日本語\n#{ print \"表\" }\n"));
    QVERIFY(env.messages.Texts().isEmpty());
  }

  // Reopening reads the file again as the other encoding, and only while
  // nothing would be lost by it.
  void reopenAsTheOtherEncoding() {
    EditorEnv env;
    const std::string bytes = std::string(kUtf8Bom) + U8("# 日本\r\n");
    const QString path = env.Write("s.awk", bytes);
    TfrmEditor* w = env.host.Open(path);
    QCOMPARE(w->Encoding(), TextEncoding::Utf8);
    QCOMPARE(w->mnuEncodingReopen->text(), QString::fromUtf8("CP932 として開き直す(&R)"));
    // Modified: refused, the edit kept.
    InsertAtRowStart(w, 0, "x");
    QVERIFY(!w->ReopenAsOtherEncoding());
    QCOMPARE(env.messages.Texts().size(), 1);
    QVERIFY(env.messages.Texts().first().contains(QString::fromUtf8("変更されている")));
    QCOMPARE(Text(w), "x" + U8("# 日本\r\n"));
    QCOMPARE(w->Encoding(), TextEncoding::Utf8);
    w->Editor1().Editor().Undo();
    w->Editor1().Editor().SetModified(false);
    // As CP932 the mark's bytes are text, and are written back as read.
    w->mnuEncodingReopen->trigger();
    QCOMPARE(w->Encoding(), TextEncoding::Cp932);
    QCOMPARE(StatusText(w), QStringLiteral("CP932 CR LF"));
    QCOMPARE(Text(w), bytes);
    QVERIFY(!w->Modified());
    QVERIFY(w->Save());
    QCOMPARE(FileBytes(path), bytes);
    // And back: the mark is a mark again.
    QVERIFY(w->ReopenAsOtherEncoding());
    QCOMPARE(StatusText(w), QStringLiteral("UTF-8 (BOM) CR LF"));
    QCOMPARE(Text(w), U8("# 日本\r\n"));
  }

  void lineEndConversionIsSavedWithTheText() {
    struct Case {
      QAction* TfrmEditor::*action;
      LineEnd end;
      const char* saved;
    };
    const Case cases[] = {
        {&TfrmEditor::mnuLineEndLf, LineEnd::Lf, "a\nb\n"},
        {&TfrmEditor::mnuLineEndCr, LineEnd::Cr, "a\rb\r"},
        {&TfrmEditor::mnuLineEndCrLf, LineEnd::CrLf, "a\r\nb\r\n"},
    };
    for (const char* original : {"a\r\nb\r\n", "a\nb\n"}) {
      for (const Case& c : cases) {
        EditorEnv env;
        const QString path = env.Write("s.awk", original);
        TfrmEditor* w = env.host.Open(path);
        (w->*c.action)->trigger();
        QCOMPARE(w->LineEnding(), c.end);
        QCOMPARE(w->lblLineEnd->text(), QString::fromLatin1(LineEndName(c.end)));
        QVERIFY((w->*c.action)->isChecked());
        // A change only when the end is another one; nothing to undo.
        QCOMPARE(w->Modified(), std::string(original) != c.saved);
        QVERIFY(!w->Editor1().Editor().CanUndo());
        QVERIFY(w->Save());
        QCOMPARE(FileBytes(path), std::string(c.saved));
      }
    }
  }

  // A file with line ends of several kinds: only its own (the first) makes
  // rows, the others stay in their rows and go back as read; the status bar
  // says so, and the line-end menu unifies them as one edit.
  void mixedLineEndsAreKeptUntilUnified() {
    struct Case {
      const char* name;
      std::string bytes;
      const char* status;
      QAction* TfrmEditor::*action;
      std::string edited;   // "z" typed at the start of the second row
      std::string unified;  // then every line end made the file's own
    };
    const Case cases[] = {
        {"CR LF with a CR in a string and an LF", "BEGIN {\r\n  s = \"a\rb\"\r\n  print\n}\r\n", "CP932 CR LF (混在)",
         &TfrmEditor::mnuLineEndCrLf, "BEGIN {\r\nz  s = \"a\rb\"\r\n  print\n}\r\n",
         "BEGIN {\r\nz  s = \"a\r\nb\"\r\n  print\r\n}\r\n"},
        {"LF with a CR LF line", Sj("# 表\n") + "b\r\nc\n", "CP932 LF (混在)", &TfrmEditor::mnuLineEndLf,
         Sj("# 表\n") + "zb\r\nc\n", Sj("# 表\n") + "zb\nc\n"},
        {"CR with an LF", "a\rb\nc\r", "CP932 CR (混在)", &TfrmEditor::mnuLineEndCr, "a\rzb\nc\r", "a\rzb\rc\r"},
        {"LF alone", "a\nb\n", "CP932 LF", &TfrmEditor::mnuLineEndLf, "a\nzb\n", "a\nzb\n"},
    };
    for (const Case& c : cases) {
      EditorEnv env;
      const QString path = env.Write("s.awk", c.bytes);
      TfrmEditor* w = env.host.Open(path);
      QVERIFY2(w, c.name);
      QCOMPARE(StatusText(w), QString::fromUtf8(c.status));
      QVERIFY(w->Save());
      QCOMPARE(FileBytes(path), c.bytes);
      InsertAtRowStart(w, 1, "z");
      QVERIFY(w->Save());
      QCOMPARE(FileBytes(path), c.edited);
      (w->*c.action)->trigger();
      QVERIFY2(!w->lblLineEnd->text().contains(QString::fromUtf8("混在")), c.name);
      QVERIFY(w->Save());
      QCOMPARE(FileBytes(path), c.unified);
      if (c.unified != c.edited) {
        w->Editor1().Editor().Undo();
        QVERIFY(w->Save());
        QCOMPARE(FileBytes(path), c.edited);
      }
    }
  }

  // Text from Qt is encoded once into the document's encoding: UTF-8 never
  // refuses, CP932 refuses what it lacks with a beep.
  void keysAndInputMethodInTheDocumentsEncoding() {
    struct Case {
      const char* settings;
      QString typed;
      std::string expected;  // empty: refused
    };
    const Case cases[] = {
        {kNewEncodingUtf8, QString::fromUtf8("日本"), U8("日本")},
        {kNewEncodingUtf8, QString::fromUtf8("☃é"), U8("☃é")},
        {"", QString::fromUtf8("日本"), Sj("日本")},
        {"", QString::fromUtf8("☃"), ""},
    };
    for (const Case& c : cases) {
      for (bool ime : {false, true}) {
        EditorEnv env;
        env.WriteSettings(c.settings);
        TfrmEditor* w = env.host.Open();
        TEditorWidget& e = w->Editor1();
        e.Editor().SetRowCol(1, 0);
        if (ime) {
          QInputMethodEvent commit;
          commit.setCommitString(c.typed);
          QApplication::sendEvent(&e, &commit);
        } else {
          QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, c.typed);
          QApplication::sendEvent(&e, &key);
        }
        const std::string row(e.Editor().List().ListStr(1));
        QCOMPARE(row, c.expected);
        // The caret stands after the text, on its columns.
        QCOMPARE(e.Editor().Col(), static_cast<int>(DisplayWidth(w->Encoding(), c.expected)));
        // A refused commit is told with a box, once the commit is over.
        QTRY_COMPARE(env.messages.Beeps(), c.expected.empty() ? 1 : 0);
        QCOMPARE(env.messages.Texts().size(), ime && c.expected.empty() ? 1 : 0);
      }
    }
  }

  // The composition is drawn in the document's encoding and measured in
  // its columns.
  void preeditInTheDocumentsEncoding() {
    for (auto [settings, bytes] : {std::pair{kNewEncodingUtf8, U8("日本x")}, {"", Sj("日本x")}}) {
      EditorEnv env;
      env.WriteSettings(settings);
      TfrmEditor* w = env.host.Open();
      TEditorWidget& e = w->Editor1();
      QInputMethodEvent preedit(QString::fromUtf8("日本x"), {});
      QApplication::sendEvent(&e, &preedit);
      QCOMPARE(e.PreeditBytes(), bytes);
      QCOMPARE(DisplayWidth(w->Encoding(), e.PreeditBytes()), std::size_t(5));
    }
  }

  // A copy made in one window pastes into another as the same characters,
  // whatever the two encodings; what CP932 cannot hold is refused with the
  // character named, the text untouched.
  void pasteAcrossEncodings() {
    struct Case {
      const char* fromSettings;
      const char* toSettings;
      std::string copied;    // row 0 of the source, in its encoding
      std::string expected;  // row 0 of the target after the paste; empty: refused
      QString named;
    };
    const Case cases[] = {
        {"", kNewEncodingUtf8, Sj("表ソ"), U8("表ソ"), {}},
        {kNewEncodingUtf8, "", U8("日本語"), Sj("日本語"), {}},
        {kNewEncodingUtf8, kNewEncodingUtf8, U8("é☃"), U8("é☃"), {}},
        {kNewEncodingUtf8, "", U8("x☃"), "", QString::fromUtf8("「☃」")},
        // A CP932 byte 0xFF is no character: the shown text goes over.
        {"", "", "\xFF" + Sj("表"), "\xFF" + Sj("表"), {}},
    };
    for (const Case& c : cases) {
      EditorEnv env;
      // The source's encoding is the one its bytes are detected as.
      TfrmEditor* from = env.host.Open(env.Write("from.awk", c.copied));
      QCOMPARE(from->Encoding(), std::string(c.fromSettings).empty() ? TextEncoding::Cp932 : TextEncoding::Utf8);
      TEditor& src = from->Editor1().Editor();
      src.SelectAll();
      src.CopyToClipboard();
      env.WriteSettings(c.toSettings);
      TfrmEditor* to = env.host.Open();
      TEditor& dst = to->Editor1().Editor();
      const std::string before = Text(to);
      dst.SetRowCol(0, 0);
      dst.PasteFromClipboard();
      if (c.expected.empty()) {
        QCOMPARE(Text(to), before);
        QCOMPARE(env.messages.Texts().size(), 1);
        QVERIFY(env.messages.Texts().first().contains(c.named));
      } else {
        QCOMPARE(QByteArray::fromStdString(std::string(dst.List().ListStr(0))).toHex(), QByteArray::fromStdString(c.expected + "BEGIN{").toHex());
        QVERIFY(env.messages.Texts().isEmpty());
      }
    }
  }

  // The find and replace texts are bytes of the document's encoding, and
  // follow it when it changes.
  void findTextsInTheDocumentsEncoding() {
    struct Case {
      TextEncoding e;
      QString typed;
      std::string expected;  // empty: refused (beep, dialog kept)
    };
    const Case cases[] = {
        {TextEncoding::Utf8, QString::fromUtf8("日本"), U8("日本")},
        {TextEncoding::Utf8, QString::fromUtf8("☃"), U8("☃")},
        {TextEncoding::Cp932, QString::fromUtf8("日本"), Sj("日本")},
        {TextEncoding::Cp932, QString::fromUtf8("☃"), ""},
    };
    for (const Case& c : cases) {
      RecordingMessages messages;
      std::string text;
      QStringList history;
      TfrmFind dlg(text, history, nullptr, c.e);
      dlg.ComboBox1->setEditText(c.typed);
      dlg.btnFindClick();
      QCOMPARE(text, c.expected);
      QCOMPARE(messages.Beeps(), c.expected.empty() ? 1 : 0);
    }
    // A window's texts are carried over when its text is converted.
    EditorEnv env;
    TfrmEditor* w = env.host.Open(env.Write("s.awk", U8("# 日本\n# 日本\n")));
    TFindReplace& fr = w->FindReplace();
    fr.ExecDialog = [](QDialog& d) {
      static_cast<TfrmFind&>(d).ComboBox1->setEditText(QString::fromUtf8("日本"));
      static_cast<TfrmFind&>(d).btnFindClick();
      return QDialog::Accepted;
    };
    w->Editor1().Editor().SetRowCol(0, 0);
    fr.Find();
    QCOMPARE(fr.FindText, U8("日本"));
    QCOMPARE(w->Editor1().Editor().GetSelText(), U8("日本"));
    QVERIFY(w->ConvertToOtherEncoding());
    w->Editor1().Editor().SetRowCol(0, 0);
    fr.FindNext();
    QCOMPARE(fr.FindText, Sj("日本"));
    QCOMPARE(w->Editor1().Editor().GetSelText(), Sj("日本"));
  }

  // In a UTF-8 document every character in code that is not ASCII is
  // flagged, a combining mark with its letter; CP932 rows as before.
  void overdrawRunsPerEncoding() {
    using K = TOverdrawKind;
    struct Case {
      std::string row;
      TextEncoding e;
      std::vector<TOverdrawRun> runs;
    };
    const std::string a = U8("あ");  // 3 bytes, the last one a CP932 lead byte
    const Case cases[] = {
        {"x" + a + "y", TextEncoding::Utf8, {{1, 3, K::Dbcs}}},
        {U8("é") + "=1", TextEncoding::Utf8, {{0, 2, K::Dbcs}}},
        {"e\xCC\x81 ", TextEncoding::Utf8, {{0, 3, K::Dbcs}}},  // e and a combining acute
        {"\xFF" "a", TextEncoding::Utf8, {{0, 1, K::Dbcs}}},
        {"\"" + a + "\" #" + a, TextEncoding::Utf8, {{0, 1, K::Plain}, {1, 3, K::Str}, {4, 1, K::Plain}, {6, 4, K::Comment}}},
        {"/" + a + "\\//", TextEncoding::Utf8, {{0, 1, K::Plain}, {1, 5, K::Plain}, {6, 1, K::Plain}}},
        {U8("😀") + "$", TextEncoding::Utf8, {{0, 4, K::Dbcs}, {4, 1, K::Plain}}},
        // The same bytes read as CP932 pair differently.
        {"x" + a + "y", TextEncoding::Cp932, {{1, 2, K::Dbcs}, {3, 2, K::Dbcs}}},
        {Sj("表") + "\"" + Sj("ソ") + "\"", TextEncoding::Cp932,
         {{0, 2, K::Dbcs}, {2, 1, K::Plain}, {3, 2, K::Str}, {5, 1, K::Plain}}},
    };
    for (const Case& c : cases) QCOMPARE(OverdrawRuns(c.row, c.e), c.runs);
  }

  // The red mark lands on the character's columns: a kanji is three bytes
  // and two columns in UTF-8, so the run after it starts two columns on.
  void overdrawDrawnAtColumnsInUtf8() {
    EditorEnv env;
    const std::string text = U8("日本 x = 1 本\n");
    TfrmEditor* w = env.host.Open(env.Write("u.awk", text));
    w->resize(700, 300);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    TEditorWidget& e = w->Editor1();
    const TEditor& c = e.Editor();
    const QImage img = Rendered(e);
    const int cw = c.ColWidth();
    auto pixel = [&](int col) {
      return img.pixelColor(c.LeftMargin() + col * cw + 1, c.TopMargin() + 1);
    };
    const QColor red(255, 0, 0), white(255, 255, 255);
    // 日本 covers columns 0-3, "x = 1 " columns 5-10, 本 columns 11-12.
    for (int col : {0, 1, 2, 3, 11, 12}) QCOMPARE(pixel(col), red);
    for (int col : {4, 5, 7, 10, 13}) QCOMPARE(pixel(col), white);
  }

  // The preview runs the text in the document's encoding: a UTF-8 script
  // is not touched by the CP932 trail-byte doubling, and its output is
  // shown as UTF-8.
  void previewRunsInTheDocumentsEncoding() {
    EditorEnv env;
    env.host.preview.AwkPath = "/usr/bin/gawk";
    // あ ends in 0x82, which CP932 would pair with the backslash after it.
    const std::string script = U8("BEGIN { printf \"あ\\n\" }\n");
    TfrmEditor* w = env.host.Open(env.Write("p.awk", script));
    w->resize(1000, 400);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    w->TogglePreview();
    TPreviewPane* pane = w->Preview();
    QSignalSpy spy(pane, &TPreviewPane::RunShown);
    QVERIFY(spy.wait(8000));
    while (pane->Running() && spy.wait(8000)) {
    }
    QCOMPARE(env.host.previewEncoding, TextEncoding::Utf8);
    QCOMPARE(pane->OutputBytes(), U8("あ\r\n"));
  }
};

QTEST_MAIN(EditorEncodingTest)
#include "editor_encoding_test.moc"
