#include "texts/language.h"

namespace kv3::texts {

const LanguageTexts German{
    .code = "de",
    .TextWindowTitle = "Konfigurationsprogramm für VozezaViroru V",
    .TextError = "Fehler",
    .TextMessage = "Meldung",
    .TextNotFound = "VozezaViroru nicht gefunden.\n\nVozezaViroru wird nicht aktualisiert!",
    .TextCorrupted = "Sendung gestört.\n\nBitte nochmal hochladen!",
    .TextUpdatedRestart =
        "VozezaViroru erfolgreich aktualisiert! \nVozezaViroru wird "
        "zurückgesetzt.\nBitte VozezaViroru neu suchen.",
    .TextUpdated = "VozezaViroru erfolgreich aktualisiert! ",
    .TextBigFileHint = "Große Dateien können bei GSM-Betrieb zu\nlangsamem Bildaufbau führen.",
    .TextFileTooBig =
        "Die Datei wird nicht hochgeladen, weil sie zu groß ist.\nBei 200kB tritt "
        "eine automatische Begrenzung in Kraft.",
    .TextPwNotAllowed = "(unzulässig)",
    .TextPwUnsafe = "(unsicher)",
    .TextPwSafe = "(sicher)",
    .TextPwVerySafe = "(sehr sicher)",
    .TextManualSearch = "Manuelle Suche",
    .TextSearchPrompt = "suche nach IP-Adr.:",
    .TextNameNotSendable =
        "Der Dateiname enthält ein Zeichen, das VozezaViroru nicht speichern kann.\n\n"
        "Bitte die Datei umbenennen!",
    .TextFileChanged =
        "Die Datei wurde während der Übertragung geändert.\nVozezaViroru hat sie nicht "
        "übernommen.\n\nBitte nochmal hochladen!",
    .TextNotOneUnit =
        "Dieses Gerät meldet die Adresse {},\ndie nicht nur dieses eine Gerät erreicht.\n\n"
        "Es wird darüber nicht angesprochen;\nbitte seine Netzwerkeinstellungen korrigieren.",
    .TextSharedMac =
        "Mehrere Geräte antworten mit der MAC-Adresse {}\n({}).\n\nEinstellungen würden alle "
        "ändern\nund werden nicht gesendet.",
    .TextSharedAddress =
        "Unter der Adresse {} antworten mehrere Geräte\n(auch {}).\n\nSie sind dort nicht "
        "auseinanderzuhalten;\nes wird nichts gesendet.\nBitte jedem Gerät eine eigene Adresse "
        "geben.",
    .TextNameBackslash =
        "Die Gerätebezeichnung enthält \"\\\", das VozezaViroru als Ende der Bezeichnung "
        "liest:\nBenutzername und Passwort würden verfälscht.\n\nBitte die "
        "Gerätebezeichnung ändern.",
    .TextFileEmpty = "Die Datei ist leer und wird nicht hochgeladen.",
    .TextNoAnswer =
        "VozezaViroru hat alles empfangen, den Empfang aber nicht bestätigt;\nvielleicht hat es "
        "die Datei übernommen.\n\nBitte VozezaViroru neu suchen.",
};

const LanguageTexts English{
    .code = "gb",
    .TextWindowTitle = "Configurator for VozezaViroru V",
    .TextError = "Error",
    .TextMessage = "Message",
    .TextNotFound = "VozezaViroru not found.\n\nVozezaViroru will not be updated!",
    .TextCorrupted = "Transfer corrupted.\n\nPlease try again!",
    .TextUpdatedRestart =
        "VozezaViroru successfully updated! \nVozezaViroru will be "
        "restarted.\nPlease search again for VozezaViroru.",
    .TextUpdated = "VozezaViroru successfully updated! ",
    .TextBigFileHint =
        "Big files may cause slow display-refresh-rates, when used with GSM-devices.",
    .TextFileTooBig =
        "This file will not be uploaded because of its size.\nThe file size must "
        "not exceed 200kB.",
    .TextPwNotAllowed = "(not allowed)",
    .TextPwUnsafe = "(unsafe)",
    .TextPwSafe = "(safe)",
    .TextPwVerySafe = "(very safe)",
    .TextManualSearch = "Search by IP",
    .TextSearchPrompt = "IP-addr. to search for:",
    .TextNameNotSendable =
        "The file name holds a character that VozezaViroru cannot store.\n\n"
        "Please rename the file!",
    .TextFileChanged =
        "The file changed while it was sent.\nVozezaViroru did not take it.\n\n"
        "Please try again!",
    .TextNotOneUnit =
        "This unit reports the address {},\nwhich reaches more than this one unit.\n\n"
        "It is not addressed there;\nplease correct its network settings.",
    .TextSharedMac =
        "Several units answer with the MAC address {}\n({}).\n\nSettings would change all of them\n"
        "and are not sent.",
    .TextSharedAddress =
        "Several units answer from the address {}\n(also {}).\n\nThey cannot be told apart "
        "there;\nnothing is sent.\nPlease give each unit an address of its own.",
    .TextNameBackslash =
        "The device name holds \"\\\", which VozezaViroru reads as the end of the name:\n"
        "its user name and password would be garbled.\n\nPlease change the device name.",
    .TextFileEmpty = "The file is empty and is not uploaded.",
    .TextNoAnswer =
        "VozezaViroru received everything but did not confirm it;\nit may have taken the "
        "file.\n\nPlease search again for VozezaViroru.",
};

const LanguageTexts& LanguageForCode(std::string_view code) {
  return code.find("de") != std::string_view::npos ? German : English;
}

namespace {

constexpr CaptionText Captions[] = {
    {"TabSheet1", "Einstellungen", "settings"},
    {"TabSheet2", "Aktualisierung", "update"},
    {"TabSheet3", "Anlagenschema", "system scheme"},
    {"TabSheet4", "KV3-Rahmen", "KV3 skin"},
    {"BTSuchen", "VozezaViroru suchen", "search VozezaViroru"},
    {"BtESpeichern", "Änderungen speichern", "save changes"},
    {"Label9", "Gerätebezeichnung:", "device name:"},
    {"Label10", "(max. 30 Zeichen)", "(max. 30 char.)"},
    {"Label4", "IP-Adresse:", "IP address:"},
    {"Label5", "Subnetzmaske:", "subnet mask:"},
    {"Label6", "Router:", "router:"},
    {"Label2", "Benutzername:", "username:"},
    {"Label7", "Passwort:", "password:"},
    {"Label8", "(je 6 - 12 Zeichen)", "(each 6 - 12 char.)"},
    {"CBKt", "Passwort zeigen:", "show password:"},
    {"Label1", "Installierte Firmware:", "installed firmware:"},
    {"Label15", "Online Download:", "online download:"},
    {"Label20", "Online Download:", "online download:"},
    {"Bt_WS_FW", "Webseite öffnen", "open website"},
    {"Bt_WS_WA", "Webseite öffnen", "open website"},
    {"Bt_WS_AS", "Webseite öffnen", "open website"},
    {"Bt_WS_R", "Webseite öffnen", "open website"},
    {"Label16", "Firmware:", "firmware:"},
    {"Bt_Ld_FW", "Datei öffnen", "open file"},
    {"Bt_Ld_WA", "Datei öffnen", "open file"},
    {"Bt_Ld_AS", "Datei öffnen", "open file"},
    {"Bt_Ld_R", "Datei öffnen", "open file"},
    {"Lb_DV_FW", "Datei-Version:", "file version:"},
    {"Lb_DV_WA", "Datei-Version:", "file version:"},
    {"Lb_DV_AS", "Datei-Version:", "file version:"},
    {"Lb_DV_R", "Datei-Version:", "file version:"},
    {"Lb_Up_FW", "Firmware Update:", "firmware update:"},
    {"Bt_Up_FW", "Update starten", "start update"},
    {"Bt_Up_WA", "Update starten", "start update"},
    {"Label19", "Installierte Web-App:", "installed web-app:"},
    {"Label21", "Web-App:", "web-app:"},
    {"Lb_Up_WA", "Web-App Update:", "update web-app:"},
    {"Label24", "Aktuelles Schema:", "current scheme:"},
    {"Label25", "Online Generator:", "online builder:"},
    {"Label26", "Schema auswählen:", "select scheme:"},
    {"Lb_Up_AS", "Schema hochladen:", "upload scheme:"},
    {"Lb_DG_AS", "Definition gefunden:", "arrangement found:"},
    {"Bt_Up_AS", "Übertragung starten", "start transfer"},
    {"Bt_Up_R", "Übertragung starten", "start transfer"},
    {"Label29", "Aktueller Rahmen:", "current skin:"},
    {"Label30", "Online Gallerie:", "online gallery:"},
    {"Label31", "Rahmen auswählen:", "select skin:"},
    {"Lb_Up_R", "Rahmen hochladen:", "upload skin:"},
    {"Label17", "Manuelle Suche", "Search by IP"},
    {"Label14", "suche nach IP-Adr.:", "IP-addr. to search for:"},
};

}  // namespace

std::span<const CaptionText> LanguageCaptions() { return Captions; }

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string out;
  auto next = values.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '{' && i + 1 < pattern.size() && pattern[i + 1] == '}' &&
        next != values.end()) {
      out += *next++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
  return text;
}

std::string WindowTitle(const LanguageTexts& texts) {
  return std::string(texts.TextWindowTitle) + std::string(ProgramVersion);
}

}  // namespace kv3::texts
