#include "platform/user_language_parts.h"

namespace kv3::platform::detail {

// On Linux the environment is where the user's language lives.
std::string SystemLanguage() { return {}; }

}  // namespace kv3::platform::detail
