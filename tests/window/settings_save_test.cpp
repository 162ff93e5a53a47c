#include <algorithm>

#include "window_fixture.h"

namespace kv3::window {
namespace {

class SaveSettings : public WindowOnLoopback {
 protected:
  // Datagrams of a kind the simulator received, oldest first.
  std::vector<sim::Bytes> receivedOf(const std::string& kind) {
    std::vector<sim::Bytes> found;
    for (const sim::Received& r : lan->sim().received()) {
      if (r.kind == kind) {
        found.push_back(r.bytes);
      }
    }
    return found;
  }
  void edit(const std::string& device, const std::string& ip, const std::string& user,
            const std::string& password) {
    window->Edit8.userEdit(device);
    window->Edit4.userEdit(ip);
    window->Edit1.userEdit(user);
    window->EditPW.userEdit(password);
  }
};

TEST_F(SaveSettings, TheUnitTakesTheSettingsAndTheNextSearchShowsThem) {
  auto other = test::NumberedUnit(2);
  auto unit = test::NumberedUnit(1);
  unit.scheme = "anlage.jpg";
  startUnits({unit, other});
  activate();
  ASSERT_EQ(window->Edit4.text(), "127.0.0.11");
  const sim::Record before = sim::FindRecord(lan->sim().unit(0));

  edit("Neuer Name", "127.0.0.50", "chef", "abc123!");
  window->Edit5.userEdit("255.255.0.0");
  ASSERT_TRUE(window->BtESpeichern.enabled());
  lan->sim().clearReceived();
  desktop.pauses.clear();
  window->BtESpeichern.userClick();
  ASSERT_TRUE(desktop.errors.empty());

  // The frame: the unit's own record with the page's values written over it.
  const auto setc = receivedOf("SETC");
  ASSERT_EQ(setc.size(), 1U);
  sim::Bytes expected(before.begin(), before.end());
  expected.resize(113, 0);
  std::copy_n("SETC", 4, expected.begin());
  const std::uint8_t addresses[] = {127, 0, 0, 50, 255, 255, 0, 0, 127, 0, 0, 1, 0};
  std::copy(std::begin(addresses), std::end(addresses), expected.begin() + 12);
  const std::string text = "Neuer Name\\0\\chef:abc123!";
  std::copy(text.begin(), text.end(), expected.begin() + 31);
  expected[31 + text.size()] = 0;
  EXPECT_EQ(setc[0], expected);

  // The name follows, 16 bytes of it, then bytes 16-31 of the frame.
  const auto name = receivedOf("name");
  ASSERT_EQ(name.size(), 1U);
  sim::Bytes expectedName(33, 0);
  std::copy_n("Neuer Name", 10, expectedName.begin());
  std::copy(expected.begin() + 16, expected.begin() + 32, expectedName.begin() + 16);
  EXPECT_EQ(name[0], expectedName);

  // Only the addressed unit changed; the search after the save lists it with its new values.
  EXPECT_EQ(lan->sim().unit(1).ip, other.ip);
  EXPECT_EQ(lan->sim().unit(0).ip, (sim::Ipv4{127, 0, 0, 50}));
  const std::vector<int> pausesBeforeSearch(desktop.pauses.begin(), desktop.pauses.begin() + 3);
  EXPECT_EQ(pausesBeforeSearch, (std::vector<int>{500, 500, 2000}));
  ASSERT_EQ(listed().size(), 2U);
  window->LB1.userSelect(static_cast<int>(
      std::find(listed().begin(), listed().end(), "00:1A:2B:3C:4D:01") - listed().begin()));
  EXPECT_EQ(window->Edit4.text(), "127.0.0.50");
  EXPECT_EQ(window->Edit5.text(), "255.255.0.0");
  EXPECT_EQ(window->Edit8.text(), "Neuer Name");
  EXPECT_EQ(window->Edit1.text(), "chef");
  EXPECT_EQ(window->EditPW.text(), "abc123!");
}

TEST_F(SaveSettings, DhcpAndNameLengthsOnTheWire) {
  struct Case {
    std::string device;
    bool dhcp;
    std::string sent;       // the name in the settings text
    std::string nameBytes;  // the first 16 bytes of the name datagram
  };
  const Case cases[] = {
      {"Keler", true, "Keler", std::string("Keler") + std::string(11, '\0')},
      {"Sechzehn Zeichen", false, "Sechzehn Zeichen", "Sechzehn Zeichen"},
      {"Dreissig Zeichen lang, genau!!", false, "Dreissig Zeichen lang, genau!!",
       "Dreissig Zeichen"},
      // A backslash typed is gone: the unit would end the name there.
      {"a\\b", false, "ab", std::string("ab") + std::string(14, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.device);
    startUnits({test::NumberedUnit(1)});
    activate();
    edit(c.device, "127.0.0.11", "us:er", "abc123");
    window->Edit6.userEdit("not an address");
    window->CB_DHCP.setChecked(c.dhcp);
    ASSERT_EQ(window->BtESpeichern.enabled(), c.dhcp);
    lan->sim().clearReceived();
    window->BtESpeichern.click();
    const auto setc = receivedOf("SETC");
    ASSERT_EQ(setc.size(), 1U);
    EXPECT_EQ(setc[0][24], c.dhcp ? 1 : 0);
    // The disabled fields travel as they stand, unparsed parts as zero.
    EXPECT_EQ(sim::Bytes(setc[0].begin() + 12, setc[0].begin() + 24),
              (sim::Bytes{127, 0, 0, 11, 255, 255, 255, 0, 0, 0, 0, 0}));
    // The colon typed into the user name is gone: the unit reports "user:password".
    const std::string text = c.sent + "\\0\\user:abc123";
    EXPECT_EQ(std::string(setc[0].begin() + 31, setc[0].begin() + 31 + text.size()), text);
    const auto name = receivedOf("name");
    ASSERT_EQ(name.size(), 1U);
    EXPECT_EQ(std::string(name[0].begin(), name[0].begin() + 16), c.nameBytes);
    window.reset();
    lan.reset();
  }
}

TEST_F(SaveSettings, WithoutAcknowledgementNoNameFollowsButTheSearchStillRuns) {
  auto unit = test::NumberedUnit(1);
  unit.fault(sim::Command::Setc).silent = true;
  startUnits({unit});
  activate();
  edit("Kessel", "127.0.0.11", "admin", "abc123");
  lan->sim().clearReceived();
  desktop.pauses.clear();
  window->BtESpeichern.userClick();
  EXPECT_EQ(receivedOf("SETC").size(), 1U);
  EXPECT_TRUE(receivedOf("name").empty());
  EXPECT_EQ(receivedOf("FIND").size(), 1U);
  EXPECT_EQ(std::vector<int>(desktop.pauses.begin(), desktop.pauses.begin() + 2),
            (std::vector<int>{500, 2000}));
  EXPECT_EQ(listed().size(), 1U);
}

// The fields take only 7-bit text, so a name or password with other characters shows without
// them; a save of other changes sends them back exactly as the unit reported them.
TEST_F(SaveSettings, FieldsTheUserDidNotEditGoBackAsTheUnitReportedThem) {
  auto unit = test::NumberedUnit(1);
  unit.deviceName =
      "B\xFCro S\xFC"
      "d";  // Windows-1252, as the unit sends it
  unit.password = "P\xE4sswort1";
  startUnits({unit});
  activate();
  ASSERT_EQ(window->Edit8.text(), "Bro Sd");
  window->Edit1.userEdit("chef");
  lan->sim().clearReceived();
  window->BtESpeichern.userClick();
  const auto setc = receivedOf("SETC");
  ASSERT_EQ(setc.size(), 1U);
  const std::string text =
      "B\xFCro S\xFC"
      "d\\0\\chef:P\xE4sswort1";
  EXPECT_EQ(std::string(setc[0].begin() + 31, setc[0].begin() + 31 + text.size() + 1), text + '\0');
  EXPECT_EQ(lan->sim().unit(0).deviceName, unit.deviceName);
}

// "SETC" names its unit by MAC alone: with two units of one MAC it would change both.
TEST_F(SaveSettings, NothingIsSentWhenTwoUnitsShareTheMac) {
  sim::Unit twin = test::NumberedUnit(2);
  twin.mac = test::NumberedUnit(1).mac;
  startUnits({test::NumberedUnit(1), twin});
  activate();
  ASSERT_TRUE(window->BtESpeichern.enabled());
  lan->sim().clearReceived();
  window->BtESpeichern.userClick();
  EXPECT_TRUE(receivedOf("SETC").empty());
  ASSERT_EQ(desktop.messages.size(), 1U);
  EXPECT_NE(desktop.messages[0].text.find("00:1A:2B:3C:4D:01\n(127.0.0.1"), std::string::npos)
      << desktop.messages[0].text;
}

}  // namespace
}  // namespace kv3::window
