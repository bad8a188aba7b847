#include "formats/inifile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "core/arret.h"
#include "support/programme.h"

namespace vign {
namespace {

using test::Dossier;

std::optional<std::string> valeur(std::string_view contenu, std::string_view cle,
                                  std::string_view section = "format") {
  return chercher_valeur(contenu, section, cle);
}

TEST(LectureReglages, ValuesAreTakenByteForByte) {
  EXPECT_EQ(valeur("[format]\nmarge=3\n", "marge"), "3");
  EXPECT_EQ(valeur("[format]\nmarge = 3\n", "marge"), " 3");       // blanks kept
  EXPECT_EQ(valeur("[format]\nlibelle=a=b\n", "libelle"), "a=b");  // later "=" kept
  EXPECT_EQ(valeur("[format]\nmarge=3", "marge"), "3");            // no final newline
  EXPECT_EQ(valeur("[format]\r\nmarge=3\r\n", "marge"), "3\r");    // CR kept, header still ok
  EXPECT_EQ(valeur("[format]\ninit_debut_page=\n", "init_debut_page"), "");
  EXPECT_EQ(valeur("[format]\n==marge=4\n", "marge"), "4");  // leading "=" skipped
}

TEST(LectureReglages, KeyMatchesOnItsOwnLengthOnly) {
  EXPECT_EQ(valeur("[format]\nmarge \t=3\n", "marge"), "3");
  EXPECT_EQ(valeur("[format]\nmargeXYZ=5\n", "marge"), "5");
  EXPECT_EQ(valeur("[format]\nmarge\n", "marge"), "");  // no "=": empty value
  EXPECT_FALSE(valeur("[format]\nmarg=5\n", "marge"));
  EXPECT_FALSE(valeur("[format]\n marge=5\n", "marge"));  // leading blank: no match
}

TEST(LectureReglages, FirstMatchInTheFirstSectionOfThatNameWins) {
  EXPECT_EQ(valeur("[format]\nmarge=1\nmarge=2\n", "marge"), "1");
  EXPECT_FALSE(valeur("[format]\nx=1\n[format]\nmarge=2\n", "marge"));
  EXPECT_FALSE(valeur("marge=1\n[format]\nx=1\n", "marge"));  // above any header
  EXPECT_FALSE(valeur("[format]\nx=1\n[fichiers]\nmarge=2\n", "marge"));
  EXPECT_EQ(valeur("[fichiers]\nmarge=9\n[format]\nmarge=2\n", "marge"), "2");
}

TEST(LectureReglages, SectionNamesMustMatchExactly) {
  EXPECT_FALSE(valeur("[Format]\nmarge=1\n", "marge"));
  EXPECT_FALSE(valeur("[ format ]\nmarge=1\n", "marge"));
  EXPECT_FALSE(valeur("[format\nmarge=1\n", "marge"));  // no "]": the name holds the newline
  EXPECT_EQ(valeur("[format] commentaire\nmarge=1\n", "marge"), "1");
  EXPECT_FALSE(valeur("", "marge"));
}

TEST(LectureReglages, ALongValueComesBackWhole) {
  const std::string longue(5000, 'x');
  EXPECT_EQ(
      valeur("[presentation]\nligne01=" + longue + "\nligne02=2\n", "ligne01", "presentation"),
      longue);
  EXPECT_EQ(
      valeur("[presentation]\nligne01=" + longue + "\nligne02=2\n", "ligne02", "presentation"),
      "2");
}

// The file is read once, whole: what cannot be read whole is refused with
// the name, and nothing is looked up in it.
TEST(LectureReglages, WhatCannotBeReadWholeIsRefusedNamingTheFile) {
  Dossier d;
  std::filesystem::create_directory(d / "dossier");
  const std::string grand = (d / "grand.ini").string();
  std::filesystem::resize_file(d.ecrire("grand.ini", "[format]\n"), Reglages::kTailleMax + 1);
  const std::string juste = (d / "juste.ini").string();
  std::filesystem::resize_file(d.ecrire("juste.ini", "[format]\nmarge=4\n"), Reglages::kTailleMax);
  const struct {
    std::string nom;
    std::string message;
  } cas[] = {
      {"/nonexistent/r.ini",
       "Erreur ouverture fichier BATCH \"/nonexistent/r.ini\" : No such file or directory"},
      {(d / "dossier").string(),
       "Erreur ouverture fichier BATCH \"" + (d / "dossier").string() + "\" : Is a directory"},
      {grand, "Fichier BATCH trop grand \"" + grand + "\" : plus de 1 Mio"},
      {"/dev/zero", "Erreur ouverture fichier BATCH \"/dev/zero\" : ni un fichier ni un tube"},
  };
  for (const auto& c : cas) {
    const auto r = Reglages::lire(c.nom);
    ASSERT_FALSE(r.ok()) << c.nom;
    EXPECT_EQ(r.erreur().message, c.message);
    EXPECT_EQ(r.erreur().statut, 1);
  }
  const auto r = Reglages::lire(juste);
  ASSERT_TRUE(r.ok()) << r.erreur().message;
  EXPECT_EQ(r->valeur("format", "marge"), "4");
}

TEST(LectureReglages, AMissingFileThroughTheProgram) {
  Dossier d;
  const auto r = test::lancer({"-l", "absent.ini"}, d.chemin());
  EXPECT_EQ(r.statut, 1);
  EXPECT_EQ(r.erreurs,
            "Erreur ouverture fichier BATCH \"absent.ini\" : No such file or directory\n");
  EXPECT_EQ(r.sortie, "");
}

Etat etat_exemple() {
  Etat st;
  st.FORMAT = 2;
  st.formats[2].libelle.assign("Planche 3x8");
  st.formats[2].etilar = 3;
  st.formats[2].maxcareti = 30;
  st.formats[2].maxligeti = 4;
  st.formats[2].marge = 2;
  st.formats[2].maxintetihor = 3;
  st.formats[2].maxintetiver = 1;
  st.formats[2].maxetipag = 8;
  st.formats[2].maxpagcad = 1;
  st.formats[2].avtpagimp = "\\027E";
  st.formats[2].aprpagimp = "\\012";
  st.inputfile = "clients.txt";
  st.delimiteur = ";";
  st.outputfile = "sortie.prn";
  st.place[1].assign("1");
  st.place[2].assign("2");
  st.place[3].assign("3+4");
  st.place[4].assign("5");
  return st;
}

TEST(EcritureReglages, TheDocumentedExampleByteForByte) {
  EXPECT_EQ(texte_inifile(etat_exemple(), 250),
            "[format]\n"
            "libelle=Planche 3x8\n"
            "nbre_en_largeur=3\n"
            "nbre_caracteres=30\n"
            "nbre_lignes=4\n"
            "marge=2\n"
            "espace_horizontal=3\n"
            "espace_vertical=1\n"
            "nbre_rangee_par_page=8\n"
            "nbre_page_cadrage=1\n"
            "init_debut_page=\\027E\n"
            "init_fin_page=\\012\n"
            "\n"
            "[fichiers]\n"
            "donnees=clients.txt\n"
            "delimiteur=;\n"
            "etiquettes=sortie.prn\n"
            "\n"
            "[presentation]\n"
            "ligne01=1\n"
            "ligne02=2\n"
            "ligne03=3+4\n"
            "ligne04=5\n"
            "\n"
            "[execution]\n"
            "nombre=250\n");
}

// The keys beyond the first version's are written only when set, in their
// sections, as they were given, so that -l replays the same run.
TEST(EcritureReglages, OptionalKeysGoBackToTheirSectionsOnlyWhenSet) {
  Etat st = etat_exemple();
  st.options.jeu_imprimante = "CP850";
  st.options.entete = "oui";
  st.options.debut = "4";
  st.options.pdf[1] = "10,16";  // cpi
  st.options.pdf[7] = "oui";    // contours
  const std::string s = texte_inifile(st, 250);
  EXPECT_NE(s.find("etiquettes=sortie.prn\njeu_imprimante=CP850\nentete=oui\n\n[presentation]"),
            std::string::npos)
      << s;
  EXPECT_TRUE(s.ends_with("nombre=250\ndebut=4\n\n[pdf]\ncpi=10,16\ncontours=oui\n")) << s;
  const struct {
    const char* section;
    const char* cle;
    std::optional<std::string> valeur;
  } relus[] = {{"fichiers", "jeu_imprimante", "CP850"},
               {"fichiers", "jeu_donnees", std::nullopt},
               {"execution", "debut", "4"},
               {"execution", "copies", std::nullopt},
               {"pdf", "cpi", "10,16"},
               {"pdf", "page", std::nullopt}};
  for (const auto& r : relus) EXPECT_EQ(chercher_valeur(s, r.section, r.cle), r.valeur) << r.cle;
}

TEST(EcritureReglages, ScreenModeWritesTheTypedLinesAndNoDelimiter) {
  Etat st = etat_exemple();
  st.ALECRAN = 1;
  st.inputfile = kEcran;
  st.delimiteur.reset();
  st.formats[2].maxligeti = 2;
  st.champ[1].assign("Mme Dupont");
  st.champ[2].assign("  rue = 3");
  const std::string s = texte_inifile(st, 12);
  EXPECT_NE(s.find("donnees=ECRAN\ndelimiteur=\n"), std::string::npos);
  EXPECT_NE(s.find("[presentation]\nligne01=Mme Dupont\nligne02=  rue = 3\n\n"), std::string::npos);
  EXPECT_NE(s.find("nombre=12\n"), std::string::npos);
}

TEST(EcritureReglages, WhatIsWrittenReadsBackIntact) {
  Etat st = etat_exemple();
  st.formats[2].libelle.assign("Planche 30 car.     ");  // trailing blanks of a catalogue name
  st.delimiteur = " ";
  st.formats[2].avtpagimp =
      "\\027E\\027&l6D\\027(s10H" + std::string(120, 'A');  // long catalogue string
  st.formats[2].aprpagimp = "";
  const std::string s = texte_inifile(st, 7);
  EXPECT_EQ(chercher_valeur(s, "format", "libelle"), "Planche 30 car.     ");
  EXPECT_EQ(chercher_valeur(s, "format", "init_debut_page"), st.formats[2].avtpagimp);
  EXPECT_EQ(chercher_valeur(s, "format", "init_fin_page"), "");
  EXPECT_EQ(chercher_valeur(s, "format", "nbre_page_cadrage"), "1");
  EXPECT_EQ(chercher_valeur(s, "fichiers", "delimiteur"), " ");
  EXPECT_EQ(chercher_valeur(s, "presentation", "ligne03"), "3+4");
  EXPECT_EQ(chercher_valeur(s, "execution", "nombre"), "7");
}

// Every key of the table, set as -e writes it: the file read by the
// settings' reader and written again by -e comes back byte for byte.
TEST(EcritureReglages, EveryKeyWrittenReadsBackToTheSameLine) {
  const struct {
    const char* section;
    const char* ligne;
  } cas[] = {{"format", "libelle=Colis 3x8  "},
             {"format", "planche=Ref L7160"},
             {"format", "nbre_en_largeur=3"},
             {"format", "nbre_caracteres=28"},
             {"format", "nbre_lignes=2"},
             {"format", "marge=1"},
             {"format", "espace_horizontal=2"},
             {"format", "espace_vertical=4"},
             {"format", "nbre_rangee_par_page=8"},
             {"format", "nbre_page_cadrage=5"},
             {"format", "init_debut_page=\\027E"},
             {"format", "init_fin_page=\\012"},
             {"fichiers", "donnees=clients.txt"},
             {"fichiers", "delimiteur=;"},
             {"fichiers", "etiquettes=sortie.pdf"},
             {"fichiers", "jeu_donnees=latin1"},
             {"fichiers", "jeu_imprimante=CP850"},
             {"fichiers", "guillemets=oui"},
             {"fichiers", "entete=non"},
             {"fichiers", "disposition=clients.def"},
             {"fichiers", "deplacement=12"},
             {"presentation", "ligne01=1+2"},
             {"presentation", "ligne02=3"},
             {"presentation", "attribut07=\\027E;\\027F"},
             {"execution", "nombre=6"},
             {"execution", "debut=4"},
             {"execution", "copies=#3"},
             {"pdf", "page=A5"},
             {"pdf", "cpi=10,16"},
             {"pdf", "lpi=7"},
             {"pdf", "haut=2.5"},
             {"pdf", "gauche=9"},
             {"pdf", "police=Courier"},
             {"pdf", "taille=11"},
             {"pdf", "contours=oui"},
             {"codes", "code2=qr 1 1 0 8 8"}};
  std::string texte;
  std::string_view section;
  for (const auto& c : cas) {
    if (c.section != section) {
      texte.append(texte.empty() ? "[" : "\n[").append(c.section).append("]\n");
      section = c.section;
    }
    texte.append(c.ligne).append("\n");
  }
  for (const auto& c : kCles) {
    const bool couverte = std::any_of(std::begin(cas), std::end(cas), [&c](const auto& k) {
      return k.section == c.section && std::string_view(k.ligne).starts_with(c.cle);
    });
    EXPECT_TRUE(couverte) << c.section << " " << c.cle;
  }
  Etat st;
  LectureReglages lu{st};
  ASSERT_TRUE(lit_reglages(lu, Reglages("s.ini", texte)).ok());
  st.disposition = Disposition{};  // what the layout file of the run would have set
  EXPECT_EQ(texte_inifile(st, lu.nombre), texte);
}

TEST(EcritureReglages, FileIsWrittenOrTheFailureIsSaid) {
  Dossier d;
  Etat st = etat_exemple();
  st.writefile = (d / "r.ini").string();
  EXPECT_TRUE(write_inifile(st, 250).ok());
  EXPECT_EQ(d.lire("r.ini"), texte_inifile(st, 250));

  st.writefile = (d / "absent" / "r.ini").string();
  const auto erreur = write_inifile(st, 250);
  ASSERT_FALSE(erreur.ok());
  EXPECT_EQ(erreur.erreur().message, "Erreur creation fichier \"" + *st.writefile +
                                         "\" : dossier \"" + (d / "absent").string() +
                                         "\" inexistant");

  st.writefile = "/dev/full";
  const auto plein = write_inifile(st, 250);
  ASSERT_FALSE(plein.ok());
  EXPECT_EQ(plein.erreur().message,
            "Erreur ecriture fichier \"/dev/full\" : No space left on device");
}

// Bytes written as the screen takes them, read back to the same bytes.
TEST(AttributsReglages, TypedFormPartsAtTheFirstSemicolonOutsideACode) {
  const struct {
    std::string activation, desactivation, texte;
  } ecrits[] = {
      {"\x1b"
       "E",
       "\x1b"
       "F",
       "\\027E;\\027F"},
      {"a;b", "\\", "a\\059b;\\092"},
      {"\xc3\xa9", "~ ", "\\195\\169;~ "},
      {"", "x", "\\000;x"},
  };
  for (const auto& c : ecrits) {
    EXPECT_EQ(texte_attribut(c.activation, c.desactivation), c.texte);
    EXPECT_EQ(lit_attribut(c.texte), std::pair(c.activation, c.desactivation)) << c.texte;
  }
  // The three characters after a backslash are a code, ";" among them.
  EXPECT_EQ(lit_attribut("\\0;9;y"), std::pair(std::string("w"), std::string("y")));
  for (const char* sans : {"\\027E", ";\\027F", "\\027E;", "\\02;x"}) {
    EXPECT_FALSE(lit_attribut(sans)) << sans;
  }
}

}  // namespace
}  // namespace vign
