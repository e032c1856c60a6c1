#include "colouring/notify.h"

#include <algorithm>

namespace tolvan {

void TNotifyPersistent::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TNotifyPersistent::BeginUpdate() { ++FUpdateCount; }

void TNotifyPersistent::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TNotifyPersistent::ChangedProc(TObject* Sender) {
  if (Sender != this) Changed();
}

void TMethodList::Add(const TNotifyEvent& Method) {
  FItems.push_back(std::make_unique<TNotifyEvent>(Method));
}

void TMethodList::Remove(const TNotifyEvent& Method) {
  for (std::size_t i = FItems.size(); i-- > 0;) {
    if (*FItems[i] == Method) {
      FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
  }
}

void TMethodList::Clear() { FItems.clear(); }

void TNotifyEventList::Changed() {
  if (FUpdateCount != 0) return;
  // A handler may add or remove handlers while it runs: call the ones that
  // were registered when the change happened.
  std::vector<TNotifyEvent> handlers;
  handlers.reserve(static_cast<std::size_t>(FList.Count()));
  for (int i = 0; i < FList.Count(); ++i) handlers.push_back(FList[i]);
  for (const TNotifyEvent& h : handlers) h(FOwner);
}

int TCollectionItem::Index() const { return FCollection ? FCollection->IndexOf(this) : -1; }

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) {
    FCollection->Update(AllItems ? nullptr : this);
  }
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
  }
  return FItems[static_cast<std::size_t>(Index)].get();
}

int TCollection::IndexOf(const TCollectionItem* Item) const {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i].get() == Item) return static_cast<int>(i);
  }
  return -1;
}

TCollectionItem* TCollection::Add() {
  FItems.push_back(CreateItem());
  Changed();
  return FItems.back().get();
}

void TCollection::Delete(int Index) {
  Items(Index);  // range check
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  FItems.clear();
  EndUpdate();
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Assign(const TPersistent& Source) {
  auto* src = dynamic_cast<const TCollection*>(&Source);
  if (src == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (src == this) return;
  BeginUpdate();
  try {
    Clear();
    for (int i = 0; i < src->Count(); ++i) Add()->Assign(*src->Items(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TNotifyCollection::ChangedProc(TObject* Sender) {
  if (Sender != this) Changed();
}

void TNotifyCollection::Update(TCollectionItem*) {
  if (OnChange) OnChange(this);
}

}  // namespace tolvan
