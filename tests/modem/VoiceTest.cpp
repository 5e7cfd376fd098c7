// Voice receive over a fake port, through the real converters.
#include "AudioTestUtil.h"
#include "Compression.h"
#include "EngineFixture.h"
#include "FileStream.h"
#include "MessagePump.h"
#include "VoiceStream.h"
#include <gtest/gtest.h>
#include <cmath>

namespace {

std::string Shield(const std::string& audio) {
  std::string out;
  for (char c : audio) {
    out += c;
    if (c == 0x10) out += c;
  }
  return out;
}

std::string Ramp(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>(i % 256);
  return s;
}

std::string Tone425(size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>(std::lround(128 + 60 * std::sin(2 * 3.14159265358979323846 * 425 * i / 8000.0)));
  return s;
}

class Voice : public ::testing::Test, public EngineFixture {
protected:
  void SetUp() override {
    Make();
    ini->WriteFormat("Modem compression", Pcm8k());
    CurrentCompression.Clear();
    CurrentCompression.Description.Set("UNSIGNED PCM");
    CurrentCompression.bps.Set("8");
    CurrentCompression.vsr.Set("8000");
    RecordWriter = &writer;
    ASSERT_TRUE(modem->OpenPort(5, false));
    modem->WatchDisconnect = true;
  }
  void Start() {
    modem->StartVoiceReceive();
    port->Deliver("\r\nCONNECT\r\n");
  }
  // Feeds the bytes in batches of 700 until the stop action ran; returns the bytes fed.
  size_t FeedUntilStop(const std::string& bytes) {
    size_t fed = 0;
    while (fed < bytes.size() && host.stops == 0) {
      std::string batch = bytes.substr(fed, 700);
      port->Deliver(batch);
      fed += batch.size();
      ProcessMessages();
    }
    return fed;
  }
  CaptureWriter writer;
};

}  // namespace

TEST(VoiceStream, UnshieldsAndSkipsTheConnectLine) {
  TVoiceStream v;
  std::string got;
  v.OnWavBlock = [&](uint8_t* b, int n) { got.append(reinterpret_cast<char*>(b), n); };
  v.Start();
  std::string in = "\r\nCONNECT\r\n" + Shield(Ramp(4096)) + "\x10" "a";  // DLE a: an event
  for (size_t i = 0; i < in.size(); i += 333) {
    std::string part = in.substr(i, 333);  // cuts fall between DLE pairs too
    v.Feed(reinterpret_cast<const uint8_t*>(part.data()), static_cast<int>(part.size()));
  }
  EXPECT_EQ(Ramp(4096), got);
  EXPECT_EQ(4096, v.AudioBytes());
  uint8_t end[] = {0x10, 0x03, 1, 2, 3};
  EXPECT_FALSE(v.Feed(end, 5));
  EXPECT_TRUE(v.Ended());
  EXPECT_EQ(4096, v.AudioBytes());

  // Without a CONNECT line, audio starts after 256 bytes.
  v.Start();
  std::string raw(300, 'x');
  v.Feed(reinterpret_cast<const uint8_t*>(raw.data()), 300);
  EXPECT_EQ(44, v.AudioBytes());
}

TEST_F(Voice, RecordingGetsExactlyTheUnshieldedBytesInWholeBlocks) {
  Start();
  std::string audio = Ramp(5 * 2048 + 100);
  std::string stream = Shield(audio);
  for (size_t i = 0; i < stream.size(); i += 1000) port->Deliver(stream.substr(i, 1000));
  EXPECT_EQ(audio.substr(0, 5 * 2048), writer.bytes);
  for (int size : writer.blocks) EXPECT_EQ(2048, size);
  EXPECT_EQ(0, host.stops);
  EXPECT_GT(host.frames, 0);
}

TEST_F(Voice, OnlyEightBitSignedPcmIsFlipped) {
  std::string block;
  for (int i = 0; i < 1024; ++i) block += std::string("\x00\xff", 2);
  std::string flipped;
  for (int i = 0; i < 1024; ++i) flipped += "\x80\x7f";
  struct Case {
    const char* name;
    const char* bps;
    bool flip;
  } cases[] = {{"SIGNED PCM", "8", true}, {"SIGNED PCM", "16", false}, {"SIGNED PCM", "4", false},
               {"UNSIGNED PCM", "8", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + c.bps);
    CurrentCompression.Description.Set(c.name);
    CurrentCompression.bps.Set(c.bps);
    writer.bytes.clear();
    Start();
    port->Deliver(block);
    EXPECT_EQ(c.flip ? flipped : block, writer.bytes);
  }
}

TEST_F(Voice, BusyToneEndsTheCall) {
  Start();
  size_t fed = FeedUntilStop(Tone425(8000 * 10));
  EXPECT_EQ(1, host.stops);
  EXPECT_TRUE(HasLine("Disconnect line..."));
  EXPECT_FALSE(modem->WatchDisconnect);
  // 12 periodic frames of 1536 samples (plus one sample, and the block fill) make about 2.3 s.
  EXPECT_GE(fed, 12u * 1536);
  EXPECT_LE(fed, 14u * 1536 + 700);
}

TEST_F(Voice, SilenceEndsTheCallAfterTheDisconnectTime) {
  LiveSettings.DiscTime = 2;
  Start();
  size_t fed = FeedUntilStop(std::string(8000 * 10, '\x80'));
  EXPECT_EQ(1, host.stops);
  EXPECT_TRUE(HasLine("Silence..."));
  EXPECT_GE(fed, 11u * 1536);
  EXPECT_LE(fed, 13u * 1536 + 700);
}

TEST_F(Voice, NoHangUpWithoutWatchOrAfterTheUserStopped) {
  modem->WatchDisconnect = false;
  Start();
  FeedUntilStop(std::string(8000 * 5, '\x80'));
  EXPECT_EQ(0, host.stops);
  // Hang-up detected, but the recording stopped before the posted stop ran.
  modem->WatchDisconnect = true;
  modem->StartVoiceReceive();
  port->Deliver("\r\nCONNECT\r\n\x10\x03");
  EXPECT_FALSE(modem->WatchDisconnect);
  modem->VoiceReceiving = false;
  ProcessMessages();
  EXPECT_EQ(0, host.stops);
}

TEST_F(Voice, DleEtxEndsTheStream) {
  Start();
  port->Deliver(Ramp(3000) + "\x10\x03" + Ramp(5000));
  EXPECT_EQ(0, host.stops);  // posted, runs after the handler
  ProcessMessages();
  EXPECT_EQ(1, host.stops);
  EXPECT_EQ(2048u, writer.bytes.size());
  port->Deliver(Ramp(5000));
  ProcessMessages();
  EXPECT_EQ(1, host.stops);
  EXPECT_EQ(2048u, writer.bytes.size());
}

TEST_F(Voice, StreamThatStopsEndsTheCall) {
  Start();
  port->Deliver(Ramp(1000));
  EXPECT_TRUE(watch->enabled);
  EXPECT_EQ(5000u, watch->interval);
  watch->Fire();
  ProcessMessages();
  EXPECT_EQ(1, host.stops);
  EXPECT_TRUE(HasLine("Disconnect line..."));
}

TEST_F(Voice, FailedWriteIsReportedOnce) {
  Start();
  writer.fail = true;
  port->Deliver(Ramp(3 * 2048));
  ASSERT_EQ(1u, host.failures.size());
  EXPECT_NE(std::string::npos, host.failures[0].find("space"));
  EXPECT_TRUE(modem->VoiceReceiving);
}

TEST_F(Voice, ModemFormatFileIsStoredBeforeItIsDeleted) {
  ini->EraseSection("Modem compression");
  {
    TFileStream f("ModemCompression.cpn", fmCreate);
    Pcm8k().SaveToStream(f);
  }
  Start();
  EXPECT_FALSE(FileExists("ModemCompression.cpn"));
  TdeWaveFormat stored;
  ASSERT_TRUE(ini->ReadFormat("Modem compression", stored));
  EXPECT_TRUE(stored.Equals(Pcm8k()));
}

TEST_F(Voice, UnknownRateOrFormatStartsNoStream) {
  CurrentCompression.vsr.Set("");
  EXPECT_ANY_THROW(modem->StartVoiceReceive());
  EXPECT_FALSE(modem->VoiceReceiving);
  CurrentCompression.vsr.Set("8000");
  ini->EraseSection("Modem compression");
  EXPECT_ANY_THROW(modem->StartVoiceReceive());
  EXPECT_FALSE(modem->VoiceReceiving);
}

TEST_F(Voice, StopPostedForAnEndedStreamDoesNotStopTheNext) {
  Start();
  port->Deliver("\x10\x03");  // hang-up posted
  modem->WatchDisconnect = true;
  Start();  // a new stream before the posted stop ran
  ProcessMessages();
  EXPECT_EQ(0, host.stops);
  EXPECT_TRUE(modem->VoiceReceiving);
}

TEST_F(Voice, DisconnectTimeIsCountedAtTheTraceRate) {
  for (const char* rate : {"8000", "7200", "11025", "4800"}) {
    CurrentCompression.vsr.Set(rate);
    Start();
    EXPECT_EQ(52, modem->Detector.FramesInDiscTime()) << rate;
  }
}

// The modem's busy and dial-tone events end the call as a hang-up does; other events do not.
TEST_F(Voice, ModemsBusyAndDialToneEndTheCall) {
  struct Case {
    char code;
    int stops;
  } cases[] = {{'b', 1}, {'d', 1}, {'s', 0}, {'q', 0}, {'5', 0}, {'R', 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    host.stops = 0;
    EventLog().Clear();
    modem->WatchDisconnect = true;
    writer.bytes.clear();
    Start();
    port->Deliver(Shield(Ramp(3000)) + "\x10" + c.code + Shield(Ramp(2000)));
    ProcessMessages();
    EXPECT_EQ(c.stops, host.stops);
    EXPECT_EQ(c.stops == 1, HasLine("Disconnect line..."));
    EXPECT_EQ(c.stops == 0, modem->WatchDisconnect);
    EXPECT_EQ(2048u * 2, writer.bytes.size());  // the audio around the event is kept
  }
}

// At the end of voice receive the partly filled block and what the converter holds are
// written: every sample received is in the recording (a codec's last block padded).
TEST_F(Voice, RecordingEndHoldsEverySampleReceived) {
  struct Case {
    const char* name;
    TdeWaveFormat modemFormat;
    const char* bits;
    TdeWaveFormat file;
    int samplesPerBlock;
  } cases[] = {
      {"u8 to PCM 8", Pcm(8000, 1, 8), "8", Pcm(8000, 1, 8), 1},
      {"u8 to PCM 16", Pcm(8000, 1, 8), "8", Pcm(8000, 1, 16), 1},
      {"u8 to mu-law", Pcm(8000, 1, 8), "8", G711(WAVE_FORMAT_MULAW), 1},
      {"u8 to IMA ADPCM", Pcm(8000, 1, 8), "8", Ima8000(), 505},
      {"A-law to PCM 16", G711(WAVE_FORMAT_ALAW), "8", Pcm(8000, 1, 16), 1},
      {"s16 to PCM 16", Pcm(8000, 1, 16), "16", Pcm(8000, 1, 16), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ini->WriteFormat("Modem compression", c.modemFormat);
    CurrentCompression.bps.Set(c.bits);
    LiveSettings.FormatOut = c.file;
    writer.bytes.clear();
    Start();
    const std::string audio = Ramp(5 * 2048 + 778);
    port->Deliver(Shield(audio));
    modem->EndVoiceReceive();
    const size_t samplesIn = audio.size() / c.modemFormat.GetBlockAlign();
    const size_t samplesOut = writer.bytes.size() / c.file.GetBlockAlign() * c.samplesPerBlock;
    EXPECT_EQ(0u, writer.bytes.size() % c.file.GetBlockAlign());
    EXPECT_GE(samplesOut, samplesIn);
    EXPECT_LT(samplesOut, samplesIn + c.samplesPerBlock);
    if (c.file.Equals(c.modemFormat)) {
      EXPECT_EQ(audio, writer.bytes);
    }
    EXPECT_TRUE(host.failures.empty());
  }
}
