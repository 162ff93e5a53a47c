#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "qt/form_view.h"
#include "support/german_texts.h"
#include "support/loopback_lan.h"
#include "support/loopback_window.h"
#include "support/test_desktop.h"
#include "view_helpers.h"
#include "window/main_window.h"

namespace kv3::qt {
namespace {

// The real window on the offscreen platform, talking to simulated units on loopback.
class MainWindowView : public testing::Test {
 protected:
  void SetUp() override { ShowAndWait(view); }
  template <class W>
  W* widget(const std::string& name) {
    return WidgetNamed<W>(view, name);
  }

  test::ScratchDirectory directory;
  test::LoopbackWindow on;
  test::LoopbackLan& lan = on.lan;
  test::TestDesktop& desktop = on.desktop;
  window::MainWindow& window = on.window;
  FormView view{window};
};

TEST_F(MainWindowView, EveryControlOfTheWindowHasItsWidgetAndNames) {
  EXPECT_EQ(view.size(), QSize(896, 472));
  for (const form::Control* control : window.controls()) {
    QWidget* w = view.widgetFor(control->name());
    ASSERT_NE(w, nullptr) << control->name();
    EXPECT_EQ(w->objectName().toStdString(), control->name());
    EXPECT_EQ(w->accessibleDescription().toStdString(), control->name());
  }
  EXPECT_EQ(widget<QPushButton>("BTSuchen")->accessibleName(), "VozezaViroru suchen");
  EXPECT_EQ(widget<QLineEdit>("Edit4")->accessibleName(), "IP Addresse:");
}

TEST_F(MainWindowView, ActivationSearchesAndTheWidgetsFollowTheModel) {
  window.dispatch([this] { window.FormActivate(); });
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  auto* tabs = widget<QTabWidget>("PageControl1");
  EXPECT_TRUE(tabs->isTabVisible(1));
  EXPECT_FALSE(tabs->isTabVisible(3));
  EXPECT_EQ(widget<QLineEdit>("Edit4")->text(), "127.0.0.11");
  EXPECT_EQ(widget<QLineEdit>("Edit4")->accessibleName(), "IP-Adresse:");
  EXPECT_EQ(view.windowTitle(), "Konfigurationsprogramm für VozezaViroru V1.0.20");
  // Screen readers announce the window as a window, by its title.
  QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(&view);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->role(), QAccessible::Window);
  EXPECT_EQ(frame->text(QAccessible::Name), view.windowTitle());

  // Typing an invalid address colours the field and disables saving, on screen too.
  auto* edit4 = widget<QLineEdit>("Edit4");
  edit4->selectAll();
  QTest::keyClicks(edit4, "1.2.3");
  EXPECT_EQ(window.Edit4.text(), "1.2.3");
  EXPECT_EQ(window.Edit4.color(), form::InvalidFieldColour);
  EXPECT_FALSE(widget<QPushButton>("BtESpeichern")->isEnabled());

  // The British flag switches every caption at once; it is a button for the keyboard too.
  QTest::mouseClick(widget<QAbstractButton>("Image3"), Qt::LeftButton);
  EXPECT_EQ(widget<QPushButton>("BTSuchen")->text(), "search VozezaViroru");
  EXPECT_EQ(tabs->tabText(0), "settings");
  EXPECT_EQ(window.Edit4.text(), "1.2.3");
}

// The search gives the emptied list the focus, on which Qt makes its first row current: that is
// no choice of the user's, and the shown unit is asked once.
TEST_F(MainWindowView, AClickedSearchAsksTheShownUnitOnce) {
  window.dispatch([this] { window.FormActivate(); });
  lan.sim().clearReceived();
  QTest::mouseClick(widget<QPushButton>("BTSuchen"), Qt::LeftButton);
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  std::vector<std::string> asked;
  for (const sim::Received& datagram : lan.sim().received()) asked.push_back(datagram.kind);
  EXPECT_EQ(asked, (std::vector<std::string>{"FIND", "PaWd", "Vers"}));
  EXPECT_EQ(widget<QListWidget>("LB1")->currentRow(), 0);
}

// The gauge on screen follows the upload; a close during the upload waits for its end.
TEST_F(MainWindowView, UploadControlsAppearAndTheGaugeMovesOnScreen) {
  window.dispatch([this] { window.FormActivate(); });
  const auto file = directory.path() / "kv3_fw_2.0.bin";
  test::WriteFileBytes(file, test::PatternBytes(4000));
  desktop.answerNextDialog(std::vector<std::string>{file.string()});
  widget<QTabWidget>("PageControl1")->setCurrentIndex(1);
  QTest::mouseClick(widget<QPushButton>("Bt_Ld_FW"), Qt::LeftButton);
  EXPECT_EQ(widget<QLineEdit>("Ed_Up_FW")->text(), "kv3_fw_2.0");
  auto* gauge = widget<QProgressBar>("CG_FW");
  auto* start = widget<QPushButton>("Bt_Up_FW");
  EXPECT_TRUE(gauge->isVisible());
  ASSERT_TRUE(start->isVisible());

  std::vector<int> shown;
  bool closedAtOnce = true;
  desktop.queueUserAction([&] {
    shown.push_back(gauge->value());
    closedAtOnce = view.close();
    desktop.queueUserAction([&] { shown.push_back(gauge->value()); });
  });
  QTest::mouseClick(start, Qt::LeftButton);

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_EQ(shown, (std::vector<int>{36, 73}));
  EXPECT_FALSE(closedAtOnce);
  EXPECT_EQ(gauge->value(), 0);
  EXPECT_EQ(desktop.messages.at(0).text, test::german::UpdatedRestart);
  // The close waited for the end of the upload and comes from the event loop.
  EXPECT_TRUE(view.isVisible());
  QTRY_VERIFY(!view.isVisible());
}

}  // namespace
}  // namespace kv3::qt
