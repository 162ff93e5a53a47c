#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "form/form.h"

namespace kv3::win32 {

class Binder;

// The window of a form on the Windows API: one native control per control of the model, placed
// by the controls' bounds, kept equal to the model and feeding the user's input back into it.
// The form must outlive the window.
class FormWindow {
 public:
  explicit FormWindow(form::Form& form);
  ~FormWindow();
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  HWND handle() const { return window_; }
  // The native control that shows the named control; null if unknown.
  HWND handleFor(const std::string& name) const;
  // Runs action once from the message loop, after the window has been shown.
  void runOnFirstShow(std::function<void()> action);
  void show(int how);

 private:
  friend LRESULT CALLBACK FormProcedure(HWND, UINT, WPARAM, LPARAM);
  friend LRESULT CALLBACK PageProcedure(HWND, UINT, WPARAM, LPARAM);

  // What a control's native window asks of the window: commands, notifications, colours.
  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool& done);
  void build(form::Control& control, HWND parent, POINT origin);
  // Shows each control's hint when the mouse rests on it.
  void addHints();

  form::Form& form_;
  HWND window_ = nullptr;
  std::vector<std::unique_ptr<Binder>> binders_;
  std::map<HWND, Binder*> byWindow_;
  std::map<std::string, HWND, std::less<>> byName_;
  std::function<void()> onFirstShow_;
  int dpi_ = 96;  // of the screen the window is on
};

}  // namespace kv3::win32
