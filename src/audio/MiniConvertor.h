#pragma once
#include "WaveFormat.h"
#include <vector>

// One conversion stage of the converter chain: an ACM stream from one format to another that
// keeps what it could not convert yet (partial codec blocks) for the next call.
class TMiniConvertor {
public:
  TMiniConvertor(const TdeWaveFormat& source, const TdeWaveFormat& dest);
  ~TMiniConvertor();
  TMiniConvertor(const TMiniConvertor&) = delete;
  TMiniConvertor& operator=(const TMiniConvertor&) = delete;

  void Open(bool realTime);
  void Close();
  bool Opened() const { return opened_; }

  // Converts what has accumulated with data and returns the bytes produced (in Output());
  // 0 when nothing came out, the input being kept for the next call.
  DWORD Convert(const void* data, DWORD size, bool fpuFlag, DWORD flags);
  // The end of the stream: converts data and all that is kept, PCM padded with silence to the
  // destination's next whole block (a codec cuts its output in blocks), so no sample is left.
  DWORD Flush(const void* data, DWORD size, bool fpuFlag);
  const BYTE* Output() const { return dest_.data(); }

private:
  void Reset();
  void Append(const void* data, DWORD size);
  void PadToWholeBlock();
  DWORD ConvertHeld(bool fpuFlag, DWORD flags);
  bool Prepared() const { return header_.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED; }
  bool FirstPrepare();

  std::vector<BYTE> dest_;
  TdeWaveFormat sourceFormat_, destFormat_;
  bool opened_ = false;
  std::vector<BYTE> source_;  // its size is the capacity
  DWORD fill_ = 0;
  ACMSTREAMHEADER header_ = {};
  HACMSTREAM stream_ = nullptr;
};
