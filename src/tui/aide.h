#pragma once

#include "tui/terminal.h"

namespace vign {

// The four pages of built-in help, one terminating key per page.
void ecran_aide(Terminal& t);

}  // namespace vign
