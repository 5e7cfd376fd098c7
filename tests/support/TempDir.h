#pragma once
#include <windows.h>
#include <string>

// A fresh empty folder for one test, removed with its files afterwards.
class TempDir {
public:
  TempDir() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int serial = 0;
    path_ = std::string(base) + "vl_rtl_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempDir() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string name = fd.cFileName;
        if (name != "." && name != "..") {
          SetFileAttributesA((path_ + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA((path_ + "\\" + name).c_str());
        }
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(path_.c_str());
  }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }
  const std::string& Path() const { return path_; }

  // Names of the files in the folder, sorted, joined by blanks.
  std::string Listing() const {
    std::string all;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((path_ + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return all;
    std::string names[64];
    int n = 0;
    do {
      std::string name = fd.cFileName;
      if (name != "." && name != ".." && n < 64) names[n++] = name;
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    for (int i = 0; i < n; ++i)
      for (int j = i + 1; j < n; ++j)
        if (names[j] < names[i]) std::swap(names[i], names[j]);
    for (int i = 0; i < n; ++i) all += (i ? " " : "") + names[i];
    return all;
  }

private:
  std::string path_;
};

// The whole content of a file, or "<missing>".
inline std::string ReadWholeFile(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string r;
  char buf[4096];
  DWORD n;
  while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) r.append(buf, n);
  CloseHandle(h);
  return r;
}

inline void WriteWholeFile(const std::string& name, const std::string& content) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &n, nullptr);
  CloseHandle(h);
}
