// The XML side of the sheets, through libxml2: built only where it was found.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "formats/planches.h"

namespace vign {

namespace {

constexpr std::size_t kTexteMax = 16u << 20;
constexpr double kLongueurMax = 2000.0;  // mm: past it no sheet of labels exists
constexpr int kParCoteMax = 999;         // labels across or down

bool nomme(const xmlNode* n, const char* nom) {
  return n->type == XML_ELEMENT_NODE &&
         xmlStrcmp(n->name, reinterpret_cast<const xmlChar*>(nom)) == 0;
}

std::optional<std::string> attribut(const xmlNode* n, const char* nom) {
  xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(nom));
  if (v == nullptr) return std::nullopt;
  std::string s(reinterpret_cast<const char*>(v));
  xmlFree(v);
  return s;
}

// Why a template cannot be read: the attribute, and what is wrong with it.
struct Faute {
  std::string raison;
};

// A length in mm, at least `min` (0: may be zero; above 0 otherwise) and at
// most kLongueurMax; `defaut` when the attribute is absent and may be.
double longueur(const xmlNode* n, const char* nom, bool strict, std::optional<double> defaut = {}) {
  const auto v = attribut(n, nom);
  // Some files write an empty position where they mean none.
  if (!v || (defaut && v->empty())) {
    if (defaut) return *defaut;
    throw Faute{std::string(nom) + " absent"};
  }
  const auto x = longueur_mm(*v);
  if (!x) throw Faute{std::string(nom) + "=\"" + *v + "\" illisible"};
  if (*x < 0 || (strict && *x <= 0) || *x > kLongueurMax) {
    throw Faute{std::string(nom) + "=\"" + *v + "\" hors limites"};
  }
  return *x;
}

int nombre(const xmlNode* n, const char* nom) {
  const auto v = attribut(n, nom);
  if (!v) throw Faute{std::string(nom) + " absent"};
  int x = 0;
  const auto [p, ec] = std::from_chars(v->data(), v->data() + v->size(), x);
  if (ec != std::errc() || p != v->data() + v->size())
    throw Faute{std::string(nom) + "=\"" + *v + "\" illisible"};
  if (x < 1 || x > kParCoteMax) throw Faute{std::string(nom) + "=\"" + *v + "\" hors limites"};
  return x;
}

// The widest rectangle of a CD label that leaves its hole alone: a band
// between the hole and the outer edge, above the centre. `largeur` and
// `hauteur` clip the disc (business-card CDs).
Rectangle bande_cd(double rayon, double trou, double largeur, double hauteur) {
  Rectangle meilleur;
  double aire = -1;
  constexpr int kPas = 400;
  for (int k = 1; k < kPas; ++k) {
    const double y = trou + (rayon - trou) * k / kPas;  // the band's top, above the centre
    if (y > hauteur / 2) break;
    const double demi = std::min(std::sqrt(rayon * rayon - y * y), largeur / 2);
    if (2 * demi * (y - trou) > aire) {
      aire = 2 * demi * (y - trou);
      meilleur = {largeur / 2 - demi, hauteur / 2 - y, 2 * demi, y - trou};
    }
  }
  return meilleur;
}

// The label's shape into g; its layouts counted.
void lit_etiquette(const xmlNode* e, Gabarit& g) {
  constexpr double kRacine2 = 1.4142135623730951;
  if (nomme(e, "Label-rectangle")) {
    g.forme = "rectangle";
    g.largeur = longueur(e, "width", true);
    g.hauteur = longueur(e, "height", true);
    // The corners never place text: a radius the file spoils is no reason to
    // lose the sheet.
    try {
      g.rayon = longueur(e, "round", false, 0.0);
    } catch (const Faute&) {
      g.rayon = 0;
    }
    g.utile = {0, 0, g.largeur, g.hauteur};
  } else if (nomme(e, "Label-round")) {
    g.forme = "rond";
    const double r = longueur(e, "radius", true);
    g.largeur = g.hauteur = 2 * r;
    g.utile = {r - r / kRacine2, r - r / kRacine2, r * kRacine2, r * kRacine2};
  } else if (nomme(e, "Label-ellipse")) {
    g.forme = "ellipse";
    g.largeur = longueur(e, "width", true);
    g.hauteur = longueur(e, "height", true);
    const double l = g.largeur / kRacine2, h = g.hauteur / kRacine2;
    g.utile = {(g.largeur - l) / 2, (g.hauteur - h) / 2, l, h};
  } else {
    g.forme = "cd";
    const double r = longueur(e, "radius", true);
    const double trou = longueur(e, "hole", false, 0.0);
    if (trou >= r) throw Faute{"hole plus grand que radius"};
    g.largeur = longueur(e, "width", true, 2 * r);
    g.hauteur = longueur(e, "height", true, 2 * r);
    g.utile = bande_cd(r, trou, g.largeur, g.hauteur);
  }
  for (const xmlNode* c = e->children; c != nullptr; c = c->next) {
    if (nomme(c, "Markup-margin") && !g.marge_texte) g.marge_texte = longueur(c, "size", false);
  }
}

void lit_disposition(const xmlNode* d, Gabarit& g) {
  g.nx = nombre(d, "nx");
  g.ny = nombre(d, "ny");
  g.x0 = longueur(d, "x0", false, 0.0);
  g.y0 = longueur(d, "y0", false, 0.0);
  // One label across needs no pitch across (files give 0 or nothing): the
  // label's own width serves.
  g.dx = g.nx == 1 ? std::max(longueur(d, "dx", false, 0.0), g.largeur) : longueur(d, "dx", true);
  g.dy = g.ny == 1 ? std::max(longueur(d, "dy", false, 0.0), g.hauteur) : longueur(d, "dy", true);
}

bool est_etiquette(const xmlNode* n) {
  return nomme(n, "Label-rectangle") || nomme(n, "Label-round") || nomme(n, "Label-ellipse") ||
         nomme(n, "Label-cd");
}

GabaritLu lit_modele(const xmlNode* t) {
  GabaritLu l;
  Gabarit& g = l.g;
  auto texte = [&](const char* nom) { return attribut(t, nom).value_or(""); };
  g.description = texte("_description");
  if (g.description.empty()) g.description = texte("description");
  l.equiv = texte("equiv");
  if (!l.equiv.empty()) return l;
  g.papier = texte("size");
  if (g.papier.empty()) throw Faute{"size absent"};
  if (g.papier == "Other") {
    g.page_largeur = longueur(t, "width", true);
    g.page_hauteur = longueur(t, "height", true);
  } else {
    l.papier_a_chercher = true;
  }
  int etiquettes = 0, dispositions = 0;
  for (const xmlNode* e = t->children; e != nullptr; e = e->next) {
    if (!est_etiquette(e)) continue;
    if (++etiquettes == 1) lit_etiquette(e, g);
    for (const xmlNode* d = e->children; d != nullptr; d = d->next) {
      if (!nomme(d, "Layout")) continue;
      Gabarit essai = g;
      lit_disposition(d, essai);
      if (++dispositions == 1) {
        g = essai;
        g.etiquettes = 0;
      }
      g.etiquettes += essai.nx * essai.ny;
    }
  }
  if (etiquettes == 0) throw Faute{"aucune etiquette"};
  if (dispositions == 0) throw Faute{"aucune disposition (Layout)"};
  if (etiquettes > 1) {
    g.refus = "plusieurs formes d'etiquettes sur la planche";
  } else if (dispositions > 1) {
    g.refus = "plusieurs dispositions d'etiquettes sur la planche";
  }
  return l;
}

struct Libere {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};

}  // namespace

bool lecture_xml_construite() {
  return true;
}

Resultat<FichierPlanches> analyse_planches_xml(std::string_view texte, std::string_view nom) {
  const std::string fichier(nom);
  if (texte.size() > kTexteMax) return Erreur{fichier + " : fichier de planches trop grand"};
  // No network, no entity substitution, no DTD loaded: a file of templates
  // is data, and reads nothing else.
  const std::unique_ptr<xmlDoc, Libere> doc(
      xmlReadMemory(texte.data(), static_cast<int>(texte.size()), fichier.c_str(), nullptr,
                    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc) return Erreur{fichier + " : fichier de planches illisible (XML invalide)"};
  FichierPlanches f;
  const xmlNode* racine = xmlDocGetRootElement(doc.get());
  if (racine == nullptr) return f;
  if (nomme(racine, "Glabels-paper-sizes")) {
    for (const xmlNode* p = racine->children; p != nullptr; p = p->next) {
      if (!nomme(p, "Paper-size")) continue;
      try {
        const auto id = attribut(p, "id");
        if (!id) continue;
        f.papiers.push_back({*id, longueur(p, "width", true), longueur(p, "height", true)});
      } catch (const Faute&) {
        // A paper that cannot be read is as if absent: its templates say so.
      }
    }
    return f;
  }
  if (!nomme(racine, "Glabels-templates")) return f;
  for (const xmlNode* t = racine->children; t != nullptr; t = t->next) {
    if (!nomme(t, "Template")) continue;
    const auto marque = attribut(t, "brand");
    const auto piece = attribut(t, "part");
    const std::string reference = marque.value_or("?") + " " + piece.value_or("?");
    try {
      if (!marque || marque->empty() || !piece || piece->empty())
        throw Faute{"brand ou part absent"};
      GabaritLu l = lit_modele(t);
      l.g.marque = *marque;
      l.g.piece = *piece;
      l.g.fichier = fichier;
      f.gabarits.push_back(std::move(l));
    } catch (const Faute& faute) {
      f.ecartes.push_back(fichier + " : modele \"" + reference + "\" ecarte : " + faute.raison);
    }
  }
  return f;
}

}  // namespace vign
