#pragma once

#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace kv3::cli {

enum class ProgressMode {
  Bars,   // one bar per row, redrawn in place (a terminal)
  Lines,  // a line at every tenth (a log file, a pipe)
  Quiet,  // nothing
};

// The progress of several transfers on standard error. Rows may be updated from any thread.
class ProgressBoard {
 public:
  ProgressBoard(std::vector<std::string> labels, ProgressMode mode, std::ostream& out);
  // percent of row; a lower value than shown before (a restart, the closing 0) is ignored.
  void update(std::size_t row, int percent);
  // Starts the row over, for its next file.
  void restart(std::size_t row, const std::string& label);

 private:
  void draw();

  std::mutex mutex_;
  std::vector<std::string> labels_;
  std::vector<int> percent_;
  ProgressMode mode_;
  std::ostream& out_;
  bool drawn_ = false;
};

}  // namespace kv3::cli
