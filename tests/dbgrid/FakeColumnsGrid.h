#pragma once
#include <string>
#include "DBGridColumnsHost.h"
#include "FakeGrid.h"
#include "Font.h"
#include "ZorudDBGridColumns.h"

// The settings a grid gives its columns, and the changes they report written down.
class TFakeColumnsGrid : public TDBGridColumnsHost {
public:
  TFakeGrid Inner;
  TZorudDBGridColumns Columns{this};
  TColor Color = clRed, FixedColor = clLime;
  TFont Font{"Arial", 10}, TitleFont{"Arial", 12, clBlue, fsBold};
  bool ReadOnly = false, ShowsTitles = true, HasWindow = false, UpdatesFields = true;
  int DefaultColWidth = 64;
  std::string Log;

  const TComponent* GridComponent() const override { return nullptr; }
  TGridDataLink& GridDataLink() override { return Inner.Link; }
  TColor GridColor() const override { return Color; }
  TColor GridFixedColor() const override { return FixedColor; }
  const TFont& GridFont() const override { return Font; }
  const TFont& GridTitleFont() const override { return TitleFont; }
  bool GridReadOnly() const override { return ReadOnly; }
  int GridDefaultColWidth() const override { return DefaultColWidth; }
  bool GridShowsTitles() const override { return ShowsTitles; }
  bool GridHasWindow() const override { return HasWindow; }
  bool GridUpdatesFields() const override { return UpdatesFields; }
  bool GridLoading() const override { return false; }
  void ColumnChanged(TZorudColumn& column) override { Note("column " + std::to_string(column.Index())); }
  void InvalidateColumn(TZorudColumn& column) override { Note("paint " + std::to_string(column.Index())); }
  void ColumnsChanged() override { Note("layout"); }

  std::string TakeLog() {
    std::string out;
    out.swap(Log);
    return out;
  }

private:
  void Note(const std::string& s) { Log += (Log.empty() ? "" : ", ") + s; }
};
