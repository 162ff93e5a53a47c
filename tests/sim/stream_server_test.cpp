#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <string>
#include <vector>

#include "platform/unique_fd.h"
#include "sim/options.h"
#include "support/loopback_lan.h"
#include "udp_client.h"

namespace kv3::sim {
namespace {

TEST(UploadOptions, StreamFaultsStoreFolderAndRestartSilence) {
  std::string error;
  const auto line = ParseCommandLine({"--store", "/srv/units", "--restart-ms=700", "--unit",
                                      "fault=FWUP:drop,fault=FRAM:capital,fault=RFUP:silent"},
                                     error);
  ASSERT_TRUE(line) << error;
  EXPECT_EQ(line->config.storeDirectory, "/srv/units");
  EXPECT_EQ(line->config.restartSilenceMs, 700);
  const Unit& unit = line->config.units.at(0);
  EXPECT_EQ(unit.fault(Command::Fwup).stream, StreamFault::Drop);
  EXPECT_EQ(unit.fault(Command::Fram).stream, StreamFault::Capital);
  EXPECT_TRUE(unit.fault(Command::Rfup).silent);
  Unit other;
  EXPECT_FALSE(ApplyFaultText("FIND:drop", other, error));  // a stream fault needs an upload
}

// The simulated unit's own reading of a stream: it answers only after a sound block header and
// exactly the announced bytes, and only once it has stored them.
TEST(SimulatedStream, AnswersOnlyAfterASoundHeaderAndEveryAnnouncedByte) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> stream;
    bool whole;
    bool storable = true;
  };
  const std::vector<std::uint8_t> header = {0x05, 0,   0,   0,   0x24, 0, 0, 0, 0x55, 0xAA, 0x01,
                                            'a',  '.', 'j', 'p', 'g',  0, 0, 0, 0,    0,    0,
                                            0,    0,   0,   0,   0,    0, 0, 0, 0};
  const auto framed = [](const std::vector<std::uint8_t>& head, std::size_t content) {
    std::vector<std::uint8_t> bytes(4 + head.size() + content, 0);
    bytes[0] = static_cast<std::uint8_t>(31 + content);
    std::copy(head.begin(), head.end(), bytes.begin() + 4);
    for (std::size_t i = 0; i < content; ++i) {
      bytes[4 + head.size() + i] = static_cast<std::uint8_t>('0' + i);
    }
    return bytes;
  };
  auto badMarker = header;
  badMarker[9] = 0xAB;
  auto badKind = header;
  badKind[10] = 2;
  auto oneShort = framed(header, 5);
  oneShort.pop_back();
  auto badSize = header;
  badSize[0] = 6;
  auto otherName = header;
  otherName[11] = 'b';
  const Case cases[] = {
      {"sound", framed(header, 5), true},
      {"marker 55 AB", framed(badMarker, 5), false},
      {"kind 2", framed(badKind, 5), false},
      {"header size differs from the prefix", framed(badSize, 5), false},
      {"header names another file than the announce", framed(otherName, 5), false},
      {"one byte short", oneShort, false},
      {"sound, but the unit's folder cannot be made", framed(header, 5), true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::ScratchDirectory directory;
    Unit unit = test::NumberedUnit(1);
    if (!c.storable) test::WriteFileBytes(directory.path() / "127.0.0.11", "a file");
    test::LoopbackLan lan({unit}, directory.path());
    testing::UdpClient tool;
    Bytes announce(123, 0);
    const std::string word = "FRAM";
    std::copy(word.begin(), word.end(), announce.begin());
    const std::string name = "a.jpg";
    std::copy(name.begin(), name.end(), announce.begin() + 31);
    tool.send(unit.ip, lan.ports().command, announce);
    const auto ack = tool.receive();
    ASSERT_TRUE(ack);
    EXPECT_EQ(std::string(ack->bytes.begin(), ack->bytes.begin() + 4), "fram");

    platform::UniqueFd stream(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(lan.ports().transfer);
    to.sin_addr.s_addr = htonl(ToHostOrder(unit.ip));
    ASSERT_EQ(::connect(stream.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    ASSERT_EQ(::send(stream.get(), c.stream.data(), c.stream.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(c.stream.size()));
    if (!c.whole) ::shutdown(stream.get(), SHUT_WR);  // what is missing never comes
    char answer[64] = {};
    pollfd wait{stream.get(), POLLIN, 0};
    ASSERT_GT(::poll(&wait, 1, 10000), 0);
    const ssize_t got = ::recv(stream.get(), answer, sizeof answer, 0);
    EXPECT_EQ(std::string(answer, got > 0 ? static_cast<std::size_t>(got) : 0),
              c.whole && c.storable ? "complete!" : "");
    stream.reset();
    lan.sim().stop();
    ASSERT_EQ(lan.sim().uploads().size(), 1u);
    EXPECT_EQ(lan.sim().uploads()[0].whole, c.whole);
    if (c.whole && c.storable) {
      EXPECT_EQ(test::ReadFileBytes(lan.storedFile(0, "a.jpg")), "01234");
      EXPECT_EQ(lan.sim().unit(0).skin, "a.jpg");
    } else {
      EXPECT_NE(lan.sim().unit(0).skin, "a.jpg");
    }
  }
}

}  // namespace
}  // namespace kv3::sim
