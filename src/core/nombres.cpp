#include "core/nombres.h"

#include <charconv>
#include <climits>

namespace vign {

int entier(std::string_view texte) {
  std::size_t i = 0;
  auto blanc = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (i < texte.size() && blanc(texte[i])) ++i;
  bool negatif = false;
  if (i < texte.size() && (texte[i] == '+' || texte[i] == '-')) negatif = texte[i++] == '-';
  long long v = 0;
  for (; i < texte.size() && texte[i] >= '0' && texte[i] <= '9'; ++i) {
    if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (texte[i] - '0');
  }
  if (negatif) v = -v;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

std::string decimal(double x, int chiffres) {
  char texte[400];  // the widest double written in full, with its decimals
  const auto r = std::to_chars(texte, texte + sizeof texte, x, std::chars_format::fixed, chiffres);
  std::string s(texte, r.ec == std::errc{} ? r.ptr : texte);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

}  // namespace vign
