#pragma once
#include <winsock2.h>
#include <cstddef>
#include <string>

// The test's end of the modem simulator's control line (VSIM_CONTROL, set by scripts/with-sim.sh).
class TModemSim {
public:
  TModemSim();  // throws Exception when VSIM_CONTROL is unset or the simulator cannot be reached
  ~TModemSim();
  TModemSim(const TModemSim&) = delete;
  TModemSim& operator=(const TModemSim&) = delete;

  // Sends one command line; returns the payload after "ok", throws Exception on "error ...".
  std::string Command(const std::string& line);

  void AddPort(int com, const std::string& profile = "raw");
  void RemovePort(int com);
  bool WaitOpen(int com, int ms);
  bool WaitClosed(int com, int ms);
  void Echo(int com, bool on);
  void Send(int com, const std::string& bytes);
  void Pattern(int com, int count, int rate);
  void Pause(int com, int ms);
  std::string Received(int com);
  size_t ReceivedCount(int com);
  void Clear(int com);

private:
  std::string Exchange(const std::string& line, int waitMs);
  std::string ReadLine(int waitMs);
  SOCKET Sock = INVALID_SOCKET;
  std::string Pending;
  bool Started = false;
};

// A COM number Wine has no device for (VL_NO_SUCH_PORT from the runner).
int NoSuchPort();
