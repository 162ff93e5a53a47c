#include <QApplication>
#include <csignal>
#include <exception>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "gui/form_view.h"
#include "gui/pictures.h"
#include "gui/qt_desktop.h"
#include "gui/widgets.h"
#include "platform/single_instance.h"
#include "ui/form.h"

namespace {

constexpr const char* AlreadyRunningText =
    "Das Programm ist schon gestartet!\r\nApplication is already activ.";

}  // namespace

// The program takes no arguments of its own and ends with 0 in every case.
int main(int argc, char** argv) {
  // Beyond a limit on file sizes a write must fail like on a full disk, which the file writers
  // handle, instead of ending the process halfway through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  // Taken before anything else and held until the process ends.
  const kv3::platform::SingleInstanceGuard guard("Talmeco t540");

  QApplication application(argc, argv);
  // The application owns its style.
  QApplication::setStyle(new kv3::gui::DesktopStyle(QStringLiteral("Fusion")));  // NOLINT
  QApplication::setFont(kv3::gui::FormView::windowFont());
  QApplication::setWindowIcon(kv3::gui::applicationIcon());

  kv3::gui::QtDesktop desktop{std::string(kv3::app::ApplicationTitle)};
  if (guard.alreadyRunning()) {
    desktop.messageBox(AlreadyRunningText, "Hinweis");
    return 0;
  }

  try {
    kv3::app::MainWindow form(desktop);
    kv3::gui::FormView view(form);
    desktop.setWindow(&view);
    view.runOnFirstActivation([&form] { form.dispatch([&form] { form.FormActivate(); }); });
    view.show();
    QApplication::exec();
  } catch (const std::exception& error) {
    desktop.setWindow(nullptr);
    desktop.errorBox(kv3::ui::errorBoxText(error.what()));
  }
  return 0;
}
