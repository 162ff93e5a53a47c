#include "cli/site_texts.h"

namespace kv3::cli {

const SiteTexts GermanSiteTexts = {
    .cli = GermanCliTexts,
    .notUtf8 =
        "die Datei ist kein UTF-8-Text (in der Tabellenkalkulation als \"CSV UTF-8\" speichern).",
    .quoteOpen = "ein Anführungszeichen wird nicht geschlossen.",
    .noUnits = "die Datei nennt kein Gerät.",
    .tooLarge = "die Datei ist zu groß für eine Anlagendatei.",
    .unknownColumn = "unbekannte Spalte; die Spalten heißen {}.",
    .columnTwice = "die Spalte steht zweimal in der Kopfzeile.",
    .macColumnMissing = "die Spalte mac fehlt: sie nennt jedes Gerät.",
    .tooManyCells = "mehr Zellen, als die Kopfzeile Spalten hat.",
    .macMissing = "die MAC-Adresse fehlt.",
    .notAMac = "\"{}\" ist keine MAC-Adresse.",
    .twice = "{} steht schon in Zeile {}.",
    .notAnAddress = "\"{}\" ist keine IPv4-Adresse.",
    .notOnOff = "\"{}\": erwartet wird on oder off.",
    .dhcpWithAddress =
        "mit dhcp on vergibt der DHCP-Server die Adresse: ip, mask und router bleiben leer.",
    .versionMissing = "zur Firmware gehört der Versionstext, den das Gerät danach meldet.",
    .firmwareMissing = "firmwareVersion ohne die Firmware-Datei.",
    .passwordsReadable =
        "{} enthält Passwörter und ist auch für andere lesbar: nur für sich lesbar machen (Linux: "
        "chmod 600) oder das Passwort mit --password-stdin geben.",
    .rowWord = "Zeile {}",
    .refused = "Nichts gesendet: {} Fehler in der Anlagendatei.",
    .nameUnknown = "das Gerät hat seinen Namen nicht gemeldet: die Spalte name füllen.",
    .accountUnknown =
        "das Gerät hat sein Konto nicht gemeldet: user und password füllen (oder "
        "--password-stdin).",
    .older = "{} ist älter als die Firmware {} des Geräts (mit --allow-older trotzdem).",
    .cannotReach =
        "{} ist {}: dort ist es nicht ansprechbar; eine Adresse (ip) in diesem Netz geben.",
    .missing = "fehlt",
    .unchanged = "unverändert",
    .notInFile = "Gefunden, aber nicht in der Datei:",
    .nothingToDo = "Nichts zu tun.",
    .planSaved = "Plan gespeichert: {}",
    .planNotSaved = "Der Plan konnte nicht gespeichert werden: {}",
    .notAPlan = "{} ist kein gespeicherter Plan von kv3 site plan --save.",
    .planChanged =
        "Die Geräte passen nicht mehr zum gespeicherten Plan (sie oder die Dateien haben sich "
        "geändert). Nichts gesendet; kv3 site plan zeigt, was jetzt zu tun ist.",
    .exported = "{} Geräte in {} geschrieben.",
    .notExported = "{} konnte nicht geschrieben werden: {}",
    .question = "Ausführen? [j/N] ",
    .needsYes = "Ohne Terminal für die Rückfrage nur mit --yes.",
    .notApplied = "Nichts gesendet.",
    .stepColumn = "Schritt",
    .resultColumn = "Ergebnis",
    .reasonColumn = "Grund",
    .done = "erledigt",
    .skipped = "übersprungen",
    .failed = "fehlgeschlagen",
    .notStarted = "nicht begonnen",
    .earlierStep = "ein früherer Schritt schlug fehl",
    .alreadySo = "schon so",
    .reports = "meldet {} statt {}",
    .differs = "zeigt {} {} statt {}",
    .unverified = "Texte danach nicht lesbar",
    .vanished = "antwortet nicht mehr",
    .stoppedAfter = "keine weitere Welle nach {} fehlgeschlagenen Geräten",
    .stopped = "abgebrochen",
    .retry = "Was fehlschlug, wiederholt: {}",
};

const SiteTexts EnglishSiteTexts = {
    .cli = EnglishCliTexts,
    .notUtf8 = "the file is no UTF-8 text (save it from the spreadsheet as \"CSV UTF-8\").",
    .quoteOpen = "a quote is never closed.",
    .noUnits = "the file names no unit.",
    .tooLarge = "the file is too large for a site file.",
    .unknownColumn = "unknown column; the columns are {}.",
    .columnTwice = "the column is in the header twice.",
    .macColumnMissing = "the column mac is missing: it names each unit.",
    .tooManyCells = "more cells than the header has columns.",
    .macMissing = "the MAC address is missing.",
    .notAMac = "\"{}\" is no MAC address.",
    .twice = "{} is in row {} already.",
    .notAnAddress = "\"{}\" is no IPv4 address.",
    .notOnOff = "\"{}\": on or off expected.",
    .dhcpWithAddress =
        "with dhcp on the DHCP server gives the address: leave ip, mask and router empty.",
    .versionMissing = "a firmware needs the version text the unit reports afterwards.",
    .firmwareMissing = "firmwareVersion without the firmware file.",
    .passwordsReadable =
        "{} holds passwords and others may read it: make it readable by you alone (Linux: chmod "
        "600) or give the password with --password-stdin.",
    .rowWord = "row {}",
    .refused = "Nothing was sent: {} problems in the site file.",
    .nameUnknown = "the unit did not tell its name: fill in the column name.",
    .accountUnknown =
        "the unit did not tell its account: fill in user and password (or --password-stdin).",
    .older = "{} is older than the unit's firmware {} (--allow-older sends it all the same).",
    .cannotReach =
        "{} is {}: it cannot be spoken to there; give it an address (ip) in this network.",
    .missing = "missing",
    .unchanged = "unchanged",
    .notInFile = "Found, but not in the file:",
    .nothingToDo = "Nothing to do.",
    .planSaved = "Plan saved: {}",
    .planNotSaved = "The plan could not be saved: {}",
    .notAPlan = "{} is no plan saved by kv3 site plan --save.",
    .planChanged =
        "The units no longer match the saved plan (they or the files have changed). Nothing was "
        "sent; kv3 site plan shows what is to be done now.",
    .exported = "{} units written to {}.",
    .notExported = "{} could not be written: {}",
    .question = "Apply it? [y/N] ",
    .needsYes = "Without a terminal to ask on, only with --yes.",
    .notApplied = "Nothing was sent.",
    .stepColumn = "step",
    .resultColumn = "result",
    .reasonColumn = "reason",
    .done = "done",
    .skipped = "skipped",
    .failed = "failed",
    .notStarted = "not started",
    .earlierStep = "an earlier step failed",
    .alreadySo = "already so",
    .reports = "reports {}, not {}",
    .differs = "shows {} {}, not {}",
    .unverified = "its texts cannot be read afterwards",
    .vanished = "no longer answers",
    .stoppedAfter = "no new wave after {} failed units",
    .stopped = "stopped",
    .retry = "To retry what failed: {}",
};

const SiteTexts& SiteTextsFor(const CliTexts& texts) {
  return &texts == &GermanCliTexts ? GermanSiteTexts : EnglishSiteTexts;
}

}  // namespace kv3::cli
