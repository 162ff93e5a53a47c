#include <nlohmann/json.hpp>

#include "cli_lan.h"
#include "support/file_faults.h"
#include "support/web_files.h"

namespace kv3::cli {
namespace {

// Images are made and read on this computer alone: no LAN.
TEST(Kv3Image, BuiltImageListsAsTheUnitReadsIt) {
  const test::ScratchDirectory directory;
  const std::vector<test::WebFile> web = {
      {"default.jpg", 3000}, {"index.htm", 500}, {"heizung_uebersicht_2026.js", 1200}};
  std::vector<std::string> arguments = {"image", "build", "web.rom"};
  for (const std::string& path : test::WriteWebFiles(directory.path() / "web", web)) {
    arguments.push_back(path);
  }
  const test::ProgramResult built = Kv3(arguments);
  ASSERT_EQ(built.status, 0) << built.err;
  EXPECT_EQ(built.out, "web.rom written: 3 files, 4795 bytes.\n");

  const test::ProgramResult listed = Kv3({"image", "list", "web.rom", "--json"});
  ASSERT_EQ(listed.status, 0) << listed.err;
  std::vector<std::pair<std::string, std::size_t>> files;
  const auto document = nlohmann::json::parse(listed.out);
  for (const auto& file : document.at("files")) {
    files.emplace_back(file.at("name"), file.at("size"));
  }
  std::vector<std::pair<std::string, std::size_t>> unitReads;
  for (const auto& [name, content] : test::UnitReadsImage("web.rom")) {
    unitReads.emplace_back(name, content.size());
  }
  EXPECT_EQ(files, unitReads);

  // Cut inside its directory, the same file has no end marker any more.
  std::filesystem::resize_file("web.rom", 20);
  const test::ProgramResult broken = Kv3({"image", "list", "web.rom"}, {}, {"LANG=de_DE.UTF-8"});
  EXPECT_EQ(broken.status, 4);
  EXPECT_EQ(broken.err, "web.rom: das Verzeichnis des Images hat keine Endmarke.\n");
  // A file error names the file and the reason.
  EXPECT_EQ(Kv3({"image", "list", "gone.rom"}).err,
            "File gone.rom cannot be opened: it does not exist.\n");
}

// A build that would write the wrong file, or an image the units cannot use, is refused before
// any file is touched, naming what is wrong.
TEST(Kv3Image, RefusedBuildsTouchNoFile) {
  const test::ScratchDirectory directory;
  const test::WebFile index{"index.htm", 50};
  test::WriteWebFiles(directory.path(), {index,
                                         {"style.css", 40},
                                         {"default.jpg", 30},
                                         {"heizung_uebersicht_a1.js", 20},
                                         {"heizung_uebersicht_a2.js", 20},
                                         {"Схема.htm", 10}});
  const struct {
    const char* what;
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {"the image's name forgotten",
       {"index.htm", "style.css", "default.jpg"},
       "The image's name must end in .rom: index.htm"},
      {"the image among its files",
       {"web.rom", "index.htm", "web.rom"},
       "web.rom is one of the image's files"},
      {"names equal in their first 20 characters",
       {"web.rom", "heizung_uebersicht_a1.js", "heizung_uebersicht_a2.js"},
       "heizung_uebersicht_a1.js and heizung_uebersicht_a2.js get the same name "
       "\"heizung_uebersicht_a\""},
      {"a name without a Windows-1252 form", {"web.rom", "Схема.htm"}, "Схема.htm: the name"},
      {"an unreadable file", {"web.rom", "index.htm", "gone.htm"}, "File gone.htm cannot be read"},
  };
  test::WriteFileBytes("web.rom", "an older image");
  const std::vector<std::string> before = test::FolderEntries(directory.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> arguments = {"image", "build"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const test::ProgramResult result = Kv3(arguments);
    EXPECT_NE(result.status, 0);
    ExpectTexts(result.err, {c.message}, {}, "standard error");
    EXPECT_EQ(test::FolderEntries(directory.path()), before);
    EXPECT_EQ(test::ReadFileBytes("web.rom"), "an older image");
    EXPECT_EQ(test::ReadFileBytes("index.htm"), test::WebFileBytes(index));
  }
}

}  // namespace
}  // namespace kv3::cli
