#include "formats/catalogue.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/controle.h"
#include "core/nombres.h"

namespace vign {

namespace {

constexpr int kChamps = 11;       // fields of a catalogue line
constexpr std::size_t kNom = 30;  // columns of the name in a written line

void vider_slot(Etat& st, int slot) {
  const auto k = static_cast<std::size_t>(slot);
  st.formats[k].libelle.clear();
  for (int* v : nombres_du_format(st, slot)) *v = 0;
  st.formats[k].avtpagimp.clear();
  st.formats[k].aprpagimp.clear();
  st.formats[k].avtpage.reset();
  st.formats[k].aprpage.reset();
}

// The form rewrites every line in the writer's layout (name on 30 columns,
// numbers on at least 4), which can make a hand-written line longer than the
// reader takes, and the next read would then lose the end of the line and its
// last ';'. What such a rewrite could not keep is dropped at once, from the
// end of the page strings, so that the catalogue in use is the one kept.
void garder_ecrivable(Etat& st, int slot) {
  const auto k = static_cast<std::size_t>(slot);
  std::size_t trop = ligne_catalogue(st, slot).size();
  trop = trop > kLigneCatalogue ? trop - kLigneCatalogue : 0;
  for (std::string* chaine : {&st.formats[k].aprpagimp, &st.formats[k].avtpagimp}) {
    const std::size_t n = std::min(trop, chaine->size());
    chaine->resize(chaine->size() - n);
    trop -= n;
  }
}

// Parses one line into a slot; false when a ';' is missing.
bool lire_ligne(Etat& st, int slot, std::string_view ligne) {
  const auto k = static_cast<std::size_t>(slot);
  vider_slot(st, slot);
  const auto nombres = nombres_du_format(st, slot);
  bool complete = true;
  std::size_t curseur = 0;
  for (int champ = 0; champ < kChamps; ++champ) {
    const std::size_t fin = ligne.find(';', curseur);
    if (fin == std::string_view::npos) {
      complete = false;
      break;
    }
    const std::string_view texte = ligne.substr(curseur, fin - curseur);
    if (champ == 0) {
      st.formats[k].libelle.assign(texte);
    } else if (champ <= 8) {
      *nombres[static_cast<std::size_t>(champ - 1)] = entier(texte);
    } else if (champ == 9) {
      st.formats[k].avtpagimp = texte;
    } else {
      st.formats[k].aprpagimp = texte;
    }
    curseur = fin + 1;
  }
  garder_ecrivable(st, slot);
  st.formats[k].avtpage = char_to_spec(st.formats[k].avtpagimp);
  st.formats[k].aprpage = char_to_spec(st.formats[k].aprpagimp);
  return complete;
}

// The line of text that starts at `debut`, as the reader takes it: at most
// kLigneCatalogue bytes, line feed included, and ending at a zero byte if it
// holds one. `suite` receives the start of the next line.
std::string_view couper_ligne(std::string_view texte, std::size_t debut, std::size_t& suite) {
  const std::size_t lf = texte.find('\n', debut);
  const std::size_t fin = lf == std::string_view::npos ? texte.size() : lf + 1;
  suite = fin;
  std::string_view ligne = texte.substr(debut, std::min(fin - debut, kLigneCatalogue));
  return ligne.substr(0, ligne.find('\0'));
}

}  // namespace

std::vector<int> lire_catalogue(Etat& st, std::string_view texte) {
  std::vector<int> erreurs;
  int n = 0;
  std::size_t debut = 0;
  while (debut < texte.size() && n < kMaxCatalogue) {
    std::size_t suite = 0;
    const std::string_view ligne = couper_ligne(texte, debut, suite);
    ++n;
    if (!lire_ligne(st, n, ligne)) erreurs.push_back(n);
    debut = suite;
  }
  st.MAXFORMAT = n;
  return erreurs;
}

std::vector<int> lire_catalogue(Etat& st, std::FILE* f) {
  // Only the first 18 lines matter, and of each only its first bytes: what
  // lies beyond is never kept in memory.
  std::string texte;
  int lignes = 0;
  std::size_t longueur = 0;
  int c = 0;
  while (lignes < kMaxCatalogue && (c = std::getc(f)) != EOF) {
    if (c == '\n') {
      texte.push_back('\n');
      ++lignes;
      longueur = 0;
    } else if (longueur++ < kLigneCatalogue) {
      texte.push_back(static_cast<char>(c));
    }
  }
  return lire_catalogue(st, texte);
}

std::string ligne_catalogue(const Etat& st, int slot) {
  const auto k = static_cast<std::size_t>(slot);
  // The name as a C string, cut or padded to its 30 columns.
  std::string_view nom = st.formats[k].libelle.view();
  nom = nom.substr(0, std::min({nom.find('\0'), nom.size(), kNom}));
  std::string ligne(nom);
  ligne.append(kNom - nom.size(), ' ');
  for (int v : nombres_du_format(st, slot)) {
    std::array<char, 16> tampon{};
    std::snprintf(tampon.data(), tampon.size(), ";%4d", v);
    ligne += tampon.data();
  }
  ligne += ';';
  ligne += st.formats[k].avtpagimp;
  ligne += ';';
  ligne += st.formats[k].aprpagimp;
  ligne += ";\n";
  return ligne;
}

std::string texte_catalogue(const Etat& st, bool avec_nouveau) {
  std::string texte;
  for (int slot = 1; slot <= st.MAXFORMAT && slot < kSlots; ++slot)
    texte += ligne_catalogue(st, slot);
  if (avec_nouveau) texte += ligne_catalogue(st, 0);
  return texte;
}

}  // namespace vign
