// A message service for tests: records every box and beep and answers
// questions from a script given in advance.
#pragma once

#include <deque>
#include <stdexcept>
#include <vector>

#include "core/qt/message_service.h"

namespace tolvan::test {

class RecordingMessages : public MessageService {
 public:
  struct Entry {
    enum Kind { Beep, Show, Ask } kind;
    Icon icon = QMessageBox::NoIcon;
    QString caption;
    QString text;
    // For a placed question: where a box of kPlacedBoxSize would stand.
    QPoint pos{};
    bool placed = false;
    Buttons buttons{};  // of a question
  };
  static constexpr QSize kPlacedBoxSize{300, 120};

  RecordingMessages() { SetMessageService(this); }
  ~RecordingMessages() override { SetMessageService(nullptr); }

  void Beep() override { entries.push_back({Entry::Beep, QMessageBox::NoIcon, {}, {}}); }
  void Show(QWidget*, Icon icon, const QString& caption, const QString& text) override {
    entries.push_back({Entry::Show, icon, caption, text});
  }
  Button Ask(QWidget*, Icon icon, const QString& caption, const QString& text, Buttons buttons,
             Button) override {
    entries.push_back({Entry::Ask, icon, caption, text});
    entries.back().buttons = buttons;
    if (answers.empty()) throw std::logic_error("unexpected question: " + text.toStdString());
    Button b = answers.front();
    answers.pop_front();
    return b;
  }

  Button AskPlaced(QWidget* parent, Icon icon, const QString& caption, const QString& text, Buttons buttons,
                   Button defaultButton, const Placement& place) override {
    Button b = Ask(parent, icon, caption, text, buttons, defaultButton);
    entries.back().pos = place(kPlacedBoxSize);
    entries.back().placed = true;
    return b;
  }

  // Texts of the boxes shown and questions asked, in order.
  QStringList Texts() const {
    QStringList t;
    for (const Entry& e : entries)
      if (e.kind != Entry::Beep) t << e.text;
    return t;
  }
  int Beeps() const {
    int n = 0;
    for (const Entry& e : entries) n += e.kind == Entry::Beep;
    return n;
  }
  void Clear() { entries.clear(); }

  std::vector<Entry> entries;
  std::deque<Button> answers;
};

}  // namespace tolvan::test
