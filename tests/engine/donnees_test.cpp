// Records as users' files hold them, through the real program: line ends,
// byte-order marks, over-long records, character sets and delimiters, and
// what a run says afterwards of data that lose text.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "engine/avertissements.h"
#include "support/programme.h"

namespace vign {
namespace {

using test::Dossier;
using test::lancer;

// One label across, 12 wide, 2 lines showing fields 1 and 2, no margin and
// no gap; `cles` adds or replaces "key=value" lines of [fichiers] (or of
// [format] and [presentation] for the keys of those).
std::string reglages(const std::vector<std::string>& cles) {
  std::vector<std::string> format;
  std::istringstream defaut(
      "libelle=t nbre_en_largeur=1 nbre_caracteres=12 nbre_lignes=2 marge=0 espace_horizontal=0 "
      "espace_vertical=0 nbre_rangee_par_page=99 nbre_page_cadrage=0 init_debut_page= "
      "init_fin_page=");
  for (std::string cle; defaut >> cle;) format.push_back(cle);
  std::vector<std::string> fichiers = {"donnees=in.txt", "delimiteur=;", "etiquettes=out.prn"};
  std::vector<std::string> presentation = {"ligne01=1", "ligne02=2"};
  for (const std::string& c : cles) {
    const std::string cle = c.substr(0, c.find('=') + 1);
    auto& section = cle.starts_with("ligne")                        ? presentation
                    : (cle == "marge=" || cle.starts_with("nbre_")) ? format
                                                                    : fichiers;
    std::erase_if(section, [&](const std::string& l) { return l.starts_with(cle); });
    section.push_back(c);
  }
  std::string s;
  for (const auto& [nom, lignes] : {std::pair{"format", &format}, std::pair{"fichiers", &fichiers},
                                    std::pair{"presentation", &presentation}}) {
    s += std::string("[") + nom + "]\n";
    for (const std::string& l : *lignes) s += l + "\n";
  }
  return s;
}

// A line padded to `n` columns, UTF-8 text counting one a character.
std::string remplie(std::string l, std::size_t n) {
  const auto suites = std::count_if(l.begin(), l.end(), [](char c) { return (c & 0xC0) == 0x80; });
  l.resize(n + static_cast<std::size_t>(suites), ' ');
  return l;
}

// A label of the format above.
std::string etiquette(const std::string& l1, const std::string& l2) {
  return remplie(l1, 12) + "\n" + remplie(l2, 12) + "\n";
}

struct Cas {
  const char* nom;
  std::vector<std::string> cles;
  std::string donnees;
  int statut;
  std::string etiquettes;  // the print file without its closing form feed
  std::string erreurs;
};

void verifie(const Cas& c) {
  Dossier d;
  d.ecrire("t.ini", reglages(c.cles));
  d.ecrire("in.txt", c.donnees);
  const auto r = lancer({"-l", "t.ini"}, d.chemin());
  EXPECT_EQ(r.statut, c.statut) << c.nom;
  EXPECT_EQ(r.erreurs, c.erreurs) << c.nom;
  if (c.statut == 0) {
    EXPECT_EQ(d.lire("out.prn"), c.etiquettes + "\f") << c.nom;
  }
}

const std::string kMio(std::size_t{1} << 20, 'x');

TEST(Lecteurs, EveryRecordWholeOrRefusedByItsLine) {
  const auto ab = etiquette("a", "1") + etiquette("b", "2");
  const Cas cas[] = {
      {"CR seul", {}, "a;1\rb;2\r", 0, ab, ""},
      {"CR seul CSV", {"guillemets=oui"}, "\"a\";1\rb;\"2\"\r", 0, ab, ""},
      {"CR entre guillemets",
       {"guillemets=oui"},
       "\"x\ry\";1\nb;2\n",
       0,
       etiquette("x y", "1") + etiquette("b", "2"),
       ""},
      {"BOM",
       {},
       "\xEF\xBB\xBF"
       "a;1\nb;2\n",
       0,
       ab,
       ""},
      {"BOM entete",
       {"entete=oui", "ligne01=nom", "ligne02=num"},
       "\xEF\xBB\xBFnom;num\na;1\nb;2\n",
       0,
       ab,
       ""},
      {"plus de 1 Mio",
       {},
       "a;1\nb;" + kMio + ";2\nc;3\n",
       1,
       "",
       "Enregistrement trop long ligne 2 du fichier \"in.txt\" (1 Mio au plus)\n"},
      {"plus de 1 Mio CSV",
       {"guillemets=oui"},
       "a;1\n\"b\n\";" + kMio + "\nc;3\n",
       1,
       "",
       "Enregistrement trop long ligne 2 du fichier \"in.txt\" (1 Mio au plus)\n"},
      // The room a margin wider than one fill of 82 spaces leaves over.
      {"marge 200",
       {"marge=200", "nbre_caracteres=10", "nbre_lignes=1"},
       std::string(128, 'a'),
       0,
       std::string(82, ' ') + std::string(128, 'a') + "\n",
       ""},
  };
  for (const Cas& c : cas) verifie(c);
}

TEST(JeuxLus, SetsTheReadersOrThePrinterCannotCutAreRefused) {
  const std::pair<std::string, std::string> refuses[] = {
      {"jeu_donnees", "UTF-16"},       {"jeu_donnees", "UTF-32LE"},
      {"jeu_imprimante", "SHIFT_JIS"}, {"jeu_imprimante", "ISO-2022-JP"},
      {"jeu_imprimante", "GB18030"},   {"jeu_imprimante", "UTF-16"}};
  for (const auto& [cle, jeu] : refuses) {
    const bool donnees = cle == "jeu_donnees";
    verifie({jeu.c_str(),
             {cle + "=" + jeu},
             "a;1\n",
             1,
             "",
             std::string("Jeu de caracteres inutilisable pour ") +
                 (donnees ? "les donnees" : "l'imprimante") + " : \"" + jeu + "\" (" + cle +
                 (donnees ? " ; les fins de ligne n'y sont pas celles de l'ASCII)\n"
                          : " ; un jeu d'un octet par caractere, ou UTF-8)\n")});
  }
  verifie({"CP850",
           {"jeu_imprimante=CP850"},
           "\xC3\xA9;1\n",
           0,
           "\x82" + std::string(11, ' ') + "\n" + remplie("1", 12) + "\n",
           ""});
  verifie({"delimiteur",
           {"delimiteur=\xC2\xA7"},
           "\xC2\xA3\xC2\xA7"
           "1\n",
           1,
           "",
           "Delimiteur invalide : \"\xC2\xA7\" (un caractere ASCII)\n"});
}

TEST(Avertissements, OneLineForEachConditionAndNothingForCleanData) {
  // French addresses in Latin-1: 19 accented letters, each a byte that is
  // not UTF-8, which a guess reads as a Western European set.
  const std::vector<std::pair<std::string, std::string>> adresses = {
      {"J\xE9r\xF4me Lef\xE8vre", "12 rue de l'\xC9glise \xE0 N\xEEmes"},
      {"Fran\xE7oise B\xE9rard",
       "3 all\xE9"
       "e des Tilleuls, Besan\xE7on"},
      {"H\xE9l\xE8ne Despr\xE8s",
       "place du March\xE9, Orl\xE9"
       "ans"},
      {"C\xE9"
       "cile No\xEBl",
       "chemin du Ch\xE2teau, S\xE8te"}};
  std::string latin1;
  std::string etiquettes_latin1;  // the bytes go out as they came
  for (const auto& [nom, rue] : adresses) {
    latin1 += nom + ";" + rue + "\n";
    etiquettes_latin1 += remplie(nom, 30) + "\n" + remplie(rue, 30) + "\n";
  }
  const auto jeu = devine_jeu(latin1);
  std::string suffixe;
  if (jeu) {
    EXPECT_TRUE(*jeu == "ISO-8859-1" || *jeu == "WINDOWS-1252" || *jeu == "ISO-8859-15") << *jeu;
    suffixe = " : jeu_donnees=" + *jeu + " ?";
  }
  const std::string in = "\"in.txt\"";
  const Cas cas[] = {
      {"propre", {}, "a;1\nb;2\n", 0, etiquette("a", "1") + etiquette("b", "2"), ""},
      {"pas UTF-8",
       {"nbre_caracteres=30"},
       latin1,
       0,
       etiquettes_latin1,
       in + " n'est pas en UTF-8 (19 octets)" + suffixe + "\n"},
      {"delimiteur absent",
       {"delimiteur=,"},
       "a;1\nb;2\n",
       0,
       etiquette("a;1", "") + etiquette("b;2", ""),
       "Delimiteur \",\" absent des 2 premiers enregistrements de " + in + "\n" + in +
           " : 2 enregistrements sans le champ 2, le premier ligne 1\n"},
      {"champ absent",
       {},
       "a;1\nb\nc\n",
       0,
       etiquette("a", "1") + etiquette("b", "1") + etiquette("c", "1"),
       in + " : 2 enregistrements sans le champ 2, le premier ligne 2\n"},
      {"coupe",
       {},
       "a;1\nabcdefghijklm;2\nb;123456789abcd\n",
       0,
       etiquette("a", "1") + etiquette("abcdefghijkl", "2") + etiquette("b", "123456789abc"),
       in + " : texte coupe sur 2 lignes d'etiquette, la premiere ligne 1 pour l'enregistrement "
            "ligne 2\n"},
  };
  for (const Cas& c : cas) verifie(c);
  verifie({"auto UTF-8",
           {"jeu_donnees=auto"},
           "\xC3\xA9;1\n",
           0,
           etiquette("\xC3\xA9", "1"),
           "jeu_donnees=auto : " + in + " est en UTF-8\n"});
  if (jeu) {
    // Each Latin-1 byte from 128 up is the code point of its character.
    std::string utf8;
    for (const char c : etiquettes_latin1) {
      const auto o = static_cast<unsigned char>(c);
      if (o < 0x80) {
        utf8 += c;
      } else {
        utf8 += {static_cast<char>(0xC0 | (o >> 6)), static_cast<char>(0x80 | (o & 0x3F))};
      }
    }
    verifie({"auto",
             {"jeu_donnees=auto", "nbre_caracteres=30"},
             latin1,
             0,
             utf8,
             "jeu_donnees=auto : " + *jeu + " pour " + in + "\n"});
  }
}

}  // namespace
}  // namespace vign

namespace vign {
namespace {

// The bytes counted as not UTF-8 follow the well-formedness table of
// Unicode: overlong forms, surrogates, code points past U+10FFFF and cut
// characters count byte by byte; good characters count nothing.
TEST(HorsUtf8, CountsTheBytesThatBelongToNoWellFormedCharacter) {
  const struct {
    std::string octets;
    std::size_t hors;
  } cas[] = {
      {"Hélène à Noël, 12345678", 0},
      {"\xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF", 0},  // U+1F600, U+10FFFF
      {"H\xE9l\xE8ne", 2},                       // Latin-1
      {"\xC0\xAF", 2},                           // overlong '/'
      {"\xE0\x80\xAF", 3},                       // overlong, three bytes
      {"\xED\xA0\x80", 3},                       // a surrogate
      {"\xF4\x90\x80\x80", 4},                   // past U+10FFFF
      {"ab\xC3", 1},                             // cut at the end
      {"\xE2\x82z", 2},                          // cut before a letter
  };
  for (const auto& c : cas) EXPECT_EQ(octets_hors_utf8(c.octets), c.hors) << c.octets;
}

}  // namespace
}  // namespace vign
