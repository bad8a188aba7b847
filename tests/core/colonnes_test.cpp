#include "core/colonnes.h"

#include <gtest/gtest.h>

#include <string>

namespace vign {
namespace {

TEST(Colonnes, EachCharacterCountsItsWidthAndEachStrayByteOne) {
  struct Cas {
    std::string texte;
    long long largeur;
  } const cas[] = {
      {"", 0},
      {"Dupont SA", 9},
      {"\xc3\xa9", 1},                  // é, two bytes
      {"H\xc3\xa9l\xc3\xa8ne", 6},      // Hélène in UTF-8
      {"e\xcc\x81", 1},                 // e and a combining acute
      {"a\xe2\x80\x8bz", 2},            // a zero-width space between
      {"\xe4\xb8\xad\xe6\x96\x87", 4},  // two CJK ideographs
      {"\xf0\x9f\x98\x80", 2},          // an emoji, four bytes, wide
      {"\xc2\x85", 1},                  // a C1 control: one, like ASCII controls
      {"H\xe9l\xe8ne", 6},              // Hélène in Latin-1
      {"\xe9", 1},
      {"\x80", 1},      // a stray continuation byte
      {"\xe2\x82", 2},  // a sequence cut short
      {"\xe2\x82!", 3},
      {"\xc0\xaf", 2},          // overlong '/'
      {"\xe0\x80\xaf", 3},      // overlong '/' in three bytes
      {"\xed\xa0\x80", 3},      // a surrogate
      {"\xf4\x90\x80\x80", 4},  // past U+10FFFF
  };
  for (const auto& c : cas) EXPECT_EQ(colonnes(c.texte), c.largeur) << c.texte;
}

// ASCII is measured eight bytes at a time: an accented letter must be found
// wherever it falls in a word, and what follows it counted again.
TEST(Colonnes, ALetterIsFoundAtEveryPlaceOfTheAsciiAroundIt) {
  for (std::size_t avant = 0; avant <= 17; ++avant) {
    const std::string s = std::string(avant, 'a') + "\xc3\xa9" + std::string(19, 'b');
    EXPECT_EQ(colonnes(s), static_cast<long long>(avant) + 20) << avant;
  }
}

TEST(Coupe, KeepsWholeCharactersUpToTheLimit) {
  struct Cas {
    std::string texte;
    long long max;
    std::size_t octets;
    long long largeur;
  } const cas[] = {
      {"abcdef", 4, 4, 4},
      {"abc", 10, 3, 3},
      {std::string(40, 'x'), 13, 13, 13},
      {"a\xc3\xa9", 1, 1, 1},  // é is not split
      {"a\xc3\xa9", 2, 3, 2},
      {"H\xc3\xa9l\xc3\xa8ne", 2, 3, 2},  // "Hé"
      {"ae\xcc\x81z", 2, 4, 2},           // the mark stays with its e
      {"e\xcc\x81\xcc\xa7x", 1, 5, 1},    // two marks
      {"e\xcc\x81", 0, 0, 0},             // nor is it kept without it
      {"\xcc\x81x", 0, 2, 0},             // a leading mark takes no column
      {"a\xe4\xb8\xad", 2, 1, 1},         // the wide character does not fit
      {"a\xe4\xb8\xad", 3, 4, 3},
      {"\xe4\xb8\xad", 1, 0, 0},
      {"H\xe9l\xe8ne", 3, 3, 3},  // Latin-1: a column a byte
      {"\xe2\x82!", 1, 1, 1},     // an invalid sequence is bytes
      {"abc", 0, 0, 0},
      {"abc", -5, 0, 0},
  };
  for (const auto& c : cas) {
    long long largeur = -1;
    EXPECT_EQ(coupe(c.texte, c.max, &largeur), c.octets) << c.texte << " " << c.max;
    EXPECT_EQ(largeur, c.largeur) << c.texte << " " << c.max;
  }
}

// A line is measured piece by piece as it is composed: at every cut the two
// sides must add up to the whole.
TEST(Coupe, ThePiecesOfACutAddUpToTheWhole) {
  const std::string s = "Cr\xc3\xa8me e\xcc\x81\xe4\xb8\xad\xe9x\xf0\x9f\x98\x80 fin";
  const long long total = colonnes(s);
  EXPECT_EQ(total, 17);
  for (long long max = 0; max <= total; ++max) {
    long long largeur = 0;
    const std::size_t k = coupe(s, max, &largeur);
    EXPECT_LE(largeur, max);
    EXPECT_GE(largeur, max - 1);  // only a wide character leaves a column free
    EXPECT_EQ(colonnes(s.substr(0, k)), largeur) << max;
    EXPECT_EQ(largeur + colonnes(s.substr(k)), total) << max;
  }
}

TEST(CoupeOctets, NeverSplitsACharacterNorPartsAMarkFromItsLetter) {
  struct Cas {
    std::string texte;
    std::size_t max;
    std::size_t octets;
  } const cas[] = {
      {"abc", 5, 3},
      {"abcdef", 4, 4},
      {"ab\xc3\xa9", 3, 2},  // é would be split
      {"ab\xc3\xa9z", 4, 4},
      {"ae\xcc\x81z", 3, 1},  // the mark would be parted from its e
      {"ae\xcc\x81z", 4, 4},
      {"\xe4\xb8\xad\xe6\x96\x87", 5, 3},
      {"H\xe9l\xe8ne", 3, 3},                          // Latin-1: any byte
      {std::string(253, 'x') + "\xc3\xa9", 254, 253},  // a field row at its end
  };
  for (const auto& c : cas) EXPECT_EQ(coupe_octets(c.texte, c.max), c.octets) << c.texte;
}

// The code point read back in UTF-8 gives the very bytes of the sequence.
TEST(LongueurUtf8, OnlyTheShortestFormOfAUnicodeCharacterIsASequence) {
  struct Cas {
    std::string texte;
    std::size_t longueur;
    char32_t point;
  } const cas[] = {
      {"", 0, 0},
      {"A\xc3\xa9", 1, U'A'},
      {"\xc3\xa9", 2, U'\u00e9'},
      {"\xe0\xa0\x80", 3, U'\u0800'},  // the first of three bytes
      {"\xe0\x9f\xbf", 0, 0},          // U+07FF overlong
      {"\xed\x9f\xbf", 3, U'\ud7ff'},  // just below the surrogates
      {"\xed\xa0\x80", 0, 0},
      {"\xf4\x8f\xbf\xbf", 4, U'\U0010ffff'},
      {"\xf4\x90\x80\x80", 0, 0},
      {"\xf0\x8f\xbf\xbf", 0, 0},  // U+FFFF overlong
      {"\xc3", 0, 0},
      {"\xc1\xbf", 0, 0},
      {"\xf5\x80\x80\x80", 0, 0},
  };
  for (const auto& c : cas) {
    SCOPED_TRACE(c.texte);
    EXPECT_EQ(longueur_utf8(c.texte), c.longueur);
    EXPECT_EQ(point_utf8(c.texte), c.point);
    std::string octets;
    if (c.longueur > 0) ajouter_utf8(octets, c.point);
    EXPECT_EQ(octets, c.texte.substr(0, c.longueur));
  }
}

}  // namespace
}  // namespace vign
