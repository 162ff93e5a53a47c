#pragma once

// The window's German texts as the user reads them, written out here so that a test compares
// what is shown with the words themselves, never with the window's own table.
namespace kv3::test::german {

inline constexpr const char* Error = "Fehler";
inline constexpr const char* NotFound =
    "VozezaViroru nicht gefunden.\n\nVozezaViroru wird nicht aktualisiert!";
inline constexpr const char* Corrupted = "Sendung gestört.\n\nBitte nochmal hochladen!";
inline constexpr const char* UpdatedRestart =
    "VozezaViroru erfolgreich aktualisiert! \nVozezaViroru wird zurückgesetzt.\n"
    "Bitte VozezaViroru neu suchen.";
inline constexpr const char* Updated = "VozezaViroru erfolgreich aktualisiert! ";
inline constexpr const char* BigFileHint =
    "Große Dateien können bei GSM-Betrieb zu\nlangsamem Bildaufbau führen.";
inline constexpr const char* FileTooBig =
    "Die Datei wird nicht hochgeladen, weil sie zu groß ist.\nBei 200kB tritt eine automatische "
    "Begrenzung in Kraft.";
inline constexpr const char* NameNotSendable =
    "Der Dateiname enthält ein Zeichen, das VozezaViroru nicht speichern kann.\n\n"
    "Bitte die Datei umbenennen!";
inline constexpr const char* FileChanged =
    "Die Datei wurde während der Übertragung geändert.\nVozezaViroru hat sie nicht "
    "übernommen.\n\nBitte nochmal hochladen!";

inline constexpr const char* NoAnswer =
    "VozezaViroru hat alles empfangen, den Empfang aber nicht bestätigt;\nvielleicht hat es die "
    "Datei übernommen.\n\nBitte VozezaViroru neu suchen.";
inline constexpr const char* FileEmpty = "Die Datei ist leer und wird nicht hochgeladen.";
inline constexpr const char* NameBackslash =
    "Die Gerätebezeichnung enthält \"\\\", das VozezaViroru als Ende der Bezeichnung liest:\n"
    "Benutzername und Passwort würden verfälscht.\n\nBitte die Gerätebezeichnung ändern.";
// Around the other unit's MAC.
inline constexpr const char* SharedAddressBefore =
    "Unter der Adresse 127.0.0.11 antworten mehrere Geräte\n(auch ";
inline constexpr const char* SharedAddressAfter =
    ").\n\nSie sind dort nicht auseinanderzuhalten;\nes wird nichts gesendet.\nBitte jedem Gerät "
    "eine eigene Adresse geben.";

}  // namespace kv3::test::german
