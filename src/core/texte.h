// Bounded text rows: the fixed-capacity rows of the program's tables (a format
// name of 34 characters, a line of 254 bytes).
//
// Every write is cut at the capacity, so no record, file or key can write past
// a row, whatever its length. A row may be shortened in place (the field
// cleaners do this) but never grown past its capacity.
//
// Each write stores the length last: for the compiler a byte stored may be
// any object, the length too, which it would otherwise read again.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace vign {

template <std::size_t N>
class Texte {
 public:
  static constexpr std::size_t capacite = N;

  Texte() = default;
  explicit Texte(std::string_view s) { assign(s); }

  // Replaces the content; what does not fit is dropped. s may be a view of
  // this very row (see copie).
  void assign(std::string_view s) {
    const std::size_t n = std::min(s.size(), N);
    copie(d_.data(), s.data(), n);
    d_[n] = '\0';
    n_ = n;
  }

  // Appends as much of s as fits; returns the number of bytes appended.
  std::size_t append(std::string_view s) {
    const std::size_t n = n_;
    const std::size_t k = std::min(s.size(), N - n);
    copie(d_.data() + n, s.data(), k);
    d_[n + k] = '\0';
    n_ = n + k;
    return k;
  }

  // Appends count copies of c, as many as fit; returns the number appended.
  // Fills are short and come by the million (the spaces around every label),
  // so when the row has room they are written 16 bytes at a time, the last
  // block running past the end: a fill of variable length would otherwise
  // compile into a string instruction that is slow to start.
  std::size_t append(std::size_t count, char c) {
    const std::size_t n = n_;
    const std::size_t k = std::min(count, N - n);
    char* p = d_.data() + n;
    if (k + 15 <= d_.size() - n) {
      std::array<char, 16> bloc;
      bloc.fill(c);
      for (std::size_t i = 0; i < k; i += 16) std::memcpy(p + i, bloc.data(), bloc.size());
    } else {
      std::memset(p, static_cast<unsigned char>(c), k);
    }
    d_[n + k] = '\0';
    n_ = n + k;
    return k;
  }

  // Appends c when there is room.
  void push_back(char c) {
    const std::size_t n = n_;
    if (n < N) {
      d_[n] = c;
      d_[n + 1] = '\0';
      n_ = n + 1;
    }
  }

  // Shortens the content to n bytes (no effect when it is already shorter).
  void truncate(std::size_t n) {
    if (n < n_) {
      d_[n] = '\0';
      n_ = n;
    }
  }

  void clear() { truncate(0); }

  // Byte i of the content; i must be below size().
  char operator[](std::size_t i) const { return d_[std::min(i, N)]; }
  // Overwrites byte i of the content in place; ignored when i is past the end.
  void set(std::size_t i, char c) {
    if (i < n_) d_[i] = c;
  }

  std::string_view view() const { return {d_.data(), n_}; }
  const char* c_str() const { return d_.data(); }
  std::size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }

  friend bool operator==(const Texte& a, std::string_view b) { return a.view() == b; }

 private:
  // Copies n bytes from s to d, which may overlap. Fields and rows are
  // short and copied by the million: up to 32 bytes, every byte is loaded
  // before any is stored (two words or two blocks that overlap, as many
  // as it takes), which no overlap can spoil and costs a handful of
  // instructions where a call to memmove costs dozens; longer copies are
  // memmove.
  static void copie(char* d, const char* s, std::size_t n) {
    if (n > 32) {
      std::memmove(d, s, n);
    } else if (n > 16) {
      deux<16>(d, s, n);
    } else if (n >= 8) {
      deux<8>(d, s, n);
    } else if (n >= 4) {
      deux<4>(d, s, n);
    } else if (n > 0) {
      const char a = s[0], b = s[n / 2], c = s[n - 1];
      d[0] = a;
      d[n / 2] = b;
      d[n - 1] = c;
    }
  }
  // The copy of K <= n <= 2K bytes: the first K and the last K, both loaded
  // first.
  template <std::size_t K>
  static void deux(char* d, const char* s, std::size_t n) {
    std::array<char, K> debut;
    std::array<char, K> fin;
    std::memcpy(debut.data(), s, K);
    std::memcpy(fin.data(), s + n - K, K);
    std::memcpy(d, debut.data(), K);
    std::memcpy(d + n - K, fin.data(), K);
  }

  std::array<char, N + 1> d_{};
  std::size_t n_ = 0;
};

}  // namespace vign
