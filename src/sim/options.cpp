#include "sim/options.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <utility>

#include "platform/codepage.h"
#include "platform/utf8_path.h"

namespace kv3::sim {

namespace {

constexpr int kLongestDelayMs = 600000;

std::optional<int> ParseNumber(std::string_view text, int lowest, int highest) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, problem] = std::from_chars(text.data(), end, value);
  if (text.empty() || problem != std::errc() || stop != end || value < lowest || value > highest) {
    return std::nullopt;
  }
  return value;
}

// "1.7": major and minor version, 0-255 each.
bool ParseFirmware(std::string_view text, Unit& unit) {
  const auto dot = text.find('.');
  if (dot == std::string_view::npos) return false;
  const auto major = ParseNumber(text.substr(0, dot), 0, 255);
  const auto minor = ParseNumber(text.substr(dot + 1), 0, 255);
  if (!major || !minor) return false;
  unit.fwMajor = static_cast<std::uint8_t>(*major);
  unit.fwMinor = static_cast<std::uint8_t>(*minor);
  return true;
}

std::string DefaultVersion(const Unit& unit) {
  // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "V" + std::to_string(...).
  std::string version = "V";
  version += std::to_string(unit.fwMajor);
  version += '.';
  version += std::to_string(unit.fwMinor);
  return version;
}

// Command lines are UTF-8; the units keep and send their texts in Windows-1252.
std::optional<std::string> ToWireText(std::string_view utf8) {
  return platform::Utf8ToCp1252Exact(utf8);
}

struct Item {
  std::string key;
  std::string value;
};

bool SplitItems(std::string_view text, std::vector<Item>& items, std::string& error) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto equals = text.find('=', at);
    const auto comma = text.find(',', at);
    if (equals == std::string_view::npos || (comma != std::string_view::npos && comma < equals)) {
      error = "expected key=value in \"" + std::string(text.substr(at, comma - at)) + "\"";
      return false;
    }
    Item item{std::string(text.substr(at, equals - at)), {}};
    at = equals + 1;
    bool quoted = false;
    for (; at < text.size() && (quoted || text[at] != ','); ++at) {
      if (text[at] == '\\') {
        if (++at == text.size()) {
          error = "a backslash ends the value of " + item.key;
          return false;
        }
        item.value.push_back(text[at]);
      } else if (text[at] == '"') {
        quoted = !quoted;
      } else {
        item.value.push_back(text[at]);
      }
    }
    if (quoted) {
      error = "unclosed quote in the value of " + item.key;
      return false;
    }
    items.push_back(std::move(item));
    if (at < text.size() && ++at == text.size()) {
      error = "the unit ends with a comma";
      return false;
    }
  }
  return true;
}

std::string Unit::*TextField(std::string_view key) {
  if (key == "name") return &Unit::deviceName;
  if (key == "user") return &Unit::user;
  if (key == "password") return &Unit::password;
  if (key == "version") return &Unit::version;
  if (key == "scheme") return &Unit::scheme;
  if (key == "skin") return &Unit::skin;
  if (key == "webapp") return &Unit::webApp;
  return nullptr;
}

bool SetAddress(std::string_view text, Ipv4& address) {
  const auto parsed = ParseIpv4(text);
  if (parsed) address = *parsed;
  return parsed.has_value();
}

bool ParsePort(std::string_view text, std::uint16_t& port) {
  const auto value = ParseNumber(text, 1, 65535);
  if (value) port = static_cast<std::uint16_t>(*value);
  return value.has_value();
}

}  // namespace

Unit DefaultUnit(std::size_t index) {
  Unit unit;
  const auto number = static_cast<std::uint32_t>(index + 1);
  unit.mac = {0x02,
              0x00,
              0x00,
              0x00,
              static_cast<std::uint8_t>(number >> 8),
              static_cast<std::uint8_t>(number)};
  unit.ip = FromHostOrder(ToHostOrder({127, 0, 0, 1}) + number);
  unit.deviceName = "KV3-" + std::to_string(number);
  unit.version = DefaultVersion(unit);
  return unit;
}

// The uploads' stream faults, by their option names.
bool ApplyStreamFault(std::string_view mode, Fault& fault) {
  static constexpr std::pair<std::string_view, StreamFault> kModes[] = {
      {"refuse", StreamFault::Refuse},   {"close", StreamFault::Close},
      {"crlf", StreamFault::CrLf},       {"garbage", StreamFault::Garbage},
      {"capital", StreamFault::Capital}, {"never", StreamFault::Never},
      {"slow", StreamFault::Slow},       {"drop", StreamFault::Drop}};
  for (const auto& [name, value] : kModes) {
    if (mode == name) {
      fault.stream = value;
      return true;
    }
  }
  return false;
}

bool ApplyFaultText(std::string_view text, Unit& unit, std::string& error) {
  const auto firstColon = text.find(':');
  const auto command = CommandFromWord(text.substr(0, firstColon));
  if (firstColon == std::string_view::npos || !command) {
    error = "fault \"" + std::string(text) +
            "\": expected FIND, PaWd, Vers, SETC, SETM, SETT or an upload word, a colon and a mode";
    return false;
  }
  const std::string_view mode = text.substr(firstColon + 1);
  Fault& fault = unit.fault(*command);
  if (mode == "silent") {
    fault.silent = true;
  } else if (mode == "none") {
    fault = Fault{};
  } else if (mode.starts_with("late:")) {
    const auto ms = ParseNumber(mode.substr(5), 0, kLongestDelayMs);
    if (!ms) {
      error = "fault \"" + std::string(text) + "\": late needs milliseconds from 0 to " +
              std::to_string(kLongestDelayMs);
      return false;
    }
    fault.lateMs = *ms;
  } else if (mode == "noword" && (*command == Command::Find || *command == Command::Setc ||
                                  *command == Command::Sett)) {
    fault.noWord = true;
  } else if (mode == "capital" && *command == Command::Sett) {
    fault.capitalWord = true;
  } else if (mode == "ignore" && *command == Command::Sett) {
    fault.ignores = true;
  } else if (mode == "first-only" && *command == Command::PaWd) {
    fault.firstOnly = true;
  } else if (IsUpload(*command) && ApplyStreamFault(mode, fault)) {
  } else {
    error = "fault \"" + std::string(text) + "\": " + std::string(CommandWord(*command)) +
            " knows the modes silent, late:<ms>, none" +
            (*command == Command::PaWd                                ? ", first-only"
             : *command == Command::Vers || *command == Command::Setm ? ""
             : *command == Command::Sett                              ? ", noword, capital, ignore"
                                                                      : ", noword");
    return false;
  }
  return true;
}

bool ParseUnitOption(std::string_view text, std::size_t index, Unit& unit, std::string& error) {
  std::vector<Item> items;
  if (!SplitItems(text, items, error)) return false;
  unit = DefaultUnit(index);
  bool versionGiven = false;
  for (const Item& item : items) {
    const std::string& key = item.key;
    const std::string& value = item.value;
    bool good = true;
    if (key == "mac") {
      const auto mac = ParseMac(value);
      good = mac.has_value();
      if (good) unit.mac = *mac;
    } else if (key == "ip") {
      good = SetAddress(value, unit.ip);
    } else if (key == "mask") {
      good = SetAddress(value, unit.mask);
    } else if (key == "gateway" || key == "gw") {
      good = SetAddress(value, unit.gateway);
    } else if (key == "dhcp") {
      good = value == "0" || value == "1" || value == "on" || value == "off";
      unit.dhcp = value == "1" || value == "on";
    } else if (key == "fw") {
      good = ParseFirmware(value, unit);
    } else if (key == "restart") {
      unit.restartMs = ParseNumber(value, 0, kLongestDelayMs);
      good = unit.restartMs.has_value();
    } else if (key == "account" || TextField(key) != nullptr) {
      const auto wire = ToWireText(value);
      if (!wire) {
        error = key;
        error.append(": \"").append(value).append(
            "\" is not UTF-8 text that Windows-1252 can hold");
        return false;
      }
      if (key == "account") {
        unit.account = *wire;
      } else {
        unit.*TextField(key) = *wire;
      }
      versionGiven = versionGiven || key == "version";
    } else if (key == "fault") {
      if (!ApplyFaultText(value, unit, error)) return false;
    } else {
      error = "unknown unit key \"" + key + "\"";
      return false;
    }
    if (!good) {
      error = "bad value for ";
      error.append(key).append(": \"").append(value).append("\"");
      return false;
    }
  }
  if (!versionGiven) unit.version = DefaultVersion(unit);
  return true;
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error) {
  CommandLine line;
  line.config.restartSilenceMs = 2000;
  bool unitsGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    const auto takeValue = [&]() -> std::optional<std::string> {
      if (value) return value;
      if (i + 1 < args.size()) return args[++i];
      error = name + " needs a value";
      return std::nullopt;
    };
    if (name == "--help" || name == "-h") {
      line.help = true;
    } else if (name == "--list-image") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      line.listImage = *text;
    } else if (name == "--log") {
      line.config.logToStderr = true;
    } else if (name == "--on-network") {
      line.onNetwork = true;
    } else if (name == "--unit") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      Unit unit;
      const std::size_t index = line.config.units.size();
      if (!ParseUnitOption(*text, index, unit, error)) {
        error.insert(0, "--unit " + std::to_string(index + 1) + ": ");
        return std::nullopt;
      }
      line.config.units.push_back(std::move(unit));
      unitsGiven = true;
    } else if (name == "--command-port" || name == "--transfer-port") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      auto& port = name == "--command-port" ? line.config.commandPort : line.config.transferPort;
      if (!ParsePort(*text, port)) {
        error = name + ": \"" + *text + "\" is not a port from 1 to 65535";
        return std::nullopt;
      }
    } else if (name == "--store") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      line.config.storeDirectory = platform::PathFromUtf8(*text);
    } else if (name == "--restart-ms") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      const auto ms = ParseNumber(*text, 0, kLongestDelayMs);
      if (!ms) {
        error = "--restart-ms: \"" + *text + "\" is not a number of milliseconds";
        return std::nullopt;
      }
      line.config.restartSilenceMs = *ms;
    } else if (name == "--on-move") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      line.config.onMove = *text;
    } else if (name == "--bind") {
      const auto text = takeValue();
      if (!text) return std::nullopt;
      if (!SetAddress(*text, line.config.bindAddress)) {
        error = "--bind: \"" + *text + "\" is not an IPv4 address";
        return std::nullopt;
      }
    } else {
      error = "unknown option \"" + args[i] + "\"";
      return std::nullopt;
    }
  }
  if (!unitsGiven) line.config.units.push_back(DefaultUnit(0));
  return line;
}

std::string HelpText() {
  return R"(kv3sim - plays KV3 units on the UDP command port for tests and demos

Usage: kv3sim [options]

Options:
  --unit UNIT          add a unit (repeat for more); without any, one default unit
  --command-port N     UDP port the units listen on (default 48713)
  --transfer-port N    TCP port for file transfers (default 48715)
  --store DIR          keep every file received in DIR/<unit address>/<name>
  --list-image FILE    read FILE as a unit reads a web image, list its files
                       (name, size, offset) and end
  --restart-ms MS      after a firmware or web app, stay silent this long (default 2000)
  --on-move COMMAND    run COMMAND by the shell when a unit takes a new address ("{}" in it
                       stands for the address), e.g. to give the machine that address
  --bind ADDRESS       local address of the socket (default 0.0.0.0, which also
                       hears broadcasts)
  --log                print every datagram received and sent as hex on stderr
  --on-network         play the units although adapters other than loopback are
                       up: only inside a network namespace whose whole network is
                       made for the test (scripts/netns-lan does this)
  -h, --help           this text

Units played on every address answer every computer that can reach one, as real
units would. Unless --bind gives a loopback address or --on-network is given,
kv3sim therefore refuses to start while an adapter other than loopback is up:
start it in a network namespace of its own with only loopback (scripts/isolated).

UNIT is a comma-separated list of key=value; every key is optional:
  mac=00:1A:2B:3C:4D:5E   MAC address (default 02:00:00:00:00:<n>)
  ip=127.0.0.2            the unit's address (default 127.0.0.<n+1>); any 127.x.y.z
                          works on loopback, or the machine's own address
  mask=255.0.0.0  gateway=127.0.0.1  dhcp=0|1
  fw=1.7                  firmware major.minor in the search answer
  restart=MS              after a firmware or web app stay silent this long (else --restart-ms)
  version="V1.7 2026"     the answer to "Vers" (default V<major>.<minor>)
  name=Heizung            device name
  user=admin  password=geheim12
  account=TEXT            sent as the first "PaWd" answer instead of user:password,
                          e.g. a text without a colon or with two
  scheme=anlage.jpg  skin=rahmen.jpg  webapp=web1.rom   installed file names
  fault=CMD:MODE          misbehave for one command (repeatable); CMD is FIND,
                          PaWd, Vers, SETC, SETM or SETT, MODE one of
                            silent        act on the command, answer nothing
                            late:MS       answer MS milliseconds later
                            noword        "xxxx" in place of the answer's word
                                          (FIND, SETC, SETT)
                            capital       SETT: "SETT" in capitals as the answer
                            ignore        SETT: acknowledge, keep the settings
                            first-only    PaWd: only the user:password datagram
                          The uploads FWUP, RFUP, FRAM, ASCH and APOS also know
                            refuse        acknowledge, but refuse the connection
                            close         read everything, close without answer
                            crlf          answer "complete!" and a line break
                            garbage       answer bytes that are no word
                            capital       answer "Complete!"
                            never         read everything, never answer
                            slow          read in small pieces with pauses
                            drop          drop the connection halfway
                            none          behave again
A value in double quotes may hold commas; a backslash takes the next character
literally (\, \" \\). Texts are given in UTF-8 and go on the wire in
Windows-1252. <n> is the unit's number, counted from 1.

A datagram to 255.255.255.255, 127.255.255.255 or a unit's directed broadcast
reaches every unit; one to a unit's address only that unit, or only the first
of the units given the same address (as a LAN hands it to the one unit the
sender's neighbour table holds). Each unit answers
from its own address. Units answer "FIND" (their 111-byte record), "PaWd"
(user:password, then the device name), "Vers" (the version text) and "SETC"
(only the unit whose MAC stands in bytes 6-11: it takes the settings, answers
"setc" and takes the sender's next 32/33-byte datagram as the device-name
datagram, which is logged; the name of the settings text stays). "SETM" at a
unit's address gives it the MAC of bytes 6-11 (answered "setm"); "SETT" is taken
by the unit whose MAC stands in bytes 6-11: it takes the address, mask, gateway
and DHCP flag of bytes 12-24 and answers "sett".

Once the socket is bound, "kv3sim: ready" is printed on stdout. SIGINT or
SIGTERM ends the program with exit code 0; bad options give exit code 2, a
socket that cannot be bound or a refused start (see --on-network) exit code 1.

Examples:
  kv3sim --command-port 41000 --log
  kv3sim --command-port 41000 \
      --unit mac=00:1A:2B:3C:4D:5E,ip=127.0.0.2,fw=1.7,name=Heizung,user=admin,password=geheim12 \
      --unit 'mac=00:1A:2B:3C:4D:5F,ip=127.0.0.3,version="V1.8, beta",fault=FIND:late:600'
  # production ports only inside an isolated network namespace:
  unshare -n sh -c 'ip link set lo up; ip route add default dev lo; kv3sim --unit ip=127.0.0.2'
)";
}

std::optional<std::string> NetworkRefusal(const CommandLine& line,
                                          const std::vector<std::string>& reachableAdapters) {
  const bool loopbackOnly = line.config.bindAddress[0] == 127;
  if (line.onNetwork || loopbackOnly || reachableAdapters.empty()) return std::nullopt;
  std::string names;
  for (const std::string& name : reachableAdapters) {
    names += (names.empty() ? "" : ", ") + name;
  }
  return "not started: " + names + (reachableAdapters.size() == 1 ? " is" : " are") +
         " up, and the units would answer every computer there as real units. Start kv3sim in "
         "a network namespace with only loopback (scripts/isolated), or give --on-network in "
         "one whose network is made for the test (scripts/netns-lan).";
}

}  // namespace kv3::sim
