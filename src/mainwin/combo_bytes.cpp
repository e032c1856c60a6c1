#include "mainwin/combo_bytes.h"

#include <QByteArray>
#include <QComboBox>

#include "core/qt/qtext.h"

namespace tolvan {

namespace {
constexpr int kBytesRole = Qt::UserRole + 1;

std::string StoredBytes(const QComboBox* combo, int index) {
  QByteArray b = combo->itemData(index, kBytesRole).toByteArray();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}
}  // namespace

void InsertStoredItem(QComboBox* combo, int index, const std::string& bytes) {
  if (index < 0) index = combo->count();
  combo->insertItem(index, ToQString(bytes));
  combo->setItemData(index, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), kBytesRole);
}

std::optional<std::string> ItemBytes(const QComboBox* combo, int index, QString* failed) {
  return KeepOrEncode(combo->itemText(index), StoredBytes(combo, index), failed);
}

std::optional<std::string> EditTextBytes(const QComboBox* combo, QString* failed) {
  const QString text = combo->currentText();
  const int i = combo->currentIndex();
  if (i >= 0 && combo->itemText(i) == text) return ItemBytes(combo, i, failed);
  return ToCp932(text, failed);
}

}  // namespace tolvan
