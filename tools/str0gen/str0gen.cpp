// Builds "STR0" string-table resources from a text file.
//   str0gen INPUT OUTDIR
// INPUT holds "[NAME]" lines that start a table and "id<TAB>text" lines (UTF-8, text to the end
// of the line, trailing blanks kept; '#' lines are comments). For every table it writes
// OUTDIR/NAME.bin (little-endian: "STR0", u32 count, count x {u32 id, u32 offset, u32 length in
// UTF-16 units}, then the UTF-16LE texts), and OUTDIR/strings.rc naming them as RCDATA.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {
struct Entry {
  uint32_t id;
  std::u16string text;
};
struct Table {
  std::string name;
  std::vector<Entry> entries;
};

bool Fail(const std::string& where, const std::string& what) {
  std::cerr << where << ": " << what << "\n";
  return false;
}

bool Utf8ToUtf16(const std::string& in, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < in.size();) {
    unsigned char c = in[i];
    uint32_t cp;
    int extra;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else return false;
    if (i + extra >= in.size()) return false;
    for (int k = 1; k <= extra; ++k) {
      unsigned char cc = in[i + k];
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    i += extra + 1;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out += char16_t(cp);
    }
  }
  return true;
}

bool Parse(const char* path, std::vector<Table>& tables) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(path, "cannot open");
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    std::string where = std::string(path) + ":" + std::to_string(lineNo);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.size() < 3 || line.back() != ']') return Fail(where, "bad table header");
      tables.push_back({line.substr(1, line.size() - 2), {}});
      continue;
    }
    if (tables.empty()) return Fail(where, "entry before the first table");
    size_t tab = line.find('\t');
    if (tab == std::string::npos || tab == 0) return Fail(where, "expected id<TAB>text");
    uint64_t id = 0;
    for (size_t k = 0; k < tab; ++k) {
      if (line[k] < '0' || line[k] > '9') return Fail(where, "bad id");
      id = id * 10 + (line[k] - '0');
      if (id > 0x7FFFFFFF) return Fail(where, "id too large");
    }
    auto& entries = tables.back().entries;
    if (!entries.empty() && entries.back().id >= id) return Fail(where, "ids must ascend");
    Entry e{static_cast<uint32_t>(id), {}};
    if (!Utf8ToUtf16(line.substr(tab + 1), e.text)) return Fail(where, "bad UTF-8");
    entries.push_back(std::move(e));
  }
  if (in.bad()) return Fail(path, "read error");
  return true;
}

void Put32(std::string& out, uint32_t v) {
  for (int k = 0; k < 4; ++k) out += char((v >> (8 * k)) & 0xFF);
}

std::string Build(const Table& t) {
  std::string out = "STR0";
  Put32(out, static_cast<uint32_t>(t.entries.size()));
  uint32_t offset = 8 + 12 * static_cast<uint32_t>(t.entries.size());
  for (const auto& e : t.entries) {
    Put32(out, e.id);
    Put32(out, offset);
    Put32(out, static_cast<uint32_t>(e.text.size()));
    offset += 2 * static_cast<uint32_t>(e.text.size());
  }
  for (const auto& e : t.entries)
    for (char16_t c : e.text) {
      out += char(c & 0xFF);
      out += char(c >> 8);
    }
  return out;
}

bool WriteFile(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  if (!out) return Fail(path, "write failed");
  return true;
}
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: str0gen INPUT OUTDIR\n";
    return 2;
  }
  std::vector<Table> tables;
  if (!Parse(argv[1], tables)) return 1;
  std::string outDir = argv[2];
  std::ostringstream rc;
  for (const auto& t : tables) {
    std::string bin = outDir + "/" + t.name + ".bin";
    if (!WriteFile(bin, Build(t))) return 1;
    rc << t.name << " RCDATA \"" << bin << "\"\n";
  }
  return WriteFile(outDir + "/strings.rc", rc.str()) ? 0 : 1;
}
