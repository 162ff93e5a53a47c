#include "cli/journal.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <mutex>
#include <system_error>

#include "cli/context.h"
#include "cli/unit_view.h"
#include "platform/append_file.h"
#include "platform/digest.h"
#include "platform/net.h"
#include "platform/read_file.h"
#include "platform/utf8_path.h"
#include "update/stream_format.h"

namespace kv3::cli {

namespace {

std::string UtcNow() {
  static std::mutex mutex;
  const std::lock_guard lock(mutex);
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
  return text;
}

}  // namespace

std::filesystem::path Journal::defaultPath() {
  if (auto named = platform::EnvironmentPath("KV3_JOURNAL"); !named.empty()) return named;
  const std::filesystem::path folder = platform::UserStateFolder();
  return folder.empty() ? folder : folder / "kv3" / "journal.jsonl";
}

void Journal::warn(std::ostream& err, const CliTexts& texts, int error) {
  if (warned_) return;
  warned_ = true;
  err << Fill(texts.journalUnwritable,
              {PathText(platform::Utf8FromPath(path_)), platform::ErrorText(error)})
      << '\n';
}

void Journal::prepare(std::ostream& err, const CliTexts& texts) {
  if (!on()) return;
  std::error_code ignored;
  if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), ignored);
  if (const int error = platform::CanAppend(path_); error != 0) warn(err, texts, error);
}

void Journal::append(nlohmann::ordered_json entry, std::ostream& err, const CliTexts& texts) {
  if (!on()) return;
  nlohmann::ordered_json line;
  line["time"] = UtcNow();
  line.update(entry);
  const std::string text =
      line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + '\n';
  if (const int error = platform::AppendWhole(path_, text); error != 0) warn(err, texts, error);
}

nlohmann::ordered_json JournalEntry(const std::string& mac, const std::string& address,
                                    std::string_view operation) {
  nlohmann::ordered_json entry;
  entry["mac"] = mac;
  entry["address"] = address;
  entry["operation"] = operation;
  return entry;
}

nlohmann::ordered_json JournalFile(const std::string& utf8Path) {
  nlohmann::ordered_json file;
  file["name"] = update::FileNameOf(utf8Path);
  platform::ReadFile input(platform::PathFromUtf8(utf8Path));
  if (!input) return file;
  platform::Sha256 digest;
  std::array<std::uint8_t, 65536> piece{};
  std::uint64_t size = 0;
  for (;;) {
    const long got = input.read(piece);
    if (got < 0) return file;
    if (got == 0) break;
    digest.add(std::span(piece).first(static_cast<std::size_t>(got)));
    size += static_cast<std::uint64_t>(got);
  }
  std::string hex;
  for (const std::uint8_t byte : digest.finish()) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  file["size"] = size;
  file["sha256"] = hex;
  return file;
}

int RunJournal(Context& context, const std::string& mac, bool json) {
  std::optional<link::MacAddress> wanted;
  if (!mac.empty()) {
    wanted = ParseMacArgument(mac);
    if (!wanted) {
      context.err << Fill(context.texts.badMac, {mac}) << '\n';
      return kUsage;
    }
  }
  const std::filesystem::path& path = context.journal.path();
  nlohmann::ordered_json entries = nlohmann::ordered_json::array();
  std::ifstream input(path, std::ios::binary);
  if (!input) {
    context.err << Fill(context.texts.journalEmpty, {PathText(platform::Utf8FromPath(path))})
                << '\n';
  }
  std::string line;
  std::size_t number = 0, unreadable = 0;
  while (std::getline(input, line)) {
    ++number;
    if (line.empty()) continue;
    auto entry = nlohmann::ordered_json::parse(line, nullptr, false);
    if (entry.is_discarded() || !entry.is_object()) {
      ++unreadable;
      continue;
    }
    if (wanted && entry.value("mac", "") != link::MacText(*wanted)) continue;
    entries.push_back(std::move(entry));
  }
  if (unreadable > 0) {
    context.err << Fill(context.texts.journalUnreadable, {std::to_string(unreadable)}) << '\n';
  }
  if (json) {
    context.out << JsonText(entries) << '\n';
    return kSuccess;
  }
  const CliTexts& texts = context.texts;
  std::vector<std::vector<std::string>> rows = {
      {std::string(texts.timeColumn), std::string(texts.mac), std::string(texts.address),
       std::string(texts.operationColumn), std::string(texts.fileColumn),
       std::string(texts.resultColumn)}};
  const auto text = [](const nlohmann::ordered_json& entry, const char* key) {
    const auto found = entry.find(key);
    return found != entry.end() && found->is_string() ? found->get<std::string>() : "";
  };
  for (const auto& entry : entries) {
    const auto file = entry.find("file");
    rows.push_back({text(entry, "time"), text(entry, "mac"), text(entry, "address"),
                    text(entry, "operation"),
                    file != entry.end() && file->is_object() ? text(*file, "name") : "",
                    text(entry, "outcome")});
  }
  if (!entries.empty()) PrintColumns(context.out, rows);
  return kSuccess;
}

}  // namespace kv3::cli
