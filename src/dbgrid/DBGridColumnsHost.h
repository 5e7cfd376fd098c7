#pragma once
#include "Control.h"

class TComponent;
class TFont;
class TGridDataLink;
class TZorudColumn;

// What a data grid provides to its columns: the settings they default to, and where their
// changes go.
class TDBGridColumnsHost {
public:
  virtual ~TDBGridColumnsHost() = default;

  virtual const TComponent* GridComponent() const = 0;
  virtual TGridDataLink& GridDataLink() = 0;
  virtual TColor GridColor() const = 0;
  virtual TColor GridFixedColor() const = 0;
  virtual const TFont& GridFont() const = 0;
  virtual const TFont& GridTitleFont() const = 0;
  virtual bool GridReadOnly() const = 0;
  virtual int GridDefaultColWidth() const = 0;
  virtual bool GridShowsTitles() const = 0;
  virtual bool GridHasWindow() const = 0;
  // Sizing a generated column writes its field's display width.
  virtual bool GridUpdatesFields() const = 0;
  virtual bool GridLoading() const = 0;

  // A column's look or width changed: repaint it and take its width.
  virtual void ColumnChanged(TZorudColumn& column) = 0;
  // Only the column's cells need painting again.
  virtual void InvalidateColumn(TZorudColumn& column) = 0;
  // The set or order of columns changed: rebuild the layout.
  virtual void ColumnsChanged() = 0;
};
