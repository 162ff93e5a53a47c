#include "update/stream_format.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <limits>

#include "link/bytes.h"
#include "platform/utf8_path.h"

namespace kv3::update {

namespace {

constexpr std::size_t kHeaderSizeAt = 0;
constexpr std::size_t kHeaderNameLengthAt = 4;
constexpr std::size_t kHeaderMarkerAt = 8;
constexpr std::size_t kHeaderKindAt = 10;
constexpr std::size_t kHeaderNameAt = 11;
constexpr std::uint8_t kBlockKind = 1;
constexpr std::string_view kCompleteWord = "complete!";

}  // namespace

long long PlannedPauseMs(const UploadProfile& row, long long size) {
  const long long segments =
      (size + static_cast<long long>(kSegmentSize) - 1) / static_cast<long long>(kSegmentSize);
  long long total =
      kPauseAfterAnnounceMs + row.pauseBeforeConnectMs + kPauseAfterPrefixMs + kPauseBeforeAnswerMs;
  if (row.framing == Framing::NamedStream) total += kPauseAfterHeaderMs;
  return total + segments * (row.pauseBeforeSegmentMs + row.pauseAfterSegmentMs);
}

link::Frame AnnounceDatagram(const UploadProfile& row, link::DeviceRecord& rec,
                             std::string_view name) {
  if (!row.namedAnnounce) return link::ShortAnnounceFrame(row.command, rec);
  const std::string_view body = link::text_before_zero(name);
  return link::NamedAnnounceFrame(row.command, rec, body.substr(0, kAnnounceNameMax));
}

std::optional<std::uint32_t> PrefixValue(Framing framing, std::uint64_t size) {
  const std::uint64_t extra = framing == Framing::NamedStream ? kBlockHeaderSize : 0;
  const std::uint64_t value = size + extra;
  if (size > std::numeric_limits<std::uint32_t>::max() ||
      value > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::array<std::uint8_t, 4> LengthPrefix(std::uint32_t value) {
  std::array<std::uint8_t, 4> prefix{};
  link::put_le32(prefix, 0, value);
  return prefix;
}

std::uint32_t NameLengthField(std::span<const std::uint8_t> acknowledgement) {
  const std::string text =
      link::read_text(acknowledgement, link::record::kSchemeName, acknowledgement.size());
  return static_cast<std::uint32_t>(kBlockHeaderSize + text.size());
}

std::array<std::uint8_t, kBlockHeaderSize> BlockHeader(std::uint32_t size, std::uint32_t nameLength,
                                                       std::string_view name) {
  std::array<std::uint8_t, kBlockHeaderSize> header{};
  link::put_le32(header, kHeaderSizeAt, size);
  link::put_le32(header, kHeaderNameLengthAt, nameLength);
  header[kHeaderMarkerAt] = 0x55;
  header[kHeaderMarkerAt + 1] = 0xAA;
  header[kHeaderKindAt] = kBlockKind;
  link::put_padded_text(header, kHeaderNameAt, kBlockNameWidth, name);
  return header;
}

bool IsCompleteAnswer(std::span<const std::uint8_t> answer) {
  const std::string text = link::read_text(answer);
  return text.size() == kCompleteWord.size() &&
         std::equal(text.begin(), text.end(), kCompleteWord.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) == b;
         });
}

int ProgressPercent(std::uint64_t sent, std::uint64_t size) {
  if (size == 0 || sent >= size) return 100;
  // Below 2^57 bytes the product cannot overflow; a 32-bit size is far from that.
  return static_cast<int>(sent * 100 / size);
}

std::string FileNameOf(std::string_view path) {
  return platform::Utf8FromPath(platform::PathFromUtf8(path).filename());
}

}  // namespace kv3::update
