// kv3 site export and kv3 site plan, and the reading and planning apply shares with them.
#include "cli/site_command.h"

#include <sstream>

#include "cli/set_command.h"
#include "link/codepage.h"
#include "platform/console.h"
#include "platform/file_replace.h"
#include "platform/utf8_path.h"

namespace kv3::cli {

namespace {

// A text of the unit as a cell: empty where the unit's text could not be sent back as it is.
std::string SendableCell(const CliTexts& texts, const std::string& value, std::size_t limit,
                         settings::TextKind kind) {
  return TextProblem(texts, "", value, limit, kind) ? std::string() : value;
}

}  // namespace

std::optional<PlannedSite> PlanSite(Context& context, const SiteOptions& options, int& status) {
  const SiteTexts& texts = SiteTextsFor(context.texts);
  PlannedSite planned;
  std::filesystem::path path = platform::PathFromUtf8(options.file);
  if (ExtensionIs(options.file, ".json")) {
    const auto bytes = platform::ReadRegularFile(path, 64 * 1024 * 1024);
    nlohmann::json saved = nlohmann::json::parse(bytes.value_or(""), nullptr, false);
    if (!bytes || !saved.is_object() || !saved.contains("file") || !saved["file"].is_string() ||
        !saved.contains("rows")) {
      context.err << Fill(texts.notAPlan, {PathText(options.file)}) << '\n';
      status = kUsage;
      return std::nullopt;
    }
    path = platform::PathFromUtf8(saved["file"].get<std::string>());
    planned.saved = std::move(saved);
  }
  planned.site = ReadSite(path, texts);
  if (!planned.site.problems.empty()) {
    PrintProblems(context, planned.site, planned.site.problems);
    status = kUsage;
    return std::nullopt;
  }
  if (options.passwordStdin) {
    planned.password = NewPassword(context, true, status);
    if (!planned.password) return std::nullopt;
  }
  auto report = Search(context, options.address, true, status);
  if (!report) return std::nullopt;
  planned.report = std::move(*report);
  planned.plan = MakePlan(context, planned.site, planned.report, options, planned.password);
  if (!planned.plan.problems.empty()) {
    PrintProblems(context, planned.site, planned.plan.problems);
    status = kUsage;
    return std::nullopt;
  }
  return planned;
}

int RunSitePlan(Context& context, const SiteOptions& options) {
  const SiteTexts& texts = SiteTextsFor(context.texts);
  int status = kSuccess;
  auto planned = PlanSite(context, options, status);
  if (!planned) return status;
  nlohmann::ordered_json document = PlanJson(planned->plan, planned->report);
  if (options.json) {
    context.out << JsonText(document) << '\n';
  } else {
    PrintPlan(context, planned->plan, planned->report);
  }
  if (!options.save.empty()) {
    document = nlohmann::ordered_json{
        {"file", platform::Utf8FromPath(std::filesystem::absolute(planned->site.path))},
        {"site", JournalFile(platform::Utf8FromPath(planned->site.path))},
        {"rows", document["rows"]}};
    const std::filesystem::path target = platform::PathFromUtf8(options.save);
    if (platform::ReplaceFileContents(target, JsonText(document) + '\n') !=
        platform::ReplaceResult::Written) {
      context.err << Fill(texts.planNotSaved,
                          {PathText(options.save), FileReason(context.texts, options.save)})
                  << '\n';
      return kLocalError;
    }
    context.err << Fill(texts.planSaved, {PathText(options.save)}) << '\n';
  }
  return options.check && !planned->plan.nothingToDo() ? kUnitFailed : kSuccess;
}

int RunSiteExport(Context& context, const std::string& file, const std::string& address) {
  const SiteTexts& texts = SiteTextsFor(context.texts);
  const CliTexts& cli = context.texts;
  int status = kSuccess;
  const auto report = Search(context, address, true, status);
  if (!report) return status;
  const std::vector<UnitView> views = ViewsOf(*report);
  std::string csv = "\xEF\xBB\xBF";
  csv += "mac,name,ip,mask,router,dhcp,user\r\n";
  std::vector<std::string> written;
  for (std::size_t i = 0; i < views.size(); ++i) {
    const UnitView& view = views[i];
    const search::UnitTexts& is = report->units[i].texts;
    // A MAC that several units answer with names no one unit: a plan would refuse it.
    if (view.state == UnitState::SharedMac ||
        std::find(written.begin(), written.end(), view.mac) != written.end()) {
      continue;
    }
    written.push_back(view.mac);
    const std::string name =
        is.nameRead && !is.nameCut
            ? SendableCell(cli, link::Cp1252ToUtf8(is.deviceName), settings::kDeviceNameLimit,
                           settings::TextKind::DeviceName)
            : std::string();
    const std::string user =
        is.accountAnswered ? SendableCell(cli, link::Cp1252ToUtf8(is.user),
                                          settings::kUserNameLimit, settings::TextKind::UserName)
                           : std::string();
    for (const std::string& cell :
         {view.mac, name, view.dhcp ? std::string() : view.address,
          view.dhcp ? std::string() : view.mask, view.dhcp ? std::string() : view.router,
          std::string(view.dhcp ? "on" : "off")}) {
      csv += CsvField(cell) + ',';
    }
    csv += CsvField(user) + "\r\n";
  }
  if (file == "-") {
    context.out << csv << std::flush;
    return kSuccess;
  }
  if (platform::ReplaceFileContents(platform::PathFromUtf8(file), csv) !=
      platform::ReplaceResult::Written) {
    context.err << Fill(texts.notExported, {PathText(file), FileReason(cli, file)}) << '\n';
    return kLocalError;
  }
  context.err << Fill(texts.exported, {std::to_string(written.size()), PathText(file)}) << '\n';
  return kSuccess;
}

}  // namespace kv3::cli
