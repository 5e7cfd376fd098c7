#pragma once
#include "AudioStreams.h"
#include "CallLog.h"
#include "FileStream.h"
#include "FileUtils.h"
#include "LiveSettings.h"
#include "SettingsTestUtil.h"
#include "RecordingName.h"
#include "SysUtils.h"
#include <algorithm>
#include <string>
#include <vector>

// A program folder with its wav folder; the wav files go with it.
class AppFolder : public ProgramFolder {
public:
  AppFolder() { CreateDirectoryA(Wav("").c_str(), nullptr); }
  ~AppFolder() {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((Wav("") + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::string name = fd.cFileName;
        if (name != "." && name != "..") DeleteFileA((Wav("") + name).c_str());
      } while (FindNextFileA(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryA(Wav("").c_str());
  }
  std::string Wav(const std::string& name) const { return Path() + "\\wav\\" + name; }
  // The names in wav\, sorted, joined by blanks.
  std::string WavListing() const {
    std::vector<std::string> names = FileNamesMatching(Wav("") + "*");
    std::sort(names.begin(), names.end());
    std::string all;
    for (const std::string& n : names) all += (all.empty() ? "" : " ") + n;
    return all;
  }
};

// PCM 8000 Hz mono 8-bit.
inline TdeWaveFormat Pcm8k() { return TLiveSettings::DefaultFormat(); }

// A finished WAV of bytes audio bytes in format.
inline void WriteWav(const std::string& fileName, int bytes, const TdeWaveFormat& format = Pcm8k()) {
  TFileStream f(fileName, fmCreate);
  TdeRIFFAudioWriter w(f);
  w.SetFormat(format);
  std::string audio(size_t(bytes), '\0');
  for (int i = 0; i < bytes; ++i) audio[size_t(i)] = char(i & 0xFF);
  if (bytes) w.WriteAudio(audio.data(), bytes);
  w.Finish();
}

// The same as a killed writer leaves it: both sizes 0, and tail more bytes after the audio.
inline void WriteUnfinishedWav(const std::string& fileName, int bytes, int tail, const TdeWaveFormat& format = Pcm8k()) {
  WriteWav(fileName, bytes, format);
  std::string all = ReadWholeFile(fileName);
  size_t data = all.find("data");
  all.replace(4, 4, std::string(4, '\0'));
  all.replace(data + 4, 4, std::string(4, '\0'));
  all += std::string(size_t(tail), '\x7F');
  WriteWholeFile(fileName, all);
}

inline uint32_t U32At(const std::string& bytes, size_t at) {
  return uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8 | uint8_t(bytes[at + 2]) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
}

// "Comment/Duration" of every call row, in table order.
inline std::string Calls(TCallLog& log) {
  std::string out;
  for (const auto& r : log.AllCalls())
    out += (out.empty() ? "" : " | ") + ::MakeRecordingName(r.Channel, r.DateS, r.TimeS) + " " + r.Duration + " [" + r.Comment + "]";
  return out;
}
