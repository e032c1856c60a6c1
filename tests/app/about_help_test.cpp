#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <fstream>

#include "app/about_dialog.h"
#include "app/help.h"
#include "app/program_icon.h"
#include "support/recording_messages.h"
#include "support/temp_dir.h"

using namespace tolvan;
using tolvan::test::RecordingMessages;
using tolvan::test::TempDir;

class AboutHelpTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { SetHelpUrlOpener(nullptr); }

  void aboutBoxShowsNameAndVersion() {
    TfrmAbout box;
    QCOMPARE(box.windowTitle(), QString("Tolvan バージョン情報"));
    auto* name = box.findChild<QLabel*>("lblExeName");
    auto* version = box.findChild<QLabel*>("lblVersion");
    auto* image = box.findChild<QLabel*>("Image1");
    QVERIFY(name && version && image);
    QCOMPARE(name->text(), QString("Tolvan"));
    QCOMPARE(name->palette().color(QPalette::WindowText), QColor(Qt::red));
    QVERIFY(name->font().bold());
    QCOMPARE(name->font().pixelSize(), 16);
    QCOMPARE(version->text(), QString("version 1.1.1"));
    QCOMPARE(image->pixmap().size(), QSize(32, 32));

    box.show();
    QTest::mouseClick(box.findChild<QPushButton*>("Button1"), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
  }

  void iconIsAPictureWithATransparentBackground() {
    QIcon icon = ProgramIcon();
    QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
    QImage img = ProgramPixmap(32).toImage();
    QCOMPARE(img.size(), QSize(32, 32));
    QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    int opaque = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        if (qAlpha(img.pixel(x, y)) == 255) {
          ++opaque;
          colours.insert(img.pixel(x, y));
        }
    QVERIFY(opaque > 200);
    QVERIFY(colours.size() >= 3);  // dark body, white front, coloured bill
  }

  void helpOpensThePageBesideTheExecutable() {
    TempDir dir;
    ProgramPaths paths(dir / "tolvan-renamed");
    std::ofstream(dir / "tolvan-renamed.html") << "<html></html>";
    QList<QUrl> opened;
    SetHelpUrlOpener([&](const QUrl& u) {
      opened << u;
      return true;
    });
    RecordingMessages rec;
    OpenHelp(paths);
    OpenHelp(paths, kHelpFolderSelection);
    OpenHelp(paths, 42);  // unknown context: the contents
    QVERIFY(rec.entries.empty());
    QCOMPARE(opened.size(), 3);
    const QString file = QString::fromStdString((dir / "tolvan-renamed.html").string());
    QCOMPARE(opened[0], QUrl::fromLocalFile(file));
    QCOMPARE(opened[1].toLocalFile(), file);
    QCOMPARE(opened[1].fragment(), QString("folder"));
    QVERIFY(!opened[2].hasFragment());
  }

  void helpFailuresAreReported() {
    TempDir dir;
    ProgramPaths paths(dir / "tolvan");
    bool called = false;
    SetHelpUrlOpener([&](const QUrl&) {
      called = true;
      return false;
    });
    RecordingMessages rec;
    OpenHelp(paths);  // no page
    QVERIFY(!called);
    QCOMPARE(rec.Texts().size(), 1);
    QVERIFY(rec.Texts()[0].contains("tolvan.html"));
    rec.Clear();
    std::ofstream(dir / "tolvan.html") << "x";
    OpenHelp(paths);  // the browser cannot be started
    QVERIFY(called);
    QCOMPARE(rec.Texts().size(), 1);
    QCOMPARE(rec.Beeps(), 1);
  }

  // With no browser xdg-open lists what it tried, says so and exits
  // non-zero: the program's message, with that last line.
  void anOpenerThatFailsIsReported() {
    TempDir dir;
    std::ofstream(dir / "tolvan.html") << "x";
    std::ofstream(dir / "xdg-open") << "#!/bin/sh\necho 'firefox: not found' >&2\necho 'no method available' >&2\nexit 3\n";
    std::filesystem::permissions(dir / "xdg-open", std::filesystem::perms::owner_all);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(dir.path().string()) + ":" + path);
    RecordingMessages rec;
    OpenHelp(ProgramPaths(dir / "tolvan"));
    QTRY_COMPARE(rec.Texts().size(), 1);
    qputenv("PATH", path);
    QVERIFY(rec.Texts()[0].startsWith(QString::fromUtf8("ヘルプを表示できません")));
    QVERIFY(rec.Texts()[0].endsWith("\nno method available"));
  }

  void helpPageIsInstalledWithItsSections() {
    QFile page(QCoreApplication::applicationDirPath() + "/tolvan.html");
    QVERIFY2(page.open(QIODevice::ReadOnly), "the build puts tolvan.html beside the executables");
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains("id=\"folder\""));  // the folder chooser's section
    for (const char* must : {"環境設定", "One-Liner.txt", "TEMPCLIP.txt", "cmdopt.dat", ".INI",
                             "1 Files(new)", "6 Null", "Clipboard", "全てを選択"})
      QVERIFY2(html.contains(QString::fromUtf8(must)), must);
  }
};

QTEST_MAIN(AboutHelpTest)
#include "about_help_test.moc"
