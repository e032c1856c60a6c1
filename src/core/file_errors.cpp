#include "core/file_errors.h"

#include <cerrno>
#include <cstring>

namespace tolvan {

std::string FileErrorReason(int err) {
  switch (err) {
    case EACCES:
    case EPERM:
      return "アクセスする権限がありません";
    case EROFS:
      return "読み取り専用のファイルシステムです";
    case ENOSPC:
      return "ディスクに空きがありません";
    case EDQUOT:
      return "ディスクの使用量の制限(クォータ)を超えています";
    case ENOENT:
      return "ファイルまたはフォルダがありません";
    case ENOTDIR:
      return "途中の名前がフォルダではありません";
    case EISDIR:
      return "フォルダです(通常のファイルではありません)";
    case EINVAL:
    case ENXIO:
    case ENODEV:
      return "通常のファイルではありません";
    case ENAMETOOLONG:
      return "ファイル名が長すぎます";
    case EIO:
      return "入出力エラーが起きました";
    case ELOOP:
      return "シンボリックリンクが多すぎるか、循環しています";
    case EEXIST:
      return "同じ名前のファイルがすでにあります";
    case EFBIG:
      return "ファイルが大きすぎます";
    case ETXTBSY:
    case EBUSY:
      return "ファイルが使用中です";
    case EMFILE:
    case ENFILE:
      return "開いているファイルが多すぎます";
    case ENOMEM:
      return "メモリが足りません";
    case EMLINK:
      return "リンクの数が多すぎます";
    case EBADF:
      return "閉じられています";
    case EPIPE:
      return "書き込み先が閉じられています";
    default:
      break;
  }
  const char* d = ::strerrordesc_np(err);  // English whatever the locale
  return "システムエラー " + std::to_string(err) + (d ? std::string(" (") + d + ")" : std::string());
}

std::string FileErrorText(const std::filesystem::path& path, int err) {
  return path.string() + ": " + FileErrorReason(err);
}

}  // namespace tolvan
