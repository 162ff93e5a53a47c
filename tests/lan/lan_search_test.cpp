#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "support/loopback_lan.h"
#include "support/namespace_lan.h"
#include "support/test_desktop.h"
#include "window/main_window.h"

namespace kv3::window {
namespace {

// The tool with its production settings (ports 48713/48714, broadcast 255.255.255.255) on a LAN
// of network namespaces; pauses take their full length here.
class OnNamespaceLan : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string reason = test::NamespaceLan::unavailableReason();
    if (!reason.empty()) {
      if (test::NamespaceLan::required()) FAIL() << reason;
      GTEST_SKIP() << reason;
    }
  }
  void build(const std::vector<std::string>& units, const std::vector<std::string>& far = {},
             const std::vector<std::string>& hosted = {}) {
    lan = std::make_unique<test::NamespaceLan>(units, far, std::vector<std::string>{},
                                               std::vector<std::string>{}, hosted);
    window = std::make_unique<MainWindow>(desktop);
  }
  void TearDown() override {
    window.reset();
    lan.reset();
  }
  std::string configBytes() const { return test::ReadFileBytes(directory.path() / "t540.cfg"); }

  test::ScratchDirectory directory;
  test::TestDesktop desktop{1.0};
  std::unique_ptr<test::NamespaceLan> lan;
  std::unique_ptr<MainWindow> window;
};

TEST_F(OnNamespaceLan, ThreeUnitsAreListedInTheOrderTheyAnswer) {
  // One simulator plays the three, each at its own address: their answers leave in the order
  // they are due, however busy the machine, and all well within the 500 ms pause.
  build({}, {},
        {"mac=00:1A:2B:3C:4D:01,ip=192.0.2.11,name=Keller,fault=FIND:late:20",
         "mac=00:1A:2B:3C:4D:02,ip=192.0.2.12,name=Dach",
         "mac=00:1A:2B:3C:4D:03,ip=192.0.2.13,name=Stall,fault=FIND:late:40"});
  window->FormActivate();
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_EQ(window->LB1.items(), (std::vector<std::string>{"00:1A:2B:3C:4D:02", "00:1A:2B:3C:4D:01",
                                                           "00:1A:2B:3C:4D:03"}));
  EXPECT_EQ(window->Edit4.text(), "192.0.2.12");
  EXPECT_EQ(window->Edit8.text(), "Dach");
  EXPECT_FALSE(window->Edit2.visible());
  EXPECT_TRUE(window->TabSheet2.tabVisible());
}

TEST_F(OnNamespaceLan, AUnitBehindTheRouterIsFoundOnlyByTheManualSearch) {
  build({}, {"mac=00:1A:2B:3C:4D:21,ip=198.51.100.21,name=Fern"});
  window->FormActivate();
  EXPECT_TRUE(window->LB1.items().empty());
  ASSERT_TRUE(window->Edit2.visible());
  EXPECT_EQ(configBytes(), "de\r\n\r\n");

  window->Edit2.userEdit("198.51.100.21");
  window->BTSuchen.userClick();
  ASSERT_EQ(window->LB1.items(), (std::vector<std::string>{"00:1A:2B:3C:4D:21"}));
  EXPECT_EQ(window->Edit4.text(), "198.51.100.21");
  EXPECT_EQ(window->Edit8.text(), "Fern");
  EXPECT_FALSE(window->Edit2.visible());
  EXPECT_EQ(configBytes(), "de\r\n198.51.100.21\r\n");

  struct stat before {};
  ::stat((directory.path() / "t540.cfg").c_str(), &before);
  window->BTSuchen.userClick();
  struct stat after {};
  ::stat((directory.path() / "t540.cfg").c_str(), &after);
  EXPECT_EQ(window->LB1.items().size(), 1U);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
}

TEST_F(OnNamespaceLan, NoUnitLeavesOnlyTheSettingsTabAndTheManualSearch) {
  build({});
  window->FormActivate();
  EXPECT_TRUE(window->LB1.items().empty());
  EXPECT_TRUE(window->TabSheet1.tabVisible());
  EXPECT_FALSE(window->TabSheet2.tabVisible());
  EXPECT_FALSE(window->TabSheet3.tabVisible());
  EXPECT_TRUE(window->Edit2.visible());
  EXPECT_TRUE(window->Label14.visible());
  EXPECT_TRUE(window->Label17.visible());
  EXPECT_EQ(window->BTSuchen.bounds().left, 24);
}

TEST_F(OnNamespaceLan, ASaveChangesTheUnitsSettings) {
  build({"mac=00:1A:2B:3C:4D:01,ip=192.0.2.11,name=Keller,user=admin,password=geheim12"});
  window->FormActivate();
  ASSERT_EQ(window->Edit4.text(), "192.0.2.11");
  window->Edit8.userEdit("Heizraum");
  window->Edit4.userEdit("192.0.2.31");
  window->EditPW.userEdit("neu!Pass9");
  ASSERT_TRUE(window->BtESpeichern.enabled());
  // A real unit moves to its new address; here its interface gets the new one beside the old.
  ASSERT_EQ(lan->execIn("u1", "ip addr add 192.0.2.31/24 dev eth0"), 0);
  window->BtESpeichern.userClick();
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  ASSERT_EQ(window->LB1.items().size(), 1U);
  EXPECT_EQ(window->Edit4.text(), "192.0.2.31");
  EXPECT_EQ(window->Edit8.text(), "Heizraum");
  EXPECT_EQ(window->EditPW.text(), "neu!Pass9");
}

}  // namespace
}  // namespace kv3::window
