// Editing a Manual-mode path: inserting a vertex where the user clicks on a
// segment, grabbing the end vertex of a segment, and dragging it so that the
// segment and the one after it follow the mouse.
//
// All positions in the world are points of the parameter plane; the only
// pixel knowledge needed is the view's scale (pixels per world unit) for the
// insertion tolerance and a mapping to pixels for the grab box.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/complex.h"
#include "tracing/paths.h"

namespace quorvel {

// A click inserts a vertex on a segment when it lies this many pixels or
// fewer from it...
inline constexpr double insertTolerancePixels = 5.0;
// ...and not within the first or last tenth of it.
inline constexpr double insertMarginFraction = 0.1;
// A vertex is grabbed within this many pixels (a box 2x wide, its right and
// bottom edges excluded).
inline constexpr int32_t grabHalfBox = 5;
// An angle that moves by more than this between two positions of a drag has
// crossed the cut of atan2 and is brought back by whole turns.
inline constexpr double angleJumpLimit = 5.0;
inline constexpr double angleTurn = 6.283185307;

struct ScreenPosition {
    int32_t x = 0;
    int32_t y = 0;
};
using WorldToScreen = std::function<ScreenPosition(Complex)>;

// Add Vertex: walks every segment of the path to the end of its chain and
// splits each one the clicked world point m lies on (within tol = 5 / scale,
// strictly inside its middle eight tenths). A line from A to B splits at the
// foot F of m into A-F and F-B; an arc splits at the angle of m into two
// arcs on the same circle. The new segment follows the split one, takes its
// owner, and takes over the last-segment role if the split one had it.
// Answers the number of vertices inserted. When the segment pool runs out
// the insertions made so far stay and the walk ends (the pool has told the
// error channel).
int insertVertices(SegmentPool &pool, PathSegment *path, Complex m, double scale);

// Move Vertex, button press: the segment whose end vertex lies under the
// cursor, or nullptr. The walk runs from the first segment and stops before
// the path's last segment (role 2), so neither the start of the path nor its
// end can be grabbed; when several vertices are under the cursor the last
// one wins. A segment with no successor is never grabbed.
PathSegment *grabVertex(PathSegment *path, int32_t x, int32_t y, const WorldToScreen &toScreen);

// Move Vertex, mouse move: the end vertex of `grabbed` and the start vertex
// of the segment after it move to m. A line just takes the new point; an
// arc keeps its other end and its bulge (the centre's offset from the
// chord's midpoint in units of the chord), and its angles stay continuous
// with their previous values. Does nothing when `grabbed` has no successor.
void dragVertex(PathSegment *grabbed, Complex m);

// Delete Vertex: the end vertex of `grabbed` goes, and the segment after it
// is joined to it. Two arcs of one circle that turn the same way stay one
// arc; any other pair becomes a line from the first start to the second
// end. The joined segment keeps the first's owner and the start role, and
// takes the last role when the second had it. The second segment returns to
// the pool. Answers false (and changes nothing) without a successor, so the
// path's first and last vertex never go. Grab the vertex with grabVertex.
bool deleteVertex(SegmentPool &pool, PathSegment *grabbed);

// The segment of the path (walked to the end of its chain) that the world
// point m lies on, within tol = 5 / scale: a line anywhere between its
// ends, an arc anywhere between its two angles. The first such segment, or
// nullptr.
PathSegment *segmentUnder(PathSegment *path, Complex m, double scale);

// The bulge a line takes when it becomes an arc: the centre lies this many
// chord lengths to the left of the chord's midpoint, which makes the arc
// rise a quarter of the chord to the right of it.
inline constexpr double defaultBulge = 0.375;

// Change Line into Arc: the line becomes the shorter arc through its two
// ends with the default bulge. Answers false for an arc or a line of no
// length (left as they are).
bool lineToArc(PathSegment *s);
// Change Arc into Line: the arc becomes the line between its two ends.
// Answers false for a line.
bool arcToLine(PathSegment *s);

// The angle brought within angleJumpLimit of `previous` by whole turns.
double continuousAngle(double angle, double previous);

}  // namespace quorvel
