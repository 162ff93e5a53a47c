#pragma once

#include <windows.h>
// The common controls' types need those of windows.h.
#include <commctrl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "form/control.h"

namespace kv3::form {
class PageControl;
class TabSheet;
}  // namespace kv3::form

namespace kv3::win32 {

// The window class of a page: the window its controls sit on.
inline constexpr wchar_t kPageClass[] = L"Kv3ConfigPage";

COLORREF Ref(form::Color color);
std::wstring TextOf(HWND window);
// The window's layout is in pixels at 96 dots per inch; on a screen set to more (150 % is 144)
// every length grows with it.
int Scaled(int length, int dpi);
// The window's font, Arial 13 pixels high, in the control's weight and underline.
HFONT FontFor(const form::Style& style, int dpi);
// A native child window of the class `kind` for the control; its binder places it.
HWND Create(const wchar_t* kind, DWORD style, HWND parent, const form::Control& control,
            DWORD extended = 0);

// Keeps one native control equal to one control of the model, as the Qt view's bindings do:
// model changes are copied onto the native control; the user's input goes back through the
// control's user calls, and the native control then shows whatever the model made of it. What
// the native control reports about the binder's own copying is ignored.
class Binder {
 public:
  Binder(form::Control& control, HWND window) : control_(control), window_(window) {}
  virtual ~Binder();
  Binder(const Binder&) = delete;
  Binder& operator=(const Binder&) = delete;

  HWND window() const { return window_; }
  form::Control& control() const { return control_; }
  // Where the control's children go, and where their bounds count from.
  virtual HWND container() const { return ::GetParent(window_); }
  virtual POINT childOrigin(POINT origin) const {
    return {origin.x + control_.bounds().left, origin.y + control_.bounds().top};
  }

  void start(POINT origin, const int& dpi);
  // After the window moved to a screen of another resolution.
  void rescale();

  // A WM_COMMAND or WM_NOTIFY code of the native control.
  virtual void command(UINT /*code*/) {}
  // What NM_CUSTOMDRAW of the native control asks for.
  virtual LRESULT customDraw(const NMCUSTOMDRAW& /*draw*/) { return CDRF_DODEFAULT; }
  // Draws an owner-drawn control (WM_DRAWITEM); false for the others.
  virtual bool draw(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // The background brush and text colour the native control is painted with.
  HBRUSH colours(HDC context);
  // Whether the system paints it (WM_CTLCOLORSTATIC for a disabled edit keeps the system's grey).
  virtual bool systemGrey() const { return false; }

 protected:
  virtual form::Color background() const { return control_.color(); }
  virtual void apply(form::Property property);

  void watch(form::Control& other, form::Control::Observer observer) {
    subscriptions_.emplace_back(&other, other.subscribe(std::move(observer)));
  }
  void setText(const std::string& text);
  bool copying() const { return copying_ > 0; }
  int copying_ = 0;
  int dpi() const { return dpi_ != nullptr ? *dpi_ : 96; }
  int scaled(int length) const { return Scaled(length, dpi()); }
  HFONT font() const { return FontFor(control_.style(), dpi()); }

 private:
  form::Control& control_;
  HWND window_;
  POINT origin_{};
  const int* dpi_ = nullptr;
  std::vector<std::pair<form::Control*, int>> subscriptions_;
  HBRUSH brush_ = nullptr;
  form::Color brushColour_{};
};

// The binder of the control's kind, its native control made in parent.
std::unique_ptr<Binder> MakeBinder(form::Control& control, HWND parent);
// The binders of the pages and the drawn controls (page_binders.cpp).
std::unique_ptr<Binder> MakePageControlBinder(form::PageControl& pages, HWND parent);
std::unique_ptr<Binder> MakeTabSheetBinder(form::TabSheet& sheet, HWND parent);
std::unique_ptr<Binder> MakeDrawnBinder(form::Control& control, HWND parent);
// Tells the binder of a page control the window made for one of its pages.
void AddPage(Binder& pages, form::TabSheet& sheet, HWND page);

}  // namespace kv3::win32
