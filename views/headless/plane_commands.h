// The command ids and menu texts of the two plane windows, defined once:
// the menu bars, the right-button popups and the tool buttons of both
// windows are built from these tables. No Qt, so the window rules and
// their tests share them.
#pragma once

namespace quorvel {

namespace psw {
// Tool buttons of both windows.
inline constexpr int zoomInButton = 1042;
inline constexpr int zoomOutButton = 1043;
inline constexpr int handButton = 1056;
inline constexpr int dotButton = 1058;

// View menu of both windows.
inline constexpr int zoomIn = 32771;
inline constexpr int zoomOut = 32772;
inline constexpr int up = 32774;
inline constexpr int down = 32775;
inline constexpr int left = 32776;
inline constexpr int right = 32777;
inline constexpr int defaultSize = 32799;
inline constexpr int displayAll = 32800;

// Parameter Space: File, Mode and Path menus and the popup.
inline constexpr int saveFile = 32791;
inline constexpr int loadFromFile = 32790;
inline constexpr int autoMode = 32783;
inline constexpr int manualMode = 32784;
inline constexpr int artMode = 32785;
inline constexpr int clearPath = 32787;
inline constexpr int newPath = 32793;
inline constexpr int selectFromAuto = 32801;
inline constexpr int startTracing = 32802;
inline constexpr int addVertex = 32794;
inline constexpr int moveVertex = 32795;
inline constexpr int deleteVertex = 32798;
inline constexpr int lineToArc = 32796;
inline constexpr int arcToLine = 32797;

// Solution Space: Mode menu.
inline constexpr int traceMode = 32788;
inline constexpr int nameOn = 32792;

// "Save picture…" of both windows (a command of this program's own).
inline constexpr int savePicture = 40001;
// "Trace all loops" in the Parameter Space's Mode menu (also this program's own).
inline constexpr int traceAllLoops = 40002;
// "Certify" in the Parameter Space's Mode menu (this program's own): every
// loop that ends is then proven with ball arithmetic.
inline constexpr int certify = 40003;
inline constexpr const char *traceAllLoopsText = "Trace &all loops";
inline constexpr const char *certifyText = "&Certify";
}  // namespace psw

struct CommandText {
    int id;
    const char *text;  // nullptr: a separator
};

// The View menu of both windows.
inline constexpr CommandText viewMenuTexts[] = {
    {psw::zoomIn, "Zoom &In \t(Ctrl + U)"},
    {psw::zoomOut, "Zoom &Out \t(Ctrl + O)"},
    {0, nullptr},
    {psw::up, "&Up \t(Ctrl + I)"},
    {psw::down, "&Down \t(Ctrl + K)"},
    {psw::left, "&Left \t(Ctrl + J)"},
    {psw::right, "&Right \t(Ctrl + L)"},
    {0, nullptr},
    {psw::defaultSize, "D&efault size"},
    {psw::displayAll, "Di&splay all"},
};

// The navigation items that open both popups: Right before Left, each
// with the key of the menu bar's item.
inline constexpr CommandText navigationPopupTexts[] = {
    {psw::zoomIn, "Zoom &In \t(Ctrl + U)"},
    {psw::zoomOut, "Zoom &Out \t(Ctrl + O)"},
    {psw::up, "&Up \t(Ctrl + I)"},
    {psw::down, "&Down \t(Ctrl + K)"},
    {psw::right, "&Right \t(Ctrl + L)"},
    {psw::left, "&Left \t(Ctrl + J)"},
};

// Parameter Space.
inline constexpr CommandText parameterFileTexts[] = {
    {psw::saveFile, "Save file"},
    {psw::loadFromFile, "&Load from file"},
};
inline constexpr CommandText parameterModeTexts[] = {
    {psw::autoMode, "&Auto Mode"},
    {psw::manualMode, "&Manual Mode"},
    {psw::artMode, "A&rt Mode"},
};
inline constexpr CommandText parameterPathTexts[] = {
    {psw::newPath, "&New Path"},
    {psw::selectFromAuto, "&Select Path from Auto-mode paths"},
    {psw::startTracing, "&Start tracing"},
    {0, nullptr},
    {psw::addVertex, "&Add Vertex"},
    {psw::moveVertex, "&Move Vertex"},
    {psw::deleteVertex, "&DeleteVertex"},
    {psw::lineToArc, "Change &Line into Arc "},
    {psw::arcToLine, "Change A&rc into Line"},
};
// The popup's own captions of the file commands and Clear Path.
inline constexpr CommandText parameterPopupTexts[] = {
    {psw::saveFile, "&Save File"},
    {psw::loadFromFile, "&Load From File"},
    {psw::clearPath, "&Clear Path"},
};

// Solution Space.
inline constexpr CommandText solutionModeTexts[] = {
    {psw::traceMode, "&Trace Mode"},
    {psw::nameOn, "&Name On"},
};
inline constexpr CommandText solutionPopupModeTexts[] = {
    {psw::traceMode, "&TraceMode \t(Ctrl + T)"},
    {psw::nameOn, "&NameMode \t(Ctrl + N)"},
};

// The text of a command in a table; nullptr when it is not there.
template <typename Table>
constexpr const char *commandText(const Table &table, int id) {
    for (const CommandText &c : table)
        if (c.id == id) return c.text;
    return nullptr;
}

}  // namespace quorvel
