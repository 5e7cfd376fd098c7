#include "ACMError.h"
#include "AudioConvertor.h"
#include "AudioTestUtil.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <memory>

namespace {
std::string OpenError(TdeAudioConvertor& c) {
  try {
    c.Open();
  } catch (const EACMError& e) {
    return e.Message;
  }
  return "";
}

// Feeds data in blocks of blockSize and collects what comes out.
struct Collect {
  std::vector<BYTE> out;
  std::vector<int> sizes;
  void Attach(TdeAudioConvertor& c) {
    c.OnAudioConverted = [this](TComponent*, const void* data, int size, bool&) {
      auto* p = static_cast<const BYTE*>(data);
      out.insert(out.end(), p, p + size);
      sizes.push_back(size);
    };
  }
};

std::vector<BYTE> Feed(TdeAudioConvertor& c, const std::vector<BYTE>& in, size_t blockSize) {
  Collect got;
  got.Attach(c);
  for (size_t pos = 0; pos < in.size(); pos += blockSize)
    c.Convert(in.data() + pos, static_cast<int>(std::min(blockSize, in.size() - pos)));
  return got.out;
}

std::vector<BYTE> Convert(const TdeWaveFormat& from, const TdeWaveFormat& to,
                          const std::vector<BYTE>& in, size_t blockSize) {
  TdeAudioConvertor c(nullptr);
  c.SetFormatIn(from);
  c.SetFormatOut(to);
  c.Open();
  return Feed(c, in, blockSize);
}

int MaxDifference(const std::vector<BYTE>& a, const std::vector<BYTE>& b, size_t n) {
  int worst = 0;
  for (size_t i = 0; i < n; ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
  return worst;
}
}

TEST(Convertor, ChainsThroughPcm) {
  TdeWaveFormat ima = Ima8000(), mulaw = G711(WAVE_FORMAT_MULAW), alaw = G711(WAVE_FORMAT_ALAW);
  TdeWaveFormat pcm8 = Pcm(8000, 1, 8), imaPcm = pcm8;
  imaPcm.SetExtraSize(2);  // as the IMA codec lists its PCM formats
  struct Case {
    const char* name;
    TdeWaveFormat in, out;
    int formats;
  } cases[] = {
      {"identity", pcm8, pcm8, 2},
      {"identity, cbSize 2", imaPcm, pcm8, 2},
      {"11025 stereo to 8000 mono", TdeWaveFormat(), pcm8, 2},
      {"8-bit PCM to IMA", pcm8, ima, 3},
      {"16-bit PCM to IMA", Pcm(8000, 1, 16), ima, 2},
      {"mu-law to 8-bit", mulaw, pcm8, 3},
      {"A-law to 8-bit", alaw, pcm8, 3},
      {"mu-law to IMA", mulaw, ima, 3},
      {"11025 stereo to IMA", TdeWaveFormat(), ima, 4},
      {"11025 mono 16 to IMA", Pcm(11025, 1, 16), ima, 3},
      {"IMA to 8-bit", ima, pcm8, 2},
      {"7200 16-bit to 8000 8-bit", Pcm(7200, 1, 16), pcm8, 2},
      {"11025 stereo to GSM", TdeWaveFormat(), Gsm8000(), 4},
      {"11025 stereo to mu-law", TdeWaveFormat(), mulaw, 4},
  };
  for (auto& c : cases) {
    TdeAudioConvertor conv(nullptr);
    conv.SetFormatIn(c.in);
    conv.SetFormatOut(c.out);
    EXPECT_EQ(OpenError(conv), "") << c.name;
    EXPECT_TRUE(conv.Active()) << c.name;
    ASSERT_EQ(conv.ChainFormatCount(), c.formats) << c.name;
    EXPECT_TRUE(conv.ChainFormat(0).Equals(c.in)) << c.name;
    EXPECT_TRUE(conv.ChainFormat(c.formats - 1).Equals(c.out)) << c.name;
    for (int i = 1; i + 1 < c.formats; ++i)
      EXPECT_EQ(conv.ChainFormat(i).GetFormatTag(), WAVE_FORMAT_PCM) << c.name;
  }
  // The PCM steps are what the ACM suggests: the 16-bit form of the input, then of the output.
  TdeAudioConvertor conv(nullptr);
  conv.SetFormatOut(ima);
  conv.Open();
  EXPECT_EQ(conv.ChainFormat(1).GetSamplesPerSec(), 11025u);
  EXPECT_EQ(conv.ChainFormat(1).GetBitsPerSample(), 16);
  EXPECT_EQ(conv.ChainFormat(1).GetChannels(), 2);
  EXPECT_EQ(conv.ChainFormat(2).GetSamplesPerSec(), 8000u);
  EXPECT_EQ(conv.ChainFormat(2).GetChannels(), 1);
}

TEST(Convertor, ImpossibleChainsRaiseAndStayInactive) {
  bool found = false;
  TdeWaveFormat msAdpcm = CodecFormat(WAVE_FORMAT_ADPCM, 8000, 1, &found);
  ASSERT_TRUE(found);
  TdeWaveFormat tooLong = Ima8000();
  tooLong.GetFormatPtr()->cbSize = 111;
  struct Case {
    TdeWaveFormat in, out;
    const char* text;
  } cases[] = {
      {Pcm(7200, 1, 16), Ima8000(), "The requested operation cannot be performed."},
      {TdeWaveFormat(), msAdpcm, "Conversion not possible."},
      {Pcm(8000, 1, 8), tooLong, "The wave format buffer is too small."},
      {tooLong, Pcm(8000, 1, 8), "The wave format buffer is too small."},
  };
  for (auto& c : cases) {
    TdeAudioConvertor conv(nullptr);
    conv.SetFormatIn(c.in);
    conv.SetFormatOut(c.out);
    EXPECT_EQ(OpenError(conv), c.text);
    EXPECT_FALSE(conv.Active());
    EXPECT_THROW(conv.Convert("x", 1), EACMConversionError);
  }
}

TEST(Convertor, StateErrors) {
  TdeAudioConvertor c(nullptr);
  try {
    c.Convert("abc", 3);
    ADD_FAILURE();
  } catch (const EACMConversionError& e) {
    EXPECT_EQ(e.Message, "Cannot perform this action while not active.");
  }
  EXPECT_THROW(c.Close(), EACMConversionError);
  c.SetActive(false);  // its own value: nothing
  c.Open();
  EXPECT_EQ(OpenError(c), "Cannot perform this action while active.");
  EXPECT_THROW(c.SetRequestRealTime(true), EACMConversionError);
  c.SetActive(true);
  c.Close();
  EXPECT_FALSE(c.Active());
  EXPECT_EQ(c.OutputSize(), 0);
  c.SetRequestRealTime(true);
  c.Open();  // the real-time flag makes no difference to Wine's drivers
  EXPECT_TRUE(c.Active());
}

TEST(Convertor, IdentityAndPcmConverterValues) {
  std::vector<BYTE> sine = Sine8(4000, 40, 100);
  EXPECT_EQ(Convert(Pcm(8000, 1, 8), Pcm(8000, 1, 8), sine, 2048), sine);
  // 16 to 8 bits truncates: (x >> 8) + 128.
  std::vector<BYTE> in16 = {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0x7F};
  std::vector<BYTE> out = Convert(Pcm(8000, 1, 16), Pcm(8000, 1, 8), in16, 2048);
  EXPECT_EQ(out, (std::vector<BYTE>{127, 128, 0, 255}));
}

TEST(Convertor, ImaBlocksComeOutWholeAndTheRestIsKept) {
  TdeAudioConvertor c(nullptr);
  c.SetFormatIn(Pcm(8000, 1, 8));
  c.SetFormatOut(Ima8000());
  c.Open();
  Collect got;
  got.Attach(c);
  std::vector<BYTE> sine = Sine8(2048 * 20, 37, 90);
  for (size_t pos = 0; pos < sine.size(); pos += 2048) c.Convert(sine.data() + pos, 2048);
  ASSERT_FALSE(got.sizes.empty());
  EXPECT_EQ(got.sizes[0], 1024);  // 2020 of 2048 samples make 4 blocks; 28 wait
  for (int size : got.sizes) EXPECT_EQ(size % 256, 0);
  // Only whole blocks are ever encoded: the last partial block stays behind.
  size_t blocks = got.out.size() / 256;
  EXPECT_EQ(blocks, sine.size() / 505);

  // Decoding gives 505 samples per block, close to what went in.
  std::vector<BYTE> back = Convert(Ima8000(), Pcm(8000, 1, 8), got.out, 2048);
  ASSERT_EQ(back.size(), blocks * 505);
  // The encoder adapts its step size over the first samples.
  std::vector<BYTE> backTail(back.begin() + 100, back.end()), sineTail(sine.begin() + 100, sine.end());
  EXPECT_LE(MaxDifference(backTail, sineTail, backTail.size()), 6);
}

TEST(Convertor, FirstBlocksTooSmallAreKeptForLater) {
  std::vector<BYTE> sine = Sine8(2048 * 6, 50, 80);
  TdeAudioConvertor c(nullptr);
  c.SetFormatIn(Pcm(8000, 1, 8));
  c.SetFormatOut(Ima8000());
  c.Open();
  Collect got;
  got.Attach(c);
  c.Convert(sine.data(), 100);
  EXPECT_TRUE(got.sizes.empty());
  EXPECT_EQ(c.OutputSize(), 0);
  for (size_t pos = 100; pos < sine.size(); pos += 100)
    c.Convert(sine.data() + pos, static_cast<int>(std::min<size_t>(100, sine.size() - pos)));
  EXPECT_EQ(got.out, Convert(Pcm(8000, 1, 8), Ima8000(), sine, 2048));
}

TEST(Convertor, G711BothWays) {
  std::vector<BYTE> sine = Sine8(8000, 20, 100);
  for (WORD tag : {WAVE_FORMAT_MULAW, WAVE_FORMAT_ALAW}) {
    std::vector<BYTE> coded = Convert(Pcm(8000, 1, 8), G711(tag), sine, 2048);
    ASSERT_EQ(coded.size(), sine.size()) << tag;
    std::vector<BYTE> back = Convert(G711(tag), Pcm(8000, 1, 8), coded, 1536);
    ASSERT_EQ(back.size(), sine.size()) << tag;
    EXPECT_LE(MaxDifference(back, sine, sine.size()), 2) << tag;
  }
}

TEST(Convertor, TooMuchAfterTheFirstPrepareIsRefused) {
  TdeAudioConvertor c(nullptr);
  c.SetFormatIn(Pcm(8000, 1, 8));
  c.SetFormatOut(Pcm(8000, 1, 8));
  c.Open();
  std::vector<BYTE> block(10000, 128);
  c.Convert(block.data(), 100);  // capacity 300 from here on
  c.Convert(block.data(), 300);
  try {
    c.Convert(block.data(), 301);
    ADD_FAILURE();
  } catch (const EACMConversionError& e) {
    EXPECT_EQ(e.Message, "Audio is too large to fit into conversion buffer");
  }
}

TEST(Convertor, AudioSourceLinksConvertors) {
  TComponent owner(nullptr);
  auto* first = new TdeAudioConvertor(&owner);
  auto* second = new TdeAudioConvertor(&owner);
  try {
    first->SetAudioSource(first);
    ADD_FAILURE();
  } catch (const EACMError& e) {
    EXPECT_EQ(e.Message, "Component cannot observe itself.");
  }
  auto* plain = new TComponent(&owner);
  try {
    first->SetAudioSource(plain);
    ADD_FAILURE();
  } catch (const EACMError& e) {
    EXPECT_EQ(e.Message, "The selected component is not an audio subject.");
  }

  // first: 8-bit to 16-bit; second follows first's output format and goes back to 8-bit.
  first->SetFormatIn(Pcm(8000, 1, 8));
  first->SetFormatOut(Pcm(8000, 1, 16));
  second->SetFormatOut(Pcm(8000, 1, 8));
  second->SetAudioSource(first);
  EXPECT_EQ(second->AudioSource(), first);
  Collect got;
  got.Attach(*second);
  first->Open();
  std::vector<BYTE> sine = Sine8(3000, 30, 100);
  Feed(*first, sine, 1000);
  EXPECT_TRUE(second->Active());
  EXPECT_TRUE(second->FormatIn().Equals(Pcm(8000, 1, 16)));
  EXPECT_EQ(got.out, sine);

  // A freed source leaves its observers without one.
  delete first;
  EXPECT_EQ(second->AudioSource(), nullptr);
  // A freed observer is no longer notified.
  auto* third = new TdeAudioConvertor(&owner);
  third->SetFormatOut(Pcm(8000, 1, 8));
  second->SetAudioSource(nullptr);
  third->SetAudioSource(second);
  delete third;
  second->SetFormatIn(Pcm(8000, 1, 8));
  second->Close();
  second->Open();
  EXPECT_NO_THROW(second->Convert(sine.data(), 100));
}

TEST(Convertor, ObserverErrorsReachTheCallerUnlessHandled) {
  TComponent owner(nullptr);
  auto* source = new TdeAudioConvertor(&owner);
  auto* failing = new TdeAudioConvertor(&owner);
  auto* after = new TdeAudioConvertor(&owner);
  source->SetFormatIn(Pcm(8000, 1, 8));
  source->SetFormatOut(Pcm(8000, 1, 8));
  failing->SetFormatOut(Pcm(8000, 1, 8));
  after->SetFormatOut(Pcm(8000, 1, 8));
  failing->OnAudioConverted = [](TComponent*, const void*, int, bool&) {
    throw EInOutError("disk full", ERROR_DISK_FULL);
  };
  int afterCalls = 0;
  after->OnAudioConverted = [&](TComponent*, const void*, int, bool&) { ++afterCalls; };
  failing->SetAudioSource(source);
  after->SetAudioSource(source);
  source->Open();
  BYTE data[64] = {};
  try {
    source->Convert(data, sizeof data);
    ADD_FAILURE();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, ERROR_DISK_FULL);
  }
  EXPECT_EQ(afterCalls, 0);

  std::string seen;
  source->OnObserverError = [&](IdeAudioSubject*, IdeAudioObserver*, const std::exception& e, bool& raise) {
    seen = e.what();
    raise = false;
  };
  source->Convert(data, sizeof data);
  EXPECT_EQ(seen, "disk full");
  EXPECT_EQ(afterCalls, 1);
}

namespace {
struct TCountingObserver : IdeAudioObserver {
  int calls = 0;
  std::function<void()> onReceive;
  void Receive(IdeAudioSubject*, const void*, int) override {
    ++calls;
    if (onReceive) onReceive();
  }
};
}

TEST(AudioSubject, AnObserverThatLeavesDuringItsCallDoesNotHideTheNext) {
  TdeAudioSubject subject(nullptr);
  TCountingObserver leaving, next;
  leaving.onReceive = [&] { subject.RemoveObserver(&leaving); };
  subject.AddObserver(&leaving);
  subject.AddObserver(&next);
  subject.AddObserver(&next);  // once only
  subject.Notify("a", 1);
  EXPECT_EQ(leaving.calls, 1);
  EXPECT_EQ(next.calls, 1);
  subject.Notify("a", 1);
  EXPECT_EQ(leaving.calls, 1);
  EXPECT_EQ(next.calls, 2);
}

TEST(Convertor, LeavesTheFloatingPointControlWordAsItWas) {
  auto controlWord = [] {
    WORD cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
  };
  WORD before = controlWord();
  std::vector<BYTE> sine = Sine8(4096, 40, 100);
  Convert(Pcm(8000, 1, 8), Ima8000(), sine, 2048);
  EXPECT_EQ(controlWord(), before);
  EXPECT_EQ(before & 0x3F, 0x3F);  // every exception masked
}
