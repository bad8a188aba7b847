// Numbers typed by users or read from files.
#pragma once

#include <string>
#include <string_view>

namespace vign {

// Reads a decimal integer the way users of the program expect every number to
// be read: leading white space skipped, an optional sign, then digits up to
// the first other character; no digits give 0. Values past the range of int
// stop at its limits.
int entier(std::string_view texte);

// x written with at most `chiffres` decimals, rounded, without the zeros
// that end its decimals nor a point left alone ("12.5", "3"), whatever the
// locale: the way a measure is written back into a file or a message.
std::string decimal(double x, int chiffres);

}  // namespace vign
