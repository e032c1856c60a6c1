// The input list at scale, in the shown main window: 50,000 names in
// shuffled order, 1,000 of them a second time, added in one batch (a folder
// or a command line), against a plain QListWidget given the same names
// already sorted; then 25,000 selected entries (every other one, the most
// ranges a selection can have) removed, against a plain QListWidget given
// the 25,000 that stay. Timed: the call and then Qt's layout and paint of
// the rows, forced at once (the window's list lays out in batches between
// events, so the user waits only for the call); the calls alone are printed
// too. Also prints an entry moved and a batch added to the full list.
// Medians of 5 rounds. Last line: ratio (the worse of adding and removing).
#include <QApplication>
#include <QItemSelection>
#include <QListWidget>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "bench_mainwin.h"
#include "mainwin/form1.h"
#include "mainwin/input_list_widgets.h"
#include "mainwin/script_catalogue.h"

using namespace tolvan;

namespace {

// Laid out whole and painted now.
void Show(QListWidget* list) {
  const QListView::LayoutMode mode = list->layoutMode();
  list->setLayoutMode(QListView::SinglePass);
  list->doItemsLayout();
  list->viewport()->repaint();
  list->setLayoutMode(mode);
}

QStringList Texts(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void SelectEveryOther(QListWidget* list) {
  QItemSelection s;
  for (int i = 0; i < list->count(); i += 2) s.select(list->model()->index(i, 0), list->model()->index(i, 0));
  list->selectionModel()->select(s, QItemSelectionModel::ClearAndSelect);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  PrintedMessages messages;
  SetMessageService(&messages);

  const BenchProgramFolder folder("tolvan_bench_input_list");
  const std::filesystem::path& dir = folder.Path();

  // Names as a log folder holds them: one prefix, numbers, mixed case,
  // some Japanese; the order a directory listing gives is no order.
  QStringList names;
  const char* stems[] = {"access_", "Access_", "error-", "ログ_", "ERROR-"};
  for (int i = 0; i < 49000; ++i)
    names << QString::fromUtf8("/srv/data/logs/2026/%1%2.log").arg(QString::fromUtf8(stems[i % 5])).arg(i, 5, 10, QChar('0'));
  std::mt19937 random(12345);
  for (int i = 0; i < 1000; ++i) names << names[static_cast<int>(random() % 49000)];
  std::shuffle(names.begin(), names.end(), random);
  QStringList sorted = names;
  std::sort(sorted.begin(), sorted.end(), CaseLess);

  std::vector<double> merges, addShown, addRefShown, removeShown, removeRefShown, adds, addRefs, removes, removeRefs, moves, more;
  bool same = true;
  {
    TForm1 w(ProgramPaths(dir / "tolvan"), {});
    w.resize(520, 560);
    w.show();
    QListWidget plain;
    plain.resize(400, 300);
    plain.setSelectionMode(QAbstractItemView::ExtendedSelection);
    plain.show();
    QApplication::processEvents();
    auto* list = w.findChild<TInputList*>("lstInputFiles");
    auto* remove = w.findChild<QToolButton*>("btnFCancel");
    auto* up = w.findChild<QToolButton*>("btnUp");

    for (int round = 0; round < 5; ++round) {
      list->clear();
      plain.clear();
      QApplication::processEvents();
      merges.push_back(Seconds([&] { MergeInputNames({}, names); }));
      adds.push_back(Seconds([&] { w.AddInputFiles(names); }));
      addShown.push_back(adds.back() + Seconds([&] { Show(list); }));
      addRefs.push_back(Seconds([&] { plain.addItems(sorted); }));
      addRefShown.push_back(addRefs.back() + Seconds([&] { Show(&plain); }));
      same = same && Texts(list) == sorted;

      SelectEveryOther(list);
      list->setCurrentRow(100, QItemSelectionModel::NoUpdate);
      QStringList kept;
      for (int i = 1; i < sorted.size(); i += 2) kept << sorted[i];
      removes.push_back(Seconds([&] { remove->click(); }));
      removeShown.push_back(removes.back() + Seconds([&] { Show(list); }));
      plain.clear();
      QApplication::processEvents();
      removeRefs.push_back(Seconds([&] { plain.addItems(kept); }));
      removeRefShown.push_back(removeRefs.back() + Seconds([&] { Show(&plain); }));
      same = same && Texts(list) == kept && list->currentRow() == 100;

      list->setCurrentRow(20000);
      moves.push_back(Seconds([&] { up->click(); }));
      Show(list);
      same = same && list->currentRow() == 19999;
      QStringList batch;
      for (int i = 0; i < 1000; ++i) batch << names[i] + "x";
      more.push_back(Seconds([&] { w.AddInputFiles(batch); }));
      Show(list);
      std::printf("round %d: add 50,000 %.3f s, laid out %.3f s (plain list, sorted: %.3f s, %.3f s); remove "
                  "25,000 %.3f s, %.3f s (plain list given the rest: %.3f s, %.3f s); move one %.4f s; add 1,000 "
                  "more %.3f s\n",
                  round + 1, adds.back(), addShown.back(), addRefs.back(), addRefShown.back(), removes.back(),
                  removeShown.back(), removeRefs.back(), removeRefShown.back(), moves.back(), more.back());
    }
  }
  if (!same) {
    std::printf("WRONG LIST\n");
    return 1;
  }
  std::printf("calls alone: add %.3f s against %.3f s (%.2f x, the case-blind sort the plain list never does), "
              "remove %.3f s against %.3f s (%.2f x); ordering alone %.3f s\n",
              Median(adds), Median(addRefs), Median(adds) / Median(addRefs), Median(removes), Median(removeRefs),
              Median(removes) / Median(removeRefs), Median(merges));
  std::printf("median move %.4f s, add 1,000 to 25,000 %.3f s\n", Median(moves), Median(more));
  const double addRatio = Median(addShown) / Median(addRefShown);
  const double removeRatio = Median(removeShown) / Median(removeRefShown);
  std::printf("laid out: add %.3f s against %.3f s: ratio_add %.2f\n", Median(addShown), Median(addRefShown),
              addRatio);
  std::printf("laid out: remove %.3f s against %.3f s: ratio_remove %.2f\n", Median(removeShown),
              Median(removeRefShown), removeRatio);
  std::printf("ratio %.2f\n", std::max(addRatio, removeRatio));
  return 0;
}
