// The site file: a spreadsheet's CSV taken apart into rows and checked cell by cell.
#include "cli/site_file.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "cli/set_command.h"
#include "cli/unit_view.h"
#include "link/ipv4_text.h"
#include "platform/file_access.h"
#include "platform/file_replace.h"
#include "platform/utf8_path.h"
#include "settings/field_rules.h"
#include "settings/network_rules.h"

namespace kv3::cli {

namespace {

// No site has this many units: a larger file is no site file.
constexpr std::size_t kSiteFileLimit = 16 * 1024 * 1024;

struct Record {
  int row = 0;
  std::vector<std::string> cells;
};

// RFC 4180 records: quoted cells may hold the separator, quotes doubled and line ends; CRLF or
// LF ends a record. False for a quote that is never closed.
bool SplitRecords(std::string_view text, char separator, std::vector<Record>& records) {
  Record record{1, {std::string()}};
  int row = 1;
  bool quoted = false, fieldStarted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& cell = record.cells.back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++row;
        cell += c;
      }
      continue;
    }
    if (c == '"' && !fieldStarted) {
      quoted = fieldStarted = true;
    } else if (c == separator) {
      record.cells.emplace_back();
      fieldStarted = false;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      records.push_back(std::move(record));
      record = Record{++row, {std::string()}};
      fieldStarted = false;
    } else {
      cell += c;
      fieldStarted = true;
    }
  }
  if (quoted) return false;
  records.push_back(std::move(record));
  // Empty lines (a spreadsheet's trailing ones among them) hold no unit.
  std::erase_if(records, [](const Record& r) {
    return std::all_of(r.cells.begin(), r.cells.end(), [](const std::string& cell) {
      return cell.find_first_not_of(" \t") == std::string::npos;
    });
  });
  return true;
}

// The separator the header uses: the one of the two it holds outside quotes (a comma when it
// holds neither, as a file of the one column mac).
char SeparatorOf(std::string_view text) {
  const std::string_view header = text.substr(0, text.find_first_of("\r\n"));
  bool quoted = false;
  for (const char c : header) {
    if (c == '"') quoted = !quoted;
    if (!quoted && (c == ',' || c == ';')) return c;
  }
  return ',';
}

std::string Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

std::string Lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80         ? 1
                               : (c >> 5) == 6  ? 2
                               : (c >> 4) == 14 ? 3
                               : (c >> 3) == 30 ? 4
                                                : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

class RowReader {
 public:
  RowReader(SiteFile& site, const SiteTexts& texts, const std::filesystem::path& folder)
      : site_(site), texts_(texts), folder_(folder) {}

  void read(const Record& record, const std::map<std::string, std::size_t>& columns,
            std::size_t heads) {
    SiteRow row;
    row.row = record.row;
    const auto cell = [&](std::string_view column) -> std::optional<std::string> {
      const auto at = columns.find(std::string(column));
      if (at == columns.end() || at->second >= record.cells.size()) return std::nullopt;
      const std::string& value = record.cells[at->second];
      if (value.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
      return value;
    };
    const auto problem = [&](std::string_view column, std::string words) {
      site_.problems.push_back({record.row, std::string(column), std::move(words)});
    };
    if (record.cells.size() > heads) problem("", std::string(texts_.tooManyCells));

    const std::optional<std::string> mac = cell("mac");
    const auto parsed = mac ? ParseMacArgument(Trimmed(*mac)) : std::nullopt;
    if (!mac) {
      problem("mac", std::string(texts_.macMissing));
    } else if (!parsed) {
      problem("mac", Fill(texts_.notAMac, {TerminalText(*mac)}));
    } else {
      row.mac = *parsed;
      row.macText = link::MacText(*parsed);
      if (const auto twice = macs_.find(row.macText); twice != macs_.end()) {
        problem("mac", Fill(texts_.twice, {row.macText, std::to_string(twice->second)}));
      } else {
        macs_[row.macText] = record.row;
      }
    }
    for (const auto& [column, value] : {std::pair{"ip", &row.ip}, std::pair{"mask", &row.mask},
                                        std::pair{"router", &row.router}}) {
      *value = cell(column);
      if (!*value) continue;
      **value = Trimmed(**value);
      if (!settings::IsValidIPv4Text(**value)) {
        problem(column, Fill(texts_.notAnAddress, {TerminalText(**value)}));
        value->reset();
      }
    }
    if (row.mask && !settings::IsContiguousMask(settings::ParseIPv4Text(*row.mask))) {
      problem("mask", Fill(texts_.cli.maskNotContiguous, {*row.mask}));
    }
    if (row.ip) {
      const std::string held = link::Ipv4Text(settings::ParseIPv4Text(*row.ip));
      if (const auto twice = ips_.find(held); twice != ips_.end()) {
        problem("ip", Fill(texts_.twice, {held, std::to_string(twice->second)}));
      } else {
        ips_[held] = record.row;
      }
    }
    if (const auto dhcp = cell("dhcp")) {
      const std::string word = Lowered(Trimmed(*dhcp));
      if (word == "on" || word == "off") {
        row.dhcp = word == "on";
      } else {
        problem("dhcp", Fill(texts_.notOnOff, {TerminalText(*dhcp)}));
      }
    }
    if (row.dhcp.value_or(false) && (row.ip || row.mask || row.router)) {
      problem("dhcp", std::string(texts_.dhcpWithAddress));
    }
    texts(row, cell, problem);
    files(row, cell, problem);
    site_.rows.push_back(std::move(row));
  }

 private:
  template <typename Cell, typename Problem>
  void texts(SiteRow& row, const Cell& cell, const Problem& problem) {
    for (const auto& [column, value, limit, kind] :
         {std::tuple{"name", &row.name, settings::kDeviceNameLimit, settings::TextKind::DeviceName},
          std::tuple{"user", &row.user, settings::kUserNameLimit, settings::TextKind::UserName},
          std::tuple{"password", &row.password, settings::kPasswordLimit,
                     settings::TextKind::Password}}) {
      *value = cell(column);
      if (!*value) continue;
      if (auto refused = TextProblem(texts_.cli, column, **value, limit, kind)) {
        problem(column, std::move(*refused));
      }
    }
    if (row.password) {
      site_.hasPasswords = true;
      if (settings::CharacterCount(*row.password) < settings::kPasswordMinimum) {
        problem("password", std::string(texts_.cli.passwordLength));
      }
    }
  }

  template <typename Cell, typename Problem>
  void files(SiteRow& row, const Cell& cell, const Problem& problem) {
    for (const auto& [column, value] :
         {std::pair{"firmware", &row.firmware}, std::pair{"webapp", &row.webapp},
          std::pair{"scheme", &row.scheme}, std::pair{"skin", &row.skin}}) {
      *value = cell(column);
      if (*value) *value = platform::Utf8FromPath(folder_ / platform::PathFromUtf8(**value));
    }
    row.firmwareVersion = cell("firmwareVersion");
    if (row.firmwareVersion) row.firmwareVersion = Trimmed(*row.firmwareVersion);
    if (row.firmware && !row.firmwareVersion) {
      problem("firmwareVersion", std::string(texts_.versionMissing));
    }
    if (!row.firmware && row.firmwareVersion) {
      problem("firmware", std::string(texts_.firmwareMissing));
    }
  }

  SiteFile& site_;
  const SiteTexts& texts_;
  const std::filesystem::path& folder_;
  std::map<std::string, int> macs_, ips_;
};

}  // namespace

SiteFile ParseSite(std::string_view bytes, const std::filesystem::path& folder,
                   const SiteTexts& texts) {
  SiteFile site;
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  if (!IsUtf8(bytes)) {
    site.problems.push_back({0, "", std::string(texts.notUtf8)});
    return site;
  }
  std::vector<Record> records;
  if (!SplitRecords(bytes, SeparatorOf(bytes), records)) {
    site.problems.push_back({0, "", std::string(texts.quoteOpen)});
    return site;
  }
  if (records.empty()) {
    site.problems.push_back({0, "", std::string(texts.noUnits)});
    return site;
  }
  // Heads in any order and any case, as a spreadsheet's user may write them.
  std::map<std::string, std::size_t> columns;
  std::string known;
  for (const std::string_view column : kSiteColumns) {
    known += (known.empty() ? "" : ", ") + std::string(column);
  }
  const Record& header = records.front();
  for (std::size_t i = 0; i < header.cells.size(); ++i) {
    const std::string head = Lowered(Trimmed(header.cells[i]));
    const auto name =
        std::find_if(std::begin(kSiteColumns), std::end(kSiteColumns),
                     [&head](std::string_view c) { return Lowered(std::string(c)) == head; });
    if (name == std::end(kSiteColumns)) {
      if (!head.empty()) {
        site.problems.push_back(
            {header.row, TerminalText(header.cells[i]), Fill(texts.unknownColumn, {known})});
      }
      continue;
    }
    if (!columns.emplace(std::string(*name), i).second) {
      site.problems.push_back({header.row, std::string(*name), std::string(texts.columnTwice)});
    }
  }
  if (!columns.contains("mac")) {
    site.problems.push_back({header.row, "mac", std::string(texts.macColumnMissing)});
    return site;
  }
  RowReader reader(site, texts, folder);
  for (std::size_t i = 1; i < records.size(); ++i)
    reader.read(records[i], columns, header.cells.size());
  if (site.rows.empty()) site.problems.push_back({0, "", std::string(texts.noUnits)});
  return site;
}

SiteFile ReadSite(const std::filesystem::path& path, const SiteTexts& texts) {
  const std::string where = platform::Utf8FromPath(path);
  const std::optional<std::string> bytes = platform::ReadRegularFile(path, kSiteFileLimit + 1);
  SiteFile site;
  if (!bytes) {
    site.problems.push_back(
        {0, "", Fill(texts.cli.fileUnreadable, {PathText(where), FileReason(texts.cli, where)})});
  } else if (bytes->size() > kSiteFileLimit) {
    site.problems.push_back({0, "", std::string(texts.tooLarge)});
  } else {
    site = ParseSite(*bytes, std::filesystem::absolute(path).parent_path(), texts);
    if (site.hasPasswords && platform::OthersMayRead(path)) {
      site.problems.insert(site.problems.begin(),
                           {0, "password", Fill(texts.passwordsReadable, {PathText(where)})});
    }
  }
  site.path = path;
  return site;
}

int CompareVersions(std::string_view a, std::string_view b) {
  const auto numbers = [](std::string_view text) {
    std::vector<unsigned long long> found;
    for (std::size_t i = 0; i < text.size();) {
      if (std::isdigit(static_cast<unsigned char>(text[i])) == 0) {
        ++i;
        continue;
      }
      unsigned long long value = 0;
      for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0; ++i) {
        value = std::min<unsigned long long>(value * 10 + static_cast<unsigned>(text[i] - '0'),
                                             1'000'000'000ULL);
      }
      found.push_back(value);
    }
    return found;
  };
  const auto left = numbers(a), right = numbers(b);
  if (left.empty() || right.empty()) return 0;
  if (left < right) return -1;
  return left == right ? 0 : 1;
}

}  // namespace kv3::cli
