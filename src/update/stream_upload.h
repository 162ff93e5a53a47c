#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/tsock.h"
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

}  // namespace kv3::update
