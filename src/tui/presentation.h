// The presentation screens: what goes on each line of a label.
//
// Both draw a title box (where attribute entry takes place) and a picture of
// the label, a frame as wide as its characters and as tall as its lines, in
// which the user works line by line. Enter, Down and Break go to the next
// line, Up to the one before, F1 asks for attribute entry, F11 abandons.
#pragma once

#include "core/etat.h"
#include "tui/issue.h"
#include "tui/terminal.h"

namespace vign {

// Screen mode: the text of each label line is typed into champ, and row i of
// place is set to "i" so that line i prints that text. Done when every line
// was gone through; none when the label is too large or F11 abandoned it.
Issue vign_ecran(Etat& st, Terminal& t);

// File mode: the fields of each label line ("1", "3+4") are typed into place.
// Same result as vign_ecran.
Issue vign_champ(Etat& st, Terminal& t);

}  // namespace vign
