#include "engine/composition.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace vign {
namespace {

std::string blancs(std::size_t n) {
  return std::string(n, ' ');
}

// A state with the presentation rows given, one per label line.
Etat etat(std::initializer_list<const char*> lignes) {
  Etat st;
  std::size_t L = 1;
  for (const char* l : lignes) st.place[L++].assign(l);
  return st;
}

// Composes labels 1..n of line 1, the fields of label i coming from champs[i];
// the bytes of the line that take no column go to `lgattr`.
std::string ligne1(Etat& st, const Format& p, const std::vector<std::string>& champs,
                   int* lgattr = nullptr) {
  const auto r = std::make_unique<Rangee>();
  int n = 0;
  for (const auto& c : champs) {
    st.champ[1].assign(c);
    compose_ligne(st, *r, p, numeros_de_champs(st.place[1].view()), 1, ++n);
  }
  if (lgattr != nullptr) *lgattr = r->lgattr[1];
  return std::string(r->impr[1].view());
}

TEST(Composition, AttributeStringsTakeNoPrintColumn) {
  // Width 6, no margin, 1 space between labels; field 1 between ESC E and
  // ESC F, a line holding fields 1 and 2.
  const Format p{2, 6, 1, 0, 1, 0, 1, 0};
  const std::string esc = "\x1b";
  const std::string etiquette = esc + "EAB" + esc + "F CD  ";  // 7 columns, 4 attribute bytes
  for (std::size_t n = 1; n <= 2; ++n) {
    Etat st = etat({"1+2"});
    st.attr[1] = '1';
    st.avtchamp[1] = esc + "E";
    st.aprchamp[1] = esc + "F";
    st.champ[2].assign("CD");
    // The second label still starts at column 7 and ends at column 14.
    int lgattr = 0;
    EXPECT_EQ(ligne1(st, p, std::vector<std::string>(n, "AB"), &lgattr),
              n == 1 ? etiquette : etiquette + etiquette);
    EXPECT_EQ(lgattr, 4 * static_cast<int>(n));
  }
}

TEST(Composition, AFieldIsCutAtTheLabelWidthWithNoSeparator) {
  for (const char* champ : {"ABCDEFG", "ABCD"}) {
    Etat st = etat({"1+2"});
    st.champ[2].assign("XY");  // no room left for it
    EXPECT_EQ(ligne1(st, {1, 4, 1, 2, 3, 0, 1, 0}, {champ}), "  ABCD   ") << champ;
  }
}

TEST(Composition, EmptyFieldsAndLinesStillFillTheLabel) {
  const Format p{1, 10, 1, 3, 2, 0, 1, 0};
  for (const char* rangee_place : {"1", "", "+", "++1++", "0", "30", "x"}) {
    Etat st = etat({rangee_place});
    st.champ[0].assign("SKIP");  // the initial skip of fixed-width mode is never shown
    EXPECT_EQ(ligne1(st, p, {""}), blancs(15)) << rangee_place;
  }
  // An unknown number counts as an empty field, separator included.
  Etat st = etat({"99+1"});
  EXPECT_EQ(ligne1(st, p, {"AB"}), "    AB " + blancs(8));
}

TEST(Composition, FillsAreCutAt82SpacesAndTheNextTextMakesUpForIt) {
  Etat st = etat({"1"});
  // A margin of 90: 82 spaces, and the field gets 8 more columns.
  EXPECT_EQ(ligne1(st, {1, 10, 1, 90, 0, 0, 1, 0}, {"0123456789abcdefghij"}),
            blancs(82) + "0123456789abcdefgh");
  // A label of 100: its fill stops 17 short, and the next label has 117.
  st = etat({"1"});
  EXPECT_EQ(ligne1(st, {2, 100, 1, 0, 0, 0, 1, 0}, {"", std::string(120, 'x')}),
            blancs(83) + std::string(117, 'x'));
  // A gap of 90 after the last label: 82 spaces at most.
  st = etat({"1"});
  EXPECT_EQ(ligne1(st, {1, 5, 1, 0, 90, 0, 1, 0}, {"A"}), "A" + blancs(83));
}

TEST(Composition, AttributeStringsComeOutWholePastTheByteCountOfAColumnLine) {
  // 240 columns and 20 attribute bytes: the deactivation string is all there.
  Etat st = etat({"1"});
  st.attr[1] = '1';
  st.avtchamp[1] = std::string(10, 'a');
  st.aprchamp[1] = std::string(10, 'b');
  EXPECT_EQ(ligne1(st, {1, 240, 1, 0, 0, 0, 1, 0}, {std::string(300, 'x')}),
            std::string(10, 'a') + std::string(240, 'x') + std::string(10, 'b'));
  // Three across, both fields in strings of 20 bytes: 336 bytes, 96 columns.
  st = etat({"1+2"});
  const std::string a(20, 'A'), b(20, 'B'), c(20, 'C'), d(20, 'D');
  st.attr[1] = st.attr[2] = '1';
  st.avtchamp[1] = a, st.aprchamp[1] = b, st.avtchamp[2] = c, st.aprchamp[2] = d;
  st.champ[2].assign("75001 PARIS");
  // 13 + 1 + 11 columns, the separator, 4 to fill the label.
  const std::string etiquette = a + "Jeanne Martin" + b + " " + c + "75001 PARIS" + d + "     ";
  EXPECT_EQ(
      ligne1(st, {3, 30, 1, 0, 2, 0, 1, 0}, {"Jeanne Martin", "Jeanne Martin", "Jeanne Martin"}),
      etiquette + "  " + etiquette + "  " + etiquette + "  ");
}

TEST(Composition, WidthsAreDisplayColumnsAndCutsFallBetweenCharacters) {
  const struct {
    std::string champ;
    int largeur;
    std::string etiquette;  // with the one space of gap
  } cas[] = {
      {"H\xc3\xa9l\xc3\xa8ne", 6, "H\xc3\xa9l\xc3\xa8ne "},
      {"M\xc3\xbcllerin", 6, "M\xc3\xbcller "},
      {"Andr\xc3\xa9"
       "e",
       5, "Andr\xc3\xa9 "},  // bytes would have cut the e in two
      {"e\xcc\x81"
       "cole",
       6,
       "e\xcc\x81"
       "cole  "},                       // the mark takes no column
      {"e\xcc\x81x", 1, "e\xcc\x81 "},  // and stays with its letter
      {"\xe4\xb8\xad\xe6\x96\x87\xe5\xad\x97", 5, "\xe4\xb8\xad\xe6\x96\x87  "},  // wide
      {"H\xe9l\xe8ne", 6, "H\xe9l\xe8ne "},   // Latin-1: a column a byte, as always
      {"\xe2\x82\xc3", 4, "\xe2\x82\xc3  "},  // stray bytes, one column each
  };
  for (const auto& c : cas) {
    Etat st = etat({"1"});
    EXPECT_EQ(ligne1(st, {1, c.largeur, 1, 0, 1, 0, 1, 0}, {c.champ}), c.etiquette) << c.champ;
  }
}

TEST(Composition, AccentedLabelsThreeAcrossStayInStraightColumns) {
  // Width 16, margin 1, gap 2.
  const Format p{3, 16, 2, 1, 2, 0, 1, 0};
  const std::vector<std::pair<std::string, std::string>> adresses = {
      {"Hélène Müller", "Rue de l'Église 3"},
      {"Zoé Lefèvre", "3 place du Marché"},
      {"Jean Dupont", "12 rue Haute"}};
  Etat st = etat({"1", "2"});
  const auto r = std::make_unique<Rangee>();
  int n = 0;
  for (const auto& [nom, rue] : adresses) {
    st.champ[1].assign(nom);
    st.champ[2].assign(rue);
    ++n;
    for (int L = 1; L <= 2; ++L) {
      compose_ligne(st, *r, p, numeros_de_champs(st.place[static_cast<std::size_t>(L)].view()), L,
                    n);
    }
  }
  EXPECT_EQ(r->impr[1].view(),
            " Hélène Müller" + blancs(5) + "Zoé Lefèvre" + blancs(7) + "Jean Dupont" + blancs(7));
  EXPECT_EQ(r->impr[2].view(), " Rue de l'Église " + blancs(2) + "3 place du March" + blancs(2) +
                                   "12 rue Haute" + blancs(6));
}

TEST(Composition, ALineThatCouldCutItsAttributeStringsIsRefused) {
  const Format p{3, 30, 1, 0, 2, 0, 1, 0};
  std::string cent = "1";
  for (int i = 1; i < 100; ++i) cent += "+1";
  const struct {
    std::string place;
    std::size_t octets;  // of each attribute string
    const char* message;
  } cas[] = {
      {"1+2", 20, nullptr},  // 96 columns, 3 x (120 + 40 + 40) bytes
      {cent, 10,
       "Presentation inutilisable : ligne 1 trop longue avec ses attributs (6456 octets, 4096 au "
       "plus)"},
  };
  for (const auto& c : cas) {
    Etat st = etat({c.place.c_str()});
    for (const std::size_t k : {1u, 2u}) {
      st.attr[k] = c.octets > 0 ? '1' : '\0';
      st.avtchamp[k] = st.aprchamp[k] = std::string(c.octets, '\x1b');
    }
    const auto verifiee = verifie_presentation(st, p);
    EXPECT_EQ(verifiee ? "accepte" : verifiee.erreur().message, c.message ? c.message : "accepte")
        << c.place;
  }
  // No attribute: the widest format there is passes.
  EXPECT_TRUE(verifie_presentation(etat({"1+2+3"}), {2, 125, 1, 0, 2, 0, 1, 0}));
}

TEST(Composition, FieldsAreCleanedInPlaceEachTimeTheyArePlaced) {
  Etat st = etat({"1+1"});
  st.champ[1].assign("AB\r");
  const auto r = std::make_unique<Rangee>();
  compose_ligne(st, *r, {1, 10, 1, 0, 0, 0, 1, 0}, {1, 1}, 1, 1);
  // The carriage return became a space the first time, which the second
  // cleaning removed.
  EXPECT_EQ(r->impr[1].view(), "AB  AB    ");
  EXPECT_EQ(st.champ[1].view(), "AB");
}

// Every record of up to 4 bytes from an alphabet of clean and unclean bytes,
// one after the other as a file gives them: composed with the rows known
// clean skipped, and with every field cleaned each time, the labels and the
// field rows must be the same. Fields show through from earlier records, are
// placed twice in a label, and are cut at the width.
TEST(Composition, SkippingCleanFieldsChangesNothing) {
  for (const char delimiteur : {';', '\t'}) {
    const std::string alphabet = std::string("a ;\r\x7f\t\xe9") + delimiteur;
    std::vector<std::string> enregistrements{""};
    for (std::size_t debut = 0; enregistrements.back().size() < 4;) {
      const std::size_t fin = enregistrements.size();
      for (std::size_t i = debut; i < fin; ++i) {
        for (const char c : alphabet) enregistrements.push_back(enregistrements[i] + c);
      }
      debut = fin;
    }
    const Format p{3, 3, 3, 1, 1, 0, 1, 0};
    const std::vector<std::vector<int>> numeros{{1, 2}, {2, 1, 3}, {4, 4}};
    Etat rapide = etat({});
    Etat lent = etat({});
    const auto r_rapide = std::make_unique<Rangee>();
    const auto r_lent = std::make_unique<Rangee>();
    rapide.delimiteur = lent.delimiteur = std::string(1, delimiteur);
    Propres propres = 0;
    int n = 0;
    for (const std::string& e : enregistrements) {
      decoupe_enregistrement(rapide, e, propres);
      decoupe_enregistrement(lent, e);
      n = n % p.etilar + 1;
      for (int L = 1; L <= p.maxligeti; ++L) {
        const auto l = static_cast<std::size_t>(L);
        if (n == 1) r_rapide->impr[l].clear(), r_lent->impr[l].clear();
        compose_ligne(rapide, *r_rapide, p, numeros[l - 1], L, n, propres);
        compose_ligne(lent, *r_lent, p, numeros[l - 1], L, n);
        ASSERT_EQ(r_rapide->impr[l].view(), r_lent->impr[l].view()) << e << " line " << L;
      }
      for (std::size_t k = 1; k <= 5; ++k) {
        ASSERT_EQ(rapide.champ[k].view(), lent.champ[k].view()) << e << " field " << k;
      }
    }
  }
}

// Bytes kept for a print file come out whole and in order, whatever their
// pieces: small ones, ones that fill what is kept to the byte or pass it,
// and ones longer than all of it.
TEST(Envoi, PiecesOfEverySizeComeOutWholeAndInOrder) {
  const std::vector<std::vector<std::size_t>> cas{
      {1, 2, 3}, {4000, 1}, {3968, 1}, {3967, 1, 1}, {1, 5000, 1}, {9000}, {0, 3968, 0, 3968}};
  for (const auto& tailles : cas) {
    char* tampon = nullptr;
    std::size_t taille = 0;
    std::FILE* f = open_memstream(&tampon, &taille);
    std::string attendu;
    {
      Envoi envoi(f);
      for (std::size_t i = 0; i < tailles.size(); ++i) {
        const std::string morceau(tailles[i], static_cast<char>('a' + i));
        envoi.ajoute(morceau);
        attendu += morceau;
      }
    }
    std::fclose(f);
    EXPECT_EQ(std::string(tampon, taille), attendu) << tailles.size() << " pieces";
    std::free(tampon);
  }
}

TEST(Rangee, LinesThenTheGapAndEverythingEmptiedForTheNextRow) {
  char* tampon = nullptr;
  std::size_t taille = 0;
  std::FILE* f = open_memstream(&tampon, &taille);
  const auto r = std::make_unique<Rangee>();
  r->impr[1].assign("un");
  r->impr[2].assign("deux");
  r->lgattr[1] = 5;
  ecrit_rangee(*r, {1, 4, 2, 0, 0, 2, 1, 0}, f);
  ecrit_rangee(*r, {1, 4, 0, 0, 0, -1, 1, 0}, f);  // no line: line 1 all the same
  std::fclose(f);
  EXPECT_EQ(std::string(tampon, taille), "un\ndeux\n\n\n\n");
  std::free(tampon);
  EXPECT_EQ(r->lgattr[1], 0);
  EXPECT_TRUE(r->impr[2].empty());
}

TEST(Format, PrintableOrNot) {
  EXPECT_TRUE(verifie_format({3, 23, 7, 2, 3, 2, 7, 1}));
  EXPECT_TRUE(verifie_format({1, 0, 1, 0, 0, -5, 0, -1}));  // what the loops make of it
  EXPECT_FALSE(verifie_format({1, 0, 0, 0, 0, 0, 0, 0}));   // no line per label
  EXPECT_FALSE(verifie_format({1, 4, -1, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(verifie_format({2, 125, 29, 0, 2, 0, 0, 0}));  // 254 columns
  EXPECT_FALSE(verifie_format({2, 125, 1, 1, 2, 0, 0, 0}));  // 255
  EXPECT_FALSE(verifie_format({1, 10, 1, 0, 0x7fffffff, 0, 0, 0}));
  EXPECT_FALSE(verifie_format({0x7fffffff, 10, 1, 0, 0, 0, 0, 0}));
  EXPECT_TRUE(verifie_format({254, 0, 1, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(verifie_format({255, 0, 1, 0, 0, 0, 0, 0}));
  // Numbers past what the form takes would write without bound.
  const struct {
    Format p;
    const char* message;
  } bornes[] = {
      {{1, 10, 1, 0, 0, 2147483647, 0, 0},
       "Format inutilisable : espace_vertical=2147483647 (999 au plus)"},
      {{1, 10, 1, 0, 0, 0, 1000, 0},
       "Format inutilisable : nbre_rangee_par_page=1000 (999 au plus)"},
      {{1, 10, 1, 0, 0, 0, 0, 5000}, "Format inutilisable : nbre_page_cadrage=5000 (999 au plus)"},
  };
  for (const auto& b : bornes) EXPECT_EQ(verifie_format(b.p).erreur().message, b.message);
  EXPECT_TRUE(verifie_format({1, 10, 1, 0, 0, 999, 999, 999}));
}

}  // namespace
}  // namespace vign

namespace vign {
namespace {

TEST(Recouvre, ReplacesTheCellsOfABoxAndKeepsTheControlBytesAndColumns) {
  const struct {
    std::string ligne;
    std::size_t depart;
    int colonne, largeur;
    std::string texte;
    bool octets;
    std::string attendu;
  } cas[] = {
      {"ABCDEFGHIJ", 0, 2, 3, "xy", false, "ABxy FGHIJ"},
      {"abcdef", 0, 0, 2, "xyz", false, "xycdef"},
      {"XXabcd", 2, 1, 2, "", false, "XXa  d"},
      // Bold on before the box stays before it, bold off after it after it.
      {"AB\x1b"
       "ECDE\x1b"
       "FFG",
       0, 2, 3, "123", false,
       "AB\x1b"
       "E123\x1b"
       "FFG"},
      // Columns, not bytes: two letters of two bytes give way to two of one.
      {"e\xc3\xa9\xc3\xa0u", 0, 1, 2, "Zq", false, "eZqu"},
      {"e\xc3\xa9\xc3\xa0u", 0, 1, 1, "\xc3\xbc", false, "e\xc3\xbc\xc3\xa0u"},
      // An attribute's bytes take no column, printable or not.
      {"CD \x1b[1;4mEF\x1b[0m   ", 0, 4, 2, "zz", false, "CD \x1b[1;4mE\x1b[0mzz  "},
      // A printer's single-byte set: a byte a column.
      {"\xe9\xe9\xe9", 0, 1, 1, "\xe0\xe0", true, "\xe9\xe0\xe9"},
      // A box far past the line, its end past what an int holds: nothing.
      {"a\x01z", 0, 2000000000, 2000000000, "x", false, "a\x01z"},
  };
  for (const auto& c : cas) {
    Etat st;
    // Attribute 3 underlines in bold with printable bytes after its ESC.
    st.attr[3] = '1';
    st.avtchamp[3] = "\x1b[1;4m";
    st.aprchamp[3] = "\x1b[0m";
    const auto r = std::make_unique<Rangee>();
    r->impr[1].assign(c.ligne);
    r->lgattr[1] = 5;
    recouvre(st, *r, 1, c.depart, c.colonne, c.largeur, c.texte, c.octets);
    EXPECT_EQ(r->impr[1].view(), c.attendu) << c.ligne;
    // The bytes the line gained or lost take no column.
    EXPECT_EQ(r->lgattr[1],
              5 + static_cast<int>(c.attendu.size()) - static_cast<int>(c.ligne.size()))
        << c.ligne;
  }
}

}  // namespace
}  // namespace vign
