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

void collectValues(const Term *t, std::vector<Complex> &out) {
    for (; live(t); t = t->next) {
        if (live(t->left)) collectValues(t->left, out);
        out.push_back(t->coef);
    }
}

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
    double m = std::numeric_limits<double>::infinity();
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
    double best = std::numeric_limits<double>::infinity();
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

PointList sortLexicographic(const Term *list) {
    return sortedCopy(
        list, [](Complex tree, Complex point) { return compareLexicographic(tree, point); }, false,
        false);
}

PointList sortAround(const Term *list, Complex centre) {
    // A point on the centre, as pointUnder has it for the closest pair.
    std::vector<Complex> values;
    collectValues(list, values);
    double closest = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < values.size(); ++k)
        for (size_t j = k + 1; j < values.size(); ++j)
            if (!sameValue(values[k], values[j])) closest = std::min(closest, modulus(values[k] - values[j]));
    const double near = std::isfinite(closest) ? onLocusFraction * closest : 0.0;
    return sortedCopy(
        list,
        [centre, near](Complex tree, Complex point) { return comparePolar(tree - centre, point - centre, near); },
        true, true,
        [centre](Complex tree, Complex point) { return exactPolarOrder(tree - centre, point - centre); });
}

namespace {

// The median of the values; the mean of the middle two for an even count.
double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 == 1 ? v[m] : (v[m - 1] + v[m]) / 2.0;
}

// Two lengths that differ by rounding only count as equal when the
// candidates for the base point are compared, so that a tie is decided by
// the order of the candidates at every scale.
constexpr double tieFraction = 1e-9;

}  // namespace

std::vector<Complex> distinctValues(const Term *list, const Term *more) {
    std::vector<Complex> all;
    collectValues(list, all);
    collectValues(more, all);
    std::vector<Complex> out;
    for (Complex z : all) {
        bool seen = false;
        for (Complex q : out) seen = seen || sameValue(z, q);
        if (!seen) out.push_back(z);
    }
    return out;
}

std::vector<double> nearestOtherDistances(const std::vector<Complex> &points) {
    std::vector<double> nearest(points.size(), std::numeric_limits<double>::infinity());
    for (size_t k = 0; k < points.size(); ++k)
        for (size_t j = 0; j < points.size(); ++j)
            if (j != k) nearest[k] = std::min(nearest[k], modulus(points[k] - points[j]));
    if (points.size() == 1) nearest[0] = isZero(points[0]) ? 1.0 : modulus(points[0]);
    return nearest;
}

int pointUnder(const std::vector<Complex> &points, Complex b) {
    const std::vector<double> nearest = nearestOtherDistances(points);
    for (size_t k = 0; k < points.size(); ++k)
        if (modulus(b - points[k]) <= onLocusFraction * nearest[k]) return static_cast<int>(k);
    return -1;
}

namespace {

// How much room the base point b has: the least, over the loci, of its
// distance from the locus in fairShare of the locus's distance to its
// nearest neighbour, and in spreadShare of the spread of the loci. 1 or
// more is enough room: every locus keeps a fair share of the room round it,
// and b keeps out of a tight cluster of loci, where the fiber over it would
// crowd too.
class Room {
public:
    Room(const std::vector<Complex> &points, const std::vector<double> &nearest, double spread)
        : points_(points), nearest_(nearest), spread_(spread) {}
    double at(Complex b) const {
        constexpr double fairShare = 0.4;
        constexpr double spreadShare = 0.1;
        double room = std::numeric_limits<double>::infinity();
        for (size_t k = 0; k < points_.size(); ++k) {
            const double d = modulus(b - points_[k]);
            room = std::min(room, d / (fairShare * nearest_[k]));
            if (spread_ > 0.0) room = std::min(room, d / (spreadShare * spread_));
        }
        return room;
    }

private:
    const std::vector<Complex> &points_;
    const std::vector<double> &nearest_;
    double spread_;
};

}  // namespace

Complex chooseBasePoint(const Term *loci, const Term *degenerate) {
    const std::vector<Complex> points = distinctValues(loci, degenerate);
    if (points.empty()) return Complex(0.0, 0.0);
    const std::vector<double> nearest = nearestOtherDistances(points);
    // The first choice: the coordinate-wise median, which an outlying locus
    // does not drag away from where the loci crowd. The spread of the loci
    // is their median distance from it.
    std::vector<double> re, im;
    for (Complex z : points) {
        re.push_back(z.re);
        im.push_back(z.im);
    }
    const Complex m(median(re), median(im));
    std::vector<double> away;
    for (Complex z : points) away.push_back(modulus(z - m));
    const Room room(points, nearest, points.size() > 1 ? median(away) : 0.0);
    if (room.at(m) >= 1.0) return m;
    // When the median lies on a locus: half-way to the next locus out, to
    // the right.
    size_t under = 0;
    for (size_t k = 1; k < points.size(); ++k)
        if (modulus(m - points[k]) / nearest[k] < modulus(m - points[under]) / nearest[under]) under = k;
    double next = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < points.size(); ++k)
        if (k != under) next = std::min(next, modulus(m - points[k]));
    const Complex right = addReal(m, (std::isfinite(next) ? next : nearest[under]) / 2.0);
    if (room.at(right) >= 1.0) return right;
    // Candidates half-way from each locus to its nearest neighbour, and
    // round each locus in eight directions at half that distance and at
    // half, a quarter, ... of the distance to the farthest locus; the one nearest
    // the median among those with room enough (or, when none has, with the
    // most room) wins.
    std::vector<Complex> candidates;
    for (size_t k = 0; k < points.size(); ++k) {
        double farthest = 0.0;
        bool halfway = false;
        for (size_t j = 0; j < points.size(); ++j) {
            const double d = modulus(points[k] - points[j]);
            farthest = std::max(farthest, d);
            if (!halfway && j != k && d <= nearest[k] * (1.0 + tieFraction)) {
                candidates.push_back((points[k] + points[j]) * Complex(0.5, 0.0));
                halfway = true;
            }
        }
        // The radii halve from the farthest locus down, so that they hang on
        // the large distances and not on the rounding of a tight cluster.
        std::vector<double> radii = {0.5 * nearest[k]};
        for (double r = 0.5 * farthest; r > 0.5 * nearest[k]; r /= 2.0) radii.push_back(r);
        for (double r : radii)
            for (int q = 0; q < 8; ++q) {
                const double a = q * 0.7853981633974483;
                candidates.push_back(points[k] + Complex(r * std::cos(a), r * std::sin(a)));
            }
    }
    std::vector<double> score;
    double best = 0.0;
    for (Complex b : candidates) {
        score.push_back(room.at(b));
        best = std::max(best, score.back());
    }
    const double enough = std::min(1.0, best) * (1.0 - tieFraction);
    Complex chosen = right;
    double chosenDistance = std::numeric_limits<double>::infinity();
    for (size_t c = 0; c < candidates.size(); ++c) {
        if (score[c] < enough) continue;
        const double d = modulus(candidates[c] - m);
        if (d < chosenDistance * (1.0 - tieFraction)) {
            chosenDistance = d;
            chosen = candidates[c];
        }
    }
    return chosen;
}

}  // namespace quorvel
