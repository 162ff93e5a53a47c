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
};

// Names the row in test output, not its bytes.
void PrintTo(const SetRow& row, std::ostream* out) { *out << row.name; }

// u1 takes settings; u2 acts on them but never acknowledges; f1 is behind the router.
class Set : public CliOnLan, public ::testing::TestWithParam<SetRow> {
 protected:
  void SetUp() override {
    if (!build({"mac=00:1A:2B:3C:4D:01,ip=192.0.2.11,name=Keller",
                "mac=00:1A:2B:3C:4D:02,ip=192.0.2.12,fault=SETC:silent"},
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
  const std::string heard = lan->logOf("u1") + lan->logOf("u2");
  EXPECT_EQ(heard.find("SETC") != std::string::npos, row.settingsSent) << heard;
  if (row.status == 2) {
    // A refused value ends the run before any datagram.
    EXPECT_EQ(heard.find("FIND"), std::string::npos) << heard;
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
               {"set", "00:1A:2B:3C:4D:99", "--name", "x"},
               "",
               3,
               "No unit with the MAC address 00:1A:2B:3C:4D:99 answered.",
               false},
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
  EXPECT_EQ(nlohmann::json::parse(set.out),
            nlohmann::json::parse(R"({"mac": "00:1A:2B:3C:4D:01", "address": "192.0.2.11",
                                      "result": "verified", "differs": null})"));
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
  EXPECT_EQ((lan->logOf("u1") + lan->logOf("u2")).find("SETC"), std::string::npos);
  const test::ProgramResult found = Kv3({"find"});
  ExpectTexts(found.out, {kUnit + " *"}, {}, "find");
  ExpectTexts(found.err, {"* Several units answer with the MAC address " + kUnit}, {}, "find");
}

}  // namespace
}  // namespace kv3::cli
