// The batch run: labels printed from a settings file, with no screen.
#pragma once

#include "core/etat.h"

namespace vign {

// Fills the state from the settings file st.inifile, opens the input, runs the
// engine once. Returns the exit status of the program.
int traitement_batch(Etat& st);

}  // namespace vign
