#include "sim/web_image_reader.h"

#include <array>
#include <fstream>

namespace kv3::sim {

namespace {

constexpr std::size_t kEntrySize = 31;
constexpr std::size_t kMostEntries = 256;
constexpr std::size_t kNameAt = 11;
constexpr std::size_t kNameWidth = 20;

std::uint32_t Le32(const std::array<std::uint8_t, kEntrySize>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

}  // namespace

std::optional<std::vector<WebImageFile>> ReadWebImageDirectory(const std::filesystem::path& image,
                                                               std::string& error) {
  std::ifstream in(image, std::ios::binary);
  if (!in) {
    error = "cannot open " + image.string();
    return std::nullopt;
  }
  in.seekg(0, std::ios::end);
  const auto length = static_cast<std::uint64_t>(in.tellg());
  in.seekg(0);
  std::vector<WebImageFile> files;
  std::array<std::uint8_t, kEntrySize> entry{};
  for (;;) {
    std::array<char, 2> marker{};
    if (!in.read(marker.data(), 2)) {
      error = "no end marker after " + std::to_string(files.size()) + " entries";
      return std::nullopt;
    }
    if (static_cast<std::uint8_t>(marker[0]) == 0xFF &&
        static_cast<std::uint8_t>(marker[1]) == 0xFF) {
      break;
    }
    if (files.size() == kMostEntries) {
      error = "more than 256 entries";
      return std::nullopt;
    }
    entry[0] = static_cast<std::uint8_t>(marker[0]);
    entry[1] = static_cast<std::uint8_t>(marker[1]);
    if (!in.read(reinterpret_cast<char*>(entry.data() + 2), kEntrySize - 2)) {
      error = "entry " + std::to_string(files.size()) + " cut short";
      return std::nullopt;
    }
    WebImageFile file;
    file.size = Le32(entry, 0);
    file.offset = Le32(entry, 4);
    file.index = static_cast<std::uint16_t>(entry[8] | entry[9] << 8);
    for (std::size_t i = kNameAt; i < kNameAt + kNameWidth && entry[i] != 0; ++i) {
      file.name.push_back(static_cast<char>(entry[i]));
    }
    if (file.index != files.size() || entry[10] != 0) {
      error = "entry " + std::to_string(files.size()) + ": index " + std::to_string(file.index) +
              ", byte 10 " + std::to_string(entry[10]);
      return std::nullopt;
    }
    files.push_back(std::move(file));
  }
  if (files.empty()) {
    error = "an empty directory";
    return std::nullopt;
  }
  std::uint64_t expected = kEntrySize * files.size() + 2;
  for (const WebImageFile& file : files) {
    if (file.offset != expected) {
      error = file.name + ": offset " + std::to_string(file.offset) + ", expected " +
              std::to_string(expected);
      return std::nullopt;
    }
    expected += file.size;
  }
  if (expected != length) {
    error = "the contents end at " + std::to_string(expected) + ", the image at " +
            std::to_string(length);
    return std::nullopt;
  }
  return files;
}

std::optional<std::string> ReadWebImageContent(const std::filesystem::path& image,
                                               const WebImageFile& file) {
  std::ifstream in(image, std::ios::binary);
  std::string content(file.size, '\0');
  if (!in.seekg(file.offset) || !in.read(content.data(), file.size)) return std::nullopt;
  return content;
}

std::string WebImageListing(const std::filesystem::path& image) {
  std::string error;
  const auto files = ReadWebImageDirectory(image, error);
  if (!files) return "not a web image: " + error + "\n";
  std::string text;
  for (const WebImageFile& file : *files) {
    text += file.name + " " + std::to_string(file.size) + " " + std::to_string(file.offset) + "\n";
  }
  return text;
}

}  // namespace kv3::sim
