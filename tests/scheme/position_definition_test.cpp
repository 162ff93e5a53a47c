#include "scheme/position_definition.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/loopback_lan.h"

namespace kv3::scheme {
namespace {

namespace fs = std::filesystem;

TEST(PositionDefinition, PositionLinesAreNormalisedAndEverythingElseStays) {
  struct Case {
    const char* what;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"the example, CR LF", "<pos id=\"t1\" x=\"12\" y=\"340\"/>\r\n",
       "<pos id=\"t1\" x=\"   12\" y=\"  340\"/>\n"},
      {"already normalised", "<pos x=\"   12\" y=\"  340\"/>\n",
       "<pos x=\"   12\" y=\"  340\"/>\n"},
      {"six digits, a sign", "<p x=\"123456\" y=\"-5\"/>", "<p x=\"123456\" y=\"   -5\"/>\n"},
      {"blanks, plus, an attribute between", "\t<p x=\" +7\" z=\"1\" y=\"8\" />  \n",
       "\t<p x=\"    7\" y=\"    8\"/>\n"},
      {"x at the line's start", "x=\"1\" y=\"2\"/>\n", "x=\"    1\" y=\"    2\"/>\n"},
      {"lone CR ends lines", "<a>\r<p x=\"1\" y=\"2\"/>\r<b/>\r",
       "<a>\r<p x=\"    1\" y=\"    2\"/>\n<b/>\r"},
      {"no x: own line end kept", "<?xml version=\"1.0\"?>\r\n<list>\r\n",
       "<?xml version=\"1.0\"?>\r\n<list>\r\n"},
      {"idx is no x", "<pos idx=\"7\" x=\"12\" y=\"340\"/>\r\n",
       "<pos idx=\"7\" x=\"   12\" y=\"  340\"/>\n"},
      // Lines whose coordinates cannot be read stay exactly as they were.
      {"no y", "<pos x=\"12\"/>\r\n", "<pos x=\"12\"/>\r\n"},
      {"y before x", "<pos y=\"3\" x=\"12\"/>\r\n", "<pos y=\"3\" x=\"12\"/>\r\n"},
      {"not decimal", "<pos x=\"1e3\" y=\"4\"/>\n", "<pos x=\"1e3\" y=\"4\"/>\n"},
      {"beyond 32 bits", "<pos x=\"9999999999\" y=\"4\"/>\n", "<pos x=\"9999999999\" y=\"4\"/>\n"},
      {"no quotes", "<pos x=12 y=4/>\n", "<pos x=12 y=4/>\n"},
      // Something after the element would be lost by the rewrite: the line stays.
      {"attribute after y", "<p x=\"1\" y=\"8\" w=\"2\"/>\n", "<p x=\"1\" y=\"8\" w=\"2\"/>\n"},
      {"in a comment", "<!-- <pos x=\"5\" y=\"6\"/> -->\n", "<!-- <pos x=\"5\" y=\"6\"/> -->\n"},
      {"two elements", "<pos id=\"a\" x=\"1\" y=\"2\"/><pos id=\"b\" x=\"3\" y=\"4\"/>\n",
       "<pos id=\"a\" x=\"1\" y=\"2\"/><pos id=\"b\" x=\"3\" y=\"4\"/>\n"},
      {"text and end tag", "<pos id=\"c\" x=\"7\" y=\"8\">Kessel</pos>\r\n",
       "<pos id=\"c\" x=\"7\" y=\"8\">Kessel</pos>\r\n"},
      {"empty file", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalisePositionDefinition(c.before), c.after) << c.what;
  }

  // Any number of lines of any length, none dropped or mixed up: each line has its own letter
  // and its coordinates from a table of texts as given and as padded.
  const std::pair<const char*, const char*> coordinates[] = {
      {"0", "    0"},     {"-1", "   -1"}, {"42", "   42"},     {"-999", " -999"},
      {"12345", "12345"}, {"+7", "    7"}, {"-12345", "-12345"}};
  constexpr std::size_t kCoordinates = std::size(coordinates);
  std::string many;
  std::string expected;
  for (std::size_t i = 0; i < 300; ++i) {
    const std::string pad(480, static_cast<char>('a' + i % 26));
    const auto& [x, paddedX] = coordinates[i % kCoordinates];
    const auto& [y, paddedY] = coordinates[(i + 3) % kCoordinates];
    many += "<p n=\"" + pad + "\" x=\"" + x + "\" y=\"" + y + "\"/>\r\n";
    expected += "<p n=\"" + pad + "\" x=\"" + paddedX + "\" y=\"" + paddedY + "\"/>\n";
  }
  EXPECT_EQ(NormalisePositionDefinition(many), expected);
}

TEST(PositionDefinition, TheDefinitionIsLookedUpInOrderAndWrittenOnlyWhenItChanges) {
  test::ScratchDirectory directory;
  const fs::path start = directory.path() / "start";
  const fs::path pictures = directory.path() / "pictures";
  fs::create_directories(start);
  fs::create_directories(pictures);
  fs::current_path(pictures);
  const fs::path picture = pictures / "plan.alt.jpg";
  EXPECT_EQ(PictureBaseName(picture), "plan.alt");

  // Nothing anywhere: an empty user.rem is made here.
  EXPECT_EQ(PreparePositionDefinition(picture, start), fs::path("user.rem"));
  EXPECT_EQ(test::ReadFileBytes(pictures / "user.rem"), "");
  fs::remove(pictures / "user.rem");
  // The start directory's user.rem, then the one here, then the picture's own.
  test::WriteFileBytes(start / "user.rem", "<p x=\"1\" y=\"2\"/>\n");
  EXPECT_EQ(PreparePositionDefinition(picture, start), start / "user.rem");
  EXPECT_EQ(test::ReadFileBytes(start / "user.rem"), "<p x=\"    1\" y=\"    2\"/>\n");
  test::WriteFileBytes(pictures / "user.rem", "");
  EXPECT_EQ(PreparePositionDefinition(picture, start), fs::path("user.rem"));
  test::WriteFileBytes(pictures / "plan.alt.rem", "<p x=\"3\" y=\"4\"/>\r\n");
  EXPECT_EQ(PreparePositionDefinition(picture, start), fs::path("plan.alt.rem"));

  // A second preparation leaves the normalised file as it is on disk.
  struct stat first {};
  ::stat("plan.alt.rem", &first);
  EXPECT_EQ(PreparePositionDefinition(picture, start), fs::path("plan.alt.rem"));
  struct stat second {};
  ::stat("plan.alt.rem", &second);
  EXPECT_EQ(first.st_ino, second.st_ino);
  EXPECT_EQ(first.st_mtim.tv_nsec, second.st_mtim.tv_nsec);
  EXPECT_EQ(test::ReadFileBytes("plan.alt.rem"), "<p x=\"    3\" y=\"    4\"/>\n");

  // A definition that cannot be written ends with the file message and stays as it was.
  test::WriteFileBytes("plan.alt.rem", "<p x=\"5\" y=\"6\"/>\n");
  ::chmod("plan.alt.rem", 0444);
  EXPECT_THROW(
      {
        try {
          PreparePositionDefinition(picture, start);
        } catch (const std::runtime_error& error) {
          EXPECT_EQ(std::string(error.what()), "Datei plan.alt.rem kann nicht erstellt werden");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_EQ(test::ReadFileBytes("plan.alt.rem"), "<p x=\"5\" y=\"6\"/>\n");

  // A definition is a small text: a huge one is refused as unreadable and stays as it was.
  ::chmod("plan.alt.rem", 0644);
  const std::string huge = "<p x=\"5\" y=\"6\"/>\n" + std::string(kDefinitionLimit, ' ');
  test::WriteFileBytes("plan.alt.rem", huge);
  EXPECT_THROW(PreparePositionDefinition(picture, start), std::runtime_error);
  EXPECT_EQ(test::ReadFileBytes("plan.alt.rem"), huge);
}

}  // namespace
}  // namespace kv3::scheme
