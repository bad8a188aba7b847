// Attribute entry: a pair of printer strings wrapped around one field (file
// mode) or one label line (screen mode), typed in the title box of a
// presentation screen.
#pragma once

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

// Asks, in the title box drawn by the presentation screens, for a number
// (0 to 49), its activation string and its deactivation string; Up goes back
// one step. The strings are stored decoded in avtchamp / aprchamp.
//
// A number is printed with its strings (attr[k] == '1') only while both
// strings exist, so the print never meets a half-defined attribute:
// - typing the number switches it on, as long as both of its strings exist;
// - leaving a string empty switches it off, until the number is typed again;
// - typing another number after going back switches the number left off,
//   unless both of its strings were typed in this same entry.
// Numbers outside 0..49 are refused and the number is asked again.
void attr_champ(Etat& st, Terminal& t);

}  // namespace vign
