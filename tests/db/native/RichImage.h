#pragma once
#include <cstring>
#include <string>
#include "../Samples.h"
#include "ZorudCursor.h"

// A small table with one field of every type, notes, and two records (one all empty).
inline std::string RichImage() {
  std::string section =
      "XXX.a l\x12XXX.b i\x12XXX.c b\x12XXX.d f\x12XXX.e c\x12XXX.f d\x12XXX.g v\x12XXX.h t\x12XXX.i a\x12"
      "XXX.j 5\x12XXX.k s40\x12XXX.l o\x12XXX.m m\x12XXX.n r\x12XXX.o g\x12\x14";
  std::string head = samples::Header(0, 0, 15, section);
  head[0] = char(head.size());
  TZorudCursor c;
  std::string message;
  c.LoadFromBytes(reinterpret_cast<const uint8_t*>(head.data()), head.size(), message);
  c.Notes = "n1";
  TZorudRecord r = c.NewRecord();
  for (size_t i = 0; i < c.Fields.size(); ++i) {
    const TZorudField& f = c.Fields[i];
    if (IsHeapType(f.FieldType)) {
      r.Heap[i] = std::string("x\0y", i % 2 ? 3 : 1);
    } else {
      double one = 1.5;
      if (f.Size == 8) std::memcpy(r.Data.data() + f.Offset, &one, 8);
      else r.Data[f.Offset] = uint8_t(0x41 + i);
    }
  }
  c.Add(r);
  c.Add(c.NewRecord());
  return c.Image();
}
