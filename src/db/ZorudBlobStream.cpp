#include "ZorudBlobStream.h"
#include "DbError.h"
#include "DbHooks.h"
#include "SysUtils.h"
#include "ZorudDataset.h"

TZorudBlobStream::TZorudBlobStream(TField* field, TBlobStreamMode mode)
    : field_(field), dataset_(field->DataSet()), fieldNo_(field->Binding) {
  if (!dataset_->Active()) throw EDatabaseError("Cannot do this operation on closed dataset", dataset_);
  TDataSetState state = dataset_->State();
  bool editing = state == dsEdit || state == dsInsert;
  if (dataset_->RecordCount() > 0 || editing) {
    if (mode != bmRead && field->ReadOnly)
      throw EDatabaseError(Format("Field '%s' is read only!", field->DisplayName().c_str()), dataset_);
    if (mode != bmRead && !editing) throw EDatabaseError("Table is not in edit or insert mode", dataset_);
  }
  if (mode == bmWrite) {
    modified_ = true;
    return;
  }
  const TZorudRecord* record = dataset_->ActiveRecord(field->FieldKind());
  if (record && fieldNo_ >= 0 && size_t(fieldNo_) < record->Heap.size() && record->Heap[fieldNo_]) {
    const std::string& bytes = *record->Heap[fieldNo_];
    TMemoryStream::Write(bytes.data(), int(bytes.size()));
    Seek(0, soBeginning);
  }
}

TZorudBlobStream::~TZorudBlobStream() {
  if (!modified_) return;
  try {
    std::string bytes(reinterpret_cast<const char*>(Memory()), size_t(Size()));
    TZorudRecord* record = dataset_->WritableRecord(*field_);
    if (!record || fieldNo_ < 0 || size_t(fieldNo_) >= record->Heap.size()) return;
    if (bytes.empty()) record->Heap[fieldNo_].reset();
    else record->Heap[fieldNo_] = std::move(bytes);
    dataset_->FieldValueChanged(*field_, record->Heap[fieldNo_].has_value());
  } catch (...) {
    DbReportException(std::current_exception());
  }
}

int TZorudBlobStream::Write(const void* buffer, int count) {
  modified_ = true;
  return TMemoryStream::Write(buffer, count);
}
