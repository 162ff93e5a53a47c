#include "window/config_file.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "window_fixture.h"

namespace kv3::window {
namespace {

TEST(ConfigLines, SplitAndFirstLineReplacement) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
    std::string withGb;
  };
  const Case cases[] = {
      {"", {}, "gb\r\n"},
      {"de\r\n\r\n", {"de", ""}, "gb\r\n\r\n"},
      {"gb\r\n10.0.0.7\r\n", {"gb", "10.0.0.7"}, "gb\r\n10.0.0.7\r\n"},
      {"english\r\n", {"english"}, "gb\r\n"},
      {"english", {"english"}, "gb\r\n"},
      {"x\nsecond\rthird", {"x", "second", "third"}, "gb\nsecond\rthird"},
      {"\r\n127.0.0.5\r\n", {"", "127.0.0.5"}, "gb\r\n127.0.0.5\r\n"},
      {std::string("de\r\nab\0cd\r\n", 11), {"de", "ab"}, std::string("gb\r\nab\0cd\r\n", 11)},
      {"de\r\n\r\n\r\n", {"de", "", ""}, "gb\r\n\r\n\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitConfigLines(c.bytes), c.lines) << c.bytes;
    EXPECT_EQ(ReplaceFirstLine(c.bytes, "gb"), c.withGb) << c.bytes;
  }
}

TEST(ConfigFileWrites, AFailedWriteReportsTheFileAndLeavesNothingBehind) {
  test::ScratchDirectory directory;
  // Where the file cannot be made, the save says so by name.
  const ConfigFile nowhere(directory.path() / "missing-folder");
  EXPECT_THROW(
      {
        try {
          nowhere.save({"de", ""});
        } catch (const std::runtime_error& error) {
          EXPECT_EQ(std::string(error.what()),
                    "Datei " + nowhere.path().string() + " kann nicht erstellt werden");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_FALSE(nowhere.rewriteLanguageLine("gb"));
  // A directory in the file's place cannot be replaced; it stays, and no temporary file is left.
  std::filesystem::create_directory(directory.path() / "t540.cfg");
  const ConfigFile blocked(directory.path());
  EXPECT_THROW(blocked.save({"de", ""}), std::runtime_error);
  EXPECT_TRUE(std::filesystem::is_directory(blocked.path()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path()),
                          std::filesystem::directory_iterator()),
            1);
}

using ConfigAtStart = WindowOnLoopback;

TEST_F(ConfigAtStart, FirstLineChoosesTheLanguageAndSecondLineFillsTheManualSearch) {
  struct Case {
    std::optional<std::string> file;
    bool english;
    std::string edit2;
    std::string fileAfter;
  };
  const Case cases[] = {
      {std::nullopt, false, "", "de\r\n\r\n"},
      {"gb\r\n127.0.0.40\r\n", true, "127.0.0.40", "gb\r\n127.0.0.40\r\n"},
      {"engbx\r\n", true, "", "gb\r\n"},
      {"GB\r\n", false, "", "de\r\n"},
      {"", false, "", "de\r\n"},
      {"de\n127.0.0.41", false, "127.0.0.41", "de\n127.0.0.41"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.value_or("(no file)"));
    std::filesystem::remove(directory.path() / "t540.cfg");
    if (c.file) {
      writeConfig(*c.file);
    }
    startUnits({test::NumberedUnit(1)});
    activate();
    EXPECT_TRUE(desktop.errors.empty());
    EXPECT_EQ(window->BTSuchen.caption(),
              c.english ? "search VozezaViroru" : "VozezaViroru suchen");
    EXPECT_EQ(window->caption(), c.english ? "Configurator for VozezaViroru V1.0.20"
                                           : "Konfigurationsprogramm für VozezaViroru V1.0.20");
    EXPECT_EQ(window->Edit2.text(), c.edit2);
    EXPECT_EQ(configBytes(), c.fileAfter);
    EXPECT_EQ(listed().size(), 1U);
    window.reset();
    lan.reset();
  }
}

TEST_F(ConfigAtStart, UnreadableFileEndsTheActivationWithoutASearch) {
  const auto file = directory.path() / "t540.cfg";
  // Only a regular file is read: a FIFO would block the start for good, /dev/zero never end.
  const std::function<void()> makers[] = {
      [&] { std::filesystem::create_directory(file); },
      [&] { ::mkfifo(file.c_str(), 0644); },
      [&] { std::filesystem::create_symlink("/dev/zero", file); },
  };
  for (const auto& make : makers) {
    std::filesystem::remove(file);
    make();
    startUnits({test::NumberedUnit(1)});
    activate();
    EXPECT_EQ(desktop.errors, (std::vector<std::string>{"Datei " + file.string() +
                                                        " kann nicht geöffnet werden."}));
    EXPECT_TRUE(lan->sim().received().empty());
    EXPECT_TRUE(listed().empty());
    desktop.errors.clear();
    window.reset();
    lan.reset();
  }
}

TEST_F(ConfigAtStart, FlagsRewriteOnlyTheFirstLine) {
  struct Case {
    std::string file;
    const char* flag;
    std::string after;
  };
  const Case cases[] = {
      {"gb\r\n127.0.0.7\r\n", "Image2", "de\r\n127.0.0.7\r\n"},
      {"english\r\n", "Image3", "gb\r\n"},
      {"d\r\n127.0.0.7\r\nthird line\r\n", "Image3", "gb\r\n127.0.0.7\r\nthird line\r\n"},
      {"de\r\n\xFC\x80\x81\r\n", "Image3", "gb\r\n\xFC\x80\x81\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    writeConfig(c.file);
    startUnits({test::NumberedUnit(1)});
    activate();
    window->get<form::Image>(c.flag).userClick();
    EXPECT_EQ(configBytes(), c.after);
    window.reset();
    lan.reset();
  }
}

TEST_F(ConfigAtStart, AManualSearchThatFindsAUnitRemembersItsAddressWithTheLanguageInForce) {
  const auto direct = startUnitOnItsOwnAddress(test::NumberedUnit(5));

  writeConfig("de\r\n\r\nkept \x80 line\r\n");
  activate();
  EXPECT_TRUE(listed().empty());
  EXPECT_TRUE(window->Edit2.visible());
  window->Image3.userClick();
  window->Edit2.userEdit("127.0.0.15");
  window->BTSuchen.userClick();
  ASSERT_EQ(listed(), (std::vector<std::string>{"00:1A:2B:3C:4D:05"}));
  EXPECT_FALSE(window->Edit2.visible());
  EXPECT_EQ(window->BTSuchen.bounds().left, 80);
  EXPECT_EQ(configBytes(), "gb\r\n127.0.0.15\r\nkept \x80 line\r\n");

  // The same address again leaves the file as it is, not even rewritten.
  struct stat before {};
  ::stat("t540.cfg", &before);
  window->BTSuchen.userClick();
  struct stat after {};
  ::stat("t540.cfg", &after);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(listed().size(), 1U);

  // The next start is English and offers the remembered address.
  window.reset();
  window = std::make_unique<MainWindow>(desktop, lan->settings());
  activate();
  EXPECT_EQ(window->Edit2.text(), "127.0.0.15");
  EXPECT_EQ(window->BTSuchen.caption(), "search VozezaViroru");
  EXPECT_EQ(listed().size(), 1U);
}

TEST_F(ConfigAtStart, ManualSearchReadsDecimalAndKeepsWhatItDoesNotUse) {
  std::string rest;
  for (int i = 0; i < 24000; ++i) rest += "line " + std::to_string(i) + "\r\n";
  struct Case {
    const char* what;
    std::string file;
    mode_t mode;
    std::string typed;
    std::string after;
    bool errorShown;
  };
  const Case cases[] = {
      {"leading zeros, a long file", "de\r\n\r\n" + rest, 0644, "127.000.0.015",
       "de\r\n127.000.0.015\r\n" + rest, false},
      {"a write-protected file", "de\r\n\r\nthird\r\n", 0444, "127.0.0.15", "de\r\n\r\nthird\r\n",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeConfig(c.file);
    ::chmod("t540.cfg", c.mode);
    const auto direct = startUnitOnItsOwnAddress(test::NumberedUnit(5));
    activate();
    EXPECT_LE(window->LB2.items().size(), ConfigFile::UsedLines);
    window->Edit2.userEdit(c.typed);
    window->BTSuchen.userClick();
    // Found is found: the unit is listed and shown even when its address cannot be remembered.
    EXPECT_EQ(listed(), (std::vector<std::string>{"00:1A:2B:3C:4D:05"}));
    EXPECT_EQ(window->Edit4.text(), "127.0.0.15");
    EXPECT_TRUE(window->BTSuchen.enabled());
    EXPECT_EQ(configBytes(), c.after);
    const std::vector<std::string> cannotWrite{"Datei " + (directory.path() / "t540.cfg").string() +
                                               " kann nicht erstellt werden."};
    EXPECT_EQ(desktop.errors, c.errorShown ? cannotWrite : std::vector<std::string>{});
    desktop.errors.clear();
    window.reset();
    lan.reset();
    ::chmod("t540.cfg", 0644);
  }
}

// Name resolution may ask a name server: only where nothing can leave the machine.
TEST_F(ConfigAtStart, AnAddressThatCannotBeFoundStaysInViewToBeCorrected) {
  if (!test::InIsolatedNetwork()) {
    GTEST_SKIP() << "host names are resolved only inside an isolated network namespace";
  }
  writeConfig("de\r\nno such host.invalid\r\n");
  startUnits({});
  activate();
  EXPECT_EQ(desktop.errors, (std::vector<std::string>{"Host Lookup - Could Not Find Host Entry."}));
  EXPECT_TRUE(window->Edit2.visible());
  EXPECT_EQ(window->Edit2.text(), "no such host.invalid");
  EXPECT_EQ(window->BTSuchen.bounds().left, 24);
  EXPECT_TRUE(window->BTSuchen.enabled());
}

TEST_F(ConfigAtStart, TheFileStaysInTheStartDirectoryWhenADialogMovesTheCurrentOne) {
  startUnits({});
  activate();
  const auto elsewhere = directory.path() / "elsewhere";
  std::filesystem::create_directory(elsewhere);
  std::filesystem::current_path(elsewhere);
  window->Image3.userClick();
  EXPECT_FALSE(std::filesystem::exists(elsewhere / "t540.cfg"));
  EXPECT_EQ(configBytes(), "gb\r\n\r\n");
}

}  // namespace
}  // namespace kv3::window
