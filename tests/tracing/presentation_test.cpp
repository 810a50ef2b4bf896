#include <gtest/gtest.h>

#include <vector>

#include "tracing/presentation.h"

namespace quorvel {
namespace {

// The images of every generator under a braid on n strands.
std::vector<FreeWord> images(const std::vector<int> &braid, int n) {
    std::vector<FreeWord> out;
    for (int j = 1; j <= n; ++j) out.push_back(actRight({j}, braid, n));
    return out;
}

TEST(PresentationTest, SigmaOneActsFromTheRight) {
    EXPECT_EQ(images({1}, 2), (std::vector<FreeWord>{{1, 2, -1}, {1}}));
    EXPECT_EQ(images({-1}, 2), (std::vector<FreeWord>{{2}, {-2, 1, 2}}));
    // Right action: w . (b1 b2) = (w . b1) . b2, so g1 . (s1 s2) is
    // (g1 g2 g1^-1) . s2 = g1 g2 g3 g2^-1 g1^-1.
    EXPECT_EQ(actRight({1}, {1, 2}, 3), (FreeWord{1, 2, 3, -2, -1}));
}

// What every braid does: equal braids act alike (the braid relations and
// b b^-1 = 1), the product g1 ... gn is fixed, and each generator goes to
// a conjugate of a generator (so its exponent sum stays 1).
TEST(PresentationTest, EveryBraidFixesTheProductAndRespectsTheBraidRelations) {
    struct Equal {
        std::vector<int> a, b;
        int n;
    };
    const std::vector<Equal> equal = {
        {{1, 2, 1}, {2, 1, 2}, 3},      {{2, 3, 2}, {3, 2, 3}, 4},   {{1, 3}, {3, 1}, 4},
        {{1, -1}, {}, 2},               {{-2, 1, 2}, {1, 2, -1}, 3}, {{1, 1, 1, -1, -1, -1}, {}, 2},
        {{-1, -2, -1}, {-2, -1, -2}, 3}};
    for (const Equal &e : equal) EXPECT_EQ(images(e.a, e.n), images(e.b, e.n));
    const std::vector<std::vector<int>> braids = {{1}, {-1}, {1, 1, 1}, {2, -1, 3, 3, -2}, {-3, -2, -1, 1, 4}};
    for (const std::vector<int> &b : braids) {
        const int n = 5;
        FreeWord product;
        for (const FreeWord &w : images(b, n)) product.insert(product.end(), w.begin(), w.end());
        EXPECT_EQ(freelyReduced(product), (FreeWord{1, 2, 3, 4, 5}));
        for (const FreeWord &w : images(b, n)) {
            ASSERT_EQ(w.size() % 2, 1u);
            const size_t mid = w.size() / 2;
            EXPECT_GT(w[mid], 0);
            EXPECT_EQ(FreeWord(w.begin() + static_cast<long>(mid) + 1, w.end()),
                      inverseWord(FreeWord(w.begin(), w.begin() + static_cast<long>(mid))));
        }
    }
}

TEST(PresentationTest, TrivialProductsAreRecognised) {
    EXPECT_EQ(composesToIdentity({{1, 2, -1, 3}, {-3, 1, -2, -1}}, 4, 1000), 1);
    EXPECT_EQ(composesToIdentity({{1, 2, 1}, {-2, -1, -2}}, 3, 1000), 1);
    EXPECT_EQ(composesToIdentity({{1, 2}, {-1, -2}}, 3, 1000), 0);
    EXPECT_EQ(composesToIdentity({{1, 1}}, 2, 1000), 0);
    EXPECT_EQ(composesToIdentity({{1, 2, 1, 2, 1, 2}, {-1, -2, -1, -2, -1, -2}}, 3, 3), -1);
}

TEST(PresentationTest, RelatorsAndTheirReadableForm) {
    // The cusp's braid s1^3 gives relators equivalent to g1 g2 g1 = g2 g1 g2;
    // a braid fixing a generator gives no relator for it.
    const std::vector<FreeWord> cusp = vanKampenRelators(2, {{1, 1, 1}});
    ASSERT_EQ(cusp.size(), 2u);
    EXPECT_EQ(cusp[1], cyclicallyReduced(FreeWord{-2, 1, 2, 1, -2, -1}));
    EXPECT_EQ(vanKampenRelators(3, {{1}}).size(), 2u);
    const std::vector<std::string> names = {"a", "b"};
    EXPECT_EQ(relationText({1, 2, 1, -2, -1, -2}, names, false), "a b a = b a b");
    EXPECT_EQ(relationText({1, 2, -1, -2}, names, true), "a b = b a");
    EXPECT_EQ(relationText({2, 1, -2, -1, -2, 1}, names, false), "a b a = b a b");
    EXPECT_EQ(wordText({}, names, false), "1");
    EXPECT_EQ(cyclicallyReduced({-1, 2, 1, 1, -1}), (FreeWord{2}));
}

}  // namespace
}  // namespace quorvel
