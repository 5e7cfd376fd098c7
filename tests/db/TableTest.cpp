#include <gtest/gtest.h>
#include "DbError.h"
#include "DbTestUtil.h"
#include "RaisedText.h"
#include "Samples.h"
#include "ZorudBlobStream.h"

TEST(Table, DatabasePathAndFileNames) {
  TZorudDatabase db;
  EXPECT_EQ(db.DatabasePath(), "");
  db.SetDatabasePath("C:\\data");
  EXPECT_EQ(db.DatabasePath(), "C:\\data\\");
  db.SetDatabasePath("C:\\data\\");
  EXPECT_EQ(db.DatabasePath(), "C:\\data\\");
  TZorudTable t;
  t.SetTableName("D:\\x\\Recordings.d");
  t.SetDatabase(&db);
  EXPECT_EQ(t.TableName(), "Recordings.d");
  EXPECT_EQ(t.FileName(), "C:\\data\\Recordings.d");
  db.SetDatabasePath("");
  EXPECT_EQ(t.FileName(), "Recordings.d");
  EXPECT_NE(std::find(TZorudSession::Instance().Databases().begin(), TZorudSession::Instance().Databases().end(), &db),
            TZorudSession::Instance().Databases().end());
}

TEST(Table, LoadModesAndTheirErrors) {
  TempDir dir;
  TZorudDatabase db;
  db.SetDatabasePath(dir.Path());
  TZorudTable t;
  t.SetDatabase(&db);
  EXPECT_EQ(t.LoadMode(), lmClear);
  EXPECT_EQ(RaisedText([&] { t.Open(); }), "Error creating table (no field descriptions)");
  t.SetTableName("Missing.d");
  EXPECT_EQ(t.LoadMode(), lmFile);
  EXPECT_EQ(RaisedText([&] { t.Open(); }), "Error opening file " + dir.Path() + "\\Missing.d");
  EXPECT_FALSE(t.Active());
  WriteWholeFile(dir / "Bad.d", "not a table at all");
  t.SetTableName("Bad.d");
  EXPECT_EQ(RaisedText([&] { t.Open(); }), "Error opening table: Buffer structure corruption!");
  EXPECT_FALSE(t.Active());
  t.SetTableName("");
  EXPECT_EQ(t.LoadMode(), lmClear);
  DefineFolders(t);
  t.Open();
  EXPECT_TRUE(t.Active());
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_EQ(RaisedText([&] { t.SetLoadMode(lmStream); t.Open(); }), "Loading stream is not assigned");
  TMemoryStream stream;
  stream.WriteBuffer(samples::Folders().data(), int(samples::Folders().size()));
  t.LoadingStream = &stream;
  t.Open();
  EXPECT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(t.LoadingStream, nullptr);
  TMemoryStream out;
  EXPECT_EQ(t.Store()->WriteToStream(out), 74u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.Memory()), size_t(out.Size())), samples::Folders());
  out.Seek(0, soBeginning);
  TZorudCursor c;
  std::string message;
  EXPECT_TRUE(c.LoadFromStream(out, message));
  EXPECT_EQ(c.Entries.size(), 1u);
}

TEST(Table, FirstRunCreatesBothTablesAsTheProgramDoes) {
  TempDir dir;
  TZorudDatabase db;
  db.SetDatabasePath(dir.Path());
  TZorudTable calls, folders;
  calls.SetDatabase(&db);
  folders.SetDatabase(&db);
  calls.SetTableName("Recordings.d");
  DefineRecordings(calls);
  calls.Open();
  calls.SaveToFile(calls.FileName());
  calls.SetLoadMode(lmFile);
  calls.Open();
  EXPECT_TRUE(calls.IsEmpty());
  folders.SetTableName("Folders.d");
  DefineFolders(folders);
  folders.Open();
  folders.Append();
  folders.FieldByName("FolderId")->SetAsString("rEv4sH8n");
  folders.FieldByName("FolderName")->SetAsString("General");
  folders.PostAndSave();  // clear mode: nothing is written
  EXPECT_EQ(ReadWholeFile(dir / "Folders.d"), "<missing>");
  folders.SaveToFile(folders.FileName());
  folders.SetLoadMode(lmFile);
  folders.Open();
  EXPECT_EQ(ReadWholeFile(dir / "Folders.d"), samples::Folders());
  EXPECT_EQ(ReadWholeFile(dir / "Recordings.d"), samples::EmptyRecordings());
  // Changes go into the database's changed list until committed.
  folders.Edit();
  EXPECT_EQ(db.ChangedDataSets().size(), 1u);
  folders.FieldByName("FolderName")->SetAsString("Main");
  folders.PostAndSave();
  EXPECT_EQ(db.DataSets().size(), 2u);
  folders.CommitChanges();
  EXPECT_TRUE(db.ChangedDataSets().empty());
  folders.Close();
  folders.Open();
  EXPECT_EQ(folders.FieldByName("FolderName")->AsString(), "Main");
}

TEST(Table, ClonesShareTheStoreAndCloseFirst) {
  TempDir dir;
  TZorudTable source, clone;
  source.SetTableName(MakeFolderFile(dir, 3));
  EXPECT_EQ(RaisedText([&] { clone.SetCloneDS(&source); clone.Open(); }), "Cloned table is not active!");
  source.Open();
  clone.SetCloneDS(&source);
  EXPECT_EQ(clone.LoadMode(), lmClone);
  clone.Open();
  EXPECT_EQ(clone.RecordCount(), 3);
  clone.Last();
  clone.Edit();
  clone.FieldByName("FolderName")->SetAsString("shared");
  clone.PostAndSave();  // written to the source's file
  source.Last();
  EXPECT_EQ(source.FieldByName("FolderName")->AsString(), "shared");
  EXPECT_EQ(RaisedText([&] { source.Close(); }), "Cloned tables are not closed before source dataset is closed!");
  clone.Close();
  source.Close();
  source.Open();
  source.Last();
  EXPECT_EQ(source.FieldByName("FolderName")->AsString(), "shared");
}

TEST(Table, BlobStreamWritesTheFieldWhenFreed) {
  TZorudTable t;
  t.FieldDefs.Add("Id", ftString, 8);
  t.FieldDefs.Add("Data", ftBlob);
  t.Open();
  AddRow(t, {{"Id", "a"}});
  TField* data = t.FieldByName("Data");
  EXPECT_EQ(RaisedText([&] { t.CreateBlobStream(data, bmWrite); }), "Table is not in edit or insert mode");
  t.Edit();
  {
    auto s = t.CreateBlobStream(data, bmWrite);
    s->WriteBuffer("\x01\x00\x02", 3);
  }
  EXPECT_EQ(data->AsString(), std::string("\x01\x00\x02", 3));
  EXPECT_TRUE(t.Modified());
  t.Post();
  {
    auto s = t.CreateBlobStream(data, bmRead);
    char b[3];
    s->ReadBuffer(b, 3);
    EXPECT_EQ(std::string(b, 3), std::string("\x01\x00\x02", 3));
  }
  t.Edit();
  { auto s = t.CreateBlobStream(data, bmReadWrite); }
  EXPECT_FALSE(t.Modified());
  t.Cancel();
}
