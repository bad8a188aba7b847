#include "core/jeu.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

namespace vign {
namespace {

struct Cas {
  const char* jeu;
  std::string texte;
  std::string attendu;
  std::size_t remplaces;
};

// Opens the conversion or fails the test with the message.
Conversion ouvrir(Resultat<Conversion> o) {
  if (!o) ADD_FAILURE() << o.erreur().message;
  return std::move(*o);
}

TEST(Jeu, UnicodeTextReachesThePrinterSet) {
  const Cas cas[] = {
      {"CP850", "H\xc3\xa9l\xc3\xa8ne", "\x48\x82\x6c\x8a\x6e\x65", 0},
      {"ISO-8859-1", "H\xc3\xa9l\xc3\xa8ne", "H\xe9l\xe8ne", 0},
      {"CP437", "Fran\xc3\xa7ois", "Fran\x87ois", 0},
      {"CP1252", "\xc5\x93uvre", "\x9cuvre", 0},  // œ is in CP1252
      {"CP850", "\xc5\x93uvre", "oeuvre", 1},     // but not in CP850
      {"ISO-8859-1", "l\xe2\x80\x99\xc3\xa9t\xc3\xa9", "l'\xe9t\xe9", 1},
      {"CP850", "\xe4\xb8\xad", "?", 1},  // no way to write it
      {"CP850", "a\xe4\xb8\xadz\xe4\xb8\xad", "a?z?", 2},
      {"CP850", "H\xe9l\xe8ne", "H\xe9l\xe8ne", 0},  // already printer bytes
      {"CP850", "ab\xc3", "ab\xc3", 0},              // a sequence cut short
      {"CP850", "R\xc3\xa9sum\xc3", "R\x82sum\xc3", 0},
      {"ISO-2022-JP", "\xe4\xb8\xad", "\x1b$BCf\x1b(B", 0},  // back to ASCII at the end
      // Long pieces go to the C library in slices: é across the first cut.
      {"CP850", std::string(255, 'a') + "\xc3\xa9\xc5\x93", std::string(255, 'a') + "\x82oe", 1},
  };
  for (const auto& c : cas) {
    Conversion conv = ouvrir(Conversion::depuis_utf8(c.jeu));
    std::string sortie = "<";
    EXPECT_EQ(conv.convertir(c.texte, sortie), c.remplaces) << c.jeu << " " << c.texte;
    EXPECT_EQ(sortie, "<" + c.attendu) << c.jeu << " " << c.texte;
    // The same piece again gives the same bytes: nothing is carried over.
    sortie.clear();
    conv.convertir(c.texte, sortie);
    EXPECT_EQ(sortie, c.attendu) << c.jeu << " " << c.texte;
  }
}

TEST(Jeu, RecordsComeToUnicode) {
  const Cas cas[] = {
      {"ISO-8859-1", "H\xe9l\xe8ne", "H\xc3\xa9l\xc3\xa8ne", 0},
      {"CP850", "\x48\x82\x6c\x8a\x6e\x65", "H\xc3\xa9l\xc3\xa8ne", 0},
      {"CP1252", "5 \x80", "5 \xe2\x82\xac", 0},
      {"CP1252", "a\x81z", "a?z", 1},  // 0x81 has no character
      {"UTF-8", "a\xffz\xc3\xa9", "a?z\xc3\xa9", 1},
      // Sets written with ASCII bytes only: never copied as they are.
      {"ISO-2022-JP", "\x1b$BCf\x1b(B", "\xe4\xb8\xad", 0},
      {"UTF-7", "+AOk-", "\xc3\xa9", 0},
      {"ISO-8859-1", "plain", "plain", 0},
  };
  for (const auto& c : cas) {
    Conversion conv = ouvrir(Conversion::vers_utf8(c.jeu));
    std::string sortie;
    EXPECT_EQ(conv.convertir(c.texte, sortie), c.remplaces) << c.jeu << " " << c.texte;
    EXPECT_EQ(sortie, c.attendu) << c.jeu << " " << c.texte;
  }
}

TEST(Jeu, AnUnknownSetIsNamedInTheMessage) {
  for (const char* nom : {"XYZ", "", "CP850//TRANSLIT"}) {
    Resultat<Conversion> ouvertures[] = {Conversion::vers_utf8(nom), Conversion::depuis_utf8(nom)};
    for (const Resultat<Conversion>& o : ouvertures) {
      ASSERT_FALSE(o) << nom;
      EXPECT_EQ(o.erreur().message, "Jeu de caracteres inconnu : \"" + std::string(nom) + "\"");
    }
  }
}

TEST(Jeu, AMovedConversionStillConverts) {
  Conversion a = ouvrir(Conversion::depuis_utf8("CP850"));
  Conversion b = std::move(a);
  Conversion c = ouvrir(Conversion::depuis_utf8("ISO-8859-1"));
  c = std::move(b);
  std::string sortie;
  c.convertir("\xc3\xa9", sortie);
  EXPECT_EQ(sortie, "\x82");
}

Jeux jeux(std::optional<std::string> donnees, std::optional<std::string> imprimante) {
  Options o;
  o.jeu_donnees = std::move(donnees);
  o.jeu_imprimante = std::move(imprimante);
  auto j = prepare_jeux(o);
  if (!j) ADD_FAILURE() << j.erreur().message;
  return j ? std::move(*j) : Jeux{};
}

TEST(Jeux, NamesAreCheckedBeforeTheRunAndOnlyUtf8PrintersCountColumns) {
  const struct {
    std::optional<std::string> donnees, imprimante;
    const char* message;  // nullptr: accepted
    bool en_octets;
  } cas[] = {
      {"XYZ", std::nullopt, "Jeu de caracteres inconnu : \"XYZ\" (jeu_donnees)", false},
      {"CP850", "CP850//TRANSLIT",
       "Jeu de caracteres inconnu : \"CP850//TRANSLIT\" (jeu_imprimante)", false},
      {"", "", nullptr, false},  // empty: no set
      {"ISO-8859-1", "CP850", nullptr, true},
      {std::nullopt, "utf-8", nullptr, false},
  };
  for (const auto& c : cas) {
    Options o;
    o.jeu_donnees = c.donnees;
    o.jeu_imprimante = c.imprimante;
    const auto j = prepare_jeux(o);
    EXPECT_EQ(j ? "accepte" : j.erreur().message, c.message ? c.message : "accepte");
    EXPECT_EQ(j && j->en_octets(), c.en_octets) << c.imprimante.value_or("");
  }
}

// Only the characters that reach the label are counted as replaced.
TEST(Jeux, ReplacementsAreCountedWithinTheLabelAndTold) {
  const struct {
    std::string texte;
    long long place;
    std::string debut;  // of the converted text, the label's columns
    std::size_t remplaces;
  } cas[] = {
      {"\xc5\x93uvre", 10, "oeuvre", 1},
      {"abc\xe4\xb8\xad", 3, "abc", 0},  // the ideograph falls past the edge
      {"ab\xe4\xb8\xad"
       "d",
       3, "ab?", 1},
      {"H\xc3\xa9l\xc3\xa8ne \xe2\x80\x99", 8, "\x48\x82\x6c\x8a\x6e\x65 '", 1},
  };
  for (const auto& c : cas) {
    Jeux j = jeux(std::nullopt, "CP850");
    const std::string_view sortie = j.pour_imprimante(c.texte, c.place);
    EXPECT_EQ(sortie.substr(0, c.debut.size()), c.debut) << c.texte;
    EXPECT_EQ(j.remplaces_imprimante(), c.remplaces) << c.texte;
  }
  Jeux j = jeux("CP1252", "CP850");
  std::string tampon;
  EXPECT_EQ(j.depuis_donnees("a\x81z\x9c", tampon), "a?z\xc5\x93");
  EXPECT_EQ(j.bilan(), "1 caractere illisible dans le jeu CP1252");
  j.pour_imprimante("\xc5\x93 \xc5\x93", 10);
  EXPECT_EQ(j.bilan(),
            "2 caracteres remplaces pour le jeu CP850, 1 caractere illisible dans le jeu CP1252");
  EXPECT_FALSE(jeux(std::nullopt, "CP850").bilan());
}

}  // namespace
}  // namespace vign
