// What a traced loop must satisfy before its permutation and braid are
// reported, and the verdict on one run.
//
// The exact invariant. Along a closed path the exponent sum of the braid of
// the fiber points equals the winding number of prod_{i<j} (x_i - x_j)^2,
// the discriminant of f divided by lc^(2n-2). That winding number is the
// sum, over the loci the path goes round, of the path's winding number
// around the locus times the locus's weight
//     ord(Res_x(f, f_x)) - (2n - 1) * ord(lc)
// (Res = lc * disc up to sign), and both orders are known exactly. A braid
// that misses or invents a crossing fails it.
#pragma once

#include <string>
#include <vector>

#include "engine/complex.h"

namespace quorvel {

// A point the tracer must keep clear of (a branch or degenerate locus) and
// its weight in the braid invariant.
struct LocusWeight {
    Complex value;
    int weight = 0;
};

// The end points of the tracks matched with the start points: permutation[j]
// is the start point that track j ends on. A track matches a start point
// when it ends within a small fraction of that point's distance to its
// nearest neighbour; false unless every track matches a different point.
bool matchEnds(const std::vector<Complex> &start, const std::vector<Complex> &end,
               std::vector<int> &permutation);

struct RunVerdict {
    bool judged = false;          // the run ended and was checked
    bool closed = false;          // it ended where it began
    bool permutationOk = false;   // every track ended on a different start point
    bool braidOk = false;         // the exponent sum is the invariant's
    bool pathOk = true;           // it went round what its loop was built to go round
    int expectedExponent = 0;
    int foundExponent = 0;
    int attempts = 0;             // runs of the loop, the accepted one included
    std::vector<int> permutation;
    std::vector<int> windings;    // around each locus, in the order given
    std::string problem;          // the first check that failed; empty when all passed

    bool passed() const { return judged && closed && permutationOk && braidOk && pathOk; }
};

// Checks a finished run: the parameter path it followed (first point = start),
// the fiber at its start and at its end (track by track), its braid word,
// the loci with their weights, and, when known, the winding numbers its loop
// was built with (one per locus; empty when none is known).
RunVerdict judgeRun(const std::vector<Complex> &parameterPath, const std::vector<Complex> &startFiber,
                    const std::vector<Complex> &endFiber, const std::vector<int> &braid,
                    const std::vector<LocusWeight> &loci, const std::vector<int> &designedWindings);

}  // namespace quorvel
