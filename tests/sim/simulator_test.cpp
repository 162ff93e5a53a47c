#include "sim/simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "udp_client.h"

namespace kv3::sim {
namespace {

using testing::Command0;
using testing::Datagram;
using testing::kLoopbackBroadcast;
using testing::Text0;
using testing::ToBytes;

constexpr Ipv4 kHeizung{127, 0, 0, 2};
constexpr Ipv4 kKeller{127, 0, 0, 3};
constexpr Ipv4 kGarage{127, 0, 0, 4};
constexpr Mac kKellerMac{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5F};

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Padded(std::string_view text, std::size_t width) {
  Bytes bytes = ToBytes(text);
  bytes.resize(width, 0);
  return bytes;
}

Config ThreeUnits() {
  Unit heizung;
  heizung.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  heizung.ip = kHeizung;
  heizung.mask = {255, 255, 255, 0};
  heizung.gateway = {127, 0, 0, 1};
  heizung.fwMajor = 1;
  heizung.fwMinor = 7;
  heizung.scheme = "anlage.jpg";
  heizung.skin = "rahmen.jpg";
  heizung.webApp = "web1.rom";
  heizung.deviceName = "Heizung";
  heizung.user = "admin";
  heizung.password = "geheim12";
  heizung.version = "V1.7 2026";
  Unit keller = heizung;
  keller.mac = kKellerMac;
  keller.ip = kKeller;
  keller.deviceName = "Keller";
  keller.version = "V1.8";
  Unit garage = heizung;
  garage.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x60};
  garage.ip = kGarage;
  garage.dhcp = true;
  garage.deviceName = "Garage";
  Config config;
  config.units = {heizung, keller, garage};
  return config;
}

// A SETC frame as the tool builds it from a unit's record.
Bytes SetcFrame(const Unit& unit, const Ipv4& ip, const Ipv4& mask, bool dhcp,
                std::string_view settings) {
  const Record record = FindRecord(unit);
  Bytes frame(record.begin(), record.end());
  frame.resize(113, 0);
  std::copy_n("SETC", 4, frame.begin());
  std::copy(ip.begin(), ip.end(), frame.begin() + 12);
  std::copy(mask.begin(), mask.end(), frame.begin() + 16);
  frame[24] = dhcp ? 1 : 0;
  std::copy(settings.begin(), settings.end(), frame.begin() + 31);
  frame[31 + settings.size()] = 0;
  return frame;
}

class SimulatorTest : public ::testing::Test {
 protected:
  void SetUp() override { sim_ = testing::StartSimulator(ThreeUnits()); }

  void send(const Ipv4& to, const Bytes& bytes) { client_.send(to, sim_->commandPort(), bytes); }

  Datagram receive() {
    auto datagram = client_.receive();
    if (!datagram) throw std::runtime_error("no answer from the simulator");
    return *datagram;
  }

  // Everything the units send before the answer to a "Vers" sent now to Heizung. The simulator
  // handles datagrams in order, so an answer due at once cannot come after it.
  std::vector<Datagram> answersBeforeMarker() {
    send(kHeizung, Command0("Vers"));
    std::vector<Datagram> answers;
    for (;;) {
      Datagram datagram = receive();
      if (datagram.source.address == kHeizung && datagram.bytes == Text0("V1.7 2026")) break;
      answers.push_back(std::move(datagram));
    }
    return answers;
  }

  std::vector<Datagram> answersTo(const Ipv4& to, const Bytes& request) {
    send(to, request);
    return answersBeforeMarker();
  }

  std::unique_ptr<Simulator> sim_;
  testing::UdpClient client_;
};

TEST_F(SimulatorTest, BroadcastFindIsAnsweredByEachUnitFromItsOwnAddress) {
  const auto answers = answersTo(kLoopbackBroadcast, Command0("FIND"));
  ASSERT_EQ(answers.size(), 3u);
  std::set<Ipv4> sources;
  for (const Datagram& answer : answers) {
    if (!platform::RunsUnderWine()) {
      EXPECT_EQ(answer.source.port, sim_->commandPort());
    }
    sources.insert(answer.source.address);
  }
  EXPECT_EQ(sources, (std::set<Ipv4>{kHeizung, kKeller, kGarage}));

  const auto heizung = std::find_if(answers.begin(), answers.end(),
                                    [](const Datagram& d) { return d.source.address == kHeizung; });
  const Bytes expected = Concat({ToBytes("find"),
                                 {1, 7},
                                 {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E},
                                 {127, 0, 0, 2},
                                 {255, 255, 255, 0},
                                 {127, 0, 0, 1},
                                 {0},
                                 {0, 0, 0, 0, 0, 0},
                                 Padded("anlage.jpg", 21),
                                 Padded("rahmen.jpg", 21),
                                 Padded("web1.rom", 38)});
  ASSERT_EQ(expected.size(), 111u);
  EXPECT_EQ(heizung->bytes, expected);

  const auto log = sim_->received();
  ASSERT_GE(log.size(), 1u);
  EXPECT_EQ(log[0].source, (Endpoint{{127, 0, 0, 1}, client_.port()}));
  EXPECT_EQ(log[0].destination, (Endpoint{kLoopbackBroadcast, sim_->commandPort()}));
  EXPECT_EQ(log[0].bytes, Command0("FIND"));
  EXPECT_EQ(log[0].takenBy, (std::vector<std::size_t>{0, 1, 2}));
}

TEST_F(SimulatorTest, DestinationDecidesWhichUnitsHear) {
  struct Case {
    Ipv4 destination;
    std::set<Ipv4> answering;
  };
  const Case cases[] = {
      {{127, 255, 255, 255}, {kHeizung, kKeller, kGarage}},
      {{127, 0, 0, 255}, {kHeizung, kKeller, kGarage}},  // directed broadcast of 127.0.0.2/24
      {kKeller, {kKeller}},
      {{127, 0, 0, 9}, {}},
  };
  for (const Case& c : cases) {
    std::set<Ipv4> answering;
    for (const Datagram& answer : answersTo(c.destination, Command0("FIND"))) {
      answering.insert(answer.source.address);
    }
    EXPECT_EQ(answering, c.answering) << FormatIpv4(c.destination);
  }
}

TEST_F(SimulatorTest, NetworksWithoutRoomForABroadcastHaveNone) {
  // Keller's own address is the "all host bits" address of a /31 or /32 network; a datagram to
  // it must still reach Keller alone. From /30 on, that address is a real directed broadcast.
  struct Case {
    Ipv4 kellerMask;
    Ipv4 heizungMask;
    std::set<Ipv4> answering;
  };
  const Case cases[] = {
      {{255, 255, 255, 255}, {255, 255, 255, 0}, {kKeller}},
      {{255, 255, 255, 254}, {255, 255, 255, 254}, {kKeller}},
      {{255, 255, 255, 0}, {255, 255, 255, 252}, {kHeizung, kKeller, kGarage}},
  };
  for (const Case& c : cases) {
    Unit keller = sim_->unit(1);
    keller.mask = c.kellerMask;
    sim_->setUnit(1, keller);
    Unit heizung = sim_->unit(0);
    heizung.mask = c.heizungMask;
    sim_->setUnit(0, heizung);
    std::set<Ipv4> answering;
    for (const Datagram& answer : answersTo(kKeller, Command0("FIND"))) {
      answering.insert(answer.source.address);
    }
    EXPECT_EQ(answering, c.answering) << FormatIpv4(c.kellerMask);
  }
}

TEST_F(SimulatorTest, LogKeepsOnlyTheLatestDatagrams) {
  Config config = ThreeUnits();
  config.logLimit = 2;
  sim_ = testing::StartSimulator(config);
  send(kHeizung, ToBytes("junk"));
  answersTo(kLoopbackBroadcast, Command0("FIND"));
  const auto log = sim_->received();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].bytes, Command0("FIND"));
  EXPECT_EQ(log[1].bytes, Command0("Vers"));
}

TEST_F(SimulatorTest, PaWdAndVersAnswerTheUnitsTexts) {
  send(kKeller, Command0("PaWd"));
  const Datagram account = receive();
  const Datagram name = receive();
  EXPECT_EQ(account.source.address, kKeller);
  EXPECT_EQ(account.bytes, Text0("admin:geheim12"));
  EXPECT_EQ(name.source.address, kKeller);
  EXPECT_EQ(name.bytes, Text0("Keller"));
  send(kKeller, Command0("Vers"));
  EXPECT_EQ(receive().bytes, Text0("V1.8"));
}

TEST_F(SimulatorTest, SetcForTheUnitsMacChangesWhatItReports) {
  const Unit before = sim_->unit(1);
  send(kLoopbackBroadcast,
       SetcFrame(before, {127, 0, 0, 7}, {255, 255, 0, 0}, true, "Waschkeller\\0\\hans:pa:ss"));
  const Datagram ack = receive();
  EXPECT_EQ(ack.source.address, kKeller);  // still from the address the command reached
  EXPECT_EQ(ack.bytes, Text0("setc"));

  Bytes nameFrame = Padded("Waschkeller", 16);
  nameFrame.resize(33, 0);
  send(kLoopbackBroadcast, nameFrame);

  constexpr Ipv4 kMoved{127, 0, 0, 7};
  std::optional<Datagram> moved;
  for (Datagram& answer : answersTo(kLoopbackBroadcast, Command0("FIND"))) {
    if (answer.source.address == kMoved) moved = std::move(answer);
  }
  ASSERT_TRUE(moved);
  Record expected = FindRecord(before);
  std::copy(kMoved.begin(), kMoved.end(), expected.begin() + 12);
  expected[18] = 0;  // mask 255.255.0.0
  expected[19] = 0;
  expected[24] = 1;
  EXPECT_EQ(moved->bytes, Bytes(expected.begin(), expected.end()));

  send(kMoved, Command0("PaWd"));
  EXPECT_EQ(receive().bytes, Text0("hans:pa:ss"));
  EXPECT_EQ(receive().bytes, Text0("Waschkeller"));
  send(kMoved, Command0("Vers"));
  EXPECT_EQ(receive().bytes, Text0("V1.8"));

  const auto log = sim_->received();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0].kind, "SETC");
  EXPECT_EQ(log[0].takenBy, std::vector<std::size_t>{1});
  EXPECT_EQ(log[1].kind, "name");
  EXPECT_EQ(log[1].takenBy, std::vector<std::size_t>{1});
  EXPECT_EQ(log[1].bytes, nameFrame);
  EXPECT_EQ(sim_->unit(1).settingsFlag, "0");
}

TEST_F(SimulatorTest, SetcForAForeignMacChangesNothingAndIsNotAnswered) {
  Unit stranger = sim_->unit(1);
  stranger.mac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x99};
  const auto answers =
      answersTo(kLoopbackBroadcast,
                SetcFrame(stranger, {127, 0, 0, 7}, {255, 0, 0, 0}, false, "Fremd\\0\\x:y"));
  EXPECT_TRUE(answers.empty());
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(FindRecord(sim_->unit(i)), FindRecord(ThreeUnits().units[i]));
    EXPECT_EQ(sim_->unit(i).deviceName, ThreeUnits().units[i].deviceName);
  }
  EXPECT_TRUE(sim_->received().front().takenBy.empty());
}

TEST_F(SimulatorTest, FaultsChangeWhatTheUnitSends) {
  const Record record = FindRecord(sim_->unit(1));
  Bytes wordless(record.begin(), record.end());
  std::copy_n("xxxx", 4, wordless.begin());
  const Bytes setc = SetcFrame(sim_->unit(1), kKeller, {255, 0, 0, 0}, false, "Keller\\0\\a:b");
  struct Case {
    const char* name;
    Command command;
    Fault fault;
    Ipv4 to;
    Bytes request;
    std::vector<Bytes> expected;
  };
  const Case cases[] = {
      {"FIND silent", Command::Find, {.silent = true}, kKeller, Command0("FIND"), {}},
      {"FIND noword", Command::Find, {.noWord = true}, kKeller, Command0("FIND"), {wordless}},
      {"PaWd silent", Command::PaWd, {.silent = true}, kKeller, Command0("PaWd"), {}},
      {"PaWd first-only",
       Command::PaWd,
       {.firstOnly = true},
       kKeller,
       Command0("PaWd"),
       {Text0("admin:geheim12")}},
      {"Vers silent", Command::Vers, {.silent = true}, kKeller, Command0("Vers"), {}},
      {"SETC silent", Command::Setc, {.silent = true}, kLoopbackBroadcast, setc, {}},
      {"SETC noword", Command::Setc, {.noWord = true}, kLoopbackBroadcast, setc, {Text0("xxxx")}},
  };
  for (const Case& c : cases) {
    sim_->setFault(1, c.command, c.fault);
    std::vector<Bytes> fromKeller;
    for (const Datagram& answer : answersTo(c.to, c.request)) {
      if (answer.source.address == kKeller) fromKeller.push_back(answer.bytes);
    }
    EXPECT_EQ(fromKeller, c.expected) << c.name;
    sim_->setFault(1, c.command, Fault{});
  }
  // A silent unit still takes the settings.
  EXPECT_EQ(sim_->unit(1).user, "a");
}

TEST_F(SimulatorTest, LateAnswerComesAfterTheOthers) {
  sim_->setFault(1, Command::Find, {.lateMs = 50});
  sim_->setFault(1, Command::PaWd, {.lateMs = 50});
  send(kLoopbackBroadcast, Command0("FIND"));
  send(kKeller, Command0("PaWd"));
  std::vector<Ipv4> order;
  std::vector<Bytes> fromKeller;
  for (int i = 0; i < 5; ++i) {
    Datagram datagram = receive();
    order.push_back(datagram.source.address);
    if (datagram.source.address == kKeller) fromKeller.push_back(datagram.bytes);
  }
  EXPECT_NE(order[0], kKeller);
  EXPECT_NE(order[1], kKeller);
  ASSERT_EQ(fromKeller.size(), 3u);
  EXPECT_EQ(fromKeller[0].size(), kRecordSize);
  EXPECT_EQ(fromKeller[1], Text0("admin:geheim12"));
  EXPECT_EQ(fromKeller[2], Text0("Keller"));
}

// On the caller's clock a late answer leaves once advance() has moved the clock past it,
// however long that takes in real time.
TEST_F(SimulatorTest, OnTheCallersClockALateAnswerWaitsForIt) {
  Config config = ThreeUnits();
  config.callerClock = true;
  config.units[1].fault(Command::Find) = {.lateMs = 600};
  sim_->stop();
  sim_ = testing::StartSimulator(config);
  std::set<Ipv4> answering;
  for (const Datagram& answer : answersTo(kLoopbackBroadcast, Command0("FIND"))) {
    answering.insert(answer.source.address);
  }
  EXPECT_EQ(answering, (std::set<Ipv4>{kHeizung, kGarage}));
  sim_->advance(std::chrono::milliseconds(500));
  ASSERT_TRUE(sim_->settle());
  EXPECT_TRUE(answersBeforeMarker().empty());
  sim_->advance(std::chrono::milliseconds(100));
  ASSERT_TRUE(sim_->settle());
  const std::vector<Datagram> late = answersBeforeMarker();
  ASSERT_EQ(late.size(), 1u);
  EXPECT_EQ(late[0].source.address, kKeller);
  EXPECT_EQ(late[0].bytes.size(), kRecordSize);
}

TEST_F(SimulatorTest, WaitingAnswerBlocksNobody) {
  sim_->setFault(1, Command::Find, {.lateMs = 600000});
  std::set<Ipv4> answering;
  for (const Datagram& answer : answersTo(kLoopbackBroadcast, Command0("FIND"))) {
    answering.insert(answer.source.address);
  }
  EXPECT_EQ(answering, (std::set<Ipv4>{kHeizung, kGarage}));
  send(kKeller, Command0("Vers"));
  EXPECT_EQ(receive().bytes, Text0("V1.8"));
  sim_->stop();  // drops the waiting answer instead of sitting it out
  EXPECT_FALSE(sim_->running());
}

TEST_F(SimulatorTest, MalformedDatagramsAreLoggedAndHarmless) {
  Bytes longSetc(65507, 'A');
  std::copy_n("SETC", 4, longSetc.begin());
  // Heizung's own record and a settings text that never ends.
  Bytes ownSetc = longSetc;
  const Record heizung = FindRecord(sim_->unit(0));
  std::copy(heizung.begin() + 4, heizung.begin() + 31, ownSetc.begin() + 4);
  std::copy_n("a\\0\\u:", 6, ownSetc.begin() + 31);
  Bytes longFind(65507, 0xFF);
  std::copy_n("FIND", 4, longFind.begin());
  Bytes name33(33, 'N');
  Bytes setc200(200, 0);
  std::copy_n("SETC", 4, setc200.begin());
  struct Case {
    Bytes bytes;
    std::size_t answers;
  };
  const Case cases[] = {
      {{}, 0},     {{'F'}, 0},    {ToBytes("FIN"), 0}, {ToBytes("SETC"), 0}, {setc200, 0},
      {name33, 0}, {longSetc, 0}, {longFind, 3},       {ownSetc, 1},         {ToBytes("FIND"), 3},
  };
  for (const Case& c : cases) {
    sim_->clearReceived();
    EXPECT_EQ(answersTo(kLoopbackBroadcast, c.bytes).size(), c.answers) << c.bytes.size();
    const auto log = sim_->received();
    ASSERT_EQ(log.size(), 2u);  // the datagram and the marker
    EXPECT_EQ(log[0].bytes, c.bytes);
  }
  // The settings text ends with its room in the frame (bytes 31 to 111).
  EXPECT_EQ(sim_->unit(0).password, std::string(112 - 31 - 6, 'A'));
}

TEST(SimulatorLifecycle, SecondStartOnABusyPortFailsAndStopIsRepeatable) {
  auto first = testing::StartSimulator(ThreeUnits());
  Config config = ThreeUnits();
  config.commandPort = first->commandPort();
  Simulator second(config);
  EXPECT_THROW(second.start(), std::system_error);
  EXPECT_THROW(first->start(), std::logic_error);
  first->stop();
  first->stop();
  EXPECT_FALSE(first->running());
}

}  // namespace
}  // namespace kv3::sim
