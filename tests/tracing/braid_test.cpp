#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/points.h"
#include "support/recording_errors.h"
#include "tracing/braid.h"
#include "tracing/traces.h"

namespace quorvel {
namespace {

constexpr double pi = 3.141592653589793;

OwnedPolynomial pointList(const std::vector<Complex> &values) {
    PointList list = nullptr;
    for (Complex v : values) appendPoint(list, v);
    return OwnedPolynomial(list);
}

BraidWord wordOf(std::initializer_list<int> generators) {
    BraidWord w;
    for (int g : generators) appendGenerator(w, g);
    return w;
}

class BraidTest : public testing::EngineTest {};

// ---- word reduction and text ----------------------------------------------

struct ReductionCase {
    std::vector<int> input;
    std::vector<int32_t> expected;
};

TEST_F(BraidTest, ReductionCancelsAcrossCommutingLettersAndRewritesRelations) {
    const std::vector<ReductionCase> cases = {
        {{1, -1}, {}},
        {{1, 3, -1}, {3}},
        {{1, 3, 5, -3, -1}, {5}},
        {{2, 1, -2}, {2, 1, -2}},  // 1 does not commute with 2
        {{1, -2, -1}, {-2, -1, 2}},
        {{2, 1, 2}, {2, 1, 2}},
        {{1, 2, 1}, {2, 1, 2}},
        {{1, 2, -1}, {-2, 1, 2}},
        {{-1, 2, 1}, {2, 1, -2}},
        {{-1, -2, 1}, {2, -1, -2}},
        {{-1, -2, -1}, {-2, -1, -2}},
        {{3, 4, 3}, {4, 3, 4}},
        {{5, 2, 3, 2}, {5, 3, 2, 3}},
        {{1, 2, 1, -2}, {2, 1}},
    };
    for (const auto &c : cases) {
        BraidWord w;
        for (int g : c.input) appendGenerator(w, g);
        reduceBraidWord(w);
        EXPECT_EQ(w.generators(), c.expected) << ::testing::PrintToString(c.input);
    }
}

TEST_F(BraidTest, ReducingAfterEveryAppendEmptiesAWordAndItsInverse) {
    BraidWord w;
    for (int g : {1, 2, 3, -3, -2, -1}) {
        appendGenerator(w, g);
        reduceBraidWord(w);
    }
    EXPECT_EQ(w.count(), 0);
    EXPECT_EQ(w[0], 0);
    EXPECT_EQ(formatBraidWord(w), "NULL");

    BraidWord v;
    appendGenerator(v, 1);
    reduceBraidWord(v);
    appendGenerator(v, -1);
    reduceBraidWord(v);
    EXPECT_EQ(formatBraidWord(v), "NULL");
}

TEST_F(BraidTest, WordTextIsSignedNumbersWithCommas) {
    EXPECT_EQ(formatBraidWord(BraidWord()), "NULL");
    EXPECT_EQ(formatBraidWord(wordOf({1, -2, 1})), "+1,-2,+1,");
    EXPECT_EQ(formatBraidWord(wordOf({12})), "+12,");
    EXPECT_EQ(formatBraidWord(wordOf({-123, 0, 4})), "-123,+4,");
}

TEST_F(BraidTest, WordGrowsBy256SlotsAndKeepsItsEntries) {
    BraidWord w;
    EXPECT_EQ(w.capacity(), 256);
    for (int i = 1; i <= 255; ++i) appendGenerator(w, i);
    EXPECT_EQ(w.count(), 255);
    EXPECT_EQ(w.capacity(), 256);
    EXPECT_EQ(appendGenerator(w, 256), 256);
    EXPECT_EQ(w.capacity(), 512);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(w[i], i + 1);
    EXPECT_EQ(w[-1], 0);
    EXPECT_EQ(w[256], 0);
    EXPECT_EQ(w[512], 0);

    w.clear();
    EXPECT_EQ(w.count(), 0);
    EXPECT_EQ(w.capacity(), 512);
    EXPECT_EQ(w[0], 0);
    EXPECT_EQ(appendGenerator(w, -7), 1);
    EXPECT_EQ(w[0], -7);
}

// ---- matrices ------------------------------------------------------------------

TEST_F(BraidTest, SwapsExchangeRowsOrColumnsAndIgnoreBadIndices) {
    auto m = newMatrix(3, 3);
    ASSERT_TRUE(m);
    for (int i = 0; i < 9; ++i) m->entries[i] = i;
    const std::vector<int32_t> original = m->entries;

    swapRows(*m, 0, 2);
    EXPECT_EQ(m->entries, (std::vector<int32_t>{6, 7, 8, 3, 4, 5, 0, 1, 2}));
    swapColumns(*m, 2, 1);
    EXPECT_EQ(m->entries, (std::vector<int32_t>{6, 8, 7, 3, 5, 4, 0, 2, 1}));

    m->entries = original;
    for (auto [a, b] : std::vector<std::pair<int, int>>{{-1, 0}, {0, 3}, {3, 0}, {1, 1}}) {
        swapRows(*m, a, b);
        swapColumns(*m, a, b);
        EXPECT_EQ(m->entries, original) << a << "," << b;
    }
}

TEST_F(BraidTest, NewMatrixIsClearedOrReportsLackOfMemory) {
    auto m = newMatrix(2, 3);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->rows, 2);
    EXPECT_EQ(m->cols, 3);
    EXPECT_EQ(m->entries, std::vector<int32_t>(6, 0));
    EXPECT_TRUE(recorder.errors.empty());

    EXPECT_FALSE(newMatrix(-1, 4));
    const long long old = setMatrixEntryLimit(8);
    EXPECT_TRUE(newMatrix(2, 4));
    EXPECT_FALSE(newMatrix(3, 3));
    setMatrixEntryLimit(old);
    ASSERT_EQ(recorder.errors.size(), 2u);
    EXPECT_EQ(recorder.errors[1].message, "malloc failed at NewMatrix.");
    EXPECT_EQ(recorder.errors[1].remedy, "Lack of memory");
}

TEST_F(BraidTest, NextGeneratorNeedsASquareMatrixOfTwoOrMore) {
    auto one = newMatrix(1, 1);
    EXPECT_EQ(nextGenerator(*one), 0);
    auto wide = newMatrix(2, 3);
    wide->at(1, 0) = 1;
    wide->at(0, 1) = -1;
    EXPECT_EQ(nextGenerator(*wide), 0);
}

// ---- crossings of one step -----------------------------------------------------

std::vector<int> generatorsOf(CrossingMatrix &m) {
    std::vector<int> out;
    for (int g = nextGenerator(m); g != 0; g = nextGenerator(m)) out.push_back(g);
    return out;
}

TEST_F(BraidTest, ThreeCrossingsInOneStepComeOutInTimeOrder) {
    // a: 0 -> 10, b: 1-i -> 6-i, c: 5+i stays. a meets b at 0.2 passing
    // above it, then meets c at 0.5 below it, and b meets c at 0.8 below it.
    auto previous = pointList({Complex(5, 1), Complex(0, 0), Complex(1, -1)});
    auto current = pointList({Complex(5, 1), Complex(10, 0), Complex(6, -1)});
    auto m = newMatrix(3, 3);
    crossingMatrix(previous.get(), current.get(), *m);
    // Strands in start order a, b, c.
    EXPECT_EQ(m->entries, (std::vector<int32_t>{0, -1, 2, 1, 0, 3, -2, -3, 0}));
    EXPECT_EQ(generatorsOf(*m), (std::vector<int>{-1, 2, 1}));
    EXPECT_EQ(m->entries, std::vector<int32_t>(9, 0));
}

TEST_F(BraidTest, CrossingsAtTheSameTimeShareARank) {
    // Pairs (0,1) and (2,3) cross at 0.5, the second 0.000025 earlier.
    auto previous = pointList({Complex(0, 0), Complex(1, 0), Complex(10, 0), Complex(11, 0)});
    auto current = pointList({Complex(1, 0), Complex(0, 0), Complex(11.0001, 0), Complex(10, 0)});
    auto m = newMatrix(4, 4);
    crossingMatrix(previous.get(), current.get(), *m);
    EXPECT_EQ(m->at(0, 1), 1);
    EXPECT_EQ(m->at(2, 3), 1);
    EXPECT_EQ(m->at(1, 0), -1);
    EXPECT_EQ(generatorsOf(*m), (std::vector<int>{1, 3}));
}

TEST_F(BraidTest, CrossingAtTheStartIsDecidedByTheStartingHeights) {
    // Same real part at the start: the upper point comes first and the pair
    // crosses at once.
    auto previous = pointList({Complex(0, 1), Complex(0, -1)});
    auto current = pointList({Complex(1, 1), Complex(-1, -1)});
    auto m = newMatrix(2, 2);
    crossingMatrix(previous.get(), current.get(), *m);
    EXPECT_EQ(generatorsOf(*m), (std::vector<int>{-1}));
}

TEST_F(BraidTest, StepsWithoutCrossingsOrWithUnequalListsGiveNothing) {
    auto previous = pointList({Complex(0, 0), Complex(1, 0), Complex(2, 5)});
    auto parallel = pointList({Complex(0.5, 1), Complex(1.5, 1), Complex(2.5, 6)});
    auto shorter = pointList({Complex(1, 0), Complex(0, 0)});
    BraidWord w;
    EXPECT_EQ(tracerBraidStep(previous.get(), parallel.get(), w), 0);

    auto m = newMatrix(3, 3);
    crossingMatrix(shorter.get(), previous.get(), *m);
    EXPECT_EQ(m->entries, std::vector<int32_t>(9, 0));
    EXPECT_EQ(nextGenerator(*m), 0);
    EXPECT_EQ(tracerBraidStep(shorter.get(), previous.get(), w), 0);
    EXPECT_EQ(tracerBraidStep(nullptr, nullptr, w), 0);
    EXPECT_EQ(w.count(), 0);
}

// Two points at -1 and +1 turning half round their midpoint in `steps` steps;
// a positive turn is counter-clockwise.
BraidWord halfTurn(double direction, int steps) {
    BraidWord w;
    for (int k = 0; k < steps; ++k) {
        const double a0 = direction * pi * k / steps;
        const double a1 = direction * pi * (k + 1) / steps;
        auto previous = pointList({Complex(-std::cos(a0), -std::sin(a0)), Complex(std::cos(a0), std::sin(a0))});
        auto current = pointList({Complex(-std::cos(a1), -std::sin(a1)), Complex(std::cos(a1), std::sin(a1))});
        tracerBraidStep(previous.get(), current.get(), w);
    }
    return w;
}

TEST_F(BraidTest, HalfTurnsGiveOneGeneratorSignedByTheTurn) {
    EXPECT_EQ(formatBraidWord(halfTurn(+1, 7)), "+1,");
    EXPECT_EQ(formatBraidWord(halfTurn(+1, 1)), "+1,");
    EXPECT_EQ(formatBraidWord(halfTurn(-1, 7)), "-1,");
}

TEST_F(BraidTest, StepIsSkippedWhenTheMatrixCannotBeMade) {
    auto previous = pointList({Complex(-1, 0), Complex(1, 0)});
    auto current = pointList({Complex(1, -0.5), Complex(-1, 0.5)});
    BraidWord w = wordOf({3});
    const long long old = setMatrixEntryLimit(3);
    EXPECT_EQ(tracerBraidStep(previous.get(), current.get(), w), 0);
    setMatrixEntryLimit(old);
    EXPECT_EQ(w.generators(), std::vector<int32_t>{3});
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_EQ(recorder.errors[0].message, "malloc failed at NewMatrix.");

    EXPECT_EQ(tracerBraidStep(previous.get(), current.get(), w), 1);
    EXPECT_EQ(w.generators(), (std::vector<int32_t>{3, 1}));
}

// ---- permutation -------------------------------------------------------------

class PermutationTest : public BraidTest {
protected:
    // A solution trace whose first step holds `first` and last step `last`,
    // with one step in between.
    TraceRecord *trace(const std::vector<Complex> &first, const std::vector<Complex> &last) {
        auto a = pointList(first);
        numberPoints(a.get(), 0);
        traces.resetSolutionTrace(pool, a.get());
        traces.appendSolutionStep(pool, a.get());
        auto b = pointList(last);
        numberPoints(b.get(), 0);
        traces.appendSolutionStep(pool, b.get());
        return traces.solutionTrace;
    }
    OwnedPolynomial namedFiber(std::initializer_list<const char *> names) {
        PointList fiber = nullptr;
        for (size_t i = 0; i < names.size(); ++i) appendPoint(fiber, Complex(static_cast<int>(i), 0));
        numberPoints(fiber, 0);
        Term *p = fiber;
        for (const char *name : names) {
            setPointName(p, name);
            p = p->next;
        }
        return OwnedPolynomial(fiber);
    }
    TracePool pool;
    Traces traces;
};

TEST_F(PermutationTest, ExchangeOfTwoPointsReadsAsCycles) {
    TraceRecord *t = trace({Complex(1, 0), Complex(2, 0), Complex(3, 0)},
                           {Complex(2, 0.00009), Complex(1, 0), Complex(3, 0)});
    const auto p = computePermutation(t, 3, 3);
    EXPECT_EQ(p, (std::vector<int>{1, 0, 2, -1}));
    auto fiber = namedFiber({"A", "B", "C"});
    EXPECT_EQ(formatPermutation(p, fiber.get()), "A->B->A,C->C,");
}

TEST_F(PermutationTest, EntryJHoldsTheStartIndexOfTheJthEndPoint) {
    TraceRecord *t = trace({Complex(1, 0), Complex(2, 0), Complex(3, 0)},
                           {Complex(3, 0), Complex(1, 0), Complex(2, 0)});
    const auto p = computePermutation(t, 3, 3);
    EXPECT_EQ(p, (std::vector<int>{2, 0, 1, -1}));
    auto fiber = namedFiber({"A", "B", "C"});
    EXPECT_EQ(formatPermutation(p, fiber.get()), "A->C->B->A,");
}

TEST_F(PermutationTest, UnmatchedEndPointIsMarkedAndShownAsUnknown) {
    TraceRecord *t = trace({Complex(1, 0), Complex(2, 0), Complex(3, 0)},
                           {Complex(2, 0), Complex(1, 0), Complex(3, 0.0001)});
    const auto p = computePermutation(t, 3, 3);
    EXPECT_EQ(p, (std::vector<int>{1, 0, unmatchedEntry, -1}));
    auto fiber = namedFiber({"A", "B", "C"});
    EXPECT_EQ(formatPermutation(p, fiber.get()), "A->B->A,C->?,");

    // No trace at all: every entry is unmatched.
    EXPECT_EQ(computePermutation(nullptr, 0, 2), (std::vector<int>{unmatchedEntry, unmatchedEntry, -1}));
}

TEST_F(PermutationTest, PermutationIsSizedToTheFiber) {
    std::vector<Complex> values;
    for (int i = 0; i < 300; ++i) values.push_back(Complex(i, i % 7));
    TraceRecord *t = trace(values, values);
    const auto p = computePermutation(t, countSteps(t), 300);
    ASSERT_EQ(p.size(), 301u);
    for (int j = 0; j < 300; ++j) ASSERT_EQ(p[j], j);
    EXPECT_EQ(p[300], -1);
}

TEST_F(PermutationTest, TextStaysInsideThePermutation) {
    auto fiber = namedFiber({"A", "B"});
    struct Case {
        std::vector<int> permutation;
        std::string text;
    };
    const std::vector<Case> cases = {
        {{5, 0, -1}, "A->?,B->A,"},
        {{1, 1, -1}, "A->B->B,"},
        {{0, 1}, "A->A,"},  // no terminator: the first entry only
        {{}, ""},
        {{0, 1, 2, -1}, "A->A,B->B,2->2,"},  // no fiber point numbered 2
        {{-1}, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatPermutation(c.permutation, fiber.get()), c.text)
            << ::testing::PrintToString(c.permutation);
}

// The word problem: a word and its reduction are one braid, as are the two
// sides of every relation; a letter more or a relation read wrongly is not.
TEST(Braid, SameBraidDecidesTheWordProblem) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> letter(-5, 5);
    for (int k = 0; k < 40; ++k) {
        BraidWord w;
        std::vector<int32_t> raw;
        for (int j = 0; j < 30; ++j) {
            const int g = letter(rng);
            if (g == 0) continue;
            raw.push_back(g);
            appendGenerator(w, g);
            reduceBraidWord(w);
        }
        EXPECT_TRUE(sameBraid(raw, w.generators())) << ::testing::PrintToString(raw);
        std::vector<int32_t> more = raw;
        more.push_back(3);
        EXPECT_FALSE(sameBraid(more, w.generators())) << ::testing::PrintToString(raw);
    }
    const struct {
        std::vector<int32_t> a, b;
        bool same;
    } rows[] = {
        {{1, 2, 1}, {2, 1, 2}, true},     {{1, 3}, {3, 1}, true},   {{1, -1, 2}, {2}, true},
        {{1, 2}, {2, 1}, false},          {{1}, {-1}, false},       {{1, 2, 1}, {2, 1, -2}, false},
    };
    for (const auto &r : rows) EXPECT_EQ(sameBraid(r.a, r.b), r.same) << ::testing::PrintToString(r.a);
}

}  // namespace
}  // namespace quorvel
