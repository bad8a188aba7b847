#include "formats/inifile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>

#include "core/arret.h"
#include "core/controle.h"
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

std::string cle_ligne(int i) {
  char cle[16];
  std::snprintf(cle, sizeof cle, "ligne%02d", i);
  return cle;
}

std::string cle_attribut(int k) {
  char cle[16];
  std::snprintf(cle, sizeof cle, "attribut%02d", k);
  return cle;
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

std::string texte_inifile(const Etat& st, int nombre) {
  const std::size_t f =
      st.FORMAT >= 0 && st.FORMAT < kSlots ? static_cast<std::size_t>(st.FORMAT) : 0;
  std::string s = "[format]\n";
  auto cle = [&s](std::string_view k, std::string_view v) {
    s.append(k).append("=").append(v).append("\n");
  };
  auto nb = [&cle](std::string_view k, int v) { cle(k, std::to_string(v)); };
  // Keys beyond the first version's are written only when set, so that a
  // run that uses none of them writes the file it always wrote.
  auto facultatives = [&cle, &st](std::string_view section) {
    for (const auto& k : kClesFacultatives) {
      if (k.section == section && st.options.*k.valeur) cle(k.cle, *(st.options.*k.valeur));
    }
  };
  cle("libelle", st.formats[f].libelle.view());
  facultatives("format");
  const auto nombres = nombres_du_format(st, static_cast<int>(f));
  for (std::size_t i = 0; i < nombres.size(); ++i) nb(kClesNombres[i], nombres[i]);
  cle("init_debut_page", st.formats[f].avtpagimp);
  cle("init_fin_page", st.formats[f].aprpagimp);
  s += "\n[fichiers]\n";
  cle("donnees", st.inputfile);
  cle("delimiteur", st.delimiteur.value_or(std::string()));
  cle("etiquettes", st.outputfile);
  facultatives("fichiers");
  if (st.ALECRAN != 1 && st.disposition && st.formatfile) {
    cle("disposition", *st.formatfile);
    if (st.deplacement > 0) nb("deplacement", st.deplacement);
  }
  s += "\n[presentation]\n";
  const auto& lignes = st.ALECRAN == 1 ? st.champ : st.place;
  for (int i = 1; i <= st.formats[f].maxligeti && i < kLignes; ++i) {
    cle(cle_ligne(i), lignes[static_cast<std::size_t>(i)].view());
  }
  for (int k = 0; k < kAttributs; ++k) {
    const auto a = static_cast<std::size_t>(k);
    if (st.attr[a] != '1' || !st.avtchamp[a] || !st.aprchamp[a]) continue;
    cle(cle_attribut(k), texte_attribut(*st.avtchamp[a], *st.aprchamp[a]));
  }
  s += "\n[execution]\n";
  nb("nombre", nombre);
  facultatives("execution");
  // A section of keys that are all optional appears only with one of them.
  auto section = [&s, &cle](std::string_view nom, const auto& valeurs, auto nom_cle) {
    bool ouverte = false;
    for (std::size_t i = 0; i < valeurs.size(); ++i) {
      if (!valeurs[i]) continue;
      if (!ouverte) s.append("\n[").append(nom).append("]\n");
      ouverte = true;
      cle(nom_cle(i), *valeurs[i]);
    }
  };
  section("pdf", st.options.pdf, [](std::size_t i) { return std::string(kClesPdf[i]); });
  section("codes", st.options.codes, [](std::size_t i) { return "code" + std::to_string(i + 1); });
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
  Remplacement nouveau(nom);
  if (!nouveau.erreur().empty()) {
    return Erreur{"Erreur creation fichier " + cite(nom) + " : " + nouveau.cause()};
  }
  if (!nouveau.valider(contenu)) {
    return Erreur{"Erreur ecriture fichier " + cite(nom) + " : " + nouveau.cause()};
  }
  return {};
}

}  // namespace vign
