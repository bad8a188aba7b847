// The batch run: labels printed from a settings file, with no screen.
#pragma once

#include "core/etat.h"

namespace vign {

// Fills the state from the settings file st.inifile (the format into slot 0,
// the file names, the delimiter or the fixed layout of -f, the label lines),
// opens the input, runs the engine once, then writes the -e file. Returns the
// exit status of the program: 0 when the labels were printed; a failure is
// one line on standard error and status 1.
int traitement_batch(Etat& st);

}  // namespace vign
