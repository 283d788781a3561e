#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/vb/vb.h"
#include "support/test_session.h"

namespace vb {
namespace {

using Lines = std::vector<std::string>;

int errorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(SplitLines, LineEndRules) {
  const std::string text = "a\r\nb\nc\rd\r\n\r\ne";
  EXPECT_EQ(splitLines(text), (Lines{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(splitLines(text, LineEnds::LineInput), (Lines{"a", "b\nc", "d", "", "e"}));
  EXPECT_EQ(splitLines(text, LineEnds::LfOnly), (Lines{"a\r", "b", "c\rd\r", "\r", "e"}));
  EXPECT_EQ(splitLines("x\r\n"), (Lines{"x"}));
  EXPECT_EQ(splitLines("x\r\n\r\n"), (Lines{"x", ""}));
  EXPECT_EQ(splitLines(""), Lines{});
  EXPECT_EQ(splitLines("\n", LineEnds::LineInput), (Lines{"\n"}));
}

class TextFiles : public ::testing::Test {
 protected:
  fw::testing::TempFolder folder;
  std::filesystem::path dir = folder.path();
};

TEST_F(TextFiles, WritesCrLfAndReadsBytesBack) {
  const auto file = dir / "out.txt";
  writeLines(file, {"first",
                    "caf\xe9 \xb0"
                    "F",
                    ""});
  EXPECT_EQ(readAllBytes(file),
            "first\r\ncaf\xe9 \xb0"
            "F\r\n\r\n");
  EXPECT_EQ(readLines(file), (Lines{"first",
                                    "caf\xe9 \xb0"
                                    "F",
                                    ""}));
  writeAllBytes(file, std::string("a\0b", 3));
  EXPECT_EQ(readAllBytes(file), std::string("a\0b", 3));
  appendLine(file, "c");
  EXPECT_EQ(readAllBytes(file), std::string("a\0bc\r\n", 6));
  appendLine(dir / "new.txt", "x");
  EXPECT_EQ(readAllBytes(dir / "new.txt"), "x\r\n");
}

TEST_F(TextFiles, RewriteLeavesNoTemporaryFileAndReplacesTheOld) {
  const auto file = dir / "setup.txt";
  writeLines(file, {"old", "old", "old"});
  writeLines(file, {"new"});
  EXPECT_EQ(readAllBytes(file), "new\r\n");
  size_t entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    (void)e;
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
}

TEST_F(TextFiles, Errors) {
  EXPECT_FALSE(fileExists(dir / "missing.txt"));
  EXPECT_FALSE(fileExists(dir));
  EXPECT_EQ(errorNumber([&] { readAllBytes(dir / "missing.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { readLines(dir / "no" / "such.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { writeLines(dir / "no" / "such.txt", {"x"}); }), err::PathNotFound);
  EXPECT_EQ(errorNumber([&] { appendLine(dir / "no" / "such.txt", "x"); }), err::PathNotFound);
}

TEST(Variant, TypesAndConversions) {
  EXPECT_EQ(Variant().type(), VarType::Empty);
  EXPECT_EQ(Variant::Null().type(), VarType::Null);
  EXPECT_EQ(Variant(true).type(), VarType::Boolean);
  EXPECT_EQ(Variant(int16_t{3}).type(), VarType::Integer);
  EXPECT_EQ(Variant(3).type(), VarType::Long);
  EXPECT_EQ(Variant(1.5f).type(), VarType::Single);
  EXPECT_EQ(Variant(1.5).type(), VarType::Double);
  EXPECT_EQ(Variant("x").type(), VarType::String);
  EXPECT_EQ(Variant::Date(45448.5).type(), VarType::Date);

  EXPECT_EQ(Variant(true).toDouble(), -1);
  EXPECT_EQ(Variant(true).toInteger(), -1);
  EXPECT_EQ(Variant().toDouble(), 0);
  EXPECT_EQ(Variant().toString(), "");
  EXPECT_EQ(Variant(" 2.5 ").toDouble(), 2.5);
  EXPECT_EQ(Variant("2.5").toInteger(), 2);
  EXPECT_EQ(Variant(3.5).toLong(), 4);
  EXPECT_EQ(Variant("06/05/2024").toDate(), 45448.0);
  EXPECT_EQ(Variant("45448.5").toDate(), 45448.5);
  EXPECT_TRUE(Variant("True").toBoolean());
  EXPECT_FALSE(Variant("0").toBoolean());
  EXPECT_TRUE(Variant(2).toBoolean());

  EXPECT_EQ(Variant(0.5).toString(), "0.5");
  EXPECT_EQ(Variant(0.1f).toString(), "0.1");
  EXPECT_EQ(Variant(int16_t{-7}).toString(), "-7");
  EXPECT_EQ(Variant(false).toString(), "False");
  EXPECT_EQ(Variant::Date(45448.5).toString(), "6/5/2024 12:00:00 PM");

  EXPECT_TRUE(Variant().isNumeric());
  EXPECT_TRUE(Variant::Date(1).isNumeric());
  EXPECT_FALSE(Variant("1").isNumeric());
  EXPECT_FALSE(Variant::Null().isNumeric());
  EXPECT_EQ(Variant(1.5), Variant(1.5));
  EXPECT_FALSE(Variant(1.5) == Variant(1.5f));
}

TEST(Variant, ConversionErrors) {
  EXPECT_EQ(errorNumber([] { Variant::Null().toDouble(); }), InvalidUseOfNull);
  EXPECT_EQ(errorNumber([] { Variant::Null().toString(); }), InvalidUseOfNull);
  EXPECT_EQ(errorNumber([] { Variant("abc").toDouble(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant("abc").toBoolean(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant(40000).toInteger(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant(1e300).toSingle(); }), err::Overflow);
}

}  // namespace
}  // namespace vb
