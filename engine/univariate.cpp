#include "engine/univariate.h"

#include <cmath>

#include "engine/calculus.h"
#include "engine/error.h"

namespace quorvel {

namespace {

constexpr const char *illegalMessage = "polynomial (1 var.) is illegal.";
constexpr const char *illegalRemedy = "Re-input a polynomial";
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

}  // namespace quorvel
