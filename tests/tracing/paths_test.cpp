#include "tracing/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/points.h"
#include "tracing/loop_check.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

constexpr double kPi = 3.141592653589793;

OwnedPolynomial pointList(std::initializer_list<Complex> values) {
    OwnedPolynomial list;
    for (Complex v : values) appendPoint(list.ref(), v);
    numberPoints(list.get(), 0);
    return list;
}

std::vector<const PathSegment *> segmentsOf(const LoopSummary &loop) {
    std::vector<const PathSegment *> out;
    const PathSegment *s = loop.first;
    for (int i = 0; i < loop.segments; ++i, s = s->next) out.push_back(s);
    return out;
}

std::string describe(const ChainVerdict &v) {
    std::ostringstream out;
    out << "complete " << v.complete << ", product " << v.productOk;
    for (const LoopVerdict &l : v.loops)
        if (!l.ok) out << "; owner " << l.owner << ": " << loopFaultText(l.fault) << " (clearance " << l.clearance << ")";
    return out.str();
}

// The chain passes every check of checkAutoPaths.
void expectSoundLoops(PathSegment *chain, const Term *loci, Complex base, const Term *degenerate = nullptr) {
    const ChainVerdict v = checkAutoPaths(chain, autoPathTargetValues(loci, degenerate, base), base);
    EXPECT_TRUE(v.ok) << describe(v);
}

class PathsTest : public testing::EngineTest {
protected:
    void TearDown() override {
        freeAutoPaths(pool, chain);
        EngineTest::TearDown();
    }
    // Builds the loops, checks that no term record was left behind, and
    // keeps the chain for the test.
    PathSegment *build(const Term *loci, Complex base, const Term *degenerate = nullptr) {
        const int terms = termPool().usedCount();
        freeAutoPaths(pool, chain);
        chain = buildAutoPaths(pool, loci, base, degenerate, &used);
        EXPECT_EQ(termPool().usedCount(), terms);
        EXPECT_EQ(pool.usedCount(), segmentCount(chain));
        return chain;
    }
    // The segments of the loop of `owner`; none (and a failure) when the
    // chain has no such loop.
    std::vector<const PathSegment *> loopOf(int owner) {
        for (const LoopSummary &l : listLoops(chain))
            if (l.owner == owner) return segmentsOf(l);
        ADD_FAILURE() << "no loop of owner " << owner;
        return {};
    }
    SegmentPool pool;
    PathSegment *chain = nullptr;
    LoopConstruction used = LoopConstruction::star;
};

void expectLine(const PathSegment *s, Complex from, Complex to) {
    ASSERT_EQ(s->isArc, 0);
    EXPECT_NEAR(modulus(segmentStart(s) - from), 0.0, 1e-9);
    EXPECT_NEAR(modulus(segmentEnd(s) - to), 0.0, 1e-9);
}

void expectArc(const PathSegment *s, Complex centre, double radius, double from, double to) {
    ASSERT_EQ(s->isArc, 1);
    EXPECT_NEAR(modulus(Complex(s->centreRe, s->centreIm) - centre), 0.0, 1e-12);
    EXPECT_NEAR(s->radius, radius, 1e-9);
    EXPECT_NEAR(s->p0, from, 1e-9);
    EXPECT_NEAR(s->p2, to, 1e-9);
}

Complex polar(double r, double a) { return Complex(r * std::cos(a), r * std::sin(a)); }

TEST_F(PathsTest, FourLociRoundTheOrigin) {
    OwnedPolynomial loci = pointList({{1, 0}, {0, 1}, {-1, 0}, {0, -1}});
    build(loci.get(), Complex(0, 0));
    expectSoundLoops(chain, loci.get(), Complex(0, 0));
    EXPECT_EQ(used, LoopConstruction::classic);
    // Position 0 is -i: out along -3pi/4, counter-clockwise to -pi/4, back.
    std::vector<const PathSegment *> first = loopOf(0);
    ASSERT_EQ(first.size(), 3u);
    expectLine(first[0], Complex(0, 0), polar(1.3, -3 * kPi / 4));
    expectArc(first[1], Complex(0, 0), 1.3, -3 * kPi / 4, -kPi / 4);
    expectLine(first[2], polar(1.3, -kPi / 4), Complex(0, 0));
    // The enclosing loop leaves along 5pi/4 and runs once round clockwise.
    std::vector<const PathSegment *> all = loopOf(4);
    ASSERT_EQ(all.size(), 3u);
    expectLine(all[0], Complex(0, 0), polar(1.3, 5 * kPi / 4));
    expectArc(all[1], Complex(0, 0), 1.3, 5 * kPi / 4 + twoPi, 5 * kPi / 4);
}

TEST_F(PathsTest, NearerTargetOnARayIsBoundedAtTheMidwayRadius) {
    // 1 (P) and 2 (Q) share the ray at angle 0; Q comes first in the order.
    OwnedPolynomial loci = pointList({{1, 0}, {2, 0}, {-3, 0}, {0, 2}, {0, -2}});
    build(loci.get(), Complex(0, 0));
    expectSoundLoops(chain, loci.get(), Complex(0, 0));
    EXPECT_EQ(used, LoopConstruction::classic);
    std::vector<const PathSegment *> q = loopOf(1);
    ASSERT_EQ(q.size(), 5u);
    expectLine(q[0], Complex(0, 0), polar(3.9, -kPi / 4));
    expectArc(q[1], Complex(0, 0), 3.9, -kPi / 4, kPi / 4);
    expectLine(q[2], polar(3.9, kPi / 4), polar(1.5, kPi / 4));
    expectArc(q[3], Complex(0, 0), 1.5, kPi / 4, -kPi / 4);
    std::vector<const PathSegment *> p = loopOf(2);
    ASSERT_EQ(p.size(), 3u);
    expectArc(p[1], Complex(0, 0), 1.5, -kPi / 4, kPi / 4);
}

TEST_F(PathsTest, TargetAtTheCentreGetsTheInnerCircle) {
    OwnedPolynomial loci = pointList({{0, 0}, {2, 0}, {-2, 0}});
    build(loci.get(), Complex(0, 0));
    expectSoundLoops(chain, loci.get(), Complex(0, 0));
    EXPECT_EQ(used, LoopConstruction::classic);
    std::vector<const PathSegment *> centre = loopOf(0);
    ASSERT_EQ(centre.size(), 2u);
    expectArc(centre[0], Complex(0, 0), 1.0, 0.0, kPi);
    expectArc(centre[1], Complex(0, 0), 1.0, kPi, twoPi);
    for (int owner : {1, 2, 3}) {
        const std::vector<const PathSegment *> loop = loopOf(owner);
        ASSERT_FALSE(loop.empty());
        const PathSegment *s = loop.front();
        ASSERT_EQ(s->isArc, 1);
        EXPECT_EQ(s->p0, 0.0);
        EXPECT_EQ(s->radius, 1.0);
    }
}

TEST_F(PathsTest, LoneTargetIsCircledWithoutTouchingIt) {
    // x^2 - t: one branch locus at 0, base point 0.5.
    OwnedPolynomial loci = pointList({{0, 0}});
    build(loci.get(), Complex(0.5, 0));
    expectSoundLoops(chain, loci.get(), Complex(0.5, 0));
    EXPECT_EQ(used, LoopConstruction::classic);
    for (int owner : {0, 1}) {
        bool circled = false;
        for (const PathSegment *s : loopOf(owner))
            if (s->isArc && std::fabs(s->radius - 0.65) < 1e-12 && std::fabs(s->p2 - s->p0) > 6.28) circled = true;
        EXPECT_TRUE(circled) << "owner " << owner;
    }
}

TEST_F(PathsTest, LoneTargetAtTheCentreHasOnlyItsCircle) {
    OwnedPolynomial loci = pointList({{0, 0}});
    build(loci.get(), Complex(0, 0));
    expectSoundLoops(chain, loci.get(), Complex(0, 0));
    EXPECT_EQ(used, LoopConstruction::classic);
    ASSERT_EQ(loopCount(chain), 1);
    ASSERT_EQ(loopOf(0).size(), 2u);
    EXPECT_EQ(loopOf(0).front()->radius, 0.5);
}

TEST_F(PathsTest, DegenerateLociGetLoopsAndBoundTheInnerCircle) {
    // Only the central branch locus; the degenerate loci set the inner
    // radius (half of |1+i|) and each gets its own loop. The loop of 2+2i
    // starts on the ray at angle 0 and loses its zero-length closing arc.
    OwnedPolynomial loci = pointList({{0, 0}});
    OwnedPolynomial degenerate = pointList({{1, 1}, {1, -1}, {2, 2}});
    build(loci.get(), Complex(0, 0), degenerate.get());
    expectSoundLoops(chain, loci.get(), Complex(0, 0), degenerate.get());
    EXPECT_EQ(used, LoopConstruction::classic);
    ASSERT_FALSE(loopOf(0).empty());
    EXPECT_DOUBLE_EQ(loopOf(0).front()->radius, std::sqrt(2.0) / 2);
    std::vector<const PathSegment *> far = loopOf(2);
    ASSERT_FALSE(far.empty());
    EXPECT_EQ(far.front()->isArc, 0);
    EXPECT_EQ(far.back()->isArc, 0);
}

TEST_F(PathsTest, TargetsCarryKindsAndNumbers) {
    OwnedPolynomial loci = pointList({{1, 0}, {-1, 0}});
    loci.get()->kind = kindDegenerate;
    OwnedPolynomial degenerate = pointList({{0, 2}, {3, 0}});
    OwnedPolynomial targets(autoPathTargets(loci.get(), degenerate.get()));
    std::vector<int> kinds, numbers;
    for (const Term *t = targets.get(); t; t = t->next) {
        kinds.push_back(t->kind);
        numbers.push_back(pointNumber(t));
    }
    EXPECT_EQ(kinds, (std::vector<int>{1, 1, 2, 2}));
    EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(buildAutoPaths(pool, nullptr, Complex(0, 0), nullptr), nullptr);
}

// ---- simplification -----------------------------------------------------------

struct Seg {
    int arc, role;
    double p0, p1, p2, p3, radius;
    int piece = 0;
    bool operator==(const Seg &) const = default;
};
Seg L(int role, Complex a, Complex b) { return {0, role, a.re, a.im, b.re, b.im, 0.0}; }
Seg P(int role, Complex a, Complex b) { return {0, role, a.re, a.im, b.re, b.im, 0.0, 1}; }  // a cut line's piece
Seg A(int role, double radius, double from, double to) { return {1, role, from, 0.0, to, 0.0, radius}; }

TEST_F(PathsTest, SimplificationRules) {
    const Complex o(0, 0), one(1, 0);
    struct Case {
        const char *name;
        std::vector<Seg> before, after;
    };
    const std::vector<Case> cases = {
        {"zero arc hands role 2 back",
         {L(1, one, {2, 0}), A(0, 2, 0, kPi), L(0, {-2, 0}, {-1, 0}), A(2, 1, kPi, kPi)},
         {L(1, one, {2, 0}), A(0, 2, 0, kPi), L(2, {-2, 0}, {-1, 0})}},
        {"out-and-back pair hands role 1 on",
         {L(1, o, one), L(0, one, o), L(0, o, {0, 2}), A(0, 2, kPi / 2, kPi), L(2, {-2, 0}, o)},
         {L(1, o, {0, 2}), A(0, 2, kPi / 2, kPi), L(2, {-2, 0}, o)}},
        {"pair at the end hands role 2 back",
         {L(1, o, one), A(0, 1, 0, kPi), L(0, {-1, 0}, {-3, 0}), L(2, {-3, 0}, {-1, 0})},
         {L(1, o, one), A(2, 1, 0, kPi)}},
        {"reversed arcs then lines cancel completely",
         {L(1, o, one), A(0, 1, 0, 1), A(0, 1, 1, 0), L(2, one, o)},
         {}},
        {"consecutive arcs merge", {L(1, o, one), A(0, 1, 0, 1), A(0, 1, 1, 2), L(2, one, o)},
         {L(1, o, one), A(0, 1, 0, 2), L(2, one, o)}},
        {"first and last arc of a loop stay", {A(1, 1, 0, kPi), A(2, 1, kPi, twoPi)},
         {A(1, 1, 0, kPi), A(2, 1, kPi, twoPi)}},
        {"lines collinear but for rounding merge", {L(1, o, one), L(0, one, {2, 1e-12}), A(2, 1, 0, 1)},
         {L(1, o, {2, 1e-12}), A(2, 1, 0, 1)}},
        {"pieces of a line cut near a locus stay apart", {P(1, o, {1e-3, 0}), P(0, {1e-3, 0}, one), A(2, 1, 0, 1)},
         {P(1, o, {1e-3, 0}), P(0, {1e-3, 0}, one), A(2, 1, 0, 1)}},
        {"bent lines stay, however small", {L(1, o, {1e-9, 0}), L(0, {1e-9, 0}, {2e-9, 1e-12}), A(2, 1, 0, 1)},
         {L(1, o, {1e-9, 0}), L(0, {1e-9, 0}, {2e-9, 1e-12}), A(2, 1, 0, 1)}},
        {"a loop never loses its last role", {A(1, 1, 0, 0), A(2, 1, 0, twoPi)},
         {A(1, 1, 0, 0), A(2, 1, 0, twoPi)}},
        {"a line loop never loses its last role", {L(1, one, one), A(2, 1, 0, twoPi)},
         {L(1, one, one), A(2, 1, 0, twoPi)}},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        PathSegment *head = nullptr, *tail = nullptr;
        for (const Seg &s : k.before) {
            PathSegment *p = s.arc ? initArcSegment(pool.allocSegment(), 0, s.role, o, s.radius, s.p0, s.p2)
                                   : initLineSegment(pool.allocSegment(), 0, s.role, {s.p0, s.p1}, {s.p2, s.p3});
            p->piece = static_cast<int16_t>(s.piece);
            (tail ? tail->next : head) = p;
            tail = p;
        }
        simplifyPath(pool, head);
        std::vector<Seg> after;
        for (const PathSegment *s = head; s; s = s->next)
            after.push_back({s->isArc, s->role, s->p0, s->p1, s->p2, s->p3, s->radius, s->piece});
        EXPECT_EQ(after, k.after);
        EXPECT_EQ(pool.usedCount(), static_cast<int>(k.after.size()));
        freeAutoPaths(pool, head);
    }
}

TEST_F(PathsTest, FreeSegmentEndsThePass) {
    PathSegment *out = initLineSegment(pool.allocSegment(), 0, roleFirst, {0, 0}, {1, 0});
    PathSegment *back = initLineSegment(pool.allocSegment(), 0, roleLast, {1, 0}, {0, 0});
    out->next = back;
    pool.release(back);  // out now holds a stale link into a freed record
    PathSegment *head = out;
    EXPECT_FALSE(simplifyPass(pool, head));
    EXPECT_EQ(head, out);
    freeAutoPaths(pool, head);
    EXPECT_EQ(pool.usedCount(), 0);
}

// ---- loops by index --------------------------------------------------------------

TEST_F(PathsTest, FindAndSelectLoops) {
    // Loops with owners 0, 2 and 3: the loop of owner 1 cancelled.
    PathSegment *tail = nullptr;
    for (int owner : {0, 2, 3})
        for (int role : {roleFirst, roleInner, roleLast}) {
            PathSegment *s = initLineSegment(pool.allocSegment(), owner, role, {owner, role}, {owner, role + 1});
            (tail ? tail->next : chain) = s;
            tail = s;
        }
    const std::vector<LoopSummary> loops = listLoops(chain);
    ASSERT_EQ(loops.size(), 3u);
    struct Case {
        int k;
        int loop;
    };
    for (Case c : {Case{0, 0}, Case{1, 1}, Case{2, 1}, Case{3, 2}, Case{7, 0}, Case{-1, 0}})
        EXPECT_EQ(findPathStart(chain, c.k), loops[static_cast<size_t>(c.loop)].first) << "k " << c.k;

    PathSegment *copy = selectAutoPath(pool, chain, 3);
    ASSERT_EQ(segmentCount(copy), 3);
    EXPECT_EQ(pool.usedCount(), 12);
    const PathSegment *from = loops[2].first;
    for (const PathSegment *s = copy; s; s = s->next, from = from->next) {
        EXPECT_EQ(s->owner, 1);
        EXPECT_EQ(s->role, from->role);
        EXPECT_EQ(s->p3, from->p3);
        EXPECT_NE(s, from);
    }
    EXPECT_EQ(segmentCount(chain), 9);
    EXPECT_EQ(loops[2].first->owner, 3);
    freeAutoPaths(pool, copy);
}

// ---- pool -----------------------------------------------------------------------

TEST_F(PathsTest, PoolTakesTheLowestFreeRecord) {
    PathSegment *a = pool.allocSegment();
    PathSegment *b = pool.allocSegment();
    PathSegment *c = pool.allocSegment();
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    b->owner = 7;
    b->next = c;
    pool.release(b);
    EXPECT_EQ(b->free, 1);
    EXPECT_EQ(b->next, nullptr);
    PathSegment *again = pool.allocSegment();
    EXPECT_EQ(again, b);
    EXPECT_EQ(again->free, 0);
    EXPECT_EQ(again->owner, 7);  // nothing but the free mark is touched
    a->next = b;
    b->next = c;
    freeAutoPaths(pool, a);
    EXPECT_EQ(pool.usedCount(), 0);
    EXPECT_EQ(a->next, nullptr);
}

TEST_F(PathsTest, ExhaustionLeavesThePoolAsItWas) {
    OwnedPolynomial loci = pointList({{1, 0}, {0, 1}, {-1, 0}, {0, -1}});
    PathSegment *kept = build(loci.get(), Complex(0, 0));
    const int held = pool.usedCount();
    const int terms = termPool().usedCount();
    for (int spare : {0, 1, 7, 14}) {
        pool.setLimit(held + spare);
        EXPECT_THROW(buildAutoPaths(pool, loci.get(), Complex(0, 0), nullptr), ComputationAbandoned);
        EXPECT_EQ(pool.usedCount(), held);
        EXPECT_EQ(termPool().usedCount(), terms);
    }
    pool.setLimit(held + 1);
    EXPECT_THROW(selectAutoPath(pool, kept, 0), ComputationAbandoned);
    EXPECT_EQ(pool.usedCount(), held);
    ASSERT_EQ(recorder.errors.size(), 5u);
    EXPECT_EQ(recorder.errors[0].message, "Memory allocation failed.\n");
    EXPECT_EQ(recorder.errors[0].remedy, "Tell the maker");
    pool.setLimit(segmentPoolSize);
    expectSoundLoops(kept, loci.get(), Complex(0, 0));
}

TEST(PathSegment, PointsAlongLinesAndArcs) {
    PathSegment line, arc;
    initLineSegment(&line, 0, roleFirst, {1, 2}, {3, -2});
    const Complex mid = segmentPoint(&line, 0.25);
    EXPECT_DOUBLE_EQ(mid.re, 1.5);
    EXPECT_DOUBLE_EQ(mid.im, 1.0);
    // Angles beyond 2 pi are taken as they are; p2 < p0 runs clockwise.
    initArcSegment(&arc, 0, roleLast, {1, 1}, 2.0, 2.5 * kPi, 1.5 * kPi);
    const Complex s = segmentStart(&arc), q = segmentPoint(&arc, 0.5), e = segmentEnd(&arc);
    EXPECT_NEAR(s.re, 1.0, 1e-12);
    EXPECT_NEAR(s.im, 3.0, 1e-12);
    EXPECT_NEAR(q.re, 3.0, 1e-12);
    EXPECT_NEAR(q.im, 1.0, 1e-12);
    EXPECT_NEAR(e.im, -1.0, 1e-12);
}

}  // namespace
}  // namespace quorvel
