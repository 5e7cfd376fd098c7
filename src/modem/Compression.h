#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One length-prefixed text of up to 30 characters, as stored in Compressions.d.
struct TShortText {
  uint8_t Length;
  char Chars[30];

  std::string Get() const;
  void Set(const std::string& text);  // cut to 30; the bytes after it are zero
};

// A compression the modem offers, as Compressions.d stores it: 279 bytes.
struct TCompressionRec {
  TShortText Description;  // "SIGNED PCM", "UNSIGNED PCM", "ULAW" or "ALAW"
  TShortText cml;          // method code as sent
  TShortText cmid;         // the modem's name, quotes included
  TShortText bps;          // bits per sample
  TShortText tm;           // timing marker
  TShortText vsr;          // the chosen sampling rate
  TShortText scs;          // silence sensitivity
  TShortText sel;          // silence expansion
  TShortText VsmCommand;   // the "at+vsm=" command that selects it

  TCompressionRec() { Clear(); }
  void Clear();
};
static_assert(sizeof(TCompressionRec) == 279, "Compressions.d records are 279 bytes");

// The compression in force.
extern TCompressionRec CurrentCompression;

// Compressions.d: records one after the other, no header. ReadCompressions raises EInOutError
// when the file cannot be read and ignores a trailing partial record.
void WriteCompressions(const std::string& fileName, const std::vector<TCompressionRec>& records);
std::vector<TCompressionRec> ReadCompressions(const std::string& fileName);

// The [Modem compressions] value: name, cml, bps, tm, vsr, scs and sel joined with ",".
std::string CompressionIniValue(const TCompressionRec& rec);
// The lines of the message that shows one record.
std::string CompressionMessage(const TCompressionRec& rec);
