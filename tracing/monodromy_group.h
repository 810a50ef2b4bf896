// The group that the monodromy permutations of a curve generate: its order,
// its orbits (the components of the curve over C), whether it is transitive,
// the genus by Riemann-Hurwitz, and the check that the local loops compose
// to the inverse of the loop around all loci.
//
// A permutation is a vector p with p[i] the point that i goes to (points
// numbered from 0).
#pragma once

#include <string>
#include <vector>

namespace quorvel {

using Permutation = std::vector<int>;

// a, then b: (a then b)(i) = b[a[i]].
Permutation thenApply(const Permutation &a, const Permutation &b);
Permutation inverseOf(const Permutation &p);
bool isIdentity(const Permutation &p);
// A bijection of 0..n-1 onto itself.
bool isPermutation(const Permutation &p, int n);
int cycleCount(const Permutation &p);

// The order of the group the generators span, as a decimal number (it can
// exceed any machine integer: the symmetric group on 100 points). Exact:
// Schreier-Sims, with the shortcut that transpositions alone generate the
// product of the symmetric groups on the components of their graph.
std::string groupOrder(int n, const std::vector<Permutation> &generators);

// The orbits of the points, each sorted, ordered by their least point.
std::vector<std::vector<int>> orbitsOf(int n, const std::vector<Permutation> &generators);

struct MonodromySummary {
    std::string order;
    bool transitive = false;
    std::vector<std::vector<int>> orbits;
    // Riemann-Hurwitz for an irreducible curve (transitive group): 2g - 2 =
    // -2n + sum over the branch points of (n - cycles); -1 when not
    // transitive or when a local permutation is missing.
    int genus = -1;
    // The local permutations, one after another in chain order, equal the
    // inverse of the permutation of the loop around all loci.
    bool productCheck = false;
};

// `local` holds the permutation of each loop around one locus (branch or
// degenerate), in chain order; `enclosing` that of the loop around all of
// them. Permutations that are not whole (a point lost) are left out of the
// group and make the genus and the product check unknown.
MonodromySummary summarizeMonodromy(int n, const std::vector<Permutation> &local,
                                    const Permutation &enclosing);

}  // namespace quorvel
