// The mouse of the Parameter Space window as plain rules: what a press, a
// move and a release do by mode, tool and what lies under the pointer (the
// plane, the infinity icon, the replay icons, a locus, a vertex of the
// user's path). No Qt: the window hands over client pixels and carries out
// what the answer asks (repaint, timer, menus, the save dialog).
#pragma once

#include <cstdint>

#include "pipeline/tracer.h"
#include "tracing/paths.h"
#include "views/headless/plane_view.h"

namespace quorvel {

class Session;

// Where the icons of the strips are, in client pixels.
PixelRect infinityIconRect(const PlaneView &view);
// The bottom strip's icon under a release, or none.
bool replayIconAt(const PlaneView &view, int32_t x, int32_t y, ReplayIcon &icon);

// What an event asks of the window.
struct MouseAnswer {
    TickResult tick;            // repaint flags and the timer
    bool menusChanged = false;  // the check marks follow the state
    bool saveRequested = false; // the save icon: the "Save file" dialog
};

class ParameterMouse {
public:
    MouseAnswer press(Session &session, PlaneView &view, int32_t x, int32_t y);
    MouseAnswer move(Session &session, PlaneView &view, int32_t x, int32_t y);
    MouseAnswer release(Session &session, PlaneView &view, int32_t x, int32_t y);

    // The vertex being dragged (Move Vertex), or nullptr.
    PathSegment *grabbed() const { return grabbed_; }
    // Lets go of the vertex: the path it was on may be replaced.
    void forget() { grabbed_ = nullptr; }

private:
    bool grabbedStillOnPath(const Session &session) const;
    bool updatePointedLocus(Session &session, const PlaneView &view, int32_t x, int32_t y);

    PathSegment *grabbed_ = nullptr;
};

}  // namespace quorvel
