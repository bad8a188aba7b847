// Control strings come from the catalogue, the settings file and the keyboard:
// any bytes at all. The decoder must neither read past the typed text nor
// give a string the printer would see cut or lengthened.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/controle.h"
#include "outils_fuzz.h"

namespace {

// What the users are told: a backslash and the three characters after it are
// one byte, 100*c1 + 10*c2 + c3 less 5328 (the three '0'), modulo 256; a
// backslash too near the end is dropped with what follows it; a zero byte,
// typed or decoded, ends what is sent.
std::string attendu(std::string_view typed) {
  std::string out;
  for (std::size_t i = 0; i < typed.size();) {
    unsigned char octet = static_cast<unsigned char>(typed[i]);
    std::size_t pas = 1;
    if (octet == '\\') {
      if (typed.size() - i < 4) break;
      long v = 0;
      for (std::size_t k = 1; k <= 3; ++k) v = v * 10 + static_cast<unsigned char>(typed[i + k]);
      v -= 100 * '0' + 10 * '0' + '0';
      octet = static_cast<unsigned char>(((v % 256) + 256) % 256);
      pas = 4;
    }
    if (octet == 0) break;
    out.push_back(static_cast<char>(octet));
    i += pas;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using vign::fuzz::exiger;
  const std::string_view typed(reinterpret_cast<const char*>(data), size);
  const vign::Controle decode = vign::char_to_spec(typed);
  if (typed.empty()) {
    exiger(!decode, "un texte vide donne une chaine");
    return 0;
  }
  exiger(decode.has_value(), "un texte non vide ne donne aucune chaine");
  exiger(decode->size() <= typed.size(), "la chaine decodee est plus longue que le texte");
  exiger(decode->find('\0') == std::string::npos, "un octet nul dans la chaine decodee");
  exiger(*decode == attendu(typed), "decodage different de la regle annoncee");
  return 0;
}
