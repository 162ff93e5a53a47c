#include "support/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace kv3::test {

namespace {

// The caller's locale, and where its programs keep their records: a program under test keeps
// them in a folder of the test run's own (set below), never in the user's.
bool IsDroppedSetting(const char* entry) {
  return std::strncmp(entry, "LANG=", 5) == 0 || std::strncmp(entry, "LC_", 3) == 0 ||
         std::strncmp(entry, "LANGUAGE=", 9) == 0 ||
         std::strncmp(entry, "XDG_STATE_HOME=", 15) == 0 ||
         std::strncmp(entry, "KV3_JOURNAL=", 12) == 0;
}

// A folder of this test run's own for the programs' records, removed when the run ends.
struct StateFolder {
  StateFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv3-state-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path = pattern;
  }
  ~StateFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  StateFolder(const StateFolder&) = delete;
  StateFolder& operator=(const StateFolder&) = delete;
  std::filesystem::path path;
};

}  // namespace

ProgramRun::ProgramRun(const std::string& path, const std::vector<std::string>& arguments,
                       const std::string& input, const std::vector<std::string>& environment) {
  std::array<int, 2> in{};
  std::array<int, 2> out{};
  std::array<int, 2> err{};
  if (::pipe2(in.data(), O_CLOEXEC) != 0 || ::pipe2(out.data(), O_CLOEXEC) != 0 ||
      ::pipe2(err.data(), O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe");
  }
  std::vector<std::string> words = {path};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  static const StateFolder state;
  std::vector<std::string> settings = environment;
  if (std::none_of(settings.begin(), settings.end(), [](const std::string& setting) {
        return setting.starts_with("XDG_STATE_HOME=");
      })) {
    settings.push_back("XDG_STATE_HOME=" + state.path.string());
  }
  std::vector<char*> envp;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!IsDroppedSetting(*entry)) envp.push_back(*entry);
  }
  for (std::string& setting : settings) envp.push_back(setting.data());
  envp.push_back(nullptr);

  // A program that ends before it read its input must not take the test down with SIGPIPE.
  ::signal(SIGPIPE, SIG_IGN);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::signal(SIGPIPE, SIG_DFL);
    ::dup2(in[0], STDIN_FILENO);
    ::dup2(out[1], STDOUT_FILENO);
    ::dup2(err[1], STDERR_FILENO);
    ::execve(path.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  ::close(err[1]);
  out_.reset(out[0]);
  err_.reset(err[0]);
  // Small inputs fit the pipe; the program reads them when it wants.
  [[maybe_unused]] const ssize_t written = ::write(in[1], input.data(), input.size());
  ::close(in[1]);
}

ProgramRun::~ProgramRun() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
}

bool ProgramRun::readSome() {
  std::array<pollfd, 2> fds{{{out_.get(), POLLIN, 0}, {err_.get(), POLLIN, 0}}};
  if (!out_ && !err_) return false;
  if (::poll(fds.data(), fds.size(), -1) < 0) return errno == EINTR;
  std::array<char, 4096> buffer{};
  for (std::size_t i = 0; i < fds.size(); ++i) {
    platform::UniqueFd& fd = i == 0 ? out_ : err_;
    if (!fd || fds[i].revents == 0) continue;
    const ssize_t got = ::read(fd.get(), buffer.data(), buffer.size());
    if (got <= 0) {
      fd.reset();
    } else {
      (i == 0 ? result_.out : result_.err).append(buffer.data(), static_cast<std::size_t>(got));
    }
  }
  return true;
}

bool ProgramRun::waitForError(const std::string& text) {
  while (result_.err.find(text) == std::string::npos) {
    if (!readSome()) return false;
  }
  return true;
}

void ProgramRun::signal(int number) { ::kill(pid_, number); }

ProgramResult ProgramRun::finish() {
  while (readSome()) {
  }
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  result_.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result_;
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                         const std::string& input, const std::vector<std::string>& environment) {
  return ProgramRun(path, arguments, input, environment).finish();
}

}  // namespace kv3::test
