// What the "Solution Space" window draws: the grid of the solution plane,
// the fiber points of the recorded steps in their seven colours with their
// names, the four icons of the top strip and the corner read-outs. Paints
// onto any QPainter in the window's client pixels, so tests render into an
// image. Also the two hit tests of the window's mouse: the strip buttons
// and the solution under the pointer.
#pragma once

#include <QImage>
#include <QRect>
#include <vector>
#include <cstdint>
#include <optional>

#include "engine/complex.h"
#include "views/headless/plane_view.h"

class QPainter;

namespace quorvel {

class Session;
struct TracingRun;

// What the Solution Space window keeps from one opening to the next: the
// view and the two display modes.
struct SolutionSpaceLook {
    PlaneView view;
    int16_t traceMode = 0;  // every recorded step instead of a short tail
    int16_t nameMode = 1;   // names beside the points of the current step
    int16_t markRadius = 3;
};

// The recorded steps on show: steps from..to as bare marks, then step
// `named` with the names of the points. -1 (or an empty range) shows none.
struct ShownSteps {
    int from = 0;
    int to = -1;
    int named = -1;
};

// By the tracing state, the trace mode and the replay flags: nothing before
// any trace; while tracing the last three steps (every step in trace mode);
// afterwards the replay position with two earlier steps (every earlier
// step in trace mode), the first step at the start, the last step at the
// end (every step in trace mode).
ShownSteps shownSteps(const Session &session, int16_t traceMode);

enum class StripIcon {
    TraceOff, TraceOn,      // dots / a line, at x 120
    NameOff, NameOn,        // a dot / a dot with a digit, at x 150
    BraidOff, BraidOn,      // "Info" in grey / black, 45 wide, at x 180
    WarningOff, WarningOn,  // blank / a red exclamation mark, at x 225
};
// The icon, 30 pixels high (30 wide, the braid button 45).
const QImage &stripIcon(StripIcon icon);

enum class StripButton { None, TraceMode, NameMode, Braid, Warning };
// The strip button under a released mouse button (client pixels). The braid
// button answers only after a finished trace, the warning button only after
// a relaxed one.
StripButton stripButtonAt(int x, int y, const TracingRun &state);

struct PickedSolution {
    Complex value;
    int number = 0;  // the number of the fiber point
};
// The point of the current step (the one shown with names; the replay
// position when nothing is shown) nearest to the pixel and closer than 10
// pixels.
std::optional<PickedSolution> pickSolution(const Session &session, const SolutionSpaceLook &look,
                                           int x, int y);

// Labels that overlap move apart: each label, in order, moves down below
// every earlier one it meets, until it meets none.
std::vector<QRect> spreadLabels(std::vector<QRect> labels);

class SolutionSpaceRenderer {
public:
    SolutionSpaceRenderer(const Session &session, const SolutionSpaceLook &look)
        : session_(session), look_(look) {}

    // The plane: white, the grid, the points of the steps on show.
    void paintPlane(QPainter &painter) const;
    // The icons of the top strip, the white parts of both strips and the
    // two corner read-outs.
    void paintStrips(QPainter &painter) const;

private:
    void paintGrid(QPainter &painter) const;
    void paintSolutions(QPainter &painter) const;

    const Session &session_;
    const SolutionSpaceLook &look_;
};

}  // namespace quorvel
