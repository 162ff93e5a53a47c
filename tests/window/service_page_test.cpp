#include "window/pages/service_page.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "link/hex_bytes.h"
#include "service/service_commands.h"
#include "support/web_files.h"
#include "window/window_fixture.h"

namespace kv3::window {
namespace {

namespace fs = std::filesystem;
using link::test::Hex;

class ServiceTools : public WindowOnLoopback {
 protected:
  // The datagrams of one kind the units heard, oldest first.
  std::vector<sim::Received> heard(const std::string& kind) const {
    std::vector<sim::Received> found;
    for (const sim::Received& entry : lan->sim().received()) {
      if (entry.kind == kind) found.push_back(entry);
    }
    return found;
  }
  static std::vector<std::uint8_t> slice(const sim::Bytes& bytes, std::size_t from,
                                         std::size_t to) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(to)};
  }
};

TEST_F(ServiceTools, SetmSendsTheTypedMacAndKeepsThePreviousOne) {
  startUnits({test::NumberedUnit(1)});
  activate();
  window->Edit3.setText("00:1a:2B:3c:4D:5e");
  window->BtMAC.click();
  window->Edit3.setText("02:00:00:00:00:09");
  window->BtMAC.click();

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  const auto frames = heard("SETM");
  ASSERT_EQ(frames.size(), 2U);
  EXPECT_EQ(frames[0].bytes.size(), 33U);
  EXPECT_EQ(frames[0].destination.address, (sim::Ipv4{127, 0, 0, 11}));  // the unit's address
  EXPECT_EQ(slice(frames[0].bytes, 6, 12), Hex("00 1A 2B 3C 4D 5E"));
  EXPECT_EQ(slice(frames[0].bytes, 25, 31), Hex("00 1A 2B 3C 4D 01"));
  EXPECT_EQ(slice(frames[1].bytes, 6, 12), Hex("02 00 00 00 00 09"));
  EXPECT_EQ(slice(frames[1].bytes, 25, 31), Hex("00 1A 2B 3C 4D 5E"));
  // The unit reports its new MAC to the next search.
  window->BTSuchen.click();
  EXPECT_EQ(listed(), (std::vector<std::string>{"02:00:00:00:00:09"}));
}

// A MAC text must name six bytes: each group one or two hexadecimal digits, blanks before them
// allowed. Anything else sends nothing and the record keeps its MAC.
TEST_F(ServiceTools, AMacTextThatNamesNoAddressSendsNothing) {
  startUnits({test::NumberedUnit(1)});
  activate();
  const struct {
    const char* text = nullptr;
    std::optional<link::MacAddress> mac;
  } cases[] = {
      {"0a:1B:2c:3D:4e:5F", link::MacAddress{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}},
      {" 1:2 :0A:0B:0C: D", std::nullopt},
      {" 1: 2:0A:0B:0C: D", link::MacAddress{0x01, 0x02, 0x0A, 0x0B, 0x0C, 0x0D}},
      {"00:1G:2B:3C:4D:5E", std::nullopt},
      {"00:1A:2B:3C:4D:xx", std::nullopt},
      {"00:1A:2B:3C:4D", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(service::ParseMacGroups(c.text), c.mac);
    if (c.mac) continue;
    const link::DeviceRecord before = window->Devices.at(0);
    lan->sim().clearReceived();
    window->Edit3.setText(c.text);
    window->BtMAC.click();
    EXPECT_TRUE(heard("SETM").empty());
    EXPECT_EQ(window->Devices.at(0), before);
  }
}

// "SETT" goes to the broadcast address whatever the unit's address; GB1 shows whether the
// answer held "sett", and Button2 waits for the next search that finds a unit.
TEST_F(ServiceTools, SettColoursTheGroupByTheAnswer) {
  const struct {
    const char* title = nullptr;
    sim::Fault fault;
    form::Color colour;
  } cases[] = {
      {"answered sett", {}, form::clBtnFace},
      {"answered SETT in capitals", {.capitalWord = true}, form::clRed},
      {"answered without the word", {.noWord = true}, form::clRed},
      {"no answer", {.silent = true}, form::clRed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    auto unit = test::NumberedUnit(1);
    unit.fault(sim::Command::Sett) = c.fault;
    startUnits({unit});
    activate();
    ASSERT_TRUE(window->Button2.enabled());
    window->GB1.setColor(c.colour == form::clRed ? form::clBtnFace : form::clRed);
    window->Edit4.setText("127.0.0.50");
    window->Edit5.setText("255.255.0.0");
    window->Edit6.setText("127.0.0.2");
    window->CB_DHCP.setChecked(true);
    window->Button2.click();

    ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
    EXPECT_EQ(window->GB1.color(), c.colour);
    EXPECT_FALSE(window->Button2.enabled());
    const auto frames = heard("SETT");
    ASSERT_EQ(frames.size(), 1U);
    EXPECT_EQ(frames[0].destination.address, (sim::Ipv4{127, 255, 255, 255}));
    EXPECT_EQ(frames[0].bytes, Hex("53 45 54 54 01 01 00 1A 2B 3C 4D 01 7F 00 00 32 "
                                   "FF FF 00 00 7F 00 00 02 01 00 00 00 00 00 00 00 00"));
    EXPECT_EQ(lan->sim().unit(0).ip, (sim::Ipv4{127, 0, 0, 50}));
    // The unit answers the next search from its new address.
    window->BTSuchen.click();
    EXPECT_TRUE(window->Button2.enabled());
    EXPECT_EQ(window->Edit4.text(), "127.0.0.50");
  }
}

TEST_F(ServiceTools, ImageBuilderStopsAtACancelledDialogOrTooManyFiles) {
  startUnits({test::NumberedUnit(1)});
  std::vector<test::WebFile> many;
  many.reserve(257);
  for (int i = 0; i < 257; ++i)
    many.push_back({std::string("f").append(std::to_string(i)).append(".htm"), 10});
  const auto files = test::WriteWebFiles(directory.path() / "web", many);
  const std::string image = (directory.path() / "site.rom").string();
  const struct {
    const char* title = nullptr;
    std::optional<std::vector<std::string>> chosen;
    std::optional<std::vector<std::string>> saved;
    std::vector<std::string> dialogs;
  } cases[] = {
      {"selection cancelled", std::nullopt, std::nullopt, {"OpenDialog2"}},
      {"save cancelled", files, std::nullopt, {"OpenDialog2", "SaveDialog2"}},
      {"257 files", files, std::vector<std::string>{image}, {"OpenDialog2", "SaveDialog2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    desktop.dialogsShown.clear();
    desktop.log.clear();
    desktop.answerNextDialog(c.chosen);
    if (c.chosen) desktop.answerNextDialog(c.saved);
    window->Bt_CreateImage.click();
    EXPECT_EQ(desktop.dialogsShown, c.dialogs);
    EXPECT_FALSE(fs::exists(image));
    EXPECT_EQ(std::count(desktop.log.begin(), desktop.log.end(), "process"), 0);
  }
}

// Web files packed by the builder, uploaded by the web-app page and read back by the unit.
TEST_F(ServiceTools, ImageOfWebFilesReachesTheUnitAsBuilt) {
  startUnits({test::NumberedUnit(1)});
  activate();
  const std::vector<test::WebFile> web = {
      {"index.htm", 2500}, {"default.jpg", 4000}, {"style.css", 700}, {"leer.js", 0}};
  desktop.answerNextDialog(test::WriteWebFiles(directory.path() / "web", web));
  // Typed without extension: the save dialog adds ".rom".
  desktop.answerNextDialog(std::vector<std::string>{(directory.path() / "kv3web").string()});
  desktop.log.clear();
  window->Bt_CreateImage.click();
  EXPECT_EQ(window->OpenDialog2.filter, "alle Web-Dateien|*.*");
  EXPECT_EQ(window->SaveDialog2.filter, "Image-File|*.rom");
  EXPECT_EQ(desktop.log.back(), "process");
  EXPECT_TRUE(desktop.messages.empty());
  const fs::path image = directory.path() / "kv3web.rom";
  ASSERT_TRUE(fs::exists(image));

  desktop.answerNextDialog(std::vector<std::string>{image.string()});
  window->Bt_Ld_WA.click();
  window->dispatch([this] { window->Bt_Up_WA.click(); });
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();

  const auto read = test::UnitReadsImage(lan->storedFile(0, "kv3web.rom"));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"index.htm", test::WebFileBytes(web[0])},
      {"style.css", test::WebFileBytes(web[2])},
      {"leer.js", ""},
      {"default.jpg", test::WebFileBytes(web[1])}};
  EXPECT_EQ(read, expected);
}

}  // namespace
}  // namespace kv3::window
