#pragma once
#include <string>
#include <vector>

// A running modemsim (the real binary) in its own folder, with its control line.
class SimProcess {
public:
  explicit SimProcess(const std::vector<std::string>& args = {});
  ~SimProcess();
  std::string Cmd(const std::string& line);  // the whole reply line
  std::string Ok(const std::string& line);   // the payload; fails the test on error
  int Stop();                                // TERM, then the exit status
  int WaitExit(int ms);                      // the exit status, or -1 on time-out
  std::string Dir, Log;
  bool Ready = false;

private:
  int Pid = -1, Sock = -1;
  std::string Pending;
};

// The DTE side: the slave of a port, opened through its link.
class Dte {
public:
  Dte(const std::string& dir, const std::string& port);
  ~Dte();
  void Close();
  bool Valid() const { return Fd >= 0; }
  void Write(const std::string& bytes);
  std::string Read(int ms);                                         // all that comes within ms
  std::string ReadUntil(const std::string& end, int ms);           // up to and with end
  std::string ReadCount(size_t n, int ms);
  std::string At(const std::string& cmd, int ms = 3000);           // up to OK/ERROR/CONNECT...
  int Fd = -1;
};

double Clock();
std::string Unshield(const std::string& bytes, std::string* events = nullptr);
std::string ReadFile(const std::string& path);
std::string Hex(const std::string& bytes);
