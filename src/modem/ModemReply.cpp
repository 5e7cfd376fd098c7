#include "ModemReply.h"
#include <vector>

namespace {

bool IsEnd(char c) { return c == '\r' || c == '\n'; }

// A word in all upper or all lower case.
bool SameWord(const std::string& text, const char* upper) {
  std::string lower(upper);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return text == upper || text == lower;
}

// The line is word, or word followed by a blank and more text.
bool WordLine(const std::string& line, const char* upper, bool moreAllowed) {
  if (SameWord(line, upper)) return true;
  if (!moreAllowed) return false;
  size_t n = std::char_traits<char>::length(upper);
  return line.size() > n + 1 && line[n] == ' ' && SameWord(line.substr(0, n), upper);
}

std::string TrimBlanks(const std::string& text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = text.find_last_not_of(" \t");
  return text.substr(b, e - b + 1);
}

}  // namespace

std::string TrimControls(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && static_cast<unsigned char>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ') --e;
  return text.substr(b, e - b);
}

std::string CallerLogText(const std::string& number) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : number.substr(0, CallerTextMax)) {
    if (c < 0x20 || c == 0x7F || c == '\\') {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool TModemReply::IsOk(const std::string& line) { return WordLine(line, "OK", false); }
bool TModemReply::IsError(const std::string& line) { return WordLine(line, "ERROR", false); }
bool TModemReply::IsConnect(const std::string& line) { return WordLine(line, "CONNECT", true); }
// Some modems put the caller ID on the ring line ("RING;5551234;5556789").
bool TModemReply::IsRing(const std::string& line) {
  const size_t n = 4;
  if (line.size() < n || !SameWord(line.substr(0, n), "RING")) return false;
  if (line.size() == n) return true;
  char c = line[n];
  return !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
}

bool TModemReply::IsCallerId(const std::string& line, bool& errm) {
  size_t eq = line.find('=');
  std::string key = TrimBlanks(line.substr(0, eq));
  errm = SameWord(key, "ERRM");
  return errm || SameWord(key, "NMBR") || SameWord(key, "DDN_NMBR");
}

std::string TModemReply::CallerNumberOf(const std::string& line) {
  size_t eq = line.find('=');
  return TrimControls(eq == std::string::npos ? line : line.substr(eq + 1));
}

void TModemReply::Clear() {
  text_.clear();
  lineStart_ = 0;
  dropping_ = false;
}

void TModemReply::ClearLines() {
  text_.erase(0, lineStart_);
  lineStart_ = 0;
}

TReplyScan TModemReply::Append(const char* data, size_t size) {
  TReplyScan scan;
  for (size_t i = 0; i < size; ++i) {
    char c = data[i];
    if (dropping_) {
      if (!IsEnd(c)) continue;
      dropping_ = false;
    }
    text_ += c;
    if (IsEnd(c)) {
      LineEnded(scan);
    } else if (text_.size() - lineStart_ > MaxLine) {
      text_.resize(lineStart_);
      dropping_ = true;
    }
  }
  Bound();
  return scan;
}

void TModemReply::LineEnded(TReplyScan& scan) {
  std::string line = TrimBlanks(text_.substr(lineStart_, text_.size() - 1 - lineStart_));
  lineStart_ = text_.size();
  if (line.empty()) return;
  bool errm = false;
  if (IsOk(line)) {
    scan.Ok = true;
  } else if (IsError(line)) {
    scan.Error = true;
  } else if (IsConnect(line)) {
    scan.Connect = true;
  } else if (IsCallerId(line, errm)) {
    if (!scan.CallerId || (errm && !scan.CallerIdIsErrm)) {
      scan.CallerNumber = CallerNumberOf(line);
      scan.CallerIdIsErrm = errm;
    }
    scan.CallerId = true;
  } else if (IsRing(line)) {
    scan.Ring = true;
  }
}

void TModemReply::Bound() {
  if (text_.size() <= MaxText) return;
  // Drop through the line end that leaves at most MaxText bytes; the partial line is at most
  // MaxLine long, so that end lies before it.
  size_t end = text_.find_first_of("\r\n", text_.size() - MaxText - 1);
  if (end == std::string::npos || end >= lineStart_) return;
  while (end + 1 < lineStart_ && IsEnd(text_[end + 1])) ++end;
  text_.erase(0, end + 1);
  lineStart_ -= end + 1;
}

std::string TModemReply::QueryText() const {
  std::string complete = text_.substr(0, lineStart_);
  std::string out, line;
  std::vector<std::string> all;
  for (char c : complete) {
    if (IsEnd(c)) {
      std::string t = TrimControls(line);
      if (!t.empty()) all.push_back(t);
      line.clear();
    } else {
      line += c;
    }
  }
  for (size_t i = all.size(); i-- > 0;) {
    if (IsFinalResult(TrimBlanks(all[i]))) {
      all.erase(all.begin() + static_cast<long>(i));
      break;
    }
  }
  for (size_t i = 0; i < all.size(); ++i) out += (i ? "\r\n" : "") + all[i];
  return TrimControls(out);
}
