// The file names of a dropped text/uri-list: exact bytes, or nothing at all.

#include "screen/window/uri_list.h"

#include <gtest/gtest.h>

namespace {

using screen::window::parse_uri_list;
using Files = std::vector<std::string>;

TEST(UriList, DecodesEachFileByteForByte) {
  Files files;
  ASSERT_TRUE(parse_uri_list(
      "file:///tmp/%D0%9C%D0%BE%D0%B8%20&%20100%25/Map%201.wad\r\n"
      "file://localhost/home/a%0Ab.WAD\r\n",
      files));
  EXPECT_EQ(files, (Files{"/tmp/\xD0\x9C\xD0\xBE\xD0\xB8 & 100%/Map 1.wad", "/home/a\nb.WAD"}));
}

TEST(UriList, TakesBareLineFeedsCommentsAndNoFinalLineEnd) {
  Files files;
  ASSERT_TRUE(parse_uri_list("# from a file manager\nfile:///a.wad\n\nFILE://LocalHost/b", files));
  EXPECT_EQ(files, (Files{"/a.wad", "/b"}));
}

TEST(UriList, RefusesTheWholeListForOneBadEntry) {
  const char* bad[] = {
      "file:///a.wad\r\nhttp://example.org/b.wad\r\n",  // not a file
      "file://otherhost/a.wad",                          // someone else's file
      "file:/a.wad",                                     // no authority
      "file://",                                         // no path
      "file:///a%2",                                     // cut escape
      "file:///a%zz.wad",                                // not hexadecimal
      "file:///a%00.wad",                                // NUL
      "file:///a\tb.wad",                                // raw control character
      "file:///a.wad?x",                                 // query
      "file:///a.wad#x",                                 // fragment
      "",                                                // nothing
      "# only a comment\r\n",                            // still nothing
  };
  for (const char* text : bad) {
    Files files{"kept"};
    EXPECT_FALSE(parse_uri_list(text, files)) << text;
    EXPECT_EQ(files, Files{"kept"}) << text;
  }
}

}  // namespace
