#include "engine/calculus.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "engine/error.h"

namespace quorvel {

namespace {

// Visits the term, then its `next` subtree, then its `left` subtree.
void forEachPreorder(const Term *t, const std::function<void(const Term *)> &f) {
    if (!t) return;
    f(t);
    forEachPreorder(t->next, f);
    forEachPreorder(t->left, f);
}

Term scratchTerm(const Term *t) {
    Term s = *t;
    s.left = nullptr;
    s.next = nullptr;
    s.slot = -1;
    return s;
}

}  // namespace

int slotOf(const Term *p, char v) {
    int slot = -1;
    for (int s = 0; s < 3; ++s)
        if (p->var[s] == v) slot = s;
    return slot;
}

Complex powerOf(Complex z, long long e) {
    Complex r(1.0, 0.0);
    if (e <= 64) {
        for (long long k = 0; k < e; ++k) r *= z;
        return r;
    }
    Complex base = z;
    while (e > 0) {
        if (e & 1) r *= base;
        base *= base;
        e >>= 1;
    }
    return r;
}

Polynomial derivative(Polynomial p, char v) {
    OwnedPolynomial r(newZero(lettersOf(p)));
    forEachPreorder(p, [&](const Term *t) {
        const int s = slotOf(t, v);
        if (s < 0 || t->exp[s] <= 0) return;
        Term d = scratchTerm(t);
        const int e = t->exp[s];
        d.coef = Complex(e) * t->coef;
        d.exp[s] = e - 1;
        addTerm(r.ref(), &d);
    });
    return r.release();
}

Polynomial substitute(Polynomial p, char v, Complex z) {
    OwnedPolynomial r(newZero(lettersOf(p)));
    forEachPreorder(p, [&](const Term *t) {
        Term d = scratchTerm(t);
        const int s = slotOf(t, v);
        if (s >= 0) {
            d.coef = t->coef * powerOf(z, t->exp[s]);
            d.exp[s] = 0;
        }
        addTerm(r.ref(), &d);
    });
    return r.release();
}

Polynomial leadingCoefficientOf(Polynomial p) {
    const int n = degree(p);
    const Letters l = {p->var[1], p->var[2], '?'};
    OwnedPolynomial r(newZero(l));
    forEachPreorder(p, [&](const Term *t) {
        if (t->exp[0] != n) return;
        Term d = scratchTerm(t);
        d.exp[0] = t->exp[1];
        d.exp[1] = t->exp[2];
        d.exp[2] = 0;
        d.var[0] = l[0];
        d.var[1] = l[1];
        d.var[2] = l[2];
        addTerm(r.ref(), &d);
    });
    return r.release();
}

void makeMonic(Polynomial p) {
    if (isZeroPolynomial(p)) return;
    const Complex s = divideInt(1, highestTerm(p)->coef);
    scaleAndShift(p, s, 0, 0, 0);
}

Polynomial coefficientSkeleton(Polynomial p) {
    std::vector<int> exps;
    forEachPreorder(p, [&](const Term *t) { exps.push_back(t->exp[0]); });
    std::sort(exps.begin(), exps.end(), std::greater<int>());
    exps.erase(std::unique(exps.begin(), exps.end()), exps.end());
    const Letters l = {p->var[0], '?', '?'};
    OwnedPolynomial head(newTerm(Complex(0.0, 0.0), exps.empty() ? 0 : exps[0], 0, 0, l));
    Term *last = head.get();
    for (size_t k = 1; k < exps.size(); ++k) {
        last->left = newTerm(Complex(0.0, 0.0), exps[k], 0, 0, l);
        last = last->left;
    }
    return head.release();
}

namespace {

void gatherInto(const Term *t, Complex z, Term *skeleton) {
    if (!t) return;
    const Complex w = t->coef * powerOf(z, t->exp[1]);
    Term *s = skeleton;
    while (s) {
        if (s->exp[0] < t->exp[0])
            s = s->next;
        else if (s->exp[0] > t->exp[0])
            s = s->left;
        else
            break;
    }
    if (s) s->coef += w;
    gatherInto(t->next, z, skeleton);
    gatherInto(t->left, z, skeleton);
}

}  // namespace

namespace {

void clearCoefficients(Term *s) {
    while (s) {
        s->coef = Complex(0.0, 0.0);
        clearCoefficients(s->next);
        s = s->left;
    }
}

}  // namespace

void substituteInto(const Term *p, Complex z, Term *skeleton) {
    clearCoefficients(skeleton);
    gatherInto(p, z, skeleton);
}

}  // namespace quorvel
