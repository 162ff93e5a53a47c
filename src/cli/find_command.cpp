#include "cli/find_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <tuple>
#include <utility>

#include "cli/sock_failures.h"
#include "cli/unit_state.h"
#include "cli/unit_view.h"
#include "link/address_lookup.h"
#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "link/sock_exception.h"
#include "platform/console.h"
#include "platform/network_policy.h"
#include "platform/port_holder.h"
#include "settings/field_rules.h"
#include "settings/save_settings.h"

namespace kv3::cli {

std::optional<NotAsked> WhyNotAsked(const CliTexts& texts, const search::SearchReport& report,
                                    const search::FoundUnit& unit) {
  if (unit.texts.accountAnswered || unit.texts.nameRead) return std::nullopt;
  const std::string address = link::Ipv4Text(unit.record, link::record::kIp);
  if (!link::AddressesOneUnit(unit.record)) {
    return NotAsked{"notAddressable", Fill(texts.whyNotAddressable, {address})};
  }
  std::vector<link::DeviceRecord> records;
  for (const search::FoundUnit& found : report.units) records.push_back(found.record);
  if (const auto others = link::OtherMacsAt(records, unit.record); !others.empty()) {
    return NotAsked{"sharedAddress",
                    Fill(texts.whySharedAddress, {address, link::MacListText(others)})};
  }
  if (!InAdapterNetworks(address, unit.adapter)) {
    return NotAsked{"otherNetwork", Fill(texts.whyOtherNetwork, {address})};
  }
  return NotAsked{"silent", Fill(texts.whySilent, {address})};
}

namespace {

// The notes under a search's results: lost answers, then what the units' views tell.
void PrintNotes(Context& context, const search::SearchReport& report,
                const std::vector<UnitView>& units, bool advise = true) {
  if (report.dropped > 0) {
    context.err << Fill(context.texts.answersLost, {std::to_string(report.dropped)}) << '\n';
  }
  PrintUnitNotes(context.err, units, context.texts, advise);
}

}  // namespace

int RunFind(Context& context, const FindOptions& options) {
  if (options.json) {
    context.interrupt.setLastWords(JsonText(FindJson({}, {}, false, true)));
  }
  int status = kSuccess;
  std::optional<search::SearchReport> report;
  try {
    report = Search(context, options.address, true, status);
  } catch (const Cancelled&) {
    if (options.json)
      context.interrupt.finalWords(context.out, JsonText(FindJson({}, {}, false, true)));
    throw;
  }
  if (!report) return status;
  std::vector<UnitView> units = ViewsOf(*report);
  // Answers come in any order; a listing that scripts compare must not.
  std::sort(units.begin(), units.end(), [](const UnitView& a, const UnitView& b) {
    return std::tie(a.mac, a.address, a.adapter) < std::tie(b.mac, b.address, b.adapter);
  });
  if (options.json) {
    context.interrupt.finalWords(
        context.out, JsonText(FindJson(units, SearchedJson(*report), options.showPassword, false)));
  } else if (options.csv) {
    PrintUnitCsv(context.out, units, options.showPassword);
  } else if (!units.empty()) {
    PrintUnitTable(context.out, units, context.texts, options.showPassword);
  }
  PrintNotes(context, *report, units);
  if (units.empty()) {
    context.err << context.texts.noUnit << '\n';
    PrintSearchDiagnosis(context, *report);
    return kNoUnit;
  }
  return kSuccess;
}

std::optional<NamedUnitFound> NamedUnit(Context& context, const link::MacAddress& mac,
                                        const std::string& address, int& status, bool advise) {
  auto report = Search(context, address, true, status);
  if (!report) return std::nullopt;
  const search::FoundUnit* unit = FindByMac(*report, mac);
  if (unit == nullptr) {
    context.err << Fill(context.texts.unknownMac, {link::MacText(mac)}) << '\n';
    if (report->units.empty()) PrintSearchDiagnosis(context, *report);
    status = kNoUnit;
    return std::nullopt;
  }
  const auto index = static_cast<std::size_t>(unit - report->units.data());
  std::vector<UnitView> views = ViewsOf(*report);
  PrintNotes(context, *report, {views.at(index)}, advise);
  return NamedUnitFound{std::move(*report), index, std::move(views.at(index))};
}

int RunShow(Context& context, const ShowOptions& options) {
  const auto mac = ParseMacArgument(options.mac);
  if (!mac) {
    context.err << Fill(context.texts.badMac, {options.mac}) << '\n';
    return kUsage;
  }
  // A unit that was not found, or a search that was stopped, is still one document.
  nlohmann::ordered_json missing;
  missing["mac"] = link::MacText(*mac);
  missing["address"] = nullptr;
  if (options.json) {
    missing["interrupted"] = true;
    context.interrupt.setLastWords(JsonText(missing));
  }
  int status = kSuccess;
  std::optional<NamedUnitFound> named;
  try {
    named = NamedUnit(context, *mac, options.address, status);
  } catch (const Cancelled&) {
    if (options.json) context.interrupt.finalWords(context.out, JsonText(missing));
    throw;
  }
  if (!named) {
    missing["interrupted"] = false;
    if (options.json && status == kNoUnit)
      context.interrupt.finalWords(context.out, JsonText(missing));
    return status;
  }
  if (options.json) {
    context.interrupt.finalWords(context.out,
                                 JsonText(UnitJson(named->view, options.showPassword)));
  } else {
    PrintUnitDetails(context.out, named->view, context.texts, options.showPassword);
  }
  return kSuccess;
}

}  // namespace kv3::cli
