// The plan of a site: each row of the file against the unit that answers with its MAC.
#include "cli/site_plan.h"

#include <algorithm>
#include <map>
#include <sstream>

#include "cli/commissioning.h"
#include "cli/find_command.h"
#include "cli/settings_proof.h"
#include "cli/transfer_payload.h"
#include "link/address_lookup.h"
#include "link/codepage.h"
#include "platform/net.h"
#include "platform/utf8_path.h"
#include "search/unit_texts.h"
#include "settings/field_rules.h"
#include "update/stream_format.h"

namespace kv3::cli {

namespace {

// Whether the unit shows the file's name as installed, however much of the name its record
// keeps.
bool Installed(const std::string& shown, const std::string& file, std::size_t width) {
  const std::string name = link::Utf8ToCp1252(update::FileNameOf(file));
  for (const std::size_t length : {name.size(), width, width - 1}) {
    if (link::Cp1252ToUtf8(search::InstalledNameText(name.substr(0, length))) == shown) return true;
  }
  return false;
}

std::string InstalledText(const std::string& file) {
  return link::Cp1252ToUtf8(
      search::InstalledNameText(link::Utf8ToCp1252(update::FileNameOf(file))));
}

struct Upload {
  SiteStep step;
  std::size_t width;
  std::string UnitView::*shown;
};
const Upload kUploads[] = {
    {SiteStep::WebApp, link::record::kWebAppNameLength, &UnitView::webApp},
    {SiteStep::Scheme, link::record::kSchemeNameLength, &UnitView::scheme},
    {SiteStep::Skin, link::record::kSkinNameLength, &UnitView::skin},
};

class Planner {
 public:
  Planner(Context& context, const SiteFile& site, const search::SearchReport& report,
          const SiteOptions& options, const std::optional<std::string>& password)
      : context_(context),
        texts_(SiteTextsFor(context.texts)),
        site_(site),
        report_(report),
        views_(ViewsOf(report)),
        options_(options),
        password_(password) {}

  SitePlan plan() {
    checkFiles();
    for (const SiteRow& row : site_.rows) plan_.rows.push_back(planRow(row));
    for (std::size_t i = 0; i < report_.units.size(); ++i) {
      const std::string mac = views_[i].mac;
      const bool listed = std::any_of(site_.rows.begin(), site_.rows.end(),
                                      [&mac](const SiteRow& row) { return row.macText == mac; });
      if (!listed) plan_.others.push_back(i);
    }
    for (RowPlan& row : plan_.rows) checkAddress(row);
    probeAddresses();
    std::stable_sort(plan_.problems.begin(), plan_.problems.end(),
                     [](const SiteProblem& a, const SiteProblem& b) { return a.row < b.row; });
    return std::move(plan_);
  }

 private:
  void problem(const SiteRow& row, std::string_view column, std::string words) {
    plan_.problems.push_back({row.row, std::string(column), std::move(words)});
  }

  // Every file named is checked as an upload checks it, once however many rows name it.
  void checkFiles() {
    std::map<std::string, std::string> checked;  // file and column: the refusal, or empty
    for (const SiteRow& row : site_.rows) {
      for (const SiteStep step :
           {SiteStep::Firmware, SiteStep::WebApp, SiteStep::Scheme, SiteStep::Skin}) {
        const auto file = StepFile(row, step);
        if (!file) continue;
        const std::string key = std::string(StepKey(step)) + '\n' + *file;
        if (!checked.contains(key)) {
          std::ostringstream words;
          Context quiet{context_.texts, context_.settings, words, words, context_.interrupt};
          TransferOptions transfer;
          transfer.kind = TransferKindOf(step);
          transfer.file = *file;
          // A plan leaves the user's files as they are: the definition is normalised when sent.
          transfer.checkOnly = true;
          int status = kSuccess;
          const bool refused = !CheckedPayload(quiet, transfer, status).has_value();
          std::string text = refused ? words.str() : std::string();
          while (!text.empty() && text.back() == '\n') text.pop_back();
          checked[key] = text;
        }
        if (!checked[key].empty()) problem(row, StepKey(step), checked[key]);
      }
    }
  }

  RowPlan planRow(const SiteRow& row) {
    RowPlan plan;
    plan.row = &row;
    const search::FoundUnit* found = FindByMac(report_, row.mac);
    if (found == nullptr) return plan;
    const std::size_t index = static_cast<std::size_t>(found - report_.units.data());
    plan.unit = index;
    const UnitView& view = views_[index];
    const search::UnitTexts& is = found->texts;
    if (view.state == UnitState::SharedMac) {
      problem(row, "mac", Fill(context_.texts.sharedMacRefused, {view.mac, AddressesOfMac(view)}));
      return plan;
    }
    const bool askable = view.state == UnitState::Ok;
    RowWanted& wanted = plan.wanted;
    const bool addressGiven = row.ip || row.mask || row.router;
    wanted.ip = row.ip.value_or(view.address);
    wanted.mask = row.mask.value_or(view.mask);
    wanted.router = row.router.value_or(view.router);
    wanted.dhcp = row.dhcp.value_or(!addressGiven && view.dhcp);
    const SiteStep network = askable ? SiteStep::Settings : SiteStep::Move;
    const auto onOff = [this](bool on) {
      return std::string(on ? context_.texts.on : context_.texts.off);
    };
    if (wanted.dhcp != view.dhcp)
      plan.changes.push_back({network, "dhcp", onOff(view.dhcp), onOff(wanted.dhcp)});
    if (!wanted.dhcp) {
      for (const auto& [key, now, then] : {std::tuple{"address", &view.address, &wanted.ip},
                                           std::tuple{"mask", &view.mask, &wanted.mask},
                                           std::tuple{"router", &view.router, &wanted.router}}) {
        if (HeldAddress(*then) != *now)
          plan.changes.push_back({network, key, *now, HeldAddress(*then)});
      }
    }
    // The texts: what the unit told, else unknown.
    const std::string unknown(context_.texts.unknown);
    const bool nameKnown = is.nameRead && !is.nameCut;
    const std::string name = link::Cp1252ToUtf8(is.deviceName);
    if (row.name && (!nameKnown || name != *row.name)) {
      plan.changes.push_back(
          {SiteStep::Settings, "deviceName", nameKnown ? name : unknown, *row.name});
      wanted.name = row.name;
    }
    const std::string user = link::Cp1252ToUtf8(is.user);
    if (row.user && (!is.accountAnswered || user != *row.user)) {
      plan.changes.push_back(
          {SiteStep::Settings, "user", is.accountAnswered ? user : unknown, *row.user});
      wanted.user = row.user;
    }
    const std::optional<std::string> password = row.password ? row.password : password_;
    if (password && (!is.accountAnswered || !is.accountWhole || is.password != *password)) {
      plan.changes.push_back(
          {SiteStep::Settings, "password", is.accountAnswered ? "***" : unknown, "***"});
      wanted.password = password;
    }
    const bool settings = plan.has(SiteStep::Settings);
    const bool moved = plan.has(SiteStep::Move);
    // A unit that is moved is asked for its texts where it then is, before they are sent.
    if (settings && askable) {
      if (!wanted.name && !nameKnown) problem(row, "name", std::string(texts_.nameUnknown));
      if (!is.accountAnswered && (!wanted.user || !wanted.password)) {
        problem(row, "user", std::string(texts_.accountUnknown));
      }
    }
    if (row.firmware && row.firmwareVersion && *row.firmwareVersion != view.firmware) {
      if (CompareVersions(*row.firmwareVersion, view.firmware) < 0 && !options_.allowOlder) {
        problem(row, "firmwareVersion", Fill(texts_.older, {*row.firmwareVersion, view.firmware}));
      }
      plan.changes.push_back({SiteStep::Firmware, "firmware", view.firmware, *row.firmwareVersion});
    }
    for (const Upload& upload : kUploads) {
      const auto file = StepFile(row, upload.step);
      if (file && !Installed(view.*upload.shown, *file, upload.width)) {
        plan.changes.push_back({upload.step, std::string(StepKey(upload.step)), view.*upload.shown,
                                InstalledText(*file)});
      }
    }
    const bool more = std::any_of(plan.changes.begin(), plan.changes.end(),
                                  [](const Change& c) { return c.step != SiteStep::Move; });
    if (!askable && more && !moved) {
      problem(row, "ip", Fill(texts_.cannotReach, {view.mac, StateKey(view.state)}));
    }
    // The network checked whole where any part of it changes.
    const bool networkChanges =
        std::any_of(plan.changes.begin(), plan.changes.end(), [network](const Change& c) {
          return c.step == network && c.key != "deviceName" && c.key != "user" &&
                 c.key != "password";
        });
    if (networkChanges && !wanted.dhcp) {
      WantedSettings values;
      values.ip = wanted.ip;
      values.mask = wanted.mask;
      values.router = wanted.router;
      if (auto refused = NetworkProblemText(context_.texts, report_, *found, values, false)) {
        problem(row, "ip", std::move(*refused));
      }
    }
    return plan;
  }

  // A new address must be nobody's: neither a unit's that keeps it, nor another host's, nor
  // this computer's.
  void checkAddress(const RowPlan& plan) {
    if (!plan.unit) return;
    const auto change = std::find_if(plan.changes.begin(), plan.changes.end(),
                                     [](const Change& c) { return c.key == "address"; });
    if (change == plan.changes.end()) return;
    const SiteRow& row = *plan.row;
    const link::Ipv4Bytes ip = settings::ParseIPv4Text(change->after);
    for (std::size_t i = 0; i < report_.units.size(); ++i) {
      if (link::Ipv4At(report_.units[i].record, link::record::kIp) != ip ||
          views_[i].mac == row.macText)
        continue;
      // Also a unit of the file that moves away: the moves go out side by side, and the one
      // leaving may not have left yet when the other arrives.
      problem(row, "ip", Fill(context_.texts.ipTaken, {change->after, views_[i].mac}));
      return;
    }
    for (const platform::Adapter& adapter : platform::UpAdapters()) {
      if (adapter.address == link::Ipv4Word(ip)) {
        problem(row, "ip",
                Fill(context_.texts.ipIsThisComputer, {change->after, TerminalText(adapter.name)}));
        return;
      }
    }
    probed_.emplace_back(&row, change->after);
  }

  // The addresses no unit of the search holds are asked all at once.
  void probeAddresses() {
    std::vector<std::uint32_t> addresses;
    for (const auto& [row, address] : probed_) addresses.push_back(link::LookupHost(address));
    const std::vector<bool> held = AddressesHeld(context_, addresses);
    for (std::size_t i = 0; i < probed_.size(); ++i) {
      if (held[i])
        problem(*probed_[i].first, "ip", Fill(context_.texts.ipHeld, {probed_[i].second}));
    }
  }

  Context& context_;
  const SiteTexts& texts_;
  const SiteFile& site_;
  const search::SearchReport& report_;
  std::vector<UnitView> views_;
  const SiteOptions& options_;
  const std::optional<std::string>& password_;
  SitePlan plan_;
  std::vector<std::pair<const SiteRow*, std::string>> probed_;
};

}  // namespace

std::string_view StepKey(SiteStep step) {
  static constexpr std::string_view kKeys[] = {"move",   "settings", "firmware",
                                               "webapp", "scheme",   "skin"};
  return kKeys[static_cast<int>(step)];
}

TransferKind TransferKindOf(SiteStep step) {
  switch (step) {
    case SiteStep::WebApp:
      return TransferKind::WebApp;
    case SiteStep::Scheme:
      return TransferKind::Scheme;
    case SiteStep::Skin:
      return TransferKind::Skin;
    default:
      return TransferKind::Firmware;
  }
}

std::string HeldAddress(const std::string& text) {
  return link::Ipv4Text(settings::ParseIPv4Text(text));
}

bool RowPlan::has(SiteStep step) const {
  return std::any_of(changes.begin(), changes.end(),
                     [step](const Change& change) { return change.step == step; });
}

bool SitePlan::nothingToDo() const {
  return std::all_of(rows.begin(), rows.end(),
                     [](const RowPlan& row) { return row.unit && row.changes.empty(); });
}

std::optional<std::string> StepFile(const SiteRow& row, SiteStep step) {
  switch (step) {
    case SiteStep::Firmware:
      return row.firmware;
    case SiteStep::WebApp:
      return row.webapp;
    case SiteStep::Scheme:
      return row.scheme;
    case SiteStep::Skin:
      return row.skin;
    default:
      return std::nullopt;
  }
}

SitePlan MakePlan(Context& context, const SiteFile& site, const search::SearchReport& report,
                  const SiteOptions& options, const std::optional<std::string>& password) {
  return Planner(context, site, report, options, password).plan();
}

void PrintProblems(Context& context, const SiteFile& site,
                   const std::vector<SiteProblem>& problems) {
  const SiteTexts& texts = SiteTextsFor(context.texts);
  const std::string file = PathText(platform::Utf8FromPath(site.path));
  for (const SiteProblem& problem : problems) {
    // The words of a command-line check name their option or column first: the place says it.
    std::string words = problem.words;
    if (const auto colon = words.find(": ");
        colon != std::string::npos &&
        (words.starts_with("--") || words.substr(0, colon) == problem.column)) {
      words.erase(0, colon + 2);
    }
    std::string where = file;
    if (problem.row > 0) where += ", " + Fill(texts.rowWord, {std::to_string(problem.row)});
    if (!problem.column.empty()) where += ", " + problem.column;
    context.err << where << ": " << words << '\n';
  }
  context.err << Fill(texts.refused, {std::to_string(problems.size())}) << '\n';
}

void PrintPlan(Context& context, const SitePlan& plan, const search::SearchReport& report) {
  const SiteTexts& texts = SiteTextsFor(context.texts);
  const std::vector<UnitView> views = ViewsOf(report);
  std::vector<std::vector<std::string>> rows;
  for (const RowPlan& row : plan.rows) {
    const std::string place = Fill(texts.rowWord, {std::to_string(row.row->row)});
    if (!row.unit) {
      rows.push_back({row.row->macText, "-", place, std::string(texts.missing), ""});
      continue;
    }
    if (row.changes.empty()) {
      rows.push_back(
          {row.row->macText, views[*row.unit].address, place, std::string(texts.unchanged), ""});
      continue;
    }
    bool first = true;
    for (const Change& change : row.changes) {
      std::string what = change.key + ": " + change.before + " \u2192 " + change.after;
      if (const auto file = StepFile(*row.row, change.step)) {
        what += " (" + update::FileNameOf(*file) + ")";
      }
      rows.push_back({first ? row.row->macText : "", first ? views[*row.unit].address : "",
                      first ? place : "", std::string(StepKey(change.step)), what});
      first = false;
    }
  }
  PrintColumns(context.out, rows);
  if (!plan.others.empty()) {
    context.out << texts.notInFile << '\n';
    std::vector<std::vector<std::string>> others;
    for (const std::size_t i : plan.others) {
      others.push_back({"  " + views[i].mac, views[i].address,
                        std::string(StateKey(views[i].state)), views[i].deviceName});
    }
    PrintColumns(context.out, others);
  }
  if (plan.nothingToDo()) context.out << texts.nothingToDo << '\n';
}

nlohmann::ordered_json PlanJson(const SitePlan& plan, const search::SearchReport& report) {
  const std::vector<UnitView> views = ViewsOf(report);
  nlohmann::ordered_json document;
  document["rows"] = nlohmann::ordered_json::array();
  for (const RowPlan& row : plan.rows) {
    nlohmann::ordered_json entry;
    entry["row"] = row.row->row;
    entry["mac"] = row.row->macText;
    entry["address"] = row.unit ? nlohmann::ordered_json(views[*row.unit].address) : nullptr;
    entry["result"] = !row.unit ? "missing" : row.changes.empty() ? "unchanged" : "changes";
    entry["changes"] = nlohmann::ordered_json::array();
    for (const Change& change : row.changes) {
      nlohmann::ordered_json item = {{"step", StepKey(change.step)},
                                     {"key", change.key},
                                     {"before", change.before},
                                     {"after", change.after}};
      if (const auto file = StepFile(*row.row, change.step)) {
        item["file"] = JournalFile(*file);
      }
      entry["changes"].push_back(std::move(item));
    }
    document["rows"].push_back(std::move(entry));
  }
  document["others"] = nlohmann::ordered_json::array();
  for (const std::size_t i : plan.others) {
    document["others"].push_back({{"mac", views[i].mac},
                                  {"address", views[i].address},
                                  {"state", StateKey(views[i].state)}});
  }
  document["nothingToDo"] = plan.nothingToDo();
  return document;
}

}  // namespace kv3::cli
