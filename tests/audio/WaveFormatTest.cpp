#include "ACMError.h"
#include "AudioTestUtil.h"
#include "Codec.h"
#include "RaisedText.h"
#include "WaveFormat.h"
#include "Stream.h"
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>

namespace {
std::vector<BYTE> Saved(const TdeWaveFormat& f) {
  std::vector<BYTE> v(TdeWaveFormat::BufferSize);
  f.SaveToBuffer(v.data());
  return v;
}

std::string TempFile(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

void WriteFile(const std::string& name, const std::vector<BYTE>& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good());
}
}

TEST(WaveFormat, NewFormatSavesAsTheDefaultBlock) {
  std::vector<BYTE> expected = {1, 0, 2, 0, 0x11, 0x2B, 0, 0, 0x22, 0x56, 0, 0, 2, 0, 8, 0, 0, 0};
  expected.resize(128, 0);
  EXPECT_EQ(Saved(TdeWaveFormat()), expected);
}

TEST(WaveFormat, EqualsComparesAllBytesAndAssignCopiesThem) {
  TdeWaveFormat a, b;
  EXPECT_TRUE(a.Equals(b));
  BYTE* extra = reinterpret_cast<BYTE*>(b.GetFormatPtr());
  extra[100] = 7;  // past 18 + cbSize
  EXPECT_FALSE(a.Equals(b));
  a.Assign(b);
  EXPECT_TRUE(a.Equals(b));
  EXPECT_EQ(Saved(a)[100], 7);
}

TEST(WaveFormat, ExtraSizeIsLimitedToTheBlock) {
  TdeWaveFormat f;
  f.SetExtraSize(110);
  EXPECT_EQ(f.GetExtraSize(), 110);
  EXPECT_EQ(RaisedText([&] { f.SetExtraSize(111); }), "The wave format buffer is too small.");
  EXPECT_THROW(f.SetExtraSize(0xFFFF), EACMError);
  EXPECT_EQ(f.GetFormatPtr()->cbSize, 110);
  f.GetFormatPtr()->cbSize = 200;
  EXPECT_EQ(f.GetExtraSize(), 110);
}

TEST(WaveFormat, SetDefaultLeavesTheExtraBytes) {
  TdeWaveFormat f = Ima8000();
  f.SetDefault();
  std::vector<BYTE> s = Saved(f);
  EXPECT_EQ(s[0], 1);
  EXPECT_EQ(s[16], 0);
  EXPECT_EQ(s[18], 0xF9);
  EXPECT_EQ(s[19], 1);
}

TEST(WaveFormat, ByteBlockRoundTripAndShortBlocks) {
  TdeWaveFormat ima = Ima8000(), copy;
  std::vector<BYTE> block = Saved(ima);
  copy.LoadFromBuffer(block.data(), block.size());
  EXPECT_TRUE(copy.Equals(ima));
  // A shorter block changes only its own bytes.
  TdeWaveFormat f;
  BYTE four[4] = {0x11, 0, 1, 0};
  f.LoadFromBuffer(four, 4);
  std::vector<BYTE> s = Saved(f), d = Saved(TdeWaveFormat());
  EXPECT_EQ(s[0], 0x11);
  EXPECT_EQ(s[2], 1);
  EXPECT_TRUE(std::equal(s.begin() + 4, s.end(), d.begin() + 4));
}

TEST(WaveFormat, Streams) {
  TMemoryStream s;
  s.Write("xyz", 3);
  TdeWaveFormat ima = Ima8000();
  ima.SaveToStream(s);
  EXPECT_EQ(s.Size(), 3 + 128);
  s.SetPosition(3);
  TdeWaveFormat f;
  f.LoadFromStream(s);
  EXPECT_TRUE(f.Equals(ima));
  EXPECT_EQ(s.Position(), 3 + 128);
  // What is left of a stream, when it is short of 128 bytes.
  s.SetPosition(3 + 128 - 2);
  TdeWaveFormat g;
  g.LoadFromStream(s);
  std::vector<BYTE> b = Saved(g), d = Saved(TdeWaveFormat());
  EXPECT_TRUE(std::equal(b.begin() + 2, b.end(), d.begin() + 2));
  EXPECT_EQ(b[0], 0);
}

TEST(WaveFormat, CpnFiles) {
  std::string full = TempFile("vl_full.cpn"), shorter = TempFile("vl_short.cpn");
  std::vector<BYTE> ima = Saved(Ima8000());
  ima[127] = 0x5A;
  WriteFile(full, ima);
  TdeWaveFormat f;
  f.LoadFromFile(full);
  EXPECT_EQ(Saved(f), ima);

  // 16 bytes: only the first 16 change.
  std::vector<BYTE> sixteen(ima.begin(), ima.begin() + 16);
  WriteFile(shorter, sixteen);
  TdeWaveFormat g = Gsm8000();
  std::vector<BYTE> before = Saved(g);
  g.LoadFromFile(shorter);
  std::vector<BYTE> after = Saved(g);
  EXPECT_TRUE(std::equal(after.begin(), after.begin() + 16, ima.begin()));
  EXPECT_TRUE(std::equal(after.begin() + 16, after.end(), before.begin() + 16));

  EXPECT_THROW(f.LoadFromFile(TempFile("vl_no_such.cpn")), EInOutError);
  DeleteFileA(full.c_str());
  DeleteFileA(shorter.c_str());
}

TEST(WaveFormat, DescriptionsFromTheACM) {
  TdeWaveFormat zero;
  std::vector<BYTE> zeros(128, 0);
  zero.LoadFromBuffer(zeros.data(), zeros.size());
  TdeWaveFormat tooLong = Ima8000();
  tooLong.GetFormatPtr()->cbSize = 111;
  struct Case {
    TdeWaveFormat format;
    const char* text;
  } cases[] = {
      {Pcm(8000, 1, 8), "PCM: 8000 Hz; 8 bits; Mono"},
      {TdeWaveFormat(), "PCM: 11025 Hz; 8 bits; Stereo"},
      {Pcm(7200, 1, 16), "PCM: 7200 Hz; 16 bits; Mono"},
      {Ima8000(), "IMA ADPCM: 8000 Hz; 4 bits; Mono"},
      {G711(WAVE_FORMAT_MULAW), "U-Law: 8000 Hz; 8 bits; Mono"},
      {G711(WAVE_FORMAT_ALAW), "A-Law: 8000 Hz; 8 bits; Mono"},
      {Gsm8000(), "GSM 6.10: 8000 Hz; Mono"},
      {zero, ""},     // the ACM knows no such format
      {tooLong, ""},  // never handed to the ACM
  };
  for (auto& c : cases) EXPECT_EQ(c.format.GetFormatDescription(), c.text) << c.text;
}

TEST(ACMRaiseError, TextsAndPrefix) {
  EXPECT_NO_THROW(ACMRaiseError(0, "x"));
  EXPECT_EQ(RaisedText([] { ACMRaiseError(9); }), "An unexpected error has occurred (code #9).");
  EXPECT_EQ(RaisedText([] { ACMRaiseError(513, "Error selecting format."); }),
            "Error selecting format.\r\nThe conversion stream is already in use.");
  struct Case {
    MMRESULT code;
    const char* text;
  } cases[] = {
      {2, "Bad device ID."}, {3, "Driver not enabled."}, {4, "Device already allocated."},
      {5, "The specified handle is invalid."},
      {6, "A suitable driver is not available to provide valid format selections."},
      {7, "The system is unable to allocate resources."}, {8, "Function not supported."},
      {10, "At least one flag is invalid."}, {11, "At least one parameter is invalid."},
      {12, "Device handle in use."},
      {32, "The selected audio format is not supported on this machine."},
      {33, "Audio device is still playing."},
      {34, "Cannot perform this action on a header that has not been prepared."},
      {35, "Device is synchronous."}, {512, "The requested operation cannot be performed."},
      {513, "The conversion stream is already in use."},
      {514, "Cannot perform this action on a header that has not been prepared."},
      {515, "An unexpected error has occurred (code #515)."},
  };
  for (auto& c : cases) EXPECT_EQ(ACMErrorText(c.code, ""), c.text);
  EXPECT_THROW(ACMRaiseError<EACMCodecError>(2), EACMCodecError);
  EXPECT_THROW(ACMRaiseError<EACMAudioOutError>(2), EACMAudioIOError);
}

namespace {
ACMFORMATCHOOSEA lastRecord;
std::string lastTitle;
int chooseResult;
int FakeChooser(ACMFORMATCHOOSEA& record) {
  lastRecord = record;
  lastTitle = record.pszTitle;
  if (chooseResult == 1) reinterpret_cast<WAVEFORMATEX*>(record.pwfx)->nSamplesPerSec = 8000;
  return chooseResult;
}

struct ChooserFixture : ::testing::Test {
  void SetUp() override { SetFormatChooseRunner(FakeChooser); }
  void TearDown() override { SetFormatChooseRunner(nullptr); }
};
}

TEST_F(ChooserFixture, OkTakesTheChoiceCancelAndFailureKeepTheFormat) {
  TdeWaveFormat f;
  chooseResult = 2;
  EXPECT_FALSE(f.Choose("Pick"));
  EXPECT_TRUE(f.Equals(TdeWaveFormat()));
  EXPECT_EQ(lastRecord.cbStruct, sizeof(ACMFORMATCHOOSEA));
  EXPECT_EQ(lastRecord.fdwStyle, 0x40u);
  EXPECT_EQ(lastRecord.cbwfx, 128u);
  EXPECT_EQ(lastTitle, "Pick");
  EXPECT_EQ(lastRecord.fdwEnum, 0u);

  chooseResult = 3;
  f.ChooseFilter = 2;
  try {
    f.Choose("Pick");
    ADD_FAILURE() << "no exception";
  } catch (const EACMConversionError& e) {
    EXPECT_EQ(e.Message, "Error selecting format.\r\nDriver not enabled.");
  }
  EXPECT_EQ(lastRecord.fdwEnum, 0x1000000u);
  EXPECT_TRUE(f.Equals(TdeWaveFormat()));

  chooseResult = 1;
  f.ChooseFilter = 1;
  EXPECT_TRUE(f.Choose("Pick"));
  EXPECT_EQ(lastRecord.fdwEnum, 0x800000u);
  EXPECT_EQ(f.GetSamplesPerSec(), 8000u);
}

TEST(Codecs, ListOfWineDrivers) {
  ASSERT_GE(CodecCount(), 6);
  bool ima = false, pcm = false;
  for (int i = 0; i < CodecCount(); ++i) {
    TdeCodec* c = Codecs(i);
    EXPECT_GE(c->MaxFormatSize, 18u);
    EXPECT_GT(c->FormatCount(), 0);
    std::string name = c->Details.szLongName;
    if (name == "Microsoft IMA ADPCM CODEC") {
      ima = true;
      EXPECT_TRUE(c->Support & TdeCodec::sfCodec);
      bool found = false;
      for (int k = 0; k < c->FormatCount(); ++k) {
        TdeCodec::TFormatRec rec;
        c->GetFormat(k, rec);
        if (std::memcmp(rec.Format, Ima8000().GetFormatPtr(), 20) == 0) {
          found = true;
          EXPECT_FALSE(rec.Name.empty());
        }
      }
      EXPECT_TRUE(found) << "IMA 8000 Hz mono";
    }
    if (name == "Wine PCM converter") {
      pcm = true;
      EXPECT_EQ(c->MaxFormatSize, 18u);  // reported as 16
      EXPECT_TRUE(c->Support & TdeCodec::sfConverter);
    }
  }
  EXPECT_TRUE(ima);
  EXPECT_TRUE(pcm);

  // Enumerating again replaces the list.
  int count = CodecCount();
  EnumerateCodecs();
  EXPECT_EQ(CodecCount(), count);
}

TEST(Codecs, ADriverThatDoesNotAnswerGivesACodecError) {
  int count = CodecCount();
  try {
    TdeCodec codec(reinterpret_cast<HACMDRIVERID>(0x1234));
    ADD_FAILURE() << "no exception";
  } catch (const EACMCodecError& e) {
    EXPECT_EQ(e.Message.rfind("Error retrieving driver details.\r\n", 0), 0u) << e.Message;
  }
  EXPECT_EQ(CodecCount(), count);
}

