// A settings file given with -l can hold anything. Every key a batch run asks
// for is looked up, the state is filled the way the batch run fills it, and
// the settings written back from that state must give the same state again:
// that is what lets a run made once be repeated unattended.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/arret.h"
#include "core/controle.h"
#include "core/etat.h"
#include "core/nombres.h"
#include "formats/inifile.h"
#include "outils_fuzz.h"

namespace {

using vign::fuzz::exiger;
using Recherche =
    std::function<std::optional<std::string>(std::string_view section, std::string_view cle)>;

// The state a batch run makes of the file; a missing key counts as empty here
// (the batch run itself stops on it, which a unit test covers).
vign::Etat remplir(const Recherche& cherche) {
  vign::Etat st;
  auto texte = [&](std::string_view section, std::string_view cle) {
    return cherche(section, cle).value_or(std::string());
  };
  const auto nombres = vign::nombres_du_format(st, 0);
  for (std::size_t i = 0; i < nombres.size(); ++i)
    *nombres[i] = vign::entier(texte("format", vign::kClesNombres[i]));
  st.formats[0].libelle.assign(texte("format", "libelle"));
  st.formats[0].avtpagimp = texte("format", "init_debut_page");
  st.formats[0].aprpagimp = texte("format", "init_fin_page");
  st.formats[0].avtpage = vign::char_to_spec(st.formats[0].avtpagimp);
  st.formats[0].aprpage = vign::char_to_spec(st.formats[0].aprpagimp);
  st.inputfile = texte("fichiers", "donnees");
  if (st.inputfile.empty()) st.inputfile = vign::kEcran;
  st.outputfile = texte("fichiers", "etiquettes");
  st.delimiteur = cherche("fichiers", "delimiteur");
  st.ALECRAN = st.inputfile == vign::kEcran ? 1 : 0;
  // A run refuses more than 29 lines per label before it asks for them.
  for (int i = 1; i <= st.formats[0].maxligeti && i < vign::kLignes; ++i) {
    const auto r = static_cast<std::size_t>(i);
    auto& lignes = st.ALECRAN == 1 ? st.champ : st.place;
    lignes[r].assign(texte("presentation", vign::cle_ligne(i)));
  }
  return st;
}

void memes_reglages(const vign::Etat& a, const vign::Etat& b) {
  exiger(a.formats[0].libelle == b.formats[0].libelle.view(), "libelle");
  exiger(vign::nombres_du_format(a, 0) == vign::nombres_du_format(b, 0), "nombres du format");
  exiger(a.formats[0].avtpagimp == b.formats[0].avtpagimp &&
             a.formats[0].aprpagimp == b.formats[0].aprpagimp,
         "chaines de page tapees");
  exiger(
      a.formats[0].avtpage == b.formats[0].avtpage && a.formats[0].aprpage == b.formats[0].aprpage,
      "chaines de page decodees");
  exiger(a.inputfile == b.inputfile && a.outputfile == b.outputfile, "noms de fichiers");
  exiger(a.delimiteur.value_or("") == b.delimiteur.value_or(""), "delimiteur");
  exiger(a.ALECRAN == b.ALECRAN, "mode ecran");
  for (std::size_t i = 1; i < static_cast<std::size_t>(vign::kLignes); ++i) {
    exiger(a.place[i].view() == b.place[i].view(), "presentation");
    exiger(a.champ[i].view() == b.champ[i].view(), "lignes tapees");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view contenu(reinterpret_cast<const char*>(data), size);
  const Recherche dans_contenu = [contenu](std::string_view section, std::string_view cle) {
    auto v = vign::chercher_valeur(contenu, section, cle);
    if (v) {
      exiger(v->find('\n') == std::string::npos, "une valeur deborde sur la ligne suivante");
      exiger(contenu.find(*v) != std::string_view::npos,
             "une valeur qui n'est pas dans le fichier");
    }
    return v;
  };
  // Odd requests too: an empty key matches the first key line of a section.
  for (std::string_view section : {"format", "fichiers", "presentation", "execution", "", "["})
    for (std::string_view cle : {"", "=", "ligne", "nombre"}) dans_contenu(section, cle);

  const vign::Etat lu = remplir(dans_contenu);
  const auto nombre = dans_contenu("execution", "nombre");
  const int n = vign::entier(nombre.value_or(""));

  // The file the program writes for the same run, read back the same way.
  const std::string ecrit = vign::texte_inifile(lu, n);
  const Recherche dans_ecrit = [&ecrit](std::string_view section, std::string_view cle) {
    return vign::chercher_valeur(ecrit, section, cle);
  };
  memes_reglages(lu, remplir(dans_ecrit));
  exiger(vign::entier(dans_ecrit("execution", "nombre").value_or("x")) == n, "nombre");

  // The file reader proper gives what the text lookup gives.
  const std::string chemin = vign::fuzz::chemin_prive("reglages.ini");
  vign::fuzz::ecrire_fichier(chemin, contenu);
  const auto fichier = vign::Reglages::lire(chemin);
  if (!fichier) vign::fuzz::echec("le fichier de reglages ne se lit pas");
  exiger(
      fichier->valeur("format", "libelle") == vign::chercher_valeur(contenu, "format", "libelle"),
      "lecture du fichier");
  return 0;
}
