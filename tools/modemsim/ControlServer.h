#pragma once
#include <poll.h>
#include <map>
#include <string>
#include <vector>

// The loopback TCP control line: text lines in, one reply line out for each.
class ControlServer {
public:
  ~ControlServer();
  bool Listen(int port, std::string& error);
  int Port() const { return BoundPort; }

  struct Client {
    std::string In, Out;
    bool Busy = false;    // a command of it waits (wait-open), so its next lines wait too
    bool Closing = false;
  };

  void AddPollFds(std::vector<pollfd>& fds) const;
  // Handles what poll reported; complete lines of idle clients go to onLine(id, line).
  template <class F> void Service(const std::vector<pollfd>& fds, F onLine);
  void Reply(int id, const std::string& line);
  void Release(int id);  // the client's waiting command has its reply
  bool Pending() const;  // replies not yet written
  void FlushAll();

private:
  void Accept();
  void ReadFrom(int id);
  void WriteTo(int id);
  template <class F> void Dispatch(int id, F onLine);
  int Listener = -1;
  int BoundPort = 0;
  std::map<int, Client> Clients;
};

template <class F> void ControlServer::Dispatch(int id, F onLine) {
  for (;;) {
    auto it = Clients.find(id);
    if (it == Clients.end() || it->second.Busy) return;
    std::string& in = it->second.In;
    size_t nl = in.find('\n');
    if (nl == std::string::npos) return;
    std::string line = in.substr(0, nl);
    in.erase(0, nl + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    it->second.Busy = true;
    onLine(id, line);
  }
}

template <class F> void ControlServer::Service(const std::vector<pollfd>& fds, F onLine) {
  for (const pollfd& p : fds) {
    if (!p.revents) continue;
    if (p.fd == Listener) {
      Accept();
    } else if (Clients.count(p.fd)) {
      if (p.revents & POLLOUT) WriteTo(p.fd);
      if (p.revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(p.fd);
    }
  }
  std::vector<int> ids;
  for (auto& c : Clients) ids.push_back(c.first);
  for (int id : ids) Dispatch(id, onLine);
}
