#include "link/frames.h"

#include <algorithm>
#include <stdexcept>

#include "link/bytes.h"

namespace kv3::link {
namespace {

// The frame and its trailing zero byte fit the command buffer.
constexpr std::size_t kMaxFrameLength = CommandBuffer{}.size() - 1;

void CheckWord(std::string_view word) {
  if (word.size() != record::kWordLength) {
    throw std::invalid_argument("a command word has four letters");
  }
}

void CheckLength(std::size_t length) {
  if (length < record::kWordLength || length > kMaxFrameLength) {
    throw std::invalid_argument("frame length out of range");
  }
}

void PutWord(Frame& frame, std::string_view word) {
  std::copy(word.begin(), word.end(), frame.begin());
}

}  // namespace

Frame CommandFrame(std::string_view word) {
  CheckWord(word);
  Frame frame(record::kWordLength + 1, 0);
  PutWord(frame, word);
  return frame;
}

Frame RecordFrame(std::string_view word, const DeviceRecord& rec, std::size_t length) {
  CheckWord(word);
  CheckLength(length);
  Frame frame(length + 1, 0);
  std::copy_n(rec.begin(), std::min(length, rec.size()), frame.begin());
  PutWord(frame, word);
  return frame;
}

Frame TextFrame(std::string_view word, DeviceRecord& rec, std::size_t length,
                std::string_view text) {
  CheckWord(word);
  CheckLength(length);
  const std::string_view body = text_before_zero(text);
  // The record takes what fits of the text; the rest exists only in this datagram, so the
  // next record of the table is never touched.
  put_text(rec, record::kSchemeName, body);
  Frame frame = RecordFrame(word, rec, length);
  for (std::size_t pos = rec.size(); pos < length; ++pos) {
    const std::size_t k = pos - record::kSchemeName;
    frame[pos] = k < body.size() ? static_cast<std::uint8_t>(body[k]) : 0;
  }
  return frame;
}

Frame ShortAnnounceFrame(std::string_view word, const DeviceRecord& rec) {
  return RecordFrame(word, rec, kShortFrameLength);
}

Frame NamedAnnounceFrame(std::string_view word, DeviceRecord& rec, std::string_view name) {
  return TextFrame(word, rec, kNamedFrameLength, name);
}

void WriteNetworkSettings(DeviceRecord& rec, const NetworkSettings& settings) {
  std::copy(settings.ip.begin(), settings.ip.end(), rec.begin() + record::kIp);
  std::copy(settings.mask.begin(), settings.mask.end(), rec.begin() + record::kMask);
  std::copy(settings.gateway.begin(), settings.gateway.end(), rec.begin() + record::kGateway);
  rec[record::kDhcp] = settings.dhcp ? 1 : 0;
}

std::string SettingsText(std::string_view deviceName, bool editScheme, std::string_view user,
                         std::string_view password) {
  std::string text(text_before_zero(deviceName));
  text += '\\';
  text += editScheme ? '1' : '0';
  text += '\\';
  text += text_before_zero(user);
  text += ':';
  text += text_before_zero(password);
  return text;
}

Frame SettingsFrame(DeviceRecord& rec, const NetworkSettings& settings,
                    std::string_view settingsText) {
  WriteNetworkSettings(rec, settings);
  return TextFrame(word::kSettings, rec, kSettingsFrameLength, settingsText);
}

Frame NameFrame(std::span<const std::uint8_t> settingsFrame, std::string_view deviceName) {
  constexpr std::size_t kNameWidth = 16;
  Frame frame(kShortFrameLength + 1, 0);
  put_padded_text(frame, 0, kNameWidth, deviceName);
  for (std::size_t pos = kNameWidth; pos < kShortFrameLength && pos < settingsFrame.size(); ++pos) {
    frame[pos] = settingsFrame[pos];
  }
  return frame;
}

Frame ServiceSettingsFrame(DeviceRecord& rec, const NetworkSettings& settings) {
  WriteNetworkSettings(rec, settings);
  return RecordFrame(word::kServiceSettings, rec, kShortFrameLength);
}

Frame SetMacFrame(DeviceRecord& rec, const MacAddress& newMac) {
  std::copy_n(rec.begin() + record::kMac, record::kMacLength, rec.begin() + record::kSpare);
  std::copy(newMac.begin(), newMac.end(), rec.begin() + record::kMac);
  return RecordFrame(word::kSetMac, rec, kShortFrameLength);
}

}  // namespace kv3::link
