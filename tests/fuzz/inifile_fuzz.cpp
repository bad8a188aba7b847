// A settings file given with -l can hold anything. Every key of the settings
// table is looked up, the state is filled by the settings file's reader, and
// the settings written back from that state must give the same state again:
// that is what lets a run made once be repeated unattended.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
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

// The text of a settings file, every lookup checked: a value stays on its
// line and is found in the text as it is.
class Verifiee : public vign::SourceReglages {
 public:
  explicit Verifiee(std::string_view contenu) : contenu_(contenu) {}

  std::optional<std::string> valeur(std::string_view section, std::string_view cle) const override {
    auto v = vign::chercher_valeur(contenu_, section, cle);
    if (v) {
      exiger(v->find('\n') == std::string::npos, "une valeur deborde sur la ligne suivante");
      exiger(contenu_.find(*v) != std::string_view::npos,
             "une valeur qui n'est pas dans le fichier");
    }
    return v;
  }
  const std::string& nom() const override { return nom_; }

 private:
  std::string_view contenu_;
  std::string nom_ = "reglages.ini";
};

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
  // The file keeps the label lines of its mode only.
  for (std::size_t i = 1; i < static_cast<std::size_t>(vign::kLignes); ++i) {
    exiger(a.ALECRAN == 1 || a.place[i].view() == b.place[i].view(), "presentation");
    exiger(a.ALECRAN == 0 || a.champ[i].view() == b.champ[i].view(), "lignes tapees");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view contenu(reinterpret_cast<const char*>(data), size);
  const Verifiee dans_contenu(contenu);
  // Odd requests too: an empty key matches the first key line of a section.
  for (std::string_view section : {"format", "fichiers", "presentation", "execution", "", "["})
    for (std::string_view cle : {"", "=", "ligne", "nombre"}) dans_contenu.valeur(section, cle);

  int n = 0;
  const auto lu = vign::fuzz::lire_reglages(dans_contenu, n);

  // The file the program writes for the same run, read back the same way,
  // gives the same run and is written again byte for byte.
  const std::string ecrit = vign::texte_inifile(*lu, n);
  int relu_n = -1;
  const auto relu = vign::fuzz::lire_reglages(vign::Reglages("ecrit.ini", ecrit), relu_n);
  memes_reglages(*lu, *relu);
  exiger(relu_n == n, "nombre");
  exiger(vign::texte_inifile(*relu, relu_n) == ecrit, "ecrit deux fois, deux textes");

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
