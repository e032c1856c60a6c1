#include "app/help.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>

#include <system_error>
#include <thread>

#include "core/qt/message_service.h"
#include "job/process.h"
#include "settings/program_files.h"

namespace tolvan {
namespace {

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

QString CannotShowText(const QUrl& url) { return QStringLiteral("ヘルプを表示できません：%1").arg(url.toString()); }

// xdg-open exits non-zero when no browser could be started, and may run as
// long as the browser it starts: it is waited for on a thread of its own,
// and a failure is told in the main thread. Without xdg-open, Qt's own way.
void OpenWatched(const QUrl& url) {
  if (ProgramStartError("xdg-open") != 0) {
    if (!QDesktopServices::openUrl(url)) Messages().BeepError(QApplication::activeWindow(), CannotShowText(url));
    return;
  }
  const std::string target = url.toString(QUrl::FullyEncoded).toStdString();
  std::thread([target, url] {
    ProcessRequest req;
    req.Argv = {"xdg-open", target};
    req.Locale = "inherit";
    std::string out, err;
    ProcessSinks sinks;
    sinks.Out = &out;
    sinks.Err = &err;
    bool failed = true;
    try {
      const ProcessResult r = DefaultProcessLauncher().Run(req, sinks);
      failed = r.Outcome != ProcessOutcome::Finished || r.Signal != 0 || r.ExitCode != 0;
    } catch (const std::exception&) {
    }
    if (!failed || !qApp) return;
    // xdg-open's verdict, its last line, says why (no browser, no handler);
    // the lines before it list every browser it tried.
    const QStringList lines = QString::fromLocal8Bit(err).trimmed().split('\n');
    const QString why = lines.isEmpty() ? QString() : lines.last().trimmed();
    QMetaObject::invokeMethod(
        qApp,
        [url, why] {
          Messages().BeepError(QApplication::activeWindow(), CannotShowText(url) + (why.isEmpty() ? "" : "\n" + why));
        },
        Qt::QueuedConnection);
  }).detach();
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
  if (!Opener()) {
    OpenWatched(url);
    return;
  }
  if (!Opener()(url)) Messages().BeepError(parent, CannotShowText(url));
}

void SetHelpUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

}  // namespace tolvan
