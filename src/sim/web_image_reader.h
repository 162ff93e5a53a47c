#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kv3::sim {

// One file of a web image as the unit finds it in the image's directory.
struct WebImageFile {
  std::string name;  // up to 20 bytes, as stored
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
  std::uint16_t index = 0;
};

// The unit's reading of a web image it received: 31-byte entries up to the marker 0xFF 0xFF,
// then the contents. The directory must be consistent (at most 256 entries, indexes counting
// from 0, byte 10 zero, the first content right behind the marker, each next one right behind
// the previous, the last one ending at the file's end); otherwise `error` says what is wrong
// and nothing is returned. The contents are not read.
std::optional<std::vector<WebImageFile>> ReadWebImageDirectory(const std::filesystem::path& image,
                                                               std::string& error);

// The content of one listed file; nothing when it cannot be read whole.
std::optional<std::string> ReadWebImageContent(const std::filesystem::path& image,
                                               const WebImageFile& file);

// "name size offset", one line per file, or the error.
std::string WebImageListing(const std::filesystem::path& image);

}  // namespace kv3::sim
