#include "win32/form_window.h"

#include <stdexcept>

#include "form/controls.h"
#include "platform/windows_text.h"
#include "win32/binder.h"

namespace kv3::win32 {

LRESULT CALLBACK FormProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace {

using form::Property;
using platform::detail::Wide;

constexpr wchar_t kFormClass[] = L"Kv3ConfigForm";
constexpr UINT kFirstShow = WM_APP + 1;
constexpr UINT kClose = WM_APP + 2;

class FormBinder final : public Binder {
 public:
  FormBinder(form::Form& form, HWND window) : Binder(form, window), form_(form) {}
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
  form::Form& form_;
};

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
      case WM_DRAWITEM:
      case WM_SETCURSOR: {
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

FormWindow::FormWindow(form::Form& form) : form_(form) {
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
  for (form::Control* child : form.children()) build(*child, window_, {0, 0});
  addHints();
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

void FormWindow::build(form::Control& control, HWND parent, POINT origin) {
  std::unique_ptr<Binder> binder = MakeBinder(control, parent);
  Binder& made = *binder;
  byWindow_.emplace(made.window(), &made);
  byName_.emplace(control.name(), made.window());
  binders_.push_back(std::move(binder));
  made.start(origin, dpi_);
  if (control.kind() == form::Kind::TabSheet) {
    auto& sheet = static_cast<form::TabSheet&>(control);
    for (auto& other : binders_) {
      if (&other->control() == &sheet.pageControl()) AddPage(*other, sheet, made.window());
    }
  }
  const POINT inner = made.childOrigin(origin);
  for (form::Control* child : control.children()) build(*child, made.container(), inner);
}

void FormWindow::addHints() {
  // Owned by the window, and so destroyed with it.
  const HWND tips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                      ::GetModuleHandleW(nullptr), nullptr);
  if (tips == nullptr) return;  // the window works without its hints
  for (const auto& binder : binders_) {
    if (binder->control().hint().empty() || binder->window() == window_) continue;
    std::wstring text = Wide(binder->control().hint());
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = ::GetParent(binder->window());
    tool.uId = reinterpret_cast<UINT_PTR>(binder->window());
    tool.lpszText = text.data();
    ::SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
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
        return it->second->customDraw(*reinterpret_cast<const NMCUSTOMDRAW*>(lParam));
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
      // A disabled edit keeps the system's grey; a read-only one shows the model's colour.
      if (message == WM_CTLCOLORSTATIC && it->second->systemGrey()) break;
      return reinterpret_cast<LRESULT>(it->second->colours(reinterpret_cast<HDC>(wParam)));
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      const auto it = byWindow_.find(item->hwndItem);
      if (it == byWindow_.end()) break;
      it->second->draw(*item);
      return TRUE;
    }
    case WM_SETCURSOR: {
      // Asked of the parents first: a control the model gives the hand shows it.
      const auto it = byWindow_.find(reinterpret_cast<HWND>(wParam));
      if (it == byWindow_.end() || LOWORD(lParam) != HTCLIENT ||
          !it->second->control().style().handCursor) {
        break;
      }
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
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

}  // namespace kv3::win32
