#pragma once

#include <cstdint>
#include <string>

namespace kv3::link {

// Where the tool and the units meet. The defaults are the production values; tests and
// benchmarks give their own ports and a loopback broadcast address.
struct LinkSettings {
  std::uint16_t commandPort = 48713;   // the unit's command port
  std::uint16_t replyPort = 48714;     // the tool's own port: commands go out, answers come in
  std::uint16_t transferPort = 48715;  // the unit's stream port for file contents
  std::string broadcastAddress = "255.255.255.255";
  // Time limits of an upload's stream connection, so that a unit that stops answering never
  // holds the window for good.
  int connectTimeoutMs = 5000;     // connecting to the transfer port
  int sendStallTimeoutMs = 30000;  // the unit takes no more bytes
  int answerTimeoutMs = 30000;     // the closing answer after the last byte
};

}  // namespace kv3::link
