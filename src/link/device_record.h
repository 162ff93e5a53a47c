#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kv3::link {

// One unit as it describes itself: the first 111 bytes of its answer to "FIND", byte for byte.
inline constexpr std::size_t kRecordSize = 111;
using DeviceRecord = std::array<std::uint8_t, kRecordSize>;

// Byte offsets and widths inside a DeviceRecord. Addresses are in network order.
namespace record {
inline constexpr std::size_t kWord = 0;  // "find" in an answer; the command word in a frame
inline constexpr std::size_t kWordLength = 4;
inline constexpr std::size_t kFirmwareMajor = 4;
inline constexpr std::size_t kFirmwareMinor = 5;
inline constexpr std::size_t kMac = 6;
inline constexpr std::size_t kMacLength = 6;
inline constexpr std::size_t kIp = 12;
inline constexpr std::size_t kMask = 16;
inline constexpr std::size_t kGateway = 20;
inline constexpr std::size_t kAddressLength = 4;
inline constexpr std::size_t kDhcp = 24;
inline constexpr std::size_t kSpare = 25;  // "SETM" keeps the previous MAC here
inline constexpr std::size_t kSpareLength = 6;
inline constexpr std::size_t kSchemeName = 31;  // also where every text parameter starts
inline constexpr std::size_t kSchemeNameLength = 21;
inline constexpr std::size_t kSkinName = 52;
inline constexpr std::size_t kSkinNameLength = 21;
inline constexpr std::size_t kWebAppName = 73;
inline constexpr std::size_t kWebAppNameLength = 38;
}  // namespace record

using MacAddress = std::array<std::uint8_t, 6>;
using Ipv4Bytes = std::array<std::uint8_t, 4>;  // network order: [0] is the first number

// "%02X:%02X:%02X:%02X:%02X:%02X" of bytes 6-11.
std::string MacText(const DeviceRecord& rec);
std::string MacText(const MacAddress& mac);
// "%d.%d.%d.%d" of the four bytes at offset (kIp, kMask or kGateway).
std::string Ipv4Text(const DeviceRecord& rec, std::size_t offset);
std::string Ipv4Text(const Ipv4Bytes& address);
MacAddress Mac(const DeviceRecord& rec);
Ipv4Bytes Ipv4At(const DeviceRecord& rec, std::size_t offset);
// An address as a word in network order, as the sockets take it, and back.
std::uint32_t Ipv4Word(const Ipv4Bytes& address);
Ipv4Bytes Ipv4Of(std::uint32_t word);
int FirmwareMajor(const DeviceRecord& rec);
int FirmwareMinor(const DeviceRecord& rec);
bool DhcpOn(const DeviceRecord& rec);  // any nonzero flag means on
// The installed names, each ending at its terminator or at its field's end.
std::string SchemeName(const DeviceRecord& rec);
std::string SkinName(const DeviceRecord& rec);
std::string WebAppName(const DeviceRecord& rec);

// True when the address the unit reports as its own can name this one unit: not 0.0.0.0 (or any
// address of the "this network" block 0.x.x.x), not 255.255.255.255, not a multicast or reserved
// address (224 and up), and not the broadcast address of the unit's own network by its mask. A
// datagram or connection to any other would reach many units, or none.
bool AddressesOneUnit(const DeviceRecord& rec);

// The MACs, each once and in the order listed, of the other units among `listed` that report
// rec's address as theirs. A datagram or connection to a shared address reaches whichever of
// them this computer's neighbour table holds at that moment: none of them can be spoken to there.
std::vector<MacAddress> OtherMacsAt(std::span<const DeviceRecord> listed, const DeviceRecord& rec);
// The MACs as "00:1A:2B:3C:4D:01, 00:1A:2B:3C:4D:02".
std::string MacListText(const std::vector<MacAddress>& macs);

// A record made of the first 111 bytes of an answer; missing bytes are zero.
DeviceRecord RecordFromAnswer(std::span<const std::uint8_t> answer);

// The units of the last search, in the order of their answers.
class DeviceTable {
 public:
  static constexpr int kCapacity = 16;

  // All records zero, count 0.
  void clear();
  // Appends a record; false (and nothing changes) when the table is full.
  bool append(const DeviceRecord& rec);
  int count() const { return count_; }
  bool full() const { return count_ >= kCapacity; }
  // Record i, 0 to 15 (also the empty ones beyond the count); throws std::out_of_range otherwise.
  DeviceRecord& at(int i);
  const DeviceRecord& at(int i) const;
  // Records 0 to count-1.
  std::vector<DeviceRecord> listed() const;

 private:
  std::array<DeviceRecord, kCapacity> records_{};
  std::int16_t count_ = 0;
};

// Where a command datagram is assembled, and a scratch text buffer within one step.
using CommandBuffer = std::array<std::uint8_t, 256>;
// Where the kept bytes of an answer land.
using ReplyBuffer = std::array<std::uint8_t, 255>;

}  // namespace kv3::link
