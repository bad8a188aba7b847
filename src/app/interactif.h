// The interactive run: the main menu and its steps, until Quitter.
#pragma once

#include <string>
#include <vector>

#include "core/etat.h"
#include "core/resultat.h"
#include "formats/catalogue.h"
#include "tui/issue.h"
#include "tui/terminal.h"

namespace vign {

// The screens the main menu opens, one per entry, each a plain call of the
// program's own screen. The menu's tests put stand-ins in place of some, to
// watch the order of the steps and the flags without the screens themselves;
// the fuzzer checks what the files step leaves.
class Etapes {
 public:
  virtual ~Etapes() = default;
  // The help pages.
  virtual void aide(Terminal& t) const;
  // The format menu over the catalogue read (its short lines in `erreurs`):
  // the slot chosen, 0 for a new format, kChoixPlanches; none on F11.
  virtual Issue format(Etat& st, Terminal& t, const std::vector<int>& erreurs) const;
  // The new format form: done when slot 0 holds a format.
  virtual Issue format_crea(Etat& st, Terminal& t) const;
  // A sheet of the trade taken as the new format: as format_crea.
  virtual Issue planches(Etat& st, Terminal& t) const;
  // The files menu and what it names: see choisir_fichiers.
  virtual Resultat<> fichiers(Etat& st, Terminal& t) const;
  // The presentation in screen mode: done when every line was gone through.
  virtual Issue ecran(Etat& st, Terminal& t) const;
  // The presentation in file mode: as ecran.
  virtual Issue champ(Etat& st, Terminal& t) const;
  // The engine's run on screen: the labels printed, or why it failed.
  virtual Resultat<int> imprimer(Etat& st, Terminal& t) const;

  std::string catalogue = kCatalogue;  // the format catalogue, in the current directory
};

// The files step: the files menu asks for the names, then the input file is
// opened as st.pinput (the one an earlier visit opened is closed first) or
// "Pas de fichier..." says it is not there; for an input file that opened,
// st.formatfile names the fixed layout (read again at every visit, so that a
// change made to it meanwhile is taken up), else the delimiter is asked. An
// empty name or "ECRAN" chooses screen mode, and only the print file is asked.
// Fails, at once, when the fixed layout holds a width no field can take.
Resultat<> choisir_fichiers(Etat& st, Terminal& t);

// Clears the screen and draws the main menu box in the top left corner.
void MENU1(Terminal& t);

// Draws the main menu, runs the chosen steps until Quitter (or F11), then
// clears the screen, closes the files and gives the terminal back. Returns
// the exit status of the program. The terminal is given back on every way
// out, an Arret thrown by a step (or by a keyboard gone for good) included.
int traitement_interactif(Etat& st, Terminal& t, const Etapes& etapes = Etapes());

}  // namespace vign
