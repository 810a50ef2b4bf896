#include "tracing/run_check.h"

#include "tracing/loop_check.h"

#include <cmath>
#include <limits>

namespace quorvel {

namespace {

// An end point belongs to a start point when it lies within this fraction
// of the start point's distance to its nearest neighbour. Tracks end at
// rounding level on their roots, so the margin is wide and still safe.
constexpr double endMatch = 1e-3;

}  // namespace

bool matchEnds(const std::vector<Complex> &start, const std::vector<Complex> &end,
               std::vector<int> &permutation) {
    const size_t n = start.size();
    permutation.assign(end.size(), -1);
    if (end.size() != n) return false;
    std::vector<double> room(n, std::numeric_limits<double>::infinity());
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            if (i != j) room[i] = std::min(room[i], modulus(start[i] - start[j]));
    std::vector<bool> taken(n, false);
    bool ok = true;
    for (size_t j = 0; j < n; ++j) {
        size_t best = n;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (size_t i = 0; i < n; ++i) {
            const double d = modulus(end[j] - start[i]);
            if (d < bestDistance) {
                bestDistance = d;
                best = i;
            }
        }
        if (best == n) return false;
        // A lone point may wander at rounding level of its own size.
        const double allowed = std::isfinite(room[best]) ? endMatch * room[best]
                                                         : endMatch * modulus(start[best]);
        if (!(bestDistance <= allowed) || taken[best]) {
            ok = false;
            continue;
        }
        taken[best] = true;
        permutation[j] = static_cast<int>(best);
    }
    return ok;
}

RunVerdict judgeRun(const std::vector<Complex> &parameterPath, const std::vector<Complex> &startFiber,
                    const std::vector<Complex> &endFiber, const std::vector<int> &braid,
                    const std::vector<LocusWeight> &loci, const std::vector<int> &designedWindings) {
    RunVerdict v;
    v.judged = true;
    v.closed = parameterPath.size() >= 2 && parameterPath.front().re == parameterPath.back().re &&
               parameterPath.front().im == parameterPath.back().im;
    if (!v.closed) {
        v.problem = "the run did not end where it began";
        return v;
    }
    v.permutationOk = matchEnds(startFiber, endFiber, v.permutation);
    for (int g : braid) v.foundExponent += g > 0 ? 1 : (g < 0 ? -1 : 0);
    for (const LocusWeight &l : loci) {
        const int w = polylineWinding(parameterPath, l.value);
        v.windings.push_back(w);
        v.expectedExponent += w * l.weight;
    }
    v.braidOk = v.foundExponent == v.expectedExponent;
    if (!designedWindings.empty()) v.pathOk = designedWindings == v.windings;
    if (!v.pathOk)
        v.problem = "the traced path did not go round the loci its loop was built to go round";
    else if (!v.permutationOk)
        v.problem = "the end points do not match the start points one to one";
    else if (!v.braidOk)
        v.problem = "the braid's exponent sum is " + std::to_string(v.foundExponent) + ", not the " +
                    std::to_string(v.expectedExponent) + " the loci it goes round demand";
    return v;
}

}  // namespace quorvel
