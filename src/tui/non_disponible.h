// Screens that are not built yet say so on the main menu's message row and
// change nothing. (To be removed once every screen is in.)
#pragma once

#include "tui/terminal.h"

namespace vign {

void non_disponible(Terminal& t, const char* ecran);

}  // namespace vign
