#pragma once
#include <string>

// What the lines completed by one batch of modem bytes hold. Each line is looked at once.
struct TReplyScan {
  bool Ok = false;
  bool Error = false;
  bool Connect = false;
  bool Ring = false;
  bool CallerId = false;
  bool CallerIdIsErrm = false;
  std::string CallerNumber;  // of the first ERRM line, else of the first NMBR / DDN_NMBR line
};

// The modem's command-mode text (RawReply), cut into lines at CR and LF. Bounded: a line
// longer than MaxLine without an end is dropped up to the next CR or LF, and the text keeps
// at most MaxText bytes, losing its oldest whole lines first.
class TModemReply {
public:
  static constexpr size_t MaxLine = 1024;
  static constexpr size_t MaxText = 4096;

  // Adds a batch and tells what its completed lines hold; a partial line waits for its end.
  TReplyScan Append(const char* data, size_t size);
  TReplyScan Append(const std::string& data) { return Append(data.data(), data.size()); }
  void Clear();
  // Forgets the completed lines and keeps a partial one (the start of the next line).
  void ClearLines();
  const std::string& Text() const { return text_; }

  // A query's answer: the text without its final result line, blank lines left out, the
  // other lines joined by CR LF, blanks and control characters trimmed at both ends.
  std::string QueryText() const;

  // Line recognisers; the line is taken without its end and with its blanks trimmed.
  static bool IsOk(const std::string& line);
  static bool IsError(const std::string& line);
  static bool IsConnect(const std::string& line);
  // "RING" alone or followed by anything but a letter or digit.
  static bool IsRing(const std::string& line);
  static bool IsFinalResult(const std::string& line) {
    return IsOk(line) || IsError(line) || IsConnect(line);
  }
  // NMBR, DDN_NMBR or ERRM before the first "=" (blanks trimmed); errm tells which.
  static bool IsCallerId(const std::string& line, bool& errm);
  // The text after the first "=", trimmed; the rest of the text when there is no "=".
  static std::string CallerNumberOf(const std::string& line);

private:
  void LineEnded(TReplyScan& scan);
  void Bound();

  std::string text_;
  size_t lineStart_ = 0;  // where the partial line begins in text_
  bool dropping_ = false; // inside an overlong line: bytes are dropped until CR or LF
};

// Leading and trailing blanks and control characters removed.
std::string TrimControls(const std::string& text);

// The call row keeps this much of a caller number.
constexpr size_t CallerTextMax = 255;
// A caller number as the events log shows it: cut as the row cuts it, each control byte
// written as \xNN, and the backslash too, so the text reads one way.
std::string CallerLogText(const std::string& number);
