#include "AudioDevice.h"
#include "ACMError.h"
#include <memory>
#include <mmsystem.h>
#include <vector>

namespace {
constexpr UINT MaxDevices = 33;
const char* const SNoVolume = "This device does not support volume control.";

struct TDeviceLists {
  std::vector<std::unique_ptr<TdeAudioInDevice>> in;
  std::vector<std::unique_ptr<TdeAudioOutDevice>> out;
  bool made = false;
};

TDeviceLists& Lists() {
  static TDeviceLists lists;
  if (!lists.made) {
    lists.made = true;
    UINT n = waveInGetNumDevs();
    for (UINT id = 0; id < n && id < MaxDevices; ++id) {
      try {
        lists.in.push_back(std::make_unique<TdeAudioInDevice>(static_cast<int>(id)));
      } catch (const EACMError&) {
        // A device that does not answer is not listed.
      }
    }
    n = waveOutGetNumDevs();
    for (UINT id = 0; id < n && id < MaxDevices; ++id) {
      try {
        lists.out.push_back(std::make_unique<TdeAudioOutDevice>(static_cast<int>(id)));
      } catch (const EACMError&) {
      }
    }
  }
  return lists;
}

struct TMixer {
  HMIXER h = nullptr;
  ~TMixer() { if (h) mixerClose(h); }
};

// The VOLUME control of the device's wave-out mixer destination, set to value of 0..65535.
bool SetMixerVolume(UINT deviceId, WORD value) {
  TMixer mixer;
  if (mixerOpen(&mixer.h, deviceId, 0, 0, MIXER_OBJECTF_WAVEOUT) != 0) return false;
  auto obj = reinterpret_cast<HMIXEROBJ>(mixer.h);
  MIXERLINEA line = {};
  line.cbStruct = sizeof line;
  line.dwDestination = 0;
  if (mixerGetLineInfoA(obj, &line, MIXER_GETLINEINFOF_DESTINATION | MIXER_OBJECTF_HMIXER) != 0)
    return false;
  MIXERCONTROLA control = {};
  MIXERLINECONTROLSA controls = {};
  controls.cbStruct = sizeof controls;
  controls.dwLineID = line.dwLineID;
  controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  controls.cControls = 1;
  controls.cbmxctrl = sizeof control;
  controls.pamxctrl = &control;
  if (mixerGetLineControlsA(obj, &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE | MIXER_OBJECTF_HMIXER) != 0)
    return false;
  DWORD lo = control.Bounds.dwMinimum, hi = control.Bounds.dwMaximum;
  MIXERCONTROLDETAILS_UNSIGNED level = {};
  level.dwValue = lo + static_cast<DWORD>((static_cast<unsigned long long>(hi - lo) * value) / 0xFFFF);
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof details;
  details.dwControlID = control.dwControlID;
  details.cChannels = 1;  // uniform: every channel
  details.cbDetails = sizeof level;
  details.paDetails = &level;
  return mixerSetControlDetails(obj, &details, MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER) == 0;
}
}

void TdeAudioDevice::SetVersion(DWORD version) {
  MajorVersion = HIBYTE(LOWORD(version));
  MinorVersion = LOBYTE(LOWORD(version));
}

TdeAudioInDevice::TdeAudioInDevice(int deviceId) : TdeAudioDevice(deviceId) {
  WAVEINCAPSA caps = {};
  ACMRaiseError<EACMDeviceError>(waveInGetDevCapsA(static_cast<UINT>(deviceId), &caps, sizeof caps));
  SetVersion(caps.vDriverVersion);
  ManufacturerID = caps.wMid;
  ProductID = caps.wPid;
  Channels = caps.wChannels;
  Name = std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

TdeAudioOutDevice::TdeAudioOutDevice(int deviceId) : TdeAudioDevice(deviceId) {
  WAVEOUTCAPSA caps = {};
  ACMRaiseError<EACMDeviceOutError>(waveOutGetDevCapsA(static_cast<UINT>(deviceId), &caps, sizeof caps));
  SetVersion(caps.vDriverVersion);
  ManufacturerID = caps.wMid;
  ProductID = caps.wPid;
  Channels = caps.wChannels;
  Name = std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
  Support = static_cast<BYTE>(caps.dwSupport & 0x7F);
}

void TdeAudioOutDevice::SetVolume(DWORD value) {
  if (!(Support & sfVolume)) throw EACMDeviceOutError(SNoVolume);
  WORD level = LOWORD(value);
  UINT id = DeviceID < 0 ? WAVE_MAPPER : static_cast<UINT>(DeviceID);
  if (waveOutSetVolume(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(id)), MAKELONG(level, level)) == 0)
    return;
  if (!SetMixerVolume(id, level)) throw EACMDeviceOutError(SNoVolume);
}

int AudioOutDeviceCount() { return static_cast<int>(Lists().out.size()); }
TdeAudioOutDevice* AudioOutDevices(int index) { return Lists().out.at(static_cast<size_t>(index)).get(); }
int AudioInDeviceCount() { return static_cast<int>(Lists().in.size()); }
TdeAudioInDevice* AudioInDevices(int index) { return Lists().in.at(static_cast<size_t>(index)).get(); }
