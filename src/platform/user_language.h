#pragma once

#include <string>

namespace kv3::platform {

// The user's language as a locale name ("de_DE.UTF-8", "de-DE", "en-GB"): the first of LC_ALL,
// LC_MESSAGES and LANG that is set, else, on Windows, the language the user chose for Windows;
// empty when nothing tells.
std::string UserLanguage();

}  // namespace kv3::platform
