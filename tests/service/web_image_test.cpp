#include "service/web_image.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "link/hex_bytes.h"
#include "sim/web_image_reader.h"
#include "support/loopback_lan.h"
#include "support/web_files.h"

namespace kv3::service {
namespace {

namespace fs = std::filesystem;
using link::test::Hex;
using test::WebFile;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<fs::path> Paths(const std::vector<std::string>& texts) {
  return {texts.begin(), texts.end()};
}

TEST(WebImage, OneFileIsItsEntryTheMarkerAndItsContent) {
  test::ScratchDirectory directory;
  const auto files = test::WriteWebFiles(directory.path(), {{"index.htm", 100}});
  ASSERT_EQ(BuildWebImage(Paths(files), directory.path() / "site.rom"), ImageBuild::Written);
  const std::string image = test::ReadFileBytes(directory.path() / "site.rom");
  ASSERT_EQ(image.size(), 133U);
  EXPECT_EQ(Bytes(image.substr(0, 33)),
            Hex("64 00 00 00 21 00 00 00 00 00 00 "
                "69 6E 64 65 78 2E 68 74 6D 00 00 00 00 00 00 00 00 A8 19 66 FF FF"));
  EXPECT_EQ(image.substr(33), test::WebFileBytes({"index.htm", 100}));
}

// The name field: the three fixed bytes stay where the name and its terminator leave them.
TEST(WebImage, NameFieldKeepsTheFixedBytesBehindTheName) {
  const struct {
    std::string name;
    const char* field;
  } cases[] = {
      {"abcdefghijklmnop", "61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 00 A8 19 66"},
      {"abcdefghijklmnopq", "61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 71 00 19 66"},
      {"abcdefghijklmnopqr", "61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 71 72 00 66"},
      {"abcdefghijklmnopqrs", "61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 71 72 73 00"},
      {"abcdefghijklmnopqrstuvwxy", "61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 71 72 73 74"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ImageEntry bytes = MakeImageEntry(0x01020304, 0xA0B0C0D0, 0x0102, c.name);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
              Hex(std::string("04 03 02 01 D0 C0 B0 A0 02 01 00 ") + c.field));
  }
}

// Several files as the unit reads them back: order, offsets, names and contents.
TEST(WebImage, FilesGoInChosenOrderWithDefaultJpgLast) {
  const struct {
    const char* title;
    std::vector<WebFile> chosen;
    std::vector<std::string> order;
    std::vector<std::uint32_t> offsets;
  } cases[] = {
      {"default.jpg goes last",
       {{"a.htm", 10}, {"default.jpg", 20}, {"b.css", 30}},
       {"a.htm", "b.css", "default.jpg"},
       {95, 105, 135}},
      {"Default.jpg is another name",
       {{"Default.jpg", 20}, {"a.htm", 10}},
       {"Default.jpg", "a.htm"},
       {64, 84}},
      {"an empty file takes no room",
       {{"leer.txt", 0}, {"x.js", 5}, {"sub.htm", 0}},
       {"leer.txt", "x.js", "sub.htm"},
       {95, 95, 100}},
      {"a long name is cut to 20 characters",
       {{"abcdefghijklmnopqrstuvwxy.htm", 3}},
       {"abcdefghijklmnopqrst"},
       {33}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    test::ScratchDirectory directory;
    const auto files = test::WriteWebFiles(directory.path() / "web", c.chosen);
    ASSERT_EQ(BuildWebImage(Paths(files), directory.path() / "site.rom"), ImageBuild::Written);
    std::string error;
    const auto listed = sim::ReadWebImageDirectory(directory.path() / "site.rom", error);
    ASSERT_TRUE(listed) << error;
    ASSERT_EQ(listed->size(), c.order.size());
    for (std::size_t i = 0; i < listed->size(); ++i) {
      EXPECT_EQ((*listed)[i].name, c.order[i]);
      EXPECT_EQ((*listed)[i].offset, c.offsets[i]);
      const auto chosen = std::find_if(c.chosen.begin(), c.chosen.end(), [&](const WebFile& f) {
        return f.name.starts_with(c.order[i]);
      });
      EXPECT_EQ(sim::ReadWebImageContent(directory.path() / "site.rom", (*listed)[i]),
                test::WebFileBytes(*chosen));
    }
  }
}

TEST(WebImage, AtMost256Files) {
  test::ScratchDirectory directory;
  std::vector<WebFile> chosen;
  chosen.reserve(257);
  for (int i = 0; i < 257; ++i)
    chosen.push_back({std::string("f").append(std::to_string(i)).append(".htm"), 1500});
  const auto files = test::WriteWebFiles(directory.path() / "web", chosen);

  EXPECT_EQ(BuildWebImage(Paths(files), directory.path() / "all.rom"), ImageBuild::TooManyFiles);
  EXPECT_FALSE(fs::exists(directory.path() / "all.rom"));

  const std::vector<std::string> first256(files.begin(), files.end() - 1);
  ASSERT_EQ(BuildWebImage(Paths(first256), directory.path() / "all.rom"), ImageBuild::Written);
  const auto read = test::UnitReadsImage(directory.path() / "all.rom");
  ASSERT_EQ(read.size(), 256U);
  EXPECT_EQ(read.back().first, "f255.htm");
  EXPECT_EQ(read.back().second, test::WebFileBytes(chosen[255]));
  EXPECT_EQ(fs::file_size(directory.path() / "all.rom"), 256U * 31 + 2 + 256U * 1500);
}

// A build that cannot be whole writes nothing: an existing image of that name stays as it was
// and nothing is left beside it.
TEST(WebImage, ARefusedBuildLeavesTheOldImage) {
  test::ScratchDirectory directory;
  const auto files = test::WriteWebFiles(directory.path() / "web", {{"a.htm", 10}, {"b.htm", 20}});
  const fs::path sparse = directory.path() / "web" / "huge.bin";
  {
    const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 0x100000000LL - 40), 0);  // with the directory beyond 32 bits
    ::close(fd);
  }
  const auto named = test::WriteWebFiles(
      directory.path() / "named",
      {{"heizung_uebersicht_a1.htm", 10}, {"heizung_uebersicht_a2.htm", 10}, {"Схема.htm", 10}});
  const struct {
    const char* title;
    std::vector<fs::path> chosen;
    ImageBuild result;
    std::vector<fs::path> about = {};  // the files the refusal names
    int stopAfter = -1;                // pieces before a stop is asked for
  } cases[] = {
      {"a chosen file is missing",
       {files[0], directory.path() / "web" / "gone.htm"},
       ImageBuild::Unreadable,
       {directory.path() / "web" / "gone.htm"}},
      {"a chosen file is a folder", {files[0], directory.path() / "web"}, ImageBuild::Unreadable},
      {"offsets beyond 32 bits", {files[0], sparse, files[1]}, ImageBuild::TooLarge},
      // The units find files by their names, cut to 20 bytes of Windows-1252.
      {"names equal in their first 20 characters",
       {named[0], files[0], named[1]},
       ImageBuild::NamesCollide,
       {named[0], named[1]}},
      {"a name without a Windows-1252 form",
       {files[0], named[2]},
       ImageBuild::NameNotSendable,
       {named[2]}},
      {"stopped on request", {files[0], files[1]}, ImageBuild::Cancelled, {}, 2},
  };
  const fs::path image = directory.path() / "out" / "site.rom";
  fs::create_directories(image.parent_path());
  test::WriteFileBytes(image, "old image");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    ImageBuildProblem problem;
    int pieces = 0;
    EXPECT_EQ(BuildWebImage(c.chosen, image, &problem,
                            [&] { return c.stopAfter >= 0 && pieces++ >= c.stopAfter; }),
              c.result);
    if (!c.about.empty()) {
      EXPECT_EQ(problem.files, c.about);
    }
    EXPECT_EQ(test::ReadFileBytes(image), "old image");
    EXPECT_EQ(std::distance(fs::directory_iterator(image.parent_path()), fs::directory_iterator()),
              1);
  }
}

}  // namespace
}  // namespace kv3::service
