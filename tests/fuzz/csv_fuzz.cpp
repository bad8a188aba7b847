// The CSV reader takes spreadsheets' files, and a file can be anything. The
// first byte of the input is the delimiter, the rest is the file. Every
// record read is held against a plain reading of the same rules, one byte at
// a time; its fields are then put in a field table, whose rows must stay
// within their capacity and be clean wherever they are said to be.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/etat.h"
#include "engine/csv.h"
#include "engine/enregistrement.h"
#include "outils_fuzz.h"

namespace {

using vign::fuzz::exiger;
using Enregistrement = std::vector<std::string>;

// The records of `f`, by the rules of the reader, slowly and plainly, and
// the line each starts on.
std::vector<Enregistrement> reference(std::string_view f, char d,
                                      std::vector<std::size_t>& debuts) {
  std::vector<Enregistrement> lus;
  std::size_t i = f.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  std::size_t ligne = 1;
  std::size_t vus = 0;  // f[0, vus) holds ligne - 1 line feeds
  while (i < f.size()) {
    for (; vus < i; ++vus) ligne += f[vus] == '\n' ? 1 : 0;
    const std::size_t debut = ligne;
    Enregistrement e;
    bool fin_ligne = false;
    bool guillemets = false;
    while (!fin_ligne) {
      std::string champ;
      guillemets = i < f.size() && f[i] == '"' && d != '"';
      if (guillemets) {
        for (++i; i < f.size(); ++i) {
          // A doubled quote, or a CR LF.
          const bool paire = (f[i] == '"' || f[i] == '\r') && i + 1 < f.size() &&
                             f[i + 1] == (f[i] == '"' ? '"' : '\n');
          if (f[i] == '"' && !paire) break;
          champ += f[i] == '\n' || (f[i] == '\r' && paire) ? ' ' : f[i];
          if (paire) ++i;
        }
        ++i;  // the closing quote
      }
      const std::size_t libre = champ.size();
      for (; i < f.size() && f[i] != '\n' && f[i] != d; ++i) champ += f[i];
      fin_ligne = i >= f.size() || f[i] == '\n';
      if (fin_ligne && champ.size() > libre && champ.back() == '\r') champ.pop_back();
      ++i;
      e.push_back(champ);
    }
    if (e.size() > 1 || guillemets || !e[0].empty()) {
      lus.push_back(e);
      debuts.push_back(debut);
    }
  }
  return lus;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string delimiteur(1, static_cast<char>(data[0]));
  const std::string_view fichier(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string chemin = vign::fuzz::chemin_prive("donnees.csv");
  vign::fuzz::ecrire_fichier(chemin, fichier);

  std::vector<std::size_t> debuts;
  const std::vector<Enregistrement> attendus = reference(fichier, delimiteur[0], debuts);
  // An input whose first block has carriage returns and no line feed is read
  // with CR as its line end, a case the plain reading above does not follow:
  // there only the bounds of the field table are held.
  const std::string_view bloc = fichier.substr(0, 64 * 1024);
  const bool modele =
      bloc.find('\n') != std::string_view::npos || bloc.find('\r') == std::string_view::npos;
  vign::Etat st;
  st.pinput.reset(std::fopen(chemin.c_str(), "rb"));
  exiger(static_cast<bool>(st.pinput), "ouverture des donnees");
  vign::LectureCsv lecture(delimiteur);
  vign::Propres propres = 0;
  std::size_t n = 0;
  while (vign::lire_csv(st, lecture)) {
    if (!modele) {
      vign::decoupe_csv(st, lecture, propres);
      for (const vign::Ligne& c : st.champ)
        exiger(c.size() <= vign::Ligne::capacite, "champ trop long");
      continue;
    }
    exiger(n < attendus.size(), "plus d'enregistrements que prevu");
    exiger(lecture.ligne() == debuts[n], "ligne de l'enregistrement");
    const Enregistrement& e = attendus[n++];
    exiger(lecture.nombre_champs() == e.size(), "nombre de champs");
    for (std::size_t k = 1; k <= e.size() && k < vign::kLignes; ++k) {
      exiger(lecture.champ(k) == e[k - 1], "champ decode");
    }
    vign::decoupe_csv(st, lecture, propres);
    for (std::size_t k = 1; k < vign::kLignes; ++k) {
      const vign::Ligne& c = st.champ[k];
      exiger(c.size() <= vign::Ligne::capacite, "champ trop long");
      exiger(c.view() == lecture.champ(k).substr(0, vign::Ligne::capacite), "rang du champ");
      if ((propres & (vign::Propres{1} << k)) == 0) continue;
      vign::Ligne nettoye = c;
      vign::rts(nettoye);
      vign::rctrl(nettoye);
      exiger(nettoye.view() == c.view(), "rang dit propre qui ne l'est pas");
    }
  }
  exiger(!modele || n == attendus.size(), "nombre d'enregistrements");
  exiger(std::ferror(st.pinput.get()) == 0, "erreur de lecture");
  return 0;
}
