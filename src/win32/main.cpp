// kv3config for Windows: the configurator's window on the Windows API.
#include <objbase.h>
#include <windows.h>

#include <exception>
#include <string>

#include "form/form.h"
#include "platform/single_instance.h"
#include "win32/form_window.h"
#include "win32/win_desktop.h"
#include "window/main_window.h"

namespace {

constexpr const char* AlreadyRunningText =
    "Das Programm ist schon gestartet!\r\nApplication is already activ.";

}  // namespace

// The program takes no arguments of its own and ends with 0 in every case.
int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*arguments*/, int show) {
  // The pictures' decoder and the file dialogs are COM objects of this thread.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Taken before anything else and held until the process ends.
  const kv3::platform::SingleInstanceGuard guard("Talmeco t540");
  kv3::win32::WinDesktop desktop{std::string(kv3::window::ApplicationTitle)};
  if (guard.alreadyRunning()) {
    desktop.messageBox(AlreadyRunningText, "Hinweis");
    return 0;
  }
  try {
    kv3::window::MainWindow form(desktop);
    kv3::win32::FormWindow window(form);
    desktop.setWindow(window.handle());
    window.runOnFirstShow([&form] { form.dispatch([&form] { form.FormActivate(); }); });
    window.show(show);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
      // Tab moves between the controls as in a dialog.
      if (window.handle() != nullptr && ::IsDialogMessageW(window.handle(), &message)) continue;
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    desktop.setWindow(nullptr);
  } catch (const std::exception& error) {
    desktop.setWindow(nullptr);
    desktop.errorBox(kv3::form::errorBoxText(error.what()));
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}
