#include "formats/inifile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

#include "core/resultat.h"
#include "core/controle.h"
#include "core/mots.h"
#include "core/nombres.h"
#include "core/ouverture.h"
#include "core/remplacement.h"

namespace vign {

namespace {

// The next line of `reste`, its line feed included when it has one.
std::string_view ligne_suivante(std::string_view& reste) {
  const std::size_t fin = reste.find('\n');
  const std::size_t n = fin == std::string_view::npos ? reste.size() : fin + 1;
  const std::string_view ligne = reste.substr(0, n);
  reste.remove_prefix(n);
  return ligne;
}

// The name of a section header "[name]...": up to the first "]", or to the end
// of the line (line feed included) when there is none.
std::string_view nom_section(std::string_view ligne) {
  ligne.remove_prefix(1);
  return ligne.substr(0, ligne.find(']'));
}

}  // namespace

std::optional<std::string> chercher_valeur(std::string_view contenu, std::string_view section,
                                           std::string_view parametre) {
  std::string_view reste = contenu;
  bool trouvee = false;
  while (!reste.empty() && !trouvee) {
    const std::string_view ligne = ligne_suivante(reste);
    trouvee = ligne.front() == '[' && nom_section(ligne) == section;
  }
  if (!trouvee) return std::nullopt;
  while (!reste.empty()) {
    std::string_view ligne = ligne_suivante(reste);
    if (ligne.front() == '[') return std::nullopt;
    while (!ligne.empty() && ligne.front() == '=') ligne.remove_prefix(1);
    const std::size_t egal = ligne.find('=');
    const std::string_view cle = ligne.substr(0, egal);
    if (!cle.starts_with(parametre)) continue;
    if (egal == std::string_view::npos) return std::string();
    std::string_view valeur = ligne.substr(egal + 1);
    valeur = valeur.substr(0, valeur.find('\n'));
    return std::string(valeur);
  }
  return std::nullopt;
}

Resultat<Reglages> Reglages::lire(const std::string& nom) {
  auto ouvert = ouvre_en_lecture(nom, "Erreur ouverture fichier BATCH");
  if (!ouvert) return ouvert.erreur();
  std::FILE* f = ouvert->get();
  std::string contenu;
  std::array<char, 64 * 1024> bloc;
  for (;;) {
    const std::size_t n = std::fread(bloc.data(), 1, bloc.size(), f);
    if (n == 0 && std::ferror(f) != 0) {
      if (errno == EINTR) {
        std::clearerr(f);
        continue;
      }
      return Erreur{avec_raison("Erreur lecture fichier BATCH", nom)};
    }
    if (n == 0) break;
    if (contenu.size() + n > kTailleMax) {
      return Erreur{"Fichier BATCH trop grand " + cite(nom) + " : plus de 1 Mio"};
    }
    contenu.append(bloc.data(), n);
  }
  return Reglages(nom, std::move(contenu));
}

std::string nom_option(std::optional<std::string> Options::*option) {
  for (const auto& c : kCles) {
    if (c.lieu == Lieu::option && c.option == option) {
      return "[" + std::string(c.section) + "] " + std::string(c.cle);
    }
  }
  return {};
}

std::string nom_cle(const CleReglage& c, int i) {
  if (c.lieu != Lieu::ligne && c.lieu != Lieu::attribut && c.lieu != Lieu::code) {
    return std::string(c.cle);
  }
  char numero[16];
  std::snprintf(numero, sizeof numero, c.lieu == Lieu::code ? "%d" : "%02d", i);
  return std::string(c.cle) + numero;
}

std::string cle_ligne(int i) {
  return nom_cle(premiere_cle(Lieu::ligne), i);
}

namespace {

// An empty string (typed "\\000") is kept as one: left empty, it would part
// nothing from nothing.
void ajoute_tape(std::string& s, std::string_view octets) {
  if (octets.empty()) s += "\\000";
  for (const char c : octets) {
    const auto o = static_cast<unsigned char>(c);
    if (o >= 32 && o < 127 && c != '\\' && c != ';') {
      s += c;
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\%03u", static_cast<unsigned>(o));
      s += code;
    }
  }
}

}  // namespace

std::string texte_attribut(std::string_view activation, std::string_view desactivation) {
  std::string s;
  ajoute_tape(s, activation);
  s += ';';
  ajoute_tape(s, desactivation);
  return s;
}

std::optional<std::pair<std::string, std::string>> lit_attribut(std::string_view valeur) {
  std::size_t i = 0;
  while (i < valeur.size() && valeur[i] != ';')
    i += valeur[i] == '\\' ? std::size_t{4} : std::size_t{1};
  if (i >= valeur.size()) return std::nullopt;
  auto activation = char_to_spec(valeur.substr(0, i));
  auto desactivation = char_to_spec(valeur.substr(i + 1));
  if (!activation || !desactivation) return std::nullopt;
  return std::pair{std::move(*activation), std::move(*desactivation)};
}

namespace {

// The members of c's family that the format `f` has room for, first and
// last; a key that is no family is its one member 0.
std::pair<int, int> famille(const CleReglage& c, const Format& f) {
  switch (c.lieu) {
    case Lieu::ligne:
      return {1, std::min(f.maxligeti, kLignes - 1)};
    case Lieu::attribut:
      return {0, kAttributs - 1};
    case Lieu::code:
      return {1, static_cast<int>(kCodes)};
    default:
      return {0, 0};
  }
}

// The slot -e writes the format of: the one chosen.
const Format& format_choisi(const Etat& st) {
  return st.formats[st.FORMAT >= 0 && st.FORMAT < kSlots ? static_cast<std::size_t>(st.FORMAT) : 0];
}

// The fixed layout is written only for a run that read fixed-width records.
bool avec_disposition(const Etat& st) {
  return st.ALECRAN != 1 && st.disposition && st.formatfile;
}

// Puts value v of member i of c's family into the state.
Resultat<> pose(LectureReglages& lu, const CleReglage& c, int i, std::string v) {
  Etat& st = lu.st;
  Format& f = st.formats[0];
  if (const auto [premier, dernier] = famille(c, f); i < premier || i > dernier) return {};
  const auto r = static_cast<std::size_t>(i);
  switch (c.lieu) {
    case Lieu::libelle:
      f.libelle.assign(v);
      break;
    case Lieu::nombre:
      *nombres_du_format(f)[c.rang] = entier(v);
      break;
    case Lieu::debut_page:
      f.avtpage = char_to_spec(v);
      f.avtpagimp = std::move(v);
      break;
    case Lieu::fin_page:
      f.aprpage = char_to_spec(v);
      f.aprpagimp = std::move(v);
      break;
    case Lieu::donnees:
      st.inputfile = v.empty() ? std::string(kEcran) : std::move(v);
      st.ALECRAN = st.inputfile == kEcran ? 1 : 0;
      break;
    case Lieu::delimiteur:
      st.delimiteur = std::move(v);
      break;
    case Lieu::etiquettes:
      st.outputfile = std::move(v);
      break;
    case Lieu::disposition:
      if (!st.formatfile && !v.empty()) st.formatfile = std::move(v);
      break;
    case Lieu::deplacement:
      if (st.deplacement == 0) st.deplacement = std::max(0, entier(v));
      break;
    case Lieu::ligne:
      if (st.ALECRAN == 1) {
        st.champ[r].assign(v);
        st.place[r].assign(std::to_string(i));
      } else {
        st.place[r].assign(v);
      }
      break;
    case Lieu::attribut: {
      const auto chaines = lit_attribut(v);
      if (!chaines) {
        return valeur_invalide_lue("[" + std::string(c.section) + "] " + nom_cle(c, i) + "=" + v +
                                   " (activation;desactivation)");
      }
      st.avtchamp[r] = chaines->first;
      st.aprchamp[r] = chaines->second;
      st.attr[r] = '1';
      break;
    }
    case Lieu::compte:
      lu.nombre = entier(v);
      break;
    case Lieu::option:
      if (!(st.options.*c.option)) st.options.*c.option = std::move(v);
      break;
    case Lieu::pdf:
      if (!st.options.pdf[c.rang]) st.options.pdf[c.rang] = std::move(v);
      break;
    case Lieu::code:
      if (!blanc(v)) st.options.codes[r - 1] = std::move(v);
      break;
  }
  return {};
}

// Reads every member of c's family from `source`; the first required one
// absent, or the first refused, stops the reading.
Resultat<> lit_cle(LectureReglages& lu, const SourceReglages& source, const CleReglage& c) {
  const auto [premier, dernier] = famille(c, lu.st.formats[0]);
  for (int i = premier; i <= dernier; ++i) {
    const std::string cle = nom_cle(c, i);
    auto v = source.valeur(c.section, cle);
    if (!v && c.presence == Presence::facultative) continue;
    if (!v) {
      return Erreur{"Cle absente du fichier BATCH " + cite(source.nom()) + " : [" +
                    std::string(c.section) + "] " + cle};
    }
    if (auto posee = pose(lu, c, i, std::move(*v)); !posee) return posee;
  }
  return {};
}

}  // namespace

Resultat<> lit_cles(LectureReglages& lu, const SourceReglages& source, std::string_view section,
                    Presence presence) {
  for (const auto& c : kCles) {
    if (c.section != section || c.presence != presence) continue;
    if (auto lue = lit_cle(lu, source, c); !lue) return lue;
  }
  return {};
}

Resultat<> lit_cles(LectureReglages& lu, const SourceReglages& source, Presence presence) {
  for (const auto& c : kCles) {
    if (c.presence != presence) continue;
    if (auto lue = lit_cle(lu, source, c); !lue) return lue;
  }
  return {};
}

Resultat<> lit_reglages(LectureReglages& lu, const SourceReglages& source) {
  for (CleReglage c : kCles) {
    c.presence = Presence::facultative;
    if (auto lue = lit_cle(lu, source, c); !lue) return lue;
  }
  return {};
}

std::optional<std::string> valeur_ecrite(const Etat& st, int nombre, const CleReglage& c, int i) {
  const Format& f = format_choisi(st);
  if (const auto [premier, dernier] = famille(c, f); i < premier || i > dernier) {
    return std::nullopt;
  }
  const auto r = static_cast<std::size_t>(i);
  switch (c.lieu) {
    case Lieu::libelle:
      return std::string(f.libelle.view());
    case Lieu::nombre:
      return std::to_string(nombres_du_format(f)[c.rang]);
    case Lieu::debut_page:
      return f.avtpagimp;
    case Lieu::fin_page:
      return f.aprpagimp;
    case Lieu::donnees:
      return st.inputfile;
    case Lieu::delimiteur:
      return st.delimiteur.value_or(std::string());
    case Lieu::etiquettes:
      return st.outputfile;
    case Lieu::disposition:
      return avec_disposition(st) ? st.formatfile : std::nullopt;
    case Lieu::deplacement:
      if (!avec_disposition(st) || st.deplacement <= 0) return std::nullopt;
      return std::to_string(st.deplacement);
    case Lieu::ligne:
      return std::string((st.ALECRAN == 1 ? st.champ : st.place)[r].view());
    case Lieu::attribut:
      if (st.attr[r] != '1' || !st.avtchamp[r] || !st.aprchamp[r]) return std::nullopt;
      return texte_attribut(*st.avtchamp[r], *st.aprchamp[r]);
    case Lieu::compte:
      return std::to_string(nombre);
    case Lieu::option:
      return st.options.*c.option;
    case Lieu::pdf:
      return st.options.pdf[c.rang];
    case Lieu::code:
      return st.options.codes[r - 1];
  }
  return std::nullopt;
}

std::string texte_inifile(const Etat& st, int nombre) {
  std::string s;
  std::string_view section;
  // A section is written whole before the next; one of optional keys only
  // appears with one of them, so that a run that uses none of the keys
  // added since the first version writes the file it always wrote.
  std::string texte_section;
  bool obligee = false;
  const auto ferme = [&] {
    if (section.empty() || (!obligee && texte_section.empty())) return;
    if (!s.empty()) s += '\n';
    s.append("[").append(section).append("]\n").append(texte_section);
  };
  for (const auto& c : kCles) {
    if (c.section != section) {
      ferme();
      section = c.section;
      texte_section.clear();
      obligee = false;
    }
    obligee = obligee || c.presence != Presence::facultative;
    const auto [premier, dernier] = famille(c, format_choisi(st));
    for (int i = premier; i <= dernier; ++i) {
      if (const auto v = valeur_ecrite(st, nombre, c, i)) {
        texte_section.append(nom_cle(c, i)).append("=").append(*v).append("\n");
      }
    }
  }
  ferme();
  return s;
}

Resultat<> write_inifile(const Etat& st, int nombre) {
  const std::string nom = st.writefile.value_or(std::string());
  const std::string contenu = texte_inifile(st, nombre);
  // A device or a pipe (-e /dev/stdout) is written straight.
  struct stat s {};
  if (::stat(nom.c_str(), &s) == 0 && !S_ISREG(s.st_mode) && !S_ISDIR(s.st_mode)) {
    std::FILE* f = std::fopen(nom.c_str(), "wb");
    if (f == nullptr) return Erreur{avec_raison("Erreur creation fichier", nom)};
    const bool ecrit = std::fwrite(contenu.data(), 1, contenu.size(), f) == contenu.size();
    const int err = errno;
    const bool ferme = std::fclose(f) == 0;
    if (!ecrit || !ferme) {
      if (!ecrit) errno = err;
      return Erreur{avec_raison("Erreur ecriture fichier", nom)};
    }
    return {};
  }
  // Any other is replaced whole, as the print file is: a full disk leaves
  // the old settings, which may be the very file this run read, as they were.
  auto nouveau = Remplacement::cree(nom);
  if (!nouveau) {
    return Erreur{"Erreur creation fichier " + cite(nom) + " : " + nouveau.erreur().cause};
  }
  if (auto fait = nouveau->valider(contenu); !fait) {
    return Erreur{"Erreur ecriture fichier " + cite(nom) + " : " + fait.erreur().cause};
  }
  return {};
}

}  // namespace vign
