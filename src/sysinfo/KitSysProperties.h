#pragma once
#include <bitset>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class TStringList;
class TKitSysPersistent;

// A set of property ids (0..255), as the DisplayInfo properties hold them.
class TKitSysIdSet {
public:
  TKitSysIdSet() = default;
  TKitSysIdSet(std::initializer_list<int> ids);
  // Every id from 0 to count - 1.
  static TKitSysIdSet FirstIds(int count);
  bool Contains(int id) const { return id >= 0 && id < 256 && bits_[id]; }
  void Include(int id);
  void Exclude(int id);
  bool Empty() const { return bits_.none(); }
  bool operator==(const TKitSysIdSet& other) const { return bits_ == other.bits_; }

private:
  std::bitset<256> bits_;
};

// One published property as the text listing sees it: its value as text, or an object whose
// own properties are listed under the property's name.
struct TKitSysProperty {
  std::string Name;
  std::string TypeName;
  std::string Value;
  bool IsObject = false;
  const TKitSysPersistent* Object = nullptr;
};

// The published properties of an information class, in declaration order, inherited first.
class TKitSysProperties {
public:
  void AddInteger(const std::string& name, int value, const std::string& typeName = "Integer");
  void AddInt64(const std::string& name, int64_t value, const std::string& typeName = "Int64");
  void AddString(const std::string& name, const std::string& value, const std::string& typeName = "string");
  void AddEnum(const std::string& name, const std::string& typeName, const std::string& memberName);
  void AddBoolean(const std::string& name, bool value);
  void AddFloat(const std::string& name, double value, const std::string& typeName = "Double");
  // "[" + the names of the members held, joined by "," + "]".
  void AddSet(const std::string& name, const std::string& typeName, const TKitSysIdSet& value,
              const std::vector<std::string>& memberNames);
  // Listed as its comma text; none writes nothing.
  void AddStrings(const std::string& name, const TStringList* value);
  // Listed property by property under "name."; none writes nothing.
  void AddObject(const std::string& name, const std::string& typeName, const TKitSysPersistent* value);
  // Methods, variants, arrays, records, interfaces: "UNKNOWN".
  void AddUnknown(const std::string& name, const std::string& typeName);

  const std::vector<TKitSysProperty>& Items() const { return items_; }

private:
  void AddText(const std::string& name, const std::string& typeName, const std::string& value);
  std::vector<TKitSysProperty> items_;
};

// Something of the kit whose published properties can be listed.
class TKitSysPersistent {
public:
  TKitSysPersistent() = default;
  virtual ~TKitSysPersistent() = default;
  TKitSysPersistent(const TKitSysPersistent&) = delete;
  TKitSysPersistent& operator=(const TKitSysPersistent&) = delete;

  virtual std::string ClassName() const = 0;
  virtual void GetProperties(TKitSysProperties& properties) const {}
};

// Gets the bare property name; may set the flag to leave the property out.
using TKitSysHideRule = std::function<void(const std::string& name, bool& hide)>;

// Appends one line per published property: prefix + name + " = " + value, or with types
// prefix + name + ": " + type + " = " + value. Object properties are listed under
// prefix + name + "."; a collection's items follow as prefix + "Item[i].".
void KitSysPropsToStrings(const TKitSysPersistent& object, TStringList& list, const std::string& prefix,
                          const TKitSysHideRule& hide, bool withTypes);
