#include "Compression.h"
#include "Exception.h"
#include "FileStream.h"
#include "FileUtils.h"
#include <cstring>

TCompressionRec CurrentCompression;

std::string TShortText::Get() const {
  return std::string(Chars, Length > sizeof(Chars) ? sizeof(Chars) : Length);
}

void TShortText::Set(const std::string& text) {
  std::memset(Chars, 0, sizeof(Chars));
  size_t n = text.size() > sizeof(Chars) ? sizeof(Chars) : text.size();
  std::memcpy(Chars, text.data(), n);
  Length = static_cast<uint8_t>(n);
}

void TCompressionRec::Clear() { std::memset(this, 0, sizeof(*this)); }

void WriteCompressions(const std::string& fileName, const std::vector<TCompressionRec>& records) {
  WriteFileSafely(fileName, records.data(), records.size() * sizeof(TCompressionRec));
}

std::vector<TCompressionRec> ReadCompressions(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  std::vector<TCompressionRec> records;
  TCompressionRec rec;
  while (file.Read(&rec, sizeof(rec)) == static_cast<int>(sizeof(rec))) records.push_back(rec);
  return records;
}

std::string CompressionIniValue(const TCompressionRec& r) {
  return r.Description.Get() + "," + r.cml.Get() + "," + r.bps.Get() + "," + r.tm.Get() + "," +
         r.vsr.Get() + "," + r.scs.Get() + "," + r.sel.Get();
}

std::string CompressionMessage(const TCompressionRec& r) {
  return "cml : " + r.cml.Get() + "\r" + "cmid : " + r.cmid.Get() + "\r" + "bps : " + r.bps.Get() +
         "\r" + "tm : " + r.tm.Get() + "\r" + "vsr : " + r.vsr.Get() + "\r" + "scs : " +
         r.scs.Get() + "\r" + "sel : " + r.sel.Get() + "\r" + "Description : " +
         r.Description.Get() + "\r" + "VSM command : " + r.VsmCommand.Get() + "\r";
}
