#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/proper_name.h"
#include "common/sort_strings.h"
#include "platform/vb/error.h"

namespace fw {
namespace {

TEST(ProperName, Cases) {
  const std::string deg = "\xB0";  // the degree sign in Windows-1252
  const struct {
    std::string in, out;
  } cases[] = {
      {"boise river NEAR boise", "Boise River NEAR Boise"},
      {"boise river near boise", "Boise River near Boise"},
      {"BOISE RIVER", "BOISE RIVER"},  // capitals stay
      {"ph et at", "ph et at"},        // two-letter words: untouched
      {"ytd YTD", "YTD YTD"},
      {"ytd2025 flow", "YTD2025 Flow"},
      {"phase", "pH"},     // a word with "Ph" is replaced as a whole
      {"graph", "Graph"},  // "ph" inside a word is not "Ph"
      {"below low abv blw ABOVE", "below low abv blw ABOVE"},
      {"mcCall", "mcCall"},  // a capital third letter: untouched
      {"river aboVE dam", "River above Dam"},
      {"EAr hear", "ear Hear"},                          // "ear" is inside "near "; "hear" is not
      {"te" + deg + "f", "te" + deg + "f"},              // third character not a letter
      {"temp" + deg + "f", "TEMP" + deg + "F"},          // degree sign: whole word in capitals
      {"temp\xC2" + deg + "f", "TEMP\xC2" + deg + "F"},  // also in UTF-8
      {"a  double  blank ", "a  Double  Blank "},
      {"", ""},
      {"   ", "   "},
  };
  for (const auto& c : cases) EXPECT_EQ(ProperName(c.in), c.out) << c.in;
}

TEST(Paths, BackslashAndSlash) {
  const struct {
    std::string path, folder, name;
  } cases[] = {
      {"C:\\data\\a.mdb", "C:\\data\\", "a.mdb"},
      {"a.mdb", "", "a.mdb"},
      {"/srv/hdb/a.mdb", "/srv/hdb/", "a.mdb"},
      {"/srv/hdb\\sub/a.mdb", "/srv/hdb\\sub/", "a.mdb"},
      {"C:\\data/sub\\a.mdb", "C:\\data/sub\\", "a.mdb"},
      {"/srv/hdb/", "/srv/hdb/", ""},
      {"", "", ""},
      // a dialog's buffer: the folder, then NUL-separated file names
      {std::string("C:\\data\0a.txt\0b.txt", 19), "C:\\data\\", ""},
      {std::string("/srv/x\0a.txt", 12), "/srv/x/", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParentFolder(c.path), c.folder) << c.path;
    if (c.path.find('\0') == std::string::npos) {
      EXPECT_EQ(FileNameOnly(c.path), c.name) << c.path;
    }
  }
}

TEST(SortStrings, SortsTheRangeByByteValue) {
  std::vector<std::string> list = {"keep",  "pear",      "Zebra", "apple", "",
                                   "Apple", "\xE9t\xE9", "b",     "apple", "last"};
  SortStrings(list, 1, 8);
  const std::vector<std::string> expected = {"keep",  "",  "Apple", "Zebra",     "apple",
                                             "apple", "b", "pear",  "\xE9t\xE9", "last"};
  EXPECT_EQ(list, expected);
}

TEST(SortStrings, LargerListsAndDegenerateRanges) {
  std::vector<std::string> list;
  for (int i = 0; i < 200; ++i) list.push_back(std::to_string((i * 7919) % 101));
  std::vector<std::string> expected = list;
  std::sort(expected.begin(), expected.end());
  SortStrings(list, 0, 199);
  EXPECT_EQ(list, expected);

  std::vector<std::string> one = {"b", "a"};
  SortStrings(one, 1, 1);
  SortStrings(one, 1, 0);
  EXPECT_EQ(one, (std::vector<std::string>{"b", "a"}));
  std::vector<std::string> none;
  SortStrings(none, 0, -1);
  EXPECT_TRUE(none.empty());

  try {
    SortStrings(one, 0, 2);
    FAIL() << "no error";
  } catch (const vb::Error& e) {
    EXPECT_EQ(e.number(), vb::err::SubscriptOutOfRange);
  }
}

TEST(SwapStrings, ExchangesContents) {
  std::string a = "first", b = "second";
  SwapStrings(a, b);
  EXPECT_EQ(a, "second");
  EXPECT_EQ(b, "first");
}

}  // namespace
}  // namespace fw
