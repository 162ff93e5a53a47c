#pragma once

#include <string>
#include <string_view>

#include "platform/pacing.h"

namespace kv3::form {

class FileDialog;

// Everything modal or blocking that the window's behaviour needs from the desktop.
class Desktop : public platform::Pacing {
 public:
  virtual ~Desktop() = default;
  // A message box with the text, the caption, one OK button and no icon.
  virtual void messageBox(const std::string& text, const std::string& caption) = 0;
  // The application's error box: error icon, the application's title as caption.
  virtual void errorBox(const std::string& text) = 0;
  // Shows a file-open or file-save dialog. On confirmation it stores the chosen file(s) in the
  // dialog and returns true; FileDialog::execute does the rest.
  virtual bool runFileDialog(FileDialog& dialog) = 0;
  // Draws the window now, without handling any input.
  virtual void repaint() = 0;
  // Hands a web address to the desktop's default handler.
  virtual void openUrl(const std::string& url) = 0;
  // The window's language is now the one of code ("de" or "gb"): what the desktop shows of its
  // own (the buttons of its file dialogs) follows it where it can.
  virtual void languageChanged(std::string_view /*code*/) {}
};

}  // namespace kv3::form
