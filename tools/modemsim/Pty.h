#pragma once
#include <cstddef>
#include <deque>
#include <string>

// One pseudo-terminal master with its link DIR/<name> -> /dev/pts/N. The slave side is the DTE:
// a hang-up on the master means nobody has the slave open ("port closed", as a DTR drop).
class Pty {
public:
  Pty() = default;
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  bool Create(const std::string& dir, const std::string& name, std::string& error);

  int Fd() const { return Master; }
  const std::string& PtsPath() const { return Pts; }
  const std::string& LinkPath() const { return Link; }

  // Polls the master without waiting; true when the open state changed.
  bool CheckOpen();
  void SetClosed();  // after EIO/POLLHUP seen by the caller
  bool IsOpen() const { return Open; }
  int Opens() const { return OpenCount; }
  int Closes() const { return CloseCount; }

  // Queued, non-blocking output. Dropped while the DTE has the port closed. A tagged chunk counts
  // into TaggedWritten as it leaves, so callers can tell how much of one send went out.
  void Write(const std::string& bytes, bool tagged = false);
  void Flush();  // writes what the pty takes now
  size_t Queued() const { return QueuedBytes; }
  void DropQueue();
  bool WantWrite() const { return Open && QueuedBytes > 0 && !Held; }
  void Hold(bool on) { Held = on; }  // XOFF from the DTE
  bool IsHeld() const { return Held; }

  // The DTE's line settings as the pty holds them: "baud=N rtscts=0|1 ixon=0|1 ixoff=0|1".
  std::string LineSettings() const;

  // Reads what is waiting; returns false on hang-up (EIO).
  bool Read(std::string& out);

  size_t TaggedWritten = 0;
  size_t TotalWritten = 0;

private:
  struct Chunk {
    std::string Bytes;
    size_t Done = 0;
    bool Tagged = false;
  };
  int Master = -1;
  std::string Pts, Link;
  bool Open = false;
  bool Held = false;
  int OpenCount = 0, CloseCount = 0;
  std::deque<Chunk> Out;
  size_t QueuedBytes = 0;
};
