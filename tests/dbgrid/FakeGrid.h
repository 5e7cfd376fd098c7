#pragma once
#include <string>
#include <vector>
#include "BookmarkList.h"
#include "DBGridHost.h"
#include "Field.h"
#include "GridDataLink.h"

// A grid reduced to what its link and its selected-rows list call: each call is written down,
// and the link's going active or inactive reaches the list as a grid passes it on.
class TFakeGrid : public TDBGridHost {
public:
  TGridDataLink Link{*this};
  TBookmarkList SelectedRows{Link};
  std::vector<std::string> Log;
  bool TakesFocus = false;
  bool PassesLinkActive = true;

  void LinkActive(bool active) override {
    Log.push_back(std::string("LinkActive ") + (active ? "1" : "0"));
    if (PassesLinkActive) SelectedRows.LinkActive(active);
  }
  void DataChanged() override { Log.push_back("DataChanged"); }
  void Scroll(int distance) override { Log.push_back("Scroll " + std::to_string(distance)); }
  void RecordChanged(TField* field) override { Log.push_back("RecordChanged " + (field ? field->FieldName() : "-")); }
  void UpdateData() override { Log.push_back(std::string("UpdateData ") + (Link.InUpdateData() ? "in" : "out")); }
  void EditingChanged() override { Log.push_back("EditingChanged"); }
  void LayoutChanged() override {
    Log.push_back(std::string("LayoutChanged ") + (Link.LayoutFromDataSet() ? "dataset" : "grid"));
  }
  bool FocusField(TField* field) override {
    Log.push_back("FocusField " + field->FieldName());
    return TakesFocus;
  }
  void InvalidateGrid() override { Log.push_back("InvalidateGrid"); }
  void InvalidateCurrentRow() override { Log.push_back("InvalidateCurrentRow"); }
  void MultiSelectChanged() override { Log.push_back("MultiSelectChanged"); }

  std::string TakeLog() {
    std::string out;
    for (const std::string& s : Log) out += (out.empty() ? "" : ", ") + s;
    Log.clear();
    return out;
  }
};
