// What the user sees when the network, a unit, a chosen file, the disk or another program
// misbehaves, and that nothing is lost or left half-written: one named scenario a row.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "link/udp_peer.h"
#include "platform/single_instance.h"
#include "scheme/position_definition.h"
#include "service/web_image.h"
#include "support/file_faults.h"
#include "window_fixture.h"

namespace kv3::app {
namespace {

namespace fs = std::filesystem;

class FaultFixture : public WindowOnLoopback {
 public:
  using WindowOnLoopback::activate;
  using WindowOnLoopback::desktop;
  using WindowOnLoopback::directory;
  using WindowOnLoopback::lan;
  using WindowOnLoopback::listed;
  using WindowOnLoopback::startUnits;
  using WindowOnLoopback::window;
  using WindowOnLoopback::writeChosenFile;

  // Datagrams that another host sends to the window's reply port as the search's first pause
  // begins, before any unit has answered.
  void injectDuringTheSearch(std::vector<std::string> datagrams) {
    desktop.onPause = [this, datagrams = std::move(datagrams), sent = false](int ms) mutable {
      if (sent || ms != 500) return;
      sent = true;
      for (const std::string& datagram : datagrams) stranger.sendTo(datagram, lan->ports().reply);
    };
  }
  void searchAgain() {
    desktop.onPause = nullptr;
    window->BTSuchen.userClick();
  }
  // The window with other time limits for its uploads.
  void useSettings(const std::function<void(link::LinkSettings&)>& change) {
    link::LinkSettings settings = lan->settings();
    change(settings);
    window = std::make_unique<MainWindow>(desktop, settings);
  }
  // A skin picture of `size` bytes chosen on the hidden skin page.
  std::string chooseSkin(std::size_t size = 3000) {
    const std::string file = writeChosenFile("rahmen.jpg", size);
    desktop.answerNextDialog(std::vector<std::string>{file});
    window->Bt_Ld_R.click();
    return file;
  }
  void uploadSkin() {
    window->dispatch([this] { window->Bt_Up_R.click(); });
  }
  std::vector<std::string> shown() const { return desktop.messageTexts(); }
  std::string text(std::string_view texts::LanguageTexts::*which) const {
    return std::string(window->texts().*which);
  }
  bool heard(const std::string& word) const {
    const auto received = lan->sim().received();
    return std::any_of(received.begin(), received.end(),
                       [&](const sim::Received& r) { return r.kind == word; });
  }
  std::string storedSkin() const {
    std::error_code missing;
    const fs::path stored = lan->storedFile(0, "rahmen.jpg");
    return fs::exists(stored, missing) ? test::ReadFileBytes(stored) : "(nothing)";
  }

  link::test::UdpPeer stranger{"127.0.0.99", 0};
};

sim::Unit With(sim::Unit unit, sim::Command command, sim::Fault fault) {
  unit.fault(command) = fault;
  return unit;
}
sim::Unit Streaming(sim::StreamFault fault) {
  return With(test::NumberedUnit(1), sim::Command::Fram, {.stream = fault});
}
// Unit 1 answering only after the injected datagrams have arrived, and still within the search's
// pause (100 ms at the tests' scale).
sim::Unit AnsweringLate() {
  return With(test::NumberedUnit(1), sim::Command::Find, {.lateMs = 80});
}
std::string FindAnswer(int unit) {
  const sim::Record record = sim::FindRecord(test::NumberedUnit(unit));
  return {record.begin(), record.end()};
}

struct Scenario {
  const char* name;
  const char* userSees;
  std::function<void(FaultFixture&)> run;
};
void PrintTo(const Scenario& row, std::ostream* out) { *out << row.name; }

class FaultMatrix : public FaultFixture, public ::testing::WithParamInterface<Scenario> {};

TEST_P(FaultMatrix, Scenario) {
  SCOPED_TRACE(GetParam().userSees);
  GetParam().run(*this);
  for (const std::string& error : desktop.errors) ADD_FAILURE() << "error box: " << error;
}

const std::vector<std::string> kUnit1 = {"00:1A:2B:3C:4D:01"};

// Another host's datagram reaches the reply port before the unit's answer: this search ends
// with it, the next one lists the unit.
std::function<void(FaultFixture&)> StrayBeforeTheAnswers(std::string datagram) {
  return [datagram](FaultFixture& t) {
    t.startUnits({AnsweringLate()});
    t.injectDuringTheSearch({datagram});
    t.activate();
    EXPECT_TRUE(t.listed().empty());
    t.searchAgain();
    EXPECT_EQ(t.listed(), kUnit1);
  };
}

const Scenario kScenarios[] = {
    // The search.
    {"UnitSilent", "nothing listed, the manual search offered",
     [](FaultFixture& t) {
       t.startUnits({With(test::NumberedUnit(1), sim::Command::Find, {.silent = true})});
       t.activate();
       EXPECT_TRUE(t.listed().empty());
       EXPECT_TRUE(t.window->Edit2.visible());
       EXPECT_TRUE(t.shown().empty());
     }},
    {"UnitLate600ms", "the prompt unit listed with its own texts; the late one missed",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1),
                     With(test::NumberedUnit(2), sim::Command::Find, {.lateMs = 600})});
       t.activate();
       EXPECT_EQ(t.listed(), kUnit1);
       EXPECT_EQ(t.window->Edit1.text(), "admin1");
       EXPECT_EQ(t.window->Edit8.text(), "Heizung 1");
     }},
    {"WrongWord", "an answer without \"find\" ends the answers: nothing listed",
     [](FaultFixture& t) {
       t.startUnits({With(test::NumberedUnit(1), sim::Command::Find, {.noWord = true}),
                     With(test::NumberedUnit(2), sim::Command::Find, {.lateMs = 30})});
       t.activate();
       EXPECT_TRUE(t.listed().empty());
       EXPECT_TRUE(t.window->Edit2.visible());
     }},
    {"FindInCapitals", "a record that says \"FIND\" is no unit",
     [](FaultFixture& t) {
       t.startUnits({});
       t.injectDuringTheSearch({"FIND" + FindAnswer(7).substr(4)});
       t.activate();
       EXPECT_TRUE(t.listed().empty());
     }},
    {"StrayDatagram", "nothing listed this time; the next search lists the unit",
     StrayBeforeTheAnswers("hello from another program")},
    {"ZeroLengthDatagram", "nothing listed this time; the next search lists the unit",
     StrayBeforeTheAnswers("")},
    {"LargestDatagram", "a 65507-byte answer counts by its first bytes; the unit behind it too",
     [](FaultFixture& t) {
       t.startUnits({AnsweringLate()});
       t.injectDuringTheSearch({FindAnswer(7) + std::string(65507 - sim::kRecordSize, '\xff')});
       t.activate();
       EXPECT_EQ(t.listed(), (std::vector<std::string>{"00:1A:2B:3C:4D:07", kUnit1[0]}));
       EXPECT_EQ(t.window->Edit4.text(), "127.0.0.17");
     }},
    {"TwoUnitsWithOneMac", "the MAC twice; each entry shows its own unit",
     [](FaultFixture& t) {
       sim::Unit twin = test::NumberedUnit(2);
       twin.mac = test::NumberedUnit(1).mac;
       t.startUnits({test::NumberedUnit(1), twin});
       t.activate();
       ASSERT_EQ(t.listed(), (std::vector<std::string>{kUnit1[0], kUnit1[0]}));
       std::vector<std::string> addresses;
       for (int entry : {0, 1}) {
         t.window->LB1.userSelect(entry);
         addresses.push_back(t.window->Edit4.text());
       }
       std::sort(addresses.begin(), addresses.end());
       EXPECT_EQ(addresses, (std::vector<std::string>{"127.0.0.11", "127.0.0.12"}));
     }},
    {"TwoUnitsAtOneAddress",
     "both MACs listed, the address shown; a save or an upload is refused, naming the other",
     [](FaultFixture& t) {
       sim::Unit twin = test::NumberedUnit(2);
       twin.ip = test::NumberedUnit(1).ip;
       t.startUnits({test::NumberedUnit(1), twin});
       t.activate();
       std::vector<std::string> macs = t.listed();
       std::sort(macs.begin(), macs.end());
       EXPECT_EQ(macs, (std::vector<std::string>{kUnit1[0], "00:1A:2B:3C:4D:02"}));
       EXPECT_EQ(t.window->Edit4.text(), "127.0.0.11");
       t.chooseSkin();
       t.uploadSkin();
       t.window->BtESpeichern.click();
       const std::string refused = "Unter der Adresse 127.0.0.11 antworten mehrere Geräte\n(auch " +
                                   t.listed().at(1) +
                                   ").\n\nSie sind dort nicht auseinanderzuhalten;\nes wird nichts "
                                   "gesendet.\nBitte jedem Gerät eine eigene Adresse geben.";
       EXPECT_EQ(t.shown(), (std::vector<std::string>{refused, refused}));
       EXPECT_FALSE(t.heard("FRAM"));
       EXPECT_FALSE(t.heard("SETC"));
     }},
    {"UnitNameWithABackslash", "a save of the name unedited is refused and says why",
     [](FaultFixture& t) {
       sim::Unit unit = test::NumberedUnit(1);
       unit.deviceName = "Kel\\ler";
       t.startUnits({unit});
       t.activate();
       EXPECT_EQ(t.window->Edit8.text(), "Keller");
       t.window->BtESpeichern.click();
       EXPECT_EQ(t.shown(), (std::vector<std::string>{
                                "Die Gerätebezeichnung enthält \"\\\", das VozezaViroru als Ende "
                                "der Bezeichnung liest:\nBenutzername und Passwort würden "
                                "verfälscht.\n\nBitte die Gerätebezeichnung ändern."}));
       EXPECT_FALSE(t.heard("SETC"));
     }},
    {"UnitAtItsNetworksBroadcastAddress",
     "listed; not asked for its texts, nothing uploaded to it, and the window says why",
     [](FaultFixture& t) {
       sim::Unit unit = test::NumberedUnit(5);  // 127.0.0.15: its /28's broadcast address
       unit.mask = {255, 255, 255, 240};
       t.startUnits({unit});
       t.activate();
       EXPECT_EQ(t.listed(), (std::vector<std::string>{"00:1A:2B:3C:4D:05"}));
       EXPECT_EQ(t.window->Edit1.text(), "???");
       t.chooseSkin();
       t.uploadSkin();
       const std::string why =
           texts::Fill(t.text(&texts::LanguageTexts::TextNotOneUnit), {"127.0.0.15"});
       EXPECT_EQ(t.shown(), (std::vector<std::string>{why, why}));
       t.window->Edit3.setText("02:00:00:00:00:09");
       t.window->BtMAC.click();
       EXPECT_FALSE(t.heard("PaWd"));
       EXPECT_FALSE(t.heard("FRAM"));
       EXPECT_FALSE(t.heard("SETM"));
     }},
    // The stream connection of an upload.
    {"ConnectionRefused", "nothing; the chosen picture stays chosen for another try",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Refuse)});
       t.activate();
       t.chooseSkin();
       t.uploadSkin();
       EXPECT_TRUE(t.shown().empty());
       EXPECT_EQ(t.window->Ed_Up_R.text(), "rahmen");
       EXPECT_EQ(t.storedSkin(), "(nothing)");
     }},
    {"UnitStallsBeforeItsAnswer",
     "once the answer's time limit has passed: the unit may have the file, search again",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Never)});
       t.useSettings([](link::LinkSettings& s) { s.answerTimeoutMs = 300; });
       t.activate();
       t.chooseSkin();
       t.uploadSkin();
       EXPECT_EQ(t.shown(), (std::vector<std::string>{
                                "VozezaViroru hat alles empfangen, den Empfang aber nicht "
                                "bestätigt;\nvielleicht hat es die Datei übernommen.\n\nBitte "
                                "VozezaViroru neu suchen."}));
     }},
    {"ClosedMidStream", "\"corrupted\"; the unit keeps nothing of the half",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Drop)});
       t.activate();
       t.chooseSkin(30000);
       t.uploadSkin();
       EXPECT_EQ(t.shown(),
                 (std::vector<std::string>{t.text(&texts::LanguageTexts::TextCorrupted)}));
       EXPECT_EQ(t.storedSkin(), "(nothing)");
     }},
    {"SlowReader", "\"updated\"; every byte arrived",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Slow)});
       t.activate();
       t.chooseSkin(30000);
       t.uploadSkin();
       EXPECT_EQ(t.shown(), (std::vector<std::string>{t.text(&texts::LanguageTexts::TextUpdated)}));
       EXPECT_EQ(t.storedSkin(), test::PatternBytes(30000));
     }},
    {"GarbageAnswer", "\"corrupted\"",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Garbage)});
       t.activate();
       t.chooseSkin();
       t.uploadSkin();
       EXPECT_EQ(t.shown(),
                 (std::vector<std::string>{t.text(&texts::LanguageTexts::TextCorrupted)}));
     }},
    // The chosen file between choosing and uploading.
    {"ChosenFileVanished", "nothing; the unit is not contacted",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       t.activate();
       fs::remove(t.chooseSkin());
       t.uploadSkin();
       EXPECT_TRUE(t.shown().empty());
       EXPECT_FALSE(t.heard("FRAM"));
     }},
    {"ChosenFileShrank", "\"updated\"; the unit has the file as it is now",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       t.activate();
       fs::resize_file(t.chooseSkin(3000), 1000);
       t.uploadSkin();
       EXPECT_EQ(t.shown(), (std::vector<std::string>{t.text(&texts::LanguageTexts::TextUpdated)}));
       EXPECT_EQ(t.storedSkin(), test::PatternBytes(3000).substr(0, 1000));
     }},
    {"ChosenFileGrew", "\"updated\"; the unit has the file as it is now",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       t.activate();
       const std::string file = t.chooseSkin(1000);
       test::WriteFileBytes(file, test::PatternBytes(5000));
       t.uploadSkin();
       EXPECT_EQ(t.storedSkin(), test::PatternBytes(5000));
     }},
    {"ChosenFileEmptied", "the file is empty; the unit is not contacted",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       t.activate();
       test::WriteFileBytes(t.chooseSkin(), "");
       t.uploadSkin();
       EXPECT_EQ(t.shown(),
                 (std::vector<std::string>{"Die Datei ist leer und wird nicht hochgeladen."}));
       EXPECT_FALSE(t.heard("FRAM"));
     }},
    {"ChosenFileUnreadable", "nothing; the unit is not contacted",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       t.activate();
       const test::WithoutPermissionOverride asAUser;
       ::chmod(t.chooseSkin().c_str(), 0);
       t.uploadSkin();
       EXPECT_TRUE(t.shown().empty());
       EXPECT_FALSE(t.heard("FRAM"));
     }},
    {"ChosenFileBecameAFifo", "nothing, and the window does not hang on it",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       t.activate();
       const std::string file = t.chooseSkin();
       fs::remove(file);
       ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
       t.uploadSkin();
       EXPECT_TRUE(t.shown().empty());
       EXPECT_FALSE(t.heard("FRAM"));
     }},
    // Other programs and the user.
    {"SecondInstance", "a second start is refused while the first runs",
     [](FaultFixture& t) {
       const std::string lockDir = t.directory.path().string();
       const platform::SingleInstanceGuard first("kv3 fault matrix", lockDir);
       const platform::SingleInstanceGuard second("kv3 fault matrix", lockDir);
       EXPECT_FALSE(first.alreadyRunning());
       EXPECT_TRUE(second.alreadyRunning());
     }},
    {"ReplyPortHeldByAnotherProgram", "the socket's error; the next search works once it is free",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       {
         const link::test::UdpPeer holder("0.0.0.0", t.lan->ports().reply);
         t.activate();
         EXPECT_EQ(t.desktop.errors,
                   (std::vector<std::string>{"SendDatagram - Socket Not Connected."}));
         EXPECT_TRUE(t.listed().empty());
         t.desktop.errors.clear();
       }
       t.window->Label4.userClick();
       EXPECT_EQ(t.listed(), kUnit1);
     }},
    {"WindowClosedDuringTransfer", "the window closes once the upload has ended, whole",
     [](FaultFixture& t) {
       t.startUnits({test::NumberedUnit(1)});
       t.activate();
       t.chooseSkin();
       bool allowed = true;
       std::vector<std::string> shownAtClose;
       t.window->closeWindow = [&] { shownAtClose = t.shown(); };
       t.desktop.queueUserAction([&] { allowed = t.window->CloseQuery(); });
       t.uploadSkin();
       EXPECT_FALSE(allowed);
       EXPECT_EQ(shownAtClose,
                 (std::vector<std::string>{t.text(&texts::LanguageTexts::TextUpdated)}));
       EXPECT_EQ(t.storedSkin(), test::PatternBytes(3000));
     }},
};

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

// The files the tool writes for the user, each in every odd place.
enum class Kind { Config, Definition, Image };
enum class Place { Plain, ReadOnlyFolder, WriteProtected, SymbolicLink, HardLink, Fifo, FullDisk };

struct Written {
  fs::path file;      // the name the tool writes
  std::string old;    // what the file holds before
  std::string fresh;  // what it holds after a write
};

class WrittenFiles : public FaultFixture,
                     public ::testing::WithParamInterface<std::tuple<Kind, Place>> {
 protected:
  // The file with its old bytes, and the window ready to write it.
  Written prepare(Kind kind) {
    const fs::path site = directory.path() / "site";
    fs::create_directories(site / "web");
    switch (kind) {
      case Kind::Config: {
        units = startUnitOnItsOwnAddress(test::NumberedUnit(5));
        writeConfig("de\r\n\r\nthe user's own line\r\n");
        activate();
        return {directory.path() / "t540.cfg", configBytes(),
                "de\r\n127.0.0.15\r\nthe user's own line\r\n"};
      }
      case Kind::Definition: {
        startUnits({test::NumberedUnit(1)});
        activate();
        test::WriteFileBytes(site / "plan.jpg", test::PatternBytes(100));
        test::WriteFileBytes(site / "plan.rem", "<p id=\"a\" x=\"12\" y=\"7\"/>\n");
        desktop.answerNextDialog(std::vector<std::string>{(site / "plan.jpg").string()});
        window->Bt_Ld_AS.click();
        return {site / "plan.rem", "<p id=\"a\" x=\"12\" y=\"7\"/>\n",
                "<p id=\"a\" x=\"   12\" y=\"    7\"/>\n"};
      }
      case Kind::Image: {
        startUnits({});
        for (const char* name : {"index.htm", "style.css"}) {
          test::WriteFileBytes(site / "web" / name, name + test::PatternBytes(700));
          webFiles.push_back((site / "web" / name).string());
        }
        const fs::path reference = directory.path() / "reference.rom";
        EXPECT_EQ(service::BuildWebImage({webFiles.begin(), webFiles.end()}, reference),
                  service::ImageBuild::Written);
        test::WriteFileBytes(site / "web.rom", "an older image");
        return {site / "web.rom", "an older image", test::ReadFileBytes(reference)};
      }
    }
    return {};
  }
  // What the user does that writes the file.
  void write(Kind kind) {
    switch (kind) {
      case Kind::Config:
        window->Edit2.userEdit("127.0.0.15");
        window->BTSuchen.userClick();
        break;
      case Kind::Definition:
        window->dispatch([this] { window->Bt_Up_AS.click(); });
        break;
      case Kind::Image:
        desktop.answerNextDialog(webFiles);
        desktop.answerNextDialog(std::vector<std::string>{(directory.path() / "site/web.rom")});
        window->Bt_CreateImage.click();
        break;
    }
  }

  std::unique_ptr<sim::Simulator> units;
  std::vector<std::string> webFiles;
};

TEST_P(WrittenFiles, OldOrNewBytesNeverAMixture) {
  const auto [kind, place] = GetParam();
  const Written file = prepare(kind);
  const fs::path folder = file.file.parent_path();
  const fs::path elsewhere = directory.path() / "elsewhere";
  const fs::path secondName = elsewhere / "second name";
  fs::create_directories(elsewhere);
  const std::vector<std::string> before = test::FolderEntries(folder);
  const test::WithoutPermissionOverride asAUser;
  switch (place) {
    case Place::Plain:
      break;
    case Place::ReadOnlyFolder:
      ::chmod(folder.c_str(), 0555);
      break;
    case Place::WriteProtected:
      ::chmod(file.file.c_str(), 0444);
      break;
    case Place::SymbolicLink:
      fs::rename(file.file, secondName);
      fs::create_symlink(secondName, file.file);
      break;
    case Place::HardLink:
      fs::create_hard_link(file.file, secondName);
      break;
    case Place::Fifo:
      fs::remove(file.file);
      ASSERT_EQ(::mkfifo(file.file.c_str(), 0600), 0);
      break;
    case Place::FullDisk:
      break;
  }
  {
    std::optional<test::FileSizeLimit> full;
    if (place == Place::FullDisk) full.emplace(10);
    write(kind);
  }
  ::chmod(folder.c_str(), 0755);

  // The window names the file as it opened it: t540.cfg and a definition beside the picture by
  // their full paths, the image not at all.
  const std::string name = file.file.string();
  const bool protectedFile = place == Place::WriteProtected || place == Place::FullDisk;
  const bool written = place != Place::Fifo && !protectedFile &&
                       !(kind == Kind::Image && place == Place::ReadOnlyFolder);
  std::vector<std::string> errors;
  if (place == Place::Fifo && kind == Kind::Definition) {
    errors = {"Datei " + name + " kann nicht geöffnet werden."};
  } else if (!written && kind != Kind::Image) {
    errors = {"Datei " + name + " kann nicht erstellt werden."};  // the builder shows nothing
  }
  EXPECT_EQ(desktop.errors, errors);
  desktop.errors.clear();
  if (place == Place::Fifo) {
    EXPECT_TRUE(fs::is_fifo(file.file));
  } else {
    EXPECT_EQ(test::ReadFileBytes(file.file), written ? file.fresh : file.old);
  }
  EXPECT_EQ(test::FolderEntries(folder), before) << "left beside the file";
  if (place == Place::SymbolicLink) {
    EXPECT_TRUE(fs::is_symlink(file.file));
  }
  if (place == Place::HardLink) {
    // Every name of the file shows it, except a new image, which goes under its own name only.
    EXPECT_EQ(test::ReadFileBytes(secondName), kind == Kind::Image ? file.old : file.fresh);
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<Kind, Place>>& info) {
  static const char* const kinds[] = {"Config", "Definition", "Image"};
  static const char* const places[] = {
      "Plain", "ReadOnlyFolder", "WriteProtected", "SymbolicLink", "HardLink", "Fifo", "FullDisk"};
  return std::string(kinds[static_cast<int>(std::get<0>(info.param))]) +
         places[static_cast<int>(std::get<1>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WrittenFiles,
    ::testing::Combine(::testing::Values(Kind::Config, Kind::Definition, Kind::Image),
                       ::testing::Values(Place::Plain, Place::ReadOnlyFolder, Place::WriteProtected,
                                         Place::SymbolicLink, Place::HardLink, Place::Fifo,
                                         Place::FullDisk)),
    CaseName);

// The disk fills at any byte of a write: the file holds its old bytes or its new ones, beside
// it or written in place (a second hard link), and nothing is left behind.
TEST(WrittenFilesOnAFillingDisk, AFaultAtAnyByteLeavesOldOrNew) {
  const test::ScratchDirectory directory;
  const fs::path web = directory.path() / "web";
  fs::create_directories(web);
  test::WriteFileBytes(web / "index.htm", test::PatternBytes(300));
  const std::vector<fs::path> webFiles = {web / "index.htm"};
  struct Case {
    const char* name;
    fs::path file;
    std::string old;
    std::function<void()> write;
  };
  const std::string longLine(200, 'x');
  const Case cases[] = {
      {"t540.cfg", directory.path() / "t540.cfg", "de\r\n" + longLine + "\r\nkept\r\n",
       [&] {
         try {
           ConfigFile(directory.path()).save({"de", "127.0.0.15"});
         } catch (const std::runtime_error&) {
         }
       }},
      {"t540.cfg, its language", directory.path() / "t540.cfg", "de\r\n" + longLine + "\r\n",
       [&] { ConfigFile(directory.path()).rewriteLanguageLine("gb"); }},
      {"plan.rem", directory.path() / "plan.rem", "<p x=\"1\" y=\"2\"/>\n<q/>\n" + longLine,
       [&] {
         try {
           scheme::NormaliseDefinitionFile(directory.path() / "plan.rem");
         } catch (const std::runtime_error&) {
         }
       }},
      {"web.rom", directory.path() / "web.rom", longLine,
       [&] { service::BuildWebImage(webFiles, directory.path() / "web.rom"); }},
  };
  for (const Case& c : cases) {
    test::WriteFileBytes(c.file, c.old);
    c.write();
    const std::string fresh = test::ReadFileBytes(c.file);
    ASSERT_NE(fresh, c.old) << c.name;
    for (const bool linked : {false, true}) {
      const fs::path secondName = directory.path() / "second name";
      for (std::size_t limit = 0; limit <= fresh.size() + 1; limit += 7) {
        SCOPED_TRACE(std::string(c.name) + (linked ? " with a second name" : "") + ", full after " +
                     std::to_string(limit) + " bytes");
        test::WriteFileBytes(c.file, c.old);
        if (linked) fs::create_hard_link(c.file, secondName);
        const std::vector<std::string> before = test::FolderEntries(directory.path());
        {
          const test::FileSizeLimit full(limit);
          c.write();
        }
        const std::string now = test::ReadFileBytes(c.file);
        EXPECT_TRUE(now == c.old || now == fresh) << now;
        EXPECT_EQ(test::FolderEntries(directory.path()), before);
        if (linked) fs::remove(secondName);
      }
    }
  }
}

}  // namespace
}  // namespace kv3::app
