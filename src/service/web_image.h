#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The web-application image the units take as their web files: a directory of 31-byte entries,
// the end marker 0xFF 0xFF, then every file's content back to back. Numbers are little-endian.
namespace kv3::service {

inline constexpr std::size_t kImageMaxFiles = 256;
inline constexpr std::size_t kImageEntrySize = 31;
inline constexpr std::size_t kImageEndMarkerSize = 2;
// The contents are copied through a buffer of this many bytes.
inline constexpr std::size_t kImageCopyPiece = 1024;
// The name that goes last in every image.
inline constexpr std::string_view kImageLastName = "default.jpg";

// Offsets within an entry.
namespace entry {
inline constexpr std::size_t kSize = 0;
inline constexpr std::size_t kOffset = 4;
inline constexpr std::size_t kIndex = 8;
inline constexpr std::size_t kZero = 10;
inline constexpr std::size_t kName = 11;
inline constexpr std::size_t kNameWidth = 20;
}  // namespace entry

using ImageEntry = std::array<std::uint8_t, kImageEntrySize>;

// One directory entry. name holds the single-byte name without folder; its field is first
// given the bytes 0xA8 0x19 0x66 at its last three places, then the name and its terminator
// are written from its start (a name of 20 bytes or more is cut to 20, without terminator).
ImageEntry MakeImageEntry(std::uint32_t size, std::uint32_t offset, std::uint16_t index,
                          std::string_view name);

// The order of the files in the image: as chosen, then one pass that exchanges a file named
// exactly "default.jpg" (case counts) with the one after it, position by position. That
// carries such a file to the end; the other files keep their order.
std::vector<std::size_t> ImageOrder(const std::vector<std::string>& names);

enum class ImageBuild {
  Written,
  TooManyFiles,      // more than 256 files: nothing written
  Unreadable,        // a chosen file is no readable regular file, or changed while being read
  TooLarge,          // an offset or a size does not fit 32 bits
  TargetNotWritten,  // the image file could not be written; an old one stays as it was
  NameNotSendable,   // a file's name has no Windows-1252 form
  NamesCollide,      // two files would carry the same name in the image (20 bytes at most)
  Cancelled,         // stopped on request; nothing written
};

// What a refused build is about: the file that could not be read or named, or the two files
// whose names collide, with the name they share.
struct ImageBuildProblem {
  std::vector<std::filesystem::path> files;
  std::string name;  // single-byte, as the image would hold it
};

// Builds the image of the files, in image order, into target. Nothing is written unless every
// file could be read whole: the image is written beside target and renamed over it at the end,
// so a failed build leaves an existing file of that name unchanged. Neither the files nor the
// image are held in memory. `stopRequested` is asked between pieces; once it says yes the build
// ends as Cancelled.
ImageBuild BuildWebImage(const std::vector<std::filesystem::path>& files,
                         const std::filesystem::path& target, ImageBuildProblem* problem = nullptr,
                         const std::function<bool()>& stopRequested = {});

// One file as the image's directory lists it.
struct ImageListing {
  std::string name;  // single-byte, as stored (at most 20 bytes)
  std::uint32_t size = 0;
  std::uint32_t offset = 0;
  std::uint16_t index = 0;
};

enum class ImageListProblem { None, Unreadable, NoEndMarker, ContentOutside };

// Reads an image's directory: at most 256 entries before the end marker, every content inside
// the file. Nothing, and the reason in `problem`, when the file cannot be read or its directory
// does not hold together.
std::optional<std::vector<ImageListing>> ListWebImage(const std::filesystem::path& image,
                                                      ImageListProblem& problem);

}  // namespace kv3::service
