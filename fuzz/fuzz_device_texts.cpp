// The answers to "PaWd" and "Vers" and what the settings fields make of them: the account split
// at its colon, converted from Windows-1252, cut and filtered by the field rules, rated.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/answer.h"
#include "link/codepage.h"
#include "search/unit_texts.h"
#include "settings/field_rules.h"

namespace {

void AsFieldText(const std::string& wire) {
  using namespace kv3::settings;
  const std::string text = kv3::link::Cp1252ToUtf8(wire);
  const std::string cut = FirstCharacters(text, 12);
  if (CharacterCount(cut) > 12) __builtin_trap();
  (void)WithoutFirstRefusedCharacter(cut, TextKind::UserName);
  if (!text.empty()) (void)RatePasswordText(text);
  // What goes back to a unit converts back within the record's room.
  if (kv3::link::Utf8ToCp1252(text).size() > wire.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3;
  const std::string_view datagram(reinterpret_cast<const char*>(data), size);
  const std::string account = link::AnswerText(link::KeepAnswer(datagram, link::kKeptAccount));
  std::string user;
  std::string password;
  if (search::SplitAccountText(account, user, password)) {
    AsFieldText(user);
    AsFieldText(password);
  }
  AsFieldText(link::AnswerText(link::KeepAnswer(datagram, link::kKeptAnswer)));
  return 0;
}
