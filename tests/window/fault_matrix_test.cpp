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
#include "support/german_texts.h"
#include "support/web_files.h"
#include "window_fixture.h"

namespace kv3::window {
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
// pause.
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
       const std::string refused = std::string(test::german::SharedAddressBefore) +
                                   t.listed().at(1) + test::german::SharedAddressAfter;
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
       EXPECT_EQ(t.shown(), (std::vector<std::string>{test::german::NameBackslash}));
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
           "Dieses Gerät meldet die Adresse 127.0.0.15,\ndie nicht nur dieses eine Gerät "
           "erreicht.\n\nEs wird darüber nicht angesprochen;\nbitte seine "
           "Netzwerkeinstellungen korrigieren.";
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
       EXPECT_EQ(t.shown(), (std::vector<std::string>{test::german::NoAnswer}));
     }},
    {"ClosedMidStream", "\"corrupted\"; the unit keeps nothing of the half",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Drop)});
       t.activate();
       t.chooseSkin(30000);
       t.uploadSkin();
       EXPECT_EQ(t.shown(), (std::vector<std::string>{test::german::Corrupted}));
       EXPECT_EQ(t.storedSkin(), "(nothing)");
     }},
    {"SlowReader", "\"updated\"; every byte arrived",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Slow)});
       t.activate();
       t.chooseSkin(30000);
       t.uploadSkin();
       EXPECT_EQ(t.shown(), (std::vector<std::string>{test::german::Updated}));
       EXPECT_EQ(t.storedSkin(), test::PatternBytes(30000));
     }},
    {"GarbageAnswer", "\"corrupted\"",
     [](FaultFixture& t) {
       t.startUnits({Streaming(sim::StreamFault::Garbage)});
       t.activate();
       t.chooseSkin();
       t.uploadSkin();
       EXPECT_EQ(t.shown(), (std::vector<std::string>{test::german::Corrupted}));
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
       EXPECT_EQ(t.shown(), (std::vector<std::string>{test::german::Updated}));
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
       EXPECT_EQ(t.shown(), (std::vector<std::string>{test::german::FileEmpty}));
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
       EXPECT_EQ(shownAtClose, (std::vector<std::string>{test::german::Updated}));
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
  std::string fresh;  // what it holds after a write; for the image, empty (see shows())
};

// Whether the file holds `bytes`; for "" the new image, as the units' own reader lists it.
bool Shows(const fs::path& file, const std::string& bytes) {
  if (!bytes.empty()) return test::ReadFileBytes(file) == bytes;
  const std::vector<std::pair<std::string, std::string>> image = {
      {"index.htm", "index.htm" + test::PatternBytes(700)},
      {"style.css", "style.css" + test::PatternBytes(700)}};
  return test::UnitReadsImage(file) == image;
}

// What the user sees of one file in one place.
struct WrittenCase {
  Kind kind;
  Place place;
  bool written;               // the file holds the new bytes
  const char* error;          // the error box: "Datei <full path> " and this; none when empty
  bool secondNameNew = true;  // a hard link's other name shows the new bytes
};

class WrittenFiles : public FaultFixture, public ::testing::WithParamInterface<WrittenCase> {
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
        test::WriteFileBytes(site / "web.rom", "an older image");
        return {site / "web.rom", "an older image", ""};
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
  const auto [kind, place, written, error, secondNameNew] = GetParam();
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
  std::vector<std::string> errors;
  if (*error != '\0') errors = {"Datei " + file.file.string() + " " + error};
  EXPECT_EQ(desktop.errors, errors);
  desktop.errors.clear();
  if (place == Place::Fifo) {
    EXPECT_TRUE(fs::is_fifo(file.file));
  } else {
    EXPECT_TRUE(Shows(file.file, written ? file.fresh : file.old))
        << test::ReadFileBytes(file.file);
  }
  EXPECT_EQ(test::FolderEntries(folder), before) << "left beside the file";
  if (place == Place::SymbolicLink) {
    EXPECT_TRUE(fs::is_symlink(file.file));
  }
  if (place == Place::HardLink) {
    // Every name of the file shows it, except a new image, which goes under its own name only.
    EXPECT_TRUE(Shows(secondName, secondNameNew ? file.fresh : file.old));
  }
}

std::string CaseName(const ::testing::TestParamInfo<WrittenCase>& info) {
  static const char* const kinds[] = {"Config", "Definition", "Image"};
  static const char* const places[] = {
      "Plain", "ReadOnlyFolder", "WriteProtected", "SymbolicLink", "HardLink", "Fifo", "FullDisk"};
  return std::string(kinds[static_cast<int>(info.param.kind)]) +
         places[static_cast<int>(info.param.place)];
}

constexpr const char* kNotCreated = "kann nicht erstellt werden.";
constexpr const char* kNotOpened = "kann nicht geöffnet werden.";

// A file in a folder that takes no new file is written in place; the image builder, a hidden
// service tool, shows nothing, and a new image goes under its own name only.
INSTANTIATE_TEST_SUITE_P(
    Faults, WrittenFiles,
    ::testing::Values(WrittenCase{Kind::Config, Place::Plain, true, ""},
                      WrittenCase{Kind::Config, Place::ReadOnlyFolder, true, ""},
                      WrittenCase{Kind::Config, Place::WriteProtected, false, kNotCreated},
                      WrittenCase{Kind::Config, Place::SymbolicLink, true, ""},
                      WrittenCase{Kind::Config, Place::HardLink, true, ""},
                      WrittenCase{Kind::Config, Place::Fifo, false, kNotCreated},
                      WrittenCase{Kind::Config, Place::FullDisk, false, kNotCreated},
                      WrittenCase{Kind::Definition, Place::Plain, true, ""},
                      WrittenCase{Kind::Definition, Place::ReadOnlyFolder, true, ""},
                      WrittenCase{Kind::Definition, Place::WriteProtected, false, kNotCreated},
                      WrittenCase{Kind::Definition, Place::SymbolicLink, true, ""},
                      WrittenCase{Kind::Definition, Place::HardLink, true, ""},
                      WrittenCase{Kind::Definition, Place::Fifo, false, kNotOpened},
                      WrittenCase{Kind::Definition, Place::FullDisk, false, kNotCreated},
                      WrittenCase{Kind::Image, Place::Plain, true, ""},
                      WrittenCase{Kind::Image, Place::ReadOnlyFolder, false, ""},
                      WrittenCase{Kind::Image, Place::WriteProtected, false, ""},
                      WrittenCase{Kind::Image, Place::SymbolicLink, true, ""},
                      WrittenCase{Kind::Image, Place::HardLink, true, "", false},
                      WrittenCase{Kind::Image, Place::Fifo, false, ""},
                      WrittenCase{Kind::Image, Place::FullDisk, false, ""}),
    CaseName);

// The disk fills at any byte of a write: the write fails, and says so, exactly when the new
// bytes do not fit; the file then holds its old bytes, else its new ones, beside it or written
// in place (a second hard link), and nothing is left behind.
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
    std::string fresh;            // empty: the image, told by the units' own reader
    std::function<bool()> write;  // true when the write reports success
  };
  const std::string longLine(200, 'x');
  const Case cases[] = {
      {"t540.cfg", directory.path() / "t540.cfg", "de\r\n" + longLine + "\r\nkept\r\n",
       "de\r\n127.0.0.15\r\nkept\r\n",
       [&] {
         try {
           ConfigFile(directory.path()).save({"de", "127.0.0.15"});
           return true;
         } catch (const std::runtime_error&) {
           return false;
         }
       }},
      {"t540.cfg, its language", directory.path() / "t540.cfg", "de\r\n" + longLine + "\r\n",
       "gb\r\n" + longLine + "\r\n",
       [&] { return ConfigFile(directory.path()).rewriteLanguageLine("gb"); }},
      {"plan.rem", directory.path() / "plan.rem", "<p x=\"1\" y=\"2\"/>\n<q/>\n" + longLine,
       "<p x=\"    1\" y=\"    2\"/>\n<q/>\n" + longLine,
       [&] {
         try {
           scheme::NormaliseDefinitionFile(directory.path() / "plan.rem");
           return true;
         } catch (const std::runtime_error&) {
           return false;
         }
       }},
      {"web.rom", directory.path() / "web.rom", longLine, "",
       [&] {
         return service::BuildWebImage(webFiles, directory.path() / "web.rom") ==
                service::ImageBuild::Written;
       }},
  };
  const std::vector<std::pair<std::string, std::string>> imageFiles = {
      {"index.htm", test::PatternBytes(300)}};
  for (const Case& c : cases) {
    test::WriteFileBytes(c.file, c.old);
    ASSERT_TRUE(c.write()) << c.name;
    const std::string fresh = test::ReadFileBytes(c.file);
    if (c.fresh.empty()) {
      ASSERT_EQ(test::UnitReadsImage(c.file), imageFiles);
    } else {
      ASSERT_EQ(fresh, c.fresh) << c.name;
    }
    for (const bool linked : {false, true}) {
      const fs::path secondName = directory.path() / "second name";
      for (std::size_t limit = 0; limit <= fresh.size() + 1; limit += 7) {
        SCOPED_TRACE(std::string(c.name) + (linked ? " with a second name" : "") + ", full after " +
                     std::to_string(limit) + " bytes");
        test::WriteFileBytes(c.file, c.old);
        if (linked) fs::create_hard_link(c.file, secondName);
        const std::vector<std::string> before = test::FolderEntries(directory.path());
        bool written = false;
        {
          const test::FileSizeLimit full(limit);
          written = c.write();
        }
        EXPECT_EQ(written, limit >= fresh.size());
        EXPECT_EQ(test::ReadFileBytes(c.file), written ? fresh : c.old);
        EXPECT_EQ(test::FolderEntries(directory.path()), before);
        if (linked) fs::remove(secondName);
      }
    }
  }
}

}  // namespace
}  // namespace kv3::window
