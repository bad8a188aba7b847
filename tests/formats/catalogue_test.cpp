#include "formats/catalogue.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "formats/inifile.h"
#include "formats/outils.h"

namespace vign {
namespace {

// The line of a sheet of 3x8 labels of 70x36 mm, as the program writes it.
const std::string kPlanche =
    "Planche A4 70x36 (3x8)        ;   3;  35;   8;   2;   3;   1;   8;   1;\\027E;\\012;\n";

TEST(Catalogue, ReadsEveryFieldOfAWrittenLineAndWritesItBack) {
  Etat st;
  EXPECT_TRUE(lire_catalogue(st, kPlanche).empty());
  EXPECT_EQ(st.MAXFORMAT, 1);
  EXPECT_EQ(st.formats[1].libelle.view(), "Planche A4 70x36 (3x8)        ");
  EXPECT_EQ(st.formats[1].etilar, 3);
  EXPECT_EQ(st.formats[1].maxcareti, 35);
  EXPECT_EQ(st.formats[1].maxligeti, 8);
  EXPECT_EQ(st.formats[1].marge, 2);
  EXPECT_EQ(st.formats[1].maxintetihor, 3);
  EXPECT_EQ(st.formats[1].maxintetiver, 1);
  EXPECT_EQ(st.formats[1].maxetipag, 8);
  EXPECT_EQ(st.formats[1].maxpagcad, 1);
  EXPECT_EQ(st.formats[1].avtpagimp, "\\027E");
  EXPECT_EQ(st.formats[1].aprpagimp, "\\012");
  EXPECT_EQ(st.formats[1].avtpage, std::string("\x1b"
                                               "E"));
  EXPECT_EQ(st.formats[1].aprpage, std::string("\f"));
  EXPECT_TRUE(st.formats[0].libelle.empty()) << "the working format is not the catalogue's";
  EXPECT_EQ(ligne_catalogue(st, 1), kPlanche);
}

TEST(Catalogue, AHandWrittenLineComesBackInTheWritersLayout) {
  Etat st;
  lire_catalogue(st, "A4;3;35;8;2;3;1;8;1;;;\n");
  EXPECT_EQ(st.formats[1].libelle.view(), "A4");
  EXPECT_FALSE(st.formats[1].avtpage.has_value());
  EXPECT_FALSE(st.formats[1].aprpage.has_value());
  EXPECT_EQ(ligne_catalogue(st, 1),
            "A4                            ;   3;  35;   8;   2;   3;   1;   8;   1;;;\n");
}

TEST(Catalogue, NumbersAreReadUpToTheirFirstOtherCharacter) {
  const struct {
    const char* texte;
    int valeur;
  } cas[] = {{"   3", 3}, {"3", 3}, {"+3", 3}, {"-1", -1}, {"3x", 3}, {"", 0}, {"x3", 0}};
  for (const auto& c : cas) {
    Etat st;
    const std::string t = c.texte;
    lire_catalogue(st, "N;" + t + ";" + t + ";" + t + ";" + t + ";" + t + ";" + t + ";" + t + ";" +
                           t + ";;;\n");
    const Format& f = st.formats[1];
    for (const int n : {f.etilar, f.maxcareti, f.maxligeti, f.marge, f.maxintetihor, f.maxintetiver,
                        f.maxetipag, f.maxpagcad}) {
      EXPECT_EQ(n, c.valeur) << "\"" << c.texte << "\"";
    }
  }
}

TEST(Catalogue, AWideNumberIsWrittenWhole) {
  Etat st;
  lire_catalogue(st, "N;12345;-999;0;0;0;0;0;0;;;\n");
  EXPECT_EQ(ligne_catalogue(st, 1),
            "N                             ;12345;-999;   0;   0;   0;   0;   0;   0;;;\n");
}

TEST(Catalogue, CarriageReturnBeforeTheLineFeedChangesNothing) {
  Etat lf, crlf;
  lire_catalogue(lf, kPlanche + "B;1;2;3;4;5;6;7;8;x;y;\n");
  lire_catalogue(crlf,
                 "Planche A4 70x36 (3x8)        ;   3;  35;   8;   2;   3;   1;   8;   "
                 "1;\\027E;\\012;\r\nB;1;2;3;4;5;6;7;8;x;y;\r\n");
  EXPECT_EQ(crlf.MAXFORMAT, 2);
  for (int k = 1; k <= 2; ++k) EXPECT_EQ(ligne_catalogue(crlf, k), ligne_catalogue(lf, k));
}

TEST(Catalogue, TakesEighteenLinesAtMost) {
  std::string texte;
  for (int i = 1; i <= 25; ++i)
    texte += "F" + std::to_string(i) + ";" + std::to_string(i) + ";0;0;0;0;0;0;0;;;\n";
  Etat st;
  EXPECT_TRUE(lire_catalogue(st, texte).empty());
  EXPECT_EQ(st.MAXFORMAT, 18);
  EXPECT_EQ(st.formats[18].libelle.view(), "F18");
  EXPECT_EQ(st.formats[18].etilar, 18);
}

TEST(Catalogue, AnEmptyCatalogueHoldsNoFormat) {
  Etat st;
  st.MAXFORMAT = 5;
  EXPECT_TRUE(lire_catalogue(st, "").empty());
  EXPECT_EQ(st.MAXFORMAT, 0);
}

TEST(Catalogue, ALineShortOfASemicolonIsReportedAndKeepsOnlyItsWholeFields) {
  Etat st;
  // A first reading leaves values in slot 2 that the short line must not keep.
  lire_catalogue(st, kPlanche + kPlanche);
  const auto erreurs = lire_catalogue(st, kPlanche + "B5;2;40\n" + "C;1;1;1;1;1;1;1;1;;\\012;\n");
  EXPECT_EQ(erreurs, std::vector<int>({2}));
  EXPECT_EQ(st.MAXFORMAT, 3);
  EXPECT_EQ(st.formats[2].libelle.view(), "B5");
  EXPECT_EQ(st.formats[2].etilar, 2);
  EXPECT_EQ(st.formats[2].maxcareti, 0) << "the field with no ';' after it is not taken";
  EXPECT_EQ(st.formats[2].maxligeti, 0);
  EXPECT_EQ(st.formats[2].maxpagcad, 0);
  EXPECT_EQ(st.formats[2].avtpagimp, "");
  EXPECT_FALSE(st.formats[2].avtpage.has_value());
  EXPECT_FALSE(st.formats[2].aprpage.has_value());
  // The reading goes on with the next line.
  EXPECT_EQ(st.formats[3].libelle.view(), "C");
  EXPECT_EQ(st.formats[3].aprpage, std::string("\f"));
}

TEST(Catalogue, EveryShortLineIsReportedWithItsNumber) {
  Etat st;
  const auto erreurs = lire_catalogue(
      st, "\n" + kPlanche + "sans point-virgule\n" + kPlanche + "A;1;1;1;1;1;1;1;1;;");
  EXPECT_EQ(erreurs, std::vector<int>({1, 3, 5}));
  EXPECT_EQ(st.MAXFORMAT, 5);
  EXPECT_EQ(st.formats[5].avtpagimp, "") << "the tenth field was there, the eleventh was not";
}

TEST(Catalogue, ALastLineWithoutLineFeedIsRead) {
  Etat st;
  EXPECT_TRUE(lire_catalogue(st, kPlanche + "B;1;2;3;4;5;6;7;8;;;").empty());
  EXPECT_EQ(st.MAXFORMAT, 2);
  EXPECT_EQ(st.formats[2].maxpagcad, 8);
}

TEST(Catalogue, ALongNameIsCutAtThirtyFourAndWrittenAtThirty) {
  Etat st;
  const std::string nom = "Planche continue une colonne 89x36 mm";  // 37 characters
  lire_catalogue(st, nom + ";1;2;3;4;5;6;7;8;;;\n");
  EXPECT_EQ(st.formats[1].libelle.view(), nom.substr(0, 34));
  EXPECT_EQ(st.formats[1].etilar, 1) << "the fields after the name are still in place";
  EXPECT_EQ(ligne_catalogue(st, 1).substr(0, 31), nom.substr(0, 30) + ";");
}

// A name is cut between characters and padded to 30 columns, not bytes.
TEST(Catalogue, AnAccentedNameIsWrittenOnThirtyColumns) {
  const std::string e = "\xC3\xA9";  // é
  std::string e16;
  for (int i = 0; i < 16; ++i) e16 += e;
  const struct {
    std::string lu;     // the name in the catalogue line read
    std::string ecrit;  // its 30 columns in the line written
  } cas[] = {
      {"Etiquette", "Etiquette" + std::string(21, ' ')},
      {e + "tiquette", e + "tiquette" + std::string(21, ' ')},
      // 28 letters, é, then two more: the 30th column ends inside no byte.
      {std::string(28, 'a') + e + "45", std::string(28, 'a') + e + "4"},
      // 41 bytes: the 34 the name holds would end inside the 17th é.
      {"x" + e16 + e + e + e + e, "x" + e16 + std::string(13, ' ')},
  };
  for (const auto& c : cas) {
    Etat st;
    lire_catalogue(st, c.lu + ";1;2;3;4;5;6;7;8;;;\n");
    EXPECT_EQ(ligne_catalogue(st, 1), c.ecrit + ";   1;   2;   3;   4;   5;   6;   7;   8;;;\n");
  }
}

TEST(Catalogue, AnOverlongLineIsCutAndItsRestIsNoLineOfItsOwn) {
  // Ten fields are complete within the first 254 bytes; the page-end string
  // runs past them, so its ';' is cut off.
  const std::string debut = "Long;1;2;3;4;5;6;7;8;;";
  const std::string ligne = debut + std::string(300, 'x') + ";\n";
  Etat st;
  const auto erreurs = lire_catalogue(st, ligne + kPlanche);
  EXPECT_EQ(erreurs, std::vector<int>({1}));
  EXPECT_EQ(st.MAXFORMAT, 2);
  EXPECT_EQ(st.formats[1].maxpagcad, 8);
  EXPECT_EQ(st.formats[1].aprpagimp, "");
  EXPECT_EQ(st.formats[2].libelle.view(), "Planche A4 70x36 (3x8)        ");

  // A line of exactly 254 bytes with its line feed is whole, but its page-end
  // string keeps only what the writer's layout (30 columns of name, 4 per
  // number, 4 bytes of ';' and line feed) leaves room for in 254 bytes.
  const std::string juste = debut + std::string(254 - debut.size() - 2, 'y') + ";\n";
  ASSERT_EQ(juste.size(), kLigneCatalogue);
  EXPECT_TRUE(lire_catalogue(st, juste).empty());
  EXPECT_EQ(st.formats[1].aprpagimp, std::string(254 - 30 - 8 * 5 - 4, 'y'));
  EXPECT_EQ(ligne_catalogue(st, 1).size(), kLigneCatalogue);
}

TEST(Catalogue, AZeroByteEndsTheLinesText) {
  Etat st;
  const auto erreurs = lire_catalogue(
      st, std::string("A;1;2;3;4;5;6;7;8;x", 19) + std::string(1, '\0') + "y;z;\n" + kPlanche);
  EXPECT_EQ(erreurs, std::vector<int>({1}));
  EXPECT_EQ(st.MAXFORMAT, 2);
  EXPECT_EQ(st.formats[1].avtpagimp, "");
}

TEST(Catalogue, WrittenThenReadGivesTheSameTableWithNamesPaddedToThirty) {
  Etat st;
  lire_catalogue(st,
                 "A4;3;35;8;2;3;1;8;1;\\027E;;\n"
                 "Etiquettes 99x38;2;48;6;1;2;0;7;0;;\\012;\n"
                 "Nom de trente et un caracteres!;1;1;1;1;1;1;1;1;;;\n");
  const std::string ecrit = texte_catalogue(st, false);
  Etat relu;
  EXPECT_TRUE(lire_catalogue(relu, ecrit).empty());
  ASSERT_EQ(relu.MAXFORMAT, 3);
  EXPECT_EQ(relu.formats[1].libelle.view(), "A4                            ");
  EXPECT_EQ(relu.formats[3].libelle.view(), "Nom de trente et un caracteres");
  EXPECT_EQ(relu.formats[1].avtpage, st.formats[1].avtpage);
  EXPECT_EQ(relu.formats[2].aprpage, st.formats[2].aprpage);
  // Every other value came back, or the second writing would differ.
  EXPECT_EQ(texte_catalogue(relu, false), ecrit);
}

TEST(Catalogue, TheWholeCatalogueEndsWithTheNewFormatOnlyWhenAsked) {
  Etat st;
  lire_catalogue(st, kPlanche + kPlanche);
  st.MAXFORMAT = 1;  // a catalogue of one format, slot 2 left over from before
  st.formats[0].libelle.assign("Nouveau");
  st.formats[0].etilar = 4;
  const std::string nouveau =
      "Nouveau                       ;   4;   0;   0;   0;   0;   0;   0;   0;;;\n";
  EXPECT_EQ(texte_catalogue(st, false), kPlanche);
  EXPECT_EQ(texte_catalogue(st, true), kPlanche + nouveau);
  st.MAXFORMAT = 0;
  EXPECT_EQ(texte_catalogue(st, false), "");
  EXPECT_EQ(texte_catalogue(st, true), nouveau);
}

TEST(Catalogue, TheFileReaderTakesWhatTheTextReaderTakes) {
  std::string texte = "\r\n" + std::string(400, 'z') + "\n";
  for (int i = 0; i < 20; ++i) texte += "F" + std::to_string(i) + ";1;2;3;4;5;6;7;8;a;b;\r\n";
  Etat depuis_texte, depuis_fichier;
  const auto e1 = lire_catalogue(depuis_texte, texte);
  const auto f = test::fichier_de(texte);
  const auto e2 = lire_catalogue(depuis_fichier, f.get());
  EXPECT_EQ(e1, std::vector<int>({1, 2}));
  EXPECT_EQ(e2, e1);
  ASSERT_EQ(depuis_fichier.MAXFORMAT, 18);
  EXPECT_EQ(texte_catalogue(depuis_fichier, false), texte_catalogue(depuis_texte, false));
  EXPECT_EQ(depuis_fichier.formats[18].libelle.view(), "F15");
}

// The twelfth field, the sheet: read when its own ';' ends it, written back
// after the eleventh, and never a change to what the eleven fields read (so
// that a reader of eleven fields, which stops at the eleventh ';', reads the
// same format).
TEST(Catalogue, TheTwelfthFieldIsTheSheetAndLeavesTheElevenAsTheyWere) {
  const std::string onze = kPlanche.substr(0, kPlanche.size() - 1);  // without its line feed
  const struct {
    std::string ligne;
    std::string planche;
    std::string ecrite;
  } cas[] = {
      {kPlanche, "", kPlanche},
      {onze + "Avery L7160;\n", "Avery L7160", onze + "Avery L7160;\n"},
      {onze + "cpi=10.28,lpi=4.1,haut=0.3,gauche=0,page=A4;\n",
       "cpi=10.28,lpi=4.1,haut=0.3,gauche=0,page=A4",
       onze + "cpi=10.28,lpi=4.1,haut=0.3,gauche=0,page=A4;\n"},
      {onze + "  Avery L7160 ;\r\n", "Avery L7160", onze + "Avery L7160;\n"},
      {onze + "remarque sans fin\n", "", kPlanche},
      {onze + "\r\n", "", kPlanche},
      {onze + " ;\n", "", kPlanche},
  };
  Etat reference;
  lire_catalogue(reference, kPlanche);
  for (const auto& c : cas) {
    Etat st;
    EXPECT_TRUE(lire_catalogue(st, c.ligne).empty()) << c.ligne;
    EXPECT_EQ(st.formats[1].planche, c.planche) << c.ligne;
    EXPECT_EQ(ligne_catalogue(st, 1), c.ecrite) << c.ligne;
    EXPECT_EQ(nombres_du_format(std::as_const(st), 1),
              nombres_du_format(std::as_const(reference), 1))
        << c.ligne;
    EXPECT_EQ(st.formats[1].libelle.view(), reference.formats[1].libelle.view()) << c.ligne;
    EXPECT_EQ(st.formats[1].avtpagimp, reference.formats[1].avtpagimp) << c.ligne;
    EXPECT_EQ(st.formats[1].aprpagimp, reference.formats[1].aprpagimp) << c.ligne;
  }
}

TEST(Catalogue, AGeometryTextGivesTheValuesOfPdfAndIsWrittenInItsOrder) {
  const auto i = [](std::string_view cle) {
    return static_cast<std::size_t>(std::find(kClesPdf.begin(), kClesPdf.end(), cle) -
                                    kClesPdf.begin());
  };
  const struct {
    const char* texte;
    std::vector<std::pair<std::string_view, std::string>> valeurs;
    const char* ecrit;
  } cas[] = {
      {"cpi=10.28,lpi=4.1,haut=0.3,gauche=0,page=A4",
       {{"cpi", "10.28"}, {"lpi", "4.1"}, {"haut", "0.3"}, {"gauche", "0"}, {"page", "A4"}},
       "cpi=10.28,lpi=4.1,haut=0.3,gauche=0,page=A4"},
      {"contours=oui,page=210x297,taille=9,cpi=12",
       {{"contours", "oui"}, {"page", "210x297"}, {"taille", "9"}, {"cpi", "12"}},
       "cpi=12,page=210x297,taille=9,contours=oui"},
      {"haut=", {{"haut", ""}}, "haut="},
  };
  for (const auto& c : cas) {
    const auto lu = lit_geometrie(c.texte);
    ASSERT_TRUE(lu && *lu) << c.texte;
    TextesPdf attendu{};
    for (const auto& [cle, v] : c.valeurs) attendu[i(cle)] = v;
    EXPECT_EQ(**lu, attendu) << c.texte;
    EXPECT_EQ(ecrit_geometrie(**lu), c.ecrit);
  }
  const auto reference = lit_geometrie("Avery L7160");
  ASSERT_TRUE(reference);
  EXPECT_FALSE(reference->has_value()) << "a reference is no geometry";
  for (const char* faux : {"cpi=10,marge=3", "cpi=10,lpi", "=4"}) {
    const auto lu = lit_geometrie(faux);
    EXPECT_FALSE(lu) << faux;
  }
}

// A format's line rewritten in place: the other lines stay byte for byte, and
// a line that no longer holds that format is left alone.
TEST(Catalogue, ALineIsReplacedOnlyWhereItsFormatStillIs) {
  const std::string autour = "A ;1;2;3;4;5;6;7;8;;;\n";
  const std::string texte = autour + kPlanche + "# remarque\n";
  const struct {
    int numero;
    const char* debut;
    bool fait;
  } cas[] = {{2, "Planche A4 70x36", true}, {2, "A ", false}, {4, "", false}, {0, "", false}};
  for (const auto& c : cas) {
    test::DansDossier d;
    d.dossier().ecrire("formats.txt", texte);
    const auto r = VerrouCatalogue(kCatalogue).remplacer(c.numero, c.debut, "X;\n");
    EXPECT_EQ(r.ok(), c.fait) << c.numero << " " << c.debut;
    EXPECT_EQ(d.dossier().lire("formats.txt"), c.fait ? autour + "X;\n" + "# remarque\n" : texte);
  }
}

// A catalogue shared through a link gets the format where it lies; the link
// stays a link, a dangling one included.
TEST(Catalogue, ALinkedCatalogueIsReplacedAtItsTarget) {
  for (const std::string& avant : {kPlanche, std::string()}) {
    test::DansDossier d;
    std::filesystem::create_directory("commun");
    if (!avant.empty()) d.dossier().ecrire("commun/formats.txt", avant);
    std::filesystem::create_symlink("commun/formats.txt", "formats.txt");
    EXPECT_TRUE(VerrouCatalogue(kCatalogue).ajouter("B;\n"));
    EXPECT_TRUE(std::filesystem::is_symlink("formats.txt"));
    EXPECT_EQ(d.dossier().lire("commun/formats.txt"), avant + "B;\n");
    EXPECT_TRUE(catalogue_modifiable(kCatalogue));
  }
}

// A request blocked on the file shows in /proc/locks as "->"; looked for
// until a deadline.
bool attente_sur(ino_t inode) {
  const std::string fichier = ":" + std::to_string(inode) + " ";
  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < limite) {
    std::ifstream verrous("/proc/locks");
    for (std::string l; std::getline(verrous, l);)
      if (l.find("->") != std::string::npos && l.find(fichier) != std::string::npos) return true;
    ::sched_yield();
  }
  return false;
}

// A copy that waited for the lock while the holder replaced the catalogue
// adds its line to the catalogue the holder left, not to the one it opened.
TEST(Catalogue, AWaitingCopyAddsToTheCatalogueTheHolderLeft) {
  test::DansDossier d;
  d.dossier().ecrire("formats.txt", kPlanche);
  struct stat s {};
  ASSERT_EQ(::stat(kCatalogue, &s), 0);
  auto tenu = std::make_unique<VerrouCatalogue>(kCatalogue);
  std::thread autre([] { EXPECT_TRUE(VerrouCatalogue(kCatalogue).ajouter("B;\n")); });
  const bool attend = attente_sur(s.st_ino);
  EXPECT_TRUE(tenu->ajouter("A;\n"));
  tenu.reset();
  autre.join();
  if (!attend) GTEST_SKIP() << "no waiting lock seen in /proc/locks";
  EXPECT_EQ(d.dossier().lire("formats.txt"), kPlanche + "A;\n" + "B;\n");
}

}  // namespace
}  // namespace vign
