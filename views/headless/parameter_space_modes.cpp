#include "views/headless/parameter_space_modes.h"

#include "engine/error.h"

#include "pipeline/session.h"
#include "tracing/path_editing.h"

namespace quorvel {

namespace {

bool artRunning(const ParameterSpaceState &ps) { return ps.viewMode == modeArt && ps.artTracing; }

}  // namespace

int toolCommand(int16_t tool) {
    switch (tool) {
    case toolAddVertex:
        return psw::addVertex;
    case toolMoveVertex:
        return psw::moveVertex;
    case toolDeleteVertex:
        return psw::deleteVertex;
    case toolLineToArc:
        return psw::lineToArc;
    case toolArcToLine:
        return psw::arcToLine;
    default:
        return 0;
    }
}

int16_t toolOfCommand(int id) {
    for (int16_t tool = toolAddVertex; tool <= toolArcToLine; ++tool)
        if (toolCommand(tool) == id) return tool;
    return toolNone;
}

ParameterMenuState menuState(const ParameterSpaceState &ps) {
    ParameterMenuState m;
    m.modeItemsEnabled = ps.handTool == 0;
    m.checkedMode = ps.viewMode;
    m.pathItemsEnabled = ps.viewMode == modeManual;
    m.newPathChecked = ps.newPathArmed != 0;
    m.selectFromAutoChecked = ps.selectFromAuto != 0;
    m.checkedTool = ps.editTool;
    m.handPushed = ps.handTool != 0;
    return m;
}

bool enterAutoMode(ParameterSpaceState &ps) {
    if (artRunning(ps)) return false;
    ps.viewMode = modeAuto;
    ps.pathDisplay = pathDisplayAuto;
    return true;
}

bool enterManualMode(ParameterSpaceState &ps) {
    if (artRunning(ps)) return false;
    ps.viewMode = modeManual;
    ps.pathDisplay = pathDisplayAuto;
    ps.selectFromAuto = 1;
    ps.newPathArmed = 0;
    ps.editTool = toolNone;
    return true;
}

void enterArtMode(ParameterSpaceState &ps) {
    ps.viewMode = modeArt;
    ps.pathDisplay = pathDisplayNone;
    ps.markerShown = 0;
    ps.handTool = 0;
}

void toggleNewPath(ParameterSpaceState &ps) {
    if (ps.newPathArmed) {
        ps.newPathArmed = 0;
        ps.pathDisplay = pathDisplayNone;
        return;
    }
    // One click, one meaning: New Path and Select Path exclude each other.
    ps.newPathArmed = 1;
    ps.selectFromAuto = 0;
    ps.pathDisplay = pathDisplayNone;
    ps.editTool = toolNone;
}

bool toggleSelectFromAuto(ParameterSpaceState &ps) {
    if (ps.selectFromAuto) {
        ps.selectFromAuto = 0;
        ps.pathDisplay = pathDisplayNone;
        return false;
    }
    ps.selectFromAuto = 1;
    ps.newPathArmed = 0;
    ps.pathDisplay = pathDisplayAuto;
    ps.editTool = toolNone;
    return true;
}

void selectEditTool(ParameterSpaceState &ps, int16_t tool) {
    if (tool < toolNone || tool > toolArcToLine) return;
    ps.editTool = tool;
}

bool selectHandTool(ParameterSpaceState &ps) {
    if (artRunning(ps)) return false;
    ps.handTool = 1;
    return true;
}

void selectDotTool(ParameterSpaceState &ps) {
    ps.handTool = 0;
    if (ps.viewMode == modeAuto)
        enterAutoMode(ps);
    else if (ps.viewMode == modeArt)
        enterArtMode(ps);
}

bool userPathSelected(const ParameterSpaceState &ps) {
    return ps.userPath != nullptr && ps.selectedPath == ps.userPath;
}

int addVertexAt(Session &session, Complex m, double scale) {
    ParameterSpaceState &ps = session.parameterSpace;
    int inserted = 0;
    if (userPathSelected(ps)) inserted = insertVertices(session.segmentPool, ps.userPath, m, scale);
    if (inserted == 0) {
        // The tool stays: the user clicks again, on the path.
        showError("There is no segment of the path under the pointer.",
                  "Click on the drawn path to add a vertex there");
        return 0;
    }
    ps.editTool = toolMoveVertex;
    return inserted;
}

bool deleteVertexAt(Session &session, int32_t x, int32_t y, const WorldToScreen &toScreen) {
    ParameterSpaceState &ps = session.parameterSpace;
    if (!userPathSelected(ps)) return false;
    PathSegment *grabbed = grabVertex(ps.userPath, x, y, toScreen);
    if (!grabbed) return false;
    // A run on the path continues on the joined segment, never on the
    // released one.
    if (ps.currentSegment == grabbed->next) {
        ps.currentSegment = grabbed;
        session.run.work.segmentPosition = 0.0;
    }
    return deleteVertex(session.segmentPool, grabbed);
}

bool changeSegmentAt(Session &session, Complex m, double scale, int16_t tool) {
    ParameterSpaceState &ps = session.parameterSpace;
    if (!userPathSelected(ps)) return false;
    PathSegment *s = segmentUnder(ps.userPath, m, scale);
    if (!s) return false;
    if (tool == toolLineToArc) return lineToArc(s);
    if (tool == toolArcToLine) return arcToLine(s);
    return false;
}

void clearUserPath(Session &session) {
    ParameterSpaceState &ps = session.parameterSpace;
    if (userPathSelected(ps) && session.traces.tracingState == tracingRunning) session.stopTimer();
    // Releases the segments and clears a selection that pointed into them.
    ps.storeUserPath(session.segmentPool, nullptr);
    ps.selectFromAuto = 1;
    ps.editTool = toolNone;
    ps.pathDisplay = pathDisplayAuto;
}

}  // namespace quorvel
