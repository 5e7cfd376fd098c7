// The extended (+) commands: a table of names with a handler for each form they take. A form
// without a handler is ERROR.
#include "AtInterpreter.h"
#include "Hex.h"
#include "Log.h"
#include "ModemDevice.h"

#include <algorithm>

namespace {
std::vector<long> Numbers(const std::string& args) {
  std::vector<long> out;
  std::string part;
  for (size_t i = 0; i <= args.size(); ++i) {
    if (i == args.size() || args[i] == ',') {
      long v = 0;
      out.push_back(ParseLong(part, v) ? v : -1);
      part.clear();
    } else if (args[i] != ' ') {
      part += args[i];
    }
  }
  return out;
}

bool InRange(const std::string& args, long lo, long hi, long& v) {
  auto n = Numbers(args);
  if (n.size() != 1 || n[0] < lo || n[0] > hi) return false;
  v = n[0];
  return true;
}

bool SetInRange(const std::string& args, long lo, long hi, int& value) {
  long v = 0;
  return InRange(args, lo, hi, v) && ((value = int(v)), true);
}

bool Info(const AtCall& c, const std::string& text) {
  c.Result.Info.push_back(text);
  return true;
}

// A parameter that is one number in a range.
struct NumberParam {
  const char* Name;
  int AtRegisters::*Value;
  const char* Test;
  int Lo, Hi;
};

const NumberParam NumberParams[] = {
    {"VNH", &AtRegisters::Vnh, "(0-2)", 0, 2},     {"VIT", &AtRegisters::Vit, "(0-255)", 0, 255},
    {"VRA", &AtRegisters::Vra, "(0-255)", 0, 255}, {"VRN", &AtRegisters::Vrn, "(0-255)", 0, 255},
    {"VTD", &AtRegisters::Vtd, "(0-255)", 0, 255}, {"VPP", &AtRegisters::Vpp, "(0,1)", 0, 1},
    {"VPR", &AtRegisters::Vpr, "(0-7)", 0, 7},     {"FLO", &AtRegisters::Flo, "(0-2)", 0, 2}};

// +V commands that work outside class 8.
bool AnyClass(const std::string& name) {
  return name == "VCID" || name == "VDR" || name == "VRID" || name == "VNH";
}
}  // namespace

bool AtInterpreter::Extended(const AtCall& c, const std::string& form) {
  ModemDevice& d = D;
  if (c.Name[0] == 'V') {
    if (!d.P.Voice) return false;
    if (d.P.ClassRule && d.Reg.Fclass != "8" && !AnyClass(c.Name)) return false;
  }
  for (const NumberParam& p : NumberParams) {
    if (c.Name != p.Name) continue;
    int& value = d.Reg.*p.Value;
    if (form == "test") return Info(c, p.Test);
    if (form == "read") return Info(c, std::to_string(value));
    return form == "set" && SetInRange(c.Args, p.Lo, p.Hi, value);
  }

  using Handler = bool (*)(ModemDevice&, const AtCall&);
  struct Command {
    const char* Name;
    Handler Test, Read, Set, Action;
  };
  // The identity queries; the fax ones only in class 2 unless the profile answers them anywhere.
  static const Handler identity = [](ModemDevice& d, const AtCall& c) {
    bool fax = c.Name[0] == 'F';
    if (fax && !d.P.FaxIdentityAnyClass && d.Reg.Fclass.compare(0, 1, "2") != 0) return false;
    char k = c.Name[2];
    if (k == 'M') return Info(c, !fax && !d.P.GmmText.empty() ? d.P.GmmText : d.P.Model);
    return Info(c, k == 'I' ? d.P.Manufacturer : d.P.Revision);
  };
  static const Handler identityRead = [](ModemDevice& d, const AtCall& c) {
    return (c.Name[0] == 'F' || d.P.IdentityQuery) && identity(d, c);
  };
  static const Handler accept = [](ModemDevice&, const AtCall&) { return true; };
  static const Handler gain = [](ModemDevice& d, const AtCall& c) {
    return SetInRange(c.Args, d.P.GainMin, d.P.GainMax, c.Name == "VGR" ? d.Reg.Vgr : d.Reg.Vgt);
  };
  static const Handler speakerTest = [](ModemDevice& d, const AtCall& c) {
    return d.P.Speakerphone && Info(c, c.Name == "VSP" ? "(0,1)" : "(0-255)");
  };
  static const Handler speakerRead = [](ModemDevice& d, const AtCall& c) {
    return d.P.Speakerphone && Info(c, c.Name == "VSP" ? "0" : "128");
  };
  static const Handler speakerSet = [](ModemDevice& d, const AtCall& c) {
    long v = 0;
    return d.P.Speakerphone && InRange(c.Args, 0, c.Name == "VSP" ? 1 : 255, v);
  };
  // +VRX and +VTX: CONNECT, then the stream (off-hook in class 8 only).
  static const Handler stream = [](ModemDevice& d, const AtCall& c) {
    if (d.Reg.Fclass != "8" || !d.OffHookState) {
      d.Events.Event(d.Name, c.Name == "VRX" ? "vrx_refused" : "vtx_refused",
                     "\"class\":" + Log::Quote(d.Reg.Fclass) + ",\"vls\":" + std::to_string(d.Reg.Vls));
      return false;
    }
    c.Result.Code = "CONNECT";
    c.Result.StartsStream = c.Name;
    return true;
  };

  static const Command commands[] = {
      {"FCLASS", [](ModemDevice& d, const AtCall& c) { return Info(c, d.P.Fclasses); },
       [](ModemDevice& d, const AtCall& c) { return Info(c, d.Reg.Fclass); },
       [](ModemDevice& d, const AtCall& c) {
         std::string list = "," + d.P.Fclasses + ",";
         if (c.Args.empty() || list.find("," + c.Args + ",") == std::string::npos) return false;
         d.Reg.Fclass = c.Args;
         return true;
       },
       nullptr},
      {"GMM", accept, identityRead, nullptr, identity},
      {"GMI", accept, identityRead, nullptr, identity},
      {"GMR", accept, identityRead, nullptr, identity},
      {"FMM", accept, identityRead, nullptr, identity},
      {"FMI", accept, identityRead, nullptr, identity},
      {"FMR", accept, identityRead, nullptr, identity},
      {"IFC", [](ModemDevice&, const AtCall& c) { return Info(c, "(0-2),(0-2)"); },
       [](ModemDevice&, const AtCall& c) { return Info(c, "2,2"); }, accept, nullptr},
      {"VCID", [](ModemDevice& d, const AtCall& c) { return Info(c, d.P.CallerId ? "(0-2)" : "(0)"); },
       [](ModemDevice& d, const AtCall& c) { return Info(c, std::to_string(d.Reg.Vcid)); },
       [](ModemDevice& d, const AtCall& c) { return SetInRange(c.Args, 0, d.P.CallerId ? 2 : 0, d.Reg.Vcid); },
       nullptr},
      {"VDR", [](ModemDevice&, const AtCall& c) { return Info(c, "(0,1),(0-255)"); },
       [](ModemDevice& d, const AtCall& c) {
         return Info(c, std::to_string(d.Reg.VdrA) + "," + std::to_string(d.Reg.VdrB));
       },
       [](ModemDevice& d, const AtCall& c) {
         auto n = Numbers(c.Args);
         if (n.empty() || n.size() > 2 || n[0] < 0 || n[0] > 1 || (n.size() == 2 && (n[1] < 0 || n[1] > 255)))
           return false;
         d.Reg.VdrA = int(n[0]);
         d.Reg.VdrB = n.size() == 2 ? int(n[1]) : 0;
         return true;
       },
       nullptr},
      {"VRID", [](ModemDevice&, const AtCall& c) { return Info(c, "(0,1)"); }, nullptr,
       [](ModemDevice&, const AtCall& c) {
         long v = 0;
         return InRange(c.Args, 0, 1, v);
       },
       nullptr},
      {"VLS",
       [](ModemDevice& d, const AtCall& c) {
         for (auto& l : d.P.VlsList) Info(c, l);
         return true;
       },
       [](ModemDevice& d, const AtCall& c) { return Info(c, std::to_string(d.Reg.Vls)); },
       [](ModemDevice& d, const AtCall& c) {
         long v = 0;
         if (!InRange(c.Args, 0, 255, v) || std::find(d.P.Labels.begin(), d.P.Labels.end(), int(v)) == d.P.Labels.end())
           return false;
         d.Reg.Vls = int(v);
         if (d.Reg.Vls) d.OffHook(c.Now);
         else d.OnHook(c.Now);
         if (d.P.LineSelectVcon) c.Result.Code = "VCON";
         return true;
       },
       nullptr},
      {"VSM",
       [](ModemDevice& d, const AtCall& c) {
         for (auto& l : d.P.VsmList) Info(c, l);
         return true;
       },
       [](ModemDevice& d, const AtCall& c) {
         return Info(c, std::to_string(d.Reg.Cml) + "," + std::to_string(d.Reg.Rate) + ",0,0");
       },
       [](ModemDevice& d, const AtCall& c) {
         // An omitted rate keeps the present one where the compression takes it (V.250's rule
         // for omitted values), else the compression's first.
         auto n = Numbers(c.Args);
         if (n.empty() || n.size() > 4) return false;
         const Compression* k = d.P.Find(int(n[0]));
         int rate = n.size() >= 2 ? int(n[1]) : k && k->Takes(d.Reg.Rate) ? d.Reg.Rate : k ? k->Rates[0] : 0;
         if (!k || !k->Takes(rate)) return false;
         d.Reg.Cml = int(n[0]);
         d.Reg.Rate = rate;
         return true;
       },
       nullptr},
      {"VGR", [](ModemDevice& d, const AtCall& c) { return Info(c, d.P.VgrRange); },
       [](ModemDevice& d, const AtCall& c) { return Info(c, std::to_string(d.Reg.Vgr)); }, gain, nullptr},
      {"VGT", [](ModemDevice& d, const AtCall& c) { return Info(c, d.P.VgtRange); },
       [](ModemDevice& d, const AtCall& c) { return Info(c, std::to_string(d.Reg.Vgt)); }, gain, nullptr},
      {"VSD", [](ModemDevice&, const AtCall& c) { return Info(c, "(128),(0-255)"); },
       [](ModemDevice& d, const AtCall& c) {
         return Info(c, std::to_string(d.Reg.Sds) + "," + std::to_string(d.Reg.Sdi));
       },
       [](ModemDevice& d, const AtCall& c) {
         auto n = Numbers(c.Args);
         if (n.size() != 2 || n[0] < 0 || n[0] > 255 || n[1] < 0 || n[1] > 255) return false;
         d.Reg.Sds = int(n[0]);
         d.Reg.Sdi = int(n[1]);
         return true;
       },
       nullptr},
      {"VIP", [](ModemDevice&, const AtCall& c) { return Info(c, "(0)"); },
       [](ModemDevice&, const AtCall& c) { return Info(c, "0"); },
       [](ModemDevice&, const AtCall& c) {
         long v = 0;
         return InRange(c.Args, 0, 0, v);
       },
       nullptr},
      {"VTS", [](ModemDevice&, const AtCall& c) { return Info(c, "(200-3300),(200-3300),(0-50)"); }, nullptr, accept,
       nullptr},
      {"VBT", [](ModemDevice&, const AtCall& c) { return Info(c, "(0-255),(0-255)"); },
       [](ModemDevice& d, const AtCall& c) {
         return Info(c, std::to_string(d.Reg.VbtA) + "," + std::to_string(d.Reg.VbtB));
       },
       accept, nullptr},
      {"VSP", speakerTest, speakerRead, speakerSet, nullptr},
      {"VGM", speakerTest, speakerRead, speakerSet, nullptr},
      {"VGS", speakerTest, speakerRead, speakerSet, nullptr},
      {"VRX", nullptr, nullptr, nullptr, stream},
      {"VTX", nullptr, nullptr, nullptr, stream},
  };
  for (const Command& command : commands) {
    if (c.Name != command.Name) continue;
    Handler h = form == "test" ? command.Test : form == "read" ? command.Read : form == "set" ? command.Set : command.Action;
    return h && h(d, c);
  }
  return false;
}
