#include "engine/polynomial.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "engine/error.h"
#include "engine/product.h"

namespace quorvel {

namespace {

int cached(const Term *t) { return t ? t->cachedHeight : 0; }

void fixHeight(Term *t) {
    if (t) t->cachedHeight = 1 + std::max(cached(t->left), cached(t->next));
}

void setLetters(Term *t, const Letters &l) {
    t->var[0] = l[0];
    t->var[1] = l[1];
    t->var[2] = l[2];
}

Term *fillNew(Complex coef, int e0, int e1, int e2, const Letters &letters) {
    Term *t = termPool().take();
    t->coef = coef;
    t->exp[0] = e0;
    t->exp[1] = e1;
    t->exp[2] = e2;
    setLetters(t, letters);
    t->var[3] = '\0';
    t->kind = 1;
    t->left = nullptr;
    t->next = nullptr;
    t->cachedHeight = 1;
    return t;
}

bool isLetter(char c) { return c >= 'a' && c <= 'z'; }

// Letters of a tree: every term carries the same three, so the root's
// letters stand for the whole tree.
int collectFromRecord(const Term *t, Letters &buf, int count) {
    for (int s = 0; s < 3 && count < 3; ++s) {
        const char c = t->var[s];
        if (!isLetter(c)) continue;
        bool known = false;
        for (int k = 0; k < count; ++k) known = known || buf[static_cast<size_t>(k)] == c;
        if (!known) buf[static_cast<size_t>(count++)] = c;
    }
    return count;
}

bool hasLetters(const Term *t, const Letters &l) {
    return t->var[0] == l[0] && t->var[1] == l[1] && t->var[2] == l[2];
}

void relabelRecord(Term *t, const Letters &l) {
    long long e[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            if (t->var[j] == l[static_cast<size_t>(k)]) e[k] += t->exp[j];
    for (int k = 0; k < 3; ++k) t->exp[k] = checkedExponent(e[k]);
    setLetters(t, l);
}

// Brings the tree and the term to their common letters.
void unifyLetters(Polynomial root, Term *t) {
    Letters l = unsetLetters;
    int count = collectFromRecord(root, l, 0);
    collectFromRecord(t, l, count);
    if (!hasLetters(root, l)) relabel(root, l);
    if (!hasLetters(t, l)) relabelRecord(t, l);
}

Term *copyTree(const Term *p, bool negate) {
    if (!p) return nullptr;
    Term *t = termPool().take();
    const int32_t slot = t->slot;
    *t = *p;
    t->slot = slot;
    t->left = nullptr;
    t->next = nullptr;
    if (negate) t->coef = Complex(-p->coef.re, -p->coef.im);
    // Link children only once they exist, so an abandoned copy is reachable
    // from its root and released by the caller's guard.
    OwnedPolynomial guard(t);
    t->next = copyTree(p->next, negate);
    t->left = copyTree(p->left, negate);
    return guard.release();
}

// Inserts below `node` (a tree whose letters already match t's); returns
// the record that now holds t's monomial.
Term *insertBelow(Term *node, const Term *t) {
    const int c = compareTerms(node, t);
    if (c == 0) {
        node->coef += t->coef;
        return node;
    }
    Term *&link = c > 0 ? node->next : node->left;
    Term *hit;
    if (link) {
        hit = insertBelow(link, t);
    } else {
        link = fillNew(t->coef, t->exp[0], t->exp[1], t->exp[2], lettersOf(t));
        hit = link;
    }
    fixHeight(node);
    return hit;
}

Term *insertAndFind(Polynomial root, Term *t) {
    unifyLetters(root, t);
    if (isLeaf(root) && isZero(root->coef)) {
        root->coef = t->coef;
        root->exp[0] = t->exp[0];
        root->exp[1] = t->exp[1];
        root->exp[2] = t->exp[2];
        root->kind = t->kind;
        return root;
    }
    return insertBelow(root, t);
}

void rebalance(Term *&link) {
    Term *n = link;
    if (!n) return;
    if (Term *h = n->next) {
        const int a = cached(h->next);
        const int b = cached(h->left);
        const int c = cached(n->left);
        if (a > b && a > c) {
            n->next = h->left;
            h->left = n;
            fixHeight(n);
            fixHeight(h);
            link = h;
        } else if (b > 0 && h->left) {
            Term *m = h->left;
            const int d = cached(m->next);
            const int e = cached(m->left);
            if (d >= a && d >= c && d >= e + 1) {
                n->next = m->left;
                h->left = m->next;
                m->left = n;
                m->next = h;
                fixHeight(n);
                fixHeight(h);
                fixHeight(m);
                link = m;
            }
        }
    }
    n = link;
    if (Term *lo = n->left) {
        const int a = cached(lo->left);
        const int b = cached(lo->next);
        const int c = cached(n->next);
        if (a > b && a > c) {
            n->left = lo->next;
            lo->next = n;
            fixHeight(n);
            fixHeight(lo);
            link = lo;
        } else if (b > 0 && lo->next) {
            Term *m = lo->next;
            const int d = cached(m->left);
            const int e = cached(m->next);
            if (d >= a && d >= c && d >= e + 1) {
                n->left = m->next;
                lo->next = m->left;
                m->next = n;
                m->left = lo;
                fixHeight(n);
                fixHeight(lo);
                fixHeight(m);
                link = m;
            }
        }
    }
    fixHeight(link);
}

void rebalanceDown(Term *&link, const Term *t) {
    Term *node = link;
    const int c = compareTerms(node, t);
    if (c > 0 && node->next)
        rebalanceDown(node->next, t);
    else if (c < 0 && node->left)
        rebalanceDown(node->left, t);
    rebalance(link);
}

// Unlinks the smallest record of the subtree on `link`; returns it.
Term *unlinkSmallest(Term *&link) {
    Term *node = link;
    if (!node->left) {
        link = node->next;
        return node;
    }
    Term *smallest = unlinkSmallest(node->left);
    fixHeight(node);
    return smallest;
}

bool removeBelow(Term *&link, const Term *t) {
    Term *x = link;
    if (!x) return false;
    const int c = compareTerms(x, t);
    if (c != 0) {
        const bool removed = removeBelow(c > 0 ? x->next : x->left, t);
        if (removed) fixHeight(x);
        return removed;
    }
    if (!x->left) {
        link = x->next;
        termPool().release(x);
    } else if (!x->next) {
        link = x->left;
        termPool().release(x);
    } else {
        Term *s = unlinkSmallest(x->next);
        x->exp[0] = s->exp[0];
        x->exp[1] = s->exp[1];
        x->exp[2] = s->exp[2];
        x->var[0] = s->var[0];
        x->var[1] = s->var[1];
        x->var[2] = s->var[2];
        x->coef = s->coef;
        x->kind = s->kind;
        termPool().release(s);
        fixHeight(x);
    }
    return true;
}

// Removes the term just touched by an insertion when it cancelled to zero.
// Trees kept by these operations hold no other zero terms, so this gives
// the same tree content as a full sweep.
void dropIfZero(Polynomial &root, Term *touched) {
    if (!isZero(touched->coef)) return;
    if (isLeaf(root)) {
        if (root == touched) {
            root->exp[0] = root->exp[1] = root->exp[2] = 0;
            setLetters(root, unsetLetters);
        }
        return;
    }
    Term key = *touched;
    removeTerm(root, &key);
}

void collectZeroKeys(const Term *t, std::vector<Term> &keys) {
    if (!t) return;
    collectZeroKeys(t->next, keys);
    collectZeroKeys(t->left, keys);
    if (isZero(t->coef)) keys.push_back(*t);
}

// Visits records in descending monomial order.
template <class F>
void forEachDescending(const Term *t, F &&f) {
    if (!t) return;
    forEachDescending(t->next, f);
    f(t);
    forEachDescending(t->left, f);
}

Term *findDivisibleBelow(Term *r, const Term *d) {
    if (!r) return nullptr;
    if (Term *hit = findDivisibleBelow(r->next, d)) return hit;
    if (r->exp[0] >= d->exp[0] && r->exp[1] >= d->exp[1] && r->exp[2] >= d->exp[2]) return r;
    return findDivisibleBelow(r->left, d);
}

int freshHeight(const Term *t) {
    return t ? 1 + std::max(freshHeight(t->left), freshHeight(t->next)) : 0;
}

}  // namespace

[[noreturn]] void abandonForExponent() {
    showError("An exponent is too large.", "Re-input the polynomial with exponents below 2147483648");
    throw ComputationAbandoned("exponent out of range");
}

int checkedExponent(long long e) {
    if (e > std::numeric_limits<int32_t>::max() || e < std::numeric_limits<int32_t>::min())
        abandonForExponent();
    return static_cast<int>(e);
}

Letters lettersOf(const Term *t) { return {t->var[0], t->var[1], t->var[2]}; }

Polynomial newTerm(Complex coef, int e0, int e1, int e2, const Letters &letters) {
    return fillNew(coef, e0, e1, e2, letters);
}
Polynomial newTerm(double re, double im, int e0, int e1, int e2, const Letters &letters) {
    return fillNew(Complex(re, im), e0, e1, e2, letters);
}
Polynomial newTerm(int re, int im, int e0, int e1, int e2, const Letters &letters) {
    return fillNew(Complex(re, im), e0, e1, e2, letters);
}
Polynomial newZero(const Letters &letters) { return fillNew(Complex(0.0, 0.0), 0, 0, 0, letters); }

void freePolynomial(Polynomial p) {
    // Walks `next`, then `left`, iteratively, stopping at free records.
    std::vector<Term *> stack;
    if (p) stack.push_back(p);
    TermPool &pool = termPool();
    while (!stack.empty()) {
        Term *t = stack.back();
        stack.pop_back();
        if (!pool.owns(t) || t->slot < 0) continue;
        Term *next = t->next;
        Term *left = t->left;
        pool.release(t);
        if (left) stack.push_back(left);
        if (next) stack.push_back(next);
    }
}

Polynomial copyPolynomial(const Term *p) { return copyTree(p, false); }
Polynomial negatedCopy(const Term *p) { return copyTree(p, true); }

int compareTerms(const Term *a, const Term *b) {
    for (int s = 0; s < 3; ++s) {
        if (a->exp[s] < b->exp[s]) return +1;
        if (a->exp[s] > b->exp[s]) return -1;
        if (a->exp[s] != 0) {
            const auto la = static_cast<signed char>(a->var[s]);
            const auto lb = static_cast<signed char>(b->var[s]);
            if (la < lb) return +1;
            if (la > lb) return -1;
        }
    }
    return 0;
}

Term *highestTerm(Polynomial p) {
    if (!p) return nullptr;
    while (p->next) p = p->next;
    return p;
}

Term *lowestTerm(Polynomial p) {
    if (!p) return nullptr;
    while (p->left) p = p->left;
    return p;
}

int degree(const Term *p) {
    if (!p) return 0;
    while (p->next) p = p->next;
    return p->exp[0];
}

int lowestDegree(const Term *p) {
    if (!p) return 0;
    while (p->left) p = p->left;
    return p->exp[0];
}

bool isLeaf(const Term *t) { return t && !t->left && !t->next; }
bool isZeroPolynomial(const Term *p) { return isLeaf(p) && isZero(p->coef); }
int height(const Term *t) { return cached(t); }

int collectLetters(const Term *root, Letters &buf, int count) {
    if (!root || count >= 3) return count;
    count = collectFromRecord(root, buf, count);
    if (count >= 3) return count;
    count = collectLetters(root->next, buf, count);
    return collectLetters(root->left, buf, count);
}

void relabel(Polynomial root, const Letters &letters) {
    std::vector<Term *> stack;
    if (root) stack.push_back(root);
    while (!stack.empty()) {
        Term *t = stack.back();
        stack.pop_back();
        relabelRecord(t, letters);
        if (t->left) stack.push_back(t->left);
        if (t->next) stack.push_back(t->next);
    }
}

Term *findDivisible(Polynomial root, const Term *d) {
    if (!root || isZeroPolynomial(root)) return nullptr;
    return findDivisibleBelow(root, d);
}

int countTerms(const Term *p) { return p ? 1 + countTerms(p->left) + countTerms(p->next) : 0; }

void insertTerm(Polynomial root, Term *t) { insertAndFind(root, t); }

void removeTerm(Polynomial &root, const Term *t) { removeBelow(root, t); }

void rebalancePath(Polynomial &root, const Term *t) {
    if (root) rebalanceDown(root, t);
}

void dropZeroTerms(Polynomial &root) {
    std::vector<Term> keys;
    collectZeroKeys(root, keys);
    for (const Term &key : keys) {
        if (isLeaf(root)) {
            if (isZero(root->coef) && compareTerms(root, &key) == 0) {
                root->exp[0] = root->exp[1] = root->exp[2] = 0;
                setLetters(root, unsetLetters);
            }
        } else {
            removeTerm(root, &key);
        }
    }
}

void addPolynomial(Polynomial &a, Polynomial b) {
    if (a == b) {
        OwnedPolynomial same(copyPolynomial(b));
        addPolynomial(a, same.get());
        return;
    }
    std::vector<Term *> order;
    std::vector<Term *> stack;
    if (b) stack.push_back(b);
    while (!stack.empty()) {
        Term *t = stack.back();
        stack.pop_back();
        order.push_back(t);
        if (t->left) stack.push_back(t->left);
        if (t->next) stack.push_back(t->next);
    }
    for (Term *t : order) {
        Term *touched = insertAndFind(a, t);
        Term key = *touched;
        rebalancePath(a, &key);
        if (isZero(key.coef)) dropIfZero(a, &key);
    }
    dropZeroTerms(a);
}

void addTerm(Polynomial &root, Term *t) {
    Term *touched = insertAndFind(root, t);
    Term key = *touched;
    rebalancePath(root, &key);
    if (isZero(key.coef)) dropIfZero(root, &key);
}

void shiftExponents(Polynomial root, int d0, int d1, int d2) {
    scaleAndShift(root, Complex(1.0, 0.0), d0, d1, d2);
}

void scaleAndShift(Polynomial root, Complex s, int d0, int d1, int d2) {
    const bool scale = !(s.re == 1.0 && s.im == 0.0);
    std::vector<Term *> stack;
    if (root) stack.push_back(root);
    while (!stack.empty()) {
        Term *t = stack.back();
        stack.pop_back();
        if (scale) t->coef *= s;
        t->exp[0] = checkedExponent(static_cast<long long>(t->exp[0]) + d0);
        t->exp[1] = checkedExponent(static_cast<long long>(t->exp[1]) + d1);
        t->exp[2] = checkedExponent(static_cast<long long>(t->exp[2]) + d2);
        if (t->left) stack.push_back(t->left);
        if (t->next) stack.push_back(t->next);
    }
}

namespace {

// A balanced tree of the terms lo .. hi - 1 (ascending), its records taken
// from the pool; children are linked as soon as they exist, so the guard of
// the caller releases a tree abandoned half built.
Term *buildBalanced(const std::vector<ProductTerm> &terms, size_t lo, size_t hi, const Letters &l) {
    if (lo >= hi) return nullptr;
    const size_t mid = lo + (hi - lo) / 2;
    const ProductTerm &m = terms[mid];
    OwnedPolynomial node(fillNew(m.coef, m.exp[0], m.exp[1], m.exp[2], l));
    node.get()->left = buildBalanced(terms, lo, mid, l);
    node.get()->next = buildBalanced(terms, mid + 1, hi, l);
    fixHeight(node.get());
    return node.release();
}

}  // namespace

Polynomial multiplyPolynomials(Polynomial a, Polynomial b) {
    // Both factors are brought to common letters first. Products are
    // accumulated with the terms of `a` in descending order (then those of
    // `b`), so two products whose leading parts agree mathematically, such
    // as A*lB and lA*B in the elimination, agree bit for bit as well. The
    // tree is built once, balanced, from the sorted result.
    Letters l = unsetLetters;
    int count = collectFromRecord(a, l, 0);
    collectFromRecord(b, l, count);
    if (!hasLetters(a, l)) relabel(a, l);
    if (!hasLetters(b, l)) relabel(b, l);

    std::vector<const Term *> as;
    std::vector<const Term *> bs;
    forEachDescending(a, [&](const Term *t) { as.push_back(t); });
    forEachDescending(b, [&](const Term *t) { bs.push_back(t); });
    const size_t room = static_cast<size_t>(std::max(1, termPool().limit() - termPool().usedCount()));
    const std::vector<ProductTerm> sum = accumulateProducts(as, bs, room);
    if (sum.empty()) return newZero(unsetLetters);
    return buildBalanced(sum, 0, sum.size(), l);
}

Polynomial divideTerm(const Term *t, const Term *d) {
    return fillNew(t->coef / d->coef, checkedExponent(static_cast<long long>(t->exp[0]) - d->exp[0]),
                   checkedExponent(static_cast<long long>(t->exp[1]) - d->exp[1]),
                   checkedExponent(static_cast<long long>(t->exp[2]) - d->exp[2]), lettersOf(t));
}

Polynomial quotient(Polynomial a, Polynomial b) {
    if (isZeroPolynomial(b)) {
        showError("Division by the zero polynomial.", "Re-input the polynomial");
        throw ComputationAbandoned("division by zero");
    }
    OwnedPolynomial q(newZero(unsetLetters));
    OwnedPolynomial t(copyPolynomial(a));
    OwnedPolynomial d(copyPolynomial(b));
    Letters l = unsetLetters;
    int count = collectLetters(t.get(), l, 0);
    collectLetters(d.get(), l, count);
    relabel(t.get(), l);
    relabel(d.get(), l);
    OwnedPolynomial n(negatedCopy(d.get()));
    const Term *h = highestTerm(d.get());
    std::vector<const Term *> ns;
    forEachDescending(n.get(), [&](const Term *x) { ns.push_back(x); });

    while (Term *lead = findDivisible(t.get(), h)) {
        // An overflowed coefficient cannot cancel (inf - inf is not 0), so the
        // division would never end.
        if (!std::isfinite(lead->coef.re) || !std::isfinite(lead->coef.im)) {
            showError("A coefficient is too large.", "Re-input the polynomial");
            throw ComputationAbandoned("non-finite coefficient in a division");
        }
        OwnedPolynomial qt(divideTerm(lead, h));
        const Term leadKey = *lead;
        // Subtract qt * D from T. The product term at the leading monomial
        // equals -lead exactly in the algebra; it is given that value so the
        // leading term cancels bit for bit and the loop always advances.
        Term product;
        product.slot = -1;
        for (const Term *x : ns) {
            for (int s = 0; s < 3; ++s)
                product.exp[s] =
                    checkedExponent(static_cast<long long>(x->exp[s]) + qt.get()->exp[s]);
            setLetters(&product, l);
            product.kind = 1;
            product.coef = compareTerms(&product, &leadKey) == 0 ? -leadKey.coef
                                                                 : x->coef * qt.get()->coef;
            Term *touched = insertAndFind(t.get(), &product);
            Term key = *touched;
            rebalancePath(t.ref(), &key);
            if (isZero(key.coef)) dropIfZero(t.ref(), &key);
        }
        addPolynomial(q.ref(), qt.get());
        dropZeroTerms(q.ref());
    }
    return q.release();
}


bool heightsConsistent(const Term *t) {
    if (!t) return true;
    return t->cachedHeight == freshHeight(t) && heightsConsistent(t->left) &&
           heightsConsistent(t->next);
}

}  // namespace quorvel
