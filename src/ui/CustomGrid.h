#pragma once
#include <functional>
#include <string>
#include <vector>
#include "Control.h"
#include "GridGeometry.h"
#include "GridPaintBuffer.h"
#include "InplaceEdit.h"

class TTimer;

using TGridOptions = unsigned;
constexpr TGridOptions goFixedVertLine = 1 << 0, goFixedHorzLine = 1 << 1, goVertLine = 1 << 2,
                       goHorzLine = 1 << 3, goColSizing = 1 << 4, goColMoving = 1 << 5,
                       goTabs = 1 << 6, goEditing = 1 << 7, goRowSelect = 1 << 8,
                       goAlwaysShowEditor = 1 << 9;

// How a cell is drawn: part of the selection, the current cell of the focused grid, fixed.
using TGridDrawState = unsigned;
constexpr TGridDrawState gdSelected = 1, gdFocused = 2, gdFixed = 4;

using TGridScrollDirections = unsigned;
constexpr TGridScrollDirections sdLeft = 1, sdRight = 2, sdUp = 4, sdDown = 8;

// What the mouse is doing with the button held.
enum TGridState { gsNormal, gsSelecting, gsColSizing, gsColMoving };

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A grid of owner-drawn cells: fixed rows and columns that stay put, the others scrolling; a
// current cell moved by keys, mouse and program; columns sized and moved with the mouse in the
// fixed rows; an in-place editor over the current cell; scroll bars and the mouse wheel. A
// subclass draws the cells (DrawCell) and takes part through the virtual functions below. Only
// the cells shown are ever visited, whatever the row count; painting goes through the one
// off-screen bitmap the grids share.
class TCustomGrid : public TControl {
public:
  explicit TCustomGrid(TComponent* owner);

  int ColCount() const { return geometry_.Cols.Count(); }
  void SetColCount(int count);
  int RowCount() const { return geometry_.Rows.Count(); }
  void SetRowCount(int count);
  int FixedCols() const { return geometry_.Cols.Fixed(); }
  void SetFixedCols(int count);
  int FixedRows() const { return geometry_.Rows.Fixed(); }
  void SetFixedRows(int count);
  int DefaultColWidth() const { return geometry_.Cols.DefaultSize(); }
  void SetDefaultColWidth(int width);
  int DefaultRowHeight() const { return geometry_.Rows.DefaultSize(); }
  void SetDefaultRowHeight(int height);
  // A negative width hides the column.
  int ColWidth(int col) const { return geometry_.Cols.Size(col); }
  void SetColWidth(int col, int width);
  int RowHeight(int row) const { return geometry_.Rows.Size(row); }
  void SetRowHeight(int row, int height);
  int GridLineWidth() const { return lineWidth_; }
  void SetGridLineWidth(int width);

  int TopRow() const { return geometry_.Rows.First(); }
  void SetTopRow(int row);
  int LeftCol() const { return geometry_.Cols.First(); }
  void SetLeftCol(int col);
  // Scrolling rows and columns shown whole (at least one while there is one).
  int VisibleRowCount() const;
  int VisibleColCount() const;
  RECT CellRect(int col, int row) const;
  TGridCell MouseCoord(int x, int y) const;

  int Col() const { return current_.Col; }
  void SetCol(int col) { MoveCurrentCell(col, current_.Row, true); }
  int Row() const { return current_.Row; }
  void SetRow(int row) { MoveCurrentCell(current_.Col, row, true); }
  // Makes the cell current and scrolls it into view; false for a fixed cell or one past the end.
  // With events, SelectCell is asked first and may refuse. The editor follows the cell.
  bool MoveCurrentCell(int col, int row, bool withEvents);

  bool TabStops(int col) const;
  void SetTabStops(int col, bool stop);

  TGridOptions Options() const { return options_; }
  void SetOptions(TGridOptions options);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor color);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle bars);

  bool EditorMode() const { return editorMode_; }
  void SetEditorMode(bool on);
  void ShowEditor();
  void HideEditor();
  // Reads the editor's text again and puts it back over its cell.
  void InvalidateEditor();
  TInplaceEdit* InplaceEditor() const { return editor_; }

  void InvalidateCell(int col, int row);
  void InvalidateRow(int row);

protected:
  friend class TInplaceEdit;

  // Draws one cell shown. dc is the shared off-screen bitmap already, clipped to the cell and
  // filled with its colour (fixed, highlight or the grid's), its text colour set: draw straight
  // on it, never through the paint buffer again.
  virtual void DrawCell(HDC dc, int col, int row, const RECT& rect, TGridDrawState state);
  // May refuse a cell the user or the program moves to.
  virtual bool SelectCell(int col, int row) { return true; }
  virtual void TopLeftChanged() {}
  // The mouse changed a column's width (each step of a drag).
  virtual void ColWidthsChanged() {}
  // The mouse moved a column: its width and tab stop went along.
  virtual void ColumnMoved(int from, int to) {}
  // Called by a timer while the mouse, button held, is outside the cells.
  virtual void TimedScroll(TGridScrollDirections directions);

  // False drops the key before the grid's own navigation.
  virtual bool CanGridAcceptKey(WORD key, TShiftState shift) { return true; }
  virtual void KeyDown(WORD& key, TShiftState shift);
  virtual void KeyPress(char& key);
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  // One notch of the wheel; true when it was used.
  virtual bool DoMouseWheelDown(TShiftState shift);
  virtual bool DoMouseWheelUp(TShiftState shift);

  virtual void UpdateVertScrollBar();
  virtual void UpdateHorzScrollBar();
  virtual void VertScroll(WORD code);
  virtual void HorzScroll(WORD code);
  void UpdateScrollBars();
  // Sets a bar only where a value changed.
  void SetScrollBar(int bar, int min, int max, int page, int pos);
  // Where the user holds the thumb now (32-bit, unlike the message's position).
  int ScrollTrackPos(int bar) const;

  virtual TInplaceEdit* CreateEditor() { return new TInplaceEdit(this); }
  virtual bool CanEditShow() const;
  // Asked when the user is about to change the editor's text.
  virtual bool CanEditModify() { return true; }
  virtual bool CanEditAcceptKey(char key) { return true; }
  virtual std::string GetEditText(int col, int row) { return {}; }
  // Every change of the editor's text by the user.
  virtual void SetEditText(int col, int row, const std::string& text) {}
  // The most characters the editor takes, 0 for no limit.
  virtual int GetEditLimit() { return 0; }

  TGridState GridState() const { return state_; }
  // Holds the mouse for a drag over the cells: the current cell follows it, and outside the
  // cells TimedScroll runs, until the button goes up. MouseDown does it after a click on a cell.
  void StartSelecting();
  // The column whose border the point is on for sizing, or -1.
  int SizingColumnAt(int x, int y) const;

  void CreateParams(TCreateParams& params) override;
  void HandleCreated() override;
  void Resized() override;
  void FontChanged() override;
  void Paint(HDC dc, const RECT& client) override;
  bool WndProc(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
  struct TScrollBarValues {
    bool set = false;
    int min = 0, max = 0, page = 0, pos = 0;
  };

  // Runs a change of the layout, then brings the current cell, the bars, the editor and the
  // picture in line with it.
  void Relayout(const std::function<void()>& change);
  void ApplyLineWidths();
  void SyncClientSize();
  void TopLeftMoved(int oldLeft, int oldTop);
  void ClampCurrent();
  void InvalidateCurrent(TGridCell cell);
  LRESULT DialogCode(const MSG* msg) const;

  void PaintCells(HDC dc, const RECT& box);
  void PaintCell(HDC dc, int col, int row, int x, int y, bool focused);

  bool InputMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  // The first column from this one on, in steps of step, that has a width; -1 when none.
  int ShownColumn(int from, int step) const;
  bool NextTabStop(bool backwards, TGridCell& cell) const;
  void MoveColumn(int from, int to);
  void UpdateTimedScroll(int x, int y);
  void StopTimedScroll();
  void EndMouseState();

  void UpdateEditor();
  void CloseEditor();
  void PlaceEditor();
  void LoadEditor();
  void EditorChanged();

  TGridGeometry geometry_;
  TGridPaintBuffer paintBuffer_;
  TGridCell current_;
  TGridOptions options_ = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine;
  std::vector<bool> tabStops_;
  int lineWidth_ = 1;
  TColor fixedColor_ = clBtnFace;
  TScrollStyle scrollBars_ = ssBoth;
  TScrollBarValues bars_[2];
  bool updatingScrollBars_ = false;

  TInplaceEdit* editor_ = nullptr;
  TGridCell editorCell_;  // the cell whose text the editor holds, while it is open
  bool editorMode_ = false;
  bool loadingEditor_ = false;

  TGridState state_ = gsNormal;
  int sizingCol_ = -1, sizingStartX_ = 0, sizingStartWidth_ = 0;
  int movingFrom_ = -1;
  TTimer* scrollTimer_ = nullptr;
  TGridScrollDirections scrollDirections_ = 0;
  int wheelDelta_ = 0;
};
