// Exceptions that leave an event handler reach the standard error box and
// the program goes on.
#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

#include <stdexcept>

#include "app/application.h"
#include "support/recording_messages.h"

using namespace tolvan;
using tolvan::test::RecordingMessages;

namespace {

class Thrower : public QObject {
 public:
  int handled = 0;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("行が範囲外です");
    if (e->type() == QEvent::User + 1) throw 42;
    if (e->type() == QEvent::User + 2) {
      ++handled;
      return true;
    }
    return QObject::event(e);
  }
};

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT
 private slots:
  // Qt's own buttons speak Japanese as the program does.
  void qtsOwnTextsAreJapanese() {
    const auto texts = [] {
      QMessageBox box(QMessageBox::Question, "", "", QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      return box.button(QMessageBox::Yes)->text() + box.button(QMessageBox::No)->text() +
             box.button(QMessageBox::Cancel)->text();
    };
    QCOMPARE(texts(), QString("&Yes&NoCancel"));
    QVERIFY(InstallQtJapanese(*qApp));
    QCOMPARE(texts(), QString::fromUtf8("はい(&Y)いいえ(&N)キャンセル"));
  }

  void exceptionInAHandlerIsShownAndTheLoopGoesOn() {
    RecordingMessages rec;
    Thrower t;
    QCoreApplication::postEvent(&t, new QEvent(QEvent::User));
    QCoreApplication::postEvent(&t, new QEvent(QEvent::Type(QEvent::User + 1)));
    QCoreApplication::postEvent(&t, new QEvent(QEvent::Type(QEvent::User + 2)));
    QTRY_COMPARE(t.handled, 1);
    QCOMPARE(rec.entries.size(), std::size_t(2));
    QCOMPARE(rec.entries[0].text, QString::fromUtf8("行が範囲外です"));
    QCOMPARE(rec.entries[0].icon, QMessageBox::Critical);
    QVERIFY(!rec.entries[1].text.isEmpty());

    // A direct send returns false instead of throwing through the caller.
    QEvent e(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&t, &e));
    QCOMPARE(rec.entries.size(), std::size_t(3));
  }
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  ApplicationTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "application_test.moc"
