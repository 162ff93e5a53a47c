#include "support/namespace_lan.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string_view>

namespace kv3::test {

namespace {

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  }
  return out + "'";
}

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

constexpr const char* kStateDirectory = "/run/kv3lan";

// A name no LAN of any run on this machine has, made as scripts/netns-lan makes its names: the
// run's process as the machine sees it, then a random part (process ids repeat across process
// namespaces).
std::string NewName() {
  const char* run = std::getenv("KV3_RUN_PID");
  const std::string runPid = run != nullptr && *run != '\0' ? run : std::to_string(::getpid());
  std::random_device device;
  char suffix[9];
  std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(device()));
  return "kv3lan" + runPid + "x" + suffix;
}

}  // namespace

std::string NamespaceLan::unavailableReason() {
  const int status = run(quoted(KV3_NETNS_LAN) + " check");
  if (status == 0) {
    return {};
  }
  return "network namespaces cannot be made here (needs root and iproute2); "
         "the namespace LAN tests are skipped";
}

bool NamespaceLan::required() {
  const char* value = std::getenv("KV3_LAN_REQUIRED");
  return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

NamespaceLan::NamespaceLan(const std::vector<std::string>& units,
                           const std::vector<std::string>& farUnits,
                           const std::vector<std::string>& simOptions,
                           const std::vector<std::string>& secondLanUnits,
                           const std::vector<std::string>& hostedUnits,
                           const std::vector<std::string>& moreArguments) {
  name_ = NewName();
  // The LAN is this process's while it holds the lock: sweeps of other runs leave it alone, and
  // it counts as left over once the process has ended, however it ended.
  ::mkdir(kStateDirectory, 0755);
  lock_.reset(::open((std::string(kStateDirectory) + "/" + name_ + ".lock").c_str(),
                     O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!lock_ || ::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
    throw std::runtime_error("cannot lock the namespace LAN " + name_);
  }
  std::string command = quoted(KV3_NETNS_LAN) + " up " + name_ + " --sim " + quoted(KV3SIM_PATH);
  for (const std::string& option : simOptions) {
    command += " --sim-option " + quoted(option);
  }
  for (const std::string& unit : units) {
    command += " --unit " + quoted(unit);
  }
  for (const std::string& unit : farUnits) {
    command += " --far-unit " + quoted(unit);
  }
  for (const std::string& unit : secondLanUnits) {
    command += " --second-lan-unit " + quoted(unit);
  }
  for (const std::string& unit : hostedUnits) {
    command += " --hosted-unit " + quoted(unit);
  }
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on " " + quoted(...).
  for (const std::string& argument : moreArguments) {
    command += ' ';
    command += quoted(argument);
  }
  if (run(command) != 0) {
    run(quoted(KV3_NETNS_LAN) + " down " + name_);
    throw std::runtime_error("cannot build the namespace LAN " + name_);
  }
  home_.reset(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC));
  const platform::UniqueFd pc(
      ::open(("/run/netns/" + name_ + "-pc").c_str(), O_RDONLY | O_CLOEXEC));
  if (!home_ || !pc || ::setns(pc.get(), CLONE_NEWNET) != 0) {
    run(quoted(KV3_NETNS_LAN) + " down " + name_);
    throw std::runtime_error("cannot enter the PC's namespace of " + name_);
  }
}

NamespaceLan::~NamespaceLan() {
  ::setns(home_.get(), CLONE_NEWNET);
  run(quoted(KV3_NETNS_LAN) + " down " + name_);
}

int NamespaceLan::execIn(const std::string& host, const std::string& command) const {
  return run(quoted(KV3_NETNS_LAN) + " exec " + name_ + " " + host + " sh -c " + quoted(command));
}

std::string NamespaceLan::logOf(const std::string& host) const {
  std::ifstream log(std::string(kStateDirectory) + "/" + name_ + "/" + name_ + "-" + host + ".log");
  return {std::istreambuf_iterator<char>(log), std::istreambuf_iterator<char>()};
}

}  // namespace kv3::test
