#include "ACMError.h"
#include "AudioConvertor.h"
#include "AudioDevice.h"
#include "AudioOut.h"
#include "AudioTestUtil.h"
#include "MessagePump.h"
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {
constexpr DWORD LongWait = 20000;

std::vector<BYTE> Block(size_t size, int seed) {
  std::vector<BYTE> b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<BYTE>((i * 7 + seed * 31) & 0xFF);
  return b;
}

std::vector<BYTE> Join(const std::vector<std::vector<BYTE>>& blocks) {
  std::vector<BYTE> all;
  for (auto& b : blocks) all.insert(all.end(), b.begin(), b.end());
  return all;
}

// The audio bytes of the capture file, once it holds at least atLeast of them.
std::vector<BYTE> Captured(size_t atLeast) {
  std::string file = SharedFolder("VL_CAPTURE") + "\\cap.wav";
  std::vector<BYTE> audio;
  PumpUntil([&] {
    std::ifstream in(file, std::ios::binary);
    std::vector<BYTE> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    audio.clear();
    for (size_t i = 12; i + 8 <= all.size() && i < 200; ++i)
      if (std::memcmp(&all[i], "data", 4) == 0) {
        audio.assign(all.begin() + static_cast<std::ptrdiff_t>(i + 8), all.end());
        break;
      }
    return audio.size() >= atLeast;
  }, LongWait);
  return audio;
}

bool StartsWith(const std::vector<BYTE>& all, const std::vector<BYTE>& prefix) {
  return all.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), all.begin());
}

struct Player : ::testing::Test {
  TComponent owner{nullptr};
  TdeAudioOut* out = new TdeAudioOut(&owner);
  std::vector<std::vector<BYTE>> played;
  std::vector<DWORD> inDeviceWhenPlayed;

  void SetUp() override {
    ASSERT_FALSE(SharedFolder("VL_CAPTURE").empty()) << "run through capture-run.sh";
    out->SetFormat(Pcm(8000, 1, 8));
    out->OnAudioPlayed = [this](TComponent* sender, const void* data, int size) {
      EXPECT_EQ(sender, out);
      auto* p = static_cast<const BYTE*>(data);
      played.emplace_back(p, p + size);
      inDeviceWhenPlayed.push_back(out->InDeviceCount());
    };
  }
  bool WaitPlayed(size_t n) { return PumpUntil([&] { return played.size() >= n; }, LongWait); }
  void PlayAll(const std::vector<std::vector<BYTE>>& blocks) {
    for (auto& b : blocks) out->Play(b.data(), static_cast<int>(b.size()));
  }
};
}

TEST_F(Player, PlaysTheBytesGivenInOrderAfterPreBuffering) {
  std::vector<std::vector<BYTE>> blocks;
  for (int i = 0; i < 8; ++i) blocks.push_back(Block(800, i));
  out->Open();
  for (int i = 0; i < 4; ++i) out->Play(blocks[i].data(), 800);
  EXPECT_EQ(out->InDeviceCount(), 0u);  // held back
  out->Play(blocks[4].data(), 800);
  EXPECT_EQ(out->InDeviceCount(), 5u);
  for (int i = 5; i < 8; ++i) out->Play(blocks[i].data(), 800);
  ASSERT_TRUE(WaitPlayed(8));
  EXPECT_EQ(played, blocks);
  EXPECT_EQ(inDeviceWhenPlayed.back(), 0u);
  out->Close();
  std::vector<BYTE> all = Join(blocks);
  EXPECT_TRUE(StartsWith(Captured(all.size()), all));
}

TEST_F(Player, HeldBlocksAreReleasedUnplayedByClose) {
  out->Open();
  out->Play("", 0);  // nothing, also during the countdown
  std::vector<BYTE> b = Block(800, 1);
  for (int i = 0; i < 4; ++i) out->Play(b.data(), 800);
  EXPECT_EQ(out->InDeviceCount(), 0u);
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(played.empty());
  out->Close();
  EXPECT_FALSE(out->Active());
  PumpUntil([] { return false; }, 300);
  EXPECT_TRUE(played.empty());
}

TEST_F(Player, PauseHoldsThePlaybackAndRestartResumesIt) {
  out->BufferCount = 0;
  out->Open();
  out->Pause(true);
  EXPECT_TRUE(out->Paused());
  std::vector<std::vector<BYTE>> blocks = {Block(800, 3), Block(800, 4), Block(800, 5)};
  PlayAll(blocks);
  EXPECT_EQ(out->InDeviceCount(), 3u);
  PumpUntil([] { return false; }, 500);
  EXPECT_TRUE(played.empty());
  out->Pause(false);
  EXPECT_FALSE(out->Paused());
  ASSERT_TRUE(WaitPlayed(3));
  EXPECT_EQ(played, blocks);
  out->Close();
  std::vector<BYTE> all = Join(blocks);
  EXPECT_TRUE(StartsWith(Captured(all.size()), all));
}

TEST_F(Player, BlocksOverTheMaximumAreDropped) {
  out->BufferCount = 0;
  out->Open();
  EXPECT_THROW(out->SetMaximumBuffers(2), EACMAudioIOError);
  out->Close();
  out->SetMaximumBuffers(2);
  out->Open();
  out->Pause(true);
  std::vector<std::vector<BYTE>> blocks = {Block(800, 6), Block(800, 7), Block(800, 8)};
  PlayAll(blocks);
  EXPECT_EQ(out->InDeviceCount(), 2u);
  out->Pause(false);
  ASSERT_TRUE(WaitPlayed(2));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(played.size(), 2u);
  out->Close();
  std::vector<BYTE> two = Join({blocks[0], blocks[1]});
  std::vector<BYTE> cap = Captured(two.size());
  EXPECT_TRUE(StartsWith(cap, two));
  std::vector<BYTE> rest(cap.begin() + static_cast<std::ptrdiff_t>(std::min(cap.size(), two.size())), cap.end());
  EXPECT_FALSE(StartsWith(rest, std::vector<BYTE>(blocks[2].begin(), blocks[2].begin() + 16)));
}

TEST_F(Player, CompletionsOfAResetAreIgnoredAfterAReopen) {
  out->BufferCount = 0;
  out->Open();
  out->Pause(true);
  PlayAll({Block(800, 9), Block(800, 10), Block(800, 11)});
  out->Close();  // the reset posts a completion for each block
  out->Open();
  out->Pause(true);
  std::vector<std::vector<BYTE>> fresh = {Block(800, 12), Block(800, 13)};
  PlayAll(fresh);
  PumpUntil([] { return false; }, 500);
  EXPECT_TRUE(played.empty());
  EXPECT_EQ(out->InDeviceCount(), 2u);
  out->Pause(false);
  ASSERT_TRUE(WaitPlayed(2));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(played, fresh);
  EXPECT_EQ(out->InDeviceCount(), 0u);
  out->Close();
}

TEST_F(Player, CloseFromInsideOnAudioPlayed) {
  out->BufferCount = 0;
  int calls = 0;
  out->OnAudioPlayed = [&](TComponent*, const void*, int) {
    ++calls;
    out->Close();
  };
  out->Open();
  PlayAll({Block(800, 1), Block(800, 2), Block(800, 3)});
  ASSERT_TRUE(PumpUntil([&] { return calls > 0; }, LongWait));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(out->Active());
}

TEST_F(Player, CloseFromInsideAnObserver) {
  // The observer is told first; after its close nothing reads the block it freed.
  auto* observer = new TdeAudioConvertor(&owner);
  observer->SetFormatOut(Pcm(8000, 1, 8));
  observer->SetAudioSource(out);
  int told = 0;
  observer->OnAudioConverted = [&](TComponent*, const void*, int, bool&) {
    ++told;
    out->Close();
  };
  out->BufferCount = 0;
  out->Open();
  PlayAll({Block(800, 1), Block(800, 2), Block(800, 3)});
  ASSERT_TRUE(PumpUntil([&] { return told > 0; }, LongWait));
  PumpUntil([] { return false; }, 300);
  EXPECT_EQ(told, 1);
  EXPECT_TRUE(played.empty()) << "OnAudioPlayed after the close";
  EXPECT_FALSE(out->Active());
  // The player opens and plays again.
  observer->SetAudioSource(nullptr);
  out->Open();
  std::vector<BYTE> b = Block(800, 4);
  PlayAll({b});
  ASSERT_TRUE(WaitPlayed(1));
  EXPECT_EQ(played[0], b);
  out->Close();
}

TEST_F(Player, EventsAndOpeningWhenLoaded) {
  std::string order;
  out->BeforeOpen = [&](TComponent*) { order += "bo "; };
  out->AfterOpen = [&](TComponent*) { order += out->Active() ? "ao " : "ao? "; };
  out->BeforeClose = [&](TComponent*) { order += "bc "; };
  out->AfterClose = [&](TComponent*) { order += out->Active() ? "ac? " : "ac "; };
  owner.BeginLoading();
  EXPECT_FALSE(out->Active());
  owner.EndLoading();  // AutoOpen
  EXPECT_TRUE(out->Active());
  out->SetActive(true);  // already: nothing
  out->SetActive(false);
  out->Close();
  EXPECT_EQ(order, "bo ao bc ac ");

  out->AutoOpen = false;
  owner.BeginLoading();
  owner.EndLoading();
  EXPECT_FALSE(out->Active());
}

TEST_F(Player, StateAndDeviceErrors) {
  try {
    out->Play("abc", 3);
    ADD_FAILURE();
  } catch (const EACMAudioIOError& e) {
    EXPECT_EQ(e.Message, "Cannot perform this action while not active.");
  }
  out->Pause(true);  // not active: nothing
  EXPECT_FALSE(out->Paused());
  out->SetDeviceID(5);
  try {
    out->Open();
    ADD_FAILURE();
  } catch (const EACMAudioOutError& e) {
    EXPECT_EQ(e.Message, "Error opening audio device for output.\r\nBad device ID.");
  }
  EXPECT_FALSE(out->Active());
  out->SetDeviceID(-1);
  TdeWaveFormat tooLong = Ima8000();
  tooLong.GetFormatPtr()->cbSize = 111;
  out->SetFormat(tooLong);
  EXPECT_THROW(out->Open(), EACMError);
  EXPECT_FALSE(out->Active());
}

TEST_F(Player, CompressedFormatsGoThroughTheMapper) {
  // IMA blocks of a sine, made by the ACM.
  TdeAudioConvertor enc(nullptr);
  enc.SetFormatIn(Pcm(8000, 1, 8));
  enc.SetFormatOut(Ima8000());
  enc.Open();
  std::vector<BYTE> ima;
  enc.OnAudioConverted = [&](TComponent*, const void* d, int n, bool&) {
    ima.insert(ima.end(), static_cast<const BYTE*>(d), static_cast<const BYTE*>(d) + n);
  };
  std::vector<BYTE> sine = Sine8(8192, 40, 100);
  for (size_t pos = 0; pos < sine.size(); pos += 2048) enc.Convert(sine.data() + pos, 2048);
  ASSERT_EQ(ima.size() % 256, 0u);

  out->SetFormat(Ima8000());
  out->BufferCount = 0;
  out->Open();
  for (size_t pos = 0; pos < ima.size(); pos += 256) out->Play(ima.data() + pos, 256);
  EXPECT_TRUE(WaitPlayed(ima.size() / 256));
  out->Close();
}

TEST_F(Player, LinksToConvertors) {
  auto* source = new TdeAudioConvertor(&owner);
  auto* after = new TdeAudioConvertor(&owner);
  source->SetFormatIn(Pcm(8000, 1, 8));
  source->SetFormatOut(Pcm(8000, 1, 8));
  after->SetFormatOut(Pcm(8000, 1, 8));
  out->SetAudioSource(source);
  after->SetAudioSource(out);  // told of every block the device finished
  std::vector<BYTE> seen;
  after->OnAudioConverted = [&](TComponent*, const void* d, int n, bool&) {
    seen.insert(seen.end(), static_cast<const BYTE*>(d), static_cast<const BYTE*>(d) + n);
  };
  source->Open();
  std::vector<BYTE> b = Block(800, 5);
  source->Convert(b.data(), 800);  // player closed: not played
  out->BufferCount = 0;
  out->Open();
  source->Convert(b.data(), 800);
  EXPECT_EQ(out->InDeviceCount(), 1u);
  ASSERT_TRUE(WaitPlayed(1));
  EXPECT_EQ(seen, b);
  out->Close();
  EXPECT_TRUE(StartsWith(Captured(800), b));
}

namespace {
struct TPoolProbe : TdeAudioOut {
  using TdeAudioOut::TdeAudioOut;
  using TdeAudioIO::GetBlock;
  using TdeAudioIO::ReleaseBlock;
};
}

TEST(AudioPool, ReusesBlocksBySize) {
  TPoolProbe probe(nullptr);
  void* b2048 = probe.GetBlock(2048);
  void* b3000 = probe.GetBlock(3000);
  probe.ReleaseBlock(b2048);
  probe.ReleaseBlock(b3000);
  void* got = probe.GetBlock(2048);
  EXPECT_EQ(got, b2048);
  probe.ReleaseBlock(got);
  got = probe.GetBlock(1500);
  EXPECT_EQ(got, b2048);  // excess 548 is below 1500
  probe.ReleaseBlock(got);
  got = probe.GetBlock(1000);
  EXPECT_NE(got, b2048);
  EXPECT_NE(got, b3000);
  got = probe.GetBlock(2500);
  EXPECT_EQ(got, b3000);
  got = probe.GetBlock(2100);  // the 2048 block is too small, 3000 is taken: new
  EXPECT_NE(got, b2048);
}

TEST(AudioPool, BlocksAreAlignedForWaveHeaders) {
  // Play keeps WAVEHDRs, pointers and all, in these blocks.
  TPoolProbe probe(nullptr);
  for (DWORD size : {DWORD(sizeof(WAVEHDR)), DWORD(1), DWORD(2047)}) {
    void* block = probe.GetBlock(size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(WAVEHDR), 0u) << size;
  }
}

namespace {
DWORD MixerVolume() {
  HMIXER mixer;
  if (mixerOpen(&mixer, 0, 0, 0, MIXER_OBJECTF_WAVEOUT) != 0) return 0xFFFFFFFF;
  MIXERLINEA line = {};
  line.cbStruct = sizeof line;
  mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(mixer), &line, MIXER_GETLINEINFOF_DESTINATION);
  MIXERCONTROLA control = {};
  MIXERLINECONTROLSA controls = {sizeof controls, line.dwLineID, {MIXERCONTROL_CONTROLTYPE_VOLUME},
                                 1, sizeof control, &control};
  mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(mixer), &controls, MIXER_GETLINECONTROLSF_ONEBYTYPE);
  MIXERCONTROLDETAILS_UNSIGNED value = {};
  MIXERCONTROLDETAILS details = {};
  details.cbStruct = sizeof details;
  details.dwControlID = control.dwControlID;
  details.cChannels = 1;
  details.cbDetails = sizeof value;
  details.paDetails = &value;
  mixerGetControlDetailsA(reinterpret_cast<HMIXEROBJ>(mixer), &details, MIXER_GETCONTROLDETAILSF_VALUE);
  mixerClose(mixer);
  return value.dwValue;
}

struct TFullVolume {
  ~TFullVolume() {
    try {
      TdeAudioOutDevice(0).SetVolume(0xFFFF);
    } catch (...) {
    }
  }
};
}

TEST_F(Player, DevicesAndVolume) {
  EXPECT_EQ(AudioOutDeviceCount(), 1);
  EXPECT_EQ(AudioInDeviceCount(), 1);
  TdeAudioOutDevice* dev = AudioOutDevices(0);
  EXPECT_EQ(dev->DeviceID, 0);
  EXPECT_EQ(dev->Name, "Out: default");
  EXPECT_EQ(dev->Channels, 2);
  EXPECT_TRUE(dev->Support & TdeAudioOutDevice::sfVolume);
  EXPECT_EQ(AudioInDevices(0)->Name, "In: default");
  EXPECT_THROW(TdeAudioOutDevice(5), EACMDeviceOutError);

  TdeAudioOutDevice noVolume(0);
  noVolume.Support &= static_cast<BYTE>(~TdeAudioOutDevice::sfVolume);
  try {
    noVolume.SetVolume(0x8000);
    ADD_FAILURE();
  } catch (const EACMDeviceOutError& e) {
    EXPECT_EQ(e.Message, "This device does not support volume control.");
  }

  // The volume reaches the mixer and scales what is played later.
  TFullVolume restore;
  dev->SetVolume(0x4000);
  EXPECT_NEAR(static_cast<double>(MixerVolume()), 0x4000, 2);
  out->SetFormat(Pcm(8000, 1, 16));
  out->BufferCount = 0;
  out->Open();
  std::vector<BYTE> loud(1600);
  for (size_t i = 0; i < loud.size(); i += 2) {
    loud[i] = 0x40;  // 8000
    loud[i + 1] = 0x1F;
  }
  out->Play(loud.data(), static_cast<int>(loud.size()));
  ASSERT_TRUE(WaitPlayed(1));
  out->Close();
  std::vector<BYTE> cap = Captured(loud.size());
  ASSERT_GE(cap.size(), loud.size());
  int sample = static_cast<int16_t>(cap[800] | (cap[801] << 8));
  EXPECT_NEAR(sample, 2000, 40);
  dev->SetVolume(0xFFFF);
  EXPECT_NEAR(static_cast<double>(MixerVolume()), 0xFFFF, 2);
}
