#include "win32/binder.h"

#include <map>
#include <stdexcept>
#include <tuple>

#include "platform/windows_text.h"

namespace kv3::win32 {

using form::Property;
using platform::detail::Wide;

COLORREF Ref(form::Color color) { return RGB(color.r, color.g, color.b); }

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

int Scaled(int length, int dpi) { return ::MulDiv(length, dpi, 96); }

HFONT FontFor(const form::Style& style, int dpi) {
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

HWND Create(const wchar_t* kind, DWORD style, HWND parent, const form::Control& control,
            DWORD extended) {
  const HWND window =
      ::CreateWindowExW(extended, kind, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                        nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) {
    throw std::runtime_error("cannot create the control " + control.name());
  }
  return window;
}

Binder::~Binder() {
  for (const auto& [model, id] : subscriptions_) model->unsubscribe(id);
  if (brush_ != nullptr) ::DeleteObject(brush_);
}

void Binder::start(POINT origin, const int& dpi) {
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

void Binder::rescale() {
  ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), TRUE);
  apply(Property::Bounds);
}

HBRUSH Binder::colours(HDC context) {
  ::SetTextColor(context, Ref(control_.style().fontColor));
  // The button face is the system's own, as the pages and the window are painted with.
  if (background() == form::clBtnFace) {
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

void Binder::apply(Property property) {
  switch (property) {
    case Property::Visible:
      ::ShowWindow(window_, control_.visible() ? SW_SHOWNA : SW_HIDE);
      break;
    case Property::Enabled:
      ::EnableWindow(window_, control_.enabled() ? TRUE : FALSE);
      break;
    case Property::Bounds: {
      const form::Bounds& b = control_.bounds();
      ::MoveWindow(window_, scaled(origin_.x + b.left), scaled(origin_.y + b.top), scaled(b.width),
                   scaled(b.height), TRUE);
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

void Binder::setText(const std::string& text) {
  const std::wstring wanted = Wide(text);
  if (TextOf(window_) == wanted) return;
  ++copying_;
  ::SetWindowTextW(window_, wanted.c_str());
  --copying_;
}

}  // namespace kv3::win32
