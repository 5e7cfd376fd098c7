#pragma once
#include <windows.h>
#include <mmsystem.h>
#include <string>

// A wave device's capabilities, read when the object is made.
class TdeAudioDevice {
public:
  virtual ~TdeAudioDevice() = default;
  signed char DeviceID = 0;
  BYTE MajorVersion = 0;
  BYTE MinorVersion = 0;
  WORD ManufacturerID = 0;
  WORD Channels = 0;
  WORD ProductID = 0;
  std::string Name;

protected:
  explicit TdeAudioDevice(int deviceId) : DeviceID(static_cast<signed char>(deviceId)) {}
  void SetVersion(DWORD version);
};

// Raises EACMDeviceError when the platform does not answer for the id.
class TdeAudioInDevice : public TdeAudioDevice {
public:
  explicit TdeAudioInDevice(int deviceId);
};

class TdeAudioOutDevice : public TdeAudioDevice {
public:
  // The low 7 bits of the platform's support flags.
  enum : BYTE { sfPitch = 1, sfPlaybackRate = 2, sfVolume = 4, sfLRVolume = 8, sfSync = 16,
                sfSampleAccurate = 32, sfDirectSound = 64 };

  // Raises EACMDeviceOutError when the platform does not answer for the id.
  explicit TdeAudioOutDevice(int deviceId);

  // The low 16 bits of value on both channels. Where the device refuses it by id, the volume
  // control of its mixer line is set instead. Raises EACMDeviceOutError "This device does not
  // support volume control." when neither works.
  void SetVolume(DWORD value);

  BYTE Support = 0;
};

// The machine's wave devices, listed on first use (ids 0 .. 32) and freed at program end.
int AudioOutDeviceCount();
TdeAudioOutDevice* AudioOutDevices(int index);
int AudioInDeviceCount();
TdeAudioInDevice* AudioInDevices(int index);
