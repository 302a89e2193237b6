#pragma once
// Character-boundary aware scanning shared by the searching, replacing and splitting
// operations. A scan starts at an origin that counts as a character start; from there a
// byte >= 0x80 takes the next byte with it, so a match never begins on a trail byte.
#include <cstddef>
#include <string_view>

namespace velmorin::scan {

inline constexpr std::size_t npos = static_cast<std::size_t>(-1);

inline bool isLead(unsigned char c) { return c >= 0x80; }
inline unsigned char foldAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// First place q >= origin, on the character grid that starts at origin, where `sub`
// (non-empty) occurs wholly inside text; npos when there is none.
std::size_t findForward(std::string_view text, std::size_t origin, std::string_view sub,
                        bool ignoreCase);

// Last place q on the character grid that starts at 0 where `sub` (non-empty) occurs
// wholly inside the first `end` bytes of text; npos when there is none.
std::size_t findBackward(std::string_view text, std::size_t end, std::string_view sub,
                         bool ignoreCase);

// Whether place `at` (>= origin) is a character start on the grid that starts at origin.
bool onGrid(std::string_view text, std::size_t origin, std::size_t at);

}  // namespace velmorin::scan
