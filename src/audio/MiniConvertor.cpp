#include "MiniConvertor.h"
#include "ACMError.h"
#include <cstring>

namespace {
// The x87 control word the process started with; restored after every conversion.
WORD ReadControlWord() {
  WORD cw = 0;
  asm volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
void WriteControlWord(WORD cw) { asm volatile("fldcw %0" : : "m"(cw)); }
const WORD defaultControlWord = ReadControlWord();
// All exceptions masked, extended precision, round to nearest: what codecs may rely on.
constexpr WORD codecControlWord = 0x133F;

struct TFpuGuard {
  bool on;
  explicit TFpuGuard(bool on) : on(on) { if (on) WriteControlWord(codecControlWord); }
  ~TFpuGuard() { if (on) WriteControlWord(defaultControlWord); }
};
}

TMiniConvertor::TMiniConvertor(const TdeWaveFormat& source, const TdeWaveFormat& dest)
    : sourceFormat_(source), destFormat_(dest) {}

TMiniConvertor::~TMiniConvertor() {
  if (opened_) Close();
}

void TMiniConvertor::Open(bool realTime) {
  if (opened_) throw EACMError(SActive);
  sourceFormat_.CheckFitsBuffer();
  destFormat_.CheckFitsBuffer();
  ACMRaiseError<EACMConversionError>(
      acmStreamOpen(&stream_, nullptr, sourceFormat_.GetFormatPtr(), destFormat_.GetFormatPtr(),
                    nullptr, 0, 0, realTime ? 0 : ACM_STREAMOPENF_NONREALTIME));
  opened_ = true;
  Reset();
}

void TMiniConvertor::Reset() {
  if (Prepared()) acmStreamUnprepareHeader(stream_, &header_, 0);
  if (stream_) acmStreamReset(stream_, 0);
  header_ = {};
  header_.cbStruct = sizeof header_;
  fill_ = 0;
  std::vector<BYTE>().swap(source_);
  std::vector<BYTE>().swap(dest_);
}

void TMiniConvertor::Close() {
  Reset();
  if (stream_) acmStreamClose(stream_, 0);
  stream_ = nullptr;
  opened_ = false;
}

void TMiniConvertor::Append(const void* data, DWORD size) {
  if (static_cast<unsigned long long>(fill_) + size > source_.size()) {
    if (Prepared()) throw EACMConversionError("Audio is too large to fit into conversion buffer");
    source_.resize(2 * (static_cast<size_t>(fill_) + size));
  }
  if (size) std::memcpy(source_.data() + fill_, data, size);
  fill_ += size;
}

bool TMiniConvertor::FirstPrepare() {
  DWORD destSize = 0;
  if (acmStreamSize(stream_, fill_, &destSize, ACM_STREAMSIZEF_SOURCE) != 0 || destSize == 0)
    return false;
  source_.resize(3 * static_cast<size_t>(fill_));
  ACMRaiseError<EACMConversionError>(
      acmStreamSize(stream_, static_cast<DWORD>(source_.size()), &destSize, ACM_STREAMSIZEF_SOURCE));
  dest_.assign(destSize, 0);
  header_.pbSrc = source_.data();
  header_.cbSrcLength = static_cast<DWORD>(source_.size());
  header_.pbDst = dest_.data();
  header_.cbDstLength = destSize;
  ACMRaiseError<EACMConversionError>(acmStreamPrepareHeader(stream_, &header_, 0));
  return true;
}

DWORD TMiniConvertor::Convert(const void* data, DWORD size, bool fpuFlag, DWORD flags) {
  if (!opened_) throw EACMConversionError(SNotActive);
  Append(data, size);
  return ConvertHeld(fpuFlag, flags);
}

DWORD TMiniConvertor::Flush(const void* data, DWORD size, bool fpuFlag) {
  if (!opened_) throw EACMConversionError(SNotActive);
  Append(data, size);
  PadToWholeBlock();
  return ConvertHeld(fpuFlag, ACM_STREAMCONVERTF_END);
}

void TMiniConvertor::PadToWholeBlock() {
  if (fill_ == 0 || sourceFormat_.GetFormatTag() != WAVE_FORMAT_PCM) return;
  DWORD block = 0;
  if (acmStreamSize(stream_, destFormat_.GetBlockAlign(), &block, ACM_STREAMSIZEF_DESTINATION) != 0 || block == 0)
    return;
  DWORD rest = fill_ % block;
  if (rest == 0) return;
  std::vector<BYTE> silence(block - rest, sourceFormat_.GetBitsPerSample() == 8 ? 0x80 : 0);
  Append(silence.data(), static_cast<DWORD>(silence.size()));
}

DWORD TMiniConvertor::ConvertHeld(bool fpuFlag, DWORD flags) {
  if (!Prepared() && !FirstPrepare()) return 0;
  DWORD destSize = 0;
  if (acmStreamSize(stream_, fill_, &destSize, ACM_STREAMSIZEF_SOURCE) != 0 || destSize == 0)
    return 0;
  header_.cbSrcLength = fill_;
  header_.cbDstLengthUsed = 0;
  DWORD result;
  {
    TFpuGuard fpu(fpuFlag);
    ACMRaiseError<EACMConversionError>(acmStreamConvert(stream_, &header_, flags));
    result = header_.cbDstLengthUsed;
  }
  DWORD used = header_.cbSrcLengthUsed > fill_ ? fill_ : header_.cbSrcLengthUsed;
  std::memmove(source_.data(), source_.data() + used, fill_ - used);
  fill_ -= used;
  return result;
}
