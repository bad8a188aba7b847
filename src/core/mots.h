// Words of a settings value: the blanks around them and their letters' case
// say nothing. A settings file edited on another system ends its lines with a
// carriage return, which is as blank as a space.
#pragma once

#include <algorithm>
#include <string_view>

namespace vign {

// The characters that surround a value without being part of it.
inline constexpr std::string_view kBlancsValeur = " \t\r";

// The value with the blanks at both ends removed.
inline std::string_view sans_blancs(std::string_view v) {
  const std::size_t debut = v.find_first_not_of(kBlancsValeur);
  if (debut == std::string_view::npos) return {};
  return v.substr(debut, v.find_last_not_of(kBlancsValeur) - debut + 1);
}

// True when the value is empty or blanks only: it says nothing.
inline bool blanc(std::string_view v) {
  return v.find_first_not_of(kBlancsValeur) == std::string_view::npos;
}

// True when a and b hold the same ASCII letters, whatever their case; bytes
// past ASCII compare as they are.
inline bool memes_lettres(std::string_view a, std::string_view b) {
  const auto min = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&min](char x, char y) { return min(x) == min(y); });
}

}  // namespace vign
