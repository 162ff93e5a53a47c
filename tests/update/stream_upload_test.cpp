#include "update/stream_upload.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/bytes.h"
#include "link/hex_bytes.h"
#include "link/udp_peer.h"
#include "platform/unique_fd.h"
#include "support/loopback_lan.h"
#include "support/raw_unit.h"
#include "support/test_desktop.h"
#include "update/stream_format.h"

namespace kv3::update {
namespace {

using link::test::Hex;
namespace fs = std::filesystem;

// Pauses pass at a tenth of their length: the 500 ms for the acknowledgement leave the
// simulated unit 50 ms to answer.
constexpr double kPauseScale = 0.1;

std::vector<std::uint8_t> AsBytes(const std::string& text) { return {text.begin(), text.end()}; }

struct RunResult {
  UploadOutcome outcome;
  std::vector<int> progress;
};

// An upload whose announce goes over the window's socket.
UploadOutcome SendOverSocket(const UploadProfile& row, const std::string& path,
                             link::DeviceRecord& rec, link::TSock& sock,
                             const link::LinkSettings& settings, platform::Pacing& pacing) {
  link::SocketRequester requester(sock, settings, pacing);
  return StreamUpload(row, path, rec, requester, settings, pacing);
}

class StreamUploadTest : public ::testing::Test {
 protected:
  fs::path writeFile(const std::string& name, std::size_t size) {
    const fs::path path = directory.path() / "chosen" / name;
    fs::create_directories(path.parent_path());
    test::WriteFileBytes(path, test::PatternBytes(size));
    return path;
  }
  RunResult upload(const UploadProfile& row, const fs::path& path,
                   const link::LinkSettings& settings) {
    RunResult result{};
    link::SocketRequester requester(sock, settings, desktop);
    result.outcome =
        StreamUpload(row, path.string(), record, requester, settings, desktop,
                     {.progress = [&result](int percent) { result.progress.push_back(percent); }});
    return result;
  }

  test::ScratchDirectory directory;
  test::TestDesktop desktop{kPauseScale};
  link::TSock sock;
  link::DeviceRecord record = test::UnitRecord(test::NumberedUnit(1));
};

// The examples of the stream format, as the bytes that reach a unit, with the pauses and gauge
// steps that show how the content was cut into segments.
TEST_F(StreamUploadTest, BytesOnTheWireSegmentsAndPausesForEachRow) {
  struct Case {
    const char* what;
    const UploadProfile* row;
    std::string name;
    std::size_t size;
    std::string head;  // prefix and block header, hex
    std::vector<int> pauses;
    std::vector<int> progress;
    std::string wireName = {};  // the name's bytes as announced, when not those of `name`
    UploadOutcome outcome = UploadOutcome::Complete;
  };
  // The acknowledgement carries 6 characters from byte 31: the name-length field is 37 (0x25).
  const std::string named = "25000000 55AA 01";
  const Case cases[] = {
      {"firmware 3000",
       &FirmwareRow,
       "fw.bin",
       3000,
       "B80B0000",
       {500, 2000, 200, 220, 220, 220, 500},
       {48, 97, 100, 0}},
      {"skin 3000",
       &SkinRow,
       "rahmen.jpg",
       3000,
       "D70B0000 B80B0000" + named + "7261686D656E2E6A7067 00000000000000000000",
       {500, 200, 200, 220, 100, 220, 100, 220, 100, 500},
       {48, 97, 100, 0}},
      // A unit takes an empty file and keeps nothing: it is not even announced, but for the
      // position definition, whose empty content empties the unit's positions.
      {"firmware empty", &FirmwareRow, "empty.bin", 0, "", {}, {}, {}, UploadOutcome::Empty},
      {"skin empty", &SkinRow, "e.jpg", 0, "", {}, {}, {}, UploadOutcome::Empty},
      {"positions empty",
       &PositionsRow,
       "getPosition.xml",
       0,
       "1F000000 00000000" + named + "676574506F736974696F6E2E786D6C 00 00000000",
       {500, 200, 200, 500},
       {0}},
      {"web app 1460", &WebAppRow, "w.rom", 1460, "B4050000", {500, 200, 100, 500}, {100, 0}},
      {"web app 1461",
       &WebAppRow,
       "w.rom",
       1461,
       "B5050000",
       {500, 200, 100, 100, 500},
       {99, 100, 0}},
      {"web app 2920",
       &WebAppRow,
       "w.rom",
       2920,
       "680B0000",
       {500, 200, 100, 100, 500},
       {50, 100, 0}},
      {"skin, 28-character name",
       &SkinRow,
       "abcdefghijklmnopqrstuvwx.jpg",
       50,
       "51000000 32000000" + named + "6162636465666768696A6B6C6D6E6F7071727374",
       {500, 200, 200, 220, 100, 500},
       {100, 0}},
      // The units keep names in Windows-1252, and count them in its characters.
      {"skin, name with umlauts",
       &SkinRow,
       "Küche-Übersicht-groß.jpg",
       50,
       "51000000 32000000" + named + "4BFC6368652DDC6265727369636874 2D67726FDF",
       {500, 200, 200, 220, 100, 500},
       {100, 0},
       "K\xFC"
       "che-\xDC"
       "bersicht-gro\xDF.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto ports = test::FreeLoopbackPorts();
    const link::LinkSettings settings = test::LoopbackSettings(ports);
    std::string ack(c.row->acknowledgement);
    ack += std::string(27, '.') + "abcdef";
    test::RawUnit unit(settings, "127.0.0.11", ack);
    desktop.settle = [&unit] { unit.settle(); };
    const fs::path path = writeFile(c.name, c.size);
    desktop.pauses.clear();

    const RunResult result = upload(*c.row, path, settings);
    unit.finish();

    EXPECT_EQ(result.outcome, c.outcome);
    std::vector<std::uint8_t> expected = Hex(c.head);
    const std::vector<std::uint8_t> content = AsBytes(test::PatternBytes(c.size));
    expected.insert(expected.end(), content.begin(), content.end());
    EXPECT_EQ(unit.stream(), expected);
    EXPECT_EQ(desktop.pauses, c.pauses);
    EXPECT_EQ(result.progress, c.progress);

    // The announce: the record with the word, and the file's name without its directory.
    const auto& announce = unit.announce();
    if (c.outcome != UploadOutcome::Complete) {
      EXPECT_TRUE(announce.empty());
      continue;
    }
    ASSERT_EQ(announce.size(), c.row->namedAnnounce ? 123u : 33u);
    EXPECT_EQ(std::string(announce.begin(), announce.begin() + 4), c.row->command);
    if (c.row->namedAnnounce) {
      EXPECT_EQ(link::read_text(announce, 31, 92), c.wireName.empty() ? c.name : c.wireName);
    }
  }
}

TEST_F(StreamUploadTest, AcknowledgementMustHoldTheLowerCaseWordAnywhere) {
  const std::pair<std::string, UploadOutcome> cases[] = {
      {"okfwupok", UploadOutcome::Complete},
      {"FWUP", UploadOutcome::NotAcknowledged},
      {std::string("\0fwup", 5), UploadOutcome::NotAcknowledged},
  };
  for (const auto& [ack, outcome] : cases) {
    const auto settings = test::LoopbackSettings(test::FreeLoopbackPorts());
    test::RawUnit unit(settings, "127.0.0.11", ack);
    desktop.settle = [&unit] { unit.settle(); };
    EXPECT_EQ(upload(FirmwareRow, writeFile("fw.bin", 10), settings).outcome, outcome) << ack;
  }
}

// Only the unit addressed can acknowledge: a late acknowledgement of another unit (in a fleet,
// the unit announced before) that arrives meanwhile does not count for this one.
TEST_F(StreamUploadTest, AnAcknowledgementFromAnotherAddressDoesNotCount) {
  const auto settings = test::LoopbackSettings(test::FreeLoopbackPorts());
  link::test::UdpPeer other("127.0.0.12", 0);
  desktop.onPause = [&](int ms) {
    if (ms == kPauseAfterAnnounceMs) other.sendTo("fwup", settings.replyPort);
  };
  EXPECT_EQ(upload(FirmwareRow, writeFile("fw.bin", 10), settings).outcome,
            UploadOutcome::NotAcknowledged);
}

// Each way a unit can fail: what the run reports, and that only a whole, answered file
// counts. The simulated unit parses the stream with its own code and keeps what it received.
TEST_F(StreamUploadTest, EachFaultOfTheUnitEndsTheRunAsItShould) {
  struct Case {
    const char* what;
    sim::Fault fault;
    UploadOutcome outcome;
  };
  const auto stream = [](sim::StreamFault fault) {
    sim::Fault f;
    f.stream = fault;
    return f;
  };
  const Case cases[] = {
      {"well", {}, UploadOutcome::Complete},
      {"no acknowledgement", {.silent = true}, UploadOutcome::NotAcknowledged},
      {"acknowledgement without the word", {.noWord = true}, UploadOutcome::NotAcknowledged},
      {"connection refused", stream(sim::StreamFault::Refuse), UploadOutcome::NoConnection},
      {"closes without an answer", stream(sim::StreamFault::Close), UploadOutcome::Corrupted},
      {"answer with a line break", stream(sim::StreamFault::CrLf), UploadOutcome::Corrupted},
      {"answer in capitals", stream(sim::StreamFault::Capital), UploadOutcome::Complete},
      // Every byte is out: whether the unit took the file, its missing answer does not say.
      {"never answers", stream(sim::StreamFault::Never), UploadOutcome::NoAnswer},
      {"reads slowly", stream(sim::StreamFault::Slow), UploadOutcome::Complete},
      {"drops the connection", stream(sim::StreamFault::Drop), UploadOutcome::Corrupted},
  };
  const std::string content = test::PatternBytes(5000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::Unit unit = test::NumberedUnit(1);
    unit.fault(sim::Command::Fram) = c.fault;
    test::LoopbackLan lan({unit}, directory.path() / "stored");
    desktop.settle = [&lan] { lan.sim().settle(); };
    link::LinkSettings settings = lan.settings();
    settings.answerTimeoutMs = 300;
    const fs::path path = writeFile("skin.jpg", content.size());

    const RunResult result = upload(SkinRow, path, settings);

    EXPECT_EQ(result.outcome, c.outcome);
    const fs::path stored = lan.storedFile(0, "skin.jpg");
    if (c.outcome == UploadOutcome::Complete) {
      EXPECT_EQ(test::ReadFileBytes(stored), content);
    }
    if (c.outcome != UploadOutcome::NotAcknowledged && c.outcome != UploadOutcome::NoConnection) {
      ASSERT_FALSE(result.progress.empty());
      EXPECT_EQ(result.progress.back(), 0);  // the gauge goes back to 0
    }
    lan.sim().stop();
    const auto uploads = lan.sim().uploads();
    if (c.outcome == UploadOutcome::NotAcknowledged || c.outcome == UploadOutcome::NoConnection) {
      EXPECT_TRUE(uploads.empty());
    } else {
      ASSERT_EQ(uploads.size(), 1u);
      EXPECT_EQ(uploads[0].headerName, "skin.jpg");
      EXPECT_EQ(uploads[0].announcedSize, content.size());
    }
    fs::remove_all(directory.path() / "stored");
  }
}

// Lets no time pass but for the unit to acknowledge: the content goes as fast as the connection
// takes it.
class AnnouncePacing : public platform::Pacing {
 public:
  explicit AnnouncePacing(const test::RawUnit& unit) : unit_(unit) {}
  void pause(int ms) override {
    if (ms >= kPauseAfterAnnounceMs) unit_.settle();
  }
  void processMessages() override {}

 private:
  const test::RawUnit& unit_;
};

// A unit that stops taking part never holds the window for good.
TEST_F(StreamUploadTest, TimeLimitsEndAConnectionOrATransferThatNeverProceeds) {
  const auto ports = test::FreeLoopbackPorts();
  link::LinkSettings settings = test::LoopbackSettings(ports);
  settings.connectTimeoutMs = 200;
  settings.sendStallTimeoutMs = 200;
  {
    // Its listening queue is full, so the connection is never made.
    test::RawUnit unit(settings, "127.0.0.11", "rfup", "", test::RawUnit::Stream::NeverAccept);
    AnnouncePacing pacing(unit);
    std::vector<platform::UniqueFd> queued;
    for (int i = 0; i < 8; ++i) {
      platform::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
      sockaddr_in to{};
      to.sin_family = AF_INET;
      to.sin_port = htons(ports.transfer);
      to.sin_addr.s_addr = htonl(0x7F00000B);
      ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to);
      queued.push_back(std::move(fd));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(
        SendOverSocket(WebAppRow, writeFile("w.rom", 100).string(), record, sock, settings, pacing),
        UploadOutcome::NoConnection);
  }
  {
    // It takes the connection and never reads: the content stalls once the buffers are full.
    test::RawUnit unit(settings, "127.0.0.11", "rfup", "", test::RawUnit::Stream::NeverRead);
    AnnouncePacing pacing(unit);
    EXPECT_EQ(SendOverSocket(WebAppRow, writeFile("big.rom", 48u << 20).string(), record, sock,
                             settings, pacing),
              UploadOutcome::Corrupted);
  }
}

// At full speed the connection's buffers fill and sends take only part of a segment; the rest
// must follow, byte for byte.
TEST_F(StreamUploadTest, EveryByteArrivesWhenSendsTakeOnlyPartOfASegment) {
  const auto settings = test::LoopbackSettings(test::FreeLoopbackPorts());
  test::RawUnit unit(settings, "127.0.0.11", "rfup", "complete!",
                     test::RawUnit::Stream::ReadSlowly);
  AnnouncePacing pacing(unit);
  const std::size_t size = 12u << 20;
  EXPECT_EQ(SendOverSocket(WebAppRow, writeFile("big.rom", size).string(), record, sock, settings,
                           pacing),
            UploadOutcome::Complete);
  unit.finish();
  ASSERT_EQ(unit.stream().size(), size + 4);
  const std::vector<std::uint8_t> content = AsBytes(test::PatternBytes(size));
  EXPECT_TRUE(std::equal(unit.stream().begin() + 4, unit.stream().end(), content.begin()));
}

// A file that changes under the run, however it changes: the unit never gets a mixture, and the
// run never reports it as sent.
TEST_F(StreamUploadTest, AFileThatChangesDuringTheRunIsNotSentOn) {
  const struct {
    const char* what;
    std::function<void(const fs::path&)> change;
  } cases[] = {
      {"shrinks", [](const fs::path& path) { fs::resize_file(path, 2000); }},
      {"overwritten in place, same size",
       [](const fs::path& path) { test::WriteFileBytes(path, std::string(5000, 'n')); }},
      {"grows", [](const fs::path& path) { test::WriteFileBytes(path, std::string(9000, 'g')); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::LoopbackLan lan({test::NumberedUnit(1)}, directory.path() / "stored");
    desktop.settle = [&lan] { lan.sim().settle(); };
    const fs::path path = writeFile("fw.bin", 5000);
    desktop.queueUserAction([&] { c.change(path); });

    EXPECT_EQ(upload(WebAppRow, path, lan.settings()).outcome, UploadOutcome::FileChanged);
    lan.sim().stop();
    ASSERT_EQ(lan.sim().uploads().size(), 1u);
    EXPECT_FALSE(lan.sim().uploads()[0].whole);
    EXPECT_FALSE(fs::exists(lan.storedFile(0, "fw.bin")));
  }
}

// The 32-bit prefix cannot announce 4 GiB; such a file never reaches the unit.
TEST_F(StreamUploadTest, AFileTooBigForTheLengthPrefixEndsBeforeTheUnitIsContacted) {
  test::LoopbackLan lan({test::NumberedUnit(1)});
  const fs::path path = directory.path() / "huge.bin";
  test::WriteFileBytes(path, "");
  fs::resize_file(path, 0x100000000ull);  // sparse: takes no room

  EXPECT_EQ(upload(FirmwareRow, path, lan.settings()).outcome, UploadOutcome::TooBigToAnnounce);
  EXPECT_TRUE(lan.sim().received().empty());
  EXPECT_TRUE(desktop.pauses.empty());
}

}  // namespace
}  // namespace kv3::update
