#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/device_record.h"
#include "link/link_settings.h"
#include "link/requester.h"
#include "platform/pacing.h"
#include "platform/read_file.h"
#include "update/upload_profile.h"

namespace kv3::update {

// How a run ended, or why it did not start. The run itself shows nothing; the front end that
// called it does, from one table each (the window's page, kv3's results).
enum class UploadOutcome {
  // Refused before the unit is contacted; nothing was sent.
  Unreadable,        // the file cannot be opened or measured
  Empty,             // the file is empty and the row sends no empty file
  TooBig,            // the file is at or above the row's size limit
  TooBigToAnnounce,  // the file is beyond what the length prefix can announce
  NameNotSendable,   // the name holds a character the units cannot hold
  WrongExtension,    // not the row's extension (FileChecks::WithExtension)
  NotWebImage,       // content checks of FileChecks::Complete, by the row's Content
  NotJpeg,
  FirmwareIsPicture,
  FirmwareIsWebImage,
  FirmwareIsText,
  NotAddressable,  // the unit's record gives no address of one unit
  // Sent, as far as it went.
  NotAcknowledged,  // the unit did not acknowledge the announce
  NoConnection,     // the unit acknowledged, then took no connection on its transfer port
  FileChanged,      // the file changed since it was checked, or while it was sent; the rest of
                    // it was not sent
  Corrupted,        // the content did not arrive whole, or the unit did not answer "complete!"
  NoAnswer,         // every byte went out, but the closing answer did not come in time (or the
                    // run was stopped while it waited): the unit may or may not have the file
  Complete,         // the unit answered "complete!"
};

// Called after each segment with the percentage sent, and with 0 once the answer was read.
using ProgressFn = std::function<void(int percent)>;

// How much of a file is checked before a unit is contacted: what sending needs (the window,
// whose file dialog chose the file), also the row's extension (kv3 when the user insists), or
// also its content (kv3).
enum class FileChecks { Sending, WithExtension, Complete };

// A file as it was checked: `refused` says why it may not go, else `stamp` is what was checked.
struct CheckedFile {
  std::optional<UploadOutcome> refused;
  platform::FileStamp stamp = {};
  bool ok() const { return !refused; }
};

// Checks the file at `path` (UTF-8) for `row` as an upload would, with the name it would be
// announced under (`name`; empty: the file's own): readable, not empty unless the row sends
// empty files, below the row's limit, within the length prefix, a name the units can hold, and
// with FileChecks::Complete the extension and the content.
CheckedFile CheckFile(const UploadProfile& row, const std::string& path,
                      FileChecks checks = FileChecks::Sending, std::string_view name = {});

// What a front end does at the steps of an upload, and what it knows of the file; all optional.
struct UploadSteps {
  // The file passed its checks and its announce goes out now; with the file's size.
  std::function<void(std::uint64_t size)> announcing = {};
  ProgressFn progress = {};
  // The file as the caller checked it before (while the units were searched): should it differ
  // now, or be gone, nothing is sent (FileChanged).
  std::optional<platform::FileStamp> checked = {};
  // The name announced and framed; empty means the file's own name.
  std::string_view name = {};
};

// Puts one file onto a unit. The file is opened and checked (CheckFile's Sending checks, and
// the unit's address); the announce goes to the unit by `requester`, whose answer only the unit
// addressed can give; then the file streams to the unit's transfer port in segments at the row's
// pace, letting the front end process its messages after each segment, and the unit's closing
// answer is judged.
//
// `unit` is the unit's record; the 122-byte announce writes the name into it. The run takes its
// own copy of the unit's address before anything else and owns its stream socket, file and
// buffer, so a search that refills the table meanwhile does not disturb it. Names go to the unit
// in Windows-1252. An empty path sends no file but an empty content, on a row that sends empty
// files. The file is sent as it was when the run opened it: should it change meanwhile, the rest
// is not sent and the run ends as FileChanged, so a unit never gets a mixture of two files.
// Errors of the datagram socket escape as ESockException, and so does whatever the pacing
// throws, except once every byte is out: then the answer that is already waiting decides
// (Complete), or the run ends as NoAnswer. Everything the run opened is closed on every path.
UploadOutcome StreamUpload(const UploadProfile& row, const std::string& path,
                           link::DeviceRecord& unit, link::Requester& requester,
                           const link::LinkSettings& settings, platform::Pacing& pacing,
                           const UploadSteps& steps = {});

}  // namespace kv3::update
