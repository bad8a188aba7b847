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
#include <variant>
#include <vector>

#include "core/arret.h"
#include "core/controle.h"
#include "core/nombres.h"
#include "core/ouverture.h"
#include "engine/codes.h"
#include "engine/composition.h"
#include "engine/derivation.h"
#include "engine/enregistrement.h"
#include "engine/execution.h"
#include "formats/inifile.h"
#include "formats/planches.h"

namespace vign {

namespace {

constexpr int kNombreEtiquettesMax = 99999;

// The keys of [format] a run needs, and those of [pdf] a sheet of the trade
// gives when they are not in the file.
constexpr std::array<std::string_view, 3> kClesTexteFormat = {"libelle", "init_debut_page",
                                                              "init_fin_page"};
constexpr std::array<std::string_view, 6> kClesPdfDerivees = {"page", "cpi",    "lpi",
                                                              "haut", "gauche", "taille"};

// A value of blanks only says nothing: the key is as good as absent.
bool blanc(std::string_view v) {
  return v.find_first_not_of(" \t\r") == std::string_view::npos;
}

std::size_t rang_pdf(std::string_view cle) {
  return static_cast<std::size_t>(std::find(kClesPdf.begin(), kClesPdf.end(), cle) -
                                  kClesPdf.begin());
}

// The values of the run: the file's, then those the sheet named with
// [format] planche= gives for the keys the file leaves out. Every key found
// in the file is remembered, so that a refusal of its value names the file.
class Source {
 public:
  explicit Source(const Reglages& r) : r_(r) {}

  std::optional<std::string> valeur(std::string_view section, std::string_view cle) {
    if (auto v = r_.valeur(section, cle)) {
      lues_.push_back("[" + std::string(section) + "] " + std::string(cle));
      return v;
    }
    if (const auto d = derivees_.find(nom(section, cle)); d != derivees_.end()) return d->second;
    // Who names a sheet does not know how many lines its labels take.
    if (planche_ && section == "presentation" && cle.starts_with("ligne")) return std::string();
    return std::nullopt;
  }

  // Reads [format] planche=; the database is opened only when the file
  // leaves out a key the sheet gives, so that a file written by -e reads
  // without it.
  Resultat<> lire_planche(Etat& st) {
    const auto reference = r_.valeur("format", "planche");
    if (!reference || blanc(*reference)) return {};
    planche_ = true;
    st.options.planche = reference;
    if (toutes("format", kClesNombres) && toutes("format", kClesTexteFormat) &&
        toutes("pdf", kClesPdfDerivees)) {
      return {};
    }
    lues_.insert(lues_.end(), {"[pdf] cpi", "[pdf] lpi"});  // the derivation's targets
    const auto d = derive(*reference);
    if (!d) return d.erreur();
    const Format& f = d->format;
    derivees_[nom("format", "libelle")] = std::string(f.libelle.view());
    const auto nombres = nombres_du_format(f);
    for (std::size_t i = 0; i < nombres.size(); ++i) {
      derivees_[nom("format", kClesNombres[i])] = std::to_string(nombres[i]);
    }
    derivees_[nom("format", "init_debut_page")] = f.avtpagimp;
    derivees_[nom("format", "init_fin_page")] = f.aprpagimp;
    for (std::size_t i = 0; i < kClesPdf.size(); ++i) {
      if (d->textes_pdf[i]) derivees_[nom("pdf", kClesPdf[i])] = *d->textes_pdf[i];
    }
    return {};
  }

  // A refusal of a value read from the file, told as such: "Valeur invalide
  // dans le fichier BATCH "s.ini" : [pdf] cpi=0".
  Erreur nomme_le_fichier(Erreur e) const {
    for (const std::string_view debut :
         {"Valeur invalide dans le fichier BATCH : ", "Valeur invalide : "}) {
      if (!e.message.starts_with(debut)) continue;
      const std::string_view reste = std::string_view(e.message).substr(debut.size());
      const bool lue = std::any_of(lues_.begin(), lues_.end(), [reste](const std::string& c) {
        return reste.starts_with(c) && reste.size() > c.size() &&
               (reste[c.size()] == '=' || reste[c.size()] == ' ');
      });
      if (lue) {
        e.message =
            "Valeur invalide dans le fichier BATCH " + cite(r_.nom()) + " : " + std::string(reste);
      }
      break;
    }
    return e;
  }

  const std::string& nom_fichier() const { return r_.nom(); }

 private:
  static std::string nom(std::string_view section, std::string_view cle) {
    return std::string(section) + "/" + std::string(cle);
  }
  template <std::size_t N>
  bool toutes(std::string_view section, const std::array<std::string_view, N>& cles) const {
    return std::all_of(cles.begin(), cles.end(), [this, section](std::string_view cle) {
      return r_.valeur(section, cle).has_value();
    });
  }

  // The sheet's format and page, aimed at the file's own [pdf] cpi= and lpi=.
  Resultat<Derivation> derive(const std::string& reference) const {
    const auto cibles = lit_reglages_pdf([this](std::string_view cle) {
      return cle == "cpi" || cle == "lpi" ? r_.valeur("pdf", cle) : std::nullopt;
    });
    if (const auto* refus = std::get_if<std::string>(&cibles)) return Erreur{*refus};
    const auto& lus = std::get<ReglagesPdf>(cibles);
    auto donnee = [&lus](std::string_view cle, double v) -> std::optional<double> {
      const auto& texte = lus.donnees[rang_pdf(cle)];
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
    return derive_planche(*r.gabarit, Cibles{donnee("cpi", lus.cpi), donnee("lpi", lus.lpi)});
  }

  const Reglages& r_;
  bool planche_ = false;
  std::map<std::string, std::string> derivees_;
  std::vector<std::string> lues_;
};

// The keys a batch run cannot do without. The first one missing is kept, and
// the run stops at the next check with a line naming it.
class Cles {
 public:
  explicit Cles(Source& r) : r_(r) {}

  std::string requise(std::string_view section, std::string_view cle) {
    if (manque_) return {};
    auto valeur = r_.valeur(section, cle);
    if (!valeur) {
      manque_ = Erreur{"Cle absente du fichier BATCH " + cite(r_.nom_fichier()) + " : [" +
                       std::string(section) + "] " + std::string(cle)};
      return {};
    }
    return *valeur;
  }
  const std::optional<Erreur>& manque() const { return manque_; }

 private:
  Source& r_;
  std::optional<Erreur> manque_;
};

void lire_format(Etat& st, Cles& cles) {
  st.formats[0].libelle.assign(cles.requise("format", "libelle"));
  const auto nombres = nombres_du_format(st, 0);
  for (std::size_t i = 0; i < nombres.size(); ++i) {
    *nombres[i] = entier(cles.requise("format", kClesNombres[i]));
  }
  st.formats[0].avtpagimp = cles.requise("format", "init_debut_page");
  st.formats[0].aprpagimp = cles.requise("format", "init_fin_page");
  st.formats[0].avtpage = char_to_spec(st.formats[0].avtpagimp);
  st.formats[0].aprpage = char_to_spec(st.formats[0].aprpagimp);
  st.FORMAT = 0;
}

// The attributes of [presentation], as the screen would have set them.
Resultat<> lire_attributs(Etat& st, Source& r) {
  for (int k = 0; k < kAttributs; ++k) {
    const std::string cle = cle_attribut(k);
    const auto v = r.valeur("presentation", cle);
    if (!v) continue;
    const auto chaines = lit_attribut(*v);
    if (!chaines) {
      return Erreur{"Valeur invalide dans le fichier BATCH " + cite(r.nom_fichier()) +
                    " : [presentation] " + cle + "=" + *v + " (activation;desactivation)"};
    }
    const auto a = static_cast<std::size_t>(k);
    st.avtchamp[a] = chaines->first;
    st.aprchamp[a] = chaines->second;
    st.attr[a] = '1';
  }
  return {};
}

// The codes of [codes], each checked against the label before anything is
// printed; kept as given, for the engine and for -e.
Resultat<> lire_codes(Etat& st, Source& r) {
  for (int i = 1; i <= static_cast<int>(kCodes); ++i) {
    const std::string cle = cle_code(i);
    auto v = r.valeur("codes", cle);
    if (!v || blanc(*v)) continue;
    const auto code = lit_code(cle, *v);
    if (!code) return code.erreur();
    const Format& f = st.formats[0];
    if (auto place = verifie_code(cle, *code, f.maxcareti, f.maxligeti); !place) return place;
    st.options.codes[static_cast<std::size_t>(i - 1)] = std::move(v);
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

// The fixed layout and the initial skip a run written with -e used; -f and
// -d on the command line win over them.
void lire_disposition(Etat& st, Source& r) {
  if (!st.formatfile) {
    if (auto v = r.valeur("fichiers", "disposition"); v && !v->empty()) st.formatfile = v;
  }
  if (st.deplacement == 0) {
    if (auto v = r.valeur("fichiers", "deplacement")) st.deplacement = std::max(0, entier(*v));
  }
}

// The optional keys; an option of the command line wins over its key.
void lire_options(Etat& st, Source& r) {
  auto lire = [&r](std::optional<std::string>& option, std::string_view section,
                   std::string_view cle) {
    if (!option) option = r.valeur(section, cle);
  };
  Options& o = st.options;
  for (const auto& k : kClesFacultatives) lire(o.*k.valeur, k.section, k.cle);
  for (std::size_t i = 0; i < kClesPdf.size(); ++i) lire(o.pdf[i], "pdf", kClesPdf[i]);
}

Resultat<> batch(Etat& st, Source& reglages) {
  if (auto planche = reglages.lire_planche(st); !planche) return planche;
  Cles cles(reglages);
  lire_format(st, cles);
  if (cles.manque()) return *cles.manque();
  // A format that cannot be printed is refused before the rest of the file
  // is asked for: its label lines may not even have rows to go to.
  if (auto verifie = verifie_format(format_de(st, 0)); !verifie) return verifie;
  st.inputfile = cles.requise("fichiers", "donnees");
  if (st.inputfile.empty()) st.inputfile = kEcran;
  st.outputfile = cles.requise("fichiers", "etiquettes");
  if (cles.manque()) return *cles.manque();
  Entree entree(st);
  int nombre = 1;
  if (st.inputfile != kEcran) {
    st.ALECRAN = 0;
    if (auto ouverte = entree.ouvre(st.inputfile); !ouverte) return ouverte;
    lire_disposition(st, reglages);
    auto fixe = analyse_format_fixe(st.formatfile);
    if (!fixe) return fixe.erreur();
    st.disposition = *fixe;
    if (!st.disposition) st.delimiteur = cles.requise("fichiers", "delimiteur");
    for (int i = 1; i <= st.formats[0].maxligeti; ++i) {
      st.place[static_cast<std::size_t>(i)].assign(cles.requise("presentation", cle_ligne(i)));
    }
  } else {
    st.ALECRAN = 1;
    for (int i = 1; i <= st.formats[0].maxligeti; ++i) {
      const auto r = static_cast<std::size_t>(i);
      st.champ[r].assign(cles.requise("presentation", cle_ligne(i)));
      st.place[r].assign(std::to_string(i));
    }
    nombre = entier(cles.requise("execution", "nombre"));
    if (!cles.manque() && nombre < 1) {
      return Erreur{"Nombre d'etiquettes inferieur a 1 dans le fichier BATCH " +
                    cite(reglages.nom_fichier())};
    }
    // As many as the count prompt of the screen takes (five digits).
    if (nombre > kNombreEtiquettesMax) {
      return Erreur{"Nombre d'etiquettes superieur a 99999 dans le fichier BATCH " +
                    cite(reglages.nom_fichier())};
    }
  }
  if (cles.manque()) return *cles.manque();
  if (auto attributs = lire_attributs(st, reglages); !attributs) return attributs;
  lire_options(st, reglages);
  if (auto codes = lire_codes(st, reglages); !codes) return codes;
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
