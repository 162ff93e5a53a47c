#include "scheme/position_definition.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <system_error>

#include "platform/file_replace.h"
#include "platform/utf8_path.h"
#include "texts/file_errors.h"

namespace kv3::scheme {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Position of the attribute `name` (e.g. "x=") at or after `from`, counted only where white
// space or the line's start stands before it: "idx=" holds no x attribute.
std::size_t FindAttribute(std::string_view line, std::string_view name, std::size_t from) {
  for (std::size_t at = line.find(name, from); at != std::string_view::npos;
       at = line.find(name, at + 1)) {
    if (at == 0 || IsBlank(line[at - 1])) {
      return at;
    }
  }
  return std::string_view::npos;
}

// True when only blanks, "/>" and blanks follow `from`: the element ends with the y attribute
// and the line with the element. Anything else there (a comment's end, a second element, text
// and an end tag) would be lost by the rewrite.
bool OnlyElementEndFollows(std::string_view line, std::size_t from) {
  std::size_t i = from;
  while (i < line.size() && IsBlank(line[i])) ++i;
  if (line.substr(i, 2) != "/>") return false;
  for (i += 2; i < line.size(); ++i) {
    if (!IsBlank(line[i])) return false;
  }
  return true;
}

struct Value {
  std::int32_t number = 0;
  std::size_t end = 0;  // just after the closing quote
};

// The quoted value that follows an attribute name of two characters at `at`: a double quote,
// blanks, an optional sign, decimal digits, a double quote.
std::optional<Value> ReadValue(std::string_view line, std::size_t at) {
  std::size_t i = at + 2;
  if (i >= line.size() || line[i] != '"') {
    return std::nullopt;
  }
  ++i;
  while (i < line.size() && line[i] == ' ') {
    ++i;
  }
  if (i < line.size() && line[i] == '+') {
    ++i;
    if (i < line.size() && line[i] == '-') {
      return std::nullopt;
    }
  }
  const std::size_t close = line.find('"', i);
  if (close == std::string_view::npos || close == i) {
    return std::nullopt;
  }
  Value value;
  const char* first = line.data() + i;
  const char* last = line.data() + close;
  const auto [stop, error] = std::from_chars(first, last, value.number);
  if (error != std::errc() || stop != last) {
    return std::nullopt;
  }
  value.end = close + 1;
  return value;
}

// One line, without its line feed. Nothing when it is no readable position line.
std::optional<std::string> NormaliseLine(std::string_view line) {
  const std::size_t x = FindAttribute(line, "x=", 0);
  if (x == std::string_view::npos) {
    return std::nullopt;
  }
  const auto xValue = ReadValue(line, x);
  if (!xValue) {
    return std::nullopt;
  }
  const std::size_t y = FindAttribute(line, "y=", xValue->end);
  if (y == std::string_view::npos) {
    return std::nullopt;
  }
  const auto yValue = ReadValue(line, y);
  if (!yValue || !OnlyElementEndFollows(line, yValue->end)) {
    return std::nullopt;
  }
  char tail[64];
  std::snprintf(tail, sizeof tail, "x=\"%5d\" y=\"%5d\"/>\n", static_cast<int>(xValue->number),
                static_cast<int>(yValue->number));
  return std::string(line.substr(0, x)) + tail;
}

bool IsFile(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

std::string PictureBaseName(const std::filesystem::path& picture) {
  const std::string name = platform::Utf8FromPath(picture.filename());
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string NormalisePositionDefinition(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  while (!bytes.empty()) {
    // A line ends with LF, CR LF or a lone CR.
    const std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
    std::size_t length = end;
    if (end < bytes.size()) {
      length += bytes.substr(end, 2) == "\r\n" ? 2 : 1;
    }
    const std::string_view line = bytes.substr(0, length);
    // The coordinates are read from the line without its line end.
    const std::string_view content = bytes.substr(0, end);
    bytes.remove_prefix(length);
    if (const auto normalised = NormaliseLine(content)) {
      out += *normalised;
    } else {
      out += line;
    }
  }
  return out;
}

void NormaliseDefinitionFile(const std::filesystem::path& definition) {
  // One byte more than the limit tells a file that is too long.
  const auto bytes = platform::ReadRegularFile(definition, kDefinitionLimit + 1);
  if (!bytes || bytes->size() > kDefinitionLimit) {
    throw texts::FileOpenError(definition);
  }
  const std::string normalised = NormalisePositionDefinition(*bytes);
  if (normalised != *bytes &&
      platform::ReplaceFileContents(definition, normalised) != platform::ReplaceResult::Written) {
    throw texts::FileCreateError(definition);
  }
}

std::optional<std::filesystem::path> ChoosePositionDefinition(
    const std::filesystem::path& picture, const std::filesystem::path& startDirectory,
    const std::filesystem::path& currentDirectory) {
  for (const std::filesystem::path& candidate :
       {currentDirectory / platform::PathFromUtf8(PictureBaseName(picture) + ".rem"),
        currentDirectory / GeneralDefinitionName, startDirectory / GeneralDefinitionName}) {
    if (IsFile(candidate)) {
      NormaliseDefinitionFile(candidate);
      return candidate;
    }
  }
  return std::nullopt;
}

std::filesystem::path PreparePositionDefinition(const std::filesystem::path& picture,
                                                const std::filesystem::path& startDirectory,
                                                const std::filesystem::path& currentDirectory) {
  if (auto chosen = ChoosePositionDefinition(picture, startDirectory, currentDirectory)) {
    return *chosen;
  }
  const std::filesystem::path general = currentDirectory / GeneralDefinitionName;
  if (platform::ReplaceFileContents(general, "") != platform::ReplaceResult::Written) {
    throw texts::FileCreateError(general);
  }
  return general;
}

}  // namespace kv3::scheme
