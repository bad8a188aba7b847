#include "app/arguments.h"

#include <array>
#include <string>
#include <string_view>

#include "core/arret.h"
#include "core/nombres.h"

namespace vign {

namespace {

// The options that take a value, with the name of that value in the usage.
constexpr std::array<std::pair<std::string_view, std::string_view>, 7> kAvecValeur = {{
    {"-l", "REGLAGES"},
    {"-f", "DISPOSITION"},
    {"-d", "OCTETS"},
    {"-e", "REGLAGES"},
    {"-c", "JEU"},
    {"-s", "DEBUT"},
    {"-n", "COPIES"},
}};

const std::string_view* valeur_de(std::string_view option) {
  for (const auto& [nom, valeur] : kAvecValeur) {
    if (nom == option) return &valeur;
  }
  return nullptr;
}

bool sans_valeur(std::string_view option) {
  return option == "-h" || option == "--help" || option == "-V" || option == "--version";
}

std::string_view mot(std::span<const char* const> args, std::size_t k) {
  return args[k] != nullptr ? args[k] : "";
}

}  // namespace

void lire_arguments(Etat& st, std::span<const char* const> args) {
  st.formatfile.reset();
  st.inifile.reset();
  st.writefile.reset();
  st.options.jeu_imprimante.reset();
  st.options.debut.reset();
  st.options.copies.reset();
  // args[0] is the program name; the value of args[k-1] is args[k], absent
  // for the last argument.
  for (std::size_t k = args.size(); k >= 1; --k) {
    const std::string_view option = args[k - 1] != nullptr ? args[k - 1] : "";
    const char* brut = k < args.size() ? args[k] : nullptr;
    std::optional<std::string> valeur;
    if (brut != nullptr) valeur = brut;
    if (option == "-l") {
      st.inifile = valeur;
    } else if (option == "-f") {
      st.formatfile = valeur;
    } else if (option == "-d") {
      const int d = valeur ? entier(*valeur) : 0;
      st.deplacement = d > 0 ? d : 0;
    } else if (option == "-e") {
      st.writefile = valeur;
    } else if (option == "-c" && valeur) {
      st.options.jeu_imprimante = valeur;
    } else if (option == "-s" && valeur) {
      st.options.debut = valeur;
    } else if (option == "-n" && valeur) {
      st.options.copies = valeur;
    }
  }
}

Resultat<> verifier_arguments(std::span<const char* const> args) {
  for (std::size_t k = 1; k < args.size(); ++k) {
    const std::string_view a = mot(args, k);
    // The scan of lire_arguments tests values as options too, so a word
    // after an option is its value whatever it looks like.
    if (k > 1 && valeur_de(mot(args, k - 1)) != nullptr) continue;
    if (sans_valeur(a)) continue;
    if (const auto* valeur = valeur_de(a)) {
      // A lone -l at the end has always opened the screens.
      if (k + 1 < args.size() || a == "-l") continue;
      return Erreur{"vign : valeur manquante apres " + std::string(a) + " (vign " + std::string(a) +
                        " " + std::string(*valeur) + ")",
                    2};
    }
    if (a.size() > 1 && a.front() == '-')
      return Erreur{"vign : option inconnue " + cite(a) + " (vign --help)", 2};
    std::string message = "vign : argument inattendu " + cite(a);
    if (a.size() > 4 && a.ends_with(".ini")) {
      const std::string cite_ = cite(a);
      message += " (vign -l " + cite_.substr(1, cite_.size() - 2) + " ?)";
    }
    return Erreur{message, 2};
  }
  return {};
}

Demande demande(std::span<const char* const> args) {
  for (std::size_t k = 1; k < args.size(); ++k) {
    const std::string_view a = args[k] != nullptr ? args[k] : "";
    if (a == "-h" || a == "--help") return Demande::aide;
    if (a == "-V" || a == "--version") return Demande::version;
    if (a == "--planches") return Demande::planches;
  }
  return Demande::programme;
}

std::string filtre_planches(std::span<const char* const> args) {
  std::string filtre;
  bool apres = false;
  for (std::size_t k = 1; k < args.size(); ++k) {
    const std::string_view a = args[k] != nullptr ? args[k] : "";
    if (apres) {
      if (!filtre.empty()) filtre += ' ';
      filtre += a;
    }
    apres = apres || a == "--planches";
  }
  return filtre;
}

const char* const kUsage =
    "Usage : vign [-l REGLAGES] [-f DISPOSITION] [-d OCTETS] [-e REGLAGES]\n"
    "             [-c JEU] [-s DEBUT] [-n COPIES]\n"
    "        vign --planches [FILTRE]\n"
    "Planches d'etiquettes pour imprimantes ligne et matricielles.\n"
    "\n"
    "  -l REGLAGES     imprime sans ecran d'apres le fichier de reglages REGLAGES\n"
    "  -f DISPOSITION  fichier des largeurs des champs (mode largeur fixe)\n"
    "  -d OCTETS       octets a sauter avant le premier enregistrement (largeur fixe)\n"
    "  -e REGLAGES     ecrit les reglages de chaque execution dans REGLAGES\n"
    "  -c JEU          jeu de caracteres de l'imprimante (CP850, ISO-8859-1...)\n"
    "  -s DEBUT        premiere position d'etiquette de la premiere page (1, 2...)\n"
    "  -n COPIES       nombre de copies de chaque etiquette, ou #K : le champ K\n"
    "  --planches [FILTRE]  liste les planches du commerce (paquet glabels-data)\n"
    "  -h, --help      cette aide\n"
    "  -V, --version   la version du programme\n"
    "\n"
    "Sans -l, le programme plein ecran (24 x 80) s'ouvre. Il lit le catalogue de\n"
    "formats ./formats.txt du repertoire courant, le fichier de donnees nomme dans\n"
    "fIchiers ou dans les reglages, et cree le fichier d'impression nomme de meme.\n"
    "Manuel : man vign\n";

}  // namespace vign
