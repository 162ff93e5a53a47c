#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The console of a command-line run, the same on every system.
namespace kv3::platform {

// Called about every 100 ms while a read waits for the user; it may throw to end the wait.
using WaitCheck = std::function<void()>;

// One line of standard input, ending at a line feed or the input's end, taken a byte at a time
// so that nothing after the line is consumed. Nothing when the input ends before any byte or
// fails.
std::optional<std::string> ReadInputLine(const WaitCheck& check);

// A line typed on the terminal after the prompt, not shown while it is typed; a line end is
// shown after it, also when check throws. Nothing without a terminal.
std::optional<std::string> ReadHiddenLine(std::string_view prompt, const WaitCheck& check);

// Standard error is a terminal, where progress may redraw its lines.
bool ErrorIsTerminal();
// Standard input is a terminal, where a question can be answered.
bool InputIsTerminal();

// The lines and columns of the terminal or console window standard error shows in; nothing
// when it is none or does not tell. Asked again at every redraw, it follows a resize.
struct TerminalSize {
  int rows = 0;
  int columns = 0;
};
std::optional<TerminalSize> ErrorTerminalSize();

// Takes the user's requests to stop (Ctrl-C, a closed terminal or console, a request to end)
// while it lives and hands each to onStop. When onStop says the run was already stopping, the
// process ends at once with status 130, after removing what was being written beside a user's
// file. Make it before any other thread.
class StopRequests {
 public:
  explicit StopRequests(std::function<bool()> onStop);
  ~StopRequests();
  StopRequests(const StopRequests&) = delete;
  StopRequests& operator=(const StopRequests&) = delete;

 private:
  struct Watch;
  std::unique_ptr<Watch> watch_;
};

// Prepares the process for a command-line run: a write beyond a limit on file sizes fails like
// on a full disk, which the file writers handle, instead of ending the process halfway through a
// file; the console takes and shows UTF-8.
void PrepareConsole();

}  // namespace kv3::platform
