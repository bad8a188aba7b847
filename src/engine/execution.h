// The label printing engine: one call makes one complete run into the print
// file named outputfile.
#pragma once

#include "core/etat.h"
#include "tui/terminal.h"

namespace vign {

// Prints the labels of the selected format, files and presentation. ecran is
// the screen of an interactive run, where the count prompt and the messages
// go; a batch run passes nullptr and nothing is shown. Returns 0 when the run
// went through, 1 when it failed (the reason has then been given in one line:
// on the screen, or on standard error in a batch run).
int execution(Etat& st, Terminal* ecran);

}  // namespace vign
