#include "link/exchange.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "hex_bytes.h"
#include "link/answer.h"
#include "link/frames.h"
#include "support/loopback_lan.h"
#include "support/test_desktop.h"
#include "udp_peer.h"

namespace kv3::link {
namespace {

using test::SockErrorOf;
using test::UdpPeer;
using namespace std::string_literals;

// Below the ports the kernel hands out on its own, and this test process's alone; the file uses
// kBase+1 to kBase+29.
const std::uint16_t kBase = kv3::test::FreeLoopbackPortRun(30);

LinkSettings TestPorts(int first) {
  LinkSettings settings;
  settings.commandPort = static_cast<std::uint16_t>(first);
  settings.replyPort = static_cast<std::uint16_t>(first + 1);
  settings.transferPort = static_cast<std::uint16_t>(first + 2);
  settings.broadcastAddress = "127.255.255.255";
  return settings;
}

// A unit that answers from a script: each command it hears gets the next entry's datagrams,
// sent back to the sender at once, or, for a late entry, only when the test says so.
class ScriptedUnit {
 public:
  struct Reply {
    std::vector<std::string> datagrams;
    bool late = false;
  };
  ScriptedUnit(const char* bindAddress, int port)
      : peer_(bindAddress, static_cast<std::uint16_t>(port)) {}
  void script(Reply reply) { script_.push_back(std::move(reply)); }

  void serveOne() {
    const auto command = peer_.receive();
    ASSERT_TRUE(command) << "the unit heard no command";
    heard.push_back(command->bytes);
    heardFromPort.push_back(command->fromPort());
    if (script_.empty()) return;
    const Reply reply = std::move(script_.front());
    script_.pop_front();
    if (reply.late) {
      late_ = reply.datagrams;
      lateTo_ = command->from;
      return;
    }
    for (const auto& datagram : reply.datagrams) peer_.sendTo(datagram, command->from);
  }
  void sendLateAnswers() {
    for (const auto& datagram : late_) peer_.sendTo(datagram, lateTo_);
  }

  std::vector<std::string> heard;
  std::vector<std::uint16_t> heardFromPort;

 private:
  UdpPeer peer_;
  std::deque<Reply> script_;
  std::vector<std::string> late_;
  UdpPeer::Endpoint lateTo_;
};

// The test desktop's pacing, with the unit doing its part during the tool's pause: an answer
// "in time" is queued before the pause ends however slow the machine is.
class PacingWithUnit : public platform::Pacing {
 public:
  PacingWithUnit(kv3::test::TestDesktop& desktop, ScriptedUnit& unit)
      : desktop_(desktop), unit_(unit) {}
  void pause(int ms) override {
    unit_.serveOne();
    desktop_.pause(ms);
  }
  void processMessages() override { desktop_.processMessages(); }

 private:
  kv3::test::TestDesktop& desktop_;
  ScriptedUnit& unit_;
};

struct ExchangeTest : ::testing::Test {
  ExchangeTest() { sock.SetSocketType(TSocketType::stDatagram); }
  TSock sock;
  kv3::test::TestDesktop desktop{0.1};
};

TEST_F(ExchangeTest, AnswerIsKeptAndJudgedByTheLowerCaseWord) {
  struct Case {
    std::vector<std::string> answer;
    bool accepted;
    std::string keptText;
  };
  const Case cases[] = {
      {{"ok fwup"}, true, "ok fwup"},
      {{"FWUP"}, false, "FWUP"},
      {{}, false, ""},
      {{std::string(65507, 'x')}, false, std::string(40, 'x')},  // the largest datagram
  };
  const LinkSettings settings = TestPorts(kBase + 1);
  for (const Case& c : cases) {
    ScriptedUnit unit("127.0.0.1", settings.commandPort);
    unit.script({c.answer});
    PacingWithUnit pacing(desktop, unit);
    const auto kept =
        ExchangeOnce(sock, settings, pacing, "127.0.0.1",
                     ShortAnnounceFrame(word::kFirmware, test::SampleRecord()), kKeptAnswer);
    ASSERT_EQ(kept.size(), kKeptAnswer);
    EXPECT_EQ(AnswerContains(kept, "fwup"), c.accepted);
    EXPECT_EQ(AnswerText(kept), c.keptText);
    EXPECT_EQ(unit.heard.at(0).size(), 33u);
    EXPECT_EQ(unit.heardFromPort.at(0), settings.replyPort);
    EXPECT_FALSE(sock.Connected());
  }
  EXPECT_EQ(desktop.pauses, std::vector<int>(4, 500));
}

TEST_F(ExchangeTest, LateAnswerIsNotSeenAndGoesWithTheSocket) {
  const LinkSettings settings = TestPorts(kBase + 4);
  ScriptedUnit unit("127.0.0.1", settings.commandPort);
  unit.script({{"rfup"}, /*late=*/true});
  PacingWithUnit pacing(desktop, unit);
  DeviceRecord rec = test::SampleRecord();
  Exchange exchange(sock, settings, pacing);
  ASSERT_TRUE(exchange.open("127.0.0.1"));
  const auto kept =
      exchange.request(NamedAnnounceFrame(word::kWebApp, rec, "web.rom"), kKeptAnswer);
  EXPECT_EQ(kept, std::vector<std::uint8_t>(kKeptAnswer, 0));
  unit.sendLateAnswers();
  exchange.close();

  ASSERT_TRUE(exchange.open("127.0.0.1"));
  EXPECT_EQ(exchange.receive(kKeptAnswer), std::vector<std::uint8_t>(kKeptAnswer, 0));
  EXPECT_EQ(unit.heard.at(0).size(), 123u);
}

TEST_F(ExchangeTest, SearchTakesQueuedAnswersWithoutFurtherPauses) {
  const LinkSettings settings = TestPorts(kBase + 7);
  ScriptedUnit units("0.0.0.0", settings.commandPort);  // hears the loopback broadcast
  std::vector<std::string> answers;
  for (std::uint8_t last = 1; last <= 3; ++last) {
    DeviceRecord rec = test::SampleRecord();
    rec[record::kMac + 5] = last;
    answers.emplace_back(rec.begin(), rec.end());
    answers.back().append(9, '\0');
  }
  // Behind an answer without the word (an empty datagram is one too), nothing is taken.
  for (const std::string& wordless : {"no word"s, ""s}) {
    std::vector<std::string> script = answers;
    script.push_back(wordless);
    script.push_back(answers[0]);
    units.script({script});
    PacingWithUnit pacing(desktop, units);

    Exchange exchange(sock, settings, pacing);
    ASSERT_TRUE(exchange.openBroadcast());
    exchange.send(CommandFrame(word::kFind));
    exchange.pauseForAnswer();
    std::vector<std::string> macs;
    for (auto kept = exchange.receive(kKeptFind); AnswerContains(kept, "find");
         kept = exchange.receive(kKeptFind)) {
      macs.push_back(MacText(RecordFromAnswer(kept)));
    }
    exchange.close();
    EXPECT_EQ(macs, (std::vector<std::string>{"00:1A:2B:3C:4D:01", "00:1A:2B:3C:4D:02",
                                              "00:1A:2B:3C:4D:03"}));
  }
  EXPECT_EQ(units.heard, (std::vector<std::string>{"FIND\0"s, "FIND\0"s}));
  EXPECT_EQ(desktop.pauses, (std::vector<int>{500, 500}));
}

TEST_F(ExchangeTest, PasswordAnswersThenVersionOnOneSocket) {
  if (platform::RunsUnderWine())
    GTEST_SKIP() << "Wine sends the stranger's datagrams from 127.0.0.1";
  const LinkSettings settings = TestPorts(kBase + 10);
  ScriptedUnit unit("127.0.0.1", settings.commandPort);
  unit.script({{"admin:geheim:1", "Heizungskeller Nord mit langem Namen"}});
  unit.script({{"V1.7 2024-03-01"}});
  PacingWithUnit pacing(desktop, unit);
  // Another host's datagrams (a late search answer, a stranger) are queued before each answer
  // of the unit; they are not the unit's account, name or version.
  UdpPeer stranger("127.0.0.2", static_cast<std::uint16_t>(kBase + 22));

  Exchange exchange(sock, settings, pacing);
  ASSERT_TRUE(exchange.open("127.0.0.1"));
  stranger.sendTo("find late", settings.replyPort);
  stranger.sendTo("", settings.replyPort);
  EXPECT_EQ(AnswerText(exchange.requestFromTarget(CommandFrame(word::kPassword), kKeptAccount)),
            "admin:geheim:1");
  EXPECT_EQ(AnswerText(exchange.receiveFromTarget(kKeptAccount)),
            "Heizungskeller Nord mit langem N");
  stranger.sendTo("stranger:secret", settings.replyPort);
  EXPECT_EQ(AnswerText(exchange.requestFromTarget(CommandFrame(word::kVersion), kKeptAnswer)),
            "V1.7 2024-03-01");
  EXPECT_EQ(AnswerText(exchange.receiveFromTarget(kKeptAnswer)), "");
  exchange.close();
  EXPECT_EQ(unit.heard, (std::vector<std::string>{"PaWd\0"s, "Vers\0"s}));
  EXPECT_EQ(unit.heardFromPort, std::vector<std::uint16_t>(2, settings.replyPort));
  EXPECT_EQ(desktop.pauses, (std::vector<int>{500, 500}));
}

TEST_F(ExchangeTest, SettingsAcknowledgementThenTheNameOnTheSameSocket) {
  const LinkSettings settings = TestPorts(kBase + 13);
  ScriptedUnit unit("0.0.0.0", settings.commandPort);
  unit.script({{"setc"}});
  PacingWithUnit pacing(desktop, unit);
  DeviceRecord rec = test::SampleRecord();

  Exchange exchange(sock, settings, pacing);
  ASSERT_TRUE(exchange.openBroadcast());
  const Frame frame = SettingsFrame(rec, {{10, 0, 0, 7}, {255, 0, 0, 0}, {10, 0, 0, 1}, false},
                                    SettingsText("Keller", false, "admin", "geheim1"));
  ASSERT_TRUE(AnswerContains(exchange.request(frame, kKeptAnswer), "setc"));
  exchange.request(NameFrame(frame, "Keller"), kKeptAnswer);
  exchange.close();
  ASSERT_EQ(unit.heard.size(), 2u);
  EXPECT_EQ(unit.heard[0].size(), 113u);
  EXPECT_EQ(unit.heard[1].size(), 33u);
  EXPECT_EQ(unit.heardFromPort[0], unit.heardFromPort[1]);
}

TEST_F(ExchangeTest, TakenReplyPortSurfacesAsNotConnectedOnSend) {
  const LinkSettings settings = TestPorts(kBase + 16);
  UdpPeer otherProgram("0.0.0.0", settings.replyPort);
  Exchange exchange(sock, settings, desktop);
  EXPECT_FALSE(exchange.open("127.0.0.1"));
  EXPECT_EQ(SockErrorOf([&] { exchange.send(CommandFrame(word::kFind)); }),
            "SendDatagram - Socket Not Connected");
}

TEST_F(ExchangeTest, SocketLeftByAnErrorIsClosedWithTheExchange) {
  const LinkSettings settings = TestPorts(kBase + 19);
  sock.SetSocketType(TSocketType::stStream);  // misconfigured: every send raises
  {
    Exchange exchange(sock, settings, desktop);
    ASSERT_TRUE(exchange.open("127.0.0.1"));
    EXPECT_EQ(SockErrorOf([&] { exchange.send(CommandFrame(word::kFind)); }),
              "SendDatagram - Datagram Send Not Supported On Stream Sockets");
  }
  EXPECT_FALSE(sock.Connected());
}

}  // namespace
}  // namespace kv3::link
