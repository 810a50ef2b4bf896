// What the Parameter Space window tests share: a session, the window
// opened on it, and the user's actions (typing "Go", clicks, moves, menu
// commands) in client pixels.
#pragma once

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

#include "views/dialogs/plane_windows.h"
#include "dialog_answerer.h"
#include "engine/error.h"
#include "engine/points.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "tracing/paths.h"
#include "views/headless/parameter_space_modes.h"
#include "views/windows/parameter_space_renderer.h"
#include "views/windows/parameter_space_window.h"

using namespace quorvel;
using quorvel::testing::DialogAnswerer;

namespace parameter_space_testing {

QStringList texts(const QList<QAction *> &actions) {
    QStringList out;
    for (const QAction *a : actions) out << (a->isSeparator() ? QString() : a->text());
    return out;
}

const QStringList navigationPopup = {
    QStringLiteral("Zoom &In \t(Ctrl + U)"), QStringLiteral("Zoom &Out \t(Ctrl + O)"),
    QStringLiteral("&Up \t(Ctrl + I)"),      QStringLiteral("&Down \t(Ctrl + K)"),
    QStringLiteral("&Right \t(Ctrl + L)"),   QStringLiteral("&Left \t(Ctrl + J)"),
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

}  // namespace parameter_space_testing


using namespace parameter_space_testing;

struct ParameterSpaceFixture {
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

    void setUp() {
        errors.clear();
        previousHandler = setErrorHandler([this](const std::string &m, const std::string &) { errors.push_back(m); });
        session = std::make_unique<Session>();
    }

    void tearDown() {
        window.reset();
        session.reset();
        setErrorHandler(std::move(previousHandler));
    }
};
