#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

// Byte-level helpers for wire and file records. Records are built by writing bytes at offsets,
// never by casting structs, and every read stays inside the buffer it is given.
namespace kv3::link {

// Writes value as four bytes, least significant first, at dest[offset..offset+3].
inline void put_le32(std::span<std::uint8_t> dest, std::size_t offset, std::uint32_t value) {
  if (offset > dest.size() || dest.size() - offset < 4) {
    throw std::out_of_range("put_le32 outside the buffer");
  }
  for (std::size_t i = 0; i < 4; ++i) {
    dest[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

// Reads four bytes, least significant first; bytes beyond the end of src count as zero.
inline std::uint32_t get_le32(std::span<const std::uint8_t> src, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    if (offset + i < src.size()) {
      value |= static_cast<std::uint32_t>(src[offset + i]) << (8 * i);
    }
  }
  return value;
}

// The part of text before its first zero byte: what a C text of the same bytes holds.
inline std::string_view text_before_zero(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// Writes text (up to its first zero byte) and its terminating zero from dest[offset], stopping
// at the end of dest: a text that does not fit is cut and then has no terminator. Returns the
// number of bytes written.
inline std::size_t put_text(std::span<std::uint8_t> dest, std::size_t offset,
                            std::string_view text) {
  if (offset >= dest.size()) {
    return 0;
  }
  const std::string_view body = text_before_zero(text);
  const std::size_t room = dest.size() - offset;
  const std::size_t copied = std::min(body.size(), room);
  std::copy_n(reinterpret_cast<const std::uint8_t*>(body.data()), copied, dest.begin() + offset);
  if (copied < room) {
    dest[offset + copied] = 0;
    return copied + 1;
  }
  return copied;
}

// Writes the first `width` bytes of text into dest[offset..offset+width-1], padding with zeros
// after a shorter text (a text of `width` or more bytes gets no terminator). Bounded by dest.
inline void put_padded_text(std::span<std::uint8_t> dest, std::size_t offset, std::size_t width,
                            std::string_view text) {
  if (offset >= dest.size()) {
    return;
  }
  const std::size_t end = offset + std::min(width, dest.size() - offset);
  const std::string_view body = text_before_zero(text);
  for (std::size_t i = offset; i < end; ++i) {
    const std::size_t k = i - offset;
    dest[i] = k < body.size() ? static_cast<std::uint8_t>(body[k]) : 0;
  }
}

// Reads a zero-terminated text from src[offset], at most max_length bytes and never past the end
// of src: a field without its terminator ends at the field's (or the buffer's) end.
inline std::string read_text(std::span<const std::uint8_t> src, std::size_t offset,
                             std::size_t max_length) {
  std::string text;
  if (offset >= src.size()) {
    return text;
  }
  const std::size_t end = offset + std::min(max_length, src.size() - offset);
  for (std::size_t i = offset; i < end && src[i] != 0; ++i) {
    text.push_back(static_cast<char>(src[i]));
  }
  return text;
}

// The whole of src read as a zero-terminated text.
inline std::string read_text(std::span<const std::uint8_t> src) {
  return read_text(src, 0, src.size());
}

// The bytes of a text, for handing raw text to byte-oriented code.
inline std::span<const std::uint8_t> as_bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace kv3::link
