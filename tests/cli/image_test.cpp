#include <nlohmann/json.hpp>

#include "cli_lan.h"
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
}

}  // namespace
}  // namespace kv3::cli
