#include "platform/net.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <thread>

namespace kv3::platform {
namespace {

std::uint32_t Loopback(std::uint8_t last) { return ToNet32(0x7F000000U | last); }

TEST(NetSocket, DatagramTellsWhereItWentAndLeavesFromTheAddressAsked) {
  Socket receiver(Socket::Kind::Datagram);
  ASSERT_TRUE(receiver.valid());
  ASSERT_EQ(receiver.receiveAdapter(), 0);
  ASSERT_EQ(receiver.stampArrival(), 0);
  ASSERT_EQ(receiver.bind(kAnyAddress, 0), 0);
  Socket sender(Socket::Kind::Datagram);
  ASSERT_EQ(sender.bind(kAnyAddress, 0), 0);

  const std::array<std::uint8_t, 4> bytes{'F', 'I', 'N', 'D'};
  ASSERT_EQ(sender.sendFrom(Loopback(3), Loopback(2), receiver.localPort(), bytes), 0);
  ASSERT_EQ(receiver.waitReadable(5000), Socket::Wait::Ready);
  std::array<char, 16> buffer{};
  int error = 0;
  const auto received = receiver.receiveFrom(buffer, error);
  ASSERT_TRUE(received.has_value()) << ErrorText(error);
  EXPECT_EQ(received->size, bytes.size());
  EXPECT_EQ(received->sender, Loopback(3));
  if (!RunsUnderWine()) {
    EXPECT_EQ(received->senderPort, sender.localPort());
  }
  EXPECT_EQ(received->destination, Loopback(2));
  EXPECT_LE(received->arrived, std::chrono::steady_clock::now());
}

TEST(NetWaker, WakesAWaitFromAnotherThreadAndStaysReadableUntilDrained) {
  Waker waker;
  ASSERT_TRUE(waker.valid());
  std::array<WaitEntry, 1> entries{{{nullptr, &waker}}};
  EXPECT_EQ(WaitReadable(entries, 0), Socket::Wait::TimedOut);
  std::thread other([&waker] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    waker.wake();
  });
  EXPECT_EQ(WaitReadable(entries, 5000), Socket::Wait::Ready);
  other.join();
  EXPECT_TRUE(entries[0].ready);
  EXPECT_EQ(WaitReadable(entries, 0), Socket::Wait::Ready);
  waker.drain();
  EXPECT_EQ(WaitReadable(entries, 0), Socket::Wait::TimedOut);
  EXPECT_FALSE(entries[0].ready);
}

}  // namespace
}  // namespace kv3::platform
