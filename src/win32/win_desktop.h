#pragma once

#include <windows.h>

#include <string>

#include "form/desktop.h"

namespace kv3::win32 {

// The Windows desktop of the window: message boxes owned by the window, the common file
// dialogs, pauses and the web browser.
class WinDesktop final : public form::Desktop {
 public:
  explicit WinDesktop(std::string title) : title_(std::move(title)) {}

  // The window the boxes and dialogs belong to; none before it exists.
  void setWindow(HWND window) { window_ = window; }

  void messageBox(const std::string& text, const std::string& caption) override;
  void errorBox(const std::string& text) override;
  bool runFileDialog(form::FileDialog& dialog) override;
  void repaint() override;
  void openUrl(const std::string& url) override;
  void pause(int ms) override;
  void processMessages() override;

 private:
  std::string title_;
  HWND window_ = nullptr;
};

}  // namespace kv3::win32
