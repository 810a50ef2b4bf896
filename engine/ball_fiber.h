// Proofs about the fiber of the exact curve, in ball arithmetic (arb): the
// primitives a certified tracer is built from. Nothing here names arb.
//
// Enclosures are closed boxes |Re(z - c)| <= r, |Im(z - c)| <= r with a
// double centre c and a double half-width r.
//
// The proof over a parameter piece (isolate). For the disc T that has the
// segment [ta, tb] as a diameter (it holds the segment, and any arc of at
// most a half turn between the same ends) and a predicted root m of
// f(., t) near the middle of the segment, let Y = 1 / f_x(m, tc) and
//     K(X) = m - Y f(m, T) + (1 - Y f_x(X, T)) (X - m)
// over the box X of centre m, every operation an enclosure. When K(X) lies
// in the interior of X and |1 - Y f_x(X, T)| < 1, then for every t in T the
// map z -> z - Y f(z, t) sends X into itself and contracts it, so f(., t)
// has exactly one root in X (Krawczyk). f(m, T) is taken as
// f(m, tc) + f_t(m, T) (T - tc), so the spread of the piece enters through
// f_t, not through the rounding of each coefficient.
//
// When the boxes of the d moving roots (d the degree in x after the power
// of x common to every term) are pairwise disjoint, they hold all the roots
// of f(., t) for every t in T: so the leading coefficient does not vanish on
// T and no two roots meet there, i.e. T holds no locus.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/complex.h"
#include "engine/exact_curve.h"

namespace quorvel {

struct FiberBox {
    Complex centre;
    double radius = 0.0;
};

// True when the two closed boxes have no point in common, with the
// rounding of the double comparisons accounted for.
bool boxesDisjoint(const FiberBox &a, const FiberBox &b);
// True when z lies in the closed box, rounding accounted for.
bool boxHolds(const FiberBox &box, Complex z);

class BallCurve {
public:
    // f(x, t): slot 0 the fiber variable, slot 1 the parameter.
    explicit BallCurve(const ExactPolynomial &curve);
    ~BallCurve();
    BallCurve(const BallCurve &) = delete;
    BallCurve &operator=(const BallCurve &) = delete;

    // The degree in x less the power of x common to every term, and that
    // power (those roots sit at 0 for every t).
    int movingDegree() const;
    int commonZeros() const;

    // The working precisions, from the cheapest: a proof that fails because
    // rounding hides what it needs is tried again at the next one.
    static constexpr int precisions[] = {53, 106, 212, 424};

    struct Outcome {
        bool proven = false;
        // The proof failed because the rounding of the evaluation, not the
        // length of the piece, exceeded what the test allows.
        bool roundingLimited = false;
        // The largest bound on |1 - Y f_x| met: the proof needs it below
        // 1 - 1/3 (the box is three Newton moves wide); it grows with the
        // length of the piece, which the caller adapts from it.
        double contraction = 0.0;
        std::string problem;
    };
    // Tries to prove, for every t in the disc on [ta, tb], one root of
    // f(., t) in the box about each centre (pairwise disjoint boxes), each
    // box also holding the given witnesses (points the caller will join by
    // straight moves; each list is empty or one point per centre). On
    // success `boxes` holds the boxes.
    Outcome isolate(Complex ta, Complex tb, const std::vector<Complex> &centres,
                    const std::vector<Complex> *atStart, const std::vector<Complex> *atEnd, int precision,
                    std::vector<FiberBox> &endBoxes);

    // Predicted roots: each of z refined by Newton steps in doubles on the
    // coefficients of f(., t), evaluated as balls at the given precision
    // (near a cluster of loci the coefficients cancel and need more bits
    // than the roots). A prediction only: isolate proves or refuses it.
    void refine(Complex t, std::vector<Complex> &z, int precision);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The generators of the move in which every strand goes straight from
// from[i] to to[i], read exactly (every comparison in exact binary
// arithmetic on the doubles given) with the tracer's convention
// (tracing/braid.h: readMove): positions along the real axis turned
// clockwise by 2^-30 rad, a crossing positive when the strand coming from
// the left passes below. False, with nothing appended, when the reading
// has no single answer: two strands level along the axis at either end,
// level across it where they cross, or two crossings that share a strand
// at the same moment.
bool readMoveExactly(const std::vector<Complex> &from, const std::vector<Complex> &to,
                     std::vector<int> &generators);

}  // namespace quorvel
