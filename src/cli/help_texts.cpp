#include "cli/help_texts.h"

namespace kv3::cli {

// The examples of the program's help that read the same in every language.
const std::string_view ExampleCommands = R"(  kv3 show 00:1A:2B:3C:4D:01
  kv3 set 00-1a-2b-3c-4d-01 --name Keller --ip 192.0.2.40 --mask 255.255.255.0 --router 192.0.2.1
  echo 'Neu#2026' | kv3 set 00:1A:2B:3C:4D:01 --password-stdin
  kv3 update firmware --all kv3-2.14.bin
  kv3 update webapp 00:1A:2B:3C:4D:01 00:1A:2B:3C:4D:02 web.rom
  kv3 upload scheme 00:1A:2B:3C:4D:01 anlage.jpg --definition anlage.rem
  kv3 image build web.rom index.htm style.css default.jpg
  kv3 image list web.rom
  kv3 site plan anlage.csv && kv3 site apply anlage.csv --wave 16
)";

const HelpTexts GermanHelpTexts{
    .program =
        "kv3 richtet VozezaViroru-KV3-Geräte im lokalen Netz ein: es findet sie, zeigt und\n"
        "ändert ihre Einstellungen und spielt Firmware, Web-Apps, Rahmen und Anlagenschemata "
        "auf.",
    .examples = R"(
Beispiele:
  kv3 find                                  jedes Gerät an jedem Netzwerkadapter
  kv3 find --address 198.51.100.40 --json   ein Gerät hinter einem Router, als JSON
)",
    .exitStatus = R"(
Rückgabewert: 0 Erfolg, 1 ein Gerät hat abgelehnt oder versagt, 2 Aufruf falsch, 3 kein Gerät
gefunden oder nicht bestätigt, 4 Fehler auf diesem Rechner (Datei, Socket), 130 abgebrochen.)",
    .helpFlag = "diese Hilfe zeigen und beenden",
    .versionFlag = "die Version zeigen und beenden",
    .quiet = "keinen Fortschritt zeigen",
    .usage = "Aufruf",
    .optionsWord = "OPTIONEN",
    .subcommandWord = "BEFEHL",
    .optionsGroup = "Optionen",
    .subcommandsGroup = "Befehle",
    .positionals = "Angaben",
    .required = "NÖTIG",
    .excludes = "Schließt aus",
    .needs = "Braucht",
    .text = "TEXT",
    .macName = "MAC",
    .kindName = "ART",
    .unitsFileName = "MAC... DATEI",
    .outName = "AUSGABE",
    .fileName = "DATEI",
    .imageName = "IMAGE",
    .address = "nur an dieser Adresse oder diesem Rechnernamen suchen",
    .mac = "die MAC-Adresse des Geräts",
    .json = "JSON ausgeben",
    .find = "an jedem Netzwerkadapter suchen und die antwortenden Geräte auflisten",
    .findFooter =
        "\nBeispiele:\n  kv3 find\n  kv3 find --json --show-password > anlage.json\n"
        "  kv3 find --address 198.51.100.40\n\nRückgabewert 3, wenn kein Gerät "
        "antwortet: kv3 sagt dann, an welchen\nAdaptern und Adressen es gesucht hat und "
        "wer den Antwortport 48714 belegt.",
    .findJson = "JSON statt einer Tabelle ausgeben",
    .findPasswords = "auch die Passwörter der Geräte ausgeben",
    .show = "alles zeigen, was ein Gerät meldet",
    .showFooter = "\nBeispiel:\n  kv3 show 00-1a-2b-3c-4d-01 --json",
    .showPassword = "auch das Passwort ausgeben",
    .set =
        "die Einstellungen von Geräten ändern oder sie per MAC in dieses Netz holen, dann "
        "suchen, bis sie sie zeigen",
    .setFooter =
        "\nNicht angegebene Werte bleiben, wie das Gerät sie meldet. Die Werte werden geprüft wie "
        "im\nFenster; ein falscher wird abgelehnt, bevor etwas gesendet wird. Danach sucht kv3 "
        "neu:\nRückgabewert 0 nur, wenn das Gerät die neuen Werte zeigt und an seiner Adresse "
        "antwortet.\nEin Gerät in einem fremden Netz oder an einer Adresse, die es mit anderen "
        "teilt, wird\nmit nur Netzwerkwerten per MAC verschoben (\"SETT\"), ohne Passwort; "
        "--ip auto nimmt die\nniedrigste freie Adresse des Adapternetzes, --ip 192.0.2.50+ "
        "die nächsten freien ab dort.\n\nBeispiele:\n"
        "  kv3 set 00:1A:2B:3C:4D:55 00:1A:2B:3C:4D:56 --ip auto --mask 255.255.255.0 "
        "--router 192.0.2.1\n"
        "  kv3 set 00:1A:2B:3C:4D:01 --name Keller --ip 192.0.2.40 --mask 255.255.255.0 "
        "--router 192.0.2.1\n"
        "  kv3 set 00:1A:2B:3C:4D:01 --dhcp --password\n"
        "  printf '%s\\n' \"$NEUES_PASSWORT\" | kv3 set 00:1A:2B:3C:4D:01 --password-stdin",
    .name = "Gerätebezeichnung (höchstens 30 Zeichen)",
    .ip = "IP-Adresse (schaltet DHCP aus)",
    .mask = "Subnetzmaske (schaltet DHCP aus)",
    .router = "Router (schaltet DHCP aus)",
    .dhcp = "die Adresse per DHCP beziehen",
    .user = "Benutzername (höchstens 12 Zeichen)",
    .passwordStdin =
        "das neue Passwort (6 bis 12 Zeichen) aus der ersten Zeile der "
        "Standardeingabe lesen",
    .passwordPrompt = "nach dem neuen Passwort am Terminal fragen, ohne Echo",
    .setJson = "das Ergebnis als JSON ausgeben",
    .macsName = "MAC...",
    .setMacs = "die MAC-Adressen der Geräte; mehrere nacheinander, jedes an eine eigene Adresse",
    .byMac =
        "per MAC verschieben (\"SETT\") wie ein Gerät in einem fremden Netz: nur "
        "Netzwerkwerte, ohne Passwort",
    .setWait = "so viele Sekunden suchen, bis das Gerät die neuen Werte zeigt (Vorgabe 30)",
    .findCsv = "die Tabelle als CSV (UTF-8 mit BOM) für eine Tabellenkalkulation ausgeben",
    .noWait = "nach dem Neustart nicht auf die Geräte warten",
    .updateWait = "so viele Sekunden auf die Geräte nach ihrem Neustart warten (Vorgabe 120)",
    .journal = "das Protokoll jeder gesendeten Änderung zeigen, die neueste zuletzt",
    .journalMac = "nur die Einträge dieses Geräts",
    .journalFile =
        "das Protokoll in diese Datei schreiben (statt KV3_JOURNAL oder "
        "~/.local/state/kv3/journal.jsonl)",
    .noJournal = "keine Änderung protokollieren",
    .site = "eine ganze Anlage aus einer CSV-Datei: kv3 site export|plan|apply DATEI",
    .siteFooter =
        "\nDie Datei hat eine Kopfzeile und je Gerät eine Zeile; Spalten in beliebiger "
        "Reihenfolge:\n"
        "mac, name, ip, mask, router, dhcp (on/off), user, password, firmware, firmwareVersion,\n"
        "webapp, scheme, skin. Eine leere Zelle lässt den Wert, wie er ist; Dateien gelten vom\n"
        "Ordner der Datei aus. plan sendet nichts außer der Suche; apply macht den Plan neu,\n"
        "fragt nach und führt ihn Schritt für Schritt aus: Umzüge, Einstellungen, Firmware,\n"
        "Web-App, Schema, Rahmen, jeder bewiesen und protokolliert. Ein zweites apply tut nur,\n"
        "was fehlt.\n",
    .siteExport =
        "die gefundenen Geräte als Anlagendatei schreiben (ohne Passwörter; - für die Ausgabe)",
    .exportFile = "die Anlagendatei, die entsteht",
    .sitePlan = "zeigen, was sich an jedem Gerät ändern würde; sendet nichts",
    .siteApply = "den Plan ausführen: Umzüge, Einstellungen, dann die Dateien in Wellen",
    .siteFile = "die Anlagendatei (CSV), bei apply auch ein mit plan --save gespeicherter Plan",
    .siteCheck = "mit Status 1 enden, wenn sich etwas ändern würde",
    .siteSave = "den Plan als JSON in diese Datei schreiben, für apply",
    .siteJson = "das Ergebnis als JSON",
    .allowOlder = "auch eine ältere Firmware aufspielen, als das Gerät hat",
    .wave = "so viele Geräte auf einmal beladen (Vorgabe: alle)",
    .maxFailures =
        "keine neue Welle nach mehr als so vielen fehlgeschlagenen Geräten (Vorgabe: 0 bei "
        "Firmware)",
    .siteWait =
        "Sekunden, die ein Umzug oder eine Einstellung auf ihren Beweis wartet (Vorgabe: 30)",
    .sitePassword = "ein neues Passwort von der Eingabe für jede Zeile ohne Passwort",
    .siteYes = "ohne Rückfrage ausführen (ohne Terminal nötig)",
    .update = "Firmware oder Web-App aktualisieren: kv3 update firmware|webapp MAC... DATEI",
    .updateFooter =
        "\nMehrere Geräte werden gleichzeitig aktualisiert. Eine Übersicht nennt für jedes "
        "Gerät:\nfertig, nicht bestätigt, gestört, keine Antwort, Verbindung abgelehnt, nicht "
        "erreichbar,\nDatei geändert, Adresse ungültig, Adresse geteilt, MAC geteilt, zu groß, "
        "Name ungültig\noder abgebrochen (kv3(1) erklärt sie). Strg-C beendet jede Übertragung "
        "und gibt\nsie trotzdem aus.\n\nBeispiele:\n"
        "  kv3 update firmware --all kv3-2.14.bin\n"
        "  kv3 update webapp 00:1A:2B:3C:4D:01 00:1A:2B:3C:4D:02 web.rom",
    .updateKind = "firmware oder webapp",
    .unitsAndFile = "die Geräte und die Datei",
    .all = "jedes Gerät, das die Suche findet",
    .transferJson = "die Übersicht als JSON ausgeben",
    .yes = "eine Übertragung von über einer Stunde ohne Rückfrage starten",
    .upload =
        "einen Rahmen oder ein Anlagenschema aufspielen: kv3 upload skin|scheme MAC... "
        "DATEI",
    .uploadFooter =
        "\nEin Anlagenschema muss kleiner als 200 kB sein; seine Positionsdatei geht zuerst.\n\n"
        "Beispiele:\n  kv3 upload skin --all rahmen.jpg\n"
        "  kv3 upload scheme 00:1A:2B:3C:4D:01 anlage.jpg --definition anlage.rem",
    .uploadKind = "skin oder scheme",
    .unitsAndPicture = "die Geräte und das Bild",
    .definition =
        "die Positionsdatei des Schemas (.rem); ohne sie die neben dem Bild, wie das "
        "Fenster sie findet",
    .image = "ein Web-App-Image erstellen oder auflisten",
    .imageFooter =
        "\nBeispiele:\n  kv3 image build web.rom index.htm style.css default.jpg\n"
        "  kv3 image list web.rom --json",
    .build = "AUSGABE.rom aus DATEI... erstellen",
    .buildOut = "das zu schreibende Image",
    .buildFiles = "die Web-Dateien, in ihrer Reihenfolge",
    .list = "die Dateien eines Images auflisten",
    .listImage = "das Image",
    .onlyFileWithAll = "mit --all nur die DATEI angeben",
    .macsAndFile = "mindestens eine MAC-Adresse und die DATEI angeben",
    .force =
        "auch eine Datei senden, deren Inhalt nicht zur Art passt (keine Firmware, kein "
        "Web-Image, kein JPEG)",
    .definitionOnlyScheme = "--definition gehört nur zu kv3 upload scheme.",
    .missing = "{} fehlt.",
    .commandMissing = "Ein Befehl fehlt.",
    .notExpected = "Nicht erwartet: {}.",
    .excludesError = "{} schließt {} aus.",
    .notOneOf = "{}: {} ist keins von {}.",
    .badCommandLine = "Der Aufruf ist ungültig ({}).",
    .moreHelp = "Mehr mit --help.",
    .unknownCommand = "Unbekannter Befehl: {}.",
    .needsValue = "{} braucht einen Wert.",
    .atMost = "{}: höchstens {} erlaubt, {} angegeben.",
    .atLeast = "{}: mindestens {} nötig, {} angegeben.",
    .notAValue = "{}: \"{}\" ist kein gültiger Wert.",
    .takesNoValue = "{} nimmt keinen Wert.",
};

const HelpTexts EnglishHelpTexts{
    .program =
        "kv3 configures VozezaViroru KV3 units on the local network: it finds them, shows\n"
        "and changes their settings, and uploads firmware, web apps, skins and schemes.",
    .examples = R"(
Examples:
  kv3 find                                  every unit on every network adapter
  kv3 find --address 198.51.100.40 --json   one unit behind a router, as JSON
)",
    .exitStatus = R"(
Exit status: 0 success, 1 a unit refused or failed, 2 usage, 3 no unit found or not
acknowledged, 4 local error (file, socket), 130 interrupted.)",
    .helpFlag = "Print this help message and exit",
    .versionFlag = "Display program version information and exit",
    .quiet = "show no progress",
    .usage = "Usage",
    .optionsWord = "OPTIONS",
    .subcommandWord = "SUBCOMMAND",
    .optionsGroup = "Options",
    .subcommandsGroup = "Subcommands",
    .positionals = "Positionals",
    .required = "REQUIRED",
    .excludes = "Excludes",
    .needs = "Needs",
    .text = "TEXT",
    .macName = "MAC",
    .kindName = "KIND",
    .unitsFileName = "MAC... FILE",
    .outName = "OUT",
    .fileName = "FILE",
    .imageName = "IMAGE",
    .address = "search only at this address or host name",
    .mac = "the unit's MAC address",
    .json = "print JSON",
    .find = "search every network adapter and list the units that answer",
    .findFooter =
        "\nExamples:\n  kv3 find\n  kv3 find --json --show-password > site.json\n"
        "  kv3 find --address 198.51.100.40\n\nExit status 3 when no unit answered: kv3 "
        "then says which adapters\nand addresses it tried and who holds the reply port "
        "48714.",
    .findJson = "print JSON instead of a table",
    .findPasswords = "print the units' passwords too",
    .show = "show everything one unit reports",
    .showFooter = "\nExample:\n  kv3 show 00-1a-2b-3c-4d-01 --json",
    .showPassword = "print the password too",
    .set =
        "change units' settings or move them into this network by MAC, then search until "
        "they show them",
    .setFooter =
        "\nValues not given stay as the unit reports them. The values are checked as the window\n"
        "checks them; a wrong one is refused before anything is sent. Afterwards kv3 searches\n"
        "again: exit status 0 only when the unit shows the new values and answers at its "
        "address.\nA unit in another network, or at an address it shares with others, is moved "
        "by MAC\n(\"SETT\") when only network values are given, without a password; --ip auto "
        "takes the\nlowest free address of the adapter's network, --ip 192.0.2.50+ the next "
        "free ones from there.\n\nExamples:\n"
        "  kv3 set 00:1A:2B:3C:4D:55 00:1A:2B:3C:4D:56 --ip auto --mask 255.255.255.0 "
        "--router 192.0.2.1\n"
        "  kv3 set 00:1A:2B:3C:4D:01 --name Keller --ip 192.0.2.40 --mask 255.255.255.0 "
        "--router 192.0.2.1\n"
        "  kv3 set 00:1A:2B:3C:4D:01 --dhcp --password\n"
        "  printf '%s\\n' \"$NEW_PASSWORD\" | kv3 set 00:1A:2B:3C:4D:01 --password-stdin",
    .name = "device name (at most 30 characters)",
    .ip = "IP address (turns DHCP off)",
    .mask = "subnet mask (turns DHCP off)",
    .router = "router (turns DHCP off)",
    .dhcp = "take the address by DHCP",
    .user = "user name (at most 12 characters)",
    .passwordStdin =
        "read the new password (6 to 12 characters) from the first line of standard "
        "input",
    .passwordPrompt = "ask for the new password on the terminal, without echo",
    .setJson = "print the outcome as JSON",
    .macsName = "MAC...",
    .setMacs = "the units' MAC addresses; several go one after another, each to its own address",
    .byMac =
        "move by MAC (\"SETT\") as a unit in another network is moved: network values "
        "only, no password",
    .setWait = "search this many seconds until the unit shows the new values (default 30)",
    .findCsv = "print the table as CSV (UTF-8 with a byte-order mark) for a spreadsheet",
    .noWait = "do not wait for the units after their restart",
    .updateWait = "wait this many seconds for the units after their restart (default 120)",
    .journal = "show the record of every change sent, newest last",
    .journalMac = "only this unit's entries",
    .journalFile =
        "write the record to this file (instead of KV3_JOURNAL or "
        "~/.local/state/kv3/journal.jsonl)",
    .noJournal = "record no change",
    .site = "a whole site from one CSV file: kv3 site export|plan|apply FILE",
    .siteFooter =
        "\nThe file has a header row and one row per unit; columns in any order: mac, name, ip,\n"
        "mask, router, dhcp (on/off), user, password, firmware, firmwareVersion, webapp, scheme,\n"
        "skin. An empty cell leaves the value as it is; files are found from the file's folder.\n"
        "plan sends nothing but the search; apply makes the plan anew, asks, and carries it out\n"
        "step by step: moves, settings, firmware, web app, scheme, skin, each proved and\n"
        "journalled. A second apply does only what is missing.\n",
    .siteExport = "write the units found as a site file (no passwords; - for standard output)",
    .exportFile = "the site file to write",
    .sitePlan = "show what would change on each unit; sends nothing",
    .siteApply = "carry the plan out: moves, settings, then the files in waves",
    .siteFile = "the site file (CSV); for apply also a plan saved by plan --save",
    .siteCheck = "exit with status 1 when something would change",
    .siteSave = "write the plan as JSON to this file, for apply",
    .siteJson = "the outcome as JSON",
    .allowOlder = "send a firmware older than the unit's all the same",
    .wave = "send files to so many units at a time (default: all)",
    .maxFailures = "no new wave after more than so many failed units (default: 0 for firmware)",
    .siteWait = "seconds a move or save waits for its proof (default: 30)",
    .sitePassword = "one new password from standard input for every row that names none",
    .siteYes = "apply without asking (needed without a terminal)",
    .update = "update firmware or web app: kv3 update firmware|webapp MAC... FILE",
    .updateFooter =
        "\nSeveral units are updated side by side. A summary says for each unit: done, not\n"
        "acknowledged, corrupted, no answer, connection refused, unreachable, file changed,\n"
        "not addressable, shared address, shared MAC, too big, bad name or cancelled (kv3(1)\n"
        "explains them). Ctrl-C stops every transfer and still prints it.\n\nExamples:\n  kv3 "
        "update firmware --all kv3-2.14.bin\n"
        "  kv3 update webapp 00:1A:2B:3C:4D:01 00:1A:2B:3C:4D:02 web.rom",
    .updateKind = "firmware or webapp",
    .unitsAndFile = "the units and the file",
    .all = "every unit the search finds",
    .transferJson = "print the summary as JSON",
    .yes = "start a transfer of over an hour without asking",
    .upload = "upload a skin or a scheme picture: kv3 upload skin|scheme MAC... FILE",
    .uploadFooter =
        "\nA scheme picture must be smaller than 200 kB; its position definition goes first.\n\n"
        "Examples:\n  kv3 upload skin --all rahmen.jpg\n"
        "  kv3 upload scheme 00:1A:2B:3C:4D:01 anlage.jpg --definition anlage.rem",
    .uploadKind = "skin or scheme",
    .unitsAndPicture = "the units and the picture",
    .definition =
        "the scheme's position definition (.rem); without it the one beside the "
        "picture, as the window finds it",
    .image = "build or list a web-application image",
    .imageFooter =
        "\nExamples:\n  kv3 image build web.rom index.htm style.css default.jpg\n"
        "  kv3 image list web.rom --json",
    .build = "build OUT.rom from FILE...",
    .buildOut = "the image to write",
    .buildFiles = "the web files, in their order",
    .list = "list the files of an image",
    .listImage = "the image",
    .onlyFileWithAll = "with --all give only the FILE",
    .macsAndFile = "give at least one MAC and the FILE",
    .force =
        "send a file whose content does not fit the kind (no firmware, no web image, no JPEG) "
        "all the same",
    .definitionOnlyScheme = "--definition goes only with kv3 upload scheme.",
    .missing = "{} is required.",
    .commandMissing = "A command is required.",
    .notExpected = "Not expected: {}.",
    .excludesError = "{} excludes {}.",
    .notOneOf = "{}: {} is none of {}.",
    .badCommandLine = "The command line is not valid ({}).",
    .moreHelp = "Run with --help for more information.",
    .unknownCommand = "Unknown command: {}.",
    .needsValue = "{} needs a value.",
    .atMost = "{}: at most {} allowed, {} given.",
    .atLeast = "{}: at least {} needed, {} given.",
    .notAValue = "{}: \"{}\" is not a valid value.",
    .takesNoValue = "{} takes no value.",
};

const HelpTexts& HelpTextsFor(const CliTexts& texts) {
  return &texts == &GermanCliTexts ? GermanHelpTexts : EnglishHelpTexts;
}

}  // namespace kv3::cli
