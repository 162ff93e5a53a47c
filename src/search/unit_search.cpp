#include "search/unit_search.h"

#include "link/answer.h"
#include "link/frames.h"

namespace kv3::search {

int FindUnits(link::UnitChannel& channel,
              const std::function<bool(const link::DeviceRecord& record,
                                       const link::UnitChannel::Answer& answer)>& found) {
  channel.ask(link::CommandFrame(link::word::kFind));
  int taken = 0;
  while (const auto answer = channel.next(link::kKeptFind)) {
    if (!link::AnswerContains(answer->bytes, "find")) {
      if (channel.foreignAnswerEnds()) break;
      continue;
    }
    ++taken;
    if (!found(link::RecordFromAnswer(answer->bytes), *answer)) break;
  }
  return taken;
}

}  // namespace kv3::search
