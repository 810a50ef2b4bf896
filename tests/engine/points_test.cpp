#include <gtest/gtest.h>

#include <limits>

#include "engine/points.h"
#include "support/point_helpers.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

using testing::byPosition;
using testing::points;

class PointsTest : public testing::EngineTest {};

void expectNear(Complex a, Complex b) {
    EXPECT_NEAR(a.re, b.re, 1e-12);
    EXPECT_NEAR(a.im, b.im, 1e-12);
}

TEST_F(PointsTest, PositionsCountFromTheEndOfTheChain) {
    auto list = points({Complex(1, 0), Complex(2, 0), Complex(3, 0)});  // A -> B -> C
    EXPECT_EQ(countPoints(list.get()), 3);
    expectNear(pointAt(list.get(), 0), Complex(3, 0));
    expectNear(pointAt(list.get(), 2), Complex(1, 0));
    EXPECT_EQ(numberPoints(list.get(), 0), 3);
    EXPECT_EQ(pointNumber(list.get()), 0);
    EXPECT_EQ(pointNumber(list.get()->next->next), 2);
    pointRefAt(list.get(), 1) = Complex(9, 9);
    expectNear(list.get()->next->coef, Complex(9, 9));
    EXPECT_EQ(findByNumber(list.get(), 2), list.get()->next->next);
    EXPECT_EQ(findByNumber(list.get(), 7), nullptr);
}

TEST_F(PointsTest, EmptyListsAnswerTheirNeutralValues) {
    EXPECT_EQ(countPoints(nullptr), 0);
    EXPECT_EQ(minDistance(nullptr, Complex(0, 0)), std::numeric_limits<double>::infinity());
    EXPECT_EQ(maxDistance(nullptr, Complex(0, 0)), 0.0);
    expectNear(centroid(nullptr), Complex(0, 0));
}

TEST_F(PointsTest, SortsKeepDistinctValuesApartAndMergeOnlyEqualOnes) {
    auto list = points({Complex(1, 1), Complex(1, 2), Complex(0, 0)});
    OwnedPolynomial sorted(sortLexicographic(list.get()));
    const auto v = byPosition(sorted.get());
    ASSERT_EQ(v.size(), 3u);
    expectNear(v[0], Complex(0, 0));
    expectNear(v[1], Complex(1, 2));
    expectNear(v[2], Complex(1, 1));

    // Two roots 1e-6 apart are two points for either order, however close
    // the tolerances call them; equal values merge and add up.
    for (bool polar : {false, true}) {
        auto close = points({Complex(1, 1), Complex(1 + 1e-6, 1 - 1e-6), Complex(3, 0), Complex(3, 0)});
        close.get()->exp[1] = 4;
        OwnedPolynomial s(polar ? sortAround(close.get(), Complex(0, 0)) : sortLexicographic(close.get()));
        EXPECT_EQ(countPoints(s.get()), 3);
        int total = 0;
        for (const Term *p = s.get(); p; p = p->next) total += pointMultiplicity(p);
        EXPECT_EQ(total, 4 + 1 + 2);  // every multiplicity carried
        EXPECT_EQ(countPoints(close.get()), 4);  // the input is left alone
    }
}

TEST_F(PointsTest, SortAroundPutsTheCentreFirstAndNumbersFromTheHead) {
    auto list = points({Complex(0, 1), Complex(2, 0), Complex(-1, 0), Complex(5, 5)});
    list.get()->next->kind = kindDegenerate;
    OwnedPolynomial sorted(sortAround(list.get(), Complex(2, 0)));
    expectNear(pointAt(sorted.get(), 0), Complex(2, 0));
    EXPECT_EQ(pointNumber(sorted.get()), 0);
    EXPECT_EQ(numberPoints(sorted.get(), 0), 4);
    Term *centre = sorted.get();
    while (centre->next) centre = centre->next;
    EXPECT_EQ(centre->kind, kindDegenerate);  // kinds travel with the points
    // Angles increase with the position after the centre.
    double last = -10;
    for (int i = 1; i < 4; ++i) {
        const double a = argument(pointAt(sorted.get(), i) - Complex(2, 0));
        EXPECT_GT(a, last);
        last = a;
    }
}

TEST_F(PointsTest, NearestPointPrefersTheLowerPositionOnTies) {
    auto list = points({Complex(1, 0), Complex(-1, 0)});
    EXPECT_EQ(nearestPoint(list.get(), Complex(0, 0)), 0);
    EXPECT_EQ(nearestPoint(list.get(), Complex(0.9, 0)), 1);
    EXPECT_EQ(nearestPoint(list.get(), Complex(1e6, 0)), 1);  // however far away
}

TEST_F(PointsTest, ChooseBasePointAvoidsTheLoci) {
    auto two = points({Complex(1, 0), Complex(-1, 0)});
    expectNear(chooseBasePoint(two.get()), Complex(0, 0));
    auto three = points({Complex(0, 0), Complex(2, 0), Complex(-2, 0)});
    expectNear(chooseBasePoint(three.get()), Complex(1, 0));
    auto single = points({Complex(0, 0)});
    expectNear(chooseBasePoint(single.get()), Complex(0.5, 0));
    auto row = points({Complex(1, 0), Complex(2, 0), Complex(3, 0)});
    expectNear(chooseBasePoint(row.get()), Complex(2.5, 0));
}

TEST_F(PointsTest, MinDistanceAboveSkipsPointsInsideTheThreshold) {
    auto list = points({Complex(0, 0), Complex(3, 0), Complex(0, 2)});
    EXPECT_DOUBLE_EQ(minDistanceAbove(list.get(), 0.001, Complex(0, 0)), 2.0);
    EXPECT_LE(minDistanceAbove(list.get(), 10.0, Complex(0, 0)), 10.0);
}

TEST_F(PointsTest, CopyPointValuesStopsAtTheShorterChain) {
    auto a = points({Complex(1, 0), Complex(2, 0)});
    auto b = points({Complex(7, 0), Complex(8, 0), Complex(9, 0)});
    copyPointValues(b.get(), a.get());
    EXPECT_EQ(b.get()->coef.re, 1);
    EXPECT_EQ(b.get()->next->coef.re, 2);
    EXPECT_EQ(b.get()->next->next->coef.re, 9);
    setPointName(b.get(), "abc");
    EXPECT_STREQ(pointName(b.get()), "ab");
}

}  // namespace
}  // namespace quorvel
