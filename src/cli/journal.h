#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>

#include "cli/cli_texts.h"

// The record of every change kv3 sends to a unit: one JSON line each, appended whole.
namespace kv3::cli {

class Journal {
 public:
  // Off when `path` is empty.
  explicit Journal(std::filesystem::path path = {}) : path_(std::move(path)) {}

  // Where the journal goes: --journal, else KV3_JOURNAL, else the user's state folder.
  static std::filesystem::path defaultPath();

  const std::filesystem::path& path() const { return path_; }
  bool on() const { return !path_.empty(); }
  // Before the first datagram of a command that changes units: makes the folder and checks that
  // the file takes lines, with a warning when it does not. The change goes on either way.
  void prepare(std::ostream& err, const CliTexts& texts);
  // Appends the entry with the time first; a failure is a warning, once per run.
  void append(nlohmann::ordered_json entry, std::ostream& err, const CliTexts& texts);

 private:
  void warn(std::ostream& err, const CliTexts& texts, int error);

  std::filesystem::path path_;
  bool warned_ = false;
};

// The start of an entry: the unit and the operation.
nlohmann::ordered_json JournalEntry(const std::string& mac, const std::string& address,
                                    std::string_view operation);
// The file's name, size and SHA-256 as the entry carries them; the name alone when it cannot
// be read.
nlohmann::ordered_json JournalFile(const std::string& utf8Path);

struct Context;
// kv3 journal: the entries, newest last, of one unit or all.
int RunJournal(Context& context, const std::string& mac, bool json);

}  // namespace kv3::cli
