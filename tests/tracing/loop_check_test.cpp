#include "tracing/loop_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/points.h"
#include "support/recording_errors.h"

namespace quorvel {
namespace {

constexpr double kPi = 3.141592653589793;

Complex polar(double r, double a) { return Complex(r * std::cos(a), r * std::sin(a)); }

struct Configuration {
    std::string name;
    std::vector<Complex> loci, degenerate;
    Complex base;
    bool chooseBase = false;  // the base point chooseBasePoint gives
    bool atZero = false;      // a cluster round 0 finer than any shift keeps apart
};

// Many configurations from a fixed seed: spread loci, clusters down to
// 1e-12 of the spread, clusters round 0 down to 1e-36 seen from 0.5 away
// (on a line with the base point, too) or nested, loci on shared rays through the base point,
// conjugate pairs seen along the real axis with real loci between them and
// the base point, a far base point, a base point at 0, one locus,
// degenerate loci on branch loci.
std::vector<Configuration> configurations() {
    std::mt19937 rng(20250611);
    std::uniform_real_distribution<double> unit(-1.0, 1.0), spanned(0.2, 2.0);
    std::uniform_int_distribution<int> few(2, 4), many(1, 12);
    auto point = [&] { return Complex(unit(rng), unit(rng)); };
    std::vector<Configuration> out;
    for (int round = 0; round < 12; ++round) {
        Configuration c{"spread", {}, {}, point(), round % 2 == 0};
        for (int i = many(rng); i > 0; --i) c.loci.push_back(point());
        out.push_back(c);
    }
    for (double gap : {1e-3, 1e-6, 1e-9, 1e-12}) {
        Configuration c{"clusters " + std::to_string(gap), {}, {}, {}, true};
        for (int k = few(rng); k > 0; --k) {
            const Complex centre = point();
            for (int i = few(rng); i > 0; --i) c.loci.push_back(centre + point() * Complex(gap, 0));
        }
        out.push_back(c);
    }
    for (double gap : {1e-15, 1e-20, 1e-30, 1e-36}) {
        Configuration c{"cluster round 0, " + std::to_string(gap), {{0, 0}}, {}, polar(0.5, kPi * unit(rng)),
                        gap == 1e-20, true};
        for (int i = few(rng); i > 0; --i) c.loci.push_back(point() * Complex(gap, 0));
        for (int i = few(rng); i > 0; --i) c.loci.push_back(point());
        out.push_back(c);
        out.push_back({"real cluster round 0", {{0, 0}, {gap, 0}, {-gap, 0}, {1, 0}, {2, 0}, {3, 0}}, {}, {0.5, 0},
                       false, true});
    }
    // Clusters within clusters round 0, the base point among the finest.
    for (int round = 0; round < 8; ++round) {
        Configuration c{"nested clusters round 0", {{0, 0}}, {}, {}, true, true};
        for (double scale = 1; scale > 1e-36; scale *= std::pow(10.0, -2 - 3 * few(rng)))
            for (int i = few(rng); i > 0; --i) c.loci.push_back(point() * Complex(scale, 0));
        out.push_back(c);
    }
    for (int round = 0; round < 6; ++round) {
        Configuration c{"rays", {}, {}, point(), false};
        for (int k = few(rng) - 1; k > 0; --k) {
            const double a = kPi * unit(rng);
            for (int i = few(rng); i > 0; --i) c.loci.push_back(c.base + polar(spanned(rng), a));
        }
        if (round % 2) c.loci.push_back(point());
        out.push_back(c);
    }
    for (double lean : {1e-2, 1e-4, 1e-8}) {
        for (bool outlier : {false, true}) {
            Configuration c{"conjugate pairs", {}, {}, {}, true};
            for (int i = few(rng); i > 0; --i) {
                const double x = 2.0 + 4.0 * spanned(rng);
                c.loci.push_back({x, lean * x});
                c.loci.push_back({x, -lean * x});
                c.loci.push_back({spanned(rng), 0.0});
            }
            if (outlier) c.loci.push_back({-60.0, 0.0});
            out.push_back(c);
            c.chooseBase = false;
            c.base = Complex(0.0, 0.0);
            out.push_back(c);
        }
    }
    out.push_back({"far base", {point(), point(), point()}, {}, {700, 900}, false});
    out.push_back({"base at 0", {{1, 0}, {-1, 0}, {0, 1}, {0.5, -0.5}}, {}, {0, 0}, false});
    out.push_back({"one locus", {point()}, {}, point(), false});
    out.push_back({"one locus, chosen base", {point()}, {}, {}, true});
    {
        Configuration c{"degenerate on branch loci", {point(), point(), point()}, {}, {}, true};
        c.degenerate = {c.loci[0], c.loci[2], point()};
        out.push_back(c);
    }
    // Shared rays on either side of the cut at angle pi, a ray spread over
    // more than the direction tolerance, a locus 1e-9 off the base point.
    out.push_back({"cut", {polar(1, kPi - 0.003), {1.5, 0}, polar(2, -kPi + 0.003)}, {}, {0, 0}, false});
    out.push_back({"wide ray", {polar(1, 0), polar(3, 0.006), polar(2, 0.012), {-2, 0}}, {}, {0, 0}, false});
    out.push_back({"near the base", {{1e-9, 0}, {1, 0}, {0, -1}}, {}, {0, 0}, false});
    // A locus 1e-16 from the base point and 0.016 rad off the direction of
    // one 0.5 away, whose tail must aim round a third.
    out.push_back({"next to the base", {polar(0.48, -0.691), polar(1.17e-16, -0.675), polar(1.2e-15, -0.7066)}, {},
                   {0, 0}, false, true});
    return out;
}

// The winding number of a loop round z from the angle each of its segments
// turns through as seen from z, without the cuts the check reads: a line
// turns through the angle between its ends; an arc round a z inside its
// circle turns with its own angle, corrected at both ends by the angle
// between the radius and the direction from z, and round a z outside by
// less than a half turn.
int turningWinding(const PathSegment *first, Complex z) {
    auto between = [&](Complex p, Complex q) {
        return std::atan2(p.re * q.im - p.im * q.re, p.re * q.re + p.im * q.im);
    };
    double total = 0.0;
    const Complex start = segmentStart(first);
    Complex at = start;
    for (const PathSegment *s = first; s != nullptr; s = s->next) {
        total += between(at - z, segmentStart(s) - z);  // a gap is bridged by a line
        const Complex from = segmentStart(s) - z, to = segmentEnd(s) - z;
        const Complex c(s->centreRe, s->centreIm);
        if (!s->isArc || modulus(z - c) >= s->radius)
            total += between(from, to);
        else
            total += s->p2 - s->p0 + between(polar(1, s->p2), to) - between(polar(1, s->p0), from);
        at = segmentEnd(s);
        if (s->role == roleLast) break;
    }
    total += between(at - z, start - z);
    return static_cast<int>(std::lround(total / (2 * kPi)));
}

OwnedPolynomial list(const std::vector<Complex> &values, Complex scale, Complex shift) {
    OwnedPolynomial l;
    for (Complex v : values) appendPoint(l.ref(), v * scale + shift);
    return l;
}

// Every loop of the chain passes every check, whatever the scale and the
// origin: the classic loops where they pass, the star elsewhere; and the
// owners come in the same order at every exact scale. The angles its segments turn through
// agree that each loop goes once round its own target alone.
TEST(AutoLoopGuarantee, EveryLoopCirclesItsOwnTargetAtEveryScaleAndShift) {
    testing::RecordingErrors recorder;
    SegmentPool pool;
    int stars = 0;
    for (const Configuration &c : configurations()) {
        std::vector<int> first;
        // Powers of two scale every coordinate exactly, so the decisions,
        // all relative, must come out the same to the last owner; decimal
        // scales may reorder loci whose directions tie within rounding,
        // which the monodromy tests cover through invariants of the group.
        for (double s : {1.0, 0x1p-20, 0x1p20}) {
            for (Complex shift : {Complex(0, 0), Complex(0.75 * s, -0.5 * s)}) {
                if (c.atZero && isNonZero(shift)) continue;
                SCOPED_TRACE(c.name + ", scale " + std::to_string(s) + ", shift " + std::to_string(shift.re));
                OwnedPolynomial loci = list(c.loci, Complex(s, 0), shift);
                OwnedPolynomial degenerate = list(c.degenerate, Complex(s, 0), shift);
                const Complex base = c.chooseBase ? chooseBasePoint(loci.get(), degenerate.get())
                                                  : c.base * Complex(s, 0) + shift;
                LoopConstruction used = LoopConstruction::classic;
                PathSegment *chain = buildAutoPaths(pool, loci.get(), base, degenerate.get(), &used);
                const std::vector<Complex> targets = autoPathTargetValues(loci.get(), degenerate.get(), base);
                const ChainVerdict v = checkAutoPaths(chain, targets, base);
                EXPECT_TRUE(v.ok && v.complete && v.productOk);
                std::vector<int> owners;
                for (const LoopSummary &l : listLoops(chain)) {
                    owners.push_back(l.owner);
                    for (size_t j = 0; j < targets.size(); ++j) {
                        const int expected = l.owner == static_cast<int>(targets.size()) ? -1 : l.owner == static_cast<int>(j);
                        EXPECT_EQ(turningWinding(l.first, targets[j]), expected) << "loop " << l.owner << ", target " << j;
                    }
                }
                if (first.empty()) first = owners;
                EXPECT_EQ(owners, first);
                stars += used == LoopConstruction::star;
                freeAutoPaths(pool, chain);
            }
        }
    }
    EXPECT_TRUE(recorder.errors.empty());
    std::printf("star loops in %d of the builds\n", stars);
}

// ---- the checker rejects what is wrong -------------------------------------------

class LoopCheckTest : public testing::EngineTest {
protected:
    void TearDown() override {
        freeAutoPaths(pool, chain);
        EngineTest::TearDown();
    }
    // Appends a loop: a line out to `via`, a full circle of radius r round
    // `round` from there counter-clockwise (or clockwise), and the line back.
    void loop(int owner, Complex via, Complex round, bool clockwise = false) {
        const double r = modulus(via - round);
        const double a = std::atan2((via - round).im, (via - round).re);
        append(initLineSegment(pool.allocSegment(), owner, roleFirst, base, via));
        append(initArcSegment(pool.allocSegment(), owner, roleInner, round, r, a, clockwise ? a - 2 * kPi : a + 2 * kPi));
        append(initLineSegment(pool.allocSegment(), owner, roleLast, via, base));
    }
    void append(PathSegment *s) {
        (tail ? tail->next : chain) = s;
        tail = s;
    }
    SegmentPool pool;
    PathSegment *chain = nullptr;
    PathSegment *tail = nullptr;
    const Complex base{0, 0};
};

TEST_F(LoopCheckTest, RejectsALoopRoundTwoLociAndAnOrderThatBreaksTheProduct) {
    const std::vector<Complex> targets = {{2, -1}, {2, 1}};  // seen at angles -0.46 and 0.46
    struct Case {
        const char *name;
        std::vector<int> owners;  // in chain order; -1: the loop round both
        bool ok;
        LoopFault fault;  // of the first loop
    };
    const std::vector<Case> cases = {
        {"in order", {0, 1, 2}, true, LoopFault::none},
        {"the order reversed", {1, 0, 2}, false, LoopFault::none},
        {"the first loop round both", {-1, 1, 2}, false, LoopFault::winding},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(k.name);
        freeAutoPaths(pool, chain);
        chain = tail = nullptr;
        for (int owner : k.owners) {
            if (owner == 2)
                loop(2, {0, -4}, base, true);  // clockwise round both
            else if (owner == -1)
                loop(0, {2, -2.5}, {2, 0});
            else
                loop(owner, targets[static_cast<size_t>(owner)] - Complex(0.5, 0), targets[static_cast<size_t>(owner)]);
        }
        const ChainVerdict v = checkAutoPaths(chain, targets, base);
        EXPECT_EQ(v.ok, k.ok);
        EXPECT_EQ(v.loops.front().fault, k.fault);
        EXPECT_EQ(v.productOk, k.ok);
    }
}

// ---- the helpers agree with the textbook winding number ------------------------

TEST_F(LoopCheckTest, LoopWindingsMatchADenseCircleOfPolylines) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int round = 0; round < 20; ++round) {
        freeAutoPaths(pool, chain);
        chain = tail = nullptr;
        // A closed run of arcs of any angle, turning either way, and lines.
        const Complex start(unit(rng), unit(rng));
        Complex at = start;
        std::vector<Complex> dense;
        for (int k = 0; k < 4; ++k) {
            const Complex centre = at + Complex(unit(rng), unit(rng));
            const double r = modulus(at - centre);
            const double a0 = std::atan2((at - centre).im, (at - centre).re);
            const double a1 = a0 + 8.0 * unit(rng);
            PathSegment *s = initArcSegment(pool.allocSegment(), 0, k == 0 ? roleFirst : roleInner, centre, r, a0, a1);
            append(s);
            for (int i = 0; i < 4000; ++i) dense.push_back(segmentPoint(s, i / 4000.0));
            at = segmentEnd(s);
        }
        append(initLineSegment(pool.allocSegment(), 0, roleLast, at, start));
        std::vector<Complex> probes;
        for (int i = 0; i < 30; ++i) probes.push_back(Complex(2 * unit(rng), 2 * unit(rng)));
        const std::vector<int> w = loopWindings(chain, probes);
        for (size_t i = 0; i < probes.size(); ++i) {
            double clear = 1e300;
            for (Complex p : dense) clear = std::min(clear, modulus(p - probes[i]));
            if (clear > 1e-3) {
                EXPECT_EQ(w[i], polylineWinding(dense, probes[i])) << round << " " << i;
            }
        }
    }
}

}  // namespace
}  // namespace quorvel
