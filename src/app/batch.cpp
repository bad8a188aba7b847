#include "app/batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/resultat.h"
#include "core/controle.h"
#include "core/mots.h"
#include "core/nombres.h"
#include "core/ouverture.h"
#include "engine/codes.h"
#include "engine/composition.h"
#include "engine/derivation.h"
#include "engine/enregistrement.h"
#include "engine/execution.h"
#include "formats/catalogue.h"
#include "formats/inifile.h"
#include "formats/planches.h"

namespace vign {

namespace {

constexpr int kNombreEtiquettesMax = 99999;

// The values of the run: the file's, then those the sheet named with
// [format] planche= gives for the keys the file leaves out. Every key found
// in the file is remembered, so that a refusal of its value names the file.
class Source : public SourceReglages {
 public:
  explicit Source(const Reglages& r) : r_(r) {}

  std::optional<std::string> valeur(std::string_view section, std::string_view cle) const override {
    if (auto v = r_.valeur(section, cle)) {
      lues_.push_back("[" + std::string(section) + "] " + std::string(cle));
      return v;
    }
    if (const auto d = derivees_.find(nom(section, cle)); d != derivees_.end()) return d->second;
    // Who names a sheet does not know how many lines its labels take.
    if (planche_ && section == "presentation" && cle.starts_with("ligne")) return std::string();
    return std::nullopt;
  }
  const std::string& nom() const override { return r_.nom(); }

  // Reads [format] planche=; the database is opened only when the file
  // leaves out a key the sheet gives, so that a file written by -e reads
  // without it.
  Resultat<> lire_planche(Etat& st) {
    const auto reference = r_.valeur("format", "planche");
    if (!reference || blanc(*reference)) return {};
    planche_ = true;
    st.options.planche = reference;
    const bool toutes = std::all_of(kCles.begin(), kCles.end(), [this](const CleReglage& c) {
      return !c.de_planche || r_.valeur(c.section, c.cle).has_value();
    });
    if (toutes) return {};
    lues_.insert(lues_.end(), {"[pdf] cpi", "[pdf] lpi"});  // the derivation's targets
    const auto d = derive(*reference);
    if (!d) return d.erreur();
    // The sheet's values are those -e would write for its format and page.
    const auto selon = std::make_unique<Etat>();
    selon->formats[0] = d->format;
    selon->options.pdf = d->textes_pdf;
    for (const auto& c : kCles) {
      if (!c.de_planche) continue;
      if (auto v = valeur_ecrite(*selon, 0, c, 0)) derivees_[nom(c.section, c.cle)] = *v;
    }
    return {};
  }

  // A refusal of a value read from the file, told as such: "Valeur invalide
  // dans le fichier BATCH "s.ini" : [pdf] cpi=0".
  Erreur nomme_le_fichier(Erreur e) const {
    const std::string_view v = e.valeur;
    const bool lue = std::any_of(lues_.begin(), lues_.end(), [v](const std::string& c) {
      return v.starts_with(c) && v.size() > c.size() && (v[c.size()] == '=' || v[c.size()] == ' ');
    });
    if (lue)
      e.message = "Valeur invalide dans le fichier BATCH " + cite(r_.nom()) + " : " + e.valeur;
    return e;
  }

 private:
  static std::string nom(std::string_view section, std::string_view cle) {
    return std::string(section) + "/" + std::string(cle);
  }

  // The sheet's format and page, aimed at the file's own [pdf] cpi= and lpi=.
  Resultat<Derivation> derive(const std::string& reference) const {
    TextesPdf cibles{};
    for (const ValeurPdf i : {kPdfCpi, kPdfLpi}) cibles[i] = r_.valeur("pdf", kClesPdf[i]);
    const auto lus = lit_reglages_pdf(cibles);
    if (!lus) return lus.erreur();
    auto donnee = [&lus](ValeurPdf i, double v) -> std::optional<double> {
      const auto& texte = lus->donnees[i];
      return texte && !blanc(*texte) ? std::optional<double>(v) : std::nullopt;
    };
    if (!lecture_xml_construite()) {
      return Erreur{"Planches non lues : vign construit sans libxml2 (paquet libxml2-dev)"};
    }
    const auto base = charge_planches(sources_planches());
    if (!base) return base.erreur();
    if (base->gabarits.empty()) {
      return Erreur{
          "Aucune planche trouvee : installez le paquet glabels-data, ou ecrivez "
          "./planches.xml"};
    }
    const auto r = cherche_planche(*base, reference);
    if (r.gabarit == nullptr) return Erreur{message_planche_inconnue(reference, r)};
    return derive_planche(*r.gabarit, Cibles{donnee(kPdfCpi, lus->cpi), donnee(kPdfLpi, lus->lpi)});
  }

  const Reglages& r_;
  bool planche_ = false;
  std::map<std::string, std::string> derivees_;
  mutable std::vector<std::string> lues_;
};

// The codes of [codes], each checked against the label before anything is
// printed; kept as given, for the engine and for -e.
Resultat<> verifie_codes(const Etat& st) {
  for (int i = 1; i <= static_cast<int>(kCodes); ++i) {
    const auto& v = st.options.codes[static_cast<std::size_t>(i - 1)];
    if (!v) continue;
    const std::string cle = cle_code(i);
    const auto code = lit_code(cle, *v);
    if (!code) return code.erreur();
    const Format& f = st.formats[0];
    if (auto place = verifie_code(cle, *code, f.maxcareti, f.maxligeti); !place) return place;
  }
  return {};
}

// The input file of the run behind a large buffer, closed before the buffer
// goes, whatever way the run ends.
class Entree {
 public:
  explicit Entree(Etat& st) : st_(st) {}
  Entree(const Entree&) = delete;
  Entree& operator=(const Entree&) = delete;
  ~Entree() { st_.pinput.reset(); }

  // "-" is standard input (records from a pipe, read once). What cannot be
  // read to an end is refused before the print file is touched.
  Resultat<> ouvre(const std::string& nom) {
    auto ouvert = ouvre_en_lecture(nom, "Pas de fichier input");
    if (!ouvert) return ouvert.erreur();
    st_.pinput = std::move(*ouvert);
    tampon_ = std::make_unique<char[]>(kTampon);
    std::setvbuf(st_.pinput.get(), tampon_.get(), _IOFBF, kTampon);
    return {};
  }

 private:
  static constexpr std::size_t kTampon = 256 * 1024;
  Etat& st_;
  std::unique_ptr<char[]> tampon_;
};

// The number of labels typed in the file: as many as the count prompt of
// the screen takes (five digits).
Resultat<> verifie_nombre(int nombre, const Source& reglages) {
  if (nombre < 1) {
    return Erreur{"Nombre d'etiquettes inferieur a 1 dans le fichier BATCH " +
                  cite(reglages.nom())};
  }
  if (nombre > kNombreEtiquettesMax) {
    return Erreur{"Nombre d'etiquettes superieur a 99999 dans le fichier BATCH " +
                  cite(reglages.nom())};
  }
  return {};
}

// The records' side of the file: the input opened, the fixed layout or the
// delimiter, the label lines.
Resultat<> lire_enregistrements(Etat& st, LectureReglages& lu, const Source& reglages,
                                Entree& entree) {
  st.ALECRAN = 0;
  if (auto ouverte = entree.ouvre(st.inputfile); !ouverte) return ouverte;
  // The fixed layout and the initial skip a run written with -e used; -f
  // and -d on the command line win over them.
  if (auto lue = lit_cles(lu, reglages, "fichiers", Presence::facultative); !lue) return lue;
  auto fixe = analyse_format_fixe(st.formatfile);
  if (!fixe) return fixe.erreur();
  st.disposition = *fixe;
  if (!st.disposition) {
    if (auto lue = lit_cles(lu, reglages, "fichiers", Presence::si_delimite); !lue) return lue;
  }
  return lit_cles(lu, reglages, "presentation", Presence::requise);
}

// The labels typed in the file: their lines and how many of them.
Resultat<> lire_tapees(Etat& st, LectureReglages& lu, const Source& reglages) {
  st.ALECRAN = 1;
  if (auto lue = lit_cles(lu, reglages, "presentation", Presence::requise); !lue) return lue;
  if (auto lue = lit_cles(lu, reglages, "execution", Presence::si_ecran); !lue) return lue;
  return verifie_nombre(lu.nombre, reglages);
}

Resultat<> batch(Etat& st, Source& reglages) {
  if (auto planche = reglages.lire_planche(st); !planche) return planche;
  LectureReglages lu{st};
  if (auto lue = lit_cles(lu, reglages, "format", Presence::requise); !lue) return lue;
  st.FORMAT = 0;
  // A format that cannot be printed is refused before the rest of the file
  // is asked for: its label lines may not even have rows to go to.
  if (auto verifie = verifie_format(format_de(st, 0)); !verifie) return verifie;
  if (auto lue = lit_cles(lu, reglages, "fichiers", Presence::requise); !lue) return lue;
  Entree entree(st);
  const bool tapees = st.inputfile == kEcran;
  const auto lues =
      tapees ? lire_tapees(st, lu, reglages) : lire_enregistrements(st, lu, reglages, entree);
  if (!lues) return lues;
  const int nombre = tapees ? lu.nombre : 1;
  if (auto lue = lit_cles(lu, reglages, Presence::facultative); !lue) return lue;
  if (auto codes = verifie_codes(st); !codes) return codes;
  // A batch run says nothing of a run that went through, but for what the
  // user must know (characters replaced for the printer's set).
  struct SuiviBatch : SuiviMuet {
    using SuiviMuet::SuiviMuet;
    void remarque(std::string_view texte) override {
      std::fprintf(stderr, "%.*s\n", static_cast<int>(texte.size()), texte.data());
    }
  } suivi(nombre);
  const auto imprimees = execution(st, suivi);
  if (!imprimees) return imprimees.erreur();
  if (st.writefile) return write_inifile(st, *imprimees);
  return {};
}

}  // namespace

int traitement_batch(Etat& st) {
  const auto reglages = Reglages::lire(*st.inifile);
  if (!reglages) {
    std::fprintf(stderr, "%s\n", reglages.erreur().message.c_str());
    return reglages.erreur().statut;
  }
  Source source(*reglages);
  const auto fait = batch(st, source);
  if (fait) return 0;
  std::fprintf(stderr, "%s\n", source.nomme_le_fichier(fait.erreur()).message.c_str());
  // A settings file saved with CR LF line ends keeps a carriage return at
  // the end of every value: a file name then names no file. The values are
  // read as they stand; a failed run only points at the likely cause.
  if (reglages->fins_crlf()) {
    std::fprintf(stderr, "(fichier %s aux fins de ligne CR LF ?)\n", reglages->nom().c_str());
  }
  return fait.erreur().statut;
}

}  // namespace vign
