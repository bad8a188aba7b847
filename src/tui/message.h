// The messages of the program's screens on the rows under the main menu box.
#pragma once

#include <string>
#include <string_view>

#include "core/etat.h"
#include "tui/saisie.h"
#include "tui/terminal.h"

namespace vign {

// Prints texte as it is at row `rangee`, column `colonne` (both from 1), and
// makes it visible. Without a line feed of its own the text leaves the rest
// of the row, a box's right side say, as it stood.
void message(Terminal& t, std::string_view texte, int colonne, int rangee = kRangeeMessages);

// A message on a row of its own, from `colonne` to the end of the row. A
// message that would run past the screen's edge leaves out the names of the
// input and print files it quotes.
void montre_message(Terminal& t, const Etat& st, std::string texte, int rangee = kRangeeMessages,
                    int colonne = 3);

}  // namespace vign
