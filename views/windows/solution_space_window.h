// The "Solution Space" window: the plane of the fiber variable with the
// fiber points as tracing moves them, their traces and names; the View and
// Mode menus and the popup; the zoom, hand and dot tools; the trace-mode,
// name-mode, braid and warning buttons of the top strip; a click on a point
// opens its information dialog.
#pragma once

#include <QWidget>
#include <map>
#include <memory>

#include "views/windows/picture_file.h"
#include "views/headless/plane_commands.h"
#include "views/windows/solution_space_renderer.h"

class QAction;
class QMenu;
class QMenuBar;
class QToolButton;

namespace quorvel {

class PlaneWindows;
class Session;

// Menu and button ids (the shared table's).
inline constexpr int commandZoomIn = psw::zoomIn;
inline constexpr int commandZoomOut = psw::zoomOut;
inline constexpr int commandUp = psw::up;
inline constexpr int commandDown = psw::down;
inline constexpr int commandLeft = psw::left;
inline constexpr int commandRight = psw::right;
inline constexpr int commandTraceMode = psw::traceMode;
inline constexpr int commandNameOn = psw::nameOn;
inline constexpr int commandDefaultSize = psw::defaultSize;
inline constexpr int commandDisplayAll = psw::displayAll;
inline constexpr int buttonZoomIn = psw::zoomInButton;
inline constexpr int buttonZoomOut = psw::zoomOutButton;
inline constexpr int buttonHand = psw::handButton;
inline constexpr int buttonDot = psw::dotButton;

class SolutionSpaceWindow : public QWidget {
    Q_OBJECT

public:
    // The look (view and modes) outlives the window, so a window opened
    // again shows the plane as it was left.
    SolutionSpaceWindow(Session &session, std::shared_ptr<SolutionSpaceLook> look,
                        QWidget *parent = nullptr);
    ~SolutionSpaceWindow() override;

    // The area below the menu bar: the two strips and the plane, in the
    // pixels the drawing and the mouse use.
    QWidget *client() const;
    QAction *menuCommand(int id) const;
    QMenu *popupMenu() const { return popup_; }
    QToolButton *toolButton(int id) const;
    SolutionSpaceLook &look() { return *look_; }
    const SolutionSpaceLook &look() const { return *look_; }

    // ---- commands ----------------------------------------------------------
    void zoomIn();
    void zoomOut();
    void panUp();
    void panDown();
    void panLeft();
    void panRight();
    void defaultSize();
    // Fits every recorded position of every step.
    void displayAll();
    void selectHandTool();
    void selectDotTool();
    // "&Trace Mode" and "&Name On": the menu item is checked when the mode
    // was off before the command and unchecked otherwise; then the mode
    // flips.
    void toggleTraceMode();
    void toggleNameMode();
    // The braid button: the permutation of the finished trace and the braid
    // in "Braid Information" (the open one is raised instead).
    void showBraidInformation();
    // "Save picture…": the client area as the window shows it, PNG or SVG.
    void savePicture();
    bool savePictureTo(const QString &path, const FileWrite &how = {});
    void setPictureChooser(PictureChooser chooser) { choosePicture_ = std::move(chooser); }
    // The warning button: why a relaxed trace may be wrong.
    void explainWarning();
    // Opens the information of the point of the current step under the
    // pixel, if one is closer than 10 pixels (an open one is raised instead).
    void pickAt(int x, int y);

signals:
    // A point was renamed: the main form's fiber list shows the names.
    void formChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    class Client;

    void buildMenus();
    void buildToolButtons();
    void repaintPlane();
    void mouseReleased(int x, int y);
    void paintClient(QPainter &painter, const QSize &size);

    Session &session_;
    std::shared_ptr<SolutionSpaceLook> look_;
    QMenuBar *menuBar_ = nullptr;
    Client *client_ = nullptr;
    QMenu *popup_ = nullptr;
    QAction *popupTraceMode_ = nullptr;
    QAction *popupNameMode_ = nullptr;
    std::map<int, QAction *> commands_;
    std::map<int, QToolButton *> tools_;
    PictureChooser choosePicture_;
    // The off-screen canvas the plane is drawn into: 1024 x 768, larger
    // when the window is.
    QImage canvas_;
};

// Makes "Display parameter space" open this window as its Solution Space
// window; the view and modes are kept while the program runs.
void installSolutionSpaceWindow(PlaneWindows &windows, Session &session);

}  // namespace quorvel
