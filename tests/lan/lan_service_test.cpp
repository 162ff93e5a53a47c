#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "support/loopback_lan.h"
#include "support/namespace_lan.h"
#include "support/test_desktop.h"
#include "support/web_files.h"
#include "window/main_window.h"

namespace kv3::window {
namespace {

// The service tools with the production ports and broadcast address on a LAN of network
// namespaces; the unit keeps what it is sent under store/.
class ServiceOnNamespaceLan : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string reason = test::NamespaceLan::unavailableReason();
    if (!reason.empty()) {
      if (test::NamespaceLan::required()) FAIL() << reason;
      GTEST_SKIP() << reason;
    }
    std::filesystem::create_directories(store());
    lan = std::make_unique<test::NamespaceLan>(
        std::vector<std::string>{"mac=00:1A:2B:3C:4D:01,ip=192.0.2.11,name=Keller,webapp=web1"},
        std::vector<std::string>{},
        std::vector<std::string>{"--store=" + store().string(), "--restart-ms=200"});
    window = std::make_unique<MainWindow>(desktop);
    window->FormActivate();
    ASSERT_EQ(window->LB1.items(), (std::vector<std::string>{"00:1A:2B:3C:4D:01"}));
  }
  void TearDown() override {
    window.reset();
    lan.reset();
  }
  std::filesystem::path store() const { return directory.path() / "store"; }

  test::ScratchDirectory directory;
  test::TestDesktop desktop{1.0};
  std::unique_ptr<test::NamespaceLan> lan;
  std::unique_ptr<MainWindow> window;
};

TEST_F(ServiceOnNamespaceLan, BuiltImageIsUploadedAndTheUnitListsItsFiles) {
  const std::vector<test::WebFile> web = {{"default.jpg", 30000},
                                          {"index.htm", 5000},
                                          {"heizung_uebersicht_2026.js", 12000},
                                          {"style.css", 900}};
  desktop.answerNextDialog(test::WriteWebFiles(directory.path() / "web", web));
  desktop.answerNextDialog(std::vector<std::string>{(directory.path() / "kv3web-3.rom").string()});
  window->Bt_CreateImage.click();
  desktop.answerNextDialog(std::vector<std::string>{(directory.path() / "kv3web-3.rom").string()});
  window->Bt_Ld_WA.click();
  window->dispatch([this] { window->Bt_Up_WA.click(); });
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  ASSERT_FALSE(desktop.messages.empty());
  EXPECT_EQ(desktop.messages.front().text, window->texts().TextUpdatedRestart);

  const auto read = test::UnitReadsImage(store() / "192.0.2.11" / "kv3web-3.rom");
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"index.htm", test::WebFileBytes(web[1])},
      {"heizung_uebersicht_2", test::WebFileBytes(web[2])},
      {"style.css", test::WebFileBytes(web[3])},
      {"default.jpg", test::WebFileBytes(web[0])}};
  EXPECT_EQ(read, expected);
}

TEST_F(ServiceOnNamespaceLan, NewMacAndBroadcastSettingsReachTheUnit) {
  window->Edit3.setText("00:1a:2B:3c:4D:5e");
  window->BtMAC.click();
  window->BTSuchen.click();
  ASSERT_EQ(window->LB1.items(), (std::vector<std::string>{"00:1A:2B:3C:4D:5E"}));

  window->Edit4.setText("192.0.2.31");
  // A real unit moves to its new address; here its interface gets the new one beside the old.
  ASSERT_EQ(lan->execIn("u1", "ip addr add 192.0.2.31/24 dev eth0"), 0);
  window->Button2.click();
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_EQ(window->GB1.color(), form::clBtnFace);
  EXPECT_FALSE(window->Button2.enabled());
  window->BTSuchen.click();
  EXPECT_EQ(window->Edit4.text(), "192.0.2.31");
  EXPECT_TRUE(window->Button2.enabled());
}

}  // namespace
}  // namespace kv3::window
