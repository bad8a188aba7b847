#include "app/interactif.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/arret.h"
#include "formats/outils.h"
#include "support/ecran_memoire.h"

namespace vign {
namespace {

using test::ecran;

// The box as drawn, rows 5 to 9.
const std::map<int, std::string> kBoite = {
    {5, "!++++++++++++++++++++++++++ Fichiers ++++++++++++++++++++++++++++\""},
    {6, "* Fichier d'entree  : .......................    Delimiteur : .  *"},
    {7, "* Fichier de sortie : .......................                    *"},
    {8, "*                                                                *"},
    {9, "#++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$"},
};

struct Menu {
  Menu() {
    dossier.dossier().ecrire("adresses.txt", "Dupont;Rue du Chene,5;7500;TOURNAI;\n");
    dossier.dossier().ecrire("largeurs.def", "10;17;8;20;\n");
  }
  void visiter(const std::vector<std::string>& entrees,
               const std::optional<std::string>& pathname = std::nullopt) {
    for (const auto& e : entrees) {
      t.taper(e);
      t.taper({kEntree});
    }
    st.formatfile = pathname;
    choisir_fichiers(st, t);
  }
  // The rest of the input file, read from where pinput stands.
  std::string reste() const {
    std::string s;
    for (int c; st.pinput && (c = std::getc(st.pinput.get())) != EOF;)
      s.push_back(static_cast<char>(c));
    return s;
  }

  test::DansDossier dossier;
  Etat st;
  EcranMemoire t;
};

TEST(Fichiers, ADelimitedInputAsksForTheDelimiter) {
  Menu m;
  m.visiter({"adresses.txt", ";", "etiquettes.prn"});
  EXPECT_EQ(m.st.inputfile, "adresses.txt");
  EXPECT_EQ(m.st.ALECRAN, 0);
  ASSERT_TRUE(m.st.pinput);
  EXPECT_EQ(m.reste(), "Dupont;Rue du Chene,5;7500;TOURNAI;\n");
  EXPECT_FALSE(m.st.disposition);
  EXPECT_EQ(m.st.delimiteur, ";");
  EXPECT_EQ(m.st.outputfile, "etiquettes.prn");
  auto attendu = kBoite;
  attendu[6] = "* Fichier d'entree  : adresses.txt...........    Delimiteur : ;  *";
  attendu[7] = "* Fichier de sortie : etiquettes.prn.........                    *";
  EXPECT_EQ(m.t.texte(), ecran(attendu));
}

TEST(Fichiers, AReadableLayoutFileMeansFixedWidthsAndNoDelimiter) {
  Menu m;
  m.visiter({"adresses.txt", "etiquettes.prn"}, "largeurs.def");
  ASSERT_TRUE(m.st.disposition);
  EXPECT_EQ(m.st.disposition->nbrechamp, 5);
  EXPECT_EQ(m.st.disposition->lc[1], 10);
  EXPECT_EQ(m.st.disposition->lc[4], 20);
  EXPECT_FALSE(m.st.delimiteur.has_value());
  EXPECT_EQ(m.st.outputfile, "etiquettes.prn");
  EXPECT_EQ(m.t.rangee(5),
            kBoite.at(6).substr(0, 21) + " adresses.txt...........    Delimiteur : .  *");
}

TEST(Fichiers, AMissingLayoutFileFallsBackToTheDelimiter) {
  Menu m;
  m.st.disposition = Disposition{};  // left by an earlier visit
  m.visiter({"adresses.txt", "|", "sortie"}, "absent.def");
  EXPECT_FALSE(m.st.disposition);
  EXPECT_EQ(m.st.delimiteur, "|");
}

TEST(Fichiers, NoNameOrECRANMeansScreenModeAndOnlyTheOutputIsAsked) {
  for (const std::string nom : {"", "ECRAN"}) {
    Menu m;
    m.st.delimiteur = ";";
    m.st.disposition = Disposition{};
    m.visiter({nom, "sortie"}, "largeurs.def");
    EXPECT_EQ(m.st.inputfile, "ECRAN");
    EXPECT_EQ(m.st.ALECRAN, 1);
    EXPECT_FALSE(m.st.pinput);
    EXPECT_EQ(m.st.delimiteur, ";") << "not asked";
    EXPECT_TRUE(m.st.disposition) << "left as it was";
    EXPECT_EQ(m.st.outputfile, "sortie");
    EXPECT_EQ(m.t.rangee(5)[62], '.');
  }
}

TEST(Fichiers, AMissingInputFileIsReportedAndTheOutputStillAsked) {
  Menu m;
  m.st.ALECRAN = 1;
  m.visiter({"ecran", "sortie"});  // small letters: a file name, not screen mode
  EXPECT_EQ(m.st.inputfile, "ecran");
  EXPECT_EQ(m.st.ALECRAN, 0);
  EXPECT_FALSE(m.st.pinput);
  EXPECT_FALSE(m.st.delimiteur.has_value());
  EXPECT_EQ(m.st.outputfile, "sortie");
  auto attendu = kBoite;
  attendu[6] = "* Fichier d'entree  : ecran..................    Delimiteur : .  *";
  attendu[7] = "* Fichier de sortie : sortie.................                    *";
  attendu[8] = "* Pas de fichier... \"ecran\"                                      *";
  EXPECT_EQ(m.t.texte(), ecran(attendu));
}

TEST(Fichiers, ADirectoryIsNoInputFile) {
  Menu m;
  std::filesystem::create_directory("dossier");
  m.visiter({"dossier", "sortie"});
  EXPECT_FALSE(m.st.pinput);
  EXPECT_EQ(m.t.rangee(7), "* Pas de fichier... \"dossier\"                                    *");
}

TEST(Fichiers, EachVisitClosesTheInputOfTheVisitBefore) {
  Menu m;
  m.dossier.dossier().ecrire("autre.txt", "autre\n");
  const auto ouverts = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
  };
  m.visiter({"adresses.txt", ";", "sortie"});
  const auto apres_une = ouverts();
  for (int i = 0; i < 20; ++i) {
    m.visiter({"adresses.txt", ";", "sortie"});
    m.visiter({"autre.txt", "sortie"}, "largeurs.def");
  }
  EXPECT_EQ(ouverts(), apres_une);
  EXPECT_EQ(m.reste(), "autre\n");
  m.visiter({"absent.txt", "sortie"});
  EXPECT_EQ(ouverts(), apres_une - 1) << "a failed open leaves no input open";
}

TEST(Fichiers, EveryKeyEndsAnEntryAndLengthsAreKept) {
  Menu m;
  m.t.taper("adresses.txt");
  m.t.taper({kHaut});
  m.t.taper(";,");  // one character only
  m.t.taper({kF11});
  m.t.taper("un-nom-de-sortie-bien-trop-long");
  m.t.taper({kBreak});
  choisir_fichiers(m.st, m.t);
  EXPECT_TRUE(m.st.pinput);
  EXPECT_EQ(m.st.delimiteur, ";");
  EXPECT_EQ(m.st.outputfile, "un-nom-de-sortie-bien-tro");
  EXPECT_EQ(m.t.sonneries(), 1 + 6);
}

TEST(Fichiers, EnterAtTheDelimiterStoresAnEmptyOne) {
  Menu m;
  m.visiter({"adresses.txt", "", ""});
  EXPECT_EQ(m.st.delimiteur, "");
  EXPECT_EQ(m.st.outputfile, "");
}

TEST(Fichiers, ALayoutWidthTooLargeStopsTheProgram) {
  Menu m;
  m.dossier.dossier().ecrire("large.def", "10;254;\n");
  m.t.taper("adresses.txt");
  m.t.taper({kEntree});
  m.st.formatfile = "large.def";
  const auto fait = choisir_fichiers(m.st, m.t);
  ASSERT_FALSE(fait.ok());
  EXPECT_EQ(fait.erreur().message, "Augmenter MAX_RECLEN et recompiler");
}

}  // namespace
}  // namespace vign
