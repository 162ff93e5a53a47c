#include "update/stream_upload.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "link/answer.h"
#include "link/codepage.h"
#include "link/exchange.h"
#include "platform/net.h"
#include "platform/utf8_path.h"
#include "service/web_image.h"
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

// Both requesters pause as long as the announce's fixed pause.
static_assert(kPauseAfterAnnounceMs == link::Exchange::kAnswerPauseMs);

// The first bytes of a file, at most `count`; nothing when it cannot be read.
std::optional<std::string> FirstBytes(const std::filesystem::path& path, std::size_t count) {
  platform::ReadFile file{path};
  if (!file) return std::nullopt;
  std::string bytes(count, '\0');
  std::size_t got = 0;
  while (got < count) {
    const long part = file.read({reinterpret_cast<std::uint8_t*>(bytes.data()) + got,
                                 static_cast<std::size_t>(count - got)});
    if (part < 0) return std::nullopt;
    if (part == 0) break;
    got += static_cast<std::size_t>(part);
  }
  bytes.resize(got);
  return bytes;
}

bool IsJpeg(std::string_view start) { return start.starts_with("\xFF\xD8\xFF"); }

bool IsPicture(std::string_view start) {
  return IsJpeg(start) || start.starts_with("\x89PNG\r\n\x1A\n") || start.starts_with("GIF87a") ||
         start.starts_with("GIF89a");
}

// Text: no zero byte and no control character but line ends, tabs and form feeds; bytes from
// 0x80 up count as text (UTF-8 or a single-byte code page).
bool IsText(std::string_view start) {
  return !start.empty() && std::all_of(start.begin(), start.end(), [](char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 0x20 || c == '\n' || c == '\r' || c == '\t' || c == '\f';
  });
}

// A web image with at least one file, as the units and `kv3 image list` read it.
bool IsWebImage(const std::filesystem::path& path) {
  service::ImageListProblem problem = service::ImageListProblem::None;
  const auto listing = service::ListWebImage(path, problem);
  return listing && !listing->empty();
}

// Why the file's content is not what the row puts onto a unit; nothing when it may be. Only what
// can be known is checked: a web app must read as a web image, a picture must be a JPEG, and
// firmware must be neither a web image, a picture nor text.
std::optional<UploadOutcome> ContentProblem(Content content, const std::filesystem::path& path) {
  constexpr std::size_t kLooked = 65536;
  const std::optional<std::string> start = FirstBytes(path, kLooked);
  if (!start) return UploadOutcome::Unreadable;
  switch (content) {
    case Content::Any:
      return std::nullopt;
    case Content::WebImage:
      if (IsWebImage(path)) return std::nullopt;
      return UploadOutcome::NotWebImage;
    case Content::Jpeg:
      if (IsJpeg(*start)) return std::nullopt;
      return UploadOutcome::NotJpeg;
    case Content::Firmware:
      if (IsPicture(*start)) return UploadOutcome::FirmwareIsPicture;
      if (IsWebImage(path)) return UploadOutcome::FirmwareIsWebImage;
      if (IsText(*start)) return UploadOutcome::FirmwareIsText;
      return std::nullopt;
  }
  return std::nullopt;
}

bool HasExtension(const std::string& path, std::string_view extension) {
  if (extension.empty()) return true;
  const std::string own = platform::Utf8FromPath(platform::PathFromUtf8(path).extension());
  return std::equal(own.begin(), own.end(), extension.begin(), extension.end(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// What a file of `size` bytes announced as `name` (UTF-8; empty: the file's own) needs to be
// sent by `row`: the length prefix and the name in Windows-1252, or why it cannot go.
struct Sendable {
  std::optional<UploadOutcome> refused;
  std::uint32_t prefix = 0;
  std::string name = {};
};

Sendable SendableAs(const UploadProfile& row, std::uint64_t size, const std::string& path,
                    std::string_view name) {
  // A unit takes an empty file as well and reports it complete: it would hold nothing.
  if (size == 0 && !row.allowsEmpty) return {UploadOutcome::Empty};
  if (row.sizeLimit != 0 && size >= row.sizeLimit) return {UploadOutcome::TooBig};
  // The unit learns the size from a 32-bit prefix; a file it cannot announce never leaves.
  const std::optional<std::uint32_t> prefix = PrefixValue(row.framing, size);
  if (!prefix) return {UploadOutcome::TooBigToAnnounce};
  // The units store names in Windows-1252; a name that has no such form would arrive as
  // another name.
  std::optional<std::string> sent =
      link::Utf8ToCp1252Exact(name.empty() ? FileNameOf(path) : std::string(name));
  if (!sent) return {UploadOutcome::NameNotSendable};
  return {std::nullopt, *prefix, std::move(*sent)};
}

// One run: the file opened and checked, then the datagram leg (the announce), then the stream
// leg. Every check is made on the file as it is opened for sending: what grows after them is
// not sent (see unchanged()).
class UploadRun {
 public:
  UploadRun(const UploadProfile& row, const std::string& path, const link::DeviceRecord& rec,
            std::string_view name, const std::optional<platform::FileStamp>& checked);

  // True when the checks passed; otherwise outcome() says why not, and nothing has been sent.
  bool ready() const { return ready_; }
  std::uint64_t size() const { return size_; }
  UploadOutcome outcome() const { return outcome_; }

  // Announces the file (writing the name into rec for the named rows) and judges the
  // acknowledgement. True when the stream leg may follow; otherwise outcome() says how the run
  // ended.
  bool announce(link::DeviceRecord& rec, link::Requester& requester);
  // The stream leg, once announce() returned true.
  UploadOutcome stream(const link::LinkSettings& settings, platform::Pacing& pacing,
                       const ProgressFn& progress);

 private:
  bool unchanged() const { return noFile_ || file_.stamp() == opened_; }
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
  UploadOutcome outcome_ = UploadOutcome::Unreadable;
  bool ready_ = false;
};

UploadRun::UploadRun(const UploadProfile& row, const std::string& path,
                     const link::DeviceRecord& rec, std::string_view name,
                     const std::optional<platform::FileStamp>& checked)
    : row_(row),
      address_(link::Ipv4Text(rec, link::record::kIp)),
      noFile_(path.empty() && row.allowsEmpty),
      file_(noFile_ ? platform::ReadFile() : platform::ReadFile(platform::PathFromUtf8(path))) {
  if (!noFile_) {
    const std::optional<platform::FileStamp> opened = file_.stamp();
    // Checked before (while the units were searched, say) and changed or gone since: not the
    // file that was checked.
    if (checked && opened != checked) {
      outcome_ = UploadOutcome::FileChanged;
      return;
    }
    if (!opened) return;
    opened_ = *opened;
    size_ = opened_.size;
  }
  Sendable sendable = SendableAs(row, size_, path, name);
  if (sendable.refused) {
    outcome_ = *sendable.refused;
    return;
  }
  prefix_ = sendable.prefix;
  sentName_ = std::move(sendable.name);
  if (!link::AddressesOneUnit(rec)) {
    outcome_ = UploadOutcome::NotAddressable;
    return;
  }
  ready_ = true;
}

bool UploadRun::announce(link::DeviceRecord& rec, link::Requester& requester) {
  if (!ready_) return false;
  ready_ = false;
  if (!unchanged()) {
    // Changed since it was opened and checked (a picture may have grown past its limit): the
    // unit is not even told of it.
    outcome_ = UploadOutcome::FileChanged;
    return false;
  }
  const std::vector<std::uint8_t> acknowledgement =
      requester.request(address_, AnnounceDatagram(row_, rec, sentName_), kAcknowledgementKept);
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

}  // namespace

CheckedFile CheckFile(const UploadProfile& row, const std::string& path, FileChecks checks,
                      std::string_view name) {
  const bool complete = checks == FileChecks::Complete;
  if (checks != FileChecks::Sending && !HasExtension(path, row.extension)) {
    return {UploadOutcome::WrongExtension};
  }
  CheckedFile checked;
  if (!(path.empty() && row.allowsEmpty)) {
    const std::optional<platform::FileStamp> stamp =
        platform::ReadFile(platform::PathFromUtf8(path)).stamp();
    if (!stamp) return {UploadOutcome::Unreadable};
    checked.stamp = *stamp;
  }
  checked.refused = SendableAs(row, checked.stamp.size, path, name).refused;
  if (!checked.refused && complete && !path.empty()) {
    checked.refused = ContentProblem(row.content, platform::PathFromUtf8(path));
  }
  return checked;
}

UploadOutcome StreamUpload(const UploadProfile& row, const std::string& path,
                           link::DeviceRecord& unit, link::Requester& requester,
                           const link::LinkSettings& settings, platform::Pacing& pacing,
                           const UploadSteps& steps) {
  UploadRun run(row, path, unit, steps.name, steps.checked);
  if (!run.ready()) return run.outcome();
  if (steps.announcing) steps.announcing(run.size());
  if (!run.announce(unit, requester)) return run.outcome();
  return run.stream(settings, pacing, steps.progress);
}

}  // namespace kv3::update
