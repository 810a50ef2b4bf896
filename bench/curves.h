// Curves the benchmarks share.
#pragma once

#include <string>

namespace quorvel::bench {

// Every term of total degree <= d, with small integer coefficients that
// vary with the monomial, none zero.
inline std::string denseCurve(int d) {
    std::string s;
    for (int i = 0; i <= d; ++i)
        for (int j = 0; j + i <= d; ++j)
            s += "+" + std::to_string((i * 3 + j * 5) % 7 + 1) + "*x^" + std::to_string(i) + "*t^" +
                 std::to_string(j);
    return s;
}

}  // namespace quorvel::bench
