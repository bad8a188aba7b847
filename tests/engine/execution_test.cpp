// The engine through its own entry point: pages, page strings, the count, and
// what an interactive run shows under the menu.
#include "engine/execution.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "engine/composition.h"
#include "formats/inifile.h"
#include "support/ecran_memoire.h"
#include "support/lancement.h"
#include "support/programme.h"

namespace vign {
namespace {

// One run of the engine on format slot 0, with the print file in a fresh
// directory.
struct Course {
  test::Dossier d;
  Etat st;
  EcranMemoire ecran;

  explicit Course(const Planche& p, const char* debut = "", const char* fin = "") {
    st.formats[0].etilar = p.etilar;
    st.formats[0].maxcareti = p.maxcareti;
    st.formats[0].maxligeti = p.maxligeti;
    st.formats[0].marge = p.marge;
    st.formats[0].maxintetihor = p.maxintetihor;
    st.formats[0].maxintetiver = p.maxintetiver;
    st.formats[0].maxetipag = p.maxetipag;
    st.formats[0].maxpagcad = p.maxpagcad;
    if (*debut != '\0') st.formats[0].avtpage = debut;
    if (*fin != '\0') st.formats[0].aprpage = fin;
    st.outputfile = (d / "out.prn").string();
    for (std::size_t L = 1; L < kLignes; ++L) st.place[L].assign(std::to_string(L));
  }
  // File mode: delimited records with ";" (or fixed-width with a layout).
  void donnees(const std::string& contenu) {
    st.inputfile = d.ecrire("in.txt", contenu).string();
    st.pinput.reset(std::fopen(st.inputfile.c_str(), "r"));
    st.delimiteur = ";";
  }
  // Screen mode: the lines typed, and the count typed at the prompt.
  void ecran_mode(std::initializer_list<const char*> lignes, const char* touches) {
    st.inputfile = kEcran;
    std::size_t L = 1;
    for (const char* l : lignes) st.champ[L++].assign(l);
    ecran.taper(touches);
  }
  std::string lance(bool interactif = false) {
    EXPECT_EQ(test::lance_execution(st, interactif ? &ecran : nullptr), 0);
    return d.lire("out.prn");
  }
};

TEST(Execution, ScreenModePagesFollowTheRows) {
  // 3 labels, 2 across, 1 row per page, page strings S and E.
  Course c({2, 3, 1, 0, 1, 0, 1, 0}, "S", "E");
  c.ecran_mode({"ab"}, "3\n");
  EXPECT_EQ(c.lance(true),
            "S"
            "ab  ab  \n"
            "E"
            "S"
            "ab  \n"
            "E"
            "S"
            "E");
  EXPECT_EQ(c.ecran.rangee(7), "       3 etiquettes.");
}

TEST(Execution, TheCountIsAskedUntilItIsAtLeastOne) {
  Course c({1, 2, 1, 0, 0, 0, 100, 0});
  c.ecran_mode({"x"}, "0\n-2\nab\n12\n");
  std::string attendu;
  for (int i = 0; i < 12; ++i) attendu += "x \n";
  EXPECT_EQ(c.lance(true), attendu + "\f");
  EXPECT_EQ(c.ecran.rangee(7), "      12 etiquettes.");
}

TEST(Execution, PageSequences) {
  const struct {
    const char* nom;
    Planche p;
    const char* debut;
    const char* fin;
    const char* donnees;
    std::string attendu;
  } cas[] = {
      // An exact multiple of a page: the page ends once, then the closing end.
      {"multiple", {2, 1, 1, 0, 0, 0, 2, 0}, "S", "E", "a\nb\nc\nd\n", "Sab\ncd\nESE"},
      // No page end: pages are separated by the page start; one form feed.
      {"sans fin", {1, 1, 1, 0, 0, 0, 1, 0}, "S", "", "a\nb\n", "Sa\nSb\nS\f"},
      // No positive number of rows per page: the page ends with the data.
      {"0 rangee", {1, 1, 1, 0, 0, 0, 0, 0}, "S", "E", "a\nb\nc\n", "Sa\nb\nc\nESE"},
      {"-1 rangee", {2, 1, 1, 0, 0, 0, -1, 0}, "S", "E", "a\nb\nc\n", "Sab\nc\nESE"},
      // One alignment page of 2 rows, framed like a label page.
      {"cadrage",
       {2, 1, 1, 0, 0, 0, 2, 1},
       "S",
       "E",
       "a\n",
       "S**\n**\nE"
       "Sa\nESE"},
      {"cadrage sans chaine", {1, 2, 1, 0, 0, 0, 1, 1}, "", "", "a\n", "**\na \n\f"},
      {"cadrage negatif", {1, 1, 1, 0, 0, -2, 1, -1}, "", "", "a\n", "a\n\f"},
      // No line per label: line 1 is composed and written all the same.
      {"0 ligne", {1, 2, 0, 0, 0, 0, 9, 0}, "", "", "a\n", "a \n\f"},
      // A file with no line: no label, but the pages' frame.
      {"vide", {1, 1, 1, 0, 0, 0, 1, 1}, "S", "E", "", "S*\nESE"},
      // A field missing from a record shows the earlier record's value.
      {"champ ancien", {1, 1, 3, 0, 0, 0, 9, 0}, "", "", "a;b;c\nd\n", "a\nb\nc\nd\nb\nc\n\f"},
  };
  for (const auto& k : cas) {
    Course c(k.p, k.debut, k.fin);
    c.donnees(k.donnees);
    EXPECT_EQ(c.lance(), k.attendu) << k.nom;
  }
}

TEST(Execution, FixedWidthFirstRecordIsPrintedEvenWhenShort) {
  Course c({1, 5, 2, 0, 0, 0, 9, 0});
  c.donnees("ABCDEFG");  // 3 + 4 bytes, then a record of 0
  c.st.FIXED = 1;
  c.st.lc[1] = 3;
  c.st.lc[2] = 4;
  c.st.nbrechamp = 3;
  EXPECT_EQ(c.lance(), "ABC  \nDEFG \n\f");
  c.donnees("AB");
  c.st.FIXED = 1;
  EXPECT_EQ(c.lance(), "AB   \nDEFG \n\f");  // line 2 keeps what the earlier run left
  c.donnees("");
  c.st.FIXED = 1;
  EXPECT_EQ(c.lance(), "\f");
}

TEST(Execution, InteractiveFailuresShowUnderTheMenu) {
  Course c({1, 2, 1, 0, 0, 0, 1, 0});
  c.donnees("a\n");
  c.st.outputfile = "pas-de-dossier-ici/la.prn";
  EXPECT_EQ(test::lance_execution(c.st, &c.ecran), 1);
  EXPECT_EQ(c.ecran.rangee(7),
            "  Erreur sortie \"pas-de-dossier-ici/la.prn\" : No such file or directory");

  c.st.outputfile = "/dev/full";
  EXPECT_EQ(test::lance_execution(c.st, &c.ecran), 1);
  EXPECT_EQ(c.ecran.rangee(7), "  Erreur sortie \"/dev/full\" : No space left on device");

  // A name too long for the row is left out of the message.
  const std::string loin(70, 'r');
  std::filesystem::create_directory(c.d / loin);
  c.st.inputfile = c.d.ecrire(loin + "/in.txt", "a\n").string();
  c.st.pinput.reset(std::fopen(c.st.inputfile.c_str(), "r"));
  c.st.outputfile = c.st.inputfile;
  EXPECT_EQ(test::lance_execution(c.st, &c.ecran), 1);
  EXPECT_EQ(c.ecran.rangee(7), "  Fichier de sortie identique au fichier d'entree");
  EXPECT_EQ(c.d.lire(loin + "/in.txt"), "a\n");

  c.st.FORMAT = -1;
  EXPECT_EQ(test::lance_execution(c.st, &c.ecran), 1);
  EXPECT_EQ(c.ecran.rangee(7), "  Format a definir ...");
}

TEST(Execution, AnInputThatCannotBeRewoundIsRefused) {
  Course c({1, 2, 1, 0, 0, 0, 1, 0});
  int tube[2];
  ASSERT_EQ(pipe(tube), 0);
  close(tube[1]);
  c.st.inputfile = "tube";
  c.st.pinput.reset(fdopen(tube[0], "r"));
  EXPECT_EQ(test::lance_execution(c.st, &c.ecran), 1);
  EXPECT_EQ(c.ecran.rangee(7), "  Err. fichier entree \"tube\"");
  EXPECT_FALSE(std::filesystem::exists(c.d / "out.prn"));
}

TEST(Execution, ScreenModeSettingsKeepTheCleanedLines) {
  Course c({1, 6, 2, 0, 0, 0, 1, 0});
  c.st.ALECRAN = 1;
  c.ecran_mode({"ab   ", "c\td"}, "2\n");
  const auto imprimees = execution_ecran(c.st, c.ecran);
  ASSERT_TRUE(imprimees.ok());
  EXPECT_EQ(c.d.lire("out.prn"), "ab    \ncd    \nab    \ncd    \n\f");
  const std::string ini = texte_inifile(c.st, *imprimees);
  EXPECT_NE(ini.find("ligne01=ab\nligne02=cd\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("nombre=2\n"), std::string::npos) << ini;
}

}  // namespace
}  // namespace vign
