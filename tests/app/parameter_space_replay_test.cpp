// The Parameter Space window's replay icons, file commands, navigation,
// pointer read-out, repainting and closing, driven as a user drives them on
// the offscreen platform.
#include <algorithm>
#include <vector>

#include "parameter_space_fixture.h"

class ParameterSpaceReplayTest : public QObject, public ParameterSpaceFixture {
    Q_OBJECT

private slots:
    void init() { setUp(); }
    void cleanup() { tearDown(); }

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
};

void ParameterSpaceReplayTest::replayIconsActByColumn_data() {
    QTest::addColumn<int>("offset");  // from the right end of the plane
    QTest::addColumn<int>("flag");    // 0 none, 1 at start, 2 playing, 3 paused, 4 at end
    QTest::newRow("go to start") << 105 << 1;
    QTest::newRow("play") << 75 << 2;
    QTest::newRow("pause") << 45 << 3;
    QTest::newRow("go to end") << 15 << 4;
    QTest::newRow("left edge, not inside") << 150 << 0;
    QTest::newRow("right edge, not inside") << 0 << 0;
}

void ParameterSpaceReplayTest::replayIconsActByColumn() {
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

void ParameterSpaceReplayTest::pauseStepsThroughTheTraceThenPlayReplays() {
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

void ParameterSpaceReplayTest::saveIconThenLoadFromFile() {
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

void ParameterSpaceReplayTest::zoomKeepsTheCentre() {
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

void ParameterSpaceReplayTest::handDragKeepsThePointUnderTheCursor() {
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

void ParameterSpaceReplayTest::pointedLocusReadOutFollowsThePointer() {
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

void ParameterSpaceReplayTest::displayAllFitsTheLoci() {
    go("x^2-t^2+1");
    open();
    QCOMPARE(countPoints(session->parameterSpace.branchLociCopy.get()), 2);
    trigger(psw::zoomIn);
    trigger(psw::zoomIn);
    trigger(psw::displayAll);
    // The loci, the base point and the loops all lie in the view, and the
    // loci span a good part of it.
    const PlaneView &v = window->view();
    QVERIFY(v.visible(session->state.basePoint));
    std::vector<double> re;
    for (const Term *t = session->parameterSpace.branchLociCopy.get(); t; t = t->next) {
        QVERIFY(v.visible(t->coef));
        re.push_back(t->coef.re);
    }
    for (const PathSegment *s = session->parameterSpace.autoPaths; s; s = s->next)
        QVERIFY(v.visible(segmentStart(s)) && v.visible(segmentEnd(s)));
    QVERIFY((*std::max_element(re.begin(), re.end()) - *std::min_element(re.begin(), re.end())) * v.scale >
            0.2 * v.planeRect.width());
}

void ParameterSpaceReplayTest::updatingTheWindowRepaintsThePlane() {
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

void ParameterSpaceReplayTest::closingStopsTheTimerAndClosesBoth() {
    go("x^2-t");
    PlaneWindows windows(session->state);
    installParameterSpaceWindow(windows, *session);
    windows.open();
    QPointer<QWidget> solution = windows.run();
    QPointer<ParameterSpaceWindow> parameter = qobject_cast<ParameterSpaceWindow *>(windows.parameterSpace());
    QVERIFY(parameter);
    QVERIFY(QTest::qWaitForWindowExposed(parameter.data()));
    QVERIFY(QTest::qWaitForWindowExposed(solution.data()));
    parameter->zoomIn();
    const double zoomed = parameter->view().scale;
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
    QCOMPARE(again->view().scale, zoomed);
}

QTEST_MAIN(ParameterSpaceReplayTest)
#include "parameter_space_replay_test.moc"
