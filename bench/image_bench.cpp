// Building a web image of 256 files, 100 MB together, against `cat` of the same files into one
// file: wall time as a ratio (the builder also flushes its image to disk before renaming it,
// so `cat` followed by `sync` of its output is shown as well), and the builder's peak memory
// against that of an image of the same number of small files. Each build runs in a child process of
// its own, so its peak memory is its own. Talks to no network. Usage:
// build/default/bench/kv3imagebench [FOLDER]   (default: a fresh folder under /tmp)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "service/web_image.h"
#include "support/web_files.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kFiles = 256;
constexpr std::size_t kTotal = std::size_t{100} * 1000 * 1000;
constexpr int kRounds = 5;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs work in a child; its wall time and peak resident memory in KiB.
std::pair<double, long> InChild(const std::function<int()>& work) {
  const auto start = Clock::now();
  const pid_t child = ::fork();
  if (child == 0) ::_exit(work());
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  const double wall = Seconds(Clock::now() - start);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "kv3imagebench: a run failed\n");
    std::exit(1);
  }
  return {wall, usage.ru_maxrss};
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

int main(int argc, char** argv) {
  const fs::path folder =
      argc > 1 ? fs::path(argv[1])
               : fs::temp_directory_path() / ("kv3imagebench." + std::to_string(::getpid()));
  fs::create_directories(folder / "web");
  std::vector<kv3::test::WebFile> web;
  web.reserve(kFiles);
  for (int i = 0; i < kFiles; ++i) {
    web.push_back({"file" + std::to_string(i) + ".htm", kTotal / kFiles});
  }
  const auto paths = kv3::test::WriteWebFiles(folder / "web", web);
  const std::vector<fs::path> files(paths.begin(), paths.end());
  std::string catCommand = "cat";
  for (const auto& path : paths) catCommand += " " + Quoted(path);
  catCommand += " > " + Quoted((folder / "cat.out").string());
  const std::string catSync = catCommand + " && sync " + Quoted((folder / "cat.out").string());

  std::vector<double> built, cat, catSynced;
  long peakKiB = 0;
  for (int round = 0; round < kRounds; ++round) {
    const auto [wall, kib] = InChild([&] {
      return kv3::service::BuildWebImage(files, folder / "site.rom") ==
                     kv3::service::ImageBuild::Written
                 ? 0
                 : 1;
    });
    built.push_back(wall);
    peakKiB = std::max(peakKiB, kib);
    cat.push_back(InChild([&] { return std::system(catCommand.c_str()); }).first);
    catSynced.push_back(InChild([&] { return std::system(catSync.c_str()); }).first);
  }
  // The same number of files, a thousandth of the size: flat memory means the same peak.
  std::vector<kv3::test::WebFile> small;
  small.reserve(kFiles);
  for (int i = 0; i < kFiles; ++i) small.push_back({"small" + std::to_string(i), 400});
  const auto smallPaths = kv3::test::WriteWebFiles(folder / "small", small);
  const std::vector<fs::path> smallFiles(smallPaths.begin(), smallPaths.end());
  const long smallKiB = InChild([&] {
                          return kv3::service::BuildWebImage(smallFiles, folder / "small.rom") ==
                                         kv3::service::ImageBuild::Written
                                     ? 0
                                     : 1;
                        }).second;
  const auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  const double imageMiB = static_cast<double>(fs::file_size(folder / "site.rom")) / (1 << 20);
  std::printf("web image of %d files, %.1f MiB, median of %d runs\n", kFiles, imageMiB, kRounds);
  std::printf("  build        %.3f s\n", median(built));
  std::printf("  cat          %.3f s   build / cat          = %.2f (aim <= 2)\n", median(cat),
              median(built) / median(cat));
  std::printf("  cat + sync   %.3f s   build / (cat + sync) = %.2f\n", median(catSynced),
              median(built) / median(catSynced));
  std::printf("  peak memory: %ld KiB for this image, %ld KiB for one of 100 KB: ratio %.2f\n",
              peakKiB, smallKiB, static_cast<double>(peakKiB) / static_cast<double>(smallKiB));
  if (argc <= 1) fs::remove_all(folder);
  return 0;
}
