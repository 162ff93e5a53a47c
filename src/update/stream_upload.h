#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
#include "platform/unique_fd.h"
#include "ui/desktop.h"
#include "update/upload_profile.h"

namespace kv3::update {

// How a run ended. The run itself shows nothing; the page that called it does.
enum class UploadOutcome {
  Ended,            // ended without a word: no connection, the file unreadable or too big
  NotAcknowledged,  // the unit did not acknowledge the announce
  Corrupted,        // the content did not arrive whole, or the unit did not answer "complete!"
  Complete,         // the unit answered "complete!"
};

// Called after each segment with the percentage sent, and with 0 once the answer was read.
using ProgressFn = std::function<void(int percent)>;

// Puts one file onto a unit: announces it over the datagram socket (which must be closed or a
// datagram socket the run may open and close), then streams it to the unit's transfer port in
// segments at the row's pace, letting the window process its messages after each segment, and
// judges the unit's closing answer.
//
// `rec` is the unit's record; the 122-byte announce writes the name into it. The run takes its
// own copy of the unit's address before anything else and owns its stream socket, file and
// buffer, so a search that refills the table meanwhile does not disturb it. `name` is the name
// announced and framed; empty means the file's own name. Errors of the datagram socket escape as
// ESockException; everything the run opened is closed on every path.
UploadOutcome StreamUpload(const UploadProfile& row, const std::string& path,
                           link::DeviceRecord& rec, link::TSock& sock,
                           const link::LinkSettings& settings, ui::Pacing& pacing,
                           const ProgressFn& progress = {}, std::string_view name = {});

// StreamUpload in its two legs, for callers that run several units side by side: the announce
// needs the tool's reply port, which one socket at a time can hold, while the paced stream leg
// needs only a connection of its own.
class UploadRun {
 public:
  // Copies the unit's address and opens and measures the file; a file that cannot be read or
  // announced ends the run at once (outcome Ended).
  UploadRun(const UploadProfile& row, const std::string& path, const link::DeviceRecord& rec,
            std::string_view name = {});

  // The datagram leg: announces the file (writing the name into rec for the named rows) and
  // judges the acknowledgement. True when the stream leg may follow; otherwise outcome() says
  // how the run ended.
  bool announce(link::DeviceRecord& rec, link::TSock& sock, const link::LinkSettings& settings,
                ui::Pacing& pacing);
  // The stream leg, once announce() returned true.
  UploadOutcome stream(const link::LinkSettings& settings, ui::Pacing& pacing,
                       const ProgressFn& progress = {});

  UploadOutcome outcome() const { return outcome_; }
  std::uint64_t size() const { return size_; }

 private:
  UploadOutcome streamContent(const link::LinkSettings& settings, ui::Pacing& pacing,
                              const ProgressFn& progress);

  const UploadProfile& row_;
  std::string address_;
  std::string sentName_;
  platform::UniqueFd file_;
  std::uint64_t size_ = 0;
  std::uint32_t prefix_ = 0;
  std::uint32_t nameLength_ = 0;
  UploadOutcome outcome_ = UploadOutcome::Ended;
  bool ready_ = false;
};

}  // namespace kv3::update
