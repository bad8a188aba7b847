// The batch run end to end, through the real program: settings file in,
// print file, exit status and messages out.
#include "app/batch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/programme.h"

namespace vign {
namespace {

namespace fs = std::filesystem;
using test::Dossier;
using test::lancer;

// One key line of a settings file.
struct Cle {
  std::string section;
  std::string cle;
  std::string valeur;
};

// The worked example of the engine: 2 labels across, 10 wide, 2 lines, margin
// 3, 2 spaces and 1 line between labels, 2 rows per page, no alignment page,
// no page strings; line 1 shows field 1, line 2 fields 2 and 3.
std::vector<Cle> exemple() {
  return {{"format", "libelle", "TraitementBatch"},
          {"format", "nbre_en_largeur", "2"},
          {"format", "nbre_caracteres", "10"},
          {"format", "nbre_lignes", "2"},
          {"format", "marge", "3"},
          {"format", "espace_horizontal", "2"},
          {"format", "espace_vertical", "1"},
          {"format", "nbre_rangee_par_page", "2"},
          {"format", "nbre_page_cadrage", "0"},
          {"format", "init_debut_page", ""},
          {"format", "init_fin_page", ""},
          {"fichiers", "donnees", "in.txt"},
          {"fichiers", "delimiteur", ";"},
          {"fichiers", "etiquettes", "out.prn"},
          {"presentation", "ligne01", "1"},
          {"presentation", "ligne02", "2+3"}};
}

const char* const kDonneesExemple = "AB;CD;EF\nGHIJKLMNOPQR;S;T\nU;V;W\n";
const char* const kSortieExemple =
    "   AB          GHIJKLMNOP  \n"
    "   CD EF       S T         \n"
    "\n"
    "   U           \n"
    "   V W         \n"
    "\n"
    "\f";

// GHIJKLMNOPQR, field 1 of line 2, is 12 wide on a label of 10.
const char* const kAvisExemple =
    "\"in.txt\" : texte coupe sur 1 ligne d'etiquette, la premiere ligne 1 pour "
    "l'enregistrement ligne 2\n";

std::string texte(const std::vector<Cle>& cles) {
  std::string s;
  std::string section;
  for (const auto& c : cles) {
    if (c.section != section) {
      s += "[" + c.section + "]\n";
      section = c.section;
    }
    s += c.cle + "=" + c.valeur + "\n";
  }
  return s;
}

std::vector<Cle> avec(std::vector<Cle> cles, const std::string& cle, const std::string& valeur) {
  for (auto& c : cles) {
    if (c.cle == cle) {
      c.valeur = valeur;
      return cles;
    }
  }
  cles.push_back({cle == "nombre" ? "execution" : "fichiers", cle, valeur});
  return cles;
}

std::vector<Cle> sans(std::vector<Cle> cles, const std::string& cle) {
  std::erase_if(cles, [&](const Cle& c) { return c.cle == cle; });
  return cles;
}

// A label line as the rules lay it out: the margin, then each label's text
// padded to the label width, and the gap after every label.
std::string rangee(int marge, int largeur, int espace, const std::vector<std::string>& textes) {
  std::string s(static_cast<std::size_t>(marge), ' ');
  for (const auto& t : textes) {
    s += t + std::string(static_cast<std::size_t>(largeur) - t.size(), ' ');
    s += std::string(static_cast<std::size_t>(espace), ' ');
  }
  return s + "\n";
}

fs::path exemples() {
  return fs::path(__FILE__).parent_path() / ".." / ".." / "examples";
}

// A copy of the shipped examples, so that the runs write nowhere else.
void copie_exemples(const Dossier& d) {
  for (const auto& e : fs::directory_iterator(exemples())) {
    if (e.path().extension() != ".prn") fs::copy(e.path(), d.chemin() / e.path().filename());
  }
}

struct TraitementBatch : ::testing::Test {
  Dossier d;
  test::Sortie lance(const std::vector<Cle>& cles, std::vector<std::string> options = {}) {
    d.ecrire("t.ini", texte(cles));
    options.insert(options.begin(), {"-l", "t.ini"});
    return lancer(options, d.chemin());
  }
  bool sortie_existe() const { return fs::exists(d / "out.prn"); }
};

TEST_F(TraitementBatch, WorkedExampleComesOutByteForByteSayingOnlyTheCut) {
  d.ecrire("in.txt", kDonneesExemple);
  const auto r = lance(exemple());
  EXPECT_EQ(r.statut, 0);
  EXPECT_EQ(r.sortie, "");
  EXPECT_EQ(r.erreurs, kAvisExemple);
  EXPECT_EQ(d.lire("out.prn"), kSortieExemple);
}

TEST_F(TraitementBatch, EveryKeyTheRunNeedsIsRequired) {
  d.ecrire("in.txt", kDonneesExemple);
  for (const auto& c : exemple()) {
    const auto r = lance(sans(exemple(), c.cle));
    EXPECT_EQ(r.statut, 1) << c.cle;
    EXPECT_EQ(r.erreurs,
              "Cle absente du fichier BATCH \"t.ini\" : [" + c.section + "] " + c.cle + "\n");
    EXPECT_FALSE(sortie_existe()) << c.cle;
  }
}

TEST_F(TraitementBatch, KeysOfTheOtherModesAreNotNeeded) {
  d.ecrire("in.txt", "ABCDEFGHIJ");
  d.ecrire("l.def", "5;5;\n");
  // Fixed-width mode reads no delimiter.
  auto r = lance(sans(exemple(), "delimiteur"), {"-f", "l.def"});
  EXPECT_EQ(r.statut, 0) << r.erreurs;
  // T = 3 + 10 = 13: field 1 "ABCDE" and its space; line 2 holds field 2
  // "FGHIJ", then field 3, never read, is empty.
  EXPECT_EQ(d.lire("out.prn"), "   ABCDE       \n   FGHIJ       \n\n\f");
  // Screen mode reads neither the delimiter nor field numbers.
  r = lance(avec(avec(sans(exemple(), "delimiteur"), "donnees", "ECRAN"), "nombre", "1"));
  EXPECT_EQ(r.statut, 0) << r.erreurs;
  EXPECT_EQ(d.lire("out.prn"), "   1           \n   2+3         \n\n\f");
}

TEST_F(TraitementBatch, EmptyInputNameMeansScreenModeAndNombreIsRequired) {
  const auto ecran = avec(exemple(), "donnees", "");
  auto r = lance(ecran);
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs, "Cle absente du fichier BATCH \"t.ini\" : [execution] nombre\n");
  EXPECT_FALSE(sortie_existe());
  r = lance(avec(ecran, "nombre", "3"));
  EXPECT_EQ(r.statut, 0);
  const std::string rangee1 = rangee(3, 10, 2, {"1", "1"}) + rangee(3, 10, 2, {"2+3", "2+3"});
  const std::string rangee2 = rangee(3, 10, 2, {"1"}) + rangee(3, 10, 2, {"2+3"});
  EXPECT_EQ(d.lire("out.prn"), rangee1 + "\n" + rangee2 + "\n\f");
}

TEST_F(TraitementBatch, ScreenModeCountPastTheScreensPromptIsRefused) {
  const auto r = lance(avec(avec(exemple(), "donnees", "ECRAN"), "nombre", "2147483647"));
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs, "Nombre d'etiquettes superieur a 99999 dans le fichier BATCH \"t.ini\"\n");
  EXPECT_FALSE(sortie_existe());
}

TEST_F(TraitementBatch, ScreenModeCountBelowOneIsRefused) {
  for (const char* nombre : {"0", "-3", "abc"}) {
    const auto r = lance(avec(avec(exemple(), "donnees", "ECRAN"), "nombre", nombre));
    EXPECT_EQ(r.statut, 1) << nombre;
    EXPECT_EQ(r.erreurs, "Nombre d'etiquettes inferieur a 1 dans le fichier BATCH \"t.ini\"\n");
    EXPECT_FALSE(sortie_existe());
  }
}

TEST_F(TraitementBatch, MissingFilesAreReportedWithTheSystemsReason) {
  auto r = lancer({"-l", "absent.ini"}, d.chemin());
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs,
            "Erreur ouverture fichier BATCH \"absent.ini\" : No such file or directory\n");

  r = lance(exemple());  // no in.txt
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs, "Pas de fichier input \"in.txt\" : No such file or directory\n");
  EXPECT_FALSE(sortie_existe());

  d.ecrire("in.txt", kDonneesExemple);
  r = lance(avec(exemple(), "etiquettes", "pas/la/out.prn"));
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs, "Erreur sortie \"pas/la/out.prn\" : dossier \"pas/la\" inexistant\n");
}

TEST_F(TraitementBatch, AFullDiskIsAFailure) {
  d.ecrire("in.txt", kDonneesExemple);
  const auto r = lance(avec(exemple(), "etiquettes", "/dev/full"), {"-e", "e.ini"});
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs, "Erreur sortie \"/dev/full\" : No space left on device\n");
  EXPECT_FALSE(fs::exists(d / "e.ini"));  // nothing reported as done
}

// The print file and the -e file never destroy what the run reads, and a
// print file is replaced whole or not at all.
TEST_F(TraitementBatch, OutputsNeverOverwriteTheRunsOwnFiles) {
  d.ecrire("in.txt", kDonneesExemple);
  d.ecrire("l.def", "2;2;\n");
  const struct {
    std::string etiquettes;
    std::vector<std::string> options;
    std::string garde;  // the file that must come out untouched
  } cas[] = {
      {"t.ini", {}, "t.ini"},                   // the print file over the settings
      {"l.def", {"-f", "l.def"}, "l.def"},      // ... over the layout
      {"out.prn", {"-e", "in.txt"}, "in.txt"},  // -e over the records
      {"out.prn", {"-e", "./l.def", "-f", "l.def"}, "l.def"},
      {"out.prn", {"-e", "out.prn"}, "out.prn"},  // -e over a print file still to be made
  };
  for (const auto& c : cas) {
    const auto cles = avec(exemple(), "etiquettes", c.etiquettes);
    const std::string avant = c.garde == "t.ini" ? texte(cles) : d.lire(c.garde);
    const auto r = lance(cles, c.options);
    EXPECT_EQ(r.statut, 1) << c.garde;
    EXPECT_TRUE(r.erreurs.starts_with("Fichier de sortie identique au fichier d'entree \""))
        << r.erreurs;
    EXPECT_EQ(d.lire(c.garde), avant) << c.garde;
    EXPECT_FALSE(sortie_existe());
  }
  // -e may rewrite the settings it read.
  EXPECT_EQ(lance(exemple(), {"-e", "t.ini"}).statut, 0);
}

TEST_F(TraitementBatch, APrintFileIsReplacedWholeAndALinkIsNotFollowed) {
  d.ecrire("in.txt", kDonneesExemple);
  // A directory as input is refused before the old print file is touched.
  d.ecrire("out.prn", "ancien");
  fs::create_directory(d / "dossier");
  auto r = lance(avec(exemple(), "donnees", "dossier"));
  EXPECT_EQ(r.erreurs, "Pas de fichier input \"dossier\" : Is a directory\n");
  EXPECT_EQ(d.lire("out.prn"), "ancien");
  // The old file's permissions stay; a link planted at the name is replaced,
  // and the file it pointed to is left alone.
  fs::permissions(d / "out.prn", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(lance(exemple()).statut, 0);
  EXPECT_EQ(d.lire("out.prn"), kSortieExemple);
  EXPECT_EQ(fs::status(d / "out.prn").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  d.ecrire("autre.txt", "a l'autre");
  fs::remove(d / "out.prn");
  fs::create_symlink(d / "autre.txt", d / "out.prn");
  EXPECT_EQ(lance(exemple()).statut, 0);
  EXPECT_FALSE(fs::is_symlink(d / "out.prn"));
  EXPECT_EQ(d.lire("out.prn"), kSortieExemple);
  EXPECT_EQ(d.lire("autre.txt"), "a l'autre");
  // No temporary file is left: in.txt, t.ini, dossier, autre.txt, out.prn.
  EXPECT_EQ(std::distance(fs::directory_iterator(d.chemin()), {}), 5);
}

// What would be read for ever, or never end, is refused at once, naming it:
// a FIFO nobody writes to, a device.
TEST_F(TraitementBatch, WhatCannotBeReadToAnEndIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo((d / "tube").c_str(), 0600), 0);
  d.ecrire("t.ini", texte(exemple()));
  const struct {
    std::vector<std::string> args;
    std::vector<Cle> cles;
    std::string message;
  } cas[] = {
      {{"-l", "tube"}, exemple(), "Erreur ouverture fichier BATCH \"tube\" : tube sans ecrivain\n"},
      {{"-l", "t.ini"},
       avec(exemple(), "donnees", "tube"),
       "Pas de fichier input \"tube\" : tube sans ecrivain\n"},
      {{"-l", "t.ini"},
       avec(exemple(), "donnees", "/dev/zero"),
       "Pas de fichier input \"/dev/zero\" : ni un fichier ni un tube\n"},
  };
  for (const auto& c : cas) {
    d.ecrire("t.ini", texte(c.cles));
    const auto r = lancer(c.args, d.chemin());
    EXPECT_EQ(r.statut, 1);
    EXPECT_EQ(r.erreurs, c.message);
    EXPECT_FALSE(sortie_existe());
  }
}

// A settings file that cannot be written whole (here the file size limit,
// standing for a full disk) is not written at all: the one the run read
// still runs.
TEST_F(TraitementBatch, SettingsRewrittenOnAFullDiskStayWhole) {
  d.ecrire("in.txt", kDonneesExemple);
  const std::string reglages = texte(avec(exemple(), "etiquettes", "/dev/null"));
  d.ecrire("t.ini", reglages);
  const std::string commande = "cd '" + d.chemin().string() +
                               "' && (trap '' XFSZ && ulimit -f 0 && LC_ALL=C " VIGN_BINARY
                               " -l t.ini -e t.ini) 2>&1 | cat > erreurs.txt";
  std::system(commande.c_str());
  // The example's one remark on the run comes first.
  EXPECT_EQ(d.lire("erreurs.txt"),
            std::string(kAvisExemple) + "Erreur ecriture fichier \"t.ini\" : File too large\n");
  EXPECT_EQ(d.lire("t.ini"), reglages);
}

// A reader that goes away is a failure said in words, not a silent death.
TEST_F(TraitementBatch, AReaderThatGoesAwayIsAFailureSaid) {
  std::string beaucoup;
  for (int i = 0; i < 100000; ++i) beaucoup += "AB;CD;EF\n";
  d.ecrire("in.txt", beaucoup);
  d.ecrire("t.ini", texte(avec(exemple(), "etiquettes", "/dev/stdout")));
  const std::string commande = "cd '" + d.chemin().string() +
                               "' && { LC_ALL=C " VIGN_BINARY
                               " -l t.ini 2> erreurs.txt; echo $? > statut.txt; } | head -c 1 "
                               "> /dev/null";
  std::system(commande.c_str());
  EXPECT_EQ(d.lire("statut.txt"), "1\n");
  EXPECT_EQ(d.lire("erreurs.txt"), "Erreur sortie \"/dev/stdout\" : Broken pipe\n");
}

// A name that leaves no room for a temporary name beside it (255 bytes is
// the most a name may have) is made and replaced all the same.
TEST_F(TraitementBatch, ANameOfTheLongestLengthIsMadeAndReplaced) {
  d.ecrire("in.txt", kDonneesExemple);
  const std::string nom = std::string(251, 'n') + ".prn";
  for (int fois = 0; fois < 2; ++fois) {
    const auto r = lance(avec(exemple(), "etiquettes", nom));
    EXPECT_EQ(r.statut, 0) << r.erreurs;
    EXPECT_EQ(d.lire(nom), kSortieExemple);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(d.chemin()), {}), 3);  // in.txt, t.ini, nom
}

// A print file the user may write, in a folder where it cannot be replaced,
// is refused before the run, naming the folder: that is what must change.
TEST_F(TraitementBatch, APrintFileThatCannotBeReplacedNamesTheFolder) {
  if (::geteuid() != 0 || std::system("command -v setpriv >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs root and setpriv, to run as another user";
  }
  d.ecrire("in.txt", kDonneesExemple);
  const struct {
    const char* dossier;
    fs::perms droits;
    const char* raison;
  } cas[] = {
      {"ferme", fs::perms(0555), "dossier \"ferme\" non modifiable (Permission denied)"},
      {"collant", fs::perms(01777),
       "fichier d'un autre utilisateur dans le dossier \"collant\" a sticky bit : il ne peut y "
       "etre remplace"},
  };
  fs::permissions(d.chemin(), fs::perms(0755));
  fs::permissions(d.ecrire("erreurs.txt", ""), fs::perms(0666));
  for (const auto& c : cas) {
    const std::string nom = std::string(c.dossier) + "/out.prn";
    fs::create_directory(d / c.dossier);
    fs::permissions(d.ecrire(nom, "ancien"), fs::perms(0666));
    fs::permissions(d / c.dossier, c.droits);
    fs::permissions(d.ecrire("t.ini", texte(avec(exemple(), "etiquettes", nom))), fs::perms(0644));
    const std::string commande = "cd '" + d.chemin().string() +
                                 "' && LC_ALL=C setpriv --reuid=65534 --regid=65534 "
                                 "--clear-groups " VIGN_BINARY " -l t.ini 2> erreurs.txt";
    EXPECT_NE(std::system(commande.c_str()), 0) << c.dossier;
    EXPECT_EQ(d.lire("erreurs.txt"), "Erreur sortie \"" + nom + "\" : " + c.raison + "\n");
    EXPECT_EQ(d.lire(nom), "ancien");
  }
}

TEST_F(TraitementBatch, OutputNamingTheInputIsRefusedBeforeAnythingIsTruncated) {
  d.ecrire("in.txt", kDonneesExemple);
  fs::create_directory(d / "sous");
  for (const char* nom : {"in.txt", "./in.txt", "sous/../in.txt"}) {
    const auto r = lance(avec(exemple(), "etiquettes", nom));
    EXPECT_EQ(r.statut, 1) << nom;
    EXPECT_EQ(r.erreurs, "Fichier de sortie identique au fichier d'entree \"in.txt\"\n");
    EXPECT_EQ(d.lire("in.txt"), kDonneesExemple);
  }
}

TEST_F(TraitementBatch, FormatsThatCannotBePrintedAreRefusedBeforeTheOutputExists) {
  d.ecrire("in.txt", kDonneesExemple);
  const struct {
    const char* cle;
    const char* valeur;
    const char* message;
  } cas[] = {
      {"nbre_en_largeur", "0", "Format inutilisable : moins d'une etiquette en largeur"},
      {"nbre_lignes", "30", "Format inutilisable : plus de 29 lignes par etiquette"},
      {"nbre_lignes", "0", "Format inutilisable : nbre_lignes=0 (1 au moins)"},
      {"nbre_lignes", "-3", "Format inutilisable : nbre_lignes=-3 (1 au moins)"},
      {"nbre_caracteres", "-1", "Format inutilisable : largeur, marge ou espace negatif"},
      {"marge", "-1", "Format inutilisable : largeur, marge ou espace negatif"},
      {"espace_horizontal", "-2", "Format inutilisable : largeur, marge ou espace negatif"},
      // 3 + 2 x (124 + 2) = 255 columns: one more than a line holds.
      {"nbre_caracteres", "124",
       "Format inutilisable : ligne de plus de 254 caracteres (255 colonnes : marge + "
       "nbre_en_largeur x (nbre_caracteres + espace_horizontal))"},
  };
  for (const auto& c : cas) {
    const auto r = lance(avec(exemple(), c.cle, c.valeur));
    EXPECT_EQ(r.statut, 1) << c.cle << "=" << c.valeur;
    EXPECT_EQ(r.erreurs, std::string(c.message) + "\n");
    EXPECT_FALSE(sortie_existe());
  }
  // 3 + 2 x (123 + 2) = 253 columns fit.
  EXPECT_EQ(lance(avec(exemple(), "nbre_caracteres", "123")).statut, 0);
}

TEST_F(TraitementBatch, FixedLayoutFile) {
  // A readable layout file puts the run in fixed-width mode, a missing one in
  // delimited mode, silently.
  d.ecrire("in.txt", kDonneesExemple);
  auto r = lance(exemple(), {"-f", "absent.def"});
  EXPECT_EQ(r.statut, 0);
  EXPECT_EQ(r.erreurs, kAvisExemple);
  EXPECT_EQ(d.lire("out.prn"), kSortieExemple);

  d.ecrire("l.def", "253;\n");
  EXPECT_EQ(lance(exemple(), {"-f", "l.def"}).statut, 0);

  d.ecrire("l.def", "10;254;\n");
  fs::remove(d / "out.prn");
  r = lance(exemple(), {"-f", "l.def"});
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs, "Augmenter MAX_RECLEN et recompiler\n");
  EXPECT_FALSE(sortie_existe());
}

TEST_F(TraitementBatch, EmptyInputGivesNoLabelButTheClosingPageEnd) {
  d.ecrire("in.txt", "");
  auto cles = avec(avec(exemple(), "init_debut_page", "S"), "init_fin_page", "E");
  auto r = lance(cles, {"-e", "e.ini"});
  EXPECT_EQ(r.statut, 0);
  EXPECT_EQ(d.lire("out.prn"), "SE");
  EXPECT_NE(d.lire("e.ini").find("[execution]\nnombre=0\n"), std::string::npos);
  // With one alignment page of 2 rows of 2 lines: S, the blocks, E first.
  cles = avec(cles, "nbre_page_cadrage", "1");
  r = lance(cles);
  const std::string bloc = "   **********  **********  \n";
  EXPECT_EQ(d.lire("out.prn"), "S" + bloc + bloc + "\n" + bloc + bloc + "\n" + "ESE");
}

TEST_F(TraitementBatch, EmptyDelimiterMakesTheWholeLineField1) {
  d.ecrire("in.txt", "AB;CD\r\n");
  const auto r = lance(avec(exemple(), "delimiteur", ""));
  EXPECT_EQ(r.statut, 0);
  EXPECT_EQ(d.lire("out.prn"), rangee(3, 10, 2, {"AB;CD"}) + rangee(3, 10, 2, {""}) + "\n\f");
}

TEST_F(TraitementBatch, WrittenSettingsRepeatTheRun) {
  d.ecrire("in.txt", kDonneesExemple);
  auto cles = avec(avec(exemple(), "init_debut_page", "\\027E"), "init_fin_page", "\\012");
  auto r = lance(cles, {"-e", "e.ini"});
  ASSERT_EQ(r.statut, 0);
  const std::string premier = d.lire("out.prn");
  EXPECT_EQ(premier.substr(0, 6),
            "\x1b"
            "E   A");
  fs::remove(d / "out.prn");
  r = lancer({"-l", "e.ini"}, d.chemin());
  EXPECT_EQ(r.statut, 0);
  EXPECT_EQ(r.erreurs, kAvisExemple);
  EXPECT_EQ(d.lire("out.prn"), premier);
}

// A key put at the end of its section (a new one at the end), in place of
// one of the same name.
std::vector<Cle> plus(std::vector<Cle> cles, const Cle& k) {
  std::erase_if(cles, [&](const Cle& c) { return c.cle == k.cle; });
  auto fin = std::find_if(cles.rbegin(), cles.rend(),
                          [&](const Cle& c) { return c.section == k.section; });
  cles.insert(fin == cles.rend() ? cles.end() : fin.base(), k);
  return cles;
}

// Attributes and codes read from the file come back in the file -e writes,
// and its replay prints the same bytes.
TEST_F(TraitementBatch, WrittenSettingsReplayAttributesAndCodes) {
  d.ecrire("in.txt", kDonneesExemple);
  auto cles = plus(exemple(), {"presentation", "attribut01", "\\027E;\\027F"});
  cles = plus(cles, {"presentation", "attribut03", "\\027[1\\0594m;\\027[0m"});
  // In a text print file the code is its field's text in its box: the box
  // stays clear of the text checked here.
  cles = plus(cles, {"codes", "code1", "qr 1 8 1 2 1"});
  ASSERT_EQ(lance(cles, {"-e", "e.ini"}).statut, 0);
  const std::string premier = d.lire("out.prn");
  EXPECT_TRUE(
      premier.starts_with("   \x1b"
                          "EAB\x1b"
                          "F"))
      << premier;
  EXPECT_NE(premier.find("CD \x1b[1;4mEF\x1b[0m"), std::string::npos) << premier;
  EXPECT_NE(d.lire("e.ini").find("attribut03=\\027[1\\0594m;\\027[0m\n"), std::string::npos);
  EXPECT_NE(d.lire("e.ini").find("\n[codes]\ncode1=qr 1 8 1 2 1\n"), std::string::npos);
  fs::remove(d / "out.prn");
  ASSERT_EQ(lancer({"-l", "e.ini"}, d.chemin()).statut, 0);
  EXPECT_EQ(d.lire("out.prn"), premier);
}

// A value refused names the file it came from; the same value given on the
// command line does not.
TEST_F(TraitementBatch, ARefusedValueNamesItsFile) {
  d.ecrire("in.txt", kDonneesExemple);
  const std::string dans = "Valeur invalide dans le fichier BATCH \"t.ini\" : ";
  const Cle pdf = {"fichiers", "etiquettes", "out.pdf"};
  const struct {
    std::vector<Cle> cles;
    std::vector<std::string> options;
    std::string debut;  // of the message
  } cas[] = {
      {{pdf, {"pdf", "cpi", "abc"}}, {}, dans + "[pdf] cpi=abc\n"},
      {{{"fichiers", "guillemets", "si"}}, {}, dans + "[fichiers] guillemets=si ("},
      {{{"execution", "debut", "9"}}, {}, dans + "[execution] debut=9 ("},
      {{}, {"-s", "9"}, "Valeur invalide : [execution] debut=9 ("},
      {{{"codes", "code2", "qrr 1 0 0 1 1"}}, {}, dans + "[codes] code2="},
      {{{"codes", "code3", "qr 1 9 0 2 1"}}, {}, dans + "[codes] code3 ("},
      {{{"presentation", "attribut01", "\\027E"}}, {}, dans + "[presentation] attribut01=\\027E ("},
      // The pitch a sheet's derivation aims at.
      {{pdf, {"format", "planche", "Avery L7160"}, {"pdf", "lpi", "zero"}},
       {},
       dans + "[pdf] lpi=zero\n"},
  };
  for (const auto& c : cas) {
    auto cles = exemple();
    for (const auto& k : c.cles) cles = plus(cles, k);
    const auto r = lance(cles, c.options);
    EXPECT_EQ(r.statut, 1) << c.debut;
    EXPECT_TRUE(r.erreurs.starts_with(c.debut)) << r.erreurs;
    EXPECT_FALSE(sortie_existe() || fs::exists(d / "out.pdf")) << c.debut;
  }
}

// The fixed layout and the initial skip are part of the run -e writes down.
TEST_F(TraitementBatch, WrittenSettingsReplayAFixedLayoutAndItsSkip) {
  d.ecrire("in.txt", "xxxABCDEFGHIJKLMNO\n");
  d.ecrire("l.def", "2;3;\n");
  ASSERT_EQ(lance(exemple(), {"-f", "l.def", "-d", "3", "-e", "e.ini"}).statut, 0);
  const std::string premier = d.lire("out.prn");
  ASSERT_EQ(lance(exemple()).statut, 0);
  ASSERT_NE(d.lire("out.prn"), premier) << "the layout makes no difference here";
  fs::remove(d / "out.prn");
  const auto r = lancer({"-l", "e.ini"}, d.chemin());
  EXPECT_EQ(r.statut, 0) << r.erreurs;
  EXPECT_EQ(d.lire("out.prn"), premier);
}

TEST_F(TraitementBatch, TheExampleSettingsFileIsWrittenBackAfter250Labels) {
  const std::string reglages =
      "[format]\nlibelle=Planche 3x8\nnbre_en_largeur=3\nnbre_caracteres=30\nnbre_lignes=4\n"
      "marge=2\nespace_horizontal=3\nespace_vertical=1\nnbre_rangee_par_page=8\n"
      "nbre_page_cadrage=1\ninit_debut_page=\\027E\ninit_fin_page=\\012\n\n"
      "[fichiers]\ndonnees=clients.txt\ndelimiteur=;\netiquettes=sortie.prn\n\n"
      "[presentation]\nligne01=1\nligne02=2\nligne03=3+4\nligne04=5\n\n"
      "[execution]\nnombre=250\n";
  std::string clients;
  for (int i = 0; i < 250; ++i) clients += "Nom;Rue;1000;VILLE;PAYS\n";
  d.ecrire("clients.txt", clients);
  d.ecrire("t.ini", reglages);
  const auto r = lancer({"-l", "t.ini", "-e", "e.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  EXPECT_EQ(d.lire("e.ini"), reglages);
}

TEST_F(TraitementBatch, SettingsThatCannotBeWrittenAreAFailure) {
  d.ecrire("in.txt", kDonneesExemple);
  const auto r = lance(exemple(), {"-e", "pas/la/e.ini"});
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs,
            std::string(kAvisExemple) +
                "Erreur creation fichier \"pas/la/e.ini\" : dossier \"pas/la\" inexistant\n");
  EXPECT_EQ(d.lire("out.prn"), kSortieExemple);
}

// The shipped examples, as the README runs them.
struct Exemples : ::testing::Test {
  Dossier d;
  void SetUp() override { copie_exemples(d); }
};

TEST_F(Exemples, DelimitedAddresses) {
  const auto r = lancer({"-l", "delimite.ini", "-e", "ecrit.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  EXPECT_EQ(r.sortie + r.erreurs, "");
  // Three across, 23 wide, margin 1, 3 spaces between, 5 lines, 1 line
  // between rows, 3 rows per page, one alignment page, no page strings.
  const auto ligne = [](const std::vector<std::string>& t) { return rangee(1, 23, 3, t); };
  const std::string etoiles(23, '*');
  std::string attendu;
  for (int rang = 0; rang < 3; ++rang) {
    for (int l = 0; l < 5; ++l) attendu += ligne({etoiles, etoiles, etoiles});
    attendu += "\n";
  }
  attendu += ligne({"Gaston Berthiers", "Hector Vallon", "Marie Lenoir"}) +
             ligne({"Rue du Chene,5", "Rue de l'Epee,1", "Avenue des Tilleuls,18"}) +
             ligne({"7500 TOURNAI", "7000 MONS", "1050 IXELLES"}) + ligne({"", "", ""}) +
             ligne({"", "", ""}) + "\n";
  attendu += ligne({"Joseph Delvaux", "Lucie Marchal", "Albert Dumont"}) +
             ligne({"Chaussee de Namur,212", "Place Saint-Aubain,3", "Rue Haute,47"}) +
             ligne({"5030 GEMBLOUX", "5000 NAMUR", "4000 LIEGE"}) + ligne({"", "", ""}) +
             ligne({"", "", ""}) + "\n";
  attendu += ligne({"Simone Jacquet"}) + ligne({"Quai de la Batte,9"}) + ligne({"4020 LIEGE"}) +
             ligne({""}) + ligne({""}) + "\n";
  attendu += "\f";
  EXPECT_EQ(d.lire("etiquettes.prn"), attendu);
  // The example settings file is what a run writes back.
  EXPECT_EQ(d.lire("ecrit.ini"), d.lire("delimite.ini"));
}

TEST_F(Exemples, FixedWidthClients) {
  const auto r = lancer({"-l", "fixe.ini", "-f", "format.def", "-e", "ecrit.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  // Records of 24 + 24 + 5 + 20 bytes and the line feed; 3 across, 23 wide,
  // margin 2, 3 spaces and 2 lines between labels, 7 lines: name, blank,
  // street, postcode and city, three blanks. 7 rows per page, page end \012.
  const auto ligne = [](const std::vector<std::string>& t) { return rangee(2, 23, 3, t); };
  const auto vides = [&](std::size_t n) { return ligne(std::vector<std::string>(n, "")); };
  const auto etiquettes = [&](const std::vector<std::string>& noms,
                              const std::vector<std::string>& rues,
                              const std::vector<std::string>& villes) {
    const std::size_t n = noms.size();
    return ligne(noms) + vides(n) + ligne(rues) + ligne(villes) + vides(n) + vides(n) + vides(n) +
           "\n\n";
  };
  const std::string attendu =
      etiquettes({"Gaston Berthiers", "Hector Vallon", "Marie Lenoir"},
                 {"Rue du Chene,5", "Rue de l'Epee,1", "Avenue des Tilleuls,18"},
                 {"7500 TOURNAI", "7000 MONS", "1050 IXELLES"}) +
      etiquettes({"Joseph Delvaux", "Lucie Marchal", "Albert Dumont"},
                 {"Chaussee de Namur,212", "Place Saint-Aubain,3", "Rue Haute,47"},
                 {"5030 GEMBLOUX", "5000 NAMUR", "4000 LIEGE"}) +
      etiquettes({"Simone Jacquet"}, {"Quai de la Batte,9"}, {"4020 LIEGE"}) +
      "\f\f";  // the last page ends, then the page end once more
  EXPECT_EQ(d.lire("clients.prn"), attendu);
  // The example settings file is what a run writes back, and it names the
  // layout, so that it replays the run alone.
  EXPECT_EQ(d.lire("ecrit.ini"), d.lire("fixe.ini"));
  fs::remove(d / "clients.prn");
  EXPECT_EQ(lancer({"-l", "fixe.ini"}, d.chemin()).statut, 0);
  EXPECT_EQ(d.lire("clients.prn"), attendu);
}

TEST_F(Exemples, ScreenModeSenderLabels) {
  const auto r = lancer({"-l", "ecran.ini", "-e", "ecrit.ini"}, d.chemin());
  ASSERT_EQ(r.statut, 0) << r.erreurs;
  const auto ligne = [](const std::string& t) { return rangee(2, 32, 0, {t}); };
  const std::string etiquette = ligne("Atelier Dubois & Fils") + ligne("Rue des Tanneurs, 12") +
                                ligne("1000 BRUXELLES") + ligne("Tel. 02 512 34 56") + ligne("") +
                                "\n";
  EXPECT_EQ(d.lire("expediteur.prn"), etiquette + etiquette + etiquette + etiquette + "\f");
  EXPECT_EQ(d.lire("ecrit.ini"), d.lire("ecran.ini"));
}

}  // namespace
}  // namespace vign

namespace vign {
namespace {

// A settings file saved on another system: every value keeps its carriage
// return, so the input names no file; the message shows the byte and points
// at the line ends.
TEST(ReglagesCrLf, TheMessageShowsTheCarriageReturnAndTheLikelyCause) {
  test::Dossier d;
  d.ecrire("in.txt", "a;b\n");
  std::string crlf;
  for (char c : texte(exemple())) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  d.ecrire("w.ini", crlf);
  const auto r = test::lancer({"-l", "w.ini"}, d.chemin());
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs,
            "Pas de fichier input \"in.txt\\r\" : No such file or directory\n"
            "(fichier w.ini aux fins de ligne CR LF ?)\n");
}

// Asking for the usage or the version needs no terminal and opens no screen.
TEST(Demandes, HelpAndVersionAnswerOnStandardOutputWithoutATerminal) {
  test::Dossier d;
  const struct {
    std::vector<std::string> args;
    std::string debut;
  } cas[] = {
      {{"--help"}, "Usage : vign [-l REGLAGES]"},
      {{"-h"}, "Usage : vign [-l REGLAGES]"},
      {{"-x", "--version"}, "vign " VIGN_VERSION "\n"},
      {{"-V"}, "vign " VIGN_VERSION "\n"},
  };
  for (const auto& c : cas) {
    const auto r = test::lancer(c.args, d.chemin());
    EXPECT_EQ(r.statut, 0) << c.args.back();
    EXPECT_TRUE(r.sortie.starts_with(c.debut)) << r.sortie;
    EXPECT_EQ(r.erreurs, "");
  }
  const auto aide = test::lancer({"--help"}, d.chemin());
  for (const char* option : {"-l ", "-f ", "-d ", "-e ", "formats.txt", "man vign"}) {
    EXPECT_NE(aide.sortie.find(option), std::string::npos) << option;
  }
}

}  // namespace
}  // namespace vign

namespace vign {
namespace {

// The settings may come down a pipe: they are read once, whole.
TEST(ReglagesDUnTube, StandardInputPrintsWhatTheFilePrints) {
  test::Dossier d;
  d.ecrire("in.txt", kDonneesExemple);
  d.ecrire("t.ini", texte(exemple()));
  const std::string dans = "cd '" + d.chemin().string() + "' && ";
  for (const char* commande :
       {"cat t.ini | " VIGN_BINARY " -l -", "cat t.ini | " VIGN_BINARY " -l /dev/stdin"}) {
    std::filesystem::remove(d / "out.prn");
    ASSERT_EQ(std::system((dans + commande).c_str()), 0) << commande;
    EXPECT_EQ(d.lire("out.prn"), kSortieExemple) << commande;
  }
}

}  // namespace
}  // namespace vign

namespace vign {
namespace {

// Records down a pipe are read once, as they come.
TEST(DonneesDUnTube, APipeGivesWhatTheFileGives) {
  test::Dossier d;
  d.ecrire("in.txt", kDonneesExemple);
  d.ecrire("t.ini", texte(avec(exemple(), "donnees", "-")));
  const std::string commande =
      "cd '" + d.chemin().string() + "' && cat in.txt | " VIGN_BINARY " -l t.ini";
  ASSERT_EQ(std::system(commande.c_str()), 0);
  EXPECT_EQ(d.lire("out.prn"), kSortieExemple);
}

}  // namespace
}  // namespace vign
