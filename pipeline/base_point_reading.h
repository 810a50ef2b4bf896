// The one reading of a base point, wherever its text comes from: the
// command line's --base, the picture's --base, the main window's field and
// a document's "*parameterbase" section. What is not a finite complex
// number (1e400, abc, nan, inf, 2x, an empty text) is refused, never
// guessed, and every reader refuses it with the same message.
#pragma once

#include <string>
#include <string_view>

#include "engine/complex.h"

namespace quorvel {

inline constexpr const char *basePointRemedy =
    "Give the base point as a finite complex number, for example 1+i, 0.5-2i or 1e-3";

// The text as the polynomial language reads a constant (i, 1+i, 0.5+0.1*i,
// +1.000000-2.000000i), at most basePointTextLimit bytes. False with the
// message "The base point "TEXT" is not a finite complex number: WHY"
// otherwise; nothing is shown.
bool readBasePoint(std::string_view text, Complex &value, std::string &message);

// A document's base point: its two lines, the real part and the imaginary
// part, read as the text "RE+(IM)*i".
bool readBasePointLines(const std::string &re, const std::string &im, Complex &value, std::string &message);

}  // namespace quorvel
