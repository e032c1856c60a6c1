#include "app/application.h"

#include <exception>

#include "core/qt/message_service.h"

namespace tolvan {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ShowException(std::current_exception());
  }
  return false;
}

void TApplication::ShowException(const std::exception_ptr& error) {
  QString message;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    message = QString::fromUtf8(e.what());
  } catch (...) {
    message = QStringLiteral("不明なエラーが発生しました");
  }
  Messages().Exception(QApplication::activeWindow(), message);
}

}  // namespace tolvan
