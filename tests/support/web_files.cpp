#include "support/web_files.h"

#include <gtest/gtest.h>

#include "sim/web_image_reader.h"
#include "support/loopback_lan.h"

namespace kv3::test {

std::string WebFileBytes(const WebFile& file) {
  std::uint32_t state = static_cast<std::uint32_t>(file.size) * 2654435761U;
  for (const char c : file.name) state = state * 31U + static_cast<std::uint8_t>(c);
  std::string bytes(file.size, '\0');
  for (char& byte : bytes) {
    state = state * 1664525U + 1013904223U;
    byte = static_cast<char>(state >> 24);
  }
  return bytes;
}

std::vector<std::string> WriteWebFiles(const std::filesystem::path& folder,
                                       const std::vector<WebFile>& files) {
  std::filesystem::create_directories(folder);
  std::vector<std::string> paths;
  for (const WebFile& file : files) {
    paths.push_back((folder / file.name).string());
    WriteFileBytes(paths.back(), WebFileBytes(file));
  }
  return paths;
}

std::vector<std::pair<std::string, std::string>> UnitReadsImage(
    const std::filesystem::path& image) {
  std::string error;
  const auto files = sim::ReadWebImageDirectory(image, error);
  EXPECT_TRUE(files) << error;
  std::vector<std::pair<std::string, std::string>> read;
  for (const sim::WebImageFile& file : files.value_or(std::vector<sim::WebImageFile>{})) {
    const auto content = sim::ReadWebImageContent(image, file);
    EXPECT_TRUE(content) << file.name;
    read.emplace_back(file.name, content.value_or(""));
  }
  return read;
}

}  // namespace kv3::test
