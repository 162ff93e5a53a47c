#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "platform/codepage.h"
#include "platform/codepage_parts.h"

namespace kv3::platform {
namespace {

using detail::Utf8SequenceLength;

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {
    // (iconv_t)-1 is how iconv_open reports failure.
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { ::iconv_close(cd_); }

  // skipLength(rest) says how many input bytes one unconvertible character takes.
  template <typename SkipLength>
  std::string convert(std::string_view text, std::size_t maxOutPerIn, SkipLength skipLength) {
    std::string out(text.size() * maxOutPerIn + 4, '\0');
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
      if (::iconv(cd_, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) {
        break;
      }
      if (errno == E2BIG) {
        const std::size_t used = out.size() - outLeft;
        out.resize(out.size() * 2);
        outPtr = out.data() + used;
        outLeft = out.size() - used;
      } else if (errno == EILSEQ) {
        const std::size_t skip = std::min(inLeft, skipLength(std::string_view(in, inLeft)));
        in += skip;
        inLeft -= skip;
      } else {
        break;  // an incomplete sequence at the end: nothing of it can be converted
      }
    }
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

// The five codes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1
// control characters of the same number, both ways, as Windows converts them, which iconv does
// not: a unit's text that holds one must survive the way into the model and back.
constexpr std::string_view kUndefined = "\x81\x8D\x8F\x90\x9D";

// Where the next of those characters starts in UTF-8 (0xC2 and the code; 0xC2 is never inside
// another character), or the text's size.
std::size_t NextUndefined(std::string_view utf8) {
  for (std::size_t at = utf8.find('\xC2'); at != std::string_view::npos;
       at = utf8.find('\xC2', at + 1)) {
    if (at + 1 < utf8.size() && kUndefined.find(utf8[at + 1]) != std::string_view::npos) {
      return at;
    }
  }
  return utf8.size();
}

// Every character converted; `lost` tells whether any was dropped.
std::string ToCp1252(std::string_view text, bool& lost) {
  Converter converter("CP1252", "UTF-8");
  lost = false;
  // A sequence cut off at the end is dropped without a skip: count the characters to see it.
  const auto characters = [](std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
  };
  std::string out;
  while (!text.empty()) {
    const std::size_t undefined = NextUndefined(text);
    const std::string_view part = text.substr(0, undefined);
    const std::string converted = converter.convert(part, 1, [&lost](std::string_view rest) {
      lost = true;
      return Utf8SequenceLength(rest);
    });
    if (converted.size() != characters(part)) lost = true;
    out += converted;
    if (undefined == text.size()) break;
    out += text[undefined + 1];
    text.remove_prefix(undefined + 2);
  }
  return out;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  Converter converter("UTF-8", "CP1252");
  const auto skipOne = [](std::string_view) { return std::size_t{1}; };
  std::string out;
  while (!text.empty()) {
    const std::size_t undefined = std::min(text.find_first_of(kUndefined), text.size());
    out += converter.convert(text.substr(0, undefined), 3, skipOne);
    if (undefined == text.size()) {
      break;
    }
    out += '\xC2';
    out += text[undefined];
    text.remove_prefix(undefined + 1);
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  bool lost = false;
  return ToCp1252(text, lost);
}

std::optional<std::string> Utf8ToCp1252Exact(std::string_view text) {
  bool lost = false;
  std::string out = ToCp1252(text, lost);
  if (lost) {
    return std::nullopt;
  }
  return out;
}

}  // namespace kv3::platform
