#include "link/device_record.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "link/bytes.h"

namespace kv3::link {

std::string MacText(const MacAddress& mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

std::string MacText(const DeviceRecord& rec) { return MacText(Mac(rec)); }

std::string Ipv4Text(const Ipv4Bytes& address) {
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
  return text;
}

std::string Ipv4Text(const DeviceRecord& rec, std::size_t offset) {
  return Ipv4Text(Ipv4At(rec, offset));
}

MacAddress Mac(const DeviceRecord& rec) {
  MacAddress mac{};
  std::copy_n(rec.begin() + record::kMac, mac.size(), mac.begin());
  return mac;
}

Ipv4Bytes Ipv4At(const DeviceRecord& rec, std::size_t offset) {
  Ipv4Bytes address{};
  if (offset + address.size() > rec.size()) {
    throw std::out_of_range("address outside the record");
  }
  std::copy_n(rec.begin() + static_cast<std::ptrdiff_t>(offset), address.size(), address.begin());
  return address;
}

std::uint32_t Ipv4Word(const Ipv4Bytes& address) {
  std::uint32_t word = 0;
  std::memcpy(&word, address.data(), address.size());
  return word;
}

Ipv4Bytes Ipv4Of(std::uint32_t word) {
  Ipv4Bytes address{};
  std::memcpy(address.data(), &word, address.size());
  return address;
}

int FirmwareMajor(const DeviceRecord& rec) { return rec[record::kFirmwareMajor]; }
int FirmwareMinor(const DeviceRecord& rec) { return rec[record::kFirmwareMinor]; }
bool DhcpOn(const DeviceRecord& rec) { return rec[record::kDhcp] != 0; }

bool AddressesOneUnit(const DeviceRecord& rec) {
  const Ipv4Bytes ip = Ipv4At(rec, record::kIp);
  const Ipv4Bytes mask = Ipv4At(rec, record::kMask);
  if (ip[0] == 0 || ip[0] >= 224) {
    return false;
  }
  // The host part all ones is the network's broadcast; a network of one or two addresses (/32,
  // /31) has none.
  int hostBits = 0;
  bool broadcast = true;
  for (std::size_t i = 0; i < ip.size(); ++i) {
    const std::uint8_t host = static_cast<std::uint8_t>(~mask[i]);
    hostBits += std::popcount(host);
    broadcast = broadcast && (ip[i] & host) == host;
  }
  return !(broadcast && hostBits >= 2);
}

std::string SchemeName(const DeviceRecord& rec) {
  return read_text(rec, record::kSchemeName, record::kSchemeNameLength);
}

std::string SkinName(const DeviceRecord& rec) {
  return read_text(rec, record::kSkinName, record::kSkinNameLength);
}

std::string WebAppName(const DeviceRecord& rec) {
  return read_text(rec, record::kWebAppName, record::kWebAppNameLength);
}

std::vector<MacAddress> OtherMacsAt(std::span<const DeviceRecord> listed, const DeviceRecord& rec) {
  std::vector<MacAddress> others;
  for (const DeviceRecord& other : listed) {
    const MacAddress mac = Mac(other);
    if (Ipv4At(other, record::kIp) == Ipv4At(rec, record::kIp) && mac != Mac(rec) &&
        std::find(others.begin(), others.end(), mac) == others.end()) {
      others.push_back(mac);
    }
  }
  return others;
}

std::string MacListText(const std::vector<MacAddress>& macs) {
  std::string text;
  for (const MacAddress& mac : macs) text += (text.empty() ? "" : ", ") + MacText(mac);
  return text;
}

DeviceRecord RecordFromAnswer(std::span<const std::uint8_t> answer) {
  DeviceRecord rec{};
  std::copy_n(answer.begin(), std::min(answer.size(), rec.size()), rec.begin());
  return rec;
}

void DeviceTable::clear() {
  for (auto& rec : records_) {
    rec.fill(0);
  }
  count_ = 0;
}

bool DeviceTable::append(const DeviceRecord& rec) {
  if (full()) {
    return false;
  }
  records_[static_cast<std::size_t>(count_)] = rec;
  ++count_;
  return true;
}

std::vector<DeviceRecord> DeviceTable::listed() const {
  return {records_.begin(), records_.begin() + count_};
}

DeviceRecord& DeviceTable::at(int i) {
  if (i < 0 || i >= kCapacity) {
    throw std::out_of_range("device table index");
  }
  return records_[static_cast<std::size_t>(i)];
}

const DeviceRecord& DeviceTable::at(int i) const {
  if (i < 0 || i >= kCapacity) {
    throw std::out_of_range("device table index");
  }
  return records_[static_cast<std::size_t>(i)];
}

}  // namespace kv3::link
