#include "Log.h"
#include "Clock.h"

#include <cerrno>
#include <cstring>

Log::~Log() {
  if (File) fclose(File);
}

bool Log::OpenFile(const std::string& path, std::string& error) {
  File = fopen(path.c_str(), "w");
  if (!File) {
    error = path + ": " + strerror(errno);
    return false;
  }
  setvbuf(File, nullptr, _IOLBF, 0);
  return true;
}

std::string Log::Quote(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7f) {
          char buf[8];
          snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += char(c);
        }
    }
  }
  return out + "\"";
}

void Log::Event(const std::string& port, const std::string& ev, const std::string& fields) {
  char t[32];
  snprintf(t, sizeof t, "%.3f", Now() - Start);
  std::string line = std::string("{\"t\":") + t;
  if (!port.empty()) line += ",\"port\":" + Quote(port);
  line += ",\"ev\":" + Quote(ev);
  if (!fields.empty()) line += "," + fields;
  line += "}\n";
  // Keep a bounded tail in memory for "log?" on the control line.
  Recent += line;
  const size_t keep = 1 << 20;
  if (Recent.size() > keep) Recent.erase(0, Recent.find('\n', Recent.size() - keep / 2) + 1);
  if (File && !WriteFailed && fputs(line.c_str(), File) == EOF) {
    WriteFailed = true;
    fprintf(stderr, "modemsim: writing the log failed: %s\n", strerror(errno));
  }
}
