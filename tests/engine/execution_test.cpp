// The engine through its own entry point: pages, page strings, the count, and
// what an interactive run shows under the menu.
#include "engine/execution.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/arret.h"
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

  explicit Course(const Format& p, const char* debut = "", const char* fin = "") {
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
  // A batch run: its count, or why it failed.
  Resultat<int> course() {
    SuiviMuet muet;
    return execution(st, muet);
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
    Format p;
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
  const Disposition d{{0, 3, 4}, 3};
  c.st.disposition = d;
  EXPECT_EQ(c.lance(), "ABC  \nDEFG \n\f");
  c.donnees("AB");
  c.st.disposition = d;
  EXPECT_EQ(c.lance(), "AB   \nDEFG \n\f");  // line 2 keeps what the earlier run left
  c.donnees("");
  c.st.disposition = d;
  EXPECT_EQ(c.lance(), "\f");
}

TEST(Execution, InteractiveFailuresShowUnderTheMenu) {
  Course c({1, 2, 1, 0, 0, 0, 1, 0});
  c.donnees("a\n");
  c.st.outputfile = "pas-de-dossier-ici/la.prn";
  EXPECT_EQ(test::lance_execution(c.st, &c.ecran), 1);
  EXPECT_EQ(c.ecran.rangee(7),
            "  Erreur sortie : dossier \"pas-de-dossier-ici\" inexistant");  // too long with both

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

// Two warnings about the data (a field missing, text cut) each keep a row of
// their own under the count: the second does not write over the first.
TEST(Execution, EachWarningOnScreenHasItsOwnRow) {
  Course c({1, 3, 2, 0, 0, 0, 1, 0});
  c.st.place[1].assign("1");
  c.st.place[2].assign("2");
  c.donnees("abcdef;x\nz\n");
  const auto imprimees = execution_ecran(c.st, c.ecran);
  ASSERT_TRUE(imprimees.ok());
  const std::string nom = cite(c.st.inputfile);
  for (const auto& [rangee, debut] : {std::pair{8, " : 1 enregistrement sans le champ 2"},
                                      std::pair{9, " : texte coupe sur 1 ligne"}}) {
    const std::string attendu = "  " + nom + debut;
    EXPECT_EQ(c.ecran.rangee(rangee).substr(0, attendu.size()), attendu) << c.ecran.texte();
  }
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

// One run with optional settings; `attendu` is the print file, or the
// message of a refusal (and then no print file exists), where "{in}" stands
// for the input file, quoted.
struct Demande {
  const char* nom;
  Format p;
  Options options;
  std::string donnees;
  std::string attendu;
  int imprimees = 0;
};

void verifie(const Demande& k, const char* place1 = "1", const char* place2 = "2") {
  Course c(k.p, "S", "E");
  c.donnees(k.donnees);
  c.st.options = k.options;
  c.st.place[1].assign(place1);
  c.st.place[2].assign(place2);
  const auto r = c.course();
  if (k.imprimees < 0) {
    ASSERT_FALSE(r.ok()) << k.nom;
    std::string attendu = k.attendu;
    if (const auto i = attendu.find("{in}"); i != std::string::npos)
      attendu.replace(i, 4, cite(c.st.inputfile));
    EXPECT_EQ(r.erreur().message, attendu) << k.nom;
    EXPECT_FALSE(std::filesystem::exists(c.d / "out.prn")) << k.nom;
    return;
  }
  ASSERT_TRUE(r.ok()) << k.nom << ": " << r.erreur().message;
  EXPECT_EQ(*r, k.imprimees) << k.nom;
  EXPECT_EQ(c.d.lire("out.prn"), k.attendu) << k.nom;
}

// The optional settings of a run: guillemets, entete, debut, copies (none
// when null).
Options opt(const char* g, const char* e, const char* d, const char* c) {
  Options o;
  const auto met = [](std::optional<std::string>& option, const char* v) {
    if (v != nullptr) option = v;
  };
  met(o.guillemets, g);
  met(o.entete, e);
  met(o.debut, d);
  met(o.copies, c);
  return o;
}
Options debut(const char* v) {
  return opt(nullptr, nullptr, v, nullptr);
}
Options copies(const char* v) {
  return opt(nullptr, nullptr, nullptr, v);
}

TEST(Execution, StartOnAPartlyUsedSheet) {
  // 3 across of 2 columns and a gap of 1, 2 rows per page: a blank label is
  // 3 spaces, a row of them 9.
  const Format p{3, 2, 1, 0, 1, 0, 2, 0};
  const Demande cas[] = {
      {"milieu de rangee", p, debut("2"), "a\nb\n", "S   a  b  \nESE", 2},
      {"deuxieme rangee", p, debut("5"), "a\n", "S         \n   a  \nESE", 1},
      {"page suivante", p, debut(" 4 "), "a\nb\nc\nd\n", "S         \na  b  c  \nESd  \nESE", 4},
      {"premiere", p, debut("1"), "a\n", "Sa  \nESE", 1},
      // No label: the sheet is left as it is.
      {"rien", p, debut("3"), "", "SE", 0},
      {"trop loin", p, debut("7"), "a\n", "Valeur invalide : [execution] debut=7 (1 a 6)", -1},
      {"zero", p, debut("0"), "a\n", "Valeur invalide : [execution] debut=0 (1 a 6)", -1},
      {"mot", p, debut("2x"), "a\n", "Valeur invalide : [execution] debut=2x (1 a 6)", -1},
      // With no positive number of rows a page holds up to 999 rows.
      {"sans fin",
       {3, 2, 1, 0, 1, 0, 0, 0},
       debut("2998"),
       "a\n",
       "Valeur invalide : [execution] debut=2998 (1 a 2997)",
       -1},
  };
  for (const auto& k : cas) verifie(k);
}

TEST(Execution, ScreenModeStartsAfterTheBlankPositions) {
  Course c({2, 3, 1, 0, 1, 0, 1, 0}, "S", "E");
  c.st.options.debut = "2";
  c.st.options.copies = "3";  // the count typed is the count printed
  c.ecran_mode({"ab"}, "2\n");
  EXPECT_EQ(c.lance(true), "S    ab  \nESab  \nESE");
  EXPECT_EQ(c.ecran.rangee(7), "       2 etiquettes.");
}

TEST(Execution, Copies) {
  const Format p{2, 1, 1, 0, 0, 0, 9, 0};
  const char* erreur = "Valeur invalide : [execution] copies=";
  const Demande cas[] = {
      {"trois", p, copies("3"), "a\nb\n", "Saa\nab\nbb\nESE", 6},
      {"aucune", p, copies("0"), "a\n", "SE", 0},
      {"colonne", p, copies("#2"), "a;0\nb;2\nc; 1 \n", "Sbb\nc\nESE", 3},
      {"negatif", p, copies("-1"), "a\n", std::string(erreur) + "-1 (0 a 99999, ou #1 a #29)", -1},
      {"trop", p, copies("100000"), "a\n", std::string(erreur) + "100000 (0 a 99999, ou #1 a #29)",
       -1},
      {"champ 0", p, copies("#0"), "a\n", std::string(erreur) + "#0 (0 a 99999, ou #1 a #29)", -1},
      {"champ 30", p, copies("#30"), "a\n", std::string(erreur) + "#30 (0 a 99999, ou #1 a #29)",
       -1},
      {"nom sans entete", p, copies("#Qte"), "a\n",
       std::string(erreur) + "#Qte (un nom de champ demande [fichiers] entete=oui)", -1},
  };
  for (const auto& k : cas) verifie(k);
}

TEST(Execution, ABadQuantityLeavesTheEarlierPrintFile) {
  const struct {
    Options options;
    std::string donnees;
    std::string ligne;
    std::string valeur;
  } cas[] = {
      {copies("#2"), "a;1\nb;2\nc;abc\n", "3", "abc"},
      {copies("#2"), "a;1\nb\n", "2", ""},
      // Records of several lines, and empty lines, count as the editor shows them.
      {opt("oui", nullptr, nullptr, "#2"), "n;1\n\"x\r\ny\";2\n\nz;q\n", "5", "q"},
      {opt("oui", "oui", nullptr, "#Qte"), "N;Qte\nn;4\nz;-1\n", "3", "-1"},
  };
  for (const auto& k : cas) {
    Course c({1, 2, 1, 0, 0, 0, 9, 0});
    c.d.ecrire("out.prn", "avant");
    c.donnees(k.donnees);
    c.st.options = k.options;
    const auto r = c.course();
    ASSERT_FALSE(r.ok()) << k.donnees;
    EXPECT_EQ(r.erreur().message, "Quantite invalide ligne " + k.ligne + " du fichier " +
                                      cite(c.st.inputfile) + " : \"" + k.valeur + "\"");
    EXPECT_EQ(c.d.lire("out.prn"), "avant");
  }
}

TEST(Execution, RecordsAsSpreadsheetsWriteThem) {
  const Format p{1, 8, 2, 0, 0, 0, 9, 0};
  const Options csv = opt("Oui", nullptr, nullptr, nullptr);
  const Demande cas[] = {
      {"guillemets", p, csv, "\xEF\xBB\xBF\"a;b\";\"l1\r\nl2\"\r\n\"dit \"\"x\"\"\";z\n\n",
       "Sa;b     \nl1 l2   \ndit \"x\" \nz       \nESE", 2},
      // A cell left out at the end of a row is empty, not the earlier one.
      {"cellule absente", p, csv, "a;b\nc\n", "Sa       \nb       \nc       \n        \nESE", 2},
      {"sans guillemets", p, opt("non", nullptr, nullptr, nullptr), "\"a;b\"\n",
       "S\"a      \nb\"      \nESE", 1},
      {"ni oui ni non", p, opt("si", nullptr, nullptr, nullptr), "a\n",
       "Valeur invalide : [fichiers] guillemets=si (oui ou non)", -1},
  };
  for (const auto& k : cas) verifie(k);
}

TEST(Execution, AHeaderRowNamesTheFields) {
  const Format p{1, 10, 2, 0, 0, 0, 9, 0};
  const std::string donnees = "Nom;Ville;Qte\nAnne;Lyon;1\nPaul;Nice;2\n";
  const std::string deux = "SLyon Anne \n1         \nNice Paul \n2         \n";
  const Demande cas[] = {
      {"noms", p, opt(nullptr, "oui", nullptr, nullptr), donnees, deux + "ESE", 2},
      {"csv", p, opt("oui", "oui", nullptr, nullptr), "\"Nom\";Ville ;Qte\r\n" + donnees.substr(14),
       deux + "ESE", 2},
      {"quantite nommee", p, opt(nullptr, "oui", nullptr, "#Qte"), donnees,
       deux + "Nice Paul \n2         \nESE", 3},
      {"entete seul", p, opt(nullptr, "oui", nullptr, nullptr), "Nom;Ville\n", "SE", 0},
      {"fichier vide", p, opt(nullptr, "oui", nullptr, nullptr), "",
       "Champ inconnu dans l'entete de {in} : \"Ville\" ([presentation] ligne01)", -1},
      {"quantite inconnue", p, opt(nullptr, "oui", nullptr, "#Prix"), donnees,
       "Champ inconnu dans l'entete de {in} : \"Prix\" ([execution] copies)", -1},
  };
  for (const auto& k : cas) verifie(k, "Ville+Nom", "3");
  verifie({"inconnu", p, opt(nullptr, "oui", nullptr, nullptr), donnees,
           "Champ inconnu dans l'entete de {in} : \"Prenon\" ([presentation] ligne02)", -1},
          "Nom", "Prenon+1");
  verifie({"casse", p, opt(nullptr, "oui", nullptr, nullptr), donnees,
           "Champ inconnu dans l'entete de {in} : \"nom\" ([presentation] ligne01)", -1},
          "nom");
  Options code = opt(nullptr, "oui", nullptr, nullptr);
  code.codes[2] = "qr Ref 0 0 2 1";
  verifie({"code", p, code, donnees,
           "Champ inconnu dans l'entete de {in} : \"Ref\" ([codes] code3)", -1});
}

TEST(Execution, RecordsFromAPipe) {
  Course c({1, 1, 1, 0, 0, 0, 9, 0});
  int tube[2];
  ASSERT_EQ(pipe(tube), 0);
  ASSERT_EQ(write(tube[1], "a\nb\n", 4), 4);
  close(tube[1]);
  c.st.inputfile = kEntreeStandard;
  c.st.pinput.reset(fdopen(tube[0], "r"));
  c.st.delimiteur = ";";
  EXPECT_EQ(c.lance(), "a\nb\n\f");
}

}  // namespace
}  // namespace vign
