#include "sim/options.h"

#include <gtest/gtest.h>

namespace kv3::sim {
namespace {

Unit Parsed(std::string_view text) {
  Unit unit;
  std::string error;
  EXPECT_TRUE(ParseUnitOption(text, 0, unit, error)) << text << ": " << error;
  return unit;
}

TEST(UnitOption, ExampleFromTheHelpText) {
  const Unit unit = Parsed(
      "mac=00:1A:2B:3C:4D:5E,ip=127.0.0.2,fw=1.7,name=Heizung,user=admin,password=geheim12,"
      "version=\"V1.7 2026\",scheme=anlage.jpg,skin=rahmen.jpg,webapp=web1.rom,dhcp=1,"
      "mask=255.255.255.0,gateway=127.0.0.1,fault=FIND:late:600");
  EXPECT_EQ(unit.mac, (Mac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
  EXPECT_EQ(unit.ip, (Ipv4{127, 0, 0, 2}));
  EXPECT_EQ(unit.mask, (Ipv4{255, 255, 255, 0}));
  EXPECT_EQ(unit.gateway, (Ipv4{127, 0, 0, 1}));
  EXPECT_TRUE(unit.dhcp);
  EXPECT_EQ(unit.fwMajor, 1);
  EXPECT_EQ(unit.fwMinor, 7);
  EXPECT_EQ(unit.deviceName, "Heizung");
  EXPECT_EQ(unit.accountText(), "admin:geheim12");
  EXPECT_EQ(unit.version, "V1.7 2026");
  EXPECT_EQ(unit.scheme, "anlage.jpg");
  EXPECT_EQ(unit.skin, "rahmen.jpg");
  EXPECT_EQ(unit.webApp, "web1.rom");
  EXPECT_EQ(unit.fault(Command::Find), Fault{.lateMs = 600});
}

TEST(UnitOption, TextValuesKeepTheirCharacters) {
  struct Case {
    const char* text;
    std::string Unit::*field;
    std::string expected;
  };
  const Case cases[] = {
      {"user=ad:min,password=p=w:x", &Unit::password, "p=w:x"},
      {"user=ad:min", &Unit::user, "ad:min"},
      {"version=\"V1.7, beta\"", &Unit::version, "V1.7, beta"},
      {"name=a\\,b", &Unit::deviceName, "a,b"},
      {"name=Hei\\\\zung", &Unit::deviceName, "Hei\\zung"},
      {"name=", &Unit::deviceName, ""},
      {"fw=2.10", &Unit::version, "V2.10"},
      {"name=K\u00fcche \u20ac", &Unit::deviceName,
       "K\xfc"
       "che \x80"},  // UTF-8 in, 1252 out
  };
  for (const Case& c : cases) EXPECT_EQ(Parsed(c.text).*c.field, c.expected) << c.text;
  EXPECT_EQ(Parsed("account=kein doppelpunkt").accountText(), "kein doppelpunkt");
  EXPECT_EQ(Parsed("account=a:b:c,user=x").accountText(), "a:b:c");
}

TEST(UnitOption, FaultsAddUp) {
  const Unit unit = Parsed(
      "fault=FIND:late:600,fault=find:noword,fault=PaWd:first-only,"
      "fault=SETC:silent,fault=Vers:silent,fault=Vers:none");
  EXPECT_EQ(unit.fault(Command::Find), (Fault{.lateMs = 600, .noWord = true}));
  EXPECT_EQ(unit.fault(Command::PaWd), Fault{.firstOnly = true});
  EXPECT_EQ(unit.fault(Command::Setc), Fault{.silent = true});
  EXPECT_EQ(unit.fault(Command::Vers), Fault{});
}

TEST(UnitOption, DefaultsDifferPerUnit) {
  Unit second;
  std::string error;
  ASSERT_TRUE(ParseUnitOption("", 1, second, error));
  EXPECT_NE(second.mac, Parsed("").mac);
  EXPECT_NE(second.ip, Parsed("").ip);
}

TEST(UnitOption, BadUnitOptionsAreRefusedWithAMessage) {
  const char* const options[] = {
      "ip=127.0.0.256",
      "ip=127.0.0",
      "ip=127.0.0.1.",
      "mac=00:1A:2B:3C:4D",
      "mac=00:1A:2B:3C:4D:5G",
      "fw=1",
      "fw=1.256",
      "dhcp=2",
      "colour=red",
      "ip",
      "ip=127.0.0.2,",
      "name=\"abc",
      "name=abc\\",
      "fault=FIND",
      "fault=FIND:first-only",
      "fault=Vers:noword",
      "name=\u65e5\u672c",
      "user=\xff",
      "fault=XXXX:silent",
      "fault=PaWd:late:-1",
      "fault=SETC:late:600001",
      "fault=FIND:late:",
  };
  for (const char* text : options) {
    Unit unit;
    std::string error;
    EXPECT_FALSE(ParseUnitOption(text, 0, unit, error)) << text;
    EXPECT_FALSE(error.empty()) << text;
  }
}

TEST(CommandLineOptions, ReadsPortsBindLogAndUnits) {
  std::string error;
  const auto line =
      ParseCommandLine({"--command-port", "41000", "--transfer-port=41001", "--bind", "127.0.0.1",
                        "--log", "--unit", "ip=127.0.0.5", "--unit=ip=127.0.0.6"},
                       error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->config.commandPort, 41000);
  EXPECT_EQ(line->config.transferPort, 41001);
  EXPECT_EQ(line->config.bindAddress, (Ipv4{127, 0, 0, 1}));
  EXPECT_TRUE(line->config.logToStderr);
  ASSERT_EQ(line->config.units.size(), 2u);
  EXPECT_EQ(line->config.units[1].ip, (Ipv4{127, 0, 0, 6}));

  const auto plain = ParseCommandLine({}, error);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->config.commandPort, 48713);
  EXPECT_EQ(plain->config.units.size(), 1u);
}

TEST(CommandLineOptions, BadOptionsAreRefused) {
  const std::vector<std::vector<std::string>> lines = {
      {"--command-port", "0"},
      {"--command-port", "65536"},
      {"--command-port"},
      {"--bind", "localhost"},
      {"--unit", "ip=x"},
      {"--frobnicate"},
      {"stray"},
  };
  for (const auto& args : lines) {
    std::string error;
    EXPECT_FALSE(ParseCommandLine(args, error)) << args.front();
    EXPECT_FALSE(error.empty()) << args.front();
  }
}

// Units on every address of a machine on a real network would answer its computers as real
// units: kv3sim starts there only when told so, or bound to a loopback address.
TEST(CommandLineOptions, AnAdapterBesidesLoopbackRefusesTheStart) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> adapters;
    std::string refusal;  // "": started
  };
  const Case cases[] = {
      {{}, {}, ""},
      {{},
       {"eth0"},
       "not started: eth0 is up, and the units would answer every computer there as real units. "
       "Start kv3sim in a network namespace with only loopback (scripts/isolated), or give "
       "--on-network in one whose network is made for the test (scripts/netns-lan)."},
      {{"--bind", "192.0.2.5"},
       {"eth0", "wlan0"},
       "not started: eth0, wlan0 are up, and the units would answer every computer there as real "
       "units. Start kv3sim in a network namespace with only loopback (scripts/isolated), or give "
       "--on-network in one whose network is made for the test (scripts/netns-lan)."},
      {{"--on-network"}, {"eth0"}, ""},
      {{"--bind", "127.0.0.2"}, {"eth0"}, ""},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto line = ParseCommandLine(c.args, error);
    ASSERT_TRUE(line) << error;
    EXPECT_EQ(NetworkRefusal(*line, c.adapters).value_or(""), c.refusal)
        << c.args.size() << " options, " << c.adapters.size() << " adapters";
  }
}

}  // namespace
}  // namespace kv3::sim
