#include "ControlServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const size_t MaxLine = 64u << 20;  // "raw send <hex>" may carry megabytes
}

ControlServer::~ControlServer() {
  for (auto& c : Clients) close(c.first);
  if (Listener >= 0) close(Listener);
}

bool ControlServer::Listen(int port, std::string& error) {
  Listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (Listener < 0) {
    error = std::string("socket: ") + strerror(errno);
    return false;
  }
  int one = 1;
  setsockopt(Listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(uint16_t(port));
  if (bind(Listener, (sockaddr*)&a, sizeof a) != 0 || listen(Listener, 16) != 0) {
    error = "control port " + std::to_string(port) + ": " + strerror(errno);
    return false;
  }
  socklen_t len = sizeof a;
  getsockname(Listener, (sockaddr*)&a, &len);
  BoundPort = ntohs(a.sin_port);
  return true;
}

void ControlServer::AddPollFds(std::vector<pollfd>& fds) const {
  fds.push_back(pollfd{Listener, POLLIN, 0});
  for (auto& c : Clients) {
    if (c.second.Closing && c.second.Out.empty()) continue;  // waits for its reply only
    short ev = c.second.Closing ? 0 : POLLIN;
    if (!c.second.Out.empty()) ev |= POLLOUT;
    fds.push_back(pollfd{c.first, ev, 0});
  }
}

void ControlServer::Accept() {
  for (;;) {
    int fd = accept4(Listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    Clients[fd] = Client{};
  }
}

void ControlServer::ReadFrom(int id) {
  Client& c = Clients[id];
  char buf[65536];
  for (;;) {
    ssize_t n = recv(id, buf, sizeof buf, 0);
    if (n > 0) {
      c.In.append(buf, size_t(n));
      if (c.In.size() > MaxLine && c.In.find('\n') == std::string::npos) {
        c.In.clear();
        c.Out += "error line too long\n";
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    // The peer is gone: keep it only until its replies are written, then forget it.
    c.Closing = true;
    if (c.Out.empty() && !c.Busy) {
      close(id);
      Clients.erase(id);
    }
    return;
  }
}

void ControlServer::WriteTo(int id) {
  auto it = Clients.find(id);
  if (it == Clients.end()) return;
  Client& c = it->second;
  while (!c.Out.empty()) {
    ssize_t n = send(id, c.Out.data(), c.Out.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    if (n <= 0) {
      c.Out.clear();
      c.Closing = true;
      break;
    }
    c.Out.erase(0, size_t(n));
  }
  if (c.Closing && !c.Busy) {
    close(id);
    Clients.erase(it);
  }
}

void ControlServer::Reply(int id, const std::string& line) {
  auto it = Clients.find(id);
  if (it == Clients.end()) return;
  it->second.Out += line + "\n";
  it->second.Busy = false;
  WriteTo(id);
}

void ControlServer::Release(int id) {
  auto it = Clients.find(id);
  if (it != Clients.end()) it->second.Busy = false;
}

bool ControlServer::Pending() const {
  for (auto& c : Clients)
    if (!c.second.Out.empty()) return true;
  return false;
}

void ControlServer::FlushAll() {
  std::vector<int> ids;
  for (auto& c : Clients) ids.push_back(c.first);
  for (int id : ids) WriteTo(id);
}
