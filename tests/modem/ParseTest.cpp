#include "Compression.h"
#include "Parse.h"
#include "TempDir.h"
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>
#include <iterator>

TEST(Parse, ReplyShapes) {
  struct Case {
    const char* line;
    bool ok;
    const char* name;
    const char* bps;
    const char* vsr;
    const char* command;
  } cases[] = {
      {"+VSM: 128,\"8-BIT LINEAR\",8,0,(7200,8000,11025),(0),(0)", true, "UNSIGNED PCM", "8", "8000",
       "at+vsm=128,8000,0,0"},
      {"128,\"SIGNED PCM\",16,0,(7200,8000),(0),(0)", true, "SIGNED PCM", "16", "7200", "at+vsm=128,7200,0,0"},
      {"+vsm: 130,\"ULAW\",(8000)", true, "ULAW", "8", "8000", "at+vsm=130,8000"},
      {"131;\"ALAW\";8;0;(8000)", true, "ALAW", "8", "8000", "at+vsm=131;8000"},
      {"+VSM: 129,\"16-BIT LINEAR\",0,0,8000,0-255,0", true, "UNSIGNED PCM", "16", "8000",
       "at+vsm=129,8000,0,0"},
      {"+VSM: 132,\"G.711U\",8,0,8000", true, "ULAW", "8", "8000", "at+vsm=132,8000"},
      {"+VSM: 128,SIGNED LINEAR,8,0,(8000),(0),(0)", true, "SIGNED PCM", "8", "8000", "at+vsm=128,8000,0,0"},
      {"+VSM: 140,\"IMA ADPCM\",4,0,(8000),(0),(0)", false, "", "", "", ""},
      {"+VSM: 128,\"8-BIT LINEAR\",8,0", false, "", "", "", ""},  // 4 fields
      {"+VSM: 128 8BIT", false, "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TfmParse p;
    ASSERT_EQ(c.ok, p.ParseVsmLine(c.line));
    if (!c.ok) continue;
    EXPECT_EQ(c.name, p.Rec.Description.Get());
    EXPECT_EQ(c.bps, p.Rec.bps.Get());
    EXPECT_EQ(c.vsr, p.Rec.vsr.Get());
    EXPECT_EQ(c.command, p.BuildVsmCommand());
  }
  TfmParse quoted;
  ASSERT_TRUE(quoted.ParseVsmLine("128,\"SIGNED LINEAR\",8,0,(8000),(0),(0)"));
  EXPECT_EQ("UNSIGNED PCM", quoted.Rec.Description.Get());  // quotes keep it from the exact match
  EXPECT_EQ("\"SIGNED LINEAR\"", quoted.Rec.cmid.Get());
}

TEST(Parse, FieldRoutines) {
  EXPECT_EQ(7, TfmParse::CountFields("128,\"X\",8,0,(7200,8000),(0),(0)", ','));
  EXPECT_EQ("(7200,8000)", TfmParse::NextField("(7200,8000),(0)", ','));
  EXPECT_EQ("0", TfmParse::FirstValue("0-255"));
  EXPECT_EQ("7", TfmParse::FirstValue("7,9"));
  EXPECT_EQ("8000", TfmParse::ChooseRate("8", "4800,11025,8000,7200"));
  EXPECT_EQ("7200", TfmParse::ChooseRate("16", "8000,7200,11025"));
  EXPECT_EQ("", TfmParse::ChooseRate("3", "8000"));
  EXPECT_EQ("", TfmParse::ChooseRate("8", "16000"));
  std::string line = std::string(40, 'a') + ",b";
  EXPECT_EQ(std::string(30, 'a'), TfmParse::TakeField(line, ','));
  EXPECT_EQ("b", line);
}

TEST(Parse, GainRanges) {
  struct Case {
    const char* reply;
    int min, max;
  } cases[] = {
      {"+VGR: (0-255)", 0, 255},       {"+VGR: (200-100)", -1, -1}, {"(120-130)", 120, 130},
      {"+VGR: (128)", 7, 9},           {"+VGR: (x-y)", 0, 255},     {"+VGR: (0,1),(0-200)", 0, 255},
  };
  for (const Case& c : cases) {
    int min = 7, max = 9;
    TfmParse::ParseGainRange(c.reply, min, max);
    EXPECT_EQ(c.min, min) << c.reply;
    EXPECT_EQ(c.max, max) << c.reply;
  }
  int min = 7, max = 9;
  TfmParse::ParseGainRangeVgt("+VGT: (10-20)", min, max);
  EXPECT_EQ(10, min);
  EXPECT_EQ(20, max);
}

TEST(Compressions, FileHoldsRecordsOf279Bytes) {
  TempDir dir;
  TfmParse p;
  std::vector<TCompressionRec> recs;
  ASSERT_TRUE(p.ParseVsmLine("+VSM: 128,\"8-BIT LINEAR\",8,0,(7200,8000,11025),(0),(0)"));
  p.Rec.VsmCommand.Set(p.BuildVsmCommand());
  recs.push_back(p.Rec);
  ASSERT_TRUE(p.ParseVsmLine("130,\"ULAW\",(8000)"));
  p.Rec.VsmCommand.Set(p.BuildVsmCommand());
  recs.push_back(p.Rec);
  WriteCompressions(dir / "Compressions.d", recs);

  std::ifstream in(dir / "Compressions.d", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(2u * 279, bytes.size());
  auto field = [&](int record, int offset) {
    size_t at = record * 279 + offset;
    return bytes.substr(at + 1, static_cast<unsigned char>(bytes[at]));
  };
  EXPECT_EQ("UNSIGNED PCM", field(0, 0));
  EXPECT_EQ("128", field(0, 31));
  EXPECT_EQ("\"8-BIT LINEAR\"", field(0, 62));
  EXPECT_EQ("8", field(0, 93));
  EXPECT_EQ("0", field(0, 124));
  EXPECT_EQ("8000", field(0, 155));
  EXPECT_EQ("0", field(0, 186));
  EXPECT_EQ("0", field(0, 217));
  EXPECT_EQ("at+vsm=128,8000,0,0", field(0, 248));
  EXPECT_EQ("ULAW", field(1, 0));
  EXPECT_EQ("", field(1, 93 + 31 * 3));  // scs empty for three fields
  EXPECT_EQ("at+vsm=130,8000", field(1, 248));
  EXPECT_EQ("UNSIGNED PCM,128,8,0,8000,0,0", CompressionIniValue(recs[0]));

  // Read back, a trailing partial record ignored.
  std::ofstream(dir / "Compressions.d", std::ios::binary | std::ios::app) << "junk";
  auto back = ReadCompressions(dir / "Compressions.d");
  ASSERT_EQ(2u, back.size());
  EXPECT_EQ(0, std::memcmp(&back[1], &recs[1], sizeof(TCompressionRec)));
}
