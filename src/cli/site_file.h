#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/site_texts.h"
#include "link/device_record.h"

// The site file: one row per unit, keyed by its MAC, with what the unit must have.
namespace kv3::cli {

// One unit of the site. An empty cell is nothing: the unit keeps what it has. Texts are UTF-8;
// files are absolute paths (UTF-8), found from the site file's folder.
struct SiteRow {
  int row = 0;  // as a spreadsheet numbers it: the header is row 1
  link::MacAddress mac{};
  std::string macText;  // "00:1A:2B:3C:4D:01"
  std::optional<std::string> name, ip, mask, router, user, password;
  std::optional<bool> dhcp;
  std::optional<std::string> firmware, firmwareVersion, webapp, scheme, skin;
};

// A refusal of the file, naming where: row 0 is the file itself, an empty column the whole row.
struct SiteProblem {
  int row = 0;
  std::string column;
  std::string words;
};

struct SiteFile {
  std::filesystem::path path;
  std::vector<SiteRow> rows;
  std::vector<SiteProblem> problems;
  bool hasPasswords = false;  // a password column with a value in it
};

// The columns, in the order `site export` writes them.
inline constexpr std::string_view kSiteColumns[] = {
    "mac",    "name",   "ip",       "mask",     "router",
    "dhcp",   "user",   "password", "firmware", "firmwareVersion",
    "webapp", "scheme", "skin"};

// The file's bytes taken apart: CSV with a header row, separated by what the header uses
// (a comma, or the semicolon of a spreadsheet under a German locale), UTF-8 with or without a
// byte-order mark. Every value is checked as far as it can be without the units: each problem
// is listed, not only the first.
SiteFile ParseSite(std::string_view bytes, const std::filesystem::path& folder,
                   const SiteTexts& texts);

// Reads and parses the file; a file that cannot be read is one problem of row 0. A file with
// passwords that others may read is refused, as ssh refuses such a key.
SiteFile ReadSite(const std::filesystem::path& path, const SiteTexts& texts);

// "V1.10" against "V1.9": the numbers in the texts compared in turn. Negative, zero or positive;
// zero also when either holds no number.
int CompareVersions(std::string_view a, std::string_view b);

}  // namespace kv3::cli
