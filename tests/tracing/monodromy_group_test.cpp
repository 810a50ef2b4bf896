// The monodromy group: orders of groups with known orders, orbits, and the
// Riemann-Hurwitz summary of monodromies with known answers.
#include <gtest/gtest.h>

#include <numeric>

#include "tracing/monodromy_group.h"

namespace quorvel {
namespace {

Permutation cycle(int n, std::vector<int> points) {
    Permutation p(static_cast<size_t>(n));
    std::iota(p.begin(), p.end(), 0);
    for (size_t k = 0; k < points.size(); ++k)
        p[static_cast<size_t>(points[k])] = points[(k + 1) % points.size()];
    return p;
}

Permutation fullCycle(int n) {
    std::vector<int> all(static_cast<size_t>(n));
    std::iota(all.begin(), all.end(), 0);
    return cycle(n, all);
}

// n! by schoolbook multiplication, independent of the group code.
std::string factorial(int n) {
    std::vector<int> d = {1};
    for (int k = 2; k <= n; ++k) {
        int carry = 0;
        for (int &x : d) {
            const int v = x * k + carry;
            x = v % 10;
            carry = v / 10;
        }
        for (; carry; carry /= 10) d.push_back(carry % 10);
    }
    std::string s;
    for (auto it = d.rbegin(); it != d.rend(); ++it) s += static_cast<char>('0' + *it);
    return s;
}

TEST(MonodromyGroup, OrdersOfGroupsWithKnownOrders) {
    struct Row {
        const char *name;
        int n;
        std::vector<Permutation> generators;
        std::string order;
    } rows[] = {
        {"trivial", 4, {}, "1"},
        {"cyclic of order 7", 7, {fullCycle(7)}, "7"},
        {"dihedral of order 10", 5, {fullCycle(5), Permutation{0, 4, 3, 2, 1}}, "10"},
        {"alternating A5", 5, {cycle(5, {0, 1, 2}), fullCycle(5)}, "60"},
        {"symmetric S6 from a transposition and a 6-cycle", 6, {cycle(6, {0, 1}), fullCycle(6)}, "720"},
        {"symmetric S12, Schreier-Sims", 12, {cycle(12, {0, 1}), fullCycle(12)}, factorial(12)},
        {"Klein four", 4, {cycle(4, {0, 1}), cycle(4, {2, 3})}, "4"},
        {"two 3-cycles on disjoint points", 6, {cycle(6, {0, 1, 2}), cycle(6, {3, 4, 5})}, "9"},
    };
    for (const Row &row : rows) EXPECT_EQ(groupOrder(row.n, row.generators), row.order) << row.name;

    // The symmetric group on 100 points from adjacent transpositions.
    std::vector<Permutation> adjacent;
    for (int k = 0; k + 1 < 100; ++k) adjacent.push_back(cycle(100, {k, k + 1}));
    EXPECT_EQ(groupOrder(100, adjacent), factorial(100));
    // The same group from a transposition and a 20-cycle, without the
    // shortcut for transpositions.
    EXPECT_EQ(groupOrder(20, {cycle(20, {0, 1}), fullCycle(20)}), factorial(20));
}

TEST(MonodromyGroup, SummaryOfMonodromiesWithKnownAnswers) {
    const Permutation c3 = cycle(3, {0, 1, 2});
    const Permutation swap01 = cycle(3, {0, 1});
    const Permutation id3 = {0, 1, 2};
    const Permutation t2 = {1, 0};
    struct Row {
        const char *name;
        int n;
        std::vector<Permutation> local;
        Permutation enclosing;
        std::string order;
        size_t orbits;
        int genus;
    } rows[] = {
        // x^3 - t: a 3-cycle at 0 and its inverse at infinity.
        {"x^3-t", 3, {c3}, inverseOf(c3), "3", 1, 0},
        // x^2 - (t^2-1)(t^2-4): four simple branch points, none at infinity.
        {"elliptic, four branch points", 2, {t2, t2, t2, t2}, {0, 1}, "2", 1, 1},
        // x^3 + t^3 - 1: a 3-cycle at each cube root of 1, nothing at
        // infinity: a smooth plane cubic, genus 1.
        {"smooth cubic", 3, {c3, c3, c3}, id3, "3", 1, 1},
        // (x^2 - t)(x - 1): the square root moves, the line stays.
        {"two components", 3, {swap01, id3}, swap01, "2", 2, -1},
        // Three lines: nothing moves.
        {"three lines", 3, {id3, id3, id3}, id3, "1", 3, -1},
    };
    for (const Row &row : rows) {
        const MonodromySummary s = summarizeMonodromy(row.n, row.local, row.enclosing);
        EXPECT_EQ(s.order, row.order) << row.name;
        EXPECT_EQ(s.orbits.size(), row.orbits) << row.name;
        EXPECT_EQ(s.transitive, row.orbits == 1) << row.name;
        EXPECT_EQ(s.genus, row.genus) << row.name;
    }
    // The product check: the locals in order are undone by the enclosing
    // loop, and a wrong enclosing permutation is caught.
    EXPECT_TRUE(summarizeMonodromy(3, {c3, c3}, c3).productCheck);
    EXPECT_FALSE(summarizeMonodromy(3, {c3, c3}, inverseOf(c3)).productCheck);
    // A loop that lost a point leaves the genus and the check unknown.
    const MonodromySummary lost = summarizeMonodromy(3, {c3, {0, 0, 2}}, id3);
    EXPECT_EQ(lost.genus, -1);
    EXPECT_FALSE(lost.productCheck);
    EXPECT_EQ(lost.order, "3");
}

}  // namespace
}  // namespace quorvel
