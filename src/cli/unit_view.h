#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_texts.h"
#include "cli/unit_state.h"
#include "link/device_record.h"
#include "search/adapter_search.h"

namespace kv3::cli {

// A unit as the tool shows it: every text in UTF-8.
struct UnitView {
  std::string mac, address, mask, router;
  bool dhcp = false;
  std::string firmware;              // the answer to "Vers", else the record's major.minor
  std::string webApp, scheme, skin;  // as the window shows them ("original" for none)
  std::string deviceName;
  std::optional<std::string> user, password;  // nothing when the unit did not tell
  std::string adapter;
  // False when the address the unit reports reaches more than this one unit (0.0.0.0, a
  // broadcast or multicast address): it is listed, but never asked or sent anything there.
  bool addressable = true;
  // Other addresses that answered with the same MAC: several units share it.
  std::vector<std::string> macAlsoAt;
  // Other MACs that answered from the same address: a unicast there reaches any one of them, so
  // none is asked or sent anything there.
  std::vector<std::string> addressSharedWith;
  UnitState state = UnitState::Ok;  // set by ViewsOf, which sees the whole search
  std::string network;              // the adapter's network, e.g. "192.0.2.0/24"; empty if unknown
  std::string fix;                  // the command that fixes a state other than ok
};

UnitView ViewOf(const search::FoundUnit& unit);
// Every unit's view, in the order of the report, each with the other addresses of its MAC, its
// state and the command that fixes it.
std::vector<UnitView> ViewsOf(const search::SearchReport& report);

// Every address that answered with the unit's MAC, its own included, in order, as one text.
std::string AddressesOfMac(const UnitView& unit);

// The text as it may go to a terminal: control characters (C0, DEL and C1) and bytes that are
// no UTF-8 written as \xNN (\u00NN for C1), a backslash as \\. A unit's texts are the unit's
// to choose, and an escape sequence among them must not clear the screen or retitle the window.
std::string TerminalText(std::string_view text);

// A file name as it may go to a terminal: as TerminalText, but a backslash stays one, for it
// separates folders in a Windows path ("C:\Users\Jürgen\kv3.bin").
std::string PathText(std::string_view path);

// Why a file that could not be opened for reading could not, as far as the system tells.
std::string_view FileReason(const CliTexts& texts, const std::string& utf8Path);

// True when the file's name ends in `extension` (".rom"), letters in any case.
bool ExtensionIs(const std::string& path, std::string_view extension);

// The notes that belong under a listing of these units: one line for each state other than ok
// (an address that several units answer from once for them all) with what it means and the
// command that fixes it (unless `advise` is false: the run is about to fix it).
void PrintUnitNotes(std::ostream& err, const std::vector<UnitView>& units, const CliTexts& texts,
                    bool advise = true);

// A MAC address given on the command line: 12 hexadecimal digits in either case, in pairs
// separated by ":" or "-" or not at all.
std::optional<link::MacAddress> ParseMacArgument(std::string_view text);

// The columns of `kv3 find`, one row per unit; the password column only when asked for.
void PrintUnitTable(std::ostream& out, const std::vector<UnitView>& units, const CliTexts& texts,
                    bool showPassword);
// One unit, one value per line.
void PrintUnitDetails(std::ostream& out, const UnitView& unit, const CliTexts& texts,
                      bool showPassword);
nlohmann::ordered_json UnitJson(const UnitView& unit, bool showPassword);
// The table as RFC 4180 CSV (header row, CRLF, UTF-8 with a byte-order mark for spreadsheets),
// with the state and the adapter; the heads are the JSON keys, the same in every language.
void PrintUnitCsv(std::ostream& out, const std::vector<UnitView>& units, bool showPassword);
// One CSV field: quoted when it holds a separator, a quote or a line end.
std::string CsvField(std::string_view text);
nlohmann::ordered_json SearchedJson(const search::SearchReport& report);
// kv3 find's document: the units, where the search went, and whether it was stopped.
nlohmann::ordered_json FindJson(const std::vector<UnitView>& units,
                                const nlohmann::ordered_json& searched, bool showPassword,
                                bool interrupted);

// The document as kv3 prints it: indented by two, bytes that are no UTF-8 (an adapter's name may
// hold any) replaced rather than failing.
std::string JsonText(const nlohmann::ordered_json& document);

// Lines of text in aligned columns, every cell through TerminalText; widths count characters,
// not bytes.
void PrintColumns(std::ostream& out, const std::vector<std::vector<std::string>>& rows);

}  // namespace kv3::cli
