#include "support/ecran_memoire.h"

#include "core/colonnes.h"
#include "tui/saisie.h"

namespace vign {

namespace {

// The right half of a wide character: read back as nothing.
constexpr char32_t kDroite = 0xFFFFFFFF;

void vider(std::array<std::array<char32_t, kColonnes>, kRangees>& g) {
  for (auto& r : g) r.fill(U' ');
}

std::string sans_blancs(const std::array<char32_t, kColonnes>& r, bool utf8) {
  std::string s;
  for (char32_t c : r) {
    if (c == kDroite) continue;
    if (utf8) {
      ajouter_utf8(s, c);
    } else {
      s.push_back(static_cast<char>(c));
    }
  }
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

}  // namespace

EcranMemoire::EcranMemoire(bool utf8) : utf8_(utf8) {
  vider(travail_);
  vider(visible_);
}

void EcranMemoire::taper(std::initializer_list<int> touches) {
  touches_.insert(touches_.end(), touches.begin(), touches.end());
}

void EcranMemoire::taper(std::string_view texte) {
  while (!texte.empty()) {
    const std::size_t n = utf8_ ? longueur_utf8(texte) : 0;
    if (n > 1) {
      touches_.push_back(kCaractere + static_cast<int>(point_utf8(texte)));
    } else {
      touches_.push_back(static_cast<unsigned char>(texte.front()));
    }
    texte.remove_prefix(n > 1 ? n : 1);
  }
}

void EcranMemoire::taper_octets(std::string_view octets) {
  for (char c : octets) octets_.push_back(static_cast<unsigned char>(c));
}

std::string EcranMemoire::rangee(int r) const {
  if (r < 0 || r >= kRangees) return {};
  return sans_blancs(visible_[static_cast<std::size_t>(r)], utf8_);
}

std::string EcranMemoire::texte() const {
  std::string s;
  for (const auto& r : visible_) s += sans_blancs(r, utf8_) + "\n";
  return s;
}

void EcranMemoire::effacer() {
  pris_ = true;
  vider(travail_);
  rangee_ = 0;
  colonne_ = 0;
  rafraichir();
}

void EcranMemoire::deplacer(int rangee, int colonne) {
  if (rangee < 0 || rangee >= kRangees || colonne < 0 || colonne >= kColonnes) return;
  rangee_ = rangee;
  colonne_ = colonne;
}

void EcranMemoire::ecrire(std::string_view texte) {
  while (!texte.empty()) {
    const char c = texte.front();
    const std::size_t n = utf8_ ? longueur_utf8(texte) : 1;
    const std::string_view sequence = texte.substr(0, n);
    texte.remove_prefix(n > 0 ? n : 1);
    auto& ligne = travail_[static_cast<std::size_t>(rangee_)];
    if (c == '\n') {
      for (int k = colonne_; k < kColonnes; ++k) ligne[static_cast<std::size_t>(k)] = U' ';
      if (rangee_ + 1 < kRangees) ++rangee_;
      colonne_ = 0;
    } else if (c == '\b') {
      if (colonne_ > 0) --colonne_;
    } else if (!utf8_) {
      poser(static_cast<unsigned char>(c));
    } else if (n == 0) {
      poser(U'?');
    } else {
      const long long w = colonnes(sequence);
      if (w > 0) poser(point_utf8(sequence));
      if (w > 1) poser(kDroite);
    }
  }
}

void EcranMemoire::poser(char32_t c) {
  auto& ligne = travail_[static_cast<std::size_t>(rangee_)];
  const auto k = static_cast<std::size_t>(colonne_);
  // Half a wide character overwritten takes the other half with it.
  if (c != kDroite && ligne[k] == kDroite && k > 0) ligne[k - 1] = U' ';
  if (k + 1 < ligne.size() && ligne[k + 1] == kDroite) ligne[k + 1] = U' ';
  ligne[k] = c;
  if (colonne_ + 1 < kColonnes) {
    ++colonne_;
  } else if (rangee_ + 1 < kRangees) {
    ++rangee_;
    colonne_ = 0;
  }
}

void EcranMemoire::rafraichir() {
  visible_ = travail_;
}

int EcranMemoire::lire_touche() {
  // Reading a key shows the screen first, as curses does.
  rafraichir();
  if (touches_.empty()) return kFinClavier;
  const int k = touches_.front();
  touches_.pop_front();
  return k;
}

int EcranMemoire::lire_octet() {
  if (octets_.empty()) return -1;
  const int o = octets_.front();
  octets_.pop_front();
  return o;
}

}  // namespace vign
