#include "ACMError.h"
#include "AudioConvertor.h"
#include "AudioStreams.h"
#include "AudioTestUtil.h"
#include "FileStream.h"
#include "RiffChunkWalk.h"
#include "Stream.h"
#include <gtest/gtest.h>
#include <cctype>
#include <cstring>
#include <functional>

namespace {
uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

std::vector<BYTE> Bytes(TMemoryStream& s) { return std::vector<BYTE>(s.Memory(), s.Memory() + s.Size()); }

void Append(std::vector<BYTE>& v, const char* id, uint32_t size) {
  v.insert(v.end(), id, id + 4);
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<BYTE>(size >> (8 * i)));
}

// A RIFF file built by hand: chunks of (id, declared size, content).
struct Chunk {
  const char* id;
  uint32_t size;
  std::vector<BYTE> content;
};
std::vector<BYTE> Riff(const std::vector<Chunk>& chunks, const char* riff = "RIFF",
                       const char* wave = "WAVE", uint32_t riffSize = 1000) {
  std::vector<BYTE> v;
  Append(v, riff, riffSize);
  v.insert(v.end(), wave, wave + 4);
  for (auto& c : chunks) {
    Append(v, c.id, c.size);
    v.insert(v.end(), c.content.begin(), c.content.end());
  }
  return v;
}

std::vector<BYTE> PcmFmt() {
  TdeWaveFormat f = Pcm(8000, 1, 8);
  return std::vector<BYTE>(f.Bytes(), f.Bytes() + 16);
}

std::string ReadError(const std::vector<BYTE>& file) {
  TMemoryStream s;
  s.Write(file.data(), static_cast<int>(file.size()));
  s.SetPosition(0);
  try {
    TdeRIFFAudioReader r(s);
  } catch (const EACMAudioReadError& e) {
    return e.Message;
  }
  return "";
}

// Accepts writes up to limit bytes of content, then refuses as a full disk does.
class TLimitedStream : public TMemoryStream {
public:
  explicit TLimitedStream(int64_t limit) : limit_(limit) {}
  int Write(const void* buffer, int count) override {
    int64_t room = limit_ - Position();
    int n = static_cast<int>(std::max<int64_t>(0, std::min<int64_t>(count, room)));
    if (n) TMemoryStream::Write(buffer, n);
    error_ = n < count ? ERROR_DISK_FULL : 0;
    return n;
  }
  int LastError() const override { return error_; }
  int64_t limit_;

private:
  int error_ = 0;
};

std::string Folder() { return SharedFolder("VL_WAVIO"); }

std::vector<BYTE> ReadWav(const std::string& name, TdeWaveFormat& format) {
  TFileStream file(Folder() + "\\" + name, fmOpenRead | fmShareDenyWrite);
  TdeRIFFAudioReader reader(file);
  format = reader.GetFormat();
  std::vector<BYTE> data(static_cast<size_t>(reader.DataSize()));
  EXPECT_EQ(reader.ReadData(0, data.data(), static_cast<int>(data.size())), reader.DataSize());
  return data;
}

void WriteWav(const std::string& name, const TdeWaveFormat& format, const std::vector<BYTE>& data) {
  TFileStream file(Folder() + "\\" + name, fmCreate);
  TdeRIFFAudioWriter writer(file);
  writer.SetFormat(format);
  writer.WriteAudio(data.data(), static_cast<int>(data.size()));
  writer.Finish();
  file.Close();
}

// As a recording is made: blocks of modem audio into a converter whose output goes straight
// to the file's writer.
void Record(const std::string& name, const TdeWaveFormat& from, const TdeWaveFormat& to,
            const std::vector<BYTE>& in, size_t block) {
  TFileStream file(Folder() + "\\" + name, fmCreate);
  TdeRIFFAudioWriter writer(file);
  writer.SetFormat(to);
  TdeAudioConvertor c(nullptr);
  c.SetFormatIn(from);
  c.SetFormatOut(to);
  c.OnAudioConverted = [&](TComponent*, const void* d, int n, bool&) { writer.WriteAudio(d, n); };
  c.Open();
  for (size_t pos = 0; pos < in.size(); pos += block)
    c.Convert(in.data() + pos, static_cast<int>(std::min(block, in.size() - pos)));
  c.Close();
  writer.Finish();
  file.Close();
}

std::vector<BYTE> ConvertAll(const TdeWaveFormat& from, const TdeWaveFormat& to,
                             const std::vector<BYTE>& in, size_t block) {
  TdeAudioConvertor c(nullptr);
  c.SetFormatIn(from);
  c.SetFormatOut(to);
  c.Open();
  std::vector<BYTE> out;
  c.OnAudioConverted = [&](TComponent*, const void* d, int n, bool&) {
    out.insert(out.end(), static_cast<const BYTE*>(d), static_cast<const BYTE*>(d) + n);
  };
  for (size_t pos = 0; pos < in.size(); pos += block)
    c.Convert(in.data() + pos, static_cast<int>(std::min(block, in.size() - pos)));
  return out;
}
}

TEST(RIFFWriter, LayoutOfPcmAndImaFiles) {
  TMemoryStream s;
  {
    TdeRIFFAudioWriter w(s);
    w.SetFormat(Pcm(8000, 1, 8));
    std::vector<BYTE> data(1000, 0x55);
    w.WriteAudio(data.data(), 600);
    w.WriteAudio(data.data(), 400);
    EXPECT_EQ(w.DataSize(), 1000);
  }  // destruction finishes
  std::vector<BYTE> f = Bytes(s);
  ASSERT_EQ(f.size(), 1044u);
  EXPECT_EQ(std::memcmp(f.data(), "RIFF", 4), 0);
  EXPECT_EQ(Le32(&f[4]), 1036u);
  EXPECT_EQ(std::memcmp(&f[8], "WAVEfmt ", 8), 0);
  EXPECT_EQ(Le32(&f[16]), 16u);
  EXPECT_EQ(std::memcmp(&f[20], Pcm(8000, 1, 8).Bytes(), 16), 0);
  EXPECT_EQ(std::memcmp(&f[36], "data", 4), 0);
  EXPECT_EQ(Le32(&f[40]), 1000u);

  // IMA: an 18 + 2 byte fmt chunk, data at 48; a writer that does not start at 0.
  TMemoryStream t;
  t.Write("0123456789", 10);
  TdeRIFFAudioWriter w(t);
  w.SetFormat(Ima8000());
  std::vector<BYTE> blocks(512, 0x11);
  w.WriteAudio(blocks.data(), 512);
  w.Finish();
  std::vector<BYTE> g = Bytes(t);
  ASSERT_EQ(g.size(), 10u + 48 + 512);
  EXPECT_EQ(Le32(&g[10 + 4]), 48u - 8 + 512);
  EXPECT_EQ(Le32(&g[10 + 16]), 20u);
  EXPECT_EQ(std::memcmp(&g[10 + 20], Ima8000().Bytes(), 20), 0);
  EXPECT_EQ(std::memcmp(&g[10 + 40], "data", 4), 0);
  EXPECT_EQ(Le32(&g[10 + 44]), 512u);
}

TEST(RIFFWriter, NothingWrittenLeavesTheStreamAloneAndAnEmptyFirstBlockMakesOneHeader) {
  TMemoryStream s;
  { TdeRIFFAudioWriter w(s); }
  EXPECT_EQ(s.Size(), 0);

  TMemoryStream t;
  {
    TdeRIFFAudioWriter w(t);
    w.SetFormat(Pcm(8000, 1, 8));
    w.WriteAudio(nullptr, 0);
    w.WriteAudio("abcd", 4);
  }
  std::vector<BYTE> f = Bytes(t);
  ASSERT_EQ(f.size(), 48u);
  EXPECT_EQ(Le32(&f[40]), 4u);
  EXPECT_EQ(std::memcmp(&f[44], "abcd", 4), 0);
}

TEST(RIFFWriter, AFullDiskRaisesAndFailsTheWriter) {
  // The platform's own full device.
  TFileStream full("Z:\\dev\\full", fmOpenWrite);
  TdeRIFFAudioWriter w(full);
  w.SetFormat(Pcm(8000, 1, 8));
  try {
    w.WriteAudio("abcd", 4);
    ADD_FAILURE() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_TRUE(e.ErrorCode == ERROR_DISK_FULL || e.ErrorCode == ERROR_HANDLE_DISK_FULL) << e.ErrorCode;
  }
  EXPECT_TRUE(w.Failed());
  EXPECT_THROW(w.WriteAudio("abcd", 4), EInOutError);
  EXPECT_EQ(w.DataSize(), 0);
}

TEST(RIFFWriter, AWriteCutShortCountsOnlyWhatArrivedAndTheFileStaysReadable) {
  TLimitedStream s(44 + 1500);
  TdeRIFFAudioWriter w(s);
  w.SetFormat(Pcm(8000, 1, 8));
  std::vector<BYTE> data = Sine8(1000, 20, 50);
  w.WriteAudio(data.data(), 1000);
  try {
    w.WriteAudio(data.data(), 1000);
    ADD_FAILURE() << "no exception";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, ERROR_DISK_FULL);
  }
  EXPECT_EQ(w.DataSize(), 1500);
  int64_t size = s.Size();
  EXPECT_THROW(w.WriteAudio(data.data(), 10), EInOutError);  // at once, nothing written
  EXPECT_EQ(s.Size(), size);
  w.Finish();  // the sizes fit in place

  s.SetPosition(0);
  TdeRIFFAudioReader r(s);
  EXPECT_EQ(r.DataSize(), 1500);
}

TEST(RIFFWriter, ExceptionsOfTheWriterReachTheConvertersCaller) {
  TFileStream full("Z:\\dev\\full", fmOpenWrite);
  TdeRIFFAudioWriter w(full);
  w.SetFormat(Pcm(8000, 1, 8));
  TdeAudioConvertor c(nullptr);
  c.SetFormatIn(Pcm(8000, 1, 8));
  c.SetFormatOut(Pcm(8000, 1, 8));
  c.OnAudioConverted = [&](TComponent*, const void* d, int n, bool&) { w.WriteAudio(d, n); };
  c.Open();
  std::vector<BYTE> block(2048, 128);
  EXPECT_THROW(c.Convert(block.data(), 2048), EInOutError);
}

TEST(RIFFReader, ReadsWhatTheWriterWrote) {
  TMemoryStream s;
  std::vector<BYTE> data = Sine8(777, 33, 60);
  {
    TdeRIFFAudioWriter w(s);
    w.SetFormat(Ima8000());
    w.WriteAudio(data.data(), static_cast<int>(data.size()));
  }
  s.SetPosition(0);
  TdeRIFFAudioReader r(s);
  EXPECT_TRUE(r.GetFormat().Equals(Ima8000()));
  EXPECT_EQ(r.TrackCount(), 1);
  EXPECT_EQ(r.DataSize(), 777);
  EXPECT_EQ(r.DataStart(), 48);
  std::vector<BYTE> got(1000, 0);
  EXPECT_EQ(r.ReadData(0, got.data(), 1000), 777);
  EXPECT_TRUE(std::equal(data.begin(), data.end(), got.begin()));
  std::vector<BYTE> again(10);
  EXPECT_EQ(r.ReadData(0, again.data(), 10), 10);  // from the start every time
  EXPECT_TRUE(std::equal(again.begin(), again.end(), data.begin()));
  r.GoToNextTrack();
  EXPECT_TRUE(r.EndOfTracks());
}

TEST(RIFFReader, ChunkWalk) {
  std::vector<BYTE> audio = {1, 2, 3, 4, 5};
  // A LIST chunk between, and the upper-case id.
  for (const char* id : {"fmt ", "FMT "}) {
    std::vector<BYTE> file = Riff({{id, 16, PcmFmt()}, {"LIST", 4, {'I', 'N', 'F', 'O'}}, {"data", 5, audio}});
    TMemoryStream s;
    s.Write(file.data(), static_cast<int>(file.size()));
    s.SetPosition(0);
    TdeRIFFAudioReader r(s);
    EXPECT_EQ(r.DataSize(), 5) << id;
    EXPECT_EQ(r.GetFormat().GetChannels(), 1) << id;
    EXPECT_EQ(r.GetFormat().GetExtraSize(), 0) << id;  // a 16-byte chunk leaves cbSize 0
  }
  // An odd chunk: read straight on works, a pad byte is not skipped.
  EXPECT_EQ(ReadError(Riff({{"fmt ", 16, PcmFmt()}, {"junk", 3, {9, 9, 9}}, {"data", 5, audio}})), "");
  EXPECT_EQ(ReadError(Riff({{"fmt ", 16, PcmFmt()}, {"junk", 3, {9, 9, 9, 0}}, {"data", 5, audio}})),
            "Invalid file format.");
}

// Each header once, with its size and where its content starts: the pad byte of an odd chunk is
// skipped, or read as the start of the next header; a header cut by the end is none.
TEST(RIFFChunkWalk, HeadersWithOrWithoutPadBytes) {
  std::vector<BYTE> file = Riff({{"junk", 3, {9, 9, 9, 0}}, {"data", 2, {1, 2}}});
  file.insert(file.end(), {'L', 'I', 'S'});
  auto headers = [&](bool skipPadBytes) {
    TMemoryStream s;
    s.Write(file.data(), static_cast<int>(file.size()));
    TRiffChunkWalk walk(s, 12, skipPadBytes);
    std::string list;
    TRiffChunk c;
    while (walk.Next(c)) {
      EXPECT_EQ(s.Position(), c.Start);
      for (char letter : c.Id) list += std::isprint(static_cast<unsigned char>(letter)) ? letter : '?';
      list += "/" + std::to_string(c.Size) + "@" + std::to_string(c.Start) + " ";
    }
    return list;
  };
  EXPECT_EQ(headers(true), "junk/3@20 data/2@32 ");
  EXPECT_EQ(headers(false), "junk/3@20 ?dat/609@31 ");

  TRiffChunk upper;
  std::memcpy(upper.Id, "FMT ", 4);
  EXPECT_TRUE(upper.Is("fmt "));
  EXPECT_FALSE(upper.Is("fmt2"));
}

TEST(RIFFReader, BrokenFilesAreRefused) {
  TdeWaveFormat ima = Ima8000();
  std::vector<BYTE> imaFmt(ima.Bytes(), ima.Bytes() + 20), longExtra = imaFmt, pcmLong = PcmFmt();
  longExtra[16] = 4;  // claims 4 extra bytes in a 20-byte chunk
  pcmLong.insert(pcmLong.end(), {200, 0});  // PCM ignores the extra size
  std::vector<BYTE> audio(10, 7);
  struct Case {
    const char* name;
    std::vector<BYTE> file;
    bool ok;
  } cases[] = {
      {"good", Riff({{"fmt ", 16, PcmFmt()}, {"data", 10, audio}}), true},
      {"fmt of 130", Riff({{"fmt ", 130, std::vector<BYTE>(130, 1)}, {"data", 10, audio}}), false},
      {"no data", Riff({{"fmt ", 16, PcmFmt()}}), false},
      {"no fmt", Riff({{"data", 10, audio}}), false},
      {"riff in lower case", Riff({{"fmt ", 16, PcmFmt()}, {"data", 10, audio}}, "riff"), false},
      {"RIFF size 0", Riff({{"fmt ", 16, PcmFmt()}, {"data", 10, audio}}, "RIFF", "WAVE", 0), false},
      {"not WAVE", Riff({{"fmt ", 16, PcmFmt()}, {"data", 10, audio}}, "RIFF", "AVI "), false},
      {"empty", {}, false},
      {"cut in the header", {'R', 'I', 'F', 'F', 1, 0}, false},
      {"cut in fmt", Riff({{"fmt ", 16, {1, 0, 1}}}), false},
      {"extra bytes past the chunk", Riff({{"fmt ", 20, longExtra}, {"data", 10, audio}}), false},
      {"IMA fmt", Riff({{"fmt ", 20, imaFmt}, {"data", 10, audio}}), true},
      {"PCM with a large cbSize", Riff({{"fmt ", 18, pcmLong}, {"data", 10, audio}}), true},
      {"huge unknown chunk", Riff({{"fmt ", 16, PcmFmt()}, {"junk", 0xFFFFFFF0u, {}}, {"data", 10, audio}}), false},
  };
  for (auto& c : cases)
    EXPECT_EQ(ReadError(c.file), c.ok ? "" : "Invalid file format.") << c.name;
}

TEST(RIFFReader, DataPastTheEndIsCutToTheBytesPresent) {
  std::vector<BYTE> audio(100, 9);
  for (uint32_t claimed : {101u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    std::vector<BYTE> file = Riff({{"fmt ", 16, PcmFmt()}, {"data", claimed, audio}});
    TMemoryStream s;
    s.Write(file.data(), static_cast<int>(file.size()));
    s.SetPosition(0);
    TdeRIFFAudioReader r(s);
    EXPECT_EQ(r.DataSize(), 100) << claimed;
    std::vector<BYTE> got(200);
    EXPECT_EQ(r.ReadData(0, got.data(), 200), 100);
  }
  // A recording whose writer never finished: sizes 0, rejected.
  std::vector<BYTE> killed = Riff({{"fmt ", 16, PcmFmt()}, {"data", 0, audio}}, "RIFF", "WAVE", 0);
  EXPECT_EQ(ReadError(killed), "Invalid file format.");
}

// Files shared with sox: the fixture script makes sox's files, the check script reads ours.
TEST(SoxFiles, FilesMadeBySoxLoad) {
  ASSERT_FALSE(Folder().empty()) << "VL_WAVIO not set";
  TdeWaveFormat f;
  std::vector<BYTE> ima = ReadWav("sox_ima.wav", f);
  EXPECT_TRUE(f.Equals(Ima8000()));
  EXPECT_EQ(ima.size(), 16u * 256);  // 8000 samples in 505-sample blocks
  // Wine's decoding of sox's file, for the check script to compare with sox's own.
  WriteWav("sox_ima_by_wine.wav", Pcm(8000, 1, 8), ConvertAll(f, Pcm(8000, 1, 8), ima, 2048));

  std::vector<BYTE> mulaw = ReadWav("sox_mulaw.wav", f);
  EXPECT_EQ(f.GetFormatTag(), WAVE_FORMAT_MULAW);
  EXPECT_EQ(mulaw.size(), 8000u);
  std::vector<BYTE> gsm = ReadWav("sox_gsm.wav", f);
  EXPECT_EQ(f.GetFormatTag(), 0x31);
  EXPECT_EQ(f.GetBlockAlign(), 65);
  EXPECT_EQ(gsm.size(), 25u * 65 + 1);  // sox counts its pad byte as data
  EXPECT_EQ(f.GetFormatDescription(), "GSM 6.10: 8000 Hz; Mono");
}

TEST(SoxFiles, OurFilesForSox) {
  ASSERT_FALSE(Folder().empty()) << "VL_WAVIO not set";
  std::vector<BYTE> sine = Sine8(23735, 20, 100);
  WriteWav("ours_pcm.wav", Pcm(8000, 1, 8), sine);
  {
    TFileStream raw(Folder() + "\\ours_pcm.raw", fmCreate);
    raw.WriteBuffer(sine.data(), static_cast<int>(sine.size()));
  }
  std::vector<BYTE> ima = ConvertAll(Pcm(8000, 1, 8), Ima8000(), sine, 2048);
  EXPECT_EQ(ima.size(), 47u * 256);
  WriteWav("ours_ima.wav", Ima8000(), ima);
  WriteWav("ours_ima_by_wine.wav", Pcm(8000, 1, 8), ConvertAll(Ima8000(), Pcm(8000, 1, 8), ima, 2048));
  Record("ours_mulaw.wav", Pcm(8000, 1, 8), G711(WAVE_FORMAT_MULAW), sine, 2048);
  // The same IMA file again, block by block as the modem engine records.
  Record("ours_ima_recorded.wav", Pcm(8000, 1, 8), Ima8000(), sine, 2048);
  std::vector<BYTE> gsm = ConvertAll(Pcm(8000, 1, 8), Gsm8000(), std::vector<BYTE>(sine.begin(), sine.begin() + 8000), 2048);
  EXPECT_EQ(gsm.size(), 25u * 65);
  WriteWav("ours_gsm.wav", Gsm8000(), gsm);
}
