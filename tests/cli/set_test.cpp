#include <nlohmann/json.hpp>

#include "cli_lan.h"

namespace kv3::cli {
namespace {

struct SetRow {
  const char* name;
  std::vector<std::string> arguments;
  std::string input;  // standard input: the password
  int status;
  std::string message;  // on standard output when the run succeeded, else on standard error
  bool settingsSent;
  bool searched = false;  // refused once the search showed the unit
};

// Names the row in test output, not its bytes.
void PrintTo(const SetRow& row, std::ostream* out) { *out << row.name; }

// u1 takes settings; u2 acts on them but never acknowledges; u3 tells nothing of its texts; u4's
// name holds a backslash; f1 is behind the router.
class Set : public CliOnLan, public ::testing::TestWithParam<SetRow> {
 protected:
  void SetUp() override {
    if (!build({"mac=00:1A:2B:3C:4D:01,ip=192.0.2.11,name=Keller",
                "mac=00:1A:2B:3C:4D:02,ip=192.0.2.12,fault=SETC:silent",
                "mac=00:1A:2B:3C:4D:04,ip=192.0.2.14,fault=PaWd:silent",
                "mac=00:1A:2B:3C:4D:06,ip=192.0.2.16,name=Kel\\\\ler"},
               {"mac=00:1A:2B:3C:4D:03,ip=198.51.100.21"})) {
      GTEST_SKIP() << test::NamespaceLan::unavailableReason();
    }
  }
};

TEST_P(Set, ChecksSendsAndVerifies) {
  const SetRow& row = GetParam();
  const test::ProgramResult result = Kv3(row.arguments, row.input);
  EXPECT_EQ(result.status, row.status) << result.err;
  ExpectTexts(row.status == 0 ? result.out : result.err, {row.message}, {}, "kv3's message");
  const std::string heard =
      lan->logOf("u1") + lan->logOf("u2") + lan->logOf("u3") + lan->logOf("u4");
  EXPECT_EQ(heard.find("SETC") != std::string::npos, row.settingsSent) << heard;
  if (row.status == 2 && !row.searched) {
    // A refused value ends the run before any datagram.
    EXPECT_EQ(heard.find("FIND"), std::string::npos) << heard;
  }
  if (std::find(row.arguments.begin(), row.arguments.end(), "--json") != row.arguments.end()) {
    EXPECT_TRUE(nlohmann::json::parse(result.out).contains("result")) << result.out;
  }
}

const std::string kUnit = "00:1A:2B:3C:4D:01";

INSTANTIATE_TEST_SUITE_P(
    Kv3, Set,
    ::testing::Values(
        SetRow{"AUnitBehindARouter",
               {"set", "00:1A:2B:3C:4D:03", "--address", "198.51.100.21", "--name", "Keller"},
               "",
               2,
               "settings can only be written in the unit's own network",
               false},
        SetRow{"AddressPartAbove255",
               {"set", kUnit, "--ip", "256.1.1.1"},
               "",
               2,
               "--ip: \"256.1.1.1\" is not a valid IPv4 address.",
               false},
        SetRow{"PasswordOfFive",
               {"set", kUnit, "--password-stdin"},
               "abcde\n",
               2,
               "The password must have 6 to 12 characters.",
               false},
        SetRow{"PasswordOfThirteen",
               {"set", kUnit, "--password-stdin"},
               "abcdefghijklm\n",
               2,
               "The password must have 6 to 12 characters.",
               false},
        SetRow{"UmlautInTheName",
               {"set", kUnit, "--name", "Küche"},
               "",
               2,
               "--name: only characters below 0x80 are allowed, \"ü\" is not.",
               false},
        SetRow{"NameOf31",
               {"set", kUnit, "--name", std::string(31, 'n')},
               "",
               2,
               "--name: at most 30 characters.",
               false},
        SetRow{"ZeroByteInThePassword",
               {"set", kUnit, "--password-stdin"},
               std::string("abc\0defgh\n", 10),
               2,
               "--password: a unit cannot keep control characters such as \\x00.",
               false},
        SetRow{"ColonInTheUserName",
               {"set", kUnit, "--user", "ad:min"},
               "",
               2,
               "--user: a user name cannot hold \":\"",
               false},
        SetRow{"UnknownMac",
               {"set", "00:1A:2B:3C:4D:99", "--name", "x", "--json"},
               "",
               3,
               "No unit with the MAC address 00:1A:2B:3C:4D:99 answered.",
               false},
        // What the unit did not tell whole is not sent back: "SETC" carries every text.
        SetRow{"NameNeverRead",
               {"set", "00:1A:2B:3C:4D:04", "--user", "admin", "--password-stdin"},
               "Neu#2026x\n",
               1,
               "The unit's device name is not known (it did not answer \"PaWd\" at 192.0.2.14)",
               false},
        SetRow{"UnitNameWithABackslash",
               {"set", "00:1A:2B:3C:4D:06", "--user", "admin"},
               "",
               1,
               "The unit's device name \"Kel\\\\ler\" holds \"\\\"",
               false},
        SetRow{"BackslashInTheName",
               {"set", kUnit, "--name", "Kel\\ler"},
               "",
               2,
               "--name: a device name cannot hold \"\\\"",
               false},
        // Values that would leave the unit unreachable, or at an address in use.
        SetRow{"MaskNotContiguous",
               {"set", kUnit, "--mask", "255.0.255.0"},
               "",
               2,
               "--mask: 255.0.255.0 is no subnet mask",
               false},
        SetRow{"RouterOutsideTheNetwork",
               {"set", kUnit, "--router", "10.0.0.1"},
               "",
               2,
               "--router: 10.0.0.1 lies outside the unit's network 192.0.0.0/8",
               false,
               true},
        SetRow{"TheComputersOwnAddress",
               {"set", kUnit, "--ip", "192.0.2.1", "--router", "192.0.2.254"},
               "",
               2,
               "--ip: 192.0.2.1 is this computer's own address (on eth0).",
               false,
               true},
        SetRow{"AnotherUnitsAddress",
               {"set", kUnit, "--ip", "192.0.2.12", "--router", "192.0.2.254"},
               "",
               2,
               "--ip: 192.0.2.12 is the address of the unit 00:1A:2B:3C:4D:02.",
               false,
               true},
        SetRow{"NotAcknowledged",
               {"set", "00:1A:2B:3C:4D:02", "--name", "Dach"},
               "",
               3,
               "The unit did not acknowledge the settings.",
               true},
        SetRow{"EverythingAtOnce",
               {"set", "00-1a-2b-3c-4d-01", "--name", "Heizraum Nord", "--mask", "255.255.255.0",
                "--router", "192.0.2.254", "--user", "service", "--password-stdin"},
               "Neu#2026x\r\n",
               0,
               "The unit shows the new settings.",
               true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Set, NewValuesStayWithTheUnit) {
  const test::ProgramResult set =
      Kv3({"set", kUnit, "--name", "Heizraum", "--router", "192.0.2.254", "--mask",
           "255.255.255.000", "--password-stdin", "--json"},
          "Neu#2026x\n");
  ASSERT_EQ(set.status, 0) << set.err;
  auto document = nlohmann::json::parse(set.out);
  EXPECT_EQ(document.at("before").at("mask"), "255.0.0.0");
  EXPECT_EQ(document.at("after").at("mask"), "255.255.255.0");
  document.erase("before");
  document.erase("after");
  EXPECT_EQ(document, nlohmann::json::parse(R"({"mac": "00:1A:2B:3C:4D:01", "address": "192.0.2.11",
                                      "result": "verified", "differs": null, "via": "SETC"})"));
  const test::ProgramResult shown = Kv3({"show", kUnit, "--json", "--show-password"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  const auto unit = nlohmann::json::parse(shown.out);
  EXPECT_EQ(unit.at("deviceName"), "Heizraum");
  EXPECT_EQ(unit.at("router"), "192.0.2.254");
  EXPECT_EQ(unit.at("mask"), "255.255.255.0");
  EXPECT_EQ(unit.at("user"), "admin");
  EXPECT_EQ(unit.at("password"), "Neu#2026x");
  EXPECT_EQ(unit.at("dhcp"), false);
}

// Two units that answer with one MAC: "SETC" would change both, so set refuses, and find marks
// them.
class SetTwins : public CliOnLan, public ::testing::Test {
 protected:
  void SetUp() override {
    if (!build({"mac=00:1A:2B:3C:4D:01,ip=192.0.2.11", "mac=00:1A:2B:3C:4D:01,ip=192.0.2.12"})) {
      GTEST_SKIP() << test::NamespaceLan::unavailableReason();
    }
  }
};

TEST_F(SetTwins, AMacOfTwoUnitsIsRefused) {
  const test::ProgramResult set = Kv3({"set", kUnit, "--name", "Dach"});
  EXPECT_EQ(set.status, 1);
  ExpectTexts(set.err, {"MAC address 00:1A:2B:3C:4D:01 (192.0.2.11, 192.0.2.12)"}, {}, "set");
  const std::filesystem::path file = directory.path() / "kv3.bin";
  test::WriteFileBytes(file, test::PatternBytes(3000));
  const test::ProgramResult update = Kv3({"update", "firmware", kUnit, file.string()});
  EXPECT_EQ(update.status, 1);
  ExpectTexts(update.out, {kUnit + "  192.0.2.11  shared MAC"}, {}, "update");
  EXPECT_FALSE(std::filesystem::exists(store()));
  EXPECT_EQ((lan->logOf("u1") + lan->logOf("u2")).find("SETC"), std::string::npos);
  const test::ProgramResult found = Kv3({"find"});
  ExpectTexts(found.out, {kUnit + " *"}, {}, "find");
  ExpectTexts(found.err, {"* Several units answer with the MAC address " + kUnit}, {}, "find");
}

}  // namespace
}  // namespace kv3::cli

namespace kv3::cli {
namespace {

// A unit in the network of the PC's second address: "SETC", a broadcast, leaves from that
// address, so that the unit's answer reaches the PC and the name datagram follows.
TEST(SetOnASecondAddress, TheUnitsAcknowledgementComesBack) {
  struct Lan : CliOnLan {
    using CliOnLan::build;
    using CliOnLan::lan;
  } lan;
  if (!lan.build(
          {}, {}, {}, {},
          {"--pc-address", "198.19.5.1/24", "--segment-unit",
           "mac=00:1A:2B:3C:4D:41,ip=198.19.5.20,mask=255.255.255.0,gateway=198.19.5.254"})) {
    GTEST_SKIP() << test::NamespaceLan::unavailableReason();
  }
  const test::ProgramResult set = Kv3({"set", "00:1A:2B:3C:4D:41", "--name", "Keller"});
  EXPECT_EQ(set.status, 0) << set.err;
  ExpectTexts(set.out, {"The unit shows the new settings."}, {}, "set");
}

}  // namespace
}  // namespace kv3::cli
