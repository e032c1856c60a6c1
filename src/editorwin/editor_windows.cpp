#include "editorwin/editor_windows.h"

#include <QString>

#include "core/qt/message_service.h"

namespace tolvan {

TEditorWindowRef* TEditorWindows::OpenEditor(const QString& path) {
  for (TEditorWindowRef* w : slots_) {
    if (w && w->FilePath() == path) {
      w->ShowAndRaise();
      return w;
    }
  }
  if (!HasFreeEditorSlot() || !factory_) return nullptr;
  TEditorWindowRef* w = factory_(path);
  if (!w) return nullptr;
  w->ShowAndRaise();
  RegisterEditor(w);
  return w;
}

bool TEditorWindows::HasFreeEditorSlot() {
  for (TEditorWindowRef* w : slots_)
    if (!w) return true;
  Messages().Plain(owner_, QString::fromUtf8("エディタウィンドは３２個までしか開けません"));
  return false;
}

int TEditorWindows::RegisterEditor(TEditorWindowRef* window) {
  for (int i = 0; i < kSlots; ++i) {
    if (!slots_[static_cast<std::size_t>(i)]) {
      slots_[static_cast<std::size_t>(i)] = window;
      return i;
    }
  }
  return -1;
}

void TEditorWindows::UnregisterEditor(TEditorWindowRef* window) {
  for (auto& slot : slots_)
    if (slot == window) slot = nullptr;
}

bool TEditorWindows::ActivateEditorByCaption(const QString& path) {
  for (TEditorWindowRef* w : slots_) {
    if (w && w->Caption() == path) {
      w->ActivateAndRestore();
      return true;
    }
  }
  return false;
}

int TEditorWindows::OccupiedCount() const {
  int n = 0;
  for (TEditorWindowRef* w : slots_) n += w != nullptr;
  return n;
}

TEditorWindowRef* TEditorWindows::FindByWidget(const QWidget* widget) const {
  for (TEditorWindowRef* w : slots_)
    if (w && w->Window() == widget) return w;
  return nullptr;
}

}  // namespace tolvan
