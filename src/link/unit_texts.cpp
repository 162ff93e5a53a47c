#include "link/unit_texts.h"

#include "link/answer.h"
#include "link/frames.h"

namespace kv3::link {

namespace {

std::string NextText(UnitChannel& channel, std::size_t unit, std::size_t kept) {
  const auto answer = channel.next(kept, unit);
  return answer ? AnswerText(answer->bytes) : std::string();
}

void Tell(const std::function<void(std::size_t, const UnitTexts&)>& step, std::size_t unit,
          const UnitTexts& texts) {
  if (step) step(unit, texts);
}

}  // namespace

std::vector<UnitTexts> ReadUnitTexts(UnitChannel& channel, std::size_t units,
                                     const TextSteps& steps) {
  std::vector<UnitTexts> read(units);
  channel.ask(CommandFrame(word::kPassword));
  for (std::size_t unit = 0; unit < units; ++unit) {
    UnitTexts& texts = read[unit];
    texts.accountAnswered =
        SplitAccountText(NextText(channel, unit, kKeptAccount), texts.user, texts.password);
    Tell(steps.account, unit, texts);
    // The device name follows the account text at once.
    texts.deviceName = NextText(channel, unit, kKeptAccount);
    Tell(steps.deviceName, unit, texts);
  }
  channel.ask(CommandFrame(word::kVersion));
  for (std::size_t unit = 0; unit < units; ++unit) {
    read[unit].version = NextText(channel, unit, kKeptAnswer);
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

}  // namespace kv3::link
