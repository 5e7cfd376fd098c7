#pragma once
#include <map>
#include <string>
#include <vector>

class ModemDevice;

// The registers and parameters the AT commands set.
struct AtRegisters {
  bool Echo = true, Verbose = true, Quiet = false, EchoStuck = false;
  std::map<int, int> S;
  std::string Fclass = "0";
  int Vcid = 0, VdrA = 0, VdrB = 0, Vnh = 0, Vls = 0, Vgr = 128, Vgt = 128, Sds = 128, Sdi = 0, Vit = 0;
  int Vra = 50, Vrn = 10, Vtd = 100, VbtA = 0, VbtB = 0, Vpp = 0, Vpr = 0, Flo = 0;
  int Cml = 1, Rate = 8000;
};

// The outcome of a command line: information lines, a result code and its delay.
struct AtResult {
  std::vector<std::string> Info;
  std::string Code = "OK";  // OK, ERROR, CONNECT, VCON, or "" for none
  double Delay = -1;
  std::string StartsStream;  // "VRX" or "VTX": CONNECT opens that stream
};

// One extended command as the table sees it: its name, form's arguments and where the result goes.
struct AtCall {
  const std::string& Name;
  const std::string& Args;
  AtResult& Result;
  double Now;
};

// The command state of the modem: V.250 line assembly, basic and extended commands (a table in
// AtCommands.cpp), result codes, and the replies a test forces for matching lines.
class AtInterpreter {
public:
  explicit AtInterpreter(ModemDevice& modem) : D(modem) {}

  // Bytes from the DTE (flow control already taken off): commands, or during +VRX the abort,
  // during +VTX voice data up to <DLE><ETX>.
  void Received(const std::string& bytes, double now);
  bool HasInput() const { return !Input.empty(); }
  // Input that waited for a reply to be made.
  void ProcessInput(double now);
  // Drops a half-typed line and waiting input (the port closed).
  void Clear();
  // A result code as the DTE has asked for them (verbose or numeric, or none when quiet).
  std::string Code(const std::string& code) const;
  void SendResult(const AtResult& r, double now, const std::string& forced = "");
  // A forced reply for lines matching pattern (OK, ERROR, none, delay=, text=, split, numeric);
  // "clear" removes it.
  void ForceReply(const std::string& pattern, const std::string& reply);

  std::vector<std::string> Lines;  // every command line received
  std::string LineAtCommand;       // the line settings when the last command line came

private:
  struct ForcedReply {
    std::string Pattern, Reply;
  };
  void CommandByte(unsigned char b, double now);
  void ExecuteLine(const std::string& line, double now);
  bool Basic(const std::string& body, size_t& i, AtResult& r);
  // form: "test", "read", "set" or "action".
  bool Extended(const AtCall& c, const std::string& form);
  std::string InfoText(const std::string& text) const;

  ModemDevice& D;
  std::string Input, LineBuf;
  bool Overlong = false, DleSeen = false;
  std::vector<ForcedReply> Forced;
};
