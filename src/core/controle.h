// Printer control strings.
//
// Users type control strings as text in which a backslash and the next three
// characters stand for one byte: "\027E" is ESC E, "\012" a form feed. The
// catalogue, the form and the settings file keep the typed form; the print
// file gets the decoded bytes.
#pragma once

#include <string_view>

#include "core/etat.h"

namespace vign {

// Decodes a typed control string. An empty text gives no string at all.
// Each backslash takes the next three characters c1 c2 c3, whatever they are,
// as the byte (100*(c1-'0') + 10*(c2-'0') + (c3-'0')) modulo 256. A decoded
// zero byte ends the string: nothing after it can be sent. A backslash with
// fewer than three characters left is dropped together with them.
Controle char_to_spec(std::string_view typed);

}  // namespace vign
