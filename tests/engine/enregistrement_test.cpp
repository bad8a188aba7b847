#include "engine/enregistrement.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/arret.h"
#include "support/programme.h"

namespace vign {
namespace {

// An input file holding `contenu`, as st.pinput.
void entree(Etat& st, const std::string& contenu) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::fwrite(contenu.data(), 1, contenu.size(), f);
  std::rewind(f);
  st.pinput.reset(f);
}

TEST(LigneFormat, EntriesAreCutAtSemicolonsAndTheLastIsNoField) {
  const struct {
    const char* ligne;
    int nbrechamp;
    std::vector<int> largeurs;  // lc[1..]
  } cas[] = {
      {"10;17;8;20;\n", 5, {10, 17, 8, 20, 0}},  // the line break is the last entry
      {"10;17;8;20\n", 4, {10, 17, 8, 20}},      // so without the last ";" field 4 is lost
      {"10;17;8;20;", 4, {10, 17, 8, 20}},       // and so without the line break
      {"10;;17;\n", 3, {10, 17, 0}},             // an empty entry does not count
      {";;10", 1, {10}},
      {" 5;x;-3;+7\r\n", 4, {5, 0, -3, 7}},  // read as numbers are read everywhere
      {";;;\n", 1, {0}},
      {";;;", 0, {}},
      {"", 0, {}},
  };
  for (const auto& c : cas) {
    const Disposition d = *analyse_ligne_format(c.ligne);
    EXPECT_EQ(d.nbrechamp, c.nbrechamp) << c.ligne;
    for (std::size_t k = 0; k < c.largeurs.size(); ++k) {
      EXPECT_EQ(d.lc[k + 1], c.largeurs[k]) << c.ligne << " entry " << k + 1;
    }
  }
}

TEST(LigneFormat, AWidthOver253StopsTheProgram) {
  EXPECT_EQ(analyse_ligne_format("253;\n")->lc[1], 253);
  for (const char* ligne : {"10;254;\n", "99999999999999;\n"}) {
    const auto d = analyse_ligne_format(ligne);
    ASSERT_FALSE(d.ok()) << ligne;
    EXPECT_EQ(d.erreur().statut, 1);
    EXPECT_EQ(d.erreur().message, "Augmenter MAX_RECLEN et recompiler");
  }
}

TEST(LigneFormat, OnlyFortyNineWidthsAreKept) {
  std::string ligne;
  for (int k = 1; k <= 60; ++k) ligne += std::to_string(k) + ";";
  ligne += "999;\n";  // past the kept entries: not a width, not tested
  const Disposition d = *analyse_ligne_format(ligne);
  EXPECT_EQ(d.nbrechamp, 50);
  EXPECT_EQ(d.lc[49], 49);
  EXPECT_EQ(d.lc[0], 0);
}

TEST(FichierFormat, AReadableLayoutFileSelectsFixedWidthMode) {
  test::Dossier dir;
  Etat st;
  dir.ecrire("f.def", "3;4;\nignored;line\n");
  const auto d = analyse_format_fixe((dir / "f.def").string());
  ASSERT_TRUE(d && *d);
  EXPECT_EQ((*d)->nbrechamp, 3);
  EXPECT_EQ((*d)->lc[1], 3);
  EXPECT_EQ((*d)->lc[2], 4);
}

TEST(FichierFormat, NoReadableLayoutFileLeavesTheModeAlone) {
  test::Dossier dir;
  EXPECT_FALSE(*analyse_format_fixe(std::nullopt));
  EXPECT_FALSE(*analyse_format_fixe((dir / "absent.def").string()));
  EXPECT_FALSE(*analyse_format_fixe(dir.chemin().string()));  // a directory
  // An empty layout file is a layout with no field.
  dir.ecrire("vide.def", "");
  const auto vide = analyse_format_fixe((dir / "vide.def").string());
  ASSERT_TRUE(vide && *vide);
  EXPECT_EQ((*vide)->nbrechamp, 0);
}

// Reads records until the data end; each entry is fields 1..n of a record
// that the read said it obtained, with whether data remained after it.
struct Lu {
  std::vector<std::string> champs;
  bool reste;
  friend bool operator==(const Lu&, const Lu&) = default;
};

std::vector<Lu> lire_tout(Etat& st, int n) {
  Lecture lecture;
  std::vector<Lu> lus;
  for (int garde = 0; garde < 10000; ++garde) {
    const bool lu_un = lire_enregistrement(st, lecture);
    if (!lu_un) break;
    Lu lu{{}, lecture.reste()};
    if (!st.disposition) decoupe_enregistrement(st, lecture.enregistrement());
    for (int k = 1; k <= n; ++k) lu.champs.emplace_back(st.champ[std::size_t(k)].view());
    lus.push_back(lu);
    if (!lecture.reste()) break;
  }
  return lus;
}

void fixe(Etat& st, const char* ligne, int deplacement = 0) {
  st.disposition = *analyse_ligne_format(ligne);
  st.deplacement = deplacement;
}

TEST(LectureFixe, ThreeRecordsOf55Bytes) {
  Etat st;
  fixe(st, "10;17;8;20;\n");
  std::string contenu;
  for (char c : {'a', 'b', 'c'}) {
    contenu += std::string(10, c) + std::string(17, 'X') + "7500    " + std::string(20, 'Z');
  }
  ASSERT_EQ(contenu.size(), 165u);
  entree(st, contenu);
  const auto lus = lire_tout(st, 4);
  ASSERT_EQ(lus.size(), 3u);  // the fourth read obtains nothing
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(lus[i].reste);
    const std::string nom(10, static_cast<char>('a' + i));
    // Every field is followed by one space, which the cleaning removes.
    EXPECT_EQ(lus[i].champs, (std::vector<std::string>{nom + " ", std::string(17, 'X') + " ",
                                                       "7500     ", std::string(20, 'Z') + " "}));
  }
}

TEST(LectureFixe, TheInitialSkipComesBeforeTheFirstRecordOnly) {
  Etat st;
  fixe(st, "2;3;\n", 4);
  entree(st, "HEADAABBBCCDDD");
  const auto lus = lire_tout(st, 2);
  EXPECT_EQ(lus, (std::vector<Lu>{{{"AA ", "BBB "}, true}, {{"CC ", "DDD "}, true}}));
  EXPECT_EQ(st.champ[0].view(), "HEAD");
}

TEST(LectureFixe, ALongSkipIsConsumedWholeAndKeptInPart) {
  Etat st;
  fixe(st, "3;\n", 300);
  entree(st, std::string(300, 's') + "abc");
  const auto lus = lire_tout(st, 1);
  ASSERT_FALSE(lus.empty());
  EXPECT_EQ(lus[0].champs[0], "abc ");
  EXPECT_EQ(st.champ[0].size(), Ligne::capacite);
}

TEST(LectureFixe, ShortRecordsAtTheEnd) {
  Etat st;
  fixe(st, "3;4;\n");
  // A short last field still makes a record; the next read finds the end.
  entree(st, "AAABBBBCCCDD");
  EXPECT_EQ(lire_tout(st, 2),
            (std::vector<Lu>{{{"AAA ", "BBBB "}, true}, {{"CCC ", "DD "}, true}}));
  // A short field before the last ends the data with that record, which the
  // read still reports as obtained (the engine prints it only when first).
  entree(st, "AAABBBBCC");
  EXPECT_EQ(lire_tout(st, 2),
            (std::vector<Lu>{{{"AAA ", "BBBB "}, true}, {{"CC ", "BBBB "}, false}}));
}

TEST(LectureFixe, TheDataEndAtTheEndOfTheInputWhateverTheLayout) {
  Etat st;
  fixe(st, "4;\n");  // one field: no field is ever tested for completeness
  entree(st, "AAAABB");
  EXPECT_EQ(lire_tout(st, 1), (std::vector<Lu>{{{"AAAA "}, true}, {{"BB "}, true}}));
  fixe(st, "0;0;\n");  // fields that read nothing
  entree(st, "AAAA");
  EXPECT_TRUE(lire_tout(st, 2).empty());
  fixe(st, ";;;");  // no field at all
  entree(st, "AAAA");
  Lecture l;
  EXPECT_FALSE(lire_enregistrement(st, l));
  EXPECT_FALSE(l.reste());
  fixe(st, "-5;2;\n");  // a negative width reads nothing
  entree(st, "AB");
  EXPECT_EQ(lire_tout(st, 2), (std::vector<Lu>{{{" ", "AB "}, true}}));
}

TEST(LectureFixe, FieldsPast29AreReadAndDropped) {
  Etat st;
  std::string ligne;
  std::string contenu;
  for (int k = 1; k <= 31; ++k) {
    ligne += "1;";
    contenu += static_cast<char>('A' + (k - 1) % 26);
  }
  fixe(st, (ligne + "\n").c_str());
  entree(st, contenu + contenu);
  const auto lus = lire_tout(st, 29);
  ASSERT_EQ(lus.size(), 2u);
  EXPECT_EQ(lus[1].champs[0], "A ");  // the second record starts where it should
  EXPECT_EQ(lus[1].champs[28], "C ");
}

TEST(LectureDelimitee, LinesBecomeFields) {
  const struct {
    const char* contenu;
    std::vector<std::vector<std::string>> champs;
  } cas[] = {
      {"A;B\n", {{"A", "B", ""}}},
      {"A;B\r\n", {{"A", "B", ""}}},
      {"A;B;\n", {{"A", "B", ""}}},
      {"A;B", {{"A", "B", ""}}},  // a last line without line feed keeps its text
      {"\n;X\n", {{"", "", ""}, {"", "X", ""}}},
      {" a ; b \n", {{" a ", " b ", ""}}},                   // blanks stay part of the fields
      {"1;2;3\nx;y\n", {{"1", "2", "3"}, {"x", "y", "3"}}},  // an earlier field shows through
  };
  for (const auto& c : cas) {
    Etat st;
    st.delimiteur = ";";
    entree(st, c.contenu);
    std::vector<std::vector<std::string>> lus;
    for (const auto& lu : lire_tout(st, 3)) lus.push_back(lu.champs);
    EXPECT_EQ(lus, c.champs) << c.contenu;
  }
}

TEST(LectureDelimitee, TheHelpsExampleRecord) {
  Etat st;
  st.delimiteur = ";";
  decoupe_enregistrement(st, "Gaston Berthiers ; Rue du Chene,5 ; 7500 ; TOURNAI;");
  EXPECT_EQ(st.champ[1].view(), "Gaston Berthiers ");
  EXPECT_EQ(st.champ[2].view(), " Rue du Chene,5 ");
  EXPECT_EQ(st.champ[3].view(), " 7500 ");
  EXPECT_EQ(st.champ[4].view(), " TOURNAI");
  EXPECT_EQ(st.champ[5].view(), "");
}

TEST(LectureDelimitee, ALongLineIsOneRecordWithFieldsCutAt254) {
  Etat st;
  st.delimiteur = ";";
  const std::string long1(300, 'a');
  entree(st, long1 + ";b\nnext\n");
  const auto lus = lire_tout(st, 2);
  ASSERT_EQ(lus.size(), 2u);
  EXPECT_EQ(lus[0].champs, (std::vector<std::string>{std::string(254, 'a'), "b"}));
  EXPECT_EQ(lus[1].champs[0], "next");
}

TEST(LectureDelimitee, LinesAcrossAndLongerThanTheReadBlocks) {
  Etat st;
  st.delimiteur = ";";
  std::string contenu;
  std::vector<std::string> attendus;
  for (int i = 0; i < 3000; ++i) {
    attendus.push_back(std::to_string(i) + std::string(std::size_t(i % 97), 'x'));
    contenu += attendus.back() + ";\r\n";
  }
  const std::string geante(200000, 'g');
  contenu += geante + ";fin";  // longer than a block, and no line feed
  entree(st, contenu);
  const auto lus = lire_tout(st, 2);
  ASSERT_EQ(lus.size(), 3001u);
  for (std::size_t i = 0; i < 3000; ++i) ASSERT_EQ(lus[i].champs[0], attendus[i].substr(0, 254));
  EXPECT_EQ(lus[3000].champs, (std::vector<std::string>{std::string(254, 'g'), "fin"}));
}

// A record too long to keep is cut at the same length each time, the first
// one past or a later one.
TEST(LectureDelimitee, EveryRecordPastTheMostKeptIsCut) {
  Etat st;
  st.delimiteur = ";";
  const std::string long_(BlocLu::kGarde + 10, 'g');
  entree(st, long_ + "\ncourt\n" + long_ + "\nfin\n");
  const std::string garde(BlocLu::kGarde, 'g');
  const struct {
    bool coupe;
    const std::string& texte;
  } attendus[] = {{true, garde}, {false, "court"}, {true, garde}, {false, "fin"}};
  Lecture l;
  for (const auto& a : attendus) {
    ASSERT_TRUE(lire_enregistrement(st, l));
    EXPECT_EQ(l.tronque(), a.coupe);
    EXPECT_TRUE(l.enregistrement() == a.texte) << l.enregistrement().size();
  }
}

// The line end is chosen from the first 64 KiB of the input, however much a
// read brings: carriage returns alone there make CR the line end even when a
// line feed comes later, and a line feed there makes it LF.
TEST(LectureDelimitee, TheLineEndIsChosenFromTheFirst64KiB) {
  const struct {
    std::string debut;
    std::size_t lignes;  // records read
  } cas[] = {
      {"", 7001},  // 7000 lines ended by CR, then "x\ny\n"
      {"z\n", 3},  // LF first: "z", all the CR lines and "x", then "y"
  };
  for (const auto& c : cas) {
    Etat st;
    st.delimiteur = ";";
    std::string contenu = c.debut;
    for (int i = 0; i < 7000; ++i) contenu += "abcdefghij\r";
    entree(st, contenu + "x\ny\n");
    const auto lus = lire_tout(st, 1);
    EXPECT_EQ(lus.size(), c.lignes) << c.debut;
    ASSERT_FALSE(lus.empty());
    EXPECT_EQ(lus[0].champs[0], c.debut.empty() ? "abcdefghij" : "z");
  }
}

TEST(LectureDelimitee, FieldsPast29AreIgnored) {
  Etat st;
  st.delimiteur = ",";
  std::string ligne;
  for (int k = 1; k <= 31; ++k) ligne += std::to_string(k) + ",";
  decoupe_enregistrement(st, ligne);
  EXPECT_EQ(st.champ[29].view(), "29");
  EXPECT_EQ(st.champ[0].view(), "");
}

// Delimiters are looked for 16 bytes at a time: those at the edges of a
// block, and a record ending on one, split as any other.
TEST(LectureDelimitee, DelimitersAtTheEdgesOfTheLookedAtBlocks) {
  const std::string a15(15, 'a');
  const std::string b16(16, 'b');
  const struct {
    std::string enregistrement;
    std::size_t champs;
    std::vector<std::string> attendus;
  } cas[] = {
      {a15 + ";", 2, {a15, ""}},
      {a15 + ";" + b16 + ";z", 3, {a15, b16, "z"}},
      {b16 + ";" + a15, 2, {b16, a15}},
      {";" + a15 + b16 + ";", 3, {"", a15 + b16, ""}},
      {std::string(40, ';'), 29, std::vector<std::string>(3, "")},
  };
  for (const auto& c : cas) {
    Etat st;
    st.delimiteur = ";";
    Propres propres = 0;
    EXPECT_EQ(decoupe_enregistrement(st, c.enregistrement, propres), c.champs) << c.enregistrement;
    for (std::size_t k = 0; k < c.attendus.size(); ++k) {
      EXPECT_EQ(st.champ[k + 1].view(), c.attendus[k]) << c.enregistrement << " field " << k + 1;
    }
  }
}

TEST(LectureDelimitee, NoDelimiterMakesTheLineField1) {
  for (const std::optional<std::string>& delim :
       {std::optional<std::string>(""), std::optional<std::string>()}) {
    Etat st;
    st.delimiteur = delim;
    st.champ[2].assign("old");
    decoupe_enregistrement(st, "A;B");
    EXPECT_EQ(st.champ[1].view(), "A;B");
    EXPECT_EQ(st.champ[2].view(), "old");
  }
}

TEST(Nettoyage, TrailingSpacesAndControlCharacters) {
  const struct {
    const char* avant;
    const char* apres_rts;
    const char* apres_rctrl;  // of the rts result
  } cas[] = {
      {"ABC   ", "ABC", "ABC"},
      {"   ", " ", " "},
      {"", "", ""},
      {"A B ", "A B", "A B"},
      {"A\tB", "A\tB", "AB"},
      {"AB\r", "AB\r", "AB "},
      {"A\x7f"
       "B\n",
       "A\x7f"
       "B\n",
       "AB"},
      {"\xe9t\xe9 ", "\xe9t\xe9", "\xe9t\xe9"},
  };
  for (const auto& c : cas) {
    Ligne s(c.avant);
    rts(s);
    EXPECT_EQ(s.view(), c.apres_rts) << c.avant;
    rctrl(s);
    EXPECT_EQ(s.view(), c.apres_rctrl) << c.avant;
  }
  // Every length, every position, bytes on both sides of the limits.
  for (std::size_t n = 1; n <= 20; ++n) {
    for (std::size_t i = 0; i < n; ++i) {
      for (const char c : {'\0', '\t', '\x1f', '\x7f'}) {
        std::string texte(n, 'a');
        texte[i] = c;
        Ligne s(texte);
        rctrl(s);
        EXPECT_EQ(s.view(), std::string(n - 1, 'a')) << n << " " << i << " " << int(c);
      }
      for (const char c : {' ', '~', '\x80', '\xff'}) {
        std::string texte(n, 'a');
        texte[i] = c;
        Ligne s(texte);
        rctrl(s);
        EXPECT_EQ(s.view(), texte) << n << " " << i << " " << int(c);
      }
    }
  }
  Ligne nul(std::string_view("A\0B", 3));
  rctrl(nul);
  EXPECT_EQ(nul.view(), "AB");
}

}  // namespace
}  // namespace vign
