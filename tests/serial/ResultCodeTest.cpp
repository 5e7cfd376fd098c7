#include "ScomException.h"
#include "ScomStringResource.h"
#include "ScomSystem.h"
#include "ScomTestEnv.h"
#include "ScomUtil.h"
#include "Component.h"
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <typeinfo>

namespace {
// The error table's ids, as ranges.
const int kErrorIds[][2] = {
    {0, 0}, {2, 6}, {8, 8}, {15, 15}, {18, 18}, {100, 105}, {150, 162}, {1001, 1009}, {2001, 2012},
    {3001, 3010}, {4001, 4008}, {4101, 4101}, {4201, 4213}, {4301, 4312}, {4401, 4403}, {4500, 4523},
    {4550, 4553}, {4599, 4611}, {4630, 4633}, {4660, 4671}, {4700, 4723}, {4801, 4808}, {4820, 4828},
    {4830, 4832}, {4840, 4843}, {5001, 5003}, {5501, 5506}, {6001, 6016}, {7001, 7014}, {8001, 8005},
    {8050, 8055}, {8060, 8075}, {8080, 8083}, {8085, 8085}, {8087, 8092}, {9001, 9007}, {10004, 10004},
    {10009, 10009}, {10013, 10014}, {10022, 10022}, {10024, 10024}, {10035, 10071}, {10091, 10093},
    {10101, 10101}, {11001, 11004}, {13501, 13516}, {13533, 13557}, {13565, 13565}, {13597, 13601},
    {13650, 13670}, {13801, 13803}, {13805, 13848}, {13850, 13886}, {13928, 13945}, {13980, 13980},
    {15001, 15020}, {15101, 15351}, {15501, 15502}, {15601, 15608}, {15700, 15742}};

// Builds a STR0 blob from (id, text) pairs, in the order given.
std::string Blob(const std::vector<std::pair<uint32_t, std::u16string>>& entries) {
  auto put = [](std::string& s, uint32_t v) {
    for (int k = 0; k < 4; ++k) s += char(v >> (8 * k));
  };
  std::string out = "STR0";
  put(out, uint32_t(entries.size()));
  uint32_t offset = 8 + 12 * uint32_t(entries.size());
  for (const auto& [id, text] : entries) {
    put(out, id);
    put(out, offset);
    put(out, uint32_t(text.size()));
    offset += 2 * uint32_t(text.size());
  }
  for (const auto& e : entries)
    for (char16_t c : e.second) {
      out += char(c & 0xFF);
      out += char(c >> 8);
    }
  return out;
}

void Patch32(std::string& blob, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) blob[at + k] = char(v >> (8 * k));
}
}

TEST(StringTables, ErrorTableHoldsExactlyItsIdsAndQuotedTexts) {
  const TScomStringResource* table = ScomErrorStrings();
  ASSERT_NE(table, nullptr);
  uint32_t expected = 0;
  for (const auto& r : kErrorIds)
    for (int id = r[0]; id <= r[1]; ++id) {
      ++expected;
      EXPECT_FALSE(table->GetString(id).empty()) << id;
    }
  EXPECT_EQ(expected, 831u);
  EXPECT_EQ(table->Count(), 831u);
  EXPECT_EQ(table->GetString(0), "OK");
  EXPECT_EQ(table->GetString(1), "");
  EXPECT_EQ(table->GetString(15601), "DCTS ");
  EXPECT_EQ(table->GetString(15608), "DCD ");
  EXPECT_EQ(table->GetString(15119), "Method");
  EXPECT_EQ(table->GetString(3006), "Output buffer too small for block");
  const TScomStringResource* own = ScomOwnStrings();
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->Count(), 5u);
  EXPECT_EQ(own->GetString(3), "String resource not found: %s");
  EXPECT_EQ(own->GetString(5), "Invalid TPString resource");
}

TEST(StringTables, MissingTableRaisesItsOwnError) {
  try {
    TScomStringResource missing(nullptr, "NO_SUCH_TABLE");
    FAIL() << "no exception";
  } catch (const ETpsStringResourceError& e) {
    EXPECT_EQ(e.Message, "String resource not found: NO_SUCH_TABLE");
  }
}

TEST(StringTables, ReaderOnHandMadeBlobs) {
  const std::string good = Blob({{0, u"zero"}, {2, u"two"}, {7, u"seven"}, {0x7FFFFFFF, u"max"}});
  EXPECT_EQ(TScomStringResource::Find(good.data(), good.size(), 0), L"zero");
  EXPECT_EQ(TScomStringResource::Find(good.data(), good.size(), 2), L"two");
  EXPECT_EQ(TScomStringResource::Find(good.data(), good.size(), 7), L"seven");
  EXPECT_EQ(TScomStringResource::Find(good.data(), good.size(), 0x7FFFFFFF), L"max");
  // Between the first entry (0) and the second (2) there is nothing.
  EXPECT_EQ(TScomStringResource::Find(good.data(), good.size(), 1), L"");
  EXPECT_EQ(TScomStringResource::Find(good.data(), good.size(), 8), L"");

  struct Case {
    const char* what;
    std::function<void(std::string&)> spoil;
    uint32_t id;
  };
  const Case bad[] = {
      {"bad magic", [](std::string& b) { b[3] = '1'; }, 2},
      {"count beyond the size", [](std::string& b) { Patch32(b, 4, 1000000); }, 2},
      {"huge count", [](std::string& b) { Patch32(b, 4, 0xFFFFFFFF); }, 2},
      {"offset beyond the end", [](std::string& b) { Patch32(b, 8 + 12 * 1 + 4, uint32_t(b.size()) + 10); }, 2},
      {"length beyond the end", [](std::string& b) { Patch32(b, 8 + 12 * 1 + 8, 0x7FFFFFFF); }, 2},
      {"text cut short", [](std::string& b) { b.resize(b.size() - 3); }, 0x7FFFFFFF},
      {"header only", [](std::string& b) { b.resize(6); }, 0},
  };
  for (const auto& c : bad) {
    std::string blob = good;
    c.spoil(blob);
    EXPECT_EQ(TScomStringResource::Find(blob.data(), blob.size(), c.id), L"") << c.what;
  }
  // A broken entry spoils only itself.
  std::string blob = good;
  Patch32(blob, 8 + 12 * 1 + 8, 0x7FFFFFFF);
  EXPECT_EQ(TScomStringResource::Find(blob.data(), blob.size(), 7), L"seven");
}

TEST(ErrorMsg, TableTextsBySignAndSystemTextsCleaned) {
  EXPECT_EQ(ErrorMsg(2011), "The ComNumber property of the TScomComPort has not been set");
  EXPECT_EQ(ErrorMsg(-2011), "The ComNumber property of the TScomComPort has not been set");
  EXPECT_EQ(ErrorMsg(-5), "File access denied");
  // Not in the table: the system's text, control characters made blanks, no double blanks.
  std::string system = ErrorMsg(-87);
  ASSERT_FALSE(system.empty());
  for (char c : system) EXPECT_GE(static_cast<unsigned char>(c), 32u) << system;
  EXPECT_EQ(system.find("  "), std::string::npos) << system;
  EXPECT_LE(ErrorMsg(-87).size(), 255u);
  EXPECT_EQ(ErrorMsg(-0x7FFFFFF0), "");
}

namespace {
struct Raised {
  std::string type;
  std::string message;
  int code = 0;
  bool any = false;
};

Raised Check(int code, const TComponent* component = nullptr) {
  Raised r;
  try {
    CheckException(component, code);
  } catch (const EScomException& e) {
    r = {typeid(e).name(), e.Message, e.ErrorCode, true};
  } catch (const EInOutError& e) {
    r = {typeid(e).name(), e.Message, e.ErrorCode, true};
  } catch (const Exception& e) {
    r = {typeid(e).name(), e.Message, 0, true};
  }
  return r;
}
}

TEST(CheckException, RaisesTheClassOfEachCode) {
  struct Case {
    int code;
    const char* type;
    int errorCode;
    const char* message;  // null: not checked
  };
  const Case cases[] = {
      {-8, typeid(EOutOfMemory).name(), 0, nullptr},
      {-5, typeid(EInOutError).name(), 5, "File access denied"},
      {-2, typeid(EInOutError).name(), 2, "File not found"},
      {-2011, typeid(ENoPortSelected).name(), -2011, "The ComNumber property of the TScomComPort has not been set"},
      {-2001, typeid(EBadId).name(), -2001, "ie_BadId - Specified comport doesn't exist"},
      {-2008, typeid(EAlreadyOpen).name(), -2008, "ie_Open - device already open"},
      {-2007, typeid(ECommNotOpen).name(), -2007, "ie_NOpen - device not open"},
      {-3006, typeid(EOutputBufferTooSmall).name(), -3006, "Output buffer too small for block"},
      {-3007, typeid(EBufferIsEmpty).name(), -3007, "Buffer is empty"},
      {-3001, typeid(ENullApi).name(), -3001, "No device layer specified"},
      {-1002, typeid(EBadArgument).name(), -1002, "Bad argument passed to function"},
      {-5003, typeid(EBadTriggerHandle).name(), -5003, nullptr},
      {-6008, typeid(EProtocol).name(), -6008, nullptr},
      {-7003, typeid(EInternal).name(), -7003, nullptr},
      {-8070, typeid(EFaxPageError).name(), -8070, nullptr},
      {-13801, typeid(ETapiAllocated).name(), -13801, nullptr},
      {-13805, typeid(ETapiCallUnavail).name(), -13805, nullptr},
      {-13848, typeid(ETapiInvalMessageID).name(), -13848, nullptr},
      {-13850, typeid(ETapiInvalParam).name(), -13850, nullptr},
      {-13886, typeid(ETapiNoMultipleInstance).name(), -13886, nullptr},
      {-13942, typeid(ETapiTranslateFail).name(), -13942, nullptr},
      {-13980, typeid(ERasLoadFail).name(), -13980, nullptr},
      {-1, typeid(EScomException).name(), 0, nullptr},
      {-1001, typeid(EScomException).name(), 0, nullptr},
      {-3002, typeid(EScomException).name(), 0, nullptr},
      {-13804, typeid(EScomException).name(), 0, nullptr},
  };
  for (const auto& c : cases) {
    Raised r = Check(c.code);
    ASSERT_TRUE(r.any) << c.code;
    EXPECT_EQ(r.type, c.type) << c.code;
    if (std::strcmp(c.type, typeid(EOutOfMemory).name()) != 0) {
      EXPECT_EQ(r.code, c.errorCode) << c.code;
    }
    if (c.message) {
      EXPECT_EQ(r.message, c.message) << c.code;
    }
  }
  EXPECT_FALSE(Check(0).any);
  EXPECT_FALSE(Check(5).any);
}

TEST(CheckException, ACodeOfNoClassCarriesTheSystemsText) {
  // Error 1 is what every call on a vanished port gives under Wine.
  Raised invalid = Check(-1);
  EXPECT_EQ(invalid.message, ErrorMsg(-1));
  EXPECT_NE(invalid.message.find("nvalid function"), std::string::npos) << invalid.message;
  for (int code : {-1001, -3002, -13804}) {
    Raised r = Check(code);
    EXPECT_NE(r.message, "Scom exception") << code;
    EXPECT_FALSE(r.message.empty()) << code;
  }
  // No text anywhere: the code itself.
  EXPECT_EQ(Check(-0x7FFFFFF0).message, "Scom exception -2147483632");
}

TEST(CheckException, NothingWhileTheComponentLoads) {
  TComponent component(nullptr);
  component.BeginLoading();
  for (int code : {-8, -5, -2011, -1, -3007}) EXPECT_FALSE(Check(code, &component).any) << code;
  component.EndLoading();
  EXPECT_TRUE(Check(-2011, &component).any);
}

TEST(Services, TickTimersAcrossTheWrap) {
  TEventTimer t{1000, 1018};
  EXPECT_FALSE(TimerExpiredAt(t, 1000));
  EXPECT_FALSE(TimerExpiredAt(t, 1010));
  EXPECT_FALSE(TimerExpiredAt(t, 1018));
  EXPECT_TRUE(TimerExpiredAt(t, 1019));
  // Started 5 ticks before the millisecond count wraps (78090314 is the last tick), for 18.
  TEventTimer late{78090310, 78090310 + 18};
  EXPECT_FALSE(TimerExpiredAt(late, 78090314));
  EXPECT_FALSE(TimerExpiredAt(late, 5));   // 78090320: 8 ticks left
  EXPECT_FALSE(TimerExpiredAt(late, 13));  // exactly at expiry
  EXPECT_TRUE(TimerExpiredAt(late, 14));

  EXPECT_EQ(FlagIsSet(0x12, 0x02), ~0u);
  EXPECT_EQ(FlagIsSet(0x12, 0x05), 0u);

  uint32_t a = ClockMs();
  Sleep(50);
  uint32_t b = ClockMs();
  EXPECT_GE(b - a, 40u);
  EXPECT_LT(b - a, 2000u);
}
