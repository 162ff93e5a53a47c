#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/cli_texts.h"
#include "platform/console.h"

namespace kv3::cli {

// A duration as h:mm:ss.
std::string DurationText(std::chrono::seconds duration);

enum class ProgressMode {
  Bars,   // one bar per row, redrawn in place (a terminal)
  Lines,  // a line at every tenth and at least every 10 s (a log file, a pipe)
  Quiet,  // nothing
};

// The size of the terminal the bars are drawn on, asked at every redraw.
using TerminalSizeFn = std::function<std::optional<platform::TerminalSize>()>;

// The progress of several transfers on standard error. Rows may be updated from any thread.
// On a terminal with fewer lines than rows, the bars give way to one line for all of them: units
// finished, bytes sent and the time left.
class ProgressBoard {
 public:
  // rowBytes: what each row sends in all, for the line of all rows.
  ProgressBoard(std::vector<std::string> labels, ProgressMode mode, std::ostream& out,
                const CliTexts& texts, std::uint64_t rowBytes,
                TerminalSizeFn terminal = platform::ErrorTerminalSize);
  // percent of row's current file; a lower value than shown before (a restart, the closing 0)
  // is ignored.
  void update(std::size_t row, int percent);
  // Starts the row over, for its next file of `bytes` bytes.
  void restart(std::size_t row, const std::string& label, std::uint64_t bytes);
  // The row's run has ended, however it ended.
  void finish(std::size_t row);

 private:
  struct Row {
    std::string label;
    int percent = 0;
    std::uint64_t before = 0;   // bytes of the files sent before the current one
    std::uint64_t current = 0;  // bytes of the current file
    bool started = false;
    bool finished = false;
    std::uint64_t sent() const { return before + current * static_cast<unsigned>(percent) / 100; }
  };
  // Redraws; the line of all rows at most every quarter second unless forced.
  void draw(bool force = false);
  // The row's line for a log, with the time since the start.
  void printLine(const Row& row, std::chrono::steady_clock::time_point now);
  std::string summaryLine() const;

  std::mutex mutex_;
  std::vector<Row> rows_;
  ProgressMode mode_;
  std::ostream& out_;
  const CliTexts& texts_;
  std::uint64_t rowBytes_;
  TerminalSizeFn terminal_;
  std::optional<std::chrono::steady_clock::time_point> firstBytes_;  // of any row
  std::chrono::steady_clock::time_point drawn_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastLine_ = started_;
  std::size_t drawnLines_ = 0;
};

}  // namespace kv3::cli
