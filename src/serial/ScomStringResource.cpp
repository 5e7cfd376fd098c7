#include "ScomStringResource.h"
#include "LittleEndian.h"
#include "ScomSystem.h"
#include <cstring>

namespace {
// Used when the reader's own table is not at hand (it is the table being opened, or the link
// was not started).
const char* const kOwnMessages[] = {"", "String not found: %d", "Cannot lock resource",
                                    "String resource not found: %s",
                                    "Unable to open string resource: %s", "Invalid TPString resource"};

std::string OwnMessage(int id) {
  std::string text;
  if (const TScomStringResource* own = ScomOwnStrings()) text = own->GetString(id);
  return text.empty() ? kOwnMessages[id] : text;
}

std::string WithArg(int id, const std::string& arg) {
  std::string format = OwnMessage(id);
  size_t at = format.find("%s");
  if (at == std::string::npos) at = format.find("%d");
  if (at != std::string::npos) format.replace(at, 2, arg);
  return format;
}

HMODULE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}
}

TScomStringResource::TScomStringResource(HINSTANCE instance, const char* name) { Open(instance, name); }

TScomStringResource::~TScomStringResource() {
  // Resources of a loaded module need no freeing; the handle is simply dropped.
  resource_ = nullptr;
}

void TScomStringResource::Open(HINSTANCE instance, const char* name) {
  HMODULE module = instance ? instance : ThisModule();
  HRSRC info = FindResourceA(module, name, RT_RCDATA);
  if (!info) {
    module = GetModuleHandleA(nullptr);
    info = FindResourceA(module, name, RT_RCDATA);
  }
  if (!info) throw ETpsStringResourceError(WithArg(3, name));
  resource_ = LoadResource(module, info);
  if (!resource_) throw ETpsStringResourceError(WithArg(4, name));
  size_ = SizeofResource(module, info);
  const void* data = LockResource(resource_);
  if (!data) throw ETpsStringResourceError(OwnMessage(2));
  if (!HasMagic(data, size_)) throw ETpsStringResourceError(OwnMessage(5));
}

const void* TScomStringResource::Lock() const {
  const void* data = LockResource(resource_);
  if (!data) throw ETpsStringResourceError(OwnMessage(2));
  return data;
}

uint32_t TScomStringResource::Count() const {
  const auto* p = static_cast<const unsigned char*>(Lock());
  return size_ >= 8 ? GetLe32(p + 4) : 0;
}

bool TScomStringResource::HasMagic(const void* data, size_t size) {
  return size >= 4 && std::memcmp(data, "STR0", 4) == 0;
}

std::wstring TScomStringResource::Find(const void* data, size_t size, uint32_t id) {
  if (!HasMagic(data, size) || size < 8) return L"";
  const auto* p = static_cast<const unsigned char*>(data);
  uint64_t count = GetLe32(p + 4);
  if (count > (size - 8) / 12) return L"";
  int64_t lo = 0, hi = static_cast<int64_t>(count) - 1;
  const int32_t wanted = static_cast<int32_t>(id);
  while (lo <= hi) {
    int64_t mid = (lo + hi) / 2;
    const unsigned char* entry = p + 8 + 12 * mid;
    int32_t entryId = static_cast<int32_t>(GetLe32(entry));
    if (entryId == wanted) {
      uint64_t offset = GetLe32(entry + 4), length = GetLe32(entry + 8);
      if (offset > size || length > (size - offset) / 2) return L"";
      std::wstring text(length, L'\0');
      for (uint64_t k = 0; k < length; ++k)
        text[k] = static_cast<wchar_t>(GetLe16(p + offset + 2 * k));
      return text;
    }
    if (entryId < wanted) lo = mid + 1;
    else hi = mid - 1;
  }
  return L"";
}

std::string TScomStringResource::GetString(uint32_t id) const {
  std::wstring wide = Find(Lock(), size_, id);
  if (wide.empty()) {
    if (ReportErrors) throw ETpsStringResourceError(WithArg(1, std::to_string(id)));
    return "";
  }
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return "";
  std::string text(n, '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), text.data(), n, nullptr, nullptr);
  return text;
}
