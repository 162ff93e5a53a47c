#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/device_record.h"

// Command datagrams as bytes. A frame of content length N goes on the wire as N + 1 bytes: the
// command word, for the record-based commands the current unit's record bytes with the
// command's parameters written into the record itself, and one trailing zero byte.
namespace kv3::link {

// Content lengths of the record-based frames.
inline constexpr std::size_t kShortFrameLength = 32;
inline constexpr std::size_t kSettingsFrameLength = 112;
inline constexpr std::size_t kNamedFrameLength = 122;
// A text parameter of at most this many bytes reaches the unit whole in a 122-byte frame (its
// end is marked by the trailing zero byte at the latest); a longer one is cut to it.
inline constexpr std::size_t kNamedFrameMaxText = kNamedFrameLength - record::kSchemeName;
// A text parameter that also ends, with its terminator, inside the record's own bytes.
inline constexpr std::size_t kRecordMaxText = kRecordSize - record::kSchemeName - 1;

// The command words as they go on the wire.
namespace word {
inline constexpr std::string_view kFind = "FIND";
inline constexpr std::string_view kPassword = "PaWd";
inline constexpr std::string_view kVersion = "Vers";
inline constexpr std::string_view kSettings = "SETC";
inline constexpr std::string_view kFirmware = "FWUP";
inline constexpr std::string_view kWebApp = "RFUP";
inline constexpr std::string_view kSkin = "FRAM";
inline constexpr std::string_view kScheme = "ASCH";
inline constexpr std::string_view kPositions = "APOS";
inline constexpr std::string_view kSetMac = "SETM";
inline constexpr std::string_view kServiceSettings = "SETT";
}  // namespace word

using Frame = std::vector<std::uint8_t>;

// A command without parameters: its four letters and a zero byte (5 bytes).
// Throws std::invalid_argument unless word has exactly four characters.
Frame CommandFrame(std::string_view word);

// Record bytes 0 to length-1 with word over bytes 0-3, and the trailing zero byte. Positions
// beyond the record are zero. length is 4 to 255.
Frame RecordFrame(std::string_view word, const DeviceRecord& rec, std::size_t length);

// Writes text (up to its first zero byte) with its terminator into rec from byte 31, never past
// the record's end, then builds the frame as RecordFrame does; positions from 111 to length-1
// carry the rest of a text that reaches them, and a text still running at length-1 is cut there.
Frame TextFrame(std::string_view word, DeviceRecord& rec, std::size_t length,
                std::string_view text);

// The announce of an upload: 32 bytes of the record ("FWUP"; 33 on the wire) ...
Frame ShortAnnounceFrame(std::string_view word, const DeviceRecord& rec);
// ... or 122 bytes with the name written into the record from byte 31 ("RFUP", "FRAM", "ASCH",
// "APOS"; 123 on the wire). A name longer than kNamedFrameMaxText is cut to it.
Frame NamedAnnounceFrame(std::string_view word, DeviceRecord& rec, std::string_view name);

// The network values that "SETC" and "SETT" write into record bytes 12-24.
struct NetworkSettings {
  Ipv4Bytes ip{};
  Ipv4Bytes mask{};
  Ipv4Bytes gateway{};
  bool dhcp = false;
};

// Stores ip, mask and gateway into bytes 12-23 and 1 or 0 into byte 24.
void WriteNetworkSettings(DeviceRecord& rec, const NetworkSettings& settings);

// "device name\flag\user:password", the flag being '1' or '0'. Each part counts up to its
// first zero byte; nothing in the parts is escaped.
std::string SettingsText(std::string_view deviceName, bool editScheme, std::string_view user,
                         std::string_view password);

// "SETC": writes the settings into bytes 12-24 and the settings text from byte 31 of rec, and
// returns the 113 wire bytes.
Frame SettingsFrame(DeviceRecord& rec, const NetworkSettings& settings,
                    std::string_view settingsText);

// The device-name datagram sent after an acknowledged "SETC": bytes 0-15 the first 16 bytes of
// the name, zero-padded (no terminator for 16 or more), bytes 16-31 those of the settings frame
// just sent (zero where that frame is shorter), and the trailing zero (33 bytes). An empty name
// makes the first byte zero, and the socket then sends nothing.
Frame NameFrame(std::span<const std::uint8_t> settingsFrame, std::string_view deviceName);

// "SETT": writes the settings into bytes 12-24 of rec; 33 wire bytes.
Frame ServiceSettingsFrame(DeviceRecord& rec, const NetworkSettings& settings);

// "SETM": keeps the present MAC in bytes 25-30 and puts newMac into bytes 6-11 of rec; 33 wire
// bytes.
Frame SetMacFrame(DeviceRecord& rec, const MacAddress& newMac);

}  // namespace kv3::link
