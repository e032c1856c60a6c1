// The editor settings dialog: colours and styles of reserved words, fields,
// strings and comments (previewed live on sample editors that use the
// window's settings scheme), the font, line spacing, tab width and the
// initial window size. The caller stores and applies what it confirms.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QSize>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "colouring/fountain.h"
#include "colouring/gawk_fountain.h"

class QCheckBox;
class QPushButton;
class QSpinBox;

namespace tolvan {

class TEditorWidget;

class TfrmFont : public QDialog {
  Q_OBJECT
 public:
  TfrmFont(QWidget* owner, TGawkFountain& scheme, QString& fontName, int& fontSize, int& lineSpace, int& tabSpace,
           QSize windowSize, const std::filesystem::path& settingsFile);
  ~TfrmFont() override;

  // The platform choosers; tests replace them. Empty: the user cancelled.
  std::function<std::optional<QColor>(const QColor& initial)> ChooseColor;
  std::function<std::optional<QFont>(const QFont& initial)> ChooseFont;

  void btnSetClick();
  void btnFontClick();
  void btnWindowClick();

  // A kind of text: its sample, colour button and style boxes.
  struct Kind {
    TEditorWidget* sample;
    QPushButton* colour;
    QCheckBox* bold;
    QCheckBox* underline;
    QCheckBox* italic;
    TFountainColor& (TGawkFountain::*scheme)() const;
  };
  Kind Rsv, Field, Quote, Cmt;
  TEditorWidget* edtFont;
  QPushButton* btnFont;
  QSpinBox* UpDown1;     // line spacing
  QSpinBox* UpDown2;     // tab width
  QSpinBox* UpDnWidth;
  QSpinBox* UpDnHeight;
  QPushButton* btnWindow;
  QPushButton* btnSet;
  QPushButton* btnCancel;

  void reject() override;

 private:
  void SetupKind(Kind& k, const char* name);
  void ColourClick(Kind& k);
  void StyleClick(Kind& k, TFontStyle style, bool on);
  void SetSampleFont(TEditorWidget* sample, const QString& name, int size);

  TGawkFountain& scheme_;
  QString& fontName_;
  int& fontSize_;
  int& lineSpace_;
  int& tabSpace_;
  QSize windowSize_;
  std::filesystem::path settingsFile_;
  // The four colours as the dialog found them, put back on Cancel: reading
  // the stored scheme back cannot undo them when none has been stored.
  TFountainColor savedRsv_, savedField_, savedQuote_, savedCmt_;
};

// TColor (0x00BBGGRR) of a Qt colour.
TColor FromQColor(const QColor& c);

}  // namespace tolvan
