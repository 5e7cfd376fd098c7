#pragma once
#include "KitSysChangeList.h"
#include "KitSysProperties.h"
#include "KitSysPropertyDesc.h"
#include "KitSysRegistry.h"
#include <memory>
#include <string>
#include <vector>

class TComponent;
class TStringList;

// An information object: one kind of fact about the machine, read once by ReadInfo, shown
// through property descriptors that Retrieve fills, listed as text by its published
// properties. A kind's constructor ends with BuildDescriptors (no virtual call reaches a
// derived class from the base constructor).
class TKitSysObject : public TKitSysPersistent, public TKitSysDescribed {
public:
  TKitSysObject() = default;

  // The component that attached it; progress goes through it.
  TComponent* Owner() const { return owner_; }
  void SetOwner(TComponent* owner) { owner_ = owner; }
  void SetLogHandler(TKitSysLogChangeEvent handler) { changes_.LogHandler = std::move(handler); }
  std::string DefaultFileName() const { return ClassName() + ".lsi"; }
  bool Read() const { return read_; }

  virtual void BuildDescriptors() {}
  // The base hides "DisplayInfo".
  virtual void HideProperty(const std::string& name, bool& hide);
  virtual void GetPropertiesText(TStringList& list);
  virtual void GetPropertiesTextWithTypes(TStringList& list);
  virtual void ReadInfo() { read_ = true; }
  virtual void Retrieve() = 0;
  virtual void Apply() = 0;
  virtual std::string GetCaption() const { return ""; }
  virtual std::string GetDescription() const { return ""; }
  virtual int GetKindIndex() const { return 0; }

  static std::string BoolToText(bool value) { return value ? "true" : "false"; }

  void AddChange(const std::string& description, const std::string& oldValue, const std::string& newValue) {
    changes_.AddChange(description, oldValue, newValue);
  }
  bool HasChange(const std::string& description) const { return changes_.HasChange(description); }
  void CommitChange(const std::string& description) { changes_.CommitChange(description); }
  const TKitSysChangeList& Changes() const { return changes_; }

protected:
  // Progress through the owner when it is a system-information component.
  void Progress(const std::string& caption, int max, int position);
  // The descriptors of the selected ids, in id order, from the kind's text table.
  void BuildDescriptorsFrom(const std::vector<TKitSysPropertyText>& table, const TKitSysIdSet& selected);
  // The retrieve every kind follows: progress (caption, 100, 0); values cleared; ReadInfo once;
  // each selected id's descriptor gets its value text; progress (caption, 100, 100), ("", 100, 0).
  void RetrieveValues(const std::string& caption, const TKitSysIdSet& selected,
                      const std::function<std::string(int id)>& valueText);

  // The object's registry, made on demand (read-only or with full access) and freed with it.
  TKitSysRegistry& MakeRegistry(bool readOnly);
  void FreeRegistry() { registry_.reset(); }
  TKitSysRegistry* Registry() const { return registry_.get(); }
  void SetRegistryRoot(HKEY root);
  // False when there is no registry or the key cannot be opened; never creates the key.
  bool OpenRegistryKey(const std::string& path) { return registry_ && registry_->OpenKey(path); }
  void CloseRegistryKey();

private:
  TComponent* owner_ = nullptr;
  TKitSysChangeList changes_;
  bool read_ = false;
  std::unique_ptr<TKitSysRegistry> registry_;
};
