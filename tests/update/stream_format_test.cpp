#include "update/stream_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/hex_bytes.h"

namespace kv3::update {
namespace {

using link::test::Hex;

TEST(BlockHeader, NameLengthCountsTheAcknowledgementTextFromByte31WithinTheKeptBytes) {
  std::vector<std::uint8_t> ack(40, 0);
  EXPECT_EQ(NameLengthField(ack), 31u);
  for (std::size_t i = 31; i < 36; ++i) ack[i] = 'n';
  EXPECT_EQ(NameLengthField(ack), 36u);
  for (std::size_t i = 31; i < 40; ++i) ack[i] = 'n';  // no terminator before the end
  EXPECT_EQ(NameLengthField(ack), 40u);
}

TEST(LengthPrefix, IsLittleEndianAndRefusesSizesBeyond32Bits) {
  const auto prefix = LengthPrefix(3000);
  EXPECT_EQ(std::vector<std::uint8_t>(prefix.begin(), prefix.end()), Hex("B80B0000"));
  EXPECT_EQ(PrefixValue(Framing::PlainStream, 3000), 3000u);
  EXPECT_EQ(PrefixValue(Framing::NamedStream, 3000), 3031u);
  EXPECT_EQ(PrefixValue(Framing::PlainStream, 0xFFFFFFFFull), 0xFFFFFFFFu);
  EXPECT_EQ(PrefixValue(Framing::PlainStream, 0x100000000ull), std::nullopt);
  EXPECT_EQ(PrefixValue(Framing::NamedStream, 0xFFFFFFFFull - 30), std::nullopt);
}

TEST(ClosingAnswer, OnlyCompleteWithLettersInAnyCaseCounts) {
  const std::pair<std::string, bool> cases[] = {
      {"complete!", true},      {"Complete!", true},
      {"COMPLETE!", true},      {std::string("complete!\0garbage", 17), true},
      {"complete!\r\n", false}, {"complete", false},
      {" complete!", false},    {"", false},
      {"incomplete!", false},
  };
  for (const auto& [text, expected] : cases) {
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    EXPECT_EQ(IsCompleteAnswer(bytes), expected) << text;
  }
}

TEST(Announce, NameIsCutWhereItStillEndsInsideTheRecord) {
  link::DeviceRecord rec{};
  for (std::size_t i = 0; i < rec.size(); ++i) rec[i] = static_cast<std::uint8_t>(0x80 + i % 64);
  const std::string name(100, 'n');
  const link::Frame frame = AnnounceDatagram(WebAppRow, rec, name);
  ASSERT_EQ(frame.size(), 123u);
  EXPECT_EQ(std::string(frame.begin(), frame.begin() + 4), "RFUP");
  EXPECT_EQ(std::string(frame.begin() + 31, frame.begin() + 110), std::string(79, 'n'));
  for (std::size_t i = 110; i < frame.size(); ++i) EXPECT_EQ(frame[i], 0) << i;
  EXPECT_EQ(rec[110], 0);
  EXPECT_EQ(rec[109], 'n');

  const link::Frame firmware = AnnounceDatagram(FirmwareRow, rec, "ignored");
  ASSERT_EQ(firmware.size(), 33u);
  EXPECT_EQ(std::string(firmware.begin(), firmware.begin() + 4), "FWUP");
  EXPECT_TRUE(std::equal(firmware.begin() + 4, firmware.begin() + 32, rec.begin() + 4));
  EXPECT_EQ(firmware[32], 0);
}

}  // namespace
}  // namespace kv3::update
