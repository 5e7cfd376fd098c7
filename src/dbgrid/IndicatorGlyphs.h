#pragma once
#include <windows.h>

// The data grid's seven small pictures, drawn in code: the current record, editing, inserting,
// selected, selected and current, and the two sort markers.
enum TIndicatorGlyph {
  igCurrent, igEdit, igInsert, igMultiDot, igMultiArrow, igSortDown, igSortUp, igCount
};

constexpr int IndicatorGlyphWidth = 7, IndicatorGlyphHeight = 9;

// Draws the glyph in colour with its top left at (x, y); the rest of its box is left as it was.
void DrawIndicatorGlyph(HDC dc, TIndicatorGlyph glyph, int x, int y, COLORREF color);
