#include "engine/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vign {
namespace {

using Enregistrements = std::vector<std::vector<std::string>>;

// Every record of `contenu`, each as its fields 1 .. 29.
Enregistrements lire_tout(const std::string& contenu, std::string_view delim = ";") {
  std::FILE* f = std::tmpfile();
  std::fwrite(contenu.data(), 1, contenu.size(), f);
  std::rewind(f);
  LectureCsv l(delim);
  Enregistrements lus;
  while (lus.size() < 100000 && l.suivant(f)) {
    lus.emplace_back();
    const std::size_t n = std::min(l.nombre_champs(), std::size_t{kLignes - 1});
    for (std::size_t k = 1; k <= n; ++k) lus.back().emplace_back(l.champ(k));
  }
  std::fclose(f);
  return lus;
}

TEST(LectureCsv, QuotingAsSpreadsheetsWriteIt) {
  const struct {
    std::string contenu;
    const char* delim;
    Enregistrements attendus;
  } cas[] = {
      {"\"a;b\";c\n", ";", {{"a;b", "c"}}},
      {"\"a\nb\";c\n\"x\r\ny\"\r\n", ";", {{"a b", "c"}, {"x y"}}},  // a line break: one space
      {"\"dit \"\"oui\"\"\";\"\"\"\"\n", ";", {{"dit \"oui\"", "\""}}},
      {"\xEF\xBB\xBFnom;ville\n\xEF\xBB\xBFx\n", ";", {{"nom", "ville"}, {"\xEF\xBB\xBFx"}}},
      {"\xEF\xBB", ";", {{"\xEF\xBB"}}},  // too short for a mark
      {"\na\n\n\r\nb\r\n\n", ";", {{"a"}, {"b"}}},
      {";\n\"\"\n", ";", {{"", ""}, {""}}},   // not empty lines
      {"x;\"ab\ncd", ";", {{"x", "ab cd"}}},  // the input ends inside the quotes
      {"\"ab\"\"", ";", {{"ab\""}}},
      {"\"ab\"", ";", {{"ab"}}},
      {"ab\"c;d\"\n", ";", {{"ab\"c", "d\""}}},  // quotes inside an unquoted field
      {" \"a;b\"\n", ";", {{" \"a", "b\""}}},
      {"\"ab\"c;\"a\"b\"c\" ;d\n", ";", {{"abc", "ab\"c\" ", "d"}}},
      {"\"\";\"\";\n", ";", {{"", "", ""}}},
      {"a;b\r", ";", {{"a", "b"}}},
      {"a\rb;\"c\"\r\n", ";", {{"a\rb", "c"}}},  // a CR that ends no line stays
      {std::string("a\0b;c", 5), ";", {{std::string("a\0b", 3), "c"}}},
      {"\"a\tb\"\tc;d\n", "\t", {{"a\tb", "c;d"}}},
      {"\"a,b\",c\n", ",", {{"a,b", "c"}}},
      {"a;\"b;c\"\n", "", {{"a;\"b;c\""}}},  // no delimiter: one field
      {"\"a\nb\"\n", "", {{"a b"}}},
      {"a\"b\"\"\n", "\"", {{"a", "b", "", ""}}},  // the quote as delimiter quotes nothing
  };
  for (const auto& c : cas) EXPECT_EQ(lire_tout(c.contenu, c.delim), c.attendus) << c.contenu;
}

TEST(LectureCsv, RecordsAcrossBlocksAndOverAMebibyte) {
  std::string contenu;
  Enregistrements attendus;
  for (int i = 0; i < 4000; ++i) {
    const std::string x(std::size_t(i % 61), 'x');
    contenu += std::to_string(i) + ";\"" + x + "\r\n\"\"" + x + "\"\r\n";
    attendus.push_back({std::to_string(i), x + " \"" + x});
  }
  // Past the part kept, the line feeds inside the quotes end nothing.
  std::string geant(1536 * 1024, 'g');
  for (std::size_t i = 1000; i < geant.size(); i += 1000) geant[i] = '\n';
  contenu += "\"" + geant + "\";tard\nsuite;\"2\"";
  const auto lus = lire_tout(contenu);
  ASSERT_EQ(lus.size(), 4002u);
  for (std::size_t i = 0; i < 4000; ++i) ASSERT_EQ(lus[i], attendus[i]) << i;
  EXPECT_EQ(lus[4000][0].substr(0, 1002), std::string(1000, 'g') + " g");
  EXPECT_EQ(lus[4001], (std::vector<std::string>{"suite", "2"}));
}

// The lines where the records start, for a message to point at one.
std::vector<std::size_t> lignes(const std::string& contenu) {
  std::FILE* f = std::tmpfile();
  std::fwrite(contenu.data(), 1, contenu.size(), f);
  std::rewind(f);
  LectureCsv l(";");
  std::vector<std::size_t> debuts;
  while (l.suivant(f)) debuts.push_back(l.ligne());
  std::fclose(f);
  return debuts;
}

TEST(LectureCsv, EachRecordKnowsItsLine) {
  std::string geant(1536 * 1024, 'g');  // line feeds at 1000, 2000 ... 1572000
  for (std::size_t i = 1000; i < geant.size(); i += 1000) geant[i] = '\n';
  const struct {
    std::string contenu;
    std::vector<std::size_t> attendus;
  } cas[] = {
      {"a\nb\n", {1, 2}},
      {"\n\na\r\n\"x\ny\r\nz\";w\nb", {3, 4, 7}},
      {"\xEF\xBB\xBF\"p\"\"\nq\";\"r\ns\"\nt\n", {1, 4}},
      {"a;\"b\rc\"\rd\n\"\"\n", {1, 2}},  // a lone CR ends no line
      {"\"" + geant + "\";x\nsuite\n", {1, 1574}},
      // A second record too long to keep is followed as the first was.
      {"\"" + geant + "\";x\n\"" + geant + "\";x\nsuite\n", {1, 1574, 3147}},
  };
  for (const auto& c : cas) EXPECT_EQ(lignes(c.contenu), c.attendus) << c.contenu.substr(0, 40);
}

TEST(LectureCsv, AReadErrorStaysForTheCaller) {
  std::FILE* f = std::fopen("/", "r");  // a directory opens but cannot be read
  ASSERT_NE(f, nullptr);
  LectureCsv l(";");
  EXPECT_FALSE(l.suivant(f));
  EXPECT_NE(std::ferror(f), 0);
  std::fclose(f);
}

TEST(DecoupeCsv, FieldsGoToTheRowsAsAPlainRecordsDo) {
  std::string enregistrement = "\"" + std::string(300, 'l') + "\"";
  for (int k = 2; k <= 31; ++k) enregistrement += ";" + std::to_string(k);
  Etat st;
  st.champ[0].assign("zero");
  std::FILE* f = std::tmpfile();
  const std::string contenu = enregistrement + "\n\" a \";b;\"x\ry\"\n";
  std::fwrite(contenu.data(), 1, contenu.size(), f);
  std::rewind(f);
  st.pinput.reset(f);
  LectureCsv l(";");
  Propres propres = 0;
  ASSERT_TRUE(lire_csv(st, l));
  decoupe_csv(st, l, propres);
  EXPECT_EQ(st.champ[1].view(), std::string(254, 'l'));
  EXPECT_EQ(st.champ[29].view(), "29");
  EXPECT_EQ(st.champ[0].view(), "zero");
  ASSERT_TRUE(lire_csv(st, l));
  decoupe_csv(st, l, propres);
  // A shorter record leaves no field of the one before.
  const char* rangs[] = {"zero", " a ", "b", "x\ry"};
  for (std::size_t k = 0; k < kLignes; ++k) {
    EXPECT_EQ(st.champ[k].view(), k < std::size(rangs) ? rangs[k] : "") << k;
  }
  // A row said clean is one the cleaning leaves as it is.
  for (std::size_t k = 1; k < kLignes; ++k) {
    if ((propres & (Propres{1} << k)) == 0) continue;
    Ligne c = st.champ[k];
    rts(c);
    rctrl(c);
    EXPECT_EQ(c.view(), st.champ[k].view()) << k;
  }
  EXPECT_FALSE(lire_csv(st, l));
}

}  // namespace
}  // namespace vign
