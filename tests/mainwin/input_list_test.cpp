// The input list's order and its many-entry operations: names go where
// inserting them one after another went, duplicates stay, and selection,
// current entry and the view survive a batch.
#include <QApplication>
#include <QItemSelection>
#include <QScrollBar>
#include <QtTest>

#include <random>

#include "mainwin/input_list_widgets.h"
#include "mainwin/script_catalogue.h"

using namespace tolvan;

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// One insertion after another, each at the binary search's place.
QStringList OneByOne(QStringList list, const QStringList& names) {
  for (const QString& n : names) list.insert(SortedInsertIndex(list, n), n);
  return list;
}

QStringList Merged(const QStringList& old, const QStringList& names) {
  QStringList out;
  for (int id : MergeInputNames(old, names)) out << (id < old.size() ? old[id] : names[id - old.size()]);
  return out;
}

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

class InputListTest : public QObject {
  Q_OBJECT
 private slots:
  void namesGoWhereOneByOneInsertionPutThem() {
    struct Case {
      const char* what;
      QStringList old;
      QList<QStringList> batches;
      QStringList expected;
    };
    const QList<Case> cases = {
        {"numbers sort as text", {}, {{"/d/a10", "/d/a2", "/d/A1"}}, {"/d/A1", "/d/a10", "/d/a2"}},
        {"case ignored, then upper case first", {"/d/b"}, {{"/d/a", "/d/B", "/d/C"}}, {"/d/a", "/d/B", "/d/b", "/d/C"}},
        {"Japanese by code", {}, {{U("/d/漢"), U("/d/ログ"), U("/d/ア"), U("/d/あ")}},
         {U("/d/あ"), U("/d/ア"), U("/d/ログ"), U("/d/漢")}},
        {"full-width letters fold", {}, {{U("/d/ｂ"), U("/d/Ａ"), U("/d/ａ")}}, {U("/d/Ａ"), U("/d/ａ"), U("/d/ｂ")}},
        {"twice in one batch", {}, {{"/d/a", "/d/b", "/d/a"}}, {"/d/a", "/d/a", "/d/b"}},
        {"twice across batches", {}, {{"/d/a", "/d/c"}, {"/d/b", "/d/a"}}, {"/d/a", "/d/a", "/d/b", "/d/c"}},
        {"a prefix first", {"/d/ab"}, {{"/d/a", "/d/A"}}, {"/d/A", "/d/a", "/d/ab"}},
        // Moved by the user: the searches land among the moved entries.
        {"after a move", {"/d/c", "/d/a", "/d/e", "/d/b"}, {{"/d/d", "/d/a", "/d/f"}},
         {"/d/c", "/d/a", "/d/a", "/d/d", "/d/e", "/d/b", "/d/f"}},
    };
    for (const Case& c : cases) {
      QStringList list = c.old;
      for (const QStringList& batch : c.batches) list = Merged(list, batch);
      QCOMPARE(list, c.expected);
      QStringList oneByOne = c.old;
      for (const QStringList& batch : c.batches) oneByOne = OneByOne(oneByOne, batch);
      QVERIFY2(list == oneByOne, c.what);
    }
  }

  void randomListsAgreeWithOneByOneInsertion() {
    std::mt19937 random(7);
    const QStringList pool = {"a", "A", "b", "B", "ab", U("あ"), U("ア"), "c", "_", "a_", "Ab"};
    for (int round = 0; round < 400; ++round) {
      QStringList old, names;
      const int m = static_cast<int>(random() % 12), n = static_cast<int>(random() % 12);
      for (int i = 0; i < n; ++i) names << pool[static_cast<int>(random() % pool.size())];
      for (int i = 0; i < m; ++i) old << pool[static_cast<int>(random() % pool.size())];
      if (round % 2) old = OneByOne({}, old);  // sorted half the time, moved about the other
      QCOMPARE(Merged(old, names), OneByOne(old, names));
    }
  }

  void keysCompareAsQtComparesWithoutCase() {
    const QString deseret = QString::fromUcs4(U"\U00010400"), deseretSmall = QString::fromUcs4(U"\U00010428");
    const QStringList names = {"", "a", "A", "ab", "aB", "b", U("ß"), "ss", "SS", U("ẞ"), U("İ"), "i", "I",
                               U("ı"), U("Σ"), U("σ"), U("ς"), U("ǅ"), U("ǆ"), U("Ａ"), U("ａ"), "a" + deseret,
                               "a" + deseretSmall, "a" + QString(QChar(0xD801)), "a" + QString(QChar(0xDC00)),
                               U("ｱ"), U("ア"), U("\uFFFF"), U("é"), U("É"), U("漢"), U("\u007F"), U("\u0080"),
                               U("\u3FFF"), U("\u4000"), "a" + QString(QChar(0x7F)), U("aé")};
    for (const QString& a : names)
      for (const QString& b : names)
        QVERIFY2(Sign(CaseKey(a).compare(CaseKey(b))) == Sign(QString::compare(a, b, Qt::CaseInsensitive)),
                 qPrintable(a + " / " + b));
  }

  void aBatchKeepsSelectionCurrentEntryAndScrollPosition() {
    TInputList list;
    list.resize(200, 100);
    list.show();
    QStringList old;
    for (int i = 0; i < 200; i += 2) old << QString("/d/%1").arg(i, 3, 10, QChar('0'));
    list.AddSorted(old);
    list.selectionModel()->select(QItemSelection(list.model()->index(10, 0), list.model()->index(12, 0)),
                                  QItemSelectionModel::Select);
    list.item(50)->setSelected(true);
    list.setCurrentRow(40, QItemSelectionModel::NoUpdate);
    list.scrollToItem(list.item(60), QAbstractItemView::PositionAtTop);
    QApplication::processEvents();
    const int scroll = list.verticalScrollBar()->value();
    QVERIFY(scroll > 0);
    // Odd numbers fall between the selected /d/020, /d/022 and /d/024.
    list.AddSorted({"/d/021", "/d/199", "/d/000"});
    QCOMPARE(list.count(), 103);
    QCOMPARE(list.item(11)->text(), QString("/d/020"));
    QStringList selected;
    for (QListWidgetItem* item : list.selectedItems()) selected << item->text();
    selected.sort();
    QCOMPARE(selected, (QStringList{"/d/020", "/d/022", "/d/024", "/d/100"}));
    QCOMPARE(list.currentItem()->text(), QString("/d/080"));
    QCOMPARE(list.FirstSelectedRow(), 11);
    QTRY_COMPARE(list.verticalScrollBar()->value(), scroll);
  }

  void removingKeepsTheRestInOrder() {
    TInputList list;
    list.AddSorted({"/d/a", "/d/b", "/d/c", "/d/d", "/d/e"});
    QVERIFY(!list.RemoveSelectedEntries());
    QCOMPARE(list.count(), 5);
    list.item(0)->setSelected(true);
    list.item(2)->setSelected(true);
    list.item(4)->setSelected(true);
    QVERIFY(list.RemoveSelectedEntries());
    QCOMPARE(list.Texts(), (QStringList{"/d/b", "/d/d"}));
    QCOMPARE(list.FirstSelectedRow(), -1);
    list.MoveEntry(1, 0);
    QCOMPARE(list.Texts(), (QStringList{"/d/d", "/d/b"}));
    list.MoveEntry(0, 1);
    QCOMPARE(list.Texts(), (QStringList{"/d/b", "/d/d"}));
  }
};

QTEST_MAIN(InputListTest)
#include "input_list_test.moc"
