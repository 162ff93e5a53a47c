#include "link/unit_search.h"

#include "link/answer.h"
#include "link/frames.h"

namespace kv3::link {

int FindUnits(UnitChannel& channel,
              const std::function<bool(const DeviceRecord& record,
                                       const UnitChannel::Answer& answer)>& found) {
  channel.ask(CommandFrame(word::kFind));
  int taken = 0;
  while (const auto answer = channel.next(kKeptFind)) {
    if (!AnswerContains(answer->bytes, "find")) {
      if (channel.foreignAnswerEnds()) break;
      continue;
    }
    ++taken;
    if (!found(RecordFromAnswer(answer->bytes), *answer)) break;
  }
  return taken;
}

}  // namespace kv3::link
