#include "engine/entete.h"

#include <gtest/gtest.h>

namespace vign {
namespace {

constexpr int kRefuse = -99;

TEST(Entete, PartsAreNumbersOrNames) {
  Etat st;
  const char* noms[] = {"", "Nom ", "Ville", "Nom", "", "3", "a\tb"};
  for (std::size_t k = 1; k < std::size(noms); ++k) st.champ[k].assign(noms[k]);
  st.inputfile = "clients.txt";
  const Entete e = Entete::des_champs(st);
  const struct {
    const char* partie;
    int numero;  // kRefuse: no column has the name
  } cas[] = {
      {"Nom", 1},          // the first of two, its trailing blank cleaned
      {"Nom  ", 1},        // the part is cleaned too
      {"Ville", 2},        // names stop nowhere short of 29
      {" 4x", 4},          // a number is read as numbers are
      {"-2", -2},          // and stands for no field
      {"   ", 0},          // nor does a blank part
      {"3", 3},            // a number, though a column is named so
      {"ab", 6},           // control characters go, as from a field
      {"ville", kRefuse},  // case counts
      {" Nom", kRefuse},   // a leading blank does too
  };
  for (const auto& c : cas) {
    const auto r = numero_de_partie(c.partie, e, "[presentation] ligne04");
    if (c.numero == kRefuse) {
      ASSERT_FALSE(r.ok()) << c.partie;
      EXPECT_EQ(r.erreur().message, "Champ inconnu dans l'entete de \"clients.txt\" : \"" +
                                        std::string(c.partie) + "\" ([presentation] ligne04)");
    } else {
      ASSERT_TRUE(r.ok()) << c.partie;
      EXPECT_EQ(*r, c.numero) << c.partie;
    }
  }
  const auto n = numeros_nommes("++Ville+3++Nom", e, "[presentation] ligne01");
  ASSERT_TRUE(n.ok());
  EXPECT_EQ(*n, (std::vector<int>{2, 3, 1}));
}

}  // namespace
}  // namespace vign
