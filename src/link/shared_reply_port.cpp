#include "link/shared_reply_port.h"

#include <algorithm>
#include <chrono>

#include "link/sock_exception.h"
#include "link/tsock.h"

namespace kv3::link {

namespace {
// How long the receiver waits at most before it looks whether the run has ended.
constexpr int kReceiveSliceMs = 100;
}  // namespace

SharedReplyPort::SharedReplyPort(const LinkSettings& settings)
    : settings_(settings),
      socket_(platform::Socket::Kind::Datagram),
      buffer_(TSock::kReceiveBufferSize) {
  if (!socket_) {
    error_ = socket_.error();
    return;
  }
  // No SO_REUSEADDR: a port that another program holds must make the bind fail.
  if (const int error = socket_.bind(platform::kAnyAddress, platform::ToNet16(settings.replyPort));
      error != 0) {
    error_ = error;
    socket_.close();
    return;
  }
  if (const int error = socket_.setNonBlocking(); error != 0) {
    error_ = error;
    socket_.close();
    return;
  }
  receiver_ = std::jthread([this](std::stop_token stop) { receive(stop); });
}

SharedReplyPort::~SharedReplyPort() {
  if (receiver_.joinable()) {
    receiver_.request_stop();
    receiver_.join();
  }
}

void SharedReplyPort::takeWaiting() {
  for (;;) {
    int error = 0;
    const auto received = socket_.receiveFrom(buffer_, error);
    if (!received) return;
    if (!received->senderKnown) continue;
    const auto it = waiting_.find(received->sender);
    // Only the first answer within the pause counts, as for a unit alone.
    if (it == waiting_.end() || it->second) continue;
    const std::size_t size = std::min(received->size, buffer_.size());
    it->second.emplace(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(size));
  }
}

void SharedReplyPort::receive(std::stop_token stop) {
  while (!stop.stop_requested()) {
    const platform::Socket::Wait wait = socket_.waitReadable(kReceiveSliceMs);
    if (wait == platform::Socket::Wait::Failed) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kReceiveSliceMs));
      continue;
    }
    if (wait != platform::Socket::Wait::Ready) continue;
    const std::lock_guard lock(mutex_);
    takeWaiting();
  }
}

std::vector<std::uint8_t> SharedReplyPort::request(const std::string& address,
                                                   std::span<const std::uint8_t> frame, int pauseMs,
                                                   std::size_t kept, platform::Pacing& pacing) {
  if (error_ != 0) throw ESockException(SockFailure::SendNotConnected);
  const std::optional<std::uint32_t> target = platform::ParseAddress(address);
  if (!target) throw ESockException(SockFailure::HostNotFound);

  // Removes the address from the waiting ones however the pause ends (Ctrl-C included).
  struct Turn {
    SharedReplyPort& port;
    std::uint32_t address;
    ~Turn() {
      {
        const std::lock_guard lock(port.mutex_);
        port.waiting_.erase(address);
      }
      port.turnEnded_.notify_all();
    }
  };
  {
    std::unique_lock lock(mutex_);
    turnEnded_.wait(lock, [&] { return !waiting_.contains(*target); });
    // What the address sent before its request is no answer to it.
    takeWaiting();
    waiting_.emplace(*target, std::nullopt);
  }
  const Turn turn{*this, *target};
  socket_.sendTo(*target, platform::ToNet16(settings_.commandPort), frame);
  pacing.pause(pauseMs);

  std::vector<std::uint8_t> answer(kept, 0);
  const std::lock_guard lock(mutex_);
  takeWaiting();  // what came at the very end of the pause
  if (const auto& got = waiting_.at(*target)) {
    std::copy_n(got->begin(), std::min(got->size(), kept), answer.begin());
  }
  return answer;
}

}  // namespace kv3::link
