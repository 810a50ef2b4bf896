// The Parameter Space window driven with the mouse and its menus, on the
// offscreen platform: what it shows after "Go", how clicks start, edit and
// steer tracing per mode and tool, the replay icons, navigation, the popup
// and closing.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

#include "app/plane_windows.h"
#include "dialog_answerer.h"
#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "tracing/paths.h"
#include "views/parameter_space_modes.h"
#include "views/parameter_space_renderer.h"
#include "views/parameter_space_window.h"

using namespace quorvel;
using quorvel::testing::DialogAnswerer;

namespace {

QStringList texts(const QList<QAction *> &actions) {
    QStringList out;
    for (const QAction *a : actions) out << (a->isSeparator() ? QString() : a->text());
    return out;
}

const QStringList navigationPopup = {
    QStringLiteral("Zoom &In \t(Ctrl + U)"), QStringLiteral("Zoom &Out \t(Ctrl + O)"),
    QStringLiteral("&Up \t(Ctrl + I)"),      QStringLiteral("&Down \t(Ctrl + K)"),
    QStringLiteral("&Right \t(Ctrl + J)"),   QStringLiteral("&Left \t(Ctrl + L)"),
};

// Counts the paint events a window receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// A point well inside the symbol of replay icon `column` (1 to 4): the
// left-pointing triangle, the triangle, the first bar, the triangle.
QPoint symbolPoint(int column) {
    static const QPoint points[] = {{15, 15}, {19, 15}, {14, 15}, {11, 15}, {12, 15}};
    return points[column];
}

}  // namespace

class ParameterSpaceWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsTheLocusTheMarkerAndTheLoopsAfterGo();
    void menuBarHasTheTextsOfTheCommands();
    void autoClickTracesTheLoopToItsEnd();
    void infinityIconChoosesTheLoopAroundAll();
    void handToolGreysTheModesAndEditsNothing();
    void popupFollowsModeAndTool_data();
    void popupFollowsModeAndTool();
    void popupOpensOnTheRightButton();
    void modeCommandsSetMenusAndDrawing_data();
    void modeCommandsSetMenusAndDrawing();
    void manualSelectionThenStartTracing();
    void startTracingNeedsAnEditTool();
    void addVertexThenDragIt();
    void eachToolActsWhereItIsClicked();
    void clearPathReleasesTheUserPathAndStopsItsRun();
    void newPathRestartsTheTracesAnywhere();
    void artModeTracesFreeHand();
    void replayIconsActByColumn_data();
    void replayIconsActByColumn();
    void pauseStepsThroughTheTraceThenPlayReplays();
    void saveIconThenLoadFromFile();
    void zoomKeepsTheCentre();
    void handDragKeepsThePointUnderTheCursor();
    void pointedLocusReadOutFollowsThePointer();
    void displayAllFitsTheLoci();
    void updatingTheWindowRepaintsThePlane();
    void closingStopsTheTimerAndClosesBoth();

private:
    void go(const char *polynomial) {
        session->typePolynomial(polynomial);
        QVERIFY(session->runPipeline());
        QCOMPARE(session->state.stage, stageFiber);
    }
    void open() {
        window = std::make_unique<ParameterSpaceWindow>(*session);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    QWidget *plane() { return window->plane(); }
    QPoint pixel(Complex z) {
        const PixelPoint p = window->view().toScreen(z);
        return {p.x, p.y};
    }
    QPoint locusPixel() { return pixel(pointAt(session->state.branchLoci.get(), 0)); }
    QImage shot() { return plane()->grab().toImage(); }
    void click(QPoint p) { QTest::mouseClick(plane(), Qt::LeftButton, {}, p); }
    void press(QPoint p) { QTest::mousePress(plane(), Qt::LeftButton, {}, p); }
    void release(QPoint p) { QTest::mouseRelease(plane(), Qt::LeftButton, {}, p); }
    void move(QPoint p, Qt::MouseButtons buttons = Qt::NoButton) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), plane()->mapToGlobal(QPointF(p)), Qt::NoButton, buttons,
                      Qt::NoModifier);
        QApplication::sendEvent(plane(), &e);
    }
    void trigger(int id) {
        QAction *a = window->action(id);
        QVERIFY2(a, qPrintable(QString::number(id)));
        a->trigger();
    }
    // Ticks the timer until it stops (at most `limit` ticks).
    int tickToTheEnd(int limit = 5000) {
        int n = 0;
        while (window->timerActive() && n < limit) {
            window->tick();
            ++n;
        }
        return n;
    }
    QPoint iconPoint(int offsetFromRight) {
        const PixelRect &r = window->view().planeRect;
        return {r.right - offsetFromRight, r.bottom + 15};
    }
    void chooseManualLoop() {
        trigger(psw::manualMode);
        click(locusPixel() + QPoint(2, 2));
        QVERIFY(userPathSelected(session->parameterSpace));
    }

    std::unique_ptr<Session> session;
    std::unique_ptr<ParameterSpaceWindow> window;
    ErrorHandler previousHandler;
    std::vector<std::string> errors;
};

void ParameterSpaceWindowTest::init() {
    errors.clear();
    previousHandler = setErrorHandler([this](const std::string &m, const std::string &) { errors.push_back(m); });
    session = std::make_unique<Session>();
}

void ParameterSpaceWindowTest::cleanup() {
    window.reset();
    session.reset();
    setErrorHandler(std::move(previousHandler));
}

void ParameterSpaceWindowTest::showsTheLocusTheMarkerAndTheLoopsAfterGo() {
    go("x^2-t");
    open();
    QCOMPARE(window->windowTitle(), QStringLiteral("Parameter Space"));
    QCOMPARE(window->view().scale, 100.0);
    const QImage image = shot();
    QCOMPARE(image.pixelColor(locusPixel()), locusBrushColour);
    QCOMPARE(image.pixelColor(pixel(session->state.basePoint)), markerBrushColour);
    QCOMPARE(session->parameterSpace.pathDisplay, pathDisplayAuto);
    // The loops are drawn in black: some segment's middle is on the screen.
    int blackMiddles = 0;
    for (const PathSegment *s = session->parameterSpace.autoPaths; s; s = s->next) {
        const QPoint p = pixel(segmentPoint(s, 0.5));
        if (plane()->rect().contains(p) && image.pixelColor(p) == QColor(Qt::black)) ++blackMiddles;
    }
    QVERIFY(blackMiddles > 0);
    // The view opens centred on the origin.
    QVERIFY(qAbs(window->view().viewCentre().re) < 1e-9);
    QVERIFY(qAbs(window->view().viewCentre().im) < 1e-9);
}

void ParameterSpaceWindowTest::menuBarHasTheTextsOfTheCommands() {
    open();
    const QList<QAction *> menus = window->findChild<QMenuBar *>()->actions();
    QCOMPARE(menus.size(), 4);
    QCOMPARE(texts(menus[0]->menu()->actions()),
             (QStringList{"Save file", "&Load from file", QString(), QString::fromUtf8("Save picture…")}));
    QCOMPARE(texts(menus[1]->menu()->actions()),
             (QStringList{"Zoom &In \t(Ctrl + U)", "Zoom &Out \t(Ctrl + O)", "", "&Up \t(Ctrl + I)",
                          "&Down \t(Ctrl + K)", "&Left \t(Ctrl + J)", "&Right \t(Ctrl + L)", "", "D&efault size",
                          "Di&splay all"}));
    QCOMPARE(texts(menus[2]->menu()->actions()), (QStringList{"&Auto Mode", "&Manual Mode", "A&rt Mode"}));
    QCOMPARE(texts(menus[3]->menu()->actions()),
             (QStringList{"&New Path", "&Select Path from Auto-mode paths", "&Start tracing", "", "&Add Vertex",
                          "&Move Vertex", "&DeleteVertex", "Change &Line into Arc ", "Change A&rc into Line"}));
    // The ids stay traceable.
    QCOMPARE(window->action(psw::right)->objectName(), QStringLiteral("action32777"));
    QCOMPARE(window->action(psw::right)->text(), QStringLiteral("&Right \t(Ctrl + L)"));
}

void ParameterSpaceWindowTest::autoClickTracesTheLoopToItsEnd() {
    go("x^2-t");
    open();
    QSignalSpy solution(window.get(), &ParameterSpaceWindow::solutionChanged);
    click(locusPixel() + QPoint(3, 3));
    QVERIFY(window->timerActive());
    QCOMPARE(session->traces.tracingState, tracingRunning);
    QCOMPARE(session->parameterSpace.pathDisplay, pathDisplaySelected);
    QCOMPARE(session->parameterSpace.selectedPath, findPathStart(session->parameterSpace.autoPaths, 0));

    const int ticks = tickToTheEnd();
    QVERIFY(ticks > 10);
    QVERIFY(!window->timerActive());
    QCOMPARE(session->traces.tracingState, tracingFinished);
    QCOMPARE(session->state.replayAtEnd, int16_t{1});
    QVERIFY(solution.count() >= ticks - 1);
    // Around the one branch locus the two points change places once.
    QCOMPARE(session->solutionSpace.braidWord.count(), 1);
    QVERIFY(errors.empty());
    // The marker is back at the base point.
    QCOMPARE(shot().pixelColor(pixel(session->state.basePoint)), markerBrushColour);
}

void ParameterSpaceWindowTest::infinityIconChoosesTheLoopAroundAll() {
    go("x^3+t*x+t^2-1");
    open();
    const PixelRect &r = window->view().planeRect;
    click(QPoint(r.left + 135, r.top - 15));
    QVERIFY(window->timerActive());
    const int loci = countPoints(session->state.branchLoci.get());
    QCOMPARE(session->parameterSpace.selectedPath, findPathStart(session->parameterSpace.autoPaths, loci));
    // A click in the plane far from every locus takes the nearest one's loop.
    click(QPoint(r.right - 5, r.top + 5));
    const int nearest = nearestPoint(session->state.branchLoci.get(), window->view().toWorld(r.right - 5, r.top + 5));
    QCOMPARE(session->parameterSpace.selectedPath, findPathStart(session->parameterSpace.autoPaths, nearest));
}

void ParameterSpaceWindowTest::handToolGreysTheModesAndEditsNothing() {
    go("x^2-t");
    open();
    QTest::mouseClick(window->toolButton(psw::handButton), Qt::LeftButton);
    QVERIFY(window->toolButton(psw::handButton)->isChecked());
    QVERIFY(!window->toolButton(psw::dotButton)->isChecked());
    for (int id : {psw::autoMode, psw::manualMode, psw::artMode}) QVERIFY(!window->action(id)->isEnabled());
    std::unique_ptr<QMenu> popup(window->createPopup());
    QCOMPARE(texts(popup->actions()), navigationPopup);

    const int16_t state = session->traces.tracingState;
    const int steps = session->traces.traceStepCount;
    click(locusPixel());
    QVERIFY(!window->timerActive());
    QCOMPARE(session->traces.tracingState, state);
    QCOMPARE(session->traces.traceStepCount, steps);
    QCOMPARE(session->parameterSpace.pathDisplay, pathDisplayAuto);

    // A zoom keeps the hand tool.
    QTest::mouseClick(window->toolButton(psw::zoomInButton), Qt::LeftButton);
    QVERIFY(window->toolButton(psw::handButton)->isChecked());
    QVERIFY(!window->toolButton(psw::zoomInButton)->isChecked());

    QTest::mouseClick(window->toolButton(psw::dotButton), Qt::LeftButton);
    QVERIFY(window->toolButton(psw::dotButton)->isChecked());
    QVERIFY(!window->toolButton(psw::handButton)->isChecked());
    for (int id : {psw::autoMode, psw::manualMode, psw::artMode}) QVERIFY(window->action(id)->isEnabled());
}

void ParameterSpaceWindowTest::popupFollowsModeAndTool_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("after");
    const QStringList modes = {"", "&Auto Mode", "&Manual Mode", "A&rt Mode", ""};
    QTest::newRow("auto") << psw::autoMode << modes + QStringList{"&Save File", "", "&Load From File"};
    QTest::newRow("manual") << psw::manualMode
                            << modes + QStringList{"&Save File", "", "&Load From File", "&Clear Path"};
    QTest::newRow("art") << psw::artMode << modes + QStringList{"&Load From File"};
}

void ParameterSpaceWindowTest::popupFollowsModeAndTool() {
    QFETCH(int, mode);
    QFETCH(QStringList, after);
    open();
    trigger(mode);
    std::unique_ptr<QMenu> popup(window->createPopup());
    QCOMPARE(texts(popup->actions()), navigationPopup + after);
    // The current mode's item is checked, the others not.
    for (int id : {psw::autoMode, psw::manualMode, psw::artMode})
        QCOMPARE(window->action(id)->isChecked(), id == mode);
}

void ParameterSpaceWindowTest::popupOpensOnTheRightButton() {
    open();
    QStringList seen;
    QTimer::singleShot(0, this, [&seen] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            seen = texts(menu->actions());
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(100, 100), plane()->mapToGlobal(QPoint(100, 100)));
    QApplication::sendEvent(plane(), &event);
    QCOMPARE(seen.size(), 14);
    QCOMPARE(seen.mid(0, 6), navigationPopup);
}

void ParameterSpaceWindowTest::modeCommandsSetMenusAndDrawing_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("viewMode");
    QTest::addColumn<bool>("pathItems");
    QTest::addColumn<bool>("selectChecked");
    QTest::addColumn<int>("pathDisplay");
    QTest::addColumn<bool>("markerShown");
    QTest::newRow("auto") << psw::autoMode << int(modeAuto) << false << false << int(pathDisplayAuto) << true;
    QTest::newRow("manual") << psw::manualMode << int(modeManual) << true << true << int(pathDisplayAuto) << true;
    QTest::newRow("art") << psw::artMode << int(modeArt) << false << false << int(pathDisplayNone) << false;
}

void ParameterSpaceWindowTest::modeCommandsSetMenusAndDrawing() {
    QFETCH(int, command);
    QFETCH(int, viewMode);
    QFETCH(bool, pathItems);
    QFETCH(bool, selectChecked);
    QFETCH(int, pathDisplay);
    QFETCH(bool, markerShown);
    go("x^2-t");
    open();
    session->parameterSpace.pathDisplay = pathDisplayNone;
    trigger(command);
    const ParameterSpaceState &ps = session->parameterSpace;
    QCOMPARE(int(ps.viewMode), viewMode);
    QCOMPARE(int(ps.pathDisplay), pathDisplay);
    QCOMPARE(ps.markerShown != 0, markerShown);
    for (int id : {psw::newPath, psw::selectFromAuto, psw::startTracing, psw::addVertex, psw::moveVertex,
                   psw::deleteVertex, psw::lineToArc, psw::arcToLine})
        QCOMPARE(window->action(id)->isEnabled(), pathItems);
    QCOMPARE(window->action(psw::selectFromAuto)->isChecked(), selectChecked);
    QVERIFY(window->action(psw::saveFile)->isEnabled());
    QVERIFY(window->action(psw::loadFromFile)->isEnabled());
    // What is drawn follows: the marker at the base point, or not.
    QCOMPARE(shot().pixelColor(pixel(session->state.basePoint)) == markerBrushColour, markerShown);
}

void ParameterSpaceWindowTest::manualSelectionThenStartTracing() {
    go("x^2-t");
    open();
    const int autoSegments = segmentCount(session->parameterSpace.autoPaths);
    chooseManualLoop();
    const ParameterSpaceState &ps = session->parameterSpace;
    QCOMPARE(ps.editTool, toolMoveVertex);
    QCOMPARE(ps.selectFromAuto, int16_t{0});
    QCOMPARE(ps.pathDisplay, pathDisplaySelected);
    QVERIFY(window->action(psw::moveVertex)->isChecked());
    QVERIFY(!window->action(psw::selectFromAuto)->isChecked());
    QCOMPARE(session->traces.tracingState, tracingRunning);
    QVERIFY(!window->timerActive());
    // The traces start at the copy's first point, which the auto loop shares.
    QCOMPARE(session->traces.parameterTrace->value.re, segmentStart(ps.userPath).re);
    QCOMPARE(session->traces.parameterTrace->value.im, segmentStart(ps.userPath).im);

    trigger(psw::startTracing);
    QVERIFY(window->timerActive());
    tickToTheEnd();
    QCOMPARE(session->traces.tracingState, tracingFinished);
    QCOMPARE(session->solutionSpace.braidWord.count(), 1);
    QCOMPARE(segmentCount(session->parameterSpace.autoPaths), autoSegments);
}

void ParameterSpaceWindowTest::startTracingNeedsAnEditTool() {
    go("x^2-t");
    open();
    chooseManualLoop();
    trigger(psw::newPath);  // off, as Manual mode left it: now on, and no tool
    QCOMPARE(session->parameterSpace.editTool, toolNone);
    trigger(psw::startTracing);
    QVERIFY(!window->timerActive());
}

void ParameterSpaceWindowTest::addVertexThenDragIt() {
    go("x^2-t");
    open();
    chooseManualLoop();
    ParameterSpaceState &ps = session->parameterSpace;
    const int autoSegments = segmentCount(ps.autoPaths);
    const int before = segmentCount(ps.userPath);
    // The first segment long enough on the screen to click its middle, and
    // with no other segment near that middle (a loop may run out and back
    // along one line, and a click there splits both).
    const auto alone = [&](const PathSegment *s, QPoint m) {
        for (const PathSegment *o = ps.userPath; o; o = o->next)
            if (o != s && (pixel(segmentPoint(o, 0.5)) - m).manhattanLength() < 20) return false;
        return true;
    };
    PathSegment *target = nullptr;
    for (PathSegment *s = ps.userPath; s && !target; s = s->next) {
        const QPoint a = pixel(segmentStart(s)), m = pixel(segmentPoint(s, 0.5));
        if ((a - m).manhattanLength() > 20 && plane()->rect().contains(m) && alone(s, m)) target = s;
    }
    QVERIFY(target);
    trigger(psw::addVertex);
    QVERIFY(window->action(psw::addVertex)->isChecked());
    click(pixel(segmentPoint(target, 0.5)));
    QCOMPARE(segmentCount(ps.userPath), before + 1);
    QCOMPARE(segmentCount(ps.autoPaths), autoSegments);
    QCOMPARE(ps.editTool, toolMoveVertex);
    QVERIFY(window->action(psw::moveVertex)->isChecked());
    QVERIFY(!window->action(psw::addVertex)->isChecked());

    // Drag the new vertex: the split segment's end and its successor's start
    // follow the mouse.
    const QPoint vertex = pixel(segmentEnd(target));
    const QPoint to = vertex + QPoint(15, 8);
    press(vertex);
    move(vertex + QPoint(5, 3), Qt::LeftButton);
    move(to, Qt::LeftButton);
    release(to);
    const Complex m = window->view().toWorld(to.x(), to.y());
    QVERIFY(qAbs(segmentEnd(target).re - m.re) < 1e-9 && qAbs(segmentEnd(target).im - m.im) < 1e-9);
    QVERIFY(qAbs(segmentStart(target->next).re - m.re) < 1e-9);
    QVERIFY(qAbs(segmentStart(target->next).im - m.im) < 1e-9);
    // Released: moving on changes nothing.
    move(to + QPoint(30, 30));
    QVERIFY(qAbs(segmentEnd(target).re - m.re) < 1e-9);
    // The first point of the path is never grabbed.
    const Complex start = segmentStart(ps.userPath);
    press(pixel(start));
    move(pixel(start) + QPoint(20, 20), Qt::LeftButton);
    release(pixel(start) + QPoint(20, 20));
    QCOMPARE(segmentStart(ps.userPath).re, start.re);
    QCOMPARE(segmentStart(ps.userPath).im, start.im);
}

void ParameterSpaceWindowTest::eachToolActsWhereItIsClicked() {
    go("x^2-t");
    open();
    chooseManualLoop();
    ParameterSpaceState &ps = session->parameterSpace;
    // Line into Arc on the first line, Arc into Line on it again, then
    // Delete Vertex on its end: each click changes the path as its tool says.
    const Complex start = segmentStart(ps.userPath);
    const int before = segmentCount(ps.userPath);
    QVERIFY(!ps.userPath->isArc);
    const QPoint middle = pixel(segmentPoint(ps.userPath, 0.5));
    trigger(psw::lineToArc);
    click(middle);
    QVERIFY(ps.userPath->isArc);
    QCOMPARE(toolCommand(ps.editTool), psw::lineToArc);
    trigger(psw::arcToLine);
    click(pixel(segmentPoint(ps.userPath, 0.5)));
    QVERIFY(!ps.userPath->isArc);
    trigger(psw::deleteVertex);
    for (int16_t tool = toolAddVertex; tool <= toolArcToLine; ++tool)
        QCOMPARE(window->action(toolCommand(tool))->isChecked(), toolCommand(tool) == psw::deleteVertex);
    click(pixel(segmentEnd(ps.userPath)));
    QCOMPARE(segmentCount(ps.userPath), before - 1);
    // The path keeps its first point; a click away from every vertex does nothing.
    QCOMPARE(segmentStart(ps.userPath).re, start.re);
    click(QPoint(5, 45));
    QCOMPARE(segmentCount(ps.userPath), before - 1);
}

void ParameterSpaceWindowTest::clearPathReleasesTheUserPathAndStopsItsRun() {
    go("x^2-t");
    open();
    chooseManualLoop();
    trigger(psw::startTracing);
    window->tick();
    QVERIFY(window->timerActive());
    const int used = session->segmentPool.usedCount();
    const int pathSegments = segmentCount(session->parameterSpace.userPath);
    // The arc of the loop is drawn (a quarter along it lies off the grid).
    const PathSegment *arc = session->parameterSpace.userPath->next;
    QVERIFY(arc->isArc);
    const QPoint onPath = pixel(segmentPoint(arc, 0.25));
    QCOMPARE(shot().pixelColor(onPath), QColor(Qt::black));
    window->popupAction(psw::clearPath)->trigger();
    const ParameterSpaceState &ps = session->parameterSpace;
    QVERIFY(ps.userPath == nullptr && ps.selectedPath == nullptr && ps.currentSegment == nullptr);
    QCOMPARE(session->segmentPool.usedCount(), used - pathSegments);
    QVERIFY(!window->timerActive());
    // The loops are offered again, and the timer's tick and painting cope
    // with the missing path.
    QCOMPARE(ps.pathDisplay, pathDisplayAuto);
    QVERIFY(ps.selectFromAuto && window->action(psw::selectFromAuto)->isChecked());
    window->tick();
    shot();
    // The next click chooses a loop.
    click(locusPixel());
    QVERIFY(userPathSelected(ps));
}

void ParameterSpaceWindowTest::newPathRestartsTheTracesAnywhere() {
    go("x^2-t");
    open();
    trigger(psw::manualMode);
    trigger(psw::selectFromAuto);  // off
    trigger(psw::newPath);         // armed
    QCOMPARE(session->parameterSpace.newPathArmed, int16_t{1});
    QVERIFY(window->action(psw::newPath)->isChecked());
    // A click in the top strip counts, at the world point under it.
    const QPoint p(window->view().planeRect.right - 60, 10);
    click(p);
    const Complex w = window->view().toWorld(p.x(), p.y());
    QCOMPARE(session->traces.parameterTrace->value.re, w.re);
    QCOMPARE(session->traces.parameterTrace->value.im, w.im);
    QCOMPARE(session->traces.tracingState, tracingRunning);
    QCOMPARE(std::string(pointName(session->state.fiber.get())), std::string("1"));
    QVERIFY(session->parameterSpace.userPath == nullptr);
}

void ParameterSpaceWindowTest::artModeTracesFreeHand() {
    go("x^2-t");
    open();
    trigger(psw::artMode);
    const QPoint start = locusPixel() + QPoint(60, -40);
    click(start);
    QCOMPARE(session->parameterSpace.artTracing, int16_t{1});
    for (int i = 1; i <= 3; ++i) move(start + QPoint(0, 10 * i));
    QCOMPARE(session->traces.traceStepCount, 4);
    // While free-hand tracing runs, the hand tool and Auto and Manual are refused.
    QTest::mouseClick(window->toolButton(psw::handButton), Qt::LeftButton);
    QCOMPARE(session->parameterSpace.handTool, int16_t{0});
    QVERIFY(window->toolButton(psw::dotButton)->isChecked());
    trigger(psw::autoMode);
    trigger(psw::manualMode);
    QCOMPARE(session->parameterSpace.viewMode, modeArt);
    QVERIFY(window->action(psw::artMode)->isChecked());
    QVERIFY(!window->action(psw::autoMode)->isChecked());

    click(start + QPoint(0, 30));
    QCOMPARE(session->parameterSpace.artTracing, int16_t{0});
    QCOMPARE(session->traces.tracingState, tracingFinished);
    QCOMPARE(session->state.replayAtEnd, int16_t{1});
    trigger(psw::autoMode);
    QCOMPARE(session->parameterSpace.viewMode, modeAuto);
}

void ParameterSpaceWindowTest::replayIconsActByColumn_data() {
    QTest::addColumn<int>("offset");  // from the right end of the plane
    QTest::addColumn<int>("flag");    // 0 none, 1 at start, 2 playing, 3 paused, 4 at end
    QTest::newRow("go to start") << 105 << 1;
    QTest::newRow("play") << 75 << 2;
    QTest::newRow("pause") << 45 << 3;
    QTest::newRow("go to end") << 15 << 4;
    QTest::newRow("left edge, not inside") << 150 << 0;
    QTest::newRow("right edge, not inside") << 0 << 0;
}

void ParameterSpaceWindowTest::replayIconsActByColumn() {
    QFETCH(int, offset);
    QFETCH(int, flag);
    go("x^2-t");
    open();
    click(locusPixel());
    tickToTheEnd();
    session->state.setReplay(0, 0, 0, 0);
    click(iconPoint(offset));
    const CurveState &s = session->state;
    QCOMPARE(int(s.replayAtStart), int(flag == 1));
    QCOMPARE(int(s.replayPlaying), int(flag == 2));
    QCOMPARE(int(s.replayPaused), int(flag == 3));
    QCOMPARE(int(s.replayAtEnd), int(flag == 4));
    QCOMPARE(window->timerActive(), flag == 2);
    if (flag == 0) return;
    // The icon of the set flag turns black.
    const int column = (150 - offset) / 30;
    const QPoint icon = ParameterSpaceRenderer::replayIconPosition(window->view(), column) + symbolPoint(column);
    QCOMPARE(shot().pixelColor(icon), QColor(Qt::black));
}

void ParameterSpaceWindowTest::pauseStepsThroughTheTraceThenPlayReplays() {
    go("x^2-t");
    open();
    click(locusPixel());
    tickToTheEnd();
    const int last = session->traces.traceStepCount - 1;
    QVERIFY(last > 2);
    click(iconPoint(105));  // go to start
    click(iconPoint(75));   // play from step 0
    QVERIFY(window->timerActive());
    const int ticks = tickToTheEnd();
    QCOMPARE(ticks, last + 1);
    QCOMPARE(session->state.replayIndex, last);
    QCOMPARE(session->state.replayAtEnd, int16_t{1});

    session->state.replayIndex = last - 2;
    click(iconPoint(45));  // pause
    QCOMPARE(session->state.replayPaused, int16_t{1});
    click(iconPoint(45));
    click(iconPoint(45));
    QCOMPARE(session->state.replayIndex, last);
    click(iconPoint(45));  // beyond the last step: the at-end state
    QCOMPARE(session->state.replayAtEnd, int16_t{1});
    QCOMPARE(session->state.replayIndex, last);
    QCOMPARE(pixel(session->parameterSpace.markerPoint), pixel(stepAt(session->traces.parameterTrace, last)->value));
}

void ParameterSpaceWindowTest::saveIconThenLoadFromFile() {
    go("x^2-t");
    open();
    click(locusPixel());
    tickToTheEnd();
    const int steps = session->traces.traceStepCount;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traced.qpf"));
    window->setFileChooser([&path](FileAction, const QString &) { return path; });
    click(iconPoint(135));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("*parametertrace"));
    QVERIFY(bytes.contains("*solutiontrace"));

    // Another run replaces the traces; loading the file brings them back.
    click(locusPixel());
    window->tick();
    QCOMPARE(session->traces.tracingState, tracingRunning);
    QSignalSpy solution(window.get(), &ParameterSpaceWindow::solutionChanged);
    // The file holds the window's own polynomial: no question is asked.
    DialogAnswerer answerer(QStringLiteral("Abort loading file"));
    trigger(psw::loadFromFile);
    QVERIFY(answerer.seen.empty());
    QCOMPARE(session->traces.tracingState, tracingFinished);
    QCOMPARE(session->traces.traceStepCount, steps);
    QCOMPARE(session->parameterSpace.pathDisplay, pathDisplayNone);
    QVERIFY(!window->timerActive());
    QVERIFY(solution.count() > 0);
}

void ParameterSpaceWindowTest::zoomKeepsTheCentre() {
    open();
    PlaneView &v = window->view();
    v.setView(0.3, -0.2);
    QTest::mouseClick(window->toolButton(psw::zoomInButton), Qt::LeftButton);
    QCOMPARE(v.scale, 150.0);
    QVERIFY(qAbs(v.viewCentre().re - 0.3) < 1e-9 && qAbs(v.viewCentre().im + 0.2) < 1e-9);
    trigger(psw::zoomOut);
    QVERIFY(qAbs(v.scale - 100.0) < 1e-9);
    QVERIFY(qAbs(v.viewCentre().re - 0.3) < 1e-9 && qAbs(v.viewCentre().im + 0.2) < 1e-9);
    // The pans keep the scale and move by 0.3 grid steps.
    trigger(psw::up);
    QVERIFY(qAbs(v.viewCentre().im + 0.5) < 1e-9);
    window->popupAction(psw::right)->trigger();
    QVERIFY(qAbs(v.viewCentre().re - 0.0) < 1e-9);
    trigger(psw::defaultSize);
    QVERIFY(qAbs(v.viewCentre().re) < 1e-9 && qAbs(v.viewCentre().im) < 1e-9);
    QCOMPARE(v.scale, 100.0);
}

void ParameterSpaceWindowTest::handDragKeepsThePointUnderTheCursor() {
    open();
    QTest::mouseClick(window->toolButton(psw::handButton), Qt::LeftButton);
    const Complex before = window->view().viewCentre();
    press(QPoint(200, 200));
    move(QPoint(230, 210), Qt::LeftButton);
    move(QPoint(250, 220), Qt::LeftButton);
    release(QPoint(250, 220));
    const Complex after = window->view().viewCentre();
    QVERIFY(qAbs(after.re - (before.re - 0.5)) < 1e-9);
    QVERIFY(qAbs(after.im - (before.im + 0.2)) < 1e-9);
    // Without the button down the view stays.
    move(QPoint(10, 100));
    QCOMPARE(window->view().viewCentre().re, after.re);
}

void ParameterSpaceWindowTest::pointedLocusReadOutFollowsThePointer() {
    go("x^2-t");
    open();
    const PixelRect top = window->view().topRightLabelRect();
    QVERIFY(top.left > pointedLocusLeft + 40);
    const QRect area(pointedLocusLeft, 0, top.left - pointedLocusLeft, stripHeight);
    const auto dark = [&] {
        const QImage image = shot();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y).lightness() < 100) ++n;
        return n;
    };
    QCOMPARE(dark(), 0);
    move(locusPixel() + QPoint(3, 3));
    QVERIFY(dark() > 20);
    move(locusPixel() + QPoint(4, 0));  // just outside the box
    QCOMPARE(dark(), 0);
    move(locusPixel() + QPoint(-3, -3));
    QVERIFY(dark() > 20);
}

void ParameterSpaceWindowTest::displayAllFitsTheLoci() {
    go("x^2-t^2+1");
    open();
    QCOMPARE(countPoints(session->parameterSpace.branchLociCopy.get()), 2);
    trigger(psw::displayAll);
    const PlaneView &v = window->view();
    const double w = v.planeRect.width();
    QVERIFY(qAbs(v.scale - 0.9 * std::min(w / 2.0, 100.0)) < 1e-9);
    QVERIFY(qAbs(v.viewCentre().re) < 1e-9 && qAbs(v.viewCentre().im) < 1e-9);
}

void ParameterSpaceWindowTest::updatingTheWindowRepaintsThePlane() {
    // The main window repaints the plane windows as wholes after its
    // commands; the client area below the menu bar must follow.
    open();
    PaintCounter counter;
    plane()->installEventFilter(&counter);
    QApplication::processEvents();
    counter.paints = 0;
    window->update();
    QTRY_VERIFY(counter.paints > 0);
}

void ParameterSpaceWindowTest::closingStopsTheTimerAndClosesBoth() {
    go("x^2-t");
    PlaneWindows windows(session->state);
    installParameterSpaceWindow(windows, *session);
    windows.open();
    QPointer<QWidget> solution = windows.solutionSpace();
    QPointer<ParameterSpaceWindow> parameter = qobject_cast<ParameterSpaceWindow *>(windows.parameterSpace());
    QVERIFY(parameter);
    QVERIFY(QTest::qWaitForWindowExposed(parameter.data()));
    QVERIFY(QTest::qWaitForWindowExposed(solution.data()));
    parameter->zoomIn();
    PaintCounter counter;
    solution->installEventFilter(&counter);
    QTest::mouseClick(parameter->plane(), Qt::LeftButton, {}, parameter->plane()->rect().center());
    QVERIFY(parameter->timerActive());
    parameter->tick();
    QTRY_VERIFY(counter.paints > 0);

    QVERIFY(solution->close());
    QCOMPARE(session->state.parameterViewOpen, int16_t{0});
    QCOMPARE(session->state.solutionViewOpen, int16_t{0});
    QVERIFY(!session->parameterSpace.timerRunning);
    QTRY_VERIFY(parameter.isNull() && solution.isNull());

    // Opened again, the window shows the plane as it was left.
    windows.open();
    auto *again = qobject_cast<ParameterSpaceWindow *>(windows.parameterSpace());
    QVERIFY(again);
    QVERIFY(!again->timerActive());
    QCOMPARE(again->view().scale, 150.0);
}

QTEST_MAIN(ParameterSpaceWindowTest)
#include "parameter_space_window_test.moc"
