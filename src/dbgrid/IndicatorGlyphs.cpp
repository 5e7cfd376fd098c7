#include "IndicatorGlyphs.h"

namespace {

// Selects a pen and a brush of one colour for a scope.
class TSolidTools {
public:
  TSolidTools(HDC dc, COLORREF color)
      : dc_(dc), pen_(CreatePen(PS_SOLID, 1, color)), brush_(CreateSolidBrush(color)) {
    oldPen_ = SelectObject(dc_, pen_);
    oldBrush_ = SelectObject(dc_, brush_);
  }
  ~TSolidTools() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
    DeleteObject(pen_);
    DeleteObject(brush_);
  }
  TSolidTools(const TSolidTools&) = delete;
  TSolidTools& operator=(const TSolidTools&) = delete;

private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ oldPen_, oldBrush_;
};

void Triangle(HDC dc, int x, int y, POINT a, POINT b, POINT c) {
  POINT points[] = {{x + a.x, y + a.y}, {x + b.x, y + b.y}, {x + c.x, y + c.y}};
  Polygon(dc, points, 3);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

void Dot(HDC dc, int x, int y) { Ellipse(dc, x + 1, y + 2, x + 6, y + 7); }

}  // namespace

void DrawIndicatorGlyph(HDC dc, TIndicatorGlyph glyph, int x, int y, COLORREF color) {
  TSolidTools tools(dc, color);
  switch (glyph) {
    case igCurrent:
      Triangle(dc, x, y, {1, 0}, {5, 4}, {1, 8});
      break;
    case igEdit:  // an I-beam
      Line(dc, x + 3, y, x + 3, y + 9);
      Line(dc, x + 1, y, x + 6, y);
      Line(dc, x + 1, y + 8, x + 6, y + 8);
      break;
    case igInsert:  // an asterisk
      Line(dc, x + 3, y + 1, x + 3, y + 8);
      Line(dc, x, y + 4, x + 7, y + 4);
      Line(dc, x + 1, y + 2, x + 6, y + 7);
      Line(dc, x + 5, y + 2, x, y + 7);
      break;
    case igMultiDot:
      Dot(dc, x, y);
      break;
    case igMultiArrow:
      Triangle(dc, x, y, {0, 0}, {4, 4}, {0, 8});
      Ellipse(dc, x + 4, y + 3, x + 7, y + 6);
      break;
    case igSortDown:
      Triangle(dc, x, y, {0, 2}, {6, 2}, {3, 6});
      break;
    case igSortUp:
      Triangle(dc, x, y, {0, 6}, {6, 6}, {3, 2});
      break;
    case igCount:
      break;
  }
}
