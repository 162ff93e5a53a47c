#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/device_record.h"
#include "link/frames.h"
#include "link/link_settings.h"
#include "link/shared_reply_port.h"
#include "link/tsock.h"
#include "platform/pacing.h"
#include "platform/read_file.h"
#include "update/upload_profile.h"

namespace kv3::update {

// How a run ended. The run itself shows nothing; the page that called it does.
enum class UploadOutcome {
  Ended,            // ended without a word: the file unreadable or too big to announce
  Empty,            // the file is empty and the row sends no empty file; nothing was sent
  TooBig,           // the file is at or above the row's size limit; nothing was sent
  NameNotSendable,  // the name holds a character the units cannot hold; nothing was sent
  NotAddressable,   // the unit's record gives no address of one unit; nothing was sent
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

// Puts one file onto a unit: announces it over the datagram socket (which must be closed or a
// datagram socket the run may open and close), then streams it to the unit's transfer port in
// segments at the row's pace, letting the window process its messages after each segment, and
// judges the unit's closing answer.
//
// `rec` is the unit's record; the 122-byte announce writes the name into it. The run takes its
// own copy of the unit's address before anything else and owns its stream socket, file and
// buffer, so a search that refills the table meanwhile does not disturb it. `name` is the name
// announced and framed; empty means the file's own name. Names go to the unit in Windows-1252.
// The file is sent as it was when the run opened it: should it change meanwhile, the rest is not
// sent and the run ends as FileChanged, so a unit never gets a mixture of two files. Errors of
// the datagram socket escape as ESockException, and so does whatever the pacing throws, except
// once every byte is out: then the answer that is already waiting decides (Complete), or the
// run ends as NoAnswer. Everything the run opened is closed on every path.
UploadOutcome StreamUpload(const UploadProfile& row, const std::string& path,
                           link::DeviceRecord& rec, link::TSock& sock,
                           const link::LinkSettings& settings, platform::Pacing& pacing,
                           const ProgressFn& progress = {}, std::string_view name = {});

// StreamUpload in its two legs, for callers that run several units side by side: the announce
// needs the tool's reply port, which the units share, while the paced stream leg needs only a
// connection of its own.
class UploadRun {
 public:
  // Copies the unit's address, opens and measures the file and checks everything that can be
  // checked before the unit is contacted: the file (readable, not empty unless the row sends
  // empty files, below the row's limit, within the length prefix; the same file as `checked`,
  // when the caller checked it before), the name and the unit's address. An empty path sends no
  // file but an empty content, on a row that sends empty files. See ready().
  UploadRun(const UploadProfile& row, const std::string& path, const link::DeviceRecord& rec,
            std::string_view name = {},
            const std::optional<platform::FileStamp>& checked = std::nullopt);

  // True when the checks passed and the announce may go out; otherwise outcome() says why not
  // (Ended, Empty, TooBig, NameNotSendable, NotAddressable, FileChanged), and nothing has been
  // sent.
  bool ready() const { return ready_; }

  // The datagram leg: announces the file (writing the name into rec for the named rows) and
  // judges the acknowledgement, which only the unit addressed can give. True when the stream leg
  // may follow; otherwise outcome() says how the run ended.
  bool announce(link::DeviceRecord& rec, link::TSock& sock, const link::LinkSettings& settings,
                platform::Pacing& pacing);
  // The same over the reply port that the units of a run share: the announce goes out at once,
  // beside the other units' announces.
  bool announce(link::DeviceRecord& rec, link::SharedReplyPort& port, platform::Pacing& pacing);
  // The stream leg, once announce() returned true.
  UploadOutcome stream(const link::LinkSettings& settings, platform::Pacing& pacing,
                       const ProgressFn& progress = {});
  // Both legs, one after the other, when the checks passed.
  UploadOutcome send(link::DeviceRecord& rec, link::TSock& sock, const link::LinkSettings& settings,
                     platform::Pacing& pacing, const ProgressFn& progress = {});

  UploadOutcome outcome() const { return outcome_; }
  std::uint64_t size() const { return size_; }
  // The unit's address as the run took it.
  const std::string& address() const { return address_; }

 private:
  using AcknowledgementFn = std::function<std::vector<std::uint8_t>(const link::Frame& announce)>;
  // Sends the announce by `exchange`, which returns the acknowledgement kept, and judges it.
  bool announceWith(link::DeviceRecord& rec, const AcknowledgementFn& exchange);
  bool unchanged() const;
  UploadOutcome streamContent(const link::LinkSettings& settings, platform::Pacing& pacing,
                              const ProgressFn& progress);

  const UploadProfile& row_;
  std::string address_;
  std::string sentName_;
  bool noFile_ = false;  // an empty content that no file holds
  platform::ReadFile file_;
  platform::FileStamp opened_;
  std::uint64_t size_ = 0;
  std::uint32_t prefix_ = 0;
  std::uint32_t nameLength_ = 0;
  UploadOutcome outcome_ = UploadOutcome::Ended;
  bool ready_ = false;
};

// The datagram leg of a run over the caller's own socket; true when the stream leg may follow.
using AnnounceFn = std::function<bool(UploadRun& run, link::DeviceRecord& rec)>;

// Both legs of a run whose announce the caller sends (`announce`), when the checks passed;
// otherwise the outcome of the checks.
UploadOutcome SendRun(UploadRun& run, link::DeviceRecord& rec, const AnnounceFn& announce,
                      const link::LinkSettings& settings, platform::Pacing& pacing,
                      const ProgressFn& progress = {});

}  // namespace kv3::update
