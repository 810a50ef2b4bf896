#include "engine/points.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace quorvel {

namespace {

// A link is followed only when it designates a record in use.
bool live(const Term *t) { return t != nullptr && termPool().owns(t) && t->slot >= 0; }

void chainOrder(Term *t, std::vector<Term *> &out) {
    // left subtree, the record, then its next chain
    while (live(t)) {
        if (live(t->left)) chainOrder(t->left, out);
        out.push_back(t);
        t = t->next;
    }
}

bool sameValue(Complex a, Complex b) { return a.re == b.re && a.im == b.im; }

int exactOrder(Complex tree, Complex point) {
    if (tree.re != point.re) return tree.re < point.re ? firstFirst : secondFirst;
    return tree.im < point.im ? firstFirst : secondFirst;
}

// Orders round a centre points the tolerances call the same: by their exact
// direction (with the cut at -pi as comparePolar has it), then distance.
int exactPolarOrder(Complex tree, Complex point) {
    double at = argument(tree), ap = argument(point);
    if (at < polarWrapThreshold) at = polarWrapValue;
    if (ap < polarWrapThreshold) ap = polarWrapValue;
    if (at != ap) return at < ap ? firstFirst : secondFirst;
    // On one ray the farther point comes first, as comparePolar orders a ray.
    if (modulus(tree) != modulus(point)) return modulus(tree) > modulus(point) ? firstFirst : secondFirst;
    return exactOrder(tree, point);
}

template <class Compare, class TieBreak = int (*)(Complex, Complex)>
PointList sortedCopy(const Term *list, Compare compare, bool inheritKind, bool number,
                     TieBreak tieBreak = exactOrder) {
    OwnedPolynomial tree;
    for (const Term *in = list; live(in); in = in->next) {
        if (!tree) {
            tree.reset(newPoint(in->coef));
            tree.get()->exp[1] = in->exp[1];
            if (inheritKind) tree.get()->kind = in->kind;
            continue;
        }
        Term *node = tree.get();
        for (;;) {
            int order = compare(node->coef, in->coef);
            // Points that the tolerance calls the same but whose values
            // differ stay apart (two distinct roots 1e-6 apart are two
            // points), ordered by their exact values; only equal values
            // merge, adding their multiplicities.
            if (order == samePoint && !sameValue(node->coef, in->coef))
                order = tieBreak(node->coef, in->coef);
            if (order == samePoint) {
                node->exp[1] += in->exp[1];
                break;
            }
            Term *&link = order == firstFirst ? node->left : node->next;
            if (!link) {
                link = newPoint(in->coef);
                link->exp[1] = in->exp[1];
                if (inheritKind) link->kind = in->kind;
                break;
            }
            node = link;
        }
    }
    if (!tree) return nullptr;
    if (number) numberPoints(tree.get(), 0);
    std::vector<Term *> order;
    chainOrder(tree.get(), order);
    OwnedPolynomial result;
    Term *tail = nullptr;
    for (Term *r : order) {
        Term *copy = newPoint(r->coef);
        copy->exp[0] = r->exp[0];
        copy->exp[1] = r->exp[1];
        copy->kind = r->kind;
        if (tail)
            tail->next = copy;
        else
            result.reset(copy);
        tail = copy;
    }
    return result.release();
}

}  // namespace

void setPointName(Term *p, const char *name) {
    size_t n = name ? std::strlen(name) : 0;
    if (n > 2) n = 2;
    std::memset(p->var, 0, sizeof p->var);
    if (n > 0) std::memcpy(p->var, name, n);
}

Term *newPoint(Complex value) {
    Term *t = newTerm(value, 0, 1, 0, unsetLetters);
    t->var[3] = '\0';
    return t;
}

void appendPoint(PointList &list, Complex value) {
    Term *p = newPoint(value);
    if (!live(list)) {
        list = p;
        return;
    }
    Term *last = list;
    while (live(last->next)) last = last->next;
    last->next = p;
}

int countPoints(const Term *list) {
    int n = 0;
    for (const Term *t = list; live(t); t = t->next) n += 1 + (live(t->left) ? countPoints(t->left) : 0);
    return n;
}

Complex &pointRefAt(Term *list, int position) {
    // Out-of-range positions are a caller error; they land on a scratch value
    // instead of walking off the list.
    static Complex scratch;
    Term *cur = list;
    int i = position;
    if (!live(cur) || i < 0) return scratch = Complex(0.0, 0.0);
    int behind = countPoints(cur->next);
    for (;;) {
        if (!live(cur)) return scratch = Complex(0.0, 0.0);
        if (behind == i) return cur->coef;
        if (behind > i) {
            Term *nxt = cur->next;
            behind = behind - 1 - (live(nxt->left) ? countPoints(nxt->left) : 0);
            cur = nxt;
        } else {
            i -= behind + 1;
            cur = cur->left;
            behind = countPoints(cur->next);
        }
    }
}

Complex pointAt(Term *list, int position) { return pointRefAt(list, position); }

void recordsByPosition(Term *list, std::vector<Term *> &out) {
    out.clear();
    chainOrder(list, out);
    std::reverse(out.begin(), out.end());
}

Term *findByNumber(Term *list, int number) {
    for (Term *t = list; live(t); t = t->next)
        if (t->exp[0] == number) return t;
    return nullptr;
}

int numberPoints(Term *list, int first) {
    if (!live(list)) return first;
    std::vector<Term *> order;
    chainOrder(list, order);
    for (Term *t : order) t->exp[0] = first++;
    return first;
}

void copyPointValues(Term *destination, const Term *source) {
    while (live(destination) && live(source)) {
        destination->coef = source->coef;
        destination = destination->next;
        source = source->next;
    }
}

Complex sumPoints(const Term *list) {
    Complex s(0.0, 0.0);
    for (const Term *t = list; live(t); t = t->next) {
        s += t->coef;
        if (live(t->left)) s += sumPoints(t->left);
    }
    return s;
}

Complex centroid(const Term *list) {
    const int n = countPoints(list);
    if (n == 0) return Complex(0.0, 0.0);
    return divideByInt(sumPoints(list), n);
}

double maxDistance(const Term *list, Complex c) {
    double m = 0.0;
    for (const Term *t = list; live(t); t = t->next) {
        m = std::max(m, modulus(t->coef - c));
        if (live(t->left)) m = std::max(m, maxDistance(t->left, c));
    }
    return m;
}

double minDistance(const Term *list, Complex c) {
    double m = 9999999.0;
    for (const Term *t = list; live(t); t = t->next) {
        m = std::min(m, modulus(t->coef - c));
        if (live(t->left)) m = std::min(m, minDistance(t->left, c));
    }
    return m;
}

double minDistanceAbove(const Term *list, double threshold, Complex c) {
    if (!live(list)) return 0.0;
    double r = modulus(list->coef - c);
    const Term *subtrees[2] = {list->left, list->next};
    for (const Term *s : subtrees) {
        if (!live(s)) continue;
        const double g = minDistanceAbove(s, threshold, c);
        if (r < threshold)
            r = g;
        else if (g > threshold && g < r)
            r = g;
    }
    return r;
}

int nearestPoint(Term *list, Complex c) {
    std::vector<Term *> byPosition;
    recordsByPosition(list, byPosition);
    double best = 9999.9;
    int answer = 0;
    for (size_t i = 0; i < byPosition.size(); ++i) {
        const double d = modulus(byPosition[i]->coef - c);
        if (d < best) {
            best = d;
            answer = static_cast<int>(i);
        }
    }
    return answer;
}

double nearestNeighbourDistance(Term *list, int position) {
    std::vector<Term *> byPosition;
    recordsByPosition(list, byPosition);
    const int n = static_cast<int>(byPosition.size());
    if (position < 0 || position >= n) return 0.0;
    const Complex p = byPosition[static_cast<size_t>(position)]->coef;
    double best = 99999.0;
    for (int j = 0; j < n; ++j) {
        if (j == position) continue;
        best = std::min(best, modulus(byPosition[static_cast<size_t>(j)]->coef - p));
    }
    return best;
}

PointList sortLexicographic(const Term *list) {
    return sortedCopy(
        list, [](Complex tree, Complex point) { return compareLexicographic(tree, point); }, false,
        false);
}

PointList sortAround(const Term *list, Complex centre) {
    return sortedCopy(
        list,
        [centre](Complex tree, Complex point) { return comparePolar(tree - centre, point - centre); },
        true, true,
        [centre](Complex tree, Complex point) { return exactPolarOrder(tree - centre, point - centre); });
}

namespace {

void collectValues(const Term *t, std::vector<Complex> &out) {
    for (; live(t); t = t->next) {
        if (live(t->left)) collectValues(t->left, out);
        out.push_back(t->coef);
    }
}

// How clear of the loci b is: the least distance to a locus, measured in
// that locus's distance to its nearest neighbour.
double clearance(Complex b, const std::vector<Complex> &loci, const std::vector<double> &nearest) {
    double score = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < loci.size(); ++k) score = std::min(score, modulus(b - loci[k]) / nearest[k]);
    return score;
}

}  // namespace

Complex chooseBasePoint(const Term *loci) {
    // The first choice: the centroid, or beside it when
    // a locus sits there.
    const Complex c = centroid(loci);
    Complex proposed = c;
    if (!(minDistance(loci, c) > 0.001)) {
        const double x = minDistanceAbove(loci, 0.001, c);
        proposed = x > 0.001 ? addReal(c, x / 2.0) : addReal(c, 0.5);
    }
    // Every locus gets a fair share of room: the base point keeps from each
    // locus at least fairShare of that locus's distance to its nearest
    // neighbour (a lone locus counts 1). Loci closer than rounding are one.
    constexpr double fairShare = 0.4;
    std::vector<Complex> all;
    collectValues(loci, all);
    std::vector<Complex> points;
    for (Complex z : all) {
        bool seen = false;
        for (Complex q : points)
            if (modulus(z - q) <= 1e-9 * std::max(1.0, modulus(z))) seen = true;
        if (!seen) points.push_back(z);
    }
    if (points.empty()) return proposed;
    std::vector<double> nearest(points.size(), 1.0);
    if (points.size() > 1) {
        for (size_t k = 0; k < points.size(); ++k) {
            double d = std::numeric_limits<double>::infinity();
            for (size_t j = 0; j < points.size(); ++j)
                if (j != k) d = std::min(d, modulus(points[k] - points[j]));
            nearest[k] = d;
        }
    }
    if (clearance(proposed, points, nearest) >= fairShare) return proposed;
    // Candidates half-way from each locus to its nearest neighbour, and
    // round it in eight directions; the one nearest the centroid among the
    // clearest wins.
    std::vector<Complex> candidates;
    for (size_t k = 0; k < points.size(); ++k) {
        size_t neighbour = k;
        for (size_t j = 0; j < points.size(); ++j)
            if (j != k && modulus(points[k] - points[j]) <= nearest[k]) neighbour = j;
        if (neighbour != k) candidates.push_back((points[k] + points[neighbour]) * Complex(0.5, 0.0));
        for (int q = 0; q < 8; ++q) {
            const double a = q * 0.7853981633974483;
            candidates.push_back(points[k] + Complex(0.5 * nearest[k] * std::cos(a), 0.5 * nearest[k] * std::sin(a)));
        }
    }
    double best = 0.0;
    for (Complex b : candidates) best = std::max(best, clearance(b, points, nearest));
    const double enough = std::min(fairShare, best);
    Complex chosen = proposed;
    double chosenDistance = std::numeric_limits<double>::infinity();
    for (Complex b : candidates) {
        if (clearance(b, points, nearest) < enough) continue;
        const double d = modulus(b - c);
        if (d < chosenDistance) {
            chosenDistance = d;
            chosen = b;
        }
    }
    return chosen;
}

}  // namespace quorvel
