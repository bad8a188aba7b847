#include "app/interactif.h"

#include <array>
#include <cstdio>

#include "core/arret.h"
#include "core/ouverture.h"
#include "engine/enregistrement.h"
#include "formats/inifile.h"
#include "tui/aide.h"
#include "tui/choix_planche.h"
#include "tui/execution_ecran.h"
#include "tui/message.h"
#include "tui/mn_fichiers.h"
#include "tui/mn_format.h"
#include "tui/presentation.h"
#include "tui/saisie.h"
#include "tui/wn_format_crea.h"

namespace vign {

namespace {

// The menu box, one screen row each from row 1. Entries begin in column 4 so
// that the mark in column 3 stands just before them; row 8 inside the box is
// where the menu's messages go.
constexpr std::array<const char*, 9> kBoite = {
    "+---------------------+\n",  //
    "|  Aide               |\n",  //
    "|  Formats            |\n",  //
    "|  fIchiers           |\n",  //
    "|  Presentation       |\n",  //
    "|  Execution          |\n",  //
    "|  Quitter            |\n",  //
    "|                     |\n",  //
    "+---------------------+\n",
};

// Screen rows of the entries.
enum Entree { kAide = 2, kFormats, kFichiers, kPresentation, kExecution, kQuitter };

constexpr int kColonneMarque = 3;

// The input file opened for reading, or none: what holds no records to read
// to an end (a directory, a device, a FIFO nobody writes to) counts as no
// file, and the screen never waits on it.
Fichier ouvrir_entree(const std::string& nom) {
  auto f = ouvre_en_lecture(nom, "");
  return f ? std::move(*f) : Fichier();
}

// Waits with the mark on the menu until Enter or F11; returns the row chosen
// (Quitter for F11). The mark never wraps around.
int choisir(Terminal& t, int ligne, int& derniere) {
  int key = 0;
  do {
    key = marque(t, derniere, ligne, kColonneMarque);
    derniere = ligne;
    if (key == kHaut && ligne > kAide) --ligne;
    if (key == kBas && ligne < kQuitter) ++ligne;
    t.rafraichir();
  } while (key != kEntree && key != kF11);
  return key == kF11 ? kQuitter : ligne;
}

// Any key goes on, read whole by the key reader: an arrow or a function key
// must not leave the rest of its sequence to be typed into the next field.
void attendre_touche(Terminal& t) {
  int touche = kErreurTouche;
  while (touche == kErreurTouche) touche = t.lire_touche();
  if (touche == kFinClavier) throw Arret(1, "");
}

// The format menu over the catalogue, or the new format form when there is no
// catalogue to read: the slot chosen, none when the user left.
Issue choisir_format(Etat& st, Terminal& t, const Etapes& etapes) {
  std::vector<int> erreurs;
  {
    // Read whole and closed before any screen: the form may rewrite it.
    const Fichier catalogue(std::fopen(etapes.catalogue.c_str(), "r"));
    if (!catalogue) {
      message(t, "Pas de formats dans " + etapes.catalogue + " ...", 2);
      attendre_touche(t);
      return etapes.format_crea(st, t);
    }
    erreurs = lire_catalogue(st, catalogue.get());
  }
  const Issue choix = etapes.format(st, t, erreurs);
  // The sheet chosen is reviewed in the form: back here, slot 0 holds it.
  if (choix == kChoixPlanches) return etapes.planches(st, t);
  if (choix == 0) return etapes.format_crea(st, t);
  return choix;
}

void etape_formats(Etat& st, Terminal& t, const Etapes& etapes) {
  const Issue choix = choisir_format(st, t, etapes);
  MENU1(t);
  // An F11 keeps the format chosen on an earlier visit, so that FORMAT always
  // names a slot of the table.
  if (choix) {
    st.FORMAT = *choix;
    st.FORMATS = 1;
  }
}

void etape_fichiers(Etat& st, Terminal& t, const Etapes& etapes) {
  st.FICHIER = 1;
  // A fixed layout too wide for the field rows ends the program.
  const auto fait = etapes.fichiers(st, t);
  if (!fait) throw Arret(fait.erreur().statut, fait.erreur().message);
  MENU1(t);
  // A named input file that did not open leaves the files step undone.
  if (!st.pinput && st.ALECRAN == 0) st.FICHIER = 0;
}

// The lines typed for each mode. The state's two tables serve both (screen
// mode types its text into the record's fields and numbers the lines itself),
// and a run from a file leaves its last record in them: each mode gets its
// own lines back before its presentation and its run, so that neither shows
// nor prints what was typed, or read, for the other.
struct Saisies {
  std::array<Ligne, kLignes> textes{};   // screen mode: the text of each line
  std::array<Ligne, kLignes> numeros{};  // screen mode: the line numbers it placed
  std::array<Ligne, kLignes> champs{};   // file mode: the fields placed on each line

  explicit Saisies(const Etat& st) : textes(st.champ), numeros(st.place), champs(st.place) {}

  void rendre(Etat& st) const {
    st.place = st.ALECRAN == 1 ? numeros : champs;
    if (st.ALECRAN == 1) st.champ = textes;
  }
  void garder(const Etat& st) {
    if (st.ALECRAN == 1) {
      textes = st.champ;
      numeros = st.place;
    } else {
      champs = st.place;
    }
  }
};

void etape_presentation(Etat& st, Terminal& t, const Etapes& etapes, Saisies& saisies) {
  if (st.FORMATS != 1) {
    message(t, "Format a definir ...", 2);
    return;
  }
  saisies.rendre(st);
  const Issue faite = st.ALECRAN == 1 ? etapes.ecran(st, t) : etapes.champ(st, t);
  st.PRESENTATION = faite ? 1 : 0;
  saisies.garder(st);
  MENU1(t);
}

// A run of the engine, then the -e file of that run; a failure of either is
// shown under the menu box (the -e file's one row lower).
void imprimer(Etat& st, Terminal& t, const Etapes& etapes, const Saisies& saisies) {
  saisies.rendre(st);
  // The sheet's geometry is the format's, not the user's: the next run, on
  // another format, must not inherit it. The -e file of this run keeps it.
  struct Rendre {
    Etat& st;
    decltype(Options::pdf) avant;
    ~Rendre() { st.options.pdf = avant; }
  } rendre{st, st.options.pdf};
  const auto imprimees = etapes.imprimer(st, t);
  if (!imprimees) {
    montre_message(t, st, imprimees.erreur().message);
    return;
  }
  if (!st.writefile) return;
  if (const auto ecrit = write_inifile(st, *imprimees); !ecrit) {
    montre_message(t, st, ecrit.erreur().message, kRangeeMessages + 1);
  }
}

// The menu is not drawn again afterwards, so that the engine's own messages
// stay on row 8 under the box.
void etape_execution(Etat& st, Terminal& t, const Etapes& etapes, const Saisies& saisies) {
  if (st.FICHIER == 1 && st.FORMATS == 1 && st.PRESENTATION == 1) imprimer(st, t, etapes, saisies);
  const std::array<std::pair<int, const char*>, 3> manques = {{
      {st.FICHIER, "Menu fichier omis\n"},
      {st.FORMATS, "Menu formats omis\n"},
      {st.PRESENTATION, "Menu presen. omis\n"},
  }};
  std::string omis;
  for (const auto& [drapeau, ligne] : manques)
    if (drapeau == 0) omis += ligne;
  message(t, omis, 3);
}

// The order matters to the user's files: the screen is cleared while the
// terminal is still held, then the files are closed, then the terminal is
// given back.
void arreter(Etat& st, Terminal& t) {
  CLS(t);
  if (st.ALECRAN == 0) st.pinput.reset();
  t.terminer();
}

void boucle(Etat& st, Terminal& t, const Etapes& etapes) {
  MENU1(t);
  int ligne = kAide;
  int derniere = ligne;
  Saisies saisies(st);
  for (;;) {
    // After every step the mark stands on the entry below the one just run.
    ligne = choisir(t, ligne + 1, derniere);
    switch (ligne) {
      case kAide:
        etapes.aide(t);
        MENU1(t);
        break;
      case kFormats:
        etape_formats(st, t, etapes);
        break;
      case kFichiers:
        etape_fichiers(st, t, etapes);
        break;
      case kPresentation:
        etape_presentation(st, t, etapes, saisies);
        break;
      case kExecution:
        etape_execution(st, t, etapes, saisies);
        break;
      default:
        return;
    }
  }
}

}  // namespace

void Etapes::aide(Terminal& t) const {
  ecran_aide(t);
}

Issue Etapes::format(Etat& st, Terminal& t, const std::vector<int>& erreurs) const {
  return mn_format(st, t, erreurs);
}

Issue Etapes::format_crea(Etat& st, Terminal& t) const {
  return wn_format_crea(st, t);
}

Issue Etapes::planches(Etat& st, Terminal& t) const {
  return choix_planche(st, t);
}

Resultat<> Etapes::fichiers(Etat& st, Terminal& t) const {
  return choisir_fichiers(st, t);
}

Issue Etapes::ecran(Etat& st, Terminal& t) const {
  return vign_ecran(st, t);
}

Issue Etapes::champ(Etat& st, Terminal& t) const {
  return vign_champ(st, t);
}

Resultat<int> Etapes::imprimer(Etat& st, Terminal& t) const {
  return execution_ecran(st, t);
}

Resultat<> choisir_fichiers(Etat& st, Terminal& t) {
  MenuFichiers menu(t);
  st.inputfile = menu.entree();
  st.ALECRAN = st.inputfile == kEcran ? 1 : 0;
  if (st.ALECRAN == 0) {
    // Closed before the next one opens, so that no visit leaves a handle behind.
    st.pinput.reset();
    st.pinput = ouvrir_entree(st.inputfile);
    if (!st.pinput) {
      menu.absente(st.inputfile);
    } else {
      // The layout is read again at every visit, so that a change made to
      // it meanwhile is taken up.
      auto fixe = analyse_format_fixe(st.formatfile);
      if (!fixe) return fixe.erreur();
      st.disposition = *fixe;
      if (!st.disposition) st.delimiteur = menu.delimiteur();
    }
  }
  st.outputfile = menu.sortie();
  return {};
}

void MENU1(Terminal& t) {
  CLS(t);
  pos(t, 1, 1);
  for (const char* ligne : kBoite) affiche(t, ligne);
  t.rafraichir();
}

int traitement_interactif(Etat& st, Terminal& t, const Etapes& etapes) {
  try {
    boucle(st, t, etapes);
  } catch (...) {
    t.terminer();
    throw;
  }
  arreter(st, t);
  return 0;
}

}  // namespace vign
