// The console of a command-line run on Windows: UTF-8 in and out, input without echo, Ctrl-C and
// a closed console as stop requests.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

#include "platform/console.h"
#include "platform/file_replace.h"
#include "platform/windows_text.h"

namespace kv3::platform {

namespace {

// Reads one line from a console, a character at a time, waiting in slices so that check runs.
std::optional<std::string> ReadConsoleLine(HANDLE input, const WaitCheck& check) {
  std::wstring line;
  for (;;) {
    if (check) check();
    if (::WaitForSingleObject(input, 100) != WAIT_OBJECT_0) continue;
    INPUT_RECORD record{};
    DWORD taken = 0;
    if (!::ReadConsoleInputW(input, &record, 1, &taken)) return std::nullopt;
    if (taken == 0 || record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
    const wchar_t c = record.Event.KeyEvent.uChar.UnicodeChar;
    if (c == L'\r' || c == L'\n') return detail::Utf8(line);
    if (c == L'\b') {
      if (!line.empty()) line.pop_back();
    } else if (c != 0) {
      line += c;
    }
  }
}

// Reads one line from a pipe or file a byte at a time, waiting in slices for a pipe.
std::optional<std::string> ReadStreamLine(HANDLE input, const WaitCheck& check) {
  const bool pipe = ::GetFileType(input) == FILE_TYPE_PIPE;
  std::string line;
  for (;;) {
    if (check) check();
    DWORD waiting = 0;
    // Where the pipe cannot tell (its writer has gone, or it is no named pipe), the read says.
    if (pipe && ::PeekNamedPipe(input, nullptr, 0, nullptr, &waiting, nullptr) && waiting == 0) {
      ::Sleep(100);
      continue;
    }
    char c = 0;
    DWORD got = 0;
    if (!::ReadFile(input, &c, 1, &got, nullptr) || got == 0) {
      return line.empty() ? std::nullopt : std::optional(line);
    }
    if (c == '\n') return line;
    line += c;
  }
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode);
}

// Sole owner of a handle of CreateFileW.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The console's input mode without echo while it lives; the old mode comes back on every path.
class HiddenInput {
 public:
  explicit HiddenInput(HANDLE input) : input_(input), hidden_(::GetConsoleMode(input, &saved_)) {
    if (hidden_) ::SetConsoleMode(input_, saved_ & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  }
  ~HiddenInput() {
    if (hidden_) ::SetConsoleMode(input_, saved_);
  }
  HiddenInput(const HiddenInput&) = delete;
  HiddenInput& operator=(const HiddenInput&) = delete;

 private:
  HANDLE input_;
  DWORD saved_ = 0;
  bool hidden_;
};

// The one watch of the process: the console calls its handler on a thread of its own.
std::mutex watchMutex;
std::function<bool()>* watchCallback = nullptr;

BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      break;
    default:
      return FALSE;
  }
  bool already = true;
  {
    const std::lock_guard lock(watchMutex);
    if (watchCallback != nullptr) already = (*watchCallback)();
  }
  if (already) {
    // A second request: what is being written beside a user's file goes with the process.
    RemovePendingTemporaries();
    std::fputs("\n", stderr);
    ::ExitProcess(130);
  }
  // The console ends the process soon after a closed window; the runs wind down meanwhile.
  return TRUE;
}

}  // namespace

std::optional<std::string> ReadInputLine(const WaitCheck& check) {
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  if (input == INVALID_HANDLE_VALUE || input == nullptr) return std::nullopt;
  return IsConsole(input) ? ReadConsoleLine(input, check) : ReadStreamLine(input, check);
}

std::optional<std::string> ReadHiddenLine(std::string_view prompt, const WaitCheck& check) {
  const OwnedHandle input(::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        0, nullptr));
  const OwnedHandle output(::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
  if (!IsConsole(input.get()) || output.get() == INVALID_HANDLE_VALUE) return std::nullopt;
  const auto say = [&output](std::string_view text) {
    const std::wstring wide = detail::Wide(text);
    DWORD written = 0;
    ::WriteConsoleW(output.get(), wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
  };
  say(prompt);
  std::optional<std::string> line;
  {
    const HiddenInput hidden(input.get());
    try {
      line = ReadConsoleLine(input.get(), check);
    } catch (...) {
      say("\n");
      throw;
    }
  }
  say("\n");
  return line;
}

bool ErrorIsTerminal() {
  // Bars redraw their line with escape sequences: only a console that takes them shows bars.
  const HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!IsConsole(error) || !::GetConsoleMode(error, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         ::SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool InputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

std::optional<TerminalSize> ErrorTerminalSize() {
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return std::nullopt;
  const int rows = info.srWindow.Bottom - info.srWindow.Top + 1;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  if (rows <= 0 || columns <= 0) return std::nullopt;
  return TerminalSize{rows, columns};
}

struct StopRequests::Watch {
  std::function<bool()> onStop;
};

StopRequests::StopRequests(std::function<bool()> onStop) : watch_(std::make_unique<Watch>()) {
  watch_->onStop = std::move(onStop);
  {
    const std::lock_guard lock(watchMutex);
    watchCallback = &watch_->onStop;
  }
  ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopRequests::~StopRequests() {
  ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  const std::lock_guard lock(watchMutex);
  watchCallback = nullptr;
}

void PrepareConsole() {
  // Texts are UTF-8 throughout; the console shows and takes them as such.
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
}

}  // namespace kv3::platform
