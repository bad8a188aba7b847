#include "core/controle.h"

#include <gtest/gtest.h>

namespace vign {
namespace {

TEST(ChaineControle, EmptyTextGivesNoStringAtAll) {
  EXPECT_FALSE(char_to_spec("").has_value());
}

TEST(ChaineControle, EscapesBecomeBytes) {
  struct Cas {
    const char* tape;
    std::string octets;
  } const cas[] = {
      {"\\027E",
       "\x1b"
       "E"},
      {"\\012", "\f"},
      {"ABC def", "ABC def"},
      {"\\0121\\027", std::string("\f1\x1b")},  // digits after an escape are plain
      {"\\300", ","},                           // modulo 256: 300 gives 44
      {"\\092", "\\"},                          // a backslash only as its own code
      {"\\\\\\\\", std::string(1, static_cast<char>(('\\' - 48) * 111 % 256))},
      {"\\255", "\xff"},
  };
  for (const auto& c : cas) EXPECT_EQ(char_to_spec(c.tape), c.octets) << c.tape;
}

TEST(ChaineControle, AnyThreeCharactersMakeAByte) {
  // 'A' is 65: 100*17 + 10*17 + 17 = 1887, which is 95 modulo 256.
  EXPECT_EQ(char_to_spec("\\AAA"), std::string(1, static_cast<char>(95)));
  // Characters below '0' give negative terms: (100*-16 + 10*-16 - 16) mod 256.
  EXPECT_EQ(char_to_spec("\\   "), std::string(1, static_cast<char>(((-1776 % 256) + 256) % 256)));
}

TEST(ChaineControle, AZeroByteEndsWhatCanBeSent) {
  EXPECT_EQ(char_to_spec("\\000X"), "");
  EXPECT_EQ(char_to_spec("A\\256B"), "A");
}

TEST(ChaineControle, AnEscapeCutShortByTheEndIsDropped) {
  EXPECT_EQ(char_to_spec("AB\\01"), "AB");
  EXPECT_EQ(char_to_spec("AB\\"), "AB");
  EXPECT_EQ(char_to_spec("\\0"), "");
}

TEST(ChaineControle, LongPlainTextIsKept) {
  const std::string s(69, 'x');
  EXPECT_EQ(char_to_spec(s), s);
}

}  // namespace
}  // namespace vign
