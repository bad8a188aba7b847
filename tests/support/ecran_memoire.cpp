#include "support/ecran_memoire.h"

namespace vign {

namespace {

void vider(std::array<std::array<char, kColonnes>, kRangees>& g) {
  for (auto& r : g) r.fill(' ');
}

std::string sans_blancs(const std::array<char, kColonnes>& r) {
  std::string s(r.begin(), r.end());
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

}  // namespace

EcranMemoire::EcranMemoire() {
  vider(travail_);
  vider(visible_);
}

void EcranMemoire::taper(std::initializer_list<int> touches) {
  touches_.insert(touches_.end(), touches.begin(), touches.end());
}

void EcranMemoire::taper(std::string_view texte) {
  for (char c : texte) touches_.push_back(static_cast<unsigned char>(c));
}

void EcranMemoire::taper_octets(std::string_view octets) {
  for (char c : octets) octets_.push_back(static_cast<unsigned char>(c));
}

std::string EcranMemoire::rangee(int r) const {
  if (r < 0 || r >= kRangees) return {};
  return sans_blancs(visible_[static_cast<std::size_t>(r)]);
}

std::string EcranMemoire::texte() const {
  std::string s;
  for (const auto& r : visible_) s += sans_blancs(r) + "\n";
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
  for (char c : texte) {
    auto& ligne = travail_[static_cast<std::size_t>(rangee_)];
    if (c == '\n') {
      for (int k = colonne_; k < kColonnes; ++k) ligne[static_cast<std::size_t>(k)] = ' ';
      if (rangee_ + 1 < kRangees) ++rangee_;
      colonne_ = 0;
    } else if (c == '\b') {
      if (colonne_ > 0) --colonne_;
    } else {
      ligne[static_cast<std::size_t>(colonne_)] = c;
      if (colonne_ + 1 < kColonnes) {
        ++colonne_;
      } else if (rangee_ + 1 < kRangees) {
        ++rangee_;
        colonne_ = 0;
      }
    }
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
