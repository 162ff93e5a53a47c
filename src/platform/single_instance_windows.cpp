#include <windows.h>

#include "platform/single_instance.h"
#include "platform/windows_text.h"

namespace kv3::platform {

SingleInstanceGuard::SingleInstanceGuard(const std::string& name, const std::string&)
    : path_(name) {
  // The mutex lives in the user's session and goes with the last process that holds it.
  const HANDLE mutex = ::CreateMutexW(nullptr, FALSE, detail::Wide(name).c_str());
  if (mutex == nullptr) return;  // the guard cannot tell; the program starts rather than refuse
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    alreadyRunning_ = true;
    ::CloseHandle(mutex);
    return;
  }
  handle_ = reinterpret_cast<std::intptr_t>(mutex);
}

SingleInstanceGuard::~SingleInstanceGuard() {
  if (handle_ != -1) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace kv3::platform
