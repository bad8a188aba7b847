// The codes form of the presentation screens: the codes a label carries
// (st.options.codes, as [codes] code1 to code9 hold them), typed in the
// title box, and shown in the label frame as blocks of '#'.
#pragma once

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

// Asks in the title box for a code's number (1 to 9), then its type, field,
// column, line, width and height, each shown with its current value, which
// an empty answer keeps; Up goes back one field. A type left empty removes
// the code. A code that does not read or does not fit the label is refused
// on the bottom row of the screen and its type asked again; F11 leaves the form, changing
// nothing of the code under way.
void codes_ecran(Etat& st, Terminal& t);

// Draws each code's box, as '#', over the label frame whose first cell is at
// screen row 5, column 2.
void montre_codes(const Etat& st, Terminal& t);

}  // namespace vign
