#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kv3::test {

// A web file for an image: its name and size. Its bytes follow from both, so two files never
// share their content by chance.
struct WebFile {
  std::string name;
  std::size_t size = 0;
};
std::string WebFileBytes(const WebFile& file);

// Writes the files into folder (created when missing); their full paths, in the given order.
std::vector<std::string> WriteWebFiles(const std::filesystem::path& folder,
                                       const std::vector<WebFile>& files);

// What a unit reads from an image: each listed file's name and content, in directory order.
// Fails the calling test (and returns nothing) when the unit cannot read the image.
std::vector<std::pair<std::string, std::string>> UnitReadsImage(const std::filesystem::path& image);

}  // namespace kv3::test
