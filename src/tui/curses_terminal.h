// The real terminal, through curses. Only the program's entry point makes one.
#pragma once

#include <memory>

#include "tui/terminal.h"

namespace vign {

std::unique_ptr<Terminal> terminal_curses();

}  // namespace vign
