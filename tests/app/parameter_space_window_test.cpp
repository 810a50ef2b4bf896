// The Parameter Space window driven with the mouse and its menus, on the
// offscreen platform: what it shows after "Go", how clicks start, edit and
// steer tracing per mode and tool, and the popup.
#include "parameter_space_fixture.h"

class ParameterSpaceWindowTest : public QObject, public ParameterSpaceFixture {
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
    void viewShortcutsMoveThePlane_data();
    void viewShortcutsMoveThePlane();
};

void ParameterSpaceWindowTest::showsTheLocusTheMarkerAndTheLoopsAfterGo() {
    go("x^2-t");
    open();
    QCOMPARE(window->windowTitle(), QStringLiteral("Parameter Space"));
    const QImage image = shot();
    // The plane was fitted to what Go found: the locus, the base point and
    // every loop.
    QVERIFY(window->view().visible(session->state.basePoint));
    for (const PathSegment *s = session->parameterSpace.autoPaths; s; s = s->next)
        QVERIFY(window->view().visible(segmentStart(s)) && window->view().visible(segmentEnd(s)));
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
    // The three modes, then this program's own "Trace all loops" and "Certify".
    QCOMPARE(texts(menus[2]->menu()->actions()),
             (QStringList{"&Auto Mode", "&Manual Mode", "A&rt Mode", "", "Trace &all loops", "&Certify"}));
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
    QCOMPARE(session->run.braidWord.count(), 1);
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
    QCOMPARE(session->run.braidWord.count(), 1);
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

QTEST_MAIN(ParameterSpaceWindowTest)
void ParameterSpaceWindowTest::viewShortcutsMoveThePlane_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("zoom");  // factor of the scale
    QTest::addColumn<int>("right");    // the view's centre moves right (+1) or left (-1)
    QTest::addColumn<int>("up");
    QTest::newRow("Ctrl+U zooms in") << int(Qt::Key_U) << 1.5 << 0 << 0;
    QTest::newRow("Ctrl+O zooms out") << int(Qt::Key_O) << 1 / 1.5 << 0 << 0;
    QTest::newRow("Ctrl+I up") << int(Qt::Key_I) << 1.0 << 0 << -1;
    QTest::newRow("Ctrl+K down") << int(Qt::Key_K) << 1.0 << 0 << 1;
    QTest::newRow("Ctrl+J left") << int(Qt::Key_J) << 1.0 << 1 << 0;
    QTest::newRow("Ctrl+L right") << int(Qt::Key_L) << 1.0 << -1 << 0;
}

void ParameterSpaceWindowTest::viewShortcutsMoveThePlane() {
    QFETCH(int, key);
    QFETCH(double, zoom);
    QFETCH(int, right);
    QFETCH(int, up);
    // Each the same as its View menu item, in the menu and with the key.
    open();
    QApplication::processEvents();
    const PlaneView before = window->view();
    QTest::keyClick(window.get(), Qt::Key(key), Qt::ControlModifier);
    const PlaneView &after = window->view();
    QVERIFY(qAbs(after.scale / before.scale - zoom) < 1e-9);
    const Complex moved = after.viewCentre() - before.viewCentre();
    QCOMPARE(moved.re > 0 ? 1 : moved.re < 0 ? -1 : 0, right);
    QCOMPARE(moved.im > 0 ? 1 : moved.im < 0 ? -1 : 0, up);
}

#include "parameter_space_window_test.moc"
