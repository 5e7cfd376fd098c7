#pragma once
#include <functional>
#include <string>
#include <vector>

// A scenario file: ports, reactions ("on <port> cmd|open|close|vrx ...:" blocks of steps) and a
// main sequence of top-level steps and expectations. See README.md for the format.
class Scenario {
public:
  bool Load(const std::string& path, std::string& error);

  struct Step {
    std::vector<std::string> Words;
    int LineNo = 0;
  };
  std::vector<Step> PortLines;  // "port NAME profile=... key=value..."

  // Executes one step's command; returns the reply line ("ok..." or "error ...").
  using Exec = std::function<std::string(const std::string& port, const std::vector<std::string>& words)>;

  void Start(double now);
  void Event(const std::string& port, const std::string& kind, const std::string& text, double now);
  void Run(double now, const Exec& exec);
  double NextDue() const;

  bool Failed = false, QuitAsked = false;
  std::string Message;  // why it failed
  std::vector<std::string> Notes;  // expectations met, for the log

private:
  struct Block {
    std::string Port, Trigger, Pattern;  // Port empty: the main sequence
    bool Every = false, Fired = false;
    double Delay = 0;
    std::vector<Step> Steps;
  };
  struct Running {
    const Block* B;
    size_t Pc = 0;
    double WaitUntil = 0;
    double ExpectSince = -1;
    std::string WaitPort, WaitKind;  // a step that lasts until this event (ring count=N)
    size_t WaitFrom = 0;
  };
  struct Happened {
    double T;
    std::string Port, Kind, Text;
  };
  bool RunStep(Running& r, double now, const Exec& exec);  // false: wait here
  bool ParseBlockHeader(const std::vector<std::string>& w, Block& b, std::string& error);

  std::vector<Block> Blocks;
  Block Main;
  std::vector<Running> Runs;
  std::vector<Happened> History;
  size_t ExpectCursor = 0;
  double StartTime = 0;
};

// Splits a line into words; "double quotes" keep blanks, also inside key="a b".
std::vector<std::string> SplitQuoted(const std::string& line, bool comments = true);
