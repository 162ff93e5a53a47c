#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "form/form.h"
#include "platform/single_instance.h"
#include "platform/user_language.h"
#include "qt/form_view.h"
#include "qt/pictures.h"
#include "qt/qt_desktop.h"
#include "qt/widgets.h"
#include "window/main_window.h"

namespace {

constexpr const char* AlreadyRunningText =
    "Das Programm ist schon gestartet!\r\nApplication is already activ.";

// What Qt says while it looks for a display, shown once it found one.
QStringList startMessages;

// Qt ends the process with an abort when it finds no display to show the window on (no DISPLAY
// or WAYLAND_DISPLAY, or one it cannot reach), and for any other fatal failure of its start.
// The window cannot start then: a line on standard error in the user's language, then what Qt
// said on its way there, Qt's reason included, in Qt's own words; status 1.
void noDisplayHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  startMessages.append(qFormatLogMessage(type, context, message));
  if (type != QtFatalMsg) {
    return;
  }
  const bool german = kv3::platform::UserPrefersGerman();
  std::fputs(german ? "kv3config: Kein Bildschirm gefunden; das Fenster braucht eine grafische "
                      "Oberfläche (DISPLAY oder WAYLAND_DISPLAY).\n"
                    : "kv3config: no display was found; the window needs a graphical desktop "
                      "(DISPLAY or WAYLAND_DISPLAY).\n",
             stderr);
  for (const QString& said : startMessages) {
    for (const QString& line : said.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      std::fprintf(stderr, "kv3config: Qt: %s\n", qUtf8Printable(line));
    }
  }
  std::fflush(stderr);
  std::_Exit(1);
}

}  // namespace

// The program takes no arguments of its own and ends with 0, or with 1 when there is no display
// to show the window on.
int main(int argc, char** argv) {
  // Beyond a limit on file sizes a write must fail like on a full disk, which the file writers
  // handle, instead of ending the process halfway through a file.
  std::signal(SIGXFSZ, SIG_IGN);
  // Taken before anything else and held until the process ends.
  const kv3::platform::SingleInstanceGuard guard("Talmeco t540");

  const QtMessageHandler previous = qInstallMessageHandler(noDisplayHandler);
  QApplication application(argc, argv);
  qInstallMessageHandler(previous);
  for (const QString& message : startMessages) {
    std::fprintf(stderr, "%s\n", qUtf8Printable(message));
  }
  // The application owns its style.
  QApplication::setStyle(new kv3::qt::DesktopStyle(QStringLiteral("Fusion")));  // NOLINT
  QApplication::setFont(kv3::qt::FormView::windowFont());
  QApplication::setWindowIcon(kv3::qt::applicationIcon());

  kv3::qt::QtDesktop desktop{std::string(kv3::window::ApplicationTitle)};
  if (guard.alreadyRunning()) {
    desktop.messageBox(AlreadyRunningText, "Hinweis");
    return 0;
  }

  try {
    kv3::window::MainWindow form(desktop);
    kv3::qt::FormView view(form);
    desktop.setWindow(&view);
    view.runOnFirstActivation([&form] { form.dispatch([&form] { form.FormActivate(); }); });
    view.show();
    QApplication::exec();
  } catch (const std::exception& error) {
    desktop.setWindow(nullptr);
    desktop.errorBox(kv3::form::errorBoxText(error.what()));
  }
  return 0;
}
