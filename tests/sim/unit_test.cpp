#include "sim/unit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kv3::sim {
namespace {

std::string FieldBytes(const Record& record, std::size_t at, std::size_t width) {
  return std::string(record.begin() + at, record.begin() + at + width);
}

TEST(FindRecord, NamesAreCutToTheirFieldsAndZeroPadded) {
  struct Case {
    std::string name;
    std::size_t at;
    std::size_t width;
    std::string expected;
  };
  const Case cases[] = {
      {"", kSchemeAt, kSchemeWidth, std::string(21, '\0')},
      {"anlage.jpg", kSchemeAt, kSchemeWidth, "anlage.jpg" + std::string(11, '\0')},
      {std::string(20, 's'), kSchemeAt, kSchemeWidth, std::string(20, 's') + '\0'},
      {std::string(21, 's'), kSchemeAt, kSchemeWidth, std::string(21, 's')},  // no terminator
      {std::string(30, 's'), kSchemeAt, kSchemeWidth, std::string(21, 's')},
      {std::string(25, 'k'), kSkinAt, kSkinWidth, std::string(21, 'k')},
      {std::string(50, 'w'), kWebAppAt, kWebAppWidth, std::string(38, 'w')},
  };
  for (const Case& c : cases) {
    Unit unit;
    // Assigned as characters: GCC 12 at -O3 warns falsely (-Wrestrict) on a short literal here.
    unit.scheme.assign(1, 'S');
    unit.skin.assign(1, 'K');
    unit.webApp.assign(1, 'W');
    if (c.at == kSchemeAt) unit.scheme = c.name;
    if (c.at == kSkinAt) unit.skin = c.name;
    if (c.at == kWebAppAt) unit.webApp = c.name;
    const Record record = FindRecord(unit);
    EXPECT_EQ(FieldBytes(record, c.at, c.width), c.expected) << c.name;
    // A long name never spills into the next field.
    if (c.at == kSchemeAt) {
      EXPECT_EQ(record[kSkinAt], 'K');
    }
    if (c.at == kSkinAt) {
      EXPECT_EQ(record[kWebAppAt], 'W');
    }
  }
}

TEST(SplitSettingsText, SplitsAtTwoBackslashesAndTheFirstColonAfterThem) {
  struct Case {
    std::string text;
    std::optional<SettingsText> expected;
  };
  const Case cases[] = {
      {"Heizung\\0\\admin:geheim12", SettingsText{"Heizung", "0", "admin", "geheim12"}},
      {"\\1\\:", SettingsText{"", "1", "", ""}},
      {"Name\\0\\admin:", SettingsText{"Name", "0", "admin", ""}},
      {"Name\\0\\us:er:pw", SettingsText{"Name", "0", "us", "er:pw"}},
      {"Hei\\zung\\0\\admin:pw", SettingsText{"Hei", "zung", "0\\admin", "pw"}},
      {"Na:me\\0\\admin:pw", SettingsText{"Na:me", "0", "admin", "pw"}},
      {"", std::nullopt},
      {"Name\\0", std::nullopt},
      {"Name\\0\\admin", std::nullopt},
      {"Name:0:admin:pw", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitSettingsText(c.text), c.expected) << c.text;
  }
}

Bytes SetcFor(const Unit& unit, std::size_t length, std::string_view settings) {
  Bytes frame(length, 0);
  const Record record = FindRecord(unit);
  std::copy_n(record.begin(), std::min(length, kRecordSize), frame.begin());
  std::copy_n("SETC", std::min<std::size_t>(length, 4), frame.begin());
  for (std::size_t i = 0; i < settings.size() && 31 + i < length; ++i) {
    frame[31 + i] = static_cast<std::uint8_t>(settings[i]);
  }
  return frame;
}

TEST(React, SetcIsTakenOnlyWhenWholeAndForThisUnit) {
  Unit other;
  other.mac[5] = 0x77;
  struct Case {
    const char* name;
    Bytes datagram;
    bool taken;
  };
  const Unit unit;
  const Case cases[] = {
      {"frame", SetcFor(unit, 113, "Neu\\1\\hans:pw"), true},
      {"no zero after the text", SetcFor(unit, 113, "N\\0\\u:" + std::string(76, 'p')), true},
      {"other MAC", SetcFor(other, 113, "Neu\\1\\hans:pw"), false},
      {"ends before the DHCP byte", SetcFor(unit, 24, ""), false},
      {"ends before the text", SetcFor(unit, 31, ""), false},
      {"text without colon", SetcFor(unit, 113, "Neu\\1\\hans"), false},
  };
  for (const Case& c : cases) {
    Unit copy = unit;
    const Reaction reaction = React(copy, c.datagram, false);
    EXPECT_EQ(reaction.kind, "SETC") << c.name;
    EXPECT_EQ(reaction.taken, c.taken) << c.name;
    EXPECT_EQ(reaction.expectName, c.taken) << c.name;
    EXPECT_EQ(reaction.answers.size(), c.taken ? 1u : 0u) << c.name;
    if (!c.taken) {
      EXPECT_EQ(FindRecord(copy), FindRecord(unit)) << c.name;
    }
  }
}

// The window's tests see a unit take "SETT" and "SETM"; here the frames it must leave alone.
// A 33-byte service frame as a unit sees it: the word, the MAC, address, mask, gateway, DHCP.
Bytes ServiceFrame(std::string_view word, const Mac& mac, std::uint8_t dhcp) {
  Bytes frame(33, 0);
  std::copy(word.begin(), word.end(), frame.begin());
  std::copy(mac.begin(), mac.end(), frame.begin() + kMacAt);
  const Bytes settings = {10, 0, 0, 7, 255, 255, 0, 0, 10, 0, 0, 1, dhcp};
  std::copy(settings.begin(), settings.end(), frame.begin() + kIpAt);
  return frame;
}

TEST(React, SettIsTakenByTheUnitWhoseMacItCarries) {
  const Unit unit;
  Mac other = unit.mac;
  other[5] ^= 0x40;
  Bytes shortFrame = ServiceFrame("SETT", unit.mac, 1);
  shortFrame.resize(kDhcpAt);
  const struct {
    const char* name;
    Bytes datagram;
    std::string answer;  // empty: not taken
  } cases[] = {
      {"this unit", ServiceFrame("SETT", unit.mac, 1), "sett"},
      {"another unit", ServiceFrame("SETT", other, 1), ""},
      {"ends before the DHCP byte", shortFrame, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Unit copy = unit;
    const Reaction reaction = React(copy, c.datagram, false);
    EXPECT_EQ(reaction.kind, "SETT");
    EXPECT_EQ(reaction.taken, !c.answer.empty());
    if (c.answer.empty()) {
      EXPECT_TRUE(reaction.answers.empty());
      EXPECT_EQ(FindRecord(copy), FindRecord(unit));
      continue;
    }
    ASSERT_EQ(reaction.answers.size(), 1U);
    EXPECT_EQ(std::string(reaction.answers[0].begin(), reaction.answers[0].end() - 1), c.answer);
    EXPECT_EQ(copy.ip, (Ipv4{10, 0, 0, 7}));
    EXPECT_EQ(copy.mask, (Ipv4{255, 255, 0, 0}));
    EXPECT_EQ(copy.gateway, (Ipv4{10, 0, 0, 1}));
    EXPECT_TRUE(copy.dhcp);
    EXPECT_EQ(copy.mac, unit.mac);
  }
}

TEST(React, NameDatagramOnlyRightAfterAnAcceptedSetc) {
  Unit unit;
  unit.deviceName = "Heizungskeller-Nord";  // longer than the 16 bytes of the name datagram
  Bytes name(33, 0);
  std::copy_n(unit.deviceName.begin(), 16, name.begin());
  const Reaction expected = React(unit, name, true);
  EXPECT_EQ(expected.kind, "name");
  EXPECT_TRUE(expected.answers.empty());
  EXPECT_EQ(expected.note, "device name as in the settings text");
  name[3] = 'X';
  EXPECT_NE(React(unit, name, true).note, "device name as in the settings text");
  EXPECT_EQ(React(unit, name, false).kind, "");
  EXPECT_EQ(unit.deviceName, "Heizungskeller-Nord");
}

TEST(React, AccountOverrideIsSentAsItIsUntilSetcReplacesIt) {
  Unit unit;
  unit.account = "ohne doppelpunkt";
  const Bytes pawd{'P', 'a', 'W', 'd', 0};
  EXPECT_EQ(React(unit, pawd, false).answers.front(),
            Bytes(std::begin("ohne doppelpunkt"), std::end("ohne doppelpunkt")));
  React(unit, SetcFor(unit, 113, "N\\0\\u:p"), false);
  EXPECT_EQ(React(unit, pawd, false).answers.front(), (Bytes{'u', ':', 'p', 0}));
}

}  // namespace
}  // namespace kv3::sim
