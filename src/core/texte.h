// Bounded text rows: the fixed-capacity rows of the program's tables (a format
// name of 34 characters, a line of 254 bytes).
//
// Every write is cut at the capacity, so no record, file or key can write past
// a row, whatever its length. A row may be shortened in place (the field
// cleaners do this) but never grown past its capacity.
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

  // Replaces the content; what does not fit is dropped. The copies are
  // memmove: s may be a view of this very row, and a copy of bounded length
  // compiles into a string instruction that is slow to start on short rows.
  void assign(std::string_view s) {
    n_ = std::min(s.size(), N);
    if (n_ > 0) std::memmove(d_.data(), s.data(), n_);
    d_[n_] = '\0';
  }

  // Appends as much of s as fits; returns the number of bytes appended.
  std::size_t append(std::string_view s) {
    const std::size_t k = std::min(s.size(), N - n_);
    if (k > 0) std::memmove(d_.data() + n_, s.data(), k);
    n_ += k;
    d_[n_] = '\0';
    return k;
  }

  // Appends count copies of c, as many as fit; returns the number appended.
  // Fills are short and come by the million (the spaces around every label),
  // so when the row has room they are written 16 bytes at a time, the last
  // block running past the end: a fill of variable length would otherwise
  // compile into a string instruction that is slow to start.
  std::size_t append(std::size_t count, char c) {
    const std::size_t k = std::min(count, N - n_);
    char* p = d_.data() + n_;
    if (k + 15 <= d_.size() - n_) {
      std::array<char, 16> bloc;
      bloc.fill(c);
      for (std::size_t i = 0; i < k; i += 16) std::memcpy(p + i, bloc.data(), bloc.size());
    } else {
      std::memset(p, static_cast<unsigned char>(c), k);
    }
    n_ += k;
    d_[n_] = '\0';
    return k;
  }

  // Appends c when there is room.
  void push_back(char c) {
    if (n_ < N) {
      d_[n_++] = c;
      d_[n_] = '\0';
    }
  }

  // Shortens the content to n bytes (no effect when it is already shorter).
  void truncate(std::size_t n) {
    if (n < n_) {
      n_ = n;
      d_[n_] = '\0';
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
  std::array<char, N + 1> d_{};
  std::size_t n_ = 0;
};

}  // namespace vign
