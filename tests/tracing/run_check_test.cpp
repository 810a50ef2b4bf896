// The checks a traced loop must pass, and the reading of a move into braid
// generators, at every scale.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tracing/braid.h"
#include "tracing/run_check.h"

namespace quorvel {
namespace {

std::vector<Complex> circle(Complex centre, double radius, int pieces, int turns = 1) {
    std::vector<Complex> path;
    for (int k = 0; k <= pieces; ++k) {
        const double a = turns * twoPi * k / pieces;
        path.push_back(centre + Complex(radius * std::cos(a), radius * std::sin(a)));
    }
    path.back() = path.front();
    return path;
}

std::vector<Complex> scaled(std::vector<Complex> v, double s, Complex shift = Complex(0.0, 0.0)) {
    for (Complex &z : v) z = z * Complex(s, 0.0) + shift;
    return v;
}

// A half turn of two points about their midpoint, counter-clockwise, in
// `pieces` straight moves: the left one passes below, one positive crossing.
std::vector<int> halfTurn(Complex mid, double r, int pieces, bool counterClockwise) {
    std::vector<int> generators;
    for (int k = 0; k < pieces; ++k) {
        const double a0 = (counterClockwise ? 1 : -1) * 0.5 * twoPi * k / pieces;
        const double a1 = (counterClockwise ? 1 : -1) * 0.5 * twoPi * (k + 1) / pieces;
        const Complex e0(r * std::cos(a0), r * std::sin(a0)), e1(r * std::cos(a1), r * std::sin(a1));
        if (!readMove({mid - e0, mid + e0}, {mid - e1, mid + e1}, generators)) return {99};
    }
    return generators;
}

TEST(RunCheck, HalfTurnsReadAsOneSignedGeneratorAtEveryScale) {
    for (double s : {1e-30, 1e-6, 1.0, 1e6, 1e30}) {
        for (Complex mid : {Complex(0.0, 0.0), Complex(1.0, -2.0) * Complex(s, 0.0), Complex(1e3 * s, 0.0)}) {
            EXPECT_EQ(halfTurn(mid, s, 8, true), std::vector<int>{1}) << s;
            EXPECT_EQ(halfTurn(mid, s, 8, false), std::vector<int>{-1}) << s;
        }
    }
    // A conjugate pair over a real base point: equal real parts order the
    // pair by the imaginary parts and rounding noise does not reorder it.
    std::vector<int> g;
    EXPECT_TRUE(readMove({Complex(1.0, 1e-3), Complex(1.0 + 1e-16, -1e-3)},
                         {Complex(1.0 + 1e-16, 1e-3), Complex(1.0, -1e-3)}, g));
    EXPECT_TRUE(g.empty());
    // A move that cannot be read: two strands swap past each other through
    // the same point, no side to tell.
    g.clear();
    EXPECT_FALSE(readMove({Complex(0.0, 0.0), Complex(1.0, 0.0)}, {Complex(1.0, 0.0), Complex(0.0, 0.0)}, g));
    EXPECT_TRUE(g.empty());
    // Crossings in one move come out in time order, each between neighbours.
    g.clear();
    EXPECT_TRUE(readMove({Complex(0, 0), Complex(1, 1), Complex(2, -1)}, {Complex(3, 0), Complex(1, 1), Complex(2, -1)},
                         g));
    EXPECT_EQ(g, (std::vector<int>{1, -2}));
}

TEST(RunCheck, VerdictsFollowTheChecks) {
    const Complex locus(0.0, 0.0);
    const std::vector<Complex> loop = circle(Complex(0.5, 0.0), 1.0, 16);
    const std::vector<Complex> fiber = {Complex(1, 0), Complex(-1, 0)};
    const std::vector<Complex> swapped = {Complex(-1, 1e-15), Complex(1, 0)};
    const std::vector<LocusWeight> loci = {{locus, 1}, {Complex(5, 0), 3}};
    const struct {
        const char *what;
        std::vector<Complex> path, end;
        std::vector<int> braid, designed;
        bool passed;
        int expected;
    } rows[] = {
        {"right", loop, swapped, {1}, {}, true, 1},
        {"designed windings kept", loop, swapped, {1}, {1, 0}, true, 1},
        {"a crossing missed", loop, swapped, {}, {}, false, 1},
        {"a crossing invented", loop, swapped, {1, 1, -2, 2}, {}, false, 1},
        {"ends that match no start", loop, {Complex(-1, 0.1), Complex(1, 0)}, {1}, {}, false, 1},
        {"two ends on one start", loop, {Complex(1, 0), Complex(1, 1e-12)}, {1}, {}, false, 1},
        {"went round the wrong locus", loop, swapped, {1}, {0, 1}, false, 1},
        {"open path", std::vector<Complex>(loop.begin(), loop.end() - 1), swapped, {1}, {}, false, 0},
    };
    for (const auto &row : rows) {
        for (double s : {1e-9, 1.0, 1e9}) {
            std::vector<LocusWeight> l = loci;
            for (LocusWeight &w : l) w.value = w.value * Complex(s, 0.0);
            const RunVerdict v = judgeRun(scaled(row.path, s), scaled(fiber, s), scaled(row.end, s), row.braid, l,
                                          row.designed);
            EXPECT_EQ(v.passed(), row.passed) << row.what << " at " << s;
            EXPECT_EQ(v.expectedExponent, row.expected) << row.what;
            EXPECT_EQ(v.problem.empty(), row.passed) << row.what;
            if (row.passed) {
                EXPECT_EQ(v.permutation, (std::vector<int>{1, 0}));
            }
        }
    }
}

}  // namespace
}  // namespace quorvel
