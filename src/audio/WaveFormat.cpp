#include "WaveFormat.h"
#include "ACMError.h"
#include "FileStream.h"
#include "FormatSelector.h"
#include <cstring>

namespace {
TFormatChooseRunner chooseRunner = RunFormatSelector;

}

void SetFormatChooseRunner(TFormatChooseRunner runner) {
  chooseRunner = runner ? runner : RunFormatSelector;
}

TdeWaveFormat::TdeWaveFormat() { SetDefault(); }

void TdeWaveFormat::SetExtraSize(WORD value) {
  if (value > MaxExtraSize) throw EACMError(SFormatTooSmall);
  Fmt()->cbSize = value;
}

WORD TdeWaveFormat::GetExtraSize() const {
  return Fmt()->cbSize > MaxExtraSize ? MaxExtraSize : Fmt()->cbSize;
}

void TdeWaveFormat::Assign(const TdeWaveFormat& source) { source.AssignTo(*this); }

void TdeWaveFormat::AssignTo(TdeWaveFormat& dest) const {
  if (&dest != this) std::memcpy(dest.buffer_, buffer_, BufferSize);
}

bool TdeWaveFormat::Equals(const TdeWaveFormat& other) const {
  return std::memcmp(buffer_, other.buffer_, BufferSize) == 0;
}

void TdeWaveFormat::SetDefault() {
  SetFormatTag(WAVE_FORMAT_PCM);
  SetChannels(2);
  SetSamplesPerSec(11025);
  SetAvgBytesPerSec(22050);
  SetBlockAlign(2);
  SetBitsPerSample(8);
  SetExtraSize(0);
}

void TdeWaveFormat::SaveToBuffer(void* dest) const { std::memcpy(dest, buffer_, BufferSize); }

void TdeWaveFormat::LoadFromBuffer(const void* data, size_t size) {
  std::memcpy(buffer_, data, size < BufferSize ? size : BufferSize);
}

void TdeWaveFormat::SaveToStream(TStream& stream) const { stream.WriteBuffer(buffer_, BufferSize); }

void TdeWaveFormat::LoadFromStream(TStream& stream) {
  BYTE data[BufferSize];
  int got = stream.Read(data, BufferSize);
  if (got < static_cast<int>(BufferSize) && stream.LastError() != 0)
    throw EReadError(stream.ErrorText(false), stream.LastError());
  if (got > 0) LoadFromBuffer(data, static_cast<size_t>(got));
}

void TdeWaveFormat::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

bool TdeWaveFormat::FitsBuffer() const {
  return Fmt()->wFormatTag == WAVE_FORMAT_PCM || Fmt()->cbSize <= MaxExtraSize;
}

std::string TdeWaveFormat::ShapeFault() const {
  if (!FitsBuffer()) return "its extra size runs past its block";
  const WAVEFORMATEX& f = *Fmt();
  const unsigned long rate = f.nSamplesPerSec, bytes = f.nAvgBytesPerSec;
  if (f.wFormatTag == WAVE_FORMAT_UNKNOWN) return "it has no format tag";
  if (f.nChannels == 0 || f.nChannels > 8) return "it has " + std::to_string(f.nChannels) + " channels";
  if (rate < 1000 || rate > 192000) return "its rate is " + std::to_string(rate) + " Hz";
  if (f.nBlockAlign == 0 || bytes == 0) return "it has no block alignment or byte rate";
  if (f.nBlockAlign > 8192 || bytes > rate * f.nChannels * 8) return "its block alignment or byte rate is out of range";
  if (f.wFormatTag != WAVE_FORMAT_PCM) return "";
  const unsigned bits = f.wBitsPerSample;
  if (bits < 8 || bits > 32 || bits % 8 || f.nBlockAlign != f.nChannels * bits / 8 || bytes != rate * f.nBlockAlign)
    return "its PCM sizes disagree";
  return "";
}

void TdeWaveFormat::CheckFitsBuffer() const {
  if (!FitsBuffer()) throw EACMError(SFormatTooSmall);
}

std::string TdeWaveFormat::GetFormatDescription() const {
  if (!FitsBuffer()) return "";
  TdeWaveFormat work(*this);
  std::string prefix;
  ACMFORMATTAGDETAILSA tag = {};
  tag.cbStruct = sizeof tag;
  tag.dwFormatTag = GetFormatTag();
  if (acmFormatTagDetailsA(nullptr, &tag, ACM_FORMATTAGDETAILSF_FORMATTAG) == 0)
    prefix = std::string(tag.szFormatTag) + ": ";
  ACMFORMATDETAILSA details = {};
  details.cbStruct = sizeof details;
  details.dwFormatTag = GetFormatTag();
  details.pwfx = work.GetFormatPtr();
  details.cbwfx = BufferSize;
  if (acmFormatDetailsA(nullptr, &details, ACM_FORMATDETAILSF_FORMAT) != 0) return "";
  return prefix + details.szFormat;
}

bool TdeWaveFormat::Choose(const std::string& title) {
  TdeWaveFormat work(*this);
  ACMFORMATCHOOSEA record = {};
  record.cbStruct = sizeof record;
  record.fdwStyle = ACMFORMATCHOOSE_STYLEF_INITTOWFXSTRUCT;
  record.pwfx = work.GetFormatPtr();
  record.cbwfx = BufferSize;
  record.pszTitle = title.c_str();
  record.fdwEnum = ChooseFilter == 1 ? ACM_FORMATENUMF_INPUT
                 : ChooseFilter == 2 ? ACM_FORMATENUMF_OUTPUT : 0;
  int result = chooseRunner(record);
  if (result == 1) {
    Assign(work);
    return true;
  }
  if (result == 2) return false;
  ACMRaiseError<EACMConversionError>(3, "Error selecting format.");
  return false;
}
