#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "texts/language.h"

namespace kv3::cli {

// The command-line tool's own texts in one language; "{}" marks where a value goes. The texts
// that the window shows too come from its language table (`window`).
struct CliTexts {
  const texts::LanguageTexts& window;
  // Column heads and names of the values of a unit.
  std::string_view mac, address, mask, router, dhcp, firmware, webApp, scheme, skin, deviceName,
      user, password, adapter, on, off, unknown;
  // Search.
  std::string_view noUnit, searchedOn, searchedAt, sendFailed, noAdapter, loopbackHint, portTaken,
      portTakenBy, unknownMac, badMac, badHostAddress, macShared, notOneUnit, publicNetwork,
      publicNetworks, publicNetworkUnnamed;
  // The datagram socket's failures (link::SockFailure), in the order of that list; "{}" of
  // sockReceiveFailed is the system's error number.
  std::string_view sockSendClosed, sockSendOnStream, sockReceiveClosed, sockReceiveOnStream,
      sockReceiveFailed, sockHostNotFound, sockPortNotFound, sockTypeWhileOpen;
  // Settings.
  std::string_view badAddress, tooLong, wideCharacter, passwordLength, passwordPrompt,
      passwordRepeat, passwordMismatch, passwordFromNowhere, currentPasswordShort, nothingToSet,
      settingsNotAcknowledged, settingsVerified, settingsDiffer, vanished, controlCharacter,
      colonInUser, sharedMacRefused, behindRouter, setInterrupted;
  // Transfers.
  std::string_view unitColumn, resultColumn, done, notAcknowledged, corrupted, unreachable,
      cancelled, fileChanged, notAddressable, fileUnreadable, fileEmpty, firmwareNotBin,
      fileTooBigForUnit, interrupted, nameNotSendable, fileChangedNote, fleetProgress,
      decimalSeparator, reasonMissing, reasonFolder, reasonNotRegular, reasonNoAccess, reasonInUse,
      duration, startQuestion, yesWords, needsYes, restartNote;
  // Web images.
  std::string_view imageWritten, imageTooMany, imageUnreadable, imageTooLarge, imageNotWritten,
      imageNoEnd, imageOutside, nameColumn, sizeColumn, offsetColumn, imageNamesCollide,
      imageNameNotSendable, imageOutputIsInput, imageNotRom;
  // Units that cannot be told apart, values never read, values that would break a unit, and
  // outcomes the unit's side does not settle.
  std::string_view addressShared, answersLost, nameNotRead, nameCut, nameBackslash, backslashInName,
      accountNotRead, passwordCut, whySharedAddress, whyNotAddressable, whyOtherNetwork, whySilent,
      whyNoName, ipNotHost, maskNotContiguous, ipIsNetwork, ipIsBroadcast, routerIsUnit,
      routerOutside, ipIsThisComputer, ipTaken, settingsNotSent, textsUnread, sharedAddress,
      sharedMac, tooBig, badName, noAnswer, connectionRefused, sharedAddressNote, sharedMacNote,
      noAnswerNote, definitionTakenNote, emptyDefinition, contentRefused, notWebImage, notJpeg,
      firmwareIsWebImage, firmwareIsPicture, firmwareIsText;
  // Commissioning: the units' states, moves by MAC, the proof after a restart, the journal.
  std::string_view stateColumn, fixWith, otherNetworkNote, noTextsNote, byMacNetworkOnly,
      oneAddressForSeveral, ipHeld, noHomeNetwork, noFreeAddress, addressChosen, movedVerified,
      awaitingRestart, doneNow, noAnswerAfterRestart, unchangedVersion, noAnswerAfterRestartNote,
      unchangedVersionNote, journalUnwritable, journalEmpty, journalUnreadable, timeColumn,
      operationColumn, fileColumn;
};

extern const CliTexts GermanCliTexts;
extern const CliTexts EnglishCliTexts;

// German when the user's languages name German before English (LANGUAGE, as gettext reads it,
// then LC_ALL, LC_MESSAGES, LANG), English otherwise.
const CliTexts& TextsForEnvironment();

using texts::Fill;

}  // namespace kv3::cli
