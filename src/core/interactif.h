// The interactive run: the main menu and its steps, until Quitter.
#pragma once

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

// Draws the main menu, runs the chosen steps until Quitter (or F11), then
// clears the screen, closes the files and gives the terminal back. Returns
// the exit status of the program.
int traitement_interactif(Etat& st, Terminal& t);

}  // namespace vign
