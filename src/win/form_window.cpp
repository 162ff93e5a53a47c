#include "win/form_window.h"

#include <commctrl.h>
#include <uxtheme.h>
#include <vssym32.h>

#include <algorithm>
#include <stdexcept>
#include <tuple>

#include "platform/windows_text.h"
#include "ui/controls.h"
#include "win/pictures.h"

namespace kv3::win {

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

using platform::detail::Utf8;
using platform::detail::Wide;
using ui::Property;

constexpr wchar_t kFormClass[] = L"Kv3ConfigForm";
constexpr wchar_t kPageClass[] = L"Kv3ConfigPage";
constexpr UINT kFirstShow = WM_APP + 1;
constexpr UINT kClose = WM_APP + 2;

COLORREF Ref(ui::Color color) { return RGB(color.r, color.g, color.b); }

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The window's font, Arial 13 pixels high, in the control's weight and underline.
// The window's layout is in pixels at 96 dots per inch; on a screen set to more (150 % is 144)
// every length grows with it.
int Scaled(int length, int dpi) { return ::MulDiv(length, dpi, 96); }

HFONT FontFor(const ui::Style& style, int dpi) {
  static std::map<std::tuple<int, bool, bool>, HFONT> fonts;
  const int pixels = Scaled(style.fontPixels, dpi);
  const auto key = std::make_tuple(pixels, style.bold, style.underline);
  auto it = fonts.find(key);
  if (it == fonts.end()) {
    const HFONT font =
        ::CreateFontW(-pixels, 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL, FALSE,
                      style.underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
    it = fonts.emplace(key, font).first;
  }
  return it->second;
}

}  // namespace

// Keeps one native control equal to one control of the model, as the Qt view's bindings do:
// model changes are copied onto the native control; the user's input goes back through the
// control's user calls, and the native control then shows whatever the model made of it. What
// the native control reports about the binder's own copying is ignored.
class Binder {
 public:
  Binder(ui::Control& control, HWND window) : control_(control), window_(window) {}
  virtual ~Binder() {
    for (const auto& [model, id] : subscriptions_) model->unsubscribe(id);
    if (brush_ != nullptr) ::DeleteObject(brush_);
  }
  Binder(const Binder&) = delete;
  Binder& operator=(const Binder&) = delete;

  HWND window() const { return window_; }
  ui::Control& control() const { return control_; }
  // Where the control's children go, and where their bounds count from.
  virtual HWND container() const { return ::GetParent(window_); }
  virtual POINT childOrigin(POINT origin) const {
    return {origin.x + control_.bounds().left, origin.y + control_.bounds().top};
  }

  void start(POINT origin, const int& dpi) {
    origin_ = origin;
    dpi_ = &dpi;
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
    watch(control_, [this](Property property) { apply(property); });
    for (const Property property :
         {Property::Bounds, Property::Text, Property::Items, Property::ItemIndex, Property::Checked,
          Property::Progress, Property::TabVisible, Property::ActivePage, Property::PasswordChar,
          Property::ReadOnly, Property::Color, Property::Enabled, Property::Visible}) {
      apply(property);
    }
  }

  // After the window moved to a screen of another resolution.
  void rescale() {
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), TRUE);
    apply(Property::Bounds);
  }

  // A WM_COMMAND or WM_NOTIFY code of the native control.
  virtual void command(UINT /*code*/) {}
  // The background brush and text colour the native control is painted with.
  HBRUSH colours(HDC context) {
    ::SetTextColor(context, Ref(control_.style().fontColor));
    // The button face is the system's own, as the pages and the window are painted with.
    if (background() == ui::clBtnFace) {
      ::SetBkColor(context, ::GetSysColor(COLOR_BTNFACE));
      return ::GetSysColorBrush(COLOR_BTNFACE);
    }
    ::SetBkColor(context, Ref(background()));
    if (brush_ == nullptr || brushColour_ != background()) {
      if (brush_ != nullptr) ::DeleteObject(brush_);
      brushColour_ = background();
      brush_ = ::CreateSolidBrush(Ref(brushColour_));
    }
    return brush_;
  }

 protected:
  virtual ui::Color background() const { return control_.color(); }

  virtual void apply(Property property) {
    switch (property) {
      case Property::Visible:
        ::ShowWindow(window_, control_.visible() ? SW_SHOWNA : SW_HIDE);
        break;
      case Property::Enabled:
        ::EnableWindow(window_, control_.enabled() ? TRUE : FALSE);
        break;
      case Property::Bounds: {
        const ui::Bounds& b = control_.bounds();
        ::MoveWindow(window_, scaled(origin_.x + b.left), scaled(origin_.y + b.top),
                     scaled(b.width), scaled(b.height), TRUE);
        break;
      }
      case Property::Color:
        ::InvalidateRect(window_, nullptr, TRUE);
        break;
      case Property::Focus:
        ::SetFocus(window_);
        break;
      default:
        break;
    }
  }

  void watch(ui::Control& other, ui::Control::Observer observer) {
    subscriptions_.emplace_back(&other, other.subscribe(std::move(observer)));
  }
  void setText(const std::string& text) {
    const std::wstring wanted = Wide(text);
    if (TextOf(window_) == wanted) return;
    ++copying_;
    ::SetWindowTextW(window_, wanted.c_str());
    --copying_;
  }
  bool copying() const { return copying_ > 0; }
  int copying_ = 0;
  int dpi() const { return dpi_ != nullptr ? *dpi_ : 96; }
  int scaled(int length) const { return Scaled(length, dpi()); }
  HFONT font() const { return FontFor(control_.style(), dpi()); }

 private:
  ui::Control& control_;
  HWND window_;
  POINT origin_{};
  const int* dpi_ = nullptr;
  std::vector<std::pair<ui::Control*, int>> subscriptions_;
  HBRUSH brush_ = nullptr;
  ui::Color brushColour_{};
};

namespace {

HWND Create(const wchar_t* kind, DWORD style, HWND parent, const ui::Control& control,
            DWORD extended = 0) {
  const HWND window =
      ::CreateWindowExW(extended, kind, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    throw std::runtime_error("cannot create the control " + control.name());
  }
  return window;
}

class FormBinder final : public Binder {
 public:
  FormBinder(ui::Form& form, HWND window) : Binder(form, window), form_(form) {}
  HWND container() const override { return window(); }
  POINT childOrigin(POINT /*origin*/) const override { return {0, 0}; }

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      ::SetWindowTextW(window(), Wide(form_.caption()).c_str());
    } else if (property == Property::Bounds) {
      // The bounds are the fixed client area.
      RECT area{0, 0, scaled(form_.bounds().width), scaled(form_.bounds().height)};
      const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window(), GWL_STYLE));
      ::AdjustWindowRectExForDpi(&area, style, FALSE, 0, static_cast<UINT>(dpi()));
      ::SetWindowPos(window(), nullptr, 0, 0, area.right - area.left, area.bottom - area.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (property == Property::Color) {
      ::InvalidateRect(window(), nullptr, TRUE);
    }
    // Whether the window is on screen is the program's choice, not the model's.
  }

 private:
  ui::Form& form_;
};

class LabelBinder final : public Binder {
 public:
  LabelBinder(ui::Captioned& label, HWND parent)
      : Binder(label, Create(L"STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX, parent, label)),
        label_(label) {}
  void command(UINT code) override {
    if (code != STN_CLICKED) return;
    if (auto* label = dynamic_cast<ui::Label*>(&label_)) label->userClick();
  }

 protected:
  ui::Color background() const override {
    // A label on a page shows the page's face unless it has a colour of its own.
    return label_.color();
  }
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(label_.caption());
    } else {
      Binder::apply(property);
    }
  }

 private:
  ui::Captioned& label_;
};

class ButtonBinder final : public Binder {
 public:
  ButtonBinder(ui::Button& button, HWND parent)
      : Binder(button, Create(L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, parent, button)),
        button_(button) {}
  void command(UINT code) override {
    if (code == BN_CLICKED && !copying()) button_.userClick();
  }
  // A caption in a colour of its own (a link's blue) is drawn here on the themed button; the
  // others are drawn by the system. Returns what NM_CUSTOMDRAW asks for.
  LRESULT customDraw(const NMCUSTOMDRAW& draw) {
    if (button_.style().fontColor == ui::clWindowText || draw.dwDrawStage != CDDS_PREPAINT) {
      return CDRF_DODEFAULT;
    }
    const HTHEME theme = ::OpenThemeData(window(), L"BUTTON");
    if (theme == nullptr) return CDRF_DODEFAULT;
    int state = PBS_NORMAL;
    if (!::IsWindowEnabled(window())) {
      state = PBS_DISABLED;
    } else if ((draw.uItemState & CDIS_SELECTED) != 0) {
      state = PBS_PRESSED;
    } else if ((draw.uItemState & CDIS_HOT) != 0) {
      state = PBS_HOT;
    }
    RECT area = draw.rc;
    ::DrawThemeParentBackground(window(), draw.hdc, &area);
    ::DrawThemeBackground(theme, draw.hdc, BP_PUSHBUTTON, state, &area, nullptr);
    ::CloseThemeData(theme);
    const std::wstring caption = Wide(button_.caption());
    ::SetBkMode(draw.hdc, TRANSPARENT);
    ::SetTextColor(draw.hdc, state == PBS_DISABLED ? ::GetSysColor(COLOR_GRAYTEXT)
                                                   : Ref(button_.style().fontColor));
    const HGDIOBJ previous = ::SelectObject(draw.hdc, font());
    ::DrawTextW(draw.hdc, caption.c_str(), static_cast<int>(caption.size()), &area,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    ::SelectObject(draw.hdc, previous);
    if ((draw.uItemState & CDIS_FOCUS) != 0) {
      ::InflateRect(&area, -3, -3);
      ::DrawFocusRect(draw.hdc, &area);
    }
    return CDRF_SKIPDEFAULT;
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(button_.caption());
    } else {
      Binder::apply(property);
    }
  }

 private:
  ui::Button& button_;
};

// A masked field keeps its shape as the desktop's masked edit does: a typed character takes the
// place of the next blank at the cursor, the literals (the colons of a MAC) are stepped over, and
// Backspace and Delete put the blank back.
LRESULT CALLBACK MaskedTyping(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR /*id*/, DWORD_PTR data) {
  const auto& mask = *reinterpret_cast<const ui::MaskEdit*>(data);
  const bool typed = message == WM_CHAR && wParam >= 0x20 && wParam < 0x7F;
  const bool erased =
      (message == WM_CHAR && wParam == VK_BACK) || (message == WM_KEYDOWN && wParam == VK_DELETE);
  if (!typed && !erased) return ::DefSubclassProc(window, message, wParam, lParam);
  const std::wstring blank = Wide(mask.emptyText());
  std::wstring text = TextOf(window);
  text.resize(blank.size(), L' ');
  DWORD start = 0;
  ::SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  std::size_t at = std::min<std::size_t>(start, blank.size());
  const auto literal = [&blank](std::size_t i) { return blank[i] != L' '; };
  if (typed) {
    while (at < blank.size() && literal(at)) ++at;
    if (at >= blank.size()) return 0;
    text[at++] = static_cast<wchar_t>(wParam);
    while (at < blank.size() && literal(at)) ++at;
  } else {
    if (wParam == VK_BACK) {
      while (at > 0 && literal(at - 1)) --at;
      if (at == 0) return 0;
      --at;
    } else {
      while (at < blank.size() && literal(at)) ++at;
      if (at >= blank.size()) return 0;
    }
    text[at] = L' ';
  }
  ::SetWindowTextW(window, text.c_str());  // EN_CHANGE takes it to the model
  ::SendMessageW(window, EM_SETSEL, at, at);
  return 0;
}

class EditBinder final : public Binder {
 public:
  EditBinder(ui::Edit& edit, HWND parent)
      : Binder(edit, Create(L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL, parent, edit, WS_EX_CLIENTEDGE)),
        edit_(edit) {
    if (edit.maxLength() > 0) ::SendMessageW(window(), EM_SETLIMITTEXT, edit.maxLength(), 0);
    if (edit.kind() == ui::Kind::MaskEdit) {
      ::SetWindowSubclass(window(), MaskedTyping, 1, reinterpret_cast<DWORD_PTR>(&edit));
    }
  }
  ~EditBinder() override { ::RemoveWindowSubclass(window(), MaskedTyping, 1); }
  void command(UINT code) override {
    if (code != EN_CHANGE || copying()) return;
    DWORD cursor = 0;
    ::SendMessageW(window(), EM_GETSEL, reinterpret_cast<WPARAM>(&cursor), 0);
    edit_.userEdit(Utf8(TextOf(window())));
    // The model may have corrected the text; the cursor stays where the user typed.
    setText(edit_.text());
    const auto length = static_cast<DWORD>(::GetWindowTextLengthW(window()));
    cursor = std::min(cursor, length);
    ::SendMessageW(window(), EM_SETSEL, cursor, cursor);
  }

 protected:
  void apply(Property property) override {
    switch (property) {
      case Property::Text:
        setText(edit_.text());
        break;
      case Property::PasswordChar:
        ::SendMessageW(window(), EM_SETPASSWORDCHAR,
                       static_cast<WPARAM>(static_cast<unsigned char>(edit_.passwordChar())), 0);
        ::InvalidateRect(window(), nullptr, TRUE);
        break;
      case Property::ReadOnly:
        ::SendMessageW(window(), EM_SETREADONLY, edit_.readOnly() ? TRUE : FALSE, 0);
        break;
      default:
        Binder::apply(property);
    }
  }

 private:
  ui::Edit& edit_;
};

class CheckBoxBinder final : public Binder {
 public:
  CheckBoxBinder(ui::CheckBox& box, HWND parent)
      : Binder(box, Create(L"BUTTON", WS_TABSTOP | BS_CHECKBOX, parent, box)), box_(box) {}
  void command(UINT code) override {
    if (code != BN_CLICKED || copying()) return;
    box_.userClick();
    copyChecked();
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(box_.caption());
    } else if (property == Property::Checked) {
      copyChecked();
    } else {
      Binder::apply(property);
    }
  }

 private:
  void copyChecked() {
    ::SendMessageW(window(), BM_SETCHECK, box_.checked() ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  ui::CheckBox& box_;
};

class ListBinder final : public Binder {
 public:
  ListBinder(ui::ListBox& list, HWND parent)
      : Binder(list, Create(L"LISTBOX", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                            parent, list, WS_EX_CLIENTEDGE)),
        list_(list) {}
  void command(UINT code) override {
    if (code != LBN_SELCHANGE || copying()) return;
    list_.userSelect(static_cast<int>(::SendMessageW(window(), LB_GETCURSEL, 0, 0)));
    copyIndex();
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Items) {
      ++copying_;
      ::SendMessageW(window(), LB_RESETCONTENT, 0, 0);
      for (const std::string& item : list_.items()) {
        ::SendMessageW(window(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
      }
      --copying_;
      copyIndex();
    } else if (property == Property::ItemIndex) {
      copyIndex();
    } else {
      Binder::apply(property);
    }
  }

 private:
  void copyIndex() {
    ++copying_;
    ::SendMessageW(window(), LB_SETCURSEL, static_cast<WPARAM>(list_.itemIndex()), 0);
    --copying_;
  }
  ui::ListBox& list_;
};

class GaugeBinder final : public Binder {
 public:
  GaugeBinder(ui::Gauge& gauge, HWND parent)
      : Binder(gauge, Create(PROGRESS_CLASSW, 0, parent, gauge)), gauge_(gauge) {
    ::SendMessageW(window(), PBM_SETRANGE32, 0, 100);
  }

 protected:
  void apply(Property property) override {
    if (property == Property::Progress) {
      ::SendMessageW(window(), PBM_SETPOS, static_cast<WPARAM>(gauge_.progress()), 0);
    } else {
      Binder::apply(property);
    }
  }

 private:
  ui::Gauge& gauge_;
};

int PageIndex(const ui::TabSheet& sheet) {
  const auto& pages = sheet.pageControl().pages();
  return static_cast<int>(std::find(pages.begin(), pages.end(), &sheet) - pages.begin());
}

// The tab control shows the tabs of the visible pages; a hidden page has no tab at all.
class PageControlBinder final : public Binder {
 public:
  PageControlBinder(ui::PageControl& pages, HWND parent)
      : Binder(pages, Create(WC_TABCONTROLW, WS_TABSTOP | WS_CLIPCHILDREN, parent, pages)),
        pages_(pages) {}
  HWND container() const override { return window(); }
  POINT childOrigin(POINT /*origin*/) const override { return {0, 0}; }

  void addPage(ui::TabSheet& sheet, HWND page) {
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
      const ui::TabSheet& sheet = *pages_.pages()[i];
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
    RECT area;
    ::GetClientRect(window(), &area);
    ::SendMessageW(window(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (HWND page : pageWindows_) {
      if (page != nullptr) {
        ::MoveWindow(page, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     TRUE);
      }
    }
  }
  void copyActivePage() {
    const ui::TabSheet* active = pages_.activePage();
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

  ui::PageControl& pages_;
  std::vector<HWND> pageWindows_;
  std::vector<std::size_t> shown_;  // the page of each tab
};

// A page: the window its controls sit on, placed and shown by its page control.
class TabSheetBinder final : public Binder {
 public:
  TabSheetBinder(ui::TabSheet& sheet, HWND tabs)
      : Binder(sheet, Create(kPageClass, WS_CLIPCHILDREN, tabs, sheet, WS_EX_CONTROLPARENT)) {}
  HWND container() const override { return window(); }
  POINT childOrigin(POINT /*origin*/) const override { return {0, 0}; }

 protected:
  void apply(Property property) override {
    if (property == Property::Enabled) Binder::apply(property);
  }
};

class GroupBinder final : public Binder {
 public:
  GroupBinder(ui::GroupBox& group, HWND parent)
      : Binder(group, Create(L"BUTTON", BS_GROUPBOX, parent, group)), group_(group) {}

 protected:
  void apply(Property property) override {
    if (property == Property::Text) {
      setText(group_.caption());
    } else {
      Binder::apply(property);
    }
  }

 private:
  ui::GroupBox& group_;
};

class MemoBinder final : public Binder {
 public:
  MemoBinder(ui::Memo& memo, HWND parent)
      : Binder(memo, Create(L"EDIT", ES_MULTILINE | ES_READONLY | WS_VSCROLL, parent, memo,
                            WS_EX_CLIENTEDGE)),
        memo_(memo) {}
  void apply(Property property) override {
    if (property == Property::Text || property == Property::Items) {
      std::string text;
      for (const std::string& line : memo_.lines()) text += line + "\r\n";
      setText(text);
    } else {
      Binder::apply(property);
    }
  }

 private:
  ui::Memo& memo_;
};

// A picture stored with the program, or a circle filled with the shape's colour: drawn by the
// window itself (WM_DRAWITEM). A picture with a name for readers of the screen is a button drawn
// as the picture, so that the keyboard and a screen reader can press it.
class DrawnBinder final : public Binder {
 public:
  DrawnBinder(ui::Control& control, HWND parent) : Binder(control, CreateDrawn(control, parent)) {}
  void command(UINT code) override {
    if (code != STN_CLICKED && code != BN_CLICKED) return;
    if (auto* image = dynamic_cast<ui::Image*>(&control())) image->userClick();
  }
  void draw(const DRAWITEMSTRUCT& item) {
    const RECT& area = item.rcItem;
    ::FillRect(item.hDC, &area, ::GetSysColorBrush(COLOR_BTNFACE));
    if (const auto* image = dynamic_cast<const ui::Image*>(&control())) {
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
      return;
    }
    const HBRUSH fill = ::CreateSolidBrush(Ref(control().color()));
    const HGDIOBJ oldBrush = ::SelectObject(item.hDC, fill);
    const HGDIOBJ oldPen = ::SelectObject(item.hDC, ::GetStockObject(BLACK_PEN));
    ::Ellipse(item.hDC, area.left, area.top, area.right, area.bottom);
    ::SelectObject(item.hDC, oldPen);
    ::SelectObject(item.hDC, oldBrush);
    ::DeleteObject(fill);
  }

 private:
  static HWND CreateDrawn(const ui::Control& control, HWND parent) {
    const auto* image = dynamic_cast<const ui::Image*>(&control);
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

std::unique_ptr<Binder> MakeBinder(ui::Control& control, HWND parent) {
  switch (control.kind()) {
    case ui::Kind::Label:
      return std::make_unique<LabelBinder>(static_cast<ui::Label&>(control), parent);
    case ui::Kind::Button:
      return std::make_unique<ButtonBinder>(static_cast<ui::Button&>(control), parent);
    case ui::Kind::Edit:
    case ui::Kind::MaskEdit:
      return std::make_unique<EditBinder>(static_cast<ui::Edit&>(control), parent);
    case ui::Kind::CheckBox:
      return std::make_unique<CheckBoxBinder>(static_cast<ui::CheckBox&>(control), parent);
    case ui::Kind::ListBox:
      return std::make_unique<ListBinder>(static_cast<ui::ListBox&>(control), parent);
    case ui::Kind::Gauge:
      return std::make_unique<GaugeBinder>(static_cast<ui::Gauge&>(control), parent);
    case ui::Kind::PageControl:
      return std::make_unique<PageControlBinder>(static_cast<ui::PageControl&>(control), parent);
    case ui::Kind::TabSheet:
      return std::make_unique<TabSheetBinder>(static_cast<ui::TabSheet&>(control), parent);
    case ui::Kind::GroupBox:
      return std::make_unique<GroupBinder>(static_cast<ui::GroupBox&>(control), parent);
    case ui::Kind::Memo:
      return std::make_unique<MemoBinder>(static_cast<ui::Memo&>(control), parent);
    case ui::Kind::Image:
    case ui::Kind::Shape:
    case ui::Kind::Form:
      break;
  }
  return std::make_unique<DrawnBinder>(control, parent);
}

FormWindow* WindowOf(HWND window) {
  // Pages pass what their controls report on to the form's window.
  const HWND top = ::GetAncestor(window, GA_ROOT);
  return reinterpret_cast<FormWindow*>(::GetWindowLongPtrW(top, GWLP_USERDATA));
}

void RegisterClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX common{sizeof common,
                                ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&common);
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = FormProcedure;
    form.hInstance = ::GetModuleHandleW(nullptr);
    form.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    form.hIcon = ::LoadIconW(form.hInstance, MAKEINTRESOURCEW(1));
    form.lpszClassName = kFormClass;
    WNDCLASSEXW page = form;
    page.lpfnWndProc = PageProcedure;
    page.hIcon = nullptr;
    page.lpszClassName = kPageClass;
    return ::RegisterClassExW(&form) != 0 && ::RegisterClassExW(&page) != 0;
  }();
  if (!registered) throw std::runtime_error("cannot register the window classes");
}

}  // namespace

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (FormWindow* form = WindowOf(window)) {
    bool done = false;
    const LRESULT result = form->handle(window, message, wParam, lParam, done);
    if (done) return result;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (FormWindow* form = WindowOf(window)) {
    switch (message) {
      case WM_COMMAND:
      case WM_NOTIFY:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORLISTBOX:
      case WM_CTLCOLORBTN:
      case WM_DRAWITEM: {
        bool done = false;
        const LRESULT result = form->handle(window, message, wParam, lParam, done);
        if (done) return result;
        break;
      }
      default:
        break;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

FormWindow::FormWindow(ui::Form& form) : form_(form) {
  RegisterClasses();
  // A fixed single border with a system menu, minimise and close; no maximise.
  window_ = ::CreateWindowExW(
      0, kFormClass, L"",
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN, CW_USEDEFAULT,
      CW_USEDEFAULT, 100, 100, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window_ == nullptr) throw std::runtime_error("cannot create the window");
  auto binder = std::make_unique<FormBinder>(form, window_);
  byWindow_.emplace(window_, binder.get());
  byName_.emplace(form.name(), window_);
  dpi_ = static_cast<int>(::GetDpiForWindow(window_));
  binder->start({0, 0}, dpi_);
  binders_.push_back(std::move(binder));
  for (ui::Control* child : form.children()) build(*child, window_, {0, 0});
  ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  // Posted, so the window closes from the message loop once the handler that ended the upload
  // has returned.
  form_.closeWindow = [this] { ::PostMessageW(window_, kClose, 0, 0); };
  // Centred on the screen's work area.
  RECT area;
  RECT frame;
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  ::GetWindowRect(window_, &frame);
  ::SetWindowPos(window_, nullptr,
                 area.left + (area.right - area.left - (frame.right - frame.left)) / 2,
                 area.top + (area.bottom - area.top - (frame.bottom - frame.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

FormWindow::~FormWindow() {
  form_.closeWindow = nullptr;
  if (window_ != nullptr) ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  // Stop observing the model before the windows go.
  binders_.clear();
  if (window_ != nullptr && ::IsWindow(window_)) ::DestroyWindow(window_);
}

HWND FormWindow::handleFor(const std::string& name) const {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

void FormWindow::runOnFirstShow(std::function<void()> action) { onFirstShow_ = std::move(action); }

void FormWindow::show(int how) {
  ::ShowWindow(window_, how);
  ::UpdateWindow(window_);
  ::PostMessageW(window_, kFirstShow, 0, 0);
}

void FormWindow::build(ui::Control& control, HWND parent, POINT origin) {
  std::unique_ptr<Binder> binder = MakeBinder(control, parent);
  Binder& made = *binder;
  byWindow_.emplace(made.window(), &made);
  byName_.emplace(control.name(), made.window());
  binders_.push_back(std::move(binder));
  made.start(origin, dpi_);
  if (control.kind() == ui::Kind::TabSheet) {
    auto& sheet = static_cast<ui::TabSheet&>(control);
    for (auto& other : binders_) {
      if (&other->control() == &sheet.pageControl()) {
        static_cast<PageControlBinder&>(*other).addPage(sheet, made.window());
      }
    }
  }
  const POINT inner = made.childOrigin(origin);
  for (ui::Control* child : control.children()) build(*child, made.container(), inner);
}

LRESULT FormWindow::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& done) {
  done = true;
  switch (message) {
    case WM_COMMAND: {
      const auto it = byWindow_.find(reinterpret_cast<HWND>(lParam));
      if (it != byWindow_.end()) it->second->command(HIWORD(wParam));
      return 0;
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      const auto it = byWindow_.find(header->hwndFrom);
      if (it == byWindow_.end()) return 0;
      if (header->code == NM_CUSTOMDRAW) {
        auto* button = dynamic_cast<ButtonBinder*>(it->second);
        return button == nullptr
                   ? CDRF_DODEFAULT
                   : button->customDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
      }
      it->second->command(header->code);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      const auto it = byWindow_.find(reinterpret_cast<HWND>(lParam));
      if (it == byWindow_.end()) break;
      const auto* edit = dynamic_cast<const ui::Edit*>(&it->second->control());
      // A disabled edit keeps the system's grey; a read-only one shows the model's colour.
      if (message == WM_CTLCOLORSTATIC && edit != nullptr && !edit->enabled()) break;
      return reinterpret_cast<LRESULT>(it->second->colours(reinterpret_cast<HDC>(wParam)));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const auto it = byWindow_.find(item->hwndItem);
      if (it == byWindow_.end()) break;
      if (auto* drawn = dynamic_cast<DrawnBinder*>(it->second)) drawn->draw(*item);
      return TRUE;
    }
    case WM_DPICHANGED: {
      if (window != window_) break;
      dpi_ = HIWORD(wParam);
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      ::SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      for (const auto& binder : binders_) binder->rescale();
      return 0;
    }
    case WM_CLOSE:
      if (window == window_ && form_.CloseQuery()) ::DestroyWindow(window_);
      return 0;
    case kClose:
      ::SendMessageW(window_, WM_CLOSE, 0, 0);
      return 0;
    case kFirstShow:
      if (onFirstShow_) {
        auto action = std::move(onFirstShow_);
        onFirstShow_ = nullptr;
        action();
      }
      return 0;
    case WM_DESTROY:
      if (window == window_) {
        window_ = nullptr;
        ::PostQuitMessage(0);
      }
      return 0;
    default:
      break;
  }
  done = false;
  return 0;
}

}  // namespace kv3::win
