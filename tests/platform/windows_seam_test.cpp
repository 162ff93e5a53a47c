// What the Windows side of the platform does on its own: user files held open by another program
// or marked read-only, names with umlauts, the named mutex of the single-instance guard.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/file_replace.h"
#include "platform/read_file.h"
#include "platform/single_instance.h"
#include "platform/utf8_path.h"
#include "support/loopback_lan.h"

namespace kv3::platform {
namespace {

std::string Contents(const std::filesystem::path& path) {
  return ReadRegularFile(path).value_or("<unreadable>");
}

TEST(WindowsFiles, ReplaceKeepsTheOldBytesWhereWindowsRefuses) {
  const test::ScratchDirectory scratch;
  const std::filesystem::path file = PathFromUtf8(Utf8FromPath(scratch.path()) + "/Jürgen.rem");
  ASSERT_EQ(ReplaceFileContents(file, "alt"), ReplaceResult::Written);

  {  // another program holds the file open and lets nobody delete or replace it
    const HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_NE(ReplaceFileContents(file, "neu"), ReplaceResult::Written);
    ::CloseHandle(held);
    EXPECT_EQ(Contents(file), "alt");
  }
  {  // another program holds it for itself alone: that is why it cannot be read
    const HANDLE alone =
        ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(alone, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WhyNotReadable(file), ReadProblem::InUse);
    ::CloseHandle(alone);
  }
  ASSERT_TRUE(::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ReplaceFileContents(file, "neu"), ReplaceResult::WriteProtected);
  EXPECT_EQ(Contents(file), "alt");
  ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);

  EXPECT_EQ(ReplaceFileContents(file, "neu"), ReplaceResult::Written);
  EXPECT_EQ(Contents(file), "neu");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 1)
      << "nothing may be left beside the file";

  // A second name of the same file sees the new bytes too.
  const std::filesystem::path other = scratch.path() / "other.rem";
  ASSERT_TRUE(::CreateHardLinkW(other.c_str(), file.c_str(), nullptr));
  EXPECT_EQ(ReplaceFileContents(file, "dritte Fassung"), ReplaceResult::Written);
  EXPECT_EQ(Contents(file), "dritte Fassung");
  EXPECT_EQ(Contents(other), "dritte Fassung");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 2);
}

TEST(WindowsGuard, NamedMutexRefusesASecondHolderUntilTheFirstGoes) {
  const std::string name = "kv3-guard-" + std::to_string(::GetCurrentProcessId());
  {
    const SingleInstanceGuard first(name);
    EXPECT_FALSE(first.alreadyRunning());
    const SingleInstanceGuard second(name);
    EXPECT_TRUE(second.alreadyRunning());
  }
  const SingleInstanceGuard again(name);
  EXPECT_FALSE(again.alreadyRunning());
}

}  // namespace
}  // namespace kv3::platform
