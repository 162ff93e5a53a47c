#include "cli/cli_texts.h"

#include "platform/user_language.h"

namespace kv3::cli {

const CliTexts GermanCliTexts{
    .window = texts::German,
    .mac = "MAC",
    .address = "Adresse",
    .mask = "Maske",
    .router = "Router",
    .dhcp = "DHCP",
    .firmware = "Firmware",
    .webApp = "Web-App",
    .scheme = "Schema",
    .skin = "Rahmen",
    .deviceName = "Gerätename",
    .user = "Benutzer",
    .password = "Passwort",
    .adapter = "Adapter",
    .on = "ein",
    .off = "aus",
    .unknown = "???",
    .noUnit = "Kein Gerät hat geantwortet.",
    .searchedOn = "Gesucht über {} ({}) an {}.",
    .searchedAt = "Gesucht an {}.",
    .sendFailed = "Senden an {} über {} fehlgeschlagen: {}.",
    .noAdapter = "Kein Netzwerkadapter mit IPv4-Broadcast ist aktiv.",
    .loopbackHint =
        "Auf diesem Rechner simulierte Geräte (kv3sim) antworten mit --address "
        "127.255.255.255.",
    .portTaken = "Der Antwortport {} ist von einem anderen Programm belegt.",
    .portTakenBy = "Der Antwortport {} ist belegt von {} (Prozess {}).",
    .unknownMac = "Kein Gerät mit der MAC-Adresse {} hat geantwortet.",
    .badMac = "\"{}\" ist keine MAC-Adresse (12 Hex-Ziffern, paarweise mit : oder - getrennt).",
    .badHostAddress = "--address: \"{}\" ist weder eine gültige IPv4-Adresse noch ein Hostname.",
    .macShared =
        "* Mehrere Geräte antworten mit der MAC-Adresse {} ({}); kv3 set ändert keines davon.",
    .notOneUnit =
        "{} meldet die Adresse {}, die mehr als dieses eine Gerät erreicht: es wird dort weder "
        "gefragt noch bekommt es etwas gesendet.",
    .publicNetwork =
        "Windows führt das Netzwerk \"{}\" als öffentlich; dort lässt die Firewall die Antworten "
        "der Geräte nicht ein. Netzwerk als privat einstufen oder eine Regel anlegen: UDP "
        "eingehend an Port 48714, TCP ausgehend an Port 48715.",
    .publicNetworks =
        "Windows führt die Netzwerke {} als öffentlich; dort lässt die Firewall die Antworten "
        "der Geräte nicht ein. Netzwerke als privat einstufen oder eine Regel anlegen: UDP "
        "eingehend an Port 48714, TCP ausgehend an Port 48715.",
    .publicNetworkUnnamed =
        "Windows führt ein verbundenes Netzwerk als öffentlich; dort lässt die Firewall die "
        "Antworten der Geräte nicht ein. Netzwerk als privat einstufen oder eine Regel anlegen: "
        "UDP eingehend an Port 48714, TCP ausgehend an Port 48715.",
    .sockSendClosed = "Senden nicht möglich: der Socket ist nicht offen",
    .sockSendOnStream = "Ein Stream-Socket sendet keine Datagramme",
    .sockReceiveClosed = "Empfangen nicht möglich: der Socket ist nicht offen",
    .sockReceiveOnStream = "Ein Stream-Socket empfängt keine Datagramme",
    .sockReceiveFailed = "Fehler beim Empfang eines Datagramms: {}",
    .sockHostNotFound = "Rechnername nicht gefunden",
    .sockPortNotFound = "Dienstname nicht gefunden",
    .sockTypeWhileOpen = "Die Art eines offenen Sockets lässt sich nicht ändern",
    .badAddress = "{}: \"{}\" ist keine gültige IPv4-Adresse.",
    .tooLong = "{}: höchstens {} Zeichen.",
    .wideCharacter = "{}: nur Zeichen unter 0x80 sind erlaubt, \"{}\" nicht.",
    .passwordLength = "Das Passwort muss 6 bis 12 Zeichen haben.",
    .passwordPrompt = "Neues Passwort: ",
    .passwordRepeat = "Passwort wiederholen: ",
    .passwordMismatch = "Die beiden Eingaben stimmen nicht überein.",
    .passwordFromNowhere = "Kein Passwort eingegeben.",
    .currentPasswordShort =
        "Das Passwort des Geräts hat weniger als 6 Zeichen; bitte ein neues mit "
        "--password oder --password-stdin angeben.",
    .nothingToSet = "Nichts zu ändern: bitte mindestens eine Einstellung angeben.",
    .settingsNotAcknowledged = "Das Gerät hat die Einstellungen nicht bestätigt.",
    .settingsVerified = "Das Gerät zeigt die neuen Einstellungen.",
    .settingsDiffer = "Das Gerät zeigt nicht die neuen Einstellungen: {} ist \"{}\" statt \"{}\".",
    .vanished = "Das Gerät {} antwortet nach dem Speichern nicht mehr auf die Suche.",
    .controlCharacter = "{}: Steuerzeichen wie {} kann ein Gerät nicht speichern.",
    .colonInUser =
        "{}: ein Benutzername darf kein \":\" enthalten (das Gerät meldet Benutzer:Passwort).",
    .sharedMacRefused =
        "Mehrere Geräte antworten mit der MAC-Adresse {} ({}): die Einstellungen würden alle "
        "ändern. Nichts gesendet.",
    .behindRouter =
        "{} ({}) liegt in keinem Netz dieses Rechners: Einstellungen lassen sich nur im eigenen "
        "Netz des Geräts schreiben, denn die Geräte nehmen sie nur als Broadcast an, und den "
        "leitet kein Router weiter. Nichts gesendet.",
    .setInterrupted =
        "Die Einstellungen waren schon gesendet: das Gerät hat sie vielleicht übernommen. Bitte "
        "mit kv3 show prüfen.",
    .unitColumn = "Gerät",
    .resultColumn = "Ergebnis",
    .done = "fertig",
    .notAcknowledged = "nicht bestätigt",
    .corrupted = "gestört",
    .unreachable = "nicht erreichbar",
    .cancelled = "abgebrochen",
    .fileChanged = "Datei geändert",
    .notAddressable = "Adresse ungültig",
    .fileUnreadable = "Datei {} kann nicht geöffnet werden: {}.",
    .fileEmpty = "Datei {} ist leer; nichts gesendet.",
    .firmwareNotBin = "Firmware wird nur als .bin-Datei hochgeladen: {}.",
    .fileTooBigForUnit = "Datei {} ist zu groß für die Übertragung.",
    .interrupted = "Abgebrochen.",
    .nameNotSendable =
        "{}: der Dateiname enthält ein Zeichen ohne Windows-1252-Form, das ein Gerät nicht "
        "speichern kann. Bitte die Datei umbenennen.",
    .fileChangedNote =
        "{}: die Datei hat sich geändert, während sie gesendet wurde; das Gerät hat sie nicht "
        "übernommen.",
    .fleetProgress = "{} von {} Geräten fertig, {} von {} MiB gesendet, noch etwa {}",
    .decimalSeparator = ",",
    .reasonMissing = "sie existiert nicht",
    .reasonFolder = "das ist ein Ordner",
    .reasonNotRegular = "das ist keine gewöhnliche Datei",
    .reasonNoAccess = "sie darf nicht gelesen werden",
    .reasonInUse = "ein anderes Programm verwendet sie",
    .duration =
        "Die Übertragung dauert etwa {} (die Geräte werden in festem Takt beliefert, alle "
        "gleichzeitig).",
    .startQuestion = "Starten? [j/N] ",
    .yesWords = "j ja",
    .needsYes = "Über eine Stunde: ohne Terminal für die Rückfrage nur mit --yes. Nichts gesendet.",
    .restartNote =
        "Die fertigen Geräte starten jetzt neu und antworten erst danach wieder; bitte dann neu "
        "suchen (kv3 find).",
    .imageWritten = "{} geschrieben: {} Dateien, {} Bytes.",
    .imageTooMany = "Ein Image fasst höchstens 256 Dateien.",
    .imageUnreadable =
        "Datei {} kann nicht gelesen werden oder hat sich beim Lesen geändert; {} bleibt "
        "unverändert.",
    .imageTooLarge = "Die Dateien sind zusammen zu groß für ein Image (4 GiB).",
    .imageNotWritten = "Datei {} kann nicht erstellt werden.",
    .imageNoEnd = "{}: das Verzeichnis des Images hat keine Endmarke.",
    .imageOutside = "{}: ein Eintrag zeigt über das Dateiende hinaus.",
    .nameColumn = "Name",
    .sizeColumn = "Größe",
    .offsetColumn = "Versatz",
    .imageNamesCollide =
        "{} und {} tragen im Image denselben Namen \"{}\" (höchstens 20 Zeichen); nichts "
        "geschrieben.",
    .imageNameNotSendable =
        "{}: der Name enthält ein Zeichen ohne Windows-1252-Form; nichts geschrieben.",
    .imageOutputIsInput =
        "{} ist eine der Dateien des Images; das Image braucht einen eigenen Namen "
        "(kv3 image build OUT.rom DATEI...).",
    .imageNotRom =
        "Der Name des Images muss auf .rom enden: {} (kv3 image build OUT.rom DATEI...).",
    .addressShared =
        "* Mehrere Geräte antworten von der Adresse {} ({}): kv3 kann sie dort nicht "
        "unterscheiden, fragt sie darum nicht nach ihren Texten und sendet ihnen keine Datei.",
    .answersLost =
        "{} Antworten gingen verloren: dieser Rechner hat sie zu langsam angenommen. Es können "
        "Geräte fehlen oder ohne ihre Texte erscheinen; bitte neu suchen.",
    .nameNotRead =
        "Der Gerätename ist nicht bekannt ({}); \"SETC\" würde ihn überschreiben. Bitte den Namen "
        "mit --name angeben. Nichts gesendet.",
    .nameCut =
        "Das Gerät meldet seinen Namen auf 32 Bytes gekürzt; zurückgesendet ginge der Rest "
        "verloren. Bitte den Namen mit --name angeben. Nichts gesendet.",
    .nameBackslash =
        "Der Gerätename \"{}\" enthält \"\\\", an dem das Gerät den Namen enden lässt: der Rest "
        "würde sein Benutzername. Bitte einen neuen Namen mit --name angeben. Nichts gesendet.",
    .backslashInName =
        "{}: ein Gerätename darf kein \"\\\" enthalten (dort endet für das Gerät "
        "der Name).",
    .accountNotRead =
        "Das Gerät hat Benutzer und Passwort nicht genannt ({}); bitte beides mit --user und "
        "--password oder --password-stdin angeben. Nichts gesendet.",
    .passwordCut =
        "Das Gerät meldet Benutzer und Passwort auf 32 Bytes gekürzt, das Passwort ist also "
        "vielleicht unvollständig; bitte das Passwort mit --password oder --password-stdin "
        "angeben. Nichts gesendet.",
    .whySharedAddress = "von seiner Adresse {} antworten auch andere Geräte: {}",
    .whyNotAddressable = "seine Adresse {} erreicht mehr als dieses eine Gerät",
    .whyOtherNetwork = "seine Adresse {} liegt in keinem Netz dieses Rechners",
    .whySilent = "es hat an {} nicht auf \"PaWd\" geantwortet",
    .whyNoName = "es hat an {} seinen Namen nicht gesendet",
    .ipNotHost = "--ip: {} ist keine Adresse, die ein Gerät haben kann.",
    .maskNotContiguous =
        "--mask: {} ist keine Subnetzmaske: ihre Einsen müssen vorn stehen, wie in "
        "255.255.255.0.",
    .ipIsNetwork = "--ip: {} ist die Adresse des Netzes {} selbst.",
    .ipIsBroadcast = "--ip: {} ist die Broadcast-Adresse des Netzes {}.",
    .routerIsUnit = "--router: {} ist die eigene Adresse des Geräts.",
    .routerOutside =
        "--router: {} liegt außerhalb des Netzes {} des Geräts; das Gerät könnte ihn nicht "
        "erreichen.",
    .ipIsThisComputer = "--ip: {} ist die Adresse dieses Rechners (auf {}).",
    .ipTaken = "--ip: {} ist die Adresse des Geräts {}.",
    .settingsNotSent = "Die Einstellungen konnten nicht gesendet werden: {}.",
    .textsUnread =
        "Das Gerät hat die Einstellungen übernommen und antwortet von {}, ließ sich dort aber "
        "nicht nach seinen Texten fragen: {}. Dass alle Einstellungen angekommen sind, ist nicht "
        "belegt.",
    .sharedAddress = "Adresse geteilt",
    .sharedMac = "MAC geteilt",
    .tooBig = "zu groß",
    .badName = "Name ungültig",
    .noAnswer = "keine Antwort",
    .connectionRefused = "Verbindung abgelehnt",
    .sharedAddressNote =
        "{}: von seiner Adresse {} antworten auch andere Geräte ({}); ihm wurde nichts gesendet.",
    .sharedMacNote =
        "{}: mehrere Geräte antworten mit dieser MAC-Adresse ({}); ihnen wurde nichts gesendet.",
    .noAnswerNote =
        "{}: das Gerät hat jedes Byte, aber seine Schlussantwort kam nicht; vielleicht hat es die "
        "Datei übernommen. Bitte mit kv3 find prüfen.",
    .definitionTakenNote =
        "{}: die Positionsdefinition ist beim Gerät angekommen, das Bild nicht: das Gerät zeigt "
        "die neuen Positionen auf dem alten Bild.",
    .emptyDefinition =
        "Zu {} gehört keine Positionsdefinition (weder {} noch user.rem gefunden): das Gerät "
        "bekommt eine leere, seine Positionen werden geleert.",
    .contentRefused = "{}: {}. Nichts gesendet; --force sendet sie trotzdem.",
    .notWebImage = "sie ist kein Web-Image (kv3 image list sagt, warum)",
    .notJpeg = "sie ist kein JPEG-Bild",
    .firmwareIsWebImage = "sie ist ein Web-Image, keine Firmware",
    .firmwareIsPicture = "sie ist ein Bild, keine Firmware",
    .firmwareIsText = "sie ist Text, keine Firmware",
    .stateColumn = "Zustand",
    .fixWith = "Abhilfe: {}",
    .otherNetworkNote =
        "{} antwortet von {}, das in keinem Netz von {} liegt ({}): nur Broadcasts erreichen es.",
    .noTextsNote =
        "{} an {} liegt im Netz dieses Rechners, hat aber nicht nach seinen Texten geantwortet: "
        "es startet vielleicht noch, oder ein anderes Gerät hat seine Adresse.",
    .byMacNetworkOnly =
        "--by-mac nimmt nur Netzwerkwerte (--ip, --mask, --router, --dhcp): \"SETT\" trägt "
        "keinen Namen und kein Konto.",
    .oneAddressForSeveral =
        "--ip {}: mehrere Geräte können nicht eine Adresse bekommen; --ip auto oder --ip "
        "ADRESSE+ gibt jedem eine eigene.",
    .ipHeld = "--ip: {} ist schon vergeben: dort antwortet ein Gerät oder Rechner.",
    .noHomeNetwork =
        "{}: kein Netz eines Adapters dieses Rechners, aus dem --ip auto eine Adresse nehmen "
        "könnte; bitte --ip ADRESSE angeben.",
    .noFreeAddress = "{}: in {} ist keine Adresse mehr frei. Nichts gesendet.",
    .addressChosen = "{}: {} ist frei.",
    .movedVerified = "{} zeigt die neuen Einstellungen und antwortet an {}.",
    .awaitingRestart = "Warte bis zu {} s, bis die Geräte nach ihrem Neustart antworten ...",
    .doneNow = "fertig, jetzt {}",
    .noAnswerAfterRestart = "keine Antwort nach dem Neustart",
    .unchangedVersion = "Version unverändert",
    .noAnswerAfterRestartNote =
        "{}: hat die Datei übernommen, antwortet seit dem Neustart aber nicht mehr; bitte das "
        "Gerät prüfen.",
    .unchangedVersionNote =
        "{}: meldet nach dem Neustart dieselbe Version {} wie vorher; die Datei ist vielleicht "
        "nicht neuer.",
    .journalUnwritable =
        "Warnung: das Protokoll {} lässt sich nicht schreiben ({}); die Änderungen gehen "
        "trotzdem hinaus.",
    .journalEmpty = "Noch kein Protokoll in {}.",
    .journalUnreadable = "{} Zeilen des Protokolls sind kein JSON und wurden übergangen.",
    .timeColumn = "Zeit",
    .operationColumn = "Vorgang",
    .fileColumn = "Datei",
};

const CliTexts EnglishCliTexts{
    .window = texts::English,
    .mac = "MAC",
    .address = "address",
    .mask = "mask",
    .router = "router",
    .dhcp = "DHCP",
    .firmware = "firmware",
    .webApp = "web app",
    .scheme = "scheme",
    .skin = "skin",
    .deviceName = "device name",
    .user = "user",
    .password = "password",
    .adapter = "adapter",
    .on = "on",
    .off = "off",
    .unknown = "???",
    .noUnit = "No unit answered.",
    .searchedOn = "Searched on {} ({}) at {}.",
    .searchedAt = "Searched at {}.",
    .sendFailed = "Sending to {} on {} failed: {}.",
    .noAdapter = "No network adapter with an IPv4 broadcast address is up.",
    .loopbackHint =
        "Units simulated on this computer (kv3sim) answer with --address 127.255.255.255.",
    .portTaken = "The reply port {} is held by another program.",
    .portTakenBy = "The reply port {} is held by {} (process {}).",
    .unknownMac = "No unit with the MAC address {} answered.",
    .badMac = "\"{}\" is not a MAC address (12 hex digits, pairs separated by : or -).",
    .badHostAddress = "--address: \"{}\" is neither a valid IPv4 address nor a host name.",
    .macShared =
        "* Several units answer with the MAC address {} ({}); kv3 set changes none of them.",
    .notOneUnit =
        "{} reports the address {}, which reaches more than this one unit: it is neither asked "
        "nor sent anything there.",
    .publicNetwork =
        "Windows treats the network \"{}\" as public, where its firewall keeps the units' "
        "answers out. Make the network private or add a rule: UDP in to port 48714, TCP out to "
        "port 48715.",
    .publicNetworks =
        "Windows treats the networks {} as public, where its firewall keeps the units' answers "
        "out. Make the networks private or add a rule: UDP in to port 48714, TCP out to port "
        "48715.",
    .publicNetworkUnnamed =
        "Windows treats a connected network as public, where its firewall keeps the units' "
        "answers out. Make the network private or add a rule: UDP in to port 48714, TCP out to "
        "port 48715.",
    .sockSendClosed = "Cannot send: the socket is not open",
    .sockSendOnStream = "A stream socket sends no datagrams",
    .sockReceiveClosed = "Cannot receive: the socket is not open",
    .sockReceiveOnStream = "A stream socket receives no datagrams",
    .sockReceiveFailed = "Error while receiving a datagram: {}",
    .sockHostNotFound = "Host name not found",
    .sockPortNotFound = "Service name not found",
    .sockTypeWhileOpen = "The type of an open socket cannot be changed",
    .badAddress = "{}: \"{}\" is not a valid IPv4 address.",
    .tooLong = "{}: at most {} characters.",
    .wideCharacter = "{}: only characters below 0x80 are allowed, \"{}\" is not.",
    .passwordLength = "The password must have 6 to 12 characters.",
    .passwordPrompt = "New password: ",
    .passwordRepeat = "Repeat the password: ",
    .passwordMismatch = "The two entries differ.",
    .passwordFromNowhere = "No password given.",
    .currentPasswordShort =
        "The unit's password has fewer than 6 characters; give a new one with "
        "--password or --password-stdin.",
    .nothingToSet = "Nothing to change: give at least one setting.",
    .settingsNotAcknowledged = "The unit did not acknowledge the settings.",
    .settingsVerified = "The unit shows the new settings.",
    .settingsDiffer = "The unit does not show the new settings: {} is \"{}\", not \"{}\".",
    .vanished = "The unit {} no longer answers the search after saving.",
    .controlCharacter = "{}: a unit cannot keep control characters such as {}.",
    .colonInUser = "{}: a user name cannot hold \":\" (the unit reports user:password).",
    .sharedMacRefused =
        "Several units answer with the MAC address {} ({}): the settings would change all of "
        "them. Nothing was sent.",
    .behindRouter =
        "{} ({}) is in none of this computer's networks: settings can only be written in the "
        "unit's own network, as the units take them only as a broadcast, which no router passes "
        "on. Nothing was sent.",
    .setInterrupted =
        "The settings had been sent: the unit may already have taken them. Check with kv3 show.",
    .unitColumn = "unit",
    .resultColumn = "result",
    .done = "done",
    .notAcknowledged = "not acknowledged",
    .corrupted = "corrupted",
    .unreachable = "unreachable",
    .cancelled = "cancelled",
    .fileChanged = "file changed",
    .notAddressable = "not addressable",
    .fileUnreadable = "File {} cannot be opened: {}.",
    .fileEmpty = "File {} is empty; nothing was sent.",
    .firmwareNotBin = "Firmware is uploaded only from a .bin file: {}.",
    .fileTooBigForUnit = "File {} is too big to be transferred.",
    .interrupted = "Interrupted.",
    .nameNotSendable =
        "{}: the file name holds a character without a Windows-1252 form, which a unit cannot "
        "store. Please rename the file.",
    .fileChangedNote = "{}: the file changed while it was sent; the unit did not take it.",
    .fleetProgress = "{} of {} units finished, {} of {} MiB sent, about {} left",
    .decimalSeparator = ".",
    .reasonMissing = "it does not exist",
    .reasonFolder = "it is a folder",
    .reasonNotRegular = "it is no regular file",
    .reasonNoAccess = "it may not be read",
    .reasonInUse = "another program uses it",
    .duration =
        "The transfer takes about {} (the units are fed at a fixed pace, all side by side).",
    .startQuestion = "Start it? [y/N] ",
    .yesWords = "y yes",
    .needsYes = "Over an hour: without a terminal to ask on, only with --yes. Nothing was sent.",
    .restartNote =
        "The units marked done restart now and answer only once they are up again; then search "
        "again (kv3 find).",
    .imageWritten = "{} written: {} files, {} bytes.",
    .imageTooMany = "An image holds at most 256 files.",
    .imageUnreadable = "File {} cannot be read or changed while it was read; {} stays as it was.",
    .imageTooLarge = "The files together are too big for an image (4 GiB).",
    .imageNotWritten = "File {} cannot be created.",
    .imageNoEnd = "{}: the image's directory has no end marker.",
    .imageOutside = "{}: an entry points beyond the end of the file.",
    .nameColumn = "name",
    .sizeColumn = "size",
    .offsetColumn = "offset",
    .imageNamesCollide =
        "{} and {} get the same name \"{}\" in the image (20 characters at most); nothing "
        "written.",
    .imageNameNotSendable =
        "{}: the name holds a character without a Windows-1252 form; nothing written.",
    .imageOutputIsInput =
        "{} is one of the image's files; the image needs a name of its own "
        "(kv3 image build OUT.rom FILE...).",
    .imageNotRom = "The image's name must end in .rom: {} (kv3 image build OUT.rom FILE...).",
    .addressShared =
        "* Several units answer from the address {} ({}): kv3 cannot tell them apart there, so it "
        "neither asks them for their texts nor sends them a file.",
    .answersLost =
        "{} answers were lost: this computer took them in too slowly. Units may be missing or "
        "lack their texts; search again.",
    .nameNotRead =
        "The unit's device name is not known ({}); \"SETC\" would overwrite it. Give the name with "
        "--name. Nothing was sent.",
    .nameCut =
        "The unit reports its device name cut to 32 bytes; sent back, the rest would be lost. "
        "Give the name with --name. Nothing was sent.",
    .nameBackslash =
        "The unit's device name \"{}\" holds \"\\\", where the unit ends the name: the rest would "
        "become its user name. Give a new name with --name. Nothing was sent.",
    .backslashInName = "{}: a device name cannot hold \"\\\" (the unit ends the name there).",
    .accountNotRead =
        "The unit did not tell its user name and password ({}); give both with --user and "
        "--password or --password-stdin. Nothing was sent.",
    .passwordCut =
        "The unit reports its account cut to 32 bytes, so its password may be cut; give the "
        "password with --password or --password-stdin. Nothing was sent.",
    .whySharedAddress = "other units answer from its address {} too: {}",
    .whyNotAddressable = "its address {} reaches more than this one unit",
    .whyOtherNetwork = "its address {} lies in none of this computer's networks",
    .whySilent = "it did not answer \"PaWd\" at {}",
    .whyNoName = "it did not send its device name at {}",
    .ipNotHost = "--ip: {} is no address a unit can have.",
    .maskNotContiguous =
        "--mask: {} is no subnet mask: its ones must come first, as in 255.255.255.0.",
    .ipIsNetwork = "--ip: {} is the address of the network {} itself.",
    .ipIsBroadcast = "--ip: {} is the broadcast address of the network {}.",
    .routerIsUnit = "--router: {} is the unit's own address.",
    .routerOutside =
        "--router: {} lies outside the unit's network {}; the unit could not reach it.",
    .ipIsThisComputer = "--ip: {} is this computer's own address (on {}).",
    .ipTaken = "--ip: {} is the address of the unit {}.",
    .settingsNotSent = "The settings could not be sent: {}.",
    .textsUnread =
        "The unit took the settings and answers from {}, but it could not be asked for its texts "
        "there: {}. Nothing shows that all the settings arrived.",
    .sharedAddress = "shared address",
    .sharedMac = "shared MAC",
    .tooBig = "too big",
    .badName = "bad name",
    .noAnswer = "no answer",
    .connectionRefused = "connection refused",
    .sharedAddressNote =
        "{}: other units answer from its address {} too ({}); nothing was sent to it.",
    .sharedMacNote =
        "{}: several units answer with this MAC address ({}); nothing was sent to them.",
    .noAnswerNote =
        "{}: the unit has every byte, but its closing answer did not come; it may have taken the "
        "file. Check with kv3 find.",
    .definitionTakenNote =
        "{}: the position definition reached the unit, the picture did not: the unit shows the "
        "new positions on its old picture.",
    .emptyDefinition =
        "No position definition belongs to {} (neither {} nor user.rem found): the unit receives "
        "an empty one, which empties its positions.",
    .contentRefused = "{}: {}. Nothing was sent; --force sends it anyway.",
    .notWebImage = "it does not read as a web image (kv3 image list tells why)",
    .notJpeg = "it is no JPEG picture",
    .firmwareIsWebImage = "it is a web image, not firmware",
    .firmwareIsPicture = "it is a picture, not firmware",
    .firmwareIsText = "it is text, not firmware",
    .stateColumn = "state",
    .fixWith = "Fix: {}",
    .otherNetworkNote =
        "{} answers from {}, which lies in none of {}'s networks ({}): only broadcasts reach it.",
    .noTextsNote =
        "{} at {} lies in this computer's network but did not answer the texts request: it may "
        "still be starting, or another device holds its address.",
    .byMacNetworkOnly =
        "--by-mac takes network values only (--ip, --mask, --router, --dhcp): \"SETT\" carries "
        "no name and no account.",
    .oneAddressForSeveral =
        "--ip {}: several units cannot get one address; --ip auto or --ip ADDRESS+ gives each "
        "its own.",
    .ipHeld = "--ip: {} is taken: a unit or host answers there.",
    .noHomeNetwork =
        "{}: no network of an adapter of this computer that --ip auto could take an address "
        "from; please give --ip ADDRESS.",
    .noFreeAddress = "{}: no address of {} is free. Nothing sent.",
    .addressChosen = "{}: {} is free.",
    .movedVerified = "{} shows the new settings and answers at {}.",
    .awaitingRestart = "Waiting up to {} s for the units to answer after their restart ...",
    .doneNow = "done, now {}",
    .noAnswerAfterRestart = "no answer after the restart",
    .unchangedVersion = "unchanged version",
    .noAnswerAfterRestartNote =
        "{}: took the file but has not answered since its restart; the unit may need "
        "attention.",
    .unchangedVersionNote =
        "{}: reports the same version {} after its restart as before; the file may not be "
        "newer.",
    .journalUnwritable =
        "Warning: the journal {} cannot be written ({}); the changes go out all the same.",
    .journalEmpty = "No journal in {} yet.",
    .journalUnreadable = "{} lines of the journal are no JSON and were passed over.",
    .timeColumn = "time",
    .operationColumn = "operation",
    .fileColumn = "file",
};

const CliTexts& TextsForEnvironment() {
  return platform::UserPrefersGerman() ? GermanCliTexts : EnglishCliTexts;
}

}  // namespace kv3::cli
