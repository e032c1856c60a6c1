// The editor control on its own: editor_demo [file.awk]. Shows the file (or
// a short sample) with awk colouring, the ruler, line numbers and scroll
// bars, so the control can be tried by hand.
#include <QApplication>
#include <QMainWindow>

#include "colouring/gawk_fountain.h"
#include "editor/view/editor_widget.h"

using namespace tolvan;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TGawkFountain scheme;  // outlives the control
  QMainWindow window;
  auto* editor = new TEditorWidget;
  TEditor& e = editor->Editor();
  e.SetFountain(&scheme);
  e.Ruler().SetVisible(true);
  e.Leftbar().SetVisible(true);
  e.Leftbar().SetShowNumberMode(nmLine);
  e.Marks().RetMark().SetVisible(true);
  e.Marks().EofMark().SetVisible(true);
  e.Marks().Underline().SetVisible(true);
  e.SetScrollBars(ssBoth);
  editor->SetEditorFont(QStringLiteral("FixedSys"), -16, 0);
  const QStringList args = QApplication::arguments();
  try {
    if (args.size() > 1)
      e.Lines().LoadFromFile(args[1].toStdString());
    else
      e.Lines().SetTextStr(
          "# \x83\x54\x83\x93\x83\x76\x83\x8b: sum of the third field\r\n"
          "BEGIN { FS = \",\" }\r\n"
          "/^#/ { next }\r\n"
          "{ total += $3; names[$1] = \"\x96\xbc\x91\x4f\" }\r\n"
          "END { printf \"%d\\n\", total }\r\n");
  } catch (const std::exception& ex) {
    e.Lines().SetTextStr(ex.what());
  }
  e.SetModified(false);
  window.setCentralWidget(editor);
  window.resize(800, 600);
  window.setWindowTitle(args.size() > 1 ? args[1] : QStringLiteral("editor_demo"));
  window.show();
  editor->setFocus();
  return QApplication::exec();
}
