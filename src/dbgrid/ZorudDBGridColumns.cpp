#include "ZorudDBGridColumns.h"
#include <algorithm>
#include <exception>
#include "DBGridColumnsHost.h"
#include "Field.h"
#include "GridDataLink.h"
#include "GridError.h"
#include "ZorudDataset.h"

TColumnsUpdate::TColumnsUpdate(TZorudDBGridColumns& columns)
    : columns_(columns), exceptions_(std::uncaught_exceptions()) {
  columns_.BeginUpdate();
}

TColumnsUpdate::~TColumnsUpdate() noexcept(false) {
  if (std::uncaught_exceptions() > exceptions_) columns_.AbandonUpdate();
  else columns_.EndUpdate();
}

TZorudColumn& TZorudDBGridColumns::Items(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidGridOperation("List index out of bounds (" + std::to_string(index) + ")");
  return *items_[index];
}

int TZorudDBGridColumns::IndexOf(const TZorudColumn* column) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].get() == column) return i;
  return -1;
}

TZorudColumn& TZorudDBGridColumns::Insert(int index, bool stored) {
  auto column = std::make_unique<TZorudColumn>(*this, stored);
  TZorudColumn& added = *column;
  items_.insert(items_.begin() + index, std::move(column));
  Update(nullptr);
  return added;
}

TZorudColumn& TZorudDBGridColumns::Add() { return Insert(Count(), true); }

void TZorudDBGridColumns::Delete(int index) {
  Items(index);
  items_.erase(items_.begin() + index);
  Update(nullptr);
}

void TZorudDBGridColumns::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Update(nullptr);
}

void TZorudDBGridColumns::Move(int from, int to) {
  Items(from);
  Items(to);
  if (from == to) return;
  auto column = std::move(items_[from]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(column));
  Update(nullptr);
}

TZorudDBGridColumnsState TZorudDBGridColumns::State() const {
  return !items_.empty() && items_[0]->Stored() ? csCustomized : csDefault;
}

void TZorudDBGridColumns::SetState(TZorudDBGridColumnsState state) {
  if (state == State()) return;
  if (state == csCustomized) RebuildColumns();
  else Clear();
}

void TZorudDBGridColumns::RebuildColumns() {
  TZorudDataset* ds = grid_ ? grid_->GridDataLink().DataSet() : nullptr;
  TColumnsUpdate update(*this);
  Clear();
  if (!ds) return;
  for (TField* field : ds->Fields()) Add().SetFieldName(field->FieldName());
}

void TZorudDBGridColumns::MapFields(TGridDataLink& link) const {
  link.ClearMapping();
  if (!link.Active()) return;
  if (State() == csCustomized) {
    link.SetSparseMap(true);
    for (const auto& column : items_) link.AddMapping(column->FieldName());
  } else {
    link.SetSparseMap(false);
    for (TField* field : link.DataSet()->Fields())
      if (field->Visible) link.AddMapping(field->FieldName());
  }
}

bool TZorudDBGridColumns::DefaultFieldsOnly(TGridDataLink& link) const {
  TZorudDataset* ds = link.DataSet();
  return !ds || ds->DefaultFields();
}

void TZorudDBGridColumns::FollowFieldMap(TGridDataLink& link) {
  TColumnsUpdate update(*this);
  DropGeneratedAmongStored();
  if (State() == csCustomized) {
    for (const auto& column : items_) column->DropField();
    return;
  }
  if (!link.Active() && DefaultFieldsOnly(link)) {
    Clear();
  } else {
    for (int i = Count() - 1; i >= 0; --i) {
      TField* field = items_[i]->Field();
      bool mapped = false;
      for (int k = 0; k < link.FieldCount() && !mapped; ++k) mapped = field && link.Fields(k) == field;
      if (!mapped) Delete(i);
    }
  }
  int positions = link.FieldCount();
  if (positions == 0 && items_.empty()) positions = 1;
  for (int i = 0; i < positions; ++i) {
    TField* field = link.Fields(i);
    int found = -1;
    for (int j = i; j < Count() && found < 0; ++j)
      if (field && items_[j]->Field() == field) found = j;
    if (found >= 0) Move(found, i);
    else Insert(i, false).SetField(field);
  }
}

void TZorudDBGridColumns::DropGeneratedAmongStored() {
  bool stored = std::any_of(items_.begin(), items_.end(), [](const auto& c) { return c->Stored(); });
  if (!stored) return;
  for (int i = Count() - 1; i >= 0; --i)
    if (!items_[i]->Stored()) Delete(i);
}

void TZorudDBGridColumns::EndUpdate() {
  if (updateCount_ <= 0) throw EInvalidGridOperation("Columns update ended more often than begun");
  if (--updateCount_ > 0 || !changedInUpdate_) return;
  changedInUpdate_ = false;
  Update(nullptr);
}

void TZorudDBGridColumns::AbandonUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) changedInUpdate_ = false;
}

void TZorudDBGridColumns::Update(TZorudColumn* column) {
  if (!grid_ || grid_->GridLoading()) return;
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  if (column) grid_->ColumnChanged(*column);
  else grid_->ColumnsChanged();
}
