// The Execution entry on screen: the engine's run told under the main menu
// box (the count prompt of screen mode, "Please wait ...", the count of
// labels printed), and the one place that shows a message on the menu's row.
#pragma once

#include <string>

#include "core/etat.h"
#include "core/resultat.h"
#include "tui/saisie.h"
#include "tui/terminal.h"

namespace vign {

// Shows a message at row `rangee`, column `colonne`, and makes it visible. A
// message that would run past the screen's edge leaves out the names of the
// input and print files it quotes.
void montre_message(Terminal& t, const Etat& st, std::string texte, int rangee = kRangeeMessages,
                    int colonne = 3);

// Runs the engine with its progress shown on screen; the failure, if any, is
// returned for the caller to show. A PDF or PNG print file of a format that
// names its sheet is drawn at that sheet's geometry: the [pdf] values the user
// did not set are filled in st.options.pdf (the caller puts them back), and
// the count line names the sheet.
Resultat<int> execution_ecran(Etat& st, Terminal& t);

}  // namespace vign
