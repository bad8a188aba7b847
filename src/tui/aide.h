// The built-in help: four pages of fixed text behind the Aide entry of the
// main menu.
#pragma once

#include "tui/terminal.h"

namespace vign {

// Shows the four pages one after the other over the current screen; any
// terminating key turns the page (there is no way back and no early exit).
// The caller draws its own screen again afterwards.
void ecran_aide(Terminal& t);

}  // namespace vign
