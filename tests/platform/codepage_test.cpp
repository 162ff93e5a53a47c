// Windows-1252 and UTF-8 as both systems convert them: the same table runs on Linux (iconv) and
// under Wine (the Windows API).
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kv3::platform {
namespace {

TEST(Codepage, ExactConversionAgreesOnBothSystemsBothWays) {
  struct Case {
    const char* what;
    std::string cp1252;
    std::string utf8;
  };
  const Case both[] = {
      {"umlauts", "Gr\xFC\xDF \xC4", "Gr\xC3\xBC\xC3\x9F \xC3\x84"},
      {"the euro and the letters of 0x80 to 0x9F", "\x80\x8A\x9F", "\xE2\x82\xAC\xC5\xA0\xC5\xB8"},
      {"the five codes Windows-1252 leaves undefined", "a\x81\x8D\x8F\x90\x9Dz",
       "a\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9Dz"},
  };
  for (const Case& c : both) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(Utf8ToCp1252Exact(c.utf8), c.cp1252);
    EXPECT_EQ(Utf8ToCp1252(c.utf8), c.cp1252);
  }
  // What has no Windows-1252 form, or is no UTF-8, is refused by the exact conversion.
  for (const std::string refused : {"a\xE6\xBC\xA2z", "a\xFFz", "a\xC3"}) {
    EXPECT_EQ(Utf8ToCp1252Exact(refused), std::nullopt) << refused;
  }
  // Every byte a unit may send comes back as it was.
  std::string every;
  for (int byte = 1; byte < 256; ++byte) every += static_cast<char>(byte);
  EXPECT_EQ(Utf8ToCp1252Exact(Cp1252ToUtf8(every)), every);
}

}  // namespace
}  // namespace kv3::platform
