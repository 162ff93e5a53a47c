#pragma once

#include "platform/net.h"

namespace kv3::link {

using platform::Adapter;
using platform::UpAdapters;

}  // namespace kv3::link
