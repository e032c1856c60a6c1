// The editor control's painting, checked on pixels of images the renderer
// paints with no window: colours, selections, marks, margins and the rules
// that place every character at its column.
#include "editor/view/editor_renderer.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "colouring/gawk_fountain.h"
#include "core/codepage.h"
#include "editor/control/recording_platform.h"
#include "editor/model/wrap.h"
#include "editor/view/editor_font.h"

using namespace tolvan;

namespace {

constexpr QRgb kSentinel = 0xFFFF00FF;  // magenta: never painted by the control

bool IsRed(QRgb c) { return qRed(c) > 150 && qGreen(c) < 100 && qBlue(c) < 100; }
bool IsBlue(QRgb c) { return qBlue(c) > 150 && qRed(c) < 100 && qGreen(c) < 100; }
bool IsInk(QRgb c) { return qRed(c) < 110 && qGreen(c) < 110 && qBlue(c) < 110; }
bool IsNavy(QRgb c) { return c == qRgb(0, 0, 128); }
bool IsWhite(QRgb c) { return c == qRgb(255, 255, 255); }
bool IsLight(QRgb c) { return qRed(c) > 128 && qGreen(c) > 128 && qBlue(c) > 128; }

// A control on the stand-in platform whose metrics come from the real font,
// and a renderer for it.
struct View {
  TGawkFountain gawk;  // outlives the control that shows it
  test::RecordingPlatform p;
  std::unique_ptr<TEditor> e;
  std::unique_ptr<TEditorRenderer> r;
  QFont font;

  explicit View(std::string_view text, int width = 640, int height = 320) {
    font = ResolveEditorFont(QStringLiteral("NoSuchFamily Tolvan"), -16, 0);
    p.metrics = EditorFontMetrics(font);
    p.width = width;
    p.height = height;
    e = std::make_unique<TEditor>(p);
    e->SetFountain(&gawk);
    e->Resized();
    e->Lines().SetTextStr(text);
    e->SetRowCol(0, 0);
    r = std::make_unique<TEditorRenderer>(*e);
    r->SetFont(font);
  }
  QImage Paint(QRect rect = QRect()) {
    QImage img(p.width, p.height, QImage::Format_ARGB32_Premultiplied);
    img.fill(kSentinel);
    QPainter painter(&img);
    r->Paint(painter, rect.isNull() ? QRect(0, 0, p.width, p.height) : rect);
    return img;
  }
  // The cell of a row and column on screen (font height high).
  QRect Cell(int row, int col, int cols = 1) const {
    return QRect(e->LeftMargin() + (col - e->TopCol()) * e->ColWidth(),
                 e->TopMargin() + (row - e->TopRow()) * e->GetRowHeight(), cols * e->ColWidth(),
                 e->FontHeight());
  }
};

int Count(const QImage& img, const QRect& r, const std::function<bool(QRgb)>& pred) {
  int n = 0;
  const QRect c = r.intersected(img.rect());
  for (int y = c.top(); y <= c.bottom(); ++y)
    for (int x = c.left(); x <= c.right(); ++x)
      if (pred(img.pixel(x, y))) ++n;
  return n;
}

// The colour most pixels of r have (the background of a cell).
QRgb Dominant(const QImage& img, const QRect& r) {
  std::map<QRgb, int> n;
  const QRect c = r.intersected(img.rect());
  for (int y = c.top(); y <= c.bottom(); ++y)
    for (int x = c.left(); x <= c.right(); ++x) ++n[img.pixel(x, y)];
  QRgb best = 0;
  int most = -1;
  for (auto [k, v] : n)
    if (v > most) best = k, most = v;
  return best;
}

QImage Crop(const QImage& img, const QRect& r) { return img.copy(r); }

// A paint device that keeps the text draws: where each starts and in what
// colour, so a test can tell which tokens were drawn a second time.
class RecordingEngine : public QPaintEngine {
 public:
  struct Text {
    QPointF at;
    QColor colour;
  };
  RecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}
  bool begin(QPaintDevice*) override { return true; }
  bool end() override { return true; }
  void updateState(const QPaintEngineState& s) override {
    if (s.state() & QPaintEngine::DirtyPen) pen_ = s.pen();
  }
  void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
  void drawPath(const QPainterPath&) override {}
  void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
  void drawTextItem(const QPointF& p, const QTextItem&) override { texts.push_back({p, pen_.color()}); }
  Type type() const override { return QPaintEngine::User; }
  std::vector<Text> texts;

 private:
  QPen pen_;
};

class RecordingDevice : public QPaintDevice {
 public:
  RecordingDevice(int w, int h) : w_(w), h_(h) {}
  QPaintEngine* paintEngine() const override { return &engine; }
  mutable RecordingEngine engine;

 protected:
  int metric(PaintDeviceMetric m) const override {
    switch (m) {
      case PdmWidth: return w_;
      case PdmHeight: return h_;
      case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
      case PdmDepth: return 32;
      case PdmDevicePixelRatio: return 1;
      case PdmDevicePixelRatioScaled: return 1 * QPaintDevice::devicePixelRatioFScale();
      default: return 1;
    }
  }

 private:
  int w_, h_;
};

}  // namespace

class RendererTest : public QObject {
  Q_OBJECT
 private slots:
  void fontFallsBackAndKeepsHeightAndStyles();
  void metricsGiveHalfWidthColumns();
  void coloursMapBgrAndSystemColours();
  void reservedWordTakesItsSchemeColour();
  void charactersSitAtTheirColumns();
  void invalidBytesFitOneCellEach();
  void keptLineEndsFitOneCellEach();
  void defaultColouredTokensAreNotDrawnAgain();
  void underlinedTokensGetADottedLine();
  void streamSelectionCoversExactlyItsCells();
  void boxSelectionCoversTheTextOfEachRowOnly();
  void unsetSelectionColoursGiveInverseVideo();
  void searchHitsFollowTheHitStyle();
  void returnAndWrapMarks();
  void eofMark();
  void longRowsStopAtAThousandColumnsWithTheHideMark();
  void rulerMarkerFollowsTheCaret();
  void lineNumbersMoveWithAOneRowScroll();
  void imageBarShowsRowMarks();
  void caretRowUnderline();
  void italicSchemeStillDrawsEveryToken();
  void tokenOverAWrapIsColouredOnBothRows();
  void rowHookSeesTheRowAndDrawsOverIt();
  void aFullPaintCoversEveryPixel();
  void partialPaintMatchesTheFullPaint();
  void utf8TextSitsAtTheColumnsOfTheSameCp932Text();
  void longRowsPaintOnlyTheirVisiblePart();
};

void RendererTest::fontFallsBackAndKeepsHeightAndStyles() {
  QVERIFY(EditorFontInstalled(QString::fromLatin1(kEditorFallbackFamily)));
  QVERIFY(!EditorFontInstalled(QStringLiteral("NoSuchFamily Tolvan")));
  const QFont missing = ResolveEditorFont(QStringLiteral("FixedSys"), -12, 0);
  QCOMPARE(missing.family(), QString::fromLatin1(kEditorFallbackFamily));
  QCOMPARE(missing.pixelSize(), 12);
  const QFont pts = ResolveEditorFont(QString::fromLatin1(kEditorFallbackFamily), 10,
                                      FontStyleBit(fsBold) | FontStyleBit(fsUnderline));
  QCOMPARE(pts.pointSize(), 10);
  QVERIFY(pts.bold());
  QVERIFY(pts.underline());
  QVERIFY(!pts.italic());
  QVERIFY(!pts.strikeOut());
  const QFont it = ResolveEditorFont(QStringLiteral("FixedSys"), -14, FontStyleBit(fsItalic) | FontStyleBit(fsStrikeOut));
  QVERIFY(it.italic());
  QVERIFY(it.strikeOut());
  QVERIFY(!it.bold());
}

void RendererTest::metricsGiveHalfWidthColumns() {
  for (int px : {12, 13, 16, 19}) {
    const QFont f = ResolveEditorFont(QStringLiteral("FixedSys"), -px, 0);
    const TFontMetrics m = EditorFontMetrics(f);
    const QFontMetrics fm(f);
    QCOMPARE(m.Height, fm.ascent() + fm.descent());
    QVERIFY(m.ExternalLeading >= 0);
    // IPAGothic's half-width advance is half the pixel size.
    QCOMPARE(m.AveCharWidth, qRound(px / 2.0));
    QVERIFY(!m.Italic);
  }
  QVERIFY(EditorFontMetrics(ResolveEditorFont(QStringLiteral("FixedSys"), -12, FontStyleBit(fsItalic))).Italic);
}

void RendererTest::coloursMapBgrAndSystemColours() {
  QCOMPARE(ToQColor(clRed), QColor(255, 0, 0));
  QCOMPARE(ToQColor(clBlue), QColor(0, 0, 255));
  QCOMPARE(ToQColor(clNavy), QColor(0, 0, 128));
  QCOMPARE(ToQColor(0x00336699), QColor(0x99, 0x66, 0x33));
  // clWindowText and clWindow come from the palette.
  QCOMPARE(ToQColor(static_cast<TColor>(0x80000008)), QGuiApplication::palette().color(QPalette::Text));
  QCOMPARE(ToQColor(static_cast<TColor>(0x80000005)), QGuiApplication::palette().color(QPalette::Base));
}

void RendererTest::reservedWordTakesItsSchemeColour() {
  View v("BEGIN { foo = 1 }\nwhile (x) print\n");
  v.gawk.Reserve().SetColor(clRed);
  const QImage img = v.Paint();
  // "BEGIN", "while" and "print" are red; "foo" and "x" are drawn in the
  // font colour and carry no red at all.
  QVERIFY(Count(img, v.Cell(0, 0, 5), IsRed) > 20);
  QVERIFY(Count(img, v.Cell(1, 0, 5), IsRed) > 20);
  QVERIFY(Count(img, v.Cell(1, 10, 5), IsRed) > 20);
  QCOMPARE(Count(img, v.Cell(0, 8, 3), IsRed), 0);
  QVERIFY(Count(img, v.Cell(0, 8, 3), IsInk) > 10);
  QCOMPARE(Count(img, v.Cell(1, 7, 1), IsRed), 0);
  QVERIFY(Count(img, v.Cell(1, 7, 1), IsInk) > 3);
  // The word part of a longer name is not a reserved word.
  View w("BEGINNING\n");
  w.gawk.Reserve().SetColor(clRed);
  QCOMPARE(Count(w.Paint(), w.Cell(0, 0, 9), IsRed), 0);
  // A coloured background fills exactly the token's cells.
  View b("x BEGIN y\n");
  b.gawk.Reserve().SetBkColor(clBlue);
  const QImage bi = b.Paint();
  QVERIFY(IsBlue(Dominant(bi, b.Cell(0, 2, 5))));
  QVERIFY(IsWhite(Dominant(bi, b.Cell(0, 1))));
  QVERIFY(IsWhite(Dominant(bi, b.Cell(0, 7))));
  QCOMPARE(Count(bi, b.Cell(0, 1), IsBlue), 0);
  QCOMPARE(Count(bi, b.Cell(0, 7), IsBlue), 0);
}

void RendererTest::charactersSitAtTheirColumns() {
  // Each character at column x column width, a double-byte one two columns
  // wide, a tab expanded: the 'x' after them lands at known columns.
  View v("\x8a\xbf" "x\n" "\tx\n" "\x80x\n" "ab\n");
  const QImage img = v.Paint();
  auto ink = [&](int row, int col) { return Count(img, v.Cell(row, col), IsInk); };
  QVERIFY(ink(0, 0) > 5);
  QVERIFY(ink(0, 1) > 5);  // the kanji's right half
  QVERIFY(ink(0, 2) > 3);  // x
  QCOMPARE(ink(0, 3), 0);
  for (int c = 0; c < 8; ++c) QCOMPARE(ink(1, c), 0);
  QVERIFY(ink(1, 8) > 3);
  QCOMPARE(ink(1, 9), 0);
  // An invalid byte shows a replacement glyph in its one column.
  QVERIFY(ink(2, 0) > 3);
  QVERIFY(ink(2, 1) > 3);
  QCOMPARE(ink(2, 2), 0);
  // The 'x' glyph looks the same wherever it stands.
  const QRect a = v.Cell(0, 2), b = v.Cell(1, 8);
  QCOMPARE(Crop(img, a), Crop(img, b));
  // DrawTextRect for row hooks: fixed columns, clipped, opaque on the brush.
  QImage t(200, 40, QImage::Format_ARGB32_Premultiplied);
  t.fill(Qt::white);
  {
    QPainter p(&t);
    p.setPen(Qt::black);
    p.setBrush(QColor(0, 0, 255));
    v.r->DrawTextRect(p, QRect(0, 0, 5 * v.e->ColWidth(), 20), 0, 0, "\x8a\xbf" "xyzzy", true);
  }
  const int cw = v.e->ColWidth();
  QVERIFY(Count(t, QRect(2 * cw, 0, cw, v.e->FontHeight()), IsInk) > 3);  // x at column 2
  QVERIFY(IsBlue(Dominant(t, QRect(0, 0, 5 * cw, 20))));
  QCOMPARE(Count(t, QRect(5 * cw, 0, 200 - 5 * cw, 40), [](QRgb c) { return c != qRgb(255, 255, 255); }), 0);
}

void RendererTest::invalidBytesFitOneCellEach() {
  // Each byte that is not CP932 is one column: its mark stays inside its
  // cell with a clear pixel column at either side, so three in a row are
  // three marks, and the character after them is untouched.
  View v("\x80\xA0\xFDx\n" "\xFE\xFF\x80\n" "ab\x81\n" "   x\n");
  const QImage img = v.Paint();
  const int cw = v.e->ColWidth();
  auto marked = [&](int row, int col) {
    const QRect c = v.Cell(row, col);
    QVERIFY2(Count(img, c, IsInk) > 3, qPrintable(QString("row %1 col %2 has no mark").arg(row).arg(col)));
    QVERIFY2(Count(img, QRect(c.left(), c.top(), 1, c.height()), IsInk) == 0,
             qPrintable(QString("row %1 col %2 touches its left edge").arg(row).arg(col)));
    QVERIFY2(Count(img, QRect(c.right(), c.top(), 1, c.height()), IsInk) == 0,
             qPrintable(QString("row %1 col %2 touches its right edge").arg(row).arg(col)));
  };
  for (int col = 0; col < 3; ++col) {
    marked(0, col);
    marked(1, col);
  }
  marked(2, 2);  // a lead byte with no trail
  QCOMPARE(Count(img, v.Cell(1, 3, 3), IsInk), 0);
  QCOMPARE(Count(img, v.Cell(2, 3, 3), IsInk), 0);
  // The x after three marks looks as it does after three blanks.
  QCOMPARE(Crop(img, v.Cell(0, 3)), Crop(img, v.Cell(3, 3)));
  // Every mark is the same mark.
  QCOMPARE(Crop(img, v.Cell(0, 0)), Crop(img, v.Cell(1, 2)));
  QVERIFY(cw >= 4);
}

void RendererTest::keptLineEndsFitOneCellEach() {
  // A CR or LF kept in a row is a mark inside its one column, the CR's
  // unlike the LF's, and the characters around it look as they do elsewhere.
  View v("");
  v.e->List().SetOwnLineEnd(LineEnd::CrLf);
  v.e->Lines().SetTextStr("a\rb\nc\r\na b c\r\n");
  QCOMPARE(v.e->List().Count(), 2);
  const QImage img = v.Paint();
  for (int col : {1, 3}) {
    const QRect c = v.Cell(0, col);
    QVERIFY(Count(img, c, IsInk) > 3);
    QCOMPARE(Count(img, QRect(c.left(), c.top(), 1, c.height()), IsInk), 0);
    QCOMPARE(Count(img, QRect(c.right(), c.top(), 1, c.height()), IsInk), 0);
  }
  QVERIFY(Crop(img, v.Cell(0, 1)) != Crop(img, v.Cell(0, 3)));
  for (int col : {0, 2, 4}) QCOMPARE(Crop(img, v.Cell(0, col)), Crop(img, v.Cell(1, col)));
}

void RendererTest::defaultColouredTokensAreNotDrawnAgain() {
  // A token whose colour object is clNone on clNone in the font's style is
  // left as the row's first pass drew it; one with a colour is drawn again.
  View v("foo bar\n");
  v.e->Imagebar().SetVisible(false);
  struct Draws {
    int all = 0, red = 0;
  };
  auto draws = [&] {
    RecordingDevice dev(v.p.width, v.p.height);
    {
      QPainter p(&dev);
      v.r->Paint(p, QRect(0, 0, v.p.width, v.p.height));
    }
    Draws d;
    for (const auto& t : dev.engine.texts) {
      ++d.all;
      if (t.colour == QColor(255, 0, 0)) ++d.red;
    }
    return d;
  };
  QCOMPARE(draws().all, 1);
  v.gawk.Ank().SetColor(clRed);
  QCOMPARE(draws().all, 3);
  QCOMPARE(draws().red, 2);
  // Another style alone is reason enough.
  v.gawk.Ank().SetColor(clNone);
  v.gawk.Ank().SetStyle(FontStyleBit(fsUnderline));
  QCOMPARE(draws().all, 3);
  QCOMPARE(draws().red, 0);
}

void RendererTest::underlinedTokensGetADottedLine() {
  View v("x BEGIN y\n");
  v.gawk.Reserve().SetColor(clRed);
  v.gawk.Reserve().SetStyle(FontStyleBit(fsUnderline));
  const QImage img = v.Paint();
  // One pixel above the cell's bottom, every other pixel in the text colour,
  // the ones between in the background, over exactly the token's columns.
  const QRect cells = v.Cell(0, 2, 5);
  const int y = cells.top() + v.e->FontHeight() - 1;
  for (int x = cells.left(); x <= cells.right(); ++x) {
    const QRgb c = img.pixel(x, y);
    if ((x - cells.left()) % 2 == 0)
      QVERIFY2(IsRed(c), qPrintable(QString::number(x)));
    else
      QVERIFY2(IsWhite(c), qPrintable(QString::number(x)));
  }
  QCOMPARE(Count(img, QRect(cells.left() - v.e->ColWidth(), y, v.e->ColWidth(), 1), IsRed), 0);
  QCOMPARE(Count(img, QRect(cells.right() + 1, y, v.e->ColWidth(), 1), IsRed), 0);
}

void RendererTest::streamSelectionCoversExactlyItsCells() {
  View v("abcdefgh\nij\nklmnopqr\nstuv\n");
  v.e->SetRowCol(0, 3);
  v.e->InitSelection();
  v.e->SetRowCol(2, 5);
  v.e->StartSelection();
  const QImage img = v.Paint();
  auto bg = [&](int row, int col) { return Dominant(img, v.Cell(row, col)); };
  // First row from column 3 to the right edge, the middle row whole (past
  // its text too), the last row up to column 5 exclusive.
  QVERIFY(IsWhite(bg(0, 2)));
  QVERIFY(IsNavy(bg(0, 3)));
  QVERIFY(IsNavy(bg(0, 7)));
  QVERIFY(IsNavy(bg(0, 30)));
  QVERIFY(IsNavy(bg(1, 0)));
  QVERIFY(IsNavy(bg(1, 20)));
  QVERIFY(IsNavy(bg(2, 4)));
  QVERIFY(IsWhite(bg(2, 5)));
  QVERIFY(IsWhite(bg(3, 0)));
  // The selected text is white on navy; the cell boundary is exact.
  QVERIFY(Count(img, v.Cell(0, 3), IsLight) > 3);
  const QRect c2 = v.Cell(0, 2), c3 = v.Cell(0, 3);
  QCOMPARE(Count(img, QRect(c3.left(), c3.top(), c3.width(), 1), IsNavy), c3.width());
  QCOMPARE(Count(img, QRect(c2.left(), c2.top(), c2.width(), c2.height()), IsNavy), 0);
  // The left margin never takes the selection colour.
  QCOMPARE(Count(img, QRect(0, c3.top(), v.e->LeftMargin(), c3.height()), IsNavy), 0);
}

void RendererTest::boxSelectionCoversTheTextOfEachRowOnly() {
  // Row 2 holds two kanji at columns 2-3 and 4-5.
  View v("abcdefgh\nab\nab\x8a\xbf\x8e\x9a" "cd\nabcdefgh\nabcdefgh\n");
  v.e->SetSelectionMode(smBox);
  v.e->SetRowCol(0, 3);
  v.e->InitSelection();
  v.e->SetRowCol(3, 5);
  v.e->StartSelection();
  const QImage img = v.Paint();
  auto bg = [&](int row, int col) { return Dominant(img, v.Cell(row, col)); };
  QVERIFY(IsWhite(bg(0, 2)));
  QVERIFY(IsNavy(bg(0, 3)));
  QVERIFY(IsNavy(bg(0, 4)));
  QVERIFY(IsWhite(bg(0, 5)));
  // A short row: nothing past its text.
  QVERIFY(IsWhite(bg(1, 2)));
  QVERIFY(IsWhite(bg(1, 3)));
  QVERIFY(IsWhite(bg(1, 4)));
  // Half-covered kanji: outside on the left, inside on the right.
  QVERIFY(IsWhite(bg(2, 2)));
  QVERIFY(IsWhite(bg(2, 3)));
  QVERIFY(IsNavy(bg(2, 4)));
  QVERIFY(IsNavy(bg(2, 5)));
  QVERIFY(IsWhite(bg(2, 6)));
  QVERIFY(IsNavy(bg(3, 3)));
  QVERIFY(IsWhite(bg(3, 5)));
  QVERIFY(IsWhite(bg(4, 3)));
}

void RendererTest::unsetSelectionColoursGiveInverseVideo() {
  View v("hello world\n");
  v.e->View().Colors().Select().SetBkColor(clNone);
  v.e->View().Colors().Select().SetColor(clNone);
  v.e->SetRowCol(0, 0);
  v.e->InitSelection();
  v.e->SetRowCol(0, 5);
  v.e->StartSelection();
  const QImage img = v.Paint();
  for (int c = 0; c < 5; ++c) {
    QCOMPARE(Dominant(img, v.Cell(0, c)), qRgb(0, 0, 0));
    QVERIFY(Count(img, v.Cell(0, c), IsLight) > 3);
  }
  QVERIFY(IsWhite(Dominant(img, v.Cell(0, 6))));
}

void RendererTest::searchHitsFollowTheHitStyle() {
  View v("find the word\n");
  v.e->View().Colors().Hit().SetBkColor(clRed);
  v.e->View().Colors().Hit().SetColor(clBlue);
  auto hit = [&](TEditorHitStyle style) {
    v.e->CleanSelection();
    v.e->SetHitStyle(style);
    v.e->SetRowCol(0, 5);
    v.e->SetHitSelLength(3);
    return v.Paint();
  };
  // hsSelect: an ordinary selection in the selection colours.
  QImage img = hit(hsSelect);
  QVERIFY(IsNavy(Dominant(img, v.Cell(0, 5))));
  QVERIFY(IsNavy(Dominant(img, v.Cell(0, 7))));
  QVERIFY(IsWhite(Dominant(img, v.Cell(0, 8))));
  // hsDraw: the hit colours.
  img = hit(hsDraw);
  QCOMPARE(v.e->SelectionState(), sstHitSelected);
  QVERIFY(IsRed(Dominant(img, v.Cell(0, 5))));
  QVERIFY(Count(img, v.Cell(0, 5), IsBlue) > 3);
  QVERIFY(IsWhite(Dominant(img, v.Cell(0, 4))));
  QVERIFY(IsWhite(Dominant(img, v.Cell(0, 8))));
  // hsCaret: not painted as a selection at all.
  img = hit(hsCaret);
  QCOMPARE(v.e->SelectionState(), sstHitSelected);
  for (int c = 4; c < 9; ++c) QVERIFY(IsWhite(Dominant(img, v.Cell(0, c))));
  QCOMPARE(Count(img, v.Cell(0, 5, 3), IsNavy), 0);
  QCOMPARE(Count(img, v.Cell(0, 5, 3), IsRed), 0);
}

void RendererTest::returnAndWrapMarks() {
  View v(std::string(25, 'a') + "\nshort\n");
  v.e->SetWordWrap(true);
  v.e->WrapOption().SetWrapByte(20);
  v.e->Marks().RetMark().SetVisible(true);
  v.e->Marks().RetMark().SetColor(clRed);
  v.e->Marks().WrapMark().SetVisible(true);
  v.e->Marks().WrapMark().SetColor(clBlue);
  QCOMPARE(v.e->List().Count(), 3);
  const QImage img = v.Paint();
  // Row 0 is wrapped after 20 columns: the wrap mark, no return mark.
  QVERIFY(Count(img, v.Cell(0, 20), IsBlue) >= 4);
  QCOMPARE(Count(img, v.Cell(0, 20), IsRed), 0);
  // Row 1 ends the logical line: the return mark right after its 5 columns.
  QVERIFY(Count(img, v.Cell(1, 5), IsRed) >= 6);
  QCOMPARE(Count(img, v.Cell(1, 4), IsRed), 0);
  QCOMPARE(Count(img, v.Cell(1, 6), IsRed), 0);
  QCOMPARE(Count(img, v.Cell(1, 5), IsBlue), 0);
  QVERIFY(Count(img, v.Cell(2, 5), IsRed) >= 6);
  // Invisible marks are not drawn.
  v.e->Marks().RetMark().SetVisible(false);
  QCOMPARE(Count(v.Paint(), v.Cell(1, 5), IsRed), 0);
  // In a selection the mark takes the selection's text colour.
  v.e->Marks().RetMark().SetVisible(true);
  v.e->SetRowCol(1, 0);
  v.e->InitSelection();
  v.e->SetRowCol(2, 2);
  v.e->StartSelection();
  const QImage sel = v.Paint();
  QCOMPARE(Count(sel, v.Cell(1, 5), IsRed), 0);
  QVERIFY(Count(sel, v.Cell(1, 5), IsLight) >= 6);
  QVERIFY(IsNavy(Dominant(sel, v.Cell(1, 5))));
}

void RendererTest::eofMark() {
  View v("ab\ncd\n");
  v.e->Marks().EofMark().SetVisible(true);
  v.e->Marks().EofMark().SetColor(clRed);
  v.e->Marks().RetMark().SetVisible(true);
  v.e->Marks().RetMark().SetColor(clBlue);
  QImage img = v.Paint();
  // After a final line break: at the start of the open row below.
  QVERIFY(Count(img, v.Cell(2, 0, 5), IsRed) > 20);
  QVERIFY(Count(img, v.Cell(1, 2), IsBlue) > 3);
  QCOMPARE(Count(img, v.Cell(1, 2, 5), IsRed), 0);
  // Without one: after the last row's text, instead of a return mark.
  v.e->Lines().SetTextStr("ab\ncd");
  img = v.Paint();
  QVERIFY(Count(img, v.Cell(1, 2, 5), IsRed) > 20);
  QCOMPARE(Count(img, v.Cell(1, 2), IsBlue), 0);
  QCOMPARE(Count(img, v.Cell(2, 0, 5), IsRed), 0);
}

void RendererTest::longRowsStopAtAThousandColumnsWithTheHideMark() {
  View v(std::string(1200, 'x') + "\n" + std::string(1000, 'y') + "\n", 400, 200);
  v.e->Marks().HideMark().SetVisible(true);
  v.e->Marks().HideMark().SetColor(clRed);
  v.e->Marks().RetMark().SetVisible(true);
  v.e->Marks().RetMark().SetColor(clBlue);
  v.e->SetTopCol(2000);
  QCOMPARE(v.e->TopCol(), 1000 - v.e->ColCount() / 2);
  const QImage img = v.Paint();
  QVERIFY(Count(img, v.Cell(0, 999), IsInk) > 3);
  // Nothing past column 1,000; the hide mark in column 1,000.
  for (int c = 1000; c < 1000 + v.e->ColCount() / 2 - 1; ++c) QCOMPARE(Count(img, v.Cell(0, c), IsInk), 0);
  QVERIFY(Count(img, v.Cell(0, 1000), IsRed) >= 4);
  QCOMPARE(Count(img, v.Cell(0, 1000), IsBlue), 0);
  // A row of exactly 1,000 bytes is whole: its return mark.
  QVERIFY(Count(img, v.Cell(1, 1000), IsBlue) >= 4);
  QCOMPARE(Count(img, v.Cell(1, 1000), IsRed), 0);
  // A kanji across the limit is drawn whole and the mark moves past it.
  View k(std::string(999, 'x') + "\x8a\xbf" + std::string(100, 'x') + "\n", 400, 200);
  k.e->Marks().HideMark().SetVisible(true);
  k.e->Marks().HideMark().SetColor(clRed);
  k.e->SetTopCol(2000);
  const QImage ki = k.Paint();
  QVERIFY(Count(ki, k.Cell(0, 1000), IsInk) > 3);
  QVERIFY(Count(ki, k.Cell(0, 1001), IsRed) >= 4);
  QCOMPARE(Count(ki, k.Cell(0, 1000), IsRed), 0);
}

void RendererTest::rulerMarkerFollowsTheCaret() {
  View v("0123456789012345678901234567890\n");
  v.e->Ruler().SetVisible(true);
  v.e->Ruler().SetMarkColor(clRed);
  v.e->SetRowCol(0, 5);
  QImage img = v.Paint();
  auto rulerCell = [&](int col) {
    return QRect(v.e->LeftMargin() + (col - v.e->TopCol()) * v.e->ColWidth(), 0, v.e->ColWidth(),
                 v.e->RulerHeight());
  };
  QVERIFY(Count(img, rulerCell(5), IsRed) >= (v.e->ColWidth() - 1) * (v.e->RulerHeight() - 3));
  QCOMPARE(Count(img, rulerCell(4), IsRed), 0);
  QCOMPARE(Count(img, rulerCell(7), IsRed), 0);
  // Ticks: the long one at each tenth column, the middle one at the fifth.
  const int tickX = v.e->LeftMargin() + 10 * v.e->ColWidth();
  QVERIFY(IsInk(img.pixel(tickX, 0)));
  QVERIFY(IsInk(img.pixel(v.e->LeftMargin() + 15 * v.e->ColWidth(), 4)));
  QVERIFY(!IsInk(img.pixel(v.e->LeftMargin() + 15 * v.e->ColWidth(), 2)));
  v.e->SetRowCol(0, 7);
  img = v.Paint();
  QVERIFY(Count(img, rulerCell(7), IsRed) >= (v.e->ColWidth() - 1) * (v.e->RulerHeight() - 3));
  QCOMPARE(Count(img, rulerCell(5), IsRed), 0);
  // The ruler scrolls with the text; the marker stays on the caret column.
  const QImage before = Crop(v.Paint(), QRect(rulerCell(20).left(), 0, 3 * v.e->ColWidth(), v.e->RulerHeight()));
  v.e->SetTopCol(10);
  const QImage after = v.Paint();
  QCOMPARE(Crop(after, QRect(rulerCell(20).left(), 0, 3 * v.e->ColWidth(), v.e->RulerHeight())), before);
  QVERIFY(Count(after, rulerCell(7), IsRed) == 0);
}

void RendererTest::lineNumbersMoveWithAOneRowScroll() {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "row\n";
  View v(text);
  v.e->Leftbar().SetVisible(true);
  auto number = [&](const QImage& img, int screenRow) {
    const int x0 = v.e->ImagebarWidth();
    return Crop(img, QRect(x0, v.e->TopMargin() + screenRow * v.e->GetRowHeight(), v.e->LeftbarWidth(),
                           v.e->GetRowHeight()));
  };
  const QImage a = v.Paint();
  QVERIFY(number(a, 0) != number(a, 1));
  // The number cell of "1" holds ink.
  QVERIFY(Count(number(a, 0), number(a, 0).rect(), IsInk) > 3);
  v.e->SetTopRow(1);
  const QImage b = v.Paint();
  QCOMPARE(number(b, 0), number(a, 1));
  QCOMPARE(number(b, 1), number(a, 2));
  QVERIFY(number(b, 0) != number(a, 0));
  // Only the rows with a number show one: past the open row, blank cells.
  v.e->SetTopRow(45);
  const QImage c = v.Paint();
  QVERIFY(Count(number(c, 5), QRect(0, 0, v.e->LeftbarWidth() - 2, v.e->FontHeight()), IsInk) > 3);  // 51
  QCOMPARE(Count(number(c, 6), QRect(0, 0, v.e->LeftbarWidth() - 2, v.e->FontHeight()), IsInk), 0);
}

void RendererTest::imageBarShowsRowMarks() {
  View v("a\nb\nc\n");
  v.e->PutRowMark(1, rm3);
  v.e->PutRowMark(1, rm7);
  v.e->PutRowMark(2, rm11);
  const QImage img = v.Paint();
  const int lm = v.e->Imagebar().LeftMargin();
  const int y1 = v.e->TopMargin() + v.e->GetRowHeight() + 2;
  // The built-in digit image (navy) of the lowest digit mark on row 1.
  QVERIFY(Count(img, QRect(lm, y1, 8, 11), IsNavy) > 40);
  QCOMPARE(Count(img, QRect(lm, v.e->TopMargin() + 2, 8, 11), IsNavy), 0);
  // Images of the host take their place.
  std::vector<QImage> digits(4);
  digits[3] = QImage(8, 11, QImage::Format_ARGB32_Premultiplied);
  digits[3].fill(Qt::red);
  v.r->SetImageDigits(digits);
  const QImage own = v.Paint();
  QCOMPARE(Count(own, QRect(lm, y1, 8, 11), IsRed), 88);
  // A row with only a mark from the other group shows it after the digit
  // column (the control's image bar is laid out without room for it, so it
  // is clipped at the bar's end).
  v.e->Imagebar().SetMarkWidth(11);
  const QImage marks = v.Paint();
  const int y2 = v.e->TopMargin() + 2 * v.e->GetRowHeight() + 2;
  QVERIFY(Count(marks, QRect(lm + v.e->Imagebar().DigitWidth(), y2, 11, 11),
                [](QRgb c) { return c != qRgb(192, 192, 192) && c != qRgb(255, 255, 255); }) > 30);
}

void RendererTest::caretRowUnderline() {
  View v("one\ntwo\nthree\n");
  v.e->Marks().Underline().SetVisible(true);
  v.e->Marks().Underline().SetColor(clRed);
  v.e->SetRowCol(1, 0);
  QImage img = v.Paint();
  const int y = v.e->UnderlinePos(1);
  QVERIFY(y > 0);
  QCOMPARE(Count(img, QRect(v.e->LeftMargin(), y, v.p.width - v.e->LeftMargin(), 1), IsRed),
           v.p.width - v.e->LeftMargin());
  QCOMPARE(Count(img, QRect(0, y, v.e->LeftMargin(), 1), IsRed), 0);
  v.e->SetRowCol(2, 0);
  img = v.Paint();
  QCOMPARE(Count(img, QRect(0, y, v.p.width, 1), IsRed), 0);
  QVERIFY(Count(img, QRect(0, v.e->UnderlinePos(2), v.p.width, 1), IsRed) > 100);
}

void RendererTest::italicSchemeStillDrawsEveryToken() {
  // An italic colour in the scheme switches to the path that draws every
  // token itself: plain words must still appear.
  View v("BEGIN foo\n");
  v.gawk.Reserve().SetColor(clRed);
  v.gawk.Reserve().SetStyle(FontStyleBit(fsItalic));
  v.e->InitDrawInfo();
  QVERIFY(v.e->ItalicFlag());
  const QImage img = v.Paint();
  QVERIFY(Count(img, v.Cell(0, 0, 5), IsRed) > 20);
  QVERIFY(Count(img, v.Cell(0, 6, 3), IsInk) > 10);
  QCOMPARE(Count(img, v.Cell(0, 6, 3), IsRed), 0);
  // Selected tokens keep their style in the selection colours.
  v.e->SetRowCol(0, 0);
  v.e->InitSelection();
  v.e->SetRowCol(0, 9);
  v.e->StartSelection();
  const QImage sel = v.Paint();
  QVERIFY(Count(sel, v.Cell(0, 0, 5), IsLight) > 20);
  QVERIFY(Count(sel, v.Cell(0, 6, 3), IsLight) > 10);
  QCOMPARE(Count(sel, v.Cell(0, 0, 9), IsRed), 0);
}

void RendererTest::tokenOverAWrapIsColouredOnBothRows() {
  View v(std::string(17, 'x') + " BEGIN\n");
  v.gawk.Reserve().SetColor(clRed);
  v.e->SetWordWrap(true);
  v.e->WrapOption().SetWrapByte(20);
  QCOMPARE(v.e->List().Count(), 2);
  QCOMPARE(std::string(v.e->List().ListStr(1)), std::string("GIN"));
  const QImage img = v.Paint();
  QVERIFY(Count(img, v.Cell(0, 18, 2), IsRed) > 6);
  QVERIFY(Count(img, v.Cell(1, 0, 3), IsRed) > 10);
  QCOMPARE(Count(img, v.Cell(0, 0, 17), IsRed), 0);
}

void RendererTest::rowHookSeesTheRowAndDrawsOverIt() {
  View v("a\tb\nsecond\n");
  v.e->Marks().RetMark().SetVisible(true);
  v.e->Marks().RetMark().SetColor(clBlue);
  std::vector<TDrawLineInfo> seen;
  std::vector<std::string> texts;
  v.r->OnDrawLine = [&](QPainter& p, const TDrawLineInfo& info) {
    seen.push_back(info);
    texts.emplace_back(info.LineStr);
    // Drawn over the finished row; the end mark comes after.
    p.fillRect(QRect(info.X, info.Y, 2000, 100), Qt::red);
  };
  const QImage img = v.Paint();
  QCOMPARE(static_cast<int>(seen.size()), 2);
  QCOMPARE(texts[0], std::string("a       b"));
  QCOMPARE(seen[0].Index, 0);
  QCOMPARE(seen[1].Index, 1);
  QCOMPARE(seen[0].X, v.e->LeftMargin());
  QCOMPARE(seen[1].Y, v.e->TopMargin() + v.e->GetRowHeight());
  QVERIFY(!seen[0].Selected);
  // The fill is clipped to the row, and the return mark is drawn on top.
  QVERIFY(IsRed(Dominant(img, v.Cell(0, 3))));
  QVERIFY(!IsRed(Dominant(img, QRect(0, v.Cell(0, 0).top(), v.e->LeftMargin(), v.e->FontHeight()))));
  QVERIFY(Count(img, v.Cell(0, 9), IsBlue) >= 4);
  QVERIFY(IsWhite(Dominant(img, v.Cell(2, 3))));
}

void RendererTest::aFullPaintCoversEveryPixel() {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "BEGIN { print $1 }\n";
  View v(text);
  v.gawk.Reserve().SetColor(clRed);
  v.e->Ruler().SetVisible(true);
  v.e->Leftbar().SetVisible(true);
  v.e->Margin().SetLine(3);
  v.e->Marks().Underline().SetVisible(true);
  v.e->PutRowMark(2, rm1);
  QCOMPARE(Count(v.Paint(), QRect(0, 0, v.p.width, v.p.height), [](QRgb c) { return c == kSentinel; }), 0);
  v.e->SetRowCol(1, 2);
  v.e->InitSelection();
  v.e->SetRowCol(4, 5);
  v.e->StartSelection();
  QCOMPARE(Count(v.Paint(), QRect(0, 0, v.p.width, v.p.height), [](QRgb c) { return c == kSentinel; }), 0);
}

void RendererTest::partialPaintMatchesTheFullPaint() {
  // Repainting any strip (as after a scroll) gives the pixels of a full paint.
  std::string text;
  for (int i = 0; i < 30; ++i) text += "while (i < 10) { print \"x\" i++ } # comment\n";
  View v(text);
  v.gawk.Reserve().SetColor(clRed);
  v.gawk.Comment().SetColor(clBlue);
  v.e->Ruler().SetVisible(true);
  v.e->Leftbar().SetVisible(true);
  v.e->SetTopCol(3);
  const QImage full = v.Paint();
  for (const QRect& r : {QRect(0, 0, 640, 40), QRect(0, 100, 640, 17), QRect(v.e->LeftMargin() + 13, 50, 77, 90),
                         QRect(5, 5, 30, 300), QRect(300, 0, 5, 320)}) {
    const QImage part = v.Paint(r);
    QCOMPARE(Crop(part, r), Crop(full, r));
  }
}

void RendererTest::longRowsPaintOnlyTheirVisiblePart() {
  // A row of megabytes is painted from the part that can show: a caret-wide
  // repaint anywhere gives the pixels of the full paint (a reserved word
  // across the repainted edge keeps its colour), its hide mark stands at
  // column 1,000 as on a row just long enough, and the row hook is given a
  // bounded start of the row.
  std::string unit = "x = 1;\tprintf \"ab\" $2 ";
  std::string big;
  while (big.size() < (2u << 20)) big += unit;
  const std::string shortRow = big.substr(0, 1400);
  View v(big + "\n" + shortRow + "\n", 640, 120);
  v.gawk.Reserve().SetColor(clRed);
  v.gawk.Str().SetColor(clBlue);
  v.e->Marks().HideMark().SetVisible(true);
  v.e->Marks().HideMark().SetColor(clRed);
  std::size_t hookLongest = 0;
  bool hookPrefix = true;
  v.r->OnDrawLine = [&](QPainter&, const TDrawLineInfo& info) {
    if (info.Index != 0) return;
    hookLongest = std::max(hookLongest, info.LineStr.size());
    const std::string expanded = ExpandTab(std::string_view(big).substr(0, info.LineStr.size()), v.e->ColumnRules());
    hookPrefix = hookPrefix && expanded.substr(0, info.LineStr.size()) == info.LineStr;
  };
  for (int top : {0, 37, 1000}) {
    v.e->SetTopCol(top);
    const QImage full = v.Paint();
    const int rh = v.e->GetRowHeight();
    // Both rows run past column 1,000: they look the same.
    const QRect row0(v.e->LeftMargin(), v.e->TopMargin(), v.p.width - v.e->LeftMargin(), v.e->FontHeight());
    QCOMPARE(Crop(full, row0), Crop(full, row0.translated(0, rh)));
    for (int x = v.e->LeftMargin(); x < v.p.width; x += v.e->ColWidth() + 1) {
      const QRect caret(x, v.e->TopMargin(), 2, v.e->FontHeight());
      QCOMPARE(Crop(v.Paint(caret), caret), Crop(full, caret));
    }
  }
  QVERIFY(Count(v.Paint(), v.Cell(0, 1000), IsRed) >= 4);
  QVERIFY(hookLongest > 0);
  QVERIFY(hookLongest < 2 * TEditor::kMaxCol);
  QVERIFY(hookPrefix);
}

// The same characters paint the same pixels whichever encoding holds them:
// columns, token colours and the end mark follow characters, not bytes.
void RendererTest::utf8TextSitsAtTheColumnsOfTheSameCp932Text() {
  const char* const texts[] = {
      "a日本 x\xEF\xBD\xB1" "b",                   // kanji (3 bytes, 2 columns), half-width kana (3 bytes, 1 column)
      "{ print \"日本語\" }  # コメント\n$1 ~ /表/",  // tokens after wide characters
  };
  for (const char* utf8 : texts) {
    View cp(cp932::FromUtf8(utf8).bytes);
    View u8(utf8);
    u8.e->Lines().SetEncoding(TextEncoding::Utf8);
    const QImage expected = cp.Paint();
    QCOMPARE(u8.Paint(), expected);
    // Read as CP932 the same bytes paint otherwise: the encoding is what
    // made them equal.
    u8.e->Lines().SetEncoding(TextEncoding::Cp932);
    QVERIFY(u8.Paint() != expected);
  }
}

QTEST_MAIN(RendererTest)
#include "renderer_test.moc"
