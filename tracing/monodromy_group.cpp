#include "tracing/monodromy_group.h"

#include <algorithm>
#include <numeric>

namespace quorvel {

Permutation thenApply(const Permutation &a, const Permutation &b) {
    Permutation out(a.size());
    for (size_t i = 0; i < a.size(); ++i) out[i] = b[static_cast<size_t>(a[i])];
    return out;
}

Permutation inverseOf(const Permutation &p) {
    Permutation out(p.size());
    for (size_t i = 0; i < p.size(); ++i) out[static_cast<size_t>(p[i])] = static_cast<int>(i);
    return out;
}

bool isIdentity(const Permutation &p) {
    for (size_t i = 0; i < p.size(); ++i)
        if (p[i] != static_cast<int>(i)) return false;
    return true;
}

bool isPermutation(const Permutation &p, int n) {
    if (static_cast<int>(p.size()) != n) return false;
    std::vector<bool> seen(static_cast<size_t>(n), false);
    for (int v : p) {
        if (v < 0 || v >= n || seen[static_cast<size_t>(v)]) return false;
        seen[static_cast<size_t>(v)] = true;
    }
    return true;
}

int cycleCount(const Permutation &p) {
    std::vector<bool> seen(p.size(), false);
    int cycles = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        if (seen[i]) continue;
        ++cycles;
        for (size_t j = i; !seen[j]; j = static_cast<size_t>(p[j])) seen[j] = true;
    }
    return cycles;
}

namespace {

// A decimal number as its digits, least significant first.
class Decimal {
public:
    Decimal() : digits_{1} {}
    void multiply(long long factor) {
        long long carry = 0;
        for (int &d : digits_) {
            const long long v = d * factor + carry;
            d = static_cast<int>(v % 10);
            carry = v / 10;
        }
        for (; carry > 0; carry /= 10) digits_.push_back(static_cast<int>(carry % 10));
    }
    std::string text() const {
        std::string out;
        for (auto it = digits_.rbegin(); it != digits_.rend(); ++it) out += static_cast<char>('0' + *it);
        return out;
    }

private:
    std::vector<int> digits_;
};

int find(std::vector<int> &parent, int i) {
    while (parent[static_cast<size_t>(i)] != i) i = parent[static_cast<size_t>(i)] = parent[static_cast<size_t>(parent[static_cast<size_t>(i)])];
    return i;
}

bool isTransposition(const Permutation &p) {
    int moved = 0;
    for (size_t i = 0; i < p.size(); ++i) moved += p[i] != static_cast<int>(i);
    return moved == 2;
}

// One level of a stabiliser chain: a base point, the generators of the
// level's group, and for every point of the base point's orbit an element
// taking the base point there.
struct Level {
    int base = 0;
    std::vector<Permutation> generators;
    std::vector<Permutation> transversal;  // empty where the point is not in the orbit
    std::vector<int> orbit;
};

class StabiliserChain {
public:
    explicit StabiliserChain(int n) : n_(n) {}

    void add(const Permutation &g) {
        if (isIdentity(g)) return;
        if (levels_.empty()) newLevel(g);
        extend(0, g);
    }

    Decimal order() const {
        Decimal d;
        for (const Level &l : levels_) d.multiply(static_cast<long long>(l.orbit.size()));
        return d;
    }

private:
    void newLevel(const Permutation &moving) {
        Level l;
        for (int i = 0; i < n_; ++i)
            if (moving[static_cast<size_t>(i)] != i) {
                l.base = i;
                break;
            }
        l.transversal.assign(static_cast<size_t>(n_), Permutation());
        Permutation identity(static_cast<size_t>(n_));
        std::iota(identity.begin(), identity.end(), 0);
        l.transversal[static_cast<size_t>(l.base)] = identity;
        l.orbit = {l.base};
        levels_.push_back(std::move(l));
    }

    // Strips g through the levels from `from` on; returns the residue and
    // the level where it stopped (levels_.size() when it went through).
    size_t sift(Permutation &g, size_t from) const {
        for (size_t i = from; i < levels_.size(); ++i) {
            const Level &l = levels_[i];
            const int image = g[static_cast<size_t>(l.base)];
            const Permutation &u = l.transversal[static_cast<size_t>(image)];
            if (u.empty()) return i;
            g = thenApply(g, inverseOf(u));
        }
        return levels_.size();
    }

    // Adds g to the generators of level i and closes the chain again.
    void extend(size_t i, const Permutation &g) {
        levels_[i].generators.push_back(g);
        // Grow the orbit with every generator, old points with the new
        // generator and new points with all of them.
        std::vector<int> work = levels_[i].orbit;
        size_t oldSize = levels_[i].orbit.size();
        for (size_t k = 0; k < work.size(); ++k) {
            const int point = work[k];
            const bool isNew = k >= oldSize;
            const std::vector<Permutation> gens = levels_[i].generators;
            for (size_t s = isNew ? 0 : gens.size() - 1; s < gens.size(); ++s) {
                const int image = gens[s][static_cast<size_t>(point)];
                Permutation &slot = levels_[i].transversal[static_cast<size_t>(image)];
                if (!slot.empty()) continue;
                slot = thenApply(levels_[i].transversal[static_cast<size_t>(point)], gens[s]);
                levels_[i].orbit.push_back(image);
                work.push_back(image);
            }
        }
        // Schreier generators u_p s u_{s(p)}^-1 fix the base point; each must
        // lie in the next level's group.
        for (size_t k = 0; k < levels_[i].orbit.size(); ++k) {
            const int point = levels_[i].orbit[k];
            for (size_t s = 0; s < levels_[i].generators.size(); ++s) {
                const Permutation gen = levels_[i].generators[s];
                const int image = gen[static_cast<size_t>(point)];
                Permutation h = thenApply(thenApply(levels_[i].transversal[static_cast<size_t>(point)], gen),
                                          inverseOf(levels_[i].transversal[static_cast<size_t>(image)]));
                const size_t stop = sift(h, i + 1);
                if (isIdentity(h)) continue;
                if (stop == levels_.size()) newLevel(h);
                // h fixes the base points above `stop`, so it belongs to the
                // groups of every level between: each takes it, deepest
                // first, so the shallower ones sift through whole levels.
                for (size_t l = stop; l > i; --l) extend(l, h);
            }
        }
    }

    int n_;
    std::vector<Level> levels_;
};

}  // namespace

std::vector<std::vector<int>> orbitsOf(int n, const std::vector<Permutation> &generators) {
    std::vector<int> parent(static_cast<size_t>(n));
    std::iota(parent.begin(), parent.end(), 0);
    for (const Permutation &g : generators)
        for (int i = 0; i < n; ++i) {
            const int a = find(parent, i), b = find(parent, g[static_cast<size_t>(i)]);
            if (a != b) parent[static_cast<size_t>(std::max(a, b))] = std::min(a, b);
        }
    std::vector<std::vector<int>> byRoot(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) byRoot[static_cast<size_t>(find(parent, i))].push_back(i);
    std::vector<std::vector<int>> out;
    for (auto &o : byRoot)
        if (!o.empty()) out.push_back(std::move(o));
    return out;
}

std::string groupOrder(int n, const std::vector<Permutation> &generators) {
    if (std::all_of(generators.begin(), generators.end(),
                    [](const Permutation &g) { return isIdentity(g) || isTransposition(g); })) {
        // Transpositions generate the symmetric group of each component of
        // their graph.
        Decimal d;
        for (const std::vector<int> &orbit : orbitsOf(n, generators))
            for (long long k = 2; k <= static_cast<long long>(orbit.size()); ++k) d.multiply(k);
        return d.text();
    }
    StabiliserChain chain(n);
    for (const Permutation &g : generators) chain.add(g);
    return chain.order().text();
}

MonodromySummary summarizeMonodromy(int n, const std::vector<Permutation> &local,
                                    const Permutation &enclosing) {
    MonodromySummary out;
    std::vector<Permutation> whole;
    bool complete = isPermutation(enclosing, n);
    for (const Permutation &p : local) {
        if (isPermutation(p, n))
            whole.push_back(p);
        else
            complete = false;
    }
    out.order = groupOrder(n, whole);
    out.orbits = orbitsOf(n, whole);
    out.transitive = out.orbits.size() == 1;
    if (!complete) return out;

    Permutation product(static_cast<size_t>(n));
    std::iota(product.begin(), product.end(), 0);
    for (const Permutation &p : local) product = thenApply(product, p);
    out.productCheck = product == inverseOf(enclosing);

    // The genus counts on the loops being right: only when they compose.
    if (out.transitive && out.productCheck) {
        // The loop around all loci, reversed, is the loop around infinity.
        int ramification = n - cycleCount(enclosing);
        for (const Permutation &p : local) ramification += n - cycleCount(p);
        const int twiceGenus = ramification - 2 * n + 2;
        if (twiceGenus >= 0 && twiceGenus % 2 == 0) out.genus = twiceGenus / 2;
    }
    return out;
}

}  // namespace quorvel
