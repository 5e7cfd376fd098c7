#pragma once
#include "KitSysChangeList.h"
#include "KitSysProperties.h"
#include "KitSysPropertyDesc.h"
#include <memory>
#include <string>
#include <vector>

class TComponent;
class TStringList;
class TKitSysBaseCollectionItem;

// A collection of information items: it owns its items; its owner is the component that made
// it (or none), through which progress goes.
class TKitSysBaseCollection : public TKitSysPersistent {
public:
  explicit TKitSysBaseCollection(TComponent* owner) : owner_(owner) {}

  TComponent* Owner() const { return owner_; }
  virtual int GetCount() const { return static_cast<int>(items_.size()); }
  // None outside 0..Count-1.
  virtual TKitSysBaseCollectionItem* GetItem(int index) const;
  virtual std::string GetCaption() const { return ""; }
  virtual std::string GetDescription() const { return ""; }
  virtual int GetKindIndex() const { return 0; }

  int IndexOf(const TKitSysBaseCollectionItem* item) const;
  void Clear() { items_.clear(); }

protected:
  // Takes an item made for this collection (of the collection's item class).
  TKitSysBaseCollectionItem& AddItem(std::unique_ptr<TKitSysBaseCollectionItem> item);
  // Progress through the owner when it is a system-information component.
  void Progress(const std::string& caption, int max, int position);

private:
  TComponent* owner_;
  std::vector<std::unique_ptr<TKitSysBaseCollectionItem>> items_;
};

// A collection whose items have writable properties: their pending changes live here.
class TKitSysCollection : public TKitSysBaseCollection {
public:
  explicit TKitSysCollection(TComponent* owner) : TKitSysBaseCollection(owner) {}

  // Apply of every item, in index order.
  virtual void ApplyAll();
  // The properties of every item, as "Item[i].Name = value" lines.
  virtual void GetPropertiesText(TStringList& list);
  virtual void GetPropertiesTextWithTypes(TStringList& list);

  void SetLogHandler(TKitSysLogChangeEvent handler) { changes_.LogHandler = std::move(handler); }
  TKitSysChangeList& Changes() { return changes_; }
  const TKitSysChangeList& Changes() const { return changes_; }

private:
  TKitSysChangeList changes_;
};

// An item of a collection, with its own property descriptors. A kind's constructor ends with
// BuildDescriptors.
class TKitSysBaseCollectionItem : public TKitSysPersistent, public TKitSysDescribed {
public:
  explicit TKitSysBaseCollectionItem(TKitSysBaseCollection& collection) : collection_(collection) {}

  TKitSysBaseCollection& Collection() const { return collection_; }
  int Index() const { return collection_.IndexOf(this); }

  // The base clears the descriptor list.
  virtual void BuildDescriptors() { Descriptors().Clear(); }
  virtual std::string GetCaption() const { return ""; }
  virtual std::string GetDescription() const { return ""; }
  virtual int GetKindIndex() const { return 0; }

private:
  TKitSysBaseCollection& collection_;
};

// An item whose writable properties record their changes in the collection's list, keyed by the
// item: a "%d" in a description becomes the item's index.
class TKitSysCollectionItem : public TKitSysBaseCollectionItem {
public:
  explicit TKitSysCollectionItem(TKitSysCollection& collection)
      : TKitSysBaseCollectionItem(collection), changes_(collection.Changes()) {}

  // Writes the pending changes to the system; the base has none.
  virtual void Apply() {}

protected:
  std::string ItemDescription(const std::string& description) const;
  bool HasItemChange(const std::string& description) const;
  void RecordItemChange(const std::string& description, const std::string& oldValue, const std::string& newValue);
  void CommitItemChange(const std::string& description);

private:
  TKitSysChangeList& changes_;
};
