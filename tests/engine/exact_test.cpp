// The exact branch polynomial and the certified loci, checked against an
// independent computer-algebra system (PARI/GP: resultant, factorisation
// over Q or Q(i), roots) and against identities every curve satisfies.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/calculus.h"
#include "engine/exact.h"
#include "engine/polytext.h"
#include "engine/roots.h"
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
};

// gp's distinct roots of Res_x(f, f_x) with the multiplicities of its
// factorisation; the first line is the resultant's degree.
std::vector<Locus> gpLoci(const std::string &curve, int &degree) {
    const std::string script = ::testing::TempDir() + "quorvel_exact_test.gp";
    {
        std::ofstream out(script);
        // gp's resultant wants rational coefficients: w stands for I
        // until the end.
        out << "f = " << curve << ";\n"
            << "R = subst(polresultant(f, deriv(f, x), x), w, I);\n"
            << "print(poldegree(R));\n"
            << "M = factor(R);\n"
            << "for(k = 1, #M~, if(poldegree(M[k,1]) > 0, r = polroots(M[k,1]); "
               "for(j = 1, #r, printf(\"%.30f %.30f %d\\n\", real(r[j]), imag(r[j]), M[k,2]))));\n";
    }
    const std::string command = "gp -q -f --default realprecision=60 " + script + " < /dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr) << "gp (package pari-gp) is needed for this test";
    std::string text;
    char buf[4096];
    while (pipe && std::fgets(buf, sizeof buf, pipe)) text += buf;
    if (pipe) {
        EXPECT_EQ(pclose(pipe), 0) << text;
    }
    std::istringstream in(text);
    degree = -1;
    in >> degree;
    std::vector<Locus> out;
    Locus l;
    while (in >> l.value.re >> l.value.im >> l.multiplicity) out.push_back(l);
    return out;
}

std::vector<Locus> engineLoci(const Term *curve) {
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
};

TEST_F(ExactTest, BranchLociAndMultiplicitiesAgreeWithPari) {
    for (const Curve &c : curvesWithKnownLoci()) {
        SCOPED_TRACE(c.name + ": " + c.text);
        OwnedPolynomial f = parse(c.text);
        int gpDegree = 0;
        const std::vector<Locus> expected = gpLoci(c.gp, gpDegree);
        OwnedPolynomial branch(exactBranchPolynomial(f.get()));
        EXPECT_EQ(degree(branch.get()), gpDegree);
        const std::vector<Locus> found = engineLoci(f.get());
        ASSERT_EQ(found.size(), expected.size());
        int total = 0;
        for (const Locus &e : expected) {
            const Locus *nearest = nullptr;
            for (const Locus &l : found)
                if (!nearest || modulus(l.value - e.value) < modulus(nearest->value - e.value)) nearest = &l;
            EXPECT_LE(modulus(nearest->value - e.value), 1e-9 * std::max(1.0, modulus(e.value)))
                << formatValue(e.value);
            EXPECT_EQ(nearest->multiplicity, e.multiplicity) << formatValue(e.value);
            total += nearest->multiplicity;
        }
        EXPECT_EQ(total, gpDegree);
    }
    EXPECT_TRUE(recorder.errors.empty());
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
        SCOPED_TRACE(c.name + ": " + c.text);
        OwnedPolynomial f = parse(c.text);
        OwnedPolynomial loci(certifiedBranchLoci(f.get()));
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
        OwnedPolynomial f = parse(text);
        recorder.errors.clear();
        EXPECT_THROW(OwnedPolynomial(exactBranchPolynomial(f.get())), ComputationAbandoned);
        ASSERT_EQ(recorder.errors.size(), 1u);
        EXPECT_EQ(recorder.errors[0].message.rfind("The curve has a repeated factor", 0), 0u);
    }
}

TEST_F(ExactTest, LimitsAreStatedWithTheirSize) {
    struct Row {
        const char *text;
        const char *says;
    } rows[] = {
        {"x^700*t^2+x+t", "may reach degree 2798, 2398 above the limit of 400"},
        {"x^2+t*y", "It is not a polynomial with 2 variables."},
        {"i*10^51*x^28-6*10^31*x^24-36*10^44*x^8*t+36*10^44*x^8+6*10^15",
         "too large for exact elimination with complex coefficients"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        OwnedPolynomial f = parse(row.text);
        recorder.errors.clear();
        EXPECT_THROW(OwnedPolynomial(exactBranchPolynomial(f.get())), ComputationAbandoned);
        ASSERT_EQ(recorder.errors.size(), 1u);
        std::string said = recorder.errors[0].message;
        std::erase(said, '\n');
        EXPECT_NE(said.find(row.says), std::string::npos) << said;
    }
    // The parser refuses an overflowing coefficient (10^400); a curve given
    // one all the same is refused here too.
    OwnedPolynomial f = parse("x^2+t");
    Term *t = f.get();
    while (t->exp[1] != 1) t = t->exp[0] > 0 ? t->left : t->next;
    t->coef = Complex(HUGE_VAL, 0.0);
    recorder.errors.clear();
    EXPECT_THROW(OwnedPolynomial(exactBranchPolynomial(f.get())), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    std::string said = recorder.errors[0].message;
    std::erase(said, '\n');
    EXPECT_NE(said.find("not a finite number"), std::string::npos) << said;
}

TEST_F(ExactTest, LociTooCloseToIsolateAreAStatedLimit) {
    // x^3 - x^2 + a f^19 - b f^16 with a ~ 8e20, b ~ 8e56: two loci near
    // 1e12 lie about 1e-250 apart in one squarefree factor.
    Letters letters = unsetLetters;
    OwnedPolynomial f(parsePolynomial("x^2*(x-1)+777777777771821531136*f^19-777777777777777805701617653012818528452762713188993073152*f^16", letters));
    EXPECT_THROW(OwnedPolynomial(certifiedBranchLoci(f.get())), ComputationAbandoned);
    ASSERT_FALSE(recorder.errors.empty());
    std::string said = recorder.errors.back().message;
    std::erase(said, '\n');
    EXPECT_NE(said.find("could not be told apart with 8192-bit arithmetic"), std::string::npos) << said;
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
        OwnedPolynomial fiber(certifiedFiber(f.get(), row.base));
        OwnedPolynomial p(substitute(f.get(), 't', row.base));
        EXPECT_EQ(countPoints(fiber.get()), degree(f.get()));
        for (const Term *r = fiber.get(); r; r = r->next)
            EXPECT_LT(relativeValue(p.get(), 'x', r->coef), 1e-9) << formatValue(r->coef);
    }
    // Over a branch locus the fiber has a double root: refused.
    OwnedPolynomial cusp = parse("x^2-t^3");
    EXPECT_THROW(OwnedPolynomial(certifiedFiber(cusp.get(), Complex(0.0, 0.0))), ComputationAbandoned);
    EXPECT_EQ(recorder.errors.back().message, "The base point is a branch locus.");
}

}  // namespace
}  // namespace quorvel
