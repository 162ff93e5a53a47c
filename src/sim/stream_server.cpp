#include "sim/stream_server.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/codepage.h"
#include "platform/file_replace.h"
#include "platform/utf8_path.h"
#include "sim/platform_error.h"

namespace kv3::sim {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kHeaderNameAt = 11;
constexpr std::size_t kHeaderNameWidth = 20;
constexpr std::string_view kComplete = "complete!";
// A connection on which nothing arrives for this long is given up.
constexpr int kIdleMs = 60000;
// How long the unit waits for the tool to close after the answer.
constexpr int kLingerMs = 10000;
// The pace of StreamFault::Slow: this many bytes, then a pause.
constexpr std::size_t kSlowPiece = 1024;
constexpr auto kSlowPause = std::chrono::milliseconds(10);

std::uint32_t Le32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool Named(Command command) {
  return command == Command::Fram || command == Command::Asch || command == Command::Apos;
}

}  // namespace

std::string SafeFileName(const std::string& name, Command command) {
  std::string safe;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    safe.push_back(c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F ? '_' : c);
  }
  if (safe.empty()) return command == Command::Fwup ? "firmware.bin" : "upload.bin";
  if (safe.front() == '.') safe.insert(safe.begin(), '_');
  return safe;
}

namespace {

void SendText(platform::Socket& connection, std::string_view text) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  std::size_t done = 0;
  while (done < text.size()) {
    int error = 0;
    const long sent = connection.send(std::span(bytes + done, text.size() - done), error);
    if (sent <= 0) return;
    done += static_cast<std::size_t>(sent);
  }
}

// Receives what waits, up to `size` bytes; 0 at the stream's end, -1 when the receive failed.
long Receive(platform::Socket& connection, std::uint8_t* into, std::size_t size) {
  int error = 0;
  return connection.receive(std::span(reinterpret_cast<char*>(into), size), error);
}

}  // namespace

BlockHeaderReading ReadBlockHeader(std::uint64_t prefixCount,
                                   std::span<const std::uint8_t, kBlockHeaderSize> header,
                                   const std::string& announcedName) {
  BlockHeaderReading reading;
  if (prefixCount < kBlockHeaderSize) {
    reading.problem = "length prefix smaller than the block header";
    return reading;
  }
  reading.contentSize = prefixCount - kBlockHeaderSize;
  reading.nameLength = Le32(header.data() + 4);
  for (std::size_t i = 0; i < kHeaderNameWidth && header[kHeaderNameAt + i] != 0; ++i) {
    reading.name.push_back(static_cast<char>(header[kHeaderNameAt + i]));
  }
  if (Le32(header.data()) != reading.contentSize || header[8] != 0x55 || header[9] != 0xAA ||
      header[10] != 1) {
    reading.problem = "block header does not match the prefix, marker 55 AA and kind 1";
  } else if (reading.name != announcedName.substr(0, kHeaderNameWidth)) {
    // The header must name what was announced (its field holds the first 20 characters).
    reading.problem =
        "block header names \"" + reading.name + "\", the announce \"" + announcedName + "\"";
  }
  return reading;
}

StreamServer::StreamServer(std::uint16_t port, std::filesystem::path storeDirectory, Done done)
    : port_(port), storeDirectory_(std::move(storeDirectory)), done_(std::move(done)) {}

StreamServer::~StreamServer() { stop(); }

void StreamServer::start() {
  auto stop = std::make_unique<platform::Waker>();
  if (!stop->valid()) ThrowPlatformError(stop->error(), "pipe");
  auto change = std::make_unique<platform::Waker>();
  if (!change->valid()) ThrowPlatformError(change->error(), "pipe");
  stop_ = std::move(stop);
  change_ = std::move(change);
  stopping_ = false;
  acceptor_ = std::thread(&StreamServer::acceptLoop, this);
}

void StreamServer::stop() {
  if (!acceptor_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  closed_.notify_all();
  stop_->wake();
  acceptor_.join();
  for (std::thread& connection : connections_) connection.join();
  connections_.clear();
  listeners_.clear();
}

void StreamServer::wake() { change_->wake(); }

bool StreamServer::expect(std::size_t unit, const Ipv4& address, Command command,
                          const std::string& name, StreamFault fault) {
  const std::uint32_t key = ToHostOrder(address);
  std::unique_lock lock(mutex_);
  if (fault == StreamFault::Refuse || port_ == 0) {
    const auto it = listeners_.find(key);
    if (it == listeners_.end()) return false;
    it->second.closing = true;
    wake();
    // The acceptor closes it; the tool must meet a closed port once the acknowledgement is out.
    closed_.wait(lock, [&] { return stopping_ || !listeners_.contains(key); });
    return false;
  }
  auto it = listeners_.find(key);
  if (it == listeners_.end()) {
    platform::Socket socket(platform::Socket::Kind::Stream);
    if (!socket || socket.setNonBlocking() != 0 ||
        socket.listen(platform::ToNet32(key), platform::ToNet16(port_), 4) != 0) {
      return false;
    }
    it = listeners_.emplace(key, Listener{std::move(socket), false, {}, false}).first;
    wake();
  }
  it->second.pending = Pending{unit, address, command, name, fault};
  it->second.expecting = true;
  return true;
}

void StreamServer::acceptLoop() {
  for (;;) {
    // Only this thread removes listeners (and stop(), once it has ended): the sockets stay while
    // it waits on them.
    std::vector<platform::WaitEntry> entries{{nullptr, stop_.get()}, {nullptr, change_.get()}};
    std::vector<std::uint32_t> keys;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      std::erase_if(listeners_, [](const auto& entry) { return entry.second.closing; });
      for (const auto& [key, listener] : listeners_) {
        entries.push_back({&listener.socket, nullptr});
        keys.push_back(key);
      }
    }
    closed_.notify_all();
    if (platform::WaitReadable(entries, -1) == platform::Socket::Wait::Failed) {
      std::fputs("kv3sim: the wait for transfer connections failed\n", stderr);
      return;
    }
    if (entries[0].ready) return;
    if (entries[1].ready) change_->drain();
    for (std::size_t i = 2; i < entries.size(); ++i) {
      if (!entries[i].ready) continue;
      std::lock_guard lock(mutex_);
      const auto it = listeners_.find(keys[i - 2]);
      if (it == listeners_.end()) continue;
      platform::Socket connection = it->second.socket.accept();
      if (!connection) continue;
      if (!it->second.expecting) continue;  // nothing announced
      it->second.expecting = false;
      connections_.emplace_back(&StreamServer::serve, this, std::move(connection),
                                it->second.pending);
    }
  }
}

bool StreamServer::waitReadable(const platform::Socket& connection, int idleMs) const {
  std::array<platform::WaitEntry, 2> entries{{{&connection, nullptr}, {nullptr, stop_.get()}}};
  return platform::WaitReadable(entries, idleMs) == platform::Socket::Wait::Ready &&
         !entries[1].ready;
}

// One upload on one connection, as a unit takes it, in its steps: the length prefix (with the
// block header of the named rows), the content (stored, or only read), the closing answer, and
// the wait for the tool to close. Each step that ends the upload reports it (done_) with a note.
class StreamServer::Session {
 public:
  Session(const StreamServer& server, platform::Socket connection, Pending pending)
      : server_(server), connection_(std::move(connection)), pending_(std::move(pending)) {
    upload_.unit = pending_.unit;
    upload_.command = pending_.command;
    upload_.announcedName = pending_.name;
  }

  void run() {
    if (!readHead() || !takeContent()) return;
    answer();
    linger();
  }

 private:
  // Reads exactly n bytes into dest; false when the connection ends or stays idle.
  bool readExactly(std::uint8_t* dest, std::size_t n) {
    while (n > 0) {
      if (!server_.waitReadable(connection_, kIdleMs)) return false;
      const long got = Receive(connection_, dest, n);
      if (got <= 0) return false;
      dest += got;
      n -= static_cast<std::size_t>(got);
    }
    return true;
  }

  // Ends the upload with its note; false, for the step that called it.
  bool finish(std::string note) {
    upload_.note = std::move(note);
    if (server_.done_) server_.done_(upload_);
    return false;
  }

  // The length prefix and, for a named row, the block header: the size of the content to come.
  bool readHead() {
    std::array<std::uint8_t, 4> prefix{};
    if (!readExactly(prefix.data(), prefix.size())) return finish("no length prefix");
    size_ = Le32(prefix.data());
    if (Named(pending_.command)) {
      std::array<std::uint8_t, kBlockHeaderSize> header{};
      if (size_ < kBlockHeaderSize) return finish(ReadBlockHeader(size_, header, {}).problem);
      if (!readExactly(header.data(), header.size())) return finish("no block header");
      const BlockHeaderReading reading = ReadBlockHeader(size_, header, pending_.name);
      size_ = reading.contentSize;
      upload_.headerName = reading.name;
      upload_.headerNameLength = reading.nameLength;
      if (!reading.problem.empty()) {
        upload_.announcedSize = size_;
        return finish(reading.problem);
      }
    }
    upload_.announcedSize = size_;
    return true;
  }

  // Reads the content to its announced end, handing each piece to the sink, if any; once the
  // sink fails the rest is still read, as a unit that cannot store goes on listening. What went
  // wrong on the connection, or nothing.
  std::optional<std::string> receiveContent(const platform::ContentSink* sink) {
    const bool slow = pending_.fault == StreamFault::Slow;
    const std::uint64_t dropAt = pending_.fault == StreamFault::Drop ? size_ / 2 : size_ + 1;
    std::vector<std::uint8_t> buffer(64 * 1024);
    while (upload_.received < size_) {
      if (upload_.received >= dropAt) {
        connection_.closeWithReset();
        return "dropped the connection on purpose";
      }
      const std::size_t want = static_cast<std::size_t>(
          std::min<std::uint64_t>(slow ? kSlowPiece : buffer.size(), size_ - upload_.received));
      if (!server_.waitReadable(connection_, kIdleMs)) return "the content stopped coming";
      const long got = Receive(connection_, buffer.data(), want);
      if (got <= 0) return "the connection ended before the announced size";
      const std::span piece(buffer.data(), static_cast<std::size_t>(got));
      if (sink != nullptr && !storeFailed_ && !(*sink)(piece)) storeFailed_ = true;
      upload_.received += static_cast<std::uint64_t>(got);
      if (slow) std::this_thread::sleep_for(kSlowPause);
    }
    if (pending_.fault == StreamFault::Drop) {
      connection_.closeWithReset();
      return "dropped the connection on purpose";
    }
    return std::nullopt;
  }

  // The content, stored when the server keeps files: one folder per unit address, so that units
  // of one process never share a file. The name came in Windows-1252; the file is named in the
  // system's own form of it. It takes the content only once every byte is in.
  bool takeContent() {
    std::optional<std::string> problem;
    if (server_.storeDirectory_.empty()) {
      problem = receiveContent(nullptr);
    } else {
      std::error_code ignored;
      const auto folder = server_.storeDirectory_ / FormatIpv4(pending_.address);
      const auto target = folder / platform::PathFromUtf8(platform::Cp1252ToUtf8(
                                       SafeFileName(pending_.name, pending_.command)));
      std::filesystem::create_directories(folder, ignored);
      const platform::ReplaceResult stored =
          platform::ReplaceFileStreamed(target, [&](const platform::ContentSink& sink) {
            problem = receiveContent(&sink);
            return !problem && !storeFailed_;
          });
      if (!problem && stored != platform::ReplaceResult::Written) {
        // A unit that could not keep the content does not report it complete.
        upload_.whole = true;
        connection_.close();
        const std::string note = "could not store " + platform::Utf8FromPath(target);
        std::fprintf(stderr, "kv3sim: %s\n", note.c_str());
        return finish(note);
      }
      if (!problem) upload_.stored = target;
    }
    if (problem) return finish(*problem);
    upload_.whole = true;
    return true;
  }

  // The closing answer, as the unit's fault makes it.
  void answer() {
    switch (pending_.fault) {
      case StreamFault::Close:
        connection_.close();
        finish("closed without an answer");
        return;
      case StreamFault::CrLf:
        upload_.answer = std::string(kComplete) + "\r\n";
        break;
      case StreamFault::Garbage:
        upload_.answer = std::string("\x15\xff\0", 3) + std::string(kComplete) + "\xfe";
        break;
      case StreamFault::Capital:
        upload_.answer = "Complete!";
        break;
      case StreamFault::Never:
        break;
      default:
        upload_.answer = std::string(kComplete);
        break;
    }
    if (!upload_.answer.empty()) SendText(connection_, upload_.answer);
    finish(upload_.answer.empty() ? "never answers" : "answered");
  }

  // Held until the tool closes (or, when it never answers, until the tool gives up).
  void linger() {
    if (pending_.fault == StreamFault::Close) return;
    std::uint8_t rest[256];
    while (server_.waitReadable(connection_,
                                pending_.fault == StreamFault::Never ? kIdleMs : kLingerMs)) {
      if (Receive(connection_, rest, sizeof rest) <= 0) break;
    }
  }

  const StreamServer& server_;
  platform::Socket connection_;
  Pending pending_;
  StoredUpload upload_;
  std::uint64_t size_ = 0;
  bool storeFailed_ = false;
};

void StreamServer::serve(platform::Socket connection, Pending pending) {
  Session(*this, std::move(connection), std::move(pending)).run();
}

}  // namespace kv3::sim
