// The guard every command of the main form ends with: no computed value
// that is not a finite number stays in the Session.
#pragma once

namespace quorvel {

class Session;

// When a value the last command computed is infinite or NaN (a curve whose
// coefficients span more than the double range), the stage falls back to
// the last one whose values are all finite, the values of the later stages
// return to their start-up state (a non-finite base point to "none chosen"),
// the traces, loops and the views' copies follow, and the failure is shown.
// Answers true when everything held was finite already.
bool keepFinite(Session &session);

}  // namespace quorvel
