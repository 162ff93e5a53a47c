#include <netinet/in.h>
#include <sys/socket.h>

#include "platform/unique_fd.h"
#include "window_fixture.h"

namespace kv3::window {
namespace {

using SearchAndDisplay = WindowOnLoopback;

TEST_F(SearchAndDisplay, UnitsAreListedInTheOrderTheyAnswerAndTheFirstIsShown) {
  auto first = test::NumberedUnit(3);
  auto second = test::NumberedUnit(1);
  auto third = test::NumberedUnit(2);
  second.fault(sim::Command::Find).lateMs = 10;
  third.fault(sim::Command::Find).lateMs = 20;
  first.scheme = "anlage.v2.jpg";
  first.skin = "rahmen";
  first.webApp = "";
  startUnits({first, second, third});
  activate();

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_EQ(listed(), (std::vector<std::string>{"00:1A:2B:3C:4D:03", "00:1A:2B:3C:4D:01",
                                                "00:1A:2B:3C:4D:02"}));
  EXPECT_EQ(window->LB1.itemIndex(), 0);
  EXPECT_EQ(window->CurrentIndex(), 0);
  EXPECT_FALSE(window->Edit2.visible());
  EXPECT_EQ(window->BTSuchen.bounds().left, 80);
  EXPECT_TRUE(window->BTSuchen.enabled());
  EXPECT_TRUE(window->Button2.enabled());
  EXPECT_TRUE(window->TabSheet2.tabVisible());
  EXPECT_TRUE(window->TabSheet3.tabVisible());
  EXPECT_FALSE(window->TabSheet4.tabVisible());

  const std::pair<const form::Control*, std::string> shown[] = {
      {&window->Edit3, "00:1A:2B:3C:4D:03"},
      {&window->Edit4, "127.0.0.13"},
      {&window->Edit5, "255.255.255.0"},
      {&window->Edit6, "127.0.0.1"},
      {&window->Edit1, "admin3"},
      {&window->EditPW, "Geheim3!"},
      {&window->Edit8, "Heizung 3"},
      {&window->Ed_Inst_FW, "V1.3 build 103"},
      {&window->Ed_Inst_AS, "anlage.v2"},
      {&window->Ed_Inst_R, "rahmen"},
      {&window->Ed_Inst_WA, "original"},
      {&window->LbAmpel, "(sehr sicher)"},
  };
  for (const auto& [control, text] : shown) {
    EXPECT_EQ(control->text(), text) << control->name();
  }
  for (const form::Edit* address : {&window->Edit4, &window->Edit5, &window->Edit6}) {
    EXPECT_EQ(address->color(), form::clWindow);
  }
  EXPECT_TRUE(window->BtESpeichern.enabled());

  // Choosing another unit shows that one.
  window->LB1.userSelect(2);
  EXPECT_EQ(window->CurrentIndex(), 2);
  EXPECT_EQ(window->Edit4.text(), "127.0.0.12");
  EXPECT_EQ(window->Edit8.text(), "Heizung 2");
}

TEST_F(SearchAndDisplay, SixteenOfSeventeenUnitsAreListed) {
  std::vector<sim::Unit> units;
  for (int n = 1; n <= 17; ++n) {
    units.push_back(test::NumberedUnit(n));
  }
  startUnits(units);
  activate();
  EXPECT_EQ(listed().size(), 16U);
}

TEST_F(SearchAndDisplay, AFirstAnswerWithoutTheWordEndsTheCollection) {
  auto wrong = test::NumberedUnit(1);
  wrong.fault(sim::Command::Find).noWord = true;
  auto right = test::NumberedUnit(2);
  right.fault(sim::Command::Find).lateMs = 10;
  startUnits({wrong, right});
  activate();
  EXPECT_TRUE(listed().empty());
  EXPECT_FALSE(window->Button2.enabled());
  EXPECT_TRUE(window->Edit2.visible());
}

TEST_F(SearchAndDisplay, NoUnitLeavesOnlyTheSettingsTabAndOffersTheManualSearch) {
  auto silent = test::NumberedUnit(1);
  silent.fault(sim::Command::Find).silent = true;
  startUnits({silent});
  window->PageControl1.setActivePage(&window->TabSheet2);
  activate();
  EXPECT_TRUE(listed().empty());
  EXPECT_TRUE(window->TabSheet1.tabVisible());
  EXPECT_FALSE(window->TabSheet2.tabVisible());
  EXPECT_FALSE(window->TabSheet3.tabVisible());
  EXPECT_EQ(window->PageControl1.activePage(), &window->TabSheet1);
  for (const form::Control* c : std::initializer_list<const form::Control*>{
           &window->Edit2, &window->Label14, &window->Label17}) {
    EXPECT_TRUE(c->visible()) << c->name();
  }
  EXPECT_EQ(window->BTSuchen.bounds().left, 24);
  EXPECT_TRUE(window->BTSuchen.enabled());
  // A click on the empty list changes nothing.
  window->LB1.userSelect(0);
  EXPECT_EQ(window->Edit4.text(), "");
  // Nobody to save to, whatever is typed.
  window->Edit4.userEdit("192.168.2.40");
  window->Edit5.userEdit("255.255.255.0");
  window->Edit6.userEdit("192.168.2.1");
  window->Edit1.userEdit("admin");
  window->EditPW.userEdit("abc12345");
  EXPECT_FALSE(window->BtESpeichern.enabled());
}

TEST_F(SearchAndDisplay, UnitThatAnswersOnlyTheSearch) {
  struct Case {
    const char* what;
    sim::Fault account;
    std::optional<std::string> accountText;
    sim::Fault version;
    std::string user, password, deviceName, firmware;
  };
  sim::Fault silent;
  silent.silent = true;
  sim::Fault firstOnly;
  firstOnly.firstOnly = true;
  sim::Fault late;
  late.lateMs = 2000;  // after both exchanges: "PaWd" and "Vers" each wait 500 ms
  const Case cases[] = {
      {"silent", silent, std::nullopt, silent, "???", "???", "", ""},
      {"late", late, std::nullopt, late, "???", "???", "", ""},
      {"only the account", firstOnly, std::nullopt, {}, "admin1", "Geheim1!", "", "V1.1 build 101"},
      {"no colon", {}, "nocolon", {}, "???", "???", "Heizung 1", "V1.1 build 101"},
      {"two colons", {}, "user:pa:ss", {}, "user", "pa:ss", "Heizung 1", "V1.1 build 101"},
      {"empty password", {}, "user:", {}, "user", "", "Heizung 1", "V1.1 build 101"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto unit = test::NumberedUnit(1);
    unit.fault(sim::Command::PaWd) = c.account;
    unit.fault(sim::Command::Vers) = c.version;
    unit.account = c.accountText;
    startUnits({unit});
    window->BTSuchen.click();
    ASSERT_EQ(listed().size(), 1U);
    EXPECT_EQ(window->Edit4.text(), "127.0.0.11");
    EXPECT_EQ(window->Edit1.text(), c.user);
    EXPECT_EQ(window->EditPW.text(), c.password);
    EXPECT_EQ(window->Edit8.text(), c.deviceName);
    EXPECT_EQ(window->Ed_Inst_FW.text(), c.firmware);
    // An account the unit did not tell is never saved back to it.
    window->EditPW.userEdit("abc12345");
    EXPECT_EQ(window->BtESpeichern.enabled(), c.user != "???");
    window.reset();
    lan.reset();
  }
}

TEST_F(SearchAndDisplay, DhcpUnitShowsItsAddressesInDisabledFields) {
  auto unit = test::NumberedUnit(4);
  unit.dhcp = true;
  startUnits({unit});
  activate();
  EXPECT_TRUE(window->CB_DHCP.checked());
  for (const form::Edit* field : {&window->Edit4, &window->Edit5, &window->Edit6}) {
    EXPECT_FALSE(field->enabled());
  }
  EXPECT_EQ(window->Edit4.text(), "127.0.0.14");
}

TEST_F(SearchAndDisplay, ASearchThatFailsLeavesTheSearchButtonUsable) {
  startUnits({test::NumberedUnit(1)});
  // Another program holds the tool's reply port: the bind fails and the first send reports it.
  platform::UniqueFd holder(::socket(AF_INET, SOCK_DGRAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(lan->settings().replyPort);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(::bind(holder.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  window->BTSuchen.userClick();
  ASSERT_EQ(desktop.errors, (std::vector<std::string>{"SendDatagram - Socket Not Connected."}));
  EXPECT_TRUE(window->BTSuchen.enabled());
  EXPECT_FALSE(window->Sock1.Connected());
  // Once the port is free again, the next search works.
  holder.reset();
  window->BTSuchen.userClick();
  EXPECT_EQ(listed().size(), 1U);
}

}  // namespace
}  // namespace kv3::window
