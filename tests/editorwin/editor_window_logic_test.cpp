// The editor window's decisions without a window: the comment toggle, the
// runs the row hook redraws, the save dialog's filters.
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "editorwin/editor_window_logic.h"

using namespace tolvan;

namespace {

using K = TOverdrawKind;

QString Show(const std::vector<TOverdrawRun>& runs) {
  QStringList out;
  for (const TOverdrawRun& r : runs) {
    const char* k = r.Kind == K::Dbcs ? "dbcs" : r.Kind == K::Comment ? "comment" : r.Kind == K::Str ? "str" : "plain";
    out << QString("%1+%2 %3").arg(r.Pos).arg(r.Len).arg(k);
  }
  return out.join(", ");
}

QString Runs(std::string_view row) { return Show(OverdrawRuns(row)); }

}  // namespace

class EditorWindowLogicTest : public QObject {
  Q_OBJECT
 private slots:
  // The control's CR LF text written with the file's own line end; only
  // CR LF pairs are line ends.
  void textTakesTheFilesLineEnd() {
    struct Case {
      const char* in;
      LineEnd end;
      const char* out;
    };
    const Case cases[] = {
        {"a\r\nb\r\n", LineEnd::CrLf, "a\r\nb\r\n"}, {"a\r\nb\r\n", LineEnd::Lf, "a\nb\n"},
        {"a\r\nb", LineEnd::Cr, "a\rb"},                {"\r\n\r\n", LineEnd::Lf, "\n\n"},
        {"x\r", LineEnd::Lf, "x\r"},                      {"", LineEnd::Lf, ""},
    };
    for (const Case& c : cases) QCOMPARE(WithLineEnd(c.in, c.end), std::string(c.out));
  }
  // The file is read a piece at a time: a character across the end of a
  // piece, CP932 after a long ASCII start, a mark, and plain ASCII.
  void fileTextIsDetectedAcrossPieces() {
    struct Case {
      const char* name;
      std::string bytes;
      TextEncoding encoding;
      bool bom, ascii;
      LineEnd end;
    };
    const std::string kanji = "\xE6\x97\xA5";  // 日
    const std::string emoji = "\xF0\x9F\x98\x80";
    const Case cases[] = {
        {"utf8 across the piece end", std::string(65535, 'a') + kanji + "\n", TextEncoding::Utf8, false, false, LineEnd::Lf},
        {"4 bytes across the end", std::string(65534, 'a') + emoji + "\r\n", TextEncoding::Utf8, false, false, LineEnd::CrLf},
        {"utf8 only far in", "x\r" + std::string(200000, 'a') + kanji, TextEncoding::Utf8, false, false, LineEnd::Cr},
        {"cp932 far in", std::string(70000, 'a') + "\x95\x5C\r\n", TextEncoding::Cp932, false, false, LineEnd::CrLf},
        {"utf8 then cp932", kanji + std::string(70000, 'a') + "\x95\x5C", TextEncoding::Cp932, false, false, LineEnd::CrLf},
        {"cut sequence at the very end", "a" + kanji.substr(0, 2), TextEncoding::Cp932, false, false, LineEnd::CrLf},
        {"mark", "\xEF\xBB\xBF" "a\n", TextEncoding::Utf8, true, false, LineEnd::Lf},
        {"ascii", std::string(150000, 'a'), TextEncoding::Cp932, false, true, LineEnd::CrLf},
        {"CR LF across the piece end", std::string(65535, 'a') + "\r\n\x95\x5C", TextEncoding::Cp932, false, false, LineEnd::CrLf},
        {"lone CR at the piece end", std::string(65535, 'a') + "\rb\n", TextEncoding::Cp932, false, true, LineEnd::Cr},
        {"line end after cp932 decided", "\x95\x5C" + std::string(70000, 'a') + "\n", TextEncoding::Cp932, false, false, LineEnd::Lf},
        {"empty", "", TextEncoding::Cp932, false, true, LineEnd::CrLf},
        {"mark bytes opening the second piece, then cp932", std::string(65536, 'a') + "\xEF\xBB\xBF\x95\x5C",
         TextEncoding::Cp932, false, false, LineEnd::CrLf},
        {"mark bytes across the piece end", std::string(65535, 'a') + "\xEF\xBB\xBF" + kanji, TextEncoding::Utf8, false,
         false, LineEnd::CrLf},
        {"cp932 pair cut by the piece end", std::string(65535, 'a') + "\x95\x5C", TextEncoding::Cp932, false, false,
         LineEnd::CrLf},
    };
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/f.awk").toStdString();
    for (const Case& c : cases) {
      QFile f(QString::fromStdString(path));
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(c.bytes.data(), static_cast<qint64>(c.bytes.size()));
      f.close();
      const TFileText t = DetectFileText(path);
      QVERIFY2(t.Text.encoding == c.encoding && t.Text.bom == c.bom && t.Text.ascii == c.ascii && t.End == c.end, c.name);
      // The whole-text rule agrees.
      const DetectedText whole = DetectEncoding(c.bytes);
      QVERIFY2(whole.encoding == c.encoding && whole.bom == c.bom && whole.ascii == c.ascii, c.name);
    }
  }
  void commentToggleLineByLine() {
    // Two lines without a final break get one at the end.
    QCOMPARE(ToggleComment("a\r\nb"), std::string("#a\r\n#b\r\n"));
    // A commented line loses its "#", an empty line becomes "#".
    QCOMPARE(ToggleComment("#a\r\n\r\n"), std::string("a\r\n#\r\n"));
    QCOMPARE(ToggleComment(""), std::string());
    // Only the first "#" goes; a lone "#" becomes an empty line.
    QCOMPARE(ToggleComment("##x\r\n#\r\n  y"), std::string("#x\r\n\r\n#  y\r\n"));
    // LF and CR end lines too; CR LF is one break, CR CR LF two.
    QCOMPARE(ToggleComment("a\nb\rc\r\r\nd"), std::string("#a\r\n#b\r\n#c\r\n#\r\n#d\r\n"));
    // A break at the end makes no extra line; two make one empty line.
    QCOMPARE(ToggleComment("a\r\n\r\n\r\n"), std::string("#a\r\n#\r\n#\r\n"));
    // Double-byte text passes whole ("ソ" ends in 0x5C).
    QCOMPARE(ToggleComment("\x83\x5C\r\n#\x83\x5C"), std::string("#\x83\x5C\r\n\x83\x5C\r\n"));
  }

  void stringAndCommentHideReservedWords() {
    // x = "if" # if : the body in the string colour with black quotes, the
    // whole comment in the comment colour.
    QCOMPARE(Runs("x = \"if\" # if"), QString("4+1 plain, 5+2 str, 7+1 plain, 9+4 comment"));
    // a / if / : between the slashes everything is black.
    QCOMPARE(Runs("a / if /"), QString("2+1 plain, 3+4 plain, 7+1 plain"));
    // A "#" inside a string is no comment; one after it is.
    QCOMPARE(Runs("\"#\"#"), QString("0+1 plain, 1+1 str, 2+1 plain, 3+1 comment"));
    // An escaped quote stays in the body.
    QCOMPARE(Runs("\"a\\\"b\" z"), QString("0+1 plain, 1+4 str, 5+1 plain"));
    // Unterminated: the body runs to the end; a quote at the end is alone.
    QCOMPARE(Runs("\"abc"), QString("0+1 plain, 1+3 str"));
    QCOMPARE(Runs("x \""), QString("2+1 plain"));
    QCOMPARE(Runs("\"\""), QString("0+1 plain, 1+1 plain"));
    // A backslash at the very end cannot step past the row.
    QCOMPARE(Runs("/a\\"), QString("0+1 plain, 1+2 plain"));
  }

  void strayDollarSigns() {
    QCOMPARE(Runs("$ x"), QString("0+1 plain"));
    QCOMPARE(Runs("print $"), QString("6+1 plain"));
    QCOMPARE(Runs("$1 $NF $( $z $_"), QString("13+1 plain"));
    QCOMPARE(Runs("$$1"), QString("0+1 plain"));
  }

  void doubleByteCharactersInCode() {
    // A full-width space in code is flagged; inside a string or a comment it is not.
    QCOMPARE(Runs("a\x81\x40" "b"), QString("1+2 dbcs"));
    QCOMPARE(Runs("\"\x81\x40\""), QString("0+1 plain, 1+2 str, 3+1 plain"));
    QCOMPARE(Runs("# \x81\x40"), QString("0+4 comment"));
    // The trail byte is never read as a sign: "ア" is 0x83 0x41, "＃" 0x81 0x94.
    QCOMPARE(Runs("$\x83\x41"), QString("0+1 plain, 1+2 dbcs"));
    QCOMPARE(Runs("\x81\x94#"), QString("0+2 dbcs, 2+1 comment"));
    // Lead bytes of the whole code page, and one alone at the end.
    QCOMPARE(Runs("\xFA\x40\xE0\x40"), QString("0+2 dbcs, 2+2 dbcs"));
    QCOMPARE(Runs("a\x82"), QString("1+1 dbcs"));
    // A trail byte 0x5C in a string ("ソ") does not escape the closing quote.
    QCOMPARE(Runs("\"\x83\x5C\" # c"), QString("0+1 plain, 1+2 str, 3+1 plain, 5+3 comment"));
    QCOMPARE(Runs("/\x83\x5C/ x"), QString("0+1 plain, 1+2 plain, 3+1 plain"));
  }

  void saveDialogFilters() {
    QCOMPARE(ScriptNameFilters(".awk"),
             QStringList({QString::fromUtf8("awk スクリプト(*.awk) (*.AWK)"), QString::fromUtf8("全てのファイル(*.*) (*)")}));
    QCOMPARE(ScriptNameFilters(".gwk").first(), QString::fromUtf8("awk スクリプト(*.gwk) (*.GWK)"));
  }
};

QTEST_APPLESS_MAIN(EditorWindowLogicTest)
#include "editor_window_logic_test.moc"
