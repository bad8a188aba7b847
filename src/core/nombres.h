// Numbers typed by users or read from files.
#pragma once

#include <string_view>

namespace vign {

// Reads a decimal integer the way users of the program expect every number to
// be read: leading white space skipped, an optional sign, then digits up to
// the first other character; no digits give 0. Values past the range of int
// stop at its limits.
int entier(std::string_view texte);

}  // namespace vign
