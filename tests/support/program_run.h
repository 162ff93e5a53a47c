#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/unique_fd.h"

namespace kv3::test {

// What a finished program left.
struct ProgramResult {
  int status = -1;  // exit status; 128 + the signal when a signal ended it
  std::string out;
  std::string err;
};

// A program started with arguments, its own standard input, output and error, and an
// environment without the caller's locale settings (English messages) plus `environment`.
// It is started from the calling thread, so it lives in that thread's network namespace.
class ProgramRun {
 public:
  ProgramRun(const std::string& path, const std::vector<std::string>& arguments,
             const std::string& input = {}, const std::vector<std::string>& environment = {});
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Reads standard error until it holds text (true) or the program ends (false).
  bool waitForError(const std::string& text);
  void signal(int number);
  // Waits for the end and returns everything the program wrote.
  ProgramResult finish();

 private:
  bool readSome();

  pid_t pid_ = -1;
  platform::UniqueFd out_;
  platform::UniqueFd err_;
  ProgramResult result_;
};

// Starts the program and waits for its end.
ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                         const std::string& input = {},
                         const std::vector<std::string>& environment = {});

}  // namespace kv3::test
