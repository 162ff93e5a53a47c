#include "update/stream_upload.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <optional>
#include <span>

#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "platform/unique_fd.h"
#include "update/stream_format.h"

namespace kv3::update {

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait lasts at most before the pacing is asked whether the run may go on.
constexpr int kWaitSliceMs = 100;

// Waits until fd is ready for `events` or the time limit has passed; false on the limit or an
// error. EINTR does not shorten the wait; the pacing's checkpoint is visited at every slice.
bool WaitFor(int fd, short events, int limitMs, platform::Pacing& pacing) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    pacing.checkpoint();
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    const long long slice = std::clamp<long long>(left.count(), 0, kWaitSliceMs);
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(slice));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (ready == 0 && left.count() <= slice) return false;
  }
}

// A non-blocking stream socket connected to address:port within limitMs, or nothing.
platform::UniqueFd Connect(const std::string& address, std::uint16_t port, int limitMs,
                           platform::Pacing& pacing) {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  if (::inet_pton(AF_INET, address.c_str(), &target.sin_addr) != 1) return {};
  platform::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!fd) return {};
  if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    return fd;
  }
  if (errno != EINPROGRESS || !WaitFor(fd.get(), POLLOUT, limitMs, pacing)) return {};
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return {};
  return fd;
}

// Hands every byte to the connection, going on after a partial send. False when the connection
// fails or takes nothing for stallMs.
bool SendAll(int fd, std::span<const std::uint8_t> bytes, int stallMs, platform::Pacing& pacing) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent > 0) {
      bytes = bytes.subspan(static_cast<std::size_t>(sent));
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(fd, POLLOUT, stallMs, pacing)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// Reads exactly dest.size() bytes; false on an error or when the file ends sooner.
bool ReadExactly(int fd, std::span<std::uint8_t> dest) {
  while (!dest.empty()) {
    const ssize_t got = ::read(fd, dest.data(), dest.size());
    if (got > 0) {
      dest = dest.subspan(static_cast<std::size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

// The closing answer: what one receive brings within limitMs (empty when nothing came).
std::vector<std::uint8_t> ReceiveAnswer(int fd, int limitMs, platform::Pacing& pacing) {
  std::vector<std::uint8_t> answer(kAnswerMax);
  if (!WaitFor(fd, POLLIN, limitMs, pacing)) return {};
  ssize_t got;
  do {
    got = ::recv(fd, answer.data(), answer.size(), 0);
  } while (got < 0 && errno == EINTR);
  answer.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return answer;
}

}  // namespace

UploadRun::UploadRun(const UploadProfile& row, const std::string& path,
                     const link::DeviceRecord& rec, std::string_view name)
    : row_(row),
      address_(link::Ipv4Text(rec, link::record::kIp)),
      // O_NONBLOCK: a FIFO put where the chosen file was must not hold the window in open().
      file_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
  // Every check is made on the file as it is opened for sending: what grows after them is not
  // sent (see unchanged()).
  struct stat status {};
  if (!file_ || ::fstat(file_.get(), &status) != 0 || !S_ISREG(status.st_mode) || !stamp(opened_)) {
    return;
  }
  size_ = static_cast<std::uint64_t>(status.st_size);
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

bool UploadRun::stamp(FileStamp& into) const {
  struct stat status {};
  if (::fstat(file_.get(), &status) != 0) return false;
  into.device = static_cast<std::uint64_t>(status.st_dev);
  into.inode = static_cast<std::uint64_t>(status.st_ino);
  into.size = static_cast<std::uint64_t>(status.st_size);
  into.modified = status.st_mtim.tv_sec;
  into.modifiedNs = status.st_mtim.tv_nsec;
  into.changed = status.st_ctim.tv_sec;
  into.changedNs = status.st_ctim.tv_nsec;
  return true;
}

bool UploadRun::unchanged() const {
  FileStamp now;
  return stamp(now) && now == opened_;
}

bool UploadRun::announce(link::DeviceRecord& rec, link::TSock& sock,
                         const link::LinkSettings& settings, platform::Pacing& pacing) {
  if (!ready_) return false;
  ready_ = false;
  if (!unchanged()) {
    // Changed since it was opened and checked (a picture may have grown past its limit): the
    // unit is not even told of it.
    outcome_ = UploadOutcome::FileChanged;
    return false;
  }
  if (sock.SocketType() != link::TSocketType::stDatagram) {
    sock.SetSocketType(link::TSocketType::stDatagram);
  }
  const link::Frame announce = AnnounceDatagram(row_, rec, sentName_);
  std::vector<std::uint8_t> acknowledgement;
  {
    link::Exchange exchange(sock, settings, pacing);
    exchange.open(address_);
    exchange.send(announce);
    exchange.pauseForAnswer();
    // A late acknowledgement of another unit (a fleet announces one unit after the other on
    // the same port) is no acknowledgement of this one.
    acknowledgement = exchange.receiveFromTarget(kAcknowledgementKept);
    exchange.close();
  }
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
  const platform::UniqueFd stream =
      Connect(address_, settings.transferPort, settings.connectTimeoutMs, pacing);
  if (!stream) return UploadOutcome::Ended;

  const int stallMs = settings.sendStallTimeoutMs;
  if (!SendAll(stream.get(), LengthPrefix(prefix_), stallMs, pacing)) {
    return UploadOutcome::Corrupted;
  }
  pause(kPauseAfterPrefixMs);
  if (row_.framing == Framing::NamedStream) {
    const auto header = BlockHeader(static_cast<std::uint32_t>(size_), nameLength_, sentName_);
    if (!SendAll(stream.get(), header, stallMs, pacing)) return UploadOutcome::Corrupted;
    pause(kPauseAfterHeaderMs);
  }

  std::array<std::uint8_t, kSegmentSize> segment{};
  std::uint64_t sent = 0;
  while (sent < size_) {
    pause(row_.pauseBeforeSegmentMs);
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(kSegmentSize, size_ - sent));
    const std::span<std::uint8_t> piece(segment.data(), n);
    if (!ReadExactly(file_.get(), piece)) {
      report(0);
      return unchanged() ? UploadOutcome::Corrupted : UploadOutcome::FileChanged;
    }
    // A piece read after the file changed may belong to its new contents: it is not sent, and
    // the unit, short of the announced size, keeps nothing.
    if (!unchanged()) {
      report(0);
      return UploadOutcome::FileChanged;
    }
    if (!SendAll(stream.get(), piece, stallMs, pacing)) {
      report(0);
      return UploadOutcome::Corrupted;
    }
    sent += n;
    pause(row_.pauseAfterSegmentMs);
    report(ProgressPercent(sent, size_));
    pacing.processMessages();
  }

  pause(kPauseBeforeAnswerMs);
  const std::vector<std::uint8_t> answer =
      ReceiveAnswer(stream.get(), settings.answerTimeoutMs, pacing);
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
