#include "Pty.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

Pty::~Pty() {
  if (!Link.empty()) {
    // Remove the link only when it is still ours: another simulator may have taken the name.
    char target[256];
    ssize_t n = readlink(Link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, size_t(n)) == Pts) unlink(Link.c_str());
  }
  if (Master >= 0) close(Master);
}

bool Pty::Create(const std::string& dir, const std::string& name, std::string& error) {
  Master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0) {
    error = std::string("posix_openpt: ") + strerror(errno);
    return false;
  }
  fcntl(Master, F_SETFD, FD_CLOEXEC);
  const char* pts = ptsname(Master);
  if (!pts) {
    error = std::string("ptsname: ") + strerror(errno);
    return false;
  }
  Pts = pts;

  // Raw once through the slave: the settings live with the pty as long as the master is open.
  int slave = open(pts, O_RDWR | O_NOCTTY);
  if (slave < 0) {
    error = Pts + ": " + strerror(errno);
    return false;
  }
  termios tio{};
  bool ok = tcgetattr(slave, &tio) == 0;
  if (ok) {
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ok = tcsetattr(slave, TCSANOW, &tio) == 0;
  }
  int saved = errno;
  close(slave);
  if (!ok) {
    error = Pts + ": raw mode: " + strerror(saved);
    return false;
  }

  // Make the link atomically, replacing a stale one of an earlier run. One that points at a live
  // pty may belong to another simulator: say so, since both would then be wrong.
  std::string link = dir + "/" + name;
  char old[256];
  ssize_t n = readlink(link.c_str(), old, sizeof old - 1);
  if (n > 0) {
    old[n] = 0;
    if (access(old, F_OK) == 0)
      fprintf(stderr, "modemsim: %s pointed at %s, which exists; taken over\n", link.c_str(), old);
  }
  std::string tmp = link + ".tmp" + std::to_string(getpid());
  unlink(tmp.c_str());
  if (symlink(Pts.c_str(), tmp.c_str()) != 0 || rename(tmp.c_str(), link.c_str()) != 0) {
    error = link + ": " + strerror(errno);
    unlink(tmp.c_str());
    return false;
  }
  Link = link;
  CheckOpen();
  return true;
}

bool Pty::CheckOpen() {
  pollfd p{Master, 0, 0};
  if (poll(&p, 1, 0) < 0) return false;
  bool open = !(p.revents & POLLHUP);
  if (open == Open) return false;
  if (open) {
    Open = true;
    ++OpenCount;
  } else {
    SetClosed();
  }
  return true;
}

void Pty::SetClosed() {
  if (!Open) return;
  Open = false;
  Held = false;
  ++CloseCount;
  DropQueue();
  // What the DTE had not read yet would still be there at its next open; a Windows port starts
  // empty. Flushing the slave's input needs the slave open for a moment.
  int slave = open(Pts.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave >= 0) {
    tcflush(slave, TCIFLUSH);
    close(slave);
  }
}

void Pty::DropQueue() {
  Out.clear();
  QueuedBytes = 0;
}

void Pty::Write(const std::string& bytes, bool tagged) {
  if (!Open || bytes.empty()) return;
  if (!Out.empty() && Out.back().Tagged == tagged && Out.back().Bytes.size() < 65536) {
    Out.back().Bytes += bytes;
  } else {
    Out.push_back(Chunk{bytes, 0, tagged});
  }
  QueuedBytes += bytes.size();
  Flush();
}

void Pty::Flush() {
  while (Open && !Held && !Out.empty()) {
    Chunk& c = Out.front();
    ssize_t n = write(Master, c.Bytes.data() + c.Done, c.Bytes.size() - c.Done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EIO) SetClosed();
      return;  // EAGAIN: the rest waits for POLLOUT
    }
    c.Done += size_t(n);
    QueuedBytes -= size_t(n);
    TotalWritten += size_t(n);
    if (c.Tagged) TaggedWritten += size_t(n);
    if (c.Done == c.Bytes.size()) Out.pop_front();
  }
}

bool Pty::Read(std::string& out) {
  char buf[4096];
  for (int round = 0; round < 16; ++round) {  // bounded: a flooding DTE must not starve the rest
    ssize_t n = read(Master, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, size_t(n));
      if (size_t(n) < sizeof buf) return true;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return true;
    return false;  // EIO (or 0): the slave side is closed
  }
  return true;
}

std::string Pty::LineSettings() const {
  termios tio{};
  if (tcgetattr(Master, &tio) != 0) return std::string("unknown: ") + strerror(errno);
  static const struct {
    speed_t code;
    long baud;
  } speeds[] = {{B1200, 1200},   {B2400, 2400},   {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
                {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400}, {B460800, 460800}};
  long baud = 0;
  for (const auto& s : speeds)
    if (cfgetospeed(&tio) == s.code) baud = s.baud;
  auto bit = [](bool on) { return on ? "1" : "0"; };
  return "baud=" + std::to_string(baud) + " rtscts=" + bit(tio.c_cflag & CRTSCTS) + " ixon=" + bit(tio.c_iflag & IXON) +
         " ixoff=" + bit(tio.c_iflag & IXOFF);
}
