#include <signal.h>

#include <filesystem>

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
  // Files the units must hold afterwards: unit address / name -> the bytes of FILE or REM.
  std::vector<std::pair<std::string, std::string>> stored;
};

// Names the row in test output, not its bytes.
void PrintTo(const TransferRow& row, std::ostream* out) { *out << row.name; }

const std::string kGood = "00:1A:2B:3C:4D:01";
const std::string kSilent = "00:1A:2B:3C:4D:02";
const std::string kBroken = "00:1A:2B:3C:4D:03";

// A good unit, one that never acknowledges an upload and one that drops the connection halfway.
class Transfer : public CliOnLan, public ::testing::TestWithParam<TransferRow> {
 protected:
  void SetUp() override {
    if (!build({"mac=" + kGood + ",ip=192.0.2.11",
                "mac=" + kSilent + ",ip=192.0.2.12,fault=FWUP:silent,fault=RFUP:silent",
                "mac=" + kBroken + ",ip=192.0.2.13,fault=FWUP:drop,fault=RFUP:drop"})) {
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
  const std::string content = test::PatternBytes(7000);
  test::WriteFileBytes(file, content);
  test::WriteFileBytes(rem, "<p id=\"a\" x=\"12\" y=\"7\"/>\n");
  std::vector<std::string> arguments = row.arguments;
  for (std::string& word : arguments) {
    if (word == "FILE") word = file.string();
    if (word == "REM") word = rem.string();
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
  if (row.status == 2 || row.status == 4) {
    // A refused command line or file sends nothing.
    EXPECT_FALSE(std::filesystem::exists(store())) << result.err;
  }
  for (const auto& [where, which] : row.stored) {
    const std::string expected =
        which == "REM" ? "<p id=\"a\" x=\"   12\" y=\"    7\"/>\n" : content;
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
                    {{"192.0.2.11/anlage.jpg", "FILE"}, {"192.0.2.11/getPosition.xml", "REM"}}}),
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
}

// A file overwritten while it is sent would reach the unit as a mixture of old and new.
TEST_F(Transfer, AFileOverwrittenMeanwhileIsNotSentOn) {
  const std::filesystem::path file = directory.path() / "live.rom";
  test::WriteFileBytes(file, test::PatternBytes(60000));
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
  test::WriteFileBytes(file, "skin");
  const test::ProgramResult result =
      Kv3({"upload", "skin", kGood, "00-1a-2b-3c-4d-01", "001A2B3C4D01", file.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.find(kGood), result.out.rfind(kGood)) << result.out;
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
                    (i == 32 ? ",fault=FWUP:late:900" : ""));
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

}  // namespace
}  // namespace kv3::cli
