// What both plane windows share: the mapping between the complex plane and
// client pixels, the power-of-ten grid, zoom, pan, "Default size",
// "Display all", hand-tool dragging, and the clipping of lines and arcs to
// the visible rectangle. Pure arithmetic: no window is needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/complex.h"

namespace quorvel {

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct PixelRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t width() const { return right - left; }
    int32_t height() const { return bottom - top; }
    // Right and bottom edges excluded.
    bool contains(int32_t x, int32_t y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// The strips above and below the plane are this high.
inline constexpr int32_t stripHeight = 30;
inline constexpr int32_t labelWidth = 150;
// The grid is refined when the view spans fewer grid steps than this.
inline constexpr double minimumGridLines = 3.0;

// A clipped line: what remains inside the visible rectangle, in world
// coordinates, and whether its end point is visible (it then gets the end
// dot).
struct ClippedLine {
    bool draw = false;
    Complex from;
    Complex to;
    bool endVisible = false;
};

// One chord of an arc drawn as a chain of chords.
struct Chord {
    Complex from;
    Complex to;
    bool last = false;  // the final chord, drawn with the end dot
};

class PlaneView {
public:
    PlaneView();

    PixelRect planeRect{0, 0, 459, 387};
    double scale = 100.0;  // pixels per world unit
    double worldTop = 193.5 / 100.0;
    double worldLeft = -(229.5 / 100.0);
    double gridStep = 1.0;
    double gridTop = 1.0;
    double gridBottom = -1.0;
    double gridLeft = -2.0;
    double gridRight = 2.0;
    int16_t handTool = 0;
    int16_t mouseDown = 0;
    PixelPoint dragAnchor;
    // The session's fit request this view last answered (see
    // ParameterSpaceState::fitRequest).
    int32_t fittedRequest = 0;

    PixelRect topRightLabelRect() const;
    PixelRect bottomLeftLabelRect() const;
    // The world point at the centre of planeRect (derived, never stored).
    Complex viewCentre() const;

    // floor((x - worldLeft) * scale + left), floor((worldTop - y) * scale +
    // top), clamped to the 32-bit range.
    PixelPoint toScreen(double x, double y) const;
    PixelPoint toScreen(Complex z) const { return toScreen(z.re, z.im); }
    Complex toWorld(int32_t px, int32_t py) const;

    // Puts (cx, cy) at the centre of planeRect and recomputes the grid.
    void setView(double cx, double cy);
    void zoomIn();
    void zoomOut();
    void panUp();
    void panDown();
    void panLeft();
    void panRight();
    void defaultSize();
    // Fits the points (with a 0.9 margin factor) and centres on them; points
    // on one horizontal or vertical line fill the view along it. No points:
    // the view stays.
    void displayAll(const std::vector<Complex> &points);
    // The client area changed size: the plane keeps its centre and scale.
    void resize(int32_t clientWidth, int32_t clientHeight);
    // Hand tool: the world point under the cursor stays under the cursor.
    void dragTo(int32_t x, int32_t y);

    // The visible world rectangle, bounds included.
    double visibleRight() const { return planeRect.width() / scale + worldLeft; }
    double visibleBottom() const { return worldTop - planeRect.height() / scale; }
    bool visible(Complex z) const;

    // The spacing of the lines drawn: the grid step, or a tenth of it when
    // fewer than minimumGridLines steps span the larger side of the view
    // (a view 13 units wide has the step 10, which would leave at most the
    // axes). Panning always moves by the grid step itself.
    double lineStep() const;
    // Grid line coordinates: horizontal lines from gridBottom up to
    // gridTop, vertical lines from gridLeft to gridRight (at lineStep).
    std::vector<double> horizontalGridLines() const;
    std::vector<double> verticalGridLines() const;
    // A line within half a line step of 0 is an axis.
    bool isAxis(double coordinate) const {
        const double half = lineStep() / 2;
        return -half < coordinate && coordinate < half;
    }

    ClippedLine clipLine(Complex p1, Complex p2) const;
    // Chords every 0.15 radians from the start angle towards the end angle,
    // then a last chord to the end angle.
    static std::vector<Chord> arcChords(Complex centre, double radius, double startAngle,
                                        double endAngle);

    // The text of the two corner read-outs.
    std::string topRightText() const;
    std::string bottomLeftText() const;
};

}  // namespace quorvel
