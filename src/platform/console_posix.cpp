#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <thread>

#include "platform/console.h"
#include "platform/file_replace.h"
#include "platform/unique_fd.h"

namespace kv3::platform {

namespace {

std::optional<std::string> ReadLineFrom(int fd, const WaitCheck& check) {
  std::string line;
  for (;;) {
    if (check) check();
    pollfd entry{fd, POLLIN, 0};
    const int ready = ::poll(&entry, 1, 100);
    if (ready < 0 && errno != EINTR) return std::nullopt;
    if (ready <= 0) continue;
    char c = 0;
    const ssize_t got = ::read(fd, &c, 1);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) return line.empty() ? std::nullopt : std::optional(line);
    if (c == '\n') return line;
    line += c;
  }
}

// The terminal without echo while it lives; the settings it found come back on every path.
class HiddenInput {
 public:
  explicit HiddenInput(int fd) : fd_(fd), hidden_(::tcgetattr(fd, &saved_) == 0) {
    if (!hidden_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(fd_, TCSAFLUSH, &quiet);
  }
  ~HiddenInput() {
    if (hidden_) ::tcsetattr(fd_, TCSAFLUSH, &saved_);
  }
  HiddenInput(const HiddenInput&) = delete;
  HiddenInput& operator=(const HiddenInput&) = delete;

 private:
  int fd_;
  termios saved_{};
  bool hidden_;
};

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // A closed terminal: the user is gone, and the run ends as cleanly as after Ctrl-C.
  sigaddset(&set, SIGHUP);
  return set;
}

// Ends the process at once: the user does not want to wait for the runs to wind down. What is
// being written beside a user's file goes with it.
[[noreturn]] void EndNow() {
  RemovePendingTemporaries();
  static constexpr char kNote[] = "\n";
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
  ::_exit(130);
}

}  // namespace

std::optional<std::string> ReadInputLine(const WaitCheck& check) {
  return ReadLineFrom(STDIN_FILENO, check);
}

std::optional<std::string> ReadHiddenLine(std::string_view prompt, const WaitCheck& check) {
  const UniqueFd tty(::open("/dev/tty", O_RDWR | O_CLOEXEC));
  if (!tty) return std::nullopt;
  const auto say = [&tty](std::string_view text) {
    [[maybe_unused]] const ssize_t ignored = ::write(tty.get(), text.data(), text.size());
  };
  say(prompt);
  std::optional<std::string> line;
  {
    const HiddenInput hidden(tty.get());
    try {
      line = ReadLineFrom(tty.get(), check);
    } catch (...) {
      say("\n");
      throw;
    }
  }
  say("\n");
  return line;
}

bool ErrorIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

bool InputIsTerminal() { return ::isatty(STDIN_FILENO) != 0; }

std::optional<TerminalSize> ErrorTerminalSize() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row == 0 || size.ws_col == 0) {
    return std::nullopt;
  }
  return TerminalSize{size.ws_row, size.ws_col};
}

// The stop signals, taken by a thread of their own.
struct StopRequests::Watch {
  std::atomic<bool> ending{false};
  std::thread thread;
};

StopRequests::StopRequests(std::function<bool()> onStop) : watch_(std::make_unique<Watch>()) {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  watch_->thread = std::thread([watch = watch_.get(), signals, onStop = std::move(onStop)] {
    const timespec slice{0, 200'000'000};
    while (!watch->ending.load()) {
      if (sigtimedwait(&signals, nullptr, &slice) < 0) continue;
      if (watch->ending.load()) break;
      if (onStop()) EndNow();
    }
  });
}

StopRequests::~StopRequests() {
  watch_->ending.store(true);
  // Wakes the watcher at once instead of at the end of its slice.
  pthread_kill(watch_->thread.native_handle(), SIGTERM);
  watch_->thread.join();
}

void PrepareConsole() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace kv3::platform
