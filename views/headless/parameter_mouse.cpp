#include "views/headless/parameter_mouse.h"

#include "engine/points.h"
#include "pipeline/session.h"
#include "tracing/path_editing.h"
#include "views/headless/parameter_space_modes.h"

namespace quorvel {

namespace {

// The read-out of a locus answers to the pointer in a box from 3 pixels
// before to 4 pixels after the locus.
constexpr int64_t pointedBefore = 3;
constexpr int64_t pointedAfter = 4;
// A second Art click this close to the start closes the free-hand loop.
constexpr double artCloseRadiusPixels = 8.0;
// The replay icons are 30 pixels wide, right-aligned in the bottom strip.
constexpr int32_t replayIconWidth = 30;

WorldToScreen screenOf(const PlaneView &view) {
    return [&view](Complex z) {
        const PixelPoint p = view.toScreen(z);
        return ScreenPosition{p.x, p.y};
    };
}

}  // namespace

PixelRect infinityIconRect(const PlaneView &view) {
    const PixelRect &r = view.planeRect;
    return {r.left + 120, r.top - stripHeight, r.left + 150, r.top};
}

bool replayIconAt(const PlaneView &view, int32_t x, int32_t y, ReplayIcon &icon) {
    const PixelRect &r = view.planeRect;
    if (!(r.right - labelWidth < x && x < r.right && r.bottom < y && y < r.bottom + stripHeight)) return false;
    static constexpr ReplayIcon columns[] = {ReplayIcon::Save, ReplayIcon::GoToStart, ReplayIcon::Play,
                                             ReplayIcon::Pause, ReplayIcon::GoToEnd};
    int column = 4;
    for (int k = 1; k <= 4; ++k)
        if (x < r.right - labelWidth + k * replayIconWidth) {
            column = k - 1;
            break;
        }
    icon = columns[column];
    return true;
}

MouseAnswer ParameterMouse::press(Session &session, PlaneView &view, int32_t x, int32_t y) {
    ParameterSpaceState &ps = session.parameterSpace;
    view.mouseDown = 1;
    view.dragAnchor = {x, y};
    grabbed_ = nullptr;
    // Vertices are grabbed with the dot tool only: the hand tool edits nothing.
    if (ps.viewMode == modeManual && ps.editTool == toolMoveVertex && !ps.handTool && userPathSelected(ps))
        grabbed_ = grabVertex(ps.userPath, x, y, screenOf(view));
    return {};
}

bool ParameterMouse::grabbedStillOnPath(const Session &session) const {
    const ParameterSpaceState &ps = session.parameterSpace;
    if (!grabbed_ || !userPathSelected(ps)) return false;
    for (const PathSegment *s = ps.userPath; s != nullptr; s = s->next)
        if (s == grabbed_) return true;
    return false;
}

bool ParameterMouse::updatePointedLocus(Session &session, const PlaneView &view, int32_t x, int32_t y) {
    ParameterSpaceState &ps = session.parameterSpace;
    for (const Term *t = session.state.branchLoci.get(); t != nullptr; t = t->next) {
        const PixelPoint p = view.toScreen(t->coef);
        const int64_t px = p.x, py = p.y;
        if (px - pointedBefore <= x && x < px + pointedAfter && py - pointedBefore <= y && y < py + pointedAfter) {
            ps.pointedLocus = t->coef;
            ps.pointedLocusShown = 1;
            return true;
        }
    }
    const bool wasShown = ps.pointedLocusShown != 0;
    ps.pointedLocusShown = 0;
    return wasShown;
}

MouseAnswer ParameterMouse::move(Session &session, PlaneView &view, int32_t x, int32_t y) {
    ParameterSpaceState &ps = session.parameterSpace;
    MouseAnswer a;
    const Complex m = view.toWorld(x, y);
    if (ps.viewMode == modeArt && ps.artTracing) {
        a.tick = freeHandStep(session, m);
    } else if (ps.viewMode == modeManual && ps.editTool == toolMoveVertex && grabbed_) {
        if (grabbedStillOnPath(session))
            dragVertex(grabbed_, m);
        else
            grabbed_ = nullptr;
        a.tick.repaintParameter = true;
    } else if (!ps.handTool) {
        a.tick.repaintParameter = updatePointedLocus(session, view, x, y);
    }
    if (view.mouseDown && ps.handTool) {
        view.dragTo(x, y);
        a.tick.repaintParameter = true;
    }
    return a;
}

MouseAnswer ParameterMouse::release(Session &session, PlaneView &view, int32_t x, int32_t y) {
    ParameterSpaceState &ps = session.parameterSpace;
    MouseAnswer a;
    const bool dot = !ps.handTool;
    const bool inPlane = view.planeRect.contains(x, y);
    const bool onInfinity = infinityIconRect(view).contains(x, y);
    const Complex m = view.toWorld(x, y);

    if (ps.viewMode == modeAuto) {
        if (dot && (inPlane || onInfinity)) startAutoLoop(session, loopIndexAt(session, m, onInfinity));
    } else if (ps.viewMode == modeManual && ps.selectFromAuto && dot) {
        if (inPlane || onInfinity) {
            chooseManualLoop(session, loopIndexAt(session, m, onInfinity));
            a.menusChanged = true;
            a.tick.repaintParameter = a.tick.repaintSolution = true;
        }
    } else if (ps.viewMode == modeManual && dot) {
        switch (ps.editTool) {
        case toolNone:
            if (ps.newPathArmed) a.tick = restartTracesAt(session, m);
            break;
        case toolAddVertex:
            addVertexAt(session, m, view.scale);
            a.menusChanged = true;
            a.tick.repaintParameter = true;
            break;
        case toolDeleteVertex:
            a.tick.repaintParameter = deleteVertexAt(session, x, y, screenOf(view));
            break;
        case toolLineToArc:
        case toolArcToLine:
            a.tick.repaintParameter = changeSegmentAt(session, m, view.scale, ps.editTool);
            break;
        default:
            // Move Vertex lets go of the vertex below.
            break;
        }
    } else if (ps.viewMode == modeArt) {
        if (dot && inPlane) a.tick = toggleArtTracing(session, m, artCloseRadiusPixels / view.scale);
    }
    grabbed_ = nullptr;
    ReplayIcon icon;
    if (replayIconAt(view, x, y, icon)) {
        const IconResult r = replayIconClick(session, icon);
        a.saveRequested = r.saveRequested;
        a.tick.repaintParameter |= r.tick.repaintParameter;
        a.tick.repaintSolution |= r.tick.repaintSolution;
    }
    view.mouseDown = 0;
    return a;
}

}  // namespace quorvel
