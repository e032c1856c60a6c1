// Change notification shared by the schemes and the editor's option objects,
// and the collection base the bracket lists derive from.
#pragma once

#include <memory>
#include <vector>

#include "colouring/persistent.h"

namespace tolvan {

// Persistent object that reports its changes to one handler; nested update
// brackets hold the report back until the outermost end.
class TNotifyPersistent : public TPersistent {
 public:
  std::string_view ClassName() const override { return "TNotifyPersistent"; }
  TNotifyEvent OnChange;

  virtual void Changed();
  virtual void BeginUpdate();
  virtual void EndUpdate();
  // Handler for sub-objects: a change of a part is a change of the whole.
  virtual void ChangedProc(TObject* Sender);
  int UpdateCount() const { return FUpdateCount; }

 protected:
  std::int32_t FUpdateCount = 0;
};

// A list of change handlers, each held as its own copy.
class TMethodList {
 public:
  void Add(const TNotifyEvent& Method);
  // Removes the last entry equal to Method, at most one.
  void Remove(const TNotifyEvent& Method);
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  const TNotifyEvent& operator[](int i) const { return *FItems[static_cast<std::size_t>(i)]; }

 private:
  std::vector<std::unique_ptr<TNotifyEvent>> FItems;
};

// The handlers of everyone who shows a scheme; each is called with the
// scheme as Sender.
class TNotifyEventList : public TNotifyPersistent {
 public:
  explicit TNotifyEventList(TObject* Owner) : FOwner(Owner) {}
  std::string_view ClassName() const override { return "TNotifyEventList"; }

  void Changed() override;
  TObject* GetOwner() const { return FOwner; }
  void Add(const TNotifyEvent& Handler) { FList.Add(Handler); }
  void Remove(const TNotifyEvent& Handler) { FList.Remove(Handler); }
  int Count() const { return FList.Count(); }

 private:
  TMethodList FList;
  TObject* FOwner;
};

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* Collection) : FCollection(Collection) {}
  std::string_view ClassName() const override { return "TCollectionItem"; }
  TCollection* Collection() const { return FCollection; }
  int Index() const;

 protected:
  // Tells the collection that this item (or, with AllItems, every item) changed.
  void Changed(bool AllItems);

 private:
  TCollection* FCollection;
};

class TCollection : public TPersistent {
 public:
  std::string_view ClassName() const override { return "TCollection"; }
  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* Items(int Index) const;
  virtual TCollectionItem* Add();
  void Delete(int Index);
  void Clear();
  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  void Assign(const TPersistent& Source) override;
  // The change processing: with no update open, Update.
  void Changed();
  int IndexOf(const TCollectionItem* Item) const;

 protected:
  virtual std::unique_ptr<TCollectionItem> CreateItem() = 0;
  virtual void Update(TCollectionItem* Item);

 private:
  friend class TCollectionItem;
  std::vector<std::unique_ptr<TCollectionItem>> FItems;
  std::int32_t FUpdateCount = 0;
};

class TNotifyCollection : public TCollection {
 public:
  explicit TNotifyCollection(TPersistent* Owner) : FOwner(Owner) {}
  std::string_view ClassName() const override { return "TNotifyCollection"; }
  TNotifyEvent OnChange;
  TPersistent* GetOwner() const { return FOwner; }
  virtual void ChangedProc(TObject* Sender);

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TPersistent* FOwner;
};

}  // namespace tolvan
