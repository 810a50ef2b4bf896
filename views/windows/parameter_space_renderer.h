// Draws the Parameter Space window: the plane (grid, branch-locus marks,
// paths, the parameter marker) onto the window's off-screen canvas, and the
// two strips (replay icons, infinity icon, corner and pointed-locus
// read-outs) onto the window. Both paint onto any QPainter, in client
// pixels, so tests draw into a QImage.
#pragma once

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPen>

#include "engine/complex.h"
#include "tracing/paths.h"
#include "tracing/view_state.h"
#include "views/windows/plane_canvas.h"
#include "views/windows/solution_colours.h"
#include "views/headless/plane_view.h"

class QPainter;

namespace quorvel {

struct CurveState;

inline const QColor locusPenColour(0, 255, 0);
inline const QColor locusBrushColour(100, 255, 100);
inline const QColor markerPenColour(255, 0, 0);
inline const QColor markerBrushColour(255, 100, 100);
inline const QColor followedPathColour(160, 0, 160);
inline const QColor degenerateColour(230, 120, 0);

// Half-size of the point marks in pixels.
inline constexpr int markRadius = 3;
// The read-out of the locus under the pointer, in the top strip.
inline constexpr int pointedLocusLeft = 190;
inline constexpr int pointedLocusRight = 340;

// The branch locus under the mouse pointer, when there is one.
struct PointedLocus {
    Complex value;
    bool shown = false;
};

class ParameterSpaceRenderer {
public:
    ParameterSpaceRenderer();

    // The plane: white ground, grid (horizontal lines bottom to top, then
    // vertical lines left to right), branch-locus marks, the paths chosen by
    // pathDisplay, and the marker. `followed`, the parameter trace, is drawn
    // as the path the run followed when no loop stands for it (a free-hand
    // run, loaded traces). A locus whose value is among `degenerate` (where
    // the leading coefficient vanishes) is ringed in degenerateColour, and
    // a locus of multiplicity above 1 has it written beside its mark.
    void paintPlane(QPainter &painter, const PlaneView &view, const ParameterSpaceState &ps,
                    const TraceRecord *followed = nullptr, const Term *degenerate = nullptr) const;
    // The strips: the replay icons by the replay flags, the infinity icon,
    // and the three read-outs.
    void paintStrips(QPainter &painter, const PlaneView &view, const CurveState &state,
                     const PointedLocus &pointed) const;

    // One segment as clipped lines, with a dot at its end when the end is
    // visible; arcs as chords every 0.15 radians. Uses the painter's pen
    // and brush.
    static void paintSegment(QPainter &painter, const PlaneView &view, const PathSegment *s);
    // A filled round mark of markRadius at a visible point; nothing for a
    // point outside the view.
    static void paintMark(QPainter &painter, const PlaneView &view, Complex point);

    // Where the icons of the strips are, in client pixels.
    static QPoint replayIconPosition(const PlaneView &view, int column);  // column 0 to 4
    static PixelRect infinityIconRect(const PlaneView &view);
    static PixelRect pointedLocusRect();

private:
    QPen gridPen_;
    QPen axisPen_;
    QPen locusPen_;
    QBrush locusBrush_;
    QPen markerPen_;
    QBrush markerBrush_;
    QImage replayOff_[5];
    QImage replayOn_[5];
    QImage infinity_;
};

}  // namespace quorvel
