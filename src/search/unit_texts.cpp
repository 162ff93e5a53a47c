#include "search/unit_texts.h"

#include <span>

#include "link/answer.h"
#include "link/frames.h"

namespace kv3::search {

namespace {

struct TextRead {
  std::string text;  // the first `kept` bytes, up to a zero byte
  bool came = false;
  bool whole = false;  // the text ends within those bytes
};

TextRead NextText(link::UnitChannel& channel, std::size_t unit, std::size_t kept) {
  // One byte more than is kept tells a text that goes on beyond them.
  const auto answer = channel.next(kept + 1, unit);
  if (!answer) return {};
  const std::span<const std::uint8_t> bytes(answer->bytes);
  TextRead read{link::AnswerText(bytes.first(kept)), true, false};
  read.whole = read.text.size() < kept || bytes[kept] == 0;
  return read;
}

void Tell(const std::function<void(std::size_t, const UnitTexts&)>& step, std::size_t unit,
          const UnitTexts& texts) {
  if (step) step(unit, texts);
}

}  // namespace

std::vector<UnitTexts> ReadUnitTexts(link::UnitChannel& channel, std::size_t units,
                                     const TextSteps& steps) {
  std::vector<UnitTexts> read(units);
  channel.ask(link::CommandFrame(link::word::kPassword));
  for (std::size_t unit = 0; unit < units; ++unit) {
    UnitTexts& texts = read[unit];
    const TextRead account = NextText(channel, unit, link::kKeptAccount);
    texts.accountAnswered = SplitAccountText(account.text, texts.user, texts.password);
    texts.accountWhole = texts.accountAnswered && account.whole;
    Tell(steps.account, unit, texts);
    // The device name follows the account text at once.
    const TextRead name = NextText(channel, unit, link::kKeptAccount);
    texts.deviceName = name.text;
    texts.nameRead = name.came && name.whole;
    texts.nameCut = name.came && !name.whole;
    Tell(steps.deviceName, unit, texts);
  }
  channel.ask(link::CommandFrame(link::word::kVersion));
  for (std::size_t unit = 0; unit < units; ++unit) {
    read[unit].version = NextText(channel, unit, link::kKeptAnswer).text;
    Tell(steps.version, unit, read[unit]);
  }
  return read;
}

bool SplitAccountText(const std::string& account, std::string& user, std::string& password) {
  const std::size_t colon = account.find(':');
  if (colon == std::string::npos) {
    return false;
  }
  user = account.substr(0, colon);
  password = account.substr(colon + 1);
  return true;
}

std::string InstalledNameText(const std::string& name) {
  if (name.empty()) {
    return "original";
  }
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace kv3::search
