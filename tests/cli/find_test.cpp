#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "cli/context.h"
#include "cli_lan.h"
#include "platform/unique_fd.h"

namespace kv3::cli {
namespace {

struct FindRow {
  const char* name;
  std::vector<std::string> arguments;
  std::vector<std::string> environment;
  int status;
  std::vector<std::string> out, notOut, err = {};
  int jsonUnits = -1;  // with --json: how many units the document lists
};

// Names the row in test output, not its bytes.
void PrintTo(const FindRow& row, std::ostream* out) { *out << row.name; }

// Three units beside the PC, one on its second adapter, one behind the router.
class FindAndShow : public CliOnLan, public ::testing::TestWithParam<FindRow> {
 protected:
  void SetUp() override {
    if (!build({"mac=00:1A:2B:3C:4D:01,ip=192.0.2.11,name=Keller",
                "mac=00:1A:2B:3C:4D:02,ip=192.0.2.12,name=Dach,user=hans,password=dach1234",
                // A name that would clear the screen and break the table, were it printed raw.
                "mac=00:1A:2B:3C:4D:05,ip=192.0.2.15,name=Tab\there\x1b[2J\x1b]0;x\x07"},
               {"mac=00:1A:2B:3C:4D:31,ip=198.51.100.21,name=Fern"},
               {"mac=00:1A:2B:3C:4D:21,ip=203.0.113.11,name=Halle"})) {
      GTEST_SKIP() << test::NamespaceLan::unavailableReason();
    }
  }
};

TEST_P(FindAndShow, Prints) {
  const FindRow& row = GetParam();
  const test::ProgramResult result = Kv3(row.arguments, {}, row.environment);
  EXPECT_EQ(result.status, row.status) << result.err;
  ExpectTexts(result.out, row.out, row.notOut, "standard output");
  ExpectTexts(result.err, row.err, {}, "standard error");
  if (row.jsonUnits >= 0) {
    const auto json = nlohmann::json::parse(result.out);
    EXPECT_EQ(json.at("units").size(), static_cast<std::size_t>(row.jsonUnits));
  }
}

const std::string kNear1 = "00:1A:2B:3C:4D:01";
const std::string kNear2 = "00:1A:2B:3C:4D:02";
const std::string kSecond = "00:1A:2B:3C:4D:21";
const std::string kFar = "00:1A:2B:3C:4D:31";

INSTANTIATE_TEST_SUITE_P(
    Kv3, FindAndShow,
    ::testing::Values(
        FindRow{"TableOfEveryAdapterWithoutPasswords",
                {"find"},
                {},
                0,
                {kNear1, kNear2, kSecond + "  203.0.113.11", "Keller", "hans", "eth0", "eth1"},
                {"geheim12", "dach1234", kFar}},
        FindRow{"JsonWithoutPasswords",
                {"find", "--json", "--quiet"},
                {},
                0,
                {"\"mac\": \"" + kSecond + "\"", "\"adapter\": \"eth1\"",
                 "\"target\": \"203.0.113.255\""},
                {"password"},
                {},
                4},
        FindRow{"JsonWithPasswordsWhenAsked",
                {"find", "--json", "--show-password"},
                {},
                0,
                {"\"password\": \"dach1234\"", "\"password\": \"geheim12\""},
                {},
                {},
                4},
        FindRow{"UnitBehindTheRouterByAddress",
                {"find", "--address", "198.51.100.21"},
                {},
                0,
                {kFar, "Fern"},
                {kNear1}},
        FindRow{"NothingFoundSaysWhereItLookedInGerman",
                {"find", "--address", "198.51.100.99"},
                {"LANG=de_DE.UTF-8"},
                3,
                {},
                {kNear1},
                {"Kein Gerät hat geantwortet.", "Gesucht an 198.51.100.99."}},
        FindRow{"ShowTakesAnyCaseAndDashes",
                {"show", "00-1a-2b-3c-4d-21"},
                {},
                0,
                {"Halle", "eth1", "203.0.113.11"},
                {"geheim12"}},
        FindRow{"ShowOfAUnitThatDidNotAnswer",
                {"show", "00:1a:2b:3c:4d:99"},
                {},
                3,
                {},
                {},
                {"No unit with the MAC address 00:1A:2B:3C:4D:99 answered."}},
        FindRow{"ControlCharactersAreShownEscaped",
                {"show", "00:1A:2B:3C:4D:05"},
                {},
                0,
                {"Tab\\x09here\\x1B[2J\\x1B]0;x\\x07"},
                {"\x1b", "\t"}},
        FindRow{"AnAddressThatIsNoneIsRefused",
                {"find", "--address", "10.99.0.256"},
                {},
                2,
                {},
                {kNear1},
                {"--address: \"10.99.0.256\" is neither a valid IPv4 address nor a host name."}},
        FindRow{"CommandLineErrorsInTheRunsLanguage",
                {"find", "extra"},
                {"LANG=de_DE.UTF-8"},
                2,
                {},
                {},
                {"Nicht erwartet: extra.\nMehr mit --help."}},
        FindRow{"ShowOfNoMacAtAll", {"show", "00:1A:2B:3C:4D"}, {}, 2, {}, {}, {"is not a MAC"}},
        FindRow{"AnUnknownCommandIsNamed",
                {"frob"},
                {"LANG=de_DE.UTF-8"},
                2,
                {},
                {},
                {"Unbekannter Befehl: frob.\nMehr mit --help."}},
        FindRow{"EveryParserErrorInTheRunsLanguage",
                {"update", "firmware"},
                {"LANG=de_DE.UTF-8"},
                2,
                {},
                {},
                {"MAC... DATEI fehlt.\nMehr mit --help."}},
        FindRow{"AnOptionWithoutItsValue",
                {"find", "--address"},
                {"LANG=de_DE.UTF-8"},
                2,
                {},
                {},
                {"--address braucht einen Wert.\n"}},
        FindRow{"LanguageListAsGettextReadsIt",
                {"find", "--address", "a", "--address", "b"},
                {"LANG=en_US.UTF-8", "LANGUAGE=fr:de_AT:en"},
                2,
                {},
                {},
                {"--address: höchstens 1 erlaubt, 2 angegeben.\n"}},
        FindRow{"GermanHelpLabels",
                {"set", "--help"},
                {"LANG=de_DE.UTF-8"},
                0,
                {"--dhcp Schließt aus: --ip --mask --router\n"},
                {"Schließt aus::"}},
        // The PC's namespace has no name server: the lookup fails at once.
        FindRow{"SocketErrorsInTheRunsLanguage",
                {"find", "--address", "nosuch.invalid"},
                {"LANG=de_DE.UTF-8", "RES_OPTIONS=timeout:1 attempts:1"},
                4,
                {},
                {},
                {"nosuch.invalid: Rechnername nicht gefunden\n"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FindAndShow, ReplyPortHeldByAnotherProgramIsNamed) {
  platform::UniqueFd holder(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(48714);
  ASSERT_EQ(::bind(holder.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
  const test::ProgramResult result = Kv3({"find"});
  EXPECT_EQ(result.status, 4);
  ExpectTexts(result.err,
              {"The reply port 48714 is held by test_cli (process " + std::to_string(::getpid()),
               "Searched on eth0 (192.0.2.1) at 192.0.2.255."},
              {}, "standard error");
}

// However many networks Windows treats as public, the advice comes once, naming each once.
TEST(PublicNetworkHint, AdviceComesOnceForEveryPublicNetwork) {
  const struct {
    std::vector<std::string> networks;
    std::string hint;
  } cases[] = {
      {{"Heim", "", "Heim"},
       "Windows treats the network \"Heim\" as public, where its firewall keeps the units' "
       "answers out. Make the network private or add a rule: UDP in to port 48714, TCP out to "
       "port 48715."},
      {{"Heim", "Büro"},
       "Windows treats the networks \"Heim\", \"Büro\" as public, where its firewall keeps the "
       "units' answers out. Make the networks private or add a rule: UDP in to port 48714, TCP "
       "out to port 48715."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PublicNetworkHint(EnglishCliTexts, c.networks), c.hint) << c.networks.size();
  }
}

}  // namespace
}  // namespace kv3::cli
