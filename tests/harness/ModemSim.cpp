#include "ModemSim.h"
#include "Exception.h"

#include <ws2tcpip.h>
#include <cstdlib>

namespace {
// Every reply comes within this, beyond the time a wait command itself asks for.
const int ReplyGraceMs = 30000;

std::string Port(int com) { return "com" + std::to_string(com); }

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

int Nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw Exception("modem simulator: bad hex in reply");
}

std::string Unhex(const std::string& hex) {
  if (hex.size() % 2) throw Exception("modem simulator: bad hex in reply");
  std::string out;
  out.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) out += char(Nibble(hex[i]) * 16 + Nibble(hex[i + 1]));
  return out;
}
}  // namespace

TModemSim::TModemSim() {
  const char* where = getenv("VSIM_CONTROL");
  if (!where || !*where) throw Exception("VSIM_CONTROL is not set: run the test through scripts/with-sim.sh");
  std::string s = where;
  size_t colon = s.rfind(':');
  if (colon == std::string::npos) throw Exception("VSIM_CONTROL is not host:port: " + s);
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) throw Exception("WSAStartup failed");
  Started = true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(s.substr(0, colon).c_str(), s.substr(colon + 1).c_str(), &hints, &found) != 0 || !found) {
    WSACleanup();
    throw Exception("cannot resolve the modem simulator at " + s);
  }
  Sock = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
  bool ok = Sock != INVALID_SOCKET && connect(Sock, found->ai_addr, int(found->ai_addrlen)) == 0;
  freeaddrinfo(found);
  if (!ok) {
    if (Sock != INVALID_SOCKET) closesocket(Sock);
    WSACleanup();
    throw Exception("cannot reach the modem simulator at " + s);
  }
}

TModemSim::~TModemSim() {
  if (Sock != INVALID_SOCKET) closesocket(Sock);
  if (Started) WSACleanup();
}

std::string TModemSim::ReadLine(int waitMs) {
  DWORD deadline = GetTickCount() + DWORD(waitMs);
  for (;;) {
    size_t nl = Pending.find('\n');
    if (nl != std::string::npos) {
      std::string line = Pending.substr(0, nl);
      Pending.erase(0, nl + 1);
      return line;
    }
    long left = long(deadline - GetTickCount());
    if (left <= 0) throw Exception("modem simulator: no reply");
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Sock, &set);
    timeval tv{left / 1000, (left % 1000) * 1000};
    int n = select(0, &set, nullptr, nullptr, &tv);
    if (n < 0) throw Exception("modem simulator: select failed");
    if (n == 0) continue;
    char buf[65536];
    int got = recv(Sock, buf, sizeof buf, 0);
    if (got <= 0) throw Exception("modem simulator: control line closed");
    Pending.append(buf, size_t(got));
  }
}

std::string TModemSim::Exchange(const std::string& line, int waitMs) {
  std::string out = line + "\n";
  for (size_t done = 0; done < out.size();) {
    int n = send(Sock, out.data() + done, int(out.size() - done), 0);
    if (n <= 0) throw Exception("modem simulator: sending failed");
    done += size_t(n);
  }
  std::string reply = ReadLine(waitMs + ReplyGraceMs);
  if (reply == "ok") return "";
  if (reply.compare(0, 3, "ok ") == 0) return reply.substr(3);
  throw Exception("modem simulator: " + line.substr(0, 80) + ": " + reply);
}

std::string TModemSim::Command(const std::string& line) { return Exchange(line, 0); }

void TModemSim::AddPort(int com, const std::string& profile) { Command("port add " + Port(com) + " " + profile); }
void TModemSim::RemovePort(int com) { Command("port remove " + Port(com)); }

bool TModemSim::WaitOpen(int com, int ms) {
  try {
    Exchange("wait-open " + Port(com) + " " + std::to_string(ms), ms);
    return true;
  } catch (const Exception& e) {
    if (e.Message.find("error timeout") == std::string::npos) throw;
    return false;
  }
}

bool TModemSim::WaitClosed(int com, int ms) {
  try {
    Exchange("wait-closed " + Port(com) + " " + std::to_string(ms), ms);
    return true;
  } catch (const Exception& e) {
    if (e.Message.find("error timeout") == std::string::npos) throw;
    return false;
  }
}

void TModemSim::Echo(int com, bool on) { Command("raw " + Port(com) + " echo " + (on ? "on" : "off")); }
void TModemSim::Send(int com, const std::string& bytes) { Command("raw " + Port(com) + " send " + Hex(bytes)); }

void TModemSim::Pattern(int com, int count, int rate) {
  Command("raw " + Port(com) + " pattern " + std::to_string(count) + " " + std::to_string(rate));
}

void TModemSim::Pause(int com, int ms) { Command("raw " + Port(com) + " pause " + std::to_string(ms)); }
std::string TModemSim::Received(int com) { return Unhex(Command("raw " + Port(com) + " received")); }
size_t TModemSim::ReceivedCount(int com) {
  std::string n = Command("raw " + Port(com) + " count");
  char* end = nullptr;
  unsigned long value = strtoul(n.c_str(), &end, 10);
  if (n.empty() || *end) throw Exception("modem simulator: bad count " + n);
  return size_t(value);
}
void TModemSim::Clear(int com) { Command("raw " + Port(com) + " clear"); }

int NoSuchPort() {
  const char* n = getenv("VL_NO_SUCH_PORT");
  if (!n || !*n) throw Exception("VL_NO_SUCH_PORT is not set: run the test through scripts/test.sh");
  return atoi(n);
}
