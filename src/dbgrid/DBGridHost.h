#pragma once

class TField;

// What a data grid provides to its data link and its selected-rows list.
class TDBGridHost {
public:
  virtual ~TDBGridHost() = default;

  // The data link's notifications.
  virtual void LinkActive(bool active) = 0;
  virtual void DataChanged() = 0;
  virtual void Scroll(int distance) = 0;
  virtual void RecordChanged(TField* field) = 0;  // none: the whole record
  virtual void UpdateData() = 0;                  // writes the editor's text to its field
  virtual void EditingChanged() = 0;
  virtual void LayoutChanged() = 0;
  // Moves to the column that shows field; true when that column is current and the grid took
  // the focus and shows its editor.
  virtual bool FocusField(TField* field) = 0;

  // For the selected-rows list.
  virtual void InvalidateGrid() = 0;
  virtual void InvalidateCurrentRow() = 0;
  virtual void MultiSelectChanged() = 0;  // fires OnMultiSelectChanged
};
