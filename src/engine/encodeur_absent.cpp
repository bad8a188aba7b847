// The encoder of a build without libzint.
#include "engine/encodeur.h"

namespace vign {

bool codes_construits() {
  return false;
}

Encodeur::Encodeur() = default;
Encodeur::~Encodeur() = default;

Resultat<Symbole> Encodeur::encode(TypeCode, std::string_view) {
  return Erreur{"codes non construits : libzint-dev manquait a la construction de vign"};
}

}  // namespace vign
