#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <vector>
#include <random>
#include <tuple>

#include "engine/polynomial.h"
#include "support/poly_helpers.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

using testing::poly;
using testing::text;

class PolynomialTest : public testing::EngineTest {};

TEST_F(PolynomialTest, AddingTheNegationLeavesTheZeroPolynomial) {
    auto a = poly("x^2*t - 3*x + 2i");
    OwnedPolynomial n(negatedCopy(a.get()));
    addPolynomial(a.ref(), n.get());
    ASSERT_TRUE(isZeroPolynomial(a.get()));
    EXPECT_EQ(a.get()->exp[0], 0);
    EXPECT_EQ(std::string(a.get()->var, 3), "???");
}

TEST_F(PolynomialTest, InsertingIntoZeroOverwritesTheSingleRecord) {
    OwnedPolynomial z(newZero());
    const int before = termPool().usedCount();
    OwnedPolynomial t(newTerm(2.0, 0.0, 3, 0, 0, {'x', '?', '?'}));
    insertTerm(z.get(), t.get());
    EXPECT_EQ(termPool().usedCount(), before + 1);  // only the term itself
    EXPECT_EQ(countTerms(z.get()), 1);
    EXPECT_EQ(text(z.get()), "+2*x^3");
}

TEST_F(PolynomialTest, EqualMonomialsAddAndExactCancellationRemoves) {
    auto a = poly("x^2 + x");
    auto b = poly("x^2 - x");
    addPolynomial(a.ref(), b.get());
    EXPECT_EQ(text(a.get()), "+2*x^2");

    auto c = poly("0.1*x + 1");
    OwnedPolynomial nearly(newTerm(-0.1 * (1 + 1e-15), 0.0, 1, 0, 0, {'x', 't', '?'}));
    addPolynomial(c.ref(), nearly.get());
    EXPECT_EQ(countTerms(c.get()), 2);  // a tiny coefficient stays
}

TEST_F(PolynomialTest, MultiplicationByZeroAndExpansion) {
    auto a = poly("x + t + 1");
    OwnedPolynomial z(newZero());
    OwnedPolynomial p(multiplyPolynomials(a.get(), z.get()));
    EXPECT_TRUE(isZeroPolynomial(p.get()));
    OwnedPolynomial sq(multiplyPolynomials(a.get(), a.get()));
    EXPECT_EQ(text(sq.get()), "+x^2+2*x*t+2*x+t^2+2*t+1");
}

TEST_F(PolynomialTest, QuotientDropsTheRemainder) {
    auto a = poly("x^2 - 1", {'x', '?', '?'});
    auto b = poly("x - 1", {'x', '?', '?'});
    OwnedPolynomial q(quotient(a.get(), b.get()));
    EXPECT_EQ(text(q.get()), "+x+1");
    auto c = poly("x^2 + 1", {'x', '?', '?'});
    OwnedPolynomial q2(quotient(c.get(), b.get()));
    EXPECT_EQ(text(q2.get()), "+x+1");
}

TEST_F(PolynomialTest, QuotientTerminatesWhenRoundingWouldKeepTheLeadingTerm) {
    auto a = poly("0.1*x^3 + 0.3*x*t + 0.7i + (0.3+0.7i)*x^2", {'x', 't', '?'});
    auto b = poly("(0.3+0.1i)*x + 0.7 - 0.2i*t", {'x', 't', '?'});
    OwnedPolynomial q(quotient(a.get(), b.get()));
    // A - Q*B is the remainder: no term divisible by x may be left.
    OwnedPolynomial qb(multiplyPolynomials(q.get(), b.get()));
    OwnedPolynomial r(copyPolynomial(a.get()));
    OwnedPolynomial nqb(negatedCopy(qb.get()));
    addPolynomial(r.ref(), nqb.get());
    EXPECT_EQ(degree(q.get()), 2);
    Term *h = highestTerm(r.get());
    EXPECT_TRUE(h->exp[0] == 0 || std::abs(h->coef.re) + std::abs(h->coef.im) < 1e-12);
}

TEST_F(PolynomialTest, QuotientByZeroIsRefused) {
    auto a = poly("x + 1");
    OwnedPolynomial z(newZero());
    const int before = termPool().usedCount();
    EXPECT_THROW(OwnedPolynomial(quotient(a.get(), z.get())), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "Division by the zero polynomial.");
    EXPECT_EQ(termPool().usedCount(), before);
}

TEST_F(PolynomialTest, HighestTermAndDegrees) {
    auto p = poly("x^2*t + x^2*t^3 + x*t^5 + 3");
    Term *h = highestTerm(p.get());
    EXPECT_EQ(h->exp[0], 2);
    EXPECT_EQ(h->exp[1], 3);
    EXPECT_EQ(degree(p.get()), 2);
    EXPECT_EQ(lowestDegree(p.get()), 0);
    auto q = poly("x^3 + x^2");
    EXPECT_EQ(lowestDegree(q.get()), 2);
}

TEST_F(PolynomialTest, CollectAndRelabelMoveExponentsBetweenSlots) {
    auto p = poly("t^2*x", {'?', '?', '?'});  // t in slot 0, x in slot 1
    Letters l = unsetLetters;
    EXPECT_EQ(collectLetters(p.get(), l, 0), 2);
    EXPECT_EQ(l, (Letters{'t', 'x', '?'}));
    relabel(p.get(), {'x', 't', '?'});
    EXPECT_EQ(p.get()->exp[0], 1);
    EXPECT_EQ(p.get()->exp[1], 2);
    EXPECT_EQ(text(p.get()), "+x*t^2");
}

TEST_F(PolynomialTest, RemovingAMissingMonomialChangesNothing) {
    auto p = poly("x^2 + x + 1");
    OwnedPolynomial missing(newTerm(1.0, 0.0, 5, 0, 0, {'x', 't', '?'}));
    removeTerm(p.ref(), missing.get());
    EXPECT_EQ(text(p.get()), "+x^2+x+1");
    OwnedPolynomial middle(newTerm(1.0, 0.0, 1, 0, 0, {'x', 't', '?'}));
    removeTerm(p.ref(), middle.get());
    EXPECT_EQ(text(p.get()), "+x^2+1");
}

TEST_F(PolynomialTest, RandomEditsKeepOrderHeightsAndContent) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> e(0, 6);
    std::uniform_int_distribution<int> c(-3, 3);
    std::map<std::tuple<int, int>, double> reference;
    OwnedPolynomial p(newZero({'x', 't', '?'}));
    for (int step = 0; step < 3000; ++step) {
        const int e0 = e(rng);
        const int e1 = e(rng);
        const double v = c(rng);
        OwnedPolynomial t(newTerm(v, 0.0, e0, e1, 0, {'x', 't', '?'}));
        addPolynomial(p.ref(), t.get());
        reference[{e0, e1}] += v;
        ASSERT_TRUE(heightsConsistent(p.get())) << "step " << step;
    }
    int nonZero = 0;
    for (const auto &[key, v] : reference) {
        if (v != 0.0) ++nonZero;
    }
    EXPECT_EQ(countTerms(p.get()), nonZero == 0 ? 1 : nonZero);
    // In-order walk is strictly increasing.
    std::vector<const Term *> order;
    std::function<void(const Term *)> walk = [&](const Term *t) {
        if (!t) return;
        walk(t->left);
        order.push_back(t);
        walk(t->next);
    };
    walk(p.get());
    for (size_t i = 1; i < order.size(); ++i) EXPECT_EQ(compareTerms(order[i - 1], order[i]), 1);
    for (const Term *t : order) {
        EXPECT_DOUBLE_EQ(t->coef.re, (reference[{t->exp[0], t->exp[1]}]));
    }
    // Balanced enough: far below the number of terms.
    EXPECT_LT(height(p.get()), 16);
}

TEST_F(PolynomialTest, PoolExhaustionIsReportedAndLeavesNothingBehind) {
    auto a = poly("x + t + 1");
    const int before = termPool().usedCount();
    OwnedPolynomial acc(copyPolynomial(a.get()));
    EXPECT_THROW(
        {
            for (int k = 0; k < 200; ++k) acc.reset(multiplyPolynomials(acc.get(), a.get()));
        },
        ComputationAbandoned);
    ASSERT_FALSE(recorder.errors.empty());
    EXPECT_EQ(recorder.errors.back().message, "Memory allocation failed.\n");
    EXPECT_EQ(recorder.errors.back().remedy, breakLines(termPoolRemedy));
    acc.reset();
    EXPECT_EQ(termPool().usedCount(), before);
    // Later computations still work.
    OwnedPolynomial sq(multiplyPolynomials(a.get(), a.get()));
    EXPECT_EQ(countTerms(sq.get()), 6);
}

TEST_F(PolynomialTest, ExponentOverflowIsRefusedInProducts) {
    OwnedPolynomial big(newTerm(1.0, 0.0, 2000000000, 0, 0, {'x', '?', '?'}));
    EXPECT_THROW(OwnedPolynomial(multiplyPolynomials(big.get(), big.get())), ComputationAbandoned);
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "An exponent is too large.");
}

}  // namespace
}  // namespace quorvel
