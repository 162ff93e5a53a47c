#include <signal.h>

#include <chrono>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "cli_lan.h"

namespace kv3::cli {
namespace {

struct TransferRow {
  const char* name;
  // "FILE", "REM", "EMPTY" and "LONG" (25 MB of firmware, over an hour) stand for the files
  // the case writes
  std::vector<std::string> arguments;
  int status;
  std::vector<std::string> summary;  // lines of the summary, each as it is printed
  // Files the units must hold afterwards: unit address / name -> the bytes of FILE, REM, PLAIN
  // or "" (an empty file).
  std::vector<std::pair<std::string, std::string>> stored;
  std::vector<std::string> err = {};  // lines on standard error
};

// Names the row in test output, not its bytes.
void PrintTo(const TransferRow& row, std::ostream* out) { *out << row.name; }

const std::string kGood = "00:1A:2B:3C:4D:01";
const std::string kSilent = "00:1A:2B:3C:4D:02";
const std::string kBroken = "00:1A:2B:3C:4D:03";

// A good unit, one that never acknowledges an upload and one that drops the connection halfway.
// FILE is a file of the kind the command sends, PLAIN (plain.rom) is no web image, HUGE a scheme
// picture at its limit, BARE a picture without a definition anywhere.
class Transfer : public CliOnLan, public ::testing::TestWithParam<TransferRow> {
 protected:
  void SetUp() override {
    if (!build({"mac=" + kGood + ",ip=192.0.2.11",
                "mac=" + kSilent + ",ip=192.0.2.12,fault=FWUP:silent,fault=RFUP:silent",
                "mac=" + kBroken +
                    ",ip=192.0.2.13,fault=FWUP:drop,fault=RFUP:drop,fault=ASCH:drop"})) {
      GTEST_SKIP() << test::NamespaceLan::unavailableReason();
    }
  }
};

TEST_P(Transfer, SummaryAndStoredFiles) {
  const TransferRow& row = GetParam();
  const std::filesystem::path file =
      directory.path() / (row.arguments.at(1) == "firmware" ? "kv3.bin"
                          : row.arguments.at(1) == "webapp" ? "web.rom"
                                                            : "anlage.jpg");
  const std::filesystem::path rem = directory.path() / "anlage.rem";
  const std::string content = test::ContentFor(file.filename().string(), 7000);
  test::WriteFileBytes(file, content);
  test::WriteFileBytes(rem, "<p id=\"a\" x=\"12\" y=\"7\"/>\n");
  std::vector<std::string> arguments = row.arguments;
  const std::filesystem::path bare = directory.path() / "bare" / "plan.jpg";
  std::filesystem::create_directory(bare.parent_path());
  test::WriteFileBytes(bare, content);
  for (std::string& word : arguments) {
    if (word == "FILE") word = file.string();
    if (word == "REM") word = rem.string();
    if (word == "BARE") word = bare.string();
    if (word == "PLAIN" || word == "HUGE") {
      const std::string made =
          (directory.path() / (word == "PLAIN" ? "plain.rom" : "huge.jpg")).string();
      test::WriteFileBytes(
          made, word == "PLAIN" ? test::PatternBytes(7000) : test::ContentFor(".jpg", 204800));
      word = made;
    }
    if (word == "EMPTY" || word == "LONG") {
      const std::string made = (directory.path() / (word + ".bin")).string();
      test::WriteFileBytes(made, "");
      if (word == "LONG") std::filesystem::resize_file(made, 25'000'000);
      word = made;
    }
  }
  const test::ProgramResult result = Kv3(arguments);
  EXPECT_EQ(result.status, row.status) << result.err;
  ExpectTexts(result.out, row.summary, {}, "summary");
  ExpectTexts(result.err, row.err, {}, "standard error");
  // A definition is never made up in the user's folders.
  EXPECT_FALSE(std::filesystem::exists(bare.parent_path() / "user.rem"));
  if (row.status == 2 || row.status == 4) {
    // A refused command line or file sends nothing.
    EXPECT_FALSE(std::filesystem::exists(store())) << result.err;
  }
  for (const auto& [where, which] : row.stored) {
    const std::string expected = which == "REM"     ? "<p id=\"a\" x=\"   12\" y=\"    7\"/>\n"
                                 : which == "PLAIN" ? test::PatternBytes(7000)
                                 : which.empty()    ? ""
                                                    : content;
    EXPECT_EQ(test::ReadFileBytes(store() / where), expected) << where;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kv3, Transfer,
    ::testing::Values(
        TransferRow{"FleetWithASilentAndABrokenUnit",
                    {"update", "firmware", kGood, kSilent, kBroken, "FILE"},
                    1,
                    {kGood + "  192.0.2.11  done", kSilent + "  192.0.2.12  not acknowledged",
                     kBroken + "  192.0.2.13  corrupted"},
                    {{"192.0.2.11/firmware.bin", "FILE"}}},
        TransferRow{"EveryUnitFound",
                    {"update", "webapp", "--all", "FILE"},
                    1,
                    {kGood + "  192.0.2.11  done", kSilent + "  192.0.2.12  not acknowledged",
                     kBroken + "  192.0.2.13  corrupted"},
                    {{"192.0.2.11/web.rom", "FILE"}}},
        TransferRow{"AUnitThatDoesNotAnswerTheSearch",
                    {"upload", "skin", kGood, "00:1a:2b:3c:4d:99", "FILE"},
                    3,
                    {kGood + "  192.0.2.11  done", "00:1A:2B:3C:4D:99  -           unreachable"},
                    {{"192.0.2.11/anlage.jpg", "FILE"}}},
        TransferRow{"SummaryAsJson",
                    {"update", "firmware", kGood, kSilent, "--json", "FILE"},
                    3,
                    {"\"mac\": \"" + kGood +
                         "\",\n      \"address\": \"192.0.2.11\",\n      "
                         "\"result\": \"done\"",
                     "\"result\": \"notAcknowledged\"", "\"interrupted\": false"},
                    {{"192.0.2.11/firmware.bin", "FILE"}}},
        TransferRow{"AnEmptyFileIsRefused", {"update", "firmware", kGood, "EMPTY"}, 4, {}, {}},
        TransferRow{
            "OverAnHourWithoutATerminalNeedsYes", {"update", "firmware", kGood, "LONG"}, 2, {}, {}},
        TransferRow{"AnAddressThatIsNoneReachesNobody",
                    {"update", "webapp", "--all", "--address", "10.99.0.256", "FILE"},
                    2,
                    {},
                    {}},
        TransferRow{"SchemeWithItsDefinition",
                    {"upload", "scheme", kGood, "FILE", "--definition", "REM"},
                    0,
                    {kGood + "  192.0.2.11  done"},
                    {{"192.0.2.11/anlage.jpg", "FILE"}, {"192.0.2.11/getPosition.xml", "REM"}}},
        TransferRow{"SchemeWithoutADefinition",
                    {"upload", "scheme", kGood, "BARE"},
                    0,
                    {kGood + "  192.0.2.11  done"},
                    {{"192.0.2.11/plan.jpg", "FILE"}, {"192.0.2.11/getPosition.xml", ""}},
                    {"the unit receives an empty one, which empties its positions"}},
        TransferRow{"TheDefinitionAloneArrived",
                    {"upload", "scheme", kBroken, "FILE", "--definition", "REM"},
                    1,
                    {kBroken + "  192.0.2.13  corrupted"},
                    {{"192.0.2.13/getPosition.xml", "REM"}},
                    {"the position definition reached the unit, the picture did not"}},
        TransferRow{"APictureAtTheLimit", {"upload", "scheme", kGood, "HUGE"}, 2, {}, {}},
        TransferRow{"ASkinHasNoDefinition",
                    {"upload", "skin", kGood, "FILE", "--definition", "REM"},
                    2,
                    {},
                    {}},
        // What the unit would take for something else is refused, unless forced.
        TransferRow{"AWebAppThatIsNoWebImage", {"update", "webapp", kGood, "PLAIN"}, 2, {}, {}},
        TransferRow{"ForcedAnyway",
                    {"update", "webapp", "--force", kGood, "PLAIN"},
                    0,
                    {kGood + "  192.0.2.11  done"},
                    {{"192.0.2.11/plain.rom", "PLAIN"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Transfer, FirmwareOnlyFromABinFile) {
  test::WriteFileBytes(directory.path() / "web.rom", "x");
  const test::ProgramResult result =
      Kv3({"update", "firmware", kGood, (directory.path() / "web.rom").string()});
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(lan->logOf("u1").find("FWUP"), std::string::npos);
}

// Ctrl-C, or the terminal closing, ends the transfer cleanly: the summary is printed and the
// unit keeps nothing of the half.
TEST_F(Transfer, CtrlCOrAHangUpEndsTheTransferAndStillSummarises) {
  const std::filesystem::path file = directory.path() / "big.bin";
  test::WriteFileBytes(file, test::PatternBytes(400000));
  for (const int signal : {SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    test::ProgramRun run(KV3_PATH, {"update", "firmware", kGood, file.string()});
    ASSERT_TRUE(run.waitForError(" %\n"));  // the stream has begun
    run.signal(signal);
    const test::ProgramResult result = run.finish();
    EXPECT_EQ(result.status, 130);
    ExpectTexts(result.out, {kGood + "  192.0.2.11  cancelled"}, {}, "summary");
    ExpectTexts(result.err, {"Interrupted."}, {}, "standard error");
    EXPECT_FALSE(std::filesystem::exists(store() / "192.0.2.11" / "firmware.bin"));
  }
  // A second Ctrl-C ends kv3 at once; with --json it still leaves one document.
  test::ProgramRun run(KV3_PATH, {"update", "firmware", kGood, file.string(), "--json"});
  ASSERT_TRUE(run.waitForError(" %\n"));
  run.signal(SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  run.signal(SIGINT);
  const test::ProgramResult result = run.finish();
  EXPECT_EQ(result.status, 130);
  EXPECT_EQ(nlohmann::json::parse(result.out).at("interrupted"), true) << result.out;
}

// Stopped once the unit has every byte: the unit's answer still decides, and the unit restarts.
TEST_F(Transfer, CtrlCOnceEveryByteIsOutKeepsTheUnitsAnswer) {
  const std::filesystem::path file = directory.path() / "small.bin";
  test::WriteFileBytes(file, test::PatternBytes(3000));
  test::ProgramRun run(KV3_PATH, {"update", "firmware", kGood, file.string()});
  ASSERT_TRUE(run.waitForError("100 %\n"));
  run.signal(SIGINT);
  const test::ProgramResult result = run.finish();
  EXPECT_EQ(result.status, 130);
  ExpectTexts(result.out, {kGood}, {"cancelled"}, "summary");
  ExpectTexts(result.err, {"The units marked done restart now"}, {}, "standard error");
}

// A file emptied while the units are searched is not the file that was checked.
TEST_F(Transfer, AFileEmptiedDuringTheSearchIsNotSent) {
  const std::filesystem::path file = directory.path() / "fw.bin";
  test::WriteFileBytes(file, test::PatternBytes(3000));
  test::ProgramRun run(KV3_PATH, {"update", "firmware", "--all", file.string()});
  for (int i = 0; i < 500 && lan->logOf("u1").find("FIND") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::filesystem::resize_file(file, 0);
  const test::ProgramResult result = run.finish();
  EXPECT_EQ(result.status, 4) << result.err;
  ExpectTexts(result.out, {kGood + "  192.0.2.11  file changed"}, {}, "summary");
  EXPECT_EQ(lan->logOf("u1").find("FWUP"), std::string::npos);
}

// A file overwritten while it is sent would reach the unit as a mixture of old and new.
TEST_F(Transfer, AFileOverwrittenMeanwhileIsNotSentOn) {
  const std::filesystem::path file = directory.path() / "live.rom";
  test::WriteFileBytes(file, test::ContentFor("live.rom", 60000));
  test::ProgramRun run(KV3_PATH, {"update", "webapp", kGood, file.string()});
  ASSERT_TRUE(run.waitForError(" %\n"));
  test::WriteFileBytes(file, std::string(60000, 'n'));  // in place, as cp does
  const test::ProgramResult result = run.finish();
  EXPECT_EQ(result.status, 4);
  ExpectTexts(result.out, {kGood + "  192.0.2.11  file changed"}, {}, "summary");
  EXPECT_FALSE(std::filesystem::exists(store() / "192.0.2.11" / "live.rom"));
}

// One unit, however its MAC is written: one transfer, one line of the summary.
TEST_F(Transfer, OneMacInSeveralSpellingsIsOneUnit) {
  const std::filesystem::path file = directory.path() / "skin.jpg";
  test::WriteFileBytes(file, test::ContentFor("skin.jpg", 40));
  const test::ProgramResult result =
      Kv3({"upload", "skin", kGood, "00-1a-2b-3c-4d-01", "001A2B3C4D01", file.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.find(kGood), result.out.rfind(kGood)) << result.out;
}

// Two units at one address (new units from the box often are), beside a good one: they are
// listed and marked, neither is asked for its texts, and nothing is sent to either.
class SharedAddress : public CliOnLan, public ::testing::Test {};

TEST_F(SharedAddress, IsMarkedAndNothingIsSentThere) {
  if (!build({"mac=00:1A:2B:3C:4D:51,ip=192.0.2.20", "mac=00:1A:2B:3C:4D:52,ip=192.0.2.20",
              "mac=" + kGood + ",ip=192.0.2.11"})) {
    GTEST_SKIP() << test::NamespaceLan::unavailableReason();
  }
  const test::ProgramResult found = Kv3({"find"});
  ExpectTexts(found.out, {"00:1A:2B:3C:4D:52  192.0.2.20 *"}, {}, "find");
  ExpectTexts(found.err,
              {"* Several units answer from the address 192.0.2.20 (00:1A:2B:3C:4D:51, "
               "00:1A:2B:3C:4D:52)"},
              {}, "find");
  const std::filesystem::path file = directory.path() / "kv3.bin";
  test::WriteFileBytes(file, test::PatternBytes(3000));
  const test::ProgramResult update = Kv3({"update", "firmware", "--all", file.string()});
  EXPECT_EQ(update.status, 1);
  ExpectTexts(update.out,
              {"00:1A:2B:3C:4D:51  192.0.2.20  shared address",
               "00:1A:2B:3C:4D:52  192.0.2.20  shared address", kGood + "  192.0.2.11  done"},
              {}, "update");
  for (const char* host : {"u1", "u2"}) {
    ExpectTexts(lan->logOf(host), {"FIND"}, {"PaWd", "FWUP"}, host);
  }
}

class Fleet : public CliOnLan, public ::testing::Test {};

// 32 units played by one simulator, all announced at once on the one reply port, and a unit
// that acknowledges after the pause: the acknowledgements are told apart by their senders.
TEST_F(Fleet, EveryUnitAtOnceAndALateOneAlone) {
  std::vector<std::string> units;
  std::vector<std::string> summary;
  for (int i = 0; i <= 32; ++i) {
    char mac[18];
    std::snprintf(mac, sizeof mac, "00:1A:2B:3C:6E:%02X", i);
    const std::string ip = "192.0.2." + std::to_string(100 + i);
    units.push_back(std::string("mac=") + mac + ",ip=" + ip +
                    (i == 32 ? ",fault=FWUP:late:2000" : ""));
    summary.push_back(std::string(mac) + "  " + ip + (i == 32 ? "  not acknowledged" : "  done"));
  }
  if (!build({}, {}, {}, units)) GTEST_SKIP() << test::NamespaceLan::unavailableReason();
  const std::filesystem::path file = directory.path() / "kv3.bin";
  const std::string content = test::PatternBytes(5000);
  test::WriteFileBytes(file, content);
  const test::ProgramResult result = Kv3({"update", "firmware", "--all", file.string()});
  EXPECT_EQ(result.status, 3) << result.err;
  ExpectTexts(result.out, summary, {}, "summary");
  for (int i = 0; i < 32; ++i) {
    const std::string ip = "192.0.2." + std::to_string(100 + i);
    EXPECT_EQ(test::ReadFileBytes(store() / ip / "firmware.bin"), content) << ip;
  }
}

// Hundreds of units answer within one pause, two datagrams each for their texts: every one is
// taken in.
TEST_F(Fleet, HundredsOfUnitsAllWithTheirTexts) {
  std::vector<std::string> units;
  for (int i = 0; i < 300; ++i) {
    char mac[18];
    std::snprintf(mac, sizeof mac, "00:1A:2B:3D:%02X:%02X", i / 256, i % 256);
    units.push_back(std::string("mac=") + mac + ",ip=198.18." + std::to_string(1 + i / 200) + "." +
                    std::to_string(1 + i % 200) + ",mask=255.255.0.0,name=U" + std::to_string(i));
  }
  if (!build({}, {}, {}, units)) GTEST_SKIP() << test::NamespaceLan::unavailableReason();
  const test::ProgramResult result = Kv3({"find", "--json"});
  EXPECT_EQ(result.status, 0) << result.err;
  const auto json = nlohmann::json::parse(result.out);
  ASSERT_EQ(json.at("units").size(), 300u) << result.err;
  for (const auto& unit : json.at("units")) {
    EXPECT_NE(unit.at("deviceName"), "") << unit.at("mac");
  }
}

}  // namespace
}  // namespace kv3::cli
