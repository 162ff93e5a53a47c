// A web image of any bytes, read by the units (directory, end marker, contents) and listed by
// the tool. An image whose directory the units accept must list the same way in the tool.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "service/web_image.h"
#include "sim/web_image_reader.h"

namespace {

// A file in memory, under a path both readers can open: no disk between the runs.
class MemoryFile {
 public:
  MemoryFile() : fd_(::memfd_create("kv3-fuzz-image", MFD_CLOEXEC)) {}
  ~MemoryFile() { ::close(fd_); }
  bool fill(const std::uint8_t* data, std::size_t size) {
    return ::ftruncate(fd_, 0) == 0 && ::pwrite(fd_, data, size, 0) == static_cast<ssize_t>(size);
  }
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3;
  static MemoryFile image;
  static const std::string path = image.path();
  if (!image.fill(data, size)) return 0;
  std::string error;
  const auto unitReads = sim::ReadWebImageDirectory(path, error);
  if (unitReads) {
    for (const sim::WebImageFile& entry : *unitReads) (void)sim::ReadWebImageContent(path, entry);
  }
  service::ImageListProblem problem{};
  const auto listed = service::ListWebImage(path, problem);
  if (unitReads) {
    if (!listed || listed->size() != unitReads->size()) __builtin_trap();
    for (std::size_t i = 0; i < listed->size(); ++i) {
      const auto& tool = (*listed)[i];
      const auto& unit = (*unitReads)[i];
      if (tool.name != unit.name || tool.size != unit.size || tool.offset != unit.offset ||
          tool.index != unit.index) {
        __builtin_trap();
      }
    }
  }
  return 0;
}
