#include <gtest/gtest.h>

#include <cmath>

#include "views/headless/plane_view.h"

namespace quorvel {
namespace {

PlaneView sized(int w, int h) {
    PlaneView v;
    v.resize(w, h + 2 * stripHeight);
    return v;
}

TEST(PlaneView, NewViewCentresTheOriginAtOneHundredPixelsPerUnit) {
    PlaneView v;
    EXPECT_NEAR(v.viewCentre().re, 0.0, 1e-12);
    EXPECT_NEAR(v.viewCentre().im, 0.0, 1e-12);
    EXPECT_EQ(v.gridStep, 1.0);
    EXPECT_EQ(v.topRightText(), "+2.2950+1.9350i");
    PlaneView r = sized(600, 400);
    EXPECT_NEAR(r.viewCentre().re, 0.0, 1e-12);
    EXPECT_NEAR(r.viewCentre().im, 0.0, 1e-12);
    EXPECT_EQ(r.scale, 100.0);
}

TEST(PlaneView, ScreenAndWorldAreInverse) {
    PlaneView v = sized(400, 300);
    const PixelPoint p = v.toScreen(1.25, -0.5);
    const Complex back = v.toWorld(p.x, p.y);
    EXPECT_NEAR(back.re, 1.25, 0.01);
    EXPECT_NEAR(back.im, -0.5, 0.01);
    const PixelPoint far = v.toScreen(1e300, -1e300);
    EXPECT_EQ(far.x, INT32_MAX);
    EXPECT_EQ(far.y, INT32_MAX);
}

TEST(PlaneView, GridStepFollowsTheExtent) {
    PlaneView v = sized(400, 300);
    EXPECT_EQ(v.gridStep, 1.0);
    v.zoomOut();
    v.zoomOut();
    EXPECT_NEAR(v.scale, 44.44, 0.01);
    EXPECT_EQ(v.gridStep, 1.0);
    v.scale = 10.0;
    v.setView(0.0, 0.0);
    EXPECT_EQ(v.gridStep, 10.0);
}

TEST(PlaneView, ZoomAndPanKeepWhatTheyShouldKeep) {
    PlaneView v = sized(400, 300);
    v.setView(0.3, -0.7);
    v.zoomIn();
    v.zoomOut();
    EXPECT_NEAR(v.viewCentre().re, 0.3, 1e-12);
    EXPECT_NEAR(v.viewCentre().im, -0.7, 1e-12);
    EXPECT_NEAR(v.scale, 100.0, 1e-9);
    v.panUp();
    EXPECT_NEAR(v.viewCentre().im, -1.0, 1e-12);  // the content moves up
    v.panDown();
    EXPECT_NEAR(v.viewCentre().im, -0.7, 1e-12);
    v.panLeft();
    EXPECT_NEAR(v.viewCentre().re, 0.6, 1e-12);  // the content moves left
    v.defaultSize();
    EXPECT_NEAR(v.viewCentre().re, 0.0, 1e-12);
    EXPECT_EQ(v.scale, 100.0);
}

TEST(PlaneView, DisplayAllFitsThePointsAtEveryScale) {
    const struct {
        const char *name;
        std::vector<Complex> points;
        double scale;  // for a 400 x 300 plane
        Complex centre;
    } cases[] = {
        {"both extents", {Complex(0, 0), Complex(0.1, 0.05)}, 0.9 * std::min(400 / 0.1, 300 / 0.05), Complex(0.05, 0.025)},
        {"one horizontal line fills the width", {Complex(1, 0), Complex(-1, 0)}, 0.9 * 400 / 2.0, Complex(0, 0)},
        {"a short horizontal line as well", {Complex(0.1, 0), Complex(-0.1, 0)}, 0.9 * 400 / 0.2, Complex(0, 0)},
        {"one vertical line fills the height", {Complex(2, 1), Complex(2, -1)}, 0.9 * 300 / 2.0, Complex(2, 0)},
        {"one point with its distance from 0 around it", {Complex(3, 4)}, 0.9 * 300 / 10.0, Complex(3, 4)},
    };
    for (const auto &c : cases) {
        for (double s : {1.0, 1e-9, 1e9}) {
            PlaneView v = sized(400, 300);
            std::vector<Complex> points;
            for (Complex p : c.points) points.push_back(p * Complex(s, 0));
            v.displayAll(points);
            EXPECT_NEAR(v.scale * s, c.scale, 1e-9 * c.scale) << c.name << " at " << s;
            EXPECT_NEAR(v.viewCentre().re, s * c.centre.re, 1e-9 * s) << c.name;
            EXPECT_NEAR(v.viewCentre().im, s * c.centre.im, 1e-9 * s) << c.name;
        }
    }
    PlaneView v = sized(400, 300);
    v.setView(1.0, 2.0);
    v.displayAll({});
    EXPECT_EQ(v.scale, 100.0) << "nothing to fit keeps the view";
    EXPECT_NEAR(v.viewCentre().im, 2.0, 1e-12);
}

TEST(PlaneView, DraggingKeepsThePointUnderTheCursor) {
    PlaneView v = sized(400, 300);
    v.dragAnchor = {100, 100};
    v.dragTo(150, 120);
    EXPECT_NEAR(v.viewCentre().re, -0.5, 1e-12);
    EXPECT_NEAR(v.viewCentre().im, 0.2, 1e-12);
}

TEST(PlaneView, ResizingKeepsTheCentre) {
    PlaneView v = sized(400, 300);
    v.setView(1.0, 2.0);
    v.resize(800, 500);
    EXPECT_NEAR(v.viewCentre().re, 1.0, 1e-12);
    EXPECT_NEAR(v.viewCentre().im, 2.0, 1e-12);
}

TEST(PlaneView, CornerTextsAndGridLines) {
    PlaneView v;
    v.setView(v.viewCentre().re, -0.5 - 1.935);
    EXPECT_EQ(v.topRightText(), "+2.2950-0.5000i");
    PlaneView g = sized(400, 300);
    const auto h = g.horizontalGridLines();
    ASSERT_EQ(h.size(), 3u);  // -1, 0, 1 inside (-1.5, 1.5]
    EXPECT_TRUE(g.isAxis(h[1]));
    EXPECT_FALSE(g.isAxis(h[0]));
}

TEST(PlaneView, VisibilityIncludesTheEdges) {
    PlaneView v = sized(400, 300);
    EXPECT_TRUE(v.visible(Complex(v.worldLeft, 0)));
    EXPECT_FALSE(v.visible(Complex(v.worldLeft - 1e-9, 0)));
}

TEST(PlaneView, ClippingLines) {
    PlaneView v = sized(400, 300);  // x in [-2, 2], y in [-1.5, 1.5]
    EXPECT_FALSE(v.clipLine(Complex(-3, -1), Complex(-3, 1)).draw);  // left, vertical
    const ClippedLine through = v.clipLine(Complex(0, -5), Complex(0, 5));
    ASSERT_TRUE(through.draw);
    EXPECT_NEAR(through.from.im, -1.5, 1e-12);
    EXPECT_NEAR(through.to.im, 1.5, 1e-12);
    EXPECT_FALSE(through.endVisible);
    const ClippedLine inside = v.clipLine(Complex(0, 0), Complex(1, 1));
    EXPECT_TRUE(inside.endVisible);
    const ClippedLine out = v.clipLine(Complex(0, 0), Complex(3, 0));
    EXPECT_NEAR(out.to.re, 2.0, 1e-12);
    EXPECT_FALSE(out.endVisible);
}

TEST(PlaneView, ArcChords) {
    const auto up = PlaneView::arcChords(Complex(0, 0), 1.0, 0.0, 1.0);
    ASSERT_EQ(up.size(), 7u);  // 0, 0.15, ... 0.9, then 0.9 -> 1
    EXPECT_TRUE(up.back().last);
    EXPECT_NEAR(up.back().to.re, std::cos(1.0), 1e-12);
    EXPECT_NEAR(up.back().from.re, std::cos(0.9), 1e-12);
    const auto down = PlaneView::arcChords(Complex(0, 0), 1.0, 1.0, 0.0);
    EXPECT_EQ(down.size(), 7u);
    EXPECT_EQ(PlaneView::arcChords(Complex(0, 0), 1.0, 0.0, 0.1).size(), 1u);
    EXPECT_LE(PlaneView::arcChords(Complex(0, 0), 1.0, 0.0, 1e9).size(), 10001u);
}

}  // namespace
}  // namespace quorvel
