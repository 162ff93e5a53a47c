#include "link/frames.h"

#include <gtest/gtest.h>

#include <string>

#include "hex_bytes.h"
#include "link/answer.h"
#include "link/bytes.h"

namespace kv3::link {
namespace {

using test::Hex;
using test::SampleRecord;
using namespace std::string_literals;

const NetworkSettings kNewSettings{{10, 0, 0, 7}, {255, 255, 0, 0}, {10, 0, 0, 1}, true};

TEST(Frames, CommandsWithoutParametersAreFiveBytes) {
  EXPECT_EQ(CommandFrame(word::kFind), Hex("46 49 4E 44 00"));
  EXPECT_EQ(CommandFrame(word::kPassword), Hex("50 61 57 64 00"));
  EXPECT_EQ(CommandFrame(word::kVersion), Hex("56 65 72 73 00"));
  EXPECT_THROW(CommandFrame("FINDX"), std::invalid_argument);
}

TEST(Frames, ShortFramesCarryRecordBytes4To31) {
  DeviceRecord rec = SampleRecord();
  EXPECT_EQ(ShortAnnounceFrame(word::kFirmware, rec),
            Hex("46 57 55 50 01 07 00 1A 2B 3C 4D 5E C0 A8 01 32 "
                "FF FF FF 00 C0 A8 01 01 00 11 12 13 14 15 16 70 00"));
  EXPECT_EQ(ServiceSettingsFrame(rec, kNewSettings),
            Hex("53 45 54 54 01 07 00 1A 2B 3C 4D 5E 0A 00 00 07 "
                "FF FF 00 00 0A 00 00 01 01 11 12 13 14 15 16 70 00"));
  EXPECT_EQ(SetMacFrame(rec, {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}),
            Hex("53 45 54 4D 01 07 02 00 00 AB CD EF 0A 00 00 07 "
                "FF FF 00 00 0A 00 00 01 01 00 1A 2B 3C 4D 5E 70 00"));
  // The record keeps what the commands wrote: a second MAC change names the first as previous.
  const auto second = SetMacFrame(rec, {0x02, 0, 0, 0, 0, 1});
  EXPECT_EQ(Frame(second.begin() + 25, second.begin() + 31), Hex("02 00 00 AB CD EF"));
}

TEST(Frames, SettingsFrameAndTheNameDatagramAfterIt) {
  DeviceRecord rec = SampleRecord();
  const auto frame =
      SettingsFrame(rec, kNewSettings, SettingsText("Keller", false, "admin", "geheim1"));
  EXPECT_EQ(frame, Hex("53 45 54 43 01 07 00 1A 2B 3C 4D 5E 0A 00 00 07 "
                       "FF FF 00 00 0A 00 00 01 01 11 12 13 14 15 16 4B "
                       "65 6C 6C 65 72 5C 30 5C 61 64 6D 69 6E 3A 67 65 "
                       "68 65 69 6D 31 00 61 6D 65 2E 70 6E 67 00 00 00 "
                       "00 00 00 00 00 00 00 00 00 77 65 62 61 70 70 2E "
                       "72 6F 6D 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                       "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));
  EXPECT_TRUE(std::equal(rec.begin() + 4, rec.end(), frame.begin() + 4));  // kept in the table
  EXPECT_EQ(NameFrame(frame, "Keller"), Hex("4B 65 6C 6C 65 72 00 00 00 00 00 00 00 00 00 00 "
                                            "FF FF 00 00 0A 00 00 01 01 11 12 13 14 15 16 4B 00"));
  const auto longName = NameFrame(frame, "Heizungskeller Nord");  // 16 bytes, no terminator
  EXPECT_EQ(std::string(longName.begin(), longName.begin() + 17), "Heizungskeller N\xFF");
  EXPECT_EQ(SettingsText("a\\b", true, "u:v", ""), "a\\b\\1\\u:v:");  // nothing is escaped
}

TEST(Frames, NamedAnnounceWithShortName) {
  DeviceRecord rec = SampleRecord();
  EXPECT_EQ(NamedAnnounceFrame(word::kWebApp, rec, "web.rom"),
            Hex("52 46 55 50 01 07 00 1A 2B 3C 4D 5E C0 A8 01 32 "
                "FF FF FF 00 C0 A8 01 01 00 11 12 13 14 15 16 77 "
                "65 62 2E 72 6F 6D 00 00 00 00 00 00 00 00 00 00 "
                "00 00 00 00 66 72 61 6D 65 2E 70 6E 67 00 00 00 "
                "00 00 00 00 00 00 00 00 00 77 65 62 61 70 70 2E "
                "72 6F 6D 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
                "00 00 00 00 00 00 00 00 00 00 00"));
  EXPECT_EQ(SchemeName(rec), "web.rom");
}

// A long name goes into the record only up to its end; the rest exists only in the datagram,
// which is cut at byte 121 and always ends with a zero byte.
TEST(Frames, LongNamesNeverLeaveTheRecordOrTheFrame) {
  struct Case {
    std::size_t length;
    const char* tail;  // frame bytes 105-122; the name's byte at position p is 'a' + (p-31) % 26
  };
  const Case cases[] = {
      {74, "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"},
      {80, "77 78 79 7A 61 62 00 00 00 00 00 00 00 00 00 00 00 00"},  // terminator at 111
      {85, "77 78 79 7A 61 62 63 64 65 66 67 00 00 00 00 00 00 00"},
      {91, "77 78 79 7A 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 00"},   // ends by the trailer
      {120, "77 78 79 7A 61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 00"},  // cut at byte 121
  };
  for (const Case& c : cases) {
    std::string name;
    for (std::size_t i = 0; i < c.length; ++i) name += static_cast<char>('a' + i % 26);
    DeviceTable table;
    table.append(SampleRecord());
    table.append(SampleRecord());
    const auto frame = NamedAnnounceFrame(word::kScheme, table.at(0), name);
    ASSERT_EQ(frame.size(), 123u);
    EXPECT_EQ(Frame(frame.begin() + 105, frame.end()), Hex(c.tail)) << c.length;
    EXPECT_EQ(read_text(table.at(0), record::kSchemeName, 80), name.substr(0, 80));
    EXPECT_EQ(table.at(1), SampleRecord()) << "next record touched, length " << c.length;
  }
}

TEST(Frames, AnswerJudgement) {
  struct Case {
    std::string datagram;
    std::size_t kept;
    const char* word;
    bool accepted;
  };
  const Case cases[] = {
      {"xxfindyy", kKeptFind, "find", true},
      {"FIND", kKeptFind, "find", false},
      {"\0find"s, kKeptFind, "find", false},
      {"ab\0find"s, kKeptFind, "find", false},
      {"", kKeptFind, "find", false},
      {std::string(36, 'x') + "fwup", kKeptAnswer, "fwup", true},   // ends at the last kept byte
      {std::string(37, 'x') + "fwup", kKeptAnswer, "fwup", false},  // cut by the kept length
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AnswerContains(KeepAnswer(c.datagram, c.kept), c.word), c.accepted)
        << c.datagram.size() << " bytes";
  }
}

}  // namespace
}  // namespace kv3::link
