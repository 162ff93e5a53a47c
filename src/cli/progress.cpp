#include "cli/progress.h"

#include <algorithm>
#include <cstdio>

#include "settings/field_rules.h"

namespace kv3::cli {

namespace {

constexpr std::size_t kBarWidth = 30;
constexpr std::size_t kMinBarWidth = 10;
constexpr auto kLineInterval = std::chrono::milliseconds(250);
constexpr auto kLineEvery = std::chrono::seconds(10);

// Bytes as MiB with one decimal, in the language's way of writing it.
std::string MebibyteText(std::uint64_t bytes, const CliTexts& texts) {
  const std::uint64_t tenths = (bytes * 10 + 524288) / 1048576;
  return std::to_string(tenths / 10) + std::string(texts.decimalSeparator) +
         std::to_string(tenths % 10);
}

// The first `characters` characters of UTF-8 text.
std::string CutToCharacters(const std::string& text, std::size_t characters) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    if (starts && count++ == characters) return text.substr(0, i);
  }
  return text;
}

}  // namespace

std::string DurationText(std::chrono::seconds duration) {
  const long long total = duration.count();
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return text;
}

ProgressBoard::ProgressBoard(std::vector<std::string> labels, ProgressMode mode, std::ostream& out,
                             const CliTexts& texts, std::uint64_t rowBytes, TerminalSizeFn terminal)
    : mode_(mode), out_(out), texts_(texts), rowBytes_(rowBytes), terminal_(std::move(terminal)) {
  for (std::string& label : labels) rows_.push_back({std::move(label)});
}

void ProgressBoard::restart(std::size_t row, const std::string& label, std::uint64_t bytes) {
  const std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  Row& entry = rows_[row];
  if (entry.started) entry.before += entry.current;
  entry.started = true;
  entry.label = label;
  entry.percent = 0;
  entry.current = bytes;
  if (mode_ == ProgressMode::Bars) draw(true);
}

void ProgressBoard::update(std::size_t row, int percent) {
  const std::lock_guard lock(mutex_);
  if (row >= rows_.size()) return;
  Row& entry = rows_[row];
  const auto now = std::chrono::steady_clock::now();
  if (percent <= entry.percent) {
    // A log shows a long transfer moving at least every kLineEvery, between its tenths and
    // before its first per cent.
    if (mode_ == ProgressMode::Lines && entry.started && entry.percent < 100 &&
        now - lastLine_ >= kLineEvery) {
      printLine(entry, now);
    }
    return;
  }
  const int before = entry.percent;
  entry.percent = std::min(percent, 100);
  if (!firstBytes_) firstBytes_ = now;
  if (mode_ == ProgressMode::Bars) {
    draw();
  } else if (mode_ == ProgressMode::Lines &&
             (entry.percent / 10 != before / 10 || now - lastLine_ >= kLineEvery)) {
    printLine(entry, now);
  }
}

void ProgressBoard::printLine(const Row& row, std::chrono::steady_clock::time_point now) {
  out_ << '[' << DurationText(std::chrono::duration_cast<std::chrono::seconds>(now - started_))
       << "] " << row.label << ": " << row.percent << " %\n"
       << std::flush;
  lastLine_ = now;
}

void ProgressBoard::finish(std::size_t row) {
  const std::lock_guard lock(mutex_);
  if (row >= rows_.size() || rows_[row].finished) return;
  rows_[row].finished = true;
  if (mode_ == ProgressMode::Bars) draw(true);
}

std::string ProgressBoard::summaryLine() const {
  std::size_t finished = 0;
  std::uint64_t sent = 0;
  std::uint64_t total = 0;
  for (const Row& row : rows_) {
    sent += row.sent();
    // A row that ended early sends nothing more.
    total += row.finished ? row.sent() : std::max(rowBytes_, row.sent());
    if (row.finished) ++finished;
  }
  std::string left = "?";
  if (sent > 0 && firstBytes_) {
    // The units are fed at a fixed pace from their first segment on.
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - *firstBytes_;
    left = DurationText(std::chrono::seconds(static_cast<long long>(
        elapsed.count() * static_cast<double>(total - sent) / static_cast<double>(sent))));
  }
  return Fill(texts_.fleetProgress,
              {std::to_string(finished), std::to_string(rows_.size()), MebibyteText(sent, texts_),
               MebibyteText(total, texts_), left});
}

void ProgressBoard::draw(bool force) {
  const std::optional<platform::TerminalSize> size = terminal_ ? terminal_() : std::nullopt;
  // One line stays for the cursor below the bars.
  const bool oneLine = size && rows_.size() >= static_cast<std::size_t>(size->rows);
  // Hundreds of units move the line of all of them far more often than anyone can read it.
  const auto now = std::chrono::steady_clock::now();
  if (oneLine && drawnLines_ == 1 && !force && now - drawn_ < kLineInterval) return;
  drawn_ = now;
  if (drawnLines_ > 0) out_ << "\x1b[" << drawnLines_ << "A";  // back to the first line
  out_ << "\r\x1b[J";                                          // cleared to the end
  // A line as wide as the terminal would wrap at its last column: every line stays short of it,
  // so that each takes one line and the redraw finds its start again.
  const std::size_t columns =
      size ? static_cast<std::size_t>(std::max(size->columns - 1, 0)) : std::string::npos;
  if (oneLine) {
    out_ << CutToCharacters(summaryLine(), columns) << '\n' << std::flush;
    drawnLines_ = 1;
    return;
  }
  std::size_t width = 0;
  for (const Row& row : rows_) width = std::max(width, settings::CharacterCount(row.label));
  // " [" bar "] 100 %": the bar narrows down to kMinBarWidth, then the labels are cut.
  constexpr std::size_t kAroundBar = 9;
  std::size_t bar = kBarWidth;
  if (columns != std::string::npos && width + kAroundBar + bar > columns) {
    bar = columns > width + kAroundBar + kMinBarWidth ? columns - width - kAroundBar : kMinBarWidth;
    width = std::min(width, columns > bar + kAroundBar ? columns - bar - kAroundBar : 0);
  }
  for (const Row& row : rows_) {
    const std::string label = CutToCharacters(row.label, width);
    const std::size_t filled = static_cast<std::size_t>(row.percent) * bar / 100;
    const std::string line = label + std::string(width - settings::CharacterCount(label), ' ') +
                             " [" + std::string(filled, '#') + std::string(bar - filled, ' ') +
                             "] " + std::to_string(row.percent) + " %";
    out_ << CutToCharacters(line, columns) << '\n';
  }
  out_ << std::flush;
  drawnLines_ = rows_.size();
}

}  // namespace kv3::cli
