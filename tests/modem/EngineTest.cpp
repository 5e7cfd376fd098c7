// The call handler and the command dialogue over a fake port: batch boundaries are chosen here.
#include "EngineFixture.h"
#include "MessagePump.h"
#include "ModemParams.h"
#include <gtest/gtest.h>

namespace {

class Engine : public ::testing::Test, public EngineFixture {
protected:
  void SetUp() override {
    Make();
    modem->OpenPort(5, false);
    modem->EnableAutoRecord();
  }
  void Ring() { port->Deliver("\r\nRING\r\n"); }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) tick->Fire();
  }
};

}  // namespace

TEST_F(Engine, BatchTable) {
  struct Case {
    std::vector<const char*> batches;
    const char* keyword;
    int rings;
    const char* number;
  } cases[] = {
      {{"\r\nOK\r\n\r\nRING\r\n"}, "ok", 0, ""},
      {{"\r\nNMBR = 5551234567\r\n\r\nRING\r\n"}, "", 0, "5551234567"},
      {{"\r\nnmbr = 5551234567\r\n"}, "", 0, "5551234567"},
      {{"\r\nNMBR = 555", "1234\r\n", "\r\nNAME = BROOKS\r\n"}, "", 0, "5551234"},
      {{"\r\nNAME = OK RING CONNECTICUT\r\n", "\r\nRING\r\n"}, "", 1, ""},
      {{"\r\nDATE = 0321\r\nTIME = 1405\r\nNMBR = 5551234567\r\nNAME = DOE JOHN\r\n"}, "", 0, "5551234567"},
      {{"\r\nOK\r\n", "\r\nRING\r\n", "\r\nRING\r\n"}, "ok", 2, ""},
      {{"RI", "NG\r\n"}, "", 1, ""},
      {{"\r\nRING;5551234;5556789\r\n", "\r\nRING;5551234;5556789\r\n"}, "", 2, ""},
      {{"\r\nRING\r\nNMB", "R = 5550001\r\n"}, "", 1, "5550001"},
      {{"\x01\xff garbage \x7f\r\n", "\r\nRING\r\n"}, "", 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.batches.front());
    modem->EnableAutoRecord();
    modem->ReplyKeyword.clear();
    modem->RingPeriodKnown = true;
    modem->RingTimeOut = 5200;
    for (const char* b : c.batches) port->Deliver(b);
    EXPECT_EQ(c.keyword, modem->ReplyKeyword);
    EXPECT_EQ(c.rings, modem->RingCount);
    EXPECT_EQ(c.number, modem->CallerNumber);
  }
  EXPECT_EQ("5551234567", host.shown.front());
}

TEST_F(Engine, CallerIdOffLeavesTheLineAlone) {
  LiveSettings.CallerID = false;
  port->Deliver("\r\nNMBR = 5551234567\r\n");
  EXPECT_EQ("", modem->CallerNumber);
  EXPECT_TRUE(host.shown.empty());
}

TEST_F(Engine, FirstOneRingCallIsAnsweredAfterTheFirstSpan) {
  Ring();
  EXPECT_EQ(1, modem->RingCount);
  EXPECT_TRUE(ring->enabled);
  EXPECT_EQ(10233u, ring->interval);
  EXPECT_TRUE(tick->enabled);
  ring->Fire();
  EXPECT_TRUE(modem->CallAnswered);
  EXPECT_TRUE(modem->WatchDisconnect);
  EXPECT_FALSE(modem->RingPeriodKnown);
  // The tick left running: a ring much later teaches nothing and starts a new measurement.
  modem->EnableAutoRecord();
  Ticks(3000);
  Ring();
  EXPECT_FALSE(modem->RingPeriodKnown);
  EXPECT_EQ(0, modem->RingTicks);
  EXPECT_TRUE(tick->enabled);
  EXPECT_EQ(10233u, ring->interval);
  Ticks(40);
  Ring();
  EXPECT_TRUE(modem->RingPeriodKnown);
  EXPECT_EQ(5200, modem->RingTimeOut);
  int stored = 0;
  ASSERT_TRUE(ini->ReadRingTimeOut(stored));
  EXPECT_EQ(5200, stored);
}

TEST_F(Engine, RingPeriodIsLearntOnlyInRange) {
  struct Case {
    int ticks;
    bool learnt;
    int timeOut;
  } cases[] = {{0, false, 0}, {9, false, 0}, {10, true, 1300}, {37, true, 4810},
               {120, true, 15600}, {121, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ticks);
    modem->RingPeriodKnown = false;
    tick->enabled = false;
    modem->EnableAutoRecord();
    Ring();
    Ticks(c.ticks);
    Ring();  // a duplicate when ticks is 0
    EXPECT_EQ(c.learnt, modem->RingPeriodKnown);
    if (c.learnt) {
      EXPECT_EQ(c.timeOut, modem->RingTimeOut);
      EXPECT_EQ(static_cast<unsigned>(c.timeOut), ring->interval);
      EXPECT_FALSE(tick->enabled);
    } else {
      EXPECT_TRUE(tick->enabled);
      EXPECT_EQ(0, modem->RingTicks);
      EXPECT_EQ(10233u, ring->interval);
    }
  }
}

TEST_F(Engine, StoredPeriodOutsideTheRangeReadsAsUnmeasured) {
  ini->WriteInteger("General", "RingTimeOut", 99);
  delete modem;
  Make();
  EXPECT_FALSE(modem->RingPeriodKnown);
  ini->WriteInteger("General", "RingTimeOut", 6500);
  delete modem;
  Make();
  EXPECT_TRUE(modem->RingPeriodKnown);
  EXPECT_EQ(6500, modem->RingTimeOut);
}

TEST_F(Engine, RejectionAtExactlyNRings) {
  LiveSettings.RejectCall = true;
  LiveSettings.RejectRings = 3;
  modem->RingPeriodKnown = true;
  modem->RingTimeOut = 5200;
  port->Deliver("\r\nNMBR = 777\r\n");
  Ring();
  Ring();
  EXPECT_FALSE(modem->CallRejected);
  EXPECT_TRUE(host.visible);
  Ring();
  EXPECT_TRUE(modem->CallRejected);
  EXPECT_FALSE(host.visible);
  Ring();
  EXPECT_EQ(1, CountLines("Call recording rejected..."));
  ring->Fire();
  EXPECT_TRUE(HasLine("Calling party hung up"));
  EXPECT_FALSE(modem->CallAnswered);
  EXPECT_FALSE(modem->WatchDisconnect);
  EXPECT_EQ(0, modem->RingCount);
  EXPECT_EQ("", modem->CallerNumber);  // never filed with the next call
}

TEST_F(Engine, DialogueResults) {
  auto reply = [&](std::initializer_list<const char*> batches) {
    for (const char* b : batches) modem->script.push_back([this, b] { port->Deliver(b); });
  };
  reply({"O", "K\r\n"});
  EXPECT_EQ(TSendResult::Expected, modem->SendCommand("atz", "Modem Reset..", "OK"));
  EXPECT_EQ("atz\r", port->sent);
  reply({"\r\nERROR\r\n"});
  EXPECT_EQ(TSendResult::ErrorReply, modem->SendCommand("at+vls=9", "line..", "ok"));
  modem->noScript = [this] { cmd->Fire(); };
  EXPECT_EQ(TSendResult::TimedOut, modem->SendCommand("at+vsm=1", "compression..", "ok"));
  EXPECT_EQ(2000u, cmd->interval);
  EXPECT_FALSE(cmd->enabled);
  std::string text;
  reply({"\r\nVL-56 Voice\r\n\r\nOK\r\n"});
  EXPECT_EQ(TSendResult::Expected, modem->SendQuery("AT+GMM?", text));
  EXPECT_EQ("VL-56 Voice", text);
  EXPECT_EQ(TSendResult::TimedOut, modem->SendQuery("AT+GMI?", text));
  EXPECT_EQ("time out", text);
  port->outFree = 3;
  port->sent.clear();
  EXPECT_EQ(TSendResult::NotSent, modem->SendCommand("atz", "Modem Reset..", "ok"));
  EXPECT_FALSE(modem->SendNoWait("at+vrx", "voice receive.."));
  EXPECT_EQ("", port->sent);
  port->outFree = 2048;
  EXPECT_TRUE(modem->SendNoWait("at+vrx", "voice receive.."));
  EXPECT_EQ("at+vrx\r", port->sent);
  EXPECT_TRUE(HasLine("voice receive.."));
}

TEST_F(Engine, InitOrderAndRefusedCallerId) {
  modem->noScript = [this] { port->Deliver("\r\nOK\r\n"); };
  ModemParams.ForCallerId = "at+vcid=1";
  ModemParams.DisCallerId = "at+vcid=0";
  port->sent.clear();
  modem->CallerNumber = "old";
  modem->InitModem();
  EXPECT_EQ("atz\ratE0\rats0=0\rat+vcid=1\r", port->sent);
  EXPECT_EQ("", modem->CallerNumber);
  LiveSettings.CallerID = false;
  port->sent.clear();
  modem->InitModem();
  EXPECT_EQ("atz\ratE0\rats0=0\rat+vcid=0\r", port->sent);
  ModemParams.DisCallerId = "None";
  port->sent.clear();
  modem->InitModem();
  EXPECT_EQ("atz\ratE0\rats0=0\r", port->sent);
}

TEST_F(Engine, PortOpenAndClose) {
  EXPECT_TRUE(modem->PortOpened);
  EXPECT_TRUE(HasLine("Com port 5 opened..."));
  EXPECT_TRUE(modem->OpenPort(3, false));  // already open: stays on 5
  EXPECT_EQ(5, port->com);
  modem->VoiceReceiving = true;
  EXPECT_TRUE(modem->ClosePort());
  EXPECT_FALSE(modem->PortOpened);
  EXPECT_FALSE(modem->VoiceReceiving);
  EXPECT_EQ((std::vector<bool>{true, false}), host.portStates);
  modem->VoiceReceiving = true;
  EXPECT_TRUE(modem->ClosePort());  // closed already: returns at once
  EXPECT_FALSE(modem->VoiceReceiving);
  port->failOpen = true;
  EXPECT_FALSE(modem->OpenPort(6, true));
  EXPECT_FALSE(modem->PortOpened);
}

TEST_F(Engine, PortSettingsComeFromTheSettingsUnlessOpenedAsIs) {
  struct Case {
    int baudIndex, flowIndex;
    int baud;
    const char* flow;
  } cases[] = {{0, 0, 57600, "Hardware"}, {1, 1, 115200, "Software"}, {3, 2, 256000, "None"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flow);
    modem->ClosePort();
    LiveSettings.BaudrateIndex = c.baudIndex;
    LiveSettings.FlowControlIndex = c.flowIndex;
    ASSERT_TRUE(modem->OpenPort(4, false));
    EXPECT_EQ(c.baud, port->lastBaud);
    EXPECT_EQ(c.flow, port->lastFlow);
  }
  modem->ClosePort();
  port->lastBaud = 0;
  port->lastFlow.clear();
  port->sent.clear();
  ASSERT_TRUE(modem->OpenPortAsIs(7));
  EXPECT_TRUE(modem->PortOpened);
  EXPECT_EQ(7, port->com);
  EXPECT_EQ(0, port->lastBaud);
  EXPECT_EQ("", port->lastFlow);
  EXPECT_EQ("", port->sent);  // no initialisation
  modem->ClosePort();
  port->failOpen = true;
  EXPECT_FALSE(modem->OpenPortAsIs(7));
}

TEST_F(Engine, CallerIdBeforeThePopUpExists) {
  modem->CallerView = nullptr;
  port->Deliver("\r\nNMBR = 5550123\r\n");
  EXPECT_EQ("5550123", modem->CallerNumber);
  Ring();
  ring->Fire();
  EXPECT_TRUE(modem->CallAnswered);
  EXPECT_TRUE(host.shown.empty());
}

// A RING within 300 ms of the previous one is the same ring: junk and storms do not count
// toward the rejection, a paired ring's bursts (0.6 s apart) and the next ring do.
TEST_F(Engine, RingsCloserThan300MsAreOneRing) {
  LiveSettings.RejectCall = true;
  LiveSettings.RejectRings = 3;
  modem->RingPeriodKnown = true;
  modem->RingTimeOut = 5200;
  modem->clockStep = 0;
  auto ringAt = [&](DWORD ms) {
    modem->clock = ms;
    Ring();
  };
  ringAt(10000);
  for (DWORD t = 10010; t < 13000; t += 10) ringAt(t);  // 299 more, 10 ms apart
  EXPECT_EQ(1, modem->RingCount);
  ringAt(13289);  // 299 ms after the storm's last
  EXPECT_EQ(1, modem->RingCount);
  ringAt(13600);
  EXPECT_EQ(2, modem->RingCount);
  EXPECT_FALSE(modem->CallRejected);
  ringAt(13900);  // exactly 300 ms: a ring of its own
  EXPECT_EQ(3, modem->RingCount);
  EXPECT_TRUE(modem->CallRejected);
}

TEST_F(Engine, CallerTextInTheLogIsEscapedAndCut) {
  port->Deliver(std::string("\r\nNMBR = 555\x00" "1\x08\x1b[2J\x7f" "9\r\n", 23));
  EXPECT_EQ(std::string("555\x00" "1\x08\x1b[2J\x7f" "9", 12), modem->CallerNumber);
  EXPECT_TRUE(HasLine("555\\x001\\x08\\x1B[2J\\x7F9"));
  port->Deliver("\r\nNMBR = 55\\x07\r\n");  // the text of an escape is not one
  EXPECT_TRUE(HasLine("55\\x5Cx07"));
  std::string longNumber(300, '7');
  port->Deliver("\r\nNMBR = " + longNumber + "\r\n");
  EXPECT_EQ(longNumber, modem->CallerNumber);
  EXPECT_TRUE(HasLine(std::string(255, '7')));
}
