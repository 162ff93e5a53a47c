#include "settings/side_by_side.h"

#include <algorithm>

#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/exchange.h"

namespace kv3::settings {

namespace {

constexpr int kDrainSliceMs = 50;

// Sends each frame, then takes the answers all through the pause, so that the system's room
// for them never runs out however many units answer.
std::vector<link::ReplyPortSocket::Datagram> AskAll(
    link::ReplyPortSocket& socket, const link::LinkSettings& settings, platform::Pacing& pacing,
    const std::vector<std::pair<SideBySideSave*, link::Frame>>& frames) {
  const std::uint32_t broadcast = link::LookupHost(settings.broadcastAddress);
  socket.takeWaiting(link::kMaxAnswersPerPause);
  for (const auto& [unit, frame] : frames) {
    unit->sendError = socket.send(broadcast, settings.commandPort, frame, unit->way);
  }
  std::vector<link::ReplyPortSocket::Datagram> taken;
  for (int waited = 0; waited < link::Exchange::kAnswerPauseMs; waited += kDrainSliceMs) {
    pacing.pause(std::min(kDrainSliceMs, link::Exchange::kAnswerPauseMs - waited));
    auto more = socket.takeWaiting(link::kMaxAnswersPerPause - taken.size());
    std::move(more.begin(), more.end(), std::back_inserter(taken));
  }
  return taken;
}

bool Acknowledged(const std::vector<link::ReplyPortSocket::Datagram>& taken,
                  const SideBySideSave& unit, std::string_view word) {
  return std::any_of(taken.begin(), taken.end(), [&](const link::ReplyPortSocket::Datagram& d) {
    return (d.sender == unit.before || (unit.after != 0 && d.sender == unit.after)) &&
           link::AnswerContains(link::KeepAnswer(d.bytes, link::kKeptAnswer), word);
  });
}

// Whether the unit's addresses meet one of the turn's.
bool Meets(const std::vector<std::uint32_t>& addresses, const SideBySideSave& unit) {
  return std::any_of(addresses.begin(), addresses.end(), [&unit](std::uint32_t address) {
    return address == unit.before || (unit.after != 0 && address == unit.after);
  });
}

}  // namespace

void SaveSideBySide(link::ReplyPortSocket& socket, const link::LinkSettings& settings,
                    platform::Pacing& pacing, std::vector<SideBySideSave>& units) {
  std::vector<SideBySideSave*> waiting;
  for (SideBySideSave& unit : units) {
    // The unit splits its settings text at the first two backslashes.
    if (!unit.serviceOnly && unit.values.deviceName.find('\\') != std::string::npos) {
      unit.outcome = SaveOutcome::NameHoldsBackslash;
    } else {
      waiting.push_back(&unit);
    }
  }
  while (!waiting.empty()) {
    std::vector<std::uint32_t> addresses;
    std::vector<std::pair<SideBySideSave*, link::Frame>> frames;
    std::vector<SideBySideSave*> later;
    for (SideBySideSave* unit : waiting) {
      if (Meets(addresses, *unit)) {
        later.push_back(unit);
        continue;
      }
      addresses.push_back(unit->before);
      if (unit->after != 0) addresses.push_back(unit->after);
      const SettingsToSave& values = unit->values;
      frames.emplace_back(
          unit, unit->serviceOnly ? link::ServiceSettingsFrame(unit->record, values.network)
                                  : link::SettingsFrame(
                                        unit->record, values.network,
                                        link::SettingsText(values.deviceName, values.schemeEnabled,
                                                           values.user, values.password)));
    }
    const auto taken = AskAll(socket, settings, pacing, frames);
    std::vector<std::pair<SideBySideSave*, link::Frame>> names;
    for (const auto& [unit, frame] : frames) {
      if (unit->sendError != 0 || !Acknowledged(taken, *unit, unit->serviceOnly ? "sett" : "setc"))
        continue;
      unit->outcome = SaveOutcome::Acknowledged;
      if (!unit->serviceOnly)
        names.emplace_back(unit, link::NameFrame(frame, unit->values.deviceName));
    }
    // The answers to the names tell nothing more; they are taken so that none is left over.
    if (!names.empty()) AskAll(socket, settings, pacing, names);
    waiting = std::move(later);
  }
}

}  // namespace kv3::settings
