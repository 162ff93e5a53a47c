#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "link/unit_channel.h"

namespace kv3::search {

// What a unit tells about itself besides its search answer. Texts are single-byte, as received.
struct UnitTexts {
  bool accountAnswered = false;  // "PaWd" was answered with "user:password"
  // The account text ended within the bytes that are read of it: the password is whole.
  bool accountWhole = false;
  std::string user;
  std::string password;
  // The device name came and ended within the bytes that are read of it: it is the unit's name,
  // not the start of it, and not a missing answer.
  bool nameRead = false;
  bool nameCut = false;  // it came, but goes on beyond what is read of it
  std::string deviceName;
  std::string version;  // the answer to "Vers"
};

// Where a front end shows what has been read so far, as each answer comes in.
struct TextSteps {
  std::function<void(std::size_t unit, const UnitTexts& texts)> account;
  std::function<void(std::size_t unit, const UnitTexts& texts)> deviceName;
  std::function<void(std::size_t unit, const UnitTexts& texts)> version;
};

// Asks "PaWd", whose first answer is the account "user:password" and whose second the device
// name, then "Vers" for the firmware text. Every unit of the channel (`units` of them) is asked
// at once, one pause for each word; a missing answer is an empty text.
std::vector<UnitTexts> ReadUnitTexts(link::UnitChannel& channel, std::size_t units,
                                     const TextSteps& steps = {});

// Splits an account text "user:password" at its first colon; false without a colon.
bool SplitAccountText(const std::string& account, std::string& user, std::string& password);

// How a unit's installed file name is shown: "original" when the field is empty, otherwise the
// name without the part from its last full stop on.
std::string InstalledNameText(const std::string& name);

}  // namespace kv3::search
