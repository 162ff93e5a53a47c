#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#include "form/controls.h"
#include "form/file_dialog.h"
#include "form/form.h"
#include "support/loopback_lan.h"
#include "support/test_desktop.h"

namespace kv3::form {
namespace {

struct SmallForm : Form {
  explicit SmallForm(Desktop& desktop) : Form(desktop, "Form1", {0, 0, 400, 300}, "title") {}
  PageControl pages{this, this, "pages", {0, 0, 400, 300}};
  TabSheet first{this, &pages, "first", "one"};
  TabSheet second{this, &pages, "second", "two"};
  TabSheet third{this, &pages, "third", "three"};
  Edit edit{this, &first, "edit", {}};
  Button button{this, &first, "button", {}, "Go"};
  CheckBox box{this, &first, "box", {}, "Box"};
  ListBox list{this, &first, "list", {}};
  Gauge gauge{this, &second, "gauge", {}};
  MaskEdit mac{this, &second, "mac", {}, R"(AA\:AA\:AA)"};
};

class ControlModel : public ::testing::Test {
 protected:
  test::TestDesktop desktop;
  SmallForm form{desktop};
};

TEST_F(ControlModel, EditChangeRunsOnlyForADifferentText) {
  int runs = 0;
  form.edit.onChange = [&] { ++runs; };
  form.edit.setText("a");
  form.edit.setText("a");
  form.edit.setText("b");
  form.edit.userEdit("b");
  EXPECT_EQ(runs, 2);
}

TEST_F(ControlModel, HandlerThatCorrectsItsOwnTextReentersBeforeTheOuterRunGoesOn) {
  std::vector<std::string> seen;
  form.edit.onChange = [&] {
    std::string text = form.edit.text();
    seen.push_back(text);
    if (text.size() > 3) {
      form.edit.setText(text.substr(0, 3));
    }
    seen.push_back("end " + text);
  };
  form.edit.userEdit("abcdef");
  EXPECT_EQ(form.edit.text(), "abc");
  EXPECT_EQ(seen, (std::vector<std::string>{"abcdef", "abc", "end abc", "end abcdef"}));
}

TEST_F(ControlModel, CheckBoxClickHandlerRunsOnlyWhenTheMarkChanges) {
  int runs = 0;
  form.box.onClick = [&] { ++runs; };
  form.box.setChecked(false);
  form.box.setChecked(true);
  form.box.setChecked(true);
  form.box.userClick();
  EXPECT_FALSE(form.box.checked());
  EXPECT_EQ(runs, 2);
}

TEST_F(ControlModel, ClicksFromCodeAndFromTheWindow) {
  struct Case {
    const char* what;
    bool buttonEnabled;
    bool buttonVisible;
    bool pageVisible;
    bool fromCode;
    int expectedRuns;
  };
  const Case cases[] = {
      {"code, enabled", true, true, true, true, 1},
      {"code, disabled", false, true, true, true, 1},
      {"code, hidden", true, false, true, true, 1},
      {"window, enabled", true, true, true, false, 1},
      {"window, disabled", false, true, true, false, 0},
      {"window, hidden", true, false, true, false, 0},
      {"window, page hidden", true, true, false, false, 0},
  };
  for (const Case& c : cases) {
    int runs = 0;
    form.button.onClick = [&] { ++runs; };
    form.button.setEnabled(c.buttonEnabled);
    form.button.setVisible(c.buttonVisible);
    form.first.setVisible(c.pageVisible);
    if (c.fromCode) {
      form.button.click();
    } else {
      form.button.userClick();
    }
    EXPECT_EQ(runs, c.expectedRuns) << c.what;
  }
}

TEST_F(ControlModel, ListSelectionFromCodeRunsNoHandlerButAUserClickDoes) {
  int runs = 0;
  form.list.onClick = [&] { ++runs; };
  form.list.add("00:1A:2B:3C:4D:5E");
  form.list.add("00:1A:2B:3C:4D:5F");
  form.list.setItemIndex(1);
  EXPECT_EQ(runs, 0);
  form.list.userSelect(0);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(form.list.itemIndex(), 0);
  form.list.setItemIndex(7);
  EXPECT_EQ(form.list.itemIndex(), -1);
  form.list.clear();
  EXPECT_TRUE(form.list.items().empty());
}

TEST_F(ControlModel, EscapingErrorGoesToTheErrorBoxAndLeavesTheControlsAsTheyWere) {
  struct Case {
    std::string thrown;
    std::string shown;
  };
  const Case cases[] = {
      {"SendDatagram - Socket Not Connected", "SendDatagram - Socket Not Connected."},
      {"Datei t540.cfg kann nicht erstellt werden.", "Datei t540.cfg kann nicht erstellt werden."},
      {"", "."}};
  for (const Case& c : cases) {
    desktop.errors.clear();
    form.button.setEnabled(true);
    form.button.onClick = [&] {
      form.button.setEnabled(false);
      throw std::runtime_error(c.thrown);
    };
    form.button.userClick();
    ASSERT_EQ(desktop.errors.size(), 1U);
    EXPECT_EQ(desktop.errors[0], c.shown);
    EXPECT_FALSE(form.button.enabled());
  }
}

TEST_F(ControlModel, QueuedUserActionsRunNestedWhenTheHandlerProcessesMessages) {
  std::vector<std::string> order;
  form.box.onClick = [&] { order.push_back("box"); };
  form.button.onClick = [&] {
    order.push_back("start");
    form.button.setEnabled(false);
    desktop.processMessages();
    order.push_back("end");
    form.button.setEnabled(true);
  };
  // The second click on the (disabled) button is swallowed; the check box reacts.
  desktop.queueUserAction([&] { form.button.userClick(); });
  desktop.queueUserAction([&] { form.box.userClick(); });
  form.button.userClick();
  EXPECT_EQ(order, (std::vector<std::string>{"start", "box", "end"}));
}

TEST_F(ControlModel, HidingTheTabInFrontBringsTheFirstVisibleTabForward) {
  form.pages.userSelectPage(&form.third);
  EXPECT_EQ(form.pages.activePage(), &form.third);
  form.second.setTabVisible(false);
  EXPECT_EQ(form.pages.activePage(), &form.third);
  form.third.setTabVisible(false);
  EXPECT_EQ(form.pages.activePage(), &form.first);
  form.pages.userSelectPage(&form.second);  // no tab to click
  EXPECT_EQ(form.pages.activePage(), &form.first);
}

TEST_F(ControlModel, GaugeStaysWithinItsRange) {
  const std::pair<int, int> cases[] = {{-5, 0}, {0, 0}, {37, 37}, {100, 100}, {250, 100}};
  for (const auto& [set, shown] : cases) {
    form.gauge.setProgress(set);
    EXPECT_EQ(form.gauge.progress(), shown) << set;
  }
}

TEST_F(ControlModel, MaskedEditShowsTheMaskWhenEmpty) {
  EXPECT_EQ(form.mac.text(), "  :  :  ");
  form.mac.setText("00:1A:2B");
  form.mac.setText("");
  EXPECT_EQ(form.mac.text(), "  :  :  ");
  form.mac.setText("00:1A:2B:3C");
  EXPECT_EQ(form.mac.text(), "00:1A:2B");
}

// Where a key in a masked field puts its character or blank, and where the cursor goes: over
// the literals, never past either end.
TEST_F(ControlModel, MaskedTypingStepsOverTheLiteralsAndStaysInsideTheField) {
  using Key = MaskEdit::Key;
  struct Case {
    std::string text;
    std::size_t cursor;
    Key key;
    char character;
    std::optional<std::string> after;
    std::size_t cursorAfter;
  };
  const Case cases[] = {
      {"  :  :  ", 0, Key::Character, '0', "0 :  :  ", 1},
      {"0 :  :  ", 1, Key::Character, 'A', "0A:  :  ", 3},  // over the colon
      {"0A:  :  ", 2, Key::Character, '1', "0A:1 :  ", 4},  // typed on a literal
      {"0A:1B:2C", 8, Key::Character, '3', std::nullopt, 0},
      {"0A:1B:2C", 3, Key::Backspace, ' ', "0 :1B:2C", 1},  // back over the colon
      {"0A:1B:2C", 0, Key::Backspace, ' ', std::nullopt, 0},
      {"0A:1B:2C", 2, Key::Delete, ' ', "0A: B:2C", 3},
      {"0A:1B:2C", 8, Key::Delete, ' ', std::nullopt, 0},
      {"0A:1B:2C", 20, Key::Character, 'F', std::nullopt, 0},  // a cursor past the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " at " + std::to_string(c.cursor));
    const auto typed = form.mac.typed(c.text, c.cursor, c.key, c.character);
    ASSERT_EQ(typed.has_value(), c.after.has_value());
    if (!typed) continue;
    EXPECT_EQ(typed->text, *c.after);
    EXPECT_EQ(typed->cursor, c.cursorAfter);
  }
}

TEST_F(ControlModel, ObserversHearEveryChangeAndNothingElse) {
  std::vector<Property> heard;
  const int id = form.edit.subscribe([&](Property p) { heard.push_back(p); });
  form.edit.setText("x");
  form.edit.setText("x");
  form.edit.setColor(InvalidFieldColour);
  form.edit.setEnabled(false);
  form.edit.setVisible(true);  // already visible
  form.edit.unsubscribe(id);
  form.edit.setText("y");
  EXPECT_EQ(heard, (std::vector<Property>{Property::Text, Property::Color, Property::Enabled}));
}

class FileDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    before = std::filesystem::current_path();
    scratch.emplace();  // a folder of this run's own, which it also removes
    folder = scratch->path();
    std::filesystem::current_path(before);  // the dialogs are to move there
  }
  void TearDown() override {
    std::filesystem::current_path(before);
    scratch.reset();
  }
  std::filesystem::path before;
  std::optional<test::ScratchDirectory> scratch;
  std::filesystem::path folder;
  test::TestDesktop desktop;
};

TEST_F(FileDialogs, ConfirmedChoiceMovesTheCurrentDirectoryAndSetsTheExtensionFlag) {
  struct Case {
    FileDialog::Mode mode;
    std::string defaultExt;
    std::string chosen;
    std::string expectedName;
    bool extensionDifferent;
  };
  const Case cases[] = {
      {FileDialog::Mode::Open, "bin", "fw.bin", "fw.bin", false},
      {FileDialog::Mode::Open, "bin", "fw.BIN", "fw.BIN", false},
      {FileDialog::Mode::Open, "bin", "fw.hex", "fw.hex", true},
      {FileDialog::Mode::Open, "", "any.thing", "any.thing", false},
      {FileDialog::Mode::Save, "rom", "web", "web.rom", false},
      {FileDialog::Mode::Save, "rom", "web.rom", "web.rom", false},
  };
  for (const Case& c : cases) {
    std::filesystem::current_path(before);
    FileDialog dialog("OpenDialog3", c.mode);
    dialog.defaultExt = c.defaultExt;
    dialog.extensionDifferent = true;
    desktop.answerNextDialog(std::vector<std::string>{(folder / c.chosen).string()});
    ASSERT_TRUE(dialog.execute(desktop));
    EXPECT_EQ(dialog.fileName, (folder / c.expectedName).string());
    EXPECT_EQ(dialog.extensionDifferent, c.extensionDifferent) << c.chosen;
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(folder));
  }
}

TEST_F(FileDialogs, CancelledDialogChangesNothing) {
  FileDialog dialog("OpenDialog4", FileDialog::Mode::Open);
  dialog.fileName = "kept";
  dialog.extensionDifferent = true;
  desktop.answerNextDialog(std::nullopt);
  EXPECT_FALSE(dialog.execute(desktop));
  EXPECT_EQ(dialog.fileName, "kept");
  EXPECT_TRUE(dialog.extensionDifferent);
  EXPECT_EQ(std::filesystem::current_path(), before);
}

}  // namespace
}  // namespace kv3::form
