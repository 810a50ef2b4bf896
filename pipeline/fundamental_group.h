// The fundamental group of the affine complement C^2 minus the curve, by
// Zariski-van Kampen: with the projection to the parameter proper on the
// curve, pi_1 = < g_1 ... g_n | g_j = g_j . beta, for every loop beta >,
// where g_j is a small loop, counter-clockwise in the fiber line over the
// base point, around the j-th fiber point from the left (the order of the
// braid's strands: real part, then imaginary part, larger first), joined by a vertical path to a base point
// far above the fiber (imaginary part to +infinity), so that g_1 g_2 ... g_n
// (paths composed left to right) runs once counter-clockwise round the
// whole fiber; a counter-clockwise half turn of two neighbours drags g_k
// and g_(k+1) to g_k g_(k+1) g_k^-1 and g_k, which is sigma_k; beta is the
// braid of a loop of the parameter plane acting from the right
// (tracing/presentation.h). GAP simplifies the presentation and finds its
// invariants (gap/gap_group.h); the abelianization must be Z^r with r the
// number of irreducible components of the curve over C, decided exactly
// (engine/projection.h), and a run where it is not is reported as failed.
#pragma once

#include <string>
#include <vector>

#include "engine/exact_curve.h"
#include "engine/polynomial.h"
#include "gap/gap_group.h"
#include "tracing/presentation.h"

namespace quorvel {

// GAP's default time budget, start-up included.
inline constexpr double defaultGapBudgetSeconds = 60.0;

struct FundamentalGroupResult {
    int points = 0;                       // n, the generators of the raw presentation
    std::vector<std::vector<int>> braids; // the braid of each loop, in order
    std::vector<FreeWord> relators;       // the raw presentation's relators
    FpGroupFacts gap;
    // The braids of the local loops, one after another in chain order,
    // and then the braid of the loop around all loci make the trivial
    // braid: 1 checked, 0 they do not (the run fails), -1 not decided.
    int braidProduct = -1;
    int components = -1;                  // irreducible components over C
    bool abelianizationChecked = false;   // GAP's invariants are r zeros
    // Empty when GAP answered every question and the abelianization is
    // Z^r; otherwise what went wrong.
    std::string problem;
    bool ok() const { return problem.empty(); }
};

// Words longer than this are not followed by the braid product check.
inline constexpr size_t braidCheckLetterLimit = 1u << 20;

// `curve` in proper position (isProperProjection), n fiber points, the
// braids of the auto-mode loops in chain order (they generate the
// fundamental group of the parameter plane less the loci, based at the
// base point); `enclosing` the index of the loop around all loci among
// them (-1 when there is none).
FundamentalGroupResult fundamentalGroup(const ExactPolynomial &curve, int n,
                                        const std::vector<std::vector<int>> &braids, int enclosing,
                                        double budgetSeconds = defaultGapBudgetSeconds);

// The names of the fiber points in the order of the braids' strands (along
// the tracer's axis, ties by number): g_j goes round the j-th of them.
std::vector<std::string> strandOrderNames(const Term *fiber);

// "Z^2 x Z/3", "Z", "1" for the abelian invariants as GAP lists them.
std::string abelianText(const std::vector<std::string> &invariants, bool unicode);
// The generator names of the raw presentation: g1 ... gn.
std::vector<std::string> rawGeneratorNames(int n);
// "< a, b | a b a = b a b >" (with unicode the angle brackets and
// superscripts of the windows).
std::string presentationText(const std::vector<std::string> &generators, const std::vector<FreeWord> &relators,
                             bool unicode);

}  // namespace quorvel
