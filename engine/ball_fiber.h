// Proofs about the fiber of the exact curve, in ball arithmetic (arb): the
// primitives a certified tracer is built from. Nothing here names arb.
//
// Enclosures are closed boxes |Re(z - c)| <= r, |Im(z - c)| <= r with a
// double centre c and a double half-width r.
//
// The proof over a parameter piece (isolate). T is the disc that has the
// segment [ta, tb] as a diameter (it holds the segment, and any arc of at
// most a half turn between the same ends), tc its centre, s = t - tc. For a
// predicted root m of f(., tc), with v = -f_t / f_x at (m, tc), the root is
// sought as m + v s + y with y in the box B = [-rho, rho]^2: a tube along
// the tangent, so that B needs to hold only the second-order motion. With
// g(y, t) = f(m + v s + y, t) and the preconditioner
// Y_t = Y (1 - Y c1 s), Y = 1 / f_x(m, tc), c1 = (f_xx v + f_xt)(m, tc),
//     K_t = -Y_t g(0, t) + (1 - Y_t g_y(B, t)) B
// is enclosed over all t in T: g(0, t) by its Taylor form of order two with
// the remainder over the tube, 1 - Y_t g_y expanded so that its part of
// first order in s cancels. When K lies in the interior of B and
// |1 - Y_t g_y| < 1, then for every t in T the map y -> y - Y_t g(y, t)
// sends B into itself and contracts it, so f(., t) has exactly one root in
// m + v s + B (Krawczyk). Every operation is a ball operation (arb).
//
// When the boxes the tubes sweep over T, for the d moving roots (d the
// degree in x after the power of x common to every term), are pairwise
// disjoint, they hold all the roots of f(., t) for every t in T: so the
// leading coefficient does not vanish on T and no two roots meet there,
// i.e. T holds no locus.
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
    // f(., t) in the tube about each centre (the swept boxes pairwise
    // disjoint), each tube holding at ta and at tb the given witnesses
    // (points the caller will join by straight moves; a null list asks
    // nothing). On success `endBoxes` holds the boxes of the tubes at tb.
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
