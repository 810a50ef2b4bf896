// The drawing of the Parameter Space window, checked pixel by pixel in a
// QImage: the grid and its pens, the marks, the paths and the strips.
#include <QImage>
#include <QPainter>
#include <QtTest>
#include <initializer_list>

#include "engine/points.h"
#include "engine/termpool.h"
#include "pipeline/curve_state.h"
#include "tracing/paths.h"
#include "tracing/view_state.h"
#include "views/windows/parameter_space_icons.h"
#include "views/windows/parameter_space_renderer.h"
#include "views/headless/plane_view.h"

using namespace quorvel;

namespace {

const QColor untouched(10, 20, 30);
const QColor white(255, 255, 255);
const QColor black(0, 0, 0);

// A plane of 400 x 300 pixels at (0, 30): the world from -2 to 2 across and
// from -1.5 to 1.5 up, 100 pixels per unit.
PlaneView standardView() {
    PlaneView v;
    v.resize(400, 360);
    return v;
}

QImage canvas() {
    QImage image(canvasWidth, canvasHeight, QImage::Format_RGB32);
    image.fill(untouched);
    return image;
}

QColor at(const QImage &image, QPoint p) { return image.pixelColor(p); }

QPoint px(const PlaneView &v, Complex z) {
    const PixelPoint p = v.toScreen(z);
    return {p.x, p.y};
}

// Whether some pixel within `radius` of p has the colour.
bool near(const QImage &image, QPoint p, const QColor &colour, int radius = 1) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx)
            if (image.pixelColor(p + QPoint(dx, dy)) == colour) return true;
    return false;
}

int darkPixels(const QImage &image, const QRect &area) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y).lightness() < 100) ++n;
    return n;
}

OwnedPolynomial points(std::initializer_list<Complex> values) {
    OwnedPolynomial list;
    for (Complex v : values) appendPoint(list.ref(), v);
    numberPoints(list.get(), 0);
    return list;
}

// A point well inside the symbol of replay icon `column` (1 to 4): the
// left-pointing triangle, the triangle, the first bar, the triangle.
QPoint symbolPoint(int column) {
    static const QPoint points[] = {{15, 15}, {19, 15}, {14, 15}, {11, 15}, {12, 15}};
    return points[column];
}

}  // namespace

class ParameterSpaceRendererTest : public QObject {
    Q_OBJECT

private slots:
    void init() { termPool().reset(); }

    void gridLinesTakeTheirPens_data();
    void gridLinesTakeTheirPens();
    void gridLinesKeepTwoPixelsFromTheEdges();
    void lociAreMarkedInsideTheViewOnly();
    void markerFollowsItsFlag();
    void pathDisplayChoosesThePaths();
    void endDotsMarkVisibleEndsOnly();
    void replayIconsShowTheirFlags_data();
    void replayIconsShowTheirFlags();
    void stripsShowTheReadOuts();
};

void ParameterSpaceRendererTest::gridLinesTakeTheirPens_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("horizontal axis") << 0.5 << 0.0 << axisColour();
    QTest::newRow("vertical axis") << 0.0 << 0.5 << axisColour();
    QTest::newRow("grid line y = 1") << 0.5 << 1.0 << gridColour();
    QTest::newRow("grid line x = -1") << -1.0 << 0.5 << gridColour();
    QTest::newRow("between the lines") << 0.5 << 0.5 << white;
}

void ParameterSpaceRendererTest::gridLinesTakeTheirPens() {
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QColor, colour);
    const PlaneView v = standardView();
    ParameterSpaceState ps;
    ParameterSpaceRenderer renderer;
    QImage image = canvas();
    QPainter painter(&image);
    renderer.paintPlane(painter, v, ps);
    painter.end();
    QCOMPARE(at(image, px(v, Complex(x, y))), colour);
    // Only the plane is painted: the strips of the canvas stay as they were.
    QCOMPARE(at(image, QPoint(50, 10)), untouched);
    QCOMPARE(at(image, QPoint(50, 340)), untouched);
}

void ParameterSpaceRendererTest::gridLinesKeepTwoPixelsFromTheEdges() {
    const PlaneView v = standardView();
    ParameterSpaceState ps;
    ParameterSpaceRenderer renderer;
    QImage image = canvas();
    QPainter painter(&image);
    renderer.paintPlane(painter, v, ps);
    painter.end();
    const int row = px(v, Complex(0, 0)).y();
    QCOMPARE(at(image, QPoint(1, row)), white);
    QCOMPARE(at(image, QPoint(2, row)), axisColour());
    const int column = px(v, Complex(0, 0)).x();
    QCOMPARE(at(image, QPoint(column, 31)), white);
    QCOMPARE(at(image, QPoint(column, 32)), axisColour());
}

void ParameterSpaceRendererTest::lociAreMarkedInsideTheViewOnly() {
    const PlaneView v = standardView();
    ParameterSpaceState ps;
    // Inside; exactly on the left edge (drawn); just beyond the right edge
    // (not drawn, though half of its mark would show).
    OwnedPolynomial loci = points({Complex(0.5, 0.5), Complex(-2.0, 0.5), Complex(2.005, 0.5)});
    ps.setBranchLoci(loci.get());
    ParameterSpaceRenderer renderer;
    QImage image = canvas();
    QPainter painter(&image);
    renderer.paintPlane(painter, v, ps);
    painter.end();

    const QPoint inside = px(v, Complex(0.5, 0.5));
    QCOMPARE(at(image, inside), locusBrushColour);
    QVERIFY(near(image, inside + QPoint(-markRadius, 0), locusPenColour, 0));
    QCOMPARE(at(image, inside + QPoint(markRadius + 2, 0)), white);
    QVERIFY(near(image, px(v, Complex(-2.0, 0.5)) + QPoint(1, 0), locusBrushColour));
    QCOMPARE(at(image, QPoint(398, inside.y())), white);

    // The flag alone decides: a copy that is not shown is not drawn.
    ps.branchLociShown = 0;
    image = canvas();
    painter.begin(&image);
    renderer.paintPlane(painter, v, ps);
    painter.end();
    QCOMPARE(at(image, inside), white);
}

void ParameterSpaceRendererTest::markerFollowsItsFlag() {
    const PlaneView v = standardView();
    ParameterSpaceState ps;
    ps.setParameterPoint(Complex(-0.5, -0.5));
    ParameterSpaceRenderer renderer;
    QImage image = canvas();
    QPainter painter(&image);
    renderer.paintPlane(painter, v, ps);
    painter.end();
    const QPoint p = px(v, Complex(-0.5, -0.5));
    QCOMPARE(at(image, p), markerBrushColour);
    QVERIFY(near(image, p + QPoint(0, -markRadius), markerPenColour, 0));

    ps.markerShown = 0;
    image = canvas();
    painter.begin(&image);
    renderer.paintPlane(painter, v, ps);
    painter.end();
    QCOMPARE(at(image, p), white);
}

void ParameterSpaceRendererTest::pathDisplayChoosesThePaths() {
    SegmentPool pool;
    // Loop 0: a line and the upper half circle back; loop 1: two lines.
    PathSegment *a = initLineSegment(pool.allocSegment(), 0, roleFirst, Complex(-1.5, -0.7), Complex(-0.5, -0.7));
    PathSegment *b = initArcSegment(pool.allocSegment(), 0, roleLast, Complex(-1.0, -0.7), 0.5, 0.0, 3.141592653589793);
    PathSegment *c = initLineSegment(pool.allocSegment(), 1, roleFirst, Complex(0.5, -0.7), Complex(1.5, -0.7));
    PathSegment *d = initLineSegment(pool.allocSegment(), 1, roleLast, Complex(1.5, -0.7), Complex(1.0, -0.2));
    a->next = b;
    b->next = c;
    c->next = d;

    const PlaneView v = standardView();
    ParameterSpaceState ps;
    ps.autoPaths = a;
    ps.selectedPath = a;
    ParameterSpaceRenderer renderer;
    const QPoint firstLoop = px(v, Complex(-1.0, -0.7));
    const QPoint arcTop = px(v, Complex(-1.0, -0.2));
    const QPoint secondLoop = px(v, Complex(1.0, -0.7));

    struct Row {
        int16_t display;
        bool first;
        bool second;
    };
    for (const Row row : {Row{pathDisplayNone, false, false}, Row{pathDisplayAuto, true, true},
                          Row{pathDisplaySelected, true, false}}) {
        ps.pathDisplay = row.display;
        QImage image = canvas();
        QPainter painter(&image);
        renderer.paintPlane(painter, v, ps);
        painter.end();
        QCOMPARE(at(image, firstLoop) == black, row.first);
        QCOMPARE(near(image, arcTop, black), row.first);
        QCOMPARE(at(image, secondLoop) == black, row.second);
    }
    ps.autoPaths = nullptr;
    ps.selectedPath = nullptr;
    freeAutoPaths(pool, a);
}

void ParameterSpaceRendererTest::endDotsMarkVisibleEndsOnly() {
    SegmentPool pool;
    // One line ends inside the view, the other runs out of it to the right.
    PathSegment *inside = initLineSegment(pool.allocSegment(), 0, roleFirst, Complex(-0.5, 1.2), Complex(1.98, 1.2));
    PathSegment *outside = initLineSegment(pool.allocSegment(), 0, roleLast, Complex(-0.5, 0.6), Complex(5.0, 0.6));
    inside->next = outside;
    const PlaneView v = standardView();
    ParameterSpaceState ps;
    ps.autoPaths = inside;
    ps.pathDisplay = pathDisplayAuto;
    ParameterSpaceRenderer renderer;
    QImage image = canvas();
    QPainter painter(&image);
    renderer.paintPlane(painter, v, ps);
    painter.end();
    const QPoint end = px(v, Complex(1.98, 1.2));
    QVERIFY(near(image, end + QPoint(0, -2), black, 0));
    const QPoint cut = px(v, Complex(1.98, 0.6));
    QCOMPARE(at(image, cut), black);  // the line itself runs on
    QVERIFY(!near(image, cut + QPoint(0, -2), black, 0));
    ps.autoPaths = nullptr;
    freeAutoPaths(pool, inside);
}

void ParameterSpaceRendererTest::replayIconsShowTheirFlags_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("flag");  // 1 at start, 2 playing, 3 paused, 4 at end
    QTest::newRow("go to start") << 1 << 1;
    QTest::newRow("play") << 2 << 2;
    QTest::newRow("pause") << 3 << 3;
    QTest::newRow("go to end") << 4 << 4;
}

void ParameterSpaceRendererTest::replayIconsShowTheirFlags() {
    QFETCH(int, column);
    QFETCH(int, flag);
    const PlaneView v = standardView();
    ParameterSpaceRenderer renderer;
    const QPoint probe = ParameterSpaceRenderer::replayIconPosition(v, column) + symbolPoint(column);
    for (int set = 0; set < 2; ++set) {
        CurveState state;
        if (set) state.setReplay(flag == 1, flag == 2, flag == 3, flag == 4);
        QImage image = canvas();
        QPainter painter(&image);
        renderer.paintStrips(painter, v, state, PointedLocus{});
        painter.end();
        // The symbol is black either way (every icon works); the face is
        // pushed only in the replay's state.
        QCOMPARE(at(image, probe), black);
        const QColor face = at(image, ParameterSpaceRenderer::replayIconPosition(v, column) + QPoint(3, 26));
        QCOMPARE(face, set ? replayPushedColour : QColor(Qt::white));
    }
}

void ParameterSpaceRendererTest::stripsShowTheReadOuts() {
    const PlaneView v = standardView();
    ParameterSpaceRenderer renderer;
    CurveState state;
    QImage image = canvas();
    QPainter painter(&image);
    renderer.paintStrips(painter, v, state, PointedLocus{});
    painter.end();

    // The infinity sign is red and sits at 120 in the top strip.
    int red = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 120; x < 150; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 120 && c.blue() < 120) ++red;
        }
    QVERIFY(red > 20);
    // Both corner read-outs are written; no locus read-out yet.
    const PixelRect tr = v.topRightLabelRect();
    const PixelRect bl = v.bottomLeftLabelRect();
    QVERIFY(darkPixels(image, QRect(tr.left, tr.top, tr.width(), tr.height())) > 20);
    QVERIFY(darkPixels(image, QRect(bl.left, bl.top, bl.width(), bl.height())) > 20);
    const QRect locusArea(pointedLocusLeft, 0, tr.left - pointedLocusLeft, stripHeight);
    QCOMPARE(darkPixels(image, locusArea), 0);
    // Between the bottom read-out and the icons the strip is cleared.
    QCOMPARE(at(image, QPoint(bl.right + 5, bl.top + 5)), white);

    PointedLocus pointed;
    pointed.value = Complex(-1.25, 0.5);
    pointed.shown = true;
    painter.begin(&image);
    renderer.paintStrips(painter, v, state, pointed);
    painter.end();
    QVERIFY(darkPixels(image, locusArea) > 20);
}

QTEST_MAIN(ParameterSpaceRendererTest)
#include "parameter_space_renderer_test.moc"
