#pragma once

#include <string_view>

#include "cli/cli_texts.h"

namespace kv3::cli {

// What kv3's help and its command-line errors say, in one language: the descriptions of the
// commands and options, the help's own words, and the errors of the command line.
struct HelpTexts {
  // The program's help ends with `examples`, ExampleCommands and `exitStatus`.
  std::string_view program, examples, exitStatus, helpFlag, versionFlag, quiet;
  // The help's words: "Usage", "OPTIONS", "SUBCOMMAND", "Options", "Subcommands", "Positionals",
  // "REQUIRED", "Excludes", "Needs", "TEXT".
  std::string_view usage, optionsWord, subcommandWord, optionsGroup, subcommandsGroup, positionals,
      required, excludes, needs, text;
  // The names of the values a command takes in order.
  std::string_view macName, kindName, unitsFileName, outName, fileName, imageName;
  std::string_view address, mac, json;
  std::string_view find, findFooter, findJson, findPasswords;
  std::string_view show, showFooter, showPassword;
  std::string_view set, setFooter, name, ip, mask, router, dhcp, user, passwordStdin,
      passwordPrompt, setJson, macsName, setMacs, byMac, setWait;
  std::string_view findCsv, noWait, updateWait, journal, journalMac, journalFile, noJournal;
  std::string_view site, siteFooter, siteExport, exportFile, sitePlan, siteApply, siteFile,
      siteCheck, siteSave, siteJson, allowOlder, wave, maxFailures, siteWait, sitePassword, siteYes;
  std::string_view update, updateFooter, updateKind, unitsAndFile, all, transferJson, yes;
  std::string_view upload, uploadFooter, uploadKind, unitsAndPicture, definition;
  std::string_view image, imageFooter, build, buildOut, buildFiles, list, listImage;
  std::string_view onlyFileWithAll, macsAndFile;
  std::string_view force, definitionOnlyScheme;
  // Errors of the command line; "{}" marks where a value goes.
  std::string_view missing, commandMissing, notExpected, excludesError, notOneOf, badCommandLine,
      moreHelp, unknownCommand, needsValue, atMost, atLeast, notAValue, takesNoValue;
};

extern const std::string_view ExampleCommands;
extern const HelpTexts GermanHelpTexts;
extern const HelpTexts EnglishHelpTexts;

// The help texts in the language of `texts`.
const HelpTexts& HelpTextsFor(const CliTexts& texts);

}  // namespace kv3::cli
