#pragma once
#include "KitCustomComponent.h"
#include "KitSysIn.h"
#include <cstdint>
#include <functional>
#include <string>

enum TKitRegRootKey { rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData };
enum TKitIniTarget { itIniFile, itRegistry, itAuto };
enum TKitIniCryptMode { icmKey, icmTextKey, icmCustom };
using TKitIniCryptEvent = std::function<void(TComponent* Sender, std::string& data)>;

// Where the kit would keep settings and how string values are encoded before they are stored.
// Reading and writing values is not part of it.
class TKitIniCtrl : public TKitCustomComponent {
public:
  explicit TKitIniCtrl(TComponent* owner) : TKitCustomComponent(owner) {}

  bool AlphaCounter() const { return alphaCounter_; }
  void SetAlphaCounter(bool value);
  int MaxEntries() const { return maxEntries_; }
  void SetMaxEntries(uint8_t value);
  const std::string& IniFile() const { return iniFile_; }
  void SetIniFile(const std::string& value);
  bool NetUser() const { return netUser_; }
  void SetNetUser(bool value);
  TKitIniTarget Target() const { return target_; }
  TKitIniTarget EffectiveTarget() const { return effectiveTarget_; }
  void SetTarget(TKitIniTarget value);

  virtual void GetNetUser(std::string& name);
  virtual void EncodeString(const std::string& text, std::string& result);
  virtual void DecodeString(const std::string& text, std::string& result);

  bool Common = true;
  TKitPathPrefix IniPrefix = ppWindows;
  std::string User;
  std::string RegPath;
  TKitRegRootKey RegRoot = rpCurrentUser;
  uint16_t EncKey = 50273;
  bool Encoded = false;
  TKitIniCryptMode CryptMode = icmKey;
  TKitIniCryptEvent OnEncodeString;
  TKitIniCryptEvent OnDecodeString;

private:
  bool alphaCounter_ = false;
  uint8_t maxEntries_ = 16;
  std::string iniFile_;
  bool netUser_ = false;
  TKitIniTarget target_ = itAuto;
  TKitIniTarget effectiveTarget_ = itRegistry;
};
