// The Parameter Space window's mouse without a window: one release (or
// press, move and release) per row, by mode, tool and what lies under the
// pointer, and what it leaves in the session.
#include "views/headless/parameter_mouse.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/points.h"
#include "pipeline/session.h"
#include "support/recording_errors.h"
#include "views/headless/parameter_space_modes.h"

namespace quorvel {
namespace {

// A session after "Go" on x^2-t, a 460 x 360 plane and the mouse.
class Bench {
public:
    Bench() {
        view.resize(460, 420);
        session.typePolynomial("x^2-t");
        ok = session.runPipeline();
    }
    Session session;
    PlaneView view;
    ParameterMouse mouse;
    bool ok = false;
    int segments = 0;  // of the user's path once the row is set up

    PixelPoint at(Complex z) const { return view.toScreen(z); }
    MouseAnswer click(PixelPoint p) {
        mouse.press(session, view, p.x, p.y);
        return mouse.release(session, view, p.x, p.y);
    }
    void chooseLoop() {
        enterManualMode(session.parameterSpace);
        click(at(Complex(0, 0)));
    }
};

struct MouseRow {
    const char *name;
    std::function<void(Bench &)> setUp;
    std::function<PixelPoint(Bench &)> where;
    std::function<bool(Bench &)> holds;
};

TEST(ParameterMouse, EachModeToolAndPlaceDoesWhatItShould) {
    testing::RecordingErrors recorder;
    const MouseRow rows[] = {
        {"Auto: a click in the plane traces the nearest loop", [](auto &) {},
         [](auto &t) { return t.at(Complex(0.3, 0.4)); },
         [](auto &t) { return t.session.parameterSpace.timerRunning && t.session.traces.tracingState == tracingRunning; }},
        {"Auto with the hand tool: a click starts nothing",
         [](auto &t) { selectHandTool(t.session.parameterSpace); }, [](auto &t) { return t.at(Complex(0.3, 0.4)); },
         [](auto &t) { return !t.session.parameterSpace.timerRunning; }},
        {"Auto: the infinity icon traces the loop round all",
         [](auto &) {},
         [](auto &t) {
             const PixelRect r = infinityIconRect(t.view);
             return PixelPoint{r.left + 10, r.top + 10};
         },
         [](auto &t) { return t.session.parameterSpace.selectedPath != nullptr && t.session.parameterSpace.timerRunning; }},
        {"Manual, choosing: a click takes a copy of the loop", [](auto &t) { enterManualMode(t.session.parameterSpace); },
         [](auto &t) { return t.at(Complex(0, 0)); },
         [](auto &t) {
             const ParameterSpaceState &ps = t.session.parameterSpace;
             return userPathSelected(ps) && ps.editTool == toolMoveVertex && !ps.timerRunning;
         }},
        {"Manual, Delete Vertex on an inner vertex: one segment fewer",
         [](auto &t) {
             t.chooseLoop();
             selectEditTool(t.session.parameterSpace, toolDeleteVertex);
         },
         [](auto &t) { return t.at(segmentEnd(t.session.parameterSpace.userPath)); },
         [](auto &t) { return segmentCount(t.session.parameterSpace.userPath) == t.segments - 1; }},
        {"Manual, Line into Arc on the first line: it is an arc",
         [](auto &t) {
             t.chooseLoop();
             selectEditTool(t.session.parameterSpace, toolLineToArc);
         },
         [](auto &t) { return t.at(segmentPoint(t.session.parameterSpace.userPath, 0.5)); },
         [](auto &t) { return t.session.parameterSpace.userPath->isArc == 1; }},
        {"Manual, New Path armed: a click in the strip restarts the traces there",
         [](auto &t) {
             enterManualMode(t.session.parameterSpace);
             toggleSelectFromAuto(t.session.parameterSpace);
             toggleNewPath(t.session.parameterSpace);
         },
         [](auto &t) { return PixelPoint{200, t.view.planeRect.bottom + 10}; },
         [](auto &t) {
             return t.session.run.startFiber.get() != nullptr && t.session.traces.tracingState == tracingRunning;
         }},
        {"Art: the first click starts free-hand tracing",
         [](auto &t) { enterArtMode(t.session.parameterSpace); }, [](auto &t) { return t.at(Complex(1, 0)); },
         [](auto &t) { return t.session.parameterSpace.artTracing == 1; }},
        {"Any mode: the play icon plays the replay",
         [](auto &t) { enterArtMode(t.session.parameterSpace); },
         [](auto &t) { return PixelPoint{t.view.planeRect.right - 75, t.view.planeRect.bottom + 15}; },
         [](auto &t) { return t.session.state.replayPlaying == 1 && t.session.parameterSpace.artTracing == 0; }},
    };
    std::unique_ptr<Bench> bench;
    for (const MouseRow &row : rows) {
        SCOPED_TRACE(row.name);
        // One session at a time: each starts from a fresh term pool.
        bench.reset();
        bench = std::make_unique<Bench>();
        ASSERT_TRUE(bench->ok);
        row.setUp(*bench);
        bench->segments = segmentCount(bench->session.parameterSpace.userPath);
        bench->click(row.where(*bench));
        EXPECT_TRUE(row.holds(*bench));
    }
    EXPECT_TRUE(recorder.errors.empty());
}

TEST(ParameterMouse, DraggingMovesTheGrabbedVertexAndTheReadOutFollowsThePointer) {
    testing::RecordingErrors recorder;
    Bench b;
    ASSERT_TRUE(b.ok);
    Session &session = b.session;
    PlaneView &view = b.view;
    ParameterMouse &mouse = b.mouse;
    b.chooseLoop();
    PathSegment *first = session.parameterSpace.userPath;
    const PixelPoint vertex = b.at(segmentEnd(first));
    mouse.press(session, view, vertex.x, vertex.y);
    // The loop passes its first vertex twice: the last segment ending there wins.
    PathSegment *grabbed = mouse.grabbed();
    ASSERT_NE(grabbed, nullptr);
    ASSERT_NE(grabbed->next, nullptr);
    EXPECT_TRUE(mouse.move(session, view, vertex.x + 20, vertex.y - 10).tick.repaintParameter);
    mouse.release(session, view, vertex.x + 20, vertex.y - 10);
    EXPECT_EQ(mouse.grabbed(), nullptr);
    const Complex moved = view.toWorld(vertex.x + 20, vertex.y - 10);
    EXPECT_NEAR(segmentEnd(grabbed).re, moved.re, 1e-6);
    EXPECT_NEAR(segmentStart(grabbed->next).im, moved.im, 1e-6);

    const PixelPoint locus = b.at(pointAt(session.state.branchLoci.get(), 0));
    EXPECT_TRUE(mouse.move(session, view, locus.x + 3, locus.y).tick.repaintParameter);
    EXPECT_EQ(session.parameterSpace.pointedLocusShown, 1);
    EXPECT_TRUE(mouse.move(session, view, locus.x + 4, locus.y + 4).tick.repaintParameter);
    EXPECT_EQ(session.parameterSpace.pointedLocusShown, 0);
}

}  // namespace
}  // namespace quorvel
