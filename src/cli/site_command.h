#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/context.h"
#include "cli/site_plan.h"

// kv3 site: a whole site from one file, planned, applied in steps and waves, and exported.
namespace kv3::cli {

int RunSiteExport(Context& context, const std::string& file, const std::string& address);
int RunSitePlan(Context& context, const SiteOptions& options);
int RunSiteApply(Context& context, const SiteOptions& options);

// A site read, its units searched and its plan made, for plan and apply alike.
struct PlannedSite {
  SiteFile site;
  std::optional<nlohmann::json> saved;  // the saved plan apply was given
  std::optional<std::string> password;  // from --password-stdin
  search::SearchReport report;
  SitePlan plan;
};
// Nothing (with the messages, and the status) when the file, its values or the units refuse
// it: then nothing was sent but the search.
std::optional<PlannedSite> PlanSite(Context& context, const SiteOptions& options, int& status);

}  // namespace kv3::cli
