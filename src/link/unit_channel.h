#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "link/exchange.h"

namespace kv3::link {

// How an operation speaks to units, whatever socket carries the datagrams. The window's one
// socket takes one answer at a time and stops at the first one that does not fit; kv3's socket
// on the reply port sends out of the adapter each unit answered on and takes every answer that
// came, passing over the ones that do not fit.
class UnitChannel {
 public:
  struct Answer {
    std::vector<std::uint8_t> bytes;  // exactly the `kept` bytes asked for, zero-filled
    unsigned adapterIndex = 0;        // the adapter it came in by, where the socket knows it
    std::uint32_t destination = 0;    // this computer's address it was sent to, where known
  };

  // Sends the frame to every unit or address the channel speaks to, then lets the fixed pause
  // after a command pass.
  virtual void ask(std::span<const std::uint8_t> frame) = 0;
  // The next waiting answer (on a channel to several units: of the unit with that position),
  // without waiting; nothing when none is waiting.
  virtual std::optional<Answer> next(std::size_t kept, std::size_t unit = 0) = 0;
  // True when an answer that is not the one awaited ends the wait; false when it is passed over.
  virtual bool foreignAnswerEnds() const = 0;

 protected:
  ~UnitChannel() = default;
};

// Takes the waiting answers until one carries `word`; true when one did.
bool AwaitWord(UnitChannel& channel, std::string_view word, std::size_t kept);

// The window's channel: its one datagram socket, opened by the exchange. Every answer it reads
// is one datagram; nothing when none waits.
class ExchangeChannel final : public UnitChannel {
 public:
  enum class From { Anyone, Target };
  ExchangeChannel(Exchange& exchange, From from) : exchange_(exchange), from_(from) {}

  void ask(std::span<const std::uint8_t> frame) override;
  std::optional<Answer> next(std::size_t kept, std::size_t unit = 0) override;
  bool foreignAnswerEnds() const override { return true; }

 private:
  Exchange& exchange_;
  From from_;
};

}  // namespace kv3::link
