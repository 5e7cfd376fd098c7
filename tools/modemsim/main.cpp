// modemsim: plays voice modems (or raw test peers) on pseudo-terminals for the program's tests.
#include "Hex.h"
#include "Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace {
Simulator* Running = nullptr;

void OnSignal(int) {
  if (Running) Running->RequestStop();
}

int Usage() {
  fprintf(stderr,
          "usage: modemsim --dir DIR [--control PORT] [--ready FILE] [--port NAME[:PROFILE]]...\n"
          "                [--scenario FILE] [--log FILE] [--speed F] [--dump DIR]\n");
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  SimOptions o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    std::string v = argv[++i];
    long n = 0;
    if (a == "--dir") {
      o.Dir = v;
    } else if (a == "--control") {
      if (!ParseLong(v, n) || n < 0 || n > 65535) return Usage();
      o.ControlPort = int(n);
    } else if (a == "--ready") {
      o.ReadyFile = v;
    } else if (a == "--port") {
      size_t colon = v.find(':');
      o.Ports.emplace_back(v.substr(0, colon), colon == std::string::npos ? "generic" : v.substr(colon + 1));
    } else if (a == "--scenario") {
      o.ScenarioFile = v;
    } else if (a == "--dump") {
      o.DumpDir = v;
    } else if (a == "--log") {
      o.LogFile = v;
    } else if (a == "--speed") {
      if (!ParseDouble(v, o.Speed) || !(o.Speed > 0 && o.Speed <= 1000)) return Usage();
    } else {
      return Usage();
    }
  }
  if (o.Dir.empty()) return Usage();

  signal(SIGPIPE, SIG_IGN);
  struct sigaction sa {};
  sa.sa_handler = OnSignal;  // no SA_RESTART: poll returns and the loop sees the request
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);

  Simulator sim(o);
  Running = &sim;
  std::string error;
  if (!sim.Start(error)) {
    fprintf(stderr, "modemsim: %s\n", error.c_str());
    return 1;
  }
  int status = sim.Run();
  Running = nullptr;
  return status;
}
