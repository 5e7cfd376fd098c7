#pragma once
#include "Stream.h"

class TField;
class TZorudDataset;

enum TBlobStreamMode : int { bmRead, bmWrite, bmReadWrite };

// A BLOB-type field's value as a stream; what was written goes into the field when the stream
// is destroyed.
class TZorudBlobStream : public TMemoryStream {
public:
  TZorudBlobStream(TField* field, TBlobStreamMode mode);
  ~TZorudBlobStream() override;

  int Write(const void* buffer, int count) override;
  bool Modified() const { return modified_; }

private:
  TField* field_;
  TZorudDataset* dataset_;
  int fieldNo_;
  bool modified_ = false;
};
