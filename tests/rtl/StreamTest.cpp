#include "Exception.h"
#include "FileStream.h"
#include "FileUtils.h"
#include "StringList.h"
#include "TempDir.h"
#include <gtest/gtest.h>
#include <cstring>

TEST(MemoryStream, ReadWriteSeekAndShortReads) {
  TMemoryStream m;
  m.WriteBuffer("abcdef", 6);
  EXPECT_EQ(m.Size(), 6);
  EXPECT_EQ(m.Position(), 6);
  EXPECT_EQ(m.Seek(-4, soEnd), 2);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 4);
  EXPECT_STREQ(buf, "cdef");
  EXPECT_EQ(m.Read(buf, 1), 0);
  m.SetPosition(4);
  EXPECT_THROW(m.ReadBuffer(buf, 3), EReadError);
  EXPECT_THROW(m.Seek(-1, soBeginning), EStreamError);

  // A write past the end fills the gap with zeros.
  m.Seek(2, soEnd);
  m.WriteBuffer("Z", 1);
  EXPECT_EQ(m.Size(), 9);
  EXPECT_EQ(std::memcmp(m.Memory(), "abcdef\0\0Z", 9), 0);

  m.SetSize(3);
  EXPECT_EQ(m.Position(), 3);
  EXPECT_THROW(m.SetSize(int64_t(3) << 30), EOutOfMemory);
  EXPECT_EQ(m.Size(), 3);
  m.Clear();
  EXPECT_EQ(m.Size(), 0);
  EXPECT_EQ(m.Position(), 0);
}

TEST(MemoryStream, CopyFromWholeOrPart) {
  TMemoryStream a, b;
  a.WriteBuffer("0123456789", 10);
  EXPECT_EQ(b.CopyFrom(a, 0), 10);  // 0: all of it, from the start
  a.SetPosition(7);
  EXPECT_EQ(b.CopyFrom(a, 3), 3);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b.Memory()), 13), "0123456789789");
  a.SetPosition(8);
  EXPECT_THROW(b.CopyFrom(a, 3), EReadError);
  TMemoryStream c;
  c.LoadFromStream(b);
  EXPECT_EQ(c.Size(), 13);
  EXPECT_EQ(c.Position(), 0);
}

TEST(FileStream, CreateWriteReopenRead) {
  TempDir dir;
  {
    TFileStream f(dir / "a.bin", fmCreate);
    f.WriteBuffer("hello world", 11);
    EXPECT_EQ(f.Size(), 11);
    f.SetPosition(6);
    char buf[5];
    f.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "world");
    f.SetSize(5);
    EXPECT_EQ(f.Position(), 5);
    f.Flush();
    f.Close();
  }
  EXPECT_EQ(ReadWholeFile(dir / "a.bin"), "hello");
  {
    TFileStream f(dir / "a.bin", fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteBuffer("!", 1);
    char buf[8];
    f.SetPosition(0);
    EXPECT_EQ(f.Read(buf, 8), 6);
    EXPECT_THROW(f.ReadBuffer(buf, 1), EReadError);
  }
  {
    TFileStream f(dir / "a.bin", fmCreate);  // empties it
    EXPECT_EQ(f.Size(), 0);
  }
}

TEST(FileStream, OpenErrorsCarryTheNameAndTheCode) {
  TempDir dir;
  try {
    TFileStream f(dir / "missing.bin", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.ErrorCode, ERROR_FILE_NOT_FOUND);
    EXPECT_NE(e.Message.find("Cannot open file \"" + (dir / "missing.bin") + "\". "), std::string::npos) << e.Message;
  }
  try {
    TFileStream f(dir / "no\\such\\x.bin", fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.ErrorCode, ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(e.Message.find("Cannot create file"), 0u);
  }
  WriteWholeFile(dir / "r.bin", "data");
  TFileStream readOnly(dir / "r.bin", fmOpenRead);
  try {
    readOnly.WriteBuffer("x", 1);
    FAIL();
  } catch (const EWriteError& e) {
    EXPECT_NE(e.ErrorCode, 0);
    EXPECT_EQ(e.Message.find("Cannot write file"), 0u) << e.Message;
  }
}

TEST(FileStream, ShareModes) {
  TempDir dir;
  WriteWholeFile(dir / "s.bin", "data");
  {
    TFileStream reader(dir / "s.bin", fmOpenRead | fmShareDenyWrite);
    TFileStream second(dir / "s.bin", fmOpenRead | fmShareDenyWrite);
    try {
      TFileStream writer(dir / "s.bin", fmOpenWrite | fmShareDenyNone);
      FAIL();
    } catch (const EFOpenError& e) {
      EXPECT_EQ(e.ErrorCode, ERROR_SHARING_VIOLATION);
    }
  }
  {
    TFileStream exclusive(dir / "s.bin", fmOpenReadWrite | fmShareExclusive);
    EXPECT_THROW(TFileStream(dir / "s.bin", fmOpenRead | fmShareDenyNone), EFOpenError);
  }
  TFileStream a(dir / "s.bin", fmOpenReadWrite | fmShareDenyNone);
  TFileStream b(dir / "s.bin", fmOpenReadWrite | fmShareDenyNone);
  EXPECT_EQ(b.Size(), 4);
}

TEST(FileStream, MemoryStreamAndStringListFiles) {
  TempDir dir;
  TStringList l;
  l.SetText("a\nb");
  l.SaveToFile(dir / "l.txt");
  EXPECT_EQ(ReadWholeFile(dir / "l.txt"), "a\r\nb\r\n");
  TStringList back;
  back.LoadFromFile(dir / "l.txt");
  EXPECT_EQ(back.Text(), l.Text());
  TStringList empty;
  empty.SaveToFile(dir / "l.txt");
  EXPECT_EQ(ReadWholeFile(dir / "l.txt"), "");

  TMemoryStream m;
  m.LoadFromFile(dir / "l.txt");
  EXPECT_EQ(m.Size(), 0);
  m.WriteBuffer("\0\x01\x02", 3);
  m.SaveToFile(dir / "m.bin");
  EXPECT_EQ(ReadWholeFile(dir / "m.bin"), std::string("\0\x01\x02", 3));
  EXPECT_THROW(m.LoadFromFile(dir / "none.bin"), EFOpenError);
  EXPECT_EQ(dir.Listing(), "l.txt m.bin");
}
