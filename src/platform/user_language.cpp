#include "platform/user_language.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "platform/user_language_parts.h"

namespace kv3::platform {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// "C", "POSIX", "C.UTF-8": the locale of programs that speak no language of their own.
bool IsPlainLocale(std::string_view locale) {
  return locale == "C" || locale == "POSIX" || locale.starts_with("C.");
}

}  // namespace

std::vector<std::string> UserLanguages() {
  std::string locale;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = Variable(variable);
    if (!locale.empty()) break;
  }
  if (locale.empty()) locale = detail::SystemLanguage();
  if (locale.empty()) return {};
  const std::string list = Variable("LANGUAGE");
  if (list.empty() || IsPlainLocale(locale)) return {locale};
  std::vector<std::string> languages;
  std::size_t at = 0;
  while (at <= list.size()) {
    const std::size_t colon = std::min(list.find(':', at), list.size());
    if (colon > at) languages.push_back(list.substr(at, colon - at));
    at = colon + 1;
  }
  if (languages.empty()) return {locale};
  return languages;
}

bool UserPrefersGerman() {
  for (const std::string& language : UserLanguages()) {
    if (language.starts_with("de")) return true;
    if (language.starts_with("en")) return false;
  }
  return false;
}

}  // namespace kv3::platform
