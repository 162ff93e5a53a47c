#include "update/stream_upload.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <span>

#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "link/shared_reply_port.h"
#include "platform/net.h"
#include "platform/utf8_path.h"
#include "update/stream_format.h"

namespace kv3::update {

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait lasts at most before the pacing is asked whether the run may go on.
constexpr int kWaitSliceMs = 100;

enum class Direction { In, Out };

// Waits until the socket is ready or the time limit has passed; false on the limit or an error.
// The pacing's checkpoint is visited at every slice.
bool WaitFor(platform::Socket& socket, Direction direction, int limitMs, platform::Pacing& pacing) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    pacing.checkpoint();
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const int slice = static_cast<int>(std::clamp<long long>(left.count(), 0, kWaitSliceMs));
    const platform::Socket::Wait wait =
        direction == Direction::In ? socket.waitReadable(slice) : socket.waitWritable(slice);
    if (wait == platform::Socket::Wait::Ready) return true;
    if (wait == platform::Socket::Wait::Failed) return false;
    if (left.count() <= slice) return false;
  }
}

// A non-blocking stream socket connected to address:port within limitMs, or nothing.
platform::Socket Connect(const std::string& address, std::uint16_t port, int limitMs,
                         platform::Pacing& pacing) {
  const auto target = platform::ParseAddress(address);
  if (!target) return {};
  platform::Socket socket(platform::Socket::Kind::Stream);
  if (!socket || socket.setNonBlocking() != 0) return {};
  const int started = socket.connectStart(*target, platform::ToNet16(port));
  if (started == 0) return socket;
  if (!platform::IsWouldBlock(started) || !WaitFor(socket, Direction::Out, limitMs, pacing) ||
      socket.connectResult() != 0) {
    return {};
  }
  return socket;
}

// Hands every byte to the connection, going on after a partial send. False when the connection
// fails or takes nothing for stallMs.
bool SendAll(platform::Socket& socket, std::span<const std::uint8_t> bytes, int stallMs,
             platform::Pacing& pacing) {
  while (!bytes.empty()) {
    int error = 0;
    const long sent = socket.send(bytes, error);
    if (sent > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(sent));
    } else if (sent < 0 && platform::IsWouldBlock(error)) {
      if (!WaitFor(socket, Direction::Out, stallMs, pacing)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// What one receive of the closing answer brings (empty when the unit closed the connection or it
// failed).
std::vector<std::uint8_t> TakeAnswer(platform::Socket& socket) {
  std::vector<std::uint8_t> answer(kAnswerMax);
  int error = 0;
  const long got = socket.receive({reinterpret_cast<char*>(answer.data()), answer.size()}, error);
  answer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return answer;
}

}  // namespace

UploadRun::UploadRun(const UploadProfile& row, const std::string& path,
                     const link::DeviceRecord& rec, std::string_view name,
                     const std::optional<platform::FileStamp>& checked)
    : row_(row),
      address_(link::Ipv4Text(rec, link::record::kIp)),
      noFile_(path.empty() && row.allowsEmpty),
      file_(noFile_ ? platform::ReadFile() : platform::ReadFile(platform::PathFromUtf8(path))) {
  // Every check is made on the file as it is opened for sending: what grows after them is not
  // sent (see unchanged()).
  if (!noFile_) {
    const std::optional<platform::FileStamp> opened = file_.stamp();
    if (!opened) return;
    opened_ = *opened;
    size_ = opened_.size;
    // Checked before (while the units were searched, say) and changed since: not this file.
    if (checked && *checked != opened_) {
      outcome_ = UploadOutcome::FileChanged;
      return;
    }
  }
  // A unit takes an empty file as well and reports it complete: it would hold nothing.
  if (size_ == 0 && !row.allowsEmpty) {
    outcome_ = UploadOutcome::Empty;
    return;
  }
  if (row.sizeLimit != 0 && size_ >= row.sizeLimit) {
    outcome_ = UploadOutcome::TooBig;
    return;
  }
  // The unit learns the size from a 32-bit prefix; a file it cannot announce never leaves.
  const std::optional<std::uint32_t> prefix = PrefixValue(row.framing, size_);
  if (!prefix) return;
  prefix_ = *prefix;
  // The units store names in Windows-1252; a name that has no such form would arrive as
  // another name.
  const std::optional<std::string> sent =
      link::Utf8ToCp1252Exact(name.empty() ? FileNameOf(path) : std::string(name));
  if (!sent) {
    outcome_ = UploadOutcome::NameNotSendable;
    return;
  }
  sentName_ = *sent;
  if (!link::AddressesOneUnit(rec)) {
    outcome_ = UploadOutcome::NotAddressable;
    return;
  }
  ready_ = true;
}

bool UploadRun::unchanged() const { return noFile_ || file_.stamp() == opened_; }

bool UploadRun::announce(link::DeviceRecord& rec, link::TSock& sock,
                         const link::LinkSettings& settings, platform::Pacing& pacing) {
  return announceWith(rec, [&](const link::Frame& announce) {
    if (sock.SocketType() != link::TSocketType::stDatagram) {
      sock.SetSocketType(link::TSocketType::stDatagram);
    }
    link::Exchange exchange(sock, settings, pacing);
    exchange.open(address_);
    exchange.send(announce);
    exchange.pauseForAnswer();
    // A late acknowledgement of another unit is no acknowledgement of this one.
    std::vector<std::uint8_t> acknowledgement = exchange.receiveFromTarget(kAcknowledgementKept);
    exchange.close();
    return acknowledgement;
  });
}

bool UploadRun::announce(link::DeviceRecord& rec, link::SharedReplyPort& port,
                         platform::Pacing& pacing) {
  return announceWith(rec, [&](const link::Frame& announce) {
    return port.request(address_, announce, kPauseAfterAnnounceMs, kAcknowledgementKept, pacing);
  });
}

bool UploadRun::announceWith(link::DeviceRecord& rec, const AcknowledgementFn& exchange) {
  if (!ready_) return false;
  ready_ = false;
  if (!unchanged()) {
    // Changed since it was opened and checked (a picture may have grown past its limit): the
    // unit is not even told of it.
    outcome_ = UploadOutcome::FileChanged;
    return false;
  }
  const std::vector<std::uint8_t> acknowledgement =
      exchange(AnnounceDatagram(row_, rec, sentName_));
  if (!link::AnswerContains(acknowledgement, row_.acknowledgement)) {
    outcome_ = UploadOutcome::NotAcknowledged;
    return false;
  }
  nameLength_ = NameLengthField(acknowledgement);
  ready_ = true;
  return true;
}

UploadOutcome UploadRun::stream(const link::LinkSettings& settings, platform::Pacing& pacing,
                                const ProgressFn& progress) {
  if (!ready_) return outcome_;
  ready_ = false;
  outcome_ = streamContent(settings, pacing, progress);
  return outcome_;
}

UploadOutcome UploadRun::streamContent(const link::LinkSettings& settings, platform::Pacing& pacing,
                                       const ProgressFn& progress) {
  const auto report = [&progress](int percent) {
    if (progress) progress(percent);
  };
  const auto pause = [&pacing](int ms) {
    if (ms > 0) pacing.pause(ms);
  };

  pause(row_.pauseBeforeConnectMs);
  platform::Socket stream =
      Connect(address_, settings.transferPort, settings.connectTimeoutMs, pacing);
  if (!stream) return UploadOutcome::NoConnection;

  // Once the unit has every byte, a stop no longer cuts a file short: what the unit answered by
  // then still says whether it took the file.
  bool everyByteOut = false;
  try {
    const int stallMs = settings.sendStallTimeoutMs;
    if (!SendAll(stream, LengthPrefix(prefix_), stallMs, pacing)) {
      return UploadOutcome::Corrupted;
    }
    everyByteOut = size_ == 0 && row_.framing == Framing::PlainStream;
    pause(kPauseAfterPrefixMs);
    if (row_.framing == Framing::NamedStream) {
      const auto header = BlockHeader(static_cast<std::uint32_t>(size_), nameLength_, sentName_);
      if (!SendAll(stream, header, stallMs, pacing)) return UploadOutcome::Corrupted;
      everyByteOut = size_ == 0;
      pause(kPauseAfterHeaderMs);
    }

    std::array<std::uint8_t, kSegmentSize> segment{};
    std::uint64_t sent = 0;
    while (sent < size_) {
      pause(row_.pauseBeforeSegmentMs);
      const std::size_t n =
          static_cast<std::size_t>(std::min<std::uint64_t>(kSegmentSize, size_ - sent));
      const std::span<std::uint8_t> piece(segment.data(), n);
      if (!file_.readExactly(piece)) {
        report(0);
        return unchanged() ? UploadOutcome::Corrupted : UploadOutcome::FileChanged;
      }
      // A piece read after the file changed may belong to its new contents: it is not sent, and
      // the unit, short of the announced size, keeps nothing.
      if (!unchanged()) {
        report(0);
        return UploadOutcome::FileChanged;
      }
      if (!SendAll(stream, piece, stallMs, pacing)) {
        report(0);
        return UploadOutcome::Corrupted;
      }
      sent += n;
      everyByteOut = sent == size_;
      pause(row_.pauseAfterSegmentMs);
      report(ProgressPercent(sent, size_));
      pacing.processMessages();
    }

    pause(kPauseBeforeAnswerMs);
    if (!WaitFor(stream, Direction::In, settings.answerTimeoutMs, pacing)) {
      report(0);
      return UploadOutcome::NoAnswer;
    }
  } catch (...) {
    if (!everyByteOut) throw;
    if (stream.waitReadable(0) != platform::Socket::Wait::Ready) {
      report(0);
      return UploadOutcome::NoAnswer;
    }
  }
  const std::vector<std::uint8_t> answer = TakeAnswer(stream);
  report(0);
  return IsCompleteAnswer(answer) ? UploadOutcome::Complete : UploadOutcome::Corrupted;
}

UploadOutcome UploadRun::send(link::DeviceRecord& rec, link::TSock& sock,
                              const link::LinkSettings& settings, platform::Pacing& pacing,
                              const ProgressFn& progress) {
  return SendRun(
      *this, rec,
      [&](UploadRun& run, link::DeviceRecord& unit) {
        return run.announce(unit, sock, settings, pacing);
      },
      settings, pacing, progress);
}

UploadOutcome SendRun(UploadRun& run, link::DeviceRecord& rec, const AnnounceFn& announce,
                      const link::LinkSettings& settings, platform::Pacing& pacing,
                      const ProgressFn& progress) {
  if (!run.ready() || !announce(run, rec)) return run.outcome();
  return run.stream(settings, pacing, progress);
}

UploadOutcome StreamUpload(const UploadProfile& row, const std::string& path,
                           link::DeviceRecord& rec, link::TSock& sock,
                           const link::LinkSettings& settings, platform::Pacing& pacing,
                           const ProgressFn& progress, std::string_view name) {
  UploadRun run(row, path, rec, name);
  return run.send(rec, sock, settings, pacing, progress);
}

}  // namespace kv3::update
