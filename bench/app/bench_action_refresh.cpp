// What the edit actions cost per key press: every key press refreshes every
// live action (the stand-in for the idle-time update). Measured with the main
// window's actions plus 32 editor windows' worth (7 each), against the
// reference of setting the enabled state of as many plain QActions.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cstdio>
#include <memory>
#include <vector>

#include "app/edit_target.h"
#include "editor/view/edit_actions.h"

namespace {

constexpr int kActions = 6 + 32 * 7;
constexpr int kRounds = 2000;

double NsPerRound(const std::function<void()>& round) {
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < kRounds; ++i) round();
  return double(t.nsecsElapsed()) / kRounds;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  tolvan::RegisterStandardEditTarget();

  QWidget win;
  auto* edit = new QLineEdit("some text in the box", &win);
  (new QVBoxLayout(&win))->addWidget(edit);
  win.show();
  win.activateWindow();
  QApplication::setActiveWindow(&win);
  edit->setFocus();
  edit->setSelection(0, 4);
  QCoreApplication::processEvents();

  std::vector<std::unique_ptr<QAction>> actions;
  for (int i = 0; i < kActions; ++i) {
    switch (i % 7) {
      case 0: actions.emplace_back(new tolvan::TMeEditCopy); break;
      case 1: actions.emplace_back(new tolvan::TMeEditCut); break;
      case 2: actions.emplace_back(new tolvan::TMeEditDelete); break;
      case 3: actions.emplace_back(new tolvan::TMeEditPaste); break;
      case 4: actions.emplace_back(new tolvan::TMeEditRedo); break;
      case 5: actions.emplace_back(new tolvan::TMeEditSelAll); break;
      default: actions.emplace_back(new tolvan::TMeEditUndo); break;
    }
  }
  std::vector<std::unique_ptr<QAction>> plain;
  for (int i = 0; i < kActions; ++i) plain.emplace_back(new QAction);

  bool flip = false;
  const double reference = NsPerRound([&] {
    flip = !flip;
    for (auto& a : plain) a->setEnabled(flip ? edit->hasSelectedText() : !edit->text().isEmpty());
  });
  const double refresh = NsPerRound([] { tolvan::UpdateLtActions(); });

  std::printf("actions %d\n", kActions);
  std::printf("reference_us_per_round %.1f\n", reference / 1000.0);
  std::printf("refresh_us_per_keypress %.1f\n", refresh / 1000.0);
  std::printf("refresh_vs_reference %.2f\n", refresh / reference);
  tolvan::UnregisterStandardEditTarget();
  return 0;
}
