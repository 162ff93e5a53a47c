#include "win32/win_desktop.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "form/file_dialog.h"
#include "platform/open_url.h"
#include "platform/utf8_path.h"
#include "platform/windows_text.h"

namespace kv3::win32 {

namespace {

using platform::detail::Utf8;
using platform::detail::Wide;

// "Firmware|*.bin|All|*.*" as the dialog wants it: pairs ended by a zero each, then one more.
std::wstring FilterText(const std::string& filter) {
  std::wstring wide = Wide(filter);
  std::replace(wide.begin(), wide.end(), L'|', L'\0');
  wide.push_back(L'\0');
  wide.push_back(L'\0');
  return wide;
}

// The files of a confirmed dialog: one path, or with several chosen the folder and the names,
// each ended by a zero.
std::vector<std::string> ChosenFiles(const wchar_t* buffer) {
  std::vector<std::wstring> parts;
  for (const wchar_t* part = buffer; *part != L'\0'; part += wcslen(part) + 1) {
    parts.emplace_back(part);
  }
  std::vector<std::string> files;
  if (parts.size() == 1) {
    files.push_back(Utf8(parts.front()));
  } else {
    for (std::size_t i = 1; i < parts.size(); ++i) {
      files.push_back(Utf8(parts.front() + L"\\" + parts[i]));
    }
  }
  return files;
}

}  // namespace

void WinDesktop::messageBox(const std::string& text, const std::string& caption) {
  ::MessageBoxW(window_, Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
}

void WinDesktop::errorBox(const std::string& text) {
  ::MessageBoxW(window_, Wide(text).c_str(), Wide(title_).c_str(), MB_OK | MB_ICONERROR);
}

bool WinDesktop::runFileDialog(form::FileDialog& dialog) {
  // Room for many names of a multiple choice.
  std::vector<wchar_t> buffer(64 * 1024, L'\0');
  const std::wstring initial = Wide(dialog.fileName);
  std::copy_n(initial.begin(), std::min(initial.size(), buffer.size() - 1), buffer.begin());
  const std::wstring filter = FilterText(dialog.filter);
  const std::wstring extension = Wide(dialog.defaultExt);
  const std::wstring folder = Wide(dialog.initialDir);
  OPENFILENAMEW choice{};
  choice.lStructSize = sizeof choice;
  choice.hwndOwner = window_;
  choice.lpstrFilter = dialog.filter.empty() ? nullptr : filter.c_str();
  choice.nFilterIndex = 1;
  choice.lpstrFile = buffer.data();
  choice.nMaxFile = static_cast<DWORD>(buffer.size());
  choice.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  choice.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
  choice.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR;
  if (dialog.multiSelect) choice.Flags |= OFN_ALLOWMULTISELECT;
  if (dialog.pathMustExist) choice.Flags |= OFN_PATHMUSTEXIST;
  if (dialog.fileMustExist) choice.Flags |= OFN_FILEMUSTEXIST;
  if (dialog.hideReadOnly) choice.Flags |= OFN_HIDEREADONLY;
  const bool confirmed = dialog.mode() == form::FileDialog::Mode::Open
                             ? ::GetOpenFileNameW(&choice) != FALSE
                             : ::GetSaveFileNameW(&choice) != FALSE;
  if (!confirmed) return false;
  dialog.files = ChosenFiles(buffer.data());
  dialog.fileName = dialog.files.empty() ? std::string() : dialog.files.front();
  return !dialog.files.empty();
}

void WinDesktop::repaint() {
  if (window_ != nullptr) {
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
}

void WinDesktop::openUrl(const std::string& url) { platform::OpenUrl(url); }

void WinDesktop::pause(int ms) {
  // The window keeps being drawn while the behaviour waits; what the user does meanwhile waits
  // for the behaviour's own processMessages, so that no handler runs inside another.
  const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(ms < 0 ? 0 : ms);
  for (ULONGLONG now = ::GetTickCount64(); now < end; now = ::GetTickCount64()) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_PAINT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) {
      ::DispatchMessageW(&message);
    }
  }
}

void WinDesktop::processMessages() {
  MSG message;
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Kept for the main loop, which ends on it.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

}  // namespace kv3::win32
