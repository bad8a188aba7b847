#include "core/resultat.h"

#include <cerrno>
#include <cstring>

namespace vign {

std::string cite(std::string_view nom) {
  std::string s = "\"";
  for (const char c : nom) {
    const auto o = static_cast<unsigned char>(c);
    if (c == '\r') {
      s += "\\r";
    } else if (c == '\t') {
      s += "\\t";
    } else if (c == '\n') {
      s += "\\n";
    } else if (o < 0x20 || o == 0x7f) {
      static constexpr char kHex[] = "0123456789ABCDEF";
      s += "\\x";
      s += kHex[o >> 4];
      s += kHex[o & 0xf];
    } else {
      s += c;
    }
  }
  s += '"';
  return s;
}

std::string avec_raison(const std::string& texte) {
  const int err = errno;
  return texte + ": " + std::strerror(err);
}

std::string avec_raison(const std::string& texte, std::string_view nom) {
  const int err = errno;
  return texte + " " + cite(nom) + " : " + std::strerror(err);
}

Erreur valeur_invalide(std::string detail) {
  return Erreur{.message = "Valeur invalide : " + detail, .valeur = std::move(detail)};
}

Erreur valeur_invalide_lue(std::string detail) {
  return Erreur{.message = "Valeur invalide dans le fichier BATCH : " + detail,
                .valeur = std::move(detail)};
}

}  // namespace vign
