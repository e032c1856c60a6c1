#include "app/about_dialog.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/program_icon.h"

namespace tolvan {

TfrmAbout::TfrmAbout(QWidget* parent, const QString& folders)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Tolvan バージョン情報"));
  setObjectName(QStringLiteral("frmAbout"));

  // The picture sits in a sunken bevel.
  auto* bevel = new QFrame(this);
  bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Image1 = new QLabel(bevel);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setPixmap(ProgramPixmap(32));
  Image1->setFixedSize(32, 32);
  auto* bevelLayout = new QHBoxLayout(bevel);
  bevelLayout->setContentsMargins(6, 6, 6, 6);
  bevelLayout->addWidget(Image1);

  lblExeName = new QLabel(QStringLiteral("Tolvan"), this);
  lblExeName->setObjectName(QStringLiteral("lblExeName"));
  QFont nameFont(QStringLiteral("ＭＳ ゴシック"));
  nameFont.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic")});
  nameFont.setPixelSize(16);
  nameFont.setBold(true);
  lblExeName->setFont(nameFont);
  QPalette pal = lblExeName->palette();
  pal.setColor(QPalette::WindowText, Qt::red);
  lblExeName->setPalette(pal);

  lblVersion = new QLabel(QStringLiteral("version 1.1.1"), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));

  lblFolders = new QLabel(folders, this);
  lblFolders->setObjectName(QStringLiteral("lblFolders"));
  lblFolders->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lblFolders->setVisible(!folders.isEmpty());

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* texts = new QVBoxLayout;
  texts->addWidget(lblExeName);
  texts->addWidget(lblVersion);
  auto* top = new QHBoxLayout;
  top->addWidget(bevel, 0, Qt::AlignTop);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(lblFolders);
  layout->addSpacing(10);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmAbout::ShowAbout(QWidget* parent, const QString& folders) {
  TfrmAbout box(parent, folders);
  box.exec();
}

}  // namespace tolvan
