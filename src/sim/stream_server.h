#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "platform/net.h"
#include "sim/address_text.h"
#include "sim/unit.h"

namespace kv3::sim {

// What one stream connection brought.
struct StoredUpload {
  std::size_t unit = 0;
  Command command = Command::Fwup;
  std::string announcedName;  // from byte 31 of the announce; empty for "FWUP"
  std::string headerName;     // from the block header ("FRAM", "ASCH", "APOS")
  std::uint32_t headerNameLength = 0;
  std::uint64_t announcedSize = 0;  // content bytes the prefix (and header) announced
  std::uint64_t received = 0;       // content bytes that arrived
  std::string answer;               // what the unit sent back; empty when nothing
  bool whole = false;               // every announced byte arrived and the framing was sound
  std::filesystem::path stored;     // where the content was kept; empty unless whole
  std::string note;
};

// A named stream's 31-byte block header as the unit reads it.
inline constexpr std::size_t kBlockHeaderSize = 31;
struct BlockHeaderReading {
  std::uint64_t contentSize = 0;  // what the length prefix leaves for the content
  std::string name;               // at most 20 bytes, up to the first zero
  std::uint32_t nameLength = 0;
  std::string problem;  // empty when the header agrees with the prefix and the announce
};
// prefixCount: what the length prefix announced (content and header).
BlockHeaderReading ReadBlockHeader(std::uint64_t prefixCount,
                                   std::span<const std::uint8_t, kBlockHeaderSize> header,
                                   const std::string& announcedName);

// A name from the wire as the name of a stored file: no directories, nothing hidden, never
// empty.
std::string SafeFileName(const std::string& name, Command command);

// The units' side of the stream transfer: after an acknowledged announce the unit listens on
// its address at the transfer port, reads the length prefix, for the named kinds the 31-byte
// block header, then exactly the announced bytes, and answers "complete!". It parses the stream
// with its own code. Each connection is served on a thread of its own, so a slow or silent one
// holds up no other.
class StreamServer {
 public:
  using Done = std::function<void(const StoredUpload&)>;

  // port 0 takes none: every announce is then refused. storeDirectory empty keeps nothing.
  StreamServer(std::uint16_t port, std::filesystem::path storeDirectory, Done done);
  ~StreamServer();
  StreamServer(const StreamServer&) = delete;
  StreamServer& operator=(const StreamServer&) = delete;

  void start();
  // Ends every connection and joins the threads.
  void stop();

  // The unit at `address` acknowledged an announce and expects the content next. Called before
  // the acknowledgement leaves, so the listener is there when the tool connects. With
  // StreamFault::Refuse the address stops listening instead. False when nobody listens.
  bool expect(std::size_t unit, const Ipv4& address, Command command, const std::string& name,
              StreamFault fault);

 private:
  struct Pending {
    std::size_t unit = 0;
    Ipv4 address{};
    Command command = Command::Fwup;
    std::string name;
    StreamFault fault = StreamFault::None;
  };
  struct Listener {
    platform::Socket socket;
    bool closing = false;
    Pending pending;
    bool expecting = false;
  };

  class Session;

  void acceptLoop();
  void serve(platform::Socket connection, Pending pending);
  // Waits for the connection to become readable; false when stopping or after idleMs.
  bool waitReadable(const platform::Socket& connection, int idleMs) const;
  void wake();

  std::uint16_t port_;
  std::filesystem::path storeDirectory_;
  Done done_;

  std::mutex mutex_;
  std::condition_variable closed_;
  std::map<std::uint32_t, Listener> listeners_;  // by address, host order
  std::list<std::thread> connections_;
  bool stopping_ = false;
  std::thread acceptor_;
  std::unique_ptr<platform::Waker> stop_;    // woken once, at stop, and never drained
  std::unique_ptr<platform::Waker> change_;  // woken at every change of the listeners
};

}  // namespace kv3::sim
