// The binders of the page control, its pages and the controls the window draws itself.
#include <algorithm>

#include "form/controls.h"
#include "platform/windows_text.h"
#include "win32/binder.h"
#include "win32/pictures.h"

namespace kv3::win32 {

namespace {

using form::Property;
using platform::detail::Wide;

int PageIndex(const form::TabSheet& sheet) {
  const auto& pages = sheet.pageControl().pages();
  return static_cast<int>(std::find(pages.begin(), pages.end(), &sheet) - pages.begin());
}

// The tab control shows the tabs of the visible pages; a hidden page has no tab at all.
// The pages are the tab control's siblings, made right after it, so that Tab goes from the tab
// strip to the controls of the page in front: the dialog keys walk a window's controls in the
// order they were made and go into a window of controls (WS_EX_CONTROLPARENT), but never stop
// at such a window itself; as the pages' parent, either the tab strip or the pages' controls
// could be reached, not both. The tab control's shape leaves out the room inside its frame,
// where the page in front shows.
class PageControlBinder final : public Binder {
 public:
  PageControlBinder(form::PageControl& pages, HWND parent)
      : Binder(pages, Create(WC_TABCONTROLW, WS_TABSTOP, parent, pages)), pages_(pages) {}
  HWND container() const override { return ::GetParent(window()); }
  POINT childOrigin(POINT /*origin*/) const override { return {0, 0}; }

  void addPage(form::TabSheet& sheet, HWND page) {
    pageWindows_.resize(pages_.pages().size(), nullptr);
    pageWindows_[static_cast<std::size_t>(PageIndex(sheet))] = page;
    watch(sheet, [this](Property property) {
      if (property == Property::Text || property == Property::TabVisible) copyTabs();
    });
    copyTabs();
  }
  void command(UINT code) override {
    if (code != TCN_SELCHANGE || copying()) return;
    const int tab = static_cast<int>(::SendMessageW(window(), TCM_GETCURSEL, 0, 0));
    if (tab >= 0 && tab < static_cast<int>(shown_.size())) {
      pages_.userSelectPage(pages_.pages()[shown_[static_cast<std::size_t>(tab)]]);
    }
    copyActivePage();
  }

 protected:
  void apply(Property property) override {
    if (property == Property::ActivePage) {
      copyActivePage();
    } else if (property == Property::Bounds) {
      Binder::apply(property);
      placePages();
    } else if (property != Property::Color) {
      Binder::apply(property);
    }
  }

 private:
  void copyTabs() {
    ++copying_;
    ::SendMessageW(window(), TCM_DELETEALLITEMS, 0, 0);
    shown_.clear();
    for (std::size_t i = 0; i < pages_.pages().size(); ++i) {
      const form::TabSheet& sheet = *pages_.pages()[i];
      if (!sheet.tabVisible()) continue;
      std::wstring caption = Wide(sheet.caption());
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = caption.data();
      ::SendMessageW(window(), TCM_INSERTITEMW, shown_.size(), reinterpret_cast<LPARAM>(&item));
      shown_.push_back(i);
    }
    --copying_;
    placePages();
    copyActivePage();
  }
  void placePages() {
    RECT whole;
    ::GetClientRect(window(), &whole);
    RECT area = whole;
    ::SendMessageW(window(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    // The tab control keeps its tabs and its frame; the room inside the frame is the pages'.
    const HRGN shape = ::CreateRectRgnIndirect(&whole);
    const HRGN room = ::CreateRectRgnIndirect(&area);
    ::CombineRgn(shape, shape, room, RGN_DIFF);
    ::DeleteObject(room);
    ::SetWindowRgn(window(), shape, TRUE);  // the window owns the region from here on
    ::MapWindowPoints(window(), ::GetParent(window()), reinterpret_cast<POINT*>(&area), 2);
    for (HWND page : pageWindows_) {
      if (page != nullptr) {
        ::MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     TRUE);
      }
    }
  }
  void copyActivePage() {
    const form::TabSheet* active = pages_.activePage();
    for (std::size_t i = 0; i < pageWindows_.size(); ++i) {
      if (pageWindows_[i] == nullptr) continue;
      const bool front = pages_.pages()[i] == active && active->tabVisible();
      ::ShowWindow(pageWindows_[i], front ? SW_SHOWNA : SW_HIDE);
      if (front) {
        const auto tab = std::find(shown_.begin(), shown_.end(), i) - shown_.begin();
        ++copying_;
        ::SendMessageW(window(), TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        --copying_;
      }
    }
  }

  form::PageControl& pages_;
  std::vector<HWND> pageWindows_;
  std::vector<std::size_t> shown_;  // the page of each tab
};

// A page: the window its controls sit on, placed and shown by its page control. The dialog keys
// enter it (WS_EX_CONTROLPARENT) while it is in front.
class TabSheetBinder final : public Binder {
 public:
  TabSheetBinder(form::TabSheet& sheet, HWND parent)
      : Binder(sheet, Create(kPageClass, WS_CLIPCHILDREN, parent, sheet, WS_EX_CONTROLPARENT)) {}
  HWND container() const override { return window(); }
  POINT childOrigin(POINT /*origin*/) const override { return {0, 0}; }

 protected:
  void apply(Property property) override {
    if (property == Property::Enabled) Binder::apply(property);
  }
};

// A picture stored with the program, or a circle filled with the shape's colour: drawn by the
// window itself (WM_DRAWITEM). A picture with a name for readers of the screen is a button drawn
// as the picture, so that the keyboard and a screen reader can press it.
class DrawnBinder final : public Binder {
 public:
  DrawnBinder(form::Control& control, HWND parent)
      : Binder(control, CreateDrawn(control, parent)) {}
  void command(UINT code) override {
    if (code != STN_CLICKED && code != BN_CLICKED) return;
    if (auto* image = dynamic_cast<form::Image*>(&control())) image->userClick();
  }
  bool draw(const DRAWITEMSTRUCT& item) override {
    const RECT& area = item.rcItem;
    ::FillRect(item.hDC, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    if (const auto* image = dynamic_cast<const form::Image*>(&control())) {
      const int width = area.right - area.left;
      const int height = area.bottom - area.top;
      if (picture_.get() == nullptr || size_.cx != width || size_.cy != height) {
        picture_ = StoredPicture(image->picture(), width, height);
        size_ = {width, height};
      }
      DrawPicture(item.hDC, area, picture_);
      if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        ::DrawFocusRect(item.hDC, &area);
      }
      return true;
    }
    const HBRUSH fill = ::CreateSolidBrush(Ref(control().color()));
    const HGDIOBJ oldBrush = ::SelectObject(item.hDC, fill);
    const HGDIOBJ oldPen = ::SelectObject(item.hDC, ::GetStockObject(BLACK_PEN));
    ::Ellipse(item.hDC, area.left, area.top, area.right, area.bottom);
    ::SelectObject(item.hDC, oldPen);
    ::SelectObject(item.hDC, oldBrush);
    ::DeleteObject(fill);
    return true;
  }

 private:
  static HWND CreateDrawn(const form::Control& control, HWND parent) {
    const auto* image = dynamic_cast<const form::Image*>(&control);
    if (image == nullptr || image->accessibleName.empty()) {
      return Create(L"STATIC", SS_NOTIFY | SS_OWNERDRAW, parent, control);
    }
    const HWND button = Create(L"BUTTON", WS_TABSTOP | BS_OWNERDRAW, parent, control);
    ::SetWindowTextW(button, Wide(image->accessibleName).c_str());
    return button;
  }

  Bitmap picture_;
  SIZE size_{};
};

}  // namespace

std::unique_ptr<Binder> MakePageControlBinder(form::PageControl& pages, HWND parent) {
  return std::make_unique<PageControlBinder>(pages, parent);
}

std::unique_ptr<Binder> MakeTabSheetBinder(form::TabSheet& sheet, HWND parent) {
  return std::make_unique<TabSheetBinder>(sheet, parent);
}

std::unique_ptr<Binder> MakeDrawnBinder(form::Control& control, HWND parent) {
  return std::make_unique<DrawnBinder>(control, parent);
}

void AddPage(Binder& pages, form::TabSheet& sheet, HWND page) {
  static_cast<PageControlBinder&>(pages).addPage(sheet, page);
}

}  // namespace kv3::win32
