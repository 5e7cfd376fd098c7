#include "FileUtils.h"
#include "ProgramDir.h"
#include "SysUtils.h"
#include <gtest/gtest.h>
#include <windows.h>

TEST(ProgramDir, IsTheExecutablesFolderWithoutTrailingBackslash) {
  InitProgramDir();
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  ASSERT_FALSE(ProgramDir.empty());
  EXPECT_NE(ProgramDir.back(), '\\');
  EXPECT_TRUE(SameText(ProgramDir + "\\" + ExtractFileName(module), module));
  EXPECT_TRUE(FileExists(ProgramDir + "\\" + ExtractFileName(module)));
}
