#include "link/shared_reply_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/loopback_lan.h"
#include "udp_peer.h"

namespace kv3::link {
namespace {

using test::UdpPeer;

// The request's pause, as the test wants it: there the far side answers.
class PauseAction : public platform::Pacing {
 public:
  explicit PauseAction(std::function<void()> action) : action_(std::move(action)) {}
  void pause(int) override { action_(); }
  void processMessages() override {}

 private:
  std::function<void()> action_;
};

// Answers every request waiting at the peer with `answer`; how many there were.
int AnswerWaiting(UdpPeer& peer, const std::string& answer) {
  int answered = 0;
  while (const auto request = peer.receive(0)) {
    peer.sendTo(answer, request->from);
    ++answered;
  }
  return answered;
}

std::string Text(const std::vector<std::uint8_t>& kept) {
  std::string text(kept.begin(), kept.end());
  return text.substr(0, text.find('\0'));
}

// Two units on loopback at 127.0.0.5 and 127.0.0.6; each request of a case starts inside the
// pause of the one before, so that they overlap as kv3's units do.
class SharedReplyPortTest : public ::testing::Test {
 protected:
  std::vector<std::uint8_t> request(const char* address, PauseAction& pacing) {
    const std::vector<std::uint8_t> frame = {'V', 'e', 'r', 's', 0};
    return port.request(address, frame, 500, 16, pacing);
  }

  const kv3::test::LoopbackPorts ports = kv3::test::FreeLoopbackPorts();
  const LinkSettings settings = kv3::test::LoopbackSettings(ports);
  SharedReplyPort port{settings};
  UdpPeer first{"127.0.0.5", ports.command};
  UdpPeer second{"127.0.0.6", ports.command};
  UdpPeer stranger{"127.0.0.7", 0};
};

TEST_F(SharedReplyPortTest, TwoUnitsSideBySideEachGetTheirOwnAnswer) {
  ASSERT_EQ(port.error(), 0);
  std::string secondGot;
  std::thread secondRequest;
  std::promise<void> secondAnswered;
  // Its pause lasts until its unit has answered (a bound, not a timing expectation).
  PauseAction secondPause([answered = secondAnswered.get_future().share()] {
    answered.wait_for(std::chrono::seconds(5));
  });
  PauseAction firstPause([&] {
    secondRequest = std::thread([&] { secondGot = Text(request("127.0.0.6", secondPause)); });
    // The second request goes out during the first one's pause: two addresses take no turns.
    const auto secondAsked = second.receive(5000);
    ASSERT_TRUE(secondAsked);
    // Answers from anyone else, the second unit's first among them, are not the first's.
    stranger.sendTo("from a stranger", ports.reply);
    second.sendTo("V2.6", secondAsked->from);
    secondAnswered.set_value();
    EXPECT_EQ(AnswerWaiting(first, "V1.5"), 1);
  });
  const std::string firstGot = Text(request("127.0.0.5", firstPause));
  secondRequest.join();
  EXPECT_EQ(firstGot, "V1.5");
  EXPECT_EQ(secondGot, "V2.6");
}

TEST_F(SharedReplyPortTest, TwoRequestsToOneAddressTakeTurns) {
  ASSERT_EQ(port.error(), 0);
  std::string secondGot;
  std::thread secondRequest;
  PauseAction secondPause([&] { EXPECT_EQ(AnswerWaiting(first, "second"), 1); });
  PauseAction firstPause([&] {
    secondRequest = std::thread([&] { secondGot = Text(request("127.0.0.5", secondPause)); });
    EXPECT_EQ(AnswerWaiting(first, "first"), 1);
    // The second request waits for its turn: nothing more reaches the unit in this pause, be it
    // as long as this wait (which bounds the look, and is no expectation of time).
    EXPECT_FALSE(first.receive(300).has_value());
  });
  const std::string firstGot = Text(request("127.0.0.5", firstPause));
  secondRequest.join();
  EXPECT_EQ(firstGot, "first");
  EXPECT_EQ(secondGot, "second");
}

}  // namespace
}  // namespace kv3::link
