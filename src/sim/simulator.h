#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/net.h"
#include "sim/address_text.h"
#include "sim/stream_server.h"
#include "sim/unit.h"

namespace kv3::sim {

struct Config {
  std::vector<Unit> units;
  std::uint16_t commandPort = 48713;
  std::uint16_t transferPort = 48715;  // the units listen here after acknowledging an upload
  // Where the units keep what they were sent, one folder per unit address; empty keeps nothing.
  std::filesystem::path storeDirectory;
  // After a whole firmware or web app a unit restarts: silent this long, then it reports the new
  // version or web app.
  int restartSilenceMs = 0;
  // 0.0.0.0 hears broadcasts; a single address hears only datagrams sent to it.
  Ipv4 bindAddress{0, 0, 0, 0};
  bool logToStderr = false;  // every datagram in and out as hex
  // How many received datagrams received() keeps: a simulator that runs for days must not grow.
  std::size_t logLimit = 4096;
  // A late answer ("late:MS") waits for the caller's clock, which only advance() moves, instead
  // of the real one: a test whose pauses pass scaled and unevenly on a loaded machine moves the
  // units' clock by each pause as the tool means it, so an answer is late by exactly what it
  // says against the tool's pauses, whatever the load.
  bool callerClock = false;
  // Run (by the system's shell) when a unit takes a new address by "SETC" or "SETT", "{}" standing
  // for that address: what gives the machine the address a real unit would now answer from.
  std::string onMove;
};

// One datagram that reached the command port.
struct Received {
  std::chrono::steady_clock::time_point time;
  Endpoint source;
  Endpoint destination;  // the address it was sent to (a unit's or a broadcast) and our port
  Bytes bytes;
  std::string kind;                  // "FIND", "PaWd", "Vers", "SETC", "name" or empty
  std::vector<std::size_t> takenBy;  // indexes of the units that acted on it
  std::string note;                  // what the units made of it, for people
};

// Plays the units of a network on one UDP socket. A datagram to a broadcast address
// (255.255.255.255, 127.255.255.255 or the directed broadcast of a unit's address and mask) is
// heard by every unit, one to a unit's address only by that unit, or by the first of the units
// that share the address, as a LAN hands it to the one the sender's neighbour table holds. Each
// unit answers the sender from its own address. All members may be called from any thread.
class Simulator {
 public:
  explicit Simulator(Config config);
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Binds the command port and starts serving on a thread of its own. Throws std::system_error
  // when the socket cannot be set up (the port in use, for example), std::logic_error when
  // already running.
  void start();
  // Stops serving and closes the socket; answers still waiting for their delay are dropped.
  void stop();
  bool running() const;

  std::uint16_t commandPort() const;
  std::uint16_t transferPort() const;

  std::size_t unitCount() const;
  // A copy of the unit's current state; throws std::out_of_range.
  Unit unit(std::size_t index) const;
  void setUnit(std::size_t index, const Unit& unit);
  void setFault(std::size_t index, Command command, const Fault& fault);

  // The latest datagrams, oldest first: at most Config::logLimit of them.
  std::vector<Received> received() const;
  void clearReceived();

  // Every stream connection served, in the order they ended.
  std::vector<StoredUpload> uploads() const;

  // Waits until every datagram that has reached the units is handled and every answer due by
  // now has left, at most `limit`; false when the limit passed. Late answers are due counted
  // from the moment a datagram arrived, not from when the simulator got to it. For tests on a
  // loaded machine, where the simulator's thread may get the processor late: a fixed pause then
  // means what it means on an idle one.
  bool settle(std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

  // With Config::callerClock: the units' clock moves on by `passed`, counted from where it
  // stood when each late answer's datagram was handled; the answers due by then leave, in the
  // order they are due (settle() waits for them).
  void advance(std::chrono::milliseconds passed);

 private:
  struct Outgoing {
    Ipv4 from;
    Endpoint to;
    Bytes bytes;
  };
  using Queue = std::multimap<std::chrono::steady_clock::time_point, Outgoing>;

  void serve();
  void receiveAll();
  void handle(const Bytes& datagram, const Endpoint& source, const Ipv4& destination,
              std::chrono::steady_clock::time_point arrived);
  void sendDue();
  void send(const Outgoing& answer);
  bool isBroadcast(const Ipv4& destination) const;
  void uploadEnded(const StoredUpload& upload);

  mutable std::mutex lifecycle_;  // start and stop
  mutable std::mutex mutex_;
  Config config_;
  std::vector<std::optional<Endpoint>> nameFrom_;  // per unit: sender of its last accepted SETC
  std::deque<Received> log_;
  std::chrono::steady_clock::time_point started_;

  platform::Socket socket_;
  std::unique_ptr<platform::Waker> wake_;  // wakes the serving thread to stop
  std::thread thread_;
  bool stopping_ = false;  // guarded by mutex_
  // What settle() waits for, guarded by mutex_: the serving thread at work, the next answer due.
  bool busy_ = false;
  std::chrono::steady_clock::time_point nextDue_ = std::chrono::steady_clock::time_point::max();
  mutable std::condition_variable idle_;
  std::unique_ptr<StreamServer> streams_;
  std::vector<std::chrono::steady_clock::time_point> restartUntil_;  // guarded by mutex_
  std::vector<StoredUpload> uploads_;                                // guarded by mutex_
  // With callerClock, guarded by mutex_: the caller's clock, the late answers by the time they
  // are due on it, and those due that the serving thread has yet to send, with the moment
  // advance() let them go.
  std::chrono::milliseconds callerNow_{0};
  std::multimap<std::chrono::milliseconds, Outgoing> held_;
  std::vector<std::pair<std::chrono::steady_clock::time_point, Outgoing>> released_;

  // Used by the serving thread only.
  Queue queue_;
  Bytes buffer_;
};

}  // namespace kv3::sim
