#pragma once

#include <string_view>

#include "cli/cli_texts.h"

namespace kv3::cli {

// The texts of `kv3 site` in one language, beside the tool's others; "{}" marks a value.
struct SiteTexts {
  const CliTexts& cli;
  // The file's refusals.
  std::string_view notUtf8, quoteOpen, noUnits, tooLarge, unknownColumn, columnTwice,
      macColumnMissing, tooManyCells, macMissing, notAMac, twice, notAnAddress, notOnOff,
      dhcpWithAddress, versionMissing, firmwareMissing, passwordsReadable, rowWord, refused;
  // The plan.
  std::string_view nameUnknown, accountUnknown, older, cannotReach, missing, unchanged, notInFile,
      nothingToDo, planSaved, planNotSaved, notAPlan, planChanged, exported, notExported;
  // Apply.
  std::string_view question, needsYes, notApplied, stepColumn, resultColumn, reasonColumn, done,
      skipped, failed, notStarted, earlierStep, alreadySo, reports, differs, unverified, vanished,
      stoppedAfter, stopped, retry;
};

extern const SiteTexts GermanSiteTexts;
extern const SiteTexts EnglishSiteTexts;

// The site's texts in the language of the tool's others.
const SiteTexts& SiteTextsFor(const CliTexts& texts);

}  // namespace kv3::cli
