#include <gtest/gtest.h>
#include <cstring>
#include "CorruptionSweep.h"
#include "DbError.h"
#include "DbHooks.h"
#include "DbTestUtil.h"
#include "Samples.h"
#include "TableFile.h"

namespace {

std::string Hex(const std::string& s) {
  static const char d[] = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) {
    h += d[c >> 4];
    h += d[c & 15];
    h += ' ';
  }
  return h;
}

// Loads an image into a bare store: the message, or "ok".
std::string Load(const std::string& image, TZorudCursor& c) {
  std::string message;
  bool ok = c.LoadFromBytes(reinterpret_cast<const uint8_t*>(image.data()), image.size(), message);
  return ok ? (message.empty() ? "ok" : "ok: " + message) : message;
}

std::string Load(const std::string& image, bool partial = false) {
  TZorudCursor c;
  c.PartialOpen = partial;
  return Load(image, c);
}

// A one-field table image with the given records (length bytes and values written by hand).
std::string OneField(const std::string& item, uint32_t count, const std::string& records, const std::string& notes = "") {
  std::string section = item + "\x12\x14";
  std::string body = notes + records;
  return samples::Header(uint32_t(17 + section.size() + body.size()), count, 1, section) + body;
}

}  // namespace

TEST(TableFormat, EngineWritesTheSampleFilesByteForByte) {
  TempDir dir;
  TZorudTable folders;
  DefineFolders(folders);
  folders.Open();
  std::string cleared = samples::Folders().substr(0, 53);
  cleared[0] = 53;
  cleared[5] = 0;
  EXPECT_EQ(Hex(folders.Store()->Image()), Hex(cleared));
  AddRow(folders, {{"FolderId", "rEv4sH8n"}, {"FolderName", "General"}});
  folders.SaveToFile(dir / "Folders.d");
  EXPECT_EQ(Hex(ReadWholeFile(dir / "Folders.d")), Hex(samples::Folders()));

  TZorudTable calls;
  DefineRecordings(calls);
  calls.Open();
  calls.SaveToFile(dir / "Recordings.d");
  EXPECT_EQ(Hex(ReadWholeFile(dir / "Recordings.d")), Hex(samples::EmptyRecordings()));
  // The program sets the fields in this order; they land in file order.
  AddRow(calls, {{"id", "rEv4t08p"}, {"Channel", "1"}, {"DateS", "3/7/2024"}, {"TimeS", "9:05:02 AM"},
                 {"FolderId", "rEv4sH8n"}, {"Duration", "00:42"}, {"Comment", " "}});
  calls.SaveToFile(dir / "Recordings.d");
  EXPECT_EQ(Hex(ReadWholeFile(dir / "Recordings.d")), Hex(samples::OneCall()));
}

TEST(TableFormat, EngineReadsTheSampleFiles) {
  TempDir dir;
  WriteWholeFile(dir / "Recordings.d", samples::OneCall());
  TZorudTable calls;
  calls.SetTableName(dir / "Recordings.d");
  EXPECT_EQ(calls.LoadMode(), lmFile);
  calls.Open();
  ASSERT_EQ(calls.RecordCount(), 1);
  EXPECT_EQ(calls.FieldByName("Id")->AsString(), "rEv4t08p");
  EXPECT_EQ(calls.FieldByName("CHANNEL")->AsInteger(), 1);
  EXPECT_EQ(calls.FieldByName("folderid")->AsString(), "rEv4sH8n");
  EXPECT_EQ(calls.FieldByName("DateS")->AsString(), "3/7/2024");
  EXPECT_EQ(calls.FieldByName("TimeS")->AsString(), "9:05:02 AM");
  EXPECT_EQ(calls.FieldByName("Duration")->AsString(), "00:42");
  EXPECT_EQ(calls.FieldByName("Comment")->AsString(), " ");
  EXPECT_EQ(calls.FieldByName("FolderId")->Size(), 20);
  EXPECT_EQ(calls.FieldByName("Comment")->Size(), 255);

  WriteWholeFile(dir / "Folders.d", samples::Folders());
  TZorudTable folders;
  folders.SetTableName(dir / "Folders.d");
  folders.Open();
  ASSERT_EQ(folders.RecordCount(), 1);
  EXPECT_EQ(folders.FieldByName("FolderID")->AsString(), "rEv4sH8n");
  EXPECT_EQ(folders.FieldByName("FolderName")->AsString(), "General");
}

TEST(TableFormat, FieldsBindByNameWhateverTheFileOrder) {
  TempDir dir;
  TZorudTable a;
  a.FieldDefs.Add("Id", ftString, 10);
  a.FieldDefs.Add("DateS", ftString, 12);
  a.FieldDefs.Add("TimeS", ftString, 16);
  a.FieldDefs.Add("Duration", ftString, 10);
  a.FieldDefs.Add("Comment", ftString, 255);
  a.FieldDefs.Add("FolderID", ftString, 20);
  a.FieldDefs.Add("Channel", ftInteger);
  a.Open();
  AddRow(a, {{"Id", "x1"}, {"DateS", "d"}, {"Comment", "c"}, {"FolderID", "f"}, {"Channel", "7"}});
  a.SaveToFile(dir / "Recordings.d");
  EXPECT_NE(ReadWholeFile(dir / "Recordings.d").find("XXX.Id A\x12XXX.DateS C"), std::string::npos);

  // Persistent fields in the program's own order and spelling.
  TZorudTable b;
  b.AddField("id", ftString, 10);
  b.AddField("Channel", ftInteger);
  b.AddField("FolderId", ftString, 20);
  b.AddField("Comment", ftString, 255);
  b.SetTableName(dir / "Recordings.d");
  b.Open();
  EXPECT_EQ(b.FieldCount(), 4);
  EXPECT_EQ(b.FieldByName("ID")->AsString(), "x1");
  EXPECT_EQ(b.Fields()[1]->AsInteger(), 7);
  EXPECT_EQ(b.Fields()[2]->AsString(), "f");
  EXPECT_EQ(b.Fields()[3]->AsString(), "c");

  TZorudTable c;
  c.AddField("NoSuchField", ftString, 10);
  c.SetTableName(dir / "Recordings.d");
  EXPECT_THROW(c.Open(), EDatabaseError);
  EXPECT_FALSE(c.Active());
}

TEST(TableFormat, ReaderCases) {
  const std::string u8191(8191, 'q');
  struct Case {
    const char* what;
    std::string image;
    bool partial;
    std::string expected;
  } cases[] = {
      {"error image", std::string("\0\0\0\0Edisk on fire\0junk", 23), false, "disk on fire"},
      {"error image without text", std::string("\0\0\0\0E\0\0", 7), false, "Buffer structure corruption!"},
      {"short header", samples::Folders().substr(0, 12), false, "Buffer structure corruption!"},
      {"short header, partial open", samples::Folders().substr(0, 12), true, "Buffer structure corruption!"},
      {"total length not the file size", samples::Folders() + "x", false, "Buffer structure corruption!"},
      {"unknown marker", "\x4a" + samples::Folders().substr(1, 3) + "Q" + samples::Folders().substr(5), false,
       "Buffer structure corruption!"},
      {"bytes after the records", OneField("XXX.a i", 1, std::string("\x00", 1) + "z"), false,
       "Buffer structure corruption!"},
      {"records but no fields", samples::Header(18, 1, 0, "\x14"), false,
       "Error in buffer structure (field description section)"},
      {"unknown letter", OneField("XXX.a x", 0, ""), false, "Error in buffer structure (field description section)"},
      {"item without blank", OneField("XXX.a", 0, ""), false, "Error in buffer structure (field description section)"},
      {"junk after s", OneField("XXX.a s12z", 0, ""), false, "Error in buffer structure (field description section)"},
      {"fewer items than declared", samples::Header(26, 0, 2, "XXX.a i\x12\x14"), false,
       "Error in buffer structure (field description section)"},
      {"more items than declared", samples::Header(34, 0, 1, "XXX.a i\x12XXX.b i\x12\x14"), false,
       "Error in buffer structure (field description section)"},
      {"declared count beyond the file", OneField("XXX.a i", 3, std::string("\x00", 1)), false,
       "Number of records read (1) does not match declared record count (3)"},
      {"same, partial open", OneField("XXX.a i", 3, std::string("\x00", 1)), true,
       "ok: Number of records read (1) does not match declared record count (3)"},
      {"huge declared count", OneField("XXX.a i", 0xFFFFFFF0u, std::string("\x00", 1)), false,
       "Number of records read (1) does not match declared record count (-16)"},
      {"length byte too big", OneField("XXX.a i", 1, std::string("\x05", 1) + "12345"), false,
       "Field 'a' has wrong length 5 in record 1"},
      {"heap length byte not 4", OneField("XXX.a s", 1, std::string("\x03", 1) + "abc"), false,
       "Field 'a' has wrong length 3 in record 1"},
      {"string of 8191 bytes", OneField("XXX.k s9000", 1, "\x04" + samples::U32(8191) + u8191), false, "ok"},
      {"string of 8192 bytes", OneField("XXX.k s9000", 1, "\x04" + samples::U32(8192) + u8191 + "q"), false,
       "String field 'k' has wrong length 8192 in record 1"},
      {"negative string count", OneField("XXX.k s", 1, "\x04" + samples::U32(0xFFFFFFFF)), false,
       "String field 'k' has wrong length -1 in record 1"},
      {"string cut short", OneField("XXX.k s", 1, "\x04" + samples::U32(10) + "abc"), false, "Unexpected end of buffer"},
      {"blob of 2^30 bytes", OneField("XXX.b o", 1, "\x04" + samples::U32(0x40000000)), false,
       "BLOB field 'b' has wrong length 1073741824 in record 1"},
      {"blob count beyond the file", OneField("XXX.b o", 1, "\x04" + samples::U32(0x3FFFFFFF)), false,
       "Unexpected end of buffer"},
      {"notes", OneField("XXX.a i", 0, "", std::string("*\x02\x00hi", 5)), false, "ok"},
      {"negative notes count", OneField("XXX.a i", 0, "", std::string("*\xff\xff", 3)), false,
       "Buffer structure corruption!"},
      {"notes cut short", OneField("XXX.a i", 0, "", std::string("*\x09\x00hi", 5)), false,
       "Buffer structure corruption!"},
  };
  for (const Case& c : cases) EXPECT_EQ(Load(c.image, c.partial), c.expected) << c.what;
}

TEST(TableFormat, ValuesAsStored) {
  TZorudCursor c;
  // An Integer with length byte 2 keeps its two low bytes; a SmallStr whose length byte fills
  // the slot keeps its declared length.
  std::string image = samples::Header(0, 2, 2, "XXX.a i\x12XXX.s 3\x12\x14");
  image += std::string("\x02\x04\x34\x12" "abcd", 8) + std::string("\x00\x00", 2);
  image.replace(0, 4, samples::U32(uint32_t(image.size())));
  ASSERT_EQ(Load(image, c), "ok");
  ASSERT_EQ(c.Entries.size(), 2u);
  int32_t v;
  std::memcpy(&v, c.Entries[0]->Data.Data.data(), 4);
  EXPECT_EQ(v, 0x1234);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c.Entries[0]->Data.Data.data() + 4)), "abc");
  EXPECT_TRUE(std::all_of(c.Entries[1]->Data.Data.begin(), c.Entries[1]->Data.Data.end(), [](uint8_t b) { return !b; }));

  // Notes of a table with more fields than bytes of notes are found and written back.
  std::string section = samples::RecordingsSection();
  std::string notes = std::string("*\x02\x00hi", 5);
  std::string withNotes = samples::Header(uint32_t(17 + section.size() + notes.size()), 0, 7, section) + notes;
  TZorudCursor d;
  ASSERT_EQ(Load(withNotes, d), "ok");
  EXPECT_EQ(d.Notes, "hi");
  EXPECT_EQ(Hex(d.Image()), Hex(withNotes));
}

TEST(TableFormat, WriterCases) {
  TempDir dir;
  TZorudTable t;
  t.FieldDefs.Add("My Field", ftFloat);
  t.FieldDefs.Add("Name", ftString, 100);
  t.FieldDefs.Add("Big", ftString, 20000);
  t.Open();
  AddRow(t, {});
  AddRow(t, {{"My_Field", "-0"}, {"Name", std::string(150, 'n')}});
  t.SaveToFile(dir / "t.d");
  std::string bytes = ReadWholeFile(dir / "t.d");
  EXPECT_NE(bytes.find("XXX.My_Field f\x12XXX.Name s100\x12XXX.Big s20000\x12\x14"), std::string::npos);
  std::string tail = std::string(3, '\0') + std::string("\x00\x04\x00", 3) + samples::U32(100) + std::string(100, 'n');
  EXPECT_EQ(Hex(bytes.substr(bytes.size() - tail.size())), Hex(tail));  // -0.0 is empty; text cut to 100

  TZorudTable back;
  back.SetTableName(dir / "t.d");
  back.Open();
  back.Last();
  EXPECT_EQ(back.FieldByName("My_Field")->AsFloat(), 0.0);
  EXPECT_FALSE(back.FieldByName("My_Field")->IsNull());
  EXPECT_TRUE(back.FieldByName("Big")->IsNull());

  // A text the reader would refuse stops the save before any file is touched.
  t.Edit();
  t.FieldByName("Big")->SetAsString(std::string(9000, 'b'));
  t.Post();
  try {
    t.SaveToFile(dir / "t.d");
    FAIL() << "saved";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message, "String field 'Big' has wrong length 9000 in record 2");
  }
  EXPECT_EQ(ReadWholeFile(dir / "t.d"), bytes);
  EXPECT_EQ(dir.Listing(), "t.d");
}

TEST(TableFormat, BackupHoldsTheFileBeforeTheLatestSave) {
  TempDir dir;
  TZorudTable t;
  DefineFolders(t);
  t.Open();
  t.SaveToFile(dir / "Folders.d", savAutoBackup);  // no file yet: no backup, no error
  EXPECT_EQ(dir.Listing(), "Folders.d");
  std::string first = ReadWholeFile(dir / "Folders.d");
  AddRow(t, {{"FolderId", "a"}});
  t.SaveToFile(dir / "Folders.d", savAutoBackup);
  std::string second = ReadWholeFile(dir / "Folders.d");
  AddRow(t, {{"FolderId", "b"}});
  t.SaveToFile(dir / "Folders.d", savAutoBackup);
  EXPECT_EQ(ReadWholeFile(dir / "Folders.~d"), second);
  EXPECT_NE(ReadWholeFile(dir / "Folders.d"), second);
  EXPECT_NE(first, second);
  EXPECT_EQ(dir.Listing(), "Folders.d Folders.~d");
  // Saving to another name leaves the backup alone.
  t.SaveToFile(dir / "Copy.d", 0);
  EXPECT_EQ(ReadWholeFile(dir / "Folders.~d"), second);
  EXPECT_EQ(BackupFileName("C:\\a.b\\Recordings.d"), "C:\\a.b\\Recordings.~d");
}

TEST(TableFormat, SortedSaveOrdersTheStoreAndSkipsPurgedEntries) {
  TempDir dir;
  TZorudTable t;
  DefineFolders(t);
  t.Open();
  for (const char* k : {"c", "A", "b", "d"}) AddRow(t, {{"FolderId", k}, {"FolderName", k}});
  t.Locate("FolderId", "d");
  t.Delete();  // inserted, so purged at once
  t.SaveToFile(dir / "s.d", savSortOnIndex);  // no index: store order
  t.SetIndexFieldNames("FolderId");
  t.SaveToFile(dir / "s.d", savSortOnIndex);
  TZorudTable back;
  back.SetTableName(dir / "s.d");
  back.Open();
  EXPECT_EQ(Rows(back, "FolderId", "FolderName"), "*A=A b=b c=c");
  t.SetSortOptions(vsoCaseInsensitive);
  t.SaveToFile(dir / "s.d", savSortOnIndex | savSlowMode);
  back.Close();
  back.Open();
  EXPECT_EQ(Rows(back, "FolderId", "FolderName"), "*A=A b=b c=c");
}

TEST(TableFormat, DamagedSamplesLoadOrGiveTheReadersError) {
  for (const std::string& image : {samples::Folders(), samples::EmptyRecordings(), samples::OneCall()})
    EXPECT_EQ(sweep::Run(image), "");
}

TEST(TableFormat, DamagedFileLeavesTheTableClosedWithTheError) {
  TempDir dir;
  std::string bad = samples::OneCall();
  bad.resize(bad.size() - 3);
  bad.replace(0, 4, samples::U32(uint32_t(bad.size())));
  WriteWholeFile(dir / "Recordings.d", bad);
  TZorudTable t;
  t.SetTableName(dir / "Recordings.d");
  try {
    t.Open();
    FAIL() << "opened";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message, "Error opening table: Unexpected end of buffer");
  }
  EXPECT_FALSE(t.Active());
  EXPECT_EQ(ReadWholeFile(dir / "Recordings.d"), bad);

  // With a partial open the good part is kept and the message is a warning.
  std::vector<std::string> reports;
  SetDbReporter([&](const std::string& text, bool warning) { reports.push_back((warning ? "W:" : "E:") + text); });
  std::string more = samples::OneCall();
  more[5] = 2;
  WriteWholeFile(dir / "Recordings.d", more);
  t.PartialOpen = true;
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], "W:Number of records read (1) does not match declared record count (2)");
  SetDbReporter(nullptr);
}
