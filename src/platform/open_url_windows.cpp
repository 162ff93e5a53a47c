#include <windows.h>
// The shell's API needs the types of windows.h.
#include <shellapi.h>

#include "platform/open_url.h"
#include "platform/windows_text.h"

namespace kv3::platform {

void OpenUrl(const std::string& url, int waitMs, const std::string&) {
  const std::wstring wide = detail::Wide(url);
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  run.lpVerb = L"open";
  run.lpFile = wide.c_str();
  run.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&run) || run.hProcess == nullptr) return;
  // The browser may stay open; the window waits for the handler no longer than waitMs.
  ::WaitForSingleObject(run.hProcess, static_cast<DWORD>(waitMs < 0 ? 0 : waitMs));
  ::CloseHandle(run.hProcess);
}

}  // namespace kv3::platform
