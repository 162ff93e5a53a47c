#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/device_record.h"
#include "link/frames.h"
#include "update/upload_profile.h"

// The bytes of an upload: the announce datagram, the length prefix and block header on the
// stream connection, and the judgement of the unit's closing answer.
namespace kv3::update {

// Content bytes per send on the stream connection.
inline constexpr std::size_t kSegmentSize = 1460;
inline constexpr std::size_t kBlockHeaderSize = 31;
// The block header carries at most this many bytes of the name.
inline constexpr std::size_t kBlockNameWidth = 20;
// An announce name and its terminator must end inside the record (bytes 31-110).
inline constexpr std::size_t kAnnounceNameMax = link::kRecordSize - link::record::kSchemeName - 1;
// Bytes of the acknowledgement that are kept and of the closing answer that are read.
inline constexpr std::size_t kAcknowledgementKept = 40;
inline constexpr std::size_t kAnswerMax = 2048;

// The announce of the row: 33 bytes (32-byte form) from the record, or 123 bytes (122-byte
// form) after the name, cut to kAnnounceNameMax characters, has been written into the record
// from byte 31.
link::Frame AnnounceDatagram(const UploadProfile& row, link::DeviceRecord& rec,
                             std::string_view name);

// The number the length prefix carries for content of `size` bytes, or nothing when it does not
// fit 32 bits.
std::optional<std::uint32_t> PrefixValue(Framing framing, std::uint64_t size);
std::array<std::uint8_t, 4> LengthPrefix(std::uint32_t value);

// 31 plus the length of the text that the kept acknowledgement bytes carry from their byte 31
// (ending at a zero byte or at the end of the kept bytes).
std::uint32_t NameLengthField(std::span<const std::uint8_t> acknowledgement);

std::array<std::uint8_t, kBlockHeaderSize> BlockHeader(std::uint32_t size, std::uint32_t nameLength,
                                                       std::string_view name);

// True only for "complete!" with letters in any case, nothing before or after it (a zero byte
// ends the text).
bool IsCompleteAnswer(std::span<const std::uint8_t> answer);

// The gauge's percentage after `sent` of `size` bytes: 0 to 100, 100 exactly when all is sent.
int ProgressPercent(std::uint64_t sent, std::uint64_t size);

// The file's name without its directory (with its extension).
std::string FileNameOf(std::string_view path);

}  // namespace kv3::update
