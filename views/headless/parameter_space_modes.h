// The modes and tools of the Parameter Space window as plain state changes:
// what each Mode, Path and tool command does to the window's state, and the
// enabling and check marks of the menus that follow from that state. No Qt:
// the window calls these and then shows what menuState answers.
#pragma once

#include <cstdint>

#include "engine/complex.h"
#include "tracing/path_editing.h"
#include "tracing/view_state.h"
#include "views/headless/plane_commands.h"

namespace quorvel {

class Session;


inline constexpr int16_t toolNone = 0;
inline constexpr int16_t toolAddVertex = 1;
inline constexpr int16_t toolMoveVertex = 2;
inline constexpr int16_t toolDeleteVertex = 3;
inline constexpr int16_t toolLineToArc = 4;
inline constexpr int16_t toolArcToLine = 5;

// The menu command of an edit tool (1 to 5), 0 for none.
int toolCommand(int16_t tool);
// The edit tool (1 to 5) of a menu command, toolNone for any other.
int16_t toolOfCommand(int id);

// What the menus and the tool buttons show for a state.
struct ParameterMenuState {
    bool modeItemsEnabled = true;  // greyed while the hand tool is on
    int16_t checkedMode = modeAuto;
    bool pathItemsEnabled = false;  // the Path items, Manual mode only
    bool newPathChecked = false;
    bool selectFromAutoChecked = false;
    int16_t checkedTool = toolNone;  // exactly the tool in use is checked
    bool handPushed = false;         // else the dot button is pushed
};
ParameterMenuState menuState(const ParameterSpaceState &ps);

// Auto and Manual are refused (false) while free-hand tracing runs in Art
// mode; Art is always accepted.
bool enterAutoMode(ParameterSpaceState &ps);
bool enterManualMode(ParameterSpaceState &ps);
void enterArtMode(ParameterSpaceState &ps);
// "&New Path": arms or disarms the restart at the next click.
void toggleNewPath(ParameterSpaceState &ps);
// "&Select Path from Auto-mode paths": answers whether the window repaints
// (when the choice is switched on and the loops are shown).
bool toggleSelectFromAuto(ParameterSpaceState &ps);
void selectEditTool(ParameterSpaceState &ps, int16_t tool);
// The hand button; refused (false) while free-hand tracing runs.
bool selectHandTool(ParameterSpaceState &ps);
// The dot button: the dot tool, then the current mode once more (Auto and
// Art in full, Manual only in its menus, which follow from the state).
void selectDotTool(ParameterSpaceState &ps);

// The user's path may be edited: it is the path shown and traced.
bool userPathSelected(const ParameterSpaceState &ps);
// Add Vertex click at the world point m: vertices are inserted on the
// user's path, then the tool becomes Move Vertex. Answers the number of
// vertices inserted.
int addVertexAt(Session &session, Complex m, double scale);
// Delete Vertex click at pixel (x, y): the inner vertex of the user's path
// under the cursor (the grab box of Move Vertex) goes, its two segments
// joined. Answers whether one went.
bool deleteVertexAt(Session &session, int32_t x, int32_t y, const WorldToScreen &toScreen);
// Change Line into Arc (toolLineToArc) or Change Arc into Line
// (toolArcToLine) click at the world point m: the segment of the user's path
// under it (within 5 pixels) changes. Answers whether one changed.
bool changeSegmentAt(Session &session, Complex m, double scale, int16_t tool);
// "&Clear Path": the user's path is released and the loops are offered
// again, as "&Select Path from Auto-mode paths" offers them. A run along
// the path stops first, so that no link is left pointing into the released
// segments; the traces stay.
void clearUserPath(Session &session);

}  // namespace quorvel
