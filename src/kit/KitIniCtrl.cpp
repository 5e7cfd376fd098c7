#include "KitIniCtrl.h"
#include "KitUtils.h"
#include "SysUtils.h"

namespace {
constexpr uint8_t kLetters = 26;
}

void TKitIniCtrl::SetAlphaCounter(bool value) {
  if (value == alphaCounter_) return;
  alphaCounter_ = value;
  if (maxEntries_ > kLetters) maxEntries_ = kLetters;
}

void TKitIniCtrl::SetMaxEntries(uint8_t value) {
  if (value == maxEntries_ || (alphaCounter_ && value > kLetters)) return;
  maxEntries_ = value;
}

void TKitIniCtrl::SetIniFile(const std::string& value) {
  if (value == iniFile_) return;
  iniFile_ = IsBlank(ExtractFileExt(value)) ? ChangeFileExt(value, ".INI") : value;
}

void TKitIniCtrl::SetNetUser(bool value) {
  if (value == netUser_) return;
  netUser_ = value;
  if (value) GetNetUser(User);
}

void TKitIniCtrl::SetTarget(TKitIniTarget value) {
  if (value == target_) return;
  target_ = value;
  effectiveTarget_ = value == itAuto ? itRegistry : value;
}

void TKitIniCtrl::GetNetUser(std::string& name) { name = KitSysIn::GetLogonUserName(); }

void TKitIniCtrl::EncodeString(const std::string& text, std::string& result) {
  result = text;
  switch (CryptMode) {
    case icmKey: result = EncryptText(text, EncKey); break;
    case icmTextKey: result = PackText(EncryptText(text, EncKey)); break;
    case icmCustom: if (OnEncodeString) OnEncodeString(this, result); break;
  }
}

void TKitIniCtrl::DecodeString(const std::string& text, std::string& result) {
  result = text;
  switch (CryptMode) {
    case icmKey: result = DecryptText(text, EncKey); break;
    case icmTextKey: result = DecryptText(UnpackText(text), EncKey); break;
    case icmCustom: if (OnDecodeString) OnDecodeString(this, result); break;
  }
}
