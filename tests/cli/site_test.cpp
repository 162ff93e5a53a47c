#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "cli/site_file.h"
#include "cli_lan.h"
#include "support/loopback_lan.h"

namespace kv3::cli {
namespace {

struct RefusalRow {
  const char* name;
  std::string csv;
  int row;
  std::string column;
  std::string words;  // part of the problem's words
};

void PrintTo(const RefusalRow& row, std::ostream* out) { *out << row.name; }

class SiteFileRefuses : public ::testing::TestWithParam<RefusalRow> {};

// Each fault is named with its row and column, and a file with one names no unit to work on.
TEST_P(SiteFileRefuses, NamingRowAndColumn) {
  const RefusalRow& row = GetParam();
  const SiteFile site = ParseSite(row.csv, "/site", EnglishSiteTexts);
  ASSERT_EQ(site.problems.size(), 1u) << (site.problems.empty() ? "" : site.problems.back().words);
  EXPECT_EQ(site.problems[0].row, row.row);
  EXPECT_EQ(site.problems[0].column, row.column);
  ExpectTexts(site.problems[0].words, {row.words}, {}, "the problem");
}

const std::string kHead = "mac,name,ip,mask,router,dhcp,user,password,firmware,firmwareVersion\n";

INSTANTIATE_TEST_SUITE_P(
    Kv3, SiteFileRefuses,
    ::testing::Values(
        RefusalRow{"NoIpv4Address", kHead + "00:1a:2b:3c:4d:01,,192.0.2.300\n", 2, "ip",
                   "\"192.0.2.300\" is no IPv4 address"},
        RefusalRow{"MaskWithAHole", kHead + "00:1a:2b:3c:4d:01,,,255.0.255.0\n", 2, "mask",
                   "255.0.255.0 is no subnet mask"},
        RefusalRow{"MacTwiceWrittenTwoWays", kHead + "00:1a:2b:3c:4d:01\n001A2B3C4D01\n", 3, "mac",
                   "00:1A:2B:3C:4D:01 is in row 2 already"},
        RefusalRow{"AddressTwiceAsTheUnitHoldsIt",
                   kHead + "00:1a:2b:3c:4d:01,,10.0.0.1\n00:1a:2b:3c:4d:02,,010.0.0.1\n", 3, "ip",
                   "10.0.0.1 is in row 2 already"},
        RefusalRow{"UnknownColumn", "mac,adress\n00:1a:2b:3c:4d:01,10.0.0.1\n", 1, "adress",
                   "the columns are mac, name"},
        RefusalRow{"NoMacColumn", "name\nKeller\n", 1, "mac", "the column mac is missing"},
        RefusalRow{"NoMac", kHead + ",Keller\n", 2, "mac", "missing"},
        RefusalRow{"FirmwareWithoutVersion", kHead + "00:1a:2b:3c:4d:01,,,,,,,,kv3.bin\n", 2,
                   "firmwareVersion", "version text"},
        RefusalRow{"NameWithAnUmlaut", kHead + "00:1a:2b:3c:4d:01,J\xC3\xBCrgen\n", 2, "name",
                   "only characters below 0x80"},
        RefusalRow{"NameWithABackslash", kHead + "00:1a:2b:3c:4d:01,Keller\\Nord\n", 2, "name",
                   "\"\\\""},
        RefusalRow{"NameTooLong", kHead + "00:1a:2b:3c:4d:01," + std::string(31, 'x') + "\n", 2,
                   "name", "at most 30 characters"},
        RefusalRow{"ColonInUser", kHead + "00:1a:2b:3c:4d:01,,,,,,a:b\n", 2, "user", "\":\""},
        RefusalRow{"ShortPassword", kHead + "00:1a:2b:3c:4d:01,,,,,,,abc\n", 2, "password",
                   "6 to 12 characters"},
        RefusalRow{"DhcpNeitherOnNorOff", kHead + "00:1a:2b:3c:4d:01,,,,,ja\n", 2, "dhcp",
                   "on or off expected"},
        RefusalRow{"DhcpWithAnAddress", kHead + "00:1a:2b:3c:4d:01,,10.0.0.5,,,on\n", 2, "dhcp",
                   "leave ip, mask and router empty"},
        RefusalRow{"QuoteNeverClosed", kHead + "00:1a:2b:3c:4d:01,\"Keller\n", 0, "",
                   "never closed"},
        RefusalRow{"Latin1Bytes", kHead + "00:1a:2b:3c:4d:01,J\xFCrgen\n", 0, "", "no UTF-8"},
        RefusalRow{"MoreCellsThanColumns", "mac,name\n00:1a:2b:3c:4d:01,Keller,x\n", 2, "",
                   "more cells"}),
    [](const auto& info) { return std::string(info.param.name); });

// A spreadsheet under a German locale: semicolons, a byte-order mark, CRLF, heads in another
// case and order, a quoted cell with the separator and a doubled quote in it.
TEST(SiteFile, TakesWhatSpreadsheetsWrite) {
  const SiteFile site = ParseSite(
      "\xEF\xBB\xBF"
      "Firmware;MAC;Name;DHCP;firmwareVersion\r\n"
      "j\xC3\xBCrgen/kv3.bin;00-1A-2B-3C-4D-01;\"Keller; \"\"Nord\"\"\";off;V1.1\r\n"
      ";;;;\r\n",
      "/site", EnglishSiteTexts);
  ASSERT_TRUE(site.problems.empty()) << site.problems[0].words;
  ASSERT_EQ(site.rows.size(), 1u);
  EXPECT_EQ(site.rows[0].macText, "00:1A:2B:3C:4D:01");
  EXPECT_EQ(site.rows[0].name, "Keller; \"Nord\"");
  EXPECT_EQ(site.rows[0].dhcp, false);
  EXPECT_EQ(site.rows[0].firmware, "/site/j\xC3\xBCrgen/kv3.bin");
  EXPECT_FALSE(site.rows[0].ip);
}

// Versions compare by their numbers: a firmware is refused as older only when it is.
TEST(SiteFile, ComparesVersionsByTheirNumbers) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"V1.10", "V1.9", 1}, {"V2.0", "V1.99", 1},   {"V1.1", "V1.1", 0},
      {"1.0", "V1.1", -1},  {"V1.1", "V1.1.2", -1}, {"beta", "V1.0", 0}};
  for (const auto& [a, b, order] : cases) EXPECT_EQ(CompareVersions(a, b), order) << a << " " << b;
}

// A site file with passwords that others may read is refused, as ssh refuses such a key.
TEST(SiteFile, WithPasswordsOnlyWhenNobodyElseMayReadIt) {
  test::ScratchDirectory directory;
  const std::filesystem::path file = directory.path() / "site.csv";
  test::WriteFileBytes(file, "mac,password\n00:1a:2b:3c:4d:01,geheim12\n");
  ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
  const SiteFile readable = ReadSite(file, EnglishSiteTexts);
  ASSERT_EQ(readable.problems.size(), 1u);
  ExpectTexts(readable.problems[0].words, {"holds passwords and others may read it"}, {}, "it");
  ASSERT_EQ(::chmod(file.c_str(), 0600), 0);
  EXPECT_TRUE(ReadSite(file, EnglishSiteTexts).problems.empty());
}

const std::string kOk = "00:1A:2B:3C:4D:01";
const std::vector<std::string> kFactory = {"00:1A:2B:3C:4D:55", "00:1A:2B:3C:4D:56",
                                           "00:1A:2B:3C:4D:57"};
const std::string kRefuses = "00:1A:2B:3C:4D:61";  // takes no firmware

// Beside the PC one unit in use; three new units at one factory address in another network,
// and one that refuses every firmware, played by one simulator.
class Site : public CliOnLan, public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string mask = ",mask=255.255.255.0";
    std::vector<std::string> hosted;
    for (const std::string& mac : kFactory) {
      hosted.push_back("mac=" + mac + ",ip=198.51.100.200,gateway=198.51.100.1" + mask);
    }
    hosted.push_back("mac=" + kRefuses + ",ip=192.0.2.61,fault=FWUP:refuse" + mask);
    if (!build({"mac=" + kOk + ",ip=192.0.2.11,gateway=192.0.2.254,name=Keller" + mask}, {}, {},
               hosted)) {
      GTEST_SKIP() << test::NamespaceLan::unavailableReason();
    }
    test::WriteFileBytes(directory.path() / "kv3.bin", test::PatternBytes(3000));
  }
  std::string write(const std::string& name, const std::string& csv) {
    const std::filesystem::path file = directory.path() / name;
    test::WriteFileBytes(file, csv);
    return file.string();
  }
  // What the units were sent: the commands' words.
  std::multiset<std::string> received() const {
    std::multiset<std::string> words;
    for (const char* host : {"u1", "h"}) {
      std::istringstream log(lan->logOf(host));
      for (std::string line; std::getline(log, line);) {
        if (line.find(" -> ") == std::string::npos) continue;
        std::istringstream fields(line.substr(line.find(" bytes ") + 7));
        std::string word;
        fields >> word;
        words.insert(word);
      }
    }
    return words;
  }
};

TEST_F(Site, IsPlannedAppliedProvedAndThenHasNothingToDo) {
  std::string csv =
      "mac;name;ip;mask;router;firmware;firmwareVersion\n" + kOk + ";Keller Nord;;;;kv3.bin;V1.1\n";
  for (std::size_t i = 0; i < kFactory.size(); ++i) {
    csv += kFactory[i] + ";Heizung " + std::to_string(i + 1) + ";192.0.2.2" +
           std::to_string(i + 1) + ";255.255.255.0;192.0.2.254;kv3.bin;V1.1\n";
  }
  const std::string site = write("site.csv", csv);
  // Addresses another host (the simulator's own) or a unit not in the file holds are refused.
  const std::string taken =
      write("taken.csv", "mac,ip\n" + kFactory[0] + ",192.0.2.2\n" + kFactory[1] + ",192.0.2.61\n");
  const test::ProgramResult refused = Kv3({"site", "plan", taken});
  EXPECT_EQ(refused.status, 2) << refused.err;
  ExpectTexts(refused.err,
              {"row 2, ip: 192.0.2.2 is taken",
               "row 3, ip: 192.0.2.61 is the address of the unit " + kRefuses},
              {}, "the refusal");
  const test::ProgramResult plan = Kv3({"site", "plan", site, "--json"});
  ASSERT_EQ(plan.status, 0) << plan.err;
  const auto planned = nlohmann::json::parse(plan.out);
  EXPECT_FALSE(planned.at("nothingToDo"));
  EXPECT_EQ(planned.at("rows")[1].at("changes")[0].at("step"), "move");
  EXPECT_EQ(planned.at("others")[0].at("mac"), kRefuses);
  // The plan asked the units nothing but the search and their texts.
  for (const std::string& word : received()) {
    EXPECT_TRUE(word == "FIND" || word == "PaWd" || word == "Vers" || word == "?") << word;
  }

  const test::ProgramResult applied = Kv3({"site", "apply", site, "--yes", "--json"});
  ASSERT_EQ(applied.status, 0) << applied.err;
  const auto steps = nlohmann::json::parse(applied.out).at("steps");
  ASSERT_EQ(steps.size(), 11u);  // settings and firmware of one, move, settings and firmware of 3
  for (const auto& step : steps) EXPECT_EQ(step.at("result"), "done") << step;
  EXPECT_EQ(lan->logOf("h").find("SETC taken by unit 0"),
            lan->logOf("h").rfind("SETC taken by unit 0"))
      << "the factory units each took one save, after their move";

  const test::ProgramResult again = Kv3({"site", "plan", site, "--check"});
  EXPECT_EQ(again.status, 0) << again.out << again.err;
  ExpectTexts(again.out, {"192.0.2.21", "unchanged"}, {"\u2192"}, "the plan after apply");
  const std::size_t uploads = received().count("FWUP");
  const test::ProgramResult twice = Kv3({"site", "apply", site, "--yes"});
  EXPECT_EQ(twice.status, 0) << twice.err;
  EXPECT_EQ(received().count("FWUP"), uploads) << "a second apply sent no firmware";

  // A unit that fails its firmware in the first wave: the later waves do not start.
  const std::string more =
      write("more.csv", "mac,firmware,firmwareVersion\n" + kRefuses + ",kv3.bin,V1.1\n" +
                            kFactory[0] + ",kv3.bin,V1.2\n" + kFactory[1] + ",kv3.bin,V1.2\n");
  const test::ProgramResult failed = Kv3({"site", "apply", more, "--yes", "--wave", "1", "--json"});
  EXPECT_EQ(failed.status, 1) << failed.err;
  const auto document = nlohmann::json::parse(failed.out);
  const std::vector<std::string> results = {"failed", "notStarted", "notStarted"};
  for (std::size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(document.at("steps")[i].at("result"), results[i]) << document;
  }
  EXPECT_EQ(document.at("retry"), "kv3 site apply " + more);
  EXPECT_EQ(received().count("FWUP"), uploads + 1);
}

}  // namespace
}  // namespace kv3::cli
