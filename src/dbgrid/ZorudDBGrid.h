#pragma once
#include "ZorudCustomDBGrid.h"

// The data grid as forms place it: the custom grid with its settings and events public.
class TZorudDBGrid : public TZorudCustomDBGrid {
public:
  using TZorudCustomDBGrid::TZorudCustomDBGrid;
};
