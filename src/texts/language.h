#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kv3::texts {

inline constexpr std::string_view ProgramVersion = "1.0.20";

// The texts the behaviour shows, in one language.
struct LanguageTexts {
  std::string_view code;  // what the configuration file records: "de" or "gb"
  std::string_view TextWindowTitle;
  std::string_view TextError;
  std::string_view TextMessage;
  std::string_view TextNotFound;
  std::string_view TextCorrupted;
  std::string_view TextUpdatedRestart;
  std::string_view TextUpdated;
  std::string_view TextBigFileHint;
  std::string_view TextFileTooBig;
  std::string_view TextPwNotAllowed;
  std::string_view TextPwUnsafe;
  std::string_view TextPwSafe;
  std::string_view TextPwVerySafe;
  std::string_view TextManualSearch;
  std::string_view TextSearchPrompt;
  // Refusals that keep what the user did not mean off a unit; "{}" marks where a value goes.
  std::string_view TextNameNotSendable;
  std::string_view TextFileChanged;
  std::string_view TextNotOneUnit;     // the unit's address
  std::string_view TextSharedMac;      // the MAC, the addresses that answered with it
  std::string_view TextSharedAddress;  // the address, the other MACs that answered from it
  std::string_view TextNameBackslash;
  std::string_view TextFileEmpty;
  std::string_view TextNoAnswer;
};

extern const LanguageTexts German;
extern const LanguageTexts English;

// A code that contains "de" anywhere selects German; every other code English.
const LanguageTexts& LanguageForCode(std::string_view code);

// One caption that a language switch puts on a control, in both languages.
struct CaptionText {
  std::string_view control;
  std::string_view german;
  std::string_view english;
};

// The captions in the order they are applied (the window title comes first, separately).
std::span<const CaptionText> LanguageCaptions();

// The items as "a, b, c".
std::string Joined(const std::vector<std::string>& items);

// pattern with each "{}" replaced by the next value.
std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values);

// The window title of a language: its prefix with the version directly behind it.
std::string WindowTitle(const LanguageTexts& texts);

}  // namespace kv3::texts
