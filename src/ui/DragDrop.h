#pragma once
#include "Control.h"

// How a control starts dragging its items: by hand (the program calls BeginDrag) or as soon as
// the user drags one.
enum TDragMode { dmManual, dmAutomatic };

// A control that items can be dropped on. Coordinates are the target's client coordinates.
class TDragTarget {
public:
  virtual ~TDragTarget() = default;
  // True when the items of source may be dropped at (x, y).
  virtual bool DragOver(TControl* source, int x, int y) = 0;
  virtual void DragDrop(TControl* source, int x, int y) = 0;
  // The drag left the target, or ended without a drop on it.
  virtual void DragLeave() {}
};

// Drags the items of source from the press point (its client coordinates) until the left button
// goes up, Esc is pressed, another button is pressed or the capture is lost. The drag begins only
// once the mouse is threshold pixels away from the press point; a release before that drops
// nothing. Returns true when the items were dropped on a target that accepted them.
// A drag asked for while one runs is refused (false).
bool BeginDrag(TControl* source, POINT press, int threshold);
