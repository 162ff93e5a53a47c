#include "sim/web_image_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "support/loopback_lan.h"

namespace kv3::sim {
namespace {

// An entry as the unit expects it, written byte by byte.
std::string Entry(std::uint32_t size, std::uint32_t offset, std::uint16_t index,
                  const std::string& name) {
  std::string bytes(31, '\0');
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>(size >> (8 * i));
    bytes[4 + i] = static_cast<char>(offset >> (8 * i));
  }
  bytes[8] = static_cast<char>(index);
  bytes[9] = static_cast<char>(index >> 8);
  bytes.replace(11, std::min<std::size_t>(name.size(), 20), name.substr(0, 20));
  return bytes;
}

TEST(WebImageReader, ListsAConsistentImageAndRefusesAnythingElse) {
  const std::string marker = "\xFF\xFF";
  const struct {
    const char* title;
    std::string image;
    std::string listing;  // empty: refused
  } cases[] = {
      {"two files", Entry(3, 64, 0, "a.htm") + Entry(2, 67, 1, "b.css") + marker + "abcde",
       "a.htm 3 64\nb.css 2 67\n"},
      {"a name of 20 characters without terminator",
       Entry(1, 33, 0, std::string(20, 'n')) + marker + "x", std::string(20, 'n') + " 1 33\n"},
      {"no marker", Entry(3, 33, 0, "a.htm") + "abc", ""},
      {"an offset off by one", Entry(3, 34, 0, "a.htm") + marker + "abc", ""},
      {"the contents end before the file", Entry(3, 33, 0, "a.htm") + marker + "abcd", ""},
      {"an index out of place", Entry(3, 33, 1, "a.htm") + marker + "abc", ""},
      {"an empty directory", marker, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    test::ScratchDirectory directory;
    test::WriteFileBytes(directory.path() / "site.rom", c.image);
    const std::string listing = WebImageListing(directory.path() / "site.rom");
    if (c.listing.empty()) {
      EXPECT_TRUE(listing.starts_with("not a web image")) << listing;
    } else {
      EXPECT_EQ(listing, c.listing);
    }
  }
}

}  // namespace
}  // namespace kv3::sim
