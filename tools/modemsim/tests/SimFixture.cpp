#include "SimFixture.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

double Clock() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string Hex(const std::string& bytes) {
  static const char d[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) out += d[c >> 4], out += d[c & 15];
  return out;
}

std::string Unshield(const std::string& bytes, std::string* events) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != 0x10 || i + 1 >= bytes.size()) {
      out += bytes[i];
      continue;
    }
    char c = bytes[++i];
    if (c == 0x10) out += c;
    else if (events) *events += c;
  }
  return out;
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
  char tmpl[] = "/tmp/modemsim-test.XXXXXX";
  Dir = mkdtemp(tmpl);
  Log = Dir + "/log";
  std::string ready = Dir + "/ready";
  std::vector<std::string> argv = {MODEMSIM_BIN, "--dir", Dir, "--control", "0", "--ready", ready, "--log", Log,
                                   "--dump", Dir};
  argv.insert(argv.end(), args.begin(), args.end());
  Pid = fork();
  if (Pid == 0) {
    std::vector<char*> a;
    for (auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    execv(a[0], a.data());
    _exit(127);
  }
  for (int i = 0; i < 400 && access(ready.c_str(), F_OK) != 0; ++i) {
    if (waitpid(Pid, nullptr, WNOHANG) == Pid) {
      Pid = -1;
      return;
    }
    usleep(10000);
  }
  std::string r = ReadFile(ready);
  int port = atoi(r.c_str() + r.find(':') + 1);
  if (port <= 0) return;
  Sock = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  Ready = connect(Sock, (sockaddr*)&a, sizeof a) == 0;
}

SimProcess::~SimProcess() {
  Stop();
  if (::testing::Test::HasFailure()) {
    // The simulator's own account of what happened, for the failure report.
    std::string log = ReadFile(Log);
    size_t from = log.size() > 6000 ? log.find('\n', log.size() - 6000) + 1 : 0;
    std::string tail = "--- modemsim log (tail) ---\n" + log.substr(from) + "---\n";
    fwrite(tail.data(), 1, tail.size(), stderr);
  }
  if (Sock >= 0) close(Sock);
  std::string cmd = "rm -rf '" + Dir + "'";
  if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", Dir.c_str());
}

std::string SimProcess::Cmd(const std::string& line) {
  std::string out = line + "\n";
  if (Sock < 0 || send(Sock, out.data(), out.size(), MSG_NOSIGNAL) != ssize_t(out.size())) return "error no control line";
  double end = Clock() + 60;
  while (Pending.find('\n') == std::string::npos) {
    pollfd p{Sock, POLLIN, 0};
    int left = int((end - Clock()) * 1000);
    if (left <= 0 || poll(&p, 1, left) <= 0) return "error no reply";
    char buf[65536];
    ssize_t n = recv(Sock, buf, sizeof buf, 0);
    if (n <= 0) return "error control line closed";
    Pending.append(buf, size_t(n));
  }
  size_t nl = Pending.find('\n');
  std::string reply = Pending.substr(0, nl);
  Pending.erase(0, nl + 1);
  return reply;
}

std::string SimProcess::Ok(const std::string& line) {
  std::string r = Cmd(line);
  EXPECT_EQ(r.substr(0, 2), "ok") << line << " -> " << r;
  return r.size() > 3 ? r.substr(3) : "";
}

int SimProcess::WaitExit(int ms) {
  if (Pid < 0) return -1;
  for (int i = 0; i < ms / 10; ++i) {
    int status = 0;
    if (waitpid(Pid, &status, WNOHANG) == Pid) {
      Pid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    usleep(10000);
  }
  return -1;
}

int SimProcess::Stop() {
  if (Pid < 0) return -1;
  kill(Pid, SIGTERM);
  int s = WaitExit(5000);
  if (s < 0 && Pid > 0) {
    kill(Pid, SIGKILL);
    s = WaitExit(5000);
  }
  return s;
}

Dte::Dte(const std::string& dir, const std::string& port) {
  Fd = open((dir + "/" + port).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
}

Dte::~Dte() { Close(); }

void Dte::Close() {
  if (Fd >= 0) close(Fd);
  Fd = -1;
}

void Dte::Write(const std::string& bytes) {
  size_t done = 0;
  double end = Clock() + 10;
  while (done < bytes.size() && Clock() < end) {
    ssize_t n = write(Fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += size_t(n);
    else usleep(1000);
  }
  ASSERT_EQ(done, bytes.size());
}

std::string Dte::Read(int ms) {
  std::string out;
  double end = Clock() + ms / 1000.0;
  for (;;) {
    int left = int((end - Clock()) * 1000);
    if (left < 0) break;
    pollfd p{Fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    char buf[65536];
    ssize_t n = read(Fd, buf, sizeof buf);
    if (n > 0) out.append(buf, size_t(n));
    else if (n < 0 && errno != EAGAIN) break;
  }
  return out;
}

std::string Dte::ReadUntil(const std::string& endText, int ms) {
  std::string out;
  double end = Clock() + ms / 1000.0;
  while (out.find(endText) == std::string::npos) {
    int left = int((end - Clock()) * 1000);
    if (left <= 0) break;
    pollfd p{Fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    char buf[4096];
    ssize_t n = read(Fd, buf, sizeof buf);
    if (n > 0) out.append(buf, size_t(n));
  }
  return out;
}

std::string Dte::ReadCount(size_t count, int ms) {
  std::string out;
  double end = Clock() + ms / 1000.0;
  while (out.size() < count) {
    int left = int((end - Clock()) * 1000);
    if (left <= 0) break;
    pollfd p{Fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) break;
    char buf[65536];
    size_t want = std::min(sizeof buf, count - out.size());
    ssize_t n = read(Fd, buf, want);
    if (n > 0) out.append(buf, size_t(n));
  }
  return out;
}

std::string Dte::At(const std::string& cmd, int ms) {
  Write(cmd + "\r");
  std::string out;
  double end = Clock() + ms / 1000.0;
  static const char* finals[] = {"OK\r\n", "ERROR\r\n", "CONNECT\r\n", "VCON\r\n", "NO CARRIER\r\n"};
  for (;;) {
    for (const char* f : finals) {
      size_t at = out.find(f);
      if (at != std::string::npos && (at == 0 || out[at - 1] == '\n')) return out;
    }
    int left = int((end - Clock()) * 1000);
    if (left <= 0) return out;
    pollfd p{Fd, POLLIN, 0};
    if (poll(&p, 1, left) <= 0) return out;
    char buf[4096];
    ssize_t n = read(Fd, buf, sizeof buf);
    if (n > 0) out.append(buf, size_t(n));
  }
}
