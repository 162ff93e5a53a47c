#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "link/link_settings.h"
#include "platform/unique_fd.h"

namespace kv3::test {

// A unit in the test's own hand, for checking bytes on the wire: at `address` it takes one
// announce datagram and answers `acknowledgement`, then takes one stream connection, keeps every
// byte the tool writes until the length prefix's count has arrived, and answers `answer`.
// It reads the prefix and nothing else of the stream.
class RawUnit {
 public:
  // How the unit treats the stream connection.
  enum class Stream {
    Read,         // as above
    NeverAccept,  // listens, but never takes the connection off its queue
    NeverRead,    // takes the connection and reads nothing
    ReadSlowly,   // small receive buffer, a pause after every read
  };

  RawUnit(const link::LinkSettings& settings, const std::string& address,
          std::string acknowledgement, std::string answer = "complete!",
          Stream stream = Stream::Read);
  ~RawUnit();
  RawUnit(const RawUnit&) = delete;
  RawUnit& operator=(const RawUnit&) = delete;

  // Waits until the unit is done (or gave up after a few seconds).
  void finish();
  // Waits until an announce that has reached the unit is acknowledged: on a busy machine the
  // unit's thread may get the processor later than the tool's pause lasts.
  void settle() const;
  // Ends the unit at once, wherever it stands (the destructor does this).
  void abandon();
  const std::vector<std::uint8_t>& announce() const { return announce_; }
  const std::vector<std::uint8_t>& stream() const { return stream_; }

 private:
  void run();
  bool readable(int fd) const;

  platform::UniqueFd udp_;
  platform::UniqueFd listener_;
  std::string acknowledgement_;
  std::string answer_;
  Stream mode_;
  std::atomic<bool> handling_{false};
  std::atomic<bool> answered_{false};
  std::vector<std::uint8_t> announce_;
  std::vector<std::uint8_t> stream_;
  platform::UniqueFd stopRead_;
  platform::UniqueFd stopWrite_;
  std::thread thread_;
};

}  // namespace kv3::test
