#include "link/device_record.h"

#include <gtest/gtest.h>

#include <string>

#include "hex_bytes.h"
#include "link/answer.h"
#include "link/bytes.h"
#include "link/codepage.h"

namespace kv3::link {
namespace {

TEST(DeviceRecord, ReadsTheFieldsOfAnAnswer) {
  DeviceRecord rec = test::SampleRecord();
  EXPECT_EQ(MacText(rec), "00:1A:2B:3C:4D:5E");
  EXPECT_EQ(Ipv4Text(rec, record::kIp), "192.168.1.50");
  EXPECT_EQ(Ipv4Text(rec, record::kMask), "255.255.255.0");
  EXPECT_EQ(Ipv4Text(rec, record::kGateway), "192.168.1.1");
  EXPECT_EQ(FirmwareMajor(rec), 1);
  EXPECT_EQ(FirmwareMinor(rec), 7);
  EXPECT_FALSE(DhcpOn(rec));
  EXPECT_EQ(SchemeName(rec), "plan.png");
  EXPECT_EQ(SkinName(rec), "frame.png");
  EXPECT_EQ(WebAppName(rec), "webapp.rom");
  rec[record::kDhcp] = 2;
  EXPECT_TRUE(DhcpOn(rec));
  // Names without a terminator end at their own field.
  std::fill(rec.begin() + record::kSchemeName, rec.end(), std::uint8_t{'n'});
  EXPECT_EQ(SchemeName(rec), std::string(21, 'n'));
  EXPECT_EQ(SkinName(rec), std::string(21, 'n'));
  EXPECT_EQ(WebAppName(rec), std::string(38, 'n'));
}

TEST(DeviceRecord, AnswersOfAnyLengthAreKeptWithinBounds) {
  for (std::size_t length : {0u, 40u, 111u, 121u, 65507u}) {
    const std::string datagram(length, 'f');
    for (std::size_t kept : {kKeptFind, kKeptAccount, kKeptAnswer}) {
      EXPECT_EQ(AnswerText(KeepAnswer(datagram, kept)).size(), std::min(length, kept));
    }
    ReplyBuffer reply;
    reply.fill(0xEE);
    KeepAnswer(datagram, std::span<std::uint8_t>(reply).first(kKeptAnswer));
    EXPECT_EQ(reply[kKeptAnswer], 0xEE) << "wrote past the kept bytes";
    // A short answer leaves the rest of the record zero.
    const DeviceRecord rec = RecordFromAnswer(KeepAnswer(datagram, kKeptFind));
    EXPECT_EQ(std::count(rec.begin(), rec.end(), 'f'), std::min<long>(length, 111));
  }
}

TEST(DeviceRecord, TableHoldsSixteen) {
  DeviceTable table;
  for (int i = 0; i < DeviceTable::kCapacity; ++i) ASSERT_TRUE(table.append(test::SampleRecord()));
  EXPECT_FALSE(table.append(test::SampleRecord()));
  EXPECT_THROW(table.at(16), std::out_of_range);
  table.clear();
  EXPECT_EQ(table.count(), 0);
  EXPECT_EQ(table.at(15), DeviceRecord{});
}

TEST(DeviceRecord, ByteHelpersStayInsideTheBuffer) {
  std::array<std::uint8_t, 8> buf{};
  put_le32(buf, 4, 0x0B0C0D0E);
  EXPECT_EQ(std::vector<std::uint8_t>(buf.begin() + 4, buf.end()), test::Hex("0E 0D 0C 0B"));
  EXPECT_EQ(get_le32(buf, 6), 0x0B0Cu);  // bytes past the end count as zero
  EXPECT_THROW(put_le32(buf, 5, 1), std::out_of_range);
  EXPECT_EQ(put_text(buf, 5, "abcdef"), 3u);  // cut, no room for the terminator
  EXPECT_EQ(read_text(buf, 5, 10), "abc");
  EXPECT_EQ(put_text(buf, 8, "x"), 0u);
}

TEST(Codepage, ConvertsAtTheBorderAndDropsWhatDoesNotFit) {
  struct Case {
    std::string cp1252;
    std::string utf8;
  };
  const Case both[] = {{"", ""},
                       {"\xC4nderungen", "\xC3\x84nderungen"},
                       {"Gr\xFC\xDF", "Gr\xC3\xBC\xC3\x9F"},
                       {"\x80 5", "\xE2\x82\xAC 5"}};
  for (const Case& c : both) {
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252);
  }
  // The five codes undefined in Windows-1252 arrive as characters from 0x80 up, as on Windows.
  EXPECT_EQ(Cp1252ToUtf8("a\x81z\x8D\x8F\xE4\x90\x9D"),
            "a\xC2\x81z\xC2\x8D\xC2\x8F\xC3\xA4\xC2\x90\xC2\x9D");
  EXPECT_EQ(Utf8ToCp1252("a\xE6\xBC\xA2z"), "az");  // not in Windows-1252
  EXPECT_EQ(Utf8ToCp1252("a\xFF\xC3z\xC3"), "az");  // not UTF-8, and cut at the end
  const std::string big(5000, 'x');
  EXPECT_EQ(Utf8ToCp1252(big + "\xC3\xBC"), big + "\xFC");
}

}  // namespace
}  // namespace kv3::link
