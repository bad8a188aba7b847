// The interactive run: the main menu and its steps, until Quitter.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/etat.h"
#include "core/resultat.h"
#include "formats/catalogue.h"
#include "tui/terminal.h"

namespace vign {

// The screens the main menu opens, one per entry. The program uses the real
// ones; the menu's tests put their own in their place to watch the order of
// the steps and the flags without the screens themselves.
struct Etapes {
  std::function<void(Terminal&)> aide;
  std::function<int(Etat&, Terminal&)> format;       // slot chosen, 0 new format, -1 F11
  std::function<int(Etat&, Terminal&)> format_crea;  // 0 a format in slot 0, -1 none
  std::function<int(Etat&, Terminal&)> planches;     // a sheet of the trade: as format_crea
  std::function<Resultat<>(Etat&, Terminal&, const std::optional<std::string>&)> fichiers;
  std::function<int(Etat&, Terminal&)> ecran;               // presentation in screen mode: 1 done
  std::function<int(Etat&, Terminal&)> champ;               // presentation in file mode: 1 done
  std::function<Resultat<int>(Etat&, Terminal&)> imprimer;  // the engine run on screen
  std::string catalogue = kCatalogue;  // the format catalogue, in the current directory

  // The program's own screens.
  static Etapes reelles();
};

// Clears the screen and draws the main menu box in the top left corner.
void MENU1(Terminal& t);

// Draws the main menu, runs the chosen steps until Quitter (or F11), then
// clears the screen, closes the files and gives the terminal back. Returns
// the exit status of the program. The terminal is given back on every way
// out, an Arret thrown by a step (or by a keyboard gone for good) included.
int traitement_interactif(Etat& st, Terminal& t, const Etapes& etapes = Etapes::reelles());

}  // namespace vign
