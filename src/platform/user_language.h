#pragma once

#include <string>
#include <vector>

namespace kv3::platform {

// The user's languages, the preferred first, as locale names ("de_DE.UTF-8", "de-DE", "en"), the
// way gettext finds them: the list in LANGUAGE ("fr:de_DE:en"), unless the messages locale is
// "C" or "POSIX"; else that locale, the first of LC_ALL, LC_MESSAGES and LANG that is set; else,
// on Windows, the language the user chose for Windows. Empty when nothing tells.
std::vector<std::string> UserLanguages();

// True when German comes before English among the user's languages, as a gettext program with
// both a German and an English catalogue chooses; false when neither is named.
bool UserPrefersGerman();

}  // namespace kv3::platform
