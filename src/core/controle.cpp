#include "core/controle.h"

namespace vign {

Controle char_to_spec(std::string_view typed) {
  if (typed.empty()) return std::nullopt;
  std::string out;
  out.reserve(typed.size());
  for (std::size_t i = 0; i < typed.size();) {
    const auto c = static_cast<unsigned char>(typed[i]);
    if (c != '\\') {
      if (c == 0) break;
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    if (typed.size() - i < 4) break;  // an escape cut short by the end of the text
    const auto d = [&](std::size_t k) { return static_cast<unsigned char>(typed[i + k]) - 48; };
    const int octet = ((100 * d(1) + 10 * d(2) + d(3)) % 256 + 256) % 256;
    if (octet == 0) break;  // the printer would never see past it
    out.push_back(static_cast<char>(octet));
    i += 4;
  }
  return out;
}

}  // namespace vign
