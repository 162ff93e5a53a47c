#include "service/web_image.h"

#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "link/bytes.h"
#include "link/codepage.h"
#include "platform/file_replace.h"
#include "platform/read_file.h"
#include "platform/utf8_path.h"

namespace kv3::service {

namespace {

constexpr std::array<std::uint8_t, 3> kNameFieldTail = {0xA8, 0x19, 0x66};
constexpr std::array<std::uint8_t, kImageEndMarkerSize> kEndMarker = {0xFF, 0xFF};
// Read-ahead of the standard input buffer, so that the 1024-byte pieces cost no system call each.
constexpr std::size_t kReadAhead = std::size_t{64} * 1024;

using File = platform::StdFile;

// A chosen file opened for reading, with its size; nothing when it is no regular file (a
// folder, or a FIFO that would block the build) or cannot be opened.
std::optional<std::pair<File, std::uint64_t>> OpenChosen(const std::filesystem::path& path) {
  auto opened = platform::OpenRegularFile(path);
  if (opened) std::setvbuf(opened->first.get(), nullptr, _IOFBF, kReadAhead);
  return opened;
}

enum class Copy { Done, SourceFailed, SinkFailed };

// Copies exactly `size` bytes of the file to the sink in pieces of 1024 bytes. The source fails
// when it ends sooner or goes on beyond its size: it changed since its entry was made.
Copy CopyContent(std::FILE* file, std::uint64_t size, const platform::ContentSink& sink) {
  std::array<std::uint8_t, kImageCopyPiece> piece{};
  while (size > 0) {
    const std::size_t wanted = size < piece.size() ? static_cast<std::size_t>(size) : piece.size();
    if (std::fread(piece.data(), 1, wanted, file) != wanted) {
      return Copy::SourceFailed;
    }
    if (!sink(std::span<const std::uint8_t>(piece.data(), wanted))) {
      return Copy::SinkFailed;
    }
    size -= wanted;
  }
  return std::fgetc(file) == EOF && !std::ferror(file) ? Copy::Done : Copy::SourceFailed;
}

}  // namespace

ImageEntry MakeImageEntry(std::uint32_t size, std::uint32_t offset, std::uint16_t index,
                          std::string_view name) {
  ImageEntry bytes{};
  link::put_le32(bytes, entry::kSize, size);
  link::put_le32(bytes, entry::kOffset, offset);
  bytes[entry::kIndex] = static_cast<std::uint8_t>(index & 0xFF);
  bytes[entry::kIndex + 1] = static_cast<std::uint8_t>(index >> 8);
  bytes[entry::kZero] = 0;
  const std::span<std::uint8_t> field(bytes.data() + entry::kName, entry::kNameWidth);
  std::copy(kNameFieldTail.begin(), kNameFieldTail.end(), field.end() - kNameFieldTail.size());
  link::put_text(field, 0, name);
  return bytes;
}

std::vector<std::size_t> ImageOrder(const std::vector<std::string>& names) {
  std::vector<std::size_t> order(names.size());
  for (std::size_t i = 0; i < order.size(); ++i) {
    order[i] = i;
  }
  // One pass of neighbour exchanges: a "default.jpg" moves one place on at every step and so
  // ends last.
  for (std::size_t i = 0; i + 1 < order.size(); ++i) {
    if (names[order[i]] == kImageLastName) {
      std::swap(order[i], order[i + 1]);
    }
  }
  return order;
}

namespace {

ImageBuild Refuse(ImageBuildProblem* problem, ImageBuild why,
                  std::vector<std::filesystem::path> about, std::string name = {}) {
  if (problem != nullptr) *problem = {std::move(about), std::move(name)};
  return why;
}

// The names the units find the files by, in Windows-1252, or why the files cannot make an
// image: one that would arrive as another name, or as the name of another file, makes an image
// that does not work.
std::optional<ImageBuild> StoredNames(const std::vector<std::filesystem::path>& files,
                                      std::vector<std::string>& names, ImageBuildProblem* problem) {
  names.reserve(files.size());
  for (const auto& file : files) {
    const auto name = link::Utf8ToCp1252Exact(platform::Utf8FromPath(file.filename()));
    if (!name) return Refuse(problem, ImageBuild::NameNotSendable, {file});
    const std::string stored = name->substr(0, entry::kNameWidth);
    for (std::size_t other = 0; other < names.size(); ++other) {
      if (names[other].substr(0, entry::kNameWidth) == stored) {
        return Refuse(problem, ImageBuild::NamesCollide, {files[other], file}, stored);
      }
    }
    names.push_back(*name);
  }
  return std::nullopt;
}

// One entry of the image as planned before a byte is written.
struct Planned {
  std::size_t file = 0;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;
};

// The first pass: every entry, and with it every offset, in the image's order.
std::optional<ImageBuild> PlanEntries(const std::vector<std::filesystem::path>& files,
                                      const std::vector<std::size_t>& order,
                                      std::vector<Planned>& planned, ImageBuildProblem* problem) {
  planned.reserve(order.size());
  std::uint64_t next = kImageEntrySize * order.size() + kImageEndMarkerSize;
  constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
  for (const std::size_t file : order) {
    const auto opened = OpenChosen(files[file]);
    if (!opened) return Refuse(problem, ImageBuild::Unreadable, {files[file]});
    planned.push_back({file, opened->second, next});
    next += opened->second;
    // The unit reads every offset and size, and the upload the image's length, as 32 bits.
    if (next > kLimit) return ImageBuild::TooLarge;
  }
  return std::nullopt;
}

}  // namespace

ImageBuild BuildWebImage(const std::vector<std::filesystem::path>& files,
                         const std::filesystem::path& target, ImageBuildProblem* problem,
                         const std::function<bool()>& stopRequested) {
  if (files.size() > kImageMaxFiles) {
    return ImageBuild::TooManyFiles;
  }
  std::vector<std::string> names;
  if (const auto refused = StoredNames(files, names, problem)) return *refused;
  std::vector<Planned> planned;
  if (const auto refused = PlanEntries(files, ImageOrder(names), planned, problem)) {
    return *refused;
  }

  std::optional<std::size_t> unreadable;
  bool cancelled = false;
  // Asked before each piece goes to the image.
  const auto keepGoing = [&] {
    cancelled = cancelled || (stopRequested && stopRequested());
    return !cancelled;
  };
  const auto write = [&](const platform::ContentSink& piecesSink) {
    const auto sink = [&](std::span<const std::uint8_t> piece) {
      return keepGoing() && piecesSink(piece);
    };
    for (std::size_t index = 0; index < planned.size(); ++index) {
      const Planned& p = planned[index];
      const ImageEntry bytes =
          MakeImageEntry(static_cast<std::uint32_t>(p.size), static_cast<std::uint32_t>(p.offset),
                         static_cast<std::uint16_t>(index), names[p.file]);
      if (!sink(bytes)) return false;
    }
    if (!sink(kEndMarker)) return false;
    // Second pass: the contents, each exactly as large as its entry says.
    for (const Planned& p : planned) {
      const auto opened = OpenChosen(files[p.file]);
      if (!opened || opened->second != p.size) {
        unreadable = p.file;
        return false;
      }
      const Copy copied = CopyContent(opened->first.get(), p.size, sink);
      if (copied != Copy::Done) {
        if (copied == Copy::SourceFailed) unreadable = p.file;
        return false;
      }
    }
    return keepGoing();
  };
  const platform::ReplaceResult result = platform::ReplaceFileStreamed(target, write);
  if (cancelled) {
    return ImageBuild::Cancelled;
  }
  if (unreadable) {
    return Refuse(problem, ImageBuild::Unreadable, {files[*unreadable]});
  }
  return result == platform::ReplaceResult::Written ? ImageBuild::Written
                                                    : ImageBuild::TargetNotWritten;
}

std::optional<std::vector<ImageListing>> ListWebImage(const std::filesystem::path& image,
                                                      ImageListProblem& problem) {
  problem = ImageListProblem::None;
  const auto opened = OpenChosen(image);
  if (!opened) {
    problem = ImageListProblem::Unreadable;
    return std::nullopt;
  }
  std::FILE* file = opened->first.get();
  const std::uint64_t fileSize = opened->second;
  std::vector<ImageListing> files;
  // The entries follow each other from the start; one read after the other takes them in order.
  for (;;) {
    std::array<std::uint8_t, kImageEntrySize> bytes{};
    const std::size_t want = files.size() < kImageMaxFiles ? kImageEntrySize : kImageEndMarkerSize;
    const std::size_t got = std::fread(bytes.data(), 1, want, file);
    if (got >= kImageEndMarkerSize && bytes[0] == kEndMarker[0] && bytes[1] == kEndMarker[1]) {
      break;
    }
    if (got != want || want != kImageEntrySize) {
      problem = ImageListProblem::NoEndMarker;
      return std::nullopt;
    }
    ImageListing listed;
    listed.size = link::get_le32(bytes, entry::kSize);
    listed.offset = link::get_le32(bytes, entry::kOffset);
    listed.index = static_cast<std::uint16_t>(bytes[entry::kIndex] | bytes[entry::kIndex + 1] << 8);
    listed.name = link::read_text(bytes, entry::kName, entry::kNameWidth);
    if (std::uint64_t{listed.offset} + listed.size > fileSize) {
      problem = ImageListProblem::ContentOutside;
      return std::nullopt;
    }
    files.push_back(std::move(listed));
  }
  return files;
}

}  // namespace kv3::service
