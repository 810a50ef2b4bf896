// Checks of loops against the points they must go round: winding numbers,
// clearance, and the class of each loop in the fundamental group of the
// plane without the targets.
//
// A loop is read exactly as segmentPoint runs it: lines, and arcs of any
// angle. Each target gets a cut, a ray from it to infinity in one common
// direction that passes through no other target and not through the point
// the loops start from; the plane without the cuts is simply connected, so
// the signed crossings of the cuts, in path order, spell the loop's class
// as a word in the free group on the targets (letter j + 1 for a
// counter-clockwise crossing of the cut of target j, -(j + 1) for a
// clockwise one). A loop that circles target k once is then a conjugate
// w g_k w^-1 of its generator g_k.
#pragma once

#include <vector>

#include "engine/complex.h"
#include "tracing/paths.h"

namespace quorvel {

// A loop keeps from every target at least this fraction of the target's
// spacing: its distance to its nearest other target, or to the base point
// when that is nearer.
inline constexpr double loopClearanceFraction = 0.05;
// And every segment keeps from every target more than this many roundings
// of its own points: nearer, neither the tracer walking it nor the
// crossings read from it can tell on which side of the target it passes.
inline constexpr double loopResolutionMargin = 8.0;

// The winding number of the closed polyline points[0], ..., points[last],
// points[0] round z: the sum over its sides of the principal argument of
// (p_{k+1} - z) / (p_k - z), taken as atan2 of the cross and dot products
// (no division), over 2 pi, rounded. Meaningful for z off the polyline.
int polylineWinding(const std::vector<Complex> &points, Complex z);

// The winding numbers round each point of the loop that starts at `first`
// and runs up to and including its role-2 segment (or the end of the
// chain), closed by a line from its end back to its start. Counted as the
// signed crossings of one ray from each point, so arcs are taken exactly;
// meaningful for points off the loop.
std::vector<int> loopWindings(const PathSegment *first, const std::vector<Complex> &points);

enum class LoopFault {
    none,
    incomplete,  // a target without a loop, two loops of one owner, an owner out of range
    broken,      // segments that do not join, or a loop that does not start and end where the others do
    winding,     // not +1 round its own target and 0 round the others (-1 round each for the loop round all)
    clearance,   // closer to a target than loopClearanceFraction of its spacing
    resolution,  // a segment passes a target within loopResolutionMargin roundings of its own points
    conjugate,   // winds right, but is not a conjugate of its target's generator
};

const char *loopFaultText(LoopFault fault);

struct LoopVerdict {
    int owner = 0;
    bool ok = false;
    LoopFault fault = LoopFault::none;  // the first check it failed
    std::vector<int> windings;          // round each target, by position
    // The least distance to a target over that target's spacing, and the
    // target (by position) where it is least.
    double clearance = 0.0;
    int nearestTarget = -1;
    std::vector<int> word;  // reduced, letters +-(target + 1)
};

struct ChainVerdict {
    bool ok = false;
    // Every target has one loop, and the loop round all is there (it may be
    // left out when there is one target: it is then that loop's inverse).
    bool complete = false;
    // The local loops in chain order, followed by the loop round all,
    // compose to the empty word.
    bool productOk = false;
    std::vector<LoopVerdict> loops;  // in chain order
    Complex cutDirection;            // the unit direction of the cuts
};

// Checks an auto-mode chain: `targets` by position (the loop of owner k
// circles targets[k]; owner targets.size() is the loop round all), `base`
// the base point the spacing of the targets is measured from.
ChainVerdict checkAutoPaths(const PathSegment *chain, const std::vector<Complex> &targets, Complex base);

}  // namespace quorvel
