#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// What the tool keeps of a unit's answer and how it judges it.
namespace kv3::link {

// How many answer bytes each exchange keeps.
inline constexpr std::size_t kKeptFind = 120;    // an answer to "FIND"
inline constexpr std::size_t kKeptAccount = 32;  // each of the two answers to "PaWd"
inline constexpr std::size_t kKeptAnswer = 40;   // every other answer

// Copies the first dest.size() bytes of the datagram into dest; the rest of dest is zero.
void KeepAnswer(std::string_view datagram, std::span<std::uint8_t> dest);
// The first `kept` bytes of the datagram, zero-filled to exactly `kept` bytes.
std::vector<std::uint8_t> KeepAnswer(std::string_view datagram, std::size_t kept);

// The kept bytes read as text up to their first zero byte (or their end).
std::string AnswerText(std::span<const std::uint8_t> kept);

// True when that text contains word (case-sensitive, anywhere). The units answer with the
// command word in lower case, so the upper-case word the tool sent never counts.
bool AnswerContains(std::span<const std::uint8_t> kept, std::string_view word);

}  // namespace kv3::link
