#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/file_size.h"
#include "platform/open_url.h"
#include "platform/single_instance.h"
#include "support/loopback_lan.h"

namespace kv3::platform {
namespace {

std::string uniqueName(const char* base) {
  return std::string(base) + "-" + std::to_string(::getpid());
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds) {
  const std::string name = uniqueName("kv3-guard");
  {
    SingleInstanceGuard first(name);
    EXPECT_FALSE(first.alreadyRunning());
    SingleInstanceGuard second(name);
    EXPECT_TRUE(second.alreadyRunning());
  }
  SingleInstanceGuard again(name);
  EXPECT_FALSE(again.alreadyRunning());
  std::filesystem::remove(again.lockPath());
}

TEST(SingleInstance, LockVanishesWhenTheHolderIsKilled) {
  const std::string name = uniqueName("kv3-guard-kill");
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SingleInstanceGuard holder(name);
    const char ok = holder.alreadyRunning() ? 'n' : 'y';
    (void)!::write(ready[1], &ok, 1);
    ::pause();
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_EQ(ok, 'y');
  {
    SingleInstanceGuard meanwhile(name);
    EXPECT_TRUE(meanwhile.alreadyRunning());
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  SingleInstanceGuard after(name);
  EXPECT_FALSE(after.alreadyRunning());
  std::filesystem::remove(after.lockPath());
}

TEST(FileSize, MeasuresAndKeepsThePosition) {
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(FileSizeOf(file), 0);
  const std::string content(3000, 'x');
  std::fwrite(content.data(), 1, content.size(), file);
  std::fseek(file, 17, SEEK_SET);
  EXPECT_EQ(FileSizeOf(file), 3000);
  EXPECT_EQ(std::ftell(file), 17);
  std::fclose(file);
  EXPECT_EQ(FileSizeOf(nullptr), -1);
}

TEST(OpenUrl, WaitsForTheOpenerButNotLongerThanTheLimit) {
  const test::ScratchDirectory directory;
  // The opener gets the address as its argument: here "sh" runs the address as a script.
  const auto script = [&](const std::string& name, const std::string& text) {
    const std::filesystem::path path = directory.path() / name;
    test::WriteFileBytes(path, text);
    return path.string();
  };
  const std::string quick = script("quick", "sleep 1; : >\"$0.ended\"\n");
  OpenUrl(quick, 20000, "sh");
  EXPECT_TRUE(std::filesystem::exists(quick + ".ended")) << "returned before the opener ended";

  // One that keeps running is left running once the limit has passed.
  const std::string lasting = script("lasting", "echo $$ >\"$0.pid\"; exec sleep 60\n");
  OpenUrl(lasting, 200, "sh");
  // On a busy machine the script may write its process down only now.
  const auto written = [&] {
    std::error_code missing;
    return std::filesystem::exists(lasting + ".pid", missing) &&
           test::ReadFileBytes(lasting + ".pid").ends_with('\n');
  };
  for (int i = 0; i < 500 && !written(); ++i) ::usleep(20000);
  ASSERT_TRUE(written());
  const pid_t child = std::stoi(test::ReadFileBytes(lasting + ".pid"));
  EXPECT_EQ(::waitpid(child, nullptr, WNOHANG), 0) << "the opener was ended or collected";
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);

  // A missing opener reports nothing either.
  OpenUrl("https://example.invalid/", 20000, "kv3-no-such-opener");
}

}  // namespace
}  // namespace kv3::platform
