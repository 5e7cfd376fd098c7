#include "Profile.h"
#include "Hex.h"

namespace {
std::vector<std::string> GenericVsm() {
  return {"1,\"UNSIGNED PCM\",8,0,(7200,8000,11025),(0),(0)", "128,\"8-BIT LINEAR\",8,0,(7200,8000,11025),(0),(0)",
          "129,\"ADPCM\",4,0,(7200,8000),(0),(0)",          "131,\"ULAW\",8,0,(8000),(0),(0)",
          "132,\"ALAW\",8,0,(8000),(0),(0)",                "133,\"LINEAR\",16,0,(7200,8000),(0),(0)"};
}

std::vector<Compression> GenericCompressions() {
  return {{1, Encoding::U8, {7200, 8000, 11025}},  {128, Encoding::U8, {7200, 8000, 11025}},
          {129, Encoding::Adpcm4, {7200, 8000}},   {131, Encoding::Ulaw, {8000}},
          {132, Encoding::Alaw, {8000}},           {133, Encoding::S16, {7200, 8000}}};
}

bool Flag(const std::string& v, bool& out) {
  if (v == "1" || v == "on" || v == "yes" || v == "true") return out = true, true;
  if (v == "0" || v == "off" || v == "no" || v == "false") return out = false, true;
  return false;
}
}  // namespace

bool MakeProfile(const std::string& name, Profile& p) {
  p = Profile();
  p.Name = name;
  p.VsmList = GenericVsm();
  p.Compressions = GenericCompressions();
  p.VlsList = {"0,\"\",B0804100,B0804100,B0804100", "1,\"T\",0B8433C1,0FE431C1,0B8431C1",
               "3,\"LT\",0B8433C1,0FE431C1,0B8431C1"};
  p.Ati = {{0, "56000"}, {1, "255"}, {2, ""}, {3, "VSIM Voice Firmware 1.00"}, {4, p.Model}, {5, "B5"},
           {6, "VSIM DSP 2.1"}, {7, "0"}, {9, "(1.0VSM0001\\\\MODEM\\VSIM 56K Voice)"}};
  if (name == "generic" || name == "dead") {
    p.Dead = name == "dead";
  } else if (name == "strict") {
    p.IdentityQuery = false;
    p.FaxIdentityAnyClass = false;
  } else if (name == "speakerphone") {
    p.Speakerphone = true;
  } else if (name == "nonvoice") {
    p.Voice = false;
    p.Fclasses = "0,1,1.0";
  } else if (name == "hsf") {
    p.VsmList = {"1,\"UNSIGNED PCM\",8,0,8000,0,0", "129,\"IMA ADPCM\",4,0,8000,0,0",
                 "130,\"UNSIGNED PCM\",8,0,8000,0,00", "140,\"2 Bit ADPCM\",2,0,8000,0,0",
                 "141,\"4 Bit ADPCM\",4,0,8000,0,0"};
    p.Compressions = {{1, Encoding::U8, {8000}}, {129, Encoding::Adpcm4, {8000}}, {130, Encoding::U8, {8000}},
                      {140, Encoding::Adpcm4, {8000}}, {141, Encoding::Adpcm4, {8000}}};
  } else if (name == "example") {
    p.VsmList = {"+VSM: 128,\"8-BIT LINEAR\",8,0,(7200,8000,11025),(0),(0)", "130,\"ULAW\",(8000)",
                 "131,\"ALAW\",8,0,(8000)", "2;ADPCM;2;0;(9600)", "134,SIGNED LINEAR,8,0,(4000-12000),(0),(0)"};
    p.Compressions = {{128, Encoding::U8, {7200, 8000, 11025}}, {130, Encoding::Ulaw, {8000}},
                      {131, Encoding::Alaw, {8000}}, {134, Encoding::S8, {4000, 12000}, true}};
    p.DefaultCml = 128;
  } else {
    return false;
  }
  return true;
}

bool Compression::Takes(int rate) const {
  if (Range) return Rates.size() == 2 && rate >= Rates[0] && rate <= Rates[1];
  for (int r : Rates)
    if (r == rate) return true;
  return false;
}

const Compression* Profile::Find(int cml) const {
  for (auto& c : Compressions)
    if (c.Cml == cml) return &c;
  return nullptr;
}

bool Profile::Set(const std::string& key, const std::string& v, std::string& error) {
  long n = 0;
  double d = 0;
  bool ok = true;
  if (key == "class_rule") ok = Flag(v, ClassRule);
  else if (key == "identity_query") ok = Flag(v, IdentityQuery);
  else if (key == "speakerphone") ok = Flag(v, Speakerphone);
  else if (key == "caller_id") ok = Flag(v, CallerId);
  else if (key == "empty_line_ok") ok = Flag(v, EmptyLineOk);
  else if (key == "vls_vcon") ok = Flag(v, LineSelectVcon);
  else if (key == "dle_ring") ok = Flag(v, DleRing);
  else if (key == "ring_text") ok = Flag(v, RingText);
  else if (key == "abort") {
    ok = v == "v253" || v == "is101";
    Is101Abort = v == "is101";
  } else if (key == "shield") ok = Flag(v, Shield);
  else if (key == "dle_events") ok = Flag(v, DleEvents);
  else if (key == "abort_vcon") ok = Flag(v, AbortVcon);
  else if (key == "overrun") ok = Flag(v, Overrun);
  else if (key == "timeline") {
    ok = v == "connect" || v == "answer";
    TimelineFromAnswer = v == "answer";
  }
  else if (key == "dtr_drop") {
    ok = v == "hangup" || v == "hangup_reset";
    DtrResets = v == "hangup_reset";
  } else if (key == "connect_gap") ok = ParseLong(v, n) && n >= 0 && (ConnectGapMs = int(n), true);
  else if (key == "reply_delay") ok = ParseLong(v, n) && n >= 0 && (ReplyDelayMs = int(n), true);
  else if (key == "reset_delay") ok = ParseLong(v, n) && n >= 0 && (ResetDelayMs = int(n), true);
  else if (key == "speed") ok = ParseDouble(v, d) && d > 0 && d <= 1000 && (Speed = d, true);
  else if (key == "country") {
    ok = v == "EU" || v == "DE" || v == "UK" || v == "NA";
    if (ok) Country = v == "DE" ? "EU" : v;
  } else if (key == "after_script") AfterScript = v;
  else if (key == "model") Model = Ati[4] = v;
  else if (key == "gmm") GmmText = v;
  else if (key == "manufacturer") Manufacturer = v;
  else if (key == "revision") Revision = v;
  else if (key == "vgr_range") VgrRange = v;
  else if (key == "vgt_range") VgtRange = v;
  else if (key == "ati4") Ati[4] = v;
  else {
    error = "unknown option " + key;
    return false;
  }
  if (!ok) error = "bad value for " + key + ": " + v;
  return ok;
}

int ZeroCode(Encoding e) {
  switch (e) {
    case Encoding::U8: return 0x80;
    case Encoding::Ulaw: return 0xff;
    case Encoding::Alaw: return 0xd5;
    default: return 0;
  }
}

int BytesPerSample(Encoding e) { return e == Encoding::S16 ? 2 : 1; }
