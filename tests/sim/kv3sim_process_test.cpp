// Runs the kv3sim program itself. Its path comes from the environment variable KV3SIM_PATH or,
// failing that, from the compile definition KV3SIM_PATH_DEFAULT.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "udp_client.h"

extern char** environ;

namespace kv3::sim {
namespace {

std::string SimulatorPath() {
  if (const char* path = std::getenv("KV3SIM_PATH"); path != nullptr && *path != '\0') return path;
#ifdef KV3SIM_PATH_DEFAULT
  return KV3SIM_PATH_DEFAULT;
#else
  return {};
#endif
}

// A started kv3sim with its stdout and stderr; killed and reaped when it goes, if still running.
class Process {
 public:
  Process(const std::string& path, const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe");
    }
    out_.reset(out[0]);
    err_.reset(err[0]);
    platform::UniqueFd outWrite(out[1]);
    platform::UniqueFd errWrite(err[1]);
    std::vector<std::string> all{path};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(all.size() + 1);
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, errWrite.get(), 2);
    const int failed = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("cannot start " + path);
  }
  ~Process() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // The next line of stdout without its line end; empty at end of output or after waitMs.
  std::string readLine(int waitMs = 10000) {
    std::string line;
    char c;
    while (wait(out_, waitMs) && ::read(out_.get(), &c, 1) == 1 && c != '\n') line.push_back(c);
    return line;
  }

  std::string readAll(platform::UniqueFd& fd) {
    std::string text;
    char chunk[512];
    ssize_t size;
    while (wait(fd, 10000) && (size = ::read(fd.get(), chunk, sizeof chunk)) > 0) {
      text.append(chunk, static_cast<std::size_t>(size));
    }
    return text;
  }
  std::string readStdout() { return readAll(out_); }
  std::string readStderr() { return readAll(err_); }

  void signal(int number) { ::kill(pid_, number); }

  // The exit code, or -1 when the program did not exit normally.
  int exitCode() {
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  static bool wait(platform::UniqueFd& fd, int waitMs) {
    pollfd entry{fd.get(), POLLIN, 0};
    return ::poll(&entry, 1, waitMs) > 0;
  }

  pid_t pid_ = -1;
  platform::UniqueFd out_;
  platform::UniqueFd err_;
};

class Kv3simProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = SimulatorPath();
    if (path_.empty() || ::access(path_.c_str(), X_OK) != 0) {
      GTEST_SKIP() << "kv3sim not found: set KV3SIM_PATH to the built program";
    }
  }
  std::string path_;
};

TEST_F(Kv3simProgram, AnswersAnotherProcesssFindAndEndsCleanlyOnSigterm) {
  constexpr Ipv4 kUnit{127, 0, 0, 5};
  for (int i = 0; i < testing::kPortsToTry; ++i) {
    const auto port = static_cast<std::uint16_t>(testing::kFirstSimulatorPort + i);
    // Bound to its unit's address: on loopback only, wherever the test runs.
    Process program(path_, {"--command-port", std::to_string(port), "--bind", "127.0.0.5", "--unit",
                            "mac=00:1A:2B:3C:4D:61,ip=127.0.0.5,fw=2.3,name=Prozess"});
    if (program.readLine() != "kv3sim: ready") continue;  // port taken: try the next one

    testing::UdpClient client;
    client.send(kUnit, port, testing::Command0("FIND"));
    const auto answer = client.receive();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->source, (Endpoint{kUnit, port}));
    ASSERT_EQ(answer->bytes.size(), kRecordSize);
    EXPECT_EQ(Bytes(answer->bytes.begin(), answer->bytes.begin() + 16),
              (Bytes{'f', 'i', 'n', 'd', 2, 3, 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x61, 127, 0, 0, 5}));

    program.signal(SIGTERM);
    EXPECT_EQ(program.exitCode(), 0);
    return;
  }
  FAIL() << "kv3sim never became ready";
}

TEST_F(Kv3simProgram, HelpAndBadOptions) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string inStdout;  // "": nothing at all on standard output
    std::string inStderr;  // "": nothing at all on standard error
  };
  const Case cases[] = {
      {{"--help"}, 0, "--unit UNIT", ""},
      {{"--frobnicate"}, 2, "", "unknown option"},
      {{"--command-port", "0"}, 2, "", "--command-port"},
      {{"--unit", "ip=127.0.0.300"}, 2, "", "--unit 1: bad value for ip"},
      {{"--unit", "fault=PaWd:noword"}, 2, "", "first-only"},
  };
  for (const Case& c : cases) {
    Process program(path_, c.args);
    const std::string out = program.readStdout();
    const std::string err = program.readStderr();
    EXPECT_EQ(program.exitCode(), c.exitCode) << c.args.front();
    for (const auto& [text, wanted] : {std::pair{out, c.inStdout}, std::pair{err, c.inStderr}}) {
      if (wanted.empty()) {
        EXPECT_EQ(text, "") << c.args.front();
      } else {
        EXPECT_NE(text.find(wanted), std::string::npos) << text;
      }
    }
  }
}

}  // namespace
}  // namespace kv3::sim
