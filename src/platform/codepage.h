#pragma once

#include <optional>
#include <string>
#include <string_view>

// The units and the files speak Windows-1252, one byte per character; the model holds UTF-8.
// Texts are converted where they cross that border, by the system's converter (iconv, or the
// Windows API). Characters that the target cannot hold (and bytes that are not valid in the
// source) are dropped.
namespace kv3::platform {

std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);

// The text in Windows-1252, or nothing when it holds a character that has no Windows-1252 form
// (or bytes that are no UTF-8): for what must reach a unit exactly as the user wrote it, such as
// a file's name, where dropping a character would make it another name.
std::optional<std::string> Utf8ToCp1252Exact(std::string_view text);

}  // namespace kv3::platform
