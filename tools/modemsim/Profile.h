#pragma once
#include <map>
#include <string>
#include <vector>

enum class Encoding { U8, S8, Ulaw, Alaw, S16, Adpcm4 };

// One compression the modem offers in +VSM=?: its cml, how its bytes are made, and its rates.
struct Compression {
  int Cml;
  Encoding Enc;
  std::vector<int> Rates;
  bool Range = false;  // Rates is {lowest, highest}
  bool Takes(int rate) const;
};

// A modem's reply set and habits. Every quirk is a field here, settable by "set <port> key=value".
struct Profile {
  std::string Name = "generic";
  bool Dead = false;            // opens, never answers
  bool Voice = true;            // +FCLASS=8 and the +V commands exist
  bool ClassRule = true;        // +V commands (but +VCID/+VDR/+VRID/+VNH) need class 8
  bool IdentityQuery = true;    // +GMM? etc. answer (strict: ERROR, they are action commands)
  bool FaxIdentityAnyClass = true;  // +FMM? etc. outside class 2
  bool Speakerphone = false;    // +VSP, +VGM, +VGS
  bool CallerId = true;         // +VCID=1/2 accepted
  bool EmptyLineOk = false;     // a line without AT gets OK
  bool LineSelectVcon = false;  // +VLS=n answers VCON instead of OK
  bool DleRing = false;         // <DLE>R besides RING in class 8
  bool RingText = true;         // "RING" (with DleRing off it is always sent)
  bool Is101Abort = false;      // any byte during +VRX aborts it
  bool Shield = true;           // DLE shielding of voice data
  bool DleEvents = true;        // b/d/s/q events from the sources
  bool AbortVcon = false;       // after <DLE>! answer VCON instead of OK
  bool DtrResets = false;       // a DTR drop acts as ATZ
  bool Overrun = true;          // <DLE>o when voice data is dropped
  bool TimelineFromAnswer = false;  // the call's audio starts at the answer, not at CONNECT
  int ConnectGapMs = 0;
  int ReplyDelayMs = 10;
  int ResetDelayMs = 200;
  double Speed = 1.0;           // voice pacing factor
  std::string Country = "EU";
  std::string AfterScript = "silence";  // the source when the script runs out
  std::string Fclasses = "0,1,1.0,8";
  std::string Model = "VSIM 56K Voice", Manufacturer = "VSIM", Revision = "1.00";
  std::string GmmText;          // when set, the +GMM reply (e.g. "+GMM: VSIM 56K Voice")
  std::vector<std::string> VsmList;  // +VSM=? lines
  std::vector<std::string> VlsList;  // +VLS=? lines
  std::vector<int> Labels{0, 1, 3};
  std::string VgrRange = "(0-255)", VgtRange = "(0-255)";
  int GainMin = 0, GainMax = 255;
  std::vector<Compression> Compressions;
  std::map<int, std::string> Ati;    // ATIn texts; a missing n is ERROR
  int DefaultCml = 1, DefaultRate = 8000;

  bool Set(const std::string& key, const std::string& value, std::string& error);
  const Compression* Find(int cml) const;
};

// The named profiles: generic, strict, speakerphone, nonvoice, dead, hsf, example; false if unknown.
bool MakeProfile(const std::string& name, Profile& out);

int ZeroCode(Encoding e);
int BytesPerSample(Encoding e);  // Adpcm4: two samples per byte, reported as 1 (callers halve)
