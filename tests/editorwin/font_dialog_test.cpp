#include "editorwin/font_dialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include "colouring/scheme_store.h"
#include "editor/view/editor_widget.h"
#include "settings/ini_file.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

using namespace tolvan;
using tolvan::test::RecordingMessages;
using tolvan::test::TempDir;

namespace {

// What one kind of the scheme looks like.
struct Look {
  TColor colour;
  TFontStyles style;
  bool operator==(const Look&) const = default;
};
Look LookOf(const TFountainColor& c) { return {c.Color(), c.Style()}; }
std::vector<Look> Looks(const TGawkFountain& s) {
  return {LookOf(s.Reserve()), LookOf(s.Field()), LookOf(s.Str()), LookOf(s.Comment())};
}

// A dialog over an editor window's values and a settings file.
struct Env {
  Env() { scheme = CreateEditorSettingsGawkScheme(); }
  std::unique_ptr<TfrmFont> Open(QSize windowSize = QSize(640, 400)) {
    auto d = std::make_unique<TfrmFont>(nullptr, *scheme, fontName, fontSize, lineSpace, tabSpace, windowSize,
                                        dir / "tolvan.INI");
    d->ChooseColor = [this](const QColor&) { return pickColour; };
    d->ChooseFont = [this](const QFont&) { return pickFont; };
    return d;
  }
  // Changes every kind: the comment colour and each kind's styles.
  void ChangeEverything(TfrmFont& d) {
    pickColour = QColor(0, 0, 255);
    d.Cmt.colour->click();
    d.Rsv.colour->click();
    for (TfrmFont::Kind* k : {&d.Rsv, &d.Field, &d.Quote, &d.Cmt}) {
      k->bold->click();
      k->underline->click();
      k->italic->click();
    }
  }
  TempDir dir;
  IniFile ini{dir / "tolvan.INI"};
  std::unique_ptr<TGawkFountain> scheme;
  QString fontName = "FixedSys";
  int fontSize = 12, lineSpace = 2, tabSpace = 4;
  std::optional<QColor> pickColour;
  std::optional<QFont> pickFont;
};

// Pixels of a colour in what a sample shows.
int PixelsOf(TEditorWidget* sample, QColor colour) {
  const QImage img = sample->grab().toImage();
  int n = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) n += QColor(img.pixel(x, y)).rgb() == colour.rgb();
  return n;
}

}  // namespace

class FontDialogTest : public QObject {
  Q_OBJECT
 private slots:
  void opensWithTheWindowsValues() {
    Env env;
    env.ini.WriteInteger("Editor", "Width", 3000);
    env.lineSpace = 12;
    env.tabSpace = 1;
    auto d = env.Open();
    QCOMPARE(d->windowTitle(), QString::fromUtf8("エディタ設定"));
    QCOMPARE(d->UpDnWidth->value(), 2000);   // limited to the range
    QCOMPARE(d->UpDnHeight->value(), 480);   // the default
    QCOMPARE(d->UpDown1->value(), 10);
    QCOMPARE(d->UpDown2->value(), 2);
    QCOMPARE(d->UpDown2->singleStep(), 2);
    // Fields are bold in the editor's scheme, the rest plain.
    QVERIFY(d->Field.bold->isChecked());
    QVERIFY(!d->Field.italic->isChecked());
    QVERIFY(!d->Rsv.bold->isChecked());
    QCOMPARE(d->Rsv.underline->text(), QString("UnderLine"));
    QCOMPARE(d->Cmt.underline->text(), QString("Underline"));
    // The samples show the settings scheme in the window's font, and the
    // stored name stays even where that font is missing.
    QCOMPARE(d->Cmt.sample->Editor().Fountain(), static_cast<TFountain*>(env.scheme.get()));
    QCOMPARE(d->edtFont->FontName(), QString("FixedSys"));
    QVERIFY(!d->edtFont->Editor().Ruler().Visible());
    QVERIFY(!d->edtFont->Editor().Leftbar().Visible());
    QCOMPARE(d->edtFont->Editor().ScrollBars(), ssNone);
    QCOMPARE(d->edtFont->Editor().Margin().Line(), 10);
  }

  // 設定 hands back font, spacing and tab width and writes the window size.
  void setWritesBackTheValues() {
    Env env;
    RecordingMessages m;
    auto d = env.Open(QSize(3000, 333));
    d->UpDown2->setValue(8);
    d->UpDown1->setValue(5);
    QCOMPARE(d->edtFont->Editor().Margin().Line(), 5);  // previewed
    d->btnWindowClick();
    QCOMPARE(d->UpDnWidth->value(), 2000);
    QCOMPARE(d->UpDnHeight->value(), 333);
    d->btnSet->click();
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QCOMPARE(env.tabSpace, 8);
    QCOMPARE(env.lineSpace, 5);
    QCOMPARE(env.fontName, QString("FixedSys"));  // never picked: kept as stored
    QCOMPARE(env.fontSize, 12);
    QCOMPARE(env.ini.ReadInteger("Editor", "Width", 0), 2000);
    QCOMPARE(env.ini.ReadInteger("Editor", "Height", 0), 333);
    QVERIFY(!env.ini.KeyExists("Editor", "TabSpace"));  // the window writes those
    QCOMPARE(m.entries.size(), size_t(0));
  }

  void aPickedFontGoesToEverySample() {
    Env env;
    auto d = env.Open();
    env.pickFont = QFont("DejaVu Sans Mono", 14);
    d->btnFont->click();
    for (TEditorWidget* e : {d->Rsv.sample, d->Field.sample, d->Quote.sample, d->Cmt.sample, d->edtFont}) {
      QCOMPARE(e->FontName(), QString("DejaVu Sans Mono"));
      QCOMPARE(e->FontHeightSetting(), 14);
    }
    env.pickFont.reset();
    d->btnFont->click();  // cancelled: nothing changes
    QCOMPARE(d->edtFont->FontName(), QString("DejaVu Sans Mono"));
    d->btnSet->click();
    QCOMPARE(env.fontName, QString("DejaVu Sans Mono"));
    QCOMPARE(env.fontSize, 14);
  }

  // Colours and styles change the settings scheme at once; 設定 keeps them.
  void setKeepsTheChangedScheme() {
    Env env;
    auto d = env.Open();
    env.ChangeEverything(*d);
    QCOMPARE(env.scheme->Comment().Color(), TColor(0xFF0000));
    QCOMPARE(env.scheme->Reserve().Color(), TColor(0xFF0000));
    QCOMPARE(env.scheme->Field().Style(), FontStyleBit(fsItalic) | FontStyleBit(fsUnderline));
    QCOMPARE(env.scheme->Str().Style(), FontStyleBit(fsBold) | FontStyleBit(fsItalic) | FontStyleBit(fsUnderline));
    // A colour chooser cancelled changes nothing.
    env.pickColour.reset();
    d->Quote.colour->click();
    const std::vector<Look> changed = Looks(*env.scheme);
    d->btnSet->click();
    QCOMPARE(Looks(*env.scheme), changed);
  }

  // キャンセル puts back what the dialog found, whether or not a scheme has
  // been stored; reading a stored scheme back afterwards agrees with it.
  void cancelRevertsWithAndWithoutAStoredScheme() {
    {
      Env env;  // nothing stored
      const std::vector<Look> before = Looks(*env.scheme);
      auto d = env.Open();
      d->show();
      QCOMPARE(PixelsOf(d->Cmt.sample, Qt::blue), 0);
      QVERIFY(PixelsOf(d->Cmt.sample, Qt::red) > 0);
      env.ChangeEverything(*d);
      QVERIFY(Looks(*env.scheme) != before);
      QVERIFY(PixelsOf(d->Cmt.sample, Qt::blue) > 0);  // previewed at once
      d->btnCancel->click();
      QCOMPARE(PixelsOf(d->Cmt.sample, Qt::blue), 0);
      QCOMPARE(d->result(), int(QDialog::Rejected));
      QCOMPARE(Looks(*env.scheme), before);
      LoadStoredGawkScheme(env.ini, *env.scheme);  // what the window does next
      QCOMPARE(Looks(*env.scheme), before);
    }
    {
      Env env;
      env.scheme->Comment().SetColor(0x00FF00);
      QVERIFY(StoreGawkScheme(env.ini, *env.scheme));
      const std::vector<Look> before = Looks(*env.scheme);
      auto d = env.Open();
      env.ChangeEverything(*d);
      d->reject();  // Esc and the close box
      QCOMPARE(Looks(*env.scheme), before);
      LoadStoredGawkScheme(env.ini, *env.scheme);
      QCOMPARE(Looks(*env.scheme), before);
      QCOMPARE(env.scheme->Comment().Color(), TColor(0x00FF00));
    }
  }

  void aSettingsFileThatCannotBeWrittenIsReported() {
    Env env;
    RecordingMessages m;
    std::filesystem::create_directory(env.dir / "tolvan.INI");  // a folder where the file should be
    auto d = env.Open();
    d->UpDown2->setValue(6);
    d->btnSet->click();
    QCOMPARE(m.Texts().size(), 1);
    QCOMPARE(m.Texts()[0], QString::fromUtf8("設定ファイルを書き込めませんでした：%1: フォルダです(通常のファイルではありません)")
                               .arg(QString::fromStdString((env.dir / "tolvan.INI").string())));
    QCOMPARE(env.tabSpace, 6);
    QCOMPARE(d->result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(FontDialogTest)
#include "font_dialog_test.moc"
