#include "tracing/path_editing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/recording_errors.h"

namespace quorvel {
namespace {

constexpr double kPi = 3.141592653589793;

// A path built from the test's own segments, returned to the pool at the end.
class PathEditing : public ::testing::Test {
protected:
    ~PathEditing() override { freeAutoPaths(pool, head); }

    PathSegment *line(int role, Complex a, Complex b) {
        return append(initLineSegment(pool.allocSegment(), 7, role, a, b));
    }
    PathSegment *arc(int role, Complex c, double r, double from, double to) {
        return append(initArcSegment(pool.allocSegment(), 7, role, c, r, from, to));
    }
    std::vector<PathSegment *> segments() const {
        std::vector<PathSegment *> out;
        for (PathSegment *s = head; s; s = s->next) out.push_back(s);
        return out;
    }

    SegmentPool pool;
    PathSegment *head = nullptr;
    testing::RecordingErrors errors;

private:
    PathSegment *append(PathSegment *s) {
        if (!head) {
            head = s;
        } else {
            PathSegment *t = head;
            while (t->next) t = t->next;
            t->next = s;
        }
        return s;
    }
};

void expectNear(Complex actual, Complex expected, double tol = 1e-12) {
    EXPECT_NEAR(actual.re, expected.re, tol);
    EXPECT_NEAR(actual.im, expected.im, tol);
}

// 100 pixels per unit, world (0, 0) at pixel (100, 300), y upwards.
ScreenPosition toPixels(Complex z) {
    return {static_cast<int32_t>(std::floor(z.re * 100.0 + 100.0)),
            static_cast<int32_t>(std::floor(300.0 - z.im * 100.0))};
}

// ---- Add Vertex ---------------------------------------------------------------

struct LineClick {
    const char *name;
    Complex click;
    bool inserts;
    Complex vertex;
};

TEST_F(PathEditing, AddVertexOnALineNeedsTheMiddleAndFivePixels) {
    const LineClick rows[] = {
        {"four pixels above the middle", Complex(0.5, 0.04), true, Complex(0.5, 0.0)},
        {"below, just within", Complex(0.3, -0.049), true, Complex(0.3, 0.0)},
        {"six pixels above", Complex(0.5, 0.06), false, {}},
        {"exactly five pixels", Complex(0.5, 0.05), false, {}},
        {"in the first tenth", Complex(0.05, 0.0), false, {}},
        {"on the first tenth", Complex(0.1, 0.0), false, {}},
        {"in the last tenth", Complex(0.95, 0.0), false, {}},
        {"just past the first tenth", Complex(0.11, 0.0), true, Complex(0.11, 0.0)},
        {"beyond the end", Complex(1.5, 0.0), false, {}},
    };
    for (const LineClick &row : rows) {
        SCOPED_TRACE(row.name);
        freeAutoPaths(pool, head);
        head = nullptr;
        line(roleFirst, Complex(0, 0), Complex(1, 0));
        EXPECT_EQ(insertVertices(pool, head, row.click, 100.0), row.inserts ? 1 : 0);
        const auto s = segments();
        ASSERT_EQ(s.size(), row.inserts ? 2u : 1u);
        if (!row.inserts) {
            expectNear(segmentEnd(s[0]), Complex(1, 0));
            continue;
        }
        expectNear(segmentStart(s[0]), Complex(0, 0));
        expectNear(segmentEnd(s[0]), row.vertex);
        expectNear(segmentStart(s[1]), row.vertex);
        expectNear(segmentEnd(s[1]), Complex(1, 0));
    }
}

TEST_F(PathEditing, TheToleranceIsFivePixelsAtEveryScale) {
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    EXPECT_EQ(insertVertices(pool, head, Complex(0.5, 0.04), 200.0), 0);  // 8 pixels
    EXPECT_EQ(insertVertices(pool, head, Complex(0.5, 0.04), 50.0), 1);   // 2 pixels
}

TEST_F(PathEditing, TheNewSegmentTakesTheOwnerAndTheLastRole) {
    PathSegment *first = line(roleFirst, Complex(0, 0), Complex(1, 0));
    PathSegment *last = line(roleLast, Complex(1, 0), Complex(0, 0.5));
    ASSERT_EQ(insertVertices(pool, head, Complex(0.5, 0.0), 100.0), 1);
    ASSERT_EQ(insertVertices(pool, head, Complex(0.5, 0.25), 100.0), 1);
    const auto s = segments();
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0], first);
    EXPECT_EQ(s[2], last);
    const int roles[] = {roleFirst, roleInner, roleInner, roleLast};
    for (size_t i = 0; i < s.size(); ++i) {
        EXPECT_EQ(s[i]->role, roles[i]) << i;
        EXPECT_EQ(s[i]->owner, 7) << i;
    }
    // The path still runs from its start to its end without a gap.
    for (size_t i = 0; i + 1 < s.size(); ++i) expectNear(segmentEnd(s[i]), segmentStart(s[i + 1]));
    expectNear(segmentEnd(s[3]), Complex(0, 0.5));
}

struct ArcClick {
    const char *name;
    double from, to;   // the arc's angles
    double angle;      // where the click is, seen from the centre
    double radius;     // and how far
    bool inserts;
    double split;      // the angle of the new vertex
};

TEST_F(PathEditing, AddVertexOnAnArcSplitsItOnTheSameCircle) {
    const ArcClick rows[] = {
        {"counter-clockwise, middle", 0.0, kPi, kPi / 2, 1.04, true, kPi / 2},
        {"clockwise, middle", kPi, 0.0, kPi / 2, 0.96, true, kPi / 2},
        {"off the circle", 0.0, kPi, kPi / 2, 1.06, false, 0.0},
        {"first tenth", 0.0, kPi, 0.05, 1.0, false, 0.0},
        {"last tenth", 0.0, kPi, kPi - 0.05, 1.0, false, 0.0},
        {"angles beyond pi", kPi, 2 * kPi, 1.5 * kPi, 1.0, true, 1.5 * kPi},
        {"angles below -pi", -2 * kPi, -kPi, -1.25 * kPi, 1.0, true, -1.25 * kPi},
        {"a whole turn", 0.0, 2 * kPi, -0.5 * kPi, 1.0, true, 1.5 * kPi},
    };
    const Complex c(2.0, -1.0);
    for (const ArcClick &row : rows) {
        SCOPED_TRACE(row.name);
        freeAutoPaths(pool, head);
        head = nullptr;
        arc(roleLast, c, 1.0, row.from, row.to);
        const Complex click = c + Complex(row.radius * std::cos(row.angle), row.radius * std::sin(row.angle));
        EXPECT_EQ(insertVertices(pool, head, click, 100.0), row.inserts ? 1 : 0);
        const auto s = segments();
        ASSERT_EQ(s.size(), row.inserts ? 2u : 1u);
        if (!row.inserts) continue;
        EXPECT_DOUBLE_EQ(s[0]->p0, row.from);
        EXPECT_NEAR(s[0]->p2, row.split, 1e-12);
        EXPECT_NEAR(s[1]->p0, row.split, 1e-12);
        EXPECT_DOUBLE_EQ(s[1]->p2, row.to);
        for (const PathSegment *a : s) {
            EXPECT_EQ(a->isArc, 1);
            EXPECT_EQ(a->centreRe, c.re);
            EXPECT_EQ(a->centreIm, c.im);
            EXPECT_EQ(a->radius, 1.0);
        }
        EXPECT_EQ(s[0]->role, roleInner);
        EXPECT_EQ(s[1]->role, roleLast);
    }
}

TEST_F(PathEditing, AClickNearSeveralSegmentsInsertsOnEach) {
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    line(roleInner, Complex(1, 0), Complex(1, 0.02));
    line(roleLast, Complex(1, 0.02), Complex(0, 0.02));
    EXPECT_EQ(insertVertices(pool, head, Complex(0.5, 0.01), 100.0), 2);
    EXPECT_EQ(segments().size(), 5u);
}

TEST_F(PathEditing, ARunOutPoolLeavesThePathWhole) {
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    line(roleLast, Complex(1, 0), Complex(2, 0));
    pool.setLimit(pool.usedCount() + 1);
    // Room for one new segment: the first split is made, the second is not.
    EXPECT_EQ(insertVertices(pool, head, Complex(1.0, 0.0), 10.0), 0);  // the shared vertex is in no middle
    EXPECT_EQ(insertVertices(pool, head, Complex(0.5, 0.0), 100.0), 1);
    EXPECT_EQ(insertVertices(pool, head, Complex(1.5, 0.0), 100.0), 0);
    EXPECT_FALSE(errors.errors.empty());
    const auto s = segments();
    ASSERT_EQ(s.size(), 3u);
    expectNear(segmentEnd(s[1]), Complex(1, 0));
    expectNear(segmentStart(s[2]), Complex(1, 0));
    expectNear(segmentEnd(s[2]), Complex(2, 0));
    EXPECT_EQ(s[2]->role, roleLast);
    pool.setLimit(segmentPoolSize);
}

// ---- grabbing a vertex ----------------------------------------------------------

struct Grab {
    const char *name;
    int32_t dx, dy;  // from the pixel of the vertex
    Complex vertex;
    int expected;    // segment index, -1 for none
};

TEST_F(PathEditing, GrabHitsTheFivePixelBoxOfAnInnerVertex) {
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    line(roleInner, Complex(1, 0), Complex(1, 1));
    line(roleLast, Complex(1, 1), Complex(0, 0));
    const Grab rows[] = {
        {"on the first inner vertex", 0, 0, Complex(1, 0), 0},
        {"four pixels right and down", 4, 4, Complex(1, 0), 0},
        {"five left and up (edges included)", -5, -5, Complex(1, 0), 0},
        {"five right (edge excluded)", 5, 0, Complex(1, 0), -1},
        {"five down (edge excluded)", 0, 5, Complex(1, 0), -1},
        {"the second inner vertex", 1, -2, Complex(1, 1), 1},
        {"the start and the end of the path", 0, 0, Complex(0, 0), -1},
    };
    const auto s = segments();
    for (const Grab &row : rows) {
        SCOPED_TRACE(row.name);
        const ScreenPosition p = toPixels(row.vertex);
        PathSegment *g = grabVertex(head, p.x + row.dx, p.y + row.dy, toPixels);
        EXPECT_EQ(g, row.expected < 0 ? nullptr : s[static_cast<size_t>(row.expected)]);
    }
}

TEST_F(PathEditing, GrabTakesTheLastVertexUnderTheCursor) {
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    line(roleInner, Complex(1, 0), Complex(1.02, 0));
    line(roleLast, Complex(1.02, 0), Complex(0, 0));
    const ScreenPosition p = toPixels(Complex(1.01, 0));
    EXPECT_EQ(grabVertex(head, p.x, p.y, toPixels), segments()[1]);
}

TEST_F(PathEditing, GrabNeverTakesASegmentWithoutSuccessor) {
    // A chain that lacks its last-segment mark ends all the same.
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    line(roleInner, Complex(1, 0), Complex(1, 1));
    const ScreenPosition p = toPixels(Complex(1, 1));
    EXPECT_EQ(grabVertex(head, p.x, p.y, toPixels), nullptr);
    const ScreenPosition q = toPixels(Complex(1, 0));
    EXPECT_EQ(grabVertex(head, q.x, q.y, toPixels), head);
    EXPECT_EQ(grabVertex(nullptr, q.x, q.y, toPixels), nullptr);
}

TEST_F(PathEditing, GrabCopesWithVerticesFarOutsideTheView) {
    line(roleFirst, Complex(0, 0), Complex(1e300, 0));
    line(roleLast, Complex(1e300, 0), Complex(0, 0));
    const auto clamped = [](Complex z) {
        return ScreenPosition{z.re > 1e9 ? INT32_MAX : 0, z.im > 1e9 ? INT32_MAX : 0};
    };
    EXPECT_EQ(grabVertex(head, INT32_MAX - 1, 0, clamped), head);
    EXPECT_EQ(grabVertex(head, 0, 0, clamped), nullptr);
}

// ---- dragging a vertex ----------------------------------------------------------

// How far the middle of a segment stands off its chord, in chord lengths,
// signed by side: the shape an arc must keep while its ends move.
double sagittaRatio(const PathSegment *s) {
    const Complex a = segmentStart(s);
    const Complex b = segmentEnd(s);
    const Complex mid = segmentPoint(s, 0.5);
    const Complex c = b - a;
    const Complex v = mid - a;
    return (c.re * v.im - c.im * v.re) / normSquared(c);
}

struct Drag {
    const char *name;
    bool firstIsArc;
    bool secondIsArc;
};

TEST_F(PathEditing, DraggingMovesBothSidesOfTheVertexAndArcsKeepTheirShape) {
    const Drag rows[] = {
        {"line then line", false, false},
        {"arc then line", true, false},
        {"line then arc", false, true},
        {"arc then arc", true, true},
    };
    for (const Drag &row : rows) {
        SCOPED_TRACE(row.name);
        freeAutoPaths(pool, head);
        head = nullptr;
        // Start (0, 0), vertex (1, 0), end (2, 0); arcs as quarter circles
        // bulging to either side.
        if (row.firstIsArc)
            arc(roleFirst, Complex(0.5, 0.5), std::sqrt(0.5), -0.75 * kPi, -0.25 * kPi);
        else
            line(roleFirst, Complex(0, 0), Complex(1, 0));
        if (row.secondIsArc)
            arc(roleLast, Complex(1.5, -0.5), std::sqrt(0.5), 0.75 * kPi, 0.25 * kPi);
        else
            line(roleLast, Complex(1, 0), Complex(2, 0));
        const auto s = segments();
        const Complex start = segmentStart(s[0]);
        const Complex end = segmentEnd(s[1]);
        const double firstShape = sagittaRatio(s[0]);
        const double secondShape = sagittaRatio(s[1]);
        expectNear(segmentEnd(s[0]), Complex(1, 0), 1e-12);

        const ScreenPosition p = toPixels(Complex(1, 0));
        PathSegment *g = grabVertex(head, p.x, p.y, toPixels);
        ASSERT_EQ(g, s[0]);
        // The mouse moves in small steps most of the way round the start, so
        // both chords turn through every direction and the angles cross the
        // cut of atan2.
        Complex m(1, 0);
        for (int i = 1; i <= 200; ++i) {
            const double a = 1.8 * kPi * i / 200.0;
            m = Complex(-0.2 + 1.2 * std::cos(a), 1.2 * std::sin(a));
            dragVertex(g, m);
        }
        expectNear(segmentStart(s[0]), start, 1e-9);
        expectNear(segmentEnd(s[0]), m, 1e-9);
        expectNear(segmentStart(s[1]), m, 1e-9);
        expectNear(segmentEnd(s[1]), end, 1e-9);
        EXPECT_NEAR(sagittaRatio(s[0]), firstShape, 1e-8);
        EXPECT_NEAR(sagittaRatio(s[1]), secondShape, 1e-8);
    }
}

TEST_F(PathEditing, AnArcDraggedOntoItsStartComesBackFinite) {
    arc(roleFirst, Complex(0.5, 0.0), 0.5, kPi, 0.0);
    line(roleLast, Complex(1, 0), Complex(2, 0));
    dragVertex(head, Complex(0, 0));
    dragVertex(head, Complex(0, 1));
    for (const PathSegment *s : segments()) {
        EXPECT_TRUE(std::isfinite(s->centreRe) && std::isfinite(s->centreIm) && std::isfinite(s->radius));
        EXPECT_TRUE(std::isfinite(s->p0) && std::isfinite(s->p2));
    }
    expectNear(segmentStart(head), Complex(0, 0), 1e-12);
    expectNear(segmentEnd(head), Complex(0, 1), 1e-12);
}

TEST_F(PathEditing, TheLastSegmentIsNeverDragged) {
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    PathSegment *last = line(roleLast, Complex(1, 0), Complex(0, 0));
    dragVertex(last, Complex(5, 5));
    dragVertex(nullptr, Complex(5, 5));
    expectNear(segmentEnd(last), Complex(0, 0));
}

// ---- Delete Vertex, Line into Arc, Arc into Line ------------------------------

// Each row builds a path, applies one tool at one place and states the path
// that must result: its vertices, which segments are arcs, and the roles.
struct ToolRow {
    const char *name;
    int tool;      // 3 delete (at the end of segment `at`), 4 line to arc, 5 arc to line
    int at;        // the segment clicked, from 0
    bool acts;
    std::vector<Complex> vertices;  // start of the first, then every end
    std::vector<int> arcs;          // isArc per segment
    std::vector<int> roles;
};

TEST_F(PathEditing, EachToolChangesThePathAsTheUserExpects) {
    const double half = kPi / 2;
    const ToolRow rows[] = {
        {"delete joins two lines", 3, 0, true, {{0, 0}, {2, 1}, {0, 0}}, {0, 0}, {roleFirst, roleLast}},
        {"delete before the last hands over its role", 3, 1, true, {{0, 0}, {1, 0}, {0, 0}}, {0, 0},
         {roleFirst, roleLast}},
        {"delete never takes the last vertex", 3, 2, false, {{0, 0}, {1, 0}, {2, 1}, {0, 0}}, {0, 0, 0},
         {roleFirst, roleInner, roleLast}},
        {"line into arc keeps both ends", 4, 1, true, {{0, 0}, {1, 0}, {2, 1}, {0, 0}}, {0, 1, 0},
         {roleFirst, roleInner, roleLast}},
        {"arc into line keeps both ends", 5, 1, false, {{0, 0}, {1, 0}, {2, 1}, {0, 0}}, {0, 0, 0},
         {roleFirst, roleInner, roleLast}},
    };
    for (const ToolRow &row : rows) {
        SCOPED_TRACE(row.name);
        freeAutoPaths(pool, head);
        head = nullptr;
        line(roleFirst, Complex(0, 0), Complex(1, 0));
        line(roleInner, Complex(1, 0), Complex(2, 1));
        line(roleLast, Complex(2, 1), Complex(0, 0));
        PathSegment *target = segments()[row.at];
        const int used = pool.usedCount();
        bool acted = false;
        if (row.tool == 3) acted = deleteVertex(pool, target->role == roleLast ? nullptr : target);
        if (row.tool == 4) acted = lineToArc(target);
        if (row.tool == 5) acted = arcToLine(target);
        EXPECT_EQ(acted, row.acts);
        EXPECT_EQ(pool.usedCount(), used - (row.tool == 3 && acted ? 1 : 0));
        const std::vector<PathSegment *> path = segments();
        ASSERT_EQ(path.size() + 1, row.vertices.size());
        expectNear(segmentStart(path[0]), row.vertices[0]);
        for (size_t k = 0; k < path.size(); ++k) {
            expectNear(segmentEnd(path[k]), row.vertices[k + 1]);
            if (k + 1 < path.size()) expectNear(segmentStart(path[k + 1]), row.vertices[k + 1]);
            EXPECT_EQ(path[k]->isArc, row.arcs[k]);
            EXPECT_EQ(path[k]->role, row.roles[k]);
            EXPECT_EQ(path[k]->owner, 7);
        }
    }
    // The arc a line becomes is the shorter one, rising a quarter of the
    // chord to the right of it; turning it back gives the line again.
    freeAutoPaths(pool, head);
    head = nullptr;
    PathSegment *s = line(roleFirst, Complex(0, 0), Complex(4, 0));
    ASSERT_TRUE(lineToArc(s));
    EXPECT_LT(std::fabs(s->p2 - s->p0), kPi);
    expectNear(segmentPoint(s, 0.5), Complex(2, -1), 1e-9);
    EXPECT_FALSE(lineToArc(s));
    ASSERT_TRUE(arcToLine(s));
    expectNear(segmentStart(s), Complex(0, 0));
    expectNear(segmentEnd(s), Complex(4, 0));
    // Two arcs of one circle turning the same way are joined into one arc.
    freeAutoPaths(pool, head);
    head = nullptr;
    PathSegment *a = arc(roleFirst, Complex(0, 0), 1, 0, half);
    arc(roleLast, Complex(0, 0), 1, half, 2 * half);
    ASSERT_TRUE(deleteVertex(pool, a));
    EXPECT_EQ(a->isArc, 1);
    EXPECT_NEAR(a->p2, 2 * half, 1e-12);
    EXPECT_EQ(a->role, roleFirst);
    EXPECT_EQ(a->next, nullptr);
}

struct UnderRow {
    const char *name;
    Complex click;
    int segment;  // -1: none
};

TEST_F(PathEditing, TheSegmentUnderTheClickIsWithinFivePixels) {
    line(roleFirst, Complex(0, 0), Complex(1, 0));
    arc(roleLast, Complex(1, 1), 1, -kPi / 2, 0);
    const UnderRow rows[] = {
        {"on the line", {0.5, 0.04}, 0},
        {"near the line's end", {0.02, -0.03}, 0},
        {"too far from the line", {0.5, 0.06}, -1},
        {"beyond the line's end", {-0.06, 0}, -1},
        {"on the arc", {1 + std::cos(-0.7), 1 + std::sin(-0.7) + 0.03}, 1},
        {"on the circle outside the arc", {0, 1}, -1},
    };
    for (const UnderRow &row : rows) {
        SCOPED_TRACE(row.name);
        PathSegment *hit = segmentUnder(head, row.click, 100.0);
        EXPECT_EQ(hit, row.segment < 0 ? nullptr : segments()[row.segment]);
    }
}

struct AngleRow {
    const char *name;
    double angle, previous, expected;
};

TEST(ContinuousAngle, CrossingTheCutKeepsTheAngleNearItsPreviousValue) {
    const double turn = angleTurn;
    const AngleRow rows[] = {
        {"no jump", 0.1, 0.0, 0.1},
        {"just under the limit", 4.9, 0.0, 4.9},
        {"across the cut downwards", -3.1, 3.1, -3.1 + turn},
        {"across the cut upwards", 3.1, -3.1, 3.1 - turn},
        {"two turns away", -3.1, 9.4, -3.1 + 2 * turn},
        {"three turns below", 3.0, -15.8, 3.0 - 3 * turn},
    };
    for (const AngleRow &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NEAR(continuousAngle(row.angle, row.previous), row.expected, 1e-12);
    }
    EXPECT_TRUE(std::isnan(continuousAngle(std::nan(""), 0.0)));
}

}  // namespace
}  // namespace quorvel
