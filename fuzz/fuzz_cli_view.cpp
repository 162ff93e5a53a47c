// What kv3 prints of a unit: a search answer and the unit's texts, as any host may send them,
// shown as a table, as details and as JSON. The JSON must be a document that reads back.
// Input: the answer to "FIND", then the "PaWd" and "Vers" answers, split at 0x1F bytes.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/unit_view.h"
#include "link/answer.h"
#include "search/unit_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kv3;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string_view parts[4];
  for (std::string_view& part : parts) {
    const std::size_t end = input.find('\x1f');
    part = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
  }
  search::FoundUnit unit;
  unit.record = link::RecordFromAnswer(link::KeepAnswer(parts[0], link::kKeptFind));
  const std::string account = link::AnswerText(link::KeepAnswer(parts[1], link::kKeptAccount));
  unit.texts.accountAnswered =
      search::SplitAccountText(account, unit.texts.user, unit.texts.password);
  unit.texts.deviceName = link::AnswerText(link::KeepAnswer(parts[2], link::kKeptAccount));
  unit.texts.version = link::AnswerText(link::KeepAnswer(parts[3], link::kKeptAnswer));
  unit.adapter = std::string(parts[3]);  // an adapter's name may hold any bytes

  const cli::UnitView view = cli::ViewOf(unit);
  std::ostringstream out;
  cli::PrintUnitTable(out, {view}, cli::EnglishCliTexts, true);
  cli::PrintUnitDetails(out, view, cli::GermanCliTexts, true);
  // Whatever the unit sent, nothing reaches the terminal that it would take as a command.
  for (const char c : out.str()) {
    const auto code = static_cast<unsigned char>(c);
    if ((code < 0x20 && c != '\n') || code == 0x7F) __builtin_trap();
  }
  const std::string json = cli::JsonText(cli::UnitJson(view, true));
  if (!nlohmann::json::accept(json)) __builtin_trap();
  return 0;
}
