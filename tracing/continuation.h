// The numerical core of tracing: one step of the fiber of f(x, t) = 0 from a
// parameter value p0 to p1, with a tangent predictor, a Durand-Kerner
// corrector converged to rounding level, and an acceptance test that every
// point stays on its own track.
//
// Acceptance (strict): the step is taken as two half steps p0 -> pm -> p1,
// each predicted along the tangent dx/dt = -f_t / f_x and corrected. It is
// accepted only when
//   1. both corrections converge (every correction at most 1e-7 of the
//      distance from the point to its nearest neighbour);
//   2. at pm and at p1 each corrected point lies within a quarter of its
//      nearest-neighbour distance from its prediction, so the prediction
//      was nearer to it than to any other root by a wide margin;
//   3. the prediction of the whole step from p0 lies within a quarter of the
//      nearest-neighbour distance at p1 from the point the two half steps
//      reached (the full step agrees with two half steps);
//   4. the midpoint of every point's chord p0 -> p1 lies within a quarter of
//      the smallest nearest-neighbour distance seen during the step from the
//      point found at pm, so the straight chords the braid is read from are
//      a faithful picture of the motion.
// Errors are compared with separations that the corrector has resolved far
// more finely, never with motions below its accuracy. In relaxed mode only 1
// and 2 are asked.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "engine/complex.h"
#include "engine/exact_curve.h"
#include "engine/termpool.h"

namespace quorvel {

// The curve f(x, centre + s) as doubles, expanded exactly before rounding
// (engine/exact_curve.h: curveChart).
using ChartMaker = std::function<std::vector<ChartTerm>(Complex centre)>;

// f(x, t) = sum_k a_k(t) x^k, read from a curve whose slot 0 is the fiber
// variable and slot 1 the parameter. Powers x^m common to every term (m =
// the lowest power of x in f) are split off: those m fiber points sit at 0
// for every t and do not move.
//
// Near a cluster of loci the coefficients expanded about 0 have lost the
// digits that tell the loci apart ((t-1)(t-1-1e-12) in powers of t cannot
// see the 1e-12). Given the loci and a chart maker, the coefficients at t
// are taken from the curve expanded about the nearest locus whenever t lies
// much closer to that locus than to 0; those charts are made when first
// needed and shared by copies.
class CurveFunction {
public:
    CurveFunction() = default;
    explicit CurveFunction(const Term *curve);

    int degree() const { return degree_; }
    int commonZeros() const { return low_; }
    bool empty() const { return terms_.empty(); }
    // Charts about these centres, made by `maker` (none without a maker).
    void useCharts(const std::vector<Complex> &centres, ChartMaker maker);
    // The coefficients of f(., t) / x^m (index k for x^k, k = 0 .. degree - m)
    // and, when asked, those of the t-derivative.
    void coefficients(Complex t, std::vector<Complex> &a, std::vector<Complex> *da) const;

private:
    struct Monomial {
        int x;
        int t;
        Complex c;
    };
    struct Chart {
        bool made = false;
        bool usable = false;
        std::vector<Monomial> terms;
    };
    struct Charts {
        std::vector<Complex> centres;
        std::vector<Chart> charts;
        ChartMaker maker;
    };
    void evaluate(const std::vector<Monomial> &terms, Complex t, std::vector<Complex> &a,
                  std::vector<Complex> *da) const;
    const Chart *chartNear(Complex t, Complex &centre) const;

    std::vector<Monomial> terms_;
    int degree_ = 0;
    int low_ = 0;
    std::shared_ptr<Charts> charts_;
};

// For each i: num(z_i) / (a_lead * prod_{j != i} (z_i - z_j)), where num is
// the polynomial with coefficients c (index k for x^k, degree at most
// z.size()) and a_lead the leading coefficient of the polynomial whose
// roots the z approximate. Computed with scaling, so degree 100 neither
// overflows nor underflows. With num = f this is the Weierstrass (Durand-
// Kerner) correction; with num = f_t it is f_t / f_x at a root.
void weierstrassQuotients(const std::vector<Complex> &c, Complex lead, const std::vector<Complex> &z,
                          std::vector<Complex> &out);

// Distance from each point to its nearest other point (a large number when
// there is only one).
void nearestSeparations(const std::vector<Complex> &z, std::vector<double> &out);

// Refines z towards the roots of the polynomial with coefficients a (the
// degree is z.size()) by simultaneous Durand-Kerner steps until the
// corrections reach rounding level. True when it converged (every last
// correction at most 1e-7 of the point's separation and all finite).
// `diverged` is set when a correction was not finite or exceeded 1e5.
bool correctPoints(const std::vector<Complex> &a, std::vector<Complex> &z, bool &diverged,
                   int *iterations = nullptr);

// One step of the moving points (the points at 0 split off by CurveFunction
// are not among them).
struct StepOutcome {
    bool accepted = false;
    bool diverged = false;      // a corrector blew up or produced no number
    double ratio = 0.0;         // largest error / allowance of the checks (<= 1 when accepted)
    std::vector<Complex> middle;   // the points at pm
    std::vector<Complex> end;   // the points at p1
    std::vector<Complex> tangent;  // dx/dt at p1
    int corrections = 0;        // Durand-Kerner steps spent
};

// Scratch space of the steps, so a step allocates nothing once it has grown.
class StepTracker {
public:
    // The checks allow an error of this fraction of the nearest-neighbour
    // distance (a quarter by default; tighter control asks less).
    void setAllowance(double allowance) { allowance_ = allowance; }
    double allowance() const { return allowance_; }
    // The number of fiber points that sit at 0 for every parameter (split
    // off by CurveFunction): they count as neighbours of the moving points.
    void setFixedZeros(int count) { fixedZeros_ = count; }
    // dx/dt at the points z over t.
    void tangents(const CurveFunction &f, Complex t, const std::vector<Complex> &z,
                  std::vector<Complex> &v);
    // Polishes points over t (true when they converged).
    bool polish(const CurveFunction &f, Complex t, std::vector<Complex> &z);
    // From the points x0 (with tangents v0) over p0 to p1 through pm.
    StepOutcome step(const CurveFunction &f, const std::vector<Complex> &x0,
                     const std::vector<Complex> &v0, Complex p0, Complex pm, Complex p1,
                     bool relaxed);

private:
    // Nearest-neighbour distances, the fixed points at 0 included.
    void separations(const std::vector<Complex> &z, std::vector<double> &out) const;

    double allowance_ = 0.25;
    int fixedZeros_ = 0;
    std::vector<Complex> a_, da_, vm_, pred_, work_;
    std::vector<double> sep0_, sepm_, sep1_;
};

}  // namespace quorvel
