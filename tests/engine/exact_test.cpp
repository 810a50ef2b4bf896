// The exact branch polynomial and the certified loci, checked against an
// independent computer-algebra system (PARI/GP: resultant, factorisation
// over Q or Q(i), roots) and against identities every curve satisfies.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/calculus.h"
#include "engine/exact.h"
#include "engine/exact_curve.h"
#include "engine/exact_poly.h"
#include "engine/polytext.h"
#include "engine/univariate.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

using testing::RecordingErrors;

struct Locus {
    Complex value;
    int multiplicity = 0;
};

// A curve given twice: in the program's text and in gp's (exact rationals,
// w for the imaginary unit).
struct Curve {
    std::string name;
    std::string text;
    std::string gp;
    // f evaluated in doubles tells the loci apart (not for loci 1e-36 apart).
    bool doublesSeeIt = true;
};

// Runs a gp script and returns what it prints.
std::string runGp(const std::string &script) {
    // One file per call: the cases of this program run in parallel
    // processes.
    std::string path = ::testing::TempDir() + "quorvel_exact_test_XXXXXX";
    const int fd = ::mkstemp(path.data());
    EXPECT_GE(fd, 0);
    if (fd >= 0) ::close(fd);
    std::ofstream(path) << script;
    const std::string command = "gp -q -f --default realprecision=60 " + path + " < /dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr) << "gp (package pari-gp) is needed for this test";
    std::string text;
    char buf[4096];
    while (pipe && std::fgets(buf, sizeof buf, pipe)) text += buf;
    if (pipe) {
        EXPECT_EQ(pclose(pipe), 0) << text;
    }
    std::remove(path.c_str());
    // gp writes an exponent as "1.5 e-36".
    for (size_t k = text.find(" e"); k != std::string::npos; k = text.find(" e", k)) text.erase(k, 1);
    return text;
}

// gp's distinct roots of Res_x(f, f_x) with the multiplicities of its
// factorisation (a linear factor's root exactly); the first line is the
// resultant's degree. gp's resultant wants rational coefficients: w stands
// for I until the end.
std::vector<Locus> gpLoci(const std::string &curve, int &degree) {
    std::istringstream in(runGp(
        "f = " + curve + ";\n" +
        "R = subst(polresultant(f, deriv(f, x), x), w, I);\n"
        "print(poldegree(R));\n"
        "M = factor(R);\n"
        "for(k = 1, #M~, P = M[k,1]; if(poldegree(P) > 0, "
        "r = if(poldegree(P) == 1, [-polcoef(P, 0) / polcoef(P, 1)], polroots(P)); "
        "for(j = 1, #r, printf(\"%.25e %.25e %d\\n\", real(r[j]), imag(r[j]), M[k,2]))));\n"));
    degree = -1;
    in >> degree;
    std::vector<Locus> out;
    Locus l;
    while (in >> l.value.re >> l.value.im >> l.multiplicity) out.push_back(l);
    return out;
}

// Within two units in the last place of the expected value (exactly 0 when
// it is 0).
bool withinTwoUlps(Complex found, Complex expected) {
    return std::hypot(found.re - expected.re, found.im - expected.im) <= 0x1p-52 * std::hypot(expected.re, expected.im);
}

std::vector<Locus> engineLoci(const ExactPolynomial &curve) {
    OwnedPolynomial loci(certifiedBranchLoci(curve));
    std::vector<Locus> out;
    for (const Term *p = loci.get(); p; p = p->next) out.push_back({p->coef, pointMultiplicity(p)});
    return out;
}

// Short decimals (exact in both programs), real or Gaussian.
std::string decimal(std::mt19937 &rng, bool fractional) {
    static const char *const values[] = {"1", "2", "3", "5", "7", "0.5", "1.5", "0.25", "0.1", "2.5"};
    std::uniform_int_distribution<int> pick(0, fractional ? 9 : 4);
    std::uniform_int_distribution<int> sign(0, 1);
    return std::string(sign(rng) ? "-" : "") + values[pick(rng)];
}

// gp reads 0.1 as an inexact real: give it the fraction.
std::string gpNumber(const std::string &d) {
    const size_t point = d.find('.');
    if (point == std::string::npos) return d;
    const std::string digits = d.substr(0, point) + d.substr(point + 1);
    return "(" + digits + "/1" + std::string(d.size() - point - 1, '0') + ")";
}

Curve randomCurve(std::mt19937 &rng, int degree, bool gaussian, int index) {
    Curve c;
    c.name = std::string(gaussian ? "gaussian " : "integer ") + std::to_string(index);
    std::uniform_int_distribution<int> keep(0, 2);
    for (int i = 0; i <= degree; ++i) {
        for (int j = 0; i + j <= degree; ++j) {
            // The monomial x^degree always, so the degree in x is as asked.
            if (!(i == degree && j == 0) && keep(rng) == 0) continue;
            const std::string re = decimal(rng, gaussian);
            const std::string im = gaussian ? decimal(rng, true) : "0";
            const std::string mono = "*x^" + std::to_string(i) + "*t^" + std::to_string(j);
            c.text += "+(" + re + "+(" + im + ")*i)" + mono;
            c.gp += "+(" + gpNumber(re) + "+(" + gpNumber(im) + ")*w)" + mono;
        }
    }
    return c;
}

std::vector<Curve> curvesWithKnownLoci() {
    std::vector<Curve> curves = {
        {"classical, loci 0 and 1", "27*x^2*(x-1)^2 - 4*t*(x^2-x+1)^3", ""},
        {"degree 7", "x^7+3*x^4*t-t^2*x^2+2*x-t^5+t", ""},
        {"degree 8", "x^8-x^5*t^2+2*x^3-t*x+t^4-2", ""},
        {"degenerate at 2", "x^6*(t-2)+x^4*t-3*x+t^2+1", ""},
        {"degree 6", "x^6-2*t*x^4+x^3+t^2*x-3*t^3+1", ""},
        {"cusp", "x^2-t^3", ""},
        {"tacnode", "x^4-2*x^2*t^2+t^4-t^5", ""},
        {"node", "x^2-t^2*(t+1)", ""},
        {"reducible", "(x-t)*(x+t)*(x-1)", ""},
        {"degenerate leading coefficient", "t*x^2+x+1", ""},
        {"loci 1e-4 apart", "x^2-(t-1)*(t-1.0001)", "x^2-(t-1)*(t-10001/10000)"},
        {"loci 1e-6 apart", "x^2-(t-1)*(t-1.000001)", "x^2-(t-1)*(t-1000001/1000000)"},
        {"decimal coefficients", "0.1*x^3-1.5*x*t+0.3*t^2", "(1/10)*x^3-(3/2)*x*t+(3/10)*t^2"},
        {"gaussian", "x^3+(1+i)*x*t-i*t^2+2", "x^3+(1+w)*x*t-w*t^2+2"},
        {"gaussian cusp", "x^2-(t-i)^3*(t+2)", "x^2-(t-w)^3*(t+2)"},
        {"gaussian nodes", "(x^2-i*t)*(x-t-i)*(x+0.5*t)", "(x^2-w*t)*(x-t-w)*(x+(1/2)*t)"},
        {"three loci 1e-36 apart at 0", "x^2-t*(t-1e-36)*(t+1e-36)*(t-1)*(t-2)*(t-3)",
         "x^2-t*(t-1/10^36)*(t+1/10^36)*(t-1)*(t-2)*(t-3)", false},
        {"double loci of a decimal curve", "(x+0.1)*(x+0.1-t^2-1)", "(x+1/10)*(x+1/10-t^2-1)"},
        {"one fourfold locus", "(x+0.1)*(x+0.1-t^2)", "(x+1/10)*(x+1/10-t^2)"},
        {"loci 3e-6 apart and at 3i", "x^2-(t-2)*(t-2.000003)*(t+1)*(t-3*i)",
         "x^2-(t-2)*(t-2000003/1000000)*(t+1)*(t-3*w)"},
        {"a coefficient 1e-30", "x^2-1e-30*t", "x^2-t/10^30"},
        {"degenerate loci 1e-20 apart at 0", "(t-1e-20)*(t-2e-20)*x^2+x+t-1",
         "(t-1/10^20)*(t-2/10^20)*x^2+x+t-1"},
    };
    for (Curve &c : curves)
        if (c.gp.empty()) c.gp = c.text;
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> degree(2, 6);
    for (int k = 0; k < 12; ++k) curves.push_back(randomCurve(rng, degree(rng), false, k));
    for (int k = 0; k < 8; ++k) curves.push_back(randomCurve(rng, degree(rng), true, k));
    return curves;
}

class ExactTest : public ::testing::Test {
protected:
    RecordingErrors recorder;

    OwnedPolynomial parse(const std::string &text) {
        Letters letters = {'x', 't', '?'};
        return OwnedPolynomial(parsePolynomial(text, letters));
    }
    ExactPolynomial exact(const std::string &text) {
        Letters letters = {'x', 't', '?'};
        return parseExactPolynomial(text, letters);
    }
};

// The loci, their multiplicities and the degenerate loci are those of the
// exact curve, each to the last bits of its double: 1e-36 is 10^-36 and 0.1
// is 1/10 all the way to the roots.
TEST_F(ExactTest, TheLociAreThoseOfTheExactCurve) {
    for (const Curve &c : curvesWithKnownLoci()) {
        SCOPED_TRACE(c.name + ": " + c.text);
        const ExactPolynomial f = exact(c.text);
        int gpDegree = 0;
        const std::vector<Locus> expected = gpLoci(c.gp, gpDegree);
        OwnedPolynomial branch(exactBranchPolynomial(f));
        EXPECT_EQ(degree(branch.get()), gpDegree);
        const std::vector<Locus> found = engineLoci(f);
        ASSERT_EQ(found.size(), expected.size());
        int total = 0;
        for (const Locus &e : expected) {
            const Locus *nearest = nullptr;
            for (const Locus &l : found)
                if (!nearest || modulus(l.value - e.value) < modulus(nearest->value - e.value)) nearest = &l;
            EXPECT_TRUE(withinTwoUlps(nearest->value, e.value))
                << nearest->value.re << " " << nearest->value.im << " for " << e.value.re << " " << e.value.im;
            EXPECT_EQ(nearest->multiplicity, e.multiplicity) << formatValue(e.value);
            total += nearest->multiplicity;
        }
        EXPECT_EQ(total, gpDegree);
        // Each degenerate locus is a branch locus to the bit, and their
        // multiplicities make up the leading coefficient's degree.
        OwnedPolynomial loci(certifiedBranchLoci(f));
        OwnedPolynomial degenerate(certifiedDegenerateLoci(f));
        identifyDegenerateLoci(f, degenerate.get(), loci.get());
        OwnedPolynomial leading(leadingCoefficientOf(parse(c.text).get()));
        int leadingDegree = 0;
        for (const Term *d = degenerate.get(); d; d = d->next) {
            bool same = false;
            for (const Term *l = loci.get(); l; l = l->next)
                same = same || (l->coef.re == d->coef.re && l->coef.im == d->coef.im);
            EXPECT_TRUE(same) << formatValue(d->coef);
            leadingDegree += pointMultiplicity(d);
        }
        EXPECT_EQ(leadingDegree, std::max(0, degree(leading.get())));
    }
    EXPECT_TRUE(recorder.errors.empty());
}

// The resultant is gp's polresultant exactly, up to one nonzero factor
// (the program scales the curve to integers first): every ratio of
// coefficients agrees over Q(i), on random curves over Q and Q(i) with
// decimals, on curves of high degree in one letter and on powers whose
// resultant is tiny while every bound on it is huge.
TEST_F(ExactTest, TheResultantIsExactlyGpsResultant) {
    std::vector<Curve> curves = {
        {"power", "(x+1)^40-t", ""},
        {"two powers", "(x+1)^12*(x-2)^9-t", ""},
        {"high degree in t", "x^2-t^200", ""},
        {"degree 1 in x", "(2*t+1)*x-t^3", ""},
        {"gaussian power", "(x+i)^15-t*i+3", "(x+w)^15-t*w+3"},
        {"decimals", "x^5+0.125*x^3*t-0.1*t^4+3", "x^5+(1/8)*x^3*t-(1/10)*t^4+3"},
    };
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> degree(2, 7);
    for (int k = 0; k < 6; ++k) curves.push_back(randomCurve(rng, degree(rng), k % 2 == 1, k));
    for (const Curve &c : curves) {
        SCOPED_TRACE(c.name + ": " + c.text);
        const std::string gp = c.gp.empty() ? c.text : c.gp;
        std::istringstream in(runGp("f = " + gp + ";\nR = subst(polresultant(f, deriv(f, x), x), w, I);\n" +
                                    "for(k = 0, poldegree(R, t), c = polcoef(R, k, t); print(real(c), \" \", imag(c)));\n"));
        std::vector<std::pair<std::string, std::string>> expected;
        for (std::string re, im; in >> re >> im;) expected.emplace_back(re, im);
        const exact::GaussPoly found = exact::branchResultant(exact(c.text));
        ASSERT_EQ(found.degree() + 1, static_cast<long>(expected.size()));
        // found_k * lead_gp == gp_k * lead_found, as Gaussian rationals.
        exact::GaussRational leadFound, leadGp, fk, gk;
        found.coefficient(leadFound, found.degree());
        fmpq_set_str(leadGp.re, expected.back().first.c_str(), 10);
        fmpq_set_str(leadGp.im, expected.back().second.c_str(), 10);
        for (long k = 0; k <= found.degree(); ++k) {
            found.coefficient(fk, k);
            fmpq_set_str(gk.re, expected[static_cast<size_t>(k)].first.c_str(), 10);
            fmpq_set_str(gk.im, expected[static_cast<size_t>(k)].second.c_str(), 10);
            exact::multiply(fk, fk, leadGp);
            exact::multiply(gk, gk, leadFound);
            exact::subtract(fk, fk, gk);
            EXPECT_TRUE(fk.isZero()) << "coefficient of degree " << k;
        }
    }
    EXPECT_TRUE(recorder.errors.empty());
}

// A Gaussian polynomial whose squarefree factors have coefficients longer
// than the modular method's primes can rebuild (3^-20000 needs about 31700
// bits, the primes give 24400) falls back to Yun's algorithm over Q(i),
// which must find the same factors.
TEST_F(ExactTest, YunsFallbackOverGaussianRationalsFindsTheFactors) {
    const char *simple = "x-i";
    const char *square = "x^2+x+1+i*3^(-20000)";
    const exact::GaussPoly p =
        exact::univariateOf(exact("(" + std::string(simple) + ")*(" + square + ")^2"));
    std::vector<exact::SquarefreeFactor> modular;
    EXPECT_FALSE(exact::modularSquarefree(p, modular));
    const std::vector<exact::SquarefreeFactor> found = exact::squarefreeFactors(p);
    ASSERT_EQ(found.size(), 2u);
    const struct {
        const char *factor;
        int multiplicity;
    } expected[] = {{simple, 1}, {square, 2}};
    for (size_t k = 0; k < 2; ++k) {
        SCOPED_TRACE(expected[k].factor);
        const exact::GaussPoly e = exact::univariateOf(exact(expected[k].factor));
        EXPECT_EQ(found[k].multiplicity, expected[k].multiplicity);
        EXPECT_TRUE(fmpq_poly_equal(found[k].factor.re(), e.re()) && fmpq_poly_equal(found[k].factor.im(), e.im()));
    }
}

// Distinct roots are distinct points, however close, each within two units
// in the last place of its modulus.
TEST_F(ExactTest, RootsAreDistinctAndAccurateToTheirLastBits) {
    const struct {
        const char *text;
        std::vector<Complex> roots;
    } rows[] = {
        {"(x-1e-20)*(x-2e-20)", {{1e-20, 0.0}, {2e-20, 0.0}}},
        {"x^2+1e-40", {{0.0, 1e-20}, {0.0, -1e-20}}},
        {"x*(x-1e-300)*(x+1)", {{0.0, 0.0}, {1e-300, 0.0}, {-1.0, 0.0}}},
        {"(x-1)*(x-1.000000001)*(x-0.3)", {{1.0, 0.0}, {1.000000001, 0.0}, {0.3, 0.0}}},
        {"(x-0.1-0.7*i)^2*(x+2.5)", {{0.1, 0.7}, {-2.5, 0.0}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        OwnedPolynomial found(certifiedRoots(exact(row.text)));
        ASSERT_EQ(countPoints(found.get()), static_cast<int>(row.roots.size()));
        for (const Complex &e : row.roots) {
            int near = 0;
            for (const Term *r = found.get(); r; r = r->next) near += withinTwoUlps(r->coef, e);
            EXPECT_EQ(near, 1) << e.re << " " << e.im;
        }
    }
    // The fiber over 0.5 of x^2 - 1e-30 t: two points +-sqrt(5e-31).
    OwnedPolynomial fiber(certifiedFiber(exact("x^2-1e-30*t"), Complex(0.5, 0.0)));
    ASSERT_EQ(countPoints(fiber.get()), 2);
    const double root = std::sqrt(5e-31);
    EXPECT_TRUE(withinTwoUlps(fiber.get()->coef, Complex(root, 0.0)) ||
                withinTwoUlps(fiber.get()->coef, Complex(-root, 0.0)));
    EXPECT_TRUE(withinTwoUlps(fiber.get()->coef + fiber.get()->next->coef, Complex(0.0, 0.0)));
    EXPECT_TRUE(recorder.errors.empty());
}

// What double precision cannot hold is refused with its size and the limit:
// loci too close together for a double-precision path (near 0 they are
// judged by their own size), coefficients below the smallest double.
TEST_F(ExactTest, WhatDoublePrecisionCannotHoldIsRefusedWithItsLimit) {
    const struct {
        const char *text;
        const char *says;  // empty: accepted
    } rows[] = {
        {"x^2-t*(t-1)*(t-1-1e-36)*(t-1+1e-36)",
         "Two branch loci lie closer together than double precision can follow: about 1e-36 apart near 1, "
         "below 1e-13 of their size."},
        {"x^2-(t-5*i)*(t-5*i-3e-13*i)", "about 3e-13 apart near 5i,"},
        {"x^2-(t-1)*(t-1-1e-12)", ""},
        {"x^2-t*(t-1e-200)", ""},
        {"x^2-1e-400*t", "A coefficient is too small: about 1e-400, and double precision ends near 1e-308."},
        {"x^2-1e-200*1e-200*t", "A coefficient is too small: about 1e-400,"},
        {"x^2-(3e-160*t)^2", "A coefficient is too small: about 9e-320,"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        recorder.errors.clear();
        try {
            OwnedPolynomial rounded = parse(row.text);
            OwnedPolynomial loci(certifiedBranchLoci(exact(row.text)));
            EXPECT_EQ(countPoints(loci.get()), 2);
        } catch (const ComputationAbandoned &) {
        }
        if (*row.says == '\0') {
            EXPECT_TRUE(recorder.errors.empty());
            continue;
        }
        ASSERT_EQ(recorder.errors.size(), 1u);
        std::string said = recorder.errors[0].message;
        std::replace(said.begin(), said.end(), '\n', ' ');
        EXPECT_NE(said.find(row.says), std::string::npos) << said;
    }
}

// A chart's coefficients are those of f(x, c + s) computed exactly (gp's
// exact substitution at the exact binary value of c) and rounded to the
// nearest double; none is missing or added.
TEST_F(ExactTest, AChartIsTheCurveShiftedExactlyThenRounded) {
    const struct {
        const char *text;
        const char *gp;
        Complex centre;
    } rows[] = {
        {"(x^2-1)*(t-1)*(t-1-1e-12)*(t+2)*(t-3)", "(x^2-1)*(t-1)*(t-1-1/10^12)*(t+2)*(t-3)", {1.0, 0.0}},
        {"x^3-0.1*x*t^2+(2+i)*t^5-t+x^2*t^7", "x^3-1/10*x*t^2+(2+I)*t^5-t+x^2*t^7", {0.3, -0.7}},
        {"(x-t)^6*(2.5*t+i)^6+x^12+t^12+1", "(x-t)^6*(5/2*t+I)^6+x^12+t^12+1", {-1.1, 2.9}},
    };
    auto exactText = [](double v) {
        int e = 0;
        const double m = std::ldexp(std::frexp(v, &e), 53);
        char buf[64];
        std::snprintf(buf, sizeof buf, "(%.0f*2^%d)", m, e - 53);
        return std::string(buf);
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        std::vector<ChartTerm> chart = curveChart(exact(row.text), row.centre);
        std::istringstream in(runGp(
            std::string("F = subst(") + row.gp + ", t, " + exactText(row.centre.re) + "+I*" +
            exactText(row.centre.im) + "+s);\n" +
            "for(j = 0, poldegree(F, x), G = polcoef(F, j, x); for(r = 0, poldegree(G, s), "
            "c = polcoef(G, r, s); if(c != 0, printf(\"%d %d %.25e %.25e\\n\", j, r, real(c), imag(c)))));\n"));
        size_t count = 0;
        ChartTerm e;
        while (in >> e.xExponent >> e.sExponent >> e.coefficient.re >> e.coefficient.im) {
            ++count;
            const ChartTerm *match = nullptr;
            for (const ChartTerm &c : chart)
                if (c.xExponent == e.xExponent && c.sExponent == e.sExponent) match = &c;
            ASSERT_NE(match, nullptr) << e.xExponent << " " << e.sExponent;
            EXPECT_LE(std::fabs(match->coefficient.re - e.coefficient.re), 0x1p-53 * std::fabs(e.coefficient.re));
            EXPECT_LE(std::fabs(match->coefficient.im - e.coefficient.im), 0x1p-53 * std::fabs(e.coefficient.im));
        }
        EXPECT_EQ(count, chart.size());
    }
}

// |f(x)| against the sum of the moduli of its terms at max(1, |x|).
double relativeValue(const Term *p, char v, Complex x) {
    OwnedPolynomial moduli(copyPolynomial(p));
    std::vector<Term *> stack = {moduli.get()};
    while (!stack.empty()) {
        Term *t = stack.back();
        stack.pop_back();
        if (!t) continue;
        t->coef = Complex(modulus(t->coef), 0.0);
        stack.push_back(t->next);
        stack.push_back(t->left);
    }
    const double scale = modulus(evaluateUnivariate(moduli.get(), v, Complex(std::max(1.0, modulus(x)), 0.0)));
    return modulus(evaluateUnivariate(p, v, x)) / scale;
}

// The smallest relative value of f(., t) at the roots of f_x(., t).
double collision(const Term *curve, Complex t) {
    OwnedPolynomial ft(substitute(const_cast<Term *>(curve), 't', t));
    OwnedPolynomial dt(derivative(ft.get(), 'x'));
    OwnedPolynomial roots(certifiedRoots(dt.get()));
    double least = 1.0;
    for (const Term *r = roots.get(); r; r = r->next) least = std::min(least, relativeValue(ft.get(), 'x', r->coef));
    return least;
}

TEST_F(ExactTest, TheFiberCollidesOverEveryLocusAndNowhereBetween) {
    for (const Curve &c : curvesWithKnownLoci()) {
        if (!c.doublesSeeIt) continue;
        SCOPED_TRACE(c.name + ": " + c.text);
        OwnedPolynomial f = parse(c.text);
        OwnedPolynomial loci(certifiedBranchLoci(exact(c.text)));
        OwnedPolynomial leading(leadingCoefficientOf(f.get()));
        for (const Term *l = loci.get(); l; l = l->next) {
            // Over a degenerate locus a root went to infinity instead.
            if (modulus(evaluateUnivariate(leading.get(), 't', l->coef)) < 1e-9) continue;
            const double atLocus = collision(f.get(), l->coef);
            EXPECT_LT(atLocus, 1e-9) << formatValue(l->coef);
            // Halfway to the nearest other locus the fiber is simple: no
            // root of f_x comes near a root of f (loci 1e-6 apart leave
            // roots 5e-7 apart there, hence the comparison with the locus).
            const Term *nearest = nullptr;
            for (const Term *m = loci.get(); m; m = m->next)
                if (m != l && (!nearest || modulus(m->coef - l->coef) < modulus(nearest->coef - l->coef)))
                    nearest = m;
            if (nearest) {
                const Complex mid = (l->coef + nearest->coef) * Complex(0.5, 0.0);
                EXPECT_GT(collision(f.get(), mid), 100.0 * std::max(atLocus, 1e-16)) << formatValue(mid);
            }
        }
    }
}

TEST_F(ExactTest, ACurveWithARepeatedFactorIsRefusedByName) {
    const char *const curves[] = {"(x+t)^40", "(x^2-t)^2*(x+1)", "x^2+0.2*x*t+0.01*t^2", "(x^2-i*t)^2*(x+1)"};
    for (const char *text : curves) {
        SCOPED_TRACE(text);
        const ExactPolynomial f = exact(text);
        recorder.errors.clear();
        EXPECT_THROW(OwnedPolynomial(exactBranchPolynomial(f)), ComputationAbandoned);
        ASSERT_EQ(recorder.errors.size(), 1u);
        EXPECT_EQ(recorder.errors[0].message.rfind("The curve has a repeated factor", 0), 0u);
    }
}

TEST_F(ExactTest, LimitsAreStatedWithTheirSize) {
    struct Row {
        const char *text;
        const char *says;
    } rows[] = {
        {"x^700*t^2+x+t", "may reach degree 2099, 1699 above the limit of 400"},
        {"x^2+t*y", "It is not a polynomial with 2 variables."},
        {"x^200+0.1234567890123457*x^150*t+0.9876543210987654*x^77+0.3333333333333333*t+1",
         "branch polynomial of degree up to 349 with coefficients of up to 22948 bits; its estimated cost of"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        const ExactPolynomial f = exact(row.text);
        recorder.errors.clear();
        EXPECT_THROW(OwnedPolynomial(exactBranchPolynomial(f)), ComputationAbandoned);
        ASSERT_EQ(recorder.errors.size(), 1u);
        std::string said = recorder.errors[0].message;
        std::replace(said.begin(), said.end(), '\n', ' ');
        EXPECT_NE(said.find(row.says), std::string::npos) << said;
    }
    // The parser refuses an overflowing coefficient (10^400); a curve built
    // with one all the same is refused when it is read exactly.
    OwnedPolynomial f = parse("x^2+t");
    Term *t = f.get();
    while (t->exp[1] != 1) t = t->exp[0] > 0 ? t->left : t->next;
    t->coef = Complex(HUGE_VAL, 0.0);
    recorder.errors.clear();
    EXPECT_THROW(exactFromDoubles(f.get()), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    std::string said = recorder.errors[0].message;
    std::replace(said.begin(), said.end(), '\n', ' ');
    EXPECT_NE(said.find("not a finite number"), std::string::npos) << said;
}

TEST_F(ExactTest, LociTooCloseToIsolateAreAStatedLimit) {
    // x^3 - x^2 + a f^19 - b f^16 with a ~ 8e20, b ~ 8e56: two loci near
    // 1e12 lie about 1e-250 apart in one squarefree factor.
    Letters letters = unsetLetters;
    const ExactPolynomial f = parseExactPolynomial(
        "x^2*(x-1)+777777777771821531136*f^19-777777777777777805701617653012818528452762713188993073152*f^16", letters);
    EXPECT_THROW(OwnedPolynomial(certifiedBranchLoci(f)), ComputationAbandoned);
    ASSERT_FALSE(recorder.errors.empty());
    std::string said = recorder.errors.back().message;
    std::replace(said.begin(), said.end(), '\n', ' ');
    EXPECT_NE(said.find("could not be told apart with"), std::string::npos) << said;
}

TEST_F(ExactTest, TheFiberSolvesTheCurveUpToDegreeOneHundredAndFifty) {
    const struct {
        const char *text;
        Complex base;
    } rows[] = {
        {"x^150-t", Complex(0.5, 0.0)},
        {"x^100+t*x+1", Complex(0.3, 0.2)},
        {"x^60-3*x^7*t+t^5-2", Complex(-1.1, 0.4)},
        {"(2+i)*x^33-x*t^4+i*t-1", Complex(0.7, -0.9)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        OwnedPolynomial f = parse(row.text);
        OwnedPolynomial fiber(certifiedFiber(exact(row.text), row.base));
        OwnedPolynomial p(substitute(f.get(), 't', row.base));
        EXPECT_EQ(countPoints(fiber.get()), degree(f.get()));
        for (const Term *r = fiber.get(); r; r = r->next)
            EXPECT_LT(relativeValue(p.get(), 'x', r->coef), 1e-9) << formatValue(r->coef);
    }
    // Over a branch locus the fiber has a double root: refused.
    EXPECT_THROW(OwnedPolynomial(certifiedFiber(exact("x^2-t^3"), Complex(0.0, 0.0))), ComputationAbandoned);
    EXPECT_EQ(recorder.errors.back().message, "The base point is a branch locus.");
}

}  // namespace
}  // namespace quorvel
