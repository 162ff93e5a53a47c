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

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  // The five codes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1
  // control characters of the same number, as Windows converts them: a unit's text that holds
  // one must reach the field rules as a character from 0x80 up, not vanish before them.
  static constexpr std::string_view kUndefined = "\x81\x8D\x8F\x90\x9D";
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
  Converter converter("CP1252", "UTF-8");
  return converter.convert(text, 1, Utf8SequenceLength);
}

std::optional<std::string> Utf8ToCp1252Exact(std::string_view text) {
  Converter converter("CP1252", "UTF-8");
  bool lost = false;
  std::string out = converter.convert(text, 1, [&lost](std::string_view rest) {
    lost = true;
    return Utf8SequenceLength(rest);
  });
  // A sequence cut off at the end is dropped without a skip: count the characters to see it.
  const auto characters = [](std::string_view utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
  };
  if (lost || out.size() != characters(text)) {
    return std::nullopt;
  }
  return out;
}

}  // namespace kv3::platform
