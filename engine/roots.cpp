#include "engine/roots.h"

#include <cmath>
#include <limits>
#include <vector>

#include "engine/calculus.h"
#include "engine/error.h"

namespace quorvel {

namespace {

constexpr const char *illegalMessage = "polynomial (1 var.) is illegal.";
constexpr const char *illegalRemedy = "Re-input a polynomial";
// A safety net against a search that improves forever without converging:
// far above what the relaxing targets ever take (about 5 x 300 steps).
constexpr long long maxTotalSteps = 200000;

struct HornerState {
    char v;
    Complex z;
    bool first = true;
    Complex acc;
    long long k = 0;
    bool report = true;
    bool offended = false;
};

int exponentFor(const Term *t, char v) {
    int e = 0;
    for (int s = 0; s < 3; ++s)
        if (t->var[s] == v) e = t->exp[s];
    return e;
}

void hornerVisit(const Term *t, HornerState &h) {
    if (!t) return;
    hornerVisit(t->next, h);
    const int e = exponentFor(t, h.v);
    if (h.first) {
        h.acc = t->coef;
        h.k = e;
        h.first = false;
    } else if (e < h.k) {
        h.acc *= powerOf(h.z, h.k - e);
        h.acc += t->coef;
        h.k = e;
    } else {
        h.offended = true;
        if (h.report) showError(illegalMessage, illegalRemedy);
    }
    hornerVisit(t->left, h);
}

bool univariateBelow(const Term *t) {
    if (!t) return true;
    return t->exp[1] == 0 && t->exp[2] == 0 && univariateBelow(t->left) && univariateBelow(t->next);
}

void setBar(RootProgress *p, int bar, int position) {
    if (p) p->setPosition(bar, position);
}

void appendZeros(PointList &list, int count, int firstNumber, const Letters &letters) {
    for (int k = 0; k < count; ++k) {
        appendPoint(list, Complex(0.0, 0.0));
        Term *last = list;
        while (last->next) last = last->next;
        last->exp[0] = firstNumber + k;
        last->exp[1] = 0;
        last->var[0] = letters[0];
        last->var[1] = letters[1];
        last->var[2] = letters[2];
    }
}

Term *lastRecord(Term *list) {
    Term *last = list;
    while (last && last->next) last = last->next;
    return last;
}

// Given estimates are used only when they are as many as the roots sought.
const Term *usableEstimates(const Term *estimates, int n) {
    return estimates && countPoints(estimates) == n ? estimates : nullptr;
}

}  // namespace

Complex evaluateUnivariate(const Term *p, char v, Complex z) {
    HornerState h;
    h.v = v;
    h.z = z;
    h.acc = Complex(0.0, 0.0);
    hornerVisit(p, h);
    if (h.first) return Complex(0.0, 0.0);
    return h.acc * powerOf(z, h.k);
}

bool isUnivariate(const Term *p) { return univariateBelow(p); }

double rootBound(Polynomial p) {
    OwnedPolynomial q(copyPolynomial(p));
    const Term *top = highestTerm(p);
    const Complex a = top->coef;
    std::vector<Term *> all;
    std::vector<Term *> stack{q.get()};
    while (!stack.empty()) {
        Term *t = stack.back();
        stack.pop_back();
        all.push_back(t);
        if (t->left) stack.push_back(t->left);
        if (t->next) stack.push_back(t->next);
    }
    Term *qTop = highestTerm(q.get());
    for (Term *t : all) t->coef = t == qTop ? Complex(1.0, 0.0) : Complex(-modulus(t->coef / a), 0.0);
    const char v = q.get()->var[0];
    OwnedPolynomial d(derivative(q.get(), v));

    auto series = [&](Complex z, Complex &s) {
        for (int step = 0; step < 100; ++step) {
            const Complex qz = evaluateUnivariate(q.get(), v, z);
            const Complex dz = evaluateUnivariate(d.get(), v, z);
            if (norm1(qz) < 1e-8 || isZero(s)) return std::make_pair(z, true);
            s = qz / dz;
            z = z - s;
        }
        return std::make_pair(z, false);
    };
    Complex s(1.0, 0.0);
    auto [z, settled] = series(Complex(100.0, 0.0), s);
    if (!settled) {
        auto second = series(Complex(10000.0, 0.0), s);
        if (!second.second) return 1000.0;
        z = second.first;
    }
    return z.re > 0.1 ? z.re : 0.1;
}

PointList initialEstimates(Polynomial p, int c) {
    const int n = degree(p);
    if (n <= 0) return nullptr;
    const double r = rootBound(p);
    const Letters l = {p->var[0], '?', '?'};
    const double t0 = c * 0.3141592653589792 / n;
    OwnedPolynomial z(newTerm(Complex(r * std::cos(t0), r * std::sin(t0)), 0, 0, 0, l));
    for (int i = 1; i < n; ++i) {
        const double ti = (0.05 * c + i) * 6.283185307179584 / n;
        Term e;
        e.coef = Complex(r * std::cos(ti), r * std::sin(ti));
        e.exp[0] = i;
        e.var[0] = l[0];
        e.var[1] = l[1];
        e.var[2] = l[2];
        insertTerm(z.get(), &e);
    }
    return z.release();
}

double durandKernerStep(const Term *p, Term *z, Term *w) {
    static thread_local std::vector<Term *> zs;
    static thread_local std::vector<Term *> ws;
    recordsByPosition(z, zs);
    recordsByPosition(w, ws);
    const size_t n = std::min(zs.size(), ws.size());
    const Complex a = highestTerm(const_cast<Term *>(p))->coef;
    const char v = p->var[0];
    for (size_t i = 0; i < n; ++i) ws[i]->coef = evaluateUnivariate(p, v, zs[i]->coef) / a;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            if (j != i) ws[i]->coef /= zs[i]->coef - zs[j]->coef;
    for (size_t i = 0; i < n; ++i) zs[i]->coef -= ws[i]->coef;
    // A correction that is not a number poisons the whole step: report it as
    // such rather than as convergence.
    double out = -std::numeric_limits<double>::infinity();
    for (Term *t = w; t; t = t->next) {
        const double m = std::max(std::fabs(t->coef.re), std::fabs(t->coef.im));
        if (std::isnan(t->coef.re) || std::isnan(t->coef.im)) return std::numeric_limits<double>::quiet_NaN();
        const double l = m == 0.0 ? -std::numeric_limits<double>::infinity() : std::log10(m);
        if (l > out) out = l;
    }
    return out;
}

PointList findRoots(RootProgress *progress, Polynomial p, const Term *estimates) {
    if (!isUnivariate(p)) {
        showError(illegalMessage, illegalRemedy);
        return nullptr;
    }
    OwnedPolynomial pp(copyPolynomial(p));
    const int m = lowestDegree(pp.get());
    if (m > 1) shiftExponents(pp.get(), 1 - m, 0, 0);
    const int n = degree(pp.get());
    if (n <= 0) return nullptr;
    const Term *g = usableEstimates(estimates, n);

    if (progress) {
        progress->setStep(differenceBar, 5);
        progress->setRange(differenceBar, 0, 100);
        progress->setStep(iterationBar, 1);
        progress->setRange(iterationBar, 0, 100);
    }
    double level = -12.0;
    long long limit = 300;
    long long k = 0;
    double prev = 0.0;
    int stall = 0;
    long long total = 0;
    OwnedPolynomial z;
    OwnedPolynomial w;
    do {
        if (k >= limit) {
            level += 2.0;
            k = 0;
        }
        if (k == 0) {
            z.reset(g ? copyPolynomial(g) : initialEstimates(pp.get(), static_cast<int>(std::floor(level)) + 11));
            w.reset(copyPolynomial(z.get()));
            stall = 0;
        }
        const double out = durandKernerStep(pp.get(), z.get(), w.get());
        if (out < prev) {
            ++limit;
        } else if (out > prev + 1) {
            stall += 25;
            if (stall > 50) k = limit;
        } else if (out < prev + 1) {
            stall += 1;
            if (stall > 50) k = limit;
        }
        prev = out;
        if (level < out && out <= 0) setBar(progress, differenceBar, static_cast<int>(std::floor(-10.0 * out)));
        setBar(progress, iterationBar, static_cast<int>(k % 100));
        if (out <= level) level = 1.0;
        ++k;
        if (++total >= maxTotalSteps && level < -2.0) {
            // Give up as the relaxed target would: report and keep what we have.
            level = -2.0;
        }
    } while (level < -2.0);
    if (level == -2.0)
        showError("Faild to get roots of this equation.",
                  "maybe your equations is over the capacity of this software.");
    setBar(progress, differenceBar, 100);
    // The zero roots are appended while the list is still owned, so a pool
    // that runs out here leaves nothing behind.
    if (m > 1) {
        Term *last = lastRecord(z.get());
        appendZeros(z.ref(), m - 1, n, lettersOf(last));
    }
    return z.release();
}

PointList findRootsQuiet(Polynomial p, const Term *estimates) {
    if (!isUnivariate(p)) {
        showError(illegalMessage, illegalRemedy);
        return nullptr;
    }
    const int m = lowestDegree(p);
    // The shift of p is undone on every way out, an abandoned search included.
    struct Restore {
        Polynomial p;
        int m;
        ~Restore() {
            if (m > 1) shiftExponents(p, m - 1, 0, 0);
        }
    } restore{p, m};
    if (m > 1) shiftExponents(p, 1 - m, 0, 0);
    const int n = degree(p);
    if (n <= 0) return nullptr;
    const Term *g = usableEstimates(estimates, n);
    OwnedPolynomial z(g ? copyPolynomial(g) : initialEstimates(p, 1));
    OwnedPolynomial w(copyPolynomial(z.get()));
    double out = 0.0;
    for (int step = 0; step < 250 && out > -11.0; ++step) out = durandKernerStep(p, z.get(), w.get());
    if (m > 1) appendZeros(z.ref(), m - 1, n, {p->var[0], '?', '?'});
    return z.release();
}

}  // namespace quorvel
