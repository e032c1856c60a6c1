#include "core/qt/qtext.h"

#include <QtTest>

using namespace tolvan;

class QTextTest : public QObject {
  Q_OBJECT
 private slots:
  void showsAndStoresJapanese() {
    std::string bytes = "\x95\x5C\x83\x5C\\";
    QCOMPARE(ToQString(bytes), QString::fromUtf8("表ソ\\"));
    auto back = ToCp932(QString::fromUtf8("表ソ\\"));
    QVERIFY(back.has_value());
    QCOMPARE(*back, bytes);
  }
  void refusesWhatCp932CannotHold() {
    QString failed;
    auto r = ToCp932(QString::fromUtf8("ok \xF0\x9F\x98\x80"), &failed);
    QVERIFY(!r.has_value());
    QCOMPARE(failed, QString::fromUtf8("\xF0\x9F\x98\x80"));
    QCOMPARE(ToCp932Lossy(QString::fromUtf8("a\xC3\xA9")), std::string("a?"));
  }
};

QTEST_GUILESS_MAIN(QTextTest)
#include "qtext_test.moc"
