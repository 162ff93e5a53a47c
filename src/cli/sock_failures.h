#pragma once

#include <string>

#include "cli/cli_texts.h"
#include "link/sock_exception.h"

namespace kv3::cli {

// A failure of the datagram socket in the run's language, without a final full stop, as the
// socket words its own messages.
std::string SockFailureText(const CliTexts& texts, const link::ESockException& error);

}  // namespace kv3::cli
