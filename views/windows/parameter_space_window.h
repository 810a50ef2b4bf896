// The "Parameter Space" window: the plane of the parameter with its grid,
// branch loci, marker and paths; the menus of navigation, modes and path
// tools; the mouse that starts tracing, edits the Manual path or traces
// free-hand; the replay icons; and the 100 ms timer that drives tracing and
// replay. The window only translates: every change of state is a headless
// call on the Session, after which it repaints what the call reports.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>

#include "views/dialogs/file_dialogs.h"
#include "views/headless/parameter_mouse.h"
#include "views/windows/picture_file.h"
#include "views/windows/parameter_space_renderer.h"
#include "views/headless/plane_view.h"

class QAction;
class QMenu;
class QProgressBar;
class QMenuBar;
class QToolButton;

namespace quorvel {

class AllLoopsRun;
class MonodromyGroupDialog;
class PlaneWindows;
class Session;
struct TickResult;
class ParameterPlane;

class ParameterSpaceWindow : public QWidget {
    Q_OBJECT

public:
    // `view` is the plane geometry that outlives the window, so a window
    // opened again shows the plane as it was left; without one the window
    // keeps its own.
    explicit ParameterSpaceWindow(Session &session, std::shared_ptr<PlaneView> view = nullptr,
                                  QWidget *parent = nullptr);
    ~ParameterSpaceWindow() override;

    PlaneView &view() { return *view_; }
    // The client area below the menu bar: the strips and the plane.
    QWidget *plane() const;
    // The action of a menu command id (menu bar and popup share it); the
    // popup's own items are popupAction.
    QAction *action(int id) const;
    QAction *popupAction(int id) const;
    QToolButton *toolButton(int id) const;
    bool timerActive() const { return timer_.isActive(); }
    void setFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    void setPictureChooser(PictureChooser chooser) { choosePicture_ = std::move(chooser); }

    // The right-button menu as it would be shown now (the caller owns it).
    QMenu *createPopup();

    // ---- commands -----------------------------------------------------------
    void zoomIn();
    void zoomOut();
    void panUp();
    void panDown();
    void panLeft();
    void panRight();
    void defaultSize();
    void displayAll();
    void selectHandTool();
    void selectDotTool();
    void autoMode();
    void manualMode();
    void artMode();
    void newPath();
    void selectPathFromAuto();
    void startTracing();
    void selectTool(int16_t tool);
    void clearPath();
    void saveFile();
    void loadFromFile();
    // "Save picture…": the client area as the window shows it, PNG or SVG.
    void savePicture();
    bool savePictureTo(const QString &path, const FileWrite &how = {});
    // One timeout of the 100 ms timer.
    void tick();
    // Runs a menu command, then shows the failures it met.
    void runCommand(void (ParameterSpaceWindow::*slot)());
    // "Trace all loops": every auto-mode loop in turn, several steps per
    // timeout, with a progress bar; then the group in a dialog.
    void traceAllLoops();
    // One timeout of that run; false once it has ended.
    bool allLoopsTick();
    // The Cancel button of that run: it stops where it is, no group shown.
    void cancelAllLoops();
    // Mode > Certify; the proof of a loop that has ended, a slice per tick
    // of its own timer, with a progress bar and Cancel.
    void toggleCertify();
    void startCertifying();
    bool certifyTick();
    void cancelCertifying();
    bool allLoopsRunning() const;
    MonodromyGroupDialog *groupDialog() const { return groupDialog_; }

    // ---- the client area's events (in client pixels) ---------------------------
    void paintClient(QPainter &painter);
    void mousePressed(QPoint position);
    void mouseMoved(QPoint position);
    void mouseReleased(QPoint position);
    void clientResized(QSize size);
    // The tooltip of the strip icon at a client pixel; empty elsewhere.
    QString tipAt(QPoint position) const;
    void showPopup(QPoint globalPosition);

signals:
    // The Solution Space window should repaint.
    void solutionChanged();
    // The main form's fields changed (a load replaced the curve).
    void formChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void buildButtons();
    QAction *addCommand(QMenu *menu, int id, const char *text, void (ParameterSpaceWindow::*slot)(),
                        bool checkable = false);
    QAction *addPopupCommand(int id, const char *text, void (ParameterSpaceWindow::*slot)());
    void showMenuState();
    void syncTimer();
    void apply(const TickResult &r);
    void repaintBoth();
    void carryOut(const MouseAnswer &answer);
    Complex world(QPoint position) const;

    Session &session_;
    std::shared_ptr<PlaneView> view_;
    ParameterSpaceRenderer renderer_;
    QImage canvas_;
    QTimer timer_;
    FileChooser chooseFile_;
    PictureChooser choosePicture_;
    QMenuBar *menuBar_ = nullptr;
    ParameterPlane *plane_ = nullptr;
    std::map<int, QAction *> actions_;
    std::map<int, QAction *> popupActions_;
    std::map<int, QToolButton *> buttons_;
    ParameterMouse mouse_;
    std::unique_ptr<AllLoopsRun> allLoops_;
    QTimer allLoopsTimer_;
    QWidget *allLoopsPanel_ = nullptr;
    QProgressBar *allLoopsProgress_ = nullptr;
    QTimer certifyTimer_;
    QWidget *certifyPanel_ = nullptr;
    QProgressBar *certifyProgress_ = nullptr;
    MonodromyGroupDialog *groupDialog_ = nullptr;
};

// Makes "Display parameter space" open this window. The plane geometry is
// kept while the program runs, and the window's solutionChanged repaints
// whichever Solution Space window is open.
void installParameterSpaceWindow(PlaneWindows &windows, Session &session);

}  // namespace quorvel
