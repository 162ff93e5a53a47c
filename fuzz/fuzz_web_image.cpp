// The units' reading of a web image they received: directory, end marker and contents of an
// image of any bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "sim/web_image_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3::sim;
  static const std::filesystem::path image =
      std::filesystem::temp_directory_path() / ("kv3-fuzz-image-" + std::to_string(::getpid()));
  std::FILE* file = std::fopen(image.c_str(), "wb");
  if (file == nullptr) return 0;
  const bool written = std::fwrite(data, 1, size, file) == size;
  std::fclose(file);
  if (!written) return 0;
  std::string error;
  if (const auto files = ReadWebImageDirectory(image, error)) {
    for (const WebImageFile& entry : *files) (void)ReadWebImageContent(image, entry);
  }
  (void)WebImageListing(image);
  return 0;
}
