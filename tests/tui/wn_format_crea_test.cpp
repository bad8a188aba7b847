#include "tui/wn_format_crea.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "formats/catalogue.h"
#include "formats/outils.h"
#include "support/ecran_memoire.h"

namespace vign {
namespace {

using test::ecran;

// The form as drawn, rows 6 to 21.
const std::map<int, std::string> kForme = {
    {6, "!+++++++++++++++++++++++++++++ Nouveau format ++++++++++++++++++++++++++\""},
    {7, "* Nom du nouveau format ............ : ______________________________   *"},
    {8, "* Nombre de caracteres par etiquette : ___                              *"},
    {9, "* Nombre de lignes par etiquette ... : ___                              *"},
    {10, "* Nombre d'etiquette en largeur .... : ___                              *"},
    {11, "* Nombre d'espaces entre etiquettes  : ___                              *"},
    {12, "* Nombre de ligne entre etiquettes . : ___                              *"},
    {13, "* Marge de gauche .................. : ___                              *"},
    {14, "* Nombre d'etiquette par page ...... : ___                              *"},
    {15, "* Nombre de page de cadrage ........ : ___                              *"},
    {16, "* Chaine a envoyer avant la page ... :  (ex : \\027E pour <ESC>E)        *"},
    {17, "* _____________________________________________________________________ *"},
    {18, "* Chaine a envoyer apres la page ... :  (ex : \\012 pour <Form Feed>)    *"},
    {19, "* _____________________________________________________________________ *"},
    {20, "*                                                                       *"},
    {21, "#+++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$"},
};

// Row 20 of the form with a text from column 3: the frame's sides at columns 1
// and 73.
std::string rangee20(const std::string& texte) {
  return "* " + texte + std::string(70 - texte.size(), ' ') + "*";
}

const std::string kUn =
    "Planche A4 70x36 (3x8)        ;   3;  35;   8;   2;   3;   1;   8;   1;\\027E;\\012;\n";
const std::string kDeux =
    "Planche A4 99x38 (2x7)        ;   2;  39;   9;   1;   1;   0;   7;   1;;\\012;\n";

// The Formats step as the main menu runs it around the form: the catalogue
// read (when there is one), then the form.
struct Formulaire {
  explicit Formulaire(const std::string* catalogue) {
    if (catalogue != nullptr) {
      dossier.dossier().ecrire("formats.txt", *catalogue);
      lire_catalogue(st, *catalogue);
    }
  }
  Issue remplir(std::initializer_list<int> touches) {
    t.taper(touches);
    return wn_format_crea(st, t);
  }
  std::string catalogue() const { return dossier.dossier().lire("formats.txt"); }

  test::DansDossier dossier;
  Etat st;
  EcranMemoire t;
};

// Keys for a text typed and ended with Enter.
std::vector<int> champ(const std::string& texte, int fin = kEntree) {
  std::vector<int> k(texte.begin(), texte.end());
  k.push_back(fin);
  return k;
}

void taper(EcranMemoire& t, const std::vector<int>& touches) {
  for (int k : touches) t.taper({k});
}

TEST(WnFormatCrea, TypedValuesLandInTheWorkingFormatAndTheCatalogue) {
  const std::string ancien = kUn + "A4;2;40;6;0;0;0;7;0;;;\n";
  Formulaire f(&ancien);
  for (const char* v :
       {"Etiquettes 99x38", "48", "6", "2", "3", "1", "4", "7", "1", "\\027E\\013", "\\012"}) {
    taper(f.t, champ(v));
  }
  taper(f.t, champ("O"));
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);

  EXPECT_EQ(f.st.formats[0].libelle.view(), "Etiquettes 99x38");
  // Across, width, lines, margin, gap, lines between rows, rows, alignment.
  EXPECT_EQ(nombres_du_format(std::as_const(f.st.formats[0])),
            (std::array<int, 8>{2, 48, 6, 4, 3, 1, 7, 1}));
  EXPECT_EQ(f.st.formats[0].avtpagimp, "\\027E\\013");
  EXPECT_EQ(f.st.formats[0].avtpage, std::string("\x1b"
                                                 "E\r"));
  EXPECT_EQ(f.st.formats[0].aprpage, std::string("\f"));
  EXPECT_EQ(f.st.MAXFORMAT, 2) << "the form does not reload the catalogue";

  const std::string attendu =
      ancien +
      "Etiquettes 99x38              ;   2;  48;   6;   4;   3;   1;   7;   1;\\027E\\013;\\012;\n";
  EXPECT_EQ(f.catalogue(), attendu);

  auto forme = kForme;
  forme[7] = "* Nom du nouveau format ............ : Etiquettes 99x38______________   *";
  forme[8] = "* Nombre de caracteres par etiquette : 48_                              *";
  forme[9] = "* Nombre de lignes par etiquette ... : 6__                              *";
  forme[10] = "* Nombre d'etiquette en largeur .... : 2__                              *";
  forme[11] = "* Nombre d'espaces entre etiquettes  : 3__                              *";
  forme[12] = "* Nombre de ligne entre etiquettes . : 1__                              *";
  forme[13] = "* Marge de gauche .................. : 4__                              *";
  forme[14] = "* Nombre d'etiquette par page ...... : 7__                              *";
  forme[15] = "* Nombre de page de cadrage ........ : 1__                              *";
  forme[17] = "* \\027E\\013____________________________________________________________ *";
  forme[19] = "* \\012_________________________________________________________________ *";
  forme[20] = rangee20("Format a inserer dans le fichier des formats (O/N) : O");
  EXPECT_EQ(f.t.texte(), ecran(forme));
}

TEST(WnFormatCrea, OnlyAnAnswerStartingWithOAddsTheFormat) {
  const std::string ancien = "A4;2;40;6;0;0;0;7;0;;;\n";
  const std::string nouveau =
      "N                             ;   0;   0;   0;   0;   0;   0;   0;   0;;;\n";
  const struct {
    const char* reponse;
    bool ajoute;
  } cas[] = {{"O", true},  {"o", true}, {"Oui", true}, {"n", false},
             {"N", false}, {"", false}, {"x", false},  {" O", false}};
  for (const auto& c : cas) {
    Formulaire f(&ancien);
    taper(f.t, champ("N"));
    for (int i = 0; i < 10; ++i) f.t.taper({kEntree});
    taper(f.t, champ(c.reponse));
    EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
    EXPECT_EQ(f.catalogue(), c.ajoute ? ancien + nouveau : ancien) << "\"" << c.reponse << "\"";
    const std::string reponse = std::string(c.reponse).substr(0, 2);
    EXPECT_EQ(f.t.rangee(19),
              rangee20("Format a inserer dans le fichier des formats (O/N) : " + reponse));
  }
}

// Keys for a format named `nom`, every other field left empty, then the answer.
void nouveau_format(EcranMemoire& t, const std::string& nom, const std::string& reponse) {
  taper(t, champ(nom));
  for (int i = 2; i <= 11; ++i) t.taper({kEntree});
  taper(t, champ(reponse));
}

std::string ligne_vide(const std::string& nom) {
  return nom + std::string(30 - nom.size(), ' ') + ";   0;   0;   0;   0;   0;   0;   0;   0;;;\n";
}

// Lines the program did not write: a N leaves the very file alone, an O adds
// one line after the old bytes (and a line feed the old ones lacked).
TEST(WnFormatCrea, TheCatalogueKeepsEveryByteItHeld) {
  const std::string cas[] = {
      "# atelier\n" + kUn,                             // a comment line
      "A4;2;40\n",                                     // a line short of fields
      std::string("B;1;1;1;1;1;1;1;1;a\0b;c;\n", 25),  // a zero byte
      "C;1;1;1;1;1;1;1;1;;;\rD;2;\n",                  // a lone carriage return
      "E;1;1;1;1;1;1;1;1;;;",                          // no line feed at the end
  };
  for (const std::string& ancien : cas) {
    for (const char* reponse : {"N", "O"}) {
      Formulaire f(&ancien);
      struct stat avant {};
      struct stat apres {};
      ::stat("formats.txt", &avant);
      nouveau_format(f.t, "Neuf", reponse);
      EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
      ::stat("formats.txt", &apres);
      const bool oui = reponse[0] == 'O';
      const std::string fin = ancien.back() == '\n' ? "" : "\n";
      EXPECT_EQ(f.catalogue(), oui ? ancien + fin + ligne_vide("Neuf") : ancien) << reponse;
      EXPECT_EQ(apres.st_ino == avant.st_ino, !oui) << ancien << ": rewritten on " << reponse;
    }
  }
}

// Two copies of the program in one directory, both in the form: the one that
// answers last must not write back the catalogue it read before the other's
// format was added.
TEST(WnFormatCrea, TwoCopiesAddingFormatsKeepBoth) {
  Formulaire a(&kUn);
  Etat b;
  lire_catalogue(b, a.catalogue());
  EcranMemoire tb;
  nouveau_format(tb, "B", "O");
  EXPECT_EQ(wn_format_crea(b, tb), 0);
  nouveau_format(a.t, "A", "O");
  EXPECT_EQ(wn_format_crea(a.st, a.t), 0);
  EXPECT_EQ(a.catalogue(), kUn + ligne_vide("B") + ligne_vide("A"));
}

// The directory as it is each time a key is read: while the question waits,
// an interrupted program must leave nothing behind.
struct Espion : EcranMemoire {
  int lire_touche() override {
    fichiers.push_back(std::distance(std::filesystem::directory_iterator("."), {}));
    return EcranMemoire::lire_touche();
  }
  std::vector<std::ptrdiff_t> fichiers;
};

TEST(WnFormatCrea, NoFileIsMadeBeforeTheAnswer) {
  for (const char* reponse : {"O", "n"}) {
    Espion t;
    Formulaire f(&kUn);
    nouveau_format(t, "Neuf", reponse);
    EXPECT_EQ(wn_format_crea(f.st, t), 0);
    EXPECT_EQ(*std::max_element(t.fichiers.begin(), t.fichiers.end()), 1) << reponse;
  }
  Espion t;
  Formulaire f(nullptr);
  nouveau_format(t, "Neuf", "n");
  EXPECT_EQ(wn_format_crea(f.st, t), 0);
  EXPECT_EQ(*std::max_element(t.fichiers.begin(), t.fichiers.end()), 0);
  EXPECT_FALSE(std::filesystem::exists("formats.txt")) << "no catalogue made on N";
}

TEST(WnFormatCrea, UpOnTheFirstFieldGoesForwardAndUpLaterGoesBack) {
  Formulaire f(nullptr);
  f.st.formats[0].maxligeti = 8;    // "abc" must replace it with 0
  taper(f.t, champ("A", kHaut));    // step 1, Up: on to step 2
  taper(f.t, champ("35x"));         // step 2: the number before the x
  taper(f.t, champ("abc"));         // step 3: no digits, 0
  taper(f.t, champ("12"));          // step 4: labels across
  taper(f.t, champ("2", kHaut));    // step 5 stored, then back to step 4
  taper(f.t, champ("9"));           // step 4 again
  taper(f.t, champ(""));            // step 5: empty keeps the 2
  taper(f.t, champ("1", kBas));     // step 6, Down goes forward
  taper(f.t, champ("-5", kBreak));  // step 7, Break too
  for (int i = 8; i <= 11; ++i) f.t.taper({kEntree});
  taper(f.t, champ("n"));
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  EXPECT_EQ(f.st.formats[0].libelle.view(), "A");
  EXPECT_EQ(f.st.formats[0].maxcareti, 35);
  EXPECT_EQ(f.st.formats[0].maxligeti, 0);
  EXPECT_EQ(f.st.formats[0].etilar, 9);
  EXPECT_EQ(f.st.formats[0].maxintetihor, 2);
  EXPECT_EQ(f.st.formats[0].maxintetiver, 1);
  EXPECT_EQ(f.st.formats[0].marge, -5);
  // The second input overwrote the first from the field's first column.
  EXPECT_EQ(f.t.rangee(9),
            "* Nombre d'etiquette en largeur .... : 92_                              *");
}

TEST(WnFormatCrea, EnterThroughKeepsTheValuesButEmptiesThePageStrings) {
  Formulaire f(nullptr);
  f.st.formats[0].libelle.assign("Creation d'un nouveau format");
  f.st.formats[0].etilar = 3;
  f.st.formats[0].maxcareti = 35;
  f.st.formats[0].maxpagcad = 2;
  f.st.formats[0].avtpagimp = "\\027E";
  f.st.formats[0].avtpage =
      "\x1b"
      "E";
  f.st.formats[0].aprpagimp = "\\012";
  f.st.formats[0].aprpage = "\f";
  for (int i = 0; i < 11; ++i) f.t.taper({kEntree});
  taper(f.t, champ("O"));
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  EXPECT_EQ(f.st.formats[0].etilar, 3);
  EXPECT_EQ(f.st.formats[0].avtpagimp, "");
  EXPECT_FALSE(f.st.formats[0].avtpage.has_value());
  EXPECT_FALSE(f.st.formats[0].aprpage.has_value());
  EXPECT_EQ(f.catalogue(),
            "Creation d'un nouveau format  ;   3;  35;   0;   0;   0;   0;   0;   2;;;\n");
}

TEST(WnFormatCrea, FieldsTakeNoMoreThanTheirUnderscoresAndNoSemicolonInTexts) {
  Formulaire f(nullptr);
  taper(f.t, champ("Nom;de trente caracteres exactement+"));  // ';' refused, 30 kept
  taper(f.t, champ("1234"));                                  // 3 kept
  for (int i = 3; i <= 9; ++i) f.t.taper({kEntree});
  taper(f.t, champ("\\027;E"));
  taper(f.t, champ("a;b\\059"));
  taper(f.t, champ("O"));
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  EXPECT_EQ(f.st.formats[0].libelle.view(), "Nomde trente caracteres exacte");
  EXPECT_EQ(f.st.formats[0].maxcareti, 123);
  EXPECT_EQ(f.st.formats[0].avtpagimp, "\\027E");
  EXPECT_EQ(f.st.formats[0].aprpagimp, "ab\\059");
  EXPECT_EQ(f.st.formats[0].aprpage, std::string("ab;"));
  EXPECT_EQ(f.t.sonneries(), 6 + 1 + 1 + 1);
  EXPECT_EQ(f.t.rangee(6),
            "* Nom du nouveau format ............ : Nomde trente caracteres exacte   *");
  // Read back, the line gives the same format again.
  Etat relu;
  EXPECT_TRUE(lire_catalogue(relu, f.catalogue()).empty());
  EXPECT_EQ(relu.formats[1].aprpage, std::string("ab;"));
  EXPECT_EQ(relu.formats[1].maxcareti, 123);
}

TEST(WnFormatCrea, AFullCatalogueIsLeftAsItIs) {
  std::string plein;
  for (int i = 1; i <= 18; ++i) plein += "F" + std::to_string(i) + ";1;2;3;4;5;6;7;8;;;\n";
  Formulaire f(&plein);
  ASSERT_EQ(f.st.MAXFORMAT, 18);
  taper(f.t, champ("Nouveau"));
  for (int i = 2; i <= 11; ++i) f.t.taper({kEntree});
  taper(f.t, champ("xyz"));  // acknowledged like any entry of two characters
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  EXPECT_EQ(f.st.formats[0].libelle.view(), "Nouveau") << "the format is still the one to use";
  EXPECT_EQ(f.catalogue(), plein);
  EXPECT_EQ(f.t.rangee(19), rangee20("Maximum de 18 formats depasse. Format non insere...xy"));
}

TEST(WnFormatCrea, WithoutACatalogueTheFormCreatesOne) {
  Formulaire f(nullptr);
  taper(f.t, champ("Premier"));
  for (int i = 2; i <= 11; ++i) f.t.taper({kEntree});
  taper(f.t, champ("o"));
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  const std::string ligne =
      "Premier                       ;   0;   0;   0;   0;   0;   0;   0;   0;;;\n";
  EXPECT_EQ(f.catalogue(), ligne);
}

TEST(WnFormatCrea, ACatalogueThatCouldNotBeReadIsNotReplaced) {
  Formulaire f(nullptr);
  // There, but it does not open (permissions would not stop the superuser).
  std::filesystem::create_symlink("ailleurs/formats.txt", "formats.txt");
  taper(f.t, champ("Premier"));
  for (int i = 2; i <= 11; ++i) f.t.taper({kEntree});
  f.t.taper({kEntree});
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  EXPECT_TRUE(std::filesystem::is_symlink("formats.txt"));
  EXPECT_FALSE(std::filesystem::exists("ailleurs"));
  EXPECT_EQ(f.t.rangee(19), rangee20("Fichier ./formats.txt illisible. Format non insere..."));
}

// The catalogue is judged as it stands when the format is added: one another
// copy of the program made while this one was in the form takes the line.
TEST(WnFormatCrea, ACatalogueMadeDuringTheFormIsAddedTo) {
  Formulaire f(nullptr);
  f.dossier.dossier().ecrire("formats.txt", kUn);
  nouveau_format(f.t, "Neuf", "O");
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  EXPECT_EQ(f.catalogue(), kUn + ligne_vide("Neuf"));
}

TEST(WnFormatCrea, AFailedRewriteSaysSoAndLeavesTheCatalogue) {
  // A catalogue name that opens for reading but cannot be replaced: a
  // directory (permissions would not stop the superuser the tests may run as).
  test::DansDossier d;
  std::filesystem::create_directory("formats.txt");
  Etat st;
  ASSERT_TRUE(Fichier(std::fopen("./formats.txt", "r")));
  EcranMemoire t;
  taper(t, champ("Premier"));
  for (int i = 2; i <= 11; ++i) t.taper({kEntree});
  taper(t, champ("O"));
  t.taper({kEntree});
  EXPECT_EQ(wn_format_crea(st, t), 0);
  EXPECT_TRUE(std::filesystem::is_directory("formats.txt"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1)
      << "no temporary file is left";
  EXPECT_EQ(t.rangee(19), rangee20("Erreur ecriture ./formats.txt: Is a directory"));
}

TEST(WnFormatCrea, AReadOnlyDirectoryIsReportedBeforeTheQuestion) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  Formulaire f(&kUn);
  ::chmod(".", 0555);
  taper(f.t, champ("Premier"));
  for (int i = 2; i <= 11; ++i) f.t.taper({kEntree});
  f.t.taper({kEntree});
  EXPECT_EQ(wn_format_crea(f.st, f.t), 0);
  ::chmod(".", 0755);
  EXPECT_EQ(f.catalogue(), kUn);
  EXPECT_EQ(f.t.rangee(19), rangee20("Erreur creation ./formats.txt: Permission denied"));
}

TEST(WnFormatCrea, F11AbandonsTheFormAndPutsTheWorkingFormatBack) {
  for (int etape = 1; etape <= 11; ++etape) {
    Formulaire f(&kUn);
    f.st.formats[0].libelle.assign("Ancien");
    f.st.formats[0].etilar = 3;
    f.st.formats[0].maxcareti = 35;
    f.st.formats[0].avtpagimp = "\\027E";
    f.st.formats[0].avtpage =
        "\x1b"
        "E";
    for (int i = 1; i < etape; ++i) taper(f.t, champ("7"));
    taper(f.t, champ("9", kF11));
    EXPECT_EQ(wn_format_crea(f.st, f.t), std::nullopt) << "step " << etape;
    EXPECT_EQ(f.st.formats[0].libelle.view(), "Ancien");
    EXPECT_EQ(f.st.formats[0].etilar, 3);
    EXPECT_EQ(f.st.formats[0].maxcareti, 35);
    EXPECT_EQ(f.st.formats[0].maxligeti, 0);
    EXPECT_EQ(f.st.formats[0].maxpagcad, 0);
    EXPECT_EQ(f.st.formats[0].avtpagimp, "\\027E");
    EXPECT_EQ(f.st.formats[0].avtpage, std::string("\x1b"
                                                   "E"));
    EXPECT_EQ(f.st.formats[0].aprpagimp, "");
    EXPECT_EQ(f.catalogue(), kUn);
    EXPECT_EQ(f.t.rangee(19), kForme.at(20)) << "no question asked";
  }
}

}  // namespace
}  // namespace vign
