// Writes tables made by the engine, with what the engine holds in memory, for decode_table.py.
#include <gtest/gtest.h>
#include <cstring>
#include "DbTestUtil.h"
#include "Samples.h"
#include "UniqueKey.h"

namespace {

std::string Hex(const std::string& s) {
  static const char d[] = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) {
    h += d[c >> 4];
    h += d[c & 15];
  }
  return h.empty() ? "-" : h;
}

// One line per record: every field as "-" when empty, else its value.
std::string Dump(const TZorudCursor& c) {
  std::string out = "fields";
  for (const TZorudField& f : c.Fields) out += " " + f.Name + ":" + std::to_string(int(f.FieldType)) + ":" + std::to_string(f.Length);
  out += "\nnotes " + Hex(c.Notes) + "\n";
  for (const auto& e : c.Entries) {
    if (!e->Live()) continue;
    out += "row";
    for (size_t i = 0; i < c.Fields.size(); ++i) {
      const TZorudField& f = c.Fields[i];
      const uint8_t* slot = e->Data.Data.data() + f.Offset;
      std::string v = "-";
      if (IsHeapType(f.FieldType)) {
        if (e->Data.Heap[i]) v = Hex(*e->Data.Heap[i]);
      } else if (f.FieldType == TZorudFieldType::SmallStr) {
        v = Hex(std::string(reinterpret_cast<const char*>(slot), strnlen(reinterpret_cast<const char*>(slot), f.Length)));
      } else if (f.Size == 8) {
        double d;
        std::memcpy(&d, slot, 8);
        if (d != 0.0) {
          char buf[64];
          std::snprintf(buf, sizeof buf, "%.17g", d);
          v = buf;
        }
      } else if (f.Size == 2) {
        int16_t x;
        std::memcpy(&x, slot, 2);
        if (x) v = std::to_string(x);
      } else {
        int32_t x;
        std::memcpy(&x, slot, 4);
        if (x) v = std::to_string(x);
      }
      out += " " + v;
    }
    out += "\n";
  }
  return out;
}

void Emit(TZorudTable& t, const std::string& name) {
  t.SaveToFile("decoder\\" + name + ".d", 0);
  WriteWholeFile("decoder\\" + name + ".expect", Dump(*t.Store()));
}

}  // namespace

TEST(DecoderFiles, WriteTablesForTheIndependentDecoder) {
  CreateDirectoryA("decoder", nullptr);
  TZorudTable folders;
  DefineFolders(folders);
  folders.Open();
  AddRow(folders, {{"FolderId", "rEv4sH8n"}, {"FolderName", "General"}});
  AddRow(folders, {{"FolderId", "rEv4sH8o"}, {"FolderName", ""}});
  Emit(folders, "folders");

  TZorudTable calls;
  DefineRecordings(calls);
  calls.Open();
  for (int i = 0; i < 50; ++i)
    AddRow(calls, {{"id", CreateUniqueKey()}, {"Channel", std::to_string(i % 3)}, {"FolderId", "rEv4sH8n"},
                   {"DateS", "3/7/2024"}, {"TimeS", "9:05:02 AM"}, {"Duration", "00:42"},
                   {"Comment", std::string(size_t(i * 5), char('a' + i % 26))}});
  calls.First();
  calls.Delete();
  Emit(calls, "recordings");

  TZorudTable all;
  for (TFieldType type : {ftSmallint, ftInteger, ftBoolean, ftFloat, ftCurrency, ftDate, ftTime, ftDateTime, ftAutoInc,
                          ftBlob, ftMemo, ftFmtMemo, ftGraphic})
    all.FieldDefs.Add("f" + std::to_string(all.FieldDefs.Count()), type);
  all.FieldDefs.Add("short", ftString, 5);
  all.FieldDefs.Add("long text", ftString, 40);
  all.Open();
  all.Store()->Notes = "carried notes";
  for (int i = 0; i < 3; ++i) {
    all.Append();
    if (i == 2) {
      all.Post();  // an all-empty record
      break;
    }
    auto& f = all.Fields();
    f[0]->SetAsInteger(i ? -7 : 300);
    f[1]->SetAsInteger(i ? -123456 : 99);
    f[2]->SetAsBoolean(i == 0);
    f[3]->SetAsFloat(i ? -2.25 : 3.141592653589793);
    f[4]->SetAsFloat(12.5);
    f[5]->SetAsDateTime(45358);
    f[6]->SetAsDateTime(0.5);
    f[7]->SetAsDateTime(45358.25);
    f[9]->SetAsString(std::string("\x00\x01\xff", 3));
    f[10]->SetAsString("memo\r\ntext");
    f[11]->SetAsString(i ? "" : "{\\rtf}");
    f[12]->SetAsString("GIF");
    f[13]->SetAsString("abcdefgh");
    f[14]->SetAsString("blank in the name");
    all.Post();
  }
  Emit(all, "every_type");
  EXPECT_EQ(ReadWholeFile("decoder\\every_type.d").find("XXX.long_text s40"), ReadWholeFile("decoder\\every_type.d").find("XXX.long_text"));
}
