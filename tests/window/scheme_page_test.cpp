#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/german_texts.h"
#include "window_fixture.h"

namespace kv3::window {
namespace {

namespace fs = std::filesystem;

class SchemeUpload : public WindowOnLoopback {
 protected:
  // Chooses the picture through the page's dialog (which makes its folder current).
  void choose(const std::string& picture) {
    desktop.answerNextDialog(std::vector<std::string>{picture});
    window->Bt_Ld_AS.click();
  }
  void upload() {
    desktop.messages.clear();
    desktop.errors.clear();
    lan->sim().clearReceived();
    window->dispatch([this] { window->Bt_Up_AS.click(); });
  }
  bool announced(const std::string& word) const {
    const auto received = lan->sim().received();
    return std::any_of(received.begin(), received.end(),
                       [&](const sim::Received& r) { return r.kind == word; });
  }
  std::vector<std::string> messageTexts() const { return desktop.messageTexts(); }
  const fs::path chosenFolder() const { return directory.path() / "chosen"; }
};

TEST_F(SchemeUpload, ChoosingAPictureLooksForItsDefinitionBesideIt) {
  startUnits({test::NumberedUnit(1)});
  activate();
  window->Bt_WS_AS.click();
  EXPECT_EQ(desktop.urls.back(),
            "https://www.vozezaviroru.de/fernbedienung-vozezaviroru/online-generator.html");
  const std::string picture = writeChosenFile("plan.alt.jpg", 100);
  test::WriteFileBytes(chosenFolder() / "plan.alt.rem", "");
  choose(picture);
  EXPECT_EQ(window->OpenDialog5.filter, "Anlagenschema  *.jpg|*.jpg");
  EXPECT_EQ(window->Ed_Up_AS.text(), "plan.alt");
  EXPECT_EQ(window->Ed_Up_DF.text(), "plan.alt");
  fs::remove(chosenFolder() / "plan.alt.rem");
  choose(picture);
  EXPECT_EQ(window->Ed_Up_DF.text(), "");
  EXPECT_TRUE(window->Bt_Up_AS.visible());
  EXPECT_TRUE(window->Lb_DG_AS.visible());
  desktop.answerNextDialog(std::nullopt);
  window->Bt_Ld_AS.click();
  EXPECT_EQ(window->Ed_Up_AS.text(), "");
  EXPECT_FALSE(window->Bt_Up_AS.visible());
}

TEST_F(SchemeUpload, DefinitionThenPictureThenANewSearch) {
  startUnits({test::NumberedUnit(1)});
  activate();
  const std::string picture = writeChosenFile("heizung.jpg", 3000);
  test::WriteFileBytes(chosenFolder() / "heizung.rem",
                       "<?xml version=\"1.0\"?>\r\n<pos id=\"t1\" x=\"12\" y=\"340\"/>\r\n");
  choose(picture);
  // A file chosen on another page meanwhile moves the current directory elsewhere; the
  // definition is still the one beside the picture.
  const fs::path elsewhere = directory.path() / "firmware" / "fw.bin";
  fs::create_directories(elsewhere.parent_path());
  test::WriteFileBytes(elsewhere, "fw");
  desktop.answerNextDialog(std::vector<std::string>{elsewhere.string()});
  window->Bt_Ld_FW.click();
  upload();
  EXPECT_FALSE(fs::exists(elsewhere.parent_path() / "user.rem"));
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_EQ(messageTexts(),
            (std::vector<std::string>{test::german::BigFileHint, test::german::Updated}));
  const std::string normalised =
      "<?xml version=\"1.0\"?>\r\n<pos id=\"t1\" x=\"   12\" y=\"  340\"/>\n";
  EXPECT_EQ(test::ReadFileBytes(chosenFolder() / "heizung.rem"), normalised);
  EXPECT_EQ(test::ReadFileBytes(lan->storedFile(0, "getPosition.xml")), normalised);
  EXPECT_EQ(test::ReadFileBytes(lan->storedFile(0, "heizung.jpg")), test::PatternBytes(3000));
  EXPECT_EQ(window->Ed_Inst_AS.text(), "heizung");
  EXPECT_EQ(window->Ed_Up_AS.text(), "");
  EXPECT_FALSE(window->Bt_Up_AS.visible());
  EXPECT_TRUE(window->Bt_Up_AS.enabled());
  EXPECT_TRUE(announced("FIND"));  // the search after the upload
  EXPECT_EQ(listed().size(), 1u);
  EXPECT_EQ(window->PageControl1.activePage(), &window->TabSheet1);
}

TEST_F(SchemeUpload, EveryOtherEndingLeavesTheButtonUsable) {
  struct Case {
    const char* what;
    std::size_t pictureSize;
    sim::Command faulty;
    sim::Fault fault;
    std::vector<std::string> shown;  // message texts, in order
    bool definitionAnnounced;
    bool pictureAnnounced;
    std::string picture = "plan.jpg";
    std::function<void(const std::string& picture)> meanwhile = {};  // during the definition
  };
  sim::Fault silent;
  silent.silent = true;
  sim::Fault closes;
  closes.stream = sim::StreamFault::Close;
  const Case cases[] = {
      {"definition not acknowledged",
       100,
       sim::Command::Apos,
       silent,
       {test::german::NotFound},
       true,
       false},
      {"definition not completed",
       100,
       sim::Command::Apos,
       closes,
       {test::german::Corrupted},
       true,
       false},
      // A picture that will be refused costs the unit nothing, its definition included.
      {"picture at the limit",
       204800,
       sim::Command::Find,
       {},
       {test::german::FileTooBig},
       false,
       false},
      {"name without a Windows-1252 form",
       100,
       sim::Command::Find,
       {},
       {test::german::NameNotSendable},
       false,
       false,
       "Схема.jpg"},
      {"picture grows past the limit meanwhile",
       100,
       sim::Command::Find,
       {},
       {test::german::BigFileHint, test::german::FileChanged},
       true,
       false,
       "plan.jpg",
       [](const std::string& picture) { test::WriteFileBytes(picture, std::string(300000, 'x')); }},
      {"picture just below the limit",
       204799,
       sim::Command::Asch,
       silent,
       {test::german::BigFileHint, test::german::NotFound},
       true,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto unit = test::NumberedUnit(1);
    unit.fault(c.faulty) = c.fault;
    startUnits({unit});
    activate();
    const std::string picture = writeChosenFile(c.picture, c.pictureSize);
    test::WriteFileBytes(chosenFolder() / "plan.rem", "<p x=\"1\" y=\"2\"/>\n");
    choose(picture);
    if (c.meanwhile) desktop.queueUserAction([&] { c.meanwhile(picture); });
    upload();
    EXPECT_EQ(messageTexts(), c.shown);
    EXPECT_EQ(announced("APOS"), c.definitionAnnounced);
    EXPECT_EQ(announced("ASCH"), c.pictureAnnounced);
    EXPECT_TRUE(window->Bt_Up_AS.enabled());
    window.reset();
    lan.reset();
  }
}

TEST_F(SchemeUpload, ADefinitionThatCannotBeWrittenEndsBeforeTheUnitIsContacted) {
  startUnits({test::NumberedUnit(1)});
  activate();
  const std::string picture = writeChosenFile("plan.jpg", 100);
  // Without any definition an empty user.rem is made beside the picture and sent.
  choose(picture);
  upload();
  EXPECT_EQ(test::ReadFileBytes(chosenFolder() / "user.rem"), "");
  EXPECT_EQ(test::ReadFileBytes(lan->storedFile(0, "getPosition.xml")), "");

  test::WriteFileBytes(chosenFolder() / "plan.rem", "<p x=\"1\" y=\"2\"/>\n");
  ::chmod((chosenFolder() / "plan.rem").c_str(), 0444);
  choose(picture);
  upload();
  EXPECT_EQ(desktop.errors,
            (std::vector<std::string>{"Datei " + (chosenFolder() / "plan.rem").string() +
                                      " kann nicht erstellt werden."}));
  EXPECT_FALSE(announced("APOS"));
  EXPECT_TRUE(window->Bt_Up_AS.enabled());
  EXPECT_EQ(test::ReadFileBytes(chosenFolder() / "plan.rem"), "<p x=\"1\" y=\"2\"/>\n");
}

// A click on the list handled between segments makes another unit current: both transfers
// still go to the unit that was current when the upload started.
TEST_F(SchemeUpload, BothTransfersGoToTheUnitThatWasCurrent) {
  startUnits({test::NumberedUnit(1), test::NumberedUnit(2)});
  activate();
  // The simulator's index of the unit shown first, and of the other one.
  const std::size_t current = listed().at(0) == "00:1A:2B:3C:4D:01" ? 0 : 1;
  const std::size_t other = 1 - current;
  const std::string picture = writeChosenFile("plan.jpg", 3000);
  test::WriteFileBytes(chosenFolder() / "plan.rem", "<p x=\"1\" y=\"2\"/>\n");
  choose(picture);
  desktop.queueUserAction([this] { window->LB1.userSelect(1); });
  upload();
  for (const char* name : {"getPosition.xml", "plan.jpg"}) {
    EXPECT_TRUE(fs::exists(lan->storedFile(current, name))) << name;
    EXPECT_FALSE(fs::exists(lan->storedFile(other, name))) << name;
  }
}

}  // namespace
}  // namespace kv3::window
