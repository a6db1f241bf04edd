// A dropped uri-list read into local file names: exact decoding and hostile lists.

#include "screen/window/uri_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using screen::window::parse_uri_list;
using namespace std::string_literals;

std::vector<std::string> files_of(std::string_view text, bool expected_ok = true) {
  std::vector<std::string> files;
  EXPECT_EQ(parse_uri_list(text, files), expected_ok) << text;
  return files;
}

TEST(UriList, LocalFilesAreDecodedExactly) {
  using V = std::vector<std::string>;
  EXPECT_EQ(files_of("file:///home/p/level.wad\r\n"), V{"/home/p/level.wad"});
  EXPECT_EQ(files_of("file://localhost/a%20b/%D0%BA.wad"), V{"/a b/\xD0\xBA.wad"});
  EXPECT_EQ(files_of("FILE://LocalHost/x%2fy%25z"), V{"/x/y%z"});
  EXPECT_EQ(files_of("file:/single/slash\n"), V{"/single/slash"});
  // Bytes that are not UTF-8 pass through as they are.
  EXPECT_EQ(files_of("file:///%ff%Fe"), V{"/\xFF\xFE"});
  EXPECT_EQ(files_of("file:///a\nfile:///b\r\n"), (V{"/a", "/b"}));
}

TEST(UriList, CommentsBlankLinesOtherHostsAndSchemesAreSkipped) {
  using V = std::vector<std::string>;
  EXPECT_EQ(files_of("# from a file manager\r\n\r\nfile:///one\r\n"), V{"/one"});
  EXPECT_EQ(files_of("https://example.org/x.wad\nfile:///two"), V{"/two"});
  EXPECT_EQ(files_of("file://other-host/x.wad\nfile://localhostx/y"), V{});
  EXPECT_EQ(files_of(""), V{});
}

TEST(UriList, MalformedListsDropNothing) {
  const char* hostile[] = {"file:///a%",    "file:///a%2",      "file:///a%g0",
                           "file:///a%00b", "file:///a%2 x",    "file://localhost",
                           "file:relative", "no scheme at all", "file:///a\tb"};
  for (const char* text : hostile) {
    std::vector<std::string> files{"kept"};
    EXPECT_FALSE(parse_uri_list(std::string("file:///good\n") + text, files)) << text;
    EXPECT_EQ(files, std::vector<std::string>{"kept"}) << text;
  }
  std::vector<std::string> files;
  EXPECT_FALSE(parse_uri_list("file:///a\0b"s, files));
  EXPECT_TRUE(files.empty());
}

}  // namespace
