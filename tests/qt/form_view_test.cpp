#include "qt/form_view.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <functional>
#include <stdexcept>

#include "qt/widgets.h"
#include "support/test_desktop.h"
#include "test_form.h"
#include "view_helpers.h"

namespace kv3::qt {
namespace {

using test::TestForm;

class FormViewTest : public testing::Test {
 protected:
  void SetUp() override { ShowAndWait(view); }

  template <class W>
  W* widget(const std::string& name) {
    return WidgetNamed<W>(view, name);
  }

  void clickTab(int index) {
    QTabBar* bar = widget<QTabWidget>("Pages")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
  }

  void clickRow(int row) {
    auto* list = widget<QListWidget>("Units");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }

  test::TestDesktop desktop;
  TestForm form{desktop};
  FormView view{form};
};

TEST_F(FormViewTest, EveryControlGetsAWidgetOfItsKindNamedAndPlacedByTheModel) {
  const struct {
    const char* name;
    const char* qtClass;
  } cases[] = {
      {"Heading", "QLabel"},   {"Link", "QPushButton"},     {"Logo", "QLabel"},
      {"Pages", "QTabWidget"}, {"Units", "QListWidget"},    {"Progress", "QProgressBar"},
      {"Name", "QLineEdit"},   {"Mac", "QLineEdit"},        {"Reveal", "QCheckBox"},
      {"Group", "QGroupBox"},  {"Notes", "QPlainTextEdit"}, {"Light", "kv3::qt::CircleWidget"},
  };
  for (const auto& c : cases) {
    QWidget* w = view.widgetFor(c.name);
    ASSERT_NE(w, nullptr) << c.name;
    EXPECT_TRUE(w->inherits(c.qtClass)) << c.name << " is " << w->metaObject()->className();
  }
  for (const form::Control* control : form.controls()) {
    QWidget* w = view.widgetFor(control->name());
    ASSERT_NE(w, nullptr) << control->name();
    EXPECT_EQ(w->objectName().toStdString(), control->name());
    EXPECT_EQ(w->accessibleDescription().toStdString(), control->name());
  }
  // Controls sit on their own page or group, at their bounds relative to it.
  auto* tabs = widget<QTabWidget>("Pages");
  EXPECT_EQ(view.widgetFor("First"), tabs->widget(0));
  EXPECT_EQ(view.widgetFor("Third"), tabs->widget(2));
  EXPECT_EQ(view.widgetFor("Name")->parentWidget(), tabs->widget(0));
  EXPECT_EQ(view.widgetFor("Name")->geometry(), QRect(270, 8, 150, 21));
  EXPECT_EQ(view.widgetFor("Mac")->parentWidget(), view.widgetFor("Group"));
  EXPECT_EQ(view.widgetFor("Pages")->geometry(), QRect(8, 64, 464, 228));
}

TEST_F(FormViewTest, WindowHasTheFormsCaptionFixedClientAreaAndFont) {
  EXPECT_EQ(view.windowTitle(), QStringLiteral("Testfenster"));
  EXPECT_EQ(view.size(), QSize(480, 300));
  EXPECT_EQ(view.minimumSize(), view.maximumSize());
  EXPECT_FALSE(view.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(view.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(view.font().pixelSize(), 13);
  EXPECT_EQ(view.font().family(), QStringLiteral("Arial"));
  EXPECT_TRUE(widget<QLabel>("Heading")->font().bold());
  EXPECT_TRUE(widget<QPushButton>("Link")->font().underline());
  EXPECT_EQ(widget<QPushButton>("Link")->palette().color(QPalette::ButtonText), QColor(0, 0, 255));
  EXPECT_EQ(widget<QLabel>("Logo")->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(widget<QLabel>("Logo")->toolTip(), QStringLiteral("www.example.org"));
  // A missing picture still fills its bounds, with a placeholder.
  EXPECT_EQ(widget<QLabel>("Missing")->pixmap().size(), QSize(73, 51));
}

TEST_F(FormViewTest, ModelChangesShowOnTheWidgets) {
  struct Case {
    const char* what;
    std::function<void(TestForm&)> change;
    std::function<bool(FormView&)> shown;
  };
  auto w = [](FormView& v, const char* name) { return v.widgetFor(name); };
  const Case cases[] = {
      {"edit text", [](TestForm& f) { f.Name.setText("Heizung"); },
       [](FormView& v) { return v.widgetAs<QLineEdit>("Name")->text() == "Heizung"; }},
      {"umlauts", [](TestForm& f) { f.Name.setText("Küche"); },
       [](FormView& v) {
         return v.widgetAs<QLineEdit>("Name")->text() == QString::fromUtf8("Küche");
       }},
      {"caption", [](TestForm& f) { f.Search.setCaption("Search units"); },
       [](FormView& v) { return v.widgetAs<QPushButton>("Search")->text() == "Search units"; }},
      {"label caption", [](TestForm& f) { f.Hint.setCaption("(at most 5 characters, really)"); },
       [](FormView& v) {
         auto* label = v.widgetAs<QLabel>("Hint");
         return label->text() == "(at most 5 characters, really)" &&
                label->width() >= label->sizeHint().width();
       }},
      {"window title", [](TestForm& f) { f.setCaption("Test window"); },
       [](FormView& v) { return v.windowTitle() == "Test window"; }},
      {"hidden", [](TestForm& f) { f.Search.setVisible(false); },
       [w](FormView& v) { return w(v, "Search")->isHidden(); }},
      {"disabled", [](TestForm& f) { f.Search.setEnabled(false); },
       [w](FormView& v) { return !w(v, "Search")->isEnabled(); }},
      {"moved", [](TestForm& f) { f.Search.setLeft(24); },
       [w](FormView& v) { return w(v, "Search")->geometry() == QRect(24, 136, 150, 28); }},
      {"edit colour", [](TestForm& f) { f.Name.setColor(form::InvalidFieldColour); },
       [w](FormView& v) {
         return w(v, "Name")->palette().color(QPalette::Base) == QColor(217, 182, 176);
       }},
      {"label flash", [](TestForm& f) { f.Hint.setColor(form::clRed); },
       [w](FormView& v) {
         return w(v, "Hint")->autoFillBackground() &&
                w(v, "Hint")->palette().color(QPalette::Window) == QColor(255, 0, 0);
       }},
      {"label back to face",
       [](TestForm& f) {
         f.Hint.setColor(form::clRed);
         f.Hint.setColor(form::clBtnFace);
       },
       [w](FormView& v) { return !w(v, "Hint")->autoFillBackground(); }},
      {"check mark", [](TestForm& f) { f.Reveal.setChecked(true); },
       [](FormView& v) { return v.widgetAs<QCheckBox>("Reveal")->isChecked(); }},
      {"list entries and selection",
       [](TestForm& f) {
         f.Units.add("00:1A:2B:3C:4D:5E");
         f.Units.add("02:00:00:00:00:01");
         f.Units.setItemIndex(1);
       },
       [](FormView& v) {
         auto* list = v.widgetAs<QListWidget>("Units");
         return list->count() == 2 && list->item(0)->text() == "00:1A:2B:3C:4D:5E" &&
                list->currentRow() == 1 && list->item(1)->isSelected();
       }},
      {"list emptied",
       [](TestForm& f) {
         f.Units.add("a");
         f.Units.setItemIndex(0);
         f.Units.clear();
       },
       [](FormView& v) { return v.widgetAs<QListWidget>("Units")->count() == 0; }},
      {"gauge", [](TestForm& f) { f.Progress.setProgress(40); },
       [](FormView& v) { return v.widgetAs<QProgressBar>("Progress")->value() == 40; }},
      {"tab hidden", [](TestForm& f) { f.Second.setTabVisible(false); },
       [](FormView& v) { return !v.widgetAs<QTabWidget>("Pages")->isTabVisible(1); }},
      {"active page", [](TestForm& f) { f.Pages.setActivePage(&f.Third); },
       [](FormView& v) { return v.widgetAs<QTabWidget>("Pages")->currentIndex() == 2; }},
      {"front tab hidden: the model's choice",
       [](TestForm& f) {
         f.Pages.setActivePage(&f.Third);
         f.Third.setTabVisible(false);
       },
       [](FormView& v) { return v.widgetAs<QTabWidget>("Pages")->currentIndex() == 0; }},
      {"tab caption", [](TestForm& f) { f.Second.setCaption("Update"); },
       [](FormView& v) { return v.widgetAs<QTabWidget>("Pages")->tabText(1) == "Update"; }},
      {"password readable",
       [](TestForm& f) {
         f.Password.setText("geheim");
         f.Password.setPasswordChar(0);
       },
       [](FormView& v) { return v.widgetAs<QLineEdit>("Password")->displayText() == "geheim"; }},
      {"mask edit emptied",
       [](TestForm& f) {
         f.Mac.setText("12:34:56");
         f.Mac.setText("");
       },
       [](FormView& v) { return v.widgetAs<QLineEdit>("Mac")->displayText() == "  :  :  "; }},
      {"shape colour", [](TestForm& f) { f.Light.setColor(form::clLime); },
       [](FormView& v) { return v.widgetAs<CircleWidget>("Light")->fill() == QColor(0, 255, 0); }},
  };
  for (const Case& c : cases) {
    test::TestDesktop caseDesktop;
    TestForm caseForm(caseDesktop);
    FormView caseView(caseForm);
    c.change(caseForm);
    EXPECT_TRUE(c.shown(caseView)) << c.what;
  }
}

TEST_F(FormViewTest, StartStateOfTheModelIsShown) {
  EXPECT_EQ(widget<QLineEdit>("Installed")->text(), QStringLiteral("V1.7"));
  EXPECT_EQ(widget<QLineEdit>("Mac")->displayText(), QStringLiteral("  :  :  "));
  EXPECT_EQ(widget<QPlainTextEdit>("Notes")->toPlainText(),
            QStringLiteral("erste Zeile\nzweite Zeile"));
  auto* password = widget<QLineEdit>("Password");
  password->setText(QStringLiteral("abc"));
  EXPECT_EQ(password->echoMode(), QLineEdit::Password);
  EXPECT_EQ(password->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, password),
            '*');
}

TEST_F(FormViewTest, ReadersHearTheCaptionAndAnEditTheCaptionOfItsLabel) {
  const struct {
    const char* name;
    const char* heard;
  } cases[] = {
      {"Heading", "Testfenster"}, {"Link", "Webseite öffnen"},   {"Search", "Suchen"},
      {"Name", "Name:"},          {"Password", "Passwort:"},     {"Mac", "MAC"},
      {"Units", "Geräte:"},       {"Reveal", "Passwort zeigen"}, {"Group", "Netzwerk"},
      {"First", "Erste"},         {"Logo", "www.example.org"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(view.widgetFor(c.name)->accessibleName(), QString::fromUtf8(c.heard)) << c.name;
  }
  form.Caption.setCaption("Device name:");
  EXPECT_EQ(widget<QLineEdit>("Name")->accessibleName(), QStringLiteral("Device name:"));
  form.Search.setCaption("Search");
  EXPECT_EQ(widget<QPushButton>("Search")->accessibleName(), QStringLiteral("Search"));
}

TEST_F(FormViewTest, ClicksReachTheHandlersOfEnabledControlsOnly) {
  int search = 0;
  int heading = 0;
  int logo = 0;
  form.Search.onClick = [&] { ++search; };
  form.Heading.onClick = [&] { ++heading; };
  form.Logo.onClick = [&] { ++logo; };

  QTest::mouseClick(widget<QPushButton>("Search"), Qt::LeftButton);
  QTest::mouseClick(widget<QLabel>("Heading"), Qt::LeftButton);
  QTest::mouseClick(widget<QLabel>("Logo"), Qt::LeftButton);
  EXPECT_EQ(search, 1);
  EXPECT_EQ(heading, 1);
  EXPECT_EQ(logo, 1);

  form.Search.setEnabled(false);
  form.Heading.setEnabled(false);
  QTest::mouseClick(widget<QPushButton>("Search"), Qt::LeftButton);
  QTest::mouseClick(widget<QLabel>("Heading"), Qt::LeftButton);
  EXPECT_EQ(search, 1);
  EXPECT_EQ(heading, 1);
  // A click from code still runs the handler of a disabled button.
  form.Search.click();
  EXPECT_EQ(search, 2);
}

TEST_F(FormViewTest, AnErrorInAHandlerGoesToTheErrorBox) {
  form.Search.onClick = [] { throw std::runtime_error("Socket Error # 10048"); };
  QTest::mouseClick(widget<QPushButton>("Search"), Qt::LeftButton);
  ASSERT_EQ(desktop.errors.size(), 1u);
  EXPECT_EQ(desktop.errors[0], "Socket Error # 10048.");
}

TEST_F(FormViewTest, CheckBoxShowsWhatTheModelDecided) {
  int clicks = 0;
  form.Reveal.onClick = [&] { ++clicks; };
  auto* box = widget<QCheckBox>("Reveal");
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  EXPECT_TRUE(form.Reveal.checked());
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(clicks, 1);

  // A handler that puts the mark back wins over the widget's own toggle.
  form.Reveal.onClick = [&] { form.Reveal.setChecked(true); };
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  EXPECT_TRUE(form.Reveal.checked());
  EXPECT_TRUE(box->isChecked());

  // When the model refuses the click, the widget takes its toggle back.
  form.Reveal.setEnabled(false);
  box->setEnabled(true);
  box->click();
  EXPECT_TRUE(form.Reveal.checked());
  EXPECT_TRUE(box->isChecked());
}

TEST_F(FormViewTest, TypingRunsTheChangeHandlerAndShowsItsCorrection) {
  view.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  auto* name = widget<QLineEdit>("Name");
  name->setFocus();
  ASSERT_TRUE(name->hasFocus());
  std::vector<std::string> seen;
  // Like the device-name rule: at most 5 characters, nothing from 0x80 up (one per run).
  form.Name.onChange = [&] {
    std::string text = form.Name.text();
    seen.push_back(text);
    if (text.size() > 5) {
      form.Name.setText(text.substr(0, 5));
      return;
    }
    const auto high = std::find_if(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (high != text.end()) {
      text.erase(high);
      form.Name.setText(text);
    }
  };

  QTest::keyClicks(name, "abcdef");
  EXPECT_EQ(form.Name.text(), "abcde");
  EXPECT_EQ(name->text(), QStringLiteral("abcde"));
  EXPECT_EQ(name->cursorPosition(), 5);
  EXPECT_EQ(seen.back(), "abcde");

  // A character typed in the middle and removed again leaves the cursor where it was typed.
  name->setText(QStringLiteral("abc"));
  name->setCursorPosition(1);
  QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Adiaeresis, Qt::NoModifier, QString::fromUtf8("ä"));
  QApplication::sendEvent(name, &umlaut);
  EXPECT_EQ(form.Name.text(), "abc");
  EXPECT_EQ(name->text(), QStringLiteral("abc"));
  EXPECT_EQ(name->cursorPosition(), 1);
}

TEST_F(FormViewTest, AssistiveToolsEditLikeTyping) {
  std::vector<std::string> seen;
  form.Name.onChange = [&] { seen.push_back(form.Name.text()); };
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(widget<QLineEdit>("Name"));
  ASSERT_NE(access, nullptr);
  ASSERT_NE(access->editableTextInterface(), nullptr);

  access->setText(QAccessible::Value, QStringLiteral("Heizung"));
  access->editableTextInterface()->insertText(0, QStringLiteral("Die "));
  access->editableTextInterface()->replaceText(4, 11, QStringLiteral("Pumpe"));
  EXPECT_EQ(seen, (std::vector<std::string>{"Heizung", "Die Heizung", "Die Pumpe"}));

  // A read-only field refuses the change; the widget shows the model's text again.
  QAccessibleInterface* installed =
      QAccessible::queryAccessibleInterface(widget<QLineEdit>("Installed"));
  form.Installed.setReadOnly(true);
  installed->setText(QAccessible::Value, QStringLiteral("V9.9"));
  EXPECT_EQ(form.Installed.text(), "V1.7");
  EXPECT_EQ(widget<QLineEdit>("Installed")->text(), QStringLiteral("V1.7"));
}

TEST_F(FormViewTest, MaskedFieldKeepsTheMasksShape) {
  int changes = 0;
  form.Mac.onChange = [&] { ++changes; };
  auto* mac = widget<QLineEdit>("Mac");
  mac->setCursorPosition(0);
  QTest::keyClicks(mac, "1A2");
  EXPECT_EQ(form.Mac.text(), "1A:2 :  ");
  EXPECT_EQ(changes, 3);
  form.Mac.setText("AB:CD:EF");
  EXPECT_EQ(mac->displayText(), QStringLiteral("AB:CD:EF"));
}

TEST_F(FormViewTest, ListClicksSelectAndRunTheHandlerAlsoOnTheSelectedEntry) {
  std::vector<int> clicked;
  form.Units.onClick = [&] { clicked.push_back(form.Units.itemIndex()); };
  form.Units.add("00:00:00:00:00:01");
  form.Units.add("00:00:00:00:00:02");
  form.Units.add("00:00:00:00:00:03");

  clickRow(1);
  clickRow(1);
  auto* list = widget<QListWidget>("Units");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(clicked, (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(list->currentRow(), 2);

  // The handler may rebuild the list it was clicked in, as a search does.
  form.Units.onClick = [&] {
    form.Units.clear();
    form.Units.add("00:00:00:00:00:09");
    form.Units.setItemIndex(0);
  };
  clickRow(2);
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("00:00:00:00:00:09"));
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(form.Units.itemIndex(), 0);
}

TEST_F(FormViewTest, TabClicksBringThePageToTheFrontThroughTheModel) {
  clickTab(2);
  EXPECT_EQ(form.Pages.activePage(), &form.Third);
  EXPECT_EQ(widget<QTabWidget>("Pages")->currentIndex(), 2);

  // While the page control is disabled the model refuses, and the widget follows it.
  form.Pages.setEnabled(false);
  widget<QTabWidget>("Pages")->setCurrentIndex(0);
  EXPECT_EQ(form.Pages.activePage(), &form.Third);
  EXPECT_EQ(widget<QTabWidget>("Pages")->currentIndex(), 2);
}

TEST_F(FormViewTest, FirstActivationRunsOnce) {
  test::TestDesktop otherDesktop;
  TestForm otherForm(otherDesktop);
  FormView other(otherForm);
  int runs = 0;
  FormView fresh(form);
  fresh.runOnFirstActivation([&] { ++runs; });
  fresh.show();
  fresh.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return runs > 0; }));
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  fresh.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&fresh));
  QTest::qWait(50);
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace kv3::qt
