// The window on the Windows API, made for real under Wine and driven with window messages as
// the user's clicks and typing arrive, against simulated units on loopback.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <filesystem>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "platform/windows_text.h"
#include "support/loopback_lan.h"
#include "support/loopback_window.h"
#include "support/test_desktop.h"
#include "win32/form_window.h"
#include "window/main_window.h"

namespace kv3::win32 {
namespace {

class MainWindowWin : public testing::Test {
 protected:
  void SetUp() override { view.show(SW_SHOWNOACTIVATE); }
  HWND handle(const std::string& name) {
    const HWND found = view.handleFor(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  std::string text(const std::string& name) {
    const HWND window = handle(name);
    std::wstring wide(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, wide.data(), static_cast<int>(wide.size()))));
    return platform::detail::Utf8(wide);
  }
  // What the control tells its parent when the user acts on it.
  void notifyParent(const std::string& name, UINT code) {
    const HWND window = handle(name);
    ::SendMessageW(::GetParent(window), WM_COMMAND, MAKEWPARAM(0, code),
                   reinterpret_cast<LPARAM>(window));
  }
  void type(const std::string& name, const std::string& typed) {
    ::SendMessageW(handle(name), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(platform::detail::Wide(typed).c_str()));
  }
  std::string tabText(int tab) {
    wchar_t buffer[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 64;
    ::SendMessageW(handle("PageControl1"), TCM_GETITEMW, tab, reinterpret_cast<LPARAM>(&item));
    return platform::detail::Utf8(buffer);
  }
  // A click on the tab strip's tab number `tab`.
  void selectTab(int tab) {
    ::SendMessageW(handle("PageControl1"), TCM_SETCURSEL, tab, 0);
    NMHDR changed{handle("PageControl1"), 0, TCN_SELCHANGE};
    ::SendMessageW(::GetParent(handle("PageControl1")), WM_NOTIFY, 0,
                   reinterpret_cast<LPARAM>(&changed));
  }
  // The controls Tab (or Shift+Tab) reaches one after the other from the tab strip on, by name,
  // until it is back there.
  std::vector<std::string> tabWalk(bool backwards) {
    std::vector<std::string> names;
    const HWND strip = handle("PageControl1");
    HWND at = strip;
    do {
      at = ::GetNextDlgTabItem(view.handle(), at, backwards ? TRUE : FALSE);
      names.push_back(nameOf(at, window.children()));
    } while (at != nullptr && at != strip && names.size() < 100);
    return names;
  }
  std::string nameOf(HWND native, const std::vector<form::Control*>& controls) {
    for (const form::Control* control : controls) {
      if (view.handleFor(control->name()) == native) return control->name();
      if (std::string inner = nameOf(native, control->children()); !inner.empty()) return inner;
    }
    return {};
  }

  test::ScratchDirectory directory;
  // Where most users unpack the program: a folder whose name holds an umlaut.
  const std::filesystem::path downloads = [this] {
    const auto folder = directory.path() / platform::PathFromUtf8("Jürgen") / "Downloads";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    return folder;
  }();
  test::LoopbackWindow on;
  test::LoopbackLan& lan = on.lan;
  test::TestDesktop& desktop = on.desktop;
  window::MainWindow& window = on.window;
  FormWindow view{window};
};

TEST_F(MainWindowWin, TheSearchFillsTheWindowAndTheUsersInputReachesTheModel) {
  RECT client;
  ::GetClientRect(view.handle(), &client);
  EXPECT_EQ(client.right, 896);
  EXPECT_EQ(client.bottom, 472);

  window.dispatch([this] { window.FormActivate(); });
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_EQ(test::ReadFileBytes(downloads / "t540.cfg"), "de\r\n\r\n");
  EXPECT_EQ(::SendMessageW(handle("LB1"), LB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(text("Edit4"), "127.0.0.11");
  EXPECT_EQ(text("Form1"), "Konfigurationsprogramm für VozezaViroru V1.0.20");
  EXPECT_EQ(::SendMessageW(handle("PageControl1"), TCM_GETITEMCOUNT, 0, 0), 3);

  // Typing an invalid address disables saving; the second unit fills the page when chosen.
  type("Edit4", "1.2.3");
  EXPECT_EQ(window.Edit4.text(), "1.2.3");
  EXPECT_EQ(window.Edit4.color(), form::InvalidFieldColour);
  EXPECT_FALSE(::IsWindowEnabled(handle("BtESpeichern")));
  ::SendMessageW(handle("LB1"), LB_SETCURSEL, 1, 0);
  notifyParent("LB1", LBN_SELCHANGE);
  EXPECT_EQ(text("Edit4"), "127.0.0.12");
  EXPECT_TRUE(::IsWindowEnabled(handle("BtESpeichern")));

  // A new name saved reaches the unit.
  type("Edit8", "Dachboden");
  ::SendMessageW(handle("BtESpeichern"), BM_CLICK, 0, 0);
  EXPECT_EQ(lan.sim().unit(1).deviceName, "Dachboden");

  // The British flag, a button named for screen readers, switches every caption at once.
  EXPECT_EQ(text("Image3"), "English");
  ::SendMessageW(handle("Image3"), BM_CLICK, 0, 0);
  EXPECT_EQ(text("BTSuchen"), "search VozezaViroru");
  EXPECT_EQ(tabText(0), "settings");
}

// What the model gives the pictures: a hand over the logo and the flags (and only there), the web
// site as the logo's hint.
TEST_F(MainWindowWin, TheLogoAndTheFlagsShowAHandAndTheLogoItsHint) {
  const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
  for (const char* name : {"Image1", "Image2", "Image3", "BTSuchen"}) {
    SCOPED_TRACE(name);
    ::SetCursor(nullptr);
    ::SendMessageW(handle(name), WM_SETCURSOR, reinterpret_cast<WPARAM>(handle(name)),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor() == hand, std::string(name) != "BTSuchen");
  }
  wchar_t hint[128] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = ::GetParent(handle("Image1"));
  tool.uId = reinterpret_cast<UINT_PTR>(handle("Image1"));
  tool.lpszText = hint;
  HWND tips = nullptr;
  while ((tips = ::FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr)) != nullptr &&
         ::GetWindow(tips, GW_OWNER) != view.handle()) {
  }
  ASSERT_NE(tips, nullptr);
  ::SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
  EXPECT_EQ(platform::detail::Utf8(hint), "https://www.vozezaviroru.de");
}

TEST_F(MainWindowWin, TypingIntoTheMaskedFieldFillsItsBlanksAndStepsOverTheColons) {
  const HWND mac = handle("Edit3");
  ::SendMessageW(mac, EM_SETSEL, 0, 0);
  for (const char typed : std::string("001A2B3C4D5E")) ::SendMessageW(mac, WM_CHAR, typed, 0);
  EXPECT_EQ(window.Edit3.text(), "00:1A:2B:3C:4D:5E");
  ::SendMessageW(mac, WM_CHAR, 'F', 0);  // full: nothing more goes in
  ::SendMessageW(mac, WM_CHAR, VK_BACK, 0);
  ::SendMessageW(mac, WM_CHAR, VK_BACK, 0);
  ::SendMessageW(mac, WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(text("Edit3"), "00:1A:2B:3C:4 :  ");
  EXPECT_EQ(window.Edit3.text(), text("Edit3"));
}

// Tab reaches every control of the page in front that can be used, in the page's order, then the
// flags and the tab strip; Shift+Tab goes the same way back.
TEST_F(MainWindowWin, TabReachesEveryControlOfThePageInFront) {
  window.dispatch([this] { window.FormActivate(); });
  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  struct Case {
    int tab;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {0,
       {"LB1", "BTSuchen", "Edit8", "Edit4", "Edit5", "Edit6", "CB_DHCP", "Edit1", "EditPW", "CBKt",
        "BtESpeichern", "Image2", "Image3", "PageControl1"}},
      {1,
       {"Ed_Inst_FW", "Bt_WS_FW", "Bt_Ld_FW", "Ed_Inst_WA", "Bt_WS_WA", "Bt_Ld_WA", "Image2",
        "Image3", "PageControl1"}},
      {2, {"Ed_Inst_AS", "Bt_WS_AS", "Bt_Ld_AS", "Image2", "Image3", "PageControl1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tab);
    selectTab(c.tab);
    EXPECT_EQ(tabWalk(false), c.order);
    std::vector<std::string> back(c.order.rbegin() + 1, c.order.rend());
    back.push_back("PageControl1");
    EXPECT_EQ(tabWalk(true), back);
  }
}

TEST_F(MainWindowWin, AnUploadMovesTheGaugeAndACloseWaitsForItsEnd) {
  window.dispatch([this] { window.FormActivate(); });
  const auto folder = directory.path() / platform::PathFromUtf8("Jürgen Müller");
  std::filesystem::create_directory(folder);
  const auto file = folder / "kv3 V2.14.bin";
  test::WriteFileBytes(file, test::PatternBytes(4000));
  desktop.answerNextDialog(std::vector<std::string>{platform::Utf8FromPath(file)});
  selectTab(1);
  EXPECT_TRUE(::IsWindowVisible(handle("TabSheet2")));
  ::SendMessageW(handle("Bt_Ld_FW"), BM_CLICK, 0, 0);
  EXPECT_EQ(text("Ed_Up_FW"), "kv3 V2.14");
  ASSERT_TRUE(::IsWindowVisible(handle("Bt_Up_FW")));

  const auto gauge = [this] {
    return static_cast<int>(::SendMessageW(handle("CG_FW"), PBM_GETPOS, 0, 0));
  };
  std::vector<int> shown;
  desktop.queueUserAction([&] {
    shown.push_back(gauge());
    ::SendMessageW(view.handle(), WM_CLOSE, 0, 0);
    desktop.queueUserAction([&] { shown.push_back(gauge()); });
  });
  ::SendMessageW(handle("Bt_Up_FW"), BM_CLICK, 0, 0);

  ASSERT_TRUE(desktop.errors.empty()) << desktop.errors.front();
  EXPECT_EQ(shown, (std::vector<int>{36, 73}));
  EXPECT_EQ(gauge(), 0);
  EXPECT_EQ(desktop.messages.at(0).text, window.texts().TextUpdatedRestart);
  // The close waited for the end of the upload and comes from the message loop.
  EXPECT_TRUE(::IsWindow(view.handle()));
  MSG message;
  while (::IsWindow(view.handle()) && ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    ::DispatchMessageW(&message);
  }
  EXPECT_EQ(view.handle(), nullptr);
}

}  // namespace
}  // namespace kv3::win32
