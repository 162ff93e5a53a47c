#include "settings/field_rules.h"

#include <gtest/gtest.h>

namespace kv3::settings {
namespace {

TEST(FieldRules, DottedQuadCheck) {
  const std::pair<const char*, bool> cases[] = {
      {"192.168.2.40", true},     {"0.0.0.0", true},           {"255.255.255.255", true},
      {"010.001.002.003", true},  {"192.168.2.256", false},    {"192.168.2", false},
      {"192.168..40", false},     {"192.168.2.40.", false},    {".192.168.2.40", false},
      {"1.2.3.4.5", false},       {"1234.1.1.1", false},       {"", false},
      {"192.168.2.4a", false},    {" 192.168.2.4", false},     {"-1.2.3.4", false},
      {"0000000000000.1", false}, {"010.001.002.0030", false}, {"1.2.3.ä", false},
  };
  for (const auto& [text, valid] : cases) {
    EXPECT_EQ(IsValidIPv4Text(text), valid) << text;
  }
}

TEST(FieldRules, AddressTextToNetworkOrderBytes) {
  using Bytes = std::array<std::uint8_t, 4>;
  const std::pair<const char*, Bytes> cases[] = {
      {"192.168.2.40", {192, 168, 2, 40}},
      {"010.001.002.003", {10, 1, 2, 3}},
      {"", {0, 0, 0, 0}},
      {"10.0", {10, 0, 0, 0}},
      {" 7. 8.9.1x", {7, 8, 9, 1}},
      {"256.0.0.0", {0, 1, 0, 0}},  // the sum carries into the next byte
      {"-1.0.0.0", {255, 255, 255, 255}},
      {"1.2.3.4.5", {1, 2, 3, 4}},
  };
  for (const auto& [text, bytes] : cases) {
    EXPECT_EQ(ParseIPv4Text(text), bytes) << text;
  }
}

TEST(FieldRules, PasswordRating) {
  const std::pair<const char*, PasswordRating> cases[] = {
      {"abcdef", PasswordRating::Unsafe},   {"123456", PasswordRating::Unsafe},
      {"!!!!!!", PasswordRating::Unsafe},   {"abc123", PasswordRating::Safe},
      {"abc!!!", PasswordRating::Safe},     {"123!!!", PasswordRating::Safe},
      {"ab12!?", PasswordRating::VerySafe}, {"a1!b2", PasswordRating::NotAllowed},
      {"", PasswordRating::NotAllowed},     {"abcdeä", PasswordRating::Unsafe},
      {"äöüßäö", PasswordRating::Unsafe},   {"ab cd1", PasswordRating::VerySafe},
  };
  for (const auto& [text, rating] : cases) {
    EXPECT_EQ(RatePasswordText(text), rating) << text;
  }
}

TEST(FieldRules, CharacterHelpersCountCharactersNotBytes) {
  EXPECT_EQ(CharacterCount("Gerät"), 5U);
  EXPECT_EQ(FirstCharacters("Gerätebezeichnung", 5), "Gerät");
  EXPECT_EQ(FirstCharacters("ab", 5), "ab");
  // What a unit cannot keep and report back: wide and control characters, a colon in a user
  // name only.
  const struct {
    std::string text;
    TextKind kind;
    std::string without;
  } cases[] = {
      {"Grüße", TextKind::DeviceName, "Grße"},
      {"plain", TextKind::DeviceName, "plain"},
      {"€", TextKind::Password, ""},
      {std::string("abc\0def", 7), TextKind::Password, "abcdef"},
      {"a\x1b[2J", TextKind::DeviceName, "a[2J"},
      {"a:b", TextKind::UserName, "ab"},
      {"a:b", TextKind::Password, "a:b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(WithoutFirstRefusedCharacter(c.text, c.kind), c.without) << c.text;
  }
}

}  // namespace
}  // namespace kv3::settings
