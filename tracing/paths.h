// Parameter paths: chains of line and arc segments in the parameter plane,
// the fixed pool they come from, and the auto-mode loops that run from the
// base point around every branch locus and degenerate locus and around all
// of them.
//
// A loop is a run of segments from one of `role` 1 (first) to the next one
// of `role` 2 (last); inner segments have `role` 0. The auto-mode chain
// holds all loops one after the other in one `next` chain, so the link of a
// loop's last segment leads on to the next loop. A path made by
// selectAutoPath is a single loop whose last link is empty.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/complex.h"
#include "engine/points.h"

namespace quorvel {

inline constexpr int segmentPoolSize = 2048;

inline constexpr int roleFirst = 1;
inline constexpr int roleInner = 0;
inline constexpr int roleLast = 2;

// One segment. A line runs from (p0, p1) to (p2, p3); an arc runs round
// (centreRe, centreIm) at `radius` from angle p0 to angle p2 (radians, not
// normalised: counter-clockwise when p2 > p0, clockwise when p2 < p0).
struct PathSegment {
    int32_t isArc = 0;
    int32_t owner = 0;  // the target the loop belongs to
    int32_t role = roleInner;
    int16_t free = 1;  // 1 while the record is free in its pool
    // 1 for a piece of a line cut where it comes near a locus: simplification
    // never joins it with the next line.
    int16_t piece = 0;
    double p0 = 0.0;
    double p1 = 0.0;
    double p2 = 0.0;
    double p3 = 0.0;
    double centreRe = 0.0;
    double centreIm = 0.0;
    double radius = 0.0;
    PathSegment *next = nullptr;
};

// The fixed pool of segment records. The records live as long as the pool
// and never move, so segments may point at one another.
class SegmentPool {
public:
    SegmentPool();
    SegmentPool(const SegmentPool &) = delete;
    SegmentPool &operator=(const SegmentPool &) = delete;

    // Takes the free record with the lowest index and clears its free mark;
    // no other field is touched. On exhaustion the error channel is told and
    // the computation is abandoned (ComputationAbandoned).
    PathSegment *allocSegment();
    // Marks one record free and empties its link. Records that are already
    // free or not from this pool are left alone.
    void release(PathSegment *s);
    bool owns(const PathSegment *s) const;
    // True for a record of this pool that is in use.
    bool inUse(const PathSegment *s) const { return owns(s) && s->free == 0; }
    int usedCount() const { return used_; }
    // The records that can still be taken.
    int available() const { return limit_ - used_; }
    // Marks every record free: a fresh pool.
    void reset();
    // Lets tests make the pool run out early: records beyond the limit count
    // as taken. A limit of segmentPoolSize restores the real pool.
    void setLimit(int limit);

private:
    std::unique_ptr<std::array<PathSegment, segmentPoolSize>> records_;
    std::array<uint64_t, segmentPoolSize / 64> freeBits_{};
    int used_ = 0;
    int limit_ = segmentPoolSize;
};

// Returns every segment of the chain to the pool, starting from the last,
// and empties their links. The walk stops at a record that is free or not
// from the pool.
void freeAutoPaths(SegmentPool &pool, PathSegment *chain);

PathSegment *initLineSegment(PathSegment *s, int owner, int role, Complex start, Complex end);
PathSegment *initArcSegment(PathSegment *s, int owner, int role, Complex centre, double radius,
                            double startAngle, double endAngle);

// The point at fraction u (0 = start, 1 = end) of a segment.
Complex segmentPoint(const PathSegment *s, double u);
Complex segmentStart(const PathSegment *s);
Complex segmentEnd(const PathSegment *s);

// ---- auto-mode loops ---------------------------------------------------------

// The targets of the loops: a copy of the branch loci (kind 1) followed by a
// copy of the degenerate loci (kind 2, numbered on from the last branch
// locus's number). The caller owns the list.
PointList autoPathTargets(const Term *loci, const Term *degenerate);
// The targets sorted round the base point (sortAround): the loop of owner k
// circles the target at position k of this list. The caller owns the list.
PointList sortedAutoPathTargets(const Term *loci, const Term *degenerate, Complex base);
// The values of sortedAutoPathTargets by position.
std::vector<Complex> autoPathTargetValues(const Term *loci, const Term *degenerate, Complex base);

enum class LoopConstruction { classic, star };

// Builds all loops from the base point: one per target, owned by the
// target's position in sortedAutoPathTargets, then the loop round all
// targets (owner = number of targets), clockwise. The chain order is the
// order in which the loops compose: the local loops one after the other,
// then the loop round all, give the empty word in the fundamental group of
// the plane without the targets (each local loop circles its own target
// once counter-clockwise).
//
// First the classic loops are built: for the target at angle a, out along
// the bisector towards the previous target's direction, counter-clockwise
// at 1.3 times the greatest distance (or midway to the next target farther
// out on its ray), back along the bisector towards the next target (round a
// nearer target on the ray at midway radius), in the order of the positions,
// then simplified; a target on the base point gets a small circle, on which
// the other loops start and end. Every loop is checked (checkAutoPaths:
// winding numbers, clearance, its class and the product). When one fails,
// the chain is built as a star instead (straight tails to a small circle
// round each target, in the order of the directions from the widest gap)
// and checked again; `used` tells which was kept. Before either is checked,
// every line that comes much nearer a target than its length is cut into
// pieces growing away from that target, so that walking a piece by its
// fraction resolves the target (clusters 1e-36 wide seen from 0.5 away);
// when the pool cannot hold the pieces, or a target lies nearer its
// neighbour or the base point than doubles can draw a loop round, the
// error says so. When the star fails too,
// or cannot be made (a target on the base point), the error channel is told
// and ComputationAbandoned propagates; no unverified loop is returned.
// Returns nullptr when there are no targets, or when the base point or a
// target is not a finite number. When the segment pool runs
// out, every segment taken so far is returned and ComputationAbandoned
// propagates; nothing is left behind.
PathSegment *buildAutoPaths(SegmentPool &pool, const Term *loci, Complex base, const Term *degenerate,
                            LoopConstruction *used = nullptr);

// One simplification pass over the chain: applies the first rule that fits
// at the first segment where one fits and answers true, or answers false when
// nothing changed. `head` follows a removal of the first segment.
bool simplifyPass(SegmentPool &pool, PathSegment *&head);
// Repeats simplifyPass until a pass changes nothing.
void simplifyPath(SegmentPool &pool, PathSegment *&head);

// The start of loop k: the first loop whose owner is k, else the k-th loop
// of the chain (counting from 0), else the head.
PathSegment *findPathStart(PathSegment *chain, int k);
// A fresh copy of loop k (owner 1 in every copy, the last link empty). The
// chain is left unchanged. On pool exhaustion the copies made so far are
// returned and ComputationAbandoned propagates.
PathSegment *selectAutoPath(SegmentPool &pool, PathSegment *chain, int k);

// ---- reading loops -----------------------------------------------------------

struct LoopSummary {
    PathSegment *first = nullptr;
    int owner = 0;
    int segments = 0;
};

// The loops of a chain in order: each starts at a role-1 segment and runs up
// to and including the next role-2 segment (or to the end of the chain).
std::vector<LoopSummary> listLoops(PathSegment *chain);
int loopCount(PathSegment *chain);
int segmentCount(const PathSegment *chain);

}  // namespace quorvel
