#include "platform/file_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_replace_calls.h"
#include "support/file_faults.h"
#include "support/loopback_lan.h"

namespace kv3::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

// The link itself when followLinks is false.
struct stat StatOf(const fs::path& path, bool followLinks = true) {
  struct stat status {};
  (void)(followLinks ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status));
  return status;
}

TEST(FileReplace, NewBytesLandInTheFileTheUserHas) {
  test::ScratchDirectory directory;
  const bool root = ::geteuid() == 0;
  struct Case {
    const char* name;
    // Makes the files; returns the name the tool writes to.
    std::function<fs::path(const fs::path&)> setUp;
    std::vector<const char*> seeNewBytes;  // names that show the new bytes afterwards
  };
  const Case cases[] = {
      {"plain file, its owner, group and mode",
       [root](const fs::path& at) {
         WriteFileBytes(at / "t540.cfg", "old");
         ::chmod((at / "t540.cfg").c_str(), 0640);
         if (root) (void)!::chown((at / "t540.cfg").c_str(), 1234, 5678);
         return at / "t540.cfg";
       },
       {"t540.cfg"}},
      {"symbolic link: the target is written, the link stays",
       [](const fs::path& at) {
         fs::create_directory(at / "real");
         WriteFileBytes(at / "real" / "t540.cfg", "old");
         fs::create_symlink("real/t540.cfg", at / "t540.cfg");
         return at / "t540.cfg";
       },
       {"t540.cfg", "real/t540.cfg"}},
      {"hard link: both names",
       [](const fs::path& at) {
         WriteFileBytes(at / "t540.cfg", "old");
         fs::create_hard_link(at / "t540.cfg", at / "other.cfg");
         return at / "t540.cfg";
       },
       {"t540.cfg", "other.cfg"}},
      {"missing file: created", [](const fs::path& at) { return at / "t540.cfg"; }, {"t540.cfg"}},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path at = directory.path() / std::to_string(n++);
    fs::create_directory(at);
    const fs::path written = c.setUp(at);
    const bool existed = fs::exists(written);
    const struct stat before = StatOf(written);
    const bool wasLink = fs::is_symlink(written);
    ASSERT_EQ(ReplaceFileContents(written, "new bytes"), ReplaceResult::Written);
    for (const char* name : c.seeNewBytes) {
      EXPECT_EQ(ReadFileBytes(at / name), "new bytes") << name;
    }
    EXPECT_EQ(fs::is_symlink(written), wasLink);
    if (existed) {
      const struct stat after = StatOf(written);
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_EQ(after.st_uid, before.st_uid);
      EXPECT_EQ(after.st_gid, before.st_gid);
      EXPECT_EQ(after.st_nlink, before.st_nlink);
    }
    // Nothing is left beside the file.
    for (const auto& entry : fs::recursive_directory_iterator(at)) {
      EXPECT_EQ(entry.path().filename().string().find(".cfg."), std::string::npos) << entry.path();
    }
  }
}

TEST(FileReplace, WriteProtectedFileStaysAsItIs) {
  test::ScratchDirectory directory;
  const fs::path file = directory.path() / "t540.cfg";
  WriteFileBytes(file, "de\r\n");
  ::chmod(file.c_str(), 0444);
  EXPECT_EQ(ReplaceFileContents(file, "gb\r\n"), ReplaceResult::WriteProtected);
  EXPECT_EQ(ReadFileBytes(file), "de\r\n");
}

// A folder that takes no new file (read-only for the user): the bytes go into the file itself.
// Root may write into any folder, so as root the write runs in a child that is nobody.
TEST(FileReplace, FolderWithoutRoomForANewFileIsWrittenInPlace) {
  test::ScratchDirectory directory;
  const fs::path folder = directory.path() / "locked";
  fs::create_directory(folder);
  const fs::path file = folder / "t540.cfg";
  WriteFileBytes(file, "de\r\nsecond line\r\n");
  const uid_t nobody = 65534;
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(directory.path().c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown(folder.c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown(file.c_str(), nobody, nobody), 0);
  }
  ::chmod(folder.c_str(), 0555);
  const auto replace = [&file] {
    return ReplaceFileContents(file, "gb\r\n10.0.0.7\r\n") == ReplaceResult::Written;
  };
  bool written = false;
  if (::geteuid() == 0) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const bool ok = ::setgid(nobody) == 0 && ::setuid(nobody) == 0 && replace();
      ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    written = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  } else {
    written = replace();
  }
  ::chmod(folder.c_str(), 0755);
  EXPECT_TRUE(written);
  EXPECT_EQ(ReadFileBytes(file), "gb\r\n10.0.0.7\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// Streamed contents: pieces larger and smaller than the write buffer arrive in order, the old
// file's mode is kept, and a writer that gives up (or a piece that cannot be stored) leaves the
// old file as it was with nothing beside it.
TEST(FileReplace, StreamedContentsReplaceTheFileOnlyWhenWhole) {
  test::ScratchDirectory directory;
  const fs::path file = directory.path() / "site.rom";
  WriteFileBytes(file, "old");
  ::chmod(file.c_str(), 0640);
  const std::string big = test::PatternBytes(200000);
  const auto pieces = [&big](bool giveUp) {
    return [&big, giveUp](const ContentSink& sink) {
      const auto bytes = [](std::string_view text) {
        return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
      };
      if (!sink(bytes(std::string_view(big).substr(0, 100))) ||
          !sink(bytes(std::string_view(big).substr(100, 150000)))) {
        return false;
      }
      if (giveUp) return false;
      return sink(bytes(std::string_view(big).substr(150100)));
    };
  };
  EXPECT_EQ(ReplaceFileStreamed(file, pieces(true)), ReplaceResult::Failed);
  EXPECT_EQ(ReadFileBytes(file), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(directory.path()), fs::directory_iterator()), 1);

  ASSERT_EQ(ReplaceFileStreamed(file, pieces(false)), ReplaceResult::Written);
  EXPECT_EQ(ReadFileBytes(file), big);
  EXPECT_EQ(StatOf(file).st_mode & 07777, 0640U);
  EXPECT_EQ(std::distance(fs::directory_iterator(directory.path()), fs::directory_iterator()), 1);

  ::chmod(file.c_str(), 0444);
  EXPECT_EQ(ReplaceFileStreamed(file, pieces(false)), ReplaceResult::WriteProtected);

  // A process that must end at once (a second Ctrl-C) takes the new file beside it along.
  ::chmod(file.c_str(), 0644);
  const auto entries = [&directory] {
    return std::distance(fs::directory_iterator(directory.path()), fs::directory_iterator());
  };
  EXPECT_EQ(ReplaceFileStreamed(file,
                                [&](const ContentSink& sink) {
                                  EXPECT_TRUE(sink(std::span<const std::uint8_t>()));
                                  EXPECT_EQ(entries(), 2);
                                  RemovePendingTemporaries();
                                  EXPECT_EQ(entries(), 1);
                                  return false;
                                }),
            ReplaceResult::Failed);
  EXPECT_EQ(ReadFileBytes(file), big);
}

// A flush to disk or a rename that fails: beside the file (a rename over it; where that fails,
// the bytes go into the file itself) or in place (a file with a second hard link), longer or
// shorter new bytes. The file holds its old bytes whole or the new ones, and nothing is left
// beside it.
TEST(FileReplace, AFailedFlushOrRenameLeavesTheOldBytes) {
  const std::string old = "de\r\n192.0.2.7\r\n";
  struct Case {
    const char* name;
    bool hardLink;  // written in place
    bool fsyncFails, renameFails;
    std::string newBytes;
    bool written;
  };
  const Case cases[] = {
      {"flush beside and in place", false, true, false, "gb\r\n", false},
      {"rename beside, then in place", false, false, true, "gb\r\n", true},
      {"flush in place, shorter", true, true, false, "gb", false},
      {"flush in place, longer", true, true, false, "gb\r\n192.0.2.40\r\nthird line\r\n", false},
  };
  static bool fsyncFails = false;
  static bool renameFails = false;
  detail::ReplaceCalls& calls = detail::PosixReplaceCalls();
  const detail::ReplaceCalls system = calls;
  calls.fsync = [](int fd) { return fsyncFails ? (errno = EIO, -1) : ::fsync(fd); };
  calls.rename = [](const char* from, const char* to) {
    return renameFails ? (errno = EXDEV, -1) : ::rename(from, to);
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchDirectory directory;
    const fs::path file = directory.path() / "t540.cfg";
    WriteFileBytes(file, old);
    if (c.hardLink) fs::create_hard_link(file, directory.path() / ("other" + std::to_string(n++)));
    fsyncFails = c.fsyncFails;
    renameFails = c.renameFails;
    EXPECT_EQ(ReplaceFileContents(file, c.newBytes),
              c.written ? ReplaceResult::Written : ReplaceResult::Failed);
    fsyncFails = renameFails = false;
    EXPECT_EQ(ReadFileBytes(file), c.written ? c.newBytes : old);
    EXPECT_EQ(test::FolderEntries(directory.path()).size(), c.hardLink ? 2U : 1U);
  }
  calls = system;
}

TEST(FileReplace, OnlyRegularFilesAreRead) {
  test::ScratchDirectory directory;
  const fs::path fifo = directory.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", directory.path() / "zero");
  WriteFileBytes(directory.path() / "file", "0123456789");
  EXPECT_EQ(ReadRegularFile(fifo), std::nullopt);  // returns at once: no writer is waited for
  EXPECT_EQ(ReadRegularFile(directory.path() / "zero"), std::nullopt);
  EXPECT_EQ(ReadRegularFile(directory.path()), std::nullopt);
  EXPECT_EQ(ReadRegularFile(directory.path() / "file", 4), "0123");
  EXPECT_EQ(ReadRegularFile(directory.path() / "file"), "0123456789");
}

}  // namespace
}  // namespace kv3::platform
