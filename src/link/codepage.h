#pragma once

#include "platform/codepage.h"

namespace kv3::link {

using platform::Cp1252ToUtf8;
using platform::Utf8ToCp1252;
using platform::Utf8ToCp1252Exact;

}  // namespace kv3::link
