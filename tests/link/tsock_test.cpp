#include "link/tsock.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

#include "link/address_lookup.h"
#include "support/loopback_lan.h"
#include "udp_peer.h"

namespace kv3::link {
namespace {

using test::SockErrorOf;
using test::UdpPeer;
using namespace std::string_literals;

// Below the ports the kernel hands out on its own, and this test process's alone; the file uses
// kBase+1 to kBase+29.
const std::uint16_t kBase = kv3::test::FreeLoopbackPortRun(30);

// A datagram socket set up as the window sets up its own, on test ports.
void Configure(TSock& sock, int localPort, int remotePort, const std::string& host = "127.0.0.1") {
  sock.SetSocketType(TSocketType::stDatagram);
  sock.SetHostName(host);
  sock.SetLocalPortName(std::to_string(localPort));
  sock.SetPortName(std::to_string(remotePort));
}

TEST(TSock, ClosedSocketRefusesToSendAndReceive) {
  TSock sock;
  EXPECT_EQ(sock.LocalPortName(), "-1");
  EXPECT_EQ(sock.SocketType(), TSocketType::stStream);
  Configure(sock, kBase + 1, kBase + 2);
  std::string sender;
  EXPECT_EQ(SockErrorOf([&] { sock.SendDatagram("x"s, "127.0.0.1"); }),
            "SendDatagram - Socket Not Connected");
  EXPECT_EQ(SockErrorOf([&] { sock.ReceiveDatagram(sender); }),
            "ReceiveDatagram - Socket Not Connected");
}

TEST(TSock, ReceivesOneDatagramAtATimeWholeAndBounded) {
  TSock sock;
  Configure(sock, kBase + 3, kBase + 4);
  ASSERT_TRUE(sock.Open());
  std::string sender = "stale";
  EXPECT_EQ(sock.ReceiveDatagram(sender), "");  // nothing queued: at once, empty
  EXPECT_EQ(sender, "");

  sock.SetBlockingTimeout(5);  // the datagrams below are on their way; this only bounds the wait
  UdpPeer peer("127.0.0.1", kBase + 4);
  for (const std::string& sent : {"ab\0cd\0"s, "\0"s, std::string(40000, 'x')}) {
    peer.sendTo(sent, kBase + 3);
    const std::string got = sock.ReceiveDatagram(sender);
    EXPECT_EQ(got, sent.substr(0, TSock::kReceiveBufferSize));
    EXPECT_EQ(sender, "127.0.0.1");
  }
}

TEST(TSock, ZeroLengthDatagramIsAnEmptyDatagramNotAnError) {
  TSock sock;
  Configure(sock, kBase + 5, kBase + 6);
  ASSERT_TRUE(sock.Open());
  sock.SetBlockingTimeout(5);
  UdpPeer peer("127.0.0.1", kBase + 6);
  peer.sendTo("", kBase + 5);
  std::string sender;
  EXPECT_EQ(sock.ReceiveDatagram(sender), "");
  EXPECT_EQ(sender, "127.0.0.1");
  peer.sendTo("next", kBase + 5);  // the socket goes on working
  EXPECT_EQ(sock.ReceiveDatagram(sender), "next");
}

TEST(TSock, DataStartingWithZeroIsNotSentButReportsSuccess) {
  TSock sock;
  Configure(sock, kBase + 7, kBase + 8);
  ASSERT_TRUE(sock.Open());
  UdpPeer peer("127.0.0.1", kBase + 8);
  EXPECT_TRUE(sock.SendDatagram("\0abc"s, "127.0.0.1"));
  EXPECT_TRUE(sock.SendDatagram("FIND\0"s, "127.0.0.1"));
  const auto first = peer.receive();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->bytes, "FIND\0"s);
  EXPECT_EQ(first->fromPort(), kBase + 7);
}

TEST(TSock, LocalPortMinusOneBindsTheRemotePort) {
  TSock sock;
  Configure(sock, kBase + 9, kBase + 9);
  sock.SetLocalPortName("-1");
  ASSERT_TRUE(sock.Open());
  sock.SetBlockingTimeout(5);
  sock.SendDatagram("ping"s, "127.0.0.1");  // bound to the port it sends to: it hears itself
  std::string sender;
  EXPECT_EQ(sock.ReceiveDatagram(sender), "ping");
}

TEST(TSock, OpenAndCloseTwice) {
  TSock sock;
  Configure(sock, kBase + 10, kBase + 11);
  ASSERT_TRUE(sock.Open());
  sock.SetLocalPortName(std::to_string(kBase + 12));
  EXPECT_TRUE(sock.Open());
  sock.SetBlockingTimeout(5);
  UdpPeer peer("127.0.0.1", kBase + 11);
  peer.sendTo("still here", kBase + 10);  // the first bind is still in force
  std::string sender;
  EXPECT_EQ(sock.ReceiveDatagram(sender), "still here");
  EXPECT_TRUE(sock.Close());
  EXPECT_FALSE(sock.Close());
  EXPECT_FALSE(sock.Connected());
}

TEST(TSock, TakenPortMakesOpenFailAndTheNextSendRaise) {
  UdpPeer otherProgram("0.0.0.0", kBase + 13);
  TSock sock;
  Configure(sock, kBase + 13, kBase + 14);
  EXPECT_FALSE(sock.Open());
  EXPECT_FALSE(sock.Connected());
  EXPECT_EQ(SockErrorOf([&] { sock.SendDatagram("FIND\0"s, "127.0.0.1"); }),
            "SendDatagram - Socket Not Connected");
  EXPECT_FALSE(sock.Close());  // nothing was left open
}

TEST(TSock, DestroyingAnOpenSocketReleasesItsPort) {
  {
    TSock sock;
    Configure(sock, kBase + 15, kBase + 16);
    ASSERT_TRUE(sock.Open());
  }
  EXPECT_NO_THROW(UdpPeer("0.0.0.0", kBase + 15));
}

TEST(TSock, SendsToTheLoopbackBroadcastAddress) {
  TSock sock;
  Configure(sock, kBase + 17, kBase + 18, "127.255.255.255");
  ASSERT_TRUE(sock.Open());
  UdpPeer unit("0.0.0.0", kBase + 18);
  sock.SendDatagram("FIND\0"s, "127.255.255.255");
  const auto heard = unit.receive();
  ASSERT_TRUE(heard) << "broadcast not sent";
  EXPECT_EQ(heard->bytes, "FIND\0"s);
}

TEST(TSock, StreamSocketsCarryNoDatagramsAndKeepTheirType) {
  TSock sock;
  sock.SetLocalPortName(std::to_string(kBase + 19));
  sock.SetPortName(std::to_string(kBase + 20));
  ASSERT_TRUE(sock.Open());
  EXPECT_EQ(SockErrorOf([&] { sock.SetSocketType(TSocketType::stDatagram); }),
            "SocketType - Can't Assign Socket Type While Connected");
  EXPECT_EQ(SockErrorOf([&] { sock.SendDatagram("x"s, "127.0.0.1"); }),
            "SendDatagram - Datagram Send Not Supported On Stream Sockets");
  std::string sender;
  EXPECT_EQ(SockErrorOf([&] { sock.ReceiveDatagram(sender); }),
            "ReceiveDatagram - Datagram Receive Not Supported On Stream Sockets");
}

TEST(AddressLookup, DottedTextsAndPorts) {
  const std::pair<const char*, const char*> hosts[] = {
      {"", "0.0.0.0"},
      {"192.168.1.50", "192.168.1.50"},
      {"1.2.3.256", "255.255.255.255"},  // converted, not refused: the broadcast address
      {"1..2", "255.255.255.255"},
      {"127.1", "127.0.0.1"},  // the short forms are taken
      // A full dotted quad is decimal, leading zeros and all (inet_addr would read octal).
      {"10.78.0.021", "10.78.0.21"},
      {"192.168.2.08", "192.168.2.8"},
      {"127.000.000.015", "127.0.0.15"},
  };
  for (const auto& [text, address] : hosts) {
    EXPECT_EQ(AddressText(LookupHost(text)), address) << '"' << text << '"';
  }
  TSock sock;  // an open socket resolves a new host at once
  Configure(sock, kBase + 21, kBase + 22, "127.0.0.300");
  ASSERT_TRUE(sock.Open());
  EXPECT_EQ(sock.RemoteAddressText(), "255.255.255.255");
  sock.SetHostName("127.1");
  EXPECT_EQ(sock.RemoteAddressText(), "127.0.0.1");

  EXPECT_EQ(LookupPort("48713abc", "udp"), htons(48713));
  EXPECT_EQ(LookupPort("70000", "udp"), htons(70000 - 65536));
  EXPECT_EQ(LookupPort("domain", "udp"), htons(53));  // from the local service database
  sock.Close();
  sock.SetPortName("no-such-service");
  EXPECT_EQ(SockErrorOf([&] { sock.Open(); }), "Port Lookup - Could Not Find Service Entry");
  EXPECT_FALSE(sock.Connected());
}

// Name resolution may ask a name server: only where nothing can leave the machine. The unknown
// name is one that the resolver refuses without asking a server, which could not be reached.
TEST(AddressLookup, HostNamesOnlyInAnIsolatedNetwork) {
  if (!kv3::test::InIsolatedNetwork()) {
    GTEST_SKIP() << "host names are resolved only inside an isolated network namespace";
  }
  const std::string unknown = "no such host.invalid";
  EXPECT_EQ(AddressText(LookupHost("localhost")), "127.0.0.1");
  TSock sock;
  Configure(sock, kBase + 23, kBase + 24, unknown);
  EXPECT_EQ(SockErrorOf([&] { sock.Open(); }), "Host Lookup - Could Not Find Host Entry");
  EXPECT_FALSE(sock.Connected());
  sock.SetHostName("localhost");
  ASSERT_TRUE(sock.Open());
  EXPECT_EQ(SockErrorOf([&] { sock.SendDatagram("FIND\0"s, unknown); }),
            "Host Lookup - Could Not Find Host Entry");
  EXPECT_TRUE(sock.Connected());  // a failed lookup leaves an open socket open

  sock.Close();
  Configure(sock, kBase + 23, kBase + 25, "255.255.255.255");  // the production broadcast
  UdpPeer unit("0.0.0.0", kBase + 25);
  ASSERT_TRUE(sock.Open());
  sock.SendDatagram("FIND\0"s, "255.255.255.255");
  const auto heard = unit.receive();
  ASSERT_TRUE(heard);
  EXPECT_EQ(heard->bytes, "FIND\0"s);
}

}  // namespace
}  // namespace kv3::link
