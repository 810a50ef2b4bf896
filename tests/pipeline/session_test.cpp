#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>
#include <string>

#include "engine/points.h"
#include "pipeline/session.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

class SessionTest : public ::testing::Test {
protected:
    testing::RecordingErrors recorder;
    Session session;

    bool go(const std::string &polynomial) {
        session.typePolynomial(polynomial);
        return session.runPipeline();
    }
};

TEST_F(SessionTest, GoOnTheSquareRootCurve) {
    ASSERT_TRUE(go("x^2-t"));
    const CurveState &s = session.state;
    EXPECT_EQ(s.stage, stageFiber);
    EXPECT_EQ(session.form.fiberLetter, "x");
    EXPECT_EQ(session.form.parameterLetter, "t");
    EXPECT_EQ(s.branchPolynomialText, "+t");
    EXPECT_EQ(session.form.branchPolynomial, "+t");
    ASSERT_EQ(session.form.branchLoci.size(), 1u);
    EXPECT_EQ(session.form.branchLoci.lines()[0], "+0.000000+0.000000i");
    // The centroid 0 lies on the locus, so the base point moves off it.
    EXPECT_DOUBLE_EQ(s.basePoint.re, 0.5);
    EXPECT_EQ(session.form.basePoint, "+0.500000+0.000000i");
    EXPECT_TRUE(session.form.fixBasePoint);
    ASSERT_EQ(countPoints(s.fiber.get()), 2);
    EXPECT_STREQ(pointName(findByNumber(s.fiber.get(), 0)), "1");
    EXPECT_STREQ(pointName(findByNumber(s.fiber.get(), 1)), "2");
    EXPECT_EQ(session.form.fiber.size(), 2u);
    EXPECT_EQ(countPoints(s.degenerateLoci.get()), 0);
    EXPECT_NE(session.parameterSpace.autoPaths, nullptr);
    EXPECT_EQ(session.parameterSpace.pathDisplay, pathDisplayAuto);
    EXPECT_EQ(session.traces.traceStepCount, 1);
    EXPECT_EQ(session.traces.tracingState, tracingFinished);
    EXPECT_EQ(s.replayAtStart, 1);
    EXPECT_EQ(countSteps(session.traces.solutionTrace), 1);
    EXPECT_EQ(countRecords(session.traces.parameterTrace), 1);
    EXPECT_TRUE(session.parameterSpace.markerShown);
    EXPECT_EQ(countPoints(session.parameterSpace.branchLociCopy.get()), 1);
    EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(SessionTest, OneLetterOrEmptyPolynomialsAreRefused) {
    for (const char *text : {"x^2+1", ""}) {
        recorder.errors.clear();
        EXPECT_FALSE(go(text));
        ASSERT_EQ(recorder.errors.size(), 1u) << text;
        EXPECT_EQ(recorder.errors[0].message, "It is not a polynomial with 2 variables.");
        EXPECT_EQ(recorder.errors[0].remedy, "You may not quit. Please re-input the polynomial");
        EXPECT_EQ(session.state.stage, stageNothing);
    }
}

TEST_F(SessionTest, GoTwiceOnlyRefreshesTheDocumentName) {
    ASSERT_TRUE(go("x^2-t"));
    const Complex base = session.state.basePoint;
    const Term *fiber = session.state.fiber.get();
    session.typeName("second");
    EXPECT_TRUE(session.runPipeline());
    EXPECT_EQ(session.state.documentName, "second");
    EXPECT_EQ(session.state.fiber.get(), fiber);
    EXPECT_DOUBLE_EQ(session.state.basePoint.re, base.re);
}

TEST_F(SessionTest, EditingAfterGoEmptiesTheOutputsButKeepsTheBasePoint) {
    ASSERT_TRUE(go("x^2-t"));
    session.typePolynomial("x^2-t+1");
    EXPECT_EQ(session.state.stage, stageNothing);
    EXPECT_TRUE(session.form.branchPolynomial.empty());
    EXPECT_TRUE(session.form.basePoint.empty());
    EXPECT_EQ(session.form.branchLoci.size(), 0u);
    EXPECT_EQ(session.form.fiber.size(), 0u);
    EXPECT_FALSE(session.form.fixBasePoint);
    ASSERT_TRUE(session.runPipeline());
    EXPECT_DOUBLE_EQ(session.state.basePoint.re, 0.5);  // kept from the first run
    EXPECT_EQ(session.state.branchPolynomialText, "+t-1");
}

TEST_F(SessionTest, ClearAllResetsTheForm) {
    ASSERT_TRUE(go("x^2-t"));
    session.typeName("doc");
    session.clearAll();
    EXPECT_EQ(session.state.stage, stageNothing);
    EXPECT_EQ(session.form.name, "untitled");
    EXPECT_EQ(session.form.fiberLetter, "?");
    EXPECT_EQ(session.form.parameterLetter, "?");
    EXPECT_TRUE(session.form.polynomial.empty());
    EXPECT_TRUE(session.form.basePoint.empty());
    EXPECT_TRUE(session.form.fixBasePoint);
    EXPECT_FALSE(session.state.hasBasePoint);
    // The letters are free again: t becomes the fiber variable.
    ASSERT_TRUE(go("t^2-x"));
    EXPECT_EQ(session.form.fiberLetter, "t");
}

TEST_F(SessionTest, RecalculateOverATypedBasePoint) {
    ASSERT_TRUE(go("x^2-t"));
    session.typeBasePoint("1+1i");
    EXPECT_FALSE(session.form.fixBasePoint);
    ASSERT_TRUE(session.recalculateFiber());
    EXPECT_EQ(session.form.basePoint, "+1.000000+1.000000i");
    EXPECT_TRUE(session.form.fixBasePoint);
    EXPECT_EQ(session.traces.tracingState, tracingRunning);
    // The fiber is the pair of square roots of 1+i.
    for (Term *p = session.state.fiber.get(); p; p = p->next) {
        const Complex sq = p->coef * p->coef;
        EXPECT_NEAR(sq.re, 1.0, 1e-9);
        EXPECT_NEAR(sq.im, 1.0, 1e-9);
    }
    session.typeBasePoint("1+i");  // a lone i is the imaginary unit
    ASSERT_TRUE(session.recalculateFiber());
    EXPECT_EQ(session.form.basePoint, "+1.000000+1.000000i");
}

TEST_F(SessionTest, RecalculateWithFixBasePointOnlyRebuildsThePaths) {
    ASSERT_TRUE(go("x^2-t"));
    const Term *fiber = session.state.fiber.get();
    PathSegment *before = session.parameterSpace.autoPaths;
    ASSERT_TRUE(session.recalculateFiber());
    EXPECT_EQ(session.state.fiber.get(), fiber);
    EXPECT_NE(session.parameterSpace.autoPaths, nullptr);
    (void)before;
    session.parameterSpace.pathDisplay = pathDisplayNone;
    const int used = session.segmentPool.usedCount();
    PathSegment *kept = session.parameterSpace.autoPaths;
    ASSERT_TRUE(session.recalculateFiber());
    EXPECT_EQ(session.parameterSpace.autoPaths, kept);
    EXPECT_EQ(session.segmentPool.usedCount(), used);
}

TEST_F(SessionTest, RecalculateBeforeGoCompletesTheStagesOverTheTypedBase) {
    session.typePolynomial("x^2-t");
    session.typeBasePoint("2");
    ASSERT_TRUE(session.recalculateFiber());
    EXPECT_EQ(session.state.stage, stageFiber);
    EXPECT_DOUBLE_EQ(session.state.basePoint.re, 2.0);

    Session fresh;
    fresh.typePolynomial("x");  // one letter: nothing to compute
    EXPECT_FALSE(fresh.recalculateFiber());
    EXPECT_EQ(fresh.state.stage, stageNothing);
}

// Go reads the text exactly and takes every locus, multiplicity and
// degenerate locus from the exact curve; loci a double-precision path
// cannot tell apart stop it at the branch loci.
TEST_F(SessionTest, GoComputesTheLociOfTheExactCurve) {
    const struct {
        const char *text;
        std::vector<int> multiplicities;  // of the branch loci, by value
        int degenerate;
        int fiber;
    } rows[] = {
        // Res_x = c t^4 (t - 1)^3; the leading coefficient -4t vanishes at 0.
        {"27*x^2*(x-1)^2 - 4*t*(x^2-x+1)^3", {4, 3}, 1, 6},
        {"x^2 - t^6 + t^5", {5, 1}, 0, 2},
        {"x^2*t + x + 1", {1, 1}, 1, 2},
        // In doubles 0.1^2 is not 0.01, and the fourfold locus splits.
        {"(x+0.1)*(x+0.1-t^2)", {4}, 0, 2},
        {"x^2-t*(t-1)*(t-1-1e-36)", {}, 0, 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        session.clearAll();
        recorder.errors.clear();
        const bool refused = row.multiplicities.empty();
        EXPECT_EQ(go(row.text), !refused);
        const CurveState &s = session.state;
        EXPECT_FALSE(s.exactCurve.isZero());
        if (refused) {
            EXPECT_EQ(s.stage, stageBranchPolynomial);
            ASSERT_EQ(recorder.errors.size(), 1u);
            EXPECT_EQ(recorder.errors[0].message.rfind("Two branch loci lie closer together", 0), 0u);
            continue;
        }
        std::vector<std::pair<double, int>> loci;  // by real part
        for (const Term *p = s.branchLoci.get(); p; p = p->next) loci.emplace_back(p->coef.re, pointMultiplicity(p));
        std::sort(loci.begin(), loci.end());
        std::vector<int> found;
        for (const auto &l : loci) found.push_back(l.second);
        EXPECT_EQ(found, row.multiplicities);
        EXPECT_EQ(countPoints(s.degenerateLoci.get()), row.degenerate);
        for (const Term *d = s.degenerateLoci.get(); d; d = d->next) {
            bool same = false;
            for (const Term *b = s.branchLoci.get(); b; b = b->next)
                same = same || (b->coef.re == d->coef.re && b->coef.im == d->coef.im);
            EXPECT_TRUE(same) << formatValue(d->coef);
        }
        EXPECT_EQ(countPoints(s.fiber.get()), row.fiber);
        EXPECT_EQ(session.form.branchLoci.size(), row.multiplicities.size());
    }
}

TEST_F(SessionTest, BasePointMovesOffACentroidThatIsALocus) {
    ASSERT_TRUE(go("x^2 - (t-1)*(t-2)*(t-3)"));
    EXPECT_NEAR(session.state.basePoint.re, 2.5, 1e-9);
    EXPECT_NEAR(session.state.basePoint.im, 0.0, 1e-9);
}

TEST_F(SessionTest, NamesWrapAfterNinetyNine) {
    ASSERT_TRUE(go("x^101 - t"));
    ASSERT_EQ(countPoints(session.state.fiber.get()), 101);
    EXPECT_STREQ(pointName(findByNumber(session.state.fiber.get(), 98)), "99");
    EXPECT_STREQ(pointName(findByNumber(session.state.fiber.get(), 99)), "0");
    EXPECT_STREQ(pointName(findByNumber(session.state.fiber.get(), 100)), "1");
}

TEST_F(SessionTest, PoolExhaustionLeavesTheStageWhereItWas) {
    // The exact branch polynomial of degree 72 does not fit in what is left.
    session.typePolynomial("(x+t+1)^9 - t");
    termPool().setLimit(termPool().usedCount() + 60);
    EXPECT_FALSE(session.runPipeline());
    termPool().setLimit(termPoolSize);
    ASSERT_FALSE(recorder.errors.empty());
    std::string text = recorder.errors.back().message + recorder.errors.back().remedy;
    std::replace(text.begin(), text.end(), '\n', ' ');  // the error channel wraps at spaces
    EXPECT_NE(text.find("term pool"), std::string::npos) << text;
    EXPECT_LT(session.state.stage, stageFiber);
    session.typePolynomial("x^2-t");
    EXPECT_TRUE(session.runPipeline());
}

TEST_F(SessionTest, RepeatedRunsLeakNothing) {
    ASSERT_TRUE(go("x^3 - 3*x + t"));
    const int terms = termPool().usedCount();
    const int segments = session.segmentPool.usedCount();
    const int traceRecords = session.tracePool.recordsInUse();
    for (int k = 0; k < 1000; ++k) {
        session.typePolynomial(k % 2 ? "x^3 - 3*x + t" : "x^3 - 3*x + t ");
        ASSERT_TRUE(session.runPipeline());
        if (k % 10 == 0) {
            ASSERT_TRUE(session.recalculateFiber());
        }
    }
    EXPECT_EQ(termPool().usedCount(), terms);
    EXPECT_EQ(session.segmentPool.usedCount(), segments);
    EXPECT_EQ(session.tracePool.recordsInUse(), traceRecords);
}

TEST_F(SessionTest, DontCheckToggles) {
    EXPECT_EQ(session.state.dontCheckBranchPoint, 1);
    session.toggleDontCheck();
    EXPECT_EQ(session.state.dontCheckBranchPoint, 0);
    EXPECT_FALSE(session.form.dontCheck);
}

TEST_F(SessionTest, TooLongAPolynomialIsRefusedAndChangesNothing) {
    ASSERT_TRUE(go("x^2-t"));
    // 1024 characters: cut to 1023 it would end in "-" and be another text.
    std::string text = "x^2 ";
    while (text.size() < polynomialTextLimit - 1) text += "+0";
    text += "-t";
    ASSERT_EQ(text.size(), polynomialTextLimit + 1);
    EXPECT_FALSE(session.typePolynomial(text));
    ASSERT_EQ(recorder.errors.size(), 1u);
    EXPECT_NE(recorder.errors[0].message.find("1023"), std::string::npos);
    EXPECT_EQ(session.form.polynomial, "x^2-t");
    EXPECT_EQ(session.state.stage, stageFiber);
    EXPECT_TRUE(session.typePolynomial(text.erase(3, 1)));  // within the limit
}

TEST_F(SessionTest, FieldsAreCutToTheirBuffers) {
    session.typeName(std::string(500, 'n'));
    EXPECT_EQ(session.form.name.size(), 127u);
    session.typeBasePoint(std::string(500, '1'));
    EXPECT_EQ(session.form.basePoint.size(), 255u);
}

}  // namespace
}  // namespace quorvel

namespace quorvel {
namespace {

bool allFinite(const Term *t) {
    if (!t) return true;
    return std::isfinite(t->coef.re) && std::isfinite(t->coef.im) && allFinite(t->left) && allFinite(t->next);
}

// However a value came out non-finite, the command that ends with it falls
// back to the last stage whose values are finite, keeps none of them, and
// the next curve starts clean (a NaN base point once survived Clear All).
TEST_F(SessionTest, NoCommandLeavesANonFiniteValue) {
    const struct {
        const char *name;
        void (*spoil)(Session &);
        int16_t stage;
    } rows[] = {
        {"base point", [](Session &s) { s.state.basePoint = Complex(std::nan(""), 0.0); }, stageBranchLoci},
        {"fiber", [](Session &s) { s.state.fiber.get()->coef.im = std::nan(""); }, stageBranchLoci},
        {"branch locus", [](Session &s) { s.state.branchLoci.get()->coef.re = HUGE_VAL; }, stageBranchPolynomial},
        {"branch polynomial", [](Session &s) { s.state.branchPolynomial.get()->coef.re = std::nan(""); }, stageCurve},
    };
    for (const auto &row : rows) {
        session.clearAll();
        ASSERT_TRUE(go("x^2-t")) << row.name;
        recorder.errors.clear();
        row.spoil(session);
        EXPECT_FALSE(session.recalculateFiber()) << row.name;
        const CurveState &s = session.state;
        EXPECT_EQ(s.stage, row.stage) << row.name;
        ASSERT_EQ(recorder.errors.size(), 1u) << row.name;
        EXPECT_EQ(recorder.errors[0].message, "A computed value is not a finite number.");
        EXPECT_TRUE(std::isfinite(s.basePoint.re) && std::isfinite(s.basePoint.im)) << row.name;
        for (const Term *t : {s.curve.get(), s.branchPolynomial.get(), s.branchLoci.get(), s.fiber.get(),
                              session.parameterSpace.branchLociCopy.get()})
            EXPECT_TRUE(allFinite(t)) << row.name;
        for (const TraceRecord *r = session.traces.solutionTrace; r; r = r->next)
            EXPECT_TRUE(std::isfinite(r->value.re) && std::isfinite(r->value.im)) << row.name;
        EXPECT_EQ(session.parameterSpace.autoPaths, nullptr) << row.name;

        session.clearAll();
        ASSERT_TRUE(go("x^3-3*x+t")) << row.name;
        EXPECT_EQ(countPoints(s.branchLoci.get()), 2) << row.name;
        EXPECT_EQ(countPoints(s.fiber.get()), 3) << row.name;
        EXPECT_TRUE(allFinite(s.fiber.get())) << row.name;
    }
}

}  // namespace
}  // namespace quorvel
