#pragma once

// What the systems' sockets share; not for use outside the platform. The address texts and the
// lookups are the same calls on both systems, behind their own headers.
#ifdef _WIN32
// Winsock 2 comes first: windows.h alone would bring the old winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace kv3::platform::detail {

// Makes the system's sockets ready for a lookup (Windows starts Winsock once); nothing elsewhere.
void EnsureNetwork();

}  // namespace kv3::platform::detail
