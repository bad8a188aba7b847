#include "formats/planches.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>

#include "core/nombres.h"

namespace vign {

namespace {

char minuscule(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Lower case, blanks run together into one space and trimmed: what a user
// types and what the file holds compare alike.
std::string normale(std::string_view s) {
  std::string n;
  bool blanc = false;
  for (const char c : s) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blanc = !n.empty();
      continue;
    }
    if (blanc) n += ' ';
    blanc = false;
    n += minuscule(c);
  }
  return n;
}

// Paper sizes the templates name, for a database that comes without its own
// paper-sizes.xml (a user's lone ./planches.xml).
constexpr struct {
  std::string_view nom;
  double largeur, hauteur;
} kPapiersConnus[] = {{"A4", 210, 297},
                      {"A5", 148, 210},
                      {"A3", 297, 420},
                      {"US-Letter", 215.9, 279.4},
                      {"US-Legal", 215.9, 355.6}};

// Edit distance, for the references closest to one that names nothing.
std::size_t distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> ligne(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) ligne[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonale = ligne[0];
    ligne[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t haut = ligne[j];
      ligne[j] = std::min({ligne[j] + 1, ligne[j - 1] + 1, diagonale + (a[i - 1] != b[j - 1])});
      diagonale = haut;
    }
  }
  return ligne[b.size()];
}

std::string ecarte(const GabaritLu& l, std::string_view raison) {
  return l.g.fichier + " : modele \"" + l.g.reference() + "\" ecarte : " + std::string(raison);
}

}  // namespace

std::optional<double> longueur_mm(std::string_view texte) {
  while (!texte.empty() && texte.front() == ' ') texte.remove_prefix(1);
  while (!texte.empty() && texte.back() == ' ') texte.remove_suffix(1);
  double x = 0;
  const char* fin = texte.data() + texte.size();
  const auto [p, ec] = std::from_chars(texte.data(), fin, x);
  if (texte.empty() || ec != std::errc() || !std::isfinite(x)) return std::nullopt;
  const std::string unite = normale(std::string_view(p, static_cast<std::size_t>(fin - p)));
  static constexpr struct {
    std::string_view nom;
    double mm;
  } kUnites[] = {{"", 25.4 / 72}, {"pt", 25.4 / 72}, {"mm", 1},
                 {"cm", 10},      {"in", 25.4},      {"pc", 25.4 / 6}};
  for (const auto& u : kUnites) {
    if (unite == u.nom) return x * u.mm;
  }
  return std::nullopt;
}

BasePlanches assemble_planches(std::vector<FichierPlanches> fichiers) {
  BasePlanches base;
  std::map<std::string, PapierLu> papiers;
  std::vector<GabaritLu> lus;
  for (auto& f : fichiers) {
    for (auto& p : f.papiers) papiers.try_emplace(normale(p.nom), p);
    for (auto& g : f.gabarits) lus.push_back(std::move(g));
    for (auto& e : f.ecartes) base.ecartes.push_back(std::move(e));
  }
  for (const auto& p : kPapiersConnus) {
    papiers.try_emplace(normale(p.nom), PapierLu{std::string(p.nom), p.largeur, p.hauteur});
  }
  // The first template of a reference wins: the user's sheets over the system's.
  std::map<std::string, std::size_t> index;
  std::vector<GabaritLu> uniques;
  for (auto& l : lus) {
    if (index.try_emplace(normale(l.g.reference()), uniques.size()).second) {
      uniques.push_back(std::move(l));
    }
  }
  std::vector<std::optional<std::string>> raisons(uniques.size());
  for (std::size_t i = 0; i < uniques.size(); ++i) {
    auto& l = uniques[i];
    if (!l.equiv.empty() || !l.papier_a_chercher) continue;
    const auto p = papiers.find(normale(l.g.papier));
    if (p == papiers.end()) {
      raisons[i] = "papier inconnu \"" + l.g.papier + "\"";
      continue;
    }
    l.g.page_largeur = p->second.largeur;
    l.g.page_hauteur = p->second.hauteur;
  }
  for (std::size_t i = 0; i < uniques.size(); ++i) {
    if (uniques[i].equiv.empty()) continue;
    // Followed at most as many steps as there are templates: more is a loop.
    std::size_t j = i;
    std::size_t pas = 0;
    while (!uniques[j].equiv.empty() && pas++ <= uniques.size()) {
      const auto k = index.find(normale(uniques[j].g.marque + " " + uniques[j].equiv));
      if (k == index.end()) {
        raisons[i] = "equivalent \"" + uniques[j].equiv + "\" introuvable";
        break;
      }
      j = k->second;
    }
    if (raisons[i]) continue;
    if (!uniques[j].equiv.empty()) {
      raisons[i] = "equivalences en boucle";
      continue;
    }
    if (raisons[j]) {
      raisons[i] = "equivalent \"" + uniques[j].g.piece + "\" ecarte";
      continue;
    }
    Gabarit g = uniques[j].g;
    g.marque = uniques[i].g.marque;
    g.piece = uniques[i].g.piece;
    g.fichier = uniques[i].g.fichier;
    if (!uniques[i].g.description.empty()) g.description = uniques[i].g.description;
    uniques[i].g = std::move(g);
  }
  // Equivalents copy their target first: nothing is moved out until now.
  for (std::size_t i = 0; i < uniques.size(); ++i) {
    if (raisons[i]) {
      base.ecartes.push_back(ecarte(uniques[i], *raisons[i]));
    } else {
      base.gabarits.push_back(std::move(uniques[i].g));
    }
  }
  return base;
}

std::vector<std::filesystem::path> sources_planches() {
  std::vector<std::filesystem::path> s{"planches.xml"};
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  if (xdg != nullptr && *xdg != '\0') {
    s.emplace_back(std::filesystem::path(xdg) / "libglabels" / "templates");
  } else if (home != nullptr && *home != '\0') {
    s.emplace_back(std::filesystem::path(home) / ".config" / "libglabels" / "templates");
  }
  s.emplace_back(kDossierSysteme);
  return s;
}

Resultat<BasePlanches> charge_planches(const std::vector<std::filesystem::path>& sources) {
  constexpr std::uintmax_t kTailleMax = 16u << 20;
  std::vector<std::filesystem::path> chemins;
  for (const auto& source : sources) {
    std::error_code ec;
    if (std::filesystem::is_directory(source, ec)) {
      std::vector<std::filesystem::path> xml;
      for (const auto& e : std::filesystem::directory_iterator(source, ec)) {
        if (e.path().extension() == ".xml") xml.push_back(e.path());
      }
      std::sort(xml.begin(), xml.end());
      chemins.insert(chemins.end(), xml.begin(), xml.end());
    } else if (std::filesystem::exists(source, ec)) {
      chemins.push_back(source);
    }
  }
  std::vector<FichierPlanches> fichiers;
  int modeles = 0;
  for (const auto& chemin : chemins) {
    const std::string nom = chemin.string();
    std::error_code ec;
    const auto taille = std::filesystem::file_size(chemin, ec);
    if (!ec && taille > kTailleMax) return Erreur{nom + " : fichier de planches trop grand"};
    std::ifstream flux(chemin, std::ios::binary);
    std::ostringstream texte;
    texte << flux.rdbuf();
    if (ec || !flux) return Erreur{"Lecture impossible du fichier de planches " + nom};
    auto f = analyse_planches_xml(texte.str(), nom);
    if (!f) return f.erreur();
    if (!f->gabarits.empty()) ++modeles;
    fichiers.push_back(std::move(*f));
  }
  BasePlanches base = assemble_planches(std::move(fichiers));
  base.fichiers = modeles;
  return base;
}

std::string ligne_planche(const Gabarit& g) {
  std::string taille;
  if (g.forme == "rond" || g.forme == "cd") {
    taille = decimal(g.largeur, 2) + " mm " + g.forme;
  } else {
    taille = decimal(g.largeur, 2) + " x " + decimal(g.hauteur, 2) + " mm";
    if (g.forme == "ellipse") taille += " ellipse";
  }
  const std::string papier =
      g.papier == "Other" ? decimal(g.page_largeur, 2) + " x " + decimal(g.page_hauteur, 2) + " mm" : g.papier;
  std::string ligne = g.reference() + "  " + taille + "  " + std::to_string(g.etiquettes) + " (" +
                      std::to_string(g.nx) + " x " + std::to_string(g.ny) + ")  " + papier;
  if (g.refus) ligne += "  [refusee : " + *g.refus + "]";
  return ligne;
}

bool retenue(std::string_view ligne, std::string_view filtre) {
  const std::string l = normale(ligne);
  std::istringstream mots{normale(filtre)};
  for (std::string mot; mots >> mot;) {
    if (l.find(mot) == std::string::npos) return false;
  }
  return true;
}

std::vector<const Gabarit*> filtre_planches(const BasePlanches& base, std::string_view filtre) {
  std::vector<const Gabarit*> r;
  for (const auto& g : base.gabarits) {
    if (retenue(ligne_planche(g), filtre)) r.push_back(&g);
  }
  return r;
}

Recherche cherche_planche(const BasePlanches& base, std::string_view reference) {
  const std::string cle = normale(reference);
  Recherche r;
  const Gabarit* seul = nullptr;
  int marques = 0;
  for (const auto& g : base.gabarits) {
    if (normale(g.reference()) == cle) {
      r.gabarit = &g;
      return r;
    }
    if (normale(g.piece) == cle &&
        (seul == nullptr || normale(seul->marque) != normale(g.marque))) {
      seul = &g;
      ++marques;
    }
  }
  if (marques == 1) {
    r.gabarit = seul;
    return r;
  }
  std::vector<std::pair<std::size_t, std::size_t>> ecarts;  // distance, index
  for (std::size_t i = 0; i < base.gabarits.size(); ++i) {
    const auto& g = base.gabarits[i];
    ecarts.emplace_back(
        std::min(distance(cle, normale(g.reference())), distance(cle, normale(g.piece))), i);
  }
  const std::size_t n = std::min<std::size_t>(3, ecarts.size());
  std::partial_sort(ecarts.begin(), ecarts.begin() + static_cast<std::ptrdiff_t>(n), ecarts.end());
  for (std::size_t k = 0; k < n; ++k)
    r.proches.push_back(base.gabarits[ecarts[k].second].reference());
  return r;
}

std::string message_planche_inconnue(std::string_view reference, const Recherche& r) {
  std::string m = "Planche inconnue : \"" + std::string(reference) + "\"";
  if (r.proches.empty()) return m;
  m += " (";
  for (std::size_t k = 0; k < r.proches.size(); ++k) m += (k > 0 ? ", " : "") + r.proches[k];
  return m + " ?)";
}

}  // namespace vign
