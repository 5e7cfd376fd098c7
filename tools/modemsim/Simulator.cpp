#include "Simulator.h"
#include "Clock.h"
#include "Hex.h"
#include "ModemDevice.h"
#include "RawDevice.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <unistd.h>

namespace {
const double HupRecheck = 0.020;  // a closed port is looked at again this often, never spun on

bool ValidName(const std::string& name) {
  long n = 0;
  return name.size() > 3 && name.compare(0, 3, "com") == 0 && ParseLong(name.substr(3), n) && n >= 1 &&
         n <= 50 && name.substr(3) == std::to_string(n);
}

std::unique_ptr<Device> MakeDevice(const std::string& profile, Pty& pty, Log& log, const std::string& name,
                                   const SimOptions& o) {
  if (profile == "raw") return std::make_unique<RawDevice>(pty, log, name);
  Profile p;
  if (!MakeProfile(profile, p)) return nullptr;
  return std::make_unique<ModemDevice>(pty, log, name, p, o.Speed, o.DumpDir);
}
}  // namespace

Simulator::Simulator(SimOptions options) : Options(std::move(options)), Events(Now()) {}

bool Simulator::Start(std::string& error) {
  if (Options.Dir.empty()) {
    error = "--dir is required";
    return false;
  }
  if (!Options.LogFile.empty() && !Events.OpenFile(Options.LogFile, error)) return false;
  if (Options.ControlPort >= 0 && !Control.Listen(Options.ControlPort, error)) return false;
  if (!Options.ScenarioFile.empty()) {
    if (!Script.Load(Options.ScenarioFile, error)) return false;
    for (auto& s : Script.PortLines) {
      std::string profile = "generic";
      std::vector<std::string> set{"set"};
      for (size_t i = 2; i < s.Words.size(); ++i) {
        const std::string& w = s.Words[i];
        if (w.compare(0, 8, "profile=") == 0) profile = w.substr(8);
        else if (w.compare(0, 5, "link=") != 0) set.push_back(w);  // links are always DIR/<name>
      }
      Options.Ports.emplace_back(s.Words[1], profile);
      if (set.size() > 1) PortOptions[Lower(s.Words[1])] = set;
    }
  }
  for (auto& p : Options.Ports) {
    std::string r = AddPort(Lower(p.first), p.second);
    if (r.compare(0, 2, "ok") != 0) {
      error = p.first + ": " + r.substr(r.find(' ') + 1);
      return false;
    }
  }
  for (auto& po : PortOptions) {
    std::vector<std::string> w = po.second;
    w.insert(w.begin() + 1, po.first);
    std::string r = Dispatch(-1, w);
    if (r.compare(0, 2, "ok") != 0) {
      error = po.first + ": " + r;
      return false;
    }
  }
  if (Options.ReadyFile.empty()) Options.ReadyFile = Options.Dir + "/ready";
  if (!WriteReady(error)) return false;
  Script.Start(Now());
  return true;
}

// The ready file is written atomically, and again whenever the set of ports changes, so that a
// runner always knows which links to clean up.
bool Simulator::WriteReady(std::string& error) {
  std::string json = "{\"control\": " + std::to_string(Control.Port()) + ", \"ports\": {";
  bool first = true;
  for (auto& p : Ports) {
    if (!first) json += ", ";
    first = false;
    json += Log::Quote(p.first) + ": {\"link\": " + Log::Quote(p.second.Line->LinkPath()) +
            ", \"pts\": " + Log::Quote(p.second.Line->PtsPath()) + ", \"profile\": " +
            Log::Quote(p.second.Profile) + "}";
  }
  json += "}}\n";
  std::string tmp = Options.ReadyFile + ".tmp";
  FILE* f = fopen(tmp.c_str(), "w");
  bool ok = f && fputs(json.c_str(), f) != EOF;
  if (f && fclose(f) != 0) ok = false;
  if (!ok || rename(tmp.c_str(), Options.ReadyFile.c_str()) != 0) {
    error = Options.ReadyFile + ": " + strerror(errno);
    unlink(tmp.c_str());
    return false;
  }
  return true;
}

std::string Simulator::AddPort(const std::string& name, const std::string& profile) {
  if (!ValidName(name)) return "error bad port name " + name;
  if (Ports.count(name)) return "error port " + name + " exists";
  Port p;
  p.Name = name;
  p.Profile = profile;
  p.Line = std::make_unique<Pty>();
  p.Dev = MakeDevice(profile, *p.Line, Events, name, Options);
  if (!p.Dev) return "error unknown profile " + profile;
  std::string error;
  if (!p.Line->Create(Options.Dir, name, error)) return "error " + error;
  std::string pts = p.Line->PtsPath();
  if (auto* modem = dynamic_cast<ModemDevice*>(p.Dev.get()))
    modem->OnEvent = [this, name](const std::string& kind, const std::string& text) {
      Script.Event(name, kind, text, Now());
    };
  Events.Event(name, "port_add", "\"profile\":" + Log::Quote(profile) + ",\"pts\":" + Log::Quote(pts));
  Ports[name] = std::move(p);
  if (!Options.ReadyFile.empty() && !WriteReady(error)) fprintf(stderr, "modemsim: %s\n", error.c_str());
  return "ok " + pts;
}

void Simulator::Sync(Port& p, double now) {
  if (p.Line->IsOpen() == p.SeenOpen) return;
  p.SeenOpen = p.Line->IsOpen();
  if (p.SeenOpen) {
    Events.Event(p.Name, "open", "\"opens\":" + std::to_string(p.Line->Opens()));
    Script.Event(p.Name, "open", "", now);
    p.Dev->Opened(now);
  } else {
    std::string fields = p.Dev->Closed(now);
    Events.Event(p.Name, "close", "\"closes\":" + std::to_string(p.Line->Closes()) + (fields.empty() ? "" : "," + fields));
    Script.Event(p.Name, "close", "", now);
  }
  CheckWaits(now);
}

void Simulator::CheckWaits(double now) {
  for (size_t i = 0; i < Waits.size();) {
    Wait& w = Waits[i];
    auto it = Ports.find(w.Port);
    std::string reply;
    if (it == Ports.end()) {
      reply = "error no port " + w.Port;
    } else if (it->second.Line->IsOpen() == w.WantOpen) {
      reply = "ok";
    } else if (now >= w.Deadline) {
      reply = "error timeout";
    }
    if (reply.empty()) {
      ++i;
      continue;
    }
    Control.Reply(w.Client, reply);
    Waits.erase(Waits.begin() + long(i));
  }
}

std::string Simulator::Command(int client, const std::string& line) {
  return Dispatch(client, SplitQuoted(line, false));
}

void Simulator::RunScenario(double now) {
  Script.Run(now, [this](const std::string& port, const std::vector<std::string>& words) {
    std::vector<std::string> w = words;
    w.insert(w.begin() + 1, port);
    std::string r = Dispatch(-1, w);
    return r;
  });
  for (auto& n : Script.Notes) Events.Event("", "expect_met", "\"what\":" + Log::Quote(n));
  Script.Notes.clear();
  if (Script.Failed && !Quit) {
    Events.Event("", "scenario_failed", "\"why\":" + Log::Quote(Script.Message));
    fprintf(stderr, "modemsim: scenario: %s\n", Script.Message.c_str());
    ExitStatus = 3;
    Quit = true;
  }
  if (Script.QuitAsked) Quit = true;
}

std::string Simulator::Dispatch(int client, const std::vector<std::string>& w) {
  double now = Now();
  if (w.empty()) return "error empty command";
  if (w[0] == "quit" && w.size() == 1) {
    Quit = true;
    return "ok";
  }
  if (w[0] == "port" && w.size() == 4 && w[1] == "add") return AddPort(Lower(w[2]), w[3]);
  if (w[0] == "port" && w.size() == 3 && w[1] == "remove") {
    auto it = Ports.find(Lower(w[2]));
    if (it == Ports.end()) return "error no port " + w[2];
    Events.Event(it->first, "port_remove");
    Ports.erase(it);
    std::string error;
    if (!WriteReady(error)) fprintf(stderr, "modemsim: %s\n", error.c_str());
    CheckWaits(now);
    return "ok";
  }
  if (w.size() < 2) return "error unknown command " + w[0];
  auto it = Ports.find(Lower(w[1]));
  if (it == Ports.end()) return "error no port " + w[1];
  Port& p = it->second;
  if (w[0] == "state" && w.size() == 2) {
    return std::string("ok ") + (p.Line->IsOpen() ? "open" : "closed") + " opens=" +
           std::to_string(p.Line->Opens()) + " closes=" + std::to_string(p.Line->Closes());
  }
  if ((w[0] == "wait-open" || w[0] == "wait-closed") && w.size() == 3) {
    long ms = 0;
    if (!ParseLong(w[2], ms) || ms < 0) return "error bad time";
    if (!p.Line->IsOpen()) p.Line->CheckOpen();
    Sync(p, now);
    bool wantOpen = w[0] == "wait-open";
    if (p.Line->IsOpen() == wantOpen) return "ok";
    if (client < 0) return "error a scenario waits with expect";
    Waits.push_back(Wait{client, p.Name, wantOpen, now + ms / 1000.0});
    return "";  // answered by CheckWaits
  }
  if (w[0] == "raw") {
    if (p.Profile != "raw") return "error " + p.Name + " is not a raw port";
    return p.Dev->Control(std::vector<std::string>(w.begin() + 2, w.end()), now);
  }
  // Everything else belongs to the port's modem: "<command> <port> args...".
  std::vector<std::string> rest{w[0]};
  rest.insert(rest.end(), w.begin() + 2, w.end());
  return p.Dev->Control(rest, now);
}

void Simulator::Step() {
  double now = Now();
  if (now >= NextHupCheck) {
    NextHupCheck = now + HupRecheck;
    for (auto& p : Ports)
      if (!p.second.Line->IsOpen()) p.second.Line->CheckOpen();
  }
  for (auto& p : Ports) Sync(p.second, now);
  for (auto& p : Ports) p.second.Dev->Tick(now);
  for (auto& p : Ports) Sync(p.second, now);
  CheckWaits(now);
  RunScenario(now);
  if (Quit) return;

  std::vector<pollfd> fds;
  std::vector<Port*> owners;
  double due = now + 0.1;  // signals are noticed within this
  bool anyClosed = false;
  for (auto& p : Ports) {
    Port& port = p.second;
    due = std::min(due, port.Dev->NextDue(now));
    if (!port.Line->IsOpen()) {
      anyClosed = true;
      continue;  // POLLHUP is level-triggered: a closed master stays out of the set
    }
    short ev = port.Dev->WantRead(now) ? POLLIN : 0;
    if (port.Line->WantWrite()) ev |= POLLOUT;
    fds.push_back(pollfd{port.Line->Fd(), ev, 0});
    owners.push_back(&port);
  }
  if (anyClosed) due = std::min(due, NextHupCheck);
  due = std::min(due, Script.NextDue());
  for (auto& w : Waits) due = std::min(due, w.Deadline);
  size_t portFds = fds.size();
  Control.AddPollFds(fds);

  int timeout = int(std::ceil(std::max(0.0, due - now) * 1000));
  int n = poll(fds.data(), fds.size(), timeout);
  if (n < 0) return;  // EINTR: a signal; the loop looks at the flags
  now = Now();
  for (size_t i = 0; i < portFds; ++i) {
    Port& port = *owners[i];
    short re = fds[i].revents;
    if (!re) continue;
    if (re & POLLOUT) port.Line->Flush();
    bool hup = (re & (POLLHUP | POLLERR)) != 0;
    if (re & POLLIN) {
      std::string bytes;
      if (!port.Line->Read(bytes)) hup = true;
      if (!bytes.empty()) port.Dev->Received(bytes, now);
    }
    if (hup && port.Line->IsOpen()) port.Line->SetClosed();
  }
  for (auto& p : Ports) Sync(p.second, now);
  RunScenario(now);
  Control.Service(std::vector<pollfd>(fds.begin() + long(portFds), fds.end()), [this](int id, const std::string& line) {
    std::string reply = Command(id, line);
    if (!reply.empty()) Control.Reply(id, reply);
  });
}

int Simulator::Run() {
  while (!Quit && !StopRequested) Step();
  Control.FlushAll();
  for (auto& p : Ports) Events.Event(p.first, "port_remove");
  Ports.clear();
  unlink(Options.ReadyFile.c_str());
  return ExitStatus;
}
