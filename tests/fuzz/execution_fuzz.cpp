// The engine end to end, as a batch run makes it. The input is three texts
// joined by kSeparateur: a settings file, the records, and optionally a
// fixed-layout file (fixed-width mode when it is there). Besides the keys of
// a run, the settings may hold a section [attributs] whose key k (1 to 49)
// gives the activation and deactivation strings of field or line k, as typed,
// split at the first '|', and a key deplacement in [fichiers] stands for -d.
// The settings are read by the program's own reader and go to the run as
// they are, copies held to a few and the sheet of the trade left out; a key
// repete in [fichiers] repeats the records, up to past the readers' 64 KiB
// blocks and their 1 MiB bound, which the length of a fuzzed input does not
// reach.
//
// Sizes are held within what a run can print in a moment: a few alignment
// pages, a few hundred labels in screen mode. Everything else, out-of-range
// formats included, is passed to the run as it is.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/batch.h"
#include "core/arret.h"
#include "core/colonnes.h"
#include "core/controle.h"
#include "core/etat.h"
#include "core/nombres.h"
#include "engine/composition.h"
#include "engine/enregistrement.h"
#include "engine/execution.h"
#include "formats/inifile.h"
#include "outils_fuzz.h"

namespace {

using vign::fuzz::chemin_prive;
using vign::fuzz::exiger;

std::string valeur(std::string_view ini, std::string_view section, std::string_view cle) {
  return vign::chercher_valeur(ini, section, cle).value_or(std::string());
}

// The settings the run will read, through the settings file's own reader:
// those of the input, sizes held, file names pointing into the private
// directory, and no sheet of the trade (the database is not the engine's).
// The count of [execution] nombre goes to `nombre`.
std::unique_ptr<vign::Etat> reglages(std::string_view ini, int& nombre) {
  auto st = vign::fuzz::lire_reglages(vign::Reglages("reglages.ini", std::string(ini)), nombre);
  vign::Format& f = st->formats[0];
  f.maxintetiver = std::min(f.maxintetiver, 8);
  f.maxetipag = std::min(f.maxetipag, 12);
  f.maxpagcad = std::min(f.maxpagcad, 3);
  st->inputfile = st->ALECRAN == 1 ? vign::kEcran : chemin_prive("donnees");
  st->outputfile = chemin_prive("sortie.prn");
  vign::Options& o = st->options;
  o.planche.reset();
  if (o.copies && !o.copies->starts_with('#') && vign::entier(*o.copies) > 3) o.copies = "3";
  return st;
}

void attributs(vign::Etat& st, std::string_view ini) {
  // Read line by line rather than by key: a key is found by its beginning,
  // and "1" would also take the line of "12".
  std::string_view reste = ini.substr(std::min(ini.size(), ini.find("[attributs]")));
  while (!reste.empty()) {
    const std::size_t fin = std::min(reste.find('\n'), reste.size());
    const std::string_view ligne = reste.substr(0, fin);
    reste.remove_prefix(std::min(fin + 1, reste.size()));
    const std::size_t egal = ligne.find('=');
    if (egal == std::string_view::npos) continue;
    const int k = vign::entier(ligne.substr(0, egal));
    if (k < 0 || k >= vign::kAttributs) continue;
    const std::string_view chaines = ligne.substr(egal + 1);
    const std::size_t barre = std::min(chaines.find('|'), chaines.size());
    const auto i = static_cast<std::size_t>(k);
    st.attr[i] = '1';
    st.avtchamp[i] = vign::char_to_spec(chaines.substr(0, barre));
    st.aprchamp[i] = vign::char_to_spec(chaines.substr(std::min(barre + 1, chaines.size())));
  }
}

struct Resultat {
  int statut = -1;
  bool sortie = false;  // the print file exists
  std::string imprime;  // its content
};

Resultat lance(vign::Etat& st, bool premier) {
  Resultat r;
  std::filesystem::remove(st.outputfile);
  std::filesystem::remove(*st.writefile);
  if (premier) {
    r.statut = vign::traitement_batch(st);
  } else {
    vign::SuiviMuet suivi;
    r.statut = vign::execution(st, suivi).ok() ? 0 : 1;
  }
  exiger(r.statut == 0 || r.statut == 1, "statut");
  r.sortie = std::filesystem::exists(st.outputfile);
  if (r.sortie) r.imprime = vign::fuzz::lire_fichier(st.outputfile);
  return r;
}

// The lines of the records, ended as the plain reader ends them.
std::size_t lignes(std::string_view donnees) {
  const char fin = vign::fin_de_ligne(donnees.substr(0, 64 * 1024));
  std::size_t n = static_cast<std::size_t>(std::count(donnees.begin(), donnees.end(), fin));
  if (!donnees.empty() && donnees.back() != fin) ++n;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view reste(reinterpret_cast<const char*>(data), size);
  const std::string_view ini = vign::fuzz::couper(reste, vign::fuzz::kSeparateur);
  const std::string_view lues = vign::fuzz::couper(reste, vign::fuzz::kSeparateur);
  const bool fixe = !reste.empty();
  std::string repetees(lues);
  const int fois = vign::entier(valeur(ini, "fichiers", "repete"));
  for (int i = 1; i < fois && !lues.empty() && repetees.size() < (std::size_t{9} << 18); ++i) {
    repetees += lues;
  }
  const std::string_view donnees = repetees;

  int demandes = 0;
  const auto lu = reglages(ini, demandes);
  const vign::Etat& modele = *lu;
  demandes = std::clamp(demandes, -2, 300);
  const std::string reglages_ecrits = chemin_prive("reglages.ini");
  vign::fuzz::ecrire_fichier(reglages_ecrits, vign::texte_inifile(modele, demandes));
  vign::fuzz::ecrire_fichier(chemin_prive("donnees"), donnees);

  vign::Etat st;
  st.inifile = reglages_ecrits;
  st.writefile = chemin_prive("ecrit.ini");
  if (fixe) {
    st.formatfile = chemin_prive("format.def");
    vign::fuzz::ecrire_fichier(*st.formatfile, reste);
    st.deplacement = std::clamp(modele.deplacement, 0, 600);
  }
  attributs(st, ini);
  const Resultat premier = lance(st, true);
  const bool refuse = !vign::verifie_format(vign::format_de(modele, 0));
  if (refuse) exiger(premier.statut == 1 && !premier.sortie, "format refuse mais imprime");
  if (premier.statut != 0) return 0;
  exiger(premier.sortie, "imprime sans fichier");

  // The count the run reports is that of its labels.
  const int compte = vign::entier(
      vign::chercher_valeur(vign::fuzz::lire_fichier(*st.writefile), "execution", "nombre")
          .value_or("x"));
  if (st.ALECRAN == 1) {
    exiger(compte == demandes, "etiquettes en mode ecran");
  } else if (!st.disposition && !modele.options.copies && !modele.options.entete &&
             !modele.options.guillemets && !modele.options.debut) {
    exiger(compte == static_cast<int>(lignes(donnees)), "une etiquette par ligne");
  }

  // Without page strings every line of the print file is a label line, an
  // alignment line or a gap: within a line buffer, and within 254 print
  // columns when no attribute string (bytes of any kind) is on it.
  const bool sans_attributs =
      std::none_of(st.attr.begin(), st.attr.end(), [](char a) { return a == '1'; });
  if (!st.formats[0].avtpage && !st.formats[0].aprpage) {
    std::string_view imprime = premier.imprime;
    exiger(!imprime.empty() && imprime.back() == '\f', "pas de saut de page final");
    imprime.remove_suffix(1);
    while (!imprime.empty()) {
      const std::size_t fin = std::min(imprime.find('\n'), imprime.size());
      exiger(fin <= vign::LigneImpr::capacite, "ligne imprimee trop longue");
      if (sans_attributs) {
        exiger(vign::colonnes(imprime.substr(0, fin)) <= 254, "ligne de plus de 254 colonnes");
      }
      imprime.remove_prefix(std::min(fin + 1, imprime.size()));
    }
  }

  // A run reads its input from the beginning again and prints the same
  // labels. Fields a record lacks show what the run before left in the field
  // table, so in file mode a run from an empty table must repeat the first
  // one exactly. Typed lines are cleaned in place by the first run (a carriage
  // return becomes a space, which the next cleaning drops), and then no more.
  if (st.ALECRAN == 0) {
    // The batch run closes its input when it ends; the menu's runs find it open.
    st.pinput.reset(std::fopen(st.inputfile.c_str(), "r"));
    for (auto& c : st.champ) c.clear();
    const Resultat second = lance(st, false);
    exiger(second.statut == 0, "deuxieme execution");
    exiger(second.imprime == premier.imprime, "deux executions, deux impressions");
  } else {
    const Resultat second = lance(st, false);
    const Resultat troisieme = lance(st, false);
    exiger(second.statut == 0 && troisieme.statut == 0, "deuxieme execution");
    exiger(second.imprime == troisieme.imprime, "deux executions, deux impressions");
  }
  return 0;
}
