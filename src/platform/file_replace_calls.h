#pragma once

// The calls of the safe replace on POSIX systems whose failure must leave the user's file as it
// was, so that tests can make them fail; not for use outside the platform and its tests.
namespace kv3::platform::detail {

struct ReplaceCalls {
  int (*fsync)(int fd);
  int (*rename)(const char* from, const char* to);
};

// The calls in force: the system's own unless a test put others in their place.
ReplaceCalls& PosixReplaceCalls();

}  // namespace kv3::platform::detail
