#include "ModemReply.h"
#include <gtest/gtest.h>

TEST(ModemReply, RecognisesWholeLinesOnly) {
  struct Case {
    const char* text;
    bool ok, error, connect, ring, cid;
    const char* number;
  } cases[] = {
      {"\r\nOK\r\n", true, false, false, false, false, ""},
      {"ok\r\n", true, false, false, false, false, ""},
      {"Ok\r\n", false, false, false, false, false, ""},
      {"OKAY\r\n", false, false, false, false, false, ""},
      {"ERROR\r\n", false, true, false, false, false, ""},
      {"CONNECT\r\n", false, false, true, false, false, ""},
      {"CONNECT 57600\r\n", false, false, true, false, false, ""},
      {"CONNECTICUT ST\r\n", false, false, false, false, false, ""},
      {"RING\r\n", false, false, false, true, false, ""},
      {"ring\r\n", false, false, false, true, false, ""},
      {"RING A\r\n", false, false, false, true, false, ""},
      {"RINGO\r\n", false, false, false, false, false, ""},
      {"NAME = BROOKS OK RING\r\n", false, false, false, false, false, ""},
      {"NMBR = 5551234567\r\nNAME = DOE JOHN\r\n", false, false, false, false, true, "5551234567"},
      {"nmbr = 5551234567\r\n", false, false, false, false, true, "5551234567"},
      {"DDN_NMBR= 4444\r\n", false, false, false, false, true, "4444"},
      {"NMBR = 111\r\nERRM = P\r\n", false, false, false, false, true, "P"},
      {"NMBR = 12\r\nRING\r\n", false, false, false, true, true, "12"},
      {"OK\r\nRING\r\n", true, false, false, true, false, ""},
      {"NMBR = 12", false, false, false, false, false, ""},  // not ended yet
  };
  for (const Case& c : cases) {
    TModemReply reply;
    TReplyScan s = reply.Append(c.text);
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.ok, s.Ok);
    EXPECT_EQ(c.error, s.Error);
    EXPECT_EQ(c.connect, s.Connect);
    EXPECT_EQ(c.ring, s.Ring);
    EXPECT_EQ(c.cid, s.CallerId);
    EXPECT_EQ(c.number, s.CallerNumber);
  }
}

TEST(ModemReply, RingIsTheWordFollowedByNoLetterOrDigit) {
  struct Case {
    const char* line;
    bool ring;
  } cases[] = {
      {"RING", true},           {"ring", true},           {"RING;5551234;5556789", true},
      {"ring;5551234", true},   {"RING A", true},         {"RING/2", true},
      {"RINGO", false},         {"RING1", false},         {"RINGING", false},
      {"Ring", false},          {"RIN", false},           {"BRING", false},
      {"NAME = RINGO", false},  {"NAME = RING;5", false}, {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.ring, TModemReply::IsRing(c.line)) << c.line;
  // In a batch: a ring line carrying the caller ID counts, a caller name holding RING does not.
  TModemReply reply;
  EXPECT_TRUE(reply.Append("\r\nRING;5551234;5556789\r\n").Ring);
  EXPECT_FALSE(reply.Append("\r\nNAME = RING;5\r\n").Ring);
}

TEST(ModemReply, EachLineCountsOnceAndPartialLinesWait) {
  TModemReply reply;
  EXPECT_FALSE(reply.Append("O").Ok);
  EXPECT_TRUE(reply.Append("K\r\n").Ok);
  EXPECT_FALSE(reply.Append("RI").Ok);
  TReplyScan s = reply.Append("NG\r\n");
  EXPECT_FALSE(s.Ok);
  EXPECT_TRUE(s.Ring);
  EXPECT_EQ("OK\r\nRING\r\n", reply.Text());
}

TEST(ModemReply, QueryTextDropsOnlyTheFinalResultLine) {
  TModemReply reply;
  reply.Append("\r\n+VSM: 128,\"8-BIT LINEAR\",8,0,(8000),(0),(0)\r\n"
               "\r\n+VSM: 130,\"OK LAW\",8,0,(8000),(0),(0)\r\n\r\nOK\r\n");
  EXPECT_EQ("+VSM: 128,\"8-BIT LINEAR\",8,0,(8000),(0),(0)\r\n+VSM: 130,\"OK LAW\",8,0,(8000),(0),(0)",
            reply.QueryText());
  TModemReply empty;
  empty.Append("\r\nOK\r\n");
  EXPECT_EQ("", empty.QueryText());
  TModemReply model;
  model.Append("  VL-56 Voice \r\nOK\r\n");
  EXPECT_EQ("VL-56 Voice", model.QueryText());
}

TEST(ModemReply, IsBounded) {
  TModemReply reply;
  std::string junk(64 * 1024, 'x');
  reply.Append(junk);
  EXPECT_LE(reply.Text().size(), TModemReply::MaxLine);
  TReplyScan s = reply.Append("yyy\r\nRING\r\n");
  EXPECT_TRUE(s.Ring);  // the overlong line is dropped up to its end, the next line counts
  EXPECT_EQ(std::string::npos, reply.Text().find("yyy"));

  TModemReply lines;
  for (int i = 0; i < 1000; ++i) lines.Append("NAME = SOMEBODY " + std::to_string(i) + "\r\n");
  EXPECT_LE(lines.Text().size(), TModemReply::MaxText);
  EXPECT_EQ(0u, lines.Text().find("NAME = "));  // whole lines kept
  EXPECT_NE(std::string::npos, lines.Text().find("SOMEBODY 999\r\n"));
}
