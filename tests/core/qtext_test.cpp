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
  void encodesInEitherEncoding() {
    const QString text = QString::fromUtf8("日本\xF0\x9F\x98\x80" "e\xCC\x81");
    auto u8 = Encode(TextEncoding::Utf8, text);
    QVERIFY(u8.has_value());
    QCOMPARE(*u8, std::string("日本\xF0\x9F\x98\x80" "e\xCC\x81"));
    QCOMPARE(ToQString(TextEncoding::Utf8, *u8), text);
    QString failed;
    QVERIFY(!Encode(TextEncoding::Cp932, text, &failed).has_value());
    QCOMPARE(failed, QString::fromUtf8("\xF0\x9F\x98\x80"));
    QCOMPARE(*Encode(TextEncoding::Cp932, QString::fromUtf8("ソ")), std::string("\x83\x5C"));
    QVERIFY(!Encode(TextEncoding::Utf8, QString(QChar(0xDC00)), &failed).has_value());
    QCOMPARE(ToQString(TextEncoding::Utf8, std::string("a\xFF")), QString::fromUtf8("a\xEF\xBF\xBD"));
  }
};

QTEST_GUILESS_MAIN(QTextTest)
#include "qtext_test.moc"
