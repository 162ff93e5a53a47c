#include "link/unit_search.h"

#include "link/answer.h"
#include "link/frames.h"

namespace kv3::link {

int FindUnits(UnitChannel& channel,
              const std::function<bool(const DeviceRecord& record, unsigned adapterIndex)>& found) {
  channel.ask(CommandFrame(word::kFind));
  int taken = 0;
  while (const auto answer = channel.next(kKeptFind)) {
    if (!AnswerContains(answer->bytes, "find")) {
      if (channel.foreignAnswerEnds()) break;
      continue;
    }
    ++taken;
    if (!found(RecordFromAnswer(answer->bytes), answer->adapterIndex)) break;
  }
  return taken;
}

}  // namespace kv3::link
