#include "cli/progress.h"

#include <algorithm>

#include "settings/field_rules.h"

namespace kv3::cli {

namespace {
constexpr int kBarWidth = 30;
}

ProgressBoard::ProgressBoard(std::vector<std::string> labels, ProgressMode mode, std::ostream& out)
    : labels_(std::move(labels)), percent_(labels_.size(), 0), mode_(mode), out_(out) {}

void ProgressBoard::restart(std::size_t row, const std::string& label) {
  const std::lock_guard lock(mutex_);
  if (row >= labels_.size()) return;
  labels_[row] = label;
  percent_[row] = 0;
  if (mode_ == ProgressMode::Bars) draw();
}

void ProgressBoard::update(std::size_t row, int percent) {
  const std::lock_guard lock(mutex_);
  if (row >= percent_.size() || percent <= percent_[row]) return;
  const int before = percent_[row];
  percent_[row] = std::min(percent, 100);
  if (mode_ == ProgressMode::Bars) {
    draw();
  } else if (mode_ == ProgressMode::Lines && percent_[row] / 10 != before / 10) {
    out_ << labels_[row] << ": " << percent_[row] << " %\n" << std::flush;
  }
}

void ProgressBoard::draw() {
  std::size_t width = 0;
  for (const std::string& label : labels_) {
    width = std::max(width, settings::CharacterCount(label));
  }
  if (drawn_) {
    out_ << "\x1b[" << labels_.size() << "A";  // back to the first bar
  }
  for (std::size_t row = 0; row < labels_.size(); ++row) {
    const int filled = percent_[row] * kBarWidth / 100;
    out_ << "\r\x1b[2K" << labels_[row]
         << std::string(width - settings::CharacterCount(labels_[row]), ' ') << " ["
         << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << percent_[row]
         << " %\n";
  }
  out_ << std::flush;
  drawn_ = true;
}

}  // namespace kv3::cli
