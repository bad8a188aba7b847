#include "core/arret.h"

#include <cerrno>
#include <cstring>

namespace vign {

std::string avec_raison(const std::string& texte) {
  return texte + ": " + std::strerror(errno);
}

}  // namespace vign
