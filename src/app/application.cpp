#include "app/application.h"

#include <QLibraryInfo>
#include <QTranslator>

#include <exception>

#include "core/qt/message_service.h"

namespace tolvan {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool InstallQtJapanese(QCoreApplication& app) {
  auto* qt = new QTranslator(&app);
  // qt_ja names the catalogues of each Qt module (qtbase_ja, ...).
  if (!qt->load(QStringLiteral("qt_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete qt;
    return false;
  }
  return QCoreApplication::installTranslator(qt);
}

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
