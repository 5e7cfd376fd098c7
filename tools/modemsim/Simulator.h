#pragma once
#include "ControlServer.h"
#include "Device.h"
#include "Log.h"
#include "Pty.h"
#include "Scenario.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

struct SimOptions {
  std::string Dir, ReadyFile, LogFile, ScenarioFile, DumpDir;
  int ControlPort = -1;  // -1: no control line
  double Speed = 1.0;
  std::vector<std::pair<std::string, std::string>> Ports;  // name, profile
};

// The whole simulator: its ports, the control line and the one poll loop.
class Simulator {
public:
  explicit Simulator(SimOptions options);
  bool Start(std::string& error);
  int Run();  // until quit or a signal; the exit status
  void RequestStop() { StopRequested = true; }

private:
  struct Port {
    std::string Name, Profile;
    std::unique_ptr<Pty> Line;
    std::unique_ptr<Device> Dev;
    bool SeenOpen = false;
  };
  struct Wait {
    int Client;
    std::string Port;
    bool WantOpen;
    double Deadline;
  };

  std::string AddPort(const std::string& name, const std::string& profile);
  std::string Command(int client, const std::string& line);
  std::string Dispatch(int client, const std::vector<std::string>& words);
  void RunScenario(double now);
  void CheckWaits(double now);
  void Sync(Port& p, double now);  // tells the device about an open or close edge
  void Step();
  bool WriteReady(std::string& error);

  SimOptions Options;
  Log Events;
  ControlServer Control;
  std::map<std::string, Port> Ports;
  std::vector<Wait> Waits;
  Scenario Script;
  std::map<std::string, std::vector<std::string>> PortOptions;  // "set" words from the scenario
  double NextHupCheck = 0;
  bool Quit = false;
  int ExitStatus = 0;
  volatile bool StopRequested = false;
};
