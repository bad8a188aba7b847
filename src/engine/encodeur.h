// The symbol of one value, made by libzint when the program was built with
// it (Debian: libzint-dev); without it every value is refused in words.
#pragma once

#include <string_view>

#include "core/resultat.h"
#include "engine/codes.h"

struct zint_symbol;

namespace vign {

// Whether this build can make symbols at all.
bool codes_construits();

// One encoder serves a whole run: it keeps one libzint symbol and clears it
// between values, so that encoding the ten-thousandth label costs what the
// first did and memory stays where it was.
class Encodeur {
 public:
  Encodeur();
  ~Encodeur();
  Encodeur(const Encodeur&) = delete;
  Encodeur& operator=(const Encodeur&) = delete;

  // The symbol of a UTF-8 value, quiet zones included and no human-readable
  // text, or why the symbology cannot hold it (a letter in an EAN-13, a
  // wrong length, a wrong check digit, too much data), in one French line.
  Resultat<Symbole> encode(TypeCode type, std::string_view valeur);

 private:
  zint_symbol* symbole_ = nullptr;
};

}  // namespace vign
