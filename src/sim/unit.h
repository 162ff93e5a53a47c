#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sim/address_text.h"

namespace kv3::sim {

using Bytes = std::vector<std::uint8_t>;

// The answer to "FIND" and the tool's picture of a unit.
inline constexpr std::size_t kRecordSize = 111;
using Record = std::array<std::uint8_t, kRecordSize>;

// Offsets and widths of the record's fields.
inline constexpr std::size_t kFwMajorAt = 4;
inline constexpr std::size_t kFwMinorAt = 5;
inline constexpr std::size_t kMacAt = 6;
inline constexpr std::size_t kIpAt = 12;
inline constexpr std::size_t kMaskAt = 16;
inline constexpr std::size_t kGatewayAt = 20;
inline constexpr std::size_t kDhcpAt = 24;
inline constexpr std::size_t kSchemeAt = 31;
inline constexpr std::size_t kSchemeWidth = 21;
inline constexpr std::size_t kSkinAt = 52;
inline constexpr std::size_t kSkinWidth = 21;
inline constexpr std::size_t kWebAppAt = 73;
inline constexpr std::size_t kWebAppWidth = 38;
// The settings text of "SETC" may run over the name fields up to the frame's last content byte.
inline constexpr std::size_t kSettingsTextAt = 31;
inline constexpr std::size_t kSettingsTextEnd = 112;

enum class Command : std::uint8_t {
  Find,
  PaWd,
  Vers,
  Setc,
  Fwup,
  Rfup,
  Fram,
  Asch,
  Apos,
  Setm,
  Sett
};
inline constexpr std::size_t kCommandCount = 11;

// The commands that announce a file on the transfer port.
bool IsUpload(Command command);

// How a unit misbehaves on the stream connection of an upload it acknowledged.
enum class StreamFault : std::uint8_t {
  None,
  Refuse,   // nobody listens on the transfer port: the connection is refused
  Close,    // reads everything, then closes without an answer
  CrLf,     // answers "complete!\r\n"
  Garbage,  // answers bytes that are no word at all, "complete!" hidden behind a zero byte
  Capital,  // answers "Complete!"
  Never,    // reads everything and never answers (until the tool closes)
  Slow,     // reads in small pieces with pauses between them
  Drop,     // drops the connection halfway through the content
};

// "FIND", "PaWd", "Vers", "SETC", "FWUP", "RFUP", "FRAM", "ASCH", "APOS", "SETM", "SETT".
std::string_view CommandWord(Command command);
// Case is ignored, so option texts may say "pawd".
std::optional<Command> CommandFromWord(std::string_view word);

// How a unit misbehaves for one command.
struct Fault {
  bool silent = false;     // acts on the command but sends nothing
  int lateMs = 0;          // sends its answers this much later
  bool noWord = false;     // "xxxx" where the lower-case word of the answer stands (FIND, SETC)
  bool firstOnly = false;  // "PaWd": only the account datagram, no device name
  StreamFault stream = StreamFault::None;  // the uploads' stream leg
  bool capitalWord = false;                // "SETT": answers the word in capitals
  bool ignores = false;                    // "SETT": acknowledges and keeps its settings
  bool operator==(const Fault&) const = default;
};

// One unit's settings and contents. Texts are kept as the bytes that go on the wire.
struct Unit {
  Mac mac{0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
  Ipv4 ip{127, 0, 0, 2};
  Ipv4 mask{255, 0, 0, 0};
  Ipv4 gateway{127, 0, 0, 1};
  bool dhcp = false;
  std::uint8_t fwMajor = 1;
  std::uint8_t fwMinor = 0;
  std::string scheme;
  std::string skin;
  std::string webApp;
  std::string user = "admin";
  std::string password = "geheim12";
  std::string deviceName = "KV3";
  std::string version = "V1.0";
  // Sent instead of "user:password" as the first "PaWd" answer, whatever it holds; a "SETC"
  // that the unit takes ends it.
  std::optional<std::string> account;
  // The character between the backslashes of the last settings text taken.
  std::string settingsFlag = "0";
  std::array<Fault, kCommandCount> faults{};
  // How long this unit stays silent after a firmware or web app; nothing: the simulator's
  // setting.
  std::optional<int> restartMs;

  Fault& fault(Command command) { return faults[static_cast<std::size_t>(command)]; }
  const Fault& fault(Command command) const { return faults[static_cast<std::size_t>(command)]; }
  // The first "PaWd" answer.
  std::string accountText() const;
};

Record FindRecord(const Unit& unit);

// The settings text of "SETC": device name, backslash, flag, backslash, user, colon, password.
struct SettingsText {
  std::string device;
  std::string flag;
  std::string user;
  std::string password;
  bool operator==(const SettingsText&) const = default;
};
// Splits at the first two backslashes and then at the first colon of the rest.
std::optional<SettingsText> SplitSettingsText(std::string_view text);

// What one unit made of one datagram it heard.
struct Reaction {
  bool taken = false;          // the datagram was meant for this unit and it acted on it
  std::string kind;            // the command word, or "name"; empty when unknown
  std::vector<Bytes> answers;  // in sending order
  int delayMs = 0;
  bool expectName = false;  // an accepted "SETC": the sender's next 32/33-byte datagram is the name
  // An acknowledged upload: the unit now expects the content on its transfer port.
  std::optional<Command> upload;
  std::string uploadName;  // the name the announce carried from byte 31 (none for "FWUP")
  std::string note;
};

// Applies one datagram to a unit and tells what to answer. nameExpected: the datagram comes from
// the sender whose "SETC" this unit took last and nothing else came from it since.
Reaction React(Unit& unit, std::span<const std::uint8_t> datagram, bool nameExpected);

}  // namespace kv3::sim
