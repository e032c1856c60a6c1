// The editor window's debug pane: what the debugger parsed at the last stop
// (record, fields, globals, the function's locals, a watch, the call stack),
// gawk's own messages, and the script's output as it is printed. It shows;
// TDebugger (debugger.h) drives.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "core/encoding.h"
#include "job/debug_session.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace tolvan {

class TOutputText;

// A value as the pane shows it, decoded from e: a string quoted with awk's
// escapes (bytes of other characters kept), a number as gawk printed it.
QString ShowValue(const DebugScalar& v, TextEncoding e);
// An element's name: a["k"], with SUBSEP between keys shown as a["1","2"].
QString ShowElementName(const std::string& array, const DebugElement& element, TextEncoding e);

class TDebugPane : public QWidget {
  Q_OBJECT
 public:
  explicit TDebugPane(QWidget* parent = nullptr);

  void SetEncoding(TextEncoding e);
  void SetStatus(const QString& text, bool warning);
  // A new run: output, messages and values go.
  void Clear();
  void ShowStop(const DebugStop& stop);
  void ShowStack(const std::vector<DebugFrame>& stack);
  void AppendOutput(std::string_view bytes);
  // Shows output still waiting for the refresh.
  void FlushOutput();
  void AddMessages(const std::string& bytes);  // gawk's words, line by line

  // The watch line's expression (bytes in the encoding); changed is
  // called when the user confirms a new one.
  std::string WatchExpression() const;
  std::function<void()> WatchChanged;

  QString Status() const;
  std::string OutputBytes() const;
  QTreeWidget* Variables() const { return variables_; }
  QTreeWidget* Stack() const { return stack_; }

  // A part of the variables tree as shown, in gawk's bytes.
  struct Section {
    QString Caption;
    std::vector<DebugValue> Values;
  };
  QListWidget* Messages() const { return messages_; }
  QLineEdit* WatchLine() const { return watch_; }

 private:
  void ReloadOutput();

  TextEncoding encoding_ = TextEncoding::Cp932;
  QLabel* status_ = nullptr;
  QLineEdit* watch_ = nullptr;
  QTreeWidget* variables_ = nullptr;
  QTreeWidget* stack_ = nullptr;
  QListWidget* messages_ = nullptr;
  TOutputText* output_ = nullptr;
  std::vector<Section> shown_;  // what the variables tree holds
  TextEncoding shownEncoding_ = TextEncoding::Cp932;
  std::string buffer_;
  QTimer refresh_;
  bool warning_ = false;
};

}  // namespace tolvan
