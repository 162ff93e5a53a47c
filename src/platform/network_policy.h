#pragma once

#include <string>
#include <vector>

// What the system's own network rules mean for a search by broadcast.
namespace kv3::platform {

// True where a broadcast to everyone (255.255.255.255) leaves by one adapter only (the one with
// the preferred route, often a VPN or virtual machine adapter) and the firewall lets the answers
// to a broadcast in only at the address and port it left from, as on Windows: a search there sends
// from a socket bound to each adapter's own address. False where one socket on every address can
// send out of any adapter and hears every answer.
bool SearchesFromEachAdapter();

// The names of the connected networks the system treats as public, where its firewall blocks a
// search's answers without a word; empty where the system cannot tell or has no such notion.
std::vector<std::string> PublicNetworks();

}  // namespace kv3::platform
