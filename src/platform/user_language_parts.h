#pragma once

#include <string>

namespace kv3::platform::detail {

// The language the system keeps for the user apart from the environment; empty where none.
std::string SystemLanguage();

}  // namespace kv3::platform::detail
