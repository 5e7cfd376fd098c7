#include "Exception.h"
#include "FileStream.h"
#include "FileUtils.h"
#include "TempDir.h"
#include <gtest/gtest.h>

TEST(SafeFile, CommitReplacesTheTargetAndLeavesNoTemporaryFile) {
  TempDir dir;
  WriteWholeFile(dir / "t.d", "old content that is longer");
  {
    TSafeFileWriter out(dir / "t.d");
    EXPECT_EQ(out.TempName(), (dir / "t.d") + ".tmp");
    out.WriteBuffer("new", 3);
    // Reserve-and-fill: writers may go back.
    out.WriteBuffer("....", 4);
    out.Seek(-4, soCurrent);
    out.WriteBuffer("1234", 4);
    EXPECT_EQ(out.Size(), 7);
    EXPECT_EQ(ReadWholeFile(dir / "t.d"), "old content that is longer");
    out.Commit();
  }
  EXPECT_EQ(ReadWholeFile(dir / "t.d"), "new1234");
  EXPECT_EQ(dir.Listing(), "t.d");

  WriteFileSafely(dir / "fresh.ini", "x=1\r\n", 5);
  EXPECT_EQ(ReadWholeFile(dir / "fresh.ini"), "x=1\r\n");
}

TEST(SafeFile, WithoutCommitTheTargetStaysAsItWas) {
  TempDir dir;
  WriteWholeFile(dir / "t.d", "old");
  {
    TSafeFileWriter out(dir / "t.d");
    out.WriteBuffer("half a new fi", 13);
  }
  EXPECT_EQ(ReadWholeFile(dir / "t.d"), "old");
  EXPECT_EQ(dir.Listing(), "t.d");
  EXPECT_THROW(TSafeFileWriter(dir / "no\\such\\t.d"), EFCreateError);
}

TEST(SafeFile, BackupKeepsThePreviousFile) {
  TempDir dir;
  WriteFileSafely(dir / "Recordings.d", "one", 3, dir / "Recordings.~d");
  EXPECT_EQ(dir.Listing(), "Recordings.d");  // nothing to back up yet
  WriteFileSafely(dir / "Recordings.d", "two", 3, dir / "Recordings.~d");
  WriteFileSafely(dir / "Recordings.d", "three", 5, dir / "Recordings.~d");
  EXPECT_EQ(ReadWholeFile(dir / "Recordings.d"), "three");
  EXPECT_EQ(ReadWholeFile(dir / "Recordings.~d"), "two");
  EXPECT_EQ(dir.Listing(), "Recordings.d Recordings.~d");
}

TEST(SafeFile, BackupFailureRaisesOrIsReported) {
  TempDir dir;
  WriteWholeFile(dir / "t.d", "old");
  std::string badBackup = dir / "no\\such\\t.~d";
  {
    TSafeFileWriter out(dir / "t.d");
    out.WriteBuffer("new", 3);
    EXPECT_THROW(out.Commit(badBackup), EInOutError);
  }
  EXPECT_EQ(ReadWholeFile(dir / "t.d"), "old");
  EXPECT_EQ(dir.Listing(), "t.d");

  std::string reported;
  TSafeFileWriter out(dir / "t.d");
  out.WriteBuffer("new", 3);
  out.Commit(badBackup, [&](const std::string& message) { reported = message; });
  EXPECT_EQ(ReadWholeFile(dir / "t.d"), "new");
  EXPECT_NE(reported.find("t.~d"), std::string::npos) << reported;
}

// Every checked step of a save with a backup fails once in turn: afterwards the target holds
// the old or the new content, the backup a whole earlier file, and no temporary file is left.
TEST(SafeFile, AFailureAtAnyStepLosesNothing) {
  TempDir dir;
  const std::string older(70000, 'o'), old(70000, 'p'), fresh(150000, 'n');  // several copy blocks
  bool reachedTheEnd = false;
  for (int step = 1; step < 100 && !reachedTheEnd; ++step) {
    WriteWholeFile(dir / "t.d", old);
    WriteWholeFile(dir / "t.~d", older);
    bool raised = false;
    TSafeFileWriter::FailStep = step;
    try {
      TSafeFileWriter out(dir / "t.d");
      for (size_t at = 0; at < fresh.size(); at += 50000) out.WriteBuffer(fresh.data() + at, 50000);
      out.Commit(dir / "t.~d");
    } catch (const EInOutError& e) {
      raised = true;
      EXPECT_FALSE(e.Message.empty());
    }
    reachedTheEnd = TSafeFileWriter::FailStep > 0;
    TSafeFileWriter::FailStep = 0;
    std::string target = ReadWholeFile(dir / "t.d"), backup = ReadWholeFile(dir / "t.~d");
    EXPECT_EQ(target, raised ? old : fresh) << "step " << step;
    EXPECT_TRUE(backup == older || backup == old) << "step " << step;
    if (!raised) {
      EXPECT_EQ(backup, old) << "step " << step;
    }
    EXPECT_EQ(dir.Listing(), "t.d t.~d") << "step " << step;
  }
  EXPECT_TRUE(reachedTheEnd);
}

TEST(SafeFile, ATargetThatCannotBeReplacedKeepsItsContent) {
  TempDir dir;
  WriteWholeFile(dir / "t.d", "old");
  CreateDirectoryA((dir / "sub").c_str(), nullptr);
  TSafeFileWriter out(dir / "sub");  // a folder is in the way of the move
  out.WriteBuffer("new", 3);
  EXPECT_THROW(out.Commit(), EInOutError);
  EXPECT_TRUE(DirectoryExists(dir / "sub"));
  EXPECT_FALSE(FileExists(dir / "sub.tmp"));
  RemoveDirectoryA((dir / "sub").c_str());
}

TEST(SafeFile, RenameFileNeverReplaces) {
  TempDir dir;
  WriteWholeFile(dir / "Recorded.wav", "call 1");
  WriteWholeFile(dir / "1_20240307_090502.wav", "earlier call");
  EXPECT_FALSE(RenameFile(dir / "Recorded.wav", dir / "1_20240307_090502.wav"));
  EXPECT_EQ(ReadWholeFile(dir / "1_20240307_090502.wav"), "earlier call");
  EXPECT_TRUE(RenameFile(dir / "Recorded.wav", dir / "1_20240307_090503.wav"));
  EXPECT_EQ(ReadWholeFile(dir / "1_20240307_090503.wav"), "call 1");
  EXPECT_FALSE(FileExists(dir / "Recorded.wav"));
}
