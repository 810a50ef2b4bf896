// The plane windows beside the main window: a load in the Parameter Space
// window shows in the main form, malformed documents are told about, the
// planes are drawn to the edges of a large window with grid lines at every
// zoom, the locus read-out forgets an old curve, and pictures come out at
// the window's size.
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QFontDatabase>
#include <QRegularExpression>
#include <QFile>
#include <QtTest>
#include <memory>

#include "views/dialogs/error_dialog.h"
#include "app/main_dialog.h"
#include "views/dialogs/plane_windows.h"
#include "dialog_answerer.h"
#include "engine/error.h"
#include "pipeline/document.h"
#include "pipeline/session.h"
#include "pipeline/tracer.h"
#include "views/windows/braid_info_dialog.h"
#include "views/windows/parameter_space_window.h"
#include "views/windows/plane_canvas.h"
#include "views/windows/solution_space_window.h"

using namespace quorvel;
using quorvel::testing::DialogAnswerer;

class PlaneWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadingAnotherPolynomialInThePlanesShowsInTheMainForm();
    void malformedDocumentsAreToldAbout_data();
    void malformedDocumentsAreToldAbout();
    void aLargeWindowIsDrawnToItsEdgesWithGridLines();
    void theLocusReadOutForgetsAnOldCurve();
    void picturesHoldTheDrawingAlone();

private:
    void go(const char *polynomial) {
        session->typePolynomial(polynomial);
        QVERIFY(session->runPipeline());
        window->showForm();
    }
    ParameterSpaceWindow *parameterWindow() {
        window->openPlaneWindows();
        auto *w = qobject_cast<ParameterSpaceWindow *>(window->planeWindows().parameterSpace());
        if (w && !QTest::qWaitForWindowExposed(w)) return nullptr;
        return w;
    }
    QString writeFile(const QByteArray &bytes) {
        const QString path = dir.filePath(QStringLiteral("file%1.qpf").arg(++files));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

    QTemporaryDir dir;
    int files = 0;
    std::unique_ptr<Session> session;
    std::unique_ptr<MainDialog> window;
    ErrorHandler previousHandler;
};

void PlaneWindowsTest::init() {
    previousHandler = setErrorHandler(showErrorDialog);
    session = std::make_unique<Session>();
    window = std::make_unique<MainDialog>(*session);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void PlaneWindowsTest::cleanup() {
    window.reset();
    session.reset();
    setErrorHandler(std::move(previousHandler));
}

void PlaneWindowsTest::loadingAnotherPolynomialInThePlanesShowsInTheMainForm() {
    go("x^2-t");
    const QString path = dir.filePath(QStringLiteral("square.qpf"));
    QVERIFY(saveDocumentWithTraces(*session, path.toStdString()));
    session->typePolynomial("x^3-t^2+1");
    QVERIFY(session->runPipeline());
    window->showForm();
    ParameterSpaceWindow *planes = parameterWindow();
    QVERIFY(planes);
    planes->setFileChooser([&](FileAction, const QString &) { return path; });
    DialogAnswerer answerer(QStringLiteral("Load another polynomial"));
    planes->loadFromFile();
    QCOMPARE(answerer.seen.size(), size_t{1});
    // The main window shows what is held: the loaded curve and its results.
    QCOMPARE(window->findChild<QPlainTextEdit *>("edit1000")->toPlainText(), QStringLiteral("x^2-t"));
    QCOMPARE(window->findChild<QPlainTextEdit *>("edit1029")->toPlainText(),
             QString::fromStdString(session->state.branchPolynomialText));
    QCOMPARE(window->findChild<QListWidget *>("list1039")->count(), 2);
    QCOMPARE(window->findChild<QLineEdit *>("edit1002")->text(), QStringLiteral("square.qpf"));
}

void PlaneWindowsTest::malformedDocumentsAreToldAbout_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("told");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("empty");
    QTest::newRow("LF only") << QByteArray("*polynomial\nx^2-t\n") << QStringLiteral("LF alone");
    QTest::newRow("cut fiber") << QByteArray("*polynomial\r\nx^2-t\r\n*branchpoly\r\nt\r\n*branchloci\r\n1\r\n"
                                             "0\r\n0\r\n*parameterbase\r\n1\r\n0\r\n*fiberonbasepoint\r\n2\r\n1\r\n")
                               << QStringLiteral("ends after 0 of its 2");
}

void PlaneWindowsTest::malformedDocumentsAreToldAbout() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    go("x^2-t");
    const std::string before = writeSections(*session);
    const QString path = writeFile(bytes);
    window->setFileChooser([&](FileAction, const QString &) { return path; });
    DialogAnswerer answerer(QStringLiteral("OK"));
    QTest::mouseClick(window->findChild<QPushButton *>("button1007"), Qt::LeftButton);
    QCOMPARE(answerer.seen.size(), size_t{1});
    QCOMPARE(answerer.seen[0].title, QStringLiteral("Notice"));
    QVERIFY2(answerer.seen[0].labels.join(' ').contains(told), qPrintable(answerer.seen[0].labels.join(' ')));
    // Nothing was loaded from the empty and the LF-only files.
    if (bytes.isEmpty() || !bytes.contains('\r')) QCOMPARE(writeSections(*session), before);
}

void PlaneWindowsTest::aLargeWindowIsDrawnToItsEdgesWithGridLines() {
    go("x^2-t");
    ParameterSpaceWindow *planes = parameterWindow();
    planes->plane()->resize(1400, 1000);
    const PlaneView &v = planes->view();
    QCOMPARE(v.planeRect.right, 1400);
    QImage image = planes->plane()->grab().toImage();
    // The grid reaches the far corner: a vertical line beyond 1024 pixels.
    bool gridBeyond = false;
    for (double x : v.verticalGridLines()) {
        const int column = v.toScreen(x, 0.0).x;
        if (column > 1100 && image.pixelColor(column, 950) != QColor(Qt::white)) gridBeyond = true;
    }
    QVERIFY(gridBeyond);
    // About 13 units across: the grid step is 10, yet lines are drawn.
    planes->view().scale = 1400.0 / 13.0;
    planes->view().setView(3.3, 2.7);
    QCOMPARE(planes->view().gridStep, 10.0);
    QVERIFY(planes->view().verticalGridLines().size() >= 10);
    image = planes->plane()->grab().toImage();
    const int column = v.toScreen(v.verticalGridLines()[2], 0.0).x;
    QCOMPARE(image.pixelColor(column, 500), QColor(180, 180, 255));
    // On a screen of pixel ratio 2 the canvas has twice the pixels each way,
    // and a one-pixel line drawn in client pixels stays one client pixel.
    QImage canvas;
    fitCanvas(canvas, QSize(1400, 1000), 2.0);
    QCOMPARE(canvas.size(), QSize(2800, 2000));
    {
        QPainter p(&canvas);
        p.setPen(QColor(0, 0, 255));
        p.drawLine(0, 10, 100, 10);
    }
    QCOMPARE(canvas.pixelColor(50, 20), QColor(0, 0, 255));
    QCOMPARE(canvas.pixelColor(50, 22), QColor(Qt::white));
}

void PlaneWindowsTest::theLocusReadOutForgetsAnOldCurve() {
    go("x^2-t");
    ParameterSpaceWindow *planes = parameterWindow();
    const PixelPoint p = planes->view().toScreen(session->state.branchLoci.get()->coef);
    planes->mouseMoved(QPoint(p.x, p.y));
    QVERIFY(session->parameterSpace.pointedLocusShown);
    go("x^2-t+1");
    QVERIFY(!session->parameterSpace.pointedLocusShown);
}

void PlaneWindowsTest::picturesHoldTheDrawingAlone() {
    go("x^2-t");
    ParameterSpaceWindow *planes = parameterWindow();
    QVERIFY(startAutoLoop(*session, 0));
    while (session->parameterSpace.timerRunning) timerTick(*session);
    auto *solutions = qobject_cast<SolutionSpaceWindow *>(window->planeWindows().solutionSpace());
    QVERIFY(solutions);
    solutions->showBraidInformation();
    BraidInfoDialog *braid = openBraidInfoDialog();
    QVERIFY(braid);
    // The plane between the strips, the braid's own area: no tool button,
    // replay icon or box of the dialog is in the picture.
    const QSize strips(0, 2 * stripHeight);
    const struct {
        QSize drawing;
        std::function<bool(const QString &)> save;
    } windows[] = {
        {planes->plane()->size() - strips, [&](const QString &f) { return planes->savePictureTo(f); }},
        {solutions->client()->size() - strips, [&](const QString &f) { return solutions->savePictureTo(f); }},
        {BraidPicture::area.size(), [&](const QString &f) { return braid->savePictureTo(f); }},
    };
    const QStringList families = QFontDatabase::families();
    for (const auto &w : windows) {
        const QString png = dir.filePath(QStringLiteral("picture.png"));
        QVERIFY(w.save(png));
        const QImage image(png);
        QCOMPARE(image.size(), w.drawing);
        // Not blank: many colours, as in the window.
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 3)
            for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
        QVERIFY(colours.size() > 4);
        const QString svg = dir.filePath(QStringLiteral("picture.svg"));
        QVERIFY(w.save(svg));
        QSvgRenderer drawing(svg);
        QVERIFY(drawing.isValid());
        QCOMPARE(drawing.viewBox().size(), w.drawing);
        // Every font the drawing names is one this machine has.
        QFile file(svg);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        static const QRegularExpression family(QStringLiteral("font-family=\"([^\"]*)\""));
        for (auto m = family.globalMatch(text); m.hasNext();) {
            const QString named = m.next().captured(1);
            QVERIFY2(families.contains(named), qPrintable(named));
        }
    }
    braid->close();
}

QTEST_MAIN(PlaneWindowsTest)
#include "plane_windows_test.moc"
