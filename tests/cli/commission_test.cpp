#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli_lan.h"
#include "support/loopback_lan.h"

namespace kv3::cli {
namespace {

const std::string kOk = "00:1A:2B:3C:4D:01";
const std::string kNoTexts = "00:1A:2B:3C:4D:02";
const std::vector<std::string> kFactory = {"00:1A:2B:3C:4D:55", "00:1A:2B:3C:4D:56",
                                           "00:1A:2B:3C:4D:57"};
const std::string kStray = "00:1A:2B:3C:4D:60";      // alone in another network; ignores "SETT"
const std::string kBroadcast = "00:1A:2B:3C:4D:70";  // reports its network's broadcast address
const std::string kTwin = "00:1A:2B:3C:4D:80";       // two units with one MAC
const std::string kGone = "00:1A:2B:3C:4D:90";       // does not come back after a firmware

// Beside the PC: a unit that answers everything and one that never tells its texts. Played by
// one simulator: three units at one factory address in another network, one alone there, and
// units that cannot be told apart.
class Commissioning : public CliOnLan, public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string mask = ",mask=255.255.255.0";
    const std::string factory = ",ip=198.51.100.200,gateway=198.51.100.1" + mask;
    std::vector<std::string> hosted;
    for (const std::string& mac : kFactory) hosted.push_back("mac=" + mac + factory);
    hosted.push_back("mac=" + kStray + ",ip=198.51.100.210,fault=SETT:ignore" + mask);
    hosted.push_back("mac=" + kBroadcast + ",ip=192.0.2.255" + mask);
    hosted.push_back("mac=" + kTwin + ",ip=192.0.2.80" + mask);
    hosted.push_back("mac=" + kTwin + ",ip=192.0.2.81" + mask);
    hosted.push_back("mac=" + kGone + ",ip=192.0.2.90,restart=600000" + mask);
    // A name a spreadsheet must get quoted: a comma and quotes in it.
    if (!build({"mac=" + kOk + ",ip=192.0.2.11,gateway=192.0.2.254,name=Keller\\, \\\"Nord\\\"" + mask,
                "mac=" + kNoTexts + ",ip=192.0.2.12,fault=PaWd:silent" + mask},
               {}, {}, hosted)) {
      GTEST_SKIP() << test::NamespaceLan::unavailableReason();
    }
  }
  std::string journal() const { return (directory.path() / "journal.jsonl").string(); }
  std::vector<nlohmann::json> journalLines() const {
    std::vector<nlohmann::json> lines;
    std::istringstream text(test::ReadFileBytes(journal()));
    for (std::string line; std::getline(text, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
  }
};

TEST_F(Commissioning, FindTellsEachUnitsStateAndItsFix) {
  const test::ProgramResult found = Kv3({"find", "--json"});
  ASSERT_EQ(found.status, 0) << found.err;
  std::map<std::string, std::string> states;
  const auto listed = nlohmann::json::parse(found.out);
  for (const auto& unit : listed.at("units")) {
    states[unit.at("mac").get<std::string>()] = unit.at("state").get<std::string>();
  }
  const std::map<std::string, std::string> expected = {{kOk, "ok"},
                                                       {kNoTexts, "no-texts"},
                                                       {kFactory[0], "shared-address"},
                                                       {kFactory[1], "shared-address"},
                                                       {kFactory[2], "shared-address"},
                                                       {kStray, "other-network"},
                                                       {kBroadcast, "not-addressable"},
                                                       {kTwin, "shared-mac"},
                                                       {kGone, "ok"}};
  EXPECT_EQ(states, expected);
  ExpectTexts(found.err,
              {"Fix: kv3 set " + kFactory[0] + " " + kFactory[1] + " " + kFactory[2] +
                   " --ip auto --mask 255.255.255.0 --router 192.0.2.254",
               kStray + " answers from 198.51.100.210, which lies in none of eth0's networks "
                        "(192.0.2.0/24)"},
              {}, "the notes");

  const test::ProgramResult csv = Kv3({"find", "--csv"}, {}, {"LANG=de_DE.UTF-8"});
  ASSERT_EQ(csv.status, 0) << csv.err;
  ExpectTexts(csv.out,
              {"\xEF\xBB\xBFmac,address,mask,router,dhcp,firmware,webApp,scheme,skin,deviceName,"
               "user,state,adapter\r\n",
               kOk + ",192.0.2.11,255.255.255.0,192.0.2.254,off,V1.0,original,original,original,"
                     "\"Keller, \"\"Nord\"\"\",admin,ok,eth0\r\n"},
              {}, "the CSV");
}

// The installer's job: units at one factory address moved by one call, proved, updated, and
// every step in the journal.
TEST_F(Commissioning, FactoryUnitsAreMovedProvedUpdatedAndJournalled) {
  std::vector<std::string> set = {"set"};
  set.insert(set.end(), kFactory.begin(), kFactory.end());
  for (const char* word : {"--ip", "auto", "--mask", "255.255.255.0", "--router", "192.0.2.254",
                           "--json", "--journal"}) {
    set.emplace_back(word);
  }
  set.push_back(journal());
  const test::ProgramResult moved = Kv3(set);
  ASSERT_EQ(moved.status, 0) << moved.err;
  const auto units = nlohmann::json::parse(moved.out).at("units");
  ASSERT_EQ(units.size(), 3u);
  // 192.0.2.2 is the simulator's own: it refuses a connection.
  const std::vector<std::string> addresses = {"192.0.2.3", "192.0.2.4", "192.0.2.5"};
  for (std::size_t i = 0; i < units.size(); ++i) {
    EXPECT_EQ(units[i].at("via"), "SETT");
    EXPECT_EQ(units[i].at("result"), "verified");
    EXPECT_EQ(units[i].at("before").at("state"), i < 2 ? "shared-address" : "other-network");
    EXPECT_EQ(units[i].at("after").at("address"), addresses[i]);
    EXPECT_EQ(units[i].at("after").at("state"), "ok");
  }
  EXPECT_EQ(lan->logOf("h").find("SETC"), std::string::npos);

  const std::filesystem::path firmware = directory.path() / "kv3.bin";
  test::WriteFileBytes(firmware, test::PatternBytes(3000));
  std::vector<std::string> update = {"update", "firmware"};
  update.insert(update.end(), kFactory.begin(), kFactory.end());
  for (const std::string& word :
       {firmware.string(), std::string("--json"), std::string("--journal"), journal()}) {
    update.push_back(word);
  }
  const test::ProgramResult updated = Kv3(update);
  ASSERT_EQ(updated.status, 0) << updated.err;
  const auto summary = nlohmann::json::parse(updated.out);
  ASSERT_EQ(summary.at("units").size(), 3u);
  for (const auto& unit : summary.at("units")) {
    EXPECT_EQ(unit.at("result"), "done");
    EXPECT_EQ(unit.at("before").at("firmware"), "V1.0");
    EXPECT_EQ(unit.at("after").at("firmware"), "V1.1");
  }

  const std::vector<nlohmann::json> lines = journalLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].at("operation"), "move");
  EXPECT_EQ(lines[0].at("after").at("address"), "192.0.2.3");
  EXPECT_EQ(lines[3].at("operation"), "firmware");
  EXPECT_EQ(lines[3].at("file").at("size"), 3000);
  EXPECT_EQ(lines[3].at("file").at("sha256").get<std::string>().size(), 64u);
  EXPECT_EQ(lines[5].at("outcome"), "done");
  const test::ProgramResult shown = Kv3({"journal", kFactory[1], "--journal", journal()});
  ExpectTexts(shown.out, {"192.0.2.4       firmware   kv3.bin  done"}, {kFactory[0]},
              "kv3 journal");
}

struct RefusalRow {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  std::string message;
  std::string journalled;  // the outcome the journal records; empty: nothing was sent
};

void PrintTo(const RefusalRow& row, std::ostream* out) { *out << row.name; }

class CommissioningFails : public Commissioning,
                           public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(CommissioningFails, SaysWhyAndRecordsWhatWasSent) {
  const RefusalRow& row = GetParam();
  std::vector<std::string> arguments = row.arguments;
  for (std::string& argument : arguments) {
    if (argument != "FW") continue;
    argument = (directory.path() / "kv3.bin").string();
    test::WriteFileBytes(argument, test::PatternBytes(3000));
  }
  arguments.push_back("--journal");
  arguments.push_back(journal());
  const test::ProgramResult result = Kv3(arguments);
  EXPECT_EQ(result.status, row.status) << result.err;
  ExpectTexts(result.err, {row.message}, {}, "standard error");
  const std::vector<nlohmann::json> lines =
      std::filesystem::exists(journal()) ? journalLines() : std::vector<nlohmann::json>{};
  ASSERT_EQ(lines.size(), row.journalled.empty() ? 0u : 1u);
  if (!lines.empty()) {
    EXPECT_EQ(lines[0].at("outcome"), row.journalled);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kv3, CommissioningFails,
    ::testing::Values(RefusalRow{"AMoveTheUnitIgnores",
                                 {"set", kStray, "--ip", "192.0.2.60", "--mask", "255.255.255.0",
                                  "--router", "192.0.2.254", "--wait", "3"},
                                 1,
                                 "address is \"198.51.100.210\", not \"192.0.2.60\"",
                                 "differs"},
                      RefusalRow{"AnAddressAHostHolds",
                                 {"set", kStray, "--ip", "192.0.2.2", "--mask", "255.255.255.0",
                                  "--router", "192.0.2.254"},
                                 2,
                                 "--ip: 192.0.2.2 is taken",
                                 ""},
                      RefusalRow{"AMacOfTwoUnits",
                                 {"set", kTwin, "--ip", "auto"},
                                 1,
                                 "Several units answer with the MAC address " + kTwin,
                                 ""},
                      RefusalRow{"OneAddressForSeveralUnits",
                                 {"set", kFactory[0], kFactory[1], "--ip", "192.0.2.60"},
                                 2,
                                 "several units cannot get one address",
                                 ""},
                      RefusalRow{"ANameIsNoMoveByMac",
                                 {"set", kOk, "--by-mac", "--name", "Dach"},
                                 2,
                                 "--by-mac takes network values only",
                                 ""},
                      RefusalRow{"AFirmwareWhoseUnitDoesNotComeBack",
                                 {"update", "firmware", kGone, "FW", "--wait", "3"},
                                 1,
                                 kGone + ": took the file but has not answered since its restart",
                                 "noAnswerAfterRestart"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kv3::cli
