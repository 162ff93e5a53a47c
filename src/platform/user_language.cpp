#include "platform/user_language.h"

#include <cstdlib>

#include "platform/user_language_parts.h"

namespace kv3::platform {

std::string UserLanguage() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return detail::SystemLanguage();
}

}  // namespace kv3::platform
