#pragma once
#include <memory>
#include <vector>
#include "ZorudColumn.h"

class TDBGridColumnsHost;
class TGridDataLink;

enum TZorudDBGridColumnsState { csDefault, csCustomized };

// A data grid's columns. Customised when the first column is a stored one: the grid then shows
// those columns by name; in the default state it generates one column per visible field.
class TZorudDBGridColumns {
public:
  explicit TZorudDBGridColumns(TDBGridColumnsHost* grid) : grid_(grid) {}
  TZorudDBGridColumns(const TZorudDBGridColumns&) = delete;
  TZorudDBGridColumns& operator=(const TZorudDBGridColumns&) = delete;

  TDBGridColumnsHost* Grid() const { return grid_; }
  int Count() const { return int(items_.size()); }
  TZorudColumn& Items(int index) const;
  TZorudColumn& operator[](int index) const { return Items(index); }
  int IndexOf(const TZorudColumn* column) const;

  // A stored column at the end.
  TZorudColumn& Add();
  void Delete(int index);
  void Clear();
  void Move(int from, int to);

  TZorudDBGridColumnsState State() const;
  // Customised: one stored column per field of the grid's dataset; default: none.
  void SetState(TZorudDBGridColumnsState state);
  // One stored column per field of the grid's dataset, in field order.
  void RebuildColumns();

  // Maps the columns onto the link: stored names (sparse) or every visible field.
  void MapFields(TGridDataLink& link) const;
  // After MapFields: the default state's columns follow the map; customised ones look their
  // fields up again.
  void FollowFieldMap(TGridDataLink& link);

  // Changes inside reach the grid once, as one general change, at the last EndUpdate.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  // Ends an update that an error cut short, telling the grid nothing.
  void AbandonUpdate();
  // From a column; none is a general change.
  void Update(TZorudColumn* column);

private:
  TZorudColumn& Insert(int index, bool stored);
  bool DefaultFieldsOnly(TGridDataLink& link) const;
  // A collection holding the user's columns keeps only those.
  void DropGeneratedAmongStored();

  TDBGridColumnsHost* grid_;
  std::vector<std::unique_ptr<TZorudColumn>> items_;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
};

// Holds a columns update for a scope; an error passing through ends it without a notification.
class TColumnsUpdate {
public:
  explicit TColumnsUpdate(TZorudDBGridColumns& columns);
  ~TColumnsUpdate() noexcept(false);
  TColumnsUpdate(const TColumnsUpdate&) = delete;
  TColumnsUpdate& operator=(const TColumnsUpdate&) = delete;

private:
  TZorudDBGridColumns& columns_;
  int exceptions_;
};
