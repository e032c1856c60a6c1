#include "editorwin/font_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFile>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "core/file_errors.h"
#include "core/qt/message_service.h"
#include "core/qt/qtext.h"
#include "editor/view/editor_font.h"
#include "editor/view/editor_widget.h"
#include "settings/ini_file.h"
#include "settings/settings.h"

namespace tolvan {

TColor FromQColor(const QColor& c) {
  return static_cast<TColor>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

namespace {

TEditorWidget* NewSample(QWidget* parent, const char* name, const QString& text, int rows) {
  auto* e = new TEditorWidget(parent);
  e->setObjectName(name);
  TEditor& ed = e->Editor();
  ed.Ruler().SetVisible(false);
  ed.Leftbar().SetVisible(false);
  ed.SetScrollBars(ssNone);
  ed.Lines().SetTextStr(ToCp932Lossy(text));
  e->setFixedHeight(8 + rows * 24);
  e->setMinimumWidth(220);
  return e;
}

}  // namespace

TfrmFont::TfrmFont(QWidget* owner, TGawkFountain& scheme, QString& fontName, int& fontSize, int& lineSpace,
                   int& tabSpace, QSize windowSize, const std::filesystem::path& settingsFile)
    : QDialog(owner),
      Rsv{nullptr, nullptr, nullptr, nullptr, nullptr, &TGawkFountain::Reserve},
      Field{nullptr, nullptr, nullptr, nullptr, nullptr, &TGawkFountain::Field},
      Quote{nullptr, nullptr, nullptr, nullptr, nullptr, &TGawkFountain::Str},
      Cmt{nullptr, nullptr, nullptr, nullptr, nullptr, &TGawkFountain::Comment},
      scheme_(scheme),
      fontName_(fontName),
      fontSize_(fontSize),
      lineSpace_(lineSpace),
      tabSpace_(tabSpace),
      windowSize_(windowSize),
      settingsFile_(settingsFile) {
  setObjectName("frmFont");
  setWindowTitle(QString::fromUtf8("エディタ設定"));
  savedRsv_.Assign(scheme.Reserve());
  savedField_.Assign(scheme.Field());
  savedQuote_.Assign(scheme.Str());
  savedCmt_.Assign(scheme.Comment());

  ChooseColor = [this](const QColor& initial) -> std::optional<QColor> {
    QColor c = QColorDialog::getColor(initial, this);
    if (!c.isValid()) return std::nullopt;
    return c;
  };
  ChooseFont = [this](const QFont& initial) -> std::optional<QFont> {
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, initial, this);
    if (!ok) return std::nullopt;
    return f;
  };

  auto* kinds = new QGridLayout;
  struct Row {
    Kind* kind;
    const char* label;
    const char* sample;
    const char* text;
    const char* prefix;
    const char* underline;
  };
  const Row rows[] = {
      {&Rsv, "予約語：", "edtRsv", "if getline next substr", "Rsv", "UnderLine"},
      {&Field, "フィールド：", "edtField", "$0 $1 $NF $(NF-1)", "Field", "Underline"},
      {&Quote, "引用文字列：", "edtQuote", "\"This is quotation\"", "Quot", "Underline"},
      {&Cmt, "注釈：", "edtComment", "#これは注釈です", "Cmt", "Underline"},
  };
  int r = 0;
  for (const Row& row : rows) {
    Kind& k = *row.kind;
    k.sample = NewSample(this, row.sample, QString::fromUtf8(row.text), 1);
    k.colour = new QPushButton("Color", this);
    k.colour->setObjectName(QString("btn%1Clr").arg(row.prefix == std::string("Quot") ? "Quote" : row.prefix));
    k.bold = new QCheckBox("Bold", this);
    k.bold->setObjectName(QString("chk%1B").arg(row.prefix));
    k.underline = new QCheckBox(row.underline, this);
    k.underline->setObjectName(QString("chk%1U").arg(row.prefix));
    k.italic = new QCheckBox("Italic", this);
    k.italic->setObjectName(QString("chk%1I").arg(row.prefix));
    kinds->addWidget(new QLabel(QString::fromUtf8(row.label), this), r, 0);
    kinds->addWidget(k.sample, r, 1);
    kinds->addWidget(k.colour, r, 2);
    kinds->addWidget(k.bold, r, 3);
    kinds->addWidget(k.underline, r, 4);
    kinds->addWidget(k.italic, r, 5);
    ++r;
  }
  // The samples open in the order field, reserved word, string, comment.
  for (Kind* k : {&Field, &Rsv, &Quote, &Cmt}) SetupKind(*k, nullptr);

  // The font group.
  auto* fontBox = new QGroupBox(QString::fromUtf8("フォント"), this);
  edtFont = NewSample(fontBox, "edtFont",
                      QString::fromUtf8("This is the example\r\nof the font, the font\r\nsize, and line space "), 3);
  SetSampleFont(edtFont, fontName, fontSize);
  btnFont = new QPushButton("...", fontBox);
  btnFont->setObjectName("btnFont");
  auto* fontLayout = new QHBoxLayout(fontBox);
  fontLayout->addWidget(edtFont, 1);
  fontLayout->addWidget(btnFont, 0, Qt::AlignTop);

  auto spin = [this](QWidget* parent, const char* name, int min, int max, int step, int value) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(min, max);
    s->setSingleStep(step);
    s->setValue(std::clamp(value, min, max));
    return s;
  };
  auto* lineBox = new QGroupBox(QString::fromUtf8("行間"), this);
  UpDown1 = spin(lineBox, "UpDown1", 0, 10, 1, lineSpace);
  (new QHBoxLayout(lineBox))->addWidget(UpDown1);
  edtFont->Editor().Margin().SetLine(UpDown1->value());
  auto* tabBox = new QGroupBox(QString::fromUtf8("タブ幅"), this);
  UpDown2 = spin(tabBox, "UpDown2", 2, 8, 2, tabSpace);
  (new QHBoxLayout(tabBox))->addWidget(UpDown2);

  IniFile ini(settingsFile);
  const EditorSettings stored = LoadEditorSettings(ini);
  auto* sizeBox = new QGroupBox(QString::fromUtf8("ウィンドウサイズ初期値"), this);
  UpDnWidth = spin(sizeBox, "edtWidth", 50, 2000, 1, stored.Width);
  UpDnHeight = spin(sizeBox, "edtHeight", 50, 2000, 1, stored.Height);
  btnWindow = new QPushButton(QString::fromUtf8("現在のサイズを取得"), sizeBox);
  btnWindow->setObjectName("btnWindow");
  auto* sizeLayout = new QGridLayout(sizeBox);
  sizeLayout->addWidget(new QLabel(QString::fromUtf8("幅："), sizeBox), 0, 0);
  sizeLayout->addWidget(UpDnWidth, 0, 1);
  sizeLayout->addWidget(new QLabel(QString::fromUtf8("高さ："), sizeBox), 1, 0);
  sizeLayout->addWidget(UpDnHeight, 1, 1);
  sizeLayout->addWidget(btnWindow, 0, 2, 2, 1);

  btnSet = new QPushButton(QString::fromUtf8("設定"), this);
  btnSet->setObjectName("btnSet");
  btnSet->setDefault(true);
  btnCancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
  btnCancel->setObjectName("btnCancel");

  connect(btnFont, &QPushButton::clicked, this, &TfrmFont::btnFontClick);
  connect(UpDown1, &QSpinBox::valueChanged, this, [this](int v) {
    edtFont->Editor().Margin().SetLine(v);
    edtFont->viewport()->update();
  });
  connect(btnWindow, &QPushButton::clicked, this, &TfrmFont::btnWindowClick);
  connect(btnSet, &QPushButton::clicked, this, &TfrmFont::btnSetClick);
  connect(btnCancel, &QPushButton::clicked, this, &TfrmFont::reject);

  auto* middle = new QHBoxLayout;
  middle->addWidget(lineBox);
  middle->addWidget(tabBox);
  middle->addWidget(sizeBox, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnSet);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(kinds);
  layout->addWidget(fontBox);
  layout->addLayout(middle);
  layout->addLayout(buttons);
}

TfrmFont::~TfrmFont() {
  // The samples must let go of the scheme before it outlives them.
  for (Kind* k : {&Rsv, &Field, &Quote, &Cmt})
    if (k->sample) k->sample->Editor().SetFountain(nullptr);
}

void TfrmFont::SetupKind(Kind& k, const char*) {
  k.sample->Editor().SetFountain(&scheme_);
  SetSampleFont(k.sample, fontName_, fontSize_);
  const TFontStyles s = (scheme_.*k.scheme)().Style();
  k.bold->setChecked(s & FontStyleBit(fsBold));
  k.underline->setChecked(s & FontStyleBit(fsUnderline));
  k.italic->setChecked(s & FontStyleBit(fsItalic));
  connect(k.colour, &QPushButton::clicked, this, [this, &k] { ColourClick(k); });
  connect(k.bold, &QCheckBox::clicked, this, [this, &k](bool on) { StyleClick(k, fsBold, on); });
  connect(k.underline, &QCheckBox::clicked, this, [this, &k](bool on) { StyleClick(k, fsUnderline, on); });
  connect(k.italic, &QCheckBox::clicked, this, [this, &k](bool on) { StyleClick(k, fsItalic, on); });
}

void TfrmFont::SetSampleFont(TEditorWidget* sample, const QString& name, int size) {
  sample->SetEditorFont(name, size, 0);
}

void TfrmFont::ColourClick(Kind& k) {
  TFountainColor& colour = (scheme_.*k.scheme)();
  const TColor current = colour.Color();
  std::optional<QColor> chosen = ChooseColor(current == clNone ? QColor(Qt::black) : ToQColor(current));
  if (!chosen) return;
  colour.SetColor(FromQColor(*chosen));
  k.sample->viewport()->update();
}

void TfrmFont::StyleClick(Kind& k, TFontStyle style, bool on) {
  TFountainColor& colour = (scheme_.*k.scheme)();
  TFontStyles s = colour.Style();
  if (on) s |= FontStyleBit(style);
  else s &= static_cast<TFontStyles>(~FontStyleBit(style));
  colour.SetStyle(s);
  k.sample->viewport()->update();
}

void TfrmFont::btnFontClick() {
  std::optional<QFont> chosen = ChooseFont(edtFont->EditorFont());
  if (!chosen) return;
  const QString name = chosen->family();
  // Points when the chooser gives them, else the pixel height (negative).
  const int size = chosen->pointSize() > 0 ? chosen->pointSize() : -chosen->pixelSize();
  for (TEditorWidget* e : {Rsv.sample, Field.sample, Quote.sample, Cmt.sample, edtFont}) {
    SetSampleFont(e, name, size);
    e->viewport()->update();
  }
}

void TfrmFont::btnWindowClick() {
  UpDnWidth->setValue(windowSize_.width());
  UpDnHeight->setValue(windowSize_.height());
}

void TfrmFont::btnSetClick() {
  fontName_ = edtFont->FontName();
  fontSize_ = edtFont->FontHeightSetting();
  lineSpace_ = UpDown1->value();
  tabSpace_ = UpDown2->value();
  IniFile ini(settingsFile_);
  EditorSettings s;
  s.Width = UpDnWidth->value();
  s.Height = UpDnHeight->value();
  if (!SaveEditorWindowSize(ini, s))
    Messages().Error(this, QString::fromUtf8("設定ファイルを書き込めませんでした：") +
                               QString::fromStdString(FileErrorText(settingsFile_, errno)));
  accept();
}

void TfrmFont::reject() {
  scheme_.Reserve().Assign(savedRsv_);
  scheme_.Field().Assign(savedField_);
  scheme_.Str().Assign(savedQuote_);
  scheme_.Comment().Assign(savedCmt_);
  QDialog::reject();
}

}  // namespace tolvan
