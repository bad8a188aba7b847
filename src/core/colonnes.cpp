#include "core/colonnes.h"

#include <locale.h>
#include <wchar.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace vign {
namespace {

constexpr char32_t kFinUnicode = 0x110000;

// The width of every code point, read from the C library a block of 256
// code points at a time, the first time a character of the block is met:
// records use a handful of blocks, and reading all 4352 at the start would
// cost more than printing a hundred thousand labels. Calling wcwidth per
// character would cost a locale switch per field; the widths are kept two
// bits a code point, so a lookup is a test and a load. The PDF drawing looks
// widths up from a thread of its own: a block is filled under a lock and
// marked ready only once filled.
class Largeurs {
 public:
  // The locale is kept for the whole run: a block may be read at any time.
  Largeurs() : utf8_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {}
  Largeurs(const Largeurs&) = delete;
  Largeurs& operator=(const Largeurs&) = delete;

  unsigned operator()(char32_t cp) {
    const std::size_t b = cp >> 8;
    if (!pret_[b].load(std::memory_order_acquire)) remplit(b);
    const unsigned quatre = blocs_[b][(cp & 0xFF) >> 2];
    return (quatre >> (2 * (cp & 3))) & 3u;
  }

 private:
  // Reads the widths of block b from the C library, unless another thread
  // has just done so.
  void remplit(std::size_t b) {
    const std::lock_guard verrou(m_);
    if (pret_[b].load(std::memory_order_relaxed)) return;
    locale_t avant = utf8_ ? uselocale(utf8_) : static_cast<locale_t>(nullptr);
    std::array<std::uint8_t, 64>& bloc = blocs_[b];
    for (unsigned k = 0; k < 256; ++k) {
      const auto cp = static_cast<wchar_t>(b * 256 + k);
      const int w = utf8_ ? wcwidth(cp) : 1;
      const unsigned v = w == 0 ? 0u : w == 2 ? 2u : 1u;
      bloc[k / 4] = static_cast<std::uint8_t>(bloc[k / 4] | (v << (2 * (k % 4))));
    }
    if (utf8_) uselocale(avant);
    pret_[b].store(true, std::memory_order_release);
  }

  locale_t utf8_;                                           // C.UTF-8, or none on this machine
  std::mutex m_;                                            // held while a block is filled
  std::array<std::atomic<bool>, kFinUnicode / 256> pret_{};  // block b is filled
  std::array<std::array<std::uint8_t, 64>, kFinUnicode / 256> blocs_{};  // 2 bits a code point
};

Largeurs& largeurs() {
  static Largeurs table;
  return table;
}

constexpr std::uint64_t kBitsHauts = 0x8080808080808080ull;

// The end of the run of ASCII bytes that starts at i, looked for no further
// than fin: eight bytes at a time, then the first high bit of the word.
std::size_t fin_ascii(const unsigned char* p, std::size_t i, std::size_t fin) {
  while (fin - i >= 8) {
    std::uint64_t mot;
    std::memcpy(&mot, p + i, 8);
    const std::uint64_t hauts = mot & kBitsHauts;
    if (hauts != 0) {
      const int bit = std::endian::native == std::endian::little ? std::countr_zero(hauts)
                                                                 : std::countl_zero(hauts);
      return i + static_cast<std::size_t>(bit / 8);
    }
    i += 8;
  }
  while (i < fin && p[i] < 0x80) ++i;
  return i;
}

bool suite(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The valid sequence at p (n > 0 bytes available, p[0] >= 0x80): its length,
// 0 if there is none, and its code point in cp. The second byte's range
// excludes the overlong forms, the surrogates and what lies past U+10FFFF;
// the C library's mbrtowc takes the last of these as characters.
std::size_t decode(const unsigned char* p, std::size_t n, char32_t& cp) {
  const unsigned char c = p[0];
  if (c < 0xC2 || c > 0xF4) return 0;
  if (c < 0xE0) {
    if (n < 2 || !suite(p[1])) return 0;
    cp = static_cast<char32_t>(((c & 0x1Fu) << 6) | (p[1] & 0x3Fu));
    return 2;
  }
  unsigned char bas = 0x80, haut = 0xBF;
  if (c == 0xE0) bas = 0xA0;
  if (c == 0xED) haut = 0x9F;
  if (c == 0xF0) bas = 0x90;
  if (c == 0xF4) haut = 0x8F;
  if (n < 2 || p[1] < bas || p[1] > haut) return 0;
  if (c < 0xF0) {
    if (n < 3 || !suite(p[2])) return 0;
    cp = static_cast<char32_t>(((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu));
    return 3;
  }
  if (n < 4 || !suite(p[2]) || !suite(p[3])) return 0;
  cp = static_cast<char32_t>(((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) |
                             (p[3] & 0x3Fu));
  return 4;
}

// The character at p[i] (not ASCII): its byte length and its width. A byte
// with no valid sequence is one byte of one column.
std::size_t caractere(const unsigned char* p, std::size_t i, std::size_t n, unsigned& largeur) {
  char32_t cp = 0;
  const std::size_t k = decode(p + i, n - i, cp);
  if (k == 0) {
    largeur = 1;
    return 1;
  }
  largeur = largeurs()(cp);
  return k;
}

const unsigned char* octets(std::string_view texte) {
  return reinterpret_cast<const unsigned char*>(texte.data());
}

}  // namespace

long long colonnes(std::string_view texte) {
  const unsigned char* p = octets(texte);
  const std::size_t n = texte.size();
  std::size_t total = 0;
  std::size_t i = 0;
  while (true) {
    const std::size_t j = fin_ascii(p, i, n);
    total += j - i;
    if (j == n) break;
    unsigned w = 0;
    i = j + caractere(p, j, n, w);
    total += w;
  }
  return static_cast<long long>(total);
}

std::size_t coupe(std::string_view texte, long long max_colonnes, long long* largeur) {
  const unsigned char* p = octets(texte);
  const std::size_t n = texte.size();
  const std::size_t max = max_colonnes < 0 ? 0 : static_cast<std::size_t>(max_colonnes);
  std::size_t w = 0;
  std::size_t i = 0;
  if (max_colonnes >= 0) {
    while (i < n) {
      // Only as much ASCII as there are columns left is looked at: a field
      // cut to a short label need not be scanned to its end.
      const std::size_t j = fin_ascii(p, i, i + std::min(n - i, max - w));
      w += j - i;
      i = j;
      if (i == n || p[i] < 0x80) break;
      unsigned cw = 0;
      const std::size_t k = caractere(p, i, n, cw);
      if (cw > max - w) break;
      w += cw;
      i += k;
    }
  }
  if (largeur) *largeur = static_cast<long long>(w);
  return i;
}

std::size_t coupe_octets(std::string_view texte, std::size_t max_octets) {
  if (texte.size() <= max_octets) return texte.size();
  const unsigned char* p = octets(texte);
  const std::size_t n = texte.size();
  // The cut goes before the last character that takes a column and starts
  // within the bound: it and its marks are left out together.
  std::size_t garde = 0;
  std::size_t i = 0;
  while (i <= max_octets && i < n) {
    const std::size_t j = fin_ascii(p, i, std::min(n, max_octets + 1));
    if (j > i) {
      i = j;
      garde = j - 1;
      continue;
    }
    unsigned w = 0;
    const std::size_t k = caractere(p, i, n, w);
    if (w != 0) garde = i;
    i += k;
  }
  return garde;
}

std::size_t lit_utf8(std::string_view texte, char32_t& cp) {
  if (texte.empty()) return 0;
  const unsigned char* p = octets(texte);
  if (p[0] < 0x80) {
    cp = p[0];
    return 1;
  }
  return decode(p, texte.size(), cp);
}

std::size_t longueur_utf8(std::string_view texte) {
  char32_t cp = 0;
  return lit_utf8(texte, cp);
}

char32_t point_utf8(std::string_view texte) {
  char32_t cp = 0;
  return lit_utf8(texte, cp) == 0 ? 0 : cp;
}

unsigned largeur_point(char32_t cp) {
  return cp < kFinUnicode ? largeurs()(cp) : 1;
}

void ajouter_utf8(std::string& s, char32_t c) {
  const auto octet = [&s](char32_t v) { s.push_back(static_cast<char>(v)); };
  if (c < 0x80) {
    octet(c);
  } else if (c < 0x800) {
    octet(0xC0 | (c >> 6));
    octet(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    if (c >= 0xD800 && c <= 0xDFFF) return;
    octet(0xE0 | (c >> 12));
    octet(0x80 | ((c >> 6) & 0x3F));
    octet(0x80 | (c & 0x3F));
  } else if (c <= 0x10FFFF) {
    octet(0xF0 | (c >> 18));
    octet(0x80 | ((c >> 12) & 0x3F));
    octet(0x80 | ((c >> 6) & 0x3F));
    octet(0x80 | (c & 0x3F));
  }
}

}  // namespace vign
