// Catalogues the fuzzer found the program could not keep.
#include <gtest/gtest.h>

#include <string>

#include "core/etat.h"
#include "formats/catalogue.h"

namespace vign {
namespace {

// A hand-written line of 251 bytes, numbers one digit wide and a one-letter
// name, whose page strings take 230 bytes: in the writer's layout (name on 30
// columns, numbers on 4) it would be 304 bytes, and the read after the form's
// rewrite used to lose the page-end string with its ';' and report the line.
TEST(CatalogueFautes, AHandWrittenLineIsKeptAsTheRewriteWillKeepIt) {
  const std::string avant(150, 'a');
  const std::string apres(80, 'b');
  const std::string ligne = "A;1;1;1;1;1;1;1;1;" + avant + ";" + apres + ";\n";
  ASSERT_LE(ligne.size(), kLigneCatalogue);

  Etat lu;
  EXPECT_TRUE(lire_catalogue(lu, ligne).empty());
  // 254 bytes less the name (30), eight numbers with their ';' (8 x 5), the
  // three ';' around the page strings and the line feed: 180 for both.
  EXPECT_EQ(lu.avtpagimp[1], avant);
  EXPECT_EQ(lu.aprpagimp[1], std::string(180 - avant.size(), 'b'));

  const std::string ecrit = texte_catalogue(lu, false);
  EXPECT_EQ(ecrit.size(), kLigneCatalogue);
  Etat relu;
  EXPECT_TRUE(lire_catalogue(relu, ecrit).empty());
  EXPECT_EQ(relu.avtpagimp[1], lu.avtpagimp[1]);
  EXPECT_EQ(relu.aprpagimp[1], lu.aprpagimp[1]);
  EXPECT_EQ(texte_catalogue(relu, false), ecrit);
}

// Numbers written wider than they were typed leave less room still; the
// page-start string goes once the page-end string is gone.
TEST(CatalogueFautes, WideNumbersTakeTheirRoomFromBothPageStrings) {
  const std::string ligne = "A;-2000000000;1;1;1;1;1;1;1;" + std::string(200, 'a') + ";b;\n";
  Etat lu;
  EXPECT_TRUE(lire_catalogue(lu, ligne).empty());
  // 254 - 30 - 7 x 5 - (1 + 11) - 4 = 173 bytes of page strings.
  EXPECT_EQ(lu.aprpagimp[1], "");
  EXPECT_EQ(lu.avtpagimp[1], std::string(173, 'a'));
  EXPECT_EQ(ligne_catalogue(lu, 1).size(), kLigneCatalogue);
}

}  // namespace
}  // namespace vign
