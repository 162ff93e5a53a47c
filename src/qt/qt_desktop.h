#pragma once

#include <QPointer>
#include <QString>
#include <QTranslator>
#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

#include "form/desktop.h"
#include "form/file_dialog.h"

namespace kv3::qt {

// The desktop of the real window: Qt's message boxes and file dialogs, Qt's event processing,
// and pauses that block the window, as the behaviour prescribes.
class QtDesktop : public form::Desktop {
 public:
  // applicationTitle is the caption of the error box.
  explicit QtDesktop(std::string applicationTitle);

  // The window the boxes and dialogs belong to and that repaint() draws; may stay unset.
  void setWindow(QWidget* window) { window_ = window; }

  void messageBox(const std::string& text, const std::string& caption) override;
  void errorBox(const std::string& text) override;
  bool runFileDialog(form::FileDialog& dialog) override;
  void repaint() override;
  void openUrl(const std::string& url) override;
  // Loads Qt's own translation (Debian's qt6-translations-l10n) for German.
  void languageChanged(std::string_view code) override;
  void pause(int ms) override;
  void processMessages() override;

 private:
  std::string applicationTitle_;
  QPointer<QWidget> window_;
  std::unique_ptr<QTranslator> qtTexts_;  // installed while it lives
};

}  // namespace kv3::qt
