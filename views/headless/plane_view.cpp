#include "views/headless/plane_view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace quorvel {

namespace {

int32_t clampToInt(double v) {
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (v >= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(v);
}

// Arcs longer than this many chords get coarser chords, so a runaway angle
// cannot make drawing hang.
constexpr double chordStep = 0.15;
constexpr double maxChords = 10000.0;

std::string format(const char *pattern, double a, double b) {
    char buf[128];
    std::snprintf(buf, sizeof buf, pattern, a, b);
    return buf;
}

}  // namespace

PlaneView::PlaneView() = default;

PixelRect PlaneView::topRightLabelRect() const {
    return {planeRect.right - labelWidth, planeRect.top - stripHeight, planeRect.right, planeRect.top};
}

PixelRect PlaneView::bottomLeftLabelRect() const {
    return {planeRect.left, planeRect.bottom, planeRect.left + labelWidth, planeRect.bottom + stripHeight};
}

Complex PlaneView::viewCentre() const {
    return Complex((planeRect.width() / scale + 2 * worldLeft) * 0.5,
                   (2 * worldTop - planeRect.height() / scale) * 0.5);
}

PixelPoint PlaneView::toScreen(double x, double y) const {
    return {clampToInt(std::floor((x - worldLeft) * scale + planeRect.left)),
            clampToInt(std::floor((worldTop - y) * scale + planeRect.top))};
}

Complex PlaneView::toWorld(int32_t px, int32_t py) const {
    return Complex((px - planeRect.left) / scale + worldLeft, worldTop - (py - planeRect.top) / scale);
}

void PlaneView::setView(double cx, double cy) {
    const int32_t w = planeRect.right - planeRect.left;
    const int32_t h = planeRect.bottom - planeRect.top;
    worldTop = cy + h * 0.5 / scale;
    worldLeft = cx + (planeRect.left - planeRect.right) * 0.5 / scale;
    const double hw = h / scale;
    const double ww = (w / scale + worldLeft) - worldLeft;
    gridStep = std::pow(10.0, std::floor(std::log10(std::max(hw, ww) * 0.8333333333333334)));
    if (!std::isfinite(gridStep) || gridStep <= 0.0) gridStep = 1.0;
    gridTop = std::floor(worldTop / gridStep) * gridStep;
    gridBottom = (std::floor((worldTop - h / scale) / gridStep) + 1) * gridStep;
    gridLeft = (std::floor(worldLeft / gridStep) + 1) * gridStep;
    gridRight = std::floor((w / scale + worldLeft) / gridStep) * gridStep;
}

void PlaneView::zoomIn() {
    const Complex c = viewCentre();
    scale *= 1.5;
    setView(c.re, c.im);
}

void PlaneView::zoomOut() {
    const Complex c = viewCentre();
    scale *= 0.6666666666666666;
    setView(c.re, c.im);
}

void PlaneView::panUp() {
    const Complex c = viewCentre();
    setView(c.re, c.im - 0.3 * gridStep);
}

void PlaneView::panDown() {
    const Complex c = viewCentre();
    setView(c.re, c.im + 0.3 * gridStep);
}

void PlaneView::panLeft() {
    const Complex c = viewCentre();
    setView(c.re + 0.3 * gridStep, c.im);
}

void PlaneView::panRight() {
    const Complex c = viewCentre();
    setView(c.re - 0.3 * gridStep, c.im);
}

void PlaneView::defaultSize() {
    scale = 100.0;
    setView(0.0, 0.0);
}

void PlaneView::displayAll(const std::vector<Complex> &points) {
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const Complex &p : points) {
        if (!std::isfinite(p.re) || !std::isfinite(p.im)) continue;
        minX = std::min(minX, p.re);
        maxX = std::max(maxX, p.re);
        minY = std::min(minY, p.im);
        maxY = std::max(maxY, p.im);
    }
    // Nothing to fit: the view stays.
    if (!(minX <= maxX)) return;
    // Points on one horizontal or vertical line are fitted along it; a
    // single point is shown with its distance from 0 (1 at 0) around it.
    const double width = maxX - minX, height = maxY - minY;
    double a = width > 0.0 ? planeRect.width() / width : HUGE_VAL;
    double b = height > 0.0 ? planeRect.height() / height : HUGE_VAL;
    if (!(width > 0.0) && !(height > 0.0)) {
        const double size = std::max(std::hypot(minX, minY), 1e-300);
        const double span = 2.0 * (minX == 0.0 && minY == 0.0 ? 1.0 : size);
        a = planeRect.width() / span;
        b = planeRect.height() / span;
    }
    scale = std::min(a, b) * 0.9;
    // A window with no area has nothing to fit; keep a usable scale.
    if (!(scale > 0.0) || !std::isfinite(scale)) scale = 90.0;
    setView((minX + maxX) * 0.5, (minY + maxY) * 0.5);
}

void PlaneView::resize(int32_t clientWidth, int32_t clientHeight) {
    const Complex c = viewCentre();
    planeRect = {0, stripHeight, clientWidth, clientHeight - stripHeight};
    setView(c.re, c.im);
}

void PlaneView::dragTo(int32_t x, int32_t y) {
    const Complex c = viewCentre();
    const int32_t dx = x - dragAnchor.x;
    const int32_t dy = y - dragAnchor.y;
    setView(c.re - dx / scale, c.im + dy / scale);
    dragAnchor = {x, y};
}

bool PlaneView::visible(Complex z) const {
    return worldLeft <= z.re && z.re <= visibleRight() && visibleBottom() <= z.im && z.im <= worldTop;
}

double PlaneView::lineStep() const {
    const double extent = std::max(planeRect.width(), planeRect.height()) / scale;
    return extent < minimumGridLines * gridStep ? gridStep / 10.0 : gridStep;
}

namespace {

// Lines at `first`, first + step, ... while not beyond `last`.
std::vector<double> gridLines(double first, double last, double step) {
    std::vector<double> lines;
    if (!(step > 0.0)) return lines;
    for (double v = first; v <= last && lines.size() < 10000; v += step) lines.push_back(v);
    return lines;
}

}  // namespace

std::vector<double> PlaneView::horizontalGridLines() const {
    const double s = lineStep();
    if (s == gridStep) return gridLines(gridBottom, gridTop, s);
    const double h = planeRect.height();
    return gridLines((std::floor((worldTop - h / scale) / s) + 1) * s, std::floor(worldTop / s) * s, s);
}

std::vector<double> PlaneView::verticalGridLines() const {
    const double s = lineStep();
    if (s == gridStep) return gridLines(gridLeft, gridRight, s);
    const double w = planeRect.width();
    return gridLines((std::floor(worldLeft / s) + 1) * s, std::floor((w / scale + worldLeft) / s) * s, s);
}

ClippedLine PlaneView::clipLine(Complex p1, Complex p2) const {
    ClippedLine out;
    const double xl = worldLeft;
    const double xr = visibleRight();
    const double yt = worldTop;
    const double yb = visibleBottom();
    const double x1 = p1.re, y1 = p1.im, x2 = p2.re, y2 = p2.im;

    double s0 = 0.0;
    auto entry = [&](double v1, double v2, double bound) {
        if (v1 == v2) return false;
        const double s = (v1 - bound) / (v1 - v2);
        if (!(0.0 < s && s < 1.0)) return false;
        s0 = std::max(s0, s);
        return true;
    };
    if (x1 < xl && !entry(x1, x2, xl)) return out;
    if (x1 > xr && !entry(x1, x2, xr)) return out;
    if (y1 < yb && !entry(y1, y2, yb)) return out;
    if (y1 > yt && !entry(y1, y2, yt)) return out;

    double s1 = 1.0;
    auto exit = [&](double v1, double v2, double bound) {
        if (v1 == v2) return false;
        const double f = (v2 - bound) / (v2 - v1);
        if (!(0.0 < f && f < 1.0)) return false;
        s1 = std::min(s1, 1.0 - f);
        return true;
    };
    if (x2 < xl && !exit(x1, x2, xl)) return out;
    if (x2 > xr && !exit(x1, x2, xr)) return out;
    if (y2 < yb && !exit(y1, y2, yb)) return out;
    if (y2 > yt && !exit(y1, y2, yt)) return out;

    const Complex d = p2 - p1;
    out.draw = true;
    out.from = Complex(x1 + s0 * d.re, y1 + s0 * d.im);
    out.to = Complex(x1 + s1 * d.re, y1 + s1 * d.im);
    out.endVisible = s1 == 1.0;
    return out;
}

std::vector<Chord> PlaneView::arcChords(Complex centre, double radius, double startAngle,
                                        double endAngle) {
    std::vector<Chord> chords;
    if (!std::isfinite(startAngle) || !std::isfinite(endAngle)) return chords;
    auto at = [&](double a) { return Complex(centre.re + radius * std::cos(a), centre.im + radius * std::sin(a)); };
    double step = chordStep;
    const double span = std::fabs(endAngle - startAngle);
    if (span / step > maxChords) step = span / maxChords;
    const double direction = endAngle >= startAngle ? 1.0 : -1.0;
    double a = startAngle;
    for (;;) {
        const double next = a + direction * step;
        const bool short_ = direction > 0 ? next < endAngle : next > endAngle;
        if (!short_) break;
        chords.push_back({at(a), at(next), false});
        a = next;
    }
    chords.push_back({at(a), at(endAngle), true});
    return chords;
}

std::string PlaneView::topRightText() const {
    return format("%+.4f%+.4fi", visibleRight(), worldTop);
}

std::string PlaneView::bottomLeftText() const {
    return format("%+.4f%+.4fi", worldLeft, visibleBottom());
}

}  // namespace quorvel
