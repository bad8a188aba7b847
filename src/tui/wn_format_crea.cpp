#include "tui/wn_format_crea.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

#include "core/colonnes.h"
#include "core/controle.h"
#include "core/nombres.h"
#include "formats/catalogue.h"
#include "tui/forme.h"
#include "tui/saisie.h"

namespace vign {

namespace {

constexpr std::array<const char*, 16> kForme = {
    "!+++++++++++++++++++++++++++++ Nouveau format ++++++++++++++++++++++++++\"\n",
    "* Nom du nouveau format ............ : ______________________________   *\n",
    "* Nombre de caracteres par etiquette : ___                              *\n",
    "* Nombre de lignes par etiquette ... : ___                              *\n",
    "* Nombre d'etiquette en largeur .... : ___                              *\n",
    "* Nombre d'espaces entre etiquettes  : ___                              *\n",
    "* Nombre de ligne entre etiquettes . : ___                              *\n",
    "* Marge de gauche .................. : ___                              *\n",
    "* Nombre d'etiquette par page ...... : ___                              *\n",
    "* Nombre de page de cadrage ........ : ___                              *\n",
    "* Chaine a envoyer avant la page ... :  (ex : \\027E pour <ESC>E)        *\n",
    "* _____________________________________________________________________ *\n",
    "* Chaine a envoyer apres la page ... :  (ex : \\012 pour <Form Feed>)    *\n",
    "* _____________________________________________________________________ *\n",
    "*                                                                       *\n",
    "#+++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++++$",
};
constexpr int kRangeeForme = 6;

// Where each field of the form is typed, in the order the form asks for them.
// A ';' in a text would end the field early when the catalogue is read back
// and shift every later field of the line; a page string can still carry
// that byte as \059.
constexpr std::array<ChampForme, 11> kChamps = {{{{7, 40, 30}, ";"},
                                                 {{8, 40, 3}},
                                                 {{9, 40, 3}},
                                                 {{10, 40, 3}},
                                                 {{11, 40, 3}},
                                                 {{12, 40, 3}},
                                                 {{13, 40, 3}},
                                                 {{14, 40, 3}},
                                                 {{15, 40, 3}},
                                                 {{17, 3, 69}, ";"},
                                                 {{19, 3, 69}, ";"}}};
constexpr int kNom = 1;
constexpr int kAvant = 10;
constexpr int kApres = 11;

// The row of the form's question and messages, and where its answer is typed.
constexpr int kRangeeMessage = 20;
constexpr int kColonneReponse = 56;

// The number stored by steps 2 to 9, in slot 0.
constexpr std::array<int Format::*, 8> kNombresDesEtapes = {
    &Format::maxcareti,    &Format::maxligeti, &Format::etilar,    &Format::maxintetihor,
    &Format::maxintetiver, &Format::marge,     &Format::maxetipag, &Format::maxpagcad};

int& nombre(Etat& st, int etape) {
  return st.formats[0].*kNombresDesEtapes[static_cast<std::size_t>(std::clamp(etape, 2, 9) - 2)];
}

void stocker(Etat& st, int etape, const std::string& texte) {
  if (etape == kNom) {
    nommer(st.formats[0].libelle, texte);
  } else if (etape == kAvant) {
    st.formats[0].avtpagimp = texte;
    st.formats[0].avtpage = char_to_spec(texte);
  } else if (etape == kApres) {
    st.formats[0].aprpagimp = texte;
    st.formats[0].aprpage = char_to_spec(texte);
  } else {
    nombre(st, etape) = entier(texte);
  }
}

void dessiner(Terminal& t) {
  std::string forme;
  for (const char* ligne : kForme) forme += ligne;
  pos(t, kRangeeForme, 1);
  affiche(t, forme);
  t.rafraichir();
}

// What a field holds, as the form shows it for review.
std::string valeur(Etat& st, int etape) {
  if (etape == kNom) return std::string(st.formats[0].libelle.view());
  if (etape == kAvant) return st.formats[0].avtpagimp;
  if (etape == kApres) return st.formats[0].aprpagimp;
  return std::to_string(nombre(st, etape));
}

void montrer_valeurs(Etat& st, Terminal& t) {
  for (int etape = 1; etape <= static_cast<int>(kChamps.size()); ++etape) {
    const Zone& z = kChamps[static_cast<std::size_t>(etape - 1)].zone;
    const std::string v = valeur(st, etape);
    pos(t, z.ligne, z.colonne);
    affiche(t, std::string_view(v).substr(0, coupe(v, z.longueur)));
  }
  t.rafraichir();
}

// Reads the eleven fields; false when the user abandons the form with F11.
// In review, each field starts from the value it shows, to be edited.
bool saisir(Etat& st, Terminal& t, bool revue) {
  // Field i asks for step i + 1; an empty entry keeps the value.
  return saisir_forme(
      t, kChamps, revue, [&st](std::size_t i) { return valeur(st, static_cast<int>(i) + 1); },
      [&st](std::size_t i, const std::string&, const std::string& texte) {
        if (!texte.empty()) stocker(st, static_cast<int>(i) + 1, texte);
      });
}

// Shows one line at row 20 in place of whatever stood there, and waits for the
// user to acknowledge it.
void signaler(Terminal& t, std::string_view texte) {
  dire_forme(t, kRangeeMessage, texte);
  attendre_forme(t);
}

// A catalogue that is there but cannot be read must not be written to: what
// it holds is not known, and its formats would be lost with it.
bool catalogue_illisible() {
  struct stat s {};
  if (::lstat(kCatalogue, &s) != 0) return false;
  const Fichier lu(std::fopen(kCatalogue, "r"));
  return !lu;
}

bool demander(Terminal& t) {
  return oui_forme(t, kRangeeMessage,
                   "Format a inserer dans le fichier des formats (O/N) : ", kColonneReponse);
}

// Nothing is written unless the user says O, and then only under the
// catalogue's lock, from the catalogue as it is on disk at that moment:
// another copy of the program may have added a format since it was read.
void enregistrer(Etat& st, Terminal& t) {
  if (st.MAXFORMAT >= kMaxCatalogue) {
    signaler(t, catalogue_plein());
    return;
  }
  if (catalogue_illisible()) {
    signaler(t, std::string("Fichier ") + kCatalogue + " illisible. Format non insere...");
    return;
  }
  // Told before the question, so that nobody answers for nothing.
  if (const auto possible = catalogue_modifiable(kCatalogue); !possible) {
    signaler(t, possible.erreur().message);
    return;
  }
  if (!demander(t)) return;
  {
    VerrouCatalogue verrou(kCatalogue);
    if (const auto fait = verrou.ajouter(ligne_catalogue(st, 0)); !fait)
      signaler(t, fait.erreur().message);
  }
}

// The form over slot 0 as it stands; F11 puts it back as it was.
Issue remplir(Etat& st, Terminal& t, const Format& avant, bool revue) {
  if (!saisir(st, t, revue)) {
    st.formats[0] = avant;
    return std::nullopt;
  }
  enregistrer(st, t);
  return kFaite;
}

}  // namespace

Issue wn_format_crea(Etat& st, Terminal& t) {
  const Format avant = st.formats[0];
  dessiner(t);
  st.formats[0].avtpagimp.clear();
  st.formats[0].aprpagimp.clear();
  st.formats[0].avtpage.reset();
  st.formats[0].aprpage.reset();
  // A format typed by hand is for a printer: it has no sheet of its own.
  st.formats[0].planche.clear();
  return remplir(st, t, avant, false);
}

Issue wn_format_revue(Etat& st, Terminal& t, const Format& avant) {
  dessiner(t);
  montrer_valeurs(st, t);
  return remplir(st, t, avant, true);
}

}  // namespace vign
