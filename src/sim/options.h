#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/simulator.h"
#include "sim/unit.h"

namespace kv3::sim {

struct CommandLine {
  Config config;
  bool help = false;
  std::string listImage;   // a web image to list instead of playing units
  bool onNetwork = false;  // --on-network: play units though other adapters than loopback are up
};

// The unit a "--unit" option starts from; index counts the units from 0.
Unit DefaultUnit(std::size_t index);

// "FIND:late:600", "PaWd:first-only", "SETC:noword", "Vers:silent", "FIND:none": changes the
// unit's fault for that command. False with a message in `error` when the text is not understood.
bool ApplyFaultText(std::string_view text, Unit& unit, std::string& error);

// "mac=00:1A:2B:3C:4D:5E,ip=127.0.0.2,name=Heizung,fault=FIND:late:600": the keys override the
// default unit. A value may stand in double quotes to hold commas; a backslash takes the next
// character as it is.
bool ParseUnitOption(std::string_view text, std::size_t index, Unit& unit, std::string& error);

// The arguments after the program name. Without "--unit" one default unit is played.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);

std::string HelpText();

// Why the units must not be played, given the adapters other than loopback that are up
// (platform::ReachableAdapterNames): on every address they would answer the other computers of
// a real network as real units would. Nothing when the socket is bound to a loopback address,
// no such adapter is up, or --on-network was given.
std::optional<std::string> NetworkRefusal(const CommandLine& line,
                                          const std::vector<std::string>& reachableAdapters);

}  // namespace kv3::sim
