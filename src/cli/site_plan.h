#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/context.h"
#include "cli/site_file.h"
#include "cli/transfers.h"
#include "cli/unit_view.h"

// What a site file asks of the units found: per row the changes, in the order they are made.
namespace kv3::cli {

enum class SiteStep { Move, Settings, Firmware, WebApp, Scheme, Skin };
inline constexpr SiteStep kSiteSteps[] = {SiteStep::Move,   SiteStep::Settings, SiteStep::Firmware,
                                          SiteStep::WebApp, SiteStep::Scheme,   SiteStep::Skin};
// "move", "settings", "firmware", "webapp", "scheme", "skin": in JSON and the summary alike.
std::string_view StepKey(SiteStep step);

struct SiteOptions {
  std::string file;  // the site file, or a saved plan (.json)
  std::string address;
  bool json = false;
  bool check = false;          // plan: exit 1 when something would change
  std::string save;            // plan: where the plan goes as JSON
  bool yes = false;            // apply: without asking
  bool allowOlder = false;     // a firmware older than the unit's goes all the same
  bool passwordStdin = false;  // one password for every row that names none
  int wave = 0;                // transfers: so many units at a time; 0: all
  std::optional<int> maxFailures;
  int waitSeconds = 30;  // how long a move or save waits for its proof
};

// One value that changes: its key ("address", "deviceName", "firmware", ...), as the unit
// shows it now and as it will.
struct Change {
  SiteStep step;
  std::string key, before, after;
};

// The network and texts a row asks for, the others as the unit has them.
struct RowWanted {
  std::string ip, mask, router;
  bool dhcp = false;
  std::optional<std::string> name, user, password;  // nothing: as the unit has it
};

struct RowPlan {
  const SiteRow* row = nullptr;
  std::optional<std::size_t> unit;  // in the report; nothing: no unit with the MAC answered
  RowWanted wanted;
  std::vector<Change> changes;
  bool has(SiteStep step) const;
};

struct SitePlan {
  std::vector<RowPlan> rows;
  std::vector<std::size_t> others;  // units found that are not in the file
  std::vector<SiteProblem> problems;
  bool nothingToDo() const;
};

// Compares every row with the unit of its MAC; refuses (problems) what cannot be sent or would
// break a unit or another host. Sends nothing but search requests to the addresses units are
// to move to.
SitePlan MakePlan(Context& context, const SiteFile& site, const search::SearchReport& report,
                  const SiteOptions& options, const std::optional<std::string>& password);

// The file's problems, each naming its row and column, on standard error.
void PrintProblems(Context& context, const SiteFile& site,
                   const std::vector<SiteProblem>& problems);
// The plan as the user reads it, on standard output.
void PrintPlan(Context& context, const SitePlan& plan, const search::SearchReport& report);
// The plan as --json and --save write it: what a saved plan is checked against.
nlohmann::ordered_json PlanJson(const SitePlan& plan, const search::SearchReport& report);

// The transfer that carries an upload step's file.
TransferKind TransferKindOf(SiteStep step);
// An address as the unit holds it: "010.0.0.1" is 10.0.0.1.
std::string HeldAddress(const std::string& text);

// The uploads' files as the transfers take them: the file of the step, nothing without one.
std::optional<std::string> StepFile(const SiteRow& row, SiteStep step);

}  // namespace kv3::cli
