#include "app/help.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>

#include <system_error>

#include "core/qt/message_service.h"

namespace tolvan {
namespace {

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

QString FileText(const std::filesystem::path& p) { return QFile::decodeName(p.c_str()); }

}  // namespace

QUrl HelpUrl(const ProgramPaths& paths, int context) {
  QUrl url = QUrl::fromLocalFile(FileText(paths.HelpFile()));
  if (context == kHelpFolderSelection) url.setFragment(QStringLiteral("folder"));
  return url;
}

void OpenHelp(const ProgramPaths& paths, int context) {
  QWidget* parent = QApplication::activeWindow();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(paths.HelpFile(), ec)) {
    Messages().BeepError(parent, QStringLiteral("ヘルプファイル %1 が見つかりません")
                                     .arg(FileText(paths.HelpFile())));
    return;
  }
  const QUrl url = HelpUrl(paths, context);
  const bool opened = Opener() ? Opener()(url) : QDesktopServices::openUrl(url);
  if (!opened)
    Messages().BeepError(parent, QStringLiteral("ヘルプを表示できません：%1").arg(url.toString()));
}

void SetHelpUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

}  // namespace tolvan
